#include "shell/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>

#include "core/config_file.h"
#include "core/web_search_client.h"
#include "core/window_layout.h"
#include "shell/dialogs.h"
#include "shell/images.h"
#include "shell/notification_sound.h"
#include "shell/qt_text.h"

namespace plexaro {
namespace {
constexpr int kBrowserOffset = 80;  // the quick-read view starts below the page's buttons
constexpr auto kPollInterval = std::chrono::milliseconds(100);
constexpr auto kRetryDelay = std::chrono::milliseconds(10);

template <typename T>
T* Make(QWidget* parent, const char* name, const QRect& place) {
  T* widget = new T(parent);
  widget->setObjectName(Ui(name));
  widget->setGeometry(place);
  return widget;
}

template <typename T>
T* MakeCaptioned(QWidget* parent, const char* name, const char* caption, const QRect& place) {
  T* widget = Make<T>(parent, name, place);
  widget->setText(Ui(caption));
  return widget;
}

QRect ToQRect(const Rect& rect) {
  return QRect(rect.left, rect.top, rect.width, rect.height);
}

template <typename T>
T& Pick(T* given, std::unique_ptr<T>& own) {
  return given ? *given : *own;
}
}  // namespace

QString WindowTitle() {
  return Ui("Zavrin·Plexaro v1.0.0.2 - 左键单击预览网页，右键单击打开网页");
}

MainWindow::MainWindow(SettingsStore& store, ShellOptions options)
    : store_(store),
      options_(std::move(options)),
      ownQuestioner_(options_.questioner ? nullptr : std::make_unique<MessageBoxes>(this)),
      ownOpener_(options_.opener ? nullptr : std::make_unique<DesktopOpener>()),
      ownBeeper_(options_.beeper ? nullptr : std::make_unique<NotificationSound>()),
      questioner_(Pick(options_.questioner, ownQuestioner_)),
      opener_(Pick(options_.opener, ownOpener_)),
      refresher_(store_, configs_, list_, tree_, Pick(options_.beeper, ownBeeper_)),
      editor_(tree_, configs_, questioner_,
              {[this] { return control_->IsActive(); },
               [this](size_t config) { control_->StartConfig(config); },
               [this](bool disable) { control_->SetAllEnabled(tree_, disable); }}) {
  setObjectName(Ui("窗口"));
  setWindowTitle(WindowTitle());
  setWindowIcon(ProgramIcon());

  QtHost::Handlers handlers;
  handlers.captionChanged = [this] { ShowCaption(); };
  handlers.handOver = [this](const HandOverRequest& request) {
    ++handOversRunning_;
    refresher_.RefreshResultList(request);
    --handOversRunning_;
  };
  handlers.saveConfigs = [this] { SaveConfigs(); };
  handlers.monitoringStopped = [this] {
    ShowCaption();
    questioner_.Tell(gbk("监测已停止！"));
  };
  handlers.problemReported = [this](const Text& problem) { questioner_.Tell(problem); };
  host_ = new QtHost(std::move(handlers), this);

  MonitorEnvironment environment;
  environment.configs = &configs_;
  environment.host = host_;
  environment.makeClient = WebSearchClientFactory();
  environment.hosts = ReadSearchHosts(store_);
  environment.runDirectory = options_.runDirectory;
  environment.secondLength = options_.secondLength;
  control_ = std::make_unique<MonitorControl>(std::move(environment));

  BuildControls();
  ConnectEditor();
  ConnectQuickRead();
  move(50, 50);
  resize(kDesignedClientWidth, kDesignedClientHeight);
  LoadConfigs();

  connect(&pollTimer_, &QTimer::timeout, this, [this] { control_->Poll(); });
  pollTimer_.start(kPollInterval);
}

MainWindow::~MainWindow() {
  quickRead_.reset();
  StopMonitoring();
  list_.SetObserver(nullptr);
}

void MainWindow::BuildControls() {
  treeView_ = Make<QTreeWidget>(this, "树型框", ToQRect(kDesignedTree));
  treeBinding_ = std::make_unique<TreeViewBinding>(
      treeView_, tree_,
      TreeViewBinding::Handlers{
          [this] { OnTreeSelection(); },
          [this](int item, int state) { editor_.OnCheckChanged(item, state); }});

  tabs_ = Make<QTabWidget>(this, "选择夹", ToQRect(kDesignedTabs));
  auto* editorPage = new QWidget;
  quickReadPage_ = new QWidget;
  tabs_->addTab(editorPage, Ui("  监测配置  "));
  tabs_->addTab(quickReadPage_, Ui("  速阅窗口  "));
  BuildEditorPage(editorPage);
  BuildQuickReadPage(quickReadPage_);

  startButton_ =
      MakeCaptioned<QPushButton>(this, "按钮开始监测", "开始监测", ToQRect(kDesignedStartButton));
  connect(startButton_, &QPushButton::clicked, this, [this] { OnStartButton(); });
  BuildResultList();
}

void MainWindow::BuildEditorPage(QWidget* page) {
  auto* fields = Make<QGroupBox>(page, "分组框", {16, 40, 440, 192});
  fields->setTitle(Ui("配置参数"));
  BuildEditorFields(fields);
  auto button = [&](const char* name, const char* caption, QRect place, auto handler) {
    auto* widget = MakeCaptioned<QPushButton>(page, name, caption, place);
    connect(widget, &QPushButton::clicked, this, handler);
  };
  button("按钮添加新配置", "添加新配置", {16, 248, 136, 32},
         [this] { EditTree([this] { editor_.OnAdd(); }); });
  button("按钮修改到选中配置", "修改到选中配置", {160, 248, 144, 32},
         [this] { EditTree([this] { editor_.OnModify(); }); });
  button("按钮删除选中配置", "删除选中配置", {312, 248, 144, 32},
         [this] { EditTree([this] { editor_.OnDelete(); }); });
  button("按钮全部启用配置", "全部启用配置", {16, 288, 215, 32},
         [this] { EditTree([this] { editor_.OnSetAllEnabled(false); }); });
  button("按钮全部取消启用配置", "全部取消启用配置", {240, 288, 215, 32},
         [this] { EditTree([this] { editor_.OnSetAllEnabled(true); }); });

  auto* options = Make<QGroupBox>(page, "分组框1", {472, 40, 224, 280});
  options->setTitle(Ui("控制选项"));
  BuildControlOptions(options);

  auto* video = new HyperlinkLabel(Ui("视频教程 >>"), opener_, page);
  video->setObjectName(Ui("链接视频教程"));
  video->setGeometry(224, 4, 152, 24);
  video->SetAddress("https://plexaro.example.org/tutorial");
  auto* home = new HyperlinkLabel(Ui("软件主页 >>"), opener_, page);
  home->setObjectName(Ui("链接软件主页"));
  home->setGeometry(368, 4, 152, 24);
  home->SetAddress("https://plexaro.example.org/");
  auto* contact = new HyperlinkLabel(Ui("联系作者 >>"), opener_, page);
  contact->setObjectName(Ui("链接联系作者"));
  contact->setGeometry(504, 4, 200, 24);
  contact->SetAddress("https://plexaro.example.org/contact");
}

void MainWindow::BuildEditorFields(QGroupBox* box) {
  MakeCaptioned<QLabel>(box, "标签3", "监测数据源：", {16, 24, 96, 24});
  sources_ = new QButtonGroup(box);
  struct Source {
    const char* name;
    const char* caption;
    QRect place;
    int code;
  } radios[] = {{"单选框新闻源", "新闻源", {112, 24, 80, 24}, kNews},
                {"单选框泛网页", "泛网页", {200, 24, 80, 24}, kGeneralWeb},
                {"单选框论坛", "论坛", {288, 24, 70, 24}, kForum},
                {"单选框微信", "微信", {360, 24, 70, 24}, kWeChat}};
  for (const Source& source : radios) {
    sources_->addButton(MakeCaptioned<QRadioButton>(box, source.name, source.caption, source.place),
                        source.code);
  }
  MakeCaptioned<QLabel>(box, "标签2", "仅限此网站：", {16, 56, 96, 24});
  siteEdit_ = Make<QLineEdit>(box, "编辑框仅限此网站", {112, 56, 253, 24});
  pasteSite_ = MakeCaptioned<QPushButton>(box, "按钮粘贴网站", "粘贴", {369, 56, 40, 24});
  MakeCaptioned<QLabel>(box, "标签5", "监测关键词：", {16, 88, 96, 24});
  keywordsEdit_ = Make<QLineEdit>(box, "编辑框监测关键词", {112, 88, 253, 24});
  MakeCaptioned<QPushButton>(box, "按钮粘贴关键词", "粘贴", {369, 88, 40, 24});
  MakeCaptioned<QLabel>(box, "标签4", "监测返回数：", {16, 120, 96, 24});
  countEdit_ = Make<QLineEdit>(box, "编辑框监测返回数", {112, 120, 56, 24});
  titleBox_ = MakeCaptioned<QCheckBox>(box, "选择框关键词出现在标题", "关键词出现在标题",
                                       {272, 120, 152, 24});
  MakeCaptioned<QLabel>(box, "标签6", "监测刷新秒：", {16, 152, 96, 24});
  secondsEdit_ = Make<QLineEdit>(box, "编辑框监测刷新秒", {112, 152, 56, 24});
  completeBox_ = MakeCaptioned<QCheckBox>(box, "选择框完全出现", "完全出现", {333, 152, 96, 24});
  WriteFields();
}

void MainWindow::BuildControlOptions(QGroupBox* box) {
  silenceBox_ =
      MakeCaptioned<QCheckBox>(box, "选择框禁止提示音", "刷新列表时禁止提示音", {24, 24, 184, 24});
  stillBox_ = MakeCaptioned<QCheckBox>(box, "选择框保持列表静止", "刷新列表时保持列表静止",
                                       {24, 56, 198, 24});
  MakeCaptioned<QLabel>(box, "标签更新列表", "更新列表", {16, 104, 88, 32});
  connect(silenceBox_, &QCheckBox::toggled, this,
          [this](bool on) { refresher_.SetBeepSilenced(on); });
  connect(stillBox_, &QCheckBox::toggled, this,
          [this](bool on) { refresher_.SetKeepListStill(on); });
}

void MainWindow::BuildQuickReadPage(QWidget* page) {
  auto* copyTitle = MakeCaptioned<QPushButton>(page, "按钮复制标题", "复制标题", {224, 0, 136, 28});
  auto* copyContent =
      MakeCaptioned<QPushButton>(page, "按钮复制内容", "复制内容", {360, 0, 136, 28});
  openPageButton_ = MakeCaptioned<QPushButton>(page, "按钮打开网页", "打开网页", {496, 0, 136, 28});
  browserLink_ = new HyperlinkLabel(Ui("浏览器中查看 >>"), opener_, page);
  browserLink_->setObjectName(Ui("超级链接框浏览器"));
  browserLink_->setGeometry(256, 36, 152, 24);
  originalLink_ = new HyperlinkLabel(Ui("打开原网页 >>"), opener_, page);
  originalLink_->setObjectName(Ui("超级链接框原网页"));
  originalLink_->setGeometry(408, 36, 152, 24);
  browser_ = new HtmlView(opener_, page);
  browser_->setObjectName(Ui("浏览器"));
  browser_->setGeometry(0, 80, 518, 184);
  page->installEventFilter(this);
  openPageButton_->installEventFilter(this);
  browserLink_->installEventFilter(this);

  connect(copyTitle, &QPushButton::clicked, this,
          [this] { QApplication::clipboard()->setText(ToQString(SelectedTitle(list_))); });
  connect(copyContent, &QPushButton::clicked, this,
          [this] { QApplication::clipboard()->setText(ToQString(page_.contentTag)); });
  connect(openPageButton_, &QPushButton::clicked, this,
          [this] { opener_.Open(page_.originalPageAddress); });
}

void MainWindow::BuildResultList() {
  resultView_ = Make<QTreeView>(this, "超级列表框", ToQRect(kDesignedResultList));
  resultModel_ = new ResultTableModel(list_, resultView_);
  resultView_->setModel(resultModel_);
  resultView_->setRootIsDecorated(false);
  resultView_->setUniformRowHeights(true);
  resultView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  resultView_->setSelectionMode(QAbstractItemView::SingleSelection);
  resultView_->setContextMenuPolicy(Qt::CustomContextMenu);
  resultView_->header()->setStretchLastSection(false);
  for (int i = 0; i < 5; ++i) {
    resultView_->header()->resizeSection(i, ResultTableModel::kColumnWidths[i]);
  }
  connect(resultView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            list_.Select(current.isValid() ? current.row() : -1);
            if (quickRead_) quickRead_->SelectionChanged(list_.Selected());
          });
  connect(resultView_, &QTreeView::clicked, this, [this] {
    if (list_.Selected() == -1) return;
    resultView_->setFocus();
    emit PreviewRequested();
  });
  connect(resultView_, &QTreeView::customContextMenuRequested, this,
          [this] { OnResultRightClick(); });
  connect(resultModel_, &ResultTableModel::ScrollToTopRequested, resultView_,
          &QTreeView::scrollToTop);
}

