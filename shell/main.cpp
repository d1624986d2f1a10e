// plexaro: the desktop program. Opens the configuration file in the run directory,
// shows the main window and runs until it is closed.
#include <QApplication>

#include "core/config_file.h"
#include "shell/dialogs.h"
#include "shell/main_window.h"
#include "web/event_pump.h"
#include "web/files.h"

int main(int argc, char* argv[]) {
  using namespace plexaro;
  QApplication app(argc, argv);
  // Long loops of the core keep the window responsive through this hook.
  SetThreadPumpHook([] { QCoreApplication::processEvents(); });

  MessageBoxes notices;
  SettingsStore store(notices);
  Text runDirectory = RunDirectory();
  store.OpenStore(runDirectory + ConfigFileName(), kFileOnDisk);

  ShellOptions options;
  options.runDirectory = runDirectory;
  int status = 0;
  {
    MainWindow window(store, options);
    notices.SetParent(&window);
    window.show();
    status = app.exec();
    notices.SetParent(nullptr);
  }
  SetThreadPumpHook(nullptr);
  return status;
}
