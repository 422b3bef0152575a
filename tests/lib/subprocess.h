// Running an executable as a child process, for tests of process-wide behaviour: what it
// printed on each stream and how it ended.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::testing {

struct ProcessOptions {
  // Environment changes: a value sets the variable, nothing removes it. The rest is inherited.
  std::map<std::string, std::optional<std::string>> env;
  // Working directory; empty keeps the test's own.
  std::filesystem::path cwd;
  // Send standard error into the same capture as standard output, to see how lines interleave.
  bool merge_stderr = false;
  // Killed after this long; `exit_code` is then -1.
  std::chrono::seconds timeout{300};
};

struct ProcessResult {
  // The exit status, or -1 when the process did not exit normally.
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs `executable` with `args` and waits for it. Throws std::runtime_error when it cannot be
// started.
ProcessResult run_process(const std::filesystem::path& executable,
                          const std::vector<std::string>& args, const ProcessOptions& options = {});

// A fresh, empty directory, removed with everything in it when the value goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The lines of `text`, each without its line end; a last line without one counts too.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace quorvel::testing