void MainWindow::ConnectEditor() {
  connect(sources_, &QButtonGroup::idClicked, this, [this](int source) {
    editor_.OnSourceClicked(source);
    ApplyEnabledStates();
  });
  connect(titleBox_, &QCheckBox::clicked, this, [this](bool checked) {
    editor_.OnTitleClicked(checked);
    ApplyEnabledStates();
  });
  connect(pasteSite_, &QPushButton::clicked, this, [this] {
    editor_.OnPasteSite(ToText(QApplication::clipboard()->text()));
    siteEdit_->setText(ToQString(editor_.fields.siteLimit));
  });
  auto* pasteKeywords = findChild<QPushButton*>(Ui("按钮粘贴关键词"));
  connect(pasteKeywords, &QPushButton::clicked, this, [this] {
    editor_.OnPasteKeywords(ToText(QApplication::clipboard()->text()));
    keywordsEdit_->setText(ToQString(editor_.fields.keywords));
  });
}

void MainWindow::ConnectQuickRead() {
  // Worker results arrive as queued calls on the window, so they die with it; the check
  // drops those that arrive while the window is being torn down.
  UiPoster post = [this](std::function<void()> call) {
    QMetaObject::invokeMethod(
        this,
        [this, call = std::move(call)] {
          if (quickRead_) call();
        },
        Qt::QueuedConnection);
  };
  PreviewView& view = *this;
  quickRead_ = std::make_unique<QuickReadController>(view, options_.runDirectory + gbk("速阅缓存/"),
                                                     std::move(post));
  connect(this, &MainWindow::PreviewRequested, this, [this] { quickRead_->PreviewSelectedHit(); });
  connect(tabs_, &QTabWidget::currentChanged, this,
          [this](int index) { quickRead_->OnTabEvent(index); });
}

