#pragma once

#include "job/EncryptionSettings.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// How one input of `encrypt` ended.
struct FileOutcome
{
    enum Status { Saved, Failed, Skipped };
    QString input;
    QString output;  // "" when nothing was written
    Status status = Failed;
    std::optional<int> errorCode;  // PdfLibrary's code
    QString message;
    std::optional<int> pages;       // known once the input opened
    std::optional<double> seconds;  // of the rows that ran
    QString repairNote;             // what libqpdf repaired in a saved input
};

// The report of a run: `version`, `settings` (strength and permissions, no
// password), `summary` (saved, failed and skipped) and one entry per input
// under `files`, `repaired` and libqpdf's `repair_warning` among its keys.
QJsonObject ReportJson(const EncryptionSettings& settings, const QList<FileOutcome>& outcomes);

// Writes `report` to `path` whole or not at all; "" on success, else why not.
QString WriteReport(const QString& path, const QJsonObject& report);
