// Taking entries out of the open archive: Extract into a folder the user picks, View through a
// private temporary copy, and the engine's questions while entries come out (replace a file,
// the password of an encrypted entry).
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMimeDatabase>
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
#include "mainform/viewed_copies.h"
#include "settings/settings_file.h"
#include "ui_mainform.h"

namespace {

// The system's words for the last failed file-system call.
QString SystemErrorText() {
  const int error = errno != 0 ? errno : EIO;
  return QString::fromStdString(std::generic_category().message(error));
}

// The copy of StoredName among the files one view wrote into Folder (paths off). With one entry
// selected it is the only file there, whatever the library made of its name; among several it
// is the one named by the stored name's last part, which is what the library keeps.
QString ViewCopyIn(const QString& Folder, const QString& StoredName) {
  const QFileInfoList files = QDir(Folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
  if (files.size() == 1) return files.first().filePath();
  const QString leaf = PlacedEntryPath(StoredName).section(u'/', -1);
  for (const QFileInfo& file : files)
    if (!leaf.isEmpty() && file.fileName() == leaf) return file.filePath();
  return QString();
}

// A ZIP archive by its content and name, as the desktop would type it; documents that are ZIP
// files inside (office files, Java archives) have types of their own and open as documents.
bool IsZipArchive(const QString& Path) {
  const QString type = QMimeDatabase().mimeTypeForFile(Path).name();
  return type == QLatin1String("application/zip") || type == QLatin1String("application/x-zip-compressed");
}

}  // namespace

void TMainFormFm::EditExtractMnClick(QObject* /*Sender*/) {
  // A command started from inside an engine callback would call the engine again.
  if (BusyCount != 0) return;
  errno = 0;
  if (!DefaultExtractPath.isEmpty() && !QDir::setCurrent(DefaultExtractPath)) {
    FServices.Dialogs.MessageDlg(
        tr("Unable to change to the folder \"%1\": %2.").arg(DefaultExtractPath, SystemErrorText()),
        platform::TMsgDlgType::mtError, platform::mbOK);
    return;
  }
  QString folder = QDir::currentPath();

  if (ui->ListView->selectionModel()->hasSelection() && ConfirmExtract &&
      FServices.Dialogs.MessageDlg(
          tr("You are about to Extract the selected file(s) from the %1 Archive file.  The file(s) will be "
             "created on your disk drive.  Are you sure you want to do this?")
              .arg(MainXz->ZipFileName),
          platform::TMsgDlgType::mtConfirmation, platform::mbYesNo) == platform::mrNo)
    return;

  if (!FServices.Dialogs.SelectDirectory(tr("Select Directory"), folder)) return;
  // The chooser has offered to create a typed folder; make sure the whole chain is there.
  errno = 0;
  if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
    FServices.Dialogs.MessageDlg(tr("Unable to create the folder \"%1\": %2.").arg(folder, SystemErrorText()),
                                 platform::TMsgDlgType::mtError, platform::mbOK);
    return;
  }
  ExtractFiles(folder);
}

void TMainFormFm::ExtractFiles(const QString& Folder) {
  ExtractSelected(Folder, ExtractMethod);
}

void TMainFormFm::ExtractSelected(const QString& Folder, int Method) {
  QStringList names;
  CollectSelectedNames(ui->ListView, names);
  ExtractNames(Folder, names, Method);
}

void TMainFormFm::ExtractNames(const QString& Folder, const QStringList& Names, int Method) {
  TBusyPeriod busy(*this);
  TReadingPhase reading(*this);
  FReplaceDeclined = false;
  FNeverOverwriting = MainXz->Overwrite == zowNever;
  MainXz->FilesToProcess = Names;
  MainXz->ExtractDirectory = Folder;
  MainXz->UsePaths = ExtractPath;
  StatusPanel0->setText(tr("Extracting selected files."));
  // A password typed for this archive is tried first while it stays open; the configured one
  // stays as the user set it.
  const QString configured = MainXz->Password;
  if (FArchivePassword.Archive == MainXz->ZipFileName && !FArchivePassword.Password.isEmpty())
    MainXz->Password = FArchivePassword.Password;
  // 0 extract all, 1 freshen, 2 update; any other value extracts nothing.
  int code = 0;
  if (Method >= 0 && Method <= 2) code = MainXz->Extract(Method);
  MainXz->Password = configured;
  if (!FPasswordTyped.isEmpty()) FArchivePassword = {MainXz->ZipFileName, FPasswordTyped};
  ReportResult(code, tr("extracting"), FServices.Dialogs);
  FNeverOverwriting = false;
}