void MainWindow::LoadConfigs() {
  PinToFirstProcessor();
  bool silenced = silenceBox_->isChecked();
  LoadMonitorConfigs(store_, configs_, tree_, silenced);
  silenceBox_->setChecked(silenced);
  refresher_.SetBeepSilenced(silenced);
  treeBinding_->Sync();
}

void MainWindow::SaveConfigs() {
  page_.contentTag.clear();
  page_.titleTag.clear();
  SaveMonitorConfigs(store_, configs_, silenceBox_->isChecked());
}

void MainWindow::StopMonitoring() {
  pollTimer_.stop();
  control_->Shutdown();  // never waits for a worker that is stuck: transfers are aborted
  host_->Close();
}

void MainWindow::ReadFields() {
  EditorFields& fields = editor_.fields;
  fields.source = sources_->checkedId();
  fields.siteLimit = ToText(siteEdit_->text());
  fields.keywords = ToText(keywordsEdit_->text());
  fields.resultCount = ToText(countEdit_->text());
  fields.refreshSeconds = ToText(secondsEdit_->text());
  fields.keywordInTitle = titleBox_->isChecked();
  fields.completeMatch = completeBox_->isChecked();
}

void MainWindow::WriteFields() {
  const EditorFields& fields = editor_.fields;
  if (QAbstractButton* radio = sources_->button(fields.source)) {
    radio->setChecked(true);
  } else if (QAbstractButton* checked = sources_->checkedButton()) {
    sources_->setExclusive(false);
    checked->setChecked(false);
    sources_->setExclusive(true);
  }
  siteEdit_->setText(ToQString(fields.siteLimit));
  keywordsEdit_->setText(ToQString(fields.keywords));
  countEdit_->setText(ToQString(fields.resultCount));
  secondsEdit_->setText(ToQString(fields.refreshSeconds));
  titleBox_->setChecked(fields.keywordInTitle);
  completeBox_->setChecked(fields.completeMatch);
  if (fields.keywordSelectionLength > 0) {
    keywordsEdit_->setSelection(int(fields.keywordSelectionStart),
                                int(fields.keywordSelectionLength));
  }
  ApplyEnabledStates();
}

