// Runs a command line through the shell and captures its standard output, for tests that check
// our results against an independent tool (qpdf).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::testing {

struct CommandResult {
  int exit_status = -1;  // the exit status, or -1 when the command did not exit normally
  std::string out;       // standard output; standard error goes to the test's own
};

inline CommandResult run_command(const std::string& command_line) {
  CommandResult result;
  FILE* pipe = ::popen(command_line.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  return result;
}

// `path` quoted for the shell.
inline std::string shell_quoted(const std::filesystem::path& path) {
  std::string quoted = "'";
  for (const char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace quorvel::testing
