// plexaro-cli: the headless front end of Plexaro.
#include <cstdio>
#include <cstring>

namespace {

void PrintUsage() {
  std::puts(
      "Usage: plexaro-cli COMMAND [options]\n"
      "\n"
      "Plexaro watches what the web says about chosen topics.\n"
      "\n"
      "Commands:\n"
      "  --help    show this text\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage();
    return 0;
  }
  std::fprintf(stderr, "plexaro-cli: unknown command '%s' (see --help)\n", argv[1]);
  return 2;
}
