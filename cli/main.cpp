// plexaro-cli: the headless front end of Plexaro.
#include <cstdio>
#include <string>

#include "cli/commands.h"

namespace plexaro {
namespace {

void PrintUsage() {
  std::puts(
      "Usage: plexaro-cli COMMAND [options]\n"
      "\n"
      "Plexaro watches what the web says about chosen topics.\n"
      "\n"
      "Commands:\n"
      "  monitor [--dir DIR] [--cycles N] [--json]\n"
      "      Starts monitoring the configurations of DIR/Zavrin·Plexaro.ini (DIR: the\n"
      "      program's directory unless given), as the window's start button does, and\n"
      "      prints each new hit: time, title, source, keyword and address separated by\n"
      "      tabs, or one JSON object per line with --json. Stops on Ctrl-C, or once\n"
      "      every worker has finished N polling cycles.\n"
      "  parse FILE --source N [--keyword K] [--in-title] [--complete]\n"
      "      Prints the hits of a saved result page as JSON lines (title, address,\n"
      "      time), as a worker of data source N (0 web, 1 news, 2 forum, 3 WeChat)\n"
      "      with those options would read them.\n"
      "  extract FILE --mode block|group|marker-first|marker-all [--markers LIST]\n"
      "      Prints the body a saved page yields in that extraction mode; LIST holds\n"
      "      \"|\"-separated opening tags for the marker modes.\n"
      "  read URL [--dir DIR]\n"
      "      Previews a page as the quick-read view does: fetches it, extracts its\n"
      "      body by the site's rule or by text density, caches it in DIR/速阅缓存\n"
      "      (DIR: the program's directory unless given), and prints it.\n"
      "  --help\n"
      "      Shows this text.");
}

}  // namespace

int UsageError(const std::string& message) {
  std::fprintf(stderr, "plexaro-cli: %s (see plexaro-cli --help)\n", message.c_str());
  return 2;
}

}  // namespace plexaro

int main(int argc, char** argv) {
  using namespace plexaro;
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    PrintUsage();
    return 0;
  }
  std::string command = argv[1];
  Arguments arguments(argv + 2, argv + argc);
  if (command == "parse") return RunParseCommand(arguments);
  if (command == "monitor") return RunMonitorCommand(arguments);
  if (command == "extract") return RunExtractCommand(arguments);
  if (command == "read") return RunReadCommand(arguments);
  return UsageError("unknown command '" + command + "'");
}
