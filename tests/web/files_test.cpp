#include "web/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "web/gbk.h"

namespace plexaro {
namespace {

// A fresh directory under the system's temporary directory, removed afterwards.
class MakeDirectoriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("plexaro-files-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  Text Root() const { return TextPath(root_) + "/"; }

  std::filesystem::path root_;
};

TEST_F(MakeDirectoriesTest, CreatesDirectoryLevelsButNotTheFileName) {
  Text path = Root() + gbk("刷新列表") + "/sub/file.txt";
  EXPECT_TRUE(MakeDirectories(path));
  EXPECT_TRUE(DirectoryExists(Root() + gbk("刷新列表") + "/sub"));
  EXPECT_FALSE(std::filesystem::exists(FsPath(path)));
  // Again, now that everything exists; and a directory path ending in "/".
  EXPECT_TRUE(MakeDirectories(path));
  EXPECT_TRUE(MakeDirectories(Root() + "ab/"));
  EXPECT_TRUE(DirectoryExists(Root() + "ab"));
}

TEST_F(MakeDirectoriesTest, RelativeAndEmptyPathsAndPathsWithoutSeparator) {
  EXPECT_TRUE(MakeDirectories(""));
  EXPECT_TRUE(MakeDirectories("just-a-file-name"));
  EXPECT_FALSE(std::filesystem::exists("just-a-file-name"));
}

TEST_F(MakeDirectoriesTest, FailsWhenAPartIsAFileOrCannotBeMade) {
  ASSERT_TRUE(WriteWholeFile(Root() + "plain", "x"));
  EXPECT_FALSE(MakeDirectories(Root() + "plain/sub/file"));
  EXPECT_FALSE(MakeDirectories(Root() + "plain/"));
  EXPECT_FALSE(MakeDirectories("/proc/plexaro-cannot-exist/x"));
}

}  // namespace
}  // namespace plexaro
