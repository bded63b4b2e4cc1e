#include "job/OutputNaming.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace

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

QString OutputPathFor(const QString& folder, const QString& input,
                      const QStringList& protectedInputs)
{
    const QString stem = folder + GetOutFileName(input);
    const auto taken = [&](const QString& candidate) {
        if (IsSameFile(candidate, input))
            return true;
        for (const QString& other : protectedInputs)
            if (IsSameFile(candidate, other))
                return true;
        return false;
    };

    QString candidate = stem + QStringLiteral(".pdf");
    if (!taken(candidate))
        return candidate;
    candidate = stem + QStringLiteral("_new.pdf");
    for (int n = 2; taken(candidate); ++n)
        candidate = stem + QStringLiteral("_new%1.pdf").arg(n);
    return candidate;
}
