#include "app/DestinationFolder.h"

#include <QDir>

bool IsFolderAccessible(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    return QDir::setCurrent(folder);
}

QString BrowseStartFolder(const QString& folderText)
{
    const bool endsWithSeparator = folderText.endsWith(QLatin1Char('/')) ||
                                   folderText.endsWith(QDir::separator());
    if (endsWithSeparator && !QDir(folderText).isRoot() && folderText.size() > 1)
        return folderText.left(folderText.size() - 1);
    return folderText;
}
