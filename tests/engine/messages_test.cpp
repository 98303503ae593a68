// Every callback message of the libraries becoming the right event or answer.
#include <QTimer>
#include <cstring>
#include <stdexcept>

#include "engine/comment_buffer.h"
#include "engine_test_access.h"
#include "fake_fixture.h"

using namespace zipabi;

namespace {

// Which of the component's stats events a message raises.
struct StatsEventCase {
  int32_t Message;
  TZipFileStatsEvent TZipEngine::*Event;
  const char* Name;
};

const StatsEventCase kStatsEvents[] = {
    {zcmTesting, &TZipEngine::OnTesting, "OnTesting"},
    {zcmExtracting, &TZipEngine::OnExtracting, "OnExtracting"},
    {zcmListing, &TZipEngine::OnListing, "OnListing"},
    {zcmUpdating, &TZipEngine::OnUpdating, "OnUpdating"},
    {zcmAdding, &TZipEngine::OnAdding, "OnAdding"},
    {zcmStatus, &TZipEngine::OnStatus, "OnStatus"},
};

// 2026-03-15 13:45:58 in the MS-DOS packed form.
constexpr uint32_t kDosStamp =
    ((2026u - 1980u) << 25) | (3u << 21) | (15u << 16) | (13u << 11) | (45u << 5) | 29u;
// The same moment as days since 30 December 1899.
const double kStampDays = 46096.0 + (13 * 3600 + 45 * 60 + 58) / 86400.0;

}  // namespace

TEST_F(FakeEngineTest, FileStatsMessagesRaiseOnlyTheirOwnEvent) {
  for (const StatsEventCase& c : kStatsEvents) {
    SCOPED_TRACE(c.Name);
    TZipEngine engine;
    std::vector<std::pair<std::string, TZipFileStats>> raised;
    for (const StatsEventCase& other : kStatsEvents) {
      const std::string name = other.Name;
      engine.*(other.Event) = [&raised, &engine, name](TZipEngine& sender, const TZipFileStats& stats) {
        EXPECT_EQ(&sender, &engine);
        raised.emplace_back(name, stats);
      };
    }
    TLibStatsHolder entry("dir/big.bin", int64_t{5} << 30, "note");
    entry.Stats.CompressedSize = int64_t{3} << 30;
    entry.Stats.PercentDone = 42;
    Play([&](TFakeCall& call) { call.Send(c.Message, entry.Get()); });
    engine.ZipFileName = "x.zip";
    engine.List();
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].first, c.Name);
    EXPECT_EQ(raised[0].second.FileName, "dir/big.bin");
    EXPECT_EQ(raised[0].second.Size, int64_t{5} << 30);  // over 2 GiB, true figure
    EXPECT_EQ(raised[0].second.CompressedSize, int64_t{3} << 30);
    EXPECT_EQ(raised[0].second.PercentDone, 42);
    EXPECT_EQ(raised[0].second.Comment, "note");
  }
}

TEST_F(FakeEngineTest, ConvertFileStatsTakesEveryField) {
  TZipFileStats got;
  Engine.OnListing = [&](TZipEngine&, const TZipFileStats& stats) { got = stats; };
  // The comment is not terminated: only CommentLength characters belong to it.
  TLibStatsHolder entry("a/b.txt", 1234, "comment and more");
  entry.Stats.CommentLength = 7;
  entry.Stats.CompressedSize = 567;
  entry.Stats.LibraryValue1 = 0xDEADBEEF;
  entry.Stats.Attributes = 0xFF;  // the two high bits are not attributes
  entry.Stats.DosDateTime = kDosStamp;
  entry.Stats.LibraryValue2 = 8;
  entry.Stats.Ratio = 55;
  entry.Stats.PercentDone = 100;
  entry.Stats.LibraryByte = 9;
  entry.Stats.LibraryFlag = 3;
  Play([&](TFakeCall& call) { call.Send(zcmListing, entry.Get()); });
  Engine.List();
  EXPECT_EQ(got.FileName, "a/b.txt");
  EXPECT_EQ(got.Size, 1234);
  EXPECT_EQ(got.CompressedSize, 567);
  EXPECT_EQ(got.LibraryValue1, 0xDEADBEEFu);
  EXPECT_EQ(got.Attributes.Bits, 0x3F);
  EXPECT_TRUE(got.Attributes.Contains(zatReadOnly));
  EXPECT_TRUE(got.Attributes.Contains(zatArchive));
  EXPECT_NEAR(got.DateTime, kStampDays, 1e-9);
  EXPECT_EQ(got.LibraryValue2, 8u);
  EXPECT_EQ(got.Ratio, 55);
  EXPECT_EQ(got.PercentDone, 100);
  EXPECT_EQ(got.LibraryByte, 9);
  EXPECT_TRUE(got.LibraryFlag);
  EXPECT_EQ(got.Comment, "comment");
}

