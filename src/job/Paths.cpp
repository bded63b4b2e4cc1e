#include "job/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity pathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity pathCase = Qt::CaseSensitive;
#endif

qsizetype lastSeparator(const QString& path)
{
#ifdef Q_OS_WIN
    return std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
#else
    return path.lastIndexOf(u'/');
#endif
}

// What tells an existing file apart whatever path leads to it: device and
// inode, on Windows volume and file index, elsewhere its canonical path;
// "" when missing.
QString fileIdentity(const QString& path)
{
#if defined(Q_OS_UNIX)
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(quint64(status.st_dev)).arg(quint64(status.st_ino));
#elif defined(Q_OS_WIN)
    const HANDLE file = ::CreateFileW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    if (!known)
        return {};
    return QStringLiteral("%1:%2")
        .arg(info.dwVolumeSerialNumber)
        .arg((quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QString() : OutputKey(canonical);
#endif
}

// Where a folder entry leads, to be matched against the inputs: its
// canonical path, so a hard link, which an output only replaces, does not
// count. Windows does not always show a link as one (a server's links on a
// share, Linux links under Wine) and may not resolve it; there the file's
// identity tells, hard links included.
QString linkTarget(const QFileInfo& entry)
{
#ifdef Q_OS_WIN
    return fileIdentity(entry.filePath());
#else
    return entry.canonicalFilePath();
#endif
}

bool endsWithSeparator(const QString& path)
{
    return path.endsWith(u'/') || path.endsWith(QDir::separator());
}

}  // namespace

QString WithTrailingSeparator(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    if (native.endsWith(QDir::separator()))
        return native;
    return native + QDir::separator();
}

QString FolderOf(const QString& filePath)
{
    return WithTrailingSeparator(QFileInfo(filePath).path());
}

QString BrowseStartFolder(const QString& folderText)
{
    if (endsWithSeparator(folderText) && !QDir(folderText).isRoot() && folderText.size() > 1)
        return folderText.left(folderText.size() - 1);
    return folderText;
}

QString StartFolder()
{
    static const QString folder = QDir::currentPath();
    return folder;
}

QString AbsoluteFolder(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(QDir(StartFolder()).absoluteFilePath(folder));
}

bool IsFolderAccessible(const QString& folder)
{
    const QString absolute = AbsoluteFolder(folder);
    if (absolute.isEmpty() || !QFileInfo(absolute).isDir())
        return false;
#ifdef Q_OS_UNIX
    // Entering a folder takes its search permission.
    return ::access(QFile::encodeName(absolute).constData(), X_OK) == 0;
#else
    return QDir(absolute).isReadable();
#endif
}

bool IsFolderWritable(const QString& folder)
{
    if (!IsFolderAccessible(folder))
        return false;
    QTemporaryFile probe(QDir(AbsoluteFolder(folder)).filePath(QStringLiteral(".sealmark-XXXXXX")));
    return probe.open() && probe.remove();
}

QString DestinationFolder(const QString& folderText)
{
    const QString absolute = AbsoluteFolder(folderText.trimmed());
    return absolute.isEmpty() ? QString() : WithTrailingSeparator(absolute);
}

namespace {
// Read before main(), while the program has a single thread.
const QString startFolderAtLoad = StartFolder();
}  // namespace

bool IsPdfFile(const QString& path)
{
    return path.endsWith(QLatin1String("pdf"), Qt::CaseInsensitive);
}

QString GetOutFileName(const QString& path)
{
    const QString name = path.mid(lastSeparator(path) + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

bool IsSameFile(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    if (a.isEmpty() || b.isEmpty())
        return false;
    try {
        const QFileInfo infoA(a);
        const QFileInfo infoB(b);
        if (QDir::cleanPath(infoA.absoluteFilePath())
                .compare(QDir::cleanPath(infoB.absoluteFilePath()), pathCase) == 0)
            return true;
        // Links, and letter case on a case-insensitive file system, only show
        // on the files themselves.
        std::error_code error;
        return std::filesystem::equivalent(infoA.filesystemAbsoluteFilePath(),
                                           infoB.filesystemAbsoluteFilePath(), error) &&
               !error;
    } catch (...) {
        return false;
    }
}

QString OutputKey(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return pathCase == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
}

ProtectedFiles::ProtectedFiles(const QStringList& files)
{
    for (const QString& file : files) {
        keys_.insert(OutputKey(file));
        if (const QString identity = fileIdentity(file); !identity.isEmpty())
            identities_.insert(identity);
    }
}

bool ProtectedFiles::covers(const QString& path) const
{
    if (keys_.contains(OutputKey(path)))
        return true;
    // Links, and letter case on a case-insensitive file system, only show
    // on files that exist.
    const QString identity = fileIdentity(path);
    return !identity.isEmpty() && identities_.contains(identity);
}

QString OutputPathFor(const QString& folder, const QString& input,
                      const ProtectedFiles& protectedInputs, const QSet<QString>& usedOutputs)
{
    const QString stem = folder + GetOutFileName(input);
    const auto taken = [&](const QString& candidate) {
        return usedOutputs.contains(OutputKey(candidate)) || IsSameFile(candidate, input) ||
               protectedInputs.covers(candidate);
    };

    QString candidate = stem + QStringLiteral(".pdf");
    if (!taken(candidate))
        return candidate;
    candidate = stem + QStringLiteral("_new.pdf");
    for (int n = 2; taken(candidate); ++n)
        candidate = stem + QStringLiteral("_new%1.pdf").arg(n);
    return candidate;
}

OutputNamer::OutputNamer(const QStringList& inputs)
{
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        const QString folder = QDir::cleanPath(info.absolutePath());
        inputsByFolder_[folder] << input;
        if (const QString target = linkTarget(info); !target.isEmpty())
            inputsByTarget_.insert(target, {input, folder});
    }
}

const ProtectedFiles& OutputNamer::reachableFrom(const QString& folder)
{
    const QString folderPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const auto known = reachable_.constFind(folderPath);
    if (known != reachable_.cend())
        return known.value();
    QStringList reachable = inputsByFolder_.value(folderPath);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const auto input = inputsByTarget_.constFind(linkTarget(entry));
        if (input != inputsByTarget_.cend() && input->folder != folderPath)
            reachable << input->path;
    }
    return reachable_[folderPath] = ProtectedFiles(reachable);
}

QString OutputNamer::next(const QString& folder, const QString& input)
{
    const QString output = OutputPathFor(folder, input, reachableFrom(folder), used_);
    used_.insert(OutputKey(output));
    return output;
}

QStringList OutputPathsFor(const QString& folder, const QStringList& inputs)
{
    OutputNamer namer(inputs);
    QStringList outputs;
    outputs.reserve(inputs.size());
    for (const QString& input : inputs)
        outputs << namer.next(folder, input);
    return outputs;
}

std::string LibraryFileName(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8().toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}