void MainWindow::ApplyEnabledStates() {
  siteEdit_->setEnabled(editor_.fields.siteEnabled);
  pasteSite_->setEnabled(editor_.fields.siteEnabled);
  completeBox_->setEnabled(editor_.fields.completeMatchEnabled);
}

template <typename Handler>
void MainWindow::EditTree(Handler handler) {
  ReadFields();
  EditorFields before = editor_.fields;
  handler();
  treeBinding_->Sync();
  // Only a shown configuration rewrites the fields, so typing in progress stays.
  if (!(editor_.fields == before)) WriteFields();
}

void MainWindow::OnTreeSelection() {
  ReadFields();
  if (!editor_.OnSelectionChanged()) return;
  WriteFields();
  tabs_->setCurrentIndex(0);
}

void MainWindow::OnStartButton() {
  control_->OnStartButton();
  ShowCaption();
}

void MainWindow::ShowCaption() {
  startButton_->setText(ToQString(control_->Caption()));
}

void MainWindow::OnResultRightClick() {
  OpenSelectedHit(list_, page_, opener_);
  originalLink_->SetAddress(page_.originalPageAddress);
}

long MainWindow::SelectedRow() const {
  return list_.Selected();
}

Text MainWindow::RowTitle(long row) const {
  return row < 0 ? Text() : list_.Row(size_t(row)).title;
}

