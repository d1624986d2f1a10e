// The desktop window, driven offscreen: its controls, the tree's images and ticks, the
// editor buttons and a monitoring run against the fake search engine.
#include <httplib.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <deque>
#include <memory>
#include <thread>

#include "core/config_file.h"
#include "core/notification_wave.h"
#include "shell/html_view.h"
#include "shell/main_window.h"
#include "shell/notification_sound.h"
#include "shell/qt_text.h"
#include "tools/fake_search_engine.h"
#include "web/event_pump.h"
#include "web/files.h"
#include "window_harness.h"

namespace plexaro {
namespace {

// Pages for the quick-read view: an article with a remote image, and one that answers
// slowly so that a preview can be overtaken.
class ArticleServer {
 public:
  ArticleServer() {
    server_.Get("/article", [this](const httplib::Request&, httplib::Response& response) {
      ++articleRequests;
      response.set_content(
          "<html><head><title>t</title></head><body><div><a href=\"/\">home</a></div><div>" +
              std::string(300, 'z') + " 正文<img src=\"/pic.png\"></div></body></html>",
          "text/html; charset=utf-8");
    });
    server_.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      response.set_content("<html><body><div>" + std::string(300, 'y') + "</div></body></html>",
                           "text/html");
    });
    server_.Get("/pic.png", [this](const httplib::Request&, httplib::Response& response) {
      ++imageRequests;
      response.set_content("", "image/png");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~ArticleServer() { Stop(); }
  void Stop() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  std::string Url(const char* path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  std::atomic<int> articleRequests{0};
  std::atomic<int> imageRequests{0};

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

HyperlinkLabel* Link(Harness& h, const char* name) {
  return static_cast<HyperlinkLabel*>(h.Find<QLabel>(name));
}

const char* const kTwoConfigs =
    "[监测列表]\r\n数量=2\r\n"
    "(1)启用=真\r\n(1)数据源=1\r\n(1)关键词=美国|中国\r\n(1)关键词在标题=真\r\n"
    "(1)返回数=20\r\n(1)刷新秒=20\r\n"
    "(2)启用=假\r\n(2)数据源=3\r\n(2)关键词=x\r\n(2)返回数=10\r\n(2)刷新秒=5\r\n";

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  EventPumpForTests eventPump_;

 private slots:
  void controlsHaveTheirNamesCaptionsAndPlaces() {
    Harness h("");
    QCOMPARE(h.window->objectName(), Ui("窗口"));
    QCOMPARE(h.window->windowTitle(), WindowTitle());
    QCOMPARE(h.window->size(), QSize(992, 768));
    struct Control {
      const char* name;
      const char* caption;  // null: not a button
      QRect place;
    } controls[] = {
        {"树型框", nullptr, {0, 0, 280, 464}},
        {"选择夹", nullptr, {280, 0, 712, 414}},
        {"按钮开始监测", "开始监测", {281, 415, 710, 48}},
        {"超级列表框", nullptr, {0, 464, 992, 304}},
        {"分组框", nullptr, {16, 40, 440, 192}},
        {"按钮添加新配置", "添加新配置", {16, 248, 136, 32}},
        {"按钮修改到选中配置", "修改到选中配置", {160, 248, 144, 32}},
        {"按钮删除选中配置", "删除选中配置", {312, 248, 144, 32}},
        {"按钮全部启用配置", "全部启用配置", {16, 288, 215, 32}},
        {"按钮全部取消启用配置", "全部取消启用配置", {240, 288, 215, 32}},
        {"分组框1", nullptr, {472, 40, 224, 280}},
        {"选择框禁止提示音", "刷新列表时禁止提示音", {24, 24, 184, 24}},
        {"选择框保持列表静止", "刷新列表时保持列表静止", {24, 56, 198, 24}},
        {"标签更新列表", nullptr, {16, 104, 88, 32}},
        {"链接视频教程", nullptr, {224, 4, 152, 24}},
        {"链接软件主页", nullptr, {368, 4, 152, 24}},
        {"单选框新闻源", "新闻源", {112, 24, 80, 24}},
        {"单选框泛网页", "泛网页", {200, 24, 80, 24}},
        {"单选框论坛", "论坛", {288, 24, 70, 24}},
        {"单选框微信", "微信", {360, 24, 70, 24}},
        {"编辑框仅限此网站", nullptr, {112, 56, 253, 24}},
        {"按钮粘贴网站", "粘贴", {369, 56, 40, 24}},
        {"编辑框监测关键词", nullptr, {112, 88, 253, 24}},
        {"按钮粘贴关键词", "粘贴", {369, 88, 40, 24}},
        {"编辑框监测返回数", nullptr, {112, 120, 56, 24}},
        {"选择框关键词出现在标题", "关键词出现在标题", {272, 120, 152, 24}},
        {"编辑框监测刷新秒", nullptr, {112, 152, 56, 24}},
        {"选择框完全出现", "完全出现", {333, 152, 96, 24}},
        {"按钮复制标题", "复制标题", {224, 0, 136, 28}},
        {"按钮复制内容", "复制内容", {360, 0, 136, 28}},
        {"按钮打开网页", "打开网页", {496, 0, 136, 28}},
        {"超级链接框浏览器", nullptr, {256, 36, 152, 24}},
        {"超级链接框原网页", nullptr, {408, 36, 152, 24}},
    };
    for (const Control& c : controls) {
      QWidget* widget = h.Find<QWidget>(c.name);
      QVERIFY2(widget, c.name);
      QCOMPARE(widget->geometry(), c.place);
      if (c.caption) QCOMPARE(qobject_cast<QAbstractButton*>(widget)->text(), Ui(c.caption));
    }
    // The editor's initial fields.
    QVERIFY(h.Find<QRadioButton>("单选框新闻源")->isChecked());
    QCOMPARE(h.Find<QLineEdit>("编辑框监测关键词")->text(),
             Ui("美国|中国|外星人|外星文明|人工智能"));
    QCOMPARE(h.Find<QLineEdit>("编辑框监测返回数")->text(), Ui("20"));
    QVERIFY(h.Find<QCheckBox>("选择框关键词出现在标题")->isChecked());
    QVERIFY(!h.Find<QCheckBox>("选择框完全出现")->isChecked());

    auto* tabs = h.Find<QTabWidget>("选择夹");
    QCOMPARE(tabs->tabText(0), Ui("  监测配置  "));
    QCOMPARE(tabs->tabText(1), Ui("  速阅窗口  "));
    auto* list = h.Find<QTreeView>("超级列表框");
    const char* captions[] = {"时间", "标题", "数据源", "关键词", "网址"};
    for (int i = 0; i < 5; ++i) {
      QCOMPARE(list->model()->headerData(i, Qt::Horizontal).toString(), Ui(captions[i]));
    }
    QCOMPARE(list->header()->sectionSize(1), 350);

    h.window->resize(1300, 900);
    QCOMPARE(h.Tree()->geometry(), QRect(0, 0, 280, 464));
    QCOMPARE(list->geometry(), QRect(0, 464, 1300, 436));
    QCOMPARE(h.Find<QWidget>("按钮开始监测")->geometry(), QRect(281, 415, 1018, 48));
    QCOMPARE(list->header()->sectionSize(4), 1300 - 770 - 30);
  }

  void treeShowsImagesAndThreeTickStates() {
    Harness h(kTwoConfigs);
    QTreeWidget* tree = h.Tree();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), Ui("监测列表"));
    QCOMPARE(root->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(root->childCount(), 2);
    QTreeWidgetItem* news = root->child(0);
    QCOMPARE(news->text(0), Ui("[新闻源]"));
    QCOMPARE(news->checkState(0), Qt::Checked);
    QVERIFY(news->flags() & Qt::ItemIsUserCheckable);
    QCOMPARE(root->child(1)->checkState(0), Qt::Unchecked);
    QCOMPARE(news->child(1)->text(0), Ui("中国"));
    QCOMPARE(news->child(1)->checkState(0), Qt::PartiallyChecked);
    QVERIFY(!(news->child(1)->flags() & Qt::ItemIsUserCheckable));
    QVERIFY(!news->child(1)->icon(0).isNull());

    // Ticking the WeChat configuration while idle enables it without a question.
    root->child(1)->setCheckState(0, Qt::Checked);
    QVERIFY(h.window->Configs().IsEnabled(2));
    QVERIFY(h.questioner.asked.empty());
  }

  void selectingAKeywordShowsItsConfigurationAndMarksIt() {
    Harness h(kTwoConfigs);
    auto* tabs = h.Find<QTabWidget>("选择夹");
    tabs->setCurrentIndex(1);
    h.SelectTreeItem(3);  // 中国 under [新闻源]
    auto* keywords = h.Find<QLineEdit>("编辑框监测关键词");
    QCOMPARE(keywords->text(), Ui("美国|中国"));
    QCOMPARE(keywords->selectionStart(), 3);
    QCOMPARE(keywords->selectedText(), Ui("中国"));
    QCOMPARE(tabs->currentIndex(), 0);

    h.SelectTreeItem(4);  // [微信]: the site box is off
    QVERIFY(h.Find<QRadioButton>("单选框微信")->isChecked());
    QVERIFY(!h.Find<QLineEdit>("编辑框仅限此网站")->isEnabled());
    QVERIFY(!h.Find<QCheckBox>("选择框完全出现")->isEnabled());
    QCOMPARE(h.Find<QLineEdit>("编辑框监测刷新秒")->text(), Ui("5"));
    h.Find<QRadioButton>("单选框泛网页")->click();
    QVERIFY(h.Find<QLineEdit>("编辑框仅限此网站")->isEnabled());
  }

  void addModifyAndDeleteThroughTheButtons() {
    Harness h(kTwoConfigs);
    h.Find<QRadioButton>("单选框论坛")->click();
    h.Find<QLineEdit>("编辑框监测关键词")->setText("p||q");
    h.Find<QLineEdit>("编辑框监测返回数")->setText("abc");
    h.Click("按钮添加新配置");
    // Structural changes rebuild the items: look the root up after each.
    auto root = [&h] { return h.Tree()->topLevelItem(0); };
    QCOMPARE(root()->childCount(), 3);
    QCOMPARE(root()->child(2)->text(0), Ui("[论坛]"));
    QCOMPARE(root()->child(2)->childCount(), 2);
    QCOMPARE(h.Tree()->currentItem(), root()->child(2));
    QCOMPARE(h.Find<QLineEdit>("编辑框监测关键词")->text(), Ui("p|q"));
    QCOMPARE(h.Find<QLineEdit>("编辑框监测返回数")->text(), Ui("20"));

    h.Find<QRadioButton>("单选框泛网页")->click();
    h.Click("按钮修改到选中配置");
    QCOMPARE(root()->child(2)->text(0), Ui("[泛网页]"));
    QCOMPARE(h.window->Configs().Get(3).dataSource, int(kGeneralWeb));

    h.questioner.answers = {false, true};
    h.Click("按钮删除选中配置");  // Cancel
    QCOMPARE(root()->childCount(), 3);
    h.Click("按钮删除选中配置");  // OK
    QCOMPARE(root()->childCount(), 2);
    QVERIFY(h.window->Configs().IsDeleted(3));
    QVERIFY(!h.Tree()->currentItem());

    h.SelectTreeItem(0);
    h.Click("按钮修改到选中配置");
    QCOMPARE(h.questioner.told.back(), gbk("请在监测列表中选定一个监测配置再修改"));

    h.window->close();  // saves: two configurations remain
    SettingsStore reread;
    reread.OpenStore(h.configPath, kFileInMemory);
    reread.SelectSection(gbk("监测列表"));
    QCOMPARE(reread.ReadNumber(gbk("数量")), 2.0);
  }

  void startButtonMonitorsTheFakeEngineUntilStopped() {
    FakeSearchEngine engine;
    int port = engine.Start();
    QVERIFY(port > 0);
    Harness h(SearchHostsOn(port) +
              "[监测列表]\r\n数量=2\r\n(1)启用=真\r\n(1)数据源=0\r\n(1)关键词=alpha\r\n"
              "(1)返回数=10\r\n(1)刷新秒=1\r\n(2)启用=假\r\n(2)数据源=1\r\n(2)关键词=beta\r\n"
              "(2)返回数=10\r\n(2)刷新秒=1\r\n");
    auto* start = h.Find<QAbstractButton>("按钮开始监测");
    auto* list = h.Find<QTreeView>("超级列表框");
    start->click();
    QTRY_VERIFY_WITH_TIMEOUT(list->model()->rowCount() > 0, 10000);
    QTRY_VERIFY(start->text().startsWith(Ui("正在监测(关键词数：1)")));
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(),
             Ui("标题(%1条)").arg(list->model()->rowCount()));
    QVERIFY(h.beeper.beeps > 0);

    // Modifying the running configuration is refused; ticking the other one asks first.
    h.SelectTreeItem(1);
    h.Click("按钮修改到选中配置");
    QCOMPARE(h.questioner.told.back(), gbk("当前监测配置处于运行状态，不允许修改！"));
    h.questioner.answers = {true};
    h.Tree()->topLevelItem(0)->child(1)->setCheckState(0, Qt::Checked);
    QCOMPARE(h.questioner.asked.size(), size_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(start->text() == Ui("正在监测(关键词数：2)"), 5000);

    // A right click opens the row's address and marks the row read.
    list->setCurrentIndex(list->model()->index(0, 0));
    Text address = h.window->ResultList().Row(0).address;
    emit list->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(h.opener.opened.back(), address);
    QCOMPARE(h.window->ResultList().Row(0).image, int(kRowReadImage));
    h.Click("按钮打开网页");
    QCOMPARE(h.opener.opened.back(), address);

    start->click();  // workers that end rewrite the caption, so "正在停止.." may not last
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), Ui("开始监测"), 10000);
    QCOMPARE(h.questioner.told.back(), gbk("监测已停止！"));
  }

