// Changing the open archive's contents: Add (also for dropped files), Update, Remove, and the
// engine events these operations raise.
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QTreeView>
#include <algorithm>

#include "mainform/busy_period.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/result_reporting.h"
#include "ui_mainform.h"

namespace {

// AddFilesDg, shared by Add and Update. Its name box starts empty every time, and it opens in
// the process's current folder. "*" rather than "*.*": on Linux many files have no extension.
// Folders can be picked too; each comes with its contents.
platform::TFileDialogRequest AddFilesDg() {
  platform::TFileDialogRequest request;
  request.Title = TMainFormFm::tr("Add Files");
  request.Filter = TMainFormFm::tr("All files (*)");
  request.MultiSelect = true;
  request.FileMustExist = true;
  request.FoldersToo = true;
  return request;
}

}  // namespace

void TMainFormFm::EditAddMnClick(QObject* /*Sender*/) {
  // A command started from inside an engine callback would call the engine again.
  if (BusyCount != 0 || !ArchiveOpen()) return;
  if (ConfirmAdd && FServices.Dialogs.MessageDlg(tr("You are about to Add one or more files to the %1 "
                                                    "Archive file.  Are you sure you want to do this?")
                                                     .arg(MainXz->ZipFileName),
                                                 platform::TMsgDlgType::mtConfirmation,
                                                 platform::mbYesNo) != platform::mrYes)
    return;

  TBusyPeriod busy(*this);
  QStringList files;
  if (FServices.Dialogs.OpenFileDialog(AddFilesDg(), files) && !files.isEmpty()) AddFilesToZip(files);
}

int TMainFormFm::AddPicked(const QStringList& Files, int Mode) {
  MainXz->FilesToProcess = Files;
  MainXz->UsePaths = StorePath;
  // A folder the user picked or dropped is wanted with what it holds; without recursion the
  // engine would add its name alone. Named files are the same either way.
  const bool recurse = MainXz->Recurse;
  if (std::any_of(Files.begin(), Files.end(), [](const QString& file) { return QFileInfo(file).isDir(); }))
    MainXz->Recurse = true;
  struct TRestoreRecurse {
    TZipEngine& Engine;
    bool Recurse;
    ~TRestoreRecurse() { Engine.Recurse = Recurse; }
  } restore{*MainXz, recurse};
  return MainXz->Add(Mode);
}

void TMainFormFm::AddFilesToZip(const QStringList& Files) {
  StatusPanel0->setText(tr("Adding selected files."));
  if (ReportResult(AddPicked(Files, 0), tr("adding"), FServices.Dialogs) == 2) return;
  if (MainXz->MultidiskMode)
    FServices.Dialogs.MessageDlg(tr("Add operation completed.  To test the archive, you must close it "
                                    "first, then select the test option from the file menu."),
                                 platform::TMsgDlgType::mtInformation, platform::mbOK);
  ReadArchive();
  UpdateSelectionButtons();  // the re-read rows carry no selection
}

void TMainFormFm::EditUpdateMnClick(QObject* /*Sender*/) {
  if (BusyCount != 0 || !ArchiveOpen()) return;
  LeaveMultidiskMode();

  TBusyPeriod busy(*this);
  QStringList files;
  if (!FServices.Dialogs.OpenFileDialog(AddFilesDg(), files) || files.isEmpty()) return;
  StatusPanel0->setText(tr("Updating files."));
  if (ReportResult(AddPicked(files, 2), tr("updating"), FServices.Dialogs) == 2) return;
  ReadArchive();
  UpdateSelectionButtons();
}

void TMainFormFm::EditDeleteMnClick(QObject* /*Sender*/) {
  if (BusyCount != 0) return;
  // The toolbar button and a double click can arrive with no row selected.
  if (!ui->ListView->selectionModel()->hasSelection()) return;
  if (ConfirmRemove && FServices.Dialogs.MessageDlg(tr("You have chosen to Remove the selected file(s) from "
                                                       "the %1 Archive file.  Are you sure you want "
                                                       "to do this?")
                                                        .arg(MainXz->ZipFileName),
                                                    platform::TMsgDlgType::mtConfirmation,
                                                    platform::mbYesNo) != platform::mrYes)
    return;

  TBusyPeriod busy(*this);
  MainXz->FilesToProcess.clear();
  CollectSelectedNames(ui->ListView, MainXz->FilesToProcess);
  StatusPanel0->setText(tr("Deleting selected files."));
  ReportResult(MainXz->Delete(), tr("deleting"), FServices.Dialogs);
  // Also after a failure: the list shows what the archive now holds.
  ReadArchive();
  UpdateSelectionButtons();
}

void TMainFormFm::MainXzAdding(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  StatusPanel0->setText(tr("Adding \"%1\".").arg(FileStats.FileName));
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzUpdating(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  StatusPanel0->setText(tr("Updating \"%1\".").arg(FileStats.FileName));
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzDeleting(TZipEngine& /*ZipEngine*/, const QString& FileName) {
  StatusPanel0->setText(tr("Deleting \"%1\".").arg(FileName));
  ProgressBar2->setValue(0);
}