QString TMainFormFm::ViewParentFolder() const {
  QString parent = TempFolder.isEmpty() ? platform::SystemTempFolder() : TempFolder;
  if (parent.size() > 1 && parent.endsWith(u'/')) parent.chop(1);  // the root stays "/"
  return parent;
}

QString TMainFormFm::NewViewFolder() {
  const QString parent = ViewParentFolder();
  // One private folder per run and temporary folder, readable by the user alone; removed with
  // everything in it when the window closes, or by the next run when this one is killed.
  if (FViewFolders.empty() || FViewFolders.back().Parent != parent) {
    QDir().mkpath(parent);  // a temporary folder that is not there yet is made, as extracting would
    auto folder = std::make_unique<platform::TRunFolder>(parent, QLatin1String(kViewFolderPrefix));
    if (!folder->IsValid()) {
      FServices.Dialogs.MessageDlg(
          tr("Unable to create a folder in \"%1\": %2.").arg(parent, folder->ErrorString()),
          platform::TMsgDlgType::mtError, platform::mbOK);
      return QString();
    }
    FViewFolders.push_back({parent, std::move(folder)});
  }
  // Each view gets a folder of its own, so what lands there can only be this view's copy.
  const QString root = FViewFolders.back().Folder->Path();
  const QString name = QString::number(++FViewCount);
  errno = 0;
  if (!QDir(root).mkdir(name)) {
    FServices.Dialogs.MessageDlg(
        tr("Unable to create the folder \"%1\": %2.").arg(root + u'/' + name, SystemErrorText()),
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

  {
    TRestoreExtractChoices restore(*this);
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
  // Remembered as it came out, before a program has had it; an archive shown in a window of its
  // own is looked at when that window closes, anything else whenever it is written.
  FViewedCopies->Track({path, MainXz->ZipFileName, storedName, ListModel->Row(first).Encrypted, {}},
                       !IsZipArchive(path));
  OpenViewedCopy(path);
}

TMainFormFm::TRestoreExtractChoices::TRestoreExtractChoices(TMainFormFm& Window)
    : FWindow(Window),
      FExtractPath(Window.ExtractPath),
      FOverwrite(Window.MainXz->Overwrite),
      FExactNames(Window.MainXz->ExactNames) {}

// Also when the engine's mode was one the Overwrite setting does not name.
TMainFormFm::TRestoreExtractChoices::~TRestoreExtractChoices() {
  FWindow.ExtractPath = FExtractPath;
  FWindow.MainXz->Overwrite = FOverwrite;
  FWindow.MainXz->ExactNames = FExactNames;
  FWindow.ApplyOverwriteSetting();
}

void TMainFormFm::OpenViewedCopy(const QString& Path) {
  // Whether the archive made it a program is read before the copy loses every executable bit:
  // nothing in it then runs because of a bit a stranger set, whatever opens it.
  const bool program = platform::IsProgramFile(Path);
  platform::RemoveExecutableBits(QFileInfo(Path).absolutePath());
  const QString name = QFileInfo(Path).fileName();

  if (IsZipArchive(Path)) {
    OpenNestedArchive(Path);
    return;
  }
  if (program) {
    const int answer = FServices.Dialogs.MessageDlg(
        tr("\"%1\" is a program from the archive %2.  Running it lets it do anything you can do: read, "
           "change or delete your files.\rDo you want to run it?  (No opens it for viewing.)")
            .arg(name, MainXz->ZipFileName),
        platform::TMsgDlgType::mtWarning, platform::mbYesNoCancel | platform::mbDefaultNo);
    if (answer == platform::mrCancel) return;
    if (answer == platform::mrYes) {
      QFile::setPermissions(Path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      if (FServices.Shell.ShellExecute(QLatin1String(platform::kRunVerb), Path, QString(), QString(),
                                       platform::SW_SHOWNORMAL) <= 32)
        FServices.Dialogs.MessageDlg(tr("Unable to run \"%1\".").arg(name), platform::TMsgDlgType::mtError,
                                     platform::mbOK);
      return;
    }
  }
  if (FServices.Shell.ShellExecute(QStringLiteral("open"), Path, QString(), QString(),
                                   platform::SW_SHOWNORMAL) > 32)
    return;
  if (FServices.Shell.ShellExecute(QStringLiteral("open"), QLatin1String(platform::kTextEditorProgram), Path,
                                   QString(), platform::SW_SHOWNORMAL) > 32)
    return;
  FServices.Dialogs.MessageDlg(tr("No program is available to open \"%1\".").arg(name),
                               platform::TMsgDlgType::mtInformation, platform::mbOK);
}

void TMainFormFm::OpenNestedArchive(const QString& Path) {
  TMainFormServices services = FServices;
  services.Arguments = QStringList{FServices.Arguments.value(0), Path};
  services.NestedCopy = true;
  auto* window = new TMainFormFm(services);
  window->setAttribute(Qt::WA_DeleteOnClose);
  FNestedWindows.append(window);
  // Changes made there are offered back to this archive once that window has let go of the copy.
  connect(window, &QObject::destroyed, this, [this, Path] {
    QMetaObject::invokeMethod(
        this, [this, Path] { OfferViewedCopy(Path); }, Qt::QueuedConnection);
  });
  // Beside this window rather than on top of it, so both can be seen.
  window->move(pos() + QPoint(40, 40));
  window->show();
}

void TMainFormFm::MainXzExtracting(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  StatusPanel0->setText(tr("Extracting \"%1\".").arg(FileStats.FileName));
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzReplace(TZipEngine& ZipEngine, TZipReplace& Replace) {
  const int answer = FServices.Dialogs.MessageDlg(
      tr("The file \"%1\" already exists. Do you want to replace this file?").arg(Replace.FileName),
      platform::TMsgDlgType::mtConfirmation, platform::mbYes | platform::mbNo | platform::mbAbort);
  FReplaceDeclined = answer == platform::mrNo;
  if (answer == platform::mrYes)
    Replace.Replace = true;
  else if (answer == platform::mrNo)
    Replace.Replace = false;
  else
    ZipEngine.Abort = true;  // Abort, or the box closed another way: the engine stops
}

// Reached when the password the engine tried first (the configured one, or the one that worked
// last in this archive) does not fit an entry. The engine tries an answer that fitted before
// on each later entry and asks again only when it does not fit; after a Cancel it asks no more
// in that operation.
void TMainFormFm::MainXzPwdQuery(TZipEngine& ZipEngine, TZipPwdQuery& PwdQuery) {
  // The engine asks again for the same entry only when the answer did not fit it.
  const bool again = PwdQuery.FileName == FPasswordAskedFor;
  FPasswordAskedFor = PwdQuery.FileName;
  if (again) FPasswordTyped.clear();
  const QString prompt =
      again ? tr("The password for \"%1\" is not correct. Enter it again:").arg(PwdQuery.FileName)
            : tr("Enter the password for \"%1\":").arg(PwdQuery.FileName);
  QString password;
  const int answer = FServices.Dialogs.PasswordQuery(tr("Password"), prompt, password, kPasswordLimit);
  if (answer == platform::mrOk && !password.isEmpty()) {
    PwdQuery.Password = CutToBytes(password, kPasswordLimit);
    PwdQuery.Response = TZipPwdQuery::kSupplied;
    FPasswordTyped = PwdQuery.Password;
  } else {
    // Cancelled or nothing typed: the entry is skipped as one without a password, and so are
    // the others of this operation. Abort stops the operation.
    PwdQuery.Password.clear();
    PwdQuery.Response = 0;
    if (answer == platform::mrAbort) ZipEngine.Abort = true;
  }
}
