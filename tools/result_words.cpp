#include "result_words.h"

#include "zipengine_abi.h"

namespace cli {

namespace {

struct ResultText {
  int32_t code;
  const char* words;
};

// The one table of the tools' words; the manual pages list the same results.
constexpr ResultText kResultWords[] = {
    {zipabi::zrOk, "done"},
    {zipabi::zrNothingToDo, "there was nothing to do"},
    {zipabi::zrSomeSkipped, "some files were skipped"},
    {zipabi::zrArchiveNotFound, "the archive was not found"},
    {zipabi::zrArchiveTooCorrupted, "the archive is too damaged to read"},
    {zipabi::zrOutOfMemory, "out of memory"},
    {zipabi::zrDiskFull, "the disk is full"},
    {zipabi::zrEntryStructureCorrupted, "an entry is damaged"},
    {zipabi::zrArchiveBusy, "another program is changing the archive"},
    {zipabi::zrAborted, "the operation was aborted"},
    {zipabi::zrTestErrors, "some entries failed the test"},
    {zipabi::zrNothingTested, "no entry could be tested"},
    {zipabi::zrLibraryMissing, "the engine library could not be loaded"},
    {zipabi::zrTempFileProblem, "the temporary file could not be written"},
    {zipabi::zrRemoveParentDirectory, "a parent folder would be removed"},
    {zipabi::zrRepeatedNames, "two files would be stored under one name"},
    {zipabi::zrOnlyFolders, "the archive holds only folders"},
    {zipabi::zrCannotAccess,
     "the archive or a file to process cannot be accessed, or the command was refused"},
    {zipabi::zrSpannedNotMultidisk, "the archive is part of a spanned set"},
};

}  // namespace

const char* resultWords(int32_t code) {
  for (const ResultText& text : kResultWords)
    if (text.code == code) return text.words;
  return "unexpected result";
}

int exitStatus(int32_t code) {
  if (code == zipabi::zrOk) return 0;
  if (code <= 0 || code % 10 != 0 || code / 10 > 255 || code / 10 == kUsageStatus) return kOtherResultStatus;
  return code / 10;
}

}  // namespace cli
