#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "store_test_support.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using testing::ReadRaw;
using testing::TempDir;
using testing::WriteRaw;
using Names = std::vector<Text>;

class StoreMaintenanceTest : public ::testing::Test {
 protected:
  ~StoreMaintenanceTest() override { SetThreadPumpHook(nullptr); }

  void OpenWith(std::string_view initial) {
    WriteRaw(path, initial);
    ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  }
  void ExpectDiskMatches() { EXPECT_EQ(ReadRaw(path), store.StoreBytes()); }

  TempDir dir;
  Text path = dir.Path("store.ini");
  SettingsStore store;
};

TEST_F(StoreMaintenanceTest, DeleteEntryRemovesSectionsAndEntries) {
  struct Case {
    const char* text;
    const char *section, *key;
    int result;
    const char* after;
  };
  const Case cases[] = {
      {"[s]\r\na=1\r\n[t]\r\nb=2", "s", "", 0, "[t]\r\nb=2"},
      {"[t]\r\nb=2\r\n[s]\r\na=1", "s", "", 0, "[t]\r\nb=2\r\n"},
      // A bare header on the last line is a section of its own and stays.
      {"[s]\r\na=1\r\n[u]", "s", "", 0, "[u]"},
      {"[s]\r\na=1\r\nb=2", "s", "a", 0, "[s]\r\nb=2"},
      {"[s]\r\na=1\r\nb=2", "s", "b", 0, "[s]\r\na=1"},
      {"[s]\r\na=1\r\n[t]\r\nb=2", "s", "b", 2, nullptr},  // b is the last line, of t
      {"[s]\r\na=1\r\n[t]\r\nb=2\r\nc=3", "s", "b", 2, nullptr},
      {"[s]\r\na=1", "s", "A", 2, nullptr},
      {"[s]\r\na=1", "S", "", 1, nullptr},
      {"x[s]\r\na=1", "s", "a", 0, "x[s]"},  // position 2 counts here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    OpenWith(c.text);
    EXPECT_EQ(store.DeleteEntry(c.section, c.key, true), c.result);
    EXPECT_EQ(store.StoreBytes(), c.after ? c.after : c.text);
    ExpectDiskMatches();
  }
}

TEST_F(StoreMaintenanceTest, RenamesReplaceOnlyTheNameBytes) {
  struct Case {
    const char* text;
    bool section;  // RenameSection(from, to) or RenameKey("s", from, to)
    const char *from, *to;
    int result;
    const char* after;
  };
  const Case cases[] = {
      {"[s]\r\na=1\r\n[t]\r\nb=2", true, "t", "longer", 0, "[s]\r\na=1\r\n[longer]\r\nb=2"},
      {"[s]\r\na=1", true, "s", "", 0, "[]\r\na=1"},
      {"x[s]\r\na=1", true, "s", "t", 0, "x[t]\r\na=1"},
      {"[s]\r\na=1", true, "q", "t", 1, nullptr},
      {"[s]\r\na=1\r\nbb=2", false, "bb", "c", 0, "[s]\r\na=1\r\nc=2"},
      {"[s]\r\na=1\r\n[t]\r\nb=2", false, "b", "c", 2, nullptr},  // only in a later section
      {"[r]\r\nb=1", false, "b", "c", 1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    OpenWith(c.text);
    int result = c.section ? store.RenameSection(c.from, c.to, true)
                           : store.RenameKey("s", c.from, c.to, true);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(store.StoreBytes(), c.after ? c.after : c.text);
    ExpectDiskMatches();
  }
}

TEST_F(StoreMaintenanceTest, ModificationsRequestedDuringAnotherAreQueued) {
  OpenWith("[s]\r\na=1\r\nb=2");
  bool inHook = false;
  std::vector<int> nested;
  SetThreadPumpHook([&] {
    if (inHook || !nested.empty()) return;
    inHook = true;
    nested.push_back(store.DeleteEntry("s", "b", false));
    nested.push_back(store.RenameSection("s", "t", false));
    inHook = false;
  });
  EXPECT_EQ(store.PutValue("s", "a", "9", false), 0);
  EXPECT_EQ(nested, (std::vector<int>{3, 3}));
  EXPECT_EQ(store.StoreBytes(), "[t]\r\na=9");
  ExpectDiskMatches();
}

TEST_F(StoreMaintenanceTest, SetAllTextReplacesOrAppendsInTextAndFile) {
  OpenWith("[s]\r\na=1");
  EXPECT_TRUE(store.SetAllText("[t]\r\nb=2", false));
  EXPECT_EQ(store.StoreBytes(), "[t]\r\nb=2");
  ExpectDiskMatches();
  EXPECT_TRUE(store.SetAllText("\r\n[u]", true));
  EXPECT_EQ(store.StoreBytes(), "[t]\r\nb=2\r\n[u]");
  ExpectDiskMatches();
  EXPECT_TRUE(store.SetAllText(store.StoreBytes(), true));  // its own bytes
  EXPECT_EQ(store.StoreBytes(), "[t]\r\nb=2\r\n[u][t]\r\nb=2\r\n[u]");
  ExpectDiskMatches();
  EXPECT_TRUE(store.SetAllText("", false));
  EXPECT_EQ(ReadRaw(path), "");
}

TEST_F(StoreMaintenanceTest, GetAllTextStopsAtTheFirstZeroByte) {
  OpenWith(std::string("[s]\r\na=1\0tail", 13));
  EXPECT_EQ(store.GetAllText(), "[s]\r\na=1");
  EXPECT_EQ(store.StoreBytes().size(), 13u);
}

TEST_F(StoreMaintenanceTest, SaveAsOwnFileKeepsWritingThroughAndCopiesElsewhere) {
  OpenWith("[s]\r\na=1");
  EXPECT_TRUE(store.SaveAs());
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("a", "2"));
  ExpectDiskMatches();  // still the open file, not a replaced one
  Text copy = dir.Path("copy.ini");
  EXPECT_TRUE(store.SaveAs(copy));
  EXPECT_EQ(ReadRaw(copy), "[s]\r\na=2");
  EXPECT_FALSE(store.SaveAs(dir.Path("missing dir/x.ini")));
  EXPECT_TRUE(store.Reload());
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=2");
}

