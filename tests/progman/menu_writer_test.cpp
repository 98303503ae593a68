// The files of a group land in the menu folders, never through a link planted in their place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/progman/conversation.h"
#include "progman_test_support.h"

namespace {

TEST(MenuWriter, ReplacesPlantedLinksInsteadOfWritingThroughThem) {
  progman_test::ScratchHome home;
  const std::string victim = home.root + "/victim", document = home.MakeFile("doc.txt");
  std::ofstream(victim) << "precious";
  const auto folders = progman::UserMenuFolders();
  ASSERT_TRUE(folders);
  const auto group = progman::DescribeGroup("Games");
  for (const auto& path :
       {folders->desktopDirectories + "/" + progman::DirectoryFileName(group),
        folders->mergedMenus + "/" + progman::MergedMenuFileName(group),
        folders->applications + "/" + progman::LauncherFileName(group, {document, "Doc"})}) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
  }
  progman::Conversation conversation(*folders);
  EXPECT_TRUE(conversation.Execute("[CreateGroup(Games)]"));
  EXPECT_TRUE(conversation.Execute("[AddItem(" + document + ",Doc)]"));
  EXPECT_EQ(progman_test::ReadText(victim), "precious");
  const auto written = home.WrittenFiles();
  EXPECT_EQ(written.size(), 3u);
  for (const auto& path : written) EXPECT_FALSE(std::filesystem::is_symlink(path)) << path;
}

}  // namespace
