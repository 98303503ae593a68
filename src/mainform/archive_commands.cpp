// Commands on the archive file itself: new, open, close, copy, rename, delete, opening by name,
// and files dropped on the window.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTreeView>

#include "mainform/busy_period.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/recent_archives.h"
#include "mainform/result_reporting.h"
#include "platform/trash.h"
#include "support/file_drag.h"
#include "support/file_helpers.h"
#include "ui_mainform.h"

namespace {

// Read when a dialog opens, so it follows the language loaded at start.
QString ZipFilter() {
  return TMainFormFm::tr("Zip file (*.ZIP);;All files (*.*)");
}

// NewZipDg: its title is the command's own. On Linux the added extension is the lower-case one
// every other program writes.
platform::TFileDialogRequest NewZipDg(const QString& Title) {
  platform::TFileDialogRequest request;
  request.Title = Title;
  request.Filter = ZipFilter();
  request.DefaultExt = QStringLiteral("zip");
  request.OverwritePrompt = true;
  return request;
}

}  // namespace

void TMainFormFm::FileNewMnClick(QObject* /*Sender*/) {
  TBusyPeriod busy(*this);
  QString chosen;
  if (!FServices.Dialogs.SaveFileDialog(NewZipDg(tr("New Archive")), chosen)) return;
  chosen = QFileInfo(chosen).absoluteFilePath();
  LastDirectory = FolderOfFile(chosen);
  // The dialog has asked whether to replace it; the new archive starts empty.
  if (QFileInfo(chosen).isFile()) QFile::remove(chosen);
  MainXz->ZipFileName = chosen;
  FArchivePassword = {};  // nothing typed for an earlier archive is offered
  AddToRecentFiles(chosen);
  UpdateTitle();
  ClearContents();
  ui->ListView->setStatusTip(QString());
  StatusPanel0->setText(QString());
  UpdateToolButtons();
}

void TMainFormFm::FileOpenMnClick(QObject* /*Sender*/) {
  platform::TFileDialogRequest request;
  request.Title = tr("Open Archive");
  request.Filter = ZipFilter();
  request.DefaultExt = QStringLiteral("zip");
  request.FileMustExist = true;
  if (!LastDirectory.isEmpty()) request.InitialDir = LastDirectory;

  TBusyPeriod busy(*this);
  QStringList chosen;
  if (!FServices.Dialogs.OpenFileDialog(request, chosen) || chosen.isEmpty()) return;
  const QString name = QFileInfo(chosen.first()).absoluteFilePath();
  LastDirectory = FolderOfFile(name);
  AddToRecentFiles(name);
  MainXz->ZipFileName = name;
  FArchivePassword = {};  // nothing typed for an earlier archive is offered
  UpdateTitle();
  ReadArchive();
  UpdateToolButtons();
}

void TMainFormFm::FileCloseMnClick(QObject* /*Sender*/) {
  MainXz->ZipFileName.clear();
  FArchivePassword = {};  // nothing typed for an earlier archive is offered
  UpdateTitle();
  ClearContents();
  ui->ListView->setStatusTip(QString());
  StatusPanel0->setText(QString());
  UpdateToolButtons();
}

void TMainFormFm::OpenZipFile(const QString& FileName) {
  TBusyPeriod busy(*this);
  MainXz->ZipFileName = FileName;
  FArchivePassword = {};  // nothing typed for an earlier archive is offered
  UpdateTitle();
  OpeningArchive = true;
  struct TReset {
    ~TReset() { OpeningArchive = false; }
  } reset;
  ReadArchive();
  UpdateToolButtons();
}

int TMainFormFm::ConfirmReplace(const QString& FileName) {
  if (!QFileInfo::exists(FileName)) return 0;
  return FServices.Dialogs.MessageDlg(
      tr("The file \"%1\" already exists. Do you want to replace this file?").arg(FileName),
      platform::TMsgDlgType::mtConfirmation, platform::mbYesNo);
}

void TMainFormFm::CopyArchive1Click(QObject* /*Sender*/) {
  TBusyPeriod busy(*this);
  QString chosen;
  if (!FServices.Dialogs.SaveFileDialog(NewZipDg(tr("Copy Archive To")), chosen)) return;
  chosen = QFileInfo(chosen).absoluteFilePath();
  if (ConfirmReplace(chosen) == platform::mrNo) return;
  // Copying the archive onto itself changes nothing.
  const QString target = QFileInfo(chosen).canonicalFilePath();
  if (!target.isEmpty() && target == QFileInfo(MainXz->ZipFileName).canonicalFilePath()) return;
  if (!CopyFileByStream(MainXz->ZipFileName.toStdString(), chosen.toStdString())) {
    // A partial copy (a full disk) would look like a damaged archive: it goes, and the user is told.
    QFile::remove(chosen);
    ReportResult(zrCannotAccess, tr("copying"), FServices.Dialogs);
  }
}

void TMainFormFm::RenameArchive1Click(QObject* /*Sender*/) {
  TBusyPeriod busy(*this);
  QString chosen;
  if (!FServices.Dialogs.SaveFileDialog(NewZipDg(tr("Rename Archive To")), chosen)) return;
  chosen = QFileInfo(chosen).absoluteFilePath();
  if (ConfirmReplace(chosen) == platform::mrNo) return;
  const QString old = MainXz->ZipFileName;
  FileCloseMnClick(nullptr);
  QString current = chosen;
  if (!MoveFileReplacing(old.toStdString(), chosen.toStdString())) {
    // The archive is still where it was: show it there rather than an empty list under a name
    // that does not exist.
    ReportResult(zrCannotAccess, tr("renaming"), FServices.Dialogs);
    current = old;
  } else {
    AddToRecentFiles(chosen);
  }
  MainXz->ZipFileName = current;
  UpdateTitle();
  ReadArchive();
  UpdateToolButtons();
}

bool TMainFormFm::SendToRecycleBin(const QString& FileName) {
  if (!QFileInfo::exists(FileName)) return false;
  return platform::MoveFileToTrash(FileName, FServices.Dialogs);
}

void TMainFormFm::FileDeleteMnClick(QObject* /*Sender*/) {
  LeaveMultidiskMode();
  TBusyPeriod busy(*this);
  const QString name = MainXz->ZipFileName;
  if (FServices.Dialogs.MessageDlg(tr("Are you sure you want to delete file\r\"%1\"?").arg(name),
                                   platform::TMsgDlgType::mtConfirmation,
                                   platform::mbYesNo) != platform::mrYes)
    return;
  FileCloseMnClick(nullptr);
  SendToRecycleBin(name);
}

void TMainFormFm::FileDrag1Drop(TFileDrag& Sender) {
  // A drop that arrives while an operation runs (its callbacks let events through) would start
  // a second one inside the first; the files are left alone and can be dropped again.
  if (BusyCount != 0) return;
  if (!ArchiveOpen() && FServices.Dialogs.MessageDlg(
                            tr("You must Open an existing Archive or Create a new one before "
                               "adding files.  Do you want to create a new archive file?"),
                            platform::TMsgDlgType::mtInformation, platform::mbYesNo) == platform::mrYes)
    FileNewMnClick(nullptr);
  if (!ArchiveOpen()) return;

  TBusyPeriod busy(*this);
  // The Add command's adding, without its confirmation and file dialog.
  AddFilesToZip(Sender.NameWithPath());
  UpdateToolButtons();
}
