#pragma once

#include <QString>

// True when the folder can be entered; it then becomes the current
// directory. Never throws; "" or a missing folder or a file give false.
bool IsFolderAccessible(const QString& folder);

// Where the folder chooser opens for the text of the folder box: the text
// without its trailing separator, unless it is a root ("/", "C:\").
QString BrowseStartFolder(const QString& folderText);
