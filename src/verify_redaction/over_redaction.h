// The over-redaction check: did the redaction remove far more body text than it should have?
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "quorvel/pdfium.h"

namespace quorvel::verify {

// The number of body characters (Unicode code points of each page's whole text, as the engine
// gives it) of the PDF at `path`, leaving out the 0-based page indices in `excluded_pages`. A
// page that cannot be loaded, or whose text cannot be had or decoded, adds nothing. Fails with
// "over-redaction check: couldn't open {path}: {engine error}".
std::expected<std::uint64_t, std::string> count_total_body_chars(
    Pdfium engine, const std::filesystem::path& path,
    std::span<const std::uint32_t> excluded_pages);

// How many characters more than expected may go before the check warns: 8 when nothing was
// expected to go, otherwise 1.5 times the expected count, truncated and saturating.
std::uint64_t over_redaction_tolerance(std::uint64_t expected_removed_chars);

// The warning message when the saved file lost more than the expected count plus the tolerance,
// or nothing.
std::optional<std::string> over_redaction_warning(std::uint64_t source_chars,
                                                  std::uint64_t saved_chars,
                                                  std::uint64_t expected_removed_chars);

}  // namespace quorvel::verify
