// Commands on a whole archive: Test and Fix (of an archive that is not open), Update Archive
// Date, the multi-disk mode switch, and the prompts any engine operation can raise: skipped
// files and disk requests.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

#include "mainform/busy_period.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/result_reporting.h"
#include "platform/file_identity.h"
#include "platform/trash.h"
#include "ui_mainform.h"

namespace {

// OpenZipDg with the command's own title; its name box starts empty.
platform::TFileDialogRequest ArchiveChooser(const QString& Title, const QString& LastDirectory) {
  platform::TFileDialogRequest request;
  request.Title = Title;
  request.Filter = TMainFormFm::tr("Zip file (*.ZIP);;All files (*.*)");
  request.DefaultExt = QStringLiteral("zip");
  request.FileMustExist = true;
  if (!LastDirectory.isEmpty()) request.InitialDir = LastDirectory;
  return request;
}

QString SkipReasonText(std::uint8_t Reason) {
  switch (Reason) {
    case zsrFileNotFound:
      return TMainFormFm::tr("file not found.");
    case zsrUnknownCompression:
      return TMainFormFm::tr("unknown compression.");
    case zsrBadCrc:
      return TMainFormFm::tr("CRC does not check out.");
    case zsrUpToDate:
      return TMainFormFm::tr("file is already up to date.");
    case zsrCannotOpen:
      return TMainFormFm::tr("unable to open file.");
    case zsrBadPassword:
      return TMainFormFm::tr("invalid or no password to decrypt file.");
    case zsrCorruptData:
      return TMainFormFm::tr("file's compressed data is corrupted.");
    default:
      return QString();
  }
}

}  // namespace

void TMainFormFm::FileTestMnClick(QObject* /*Sender*/) {
  // The chosen archive takes the place of the open one for the test: with one open (a stale
  // shortcut) the window would lose track of it.
  if (BusyCount != 0 || ArchiveOpen()) return;
  const platform::TFileDialogRequest request = ArchiveChooser(tr("Test Archive"), LastDirectory);
  TBusyPeriod busy(*this);
  QStringList chosen;
  if (!FServices.Dialogs.OpenFileDialog(request, chosen) || chosen.isEmpty()) return;
  MainXz->ZipFileName = QFileInfo(chosen.first()).absoluteFilePath();
  StatusPanel0->setText(tr("Testing archive %1").arg(MainXz->ZipFileName));

  int code = 0;
  {
    TReadingPhase reading(*this);
    FTesting = true;
    code = MainXz->Test();
    FTesting = false;
  }
  if (code == zrOk)
    FServices.Dialogs.MessageDlg(tr("All files in the archive are OK."), platform::TMsgDlgType::mtInformation,
                                 platform::mbOK);
  else if (code == zrSomeSkipped)
    FServices.Dialogs.MessageDlg(tr("All files tested in the archive are OK.\r(Some files were skipped)"),
                                 platform::TMsgDlgType::mtInformation, platform::mbOK);
  else
    ReportResult(code, tr("testing"), FServices.Dialogs);
  MainXz->ZipFileName.clear();
}

void TMainFormFm::FixNormal1Click(QObject* /*Sender*/) {
  if (BusyCount != 0 || ArchiveOpen()) return;
  LeaveMultidiskMode();
  FixArchive(false);
}

void TMainFormFm::FixAgressive1Click(QObject* /*Sender*/) {
  if (BusyCount != 0 || ArchiveOpen()) return;
  LeaveMultidiskMode();
  FixArchive(true);
}

namespace {

// Sends the damaged original, kept as `kept`, to the Trash as the archive it was; where no Trash
// takes it, it stays beside the archive under a name that says what it is.
QString DamagedOriginalNote(const QString& kept, const QString& archive) {
  if (platform::MoveToTrash(kept, archive))
    return TMainFormFm::tr("The damaged original was moved to the Trash.");
  const QFileInfo info(archive);
  for (int n = 1; n < 1000; ++n) {
    const QString visible = info.absolutePath() + u'/' + info.completeBaseName() +
                            QStringLiteral(" (damaged") + (n > 1 ? u' ' + QString::number(n) : QString()) +
                            u')' + (info.suffix().isEmpty() ? QString() : u'.' + info.suffix());
    if (!QFileInfo::exists(visible) && QFile::rename(kept, visible))
      return TMainFormFm::tr("The damaged original was kept as \"%1\".").arg(visible);
  }
  return TMainFormFm::tr("The damaged original was kept as \"%1\".").arg(kept);
}

}  // namespace

