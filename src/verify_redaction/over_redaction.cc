#include "verify_redaction/over_redaction.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

#include "lib/engine.h"
#include "resource_limits.h"
#include "text/unicode.h"
#include "verify_redaction/engine_guard.h"

namespace quorvel::verify {

std::expected<std::uint64_t, std::string> count_total_body_chars(
    Pdfium engine, const std::filesystem::path& path,
    std::span<const std::uint32_t> excluded_pages) {
  auto document = open_guarded(engine, path);
  if (!document) {
    return std::unexpected(fmt::format("over-redaction check: couldn't open {}: {}",
                                       text::utf8_with_replacement(path.string()),
                                       document.error().describe()));
  }
  std::uint64_t total = 0;
  const int page_count = std::min(document->page_count(), limits::kMaxEnginePages);
  // As in the page audit, the previous page stays open until the next one is loaded.
  std::optional<engine::Page> previous;
  for (int i = 0; i < page_count; ++i) {
    const auto index = static_cast<std::uint32_t>(i);
    if (std::ranges::find(excluded_pages, index) != excluded_pages.end()) continue;
    std::optional<engine::Page> page = document->load_page(i);
    previous.reset();
    if (!page) continue;
    if (const auto text_page = page->load_text())
      total += text::count_code_points(text_page->whole_text());
    previous = std::move(page);
  }
  return total;
}

std::uint64_t over_redaction_tolerance(std::uint64_t expected_removed_chars) {
  if (expected_removed_chars == 0) return 8;
  // Computed in double precision, as the redactor that sets the expectation does; for counts
  // below 2^51 this is expected + expected / 2.
  const double tolerance = static_cast<double>(expected_removed_chars) * 1.5;
  constexpr double kTwoTo64 = 18446744073709551616.0;
  if (tolerance >= kTwoTo64) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(tolerance);
}

std::optional<std::string> over_redaction_warning(std::uint64_t source_chars,
                                                  std::uint64_t saved_chars,
                                                  std::uint64_t expected_removed_chars) {
  const std::uint64_t actual_removed = saved_chars < source_chars ? source_chars - saved_chars : 0;
  const std::uint64_t tolerance = over_redaction_tolerance(expected_removed_chars);
  // Saturating: a limit past the largest count can never be exceeded.
  const std::uint64_t limit =
      expected_removed_chars > std::numeric_limits<std::uint64_t>::max() - tolerance
          ? std::numeric_limits<std::uint64_t>::max()
          : expected_removed_chars + tolerance;
  if (actual_removed <= limit) return std::nullopt;
  return fmt::format(
      "expected ~{} chars removed, actual ~{} (tolerance: {}). Source PDF likely uses fonts our "
      "redactor can't safely edit; saved file may be unusable.",
      expected_removed_chars, actual_removed, tolerance);
}

}  // namespace quorvel::verify
