// Archive Information and Add Comment: one dialog over the open archive, in two modes.
#include <QApplication>

#include <memory>

#include "mainform/mainform.h"
#include "mainform/result_reporting.h"
#include "windows/info.h"

namespace {

// The engine answers 400 when the archive could not be written; the comment dialog only knows
// that the comment did not stick.
constexpr int kArchiveNotAccessible = 400;

}  // namespace

void TMainFormFm::ArchiveInformation1Click(QObject* /*Sender*/) {
  if (!ArchiveOpen()) return;
  // The hourglass covers reading the facts, not the time the user spends reading them.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto info = std::make_unique<TFrmArchiveInfo>(*MainXz, OnTop, this);
  QApplication::restoreOverrideCursor();
  info->Tag = 0;
  info->exec();
}

void TMainFormFm::AddComment1Click(QObject* /*Sender*/) {
  if (!ArchiveOpen()) return;
  bool failed = false;
  {
    TFrmArchiveInfo info(*MainXz, OnTop, this);
    info.Tag = 1;
    info.exec();
    failed = info.CommentWriteFailed();
  }
  if (failed) ReportResult(kArchiveNotAccessible, QStringLiteral("writing the comment to"), FServices.Dialogs);
}