void TMainFormFm::FixArchive(bool Aggressive) {
  const platform::TFileDialogRequest request = ArchiveChooser(tr("Fix Archive"), LastDirectory);
  TBusyPeriod busy(*this);
  QStringList chosen;
  if (!FServices.Dialogs.OpenFileDialog(request, chosen) || chosen.isEmpty()) return;
  const QString archive = QFileInfo(chosen.first()).absoluteFilePath();
  MainXz->ZipFileName = archive;
  // The repaired archive takes the damaged one's place; the damaged bytes are kept under a
  // second name first, so that other tools can still try to recover what repair left out.
  const platform::TFileIdentity before = platform::IdentifyFile(archive);
  const QString kept = platform::KeepBeside(archive);
  const int code = MainXz->Fix(Aggressive);
  const platform::TFileIdentity after = platform::IdentifyFile(archive);
  QString keptNote;
  if (!kept.isEmpty() && after.Device == before.Device && after.Node == before.Node)
    QFile::remove(kept);  // nothing took the archive's place
  else if (!kept.isEmpty())
    keptNote = QChar(13) + DamagedOriginalNote(kept, archive);
  if (code == zrOk || code == zrSomeSkipped)
    FServices.Dialogs.MessageDlg(
        tr("The specified Zip file has been fixed.") +
            (code == zrSomeSkipped ? QChar(13) + tr("Some files were skipped while fixing.") : QString()) +
            keptNote,
        platform::TMsgDlgType::mtInformation, platform::mbOK);
  else if (code == zrArchiveTooCorrupted)
    FServices.Dialogs.MessageDlg(tr("The specified Zip file is too corrupted to be fixed."),
                                 platform::TMsgDlgType::mtInformation, platform::mbOK);
  else
    ReportResult(code, tr("fixing"), FServices.Dialogs);
  MainXz->ZipFileName.clear();
}

void TMainFormFm::EditUpdateZIPDateMnClick(QObject* /*Sender*/) {
  if (BusyCount != 0 || !ArchiveOpen()) return;
  LeaveMultidiskMode();
  TBusyPeriod busy(*this);
  StatusPanel0->setText(tr("Updating ZIP date."));
  ReportResult(MainXz->UpdateArchiveDate(), tr("updating zip date"), FServices.Dialogs);
}

void TMainFormFm::MultidiskmodeMnClick(QObject* /*Sender*/) {
  MainXz->MultidiskMode = !MainXz->MultidiskMode;
  ui->MultidiskmodeMn->setChecked(MainXz->MultidiskMode);
}

void TMainFormFm::MainXzTesting(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  StatusPanel0->setText(tr("Testing \"%1\".").arg(FileStats.FileName));
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzFixing(TZipEngine& /*ZipEngine*/, const QString& FileName) {
  StatusPanel0->setText(tr("Fixing \"%1\".").arg(FileName));
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzSkippingFile(TZipEngine& /*ZipEngine*/, const TZipSkipping& Skipping) {
  // The library reports an existing file that extraction keeps as skipped. The user chose that,
  // by answering No or by the never-overwrite setting: a box per file would only repeat it.
  if (!FTesting && Skipping.Reason == zsrUpToDate && (FReplaceDeclined || FNeverOverwriting)) {
    FReplaceDeclined = false;
    ProgressBar2->setValue(0);
    return;
  }
  const QString text =
      FTesting ? tr("File \"%1\" failed test: %2").arg(Skipping.FileName, SkipReasonText(Skipping.Reason))
               : tr("Skipping \"%1\", %2").arg(Skipping.FileName, SkipReasonText(Skipping.Reason));
  FServices.Dialogs.MessageDlg(text, platform::TMsgDlgType::mtWarning, platform::mbOK);
  ProgressBar2->setValue(0);
}

void TMainFormFm::MainXzNewdisk(TZipEngine& ZipEngine, std::int32_t Disknumber) {
  const QString text = Disknumber == 0 ? tr("Please insert the last disk of the set.")
                                       : tr("Please insert disk #%1 of the set.").arg(Disknumber);
  if (FServices.Dialogs.MessageDlg(text, platform::TMsgDlgType::mtConfirmation, platform::mbOKCancel) !=
      platform::mrOk)
    ZipEngine.Abort = true;
}
