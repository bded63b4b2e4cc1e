#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// PDFs made with libqpdf at test time, and damaged files made from them.
namespace TestPdfs {

struct Options
{
    int pages = 3;
    bool withImage = false;                          // an RGB image XObject drawn on page 1
    QString text = QStringLiteral("Sealmark page");  // page n shows "<text> n"
    QString userPassword = {};
    QString ownerPassword = {};
    int strength = -1;                 // -1: not encrypted; else as PdfLibrary's strength codes
    bool restricted = false;           // encrypted with every permission denied
    bool objectStreams = false;        // objects packed into object streams
    int features = 0;                  // PdfLibrary::Feature bits the file carries
    bool emptySignatureField = false;  // a signature field that was never signed
    const char* usageRightsKey = "/UR3";  // or the older "/UR"
};

// Writes a PDF with `options.pages` pages of Helvetica text; false on failure.
// Passwords are encoded as the strength requires (UTF-8 for 256-bit AES,
// PDFDocEncoding below).
bool write(const QString& path, const Options& options = {});

// The text page `page` (from 1) of a file made with `options` shows.
QString pageText(const Options& options, int page);

bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// Makes a folder refuse new entries; false when it cannot. Permission bits
// stop neither root nor Windows, so the folder is then marked immutable
// where the file system allows (as root; under Wine by the Linux machine).
bool makeReadOnly(const QString& folder);
// Undoes makeReadOnly.
void makeWritable(const QString& folder);

// `source`'s first `length` bytes.
bool writeTruncated(const QString& source, const QString& path, qsizetype length);

// `source` with a wrong startxref offset: damage qpdf repairs by rebuilding
// the cross-reference table.
bool writeWithBrokenXref(const QString& source, const QString& path);

// Damage that libqpdf repairs when it first reads the object, as readers
// do, found in real files from old or careless producers.
enum class Repair {
    OffsetZero,      // an xref entry in use whose offset is 0, of an object nothing uses
    WrongObject,     // an xref entry at another object (found by rebuilding the xref)
    DuplicatedKey,   // a dictionary with a key twice (the last counts)
    EmptyObject,     // "n 0 obj endobj" (read as null)
    UnknownToken,    // a word that is no PDF token (read as a string)
    NumberTooLarge,  // an integer past 64 bits (its object read as null)
};

// A PDF made as write() makes it, with an /Info dictionary and a string
// object more, given the flaw `repair` by editing its bytes in place so
// every other offset stays right. Its pages show what write() puts on them.
bool writeNeedingRepair(const QString& path, Repair repair, const Options& options = {});

// A PDF whose /Encrypt dictionary names the /Adobe.PubSec (certificate)
// security handler.
bool writeCertificateSecured(const QString& path);

// A PDF whose page tree holds no page.
bool writeWithoutPages(const QString& path);

// A PDF with one page under a chain of `levels` /Pages nodes, one kid each.
bool writeDeepPageTree(const QString& path, int levels);

// Every entry of a folder, hidden ones included, by name.
QStringList entries(const QString& folder);

}  // namespace TestPdfs
