// Archives written with AES ("-e --aes=128" or "--aes=256") are read by 7zz and bsdtar with the
// password, refused by both with another one, and any changed byte of the data is caught.
#include <fstream>
#include <map>
#include <sstream>

#include "core/compressor_deflate.h"
#include "zip_test_support.h"

namespace ztest {
namespace {

class AesCreate : public ZipTest {
 protected:
  // The tree of makeMixedTree plus a file large enough for the streaming path, and the folder
  // 7zz and bsdtar each extract it to, compared with the source.
  void expectPeersExtract(const std::string& archive, const std::string& password) {
    const auto want = files(scratch("src"));
    EXPECT_EQ(sh("7zz t -p'" + password + "' '" + archive + "' >/dev/null"), 0);
    ASSERT_EQ(sh("mkdir -p '" + scratch("by7") + "' && cd '" + scratch("by7") + "' && 7zz x -y -p'" +
                 password + "' '" + archive + "' >/dev/null"),
              0);
    EXPECT_EQ(files(scratch("by7/src")), want);
    if (haveTool("bsdtar")) {
      ASSERT_EQ(sh("mkdir -p '" + scratch("bytar") + "' && bsdtar -xf '" + archive + "' -C '" +
                   scratch("bytar") + "' --passphrase '" + password + "'"),
                0);
      EXPECT_EQ(files(scratch("bytar/src")), want);
    }
    sh("rm -rf '" + scratch("by7") + "' '" + scratch("bytar") + "'");
  }
  // The files of a tree (folders are stored only with -D).
  static std::map<std::string, std::string> files(const std::string& root) {
    auto tree = snapshotTree(root);
    std::erase_if(tree, [](const auto& item) { return item.second == "D"; });
    return tree;
  }
  // The method 7zz reports for each entry ("AES-256 Deflate", "ZipCrypto Store", ...).
  std::map<std::string, std::string> methods(const std::string& archive) {
    std::string out;
    sh("7zz l -slt '" + archive + "'", &out);
    std::map<std::string, std::string> found;
    std::istringstream lines(out);
    std::string line, path;
    while (std::getline(lines, line)) {
      if (line.rfind("Path = ", 0) == 0) path = line.substr(7);
      if (line.rfind("Method = ", 0) == 0) found[path] = line.substr(9);
    }
    return found;
  }
};

TEST_F(AesCreate, BothStrengthsRoundTripThroughThePeers) {
  makeMixedTree("src");
  writeFile(scratch("src/large.txt"), textBytes(300000, 3));  // streamed below
  writeFile(scratch("src/twin1"), "same bytes\n");
  writeFile(scratch("src/twin2"), "same bytes\n");
  const zipeng::LargeFileSizes sizes{100000, 32768};
  zipeng::setLargeFileSizes(&sizes);
  for (const std::string strength : {"128", "256"}) {
    SCOPED_TRACE(strength);
    const std::string archive = scratch("aes" + strength + ".zip");
    ASSERT_EQ(zip({"-e", "--aes=" + strength, "-r", "-6", archive, "src"}, nullptr, "pass word"), 0);
    for (const auto& [path, method] : methods(archive)) {
      if (path.back() == '/' || path == "src") continue;
      EXPECT_EQ(method.rfind("AES-" + strength, 0), 0u) << path << method;
    }
    expectPeersExtract(archive, "pass word");
    // Nothing of the files shows in the archive.
    std::ifstream in(archive, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes.find("same bytes"), std::string::npos);
  }
  zipeng::setLargeFileSizes(nullptr);
}

TEST_F(AesCreate, WrongPasswordAndChangedBytesAreRefused) {
  writeFile(scratch("src/doc.txt"), textBytes(50000, 9));
  const std::string archive = scratch("a.zip");
  ASSERT_EQ(zip({"-e", "--aes=256", "-r", archive, "src"}, nullptr, "right"), 0);
  EXPECT_NE(sh("7zz t -pwrong '" + archive + "' >/dev/null 2>&1"), 0);
  if (haveTool("bsdtar")) {
    EXPECT_NE(sh("bsdtar -xOf '" + archive + "' --passphrase wrong >/dev/null 2>&1"), 0);
  }
  // One bit of the encrypted data changed: the MAC no longer matches.
  std::string bytes = readFile(archive);
  bytes[bytes.find("src/doc.txt") + 200] ^= 1;  // well inside the encrypted data
  writeFile(scratch("b.zip"), bytes);
  EXPECT_NE(sh("7zz t -pright '" + scratch("b.zip") + "' >/dev/null 2>&1"), 0);
  EXPECT_EQ(readThrough("-t -P right '" + archive + "'"), 0);
  EXPECT_NE(readThrough("-t -P right '" + scratch("b.zip") + "'"), 0);
  EXPECT_NE(readThrough("-t -P wrong '" + archive + "'"), 0);
}

TEST_F(AesCreate, AddingKeepsTheOtherEntriesEncryptionAsItIs) {
  writeFile(scratch("old.txt"), "old\n");
  writeFile(scratch("plain.txt"), "plain\n");
  writeFile(scratch("new.txt"), "new\n");
  const std::string archive = scratch("m.zip");
  ASSERT_EQ(zip({"-e", archive, "old.txt"}, nullptr, "pw"), 0);
  ASSERT_EQ(zip({archive, "plain.txt"}), 0);
  ASSERT_EQ(zip({"-e", "--aes=128", archive, "new.txt"}, nullptr, "pw"), 0);
  auto found = methods(archive);
  EXPECT_EQ(found["old.txt"].rfind("ZipCrypto", 0), 0u) << found["old.txt"];
  EXPECT_EQ(found["plain.txt"].find("AES"), std::string::npos) << found["plain.txt"];
  EXPECT_EQ(found["plain.txt"].find("ZipCrypto"), std::string::npos) << found["plain.txt"];
  EXPECT_EQ(found["new.txt"].rfind("AES-128", 0), 0u) << found["new.txt"];
  EXPECT_EQ(sh("7zz t -ppw '" + archive + "' >/dev/null"), 0);
}

}  // namespace
}  // namespace ztest
