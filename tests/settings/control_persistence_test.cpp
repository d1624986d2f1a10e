#include "settings/control_persistence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "settings/list_bytes.h"
#include "store_test_support.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using testing::ReadRaw;
using testing::TempDir;
using testing::WriteRaw;

// A control that holds its state in plain fields. Item accessors fail the test when the
// code under test asks for an item that is not there.
class FakeControl final : public PersistedControl {
 public:
  FakeControl(ControlKind kind, std::string_view nameUtf8) : kind(kind), name(gbk(nameUtf8)) {}

  ControlKind Kind() const override { return kind; }
  Text Name() const override { return name; }
  Text Caption() const override { return caption; }
  Text TagText() const override { return tag; }
  void SetTagText(std::string_view value) override { tag = value; }
  bool IsChecked() const override { return checked; }
  void SetChecked(bool value) override { checked = value; }
  Text GetText() const override { return text; }
  void SetText(std::string_view value) override { text = value; }

  std::vector<Text> Items() const override { return items; }
  void SetItems(const std::vector<Text>& value) override {
    items = value;
    current = -1;
    ticked.assign(items.size(), false);
    selected.assign(items.size(), false);
  }
  int ItemCount() const override { return int(items.size()); }
  int CurrentItem() const override { return current; }
  void SetCurrentItem(int index) override {
    if (index < -1 || index >= ItemCount()) ADD_FAILURE() << "current item " << index;
    current = index;
  }
  bool IsItemTicked(int i) const override { return Checked(i) && ticked[i]; }
  void SetItemTicked(int i, bool value) override {
    if (Checked(i)) ticked[i] = value;
  }
  bool IsItemSelected(int i) const override { return Checked(i) && selected[i]; }
  void SetItemSelected(int i, bool value) override {
    if (Checked(i)) selected[i] = value;
  }
  int Color() const override { return color; }
  void SetColor(int value) override { color = value; }

  // Items given as UTF-8 literals; none ticked or selected, no current item.
  void Fill(std::initializer_list<const char*> utf8Items) {
    std::vector<Text> list;
    for (const char* item : utf8Items) list.push_back(gbk(item));
    SetItems(list);
  }
  std::vector<int> Ticked() const { return Marked(ticked); }
  std::vector<int> Selected() const { return Marked(selected); }

  ControlKind kind;
  Text name, caption, tag;
  bool checked = false;
  Text text;
  std::vector<Text> items;
  int current = -1;
  std::vector<bool> ticked, selected;
  int color = 0;

 private:
  bool Checked(int i) const {
    if (i >= 0 && i < ItemCount()) return true;
    ADD_FAILURE() << "item " << i << " of " << ItemCount();
    return false;
  }
  static std::vector<int> Marked(const std::vector<bool>& marks) {
    std::vector<int> out;
    for (size_t i = 0; i < marks.size(); ++i) {
      if (marks[i]) out.push_back(int(i));
    }
    return out;
  }
};

class FakeWindow final : public PersistedWindow {
 public:
  FakeControl& Add(ControlKind kind, std::string_view nameUtf8) {
    owned.push_back(std::make_unique<FakeControl>(kind, nameUtf8));
    return *owned.back();
  }
  std::vector<PersistedControl*> Controls() override {
    std::vector<PersistedControl*> out;
    for (auto& control : owned) out.push_back(control.get());
    return out;
  }
  int State() const override { return state; }
  void SetState(int value) override {
    if (value == kCentred) {
      place.left = (kScreenWidth - place.width) / 2;
      place.top = (kScreenHeight - place.height) / 2;
      value = kNormal;
    }
    state = value;
  }
  WindowPlace Place() const override { return place; }
  void MovePlace(const WindowPlace& value) override { place = value; }

  static constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
  std::vector<std::unique_ptr<FakeControl>> owned;
  int state = kNormal;
  WindowPlace place{10, 20, 640, 480};
};

class ControlPersistenceTest : public ::testing::Test {
 protected:
  ControlPersistenceTest() {
    WriteRaw(path, "");
    EXPECT_TRUE(store.OpenStore(path, kFileOnDisk));
    store.SelectSection(gbk("监测列表"));
  }
  ~ControlPersistenceTest() override { SetThreadPumpHook(nullptr); }

