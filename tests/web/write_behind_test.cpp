#include "web/write_behind.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/temp_dir.h"
#include "web/files.h"

namespace plexaro {
namespace {

ByteSet Content(const Text& path) {
  ByteSet content;
  ReadWholeFile(path, content);
  return content;
}

TEST(WriteBehindFiles, TheNewestContentWinsAndIsVisibleBeforeItLands) {
  TempDir dir;
  const Text path = dir.path() + "sub/dir/list.ibn";  // directories made on the way
  WriteBehindFiles writes;
  for (int i = 0; i < 200; ++i) {
    writes.Write(path, "version " + std::to_string(i));
    // A reader always sees the newest content asked for, on disk or still pending.
    std::optional<ByteSet> pending = writes.Pending(path);
    EXPECT_EQ(pending.value_or(Content(path)), "version " + std::to_string(i));
  }
  writes.Flush();
  EXPECT_FALSE(writes.Pending(path));
  EXPECT_EQ(Content(path), "version 199");
  EXPECT_EQ(writes.FailedWrites(), 0u);
}

TEST(WriteBehindFiles, DestructionWritesEverythingQueued) {
  TempDir dir;
  {
    WriteBehindFiles writes;
    for (int i = 0; i < 50; ++i) writes.Write(dir.path() + std::to_string(i), std::string(i, 'x'));
  }
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(Content(dir.path() + std::to_string(i)), std::string(i, 'x'));
}

TEST(WriteBehindFiles, AFailedWriteIsCountedAndLeavesTheOthers) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.path() + "plain", "file"));
  WriteBehindFiles writes;
  writes.Write(dir.path() + "plain/under-a-file", "lost");  // its directory is a file
  writes.Write(dir.path() + "kept", "kept");
  writes.Flush();
  EXPECT_EQ(writes.FailedWrites(), 1u);
  EXPECT_EQ(Content(dir.path() + "kept"), "kept");
  EXPECT_EQ(Content(dir.path() + "plain"), "file");
}

TEST(WriteBehindFiles, WritersOnSeveralThreadsLoseNothing) {
  TempDir dir;
  WriteBehindFiles writes;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) {
        writes.Write(dir.path() + std::to_string(t), std::to_string(i));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  writes.Flush();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(Content(dir.path() + std::to_string(t)), "99");
}

}  // namespace
}  // namespace plexaro
