// The verifier's driver: the order of the passes, what each fills, and which failures end the
// verification.
#include <fmt/format.h>

#include "pdf/document.h"
#include "pdf/revisions.h"
#include "quorvel/verify.h"
#include "verify_redaction/file_bytes.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/object_audit.h"
#include "verify_redaction/over_redaction.h"
#include "verify_redaction/page_audit.h"
#include "verify_redaction/revision_audit.h"

namespace quorvel {
namespace {

// Adds the over-redaction warning when the saved file lost far more body text than expected.
// A count that fails ends the check quietly: it must never fail a verification.
void check_over_redaction(Pdfium engine, const std::filesystem::path& saved_path,
                          const OverRedactionInput& input, VerifyReport& report) {
  const auto source =
      verify::count_total_body_chars(engine, input.source_path, input.excluded_pages);
  if (!source) return;
  const auto saved = verify::count_total_body_chars(engine, saved_path, input.excluded_pages);
  if (!saved) return;
  if (auto warning = verify::over_redaction_warning(*source, *saved, input.expected_removed_chars))
    report.warnings.push_back({"", std::move(*warning)});
}

}  // namespace

std::expected<VerifyReport, std::string> verify_output(
    Pdfium engine, const std::filesystem::path& saved_path, std::span<const std::string> terms,
    const std::optional<OverRedactionInput>& over_redaction) {
  VerifyReport report;
  const std::vector<verify::Needle> needles = verify::normalize_terms(terms);
  report.term_count = needles.size();
  if (needles.empty()) return report;

  if (over_redaction) check_over_redaction(engine, saved_path, *over_redaction, report);

  auto matcher = verify::build_matcher(needles);
  if (!matcher) {
    return std::unexpected(
        fmt::format("verify: couldn't build aho-corasick automaton: {}", matcher.error()));
  }

  auto pages = verify::extract_page_data(engine, saved_path);
  if (!pages) {
    return std::unexpected(
        fmt::format("verify: couldn't open saved PDF for page-data extraction: {}", pages.error()));
  }
  for (verify::PerPageHits& hits : verify::scan_pages(*pages, needles, *matcher)) {
    std::ranges::move(hits.body, std::back_inserter(report.body_hits));
    std::ranges::move(hits.annots, std::back_inserter(report.annot_hits));
  }
  pages->clear();

  auto bytes = verify::read_file_bytes(saved_path);
  if (!bytes) {
    return std::unexpected(
        fmt::format("verify: couldn't read saved PDF for verifier audit: {}", bytes.error()));
  }
  // The document views the bytes; they are released with the last document that uses them.
  const std::shared_ptr<const std::string> file = std::move(*bytes);
  std::vector<std::size_t> revision_ends;
  {
    auto document = pdf::Document::load(file, file->size());
    if (!document) {
      return std::unexpected(
          fmt::format("verify: couldn't parse saved PDF for audit: {}", document.error()));
    }
    verify::audit_objects(*document, needles, *matcher, report);
    revision_ends = pdf::earlier_revision_ends(*document, *file);
  }

  // An incremental save keeps every earlier revision in the file, one truncation away.
  report.revision_hits = verify::audit_earlier_revisions(engine, saved_path, file, revision_ends,
                                                         needles, *matcher, report);
  return report;
}

}  // namespace quorvel
