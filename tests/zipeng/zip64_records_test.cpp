// Records past the 32-bit limits: an entry of more than 4 GiB and an entry whose header lies
// beyond 4 GiB, laid out by the record builders in a sparse file, are read by the common tools.
#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include "core/writer_records.h"
#include "zip_test_support.h"

namespace ztest {
namespace {

using zipeng::WriterEntry;

class Zip64Records : public ZipTest {};

TEST_F(Zip64Records, SizesAndOffsetsBeyondFourGigabytes) {
  const uint64_t bigSize = (5ull << 30) + 123;
  std::string zeros(1 << 20, '\0');
  uint32_t crc = 0;
  for (uint64_t done = 0; done < bigSize;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(zeros.size(), bigSize - done));
    crc = libdeflate_crc32(crc, zeros.data(), n);
    done += n;
  }
  int fd = open(scratch("z64.zip").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  auto put = [&](uint64_t at, const std::string& bytes) {
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)),
              static_cast<ssize_t>(bytes.size()));
  };
  WriterEntry big;
  big.name = "zeros.bin";
  big.method = zipeng::kMethodStored;
  big.dosDateTime = (44u << 25) | (1u << 21) | (1u << 16);
  big.crc = crc;
  big.size = big.compressedSize = bigSize;
  big.externalAttributes = 0100644u << 16;
  std::string h1 = zipeng::buildLocalHeader(big, true);
  put(0, h1);  // its data is the file's hole: zeros
  WriterEntry small = big;
  small.name = "after.txt";
  small.size = small.compressedSize = 6;
  small.crc = libdeflate_crc32(0, "after\n", 6);
  small.localOffset = h1.size() + bigSize;
  std::string h2 = zipeng::buildLocalHeader(small, false);
  put(small.localOffset, h2 + "after\n");
  uint64_t cdOffset = small.localOffset + h2.size() + 6;
  std::string cd = zipeng::buildCentralRecord(big) + zipeng::buildCentralRecord(small);
  put(cdOffset, cd);
  put(cdOffset + cd.size(), zipeng::buildEndRecords(2, cdOffset, cd.size(), cdOffset + cd.size(), ""));
  close(fd);

  std::string out;
  ASSERT_EQ(sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + scratch("z64.zip") +
                   "');print([(i.filename,i.file_size,i.header_offset) for i in "
                   "z.infolist()]);print(z.read('after.txt'))\"",
               &out),
            0)
      << out;
  EXPECT_NE(out.find("('zeros.bin', " + std::to_string(bigSize) + ", 0)"), std::string::npos) << out;
  EXPECT_NE(out.find("b'after\\n'"), std::string::npos) << out;
  EXPECT_EQ(sh("unzip -t '" + scratch("z64.zip") + "' after.txt", &out), 0) << out;
  EXPECT_EQ(sh("7zz l '" + scratch("z64.zip") + "'", &out), 0) << out;
}

TEST_F(Zip64Records, OnlyWellFormedUtf8NamesAreFlagged) {
  EXPECT_FALSE(zipeng::needsUtf8Flag("plain/ascii.txt"));
  EXPECT_TRUE(zipeng::needsUtf8Flag("na\xC3\xAFve.txt"));
  EXPECT_TRUE(zipeng::needsUtf8Flag("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(zipeng::needsUtf8Flag("latin1 \xEF.txt"));  // a lone Latin-1 byte
  EXPECT_FALSE(zipeng::needsUtf8Flag("cut \xC3"));         // a sequence cut short
  EXPECT_FALSE(zipeng::needsUtf8Flag("\xC0\xAF overlong"));
  // Such a file is still stored, under its bytes, and read back by the tools.
  writeFile(scratch("latin1 \xE9t\xE9.txt"), "bytes");
  ASSERT_EQ(zip({scratch("l.zip"), "latin1 \xE9t\xE9.txt"}), 0);
  expectAllToolsAccept(scratch("l.zip"));
}

}  // namespace
}  // namespace ztest
