// The window stays responsive while 200 keywords poll the fake search engine: a 10 ms
// timer on the GUI thread must never wait much longer than its period.
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <algorithm>

#include "tools/fake_search_engine.h"
#include "web/event_pump.h"
#include "window_harness.h"

namespace plexaro {
namespace {

// Instrumented code runs several times slower, and ThreadSanitizer serialises much of it.
#if defined(__SANITIZE_THREAD__)
constexpr qint64 kLongestGapAllowedMs = 400;
#elif defined(__SANITIZE_ADDRESS__)
constexpr qint64 kLongestGapAllowedMs = 200;
#else
constexpr qint64 kLongestGapAllowedMs = 50;
#endif

// Twenty configurations of ten keywords each, spread over the three search hosts.
std::string TwoHundredKeywords(int port) {
  std::string ini = SearchHostsOn(port) + "[监测列表]\r\n数量=20\r\n";
  const int sources[] = {0, 1, 3};
  for (int config = 1; config <= 20; ++config) {
    std::string prefix = "(" + std::to_string(config) + ")";
    std::string keywords;
    for (int k = 0; k < 10; ++k) {
      keywords += (k ? "|" : "") + std::string("词") + std::to_string(config * 10 + k);
    }
    ini += prefix + "启用=真\r\n" + prefix + "数据源=" + std::to_string(sources[config % 3]) +
           "\r\n" + prefix + "关键词=" + keywords + "\r\n" + prefix + "返回数=10\r\n" + prefix +
           "刷新秒=5\r\n";
  }
  return ini;
}

// The longest wait between two ticks of a 10 ms timer.
class GapMeter {
 public:
  GapMeter() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, clock_.restart());
      ++ticks_;
    });
    timer_.setTimerType(Qt::PreciseTimer);
    clock_.start();
    timer_.start(10);
  }
  qint64 LongestMs() const { return longest_; }
  int Ticks() const { return ticks_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
  int ticks_ = 0;
};

}  // namespace

class ResponsivenessTest : public QObject {
  Q_OBJECT
  EventPumpForTests eventPump_;

 private slots:
  // A stall of the window's own making repeats in every run; a hiccup of a shared
  // machine does not, so one failed run gets a second chance.
  void twoHundredKeywordsNeverStallTheWindow() {
    qint64 longest = 0;
    MonitorTwoHundredKeywords(longest);
    if (QTest::currentTestFailed()) return;
    if (longest >= kLongestGapAllowedMs) MonitorTwoHundredKeywords(longest);
    if (QTest::currentTestFailed()) return;
    QVERIFY2(longest < kLongestGapAllowedMs, qPrintable(QString::number(longest)));
  }

 private:
  static void MonitorTwoHundredKeywords(qint64& longestGapMs) {
    FakeSearchEngine engine;
    int port = engine.Start();
    QVERIFY(port > 0);
    Harness h(TwoHundredKeywords(port), std::chrono::milliseconds(1000));
    auto* list = h.Find<QTreeView>("超级列表框");
    QTest::qWait(300);  // the window's first paint is not what is measured
    GapMeter meter;
    h.Click("按钮开始监测");
    QTRY_COMPARE_WITH_TIMEOUT(h.window->Control().Caption(), gbk("正在监测(关键词数：200)"), 20000);
    QTest::qWait(15000);  // every keyword polls about three times
    int rows = list->model()->rowCount();
    h.Click("按钮开始监测");
    QTRY_COMPARE_WITH_TIMEOUT(h.window->Control().Caption(), gbk("开始监测"), 20000);
    longestGapMs = meter.LongestMs();
    qInfo("200 keywords, %d hits listed: longest gap of a 10 ms timer %lld ms over %d ticks", rows,
          longestGapMs, meter.Ticks());
    QVERIFY(rows >= 400);
  }
};

}  // namespace plexaro

QTEST_MAIN(plexaro::ResponsivenessTest)
#include "responsiveness_qtest.moc"
