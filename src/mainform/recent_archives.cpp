// The recently opened archives: four keys of the settings file mirrored in the File menu.
#include "mainform/recent_archives.h"

#include <QFileInfo>
#include <QMenu>

#include "mainform/mainform.h"
#include "platform/profile.h"
#include "settings/settings_file.h"
#include "ui_mainform.h"

namespace {

const QString kOpenedFiles = QStringLiteral("OpenedFiles");
// Where the first recent item goes: right after the separator that follows "Fix Archive".
constexpr int kRecentPosition = 13;
constexpr int kRecentCount = 4;

QString Caption(int number, const QString& fileName) {
  // A "&" of the name is shown as itself rather than marking an accelerator.
  return QStringLiteral("&%1 ").arg(number) + RecentDisplayName(fileName).replace(u'&', QStringLiteral("&&"));
}

}  // namespace

QString FolderOfFile(const QString& FileName) {
  const qsizetype slash = FileName.lastIndexOf(u'/');
  if (slash < 0) return QString();
  return CutToBytes(slash == 0 ? QStringLiteral("/") : FileName.left(slash), kPathLimit);
}

QString RecentDisplayName(const QString& FileName) {
  if (FileName.toUtf8().size() <= 30) return FileName;
  QString parent = FolderOfFile(FileName);
  while (!parent.isEmpty() && !parent.endsWith(u'/')) parent.chop(1);
  const QString last = FileName.mid(FileName.lastIndexOf(u'/') + 1);
  return CutToBytes(parent, 20) + CutToBytes(QStringLiteral("... /") + last, 40);
}

void TMainFormFm::AddToRecentFiles(const QString& FileName) {
  QList<QAction*> items;
  for (QAction* action : ui->FileMn->actions())
    if (action->property("recentItem").toBool()) items.append(action);
  if (!items.isEmpty() && items.first()->text() == Caption(1, FileName)) return;

  const auto read = [](int number) {
    return ReadSettingText(kOpenedFiles, QStringLiteral("MRU%1").arg(number), QString(), kPathLimit);
  };
  const QString values[] = {FileName, read(1), read(2), read(3)};
  for (int number = kRecentCount; number >= 1; --number)
    if (!WriteSetting(kOpenedFiles, QStringLiteral("MRU%1").arg(number), values[number - 1],
                      FServices.Dialogs))
      break;

  if (items.size() >= kRecentCount) {
    ui->FileMn->removeAction(items.last());
    items.last()->deleteLater();
    items.removeLast();
  }
  for (int index = 0; index < items.size(); ++index)
    items[index]->setText(QStringLiteral("&%1").arg(index + 2) + items[index]->text().mid(2));
  AddRecentMenuItem(1, FileName);
}

void TMainFormFm::AddRecentMenuItem(int Number, const QString& FileName) {
  QList<QAction*> actions = ui->FileMn->actions();
  if (actions.indexOf(ui->FileExitMn) == kRecentPosition) {
    auto* separator = new QAction(ui->FileMn);
    separator->setSeparator(true);
    ui->FileMn->insertAction(ui->FileExitMn, separator);
    actions = ui->FileMn->actions();
  }
  auto* item = new QAction(Caption(Number, FileName), ui->FileMn);
  item->setProperty("recentItem", true);
  connect(item, &QAction::triggered, this, [this, item] { MRUMenuClick(item); });
  ui->FileMn->insertAction(actions.value(kRecentPosition), item);
}

void TMainFormFm::MRUMenuClick(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || item->text().size() < 2) return;
  const int number = item->text().at(1).digitValue();
  const QString name =
      ReadSettingText(kOpenedFiles, QStringLiteral("MRU%1").arg(number), QString(), kPathLimit);
  if (!name.isEmpty() && QFileInfo(name).isFile()) {
    OpenZipFile(name);
    return;
  }
  FServices.Dialogs.MessageDlg(
      tr("The archive file, %1, Cannot be located.  Please select another archive.").arg(name),
      platform::TMsgDlgType::mtInformation, platform::mbOK);
}
