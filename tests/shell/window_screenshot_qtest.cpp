// The README's picture of the window: monitoring the fake search engine with hits in the
// list. Under Xvfb (see CMakeLists.txt) the picture is what the X server shows; on the
// offscreen platform it is the window's own rendering.
#include <QScreen>
#include <QTreeView>
#include <QtTest>

#include "tools/fake_search_engine.h"
#include "web/event_pump.h"
#include "window_harness.h"

namespace plexaro {

class WindowScreenshotTest : public QObject {
  Q_OBJECT
  EventPumpForTests eventPump_;

 private slots:
  void windowWithHits() {
    FakeSearchEngine engine;
    int port = engine.Start();
    QVERIFY(port > 0);
    Harness h(SearchHostsOn(port) +
              "[监测列表]\r\n数量=3\r\n"
              "(1)启用=真\r\n(1)数据源=1\r\n(1)关键词=人工智能|外星文明\r\n(1)返回数=10\r\n"
              "(1)刷新秒=2\r\n"
              "(2)启用=真\r\n(2)数据源=0\r\n(2)网站=news.example.test\r\n(2)关键词=天气\r\n"
              "(2)返回数=10\r\n(2)刷新秒=3\r\n"
              "(3)启用=假\r\n(3)数据源=3\r\n(3)关键词=星空\r\n(3)返回数=10\r\n(3)刷新秒=5\r\n");
    h.Tree()->expandAll();
    h.Click("按钮开始监测");
    auto* list = h.Find<QTreeView>("超级列表框");
    QTRY_VERIFY_WITH_TIMEOUT(list->model()->rowCount() >= 12, 15000);
    list->setCurrentIndex(list->model()->index(1, 1));
    h.SelectTreeItem(2);
    QTest::qWait(200);  // let the last refresh and the repaint settle

    QImage picture = Picture(*h.window);
    QCOMPARE(picture.size(), h.window->size());
    QVERIFY2(DistinctColours(picture) > 16, "the picture is blank");
    QString path = qEnvironmentVariable("PLEXARO_SCREENSHOT");
    if (!path.isEmpty()) QVERIFY2(picture.save(path), qPrintable(path));

    h.Click("按钮开始监测");
    QTRY_COMPARE_WITH_TIMEOUT(h.window->Control().Caption(), gbk("开始监测"), 10000);
  }

 private:
  static QImage Picture(QWidget& window) {
    QPixmap shown = window.screen()->grabWindow(window.winId());
    if (shown.isNull() || shown.size() != window.size()) shown = window.grab();
    return shown.toImage();
  }

  static int DistinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4) {
      for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
  }
};

}  // namespace plexaro

QTEST_MAIN(plexaro::WindowScreenshotTest)
#include "window_screenshot_qtest.moc"
