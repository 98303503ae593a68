#include "actions/folder_names.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kZipExtension = QStringLiteral(".zip");

QString ParentOf(const QString& Path) {
  return QFileInfo(Path).absolutePath();
}

bool Taken(const QString& Folder, const QString& Name) {
  return NameTaken(QDir(Folder).filePath(Name));
}

}  // namespace

bool NameTaken(const QString& Path) {
  const QFileInfo info(Path);
  return info.exists() || info.isSymLink();
}

QString ExtractFolderName(const QString& Archive) {
  const QFileInfo info(Archive);
  const QString name = info.fileName();
  if (name.size() > kZipExtension.size() && name.endsWith(kZipExtension, Qt::CaseInsensitive))
    return name.chopped(kZipExtension.size());
  const QString base = info.completeBaseName();
  return base.isEmpty() ? name : base;
}

QString FreeName(const QString& Folder, const QString& Name, const QString& Extension) {
  if (!Taken(Folder, Name + Extension)) return Name + Extension;
  for (int number = 2;; ++number) {
    const QString candidate = QStringLiteral("%1 (%2)%3").arg(Name).arg(number).arg(Extension);
    if (!Taken(Folder, candidate)) return candidate;
  }
}

TCompressPlan PlanCompress(const QStringList& Files) {
  TCompressPlan plan;
  if (Files.isEmpty()) return plan;
  QStringList paths;
  for (const QString& file : Files) paths.append(QDir::cleanPath(QFileInfo(file).absoluteFilePath()));

  // The deepest folder that holds them all: the first one's folder, shortened until it does.
  QString base = ParentOf(paths.first());
  const auto holds = [](const QString& folder, const QString& path) {
    return folder == QLatin1String("/") || path.startsWith(folder + u'/');
  };
  for (const QString& path : paths)
    while (!holds(base, path)) base = ParentOf(base);
  plan.Base = base;
  for (const QString& path : paths) plan.Names.append(QDir(base).relativeFilePath(path));
  plan.Folder = ParentOf(paths.first());

  if (paths.size() == 1) {
    const QFileInfo only(paths.first());
    plan.ArchiveName =
        only.isDir() || only.completeBaseName().isEmpty() ? only.fileName() : only.completeBaseName();
  } else {
    plan.ArchiveName = QFileInfo(base).fileName();
  }
  // The root holds everything and has no name of its own.
  if (plan.ArchiveName.isEmpty()) plan.ArchiveName = QStringLiteral("Archive");
  return plan;
}
