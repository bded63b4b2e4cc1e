#pragma once

#include <QString>
#include <QStringList>

// The file name of `path` without its folder and without its last extension:
// "/in/Report.final.pdf" gives "Report.final". A name without any "." is
// returned whole ("reportpdf"), so such files never share a nameless output.
QString GetOutFileName(const QString& path);

// True when the two paths name the same file: the same text, the same
// absolute path after resolving "." and "..", or (for files that exist) the
// same file through links or letter case on a case-insensitive file system.
bool IsSameFile(const QString& a, const QString& b);

// The output path of `input` in `folder` (which ends with a separator):
// folder + GetOutFileName(input) + ".pdf", or "_new.pdf" instead when that
// would be the input itself or any other file in `protectedInputs`; should
// "_new.pdf" be taken as well, "_new2.pdf", "_new3.pdf" ... An input is never
// chosen as output.
QString OutputPathFor(const QString& folder, const QString& input,
                      const QStringList& protectedInputs);
