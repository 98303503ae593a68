// Entries whose sizes sit on the reader's internal boundaries (the one-call buffer, the streaming
// chunk) read back whole: a stream whose input is all taken while output is still owed is not
// cut short.
#include <gtest/gtest.h>

#include "test_support.h"

using namespace testkit;

TEST(DecodeBoundaries, DeflateEntriesAroundEveryBufferSizeTestAndExtract) {
  TempDir dir;
  Library lib;
  ASSERT_TRUE(lib.loaded());
  const std::vector<size_t> sizes = {(1u << 16) + 1,  (1u << 20) + 1,    (16u << 20) - 1,
                                     (16u << 20) + 1, (17u << 20) + 100, (33u << 20) + 7};
  std::string script =
      "import zipfile\nz = zipfile.ZipFile('" + (dir / "a.zip") + "', 'w', zipfile.ZIP_DEFLATED)\n";
  for (size_t n : sizes)
    script += "z.writestr('z" + std::to_string(n) + "', bytes(" + std::to_string(n) + "))\n";
  script += "z.close()\n";
  writeFile(dir / "make.py", script);
  ASSERT_EQ(sh("python3 '" + (dir / "make.py") + "'"), 0);
  EXPECT_EQ(lib.run({"", "-t", dir / "a.zip"}), 0);
  EXPECT_TRUE(lib.of(zipabi::zcmSkipping).empty());
  EXPECT_EQ(lib.run({"", "-o", dir / "a.zip", "-d", dir / "out"}), 0);
  for (size_t n : sizes) EXPECT_EQ(readFile(dir / ("out/z" + std::to_string(n))), std::string(n, '\0')) << n;
}
