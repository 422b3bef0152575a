// What verifying one file gave: its report, or the message that says why it was not verified.
#pragma once

#include <expected>
#include <string>

#include "quorvel/report.h"

namespace quorvel::cli {

struct FileOutcome {
  // The file name as given on the command line, bytes unchanged (not necessarily UTF-8).
  std::string file;
  // The report, or a message that starts with "verify: ".
  std::expected<VerifyReport, std::string> report;
};

}  // namespace quorvel::cli
