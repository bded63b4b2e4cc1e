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
    // Hands what was written to the system and closes the temporary file;
    // it can then be read by its name.
    bool close();
    // Flushes the closed temporary file to disk. May run on another thread
    // than the one that wrote it, though not at the same time.
    bool flushToDisk();
    QString temporaryPath() const { return file_.fileName(); }
    // Renames the closed, flushed file over the final path.
    bool commit();

private:
    QString path_;
    QTemporaryFile file_;
};
