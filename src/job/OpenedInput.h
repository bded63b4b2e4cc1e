#pragma once

#include "job/PdfLibrary.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// What opening an input found, for a list of inputs or a report on them.
struct OpenedInput
{
    bool opened = false;
    QString password;   // the one that opened it
    int errorCode = 0;  // PdfLibrary's code when it did not open
    PdfLibrary::PagesFault pagesFault = PdfLibrary::PagesFault::None;
    int pages = 0;       // CountPages, also after a failed open
    int features = 0;    // PdfLibrary::Feature bits
    qint64 objects = 0;  // PdfLibrary::DocumentObjects
    PdfLibrary::Protection protection;
    QString repairNote;  // PdfLibrary::RepairNote, when asked for
    // The document itself, when `keep` asked for it.
    std::shared_ptr<PdfLibrary::HeldDocument> held;
};

// Opens `path` with each of `passwords` in turn until one opens it, reads
// what it holds and closes it again, unless `keep` says, when asked with
// what was read, that it is to be held. Only an encrypted file asks for a
// password, so a file that none of them opens for want of one is reported
// encrypted. With findRepairs, every object is read to tell what libqpdf
// had to repair, which costs a pass over the whole file.
OpenedInput OpenInput(PdfLibrary& pdf, const QString& path, const QStringList& passwords,
                      const std::function<bool(const OpenedInput&)>& keep = {},
                      bool findRepairs = false);
