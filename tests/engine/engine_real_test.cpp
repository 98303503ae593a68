// The component over the real engine libraries, which are built beside this test in bin/.
// Archives are made by Python's zipfile, an independent peer.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>

#include "engine/zip_engine.h"
#include "platform/module.h"

namespace {

bool LibraryBuilt(const char* file) {
  return std::filesystem::exists(platform::ProgramFolder() + "/" + file);
}

#if defined(PARCELIX_HAVE_UNZENG32)
#define REQUIRE_UNZIP_LIBRARY() \
  if (!LibraryBuilt("libunzeng32.so")) GTEST_SKIP() << "libunzeng32.so is not beside the test"
#else
#define REQUIRE_UNZIP_LIBRARY() GTEST_SKIP() << "the decompression library is not part of this build yet"
#endif
#if defined(PARCELIX_HAVE_ZIPENG32)
#define REQUIRE_ZIP_LIBRARY() \
  if (!LibraryBuilt("libzipeng32.so")) GTEST_SKIP() << "libzipeng32.so is not beside the test"
#else
#define REQUIRE_ZIP_LIBRARY() GTEST_SKIP() << "the compression library is not part of this build yet"
#endif

// Runs a Python script with the archive's path as its one argument.
bool RunPython(const QString& script, const QString& archive) {
  QTemporaryDir dir;
  const QString file = dir.filePath("make.py");
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write(script.toUtf8());
  out.close();
  const QString quoted = "'" + QString(archive).replace("'", "'\\''") + "'";
  return std::system(("python3 " + file + " " + quoted).toStdString().c_str()) == 0;
}

// hello.txt deflated, dir/data.bin stored, both dated 17 May 2020 10:20:30, and a comment.
bool MakeSampleArchive(const QString& path) {
  return RunPython(QStringLiteral(R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.comment = b'Archive note'
    i = zipfile.ZipInfo('hello.txt', (2020, 5, 17, 10, 20, 30))
    i.compress_type = zipfile.ZIP_DEFLATED
    z.writestr(i, b'hello world ' * 100)
    j = zipfile.ZipInfo('dir/data.bin', (2020, 5, 17, 10, 20, 30))
    j.compress_type = zipfile.ZIP_STORED
    z.writestr(j, bytes(range(256)) * 4)
)"),
                   path);
}

class RealEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Temp.isValid());
    Archive = Temp.filePath("sample.zip");
  }
  void MakeSample() {
    if (std::system("python3 -c 'import zipfile' >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "python3 is not installed";
    ASSERT_TRUE(MakeSampleArchive(Archive));
    Engine.ZipFileName = Archive;
  }
  QTemporaryDir Temp;
  QString Archive;
  TZipEngine Engine;
};

}  // namespace

TEST_F(RealEngineTest, ListsCountsInspectsAndReadsTheComment) {
  REQUIRE_UNZIP_LIBRARY();
  MakeSample();
  if (HasFatalFailure() || IsSkipped()) return;

  EXPECT_EQ(Engine.GetEntryCount(), 2);

  std::vector<TZipFileStats> listed;
  Engine.OnListing = [&](TZipEngine&, const TZipFileStats& stats) { listed.push_back(stats); };
  EXPECT_EQ(Engine.List(), 0);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].FileName, "hello.txt");
  EXPECT_EQ(listed[0].Size, 1200);
  EXPECT_LT(listed[0].CompressedSize, 1200);
  EXPECT_GT(listed[0].Ratio, 0);
  const double may17 = QDate(1899, 12, 30).daysTo(QDate(2020, 5, 17)) + (10 * 3600 + 20 * 60 + 30) / 86400.0;
  EXPECT_NEAR(listed[0].DateTime, may17, 1.0 / 86400);
  EXPECT_EQ(listed[1].FileName, "dir/data.bin");

  TZipFileStats stats;
  Engine.GetEntryStats(1, stats);
  EXPECT_EQ(stats.FileName, "dir/data.bin");
  EXPECT_EQ(stats.Size, 1024);
  EXPECT_EQ(stats.CompressedSize, 1024);
  Engine.GetEntryStats(5, stats);
  EXPECT_TRUE(stats.FileName.isEmpty());

  QString comment;
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "Archive note");
}

TEST_F(RealEngineTest, MissingArchiveIsCode100) {
  REQUIRE_UNZIP_LIBRARY();
  Engine.ZipFileName = Temp.filePath("absent.zip");
  EXPECT_EQ(Engine.List(), 100);
  EXPECT_EQ(Engine.GetEntryCount(), 0);
  QString comment;
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "Error #100");
}

TEST_F(RealEngineTest, ExtractsAndTestsTheEntries) {
  REQUIRE_UNZIP_LIBRARY();
  MakeSample();
  if (HasFatalFailure() || IsSkipped()) return;
  int tested = 0;
  Engine.OnTesting = [&](TZipEngine&, const TZipFileStats&) { ++tested; };
  EXPECT_EQ(Engine.Test(), 0);
  EXPECT_EQ(tested, 2);

  Engine.ExtractDirectory = Temp.filePath("out");
  Engine.FilesToProcess = {"dir/data.bin"};
  EXPECT_EQ(Engine.Extract(0), 0);
  EXPECT_EQ(QFileInfo(Temp.filePath("out/dir/data.bin")).size(), 1024);
  EXPECT_FALSE(QFile::exists(Temp.filePath("out/hello.txt")));
}

TEST_F(RealEngineTest, WritesTheCommentAndAddsAFile) {
  REQUIRE_UNZIP_LIBRARY();
  REQUIRE_ZIP_LIBRARY();
  MakeSample();
  if (HasFatalFailure() || IsSkipped()) return;

  Engine.SetArchiveComment("New note");
  QString comment;
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "New note");

  QFile extra(Temp.filePath("extra.txt"));
  ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
  extra.write("extra contents\n");
  extra.close();
  Engine.UsePaths = false;
  Engine.FilesToProcess = {extra.fileName()};
  std::vector<QString> added;
  Engine.OnAdding = [&](TZipEngine&, const TZipFileStats& stats) { added.push_back(stats.FileName); };
  EXPECT_EQ(Engine.Add(0), 0);
  EXPECT_EQ(added.size(), 1u);
  EXPECT_EQ(Engine.GetEntryCount(), 3);
  // The peer reads what the library wrote.
  EXPECT_TRUE(RunPython(QStringLiteral("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                                       "assert z.testzip() is None\nassert z.comment == b'New note'\n"
                                       "assert 'extra.txt' in z.namelist()\n"),
                        Archive));
}