  void closingWhileMonitoringSavesAndDoesNotHang() {
    FakeSearchEngine engine;
    Harness h(OneWebConfiguration(engine.Start(), "a|b|c"));
    h.Click("按钮开始监测");
    QTest::qWait(300);
    QElapsedTimer timer;
    timer.start();
    h.window->close();
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(h.window->Control().Caption(), gbk("开始监测"));
  }

  // The tray's right click asks first; on OK it saves, stops the workers and ends the
  // event loop with status 0.
  void trayExitSavesAndEndsWithStatusZero() {
    FakeSearchEngine engine;
    Harness h(OneWebConfiguration(engine.Start(), "a|b"));
    h.Click("按钮开始监测");
    QTRY_VERIFY_WITH_TIMEOUT(h.window->ResultList().RowCount() > 0, 10000);
    h.Find<QCheckBox>("选择框禁止提示音")->setChecked(true);

    h.questioner.answers = {false};
    h.window->TrayActivated(QSystemTrayIcon::Context);
    QCOMPARE(h.questioner.asked.back(), gbk("确定要退出 Zavrin·Plexaro 吗？"));
    QVERIFY(h.window->Control().IsActive());

    h.questioner.answers = {true};
    QEventLoop loop;  // stands for the program's main loop
    QTimer::singleShot(0, h.window.get(),
                       [&h] { h.window->TrayActivated(QSystemTrayIcon::Context); });
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(loop.exec(), 0);
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(!h.window->Control().IsActive());
    SettingsStore reread;
    QVERIFY(reread.OpenStore(h.configPath, kFileInMemory));
    reread.SelectSection(gbk("监测列表"));
    QCOMPARE(reread.ReadText(gbk("(1)关键词")), Text("a|b"));
    QVERIFY(reread.ReadBool(gbk("选择框禁止提示音")));
  }

