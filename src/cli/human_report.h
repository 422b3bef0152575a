// The report as a person reads it: per file a header line, the surviving terms grouped by
// where they were found, the warnings and what the audit does not vouch for; then the totals.
//
//   LEAKS  contract.pdf — 3 hits, 2 of 3 terms found
//     Page text (2)
//       page 1 body text: "Acme", "Okonkwo"
//     Document information (1)
//       /Info /Title: "Acme"
//     Not audited: optional content layers, signed-document signature payloads, ...
//
//   CLEAN  letter.pdf — no hits, 3 terms searched
//     Not audited: ...
//
//   ERROR  missing.pdf — verify: couldn't open saved PDF for page-data extraction: ...
//
//   3 files: 1 with leaks (3 hits), 1 clean, 1 not verified
//
// Names, terms and locations are shown as UTF-8 with control characters escaped, so that a
// hostile file or file name cannot drive the terminal.
#pragma once

#include <string>

#include "cli/file_outcome.h"
#include "cli/tally.h"

namespace quorvel::cli {

// The lines about one file, followed by a blank line. `colour` adds terminal colours.
std::string human_file_report(const FileOutcome& outcome, bool colour);

// The closing line with the totals of the run.
std::string human_totals(const Tally& tally, bool colour);

}  // namespace quorvel::cli
