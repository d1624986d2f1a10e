// fake-search-engine: serves result pages on a loopback port so Plexaro can be tried
// and tested without the real search engine.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "tools/fake_search_engine.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) {
  stopRequested = 1;
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "fake-search-engine: %s\n", problem);
  std::fprintf(problem ? stderr : stdout,
               "Usage: fake-search-engine [--port N] [--hits N] [--per-page N] [--gbk]\n"
               "Serves /web, /news and /weixin on 127.0.0.1 until interrupted.\n");
  return problem ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  plexaro::FakeSearchEngine::Options options;
  int port = 8080;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--help") return Usage(nullptr);
    if (arg == "--gbk") {
      options.gbkPages = true;
    } else if ((arg == "--port" || arg == "--hits" || arg == "--per-page") && hasValue) {
      int value = std::atoi(argv[++i]);
      if (value < 0) return Usage(("bad value for " + arg).c_str());
      (arg == "--port"   ? port
       : arg == "--hits" ? options.newHitsPerPoll
                         : options.hitsPerPage) = value;
    } else {
      return Usage(("unknown or incomplete argument: " + arg).c_str());
    }
  }
  plexaro::FakeSearchEngine engine(options);
  int bound = engine.Start("127.0.0.1", port);
  if (bound < 0) {
    std::fprintf(stderr, "fake-search-engine: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("fake search engine on 127.0.0.1:%d\n", bound);
  std::fflush(stdout);
  while (!stopRequested) usleep(100 * 1000);
  engine.Stop();
  return 0;
}
