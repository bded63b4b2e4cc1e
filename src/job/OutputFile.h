#pragma once

#include <QString>
#include <QTemporaryFile>

// A file written under a temporary name beside its final path and renamed
// over that path only once it is complete, flushed to disk and accepted: a
// failure never leaves a partial file and never touches what is at the path.
// Whatever is at the path, a file or a symbolic link, is replaced, never
// written through. A new file gets the permissions any new file gets (0666
// less the umask); a regular file it replaces keeps its own.
class OutputFile
{
public:
    explicit OutputFile(const QString& path);
    // Removes the temporary file unless it was committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open();
    bool write(const char* data, qint64 size);
    // Flushes the temporary file to disk and closes it; it can then be read.
    bool finish();
    QString temporaryPath() const { return file_.fileName(); }
    // Renames the finished file over the final path.
    bool commit();

private:
    QString path_;
    QTemporaryFile file_;
};
