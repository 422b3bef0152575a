// Runs hostile_verify as a child process and reads back what each verification returned, how
// long it took and the child's peak memory.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::testing {

struct ChildVerification {
  std::chrono::milliseconds elapsed{0};
  // "list: term @ location" for each hit, in report order; empty after an error.
  std::vector<std::string> hits;
  // The verifier's error message; empty when it returned a report.
  std::string error;
};

struct ChildRun {
  // True when the child exited with status 0 before the deadline.
  bool completed = false;
  std::string failure;  // what went wrong otherwise: a signal, a status, the deadline
  // The child's peak resident set, from the kernel's accounting of the process (wait4). It
  // includes the few megabytes the test process had resident when it forked.
  std::size_t peak_rss_bytes = 0;
  std::vector<ChildVerification> results;  // one per file, in order
  std::string stderr_text;
};

// Verifies `files` for `terms` in one child process, killed after `deadline`. `as_user`
// non-empty makes the child drop root's privileges to that user first.
ChildRun run_verify_child(const std::vector<std::filesystem::path>& files,
                          const std::vector<std::string>& terms, std::chrono::seconds deadline,
                          const std::string& as_user = "");

}  // namespace quorvel::testing
