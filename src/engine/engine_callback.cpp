// The libraries' callback: a message first lets the window handle its waiting events (so a
// repaint happens and the Abort button can be clicked), then becomes an event or an answer.
// Events are handled at the first message of a call and then every few tens of milliseconds:
// handling them at each of 100,000 listed entries would cost more than the listing.
#include <QCoreApplication>

#include "engine/comment_buffer.h"
#include "engine/engine_text.h"
#include "engine/file_stats.h"
#include "engine/zip_engine.h"

namespace {

// Often enough that the window stays smooth and Abort answers at once.
constexpr qint64 kEventIntervalMs = 25;

template <typename Record>
Record* As(void* data) {
  return static_cast<Record*>(data);
}

}  // namespace

std::int32_t TZipEngine::EngineCallback(std::int32_t Message, void* Data, void* UserData) {
  auto* engine = static_cast<TZipEngine*>(UserData);
  if (!engine) return 1;
  // Once a handler has failed, nothing more runs: the library is only asked to stop.
  if (!engine->FHandlerError) {
    try {
      if (QCoreApplication::instance() &&
          (!engine->FEventClock.isValid() || engine->FEventClock.elapsed() >= kEventIntervalMs)) {
        QCoreApplication::processEvents();
        engine->FEventClock.start();
      }
      engine->HandleMessage(Message, Data);
    } catch (...) {
      // Never let an exception unwind through library frames; hand it to the caller later.
      engine->FHandlerError = std::current_exception();
      engine->Abort = true;
    }
  }
  return (engine->Abort || engine->FHandlerError) ? 1 : 0;
}

void TZipEngine::HandleMessage(std::int32_t Message, void* Data) {
  using namespace zipabi;
  if (!Data) return;  // every message of the table carries a record or a value

  const auto raiseStats = [&](const TZipFileStatsEvent& event) {
    if (event) event(*this, FromLibrary(*As<TZipLibFileStats>(Data)));
  };

  switch (Message) {
    case zcmReplace: {
      if (!OnReplace) break;
      auto* lib = As<TZipLibReplace>(Data);
      TZipReplace replace = FromLibrary(*lib);
      OnReplace(*this, replace);
      ToLibrary(replace, *lib);
      break;
    }
    case zcmTesting:
      raiseStats(OnTesting);
      break;
    case zcmExtracting:
      raiseStats(OnExtracting);
      break;
    case zcmEntryCount:
      EntryCount = *As<std::int32_t>(Data);
      break;
    case zcmNameCodePage:
      NameCodePageRead = *As<std::int32_t>(Data);
      break;
    case zcmListing:
      raiseStats(OnListing);
      break;
    case zcmEntryStats:
      EntryStats = FromLibrary(*As<TZipLibFileStats>(Data));
      break;
    case zcmPassword: {
      auto* lib = As<TZipLibPwdQuery>(Data);
      // The library has already tried the stored password (element 0) when it asks: with a
      // handler the user is asked, otherwise the stored one is all there is to offer.
      if (!OnPwdQuery) {
        if (Password.isEmpty()) break;
        ToLibrary(TZipPwdQuery{QString(), Password, TZipPwdQuery::kSupplied}, *lib);
      } else {
        TZipPwdQuery query = FromLibrary(*lib);
        OnPwdQuery(*this, query);
        ToLibrary(query, *lib);
      }
      break;
    }
    case zcmNewDisk:
      if (OnNewdisk) OnNewdisk(*this, *As<std::int32_t>(Data));
      break;
    case zcmFileComment: {
      if (!OnFileComment) break;
      auto* lib = As<TZipLibFileComment>(Data);
      TZipFileComment comment = FromLibrary(*lib);
      OnFileComment(*this, comment);
      ToLibrary(comment, *lib);
      break;
    }
    case zcmArchiveComment: {
      auto* lib = As<TZipLibCommentText>(Data);
      const qsizetype length = lib->Text ? lib->Length : 0;
      CommentBuffer = CutUtf8(QByteArray(lib->Text, length), kCommentCapacity);
      break;
    }
    case zcmNewArchiveComment: {
      auto* lib = As<TZipLibCommentText>(Data);
      lib->Length =
          static_cast<std::uint16_t>(CopyToLibrary(CommentBuffer, lib->Text, kCommentCapacity, false));
      lib->Flag = 1;
      break;
    }
    case zcmUpdating:
      raiseStats(OnUpdating);
      break;
    case zcmAdding:
      raiseStats(OnAdding);
      break;
    case zcmDeleting:
      if (OnDeleting) OnDeleting(*this, TextFromLibrary(static_cast<const char*>(Data)));
      break;
    case zcmStatus:
      raiseStats(OnStatus);
      break;
    case zcmSkipping:
      if (OnSkippingFile) OnSkippingFile(*this, FromLibrary(*As<TZipLibSkipping>(Data)));
      break;
    case zcmFixing:
      if (OnFixing) OnFixing(*this, TextFromLibrary(static_cast<const char*>(Data)));
      break;
    default:
      break;  // unknown messages get only the abort flag as their answer
  }
}
