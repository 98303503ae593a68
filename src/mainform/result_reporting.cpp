#include "mainform/result_reporting.h"

#include "mainform/program_state.h"

namespace {

using platform::TMsgDlgType;

struct TResultMessage {
  int Codes[3];        // unused places hold 0, which is never looked up
  const char* Before;  // text before the verb, or the whole text
  const char* After;   // text after the verb; null when the text has no verb
  TMsgDlgType Kind;
  int Severity;
};

const TResultMessage kResultMessages[] = {
    {{10, 30, 140}, nullptr, nullptr, TMsgDlgType::mtInformation, 1},
    {{40}, "Some files were skipped while ", ".", TMsgDlgType::mtInformation, 1},
    {{100}, "Could not find the archive file.", nullptr, TMsgDlgType::mtError, 2},
    {{110, 160}, "The archive file is corrupted. Try using the Fix option on it.", nullptr, TMsgDlgType::mtError, 2},
    {{120}, "Ran out of memory while ", ".", TMsgDlgType::mtError, 2},
    {{150}, "Disk full while ", ".", TMsgDlgType::mtError, 2},
    {{180},
     "Another application is currently performing a similar task. Wait until the other application has "
     "completed its operation.",
     nullptr, TMsgDlgType::mtError, 2},
    {{190}, "The ", " operation was aborted.", TMsgDlgType::mtInformation, 2},
    {{200}, "Test failed - Errors in the archive.", nullptr, TMsgDlgType::mtError, 2},
    {{210}, "No files ended up being tested in the archive.", nullptr, TMsgDlgType::mtError, 2},
    {{240}, "The ZIPENG.DLL or the UNZENG.DLL file could not be found.", nullptr, TMsgDlgType::mtError, 2},
    {{280}, "Problem with the temporary file.", nullptr, TMsgDlgType::mtError, 2},
    {{350}, "Attempt to remove parent directory.", nullptr, TMsgDlgType::mtError, 2},
    {{370}, "Names repeated in archive after discarding pathnames.", nullptr, TMsgDlgType::mtError, 2},
    {{380}, "Could not update the Zip archive date. Archive only contains directories or is empty.", nullptr,
     TMsgDlgType::mtError, 2},
    {{400}, "Could not access the Zip file or one of the files to process.", nullptr, TMsgDlgType::mtError, 2},
    {{410}, "Attempt to work with a multiple-disk Zip archive, but not in multidisk mode.", nullptr,
     TMsgDlgType::mtError, 2},
};

const TResultMessage* FindMessage(int code) {
  for (const TResultMessage& message : kResultMessages)
    for (int listed : message.Codes)
      if (listed != 0 && listed == code) return &message;
  return nullptr;
}

QString Compose(const char* before, const QString& verb, const char* after) {
  if (!before) return {};
  if (!after) return QString::fromUtf8(before);
  return QString::fromUtf8(before) + verb + QString::fromUtf8(after);
}

}  // namespace

int ReportResult(int Code, const QString& Verb, platform::TDialogs& Dialogs) {
  if (Code <= 0) return 0;
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
