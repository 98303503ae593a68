// Archive Information and Add Comment: one dialog over the open archive, in two modes.
#include <memory>

#include "mainform/busy_period.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/result_reporting.h"
#include "windows/info.h"

void TMainFormFm::ArchiveInformation1Click(QObject* /*Sender*/) {
  if (BusyCount != 0 || !ArchiveOpen()) return;
  // Reading the facts is an engine call like any other: no second command may start inside it.
  // The busy period (and its hourglass) ends before the user reads them.
  std::unique_ptr<TFrmArchiveInfo> info;
  {
    TBusyPeriod busy(*this);
    TReadingPhase reading(*this);
    info = std::make_unique<TFrmArchiveInfo>(*MainXz, OnTop, this);
  }
  info->Tag = 0;
  info->exec();
}

void TMainFormFm::AddComment1Click(QObject* /*Sender*/) {
  if (BusyCount != 0 || !ArchiveOpen()) return;
  bool failed = false;
  {
    std::unique_ptr<TFrmArchiveInfo> info;
    {
      TBusyPeriod busy(*this);
      TReadingPhase reading(*this);
      info = std::make_unique<TFrmArchiveInfo>(*MainXz, OnTop, this);
    }
    info->Tag = 1;
    info->exec();
    failed = info->CommentWriteFailed();
  }
  // The comment dialog only knows that the comment did not stick: told as the engine tells an
  // archive it could not write.
  if (failed) ReportResult(zrCannotAccess, tr("writing the comment to"), FServices.Dialogs);
}
