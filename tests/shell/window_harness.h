// A main window over a configuration file in a fresh directory, with its seams (message
// boxes, the desktop's "open", the notification sound) replaced by recorders.
#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/config_file.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "support/scripted_questioner.h"
#include "support/temp_dir.h"
#include "web/event_pump.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {

class RecordingOpener final : public AddressOpener {
 public:
  void Open(const Text& address) override {
    if (!address.empty()) opened.push_back(address);  // an empty address opens nothing
  }
  std::vector<Text> opened;
};

class CountingBeeper final : public Beeper {
 public:
  void Beep() override {
    ++beeps;
    if (onBeep) onBeep();
  }
  int beeps = 0;
  std::function<void()> onBeep;
};

// Lets the core's long loops run the test's events, as the program's main does; a member
// of each test object, so it spans every test of the program.
struct EventPumpForTests {
  EventPumpForTests() {
    SetThreadPumpHook([] { QCoreApplication::processEvents(); });
  }
  ~EventPumpForTests() { SetThreadPumpHook(nullptr); }
  EventPumpForTests(const EventPumpForTests&) = delete;
  EventPumpForTests& operator=(const EventPumpForTests&) = delete;
};

// The section that sends all three search hosts to the engine on the local `port`.
inline std::string SearchHostsOn(int port) {
  std::string host = "127.0.0.1:" + std::to_string(port);
  return "[搜索主机]\r\n网页=" + host + "\r\n新闻=" + host + "\r\n微信=" + host + "\r\n";
}

// A configuration file with one enabled web-search configuration of `keywords` (joined
// by "|"), polling every refresh second the engine on the local `port`.
inline std::string OneWebConfiguration(int port, const std::string& keywords) {
  return SearchHostsOn(port) +
         "[监测列表]\r\n数量=1\r\n(1)启用=真\r\n(1)数据源=0\r\n(1)关键词=" + keywords +
         "\r\n(1)返回数=10\r\n(1)刷新秒=1\r\n";
}

// A window over a configuration file in a fresh directory; a refresh second lasts
// `secondLength`.
class Harness {
 public:
  explicit Harness(const std::string& iniUtf8,
                   std::chrono::milliseconds secondLength = std::chrono::milliseconds(50)) {
    configPath = dir.path() + ConfigFileName();
    WriteWholeFile(configPath, Utf8ToGbk(iniUtf8));
    store.OpenStore(configPath, kFileOnDisk);
    ShellOptions options;
    options.runDirectory = dir.path();
    options.questioner = &questioner;
    options.opener = &opener;
    options.beeper = &beeper;
    options.secondLength = secondLength;
    window = std::make_unique<MainWindow>(store, options);
    window->show();
  }

  template <typename T>
  T* Find(const char* name) {
    return window->findChild<T*>(Ui(name));
  }
  QTreeWidget* Tree() { return Find<QTreeWidget>("树型框"); }
  void Click(const char* button) { Find<QAbstractButton>(button)->click(); }
  void SelectTreeItem(int index) {
    QTreeWidget* tree = Tree();
    QTreeWidgetItem* item = tree->topLevelItem(0);
    QList<QTreeWidgetItem*> order;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) order << *it;
    tree->setCurrentItem(order.value(index, item));
  }

  TempDir dir;
  Text configPath;
  SettingsStore store;
  ScriptedQuestioner questioner;
  RecordingOpener opener;
  CountingBeeper beeper;
  std::unique_ptr<MainWindow> window;
};

}  // namespace plexaro
