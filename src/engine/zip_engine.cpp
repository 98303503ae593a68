// Construction, destruction and the operations of the engine component.
#include "engine/zip_engine.h"

#include <QCoreApplication>
#include <QDate>
#include <climits>
#include <new>

#include "engine/argument_vector.h"
#include "engine/comment_buffer.h"
#include "engine/engine_text.h"

namespace {

TDateTime FirstOf1980() {
  return static_cast<TDateTime>(QDate(1899, 12, 30).daysTo(QDate(1980, 1, 1)));
}

}  // namespace

TZipEngine::TZipEngine(QObject* Owner) : QObject(Owner) {
  CommentBuffer.clear();
  AfterDate = FirstOf1980();
}

TZipEngine::~TZipEngine() {
  UnloadLibraries();
}

void TZipEngine::RethrowHandlerError() {
  if (!FHandlerError) return;
  std::exception_ptr error = FHandlerError;
  FHandlerError = nullptr;
  std::rethrow_exception(error);
}

int TZipEngine::RunVector(TEngineLibrary Library, bool Refused, bool EmptyFilesAfter,
                          const std::function<void(TArgumentVector&)>& Build) {
  // Runs also when an exception passes, so one operation's names never leak into the next.
  struct TFinally {
    TZipEngine& Engine;
    bool EmptyFiles;
    ~TFinally() {
      Engine.Abort = false;
      if (EmptyFiles) Engine.FilesToProcess.clear();
    }
  } finally{*this, EmptyFilesAfter};

  if (Refused) return zipabi::zrRefusedMultidisk;
  TArgumentVector args;
  try {
    Build(args);
  } catch (const std::bad_alloc&) {
    return zipabi::zrVectorFailed;
  }
  FHandlerError = nullptr;
  Abort = false;
  const int result = CallLibrary(Library, args.Count(), args.Addresses());
  RethrowHandlerError();
  return result;
}

int TZipEngine::RunQuery(std::int32_t Selector) {
  const QByteArray name = ZipFileName.toUtf8();
  zipabi::TZipQueryBlock block{nullptr, name.constData(), Selector};
  block.SelectorAddress = &block.Selector;
  FHandlerError = nullptr;
  Abort = false;
  const int result = CallUnzipEngine(1, &block);
  RethrowHandlerError();
  return result;
}

int TZipEngine::GetEntryCount() {
  const int result = RunQuery(MultidiskMode ? zipabi::kSelectorMultidiskCount : zipabi::kSelectorCount);
  return result == zipabi::zrOk ? EntryCount : 0;
}

void TZipEngine::GetEntryStats(int Index, TZipFileStats& Stats) {
  Stats = TZipFileStats();
  // Selector Index + 1 must stay a valid entry number and never become the multi-disk count.
  if (Index < 0 || Index >= zipabi::kSelectorMultidiskCount - 1) return;
  if (RunQuery(Index + 1) == zipabi::zrOk) Stats = EntryStats;
}

void TZipEngine::GetArchiveComment(QString& Comment) {
  const int result = RunVector(TEngineLibrary::Unzip, false, true,
                               [this](TArgumentVector& args) { BuildGetArchiveCommentVector(args); });
  Comment = result == zipabi::zrOk ? QString::fromUtf8(CommentBuffer)
                                   : QCoreApplication::translate("TZipEngine", "Error #%1").arg(result);
}

void TZipEngine::SetArchiveComment(const QString& Comment) {
  if (MultidiskMode) return;
  CommentBuffer = CutUtf8(Comment.toUtf8(), zipabi::kCommentCapacity);
  RunVector(TEngineLibrary::Zip, false, false,
            [this](TArgumentVector& args) { BuildSetArchiveCommentVector(args); });
}

int TZipEngine::Add(int Mode) {
  return RunVector(TEngineLibrary::Zip, Mode != 0 && MultidiskMode, true,
                   [this, Mode](TArgumentVector& args) { BuildAddVector(args, Mode); });
}

int TZipEngine::Delete() {
  return RunVector(TEngineLibrary::Zip, MultidiskMode, true,
                   [this](TArgumentVector& args) { BuildDeleteVector(args); });
}

int TZipEngine::Extract(int Mode) {
  return RunVector(TEngineLibrary::Unzip, Mode != 0 && MultidiskMode, true,
                   [this, Mode](TArgumentVector& args) { BuildExtractVector(args, Mode); });
}

int TZipEngine::Fix(bool Aggressive) {
  return RunVector(TEngineLibrary::Zip, MultidiskMode, true,
                   [this, Aggressive](TArgumentVector& args) { BuildFixVector(args, Aggressive); });
}

int TZipEngine::List() {
  NameCodePageRead = 0;
  return RunVector(TEngineLibrary::Unzip, false, true,
                   [this](TArgumentVector& args) { BuildListVector(args); });
}

int TZipEngine::Test() {
  return RunVector(TEngineLibrary::Unzip, false, true,
                   [this](TArgumentVector& args) { BuildTestVector(args); });
}

int TZipEngine::UpdateArchiveDate() {
  return RunVector(TEngineLibrary::Zip, MultidiskMode, true,
                   [this](TArgumentVector& args) { BuildUpdateArchiveDateVector(args); });
}
