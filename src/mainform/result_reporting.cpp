#include "mainform/result_reporting.h"

#include <QCoreApplication>

#include "engine/zip_records.h"
#include "mainform/program_state.h"

namespace {

using platform::TMsgDlgType;

struct TResultMessage {
  int Codes[3];      // unused places hold zrOk, which is never looked up
  const char* Text;  // %1 stands for the verb; null for codes told by no message
  TMsgDlgType Kind;
  int Severity;
};

const TResultMessage kResultMessages[] = {
    {{zrNothingToDo, zrReservedWarning30, zrReservedWarning140}, nullptr, TMsgDlgType::mtInformation, 1},
    {{zrSomeSkipped},
     QT_TRANSLATE_NOOP("ResultReporting", "Some files were skipped while %1."),
     TMsgDlgType::mtInformation,
     1},
    {{zrArchiveNotFound},
     QT_TRANSLATE_NOOP("ResultReporting", "Could not find the archive file."),
     TMsgDlgType::mtError,
     2},
    {{zrArchiveTooCorrupted, zrEntryStructureCorrupted},
     QT_TRANSLATE_NOOP("ResultReporting", "The archive file is corrupted. Try using the Fix option on it."),
     TMsgDlgType::mtError,
     2},
    {{zrOutOfMemory},
     QT_TRANSLATE_NOOP("ResultReporting", "Ran out of memory while %1."),
     TMsgDlgType::mtError,
     2},
    {{zrDiskFull}, QT_TRANSLATE_NOOP("ResultReporting", "Disk full while %1."), TMsgDlgType::mtError, 2},
    {{zrArchiveBusy},
     QT_TRANSLATE_NOOP(
         "ResultReporting",
         "Another application is currently performing a similar task. Wait until the other application has "
         "completed its operation."),
     TMsgDlgType::mtError,
     2},
    {{zrAborted},
     QT_TRANSLATE_NOOP("ResultReporting", "The %1 operation was aborted."),
     TMsgDlgType::mtInformation,
     2},
    {{zrTestErrors},
     QT_TRANSLATE_NOOP("ResultReporting", "Test failed - Errors in the archive."),
     TMsgDlgType::mtError,
     2},
    {{zrNothingTested},
     QT_TRANSLATE_NOOP("ResultReporting", "No files ended up being tested in the archive."),
     TMsgDlgType::mtError,
     2},
    {{zrLibraryMissing},
     QT_TRANSLATE_NOOP("ResultReporting", "The ZIPENG.DLL or the UNZENG.DLL file could not be found."),
     TMsgDlgType::mtError,
     2},
    {{zrTempFileProblem},
     QT_TRANSLATE_NOOP("ResultReporting", "Problem with the temporary file."),
     TMsgDlgType::mtError,
     2},
    {{zrRemoveParentDirectory},
     QT_TRANSLATE_NOOP("ResultReporting", "Attempt to remove parent directory."),
     TMsgDlgType::mtError,
     2},
    {{zrRepeatedNames},
     QT_TRANSLATE_NOOP("ResultReporting", "Names repeated in archive after discarding pathnames."),
     TMsgDlgType::mtError,
     2},
    {{zrOnlyFolders},
     QT_TRANSLATE_NOOP(
         "ResultReporting",
         "Could not update the Zip archive date. Archive only contains directories or is empty."),
     TMsgDlgType::mtError,
     2},
    {{zrCannotAccess},
     QT_TRANSLATE_NOOP("ResultReporting", "Could not access the Zip file or one of the files to process."),
     TMsgDlgType::mtError,
     2},
    {{zrSpannedNotMultidisk},
     QT_TRANSLATE_NOOP("ResultReporting",
                       "Attempt to work with a multiple-disk Zip archive, but not in multidisk mode."),
     TMsgDlgType::mtError,
     2},
};

const TResultMessage* FindMessage(int code) {
  for (const TResultMessage& message : kResultMessages)
    for (int listed : message.Codes)
      if (listed != zrOk && listed == code) return &message;
  return nullptr;
}

// The message in the user's language; the verb fills its place, where it has one.
QString Compose(const char* text, const QString& verb) {
  if (!text) return {};
  const QString message = QCoreApplication::translate("ResultReporting", text);
  return message.contains(QLatin1String("%1")) ? message.arg(verb) : message;
}

}  // namespace

int ReportResult(int Code, const QString& Verb, platform::TDialogs& Dialogs) {
  if (Code <= zrOk) return 0;
  ResultReported = true;

  QString text;
  TMsgDlgType kind = TMsgDlgType::mtError;
  int severity = 2;
  if (const TResultMessage* message = FindMessage(Code)) {
    text = Compose(message->Text, Verb);
    kind = message->Kind;
    severity = message->Severity;
  } else if (OpeningArchive) {
    severity = 0;  // a just-opened archive is listed quietly
  } else {
    text = QCoreApplication::translate("ResultReporting", "An error occured while %1 the specified files.")
               .arg(Verb);
  }

  if (!text.isEmpty()) Dialogs.MessageDlg(text, kind, platform::mbOK);
  return severity;
}
