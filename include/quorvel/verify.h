// The verifier's entry operation.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quorvel/pdfium.h"
#include "quorvel/report.h"

namespace quorvel {

// Switches the over-redaction check on: compares the body characters the saved file lost
// against the number the redaction was expected to remove.
struct OverRedactionInput {
  // The unredacted PDF the saved file was made from.
  std::filesystem::path source_path;
  // 0-based indices of pages left out of both counts.
  std::vector<std::uint32_t> excluded_pages;
  // How many body characters the redaction is expected to have removed.
  std::uint64_t expected_removed_chars = 0;
};

// Audits the saved PDF at `saved_path` for every surviving occurrence of `terms` (as the user
// entered them; blanks and repeats are dropped, letter case is ignored) and, when
// `over_redaction` is given, warns when far more text vanished than expected.
//
// Returns the report, or one of these messages (the report built so far is discarded):
//   "verify: couldn't build aho-corasick automaton: ..."
//   "verify: couldn't open saved PDF for page-data extraction: ..."
//   "verify: couldn't read saved PDF for verifier audit: ..."
//   "verify: couldn't parse saved PDF for audit: ..."
// With no usable term the report comes back at once and no file is touched.
//
// Every engine call is made on the calling thread; only the matching of page texts runs on
// worker threads.
std::expected<VerifyReport, std::string> verify_output(
    Pdfium engine, const std::filesystem::path& saved_path, std::span<const std::string> terms,
    const std::optional<OverRedactionInput>& over_redaction = std::nullopt);

}  // namespace quorvel
