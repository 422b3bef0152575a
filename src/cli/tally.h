// Totals over every file of a run, and the exit status they give.
#pragma once

#include <cstdint>

#include "cli/file_outcome.h"

namespace quorvel::cli {

// Every file verified and nothing found.
inline constexpr int kExitClean = 0;
// At least one term survives in at least one file (warnings do not count).
inline constexpr int kExitLeaks = 1;
// A file could not be verified, or the command line was wrong. Outranks kExitLeaks, so that a
// run whose audit is incomplete never reads as a finished one.
inline constexpr int kExitError = 2;

struct Tally {
  std::uint64_t files = 0;
  std::uint64_t clean = 0;
  std::uint64_t leaking = 0;
  std::uint64_t failed = 0;
  std::uint64_t hits = 0;
  std::uint64_t warnings = 0;

  void add(const FileOutcome& outcome);
  int exit_status() const;
};

}  // namespace quorvel::cli
