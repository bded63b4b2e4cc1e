#include "job/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <filesystem>
#include <system_error>

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

bool endsWithSeparator(const QString& path)
{
    return path.endsWith(u'/') || path.endsWith(QDir::separator());
}

} // namespace

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

bool IsFolderAccessible(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    return QDir::setCurrent(folder);
}

QString DestinationFolder(const QString& folderText)
{
    const QString trimmed = folderText.trimmed();
    if (trimmed.isEmpty())
        return {};
    return WithTrailingSeparator(QDir::cleanPath(QDir::current().absoluteFilePath(trimmed)));
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
                                           infoB.filesystemAbsoluteFilePath(), error)
            && !error;
    } catch (...) {
        return false;
    }
}

QString OutputKey(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    return pathCase == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
}

QString OutputPathFor(const QString& folder, const QString& input,
                      const QStringList& protectedInputs, const QSet<QString>& usedOutputs)
{
    const QString stem = folder + GetOutFileName(input);
    const auto taken = [&](const QString& candidate) {
        if (usedOutputs.contains(OutputKey(candidate)) || IsSameFile(candidate, input))
            return true;
        return std::any_of(protectedInputs.cbegin(), protectedInputs.cend(),
                           [&](const QString& other) { return IsSameFile(candidate, other); });
    };

    QString candidate = stem + QStringLiteral(".pdf");
    if (!taken(candidate))
        return candidate;
    candidate = stem + QStringLiteral("_new.pdf");
    for (int n = 2; taken(candidate); ++n)
        candidate = stem + QStringLiteral("_new%1.pdf").arg(n);
    return candidate;
}

QStringList InputsReachableFrom(const QString& folder, const QStringList& inputs)
{
    // A hard link needs no protection: the output replaces the link, not
    // the file it shares.
    const QString folderPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList reachable;
    QHash<QString, QString> elsewhere;  // canonical path -> input
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (QDir::cleanPath(info.absolutePath()) == folderPath)
            reachable << input;
        else if (const QString canonical = info.canonicalFilePath(); !canonical.isEmpty())
            elsewhere.insert(canonical, input);
    }
    if (elsewhere.isEmpty())
        return reachable;
    const QFileInfoList entries =
        QDir(folder).entryInfoList({QStringLiteral("*.pdf")},
                                   QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const auto input = elsewhere.constFind(entry.canonicalFilePath());
        if (input != elsewhere.cend())
            reachable << input.value();
    }
    return reachable;
}

QStringList OutputPathsFor(const QString& folder, const QStringList& inputs)
{
    const QStringList reachable = InputsReachableFrom(folder, inputs);
    QStringList outputs;
    QSet<QString> used;
    outputs.reserve(inputs.size());
    for (const QString& input : inputs) {
        outputs << OutputPathFor(folder, input, reachable, used);
        used.insert(OutputKey(outputs.last()));
    }
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
