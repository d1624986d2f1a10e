// The main window: the configuration tree, the tab control with the editor and the
// quick-read page, the start button and the result list. It owns the models and the
// monitoring control and only draws the models and forwards events to the core's rules.
// GUI thread only.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>
#include <chrono>
#include <memory>

#include "core/config_editor.h"
#include "core/monitor_control.h"
#include "core/result_actions.h"
#include "core/result_refresh.h"
#include "quickread/quick_read_controller.h"
#include "settings/settings_store.h"
#include "shell/html_view.h"
#include "shell/hyperlink_label.h"
#include "shell/qt_host.h"
#include "shell/result_list_view.h"
#include "shell/tree_view_binding.h"

namespace plexaro {

struct ShellOptions {
  Text runDirectory;  // with a trailing separator; refresh lists go below it
  // Seams for tests: message boxes, the desktop's "open", the notification sound, the
  // length of a refresh second. Null means the real thing; given ones must outlive
  // the window.
  Questioner* questioner = nullptr;
  AddressOpener* opener = nullptr;
  Beeper* beeper = nullptr;
  std::chrono::milliseconds secondLength{1000};
};

class MainWindow final : public QWidget, private PreviewView {
  Q_OBJECT

 public:
  // The store holds the opened configuration file and must outlive the window. The
  // configurations are loaded into the tree here, as the window is created.
  MainWindow(SettingsStore& store, ShellOptions options);
  ~MainWindow() override;

  // The models, for the quick-read page and for tests.
  TreeModel& Tree() { return tree_; }
  MonitorConfigList& Configs() { return configs_; }
  ResultListModel& ResultList() { return list_; }
  QuickReadPageState& QuickReadPage() { return page_; }
  MonitorControl& Control() { return *control_; }
  QuickReadController& QuickRead() { return *quickRead_; }

  // A click on the tray icon: the left button toggles the window, the right one asks
  // whether to exit and does.
  void TrayActivated(QSystemTrayIcon::ActivationReason why);
  // The tray's exit: saves, removes the icon and ends the event loop with code 0.
  void ExitFromTray();
  // The tray's left click: hides the window, or shows it in front.
  void ToggleFromTray();

 signals:
  // A left click on a result row asks the quick-read view for a preview of the
  // selected row (which has the keyboard focus by then).
  void PreviewRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildEditorPage(QWidget* page);
  void BuildEditorFields(QGroupBox* box);
  void BuildControlOptions(QGroupBox* box);
  void BuildQuickReadPage(QWidget* page);
  void BuildResultList();
  void ConnectQuickRead();
  void ConnectEditor();
  void LoadConfigs();
  void SaveConfigs();
  void StopMonitoring();

  // The editor fields to and from their widgets.
  void ReadFields();
  void WriteFields();
  void ApplyEnabledStates();
  // Runs an editor handler that may change the tree, then shows the outcome.
  template <typename Handler>
  void EditTree(Handler handler);
  void OnTreeSelection();
  void OnStartButton();
  void ShowCaption();
  void OnResultRightClick();
  void EnsureTrayIcon();
  // True when a hand-over is being refreshed; `action` then runs again shortly.
  bool PostponedForHandOver(void (MainWindow::*action)());
  void CloseLater();
  void LayOut();

  // The quick-read page as the controller sees it.
  long SelectedRow() const override;
  Text RowTitle(long row) const override;
  Text RowAddress(long row) const override;
  void MarkRowRead(long row) override;
  void WriteHtml(const Text& html) override;
  void SetOriginalPageLink(const Text& address) override;
  void SetCacheFileLink(const Text& path) override;
  void SetCopyTexts(const Text& content, const Text& title) override;
  bool QuickReadTabShown() const override;
  void ShowQuickReadTab() override;

  SettingsStore& store_;
  ShellOptions options_;
  std::unique_ptr<Questioner> ownQuestioner_;
  std::unique_ptr<AddressOpener> ownOpener_;
  std::unique_ptr<Beeper> ownBeeper_;
  Questioner& questioner_;
  AddressOpener& opener_;

  MonitorConfigList configs_;
  TreeModel tree_;
  ResultListModel list_;
  QuickReadPageState page_;
  ResultRefresher refresher_;
  QtHost* host_ = nullptr;  // a child QObject
  std::unique_ptr<MonitorControl> control_;
  ConfigEditor editor_;
  // Created once the controls exist; reset first on destruction, so the worker results
  // still queued find it gone and are dropped.
  std::unique_ptr<QuickReadController> quickRead_;

  QTreeWidget* treeView_ = nullptr;
  std::unique_ptr<TreeViewBinding> treeBinding_;
  QTabWidget* tabs_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QTreeView* resultView_ = nullptr;
  ResultTableModel* resultModel_ = nullptr;

  QButtonGroup* sources_ = nullptr;  // ids are data-source codes
  QLineEdit* siteEdit_ = nullptr;
  QPushButton* pasteSite_ = nullptr;
  QLineEdit* keywordsEdit_ = nullptr;
  QLineEdit* countEdit_ = nullptr;
  QLineEdit* secondsEdit_ = nullptr;
  QCheckBox* titleBox_ = nullptr;
  QCheckBox* completeBox_ = nullptr;
  QCheckBox* silenceBox_ = nullptr;
  QCheckBox* stillBox_ = nullptr;

  QWidget* quickReadPage_ = nullptr;
  QPushButton* openPageButton_ = nullptr;
  HyperlinkLabel* browserLink_ = nullptr;
  HyperlinkLabel* originalLink_ = nullptr;
  HtmlView* browser_ = nullptr;

  QTimer pollTimer_;
  QSystemTrayIcon* tray_ = nullptr;
  bool closing_ = false;
  int handOversRunning_ = 0;  // refreshes on the stack (events are pumped inside them)
};

// The window's title.
QString WindowTitle();

}  // namespace plexaro
