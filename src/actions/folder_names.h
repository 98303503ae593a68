// The names the file-manager actions give what they create: the folder an archive is extracted
// into, the archive a compress makes, and a free variant "NAME (2)" when a name is taken.
#pragma once

#include <QString>
#include <QStringList>

// The folder named after Archive: its file name without ".zip" (any case), else without its last
// extension; the whole name when nothing would be left.
QString ExtractFolderName(const QString& Archive);

// True when something (a dangling link too) already has Path's name.
bool NameTaken(const QString& Path);

// Name when nothing in Folder is called so, else the first free "NAME (2)", "NAME (3)", ...;
// Extension (".zip" or empty) stays at the end: "NAME (2).zip".
QString FreeName(const QString& Folder, const QString& Name, const QString& Extension = QString());

// What compressing Files makes: the archive beside the first file, named after that file (a
// folder by its whole name, a file without its last extension), or after the folder holding
// them all when there are several; the entries are stored by their paths below that folder.
struct TCompressPlan {
  QString Base;         // the deepest folder holding every file; names are relative to it
  QStringList Names;    // the files as stored, relative to Base
  QString Folder;       // where the archive goes: the first file's folder
  QString ArchiveName;  // without ".zip"
  QString Archive() const { return Folder + u'/' + ArchiveName + QStringLiteral(".zip"); }
};
TCompressPlan PlanCompress(const QStringList& Files);
