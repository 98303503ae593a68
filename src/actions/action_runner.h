// The one engine component, progress window and dialogs a file-manager action works with, and
// the engine's questions (password, replace) asked as the main window asks them.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include "actions/action_progress.h"
#include "actions/file_manager_actions.h"
#include "engine/zip_engine.h"
#include "platform/dialogs.h"

class TActionRunner {
  Q_DECLARE_TR_FUNCTIONS(TActionRunner)

 public:
  explicit TActionRunner(platform::TDialogs& Dialogs);

  // Extracts Archive into Folder by the folder rules; Task is the progress window's first line.
  TActionStatus ExtractArchive(const QString& Archive, const QString& Folder, const QString& Task);
  // Makes one archive of Files, beside the first.
  TActionStatus CompressFiles(const QStringList& Files);

  platform::TDialogs& Dialogs() { return FDialogs; }
  TActionProgress& Progress() { return FProgress; }

 private:
  // The engine's result as an exit status, after the user has been told what went wrong: an
  // abort the user asked for is not reported back to them.
  TActionStatus Conclude(int Code, const QString& Verb);
  // A problem of the file system around the engine's work, as an error message.
  void ReportProblem(const QString& Text);
  // The bytes the entries of Archive hold, from a listing; Code is the listing's result.
  std::int64_t ListedSize(const QString& Archive, int& Code);

  // The busy protocol while the engine works: BusyCount and the hourglass.
  class TBusy {
   public:
    TBusy();
    ~TBusy();
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;
  };

  platform::TDialogs& FDialogs;
  TZipEngine FEngine;
  TActionProgress FProgress;
  QString FPasswordAskedFor;
};
