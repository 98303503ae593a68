// The engine component of a file-manager action, its events shown in the progress window, the
// questions it asks, and its result told in the program's own words.
#include "actions/action_runner.h"

#include <QGuiApplication>

#include "mainform/program_state.h"
#include "mainform/result_reporting.h"
#include "platform/text_limits.h"
#include "settings/settings_file.h"

TActionRunner::TActionRunner(platform::TDialogs& Dialogs) : FDialogs(Dialogs) {
  FProgress.Attach(&FEngine);
  FEngine.OnExtracting = [this](TZipEngine&, const TZipFileStats& Stats) {
    FProgress.Entry(Stats.FileName, Stats.Size);
  };
  FEngine.OnAdding = [this](TZipEngine&, const TZipFileStats& Stats) {
    FProgress.Entry(Stats.FileName, Stats.Size);
  };
  FEngine.OnStatus = [this](TZipEngine&, const TZipFileStats& Stats) {
    FProgress.EntryPercent(Stats.PercentDone);
  };

  // As the main window asks: a file that the archive holds twice.
  FEngine.OnReplace = [this](TZipEngine& Engine, TZipReplace& Replace) {
    const int answer = FDialogs.MessageDlg(
        tr("The file \"%1\" already exists. Do you want to replace this file?").arg(Replace.FileName),
        platform::TMsgDlgType::mtConfirmation, platform::mbYes | platform::mbNo | platform::mbAbort);
    if (answer == platform::mrYes || answer == platform::mrNo)
      Replace.Replace = answer == platform::mrYes;
    else
      Engine.Abort = true;
  };

  // The engine asks again for the same entry only when the answer did not fit it; a password
  // that fitted is tried on the later entries before anyone is asked.
  FEngine.OnPwdQuery = [this](TZipEngine& Engine, TZipPwdQuery& Query) {
    const bool again = Query.FileName == FPasswordAskedFor;
    FPasswordAskedFor = Query.FileName;
    const QString prompt =
        again ? tr("The password for \"%1\" is not correct. Enter it again:").arg(Query.FileName)
              : tr("Enter the password for \"%1\":").arg(Query.FileName);
    QString password;
    const int answer = FDialogs.PasswordQuery(tr("Password"), prompt, password, kPasswordLimit);
    if (answer == platform::mrOk && !password.isEmpty()) {
      Query.Password = platform::CutToBytes(password, kPasswordLimit);
      Query.Response = TZipPwdQuery::kSupplied;
    } else {
      // Cancelled: this entry (and the engine's later questions) are passed by and reported as
      // skipped. Abort stops the operation.
      Query.Password.clear();
      Query.Response = 0;
      if (answer == platform::mrAbort) Engine.Abort = true;
    }
  };
}

TActionRunner::TBusy::TBusy() {
  ++BusyCount;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TActionRunner::TBusy::~TBusy() {
  QGuiApplication::restoreOverrideCursor();
  --BusyCount;
}

TActionStatus TActionRunner::Conclude(int Code, const QString& Verb) {
  // Stopped by the user (Abort, or Abort in a question): they know; nothing more is said.
  if (Code == zrAborted) return asStopped;
  switch (ReportResult(Code, Verb, FDialogs)) {
    case 0:
      return asDone;
    case 1:
      return asWarnings;
    default:
      return asFailed;
  }
}

void TActionRunner::ReportProblem(const QString& Text) {
  FDialogs.MessageDlg(Text, platform::TMsgDlgType::mtError, platform::mbOK);
}
