// The verifier's object passes on arbitrary bytes, as verify_output runs them after the engine
// pass: load the document, build the skip set, walk every string, scan every stream, audit Info
// and XMP, measure what the engine would be kept from; then the same for each earlier revision
// the file's /Prev chain reveals.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "pdf/revisions.h"
#include "resource_limits.h"
#include "verify_redaction/engine_guard.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/object_audit.h"

namespace {

using quorvel::VerifyReport;
namespace verify = quorvel::verify;

// A phrase, a plain word, words with non-ASCII letters (which raw bytes match only in lower
// case), and a short word that occurs in most files, so that the hit paths run too.
const std::vector<std::string> kTerms = {"Acme Corp", "secret", "Müller", "ÉCOLE", "the"};

struct Terms {
  std::vector<verify::Needle> needles = verify::normalize_terms(kTerms);
  quorvel::match::AhoCorasick matcher = *verify::build_matcher(needles);
};

void check(const VerifyReport& report, const Terms& terms) {
  for (const auto* list : {&report.raw_hits, &report.info_hits, &report.xmp_hits}) {
    for (const quorvel::LeakHit& hit : *list) {
      if (hit.location.empty()) __builtin_trap();
      bool known = false;
      for (const verify::Needle& n : terms.needles) known = known || hit.term == n.term;
      if (!known) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Terms terms;
  const auto file = std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size);
  std::vector<std::size_t> revision_ends;
  {
    const auto document = quorvel::pdf::Document::load(file, file->size());
    if (!document) return 0;
    VerifyReport report;
    verify::audit_objects(*document, terms.needles, terms.matcher, report);
    check(report, terms);
    // What the engine would be kept from: ranges of the file, in order of their offsets.
    std::uint64_t previous_offset = 0;
    for (const auto& range : verify::engine_hazards(*document, *file)) {
      if (range.offset < previous_offset || range.offset > file->size() ||
          range.length > file->size() - range.offset) {
        __builtin_trap();
      }
      previous_offset = range.offset;
    }
    revision_ends = quorvel::pdf::earlier_revision_ends(*document, *file);
  }
  std::size_t previous = 0;
  for (std::size_t k = 0; k < revision_ends.size() && k < quorvel::limits::kMaxEarlierRevisions;
       ++k) {
    // Oldest first, each inside the file.
    if (revision_ends[k] <= previous || revision_ends[k] > file->size()) __builtin_trap();
    previous = revision_ends[k];
    const auto revision = quorvel::pdf::Document::load(file, revision_ends[k]);
    if (!revision) continue;
    VerifyReport report;
    verify::audit_objects(*revision, terms.needles, terms.matcher, report);
    check(report, terms);
  }
  return 0;
}