TEST_F(FakeEngineTest, ImpossibleDosDatesAndMissingTextsGiveEmptyValues) {
  std::vector<TZipFileStats> got;
  Engine.OnListing = [&](TZipEngine&, const TZipFileStats& stats) { got.push_back(stats); };
  zipabi::TZipLibFileStats bare{};  // null name, null comment with a length, date 0
  bare.CommentLength = 20;
  zipabi::TZipLibFileStats badTime{};
  badTime.DosDateTime = (kDosStamp & 0xFFFF0000u) | (25u << 11);  // hour 25
  Play([&](TFakeCall& call) {
    call.Send(zcmListing, &bare);
    call.Send(zcmListing, &badTime);
  });
  Engine.List();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].FileName.isEmpty());
  EXPECT_TRUE(got[0].Comment.isEmpty());
  EXPECT_EQ(got[0].DateTime, 0);
  EXPECT_EQ(got[1].DateTime, 0);
}

TEST_F(FakeEngineTest, MessagesWithoutHandlerLeaveTheRecordAsItCame) {
  char newName[16] = "untouched";
  TZipLibReplace replace{"f.txt", newName, 7, {}};
  char password[kPasswordCapacity] = "keep";
  TZipLibPwdQuery query{"e.txt", password, 9, {}};
  char commentBuffer[kCommentCapacity] = "keep";
  TZipLibFileComment fileComment{"c.txt", commentBuffer, 33, {}};
  TLibStatsHolder stats("s");
  int32_t disk = 3;
  TZipLibSkipping skipping{"k", 2, {}};
  Play([&](TFakeCall& call) {
    call.Send(zcmReplace, &replace);
    call.Send(zcmPassword, &query);
    call.Send(zcmFileComment, &fileComment);
    for (int32_t m : {zcmTesting, zcmExtracting, zcmListing, zcmUpdating, zcmAdding, zcmStatus})
      call.Send(m, stats.Get());
    call.Send(zcmNewDisk, &disk);
    call.Send(zcmSkipping, &skipping);
    call.Send(zcmDeleting, const_cast<char*>("d"));
    call.Send(zcmFixing, const_cast<char*>("f"));
  });
  EXPECT_EQ(Engine.Extract(0), 0);
  EXPECT_STREQ(newName, "untouched");
  EXPECT_EQ(replace.Answer, 7);
  EXPECT_STREQ(password, "keep");
  EXPECT_EQ(query.Response, 9);
  EXPECT_EQ(fileComment.Length, 33);
  EXPECT_EQ(Fakes().Answers[0], std::vector<int32_t>(13, 0));
}

TEST_F(FakeEngineTest, ReplaceQuestionIsAnsweredByTheHandler) {
  char newName[kReplaceNameCapacity];
  std::memset(newName, 'x', sizeof newName);
  TZipLibReplace lib{"/out/existing.txt", newName, 1, {}};
  TZipReplace seen;
  Engine.OnReplace = [&](TZipEngine&, TZipReplace& replace) {
    seen = replace;
    replace.Replace = false;  // keep the existing file
  };
  Play([&](TFakeCall& call) { call.Send(zcmReplace, &lib); });
  Engine.Extract(0);
  EXPECT_EQ(seen.FileName, "/out/existing.txt");
  EXPECT_TRUE(seen.NewName.isEmpty());
  EXPECT_TRUE(seen.Replace);  // the library's answer byte on entry
  EXPECT_EQ(lib.Answer, 0);
  EXPECT_EQ(newName[0], '\0');  // the empty new name, terminated
}