  // The configuration file as it is on disk.
  Text FileText() const { return ReadRaw(path); }
  bool FileHas(std::string_view utf8) const { return FileText().find(gbk(utf8)) != Text::npos; }
  Text SideFile(std::string_view utf8Name) const {
    return dir.Path("inibin/" + std::string(utf8Name));
  }
  // Writes the value of a key of the current section as it would be in the file.
  void Put(std::string_view keyUtf8, std::string_view value) {
    ASSERT_EQ(store.PutValue(store.GetCurrentSection(), gbk(keyUtf8), value, true), kDone);
  }

  TempDir dir;
  Text path = dir.Path("Zavrin·Plexaro.ini");
  SettingsStore store;
};

std::vector<Text> Gbk(std::initializer_list<const char*> utf8Items) {
  std::vector<Text> out;
  for (const char* item : utf8Items) out.push_back(gbk(item));
  return out;
}

TEST_F(ControlPersistenceTest, CheckBoxIsABooleanUnderItsNameInTheCurrentSection) {
  FakeControl box(ControlKind::kCheckBox, "选择框禁止提示音");
  box.checked = true;
  EXPECT_TRUE(SaveCheckBox(store, box));
  EXPECT_EQ(FileText(), gbk("[监测列表]\r\n选择框禁止提示音=真"));

  box.checked = false;
  EXPECT_TRUE(RestoreCheckBox(store, box));
  EXPECT_TRUE(box.checked);

  store.SelectSection(gbk("别处"));  // no such entry: the box stays as it is
  for (bool state : {false, true}) {
    box.checked = state;
    EXPECT_EQ(RestoreCheckBox(store, box), state);
    EXPECT_EQ(box.checked, state);
  }
}

TEST_F(ControlPersistenceTest, SimplePairsUseTheirKeysAndForms) {
  FakeControl radio(ControlKind::kRadioButton, "单选框甲");
  FakeControl menu(ControlKind::kMenuItem, "菜单项");
  menu.caption = gbk("置顶");
  FakeControl edit(ControlKind::kEditBox, "编辑框说明");
  FakeControl button(ControlKind::kButton, "按钮开始监测");
  FakeControl colour(ControlKind::kColorPicker, "颜色选择器背景");
  radio.checked = menu.checked = true;
  edit.text = "a\r\nb";
  button.tag = gbk("标记值");
  colour.color = 0x00FF8000;

  EXPECT_TRUE(SaveRadioButton(store, radio));
  EXPECT_TRUE(SaveMenuCheck(store, menu));
  EXPECT_TRUE(SaveEditBox(store, edit));
  EXPECT_TRUE(SaveButton(store, button));
  EXPECT_TRUE(SaveColorPicker(store, colour));
  for (const char* line : {"单选框甲=真", "置顶=真", "编辑框说明=a┊*┊b", "按钮开始监测.标记=标记值",
                           "颜色选择器背景=16744448"}) {
    EXPECT_TRUE(FileHas(line)) << line;
  }

  radio.checked = menu.checked = false;
  edit.text.clear();
  button.tag.clear();
  colour.color = 0;
  EXPECT_TRUE(RestoreRadioButton(store, radio));
  EXPECT_TRUE(RestoreMenuCheck(store, menu));
  RestoreEditBox(store, edit);
  RestoreButton(store, button);
  RestoreColorPicker(store, colour);
  EXPECT_EQ(edit.text, "a\r\nb");
  EXPECT_EQ(button.tag, gbk("标记值"));
  EXPECT_EQ(colour.color, 0x00FF8000);
}

