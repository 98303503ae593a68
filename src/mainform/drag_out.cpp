// Dragging entries out of the list: when the drag starts, the dragged entries are extracted, with
// their folders, into a private folder of this run (the rules of View's copies: readable by the
// user alone, no executable bit from the archive, removed at close or by the next run), and the
// drag carries those files.
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "mainform/busy_period.h"
#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "ui_mainform.h"

QString PlacedEntryPath(const QString& StoredName) {
  QStringList kept;
  const QStringList parts = QString(StoredName).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
  for (qsizetype index = 0; index < parts.size(); ++index) {
    const QString& part = parts[index];
    if (part == QLatin1String(".") || part == QLatin1String("..")) continue;
    // A drive letter is dropped where the name begins, as the libraries drop it.
    if (kept.isEmpty() && index == 0 && part.size() == 2 && part[1] == u':' && part[0].isLetter()) continue;
    kept.append(part);
  }
  return kept.join(u'/');
}

QMimeData* TMainFormFm::EntryDragData(const QModelIndexList& Indexes) {
  if (BusyCount != 0 || !ArchiveOpen()) return nullptr;
  std::vector<int> rows;
  for (const QModelIndex& index : Indexes) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

  // A folder's row stands for the folder with everything in it.
  QStringList names;
  QStringList folders;
  for (int row : rows) {
    const QString& path = ListModel->Row(row).Path;
    names.append(path);
    if (path.endsWith(u'/') || path.endsWith(u'\\')) {
      folders.append(PlacedEntryPath(path) + u'/');
      names.append(path + u'*');
    }
  }

  const QString folder = NewViewFolder();
  if (folder.isEmpty()) return nullptr;
  {
    TRestoreExtractChoices restore(*this);
    ExtractPath = true;
    MainXz->Overwrite = zowAlways;
    // A folder's contents are named by a pattern; the names stay exact when there is none.
    MainXz->ExactNames = folders.isEmpty();
    ResultReported = false;
    ExtractNames(folder, names, 0);
  }
  platform::RemoveExecutableBits(folder);
  if (ResultReported) return nullptr;

  // One file or folder per row, in the list's order; what lies in a dragged folder goes with it.
  QList<QUrl> urls;
  const QString root = QDir(folder).canonicalPath() + u'/';
  for (int row : rows) {
    const QString placed = PlacedEntryPath(ListModel->Row(row).Path);
    if (placed.isEmpty()) continue;
    if (std::any_of(folders.begin(), folders.end(), [&](const QString& dragged) {
          return placed.startsWith(dragged) && placed.size() > dragged.size();
        }))
      continue;
    const QFileInfo copy(root + placed);
    // Only what the extraction really placed inside the folder is offered.
    if (!copy.exists() || !(copy.canonicalFilePath() + u'/').startsWith(root)) continue;
    urls.append(QUrl::fromLocalFile(copy.absoluteFilePath()));
  }
  if (urls.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}
