#pragma once

#include <QString>

// One row of the file list, as the list shows it (the password is hidden).
struct FileRow
{
    QString RowNumber;     // 1-based position as displayed
    QString FilePath;      // exactly as the dialog or the drop delivered it; the row's identity
    QString PageCount;     // decimal text
    QString SizeText;      // e.g. "1,465 KB"
    QString FilePassword;  // the password that opened a protected file, else ""
    int Features = 0;      // PdfLibrary::Feature bits: what protecting the file breaks
    qint64 Objects = 0;    // PdfLibrary::DocumentObjects: what it costs a run in memory
};