Text MainWindow::RowAddress(long row) const {
  return row < 0 ? Text() : list_.Row(size_t(row)).address;
}

void MainWindow::MarkRowRead(long row) {
  if (row >= 0) list_.SetRowImage(size_t(row), kRowReadImage);
}

void MainWindow::WriteHtml(const Text& html) {
  browser_->Blank();
  browser_->Write(ToQString(html));
}

void MainWindow::SetOriginalPageLink(const Text& address) {
  page_.originalPageAddress = address;
  originalLink_->SetAddress(address);
}

void MainWindow::SetCacheFileLink(const Text& path) {
  // As a URL, so that characters such as '#' or '%' in the run directory stay part of
  // the path when the desktop opens it.
  page_.browserAddress = ToText(QUrl::fromLocalFile(ToQString(path)).toString(QUrl::FullyEncoded));
  browserLink_->SetAddress(page_.browserAddress);
}

void MainWindow::SetCopyTexts(const Text& content, const Text& title) {
  page_.contentTag = content;
  page_.titleTag = title;
}

bool MainWindow::QuickReadTabShown() const {
  return tabs_->currentIndex() == 1;
}

void MainWindow::ShowQuickReadTab() {
  tabs_->setCurrentIndex(1);
}

void MainWindow::LayOut() {
  WindowLayout layout = LayoutWindow(width(), height(), kDesignedTree, startButton_->height());
  treeView_->setGeometry(ToQRect(layout.tree));
  tabs_->setGeometry(ToQRect(layout.tabs));
  startButton_->setGeometry(ToQRect(layout.startButton));
  resultView_->setGeometry(ToQRect(layout.resultList));
  int otherColumns = 0;
  for (int i = 0; i < 4; ++i) otherColumns += resultView_->header()->sectionSize(i);
  resultView_->header()->resizeSection(4, LastColumnWidth(width(), otherColumns));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == quickReadPage_ && event->type() == QEvent::Resize) {
    browser_->setGeometry(
        ToQRect(BrowserPlace(quickReadPage_->width(), quickReadPage_->height(), kBrowserOffset)));
  } else if ((watched == openPageButton_ || watched == browserLink_) &&
             event->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    opener_.Open(browserLink_->Address());  // the quick-read cache file of the hit
  }
  return QWidget::eventFilter(watched, event);
}

bool MainWindow::PostponedForHandOver(void (MainWindow::*action)()) {
  // The refresh pumps events, so a close can arrive inside it; waiting there for the
  // workers would wait for the one that waits for this very refresh. Act once it is over.
  if (handOversRunning_ == 0) return false;
  QTimer::singleShot(kRetryDelay, this, action);
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_ && PostponedForHandOver(&MainWindow::CloseLater)) {
    event->ignore();
    return;
  }
  if (!closing_) {
    closing_ = true;
    SaveConfigs();
    StopMonitoring();
    if (tray_) tray_->hide();
  }
  event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) EnsureTrayIcon();
}

void MainWindow::EnsureTrayIcon() {
  if (tray_ || !QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(ProgramIcon(), this);
  tray_->setToolTip(Ui("Zavrin·Plexaro"));
  connect(tray_, &QSystemTrayIcon::activated, this, &MainWindow::TrayActivated);
  tray_->show();
}

void MainWindow::TrayActivated(QSystemTrayIcon::ActivationReason why) {
  if (why == QSystemTrayIcon::Trigger) {
    ToggleFromTray();
  } else if (why == QSystemTrayIcon::Context &&
             questioner_.Ask(gbk("确定要退出 Zavrin·Plexaro 吗？"))) {
    ExitFromTray();
  }
}

void MainWindow::ToggleFromTray() {
  if (isVisible()) {
    hide();
    return;
  }
  show();
  if (isMinimized()) {
    showNormal();
    if (QScreen* screen = this->screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  raise();
  activateWindow();
}

void MainWindow::CloseLater() {
  close();
}

void MainWindow::ExitFromTray() {
  if (closing_ || PostponedForHandOver(&MainWindow::ExitFromTray)) return;
  closing_ = true;
  SaveConfigs();
  if (tray_) tray_->hide();
  StopMonitoring();
  QCoreApplication::exit(0);
}

}  // namespace plexaro