  void copyButtonsAndTheTrayToggle() {
    Harness h("");
    h.window->ResultList().InsertRow(0, {"t", "first title", "s", "k", "http://a/1"});
    h.window->ResultList().InsertRow(1, {"t", "second title", "s", "k", "http://a/2"});
    h.window->QuickReadPage().contentTag = "extracted";
    // Before any preview or right click the original page is empty: nothing opens.
    h.Click("按钮打开网页");
    QVERIFY(h.opener.opened.empty());
    h.Click("按钮复制内容");
    QCOMPARE(QGuiApplication::clipboard()->text(), Ui("extracted"));
    auto* list = h.Find<QTreeView>("超级列表框");
    list->setCurrentIndex(list->model()->index(1, 0));
    h.Click("按钮复制标题");
    QCOMPARE(QGuiApplication::clipboard()->text(), Ui("second title"));
    QCOMPARE(list->model()->data(list->model()->index(1, 4)).toString(), Ui("http://a/2"));

    h.window->ToggleFromTray();
    QVERIFY(!h.window->isVisible());
    h.window->ToggleFromTray();
    QVERIFY(h.window->isVisible());
  }

  void leftClickPreviewsTheHitAndCachesItsBody() {
    ArticleServer server;
    Harness h("");
    const std::string article = server.Url("/article");
    h.window->ResultList().InsertRow(0, {"t", "Title A", "s", "k", article});
    h.window->ResultList().InsertRow(1, {"t", "Title B", "s", "k", server.Url("/slow")});
    auto* list = h.Find<QTreeView>("超级列表框");
    auto* tabs = h.Find<QTabWidget>("选择夹");
    auto* view = h.Find<HtmlView>("浏览器");
    QVERIFY(view);
    auto click = [&](int row) {
      QRect place = list->visualRect(list->model()->index(row, 1));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    };
    const QString waiting = Ui("正在读取网页并自动提取正文..请稍等");
    const QString body = QString(300, 'z') + Ui(" 正文");

    click(0);
    QCOMPARE(view->toPlainText(), waiting);
    QCOMPARE(tabs->currentIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!h.window->QuickRead().Busy(), 10000);
    QString shown = view->toPlainText();
    QVERIFY2(shown.startsWith(Ui("【127.0.0.1")), qPrintable(shown));
    QVERIFY(shown.contains(Ui("Title A")));
    QVERIFY(shown.contains(body));
    QCOMPARE(tabs->currentIndex(), 1);  // and switching there did not blank the page
    QCOMPARE(h.window->ResultList().Row(0).image, int(kRowReadImage));
    QCOMPARE(Link(h, "超级链接框原网页")->Address(), article);
    Text cacheLink = Link(h, "超级链接框浏览器")->Address();
    QVERIFY(cacheLink.starts_with("file://"));
    QString cacheFile = QUrl(ToQString(cacheLink)).toLocalFile();
    QVERIFY(cacheFile.startsWith(ToQString(h.dir.path() + gbk("速阅缓存/"))));
    QVERIFY(QFile::exists(cacheFile));
    h.Click("按钮复制内容");
    QVERIFY(QGuiApplication::clipboard()->text().contains(body));
    QCOMPARE(server.imageRequests.load(), 0);  // images stay placeholders

    // Links leave the view for the user's browser; a page's script links go nowhere.
    emit view->anchorClicked(QUrl(ToQString(article)));
    QCOMPARE(h.opener.opened.back(), article);
    emit view->anchorClicked(QUrl("javascript:alert(1)"));
    QCOMPARE(h.opener.opened.size(), size_t(1));
    QTest::mouseClick(Link(h, "超级链接框浏览器"), Qt::RightButton);
    QCOMPARE(h.opener.opened.back(), cacheLink);

    // Hit B is overtaken by a cached A: B's late result writes nothing.
    click(1);
    QCOMPARE(view->toPlainText(), waiting);
    click(0);
    QVERIFY(view->toPlainText().contains(body));
    QTRY_VERIFY_WITH_TIMEOUT(!h.window->QuickRead().Busy(), 10000);
    QTest::qWait(20);
    QVERIFY(view->toPlainText().contains(body));
    QCOMPARE(h.window->ResultList().Row(1).image, int(kRowUnreadImage));
    QVERIFY(h.window->QuickReadPage().contentTag.find(std::string(300, 'y')) == Text::npos);

    // The user's own visit to the tab blanks it; the cache answers without the server.
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(1);
    QVERIFY(view->toPlainText().isEmpty());
    server.Stop();
    tabs->setCurrentIndex(0);
    click(0);
    QVERIFY(!h.window->QuickRead().Busy());
    QVERIFY(view->toPlainText().contains(body));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(server.articleRequests.load(), 1);
  }

