#include "cli/tally.h"

#include "cli/hit_lists.h"

namespace quorvel::cli {

void Tally::add(const FileOutcome& outcome) {
  ++files;
  if (!outcome.report) {
    ++failed;
    return;
  }
  const std::uint64_t found = hit_count(*outcome.report);
  hits += found;
  warnings += outcome.report->warnings.size();
  if (found == 0) {
    ++clean;
  } else {
    ++leaking;
  }
}

int Tally::exit_status() const {
  if (failed > 0) return kExitError;
  if (leaking > 0) return kExitLeaks;
  return kExitClean;
}

}  // namespace quorvel::cli
