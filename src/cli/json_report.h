// The JSON Lines form of a file's outcome: one object per file, on one line.
//
//   {"file": "...", "ok": true, "term_count": N, "body_hits": [{"term": "...", "location": "..."}],
//    "raw_hits": [...], "info_hits": [...], "xmp_hits": [...], "annot_hits": [...],
//    "revision_hits": [...], "warnings": [{"term": "", "location": "..."}],
//    "not_audited": ["...", "...", "..."]}
//   {"file": "...", "ok": false, "error": "verify: ..."}
//
// Every string is valid UTF-8: bytes of a file name, term or location that are not show as
// U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "cli/file_outcome.h"

namespace quorvel::cli {

// The outcome as one JSON object followed by "\n".
std::string json_line(const FileOutcome& outcome);

// Reads back a line that `json_line` wrote about `file`. A line that is not such an object
// gives an outcome that failed with a message saying so; the file name is `file`, not the
// line's (which may carry replacement characters).
FileOutcome outcome_from_json_line(std::string file, std::string_view line);

}  // namespace quorvel::cli