  // The program carries the sound the build wrote, byte for byte.
  void notificationSoundIsTheEmbeddedWave() {
    QFile resource(kNotificationWaveResource);
    QVERIFY(resource.open(QIODevice::ReadOnly));
    QByteArray embedded = resource.readAll();
    QCOMPARE(embedded.size(), 90044);
    std::string expected = NotificationWave();
    QVERIFY(embedded == QByteArray(expected.data(), qsizetype(expected.size())));
    NotificationSound sound;  // no audio device here: a beep must not fail
    sound.Beep();
    sound.Beep();
  }

  // The refresh pumps events, so the close box can be handled inside a hand-over, while
  // the worker that handed over waits for that refresh.
  void closingInsideARefreshDoesNotHang() {
    FakeSearchEngine engine;
    Harness h(OneWebConfiguration(engine.Start(), "a"));
    h.beeper.onBeep = [&h] { h.window->close(); };
    h.Click("按钮开始监测");
    QTRY_VERIFY_WITH_TIMEOUT(!h.window->isVisible(), 10000);
    QCOMPARE(h.window->Control().Caption(), gbk("开始监测"));
    QVERIFY(h.window->ResultList().RowCount() > 0);
  }
};

}  // namespace plexaro

QTEST_MAIN(plexaro::MainWindowTest)
#include "main_window_qtest.moc"
