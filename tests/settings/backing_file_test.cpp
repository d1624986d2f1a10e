#include "settings/backing_file.h"

#include <gtest/gtest.h>

#include "store_test_support.h"

namespace plexaro {
namespace {

using testing::ReadRaw;
using testing::TempDir;
using testing::WriteRaw;

// Both kinds of file must give the same bytes for the same changes.
TEST(BackingFile, TailRewritesInsertAndDeleteAtAnOffset) {
  TempDir dir;
  Text path = dir.Path("f.ini");
  WriteRaw(path, "0123456789");
  std::unique_ptr<BackingFile> files[] = {OpenDiskFile(path), OpenMemoryFile("0123456789")};
  for (auto& file : files) {
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->RewriteTail(3, "XY3456789"));  // insert "XY" before offset 3
    EXPECT_TRUE(file->RewriteTail(1, "Y3456789"));   // delete "12X"
    EXPECT_TRUE(file->Overwrite(0, "ab"));
    EXPECT_FALSE(file->Overwrite(8, "toolong"));
    EXPECT_FALSE(file->RewriteTail(99, "x"));
    ByteSet all;
    EXPECT_TRUE(file->ReadAll(all));
    EXPECT_EQ(all, "ab3456789");
    EXPECT_EQ(file->Size(), 9u);
  }
  EXPECT_EQ(ReadRaw(path), "ab3456789");
  EXPECT_TRUE(files[0]->IsFile(path));
  EXPECT_FALSE(files[1]->IsFile(path));
}

TEST(BackingFile, DiskFileIsCreatedNeverTruncatedAndLockedAgainstWriters) {
  TempDir dir;
  Text path = dir.Path("新建.ini");
  {
    auto created = OpenDiskFile(path);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Size(), 0u);
    EXPECT_TRUE(created->RewriteTail(0, "kept"));
    EXPECT_FALSE(OpenDiskFile(path));  // the lock holds within this process too
    ByteSet readers;                   // reading stays possible
    EXPECT_TRUE(ReadWholeFile(path, readers));
    ByteSet still;
    EXPECT_TRUE(created->ReadAll(still));  // reading elsewhere did not drop the lock
    EXPECT_FALSE(OpenDiskFile(path));
  }
  auto reopened = OpenDiskFile(path);
  ASSERT_TRUE(reopened);
  EXPECT_EQ(reopened->Size(), 4u);
  EXPECT_EQ(ReadRaw(path), "kept");
  EXPECT_FALSE(OpenDiskFile(dir.Path("")));  // a directory
  EXPECT_FALSE(OpenDiskFile(dir.Path("missing/x.ini")));
}

}  // namespace
}  // namespace plexaro
