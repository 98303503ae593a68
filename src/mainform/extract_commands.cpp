// Taking entries out of the open archive: Extract into a folder the user picks, View through a
// temporary copy, and the two engine events only extraction raises.
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QTreeView>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "mainform/busy_period.h"
#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/result_reporting.h"
#include "mainform/settings_file.h"
#include "platform/file_identity.h"
#include "ui_mainform.h"

namespace {

// The system's words for the last failed file-system call.
QString SystemErrorText() {
  const int error = errno != 0 ? errno : EIO;
  return QString::fromStdString(std::generic_category().message(error));
}

QString SystemTempFolder() {
  QString folder = qEnvironmentVariable("TMPDIR");
  return folder.isEmpty() ? QStringLiteral("/tmp/") : folder;
}

// A file the extraction wrote is new, or was renamed into place over the old one: either way
// the name stands for another file (or a changed one) than before.
bool WrittenBetween(const platform::TFileIdentity& before, const platform::TFileIdentity& after) {
  return after.IsFile && !(before == after);
}

}  // namespace

void TMainFormFm::EditExtractMnClick(QObject* /*Sender*/) {
  // A command started from inside an engine callback would call the engine again.
  if (BusyCount != 0) return;
  errno = 0;
  if (!DefaultExtractPath.isEmpty() && !QDir::setCurrent(DefaultExtractPath)) {
    FServices.Dialogs.MessageDlg(QStringLiteral("Unable to change to the folder \"") + DefaultExtractPath +
                                     QStringLiteral("\": ") + SystemErrorText() + QStringLiteral("."),
                                 platform::TMsgDlgType::mtError, platform::mbOK);
    return;
  }
  QString folder = QDir::currentPath();

  if (ui->ListView->selectionModel()->hasSelection() && ConfirmExtract &&
      FServices.Dialogs.MessageDlg(QStringLiteral("You are about to Extract the selected file(s) from the ") +
                                       MainXz->ZipFileName +
                                       QStringLiteral(" Archive file.  The file(s) will be created on "
                                                      "your disk drive.  Are you sure you want to do this?"),
                                   platform::TMsgDlgType::mtConfirmation, platform::mbYesNo) == platform::mrNo)
    return;

  if (!FServices.Dialogs.SelectDirectory(QStringLiteral("Select Directory"), folder)) return;
  // The chooser has offered to create a typed folder; make sure the whole chain is there.
  errno = 0;
  if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
    FServices.Dialogs.MessageDlg(QStringLiteral("Unable to create the folder \"") + folder + QStringLiteral("\": ") +
                                     SystemErrorText() + QStringLiteral("."),
                                 platform::TMsgDlgType::mtError, platform::mbOK);
    return;
  }
  ExtractFiles(folder);
}

void TMainFormFm::ExtractFiles(const QString& Folder) {
  TBusyPeriod busy(*this);
  FReplaceDeclined = false;
  FNeverOverwriting = MainXz->Overwrite == zowNever;
  MainXz->FilesToProcess.clear();
  CollectSelectedNames(ui->ListView, MainXz->FilesToProcess);
  MainXz->ExtractDirectory = Folder;
  MainXz->UsePaths = ExtractPath;
  StatusPanel0->setText(QStringLiteral("Extracting selected files."));
  // 0 extract all, 1 freshen, 2 update; any other value extracts nothing.
  if (ExtractMethod >= 0 && ExtractMethod <= 2)
    ReportResult(MainXz->Extract(ExtractMethod), QStringLiteral("extracting"), FServices.Dialogs);
  FNeverOverwriting = false;
}

void TMainFormFm::SpdBtnViewClick(QObject* /*Sender*/) {
  if (BusyCount != 0) return;
  // The toolbar button and a double click can arrive with no row selected: nothing to view.
  const QModelIndexList selected = ui->ListView->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  int first = selected.first().row();
  for (const QModelIndex& index : selected) first = std::min(first, index.row());
  const QString fileName = ListModel->Row(first).Name().toString();

  QString folder = TempFolder.isEmpty() ? SystemTempFolder() : TempFolder;
  if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);  // the root stays "/"
  const QString path = CutToBytes((folder == QLatin1String("/") ? QString() : folder) + u'/' + fileName, kPathLimit);

  // The copy lands straight in the temporary folder and replaces one from an earlier view. The
  // user's own choices come back however the extraction ends, also when the engine's mode was
  // one the Overwrite setting does not name.
  struct TRestore {
    TMainFormFm& Window;
    bool ExtractPath;
    TZipOverwrite EngineOverwrite;
    ~TRestore() {
      Window.ExtractPath = ExtractPath;
      Window.MainXz->Overwrite = EngineOverwrite;
      Window.ApplyOverwriteSetting();
    }
  };
  const platform::TFileIdentity before = platform::IdentifyFile(path);
  {
    TRestore restore{*this, ExtractPath, MainXz->Overwrite};
    ExtractPath = false;
    MainXz->Overwrite = zowAlways;
    ResultReported = false;
    ExtractFiles(folder);
  }
  if (ResultReported) return;

  // Only a copy this view made is deleted at close: a file of that name that the engine left
  // alone (freshen found it up to date, no extract method ran) belongs to someone else.
  if (WrittenBetween(before, platform::IdentifyFile(path))) TempFiles.append(path);
  if (FServices.Shell.ShellExecute(QStringLiteral("open"), path, QString(), QString(), platform::SW_SHOWNORMAL) <= 32)
    FServices.Shell.ShellExecute(QStringLiteral("open"), QLatin1String(platform::kTextEditorProgram), path, QString(),
                                 platform::SW_SHOWNORMAL);
}

void TMainFormFm::MainXzExtracting(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  StatusPanel0->setText(QStringLiteral("Extracting \"") + FileStats.FileName + QStringLiteral("\"."));
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzReplace(TZipEngine& ZipEngine, TZipReplace& Replace) {
  const int answer = FServices.Dialogs.MessageDlg(
      QStringLiteral("The file \"") + Replace.FileName +
          QStringLiteral("\" already exists. Do you want to replace this file?"),
      platform::TMsgDlgType::mtConfirmation, platform::mbYes | platform::mbNo | platform::mbAbort);
  FReplaceDeclined = answer == platform::mrNo;
  if (answer == platform::mrYes)
    Replace.Replace = true;
  else if (answer == platform::mrNo)
    Replace.Replace = false;
  else
    ZipEngine.Abort = true;  // Abort, or the box closed another way: the engine stops
}
