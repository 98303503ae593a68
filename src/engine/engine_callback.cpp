// The libraries' callback: a message first lets the window handle its waiting events (so a
// repaint happens and the Abort button can be clicked), then becomes an event or an answer.
// Events are handled at the first message of a call and then every few tens of milliseconds:
// handling them at each of 100,000 listed entries would cost more than the listing.
#include <QCoreApplication>

#include "engine/comment_buffer.h"
#include "engine/engine_text.h"
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
    if (!event) return;
    TZipFileStats stats;
    ConvertFileStats(*As<TZipLibFileStats>(Data), stats);
    event(*this, stats);
  };

  switch (Message) {
    case zcmReplace: {
      if (!OnReplace) break;
      auto* lib = As<TZipLibReplace>(Data);
      TZipReplace replace{TextFromLibrary(lib->FileName), QString(), lib->Answer != 0};
      OnReplace(*this, replace);
      CopyToLibrary(replace.NewName.toUtf8(), lib->NewNameBuffer, kReplaceNameCapacity - 1, true);
      lib->Answer = replace.Replace ? 1 : 0;
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
    case zcmListing:
      raiseStats(OnListing);
      break;
    case zcmEntryStats:
      ConvertFileStats(*As<TZipLibFileStats>(Data), EntryStats);
      break;
    case zcmPassword: {
      auto* lib = As<TZipLibPwdQuery>(Data);
      // The library has already tried the stored password (element 0) when it asks: with a
      // handler the user is asked, otherwise the stored one is all there is to offer.
      if (!OnPwdQuery) {
        if (Password.isEmpty()) break;
        CopyToLibrary(Password.toUtf8(), lib->PasswordBuffer, kPasswordCapacity - 1, true);
        lib->Response = kPasswordSupplied;
      } else {
        TZipPwdQuery query{TextFromLibrary(lib->FileName), QString(), lib->Response};
        OnPwdQuery(*this, query);
        CopyToLibrary(query.Password.toUtf8(), lib->PasswordBuffer, kPasswordCapacity - 1, true);
        lib->Response = query.Response;
      }
      break;
    }
    case zcmNewDisk:
      if (OnNewdisk) OnNewdisk(*this, *As<std::int32_t>(Data));
      break;
    case zcmFileComment: {
      if (!OnFileComment) break;
      auto* lib = As<TZipLibFileComment>(Data);
      TZipFileComment comment{TextFromLibrary(lib->FileName), QString()};
      OnFileComment(*this, comment);
      lib->Length = static_cast<std::uint8_t>(
          CopyToLibrary(comment.Comment.toUtf8(), lib->CommentBuffer, kCommentCapacity, false));
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
      lib->Length = static_cast<std::uint16_t>(CopyToLibrary(CommentBuffer, lib->Text, kCommentCapacity, false));
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
      if (OnSkippingFile) {
        auto* lib = As<TZipLibSkipping>(Data);
        OnSkippingFile(*this, TZipSkipping{TextFromLibrary(lib->FileName), lib->Reason});
      }
      break;
    case zcmFixing:
      if (OnFixing) OnFixing(*this, TextFromLibrary(static_cast<const char*>(Data)));
      break;
    default:
      break;  // unknown messages get only the abort flag as their answer
  }
}