TEST_F(ControlPersistenceTest, ByteModeEditBoxLivesOnlyInItsSideFile) {
  FakeWindow window;
  FakeControl& edit = window.Add(ControlKind::kEditBox, "编辑框正文");
  edit.tag = ByteModeTag();
  edit.text = std::string("line\r\nwith\0zero", 15) + gbk("中文");

  PersistControls(store, window, false, gbk("界面"));
  EXPECT_EQ(ReadRaw(SideFile("界面-编辑框正文.ibn")), edit.text);
  EXPECT_EQ(FileText().find(gbk("编辑框正文")), Text::npos);

  Text saved = edit.text;
  edit.text = "changed";
  PersistControls(store, window, true, gbk("界面"));
  EXPECT_EQ(edit.text, saved);
}

TEST_F(ControlPersistenceTest, CityComboKeepsIndexItemsAndTextWithBothFlags) {
  FakeWindow window;
  FakeControl& combo = window.Add(ControlKind::kComboBox, "组合框城市");
  combo.Fill({"北京", "上海", "广州"});
  combo.current = 2;
  combo.text = gbk("广州市");

  PersistControls(store, window, false, {}, {}, true, true);
  EXPECT_TRUE(FileHas("[监测列表]\r\n组合框城市.内容=广州市\r\n组合框城市=2"));
  EXPECT_FALSE(FileHas("组合框城市.列表"));
  EXPECT_EQ(DecodeItemList(ReadRaw(SideFile("监测列表-组合框城市.列表.ibn"))),
            Gbk({"北京", "上海", "广州"}));

  // Into a fresh window, whose combo is empty: the items must come back before the
  // index, or index 2 would not exist yet.
  FakeWindow fresh;
  FakeControl& empty = fresh.Add(ControlKind::kComboBox, "组合框城市");
  PersistControls(store, fresh, true, {}, {}, true, true);
  EXPECT_EQ(empty.items, combo.items);
  EXPECT_EQ(empty.current, 2);
  EXPECT_EQ(empty.text, gbk("广州市"));
}

TEST_F(ControlPersistenceTest, ComboWithoutFlagsKeepsOnlyItsIndex) {
  FakeWindow window;
  FakeControl& combo = window.Add(ControlKind::kComboBox, "组合框城市");
  combo.Fill({"a", "b"});
  combo.current = 1;
  combo.text = "typed";
  PersistControls(store, window, false);
  EXPECT_EQ(FileText(), gbk("[监测列表]\r\n组合框城市=1"));
  EXPECT_FALSE(FileExists(SideFile("监测列表-组合框城市.列表.ibn")));

  // Restoring the same items again leaves the current item and edit text alone.
  SaveComboItems(store, combo);
  combo.current = 0;
  RestoreComboItems(store, combo);
  EXPECT_EQ(combo.current, 0);
  EXPECT_EQ(combo.text, "typed");
}

TEST_F(ControlPersistenceTest, CheckListNameIsNotTakenForACheckBox) {
  EXPECT_EQ(KindAnnouncedBy(gbk("选择列表框来源")), ControlKind::kCheckList);
  EXPECT_EQ(KindAnnouncedBy(gbk("选择框来源")), ControlKind::kCheckBox);
  EXPECT_EQ(KindAnnouncedBy(gbk("按钮")), ControlKind::kButton);
  EXPECT_EQ(KindAnnouncedBy(gbk("标签状态")), ControlKind::kOther);
  EXPECT_EQ(KindAnnouncedBy(gbk("选择")), ControlKind::kOther);

  FakeWindow window;
  FakeControl& list = window.Add(ControlKind::kCheckList, "选择列表框来源");
  list.Fill({"网页", "新闻", "论坛"});
  list.current = 1;
  list.ticked = {true, false, true};
  PersistControls(store, window, false);
  EXPECT_TRUE(FileHas("选择列表框来源.打勾=0,2"));
  EXPECT_TRUE(FileHas("选择列表框来源.选中=1"));
  EXPECT_FALSE(FileHas("选择列表框来源="));  // the items are in the side file
  EXPECT_TRUE(FileExists(SideFile("监测列表-选择列表框来源.ibn")));
}

