// The names the recent archives and LastDirectory are made of.
#pragma once

#include <QString>

// The file name without its last component and without a trailing "/", except that a file in
// the root gives "/". Empty for a name without a folder.
QString FolderOfFile(const QString& FileName);

// How a recent archive is shown: the whole name up to 30 bytes; a longer one as the first 20
// bytes of its folder's parent (ending in "/"), "... /" and its last component, that last part
// cut to 40 bytes. A long name with no parent folder shows "... /" and its last component.
QString RecentDisplayName(const QString& FileName);