// Without a handler the stored password is all there is to offer. With one, the user is asked
// even when a password is stored: the library asks only once the stored one (element 0) failed.
TEST_F(FakeEngineTest, StoredPasswordAnswersOnlyWithoutAHandlerAndIsCutAt80) {
  Engine.Password = QString(100, QLatin1Char('p'));
  char buffer[kPasswordCapacity + 10];
  std::memset(buffer, 'x', sizeof buffer);
  TZipLibPwdQuery lib{"secret.txt", buffer, 0, {}};
  Play([&](TFakeCall& call) { call.Send(zcmPassword, &lib); });
  Engine.Extract(0);
  EXPECT_EQ(std::strlen(buffer), 80u);
  EXPECT_EQ(buffer[81], 'x');  // nothing written past the terminator
  EXPECT_EQ(lib.Response, kPasswordSupplied);

  bool asked = false;
  Engine.OnPwdQuery = [&](TZipEngine&, TZipPwdQuery& query) {
    asked = true;
    query.Password = QStringLiteral("typed");
    query.Response = 2;
  };
  lib.Response = 0;
  Play([&](TFakeCall& call) { call.Send(zcmPassword, &lib); });
  Engine.Extract(0);
  EXPECT_TRUE(asked);
  EXPECT_EQ(std::string(buffer), "typed");
  EXPECT_EQ(Engine.Password, QString(100, QLatin1Char('p')));
}

TEST_F(FakeEngineTest, PasswordQuestionGoesToTheHandlerWhenNoneIsStored) {
  TZipPwdQuery seen;
  Engine.OnPwdQuery = [&](TZipEngine&, TZipPwdQuery& query) {
    seen = query;
    // 79 ASCII bytes and a two-byte character that would straddle the 80-byte limit.
    query.Password = QString(79, QLatin1Char('q')) + QString::fromUtf8("\xC3\xA9");
    query.Response = 2;
  };
  char buffer[kPasswordCapacity];
  TZipLibPwdQuery lib{"secret.txt", buffer, 5, {}};
  Play([&](TFakeCall& call) { call.Send(zcmPassword, &lib); });
  Engine.Extract(0);
  EXPECT_EQ(seen.FileName, "secret.txt");
  EXPECT_TRUE(seen.Password.isEmpty());
  EXPECT_EQ(seen.Response, 5);
  EXPECT_EQ(std::string(buffer), std::string(79, 'q'));  // never half a character
  EXPECT_EQ(lib.Response, 2);
}

TEST_F(FakeEngineTest, CountStatsDiskSkipDeleteAndFixMessages) {
  int32_t disk = -1;
  std::vector<QString> deleted, fixed;
  TZipSkipping skipped;
  Engine.OnNewdisk = [&](TZipEngine&, int32_t number) { disk = number; };
  Engine.OnDeleting = [&](TZipEngine&, const QString& name) { deleted.push_back(name); };
  Engine.OnFixing = [&](TZipEngine&, const QString& name) { fixed.push_back(name); };
  Engine.OnSkippingFile = [&](TZipEngine&, const TZipSkipping& s) { skipped = s; };
  bool listed = false;
  Engine.OnListing = [&](TZipEngine&, const TZipFileStats&) { listed = true; };
  int32_t count = 17, diskNumber = 2;
  TLibStatsHolder stats("entry.txt", 99);
  TZipLibSkipping lib{"gone.txt", zsrBadPassword, {}};
  Play([&](TFakeCall& call) {
    call.Send(zcmEntryCount, &count);
    call.Send(zcmEntryStats, stats.Get());
    call.Send(zcmNewDisk, &diskNumber);
    call.Send(zcmSkipping, &lib);
    call.Send(zcmDeleting, const_cast<char*>("old/a.txt"));
    call.Send(zcmFixing, const_cast<char*>("b.txt"));
  });
  Engine.Delete();
  EXPECT_EQ(TZipEngineTestAccess::EntryCount(Engine), 17);
  EXPECT_EQ(TZipEngineTestAccess::EntryStats(Engine).FileName, "entry.txt");
  EXPECT_EQ(TZipEngineTestAccess::EntryStats(Engine).Size, 99);
  EXPECT_FALSE(listed);  // message 90 raises no event
  EXPECT_EQ(disk, 2);
  EXPECT_EQ(skipped.FileName, "gone.txt");
  EXPECT_EQ(skipped.Reason, zsrBadPassword);
  EXPECT_EQ(deleted, std::vector<QString>{"old/a.txt"});
  EXPECT_EQ(fixed, std::vector<QString>{"b.txt"});
}