TEST_F(ControlPersistenceTest, CheckListAndListBoxRoundTripExactMarks) {
  FakeControl checks(ControlKind::kCheckList, "选择列表框甲");
  checks.Fill({"a", "", "c,d", "e"});
  checks.current = 3;
  checks.ticked = {false, true, false, true};
  FakeControl list(ControlKind::kListBox, "列表框乙");
  list.Fill({"x", "y", "z"});
  list.selected = {true, false, true};
  SaveCheckList(store, checks);
  SaveListBox(store, list);
  EXPECT_TRUE(FileHas("列表框乙.选中=0,2"));

  FakeControl checksAgain(ControlKind::kCheckList, "选择列表框甲");
  checksAgain.Fill({"old"});
  checksAgain.ticked = {true};  // not among the stored ticks: gone with the old items
  RestoreCheckList(store, checksAgain);
  EXPECT_EQ(checksAgain.items, checks.items);
  EXPECT_EQ(checksAgain.current, 3);
  EXPECT_EQ(checksAgain.Ticked(), (std::vector<int>{1, 3}));

  FakeControl listAgain(ControlKind::kListBox, "列表框乙");
  RestoreListBox(store, listAgain);
  EXPECT_EQ(listAgain.items, list.items);
  EXPECT_EQ(listAgain.Selected(), (std::vector<int>{0, 2}));
}

TEST_F(ControlPersistenceTest, NothingStoredLeavesListsAsTheyAre) {
  FakeControl checks(ControlKind::kCheckList, "选择列表框甲");
  checks.Fill({"a", "b", "c"});
  checks.current = 2;
  checks.ticked = {true, false, true};
  RestoreCheckList(store, checks);
  EXPECT_EQ(checks.items, Gbk({"a", "b", "c"}));
  EXPECT_EQ(checks.current, 2);
  EXPECT_EQ(checks.Ticked(), (std::vector<int>{0, 2}));

  FakeControl list(ControlKind::kListBox, "列表框乙");
  list.Fill({"x", "y"});
  list.selected = {false, true};
  RestoreListBox(store, list);
  EXPECT_EQ(list.Selected(), (std::vector<int>{1}));
}

TEST_F(ControlPersistenceTest, StoredIndexListsTakeOnlyItemsThatExist) {
  struct Case {
    const char* stored;
    std::vector<int> ticked;
  };
  const Case cases[] = {
      {"", {}},  // the empty list ticks nothing, item 0 included
      {"1", {1}},
      {"2,0", {0, 2}},
      {"3,-1,7,99999999999,1", {1}},  // outside the items, or beyond int
      {"x,,1y, 2", {1, 2}},           // pieces without digits are no index
  };
  FakeControl list(ControlKind::kCheckList, "选择列表框甲");
  list.Fill({"a", "b", "c"});
  SaveCheckList(store, list, false);
  for (const Case& c : cases) {
    Put("选择列表框甲.打勾", c.stored);
    list.ticked = {true, true, true};
    RestoreCheckList(store, list);
    EXPECT_EQ(list.Ticked(), c.ticked) << c.stored;
  }
}

TEST_F(ControlPersistenceTest, DamagedNumbersKeepOrClampTheCurrentValue) {
  FakeControl combo(ControlKind::kComboBox, "组合框甲");
  combo.Fill({"a", "b"});
  FakeControl colour(ControlKind::kColorPicker, "颜色选择器甲");
  struct Case {
    const char* stored;
    int current, color;
  };
  const Case cases[] = {
      {"nan", 1, 0x123456},   {"1.9", 1, 1}, {"-0.5", 0, 0}, {"1e300", 1, INT32_MAX},
      {"-inf", 1, INT32_MIN}, {"5", 1, 5},   {"-1", -1, -1}, {"junk", 0, 0},
  };
  for (const Case& c : cases) {
    Put("组合框甲", c.stored);
    Put("颜色选择器甲", c.stored);
    combo.current = 1;
    colour.color = 0x123456;
    RestoreComboBox(store, combo);
    RestoreColorPicker(store, colour);
    EXPECT_EQ(combo.current, c.current) << c.stored;
    EXPECT_EQ(colour.color, c.color) << c.stored;
  }
}

