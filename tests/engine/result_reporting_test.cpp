// Every row of the result table: the text shown, its kind, the severity, and the marks.
#include "mainform/result_reporting.h"

#include <gtest/gtest.h>

#include "common/scripted_dialogs.h"
#include "mainform/program_state.h"

namespace {

struct ResultCase {
  int Code;
  const char* Verb;
  const char* Caption;  // empty: no box
  const char* Text;
  int Severity;
};

const ResultCase kCases[] = {
    {10, "adding", "", "", 1},
    {30, "extracting", "", "", 1},
    {140, "testing", "", "", 1},
    {40, "adding", "Information", "Some files were skipped while adding.", 1},
    {100, "reading", "Error", "Could not find the archive file.", 2},
    {110, "fixing", "Error", "The archive file is corrupted. Try using the Fix option on it.", 2},
    {160, "reading", "Error", "The archive file is corrupted. Try using the Fix option on it.", 2},
    {120, "extracting", "Error", "Ran out of memory while extracting.", 2},
    {150, "updating", "Error", "Disk full while updating.", 2},
    {180, "deleting", "Error",
     "Another application is currently performing a similar task. Wait until the other application has "
     "completed its "
     "operation.",
     2},
    {190, "updating zip date", "Information", "The updating zip date operation was aborted.", 2},
    {200, "testing", "Error", "Test failed - Errors in the archive.", 2},
    {210, "testing", "Error", "No files ended up being tested in the archive.", 2},
    {240, "reading", "Error", "The ZIPENG.DLL or the UNZENG.DLL file could not be found.", 2},
    {280, "adding", "Error", "Problem with the temporary file.", 2},
    {350, "deleting", "Error", "Attempt to remove parent directory.", 2},
    {370, "extracting", "Error", "Names repeated in archive after discarding pathnames.", 2},
    {380, "updating zip date", "Error",
     "Could not update the Zip archive date. Archive only contains directories or is empty.", 2},
    {400, "adding", "Error", "Could not access the Zip file or one of the files to process.", 2},
    {410, "reading", "Error", "Attempt to work with a multiple-disk Zip archive, but not in multidisk mode.",
     2},
    {430, "deleting", "Error", "An error occured while deleting the specified files.", 2},
    {1, "fixing", "Error", "An error occured while fixing the specified files.", 2},
    {999, "extracting", "Error", "An error occured while extracting the specified files.", 2},
    {65535, "reading", "Error", "An error occured while reading the specified files.", 2},
};

class ReportResultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResultReported = false;
    OpeningArchive = false;
  }
  void TearDown() override {
    ResultReported = false;
    OpeningArchive = false;
  }
  testing_support::TScriptedDialogs Dialogs;
};

}  // namespace

TEST_F(ReportResultTest, EachCodeShowsItsMessageAndReturnsItsSeverity) {
  for (bool opening : {false, true}) {
    for (const ResultCase& c : kCases) {
      SCOPED_TRACE(testing::Message() << "code " << c.Code << (opening ? " while opening" : ""));
      Dialogs.Clear();
      ResultReported = false;
      OpeningArchive = opening;
      // Codes with a message of their own speak also while an archive is being opened.
      const bool general = QString(c.Text).startsWith("An error occured");
      const bool silent = opening && general;
      EXPECT_EQ(ReportResult(c.Code, c.Verb, Dialogs), silent ? 0 : c.Severity);
      EXPECT_TRUE(ResultReported);
      if (*c.Caption == '\0' || silent) {
        EXPECT_TRUE(Dialogs.Prompts.isEmpty());
        continue;
      }
      ASSERT_EQ(Dialogs.Prompts.size(), 1);
      EXPECT_EQ(Dialogs.Prompts[0].Kind, "message");
      EXPECT_EQ(Dialogs.Prompts[0].Caption, c.Caption);
      EXPECT_EQ(Dialogs.Prompts[0].Text, c.Text);
      EXPECT_EQ(Dialogs.Prompts[0].Buttons, unsigned(platform::mbOK));
    }
  }
}

TEST_F(ReportResultTest, SuccessAndComponentFailureToBuildAreNotReported) {
  for (int code : {0, -1, -430}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(ReportResult(code, "adding", Dialogs), 0);
    EXPECT_FALSE(ResultReported);
  }
  ResultReported = true;  // never cleared by reporting
  EXPECT_EQ(ReportResult(0, "adding", Dialogs), 0);
  EXPECT_TRUE(ResultReported);
  EXPECT_TRUE(Dialogs.Prompts.isEmpty());
}

TEST_F(ReportResultTest, TheAnswerToTheBoxIsNotRead) {
  Dialogs.MessageAnswers = {platform::mrCancel};
  EXPECT_EQ(ReportResult(40, "adding", Dialogs), 1);
  EXPECT_EQ(Dialogs.Messages(), QStringList{"Information: Some files were skipped while adding."});
}
