// plexaro: the desktop program. Opens the configuration file in its directory (the
// program's own, or --dir DIR), shows the main window and runs until it is closed.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "core/config_file.h"
#include "shell/dialogs.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/startup_report.h"
#include "web/event_pump.h"
#include "web/files.h"

namespace {

struct ProgramOptions {
  plexaro::Text directory;  // with a trailing separator
  bool exitWhenShown = false;
};

constexpr const char* kUsage =
    "Usage: plexaro [--dir DIR] [--exit-when-shown]\n"
    "  --dir DIR          keep the configuration, lists and cache in DIR instead of the\n"
    "                     program's directory\n"
    "  --exit-when-shown  print when the window was first shown and the peak memory, then\n"
    "                     exit (for measuring start-up)\n";

// The arguments Qt left; false (with a message) for anything unknown.
bool ParseArguments(const QStringList& arguments, ProgramOptions& options) {
  options.directory = plexaro::RunDirectory();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == "--dir" && i + 1 < arguments.size()) {
      options.directory = plexaro::ToText(arguments[++i]);
      if (!options.directory.ends_with(plexaro::kPathSeparator)) {
        options.directory.push_back(plexaro::kPathSeparator);
      }
    } else if (argument == "--exit-when-shown") {
      options.exitWhenShown = true;
    } else {
      std::fprintf(stderr, "plexaro: unknown or incomplete argument: %s\n%s", qPrintable(argument),
                   kUsage);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace plexaro;
  // Answered before Qt starts, so it works without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  ProgramOptions programOptions;
  if (!ParseArguments(QCoreApplication::arguments(), programOptions)) return 2;
  if (!MakeDirectories(programOptions.directory)) {
    std::fprintf(stderr, "plexaro: cannot use the directory %s\n",
                 GbkToUtf8(programOptions.directory).c_str());
    return 1;
  }
  // Long loops of the core keep the window responsive through this hook.
  SetThreadPumpHook([] { QCoreApplication::processEvents(); });

  MessageBoxes notices;
  SettingsStore store(notices);
  store.OpenStore(programOptions.directory + ConfigFileName(), kFileOnDisk);

  ShellOptions options;
  options.runDirectory = programOptions.directory;
  int status = 0;
  {
    MainWindow window(store, options);
    notices.SetParent(&window);
    if (programOptions.exitWhenShown) ExitWhenFirstPainted(window);
    window.show();
    status = app.exec();
    notices.SetParent(nullptr);
  }
  SetThreadPumpHook(nullptr);
  return status;
}