TEST_F(ControlPersistenceTest, DamagedOrEmptyItemSideFiles) {
  FakeControl list(ControlKind::kListBox, "列表框甲");
  list.Fill({"keep", "me"});
  list.selected = {false, true};
  ASSERT_TRUE(CreateOneDirectory(dir.Path("inibin")));
  const Text side = SideFile("监测列表-列表框甲.ibn");
  for (std::string damaged : {std::string("\x05\0\0\0", 4), std::string("\xff\xff\xff\xff", 4),
                              std::string("xyz"), EncodeItemList(Gbk({"a"})) + "extra"}) {
    WriteRaw(side, damaged);
    RestoreListBox(store, list);
    EXPECT_EQ(list.items, Gbk({"keep", "me"}));
    EXPECT_EQ(list.Selected(), (std::vector<int>{1}));
  }

  FakeControl combo(ControlKind::kComboBox, "组合框甲");
  SaveComboItems(store, combo);  // an empty list is stored, not "no value"
  combo.Fill({"x"});
  combo.current = 0;
  RestoreComboItems(store, combo);
  EXPECT_TRUE(combo.items.empty());
}

TEST(ItemListBytes, AnyItemBytesRoundTrip) {
  const std::vector<std::vector<Text>> lists = {
      {},
      {""},
      {"", "", ""},
      {std::string("a\0b", 3), "x\r\ny", ",", gbk("中文,列表")},
      {Text(70000, '\xB0')},
  };
  for (const auto& items : lists) {
    ByteSet bytes = EncodeItemList(items);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(DecodeItemList(bytes), items);
  }
}

TEST(ItemListBytes, DamagedFormsAreRejected) {
  ByteSet good = EncodeItemList({"ab", "c"});
  const std::string damaged[] = {
      "",
      "\x01\0\0",
      good.substr(0, good.size() - 1),
      good + "x",
      std::string("\xff\xff\xff\x7f", 4),  // count beyond the bytes
      std::string("\x01\0\0\0\xff\xff\xff\xff"
                  "ab",
                  10),  // length beyond the bytes
  };
  for (const std::string& bytes : damaged) EXPECT_FALSE(DecodeItemList(bytes)) << bytes.size();
}

TEST_F(ControlPersistenceTest, MaximisedWindowStoresOnlyItsState) {
  FakeWindow window;
  window.state = kMaximised;
  SaveWindowPlace(store, window);
  EXPECT_EQ(store.GetCurrentSection(), gbk("主界面.尺寸"));
  EXPECT_EQ(FileText(), gbk("[主界面.尺寸]\r\n位置=3"));

  FakeWindow later;
  later.place = {1, 2, 300, 200};
  RestoreWindowPlace(store, later);
  EXPECT_EQ(later.state, kMaximised);
  EXPECT_EQ(later.place, (WindowPlace{1, 2, 300, 200}));
}

TEST_F(ControlPersistenceTest, NormalPlaceSurvivesAMaximisedSave) {
  FakeWindow window;
  window.place = {50, 60, 800, 600};
  SaveWindowPlace(store, window, gbk("编辑器"));
  window.state = kMaximised;
  SaveWindowPlace(store, window, gbk("编辑器"));
  EXPECT_TRUE(FileHas("[编辑器.尺寸]\r\n高度=600\r\n宽度=800\r\n顶边=60\r\n左边=50\r\n位置=3"));

  FakeWindow later;
  Put("位置", "0");
  RestoreWindowPlace(store, later, gbk("编辑器"));
  EXPECT_EQ(later.state, kNormal);
  EXPECT_EQ(later.place, (WindowPlace{50, 60, 800, 600}));

  Put("位置", "1");  // centred, then moved to the stored place
  RestoreWindowPlace(store, later, gbk("编辑器"));
  EXPECT_EQ(later.place, (WindowPlace{50, 60, 800, 600}));
}

TEST_F(ControlPersistenceTest, DamagedWindowValuesKeepTheCurrentOnes) {
  store.SelectSection(gbk("主界面.尺寸"));
  Put("位置", "7");
  Put("左边", "nan");
  Put("顶边", "-1e300");
  Put("宽度", "0");
  Put("高度", "-20");
  FakeWindow window;
  window.place = {10, 20, 640, 480};
  RestoreWindowPlace(store, window);
  EXPECT_EQ(window.state, kNormal);
  EXPECT_EQ(window.place, (WindowPlace{10, 20, 640, 480}));
}

