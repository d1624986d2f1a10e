// The subcommands of plexaro-cli. Each takes the arguments after its name and returns
// the process's exit status; errors are printed to stderr.
#pragma once

#include <string>
#include <vector>

namespace plexaro {

using Arguments = std::vector<std::string>;

int RunParseCommand(const Arguments& arguments);
int RunMonitorCommand(const Arguments& arguments);
int RunExtractCommand(const Arguments& arguments);
int RunReadCommand(const Arguments& arguments);

// Prints "plexaro-cli: <message>" to stderr and returns 2 (bad usage).
int UsageError(const std::string& message);

}  // namespace plexaro
