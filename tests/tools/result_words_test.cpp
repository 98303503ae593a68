// The exit status a script tests and the words a user reads, both from the library's result.
#include "result_words.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "zipengine_abi.h"

TEST(resultWords, ExitStatusIsTheResultDividedByTen) {
  const struct {
    int32_t result;
    int status;
  } cases[] = {
      {0, 0},
      {10, 1},
      {40, 4},
      {100, 10},
      {110, 11},
      {150, 15},
      {180, 18},
      {190, 19},
      {200, 20},
      {210, 21},
      {240, 24},
      {400, 40},
      {410, 41},
      {2550, 255},
      // Nothing may read as success or as a refused command line, nor wrap past 255.
      {5, cli::kOtherResultStatus},
      {20, cli::kOtherResultStatus},
      {2560, cli::kOtherResultStatus},
      {65535, cli::kOtherResultStatus},
      {-1, cli::kOtherResultStatus},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::exitStatus(c.result), c.status) << c.result;
}

TEST(resultWords, EveryResultTheLibrariesGiveHasWordsOfItsOwn) {
  using namespace zipabi;
  const int32_t results[] = {zrNothingToDo,
                             zrSomeSkipped,
                             zrArchiveNotFound,
                             zrArchiveTooCorrupted,
                             zrOutOfMemory,
                             zrDiskFull,
                             zrEntryStructureCorrupted,
                             zrArchiveBusy,
                             zrAborted,
                             zrTestErrors,
                             zrNothingTested,
                             zrLibraryMissing,
                             zrTempFileProblem,
                             zrRemoveParentDirectory,
                             zrRepeatedNames,
                             zrOnlyFolders,
                             zrCannotAccess,
                             zrSpannedNotMultidisk};
  const std::string unknown = cli::resultWords(12345);
  std::set<std::string> seen;
  for (int32_t result : results) {
    const std::string words = cli::resultWords(result);
    EXPECT_NE(words, unknown) << result;
    EXPECT_TRUE(seen.insert(words).second) << result << " shares its words: " << words;
  }
  EXPECT_EQ(std::string(cli::resultWords(zrArchiveNotFound)), "the archive was not found");
}