TEST_F(FakeEngineTest, FileCommentIsWrittenWithItsLengthAndNoTerminator) {
  Engine.OnFileComment = [](TZipEngine&, TZipFileComment& comment) {
    EXPECT_EQ(comment.FileName, "new.txt");
    EXPECT_TRUE(comment.Comment.isEmpty());
    comment.Comment = QString(300, QLatin1Char('c'));
  };
  char buffer[kCommentCapacity + 1];
  buffer[kCommentCapacity] = '!';
  TZipLibFileComment lib{"new.txt", buffer, 0, {}};
  Play([&](TFakeCall& call) { call.Send(zcmFileComment, &lib); });
  Engine.Add(0);
  EXPECT_EQ(lib.Length, 255);
  EXPECT_EQ(std::string(buffer, 255), std::string(255, 'c'));
  EXPECT_EQ(buffer[kCommentCapacity], '!');
}

TEST_F(FakeEngineTest, ArchiveCommentIsReadAndCutAt255) {
  std::string text(300, 'a');
  TZipLibCommentText lib{text.data(), static_cast<uint16_t>(text.size()), 0, 0};
  Play([&](TFakeCall& call) { call.Send(zcmArchiveComment, &lib); });
  QString comment;
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, QString(255, QLatin1Char('a')));
  EXPECT_EQ(CommentBuffer.size(), 255);
}

TEST_F(FakeEngineTest, ArchiveCommentWithoutMessageKeepsThePreviousText) {
  std::string text = "first";
  TZipLibCommentText lib{text.data(), 5, 0, 0};
  Play([&](TFakeCall& call) { call.Send(zcmArchiveComment, &lib); });
  QString comment;
  Engine.GetArchiveComment(comment);
  Fakes().Script = nullptr;  // the library answers 0 without a message 130
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "first");
  TZipEngine another;  // constructing a component empties the shared buffer
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "");
}

TEST_F(FakeEngineTest, ArchiveCommentFailureIsErrorAndTheCode) {
  Play([](TFakeCall&) {}, PackResult(zrArchiveNotFound));
  QString comment = "stale";
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "Error #100");
}

TEST_F(FakeEngineTest, NewArchiveCommentIsHandedToTheLibrary) {
  char buffer[kCommentCapacity + 1];
  buffer[kCommentCapacity] = '!';
  TZipLibCommentText lib{buffer, 0, 0, 0};
  Play([&](TFakeCall& call) { call.Send(zcmNewArchiveComment, &lib); }, PackResult(zrCannotAccess));
  const QString comment =
      QString(254, QLatin1Char('z')) + QString::fromUtf8("\xE2\x82\xAC");  // euro sign straddles 255
  Engine.SetArchiveComment(comment);                                       // the failure code is dropped
  EXPECT_EQ(lib.Length, 254);
  EXPECT_EQ(std::string(buffer, 254), std::string(254, 'z'));
  EXPECT_EQ(lib.Flag, 1);
  EXPECT_EQ(buffer[kCommentCapacity], '!');
  EXPECT_EQ(CommentBuffer, QByteArray(254, 'z'));
}

TEST_F(FakeEngineTest, UnknownMessagesAreAnsweredWithTheAbortFlagOnly) {
  int32_t value = 77;
  bool raised = false;
  Engine.OnStatus = [&](TZipEngine&, const TZipFileStats&) { raised = true; };
  Play(
      [&](TFakeCall& call) {
        call.Send(4242, &value);
        call.Send(0, nullptr);
        Engine.Abort = true;
        call.Send(4242, &value);
      },
      PackResult(zrAborted));
  EXPECT_EQ(Engine.Test(), zrAborted);
  EXPECT_EQ(Fakes().Answers[0], (std::vector<int32_t>{0, 0, 1}));
  EXPECT_EQ(value, 77);
  EXPECT_FALSE(raised);
}
