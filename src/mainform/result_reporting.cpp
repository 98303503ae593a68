#include "mainform/result_reporting.h"

#include "engine/zip_records.h"
#include "mainform/program_state.h"

namespace {

using platform::TMsgDlgType;

struct TResultMessage {
  int Codes[3];        // unused places hold zrOk, which is never looked up
  const char* Before;  // text before the verb, or the whole text
  const char* After;   // text after the verb; null when the text has no verb
  TMsgDlgType Kind;
  int Severity;
};

const TResultMessage kResultMessages[] = {
    {{zrNothingToDo, zrReservedWarning30, zrReservedWarning140},
     nullptr,
     nullptr,
     TMsgDlgType::mtInformation,
     1},
    {{zrSomeSkipped}, "Some files were skipped while ", ".", TMsgDlgType::mtInformation, 1},
    {{zrArchiveNotFound}, "Could not find the archive file.", nullptr, TMsgDlgType::mtError, 2},
    {{zrArchiveTooCorrupted, zrEntryStructureCorrupted},
     "The archive file is corrupted. Try using the Fix option on it.",
     nullptr,
     TMsgDlgType::mtError,
     2},
    {{zrOutOfMemory}, "Ran out of memory while ", ".", TMsgDlgType::mtError, 2},
    {{zrDiskFull}, "Disk full while ", ".", TMsgDlgType::mtError, 2},
    {{zrArchiveBusy},
     "Another application is currently performing a similar task. Wait until the other application has "
     "completed its operation.",
     nullptr,
     TMsgDlgType::mtError,
     2},
    {{zrAborted}, "The ", " operation was aborted.", TMsgDlgType::mtInformation, 2},
    {{zrTestErrors}, "Test failed - Errors in the archive.", nullptr, TMsgDlgType::mtError, 2},
    {{zrNothingTested}, "No files ended up being tested in the archive.", nullptr, TMsgDlgType::mtError, 2},
    {{zrLibraryMissing},
     "The ZIPENG.DLL or the UNZENG.DLL file could not be found.",
     nullptr,
     TMsgDlgType::mtError,
     2},
    {{zrTempFileProblem}, "Problem with the temporary file.", nullptr, TMsgDlgType::mtError, 2},
    {{zrRemoveParentDirectory}, "Attempt to remove parent directory.", nullptr, TMsgDlgType::mtError, 2},
    {{zrRepeatedNames},
     "Names repeated in archive after discarding pathnames.",
     nullptr,
     TMsgDlgType::mtError,
     2},
    {{zrOnlyFolders},
     "Could not update the Zip archive date. Archive only contains directories or is empty.",
     nullptr,
     TMsgDlgType::mtError,
     2},
    {{zrCannotAccess},
     "Could not access the Zip file or one of the files to process.",
     nullptr,
     TMsgDlgType::mtError,
     2},
    {{zrSpannedNotMultidisk},
     "Attempt to work with a multiple-disk Zip archive, but not in multidisk mode.",
     nullptr,
     TMsgDlgType::mtError,
     2},
};

const TResultMessage* FindMessage(int code) {
  for (const TResultMessage& message : kResultMessages)
    for (int listed : message.Codes)
      if (listed != zrOk && listed == code) return &message;
  return nullptr;
}

QString Compose(const char* before, const QString& verb, const char* after) {
  if (!before) return {};
  if (!after) return QString::fromUtf8(before);
  return QString::fromUtf8(before) + verb + QString::fromUtf8(after);
}

}  // namespace

int ReportResult(int Code, const QString& Verb, platform::TDialogs& Dialogs) {
  if (Code <= zrOk) return 0;
  ResultReported = true;

  QString text;
  TMsgDlgType kind = TMsgDlgType::mtError;
  int severity = 2;
  if (const TResultMessage* message = FindMessage(Code)) {
    text = Compose(message->Before, Verb, message->After);
    kind = message->Kind;
    severity = message->Severity;
  } else if (OpeningArchive) {
    severity = 0;  // a just-opened archive is listed quietly
  } else {
    text = QStringLiteral("An error occured while ") + Verb + QStringLiteral(" the specified files.");
  }

  if (!text.isEmpty()) Dialogs.MessageDlg(text, kind, platform::mbOK);
  return severity;
}
