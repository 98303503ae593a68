// Editing inside the archive: a copy opened by View and changed by the program showing it (or an
// archive viewed out of this one and changed in its own window) is offered back, and on Yes its
// entry is updated under its stored name through the update path.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include "mainform/busy_period.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/result_reporting.h"
#include "mainform/viewed_copies.h"

namespace {

// Whether a stored name is a plain relative path, so the updated entry gets exactly that name.
bool IsPlainEntryName(const QString& StoredName) {
  return !StoredName.isEmpty() && !StoredName.contains(u'\\') && !StoredName.endsWith(u'/') &&
         PlacedEntryPath(StoredName) == StoredName;
}

// While a question or an operation is on, a change waits for it.
constexpr int kRetryMs = 500;

}  // namespace

void TMainFormFm::OfferViewedCopy(const QString& Path) {
  const TViewedCopy* copy = FViewedCopies->Find(Path);
  if (!copy) return;
  if (BusyCount != 0 || FOfferingCopy) {
    QTimer::singleShot(kRetryMs, this, [this, Path] { OfferViewedCopy(Path); });
    return;
  }
  // Only to the archive it came from, while it is open here.
  if (copy->Archive != MainXz->ZipFileName || !FViewedCopies->TakeChange(Path)) return;
  const TViewedCopy changed = *copy;
  FOfferingCopy = true;
  const int answer = FServices.Dialogs.MessageDlg(
      tr("%1 was changed. Update it in the archive?").arg(QFileInfo(Path).fileName()),
      platform::TMsgDlgType::mtConfirmation, platform::mbYesNo);
  FOfferingCopy = false;
  if (answer == platform::mrYes) UpdateViewedCopy(changed);
}

void TMainFormFm::UpdateViewedCopy(const TViewedCopy& Copy) {
  if (!IsPlainEntryName(Copy.StoredName)) {
    FServices.Dialogs.MessageDlg(
        tr("\"%1\" cannot be updated in the archive: its stored name is not a plain path.")
            .arg(Copy.StoredName),
        platform::TMsgDlgType::mtError, platform::mbOK);
    return;
  }
  LeaveMultidiskMode();
  TBusyPeriod busy(*this);

  // The engine names an added file by its path from the current folder: the copy is placed under
  // its stored name in a folder of its own.
  const QString stage = NewViewFolder();
  if (stage.isEmpty()) return;
  const QString staged = stage + u'/' + Copy.StoredName;
  if (!QDir().mkpath(QFileInfo(staged).absolutePath()) || !QFile::copy(Copy.Path, staged)) {
    FServices.Dialogs.MessageDlg(tr("Unable to copy \"%1\".").arg(Copy.Path), platform::TMsgDlgType::mtError,
                                 platform::mbOK);
    QDir(stage).removeRecursively();
    return;
  }
  QFile staging(staged);
  if (staging.open(QIODevice::ReadWrite))
    staging.setFileTime(QFileInfo(Copy.Path).lastModified(), QFileDevice::FileModificationTime);
  staging.close();

  // The engine's settings for this one call; the user's come back afterwards.
  struct TRestore {
    TZipEngine& Engine;
    QStringList Files = Engine.FilesToProcess;
    bool UsePaths = Engine.UsePaths;
    bool Recurse = Engine.Recurse;
    bool ExactNames = Engine.ExactNames;
    QString Password = Engine.Password;
    QString Folder = QDir::currentPath();
    ~TRestore() {
      Engine.FilesToProcess = Files;
      Engine.UsePaths = UsePaths;
      Engine.Recurse = Recurse;
      Engine.ExactNames = ExactNames;
      Engine.Password = Password;
      QDir::setCurrent(Folder);
    }
  };
  int code = 0;
  {
    TRestore restore{*MainXz};
    QDir::setCurrent(stage);
    MainXz->FilesToProcess = {Copy.StoredName};
    MainXz->UsePaths = true;
    MainXz->Recurse = false;
    MainXz->ExactNames = true;
    // An encrypted entry stays encrypted, with the password that opened it.
    if (Copy.Encrypted && FArchivePassword.Archive == MainXz->ZipFileName &&
        !FArchivePassword.Password.isEmpty())
      MainXz->Password = FArchivePassword.Password;
    if (!Copy.Encrypted) MainXz->Password.clear();
    StatusPanel0->setText(tr("Updating files."));
    code = MainXz->Add(0);
  }
  QDir(stage).removeRecursively();
  if (ReportResult(code, tr("updating"), FServices.Dialogs) == 2) return;
  ReadArchive();
  UpdateSelectionButtons();
}