TEST_F(ControlPersistenceTest, PersistControlsSkipsWhatItMustNotTouch) {
  FakeWindow window;
  FakeControl& kept = window.Add(ControlKind::kCheckBox, "选择框保存");
  FakeControl& never = window.Add(ControlKind::kCheckBox, "选择框从不");
  never.tag = NeverSaveTag();
  FakeControl& excluded = window.Add(ControlKind::kEditBox, "编辑框排除");
  window.Add(ControlKind::kEditBox, "");
  window.Add(ControlKind::kEditBox, "输入框无类");
  FakeControl& wrongKind = window.Add(ControlKind::kEditBox, "选择框其实是编辑框");
  FakeControl& byteButton = window.Add(ControlKind::kButton, "按钮字节");
  byteButton.tag = ByteModeTag();
  kept.checked = never.checked = true;
  excluded.text = wrongKind.text = "x";

  PersistControls(store, window, false, gbk("窗口"), {gbk("编辑框排除")});
  EXPECT_EQ(FileText(), gbk("[窗口]\r\n选择框保存=真"));
  EXPECT_EQ(ReadRaw(SideFile("窗口-按钮字节.标记.ibn")), ByteModeTag());

  kept.checked = false;
  Put("选择框从不", gbk("假"));
  Put("编辑框排除", "stored");
  Put("选择框其实是编辑框", "stored");
  PersistControls(store, window, true, gbk("窗口"), {gbk("编辑框排除")});
  EXPECT_TRUE(kept.checked);
  EXPECT_TRUE(never.checked);
  EXPECT_EQ(excluded.text, "x");
  EXPECT_EQ(wrongKind.text, "x");
}

TEST_F(ControlPersistenceTest, ControlsWithoutANameHaveNoKey) {
  FakeControl box(ControlKind::kCheckBox, "");
  FakeControl menu(ControlKind::kMenuItem, "菜单项");  // no caption
  FakeControl edit(ControlKind::kEditBox, "");
  FakeControl button(ControlKind::kButton, "");
  FakeControl list(ControlKind::kCheckList, "");
  box.checked = menu.checked = true;
  EXPECT_FALSE(SaveCheckBox(store, box));
  EXPECT_FALSE(SaveMenuCheck(store, menu));
  EXPECT_FALSE(SaveEditBox(store, edit, true));
  EXPECT_FALSE(SaveButton(store, button));
  SaveCheckList(store, list);
  EXPECT_EQ(FileText(), "");
  EXPECT_FALSE(DirectoryExists(dir.Path("inibin")));

  Put("", gbk("假"));  // an entry with an empty key is not taken for the nameless box
  EXPECT_TRUE(RestoreCheckBox(store, box));
}

TEST_F(ControlPersistenceTest, EventsArePumpedOncePerControl) {
  FakeWindow window;  // none of them is stored, so the store itself pumps nothing
  window.Add(ControlKind::kCheckBox, "");
  window.Add(ControlKind::kCheckBox, "标签");
  window.Add(ControlKind::kCheckBox, "选择框从不").tag = NeverSaveTag();
  int pumps = 0;
  SetThreadPumpHook([&] { ++pumps; });
  PersistControls(store, window, false);
  EXPECT_EQ(pumps, 3);
}

TEST_F(ControlPersistenceTest, ListsThatShrinkWhileEventsArePumpedAreNeverOverrun) {
  FakeControl list(ControlKind::kCheckList, "选择列表框甲");
  list.Fill({"a", "b", "c", "d"});
  list.ticked = {true, true, true, true};
  SaveCheckList(store, list);
  SetThreadPumpHook([&] {
    if (list.ItemCount() > 1) list.SetItems({list.items.begin(), list.items.end() - 1});
  });
  SaveCheckList(store, list);  // the fake fails the test on any item beyond the list
  RestoreCheckList(store, list);
  SUCCEED();
}

}  // namespace
}  // namespace plexaro
