#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <functional>

#include "store_test_support.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using testing::ReadRaw;
using testing::TempDir;
using testing::WriteRaw;

class RecordingNotifier : public Notifier {
 public:
  struct Message {
    Text text, title;
    MessageIcon icon;
    MessageModality modality;
  };
  void ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                   MessageModality modality) override {
    messages.push_back({text, title, icon, modality});
  }
  std::vector<Message> messages;
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  ~SettingsStoreTest() override { SetThreadPumpHook(nullptr); }

  // Opens the store on the configuration file, first giving the file `initial` bytes.
  void OpenWith(std::string_view initial, int mode = kFileOnDisk) {
    WriteRaw(path, initial);
    ASSERT_TRUE(store.OpenStore(path, mode));
  }
  void ExpectDiskMatches() { EXPECT_EQ(ReadRaw(path), store.StoreBytes()); }

  TempDir dir;
  Text path = dir.Path("Zavrin·Plexaro.ini");
  RecordingNotifier notifier;
  SettingsStore store{notifier};
};

TEST_F(SettingsStoreTest, NewKeysGoFirstInTheirSectionAndReachTheDiskAtOnce) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));  // created, empty
  EXPECT_EQ(ReadRaw(path), "");
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("a", "1"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=1");
  ExpectDiskMatches();
  EXPECT_TRUE(store.WriteText("b", "2"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\nb=2\r\na=1");
  ExpectDiskMatches();
  store.SelectSection("t");
  EXPECT_TRUE(store.WriteText("x", "5"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\nb=2\r\na=1\r\n[t]\r\nx=5");
  ExpectDiskMatches();
}

TEST_F(SettingsStoreTest, OverwritesValuesInPlace) {
  OpenWith("[s]\r\na=1\r\nb=22");
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("b", "3"));  // last entry, no final CR LF
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=1\r\nb=3");
  ExpectDiskMatches();
  EXPECT_TRUE(store.WriteText("a", "longer value"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=longer value\r\nb=3");
  ExpectDiskMatches();
  EXPECT_TRUE(store.WriteText("a", "x"));  // same length as before: overwritten only
  EXPECT_TRUE(store.WriteText("a", "y"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=y\r\nb=3");
  ExpectDiskMatches();
}

TEST_F(SettingsStoreTest, LookupsFollowTheLayoutRules) {
  OpenWith("[r]\r\n[s]x\r\na=1\r\n[S]\r\nA=2\r\nmid[t]\r\nk=3\r\n[u]\r\ne=");
  struct Case {
    const char *section, *key, *expected;
  };
  const Case cases[] = {
      {"s", "a", "1"},  // a header followed by more text still opens its section
      {"r", "a", "1"},  // ... but is no header for FindNextHeader
      {"S", "a", "-"},  // sections and keys are case-sensitive
      {"S", "A", "2"}, {"s", "A", "-"},
      {"t", "k", "-"},  // "[t]" in the middle of a line is no header
      {"u", "e", ""},   // present and empty is not the default
      {"u", "x", "-"}, {"v", "a", "-"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(store.GetValue(c.section, c.key, "-", false), c.expected)
        << c.section << "/" << c.key;
  }
  EXPECT_EQ(store.GetValue("u", "e", "-", true), "-");
}

TEST_F(SettingsStoreTest, KeyOfALaterSectionIsNotSeenAndGetsItsOwnEntry) {
  OpenWith("[s]\r\nx=1\r\n[t]\r\na=2");
  store.SelectSection("s");
  EXPECT_EQ(store.ReadText("a", "default"), "default");
  EXPECT_TRUE(store.WriteText("a", "3"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=3\r\nx=1\r\n[t]\r\na=2");
  ExpectDiskMatches();
}

TEST_F(SettingsStoreTest, MidLineHeaderIsIgnoredAndTheSectionAppended) {
  OpenWith("x[s]\r\na=1");
  store.SelectSection("s");
  EXPECT_EQ(store.ReadText("a", "d"), "d");
  EXPECT_TRUE(store.WriteText("a", "2"));
  EXPECT_EQ(store.StoreBytes(), "x[s]\r\na=1\r\n[s]\r\na=2");
  ExpectDiskMatches();
}

TEST_F(SettingsStoreTest, NewEntryNeverSwallowsTheRestOfTheHeaderLine) {
  // Whatever follows "]" would otherwise become the new entry's value and be replaced.
  struct Case {
    std::string before, after;
  };
  const Case cases[] = {
      {"[s]junk\r\nb=2", "[s]\r\na=9\r\njunk\r\nb=2"},
      {"[s]\nb=2\nc=3", "[s]\r\na=9\r\n\nb=2\nc=3"},  // LF-only file
      {"[s]\rb=2", "[s]\r\na=9\r\n\rb=2"},            // CR-only file
      {"[s]", "[s]\r\na=9"},
  };
  for (const Case& c : cases) {
    OpenWith(c.before);
    store.SelectSection("s");
    EXPECT_TRUE(store.WriteText("a", "9"));
    EXPECT_EQ(store.StoreBytes(), c.after);
    ExpectDiskMatches();
  }
}

TEST_F(SettingsStoreTest, TypedValuesUseTheirStoredForms) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("t", "x\r\ny"));
  EXPECT_EQ(store.GetValue("s", "t", "", false), "x" + gbk("┊*┊") + "y");
  EXPECT_EQ(store.ReadText("t"), "x\r\ny");
  EXPECT_EQ(store.ReadText("missing", "d\r\ne"), "d\r\ne");

  const std::pair<double, const char*> numbers[] = {{20, "20"}, {0.5, "0.5"}, {1e20, "1e+20"}};
  for (auto [value, text] : numbers) {
    EXPECT_TRUE(store.WriteNumber("n", value));
    EXPECT_EQ(store.GetValue("s", "n", "", false), text);
    EXPECT_DOUBLE_EQ(store.ReadNumber("n", -1), value);
  }
  EXPECT_DOUBLE_EQ(store.ReadNumber("missing", 7.25), 7.25);

  EXPECT_TRUE(store.WriteBool("b", true));
  EXPECT_EQ(store.GetValue("s", "b", "", false), gbk("真"));
  EXPECT_TRUE(store.ReadBool("b"));
  EXPECT_TRUE(store.WriteBool("b", false));
  EXPECT_EQ(store.GetValue("s", "b", "", false), gbk("假"));
  EXPECT_FALSE(store.ReadBoolNotFalse("b", true));

  DateTime when{2026, 12, 11, 14, 5, 0};
  EXPECT_TRUE(store.WriteTime("w", when));
  EXPECT_EQ(store.GetValue("s", "w", "", false), gbk("2026年12月11日14时5分"));
  EXPECT_EQ(store.ReadTime("w"), when);
  EXPECT_EQ(store.ReadTime("t", when), when);  // no date: the default
  ExpectDiskMatches();
}

TEST_F(SettingsStoreTest, EmptyAndForeignValuesReadAsTheirTypesSay) {
  OpenWith("[s]\r\ne=\r\none=1\r\nx=abc");
  store.SelectSection("s");
  EXPECT_EQ(store.ReadText("e", "d"), "");
  EXPECT_DOUBLE_EQ(store.ReadNumber("e", 5), 0);
  EXPECT_FALSE(store.ReadBool("e", true));
  EXPECT_TRUE(store.ReadBoolNotFalse("e", false));
  EXPECT_FALSE(store.ReadBool("one", true));  // only "真" is true
  EXPECT_DOUBLE_EQ(store.ReadNumber("x", 5), 0);
  EXPECT_TRUE(store.ReadBool("missing", true));
  EXPECT_FALSE(store.ReadBoolNotFalse("missing", false));
}

TEST_F(SettingsStoreTest, ValuesSurviveClosingAndReopening) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  store.SelectSection(gbk("监测列表"));
  EXPECT_TRUE(store.WriteText(gbk("1)关键词"), gbk("甲|乙")));
  EXPECT_TRUE(store.WriteBool(gbk("选择框禁止提示音"), true));
  store.Close();
  EXPECT_EQ(store.StoreBytes(), "");
  SettingsStore again;
  ASSERT_TRUE(again.OpenStore(path, kFileOnDisk));
  again.SelectSection(gbk("监测列表"));
  EXPECT_EQ(again.ReadText(gbk("1)关键词")), gbk("甲|乙"));
  EXPECT_TRUE(again.ReadBool(gbk("选择框禁止提示音")));
  EXPECT_EQ(again.GetPath(), path);
}

TEST_F(SettingsStoreTest, StoreThatCannotOpenItsFileWorksInMemory) {
  Text unreachable = dir.Path("no such directory/x.ini");
  EXPECT_FALSE(store.OpenStore(unreachable, kFileOnDisk));
  EXPECT_FALSE(store.IsFileOpen());
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("a", "1"));
  EXPECT_EQ(store.ReadText("a"), "1");
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=1");
  EXPECT_FALSE(FileExists(unreachable));
}

TEST_F(SettingsStoreTest, SecondStoreOnTheSameFileMayReadButNotWrite) {
  OpenWith("[s]\r\na=1");
  SettingsStore second;
  EXPECT_FALSE(second.OpenStore(path, kFileOnDisk));
  EXPECT_EQ(second.StoreBytes(), "[s]\r\na=1");
  second.SelectSection("s");
  EXPECT_TRUE(second.WriteText("a", "2"));  // in its memory only
  ExpectDiskMatches();
  store.Close();
  EXPECT_TRUE(second.OpenStore(path, kFileOnDisk));
}

TEST_F(SettingsStoreTest, DamagedFilesLoadAndStayEqualToTheTextAfterWrites) {
  std::string garbage(3 << 20, '\0');
  uint32_t seed = 12345;
  for (char& c : garbage) c = char((seed = seed * 1103515245u + 12345u) >> 24);
  const std::pair<const char*, std::string> cases[] = {
      {"CR only", "[s]\ra=1\rb=2\r"},
      {"LF only", "[s]\na=1\nb=2\n"},
      {"lone lead byte at the end", "[s]\r\na=1\r\nb=\x81"},
      {"zero bytes", std::string("[s]\r\na=\0\0\r\n\0[t]\0", 16)},
      {"megabytes of garbage", garbage},
  };
  for (const auto& [name, content] : cases) {
    SCOPED_TRACE(name);
    OpenWith(content);
    EXPECT_EQ(store.StoreBytes(), content);
    store.SelectSection("s");
    EXPECT_TRUE(store.WriteText("a", "new"));
    EXPECT_TRUE(store.WriteText("k", gbk("中文")));
    store.SelectSection(gbk("新节"));
    EXPECT_TRUE(store.WriteText("a", "x\r\ny"));
    ExpectDiskMatches();
    EXPECT_EQ(store.ReadText("a"), "x\r\ny");
    store.SelectSection("s");
    EXPECT_EQ(store.ReadText("k"), gbk("中文"));
  }
}

TEST_F(SettingsStoreTest, ValueAfterHalfACharacterDoesNotHideTheNextEntry) {
  OpenWith("[s]\r\na=\x81\r\nb=1");
  store.SelectSection("s");
  EXPECT_EQ(store.ReadText("b"), "1");
  EXPECT_TRUE(store.WriteText("b", "2"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=\x81\r\nb=2");
  ExpectDiskMatches();
}

// A long mixed sequence; after every single step the file must hold the text's bytes.
TEST_F(SettingsStoreTest, DiskEqualsTextAfterEveryStepOfAMixedSequence) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  const Text list = gbk("监测列表"), updates = gbk("更新列表"), renamed = gbk("新列表");
  const Text tail = gbk("尾"), fresh = gbk("新");
  std::vector<std::function<void()>> steps = {
      [&] { store.SelectSection(list), store.WriteNumber(gbk("数量"), 2); },
      [&] { store.WriteText(gbk("1)关键词"), gbk("甲|乙\r\n丙")); },
      [&] { store.WriteBool(gbk("选择框禁止提示音"), true); },
      [&] { store.SelectSection(updates), store.WriteText("a", "x"); },
      [&] { store.SelectSection(list), store.WriteNumber(gbk("数量"), 10); },
      [&] { store.WriteText(gbk("1)关键词"), ""); },
      [&] { EXPECT_EQ(store.DeleteEntry(list, gbk("选择框禁止提示音"), true), 0); },
      [&] { EXPECT_EQ(store.RenameSection(updates, renamed, true), 0); },
      [&] { EXPECT_EQ(store.RenameKey(renamed, "a", "alpha", true), 0); },
      [&] { EXPECT_TRUE(store.SetAllText("\r\n[" + tail + "]\r\nz=1", true)); },
      [&] { EXPECT_EQ(store.PutValue(tail, "z", "2", true), 0); },
      [&] {
        EXPECT_EQ(store.StoreBytes(), "[" + list + "]\r\n" + gbk("1)关键词") + "=\r\n" +
                                          gbk("数量") + "=10\r\n[" + renamed + "]\r\nalpha=x\r\n[" +
                                          tail + "]\r\nz=2");
      },
      [&] { EXPECT_EQ(store.DeleteEntry(list, "", true), 0); },
      [&] {
        EXPECT_EQ(store.StoreBytes(), "[" + renamed + "]\r\nalpha=x\r\n[" + tail + "]\r\nz=2");
      },
      [&] { EXPECT_TRUE(store.SetAllText("[" + fresh + "]\r\nq=1\r\n", false)); },
      [&] { store.SelectSection(fresh), store.WriteText("r", "v\r\n"); },
      [&] { EXPECT_EQ(store.PutValue(fresh, "q", "", true), 0); },
      [&] { EXPECT_EQ(store.DeleteEntry(fresh, "q", true), 0); },
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i + 1));
    steps[i]();
    ExpectDiskMatches();
  }
  EXPECT_EQ(store.StoreBytes(), "[" + fresh + "]\r\nr=v" + gbk("┊*┊") + "\r\n");
}

TEST_F(SettingsStoreTest, FileInMemoryReachesTheDiskOnlyThroughSaveAs) {
  OpenWith("[s]\r\na=1", kFileInMemory);
  store.SelectSection("s");
  EXPECT_TRUE(store.WriteText("a", "2"));
  EXPECT_EQ(ReadRaw(path), "[s]\r\na=1");
  EXPECT_TRUE(store.SaveAs());
  EXPECT_EQ(ReadRaw(path), "[s]\r\na=2");
  EXPECT_TRUE(store.WriteText("a", "3"));
  EXPECT_TRUE(store.Reload());
  EXPECT_EQ(store.StoreBytes(), "[s]\r\na=2");
  EXPECT_TRUE(store.WriteText("b", "4"));
  EXPECT_EQ(store.StoreBytes(), "[s]\r\nb=4\r\na=2");
}

TEST_F(SettingsStoreTest, RegistryModeKeepsTypedValuesInTheHive) {
  EXPECT_TRUE(store.OpenStore(path, kRegistry));
  EXPECT_EQ(store.SelectSection(gbk("监测列表")), gbk("Zavrin软件\\Zavrin·Plexaro\\监测列表\\"));
  EXPECT_TRUE(store.WriteText("k", "a\r\nb"));
  EXPECT_TRUE(store.WriteNumber("n", 0.5));
  EXPECT_EQ(store.ReadText("k"), "a\r\nb");
  EXPECT_DOUBLE_EQ(store.ReadNumber("n"), 0.5);
  EXPECT_DOUBLE_EQ(store.ReadNumber("missing", 3), 3);
  EXPECT_EQ(store.StoreBytes(), "");
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(FileExists(dir.Path("registry.hive")));

  SettingsStore other;  // another store of the same base name sees the same values
  EXPECT_TRUE(other.OpenStore(dir.Path("Zavrin·Plexaro.cfg"), kRegistry));
  other.SelectSection(gbk("监测列表"));
  EXPECT_EQ(other.ReadText("k"), "a\r\nb");
  other.SelectSection("elsewhere");
  EXPECT_EQ(other.ReadText("k", "none"), "none");
}

TEST_F(SettingsStoreTest, SideFilesHoldByteValuesBesideTheStore) {
  for (int mode : {kFileOnDisk, kRegistry}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(store.OpenStore(path, mode));
    store.SelectSection(gbk("更新列表"));
    std::string bytes("a\r\n\0b\xff", 6);
    EXPECT_TRUE(store.WriteBytes(gbk("K#网址"), bytes));
    EXPECT_EQ(ReadRaw(dir.Path("inibin/更新列表-K#网址.ibn")), bytes);
    EXPECT_EQ(store.ReadBytes(gbk("K#网址"), "d"), bytes);
    EXPECT_EQ(store.ReadBytes("missing", "d"), "d");
    EXPECT_TRUE(store.WriteBytes("empty", ""));
    EXPECT_EQ(store.ReadBytes("empty", "d"), "d");  // an empty value cannot be stored
    // A key that is no file name is refused instead of escaping the directory.
    EXPECT_FALSE(store.WriteBytes("../../escape", "x"));
    EXPECT_EQ(store.ReadBytes("../../escape", "d"), "d");
    EXPECT_FALSE(store.WriteBytes(std::string("a\0b", 3), "x"));
  }
}

// --- Re-entrancy: handlers run from the pump inside an operation --------------------

TEST_F(SettingsStoreTest, ModificationsFromInsideAnOperationAreQueuedInOrder) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  store.SelectSection("s");
  bool inHook = false;
  int pumps = 0;
  std::vector<int> nested;
  SetThreadPumpHook([&] {
    if (inHook || ++pumps != 1) return;
    inHook = true;
    EXPECT_TRUE(store.IsBusy());
    nested.push_back(store.PutValue("s", "b", "2", false));
    nested.push_back(store.WriteText("c", "3") ? 1 : 0);  // a typed write reports false
    nested.push_back(store.RenameKey("s", "a", "A", false));
    nested.push_back(store.RunPending());  // must not start the running one again
    inHook = false;
  });
  EXPECT_EQ(store.PutValue("s", "a", "1", false), 0);
  EXPECT_EQ(nested, (std::vector<int>{3, 0, 3, 3}));
  EXPECT_FALSE(store.IsBusy());
  EXPECT_EQ(store.PendingCount(), 0u);
  EXPECT_EQ(store.StoreBytes(), "[s]\r\nc=3\r\nb=2\r\nA=1");
  ExpectDiskMatches();
  EXPECT_EQ(store.RunPending(), -1);
}

TEST_F(SettingsStoreTest, ReadFromInsideAWriteSeesTheNewEntryStillEmpty) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  store.SelectSection("s");
  bool inHook = false;
  std::vector<Text> seen;
  SetThreadPumpHook([&] {
    if (inHook) return;
    inHook = true;
    seen.push_back(store.GetValue("s", "a", "<none>", false));
    inHook = false;
  });
  EXPECT_TRUE(store.WriteText("a", "1"));
  // Before the section exists, after it was appended, after the key was inserted.
  EXPECT_EQ(seen, (std::vector<Text>{"<none>", "<none>", ""}));
}

TEST_F(SettingsStoreTest, SectionThatNeverAppearsIsReportedAfterElevenAppends) {
  ASSERT_TRUE(store.OpenStore(path, kFileOnDisk));
  bool inHook = false;
  SetThreadPumpHook([&] {
    if (inHook) return;
    inHook = true;
    store.SetAllText("", false);  // a handler that keeps wiping the text
    inHook = false;
  });
  EXPECT_EQ(store.PutValue("s", "a", "1", true), -1);
  ASSERT_EQ(notifier.messages.size(), 2u);
  EXPECT_EQ(notifier.messages[0].text,
            gbk("配置模块出现意外，可能导致无法正常保存！详情请咨询Zavrin。"));
  EXPECT_EQ(notifier.messages[0].title, gbk("Zavrin："));
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(notifier.messages[0].modality, MessageModality::kSystem);
  EXPECT_EQ(notifier.messages[1].text, "[s]");
  EXPECT_EQ(notifier.messages[1].title, gbk("信息："));
  EXPECT_EQ(notifier.messages[1].icon, MessageIcon::kNone);
  ExpectDiskMatches();
  store.SelectSection("s");
  EXPECT_FALSE(store.WriteText("a", "1"));
}

// --- A disk that refuses to grow --------------------------------------------------

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

TEST_F(SettingsStoreTest, WriteThatCannotGrowTheFileChangesNothing) {
  OpenWith("[s]\r\na=1\r\nb=2");
  store.SelectSection("s");
  const std::string before(store.StoreBytes());
  {
    FileSizeLimit limit(before.size() + 40);
    EXPECT_FALSE(store.WriteText("a", std::string(1000, 'x')));
    EXPECT_EQ(store.StoreBytes(), before);
    ExpectDiskMatches();
    EXPECT_FALSE(store.WriteText("new", std::string(1000, 'y')));
    ExpectDiskMatches();
    EXPECT_EQ(store.ReadText("b"), "2");
    EXPECT_FALSE(store.SetAllText(std::string(1000, 'z'), true));
    ExpectDiskMatches();
    EXPECT_TRUE(store.WriteText("a", "ok"));
    ExpectDiskMatches();
  }
  EXPECT_TRUE(store.WriteText("new", std::string(1000, 'y')));
  ExpectDiskMatches();
}

}  // namespace
}  // namespace plexaro
