// Control states of real widgets through a real configuration file: one control of each
// kind saved and restored into a fresh window, window places, exclusions and tags.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "settings/control_persistence.h"
#include "settings/settings_store.h"
#include "shell/qt_text.h"
#include "shell/widget_persistence.h"
#include "support/temp_dir.h"
#include "web/files.h"

namespace plexaro {
namespace {

// A window with one control of each kind, in a fixed order, all in their initial state.
struct Form {
  Form() {
    button = Add<QPushButton>("按钮开始");
    line = Add<QLineEdit>("编辑框关键词");
    text = Add<QPlainTextEdit>("编辑框说明");
    check = Add<QCheckBox>("选择框禁止提示音");
    radioA = Add<QRadioButton>("单选框甲");
    radioB = Add<QRadioButton>("单选框乙");
    radioA->setChecked(true);
    combo = Add<QComboBox>("组合框城市");
    combo->setEditable(true);
    list = Add<QListWidget>("列表框来源");
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    checks = Add<QListWidget>("选择列表框站点");
    checks->setProperty(kCheckListProperty, true);
    colour = Add<QWidget>("颜色选择器背景");
    colour->setProperty(kColorProperty, QColor(Qt::white));
    window.setGeometry(100, 120, 400, 300);
  }

  template <typename W>
  W* Add(const char* name) {
    auto* widget = new W(&window);
    widget->setObjectName(Ui(name));
    return widget;
  }

  QWidget window;
  QPushButton* button;
  QLineEdit* line;
  QPlainTextEdit* text;
  QCheckBox* check;
  QRadioButton *radioA, *radioB;
  QComboBox* combo;
  QListWidget *list, *checks;
  QWidget* colour;
};

QStringList Texts(const QListWidget& list) {
  QStringList out;
  for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
  return out;
}

QList<int> Rows(const QListWidget& list, bool ticks) {
  QList<int> out;
  for (int i = 0; i < list.count(); ++i) {
    bool marked = ticks ? list.item(i)->checkState() == Qt::Checked : list.item(i)->isSelected();
    if (marked) out << i;
  }
  return out;
}

}  // namespace

class ControlPersistenceQTest : public QObject {
  Q_OBJECT

 private:
  Text configPath() const { return dir_->path() + gbk("Zavrin·Plexaro.ini"); }
  // The store on the configuration file, opened afresh as a restart would.
  std::unique_ptr<SettingsStore> OpenStore() {
    auto store = std::make_unique<SettingsStore>();
    store->OpenStore(configPath(), kFileOnDisk);
    return store;
  }
  QString FileText() {
    ByteSet bytes;
    ReadWholeFile(configPath(), bytes);
    return ToQString(bytes);
  }

  std::unique_ptr<TempDir> dir_;

 private slots:
  void init() { dir_ = std::make_unique<TempDir>(); }
  void cleanup() { dir_.reset(); }

  void everyKindRoundTripsThroughTheFile() {
    Form saved;
    saved.button->setProperty(kTagProperty, Ui("标记值"));
    saved.line->setText(Ui("关键词"));
    saved.text->setPlainText(Ui("第一行\n第二行"));
    saved.check->setChecked(true);
    saved.radioB->setChecked(true);
    saved.combo->addItems({Ui("北京"), Ui("上海"), Ui("广州")});
    saved.combo->setCurrentIndex(1);
    saved.combo->setEditText(Ui("上海市"));
    saved.list->addItems({"a", "b", "c"});
    saved.list->item(0)->setSelected(true);
    saved.list->item(2)->setSelected(true);
    for (const char* site : {"x.com", "y.com", "z.com"}) {
      auto* item = new QListWidgetItem(site, saved.checks);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
    saved.checks->item(1)->setCheckState(Qt::Checked);
    saved.checks->setCurrentRow(2);
    saved.colour->setProperty(kColorProperty, QColor(0x12, 0x34, 0x56));
    {
      auto store = OpenStore();
      WidgetWindow view(&saved.window);
      PersistControls(*store, view, false, gbk("测试窗口"), {}, true, true);
    }
    QString file = FileText();
    QVERIFY(file.startsWith(Ui("[测试窗口]\r\n")));
    QVERIFY(file.contains(Ui("\r\n选择框禁止提示音=真")));
    QVERIFY(file.contains(Ui("\r\n编辑框说明=第一行┊*┊第二行")));
    QVERIFY(file.contains(Ui("\r\n颜色选择器背景=5649426")));  // 0x563412, as BGR
    QVERIFY(file.contains(Ui("\r\n选择列表框站点.打勾=1")));

    Form restored;
    auto store = OpenStore();
    WidgetWindow view(&restored.window);
    PersistControls(*store, view, true, gbk("测试窗口"), {}, true, true);
    QCOMPARE(restored.button->property(kTagProperty).toString(), Ui("标记值"));
    QCOMPARE(restored.line->text(), Ui("关键词"));
    QCOMPARE(restored.text->toPlainText(), Ui("第一行\n第二行"));
    QVERIFY(restored.check->isChecked());
    QVERIFY(restored.radioB->isChecked());
    QVERIFY(!restored.radioA->isChecked());
    QCOMPARE(restored.combo->count(), 3);
    QCOMPARE(restored.combo->currentIndex(), 1);
    QCOMPARE(restored.combo->currentText(), Ui("上海市"));
    QCOMPARE(Texts(*restored.list), QStringList({"a", "b", "c"}));
    QCOMPARE(Rows(*restored.list, false), QList<int>({0, 2}));
    QCOMPARE(Texts(*restored.checks), QStringList({"x.com", "y.com", "z.com"}));
    QCOMPARE(Rows(*restored.checks, true), QList<int>({1}));
    QCOMPARE(restored.checks->currentRow(), 2);
    QCOMPARE(restored.colour->property(kColorProperty).value<QColor>(), QColor(0x12, 0x34, 0x56));
  }

  void menuItemIsKeyedByItsCaption() {
    QAction action(Ui("总在最前"));
    action.setObjectName(Ui("菜单置顶"));
    action.setCheckable(true);
    action.setChecked(true);
    auto store = OpenStore();
    store->SelectSection(gbk("菜单"));
    auto item = MakeMenuItemControl(&action);
    QVERIFY(SaveMenuCheck(*store, *item));
    QCOMPARE(FileText(), Ui("[菜单]\r\n总在最前=真"));
    action.setChecked(false);
    QVERIFY(RestoreMenuCheck(*store, *item));
    QVERIFY(action.isChecked());
  }

  void maximisedWindowKeepsItsLastNormalPlace() {
    Form form;
    form.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.window));
    form.window.move(100, 120);
    form.window.resize(400, 300);
    auto store = OpenStore();
    WidgetWindow view(&form.window);
    SaveWindowPlace(*store, view, {});
    form.window.showMaximized();
    QTRY_VERIFY(form.window.isMaximized());
    SaveWindowPlace(*store, view, {});
    QVERIFY(FileText().contains(Ui("\r\n宽度=400\r\n顶边=120\r\n左边=100\r\n位置=3")));

