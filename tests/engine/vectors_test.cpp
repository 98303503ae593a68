// The argument vector of every operation, for each property that changes it.
#include <functional>

#include "fake_fixture.h"

namespace {

const QString kArchive = QStringLiteral("/data/a.zip");
const QString kExt = QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO");

struct VectorCase {
  const char* Name;
  std::function<void(TZipEngine&)> Setup;
  std::function<int(TZipEngine&)> Run;
  const char* Library;
  QStringList Expected;
};

// The settings the main window gives its component at design time.
void MainWindowSettings(TZipEngine& e) {
  e.UsePaths = false;
  e.UseTempFile = false;
}

void IncludeExcludeExample(TZipEngine& e) {
  e.FilesToProcess = {"a.txt", ">*.doc", "<*.bak"};
}

void EverythingOn(TZipEngine& e) {
  e.Password = "pw";
  e.Compression = 9;
  e.MoveFiles = true;
  e.IncludeHiddenFiles = true;
  e.IncludeDirectoryEntries = true;
  e.IncludeVolumeLabel = true;
  e.Recurse = true;
  e.ClearDisks = true;
  e.TempPath = "/tmp/work";
}

const std::vector<VectorCase>& Cases() {
  static const std::vector<VectorCase> cases = {
      {"add, new instance",
       [](TZipEngine&) {},
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-n", kExt, "-t", "010180", kArchive}},
      {"add, main window settings",
       [](TZipEngine& e) {
         MainWindowSettings(e);
         e.FilesToProcess = {"/home/u/x.txt"};
       },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-j", "-g", "-n", kExt, "-t", "010180", kArchive, "/home/u/x.txt"}},
      {"add, every option",
       [](TZipEngine& e) { EverythingOn(e); },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"pw", "-e", "--aes=256", "-9", "-m", "-S", "-D", "-$", "-r", "-b", "/tmp/work", "-n", kExt, "-&",
        "-t", "010180", kArchive}},
      {"a chosen code page for names without the UTF-8 flag",
       [](TZipEngine& e) {
         MainWindowSettings(e);
         e.NameCodePage = 866;
       },
       [](TZipEngine& e) { return e.List(); },
       "unzeng",
       {"", "-O", "CP866", "-v", kArchive}},
      {"traditional encryption for old unzip programs",
       [](TZipEngine& e) {
         MainWindowSettings(e);
         e.Password = "pw";
         e.AesEncryption = false;
         e.FilesToProcess = {"/home/u/x.txt"};
       },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"pw", "-e", "-6", "-j", "-g", "-n", kExt, "-t", "010180", kArchive, "/home/u/x.txt"}},
      {"freshen leaves out hidden, folders and label",
       [](TZipEngine& e) { EverythingOn(e); },
       [](TZipEngine& e) { return e.Add(1); },
       "zipeng",
       {"pw", "-f", "-e", "--aes=256", "-9", "-m", "-r", "-b", "/tmp/work", "-n", kExt, "-&", "-t", "010180",
        kArchive}},
      {"update keeps hidden and folders, not the label",
       [](TZipEngine& e) { EverythingOn(e); },
       [](TZipEngine& e) { return e.Add(2); },
       "zipeng",
       {"pw", "-u", "-e", "--aes=256", "-9", "-m", "-S", "-D", "-r", "-b", "/tmp/work", "-n", kExt, "-&",
        "-t", "010180", kArchive}},
      {"folder entries only with paths",
       [](TZipEngine& e) {
         e.UsePaths = false;
         e.IncludeDirectoryEntries = true;
       },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-j", "-n", kExt, "-t", "010180", kArchive}},
      {"multi-disk add works on the archive itself",
       [](TZipEngine& e) { e.MultidiskMode = true; },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-g", "-n", kExt, "-!", "-t", "010180", kArchive}},
      {"level 0 stores",
       [](TZipEngine& e) {
         e.Compression = 0;
         e.StoredExtensions.clear();
       },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-0", "-t", "010180", kArchive}},
      {"add, includes and excludes",
       [](TZipEngine& e) { IncludeExcludeExample(e); },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-n", kExt, "-t", "010180", kArchive, "a.txt", "-i", "*.doc", "-x", "*.bak"}},
      {"add, patterns without names send nothing",
       [](TZipEngine& e) {
         e.FilesToProcess = {">*.doc", "<*.bak"};
       },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-n", kExt, "-t", "010180", kArchive}},
      {"add, pattern lists keep their order",
       [](TZipEngine& e) { e.FilesToProcess = {"<1", ">a", "x", ">b", "<2", "y"}; },
       [](TZipEngine& e) { return e.Add(0); },
       "zipeng",
       {"", "-6", "-n", kExt, "-t", "010180", kArchive, "x", "y", "-i", "a", "b", "-x", "1", "2"}},

      {"delete",
       [](TZipEngine& e) {
         e.Password = "pw";
         e.FilesToProcess = {"dir/a.txt", "b.txt"};
       },
       [](TZipEngine& e) { return e.Delete(); },
       "zipeng",
       {"pw", "-d", kArchive, "dir/a.txt", "b.txt"}},
      {"delete with a temporary folder and patterns",
       [](TZipEngine& e) {
         e.TempPath = "/tmp/t";
         IncludeExcludeExample(e);
       },
       [](TZipEngine& e) { return e.Delete(); },
       "zipeng",
       {"", "-d", "-b", "/tmp/t", kArchive, "a.txt", "-i", "*.doc", "-x", "*.bak"}},
      {"delete, only patterns",
       [](TZipEngine& e) { e.FilesToProcess = {">*.doc"}; },
       [](TZipEngine& e) { return e.Delete(); },
       "zipeng",
       {"", "-d", kArchive}},
      {"delete, exact names keep their angle brackets",
       [](TZipEngine& e) {
         e.ExactNames = true;
         e.FilesToProcess = {">in.txt", "<draft>.txt"};
       },
       [](TZipEngine& e) { return e.Delete(); },
       "zipeng",
       {"", "-d", kArchive, ">in.txt", "<draft>.txt"}},

      {"fix",
       [](TZipEngine& e) { e.Password = "pw"; },
       [](TZipEngine& e) { return e.Fix(false); },
       "zipeng",
       {"pw", "-F", kArchive}},
      {"fix aggressively",
       [](TZipEngine&) {},
       [](TZipEngine& e) { return e.Fix(true); },
       "zipeng",
       {"", "-FF", kArchive}},
      {"archive date",
       [](TZipEngine& e) { e.Password = "pw"; },
       [](TZipEngine& e) { return e.UpdateArchiveDate(); },
       "zipeng",
       {"pw", "-o", kArchive}},
      {"set comment never sends the password",
       [](TZipEngine& e) { e.Password = "pw"; },
       [](TZipEngine& e) {
         e.SetArchiveComment("c");
         return 0;
       },
       "zipeng",
       {"", "-z", kArchive}},
      {"set comment in place with a temporary folder",
       [](TZipEngine& e) {
         e.UseTempFile = false;
         e.TempPath = "/tmp/t";
       },
       [](TZipEngine& e) {
         e.SetArchiveComment("c");
         return 0;
       },
       "zipeng",
       {"", "-z", "-g", "-b", "/tmp/t", kArchive}},

      {"extract",
       [](TZipEngine& e) { e.Password = "pw"; },
       [](TZipEngine& e) { return e.Extract(0); },
       "unzeng",
       {"pw", kArchive}},
      {"extract, freshen without paths, never overwrite",
       [](TZipEngine& e) {
         e.UsePaths = false;
         e.Overwrite = zowNever;
       },
       [](TZipEngine& e) { return e.Extract(1); },
       "unzeng",
       {"", "-f", "-j", "-n", kArchive}},
      {"extract, update, always overwrite",
       [](TZipEngine& e) { e.Overwrite = zowAlways; },
       [](TZipEngine& e) { return e.Extract(2); },
       "unzeng",
       {"", "-u", "-o", kArchive}},
      {"extract, multi-disk",
       [](TZipEngine& e) { e.MultidiskMode = true; },
       [](TZipEngine& e) { return e.Extract(0); },
       "unzeng",
       {"", "-!", kArchive}},
      {"extract, includes are names, folder last",
       [](TZipEngine& e) {
         IncludeExcludeExample(e);
         e.ExtractDirectory = "/out";
       },
       [](TZipEngine& e) { return e.Extract(0); },
       "unzeng",
       {"", kArchive, "a.txt", ">*.doc", "-x", "*.bak", "-d", "/out"}},

      {"extract, an exact name alone is not an exclude",
       [](TZipEngine& e) {
         e.ExactNames = true;
         e.FilesToProcess = {"<b"};
       },
       [](TZipEngine& e) { return e.Extract(0); },
       "unzeng",
       {"", kArchive, "<b"}},
      {"extract, names that read like markers follow \"--\", the folder before them",
       [](TZipEngine& e) {
         e.ExactNames = true;
         e.FilesToProcess = {"a", "-d"};
         e.ExtractDirectory = "/out";
       },
       [](TZipEngine& e) { return e.Extract(0); },
       "unzeng",
       {"", kArchive, "-d", "/out", "--", "a", "-d"}},
      {"delete, a name \"-x\" is a name",
       [](TZipEngine& e) {
         e.ExactNames = true;
         e.FilesToProcess = {"-x"};
       },
       [](TZipEngine& e) { return e.Delete(); },
       "zipeng",
       {"", "-d", kArchive, "--", "-x"}},
      {"list",
       [](TZipEngine& e) {
         e.Password = "pw";
         e.FilesToProcess = {"a", "<b"};
       },
       [](TZipEngine& e) { return e.List(); },
       "unzeng",
       {"pw", "-v", kArchive, "a", "-x", "b"}},
      {"list, multi-disk",
       [](TZipEngine& e) { e.MultidiskMode = true; },
       [](TZipEngine& e) { return e.List(); },
       "unzeng",
       {"", "-v", "-!", kArchive}},
      {"test",
       [](TZipEngine& e) { e.FilesToProcess = {"a"}; },
       [](TZipEngine& e) { return e.Test(); },
       "unzeng",
       {"", "-t", kArchive, "a"}},
      {"test, multi-disk",
       [](TZipEngine& e) { e.MultidiskMode = true; },
       [](TZipEngine& e) { return e.Test(); },
       "unzeng",
       {"", "-!", "-t", kArchive}},
      {"get comment, also in multi-disk mode",
       [](TZipEngine& e) {
         e.Password = "pw";
         e.MultidiskMode = true;
       },
       [](TZipEngine& e) {
         QString c;
         e.GetArchiveComment(c);
         return 0;
       },
       "unzeng",
       {"", "-z", kArchive}},
      {"non-ASCII names travel as UTF-8",
       [](TZipEngine& e) {
         e.ZipFileName = QString::fromUtf8("/d/\xC3\xA9t\xC3\xA9.zip");
         e.FilesToProcess = {QString::fromUtf8("\xE6\x97\xA5.txt")};
       },
       [](TZipEngine& e) { return e.List(); },
       "unzeng",
       {"", "-v", QString::fromUtf8("/d/\xC3\xA9t\xC3\xA9.zip"), QString::fromUtf8("\xE6\x97\xA5.txt")}},
  };
  return cases;
}

}  // namespace

TEST_F(FakeEngineTest, EachOperationSendsItsVector) {
  for (const VectorCase& c : Cases()) {
    SCOPED_TRACE(c.Name);
    Fakes().Reset();
    TZipEngine engine;
    engine.ZipFileName = kArchive;
    c.Setup(engine);
    EXPECT_EQ(c.Run(engine), 0);
    ASSERT_EQ(Fakes().Calls.size(), 1u);
    const TRecordedCall& call = Fakes().Calls[0];
    EXPECT_EQ(call.Library, c.Library);
    EXPECT_EQ(call.Version, 100);
    EXPECT_FALSE(call.IsQuery);
    EXPECT_EQ(call.ArgCount, call.Args.size());
    EXPECT_EQ(call.Args, c.Expected) << "sent: " << call.Args.join(' ').toStdString();
    EXPECT_EQ(call.UserData, &engine);
  }
}

TEST_F(FakeEngineTest, QueriesSendTheBlockWithItsSelector) {
  Engine.ZipFileName = kArchive;
  Engine.GetEntryCount();
  Engine.MultidiskMode = true;
  Engine.GetEntryCount();
  TZipFileStats stats;
  Engine.GetEntryStats(4, stats);
  ASSERT_EQ(Fakes().Calls.size(), 3u);
  for (const TRecordedCall& call : Fakes().Calls) {
    EXPECT_EQ(call.Library, "unzeng");
    EXPECT_TRUE(call.IsQuery);
    EXPECT_EQ(call.ArgCount, 1);
    EXPECT_EQ(call.QueryName, kArchive);
  }
  EXPECT_EQ(Fakes().Calls[0].Selector, 0);
  EXPECT_EQ(Fakes().Calls[1].Selector, 1234567890);
  EXPECT_EQ(Fakes().Calls[2].Selector, 5);
}