TEST_F(StoreMaintenanceTest, SaveAsLeavesAFileAnotherStoreWritesAlone) {
  OpenWith("[s]\r\na=1");
  SettingsStore inMemory;
  ASSERT_TRUE(inMemory.OpenStore(path, kFileInMemory));
  EXPECT_TRUE(inMemory.SetAllText("[other]", false));
  EXPECT_FALSE(inMemory.SaveAs());
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("a", "2"));
  ExpectDiskMatches();
  store.Close();
  EXPECT_TRUE(inMemory.SaveAs());
  EXPECT_EQ(ReadRaw(path), "[other]");
}

TEST_F(StoreMaintenanceTest, ListSectionsWithKeyNamesEachHoldingSectionOnce) {
  struct Case {
    std::string text;
    Names names;
  };
  const Case cases[] = {
      {"[a]\r\nk=1\r\nk=2\r\n[b]\r\nx=1\r\n[c]\r\nk=3\r\n[a]\r\nk=4", {"a", "c"}},
      {"x\r\nk=1\r\n[a]\r\ny=1", {}},  // before any header
      {"zz[q]\r\nk=1", {}},            // "[" not at a line start
      {"z[q]\r\nk=1", {"q"}},          // position 2 counts
      {"[a]\r\nv=x]\r\nk=1", {"a"}},   // a "]" line end inside the section
      {"[\x81[]\r\nk=1", {"\x81["}},   // "[" as a trail byte inside the name
      {"[a]\r\nkk=1\r\nk =2", {}},
  };
  for (const Case& c : cases) {
    OpenWith(c.text);
    Names names{"stale"};
    EXPECT_EQ(store.ListSectionsWithKey("k", names), int(c.names.size())) << c.text;
    EXPECT_EQ(names, c.names) << c.text;
  }
}

TEST_F(StoreMaintenanceTest, ListKeysWithValueTakesTheLineUpToTheEqualsSign) {
  OpenWith("[a]\r\nk=1\r\nm=10\r\n[b]\r\nn=1\r\ne=\r\n[c\r\n]\r\no=1");
  Names keys;
  EXPECT_EQ(store.ListKeysWithValue("1", keys), 4);
  EXPECT_EQ(keys, (Names{"k", "m", "n", "o"}));  // "=1" is also found in "=10"
  EXPECT_EQ(store.ListKeysWithValue("1", keys, "b"), 2);
  EXPECT_EQ(keys, (Names{"n", "o"}));  // "[c" CR LF "]" is no header
  EXPECT_EQ(store.ListKeysWithValue("", keys), 1);
  EXPECT_EQ(keys, (Names{"e"}));
  EXPECT_EQ(store.ListKeysWithValue("1", keys, "z"), 0);
}

TEST_F(StoreMaintenanceTest, ListSectionsReadsHeaderLines) {
  OpenWith("[a]\r\nx=1\r\n[b c]\r\n [d]\r\n[e]f\r\n[g]h]\r\n[\x81]]");
  Names names;
  EXPECT_EQ(store.ListSections(names), 4);
  EXPECT_EQ(names, (Names{"a", "b c", "g", "\x81]"}));
  EXPECT_EQ(store.ListSections(names, "c"), 1);
  EXPECT_EQ(names, (Names{"b c"}));
  EXPECT_EQ(store.ListSections(names, "", "a"), 3);
  EXPECT_EQ(names, (Names{"b c", "g", "\x81]"}));
}

TEST_F(StoreMaintenanceTest, ListKeysFiltersKeysAndRestrictsToOneSection) {
  OpenWith("top=0\r\n[a]\r\nx=1\r\nyy=2\r\n[b]\r\nz=3\r\n=4\r\nno equals\r\n[c]\r\nw=5");
  Names keys;
  EXPECT_EQ(store.ListKeys(keys), 5);
  EXPECT_EQ(keys, (Names{"top", "x", "yy", "z", "w"}));
  EXPECT_EQ(store.ListKeys(keys, "y"), 1);
  EXPECT_EQ(store.ListKeys(keys, "", "y"), 4);
  EXPECT_EQ(store.ListKeys(keys, "", "", "on", "b"), 1);
  EXPECT_EQ(keys, (Names{"z"}));
  EXPECT_EQ(store.ListKeys(keys, "", "", "on", "", "a"), 1);  // first header without "a"
  EXPECT_EQ(keys, (Names{"z"}));
  EXPECT_EQ(store.ListKeys(keys, "", "", "on"), 2);
  EXPECT_EQ(keys, (Names{"x", "yy"}));
}

TEST_F(StoreMaintenanceTest, ListingsSurviveHandlersThatChangeTheText) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "[s" + std::to_string(i) + "]\r\nk=1\r\n";
  OpenWith(text);
  bool inHook = false;
  int pumps = 0;
  SetThreadPumpHook([&] {
    if (inHook) return;
    inHook = true;
    if (++pumps == 3) store.SetAllText("[z]\r\nk=1", false);
    inHook = false;
  });
  Names names;
  EXPECT_GE(store.ListSectionsWithKey("k", names), 3);
  EXPECT_LE(store.ListKeysWithValue("1", names, "z"), 1);
  ExpectDiskMatches();
}

}  // namespace
}  // namespace plexaro
