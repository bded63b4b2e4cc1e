#include "job/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifndef Q_OS_WIN
// The process's umask. Linux tells it in /proc; elsewhere it can only be
// read by setting it, which must never happen while other threads create
// files, so it is read once, before main() starts any thread.
mode_t readUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return mode_t(mask);
        }
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

const mode_t processUmask = readUmask();
#endif

// The permissions a newly created file gets here.
QFileDevice::Permissions newFilePermissions()
{
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadUser | QFileDevice::WriteUser;
#ifndef Q_OS_WIN
    const mode_t mask = processUmask;
    if (!(mask & S_IRGRP))
        permissions |= QFileDevice::ReadGroup;
    if (!(mask & S_IWGRP))
        permissions |= QFileDevice::WriteGroup;
    if (!(mask & S_IROTH))
        permissions |= QFileDevice::ReadOther;
    if (!(mask & S_IWOTH))
        permissions |= QFileDevice::WriteOther;
#endif
    return permissions;
}

}  // namespace

OutputFile::OutputFile(const QString& path)
    : path_(path)
    , file_(QDir(QFileInfo(path).path()).filePath(QStringLiteral(".sealmark-XXXXXX")))
{}

OutputFile::~OutputFile() = default;

bool OutputFile::open()
{
    if (!file_.open())
        return false;
    const QFileInfo existing(path_);
    const bool replacesFile = existing.isFile() && !existing.isSymLink();
    return file_.setPermissions(replacesFile ? existing.permissions() : newFilePermissions());
}

bool OutputFile::write(const char* data, qint64 size)
{
    return file_.write(data, size) == size;
}

bool OutputFile::close()
{
    const bool flushed = file_.flush();
    file_.close();
    // The folder may have gone while the file was written into it.
    return flushed && file_.error() == QFileDevice::NoError && QFileInfo::exists(file_.fileName());
}

bool OutputFile::flushToDisk()
{
    // Opened anew: the writing handle is gone, and whichever handle the
    // system flushes, it flushes the file's data.
    QFile file(file_.fileName());
#ifdef Q_OS_WIN
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return ::_commit(file.handle()) == 0;
#else
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return ::fsync(file.handle()) == 0;
#endif
}

bool OutputFile::commit()
{
#ifdef Q_OS_WIN
    // QTemporaryFile keeps its handle after close(), and that handle does not
    // let the file be moved; renaming it to a fresh name lets go of it.
    if (!file_.rename(file_.fileName() + QLatin1Char('~')))
        return false;
    // Replaces what is at the path, a link included, in one step.
    if (!::MoveFileExW(
            reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(file_.fileName()).utf16()),
            reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path_).utf16()),
            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
#else
    // A rename replaces what is at the path, a link included, in one step.
    std::error_code error;
    std::filesystem::rename(QFileInfo(file_.fileName()).filesystemFilePath(),
                            QFileInfo(path_).filesystemFilePath(), error);
    if (error)
        return false;
#endif
    file_.setAutoRemove(false);
    return true;
}