    Form later;
    later.window.resize(222, 111);
    WidgetWindow laterView(&later.window);
    RestoreWindowPlace(*store, laterView, {});
    QVERIFY(later.window.windowState() & Qt::WindowMaximized);
    QCOMPARE(later.window.size(), QSize(222, 111));

    store->WriteNumber(gbk("位置"), 0);
    RestoreWindowPlace(*store, laterView, {});
    QVERIFY(!(later.window.windowState() & Qt::WindowMaximized));
    QCOMPARE(later.window.pos(), QPoint(100, 120));
    QCOMPARE(later.window.size(), QSize(400, 300));
  }

  void centredStateCentresOnTheScreen() {
    QWidget window;
    window.resize(200, 100);
    WidgetWindow view(&window);
    view.SetState(kCentred);
    QCOMPARE(view.State(), int(kNormal));
    QPoint centre = window.screen()->availableGeometry().center();
    QVERIFY((window.frameGeometry().center() - centre).manhattanLength() <= 2);
  }

  void exclusionsAndTagsDecideWhatIsStored() {
    Form form;
    form.check->setChecked(true);
    form.check->setProperty(kTagProperty, Ui("禁止保存"));
    form.line->setText("excluded");
    form.text->setProperty(kTagProperty, Ui("字节集方式"));
    form.text->setPlainText(Ui("正文\n两行"));
    form.radioB->setObjectName(Ui("选择框其实是单选框"));  // announces another kind
    {
      auto store = OpenStore();
      WidgetWindow view(&form.window);
      PersistControls(*store, view, false, gbk("窗口"), {gbk("编辑框关键词")});
    }
    QString file = FileText();
    QVERIFY(!file.contains(Ui("选择框禁止提示音")));
    QVERIFY(!file.contains(Ui("编辑框关键词")));
    QVERIFY(!file.contains(Ui("编辑框说明")));
    QVERIFY(!file.contains(Ui("选择框其实是单选框")));
    QVERIFY(file.contains(Ui("\r\n单选框甲=真")));
    QVERIFY(!file.contains(Ui("组合框城市.列表")));  // combo items only when asked
    ByteSet side;
    QVERIFY(ReadWholeFile(dir_->path() + gbk("inibin/窗口-编辑框说明.ibn"), side));
    QCOMPARE(ToQString(side), Ui("正文\r\n两行"));

    form.text->setPlainText("changed");
    form.check->setChecked(false);
    auto store = OpenStore();
    WidgetWindow view(&form.window);
    PersistControls(*store, view, true, gbk("窗口"), {gbk("编辑框关键词")});
    QCOMPARE(form.text->toPlainText(), Ui("正文\n两行"));
    QVERIFY(!form.check->isChecked());
  }

  void listWidgetIsACheckListOnlyWithTickBoxes() {
    QListWidget list;
    list.addItems({"a", "b"});  // user-checkable by default, but showing no box
    QCOMPARE(MakeWidgetControl(&list)->Kind(), ControlKind::kListBox);
    list.item(1)->setCheckState(Qt::Unchecked);
    QCOMPARE(MakeWidgetControl(&list)->Kind(), ControlKind::kCheckList);
    QListWidget empty;
    empty.setProperty(kCheckListProperty, true);
    auto control = MakeWidgetControl(&empty);
    QCOMPARE(control->Kind(), ControlKind::kCheckList);
    control->SetItems({"x"});
    QCOMPARE(empty.item(0)->checkState(), Qt::Unchecked);
  }

  void destroyedWidgetsReadAsEmpty() {
    auto* window = new QWidget;
    auto* box = new QCheckBox(window);
    box->setObjectName(Ui("选择框甲"));
    WidgetWindow view(window);
    delete window;
    auto store = OpenStore();
    PersistControls(*store, view, false, gbk("窗口"));
    PersistControls(*store, view, true, gbk("窗口"));
    SaveWindowPlace(*store, view, {});
    QVERIFY(!FileText().contains(Ui("选择框甲")));
  }
};

}  // namespace plexaro

QTEST_MAIN(plexaro::ControlPersistenceQTest)
#include "control_persistence_qtest.moc"
