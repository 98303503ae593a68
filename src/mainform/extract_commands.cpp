// Taking entries out of the open archive: Extract into a folder the user picks, View through a
// private temporary copy, and the engine's questions while entries come out (replace a file,
// the password of an encrypted entry).
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
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
#include "ui_mainform.h"

namespace {

// The system's words for the last failed file-system call.
QString SystemErrorText() {
  const int error = errno != 0 ? errno : EIO;
  return QString::fromStdString(std::generic_category().message(error));
}

QString SystemTempFolder() {
  const QString folder = qEnvironmentVariable("TMPDIR");
  return folder.isEmpty() ? QStringLiteral("/tmp") : folder;
}

// The copy of StoredName among the files one view wrote into Folder (paths off). With one entry
// selected it is the only file there, whatever the library made of its name; among several it
// is the one named by the stored name's last part, which is what the library keeps.
QString ViewCopyIn(const QString& Folder, const QString& StoredName) {
  const QFileInfoList files = QDir(Folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
  if (files.size() == 1) return files.first().filePath();
  const QStringList parts = StoredName.split(QRegularExpression(QStringLiteral("[/\\\\]")), Qt::SkipEmptyParts);
  for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
    if (*part == QLatin1String(".") || *part == QLatin1String("..")) continue;
    for (const QFileInfo& file : files)
      if (file.fileName() == *part) return file.filePath();
    break;
  }
  return QString();
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

void TMainFormFm::ExtractFiles(const QString& Folder) { ExtractSelected(Folder, ExtractMethod); }

void TMainFormFm::ExtractSelected(const QString& Folder, int Method) {
  TBusyPeriod busy(*this);
  TReadingPhase reading(*this);
  FReplaceDeclined = false;
  FNeverOverwriting = MainXz->Overwrite == zowNever;
  MainXz->FilesToProcess.clear();
  CollectSelectedNames(ui->ListView, MainXz->FilesToProcess);
  MainXz->ExtractDirectory = Folder;
  MainXz->UsePaths = ExtractPath;
  StatusPanel0->setText(QStringLiteral("Extracting selected files."));
  // 0 extract all, 1 freshen, 2 update; any other value extracts nothing.
  if (Method >= 0 && Method <= 2)
    ReportResult(MainXz->Extract(Method), QStringLiteral("extracting"), FServices.Dialogs);
  FNeverOverwriting = false;
}

QString TMainFormFm::NewViewFolder() {
  QString parent = TempFolder.isEmpty() ? SystemTempFolder() : TempFolder;
  if (parent.size() > 1 && parent.endsWith(u'/')) parent.chop(1);  // the root stays "/"
  // One private folder per run and temporary folder, readable by the user alone; removed with
  // everything in it when the window closes.
  if (FViewFolders.empty() || FViewFolders.back().Parent != parent) {
    QDir().mkpath(parent);  // a temporary folder that is not there yet is made, as extracting would
    auto folder = std::make_unique<QTemporaryDir>((parent == QLatin1String("/") ? QString() : parent) +
                                                  QStringLiteral("/parcelix-view-XXXXXX"));
    if (!folder->isValid()) {
      FServices.Dialogs.MessageDlg(QStringLiteral("Unable to create the folder \"") + folder->path() +
                                       QStringLiteral("\": ") + folder->errorString() + QStringLiteral("."),
                                   platform::TMsgDlgType::mtError, platform::mbOK);
      return QString();
    }
    FViewFolders.push_back({parent, std::move(folder)});
  }
  // Each view gets a folder of its own, so what lands there can only be this view's copy.
  const QString root = FViewFolders.back().Folder->path();
  const QString name = QString::number(++FViewCount);
  errno = 0;
  if (!QDir(root).mkdir(name)) {
    FServices.Dialogs.MessageDlg(QStringLiteral("Unable to create the folder \"") + root + u'/' + name +
                                     QStringLiteral("\": ") + SystemErrorText() + QStringLiteral("."),
                                 platform::TMsgDlgType::mtError, platform::mbOK);
    return QString();
  }
  return root + u'/' + name;
}

void TMainFormFm::SpdBtnViewClick(QObject* /*Sender*/) {
  if (BusyCount != 0) return;
  // The toolbar button and a double click can arrive with no row selected: nothing to view.
  const QModelIndexList selected = ui->ListView->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  int first = selected.first().row();
  for (const QModelIndex& index : selected) first = std::min(first, index.row());
  const QString storedName = ListModel->Row(first).Path;

  const QString folder = NewViewFolder();
  if (folder.isEmpty()) return;

  // The user's own choices come back however the extraction ends, also when the engine's mode
  // was one the Overwrite setting does not name.
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
  {
    TRestore restore{*this, ExtractPath, MainXz->Overwrite};
    ExtractPath = false;
    MainXz->Overwrite = zowAlways;
    ResultReported = false;
    // Freshen or update would find nothing to refresh in a folder made just now: a view always
    // takes its entries out whole.
    ExtractSelected(folder, 0);
  }
  if (ResultReported) return;

  const QString path = ViewCopyIn(folder, storedName);
  if (path.isEmpty()) return;
  TempFiles.append(path);
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

// Only reached when no password is configured: the configured one is offered without asking.
void TMainFormFm::MainXzPwdQuery(TZipEngine& /*ZipEngine*/, TZipPwdQuery& PwdQuery) {
  // The engine asks again for the same entry only when the answer did not fit it.
  const bool again = PwdQuery.FileName == FPasswordAskedFor;
  FPasswordAskedFor = PwdQuery.FileName;
  const QString prompt =
      again ? QStringLiteral("The password for \"") + PwdQuery.FileName + QStringLiteral("\" is not correct. Enter it again:")
            : QStringLiteral("Enter the password for \"") + PwdQuery.FileName + QStringLiteral("\":");
  QString password;
  if (FServices.Dialogs.PasswordQuery(QStringLiteral("Password"), prompt, password, kPasswordLimit) &&
      !password.isEmpty()) {
    PwdQuery.Password = CutToBytes(password, kPasswordLimit);
    PwdQuery.Response = TZipPwdQuery::kSupplied;
  } else {
    // Cancelled or nothing typed: the entry is skipped as one without a password.
    PwdQuery.Password.clear();
    PwdQuery.Response = 0;
  }
}
