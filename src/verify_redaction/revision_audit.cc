#include "verify_redaction/revision_audit.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "pdf/document.h"
#include "resource_limits.h"
#include "verify_redaction/labels.h"
#include "verify_redaction/object_audit.h"
#include "verify_redaction/page_audit.h"

namespace quorvel::verify {
namespace {

// The lists of one verification whose hits name a term, in report order.
constexpr std::vector<LeakHit> VerifyReport::*kHitLists[] = {
    &VerifyReport::body_hits, &VerifyReport::raw_hits, &VerifyReport::info_hits,
    &VerifyReport::xmp_hits, &VerifyReport::annot_hits};

std::string hit_key(const LeakHit& hit) { return hit.term + '\0' + hit.location; }

// The hits of one revision, in the order of a verification's lists.
VerifyReport audit_revision(Pdfium engine, const std::filesystem::path& path,
                            const std::shared_ptr<const std::string>& bytes, std::size_t end,
                            const std::shared_ptr<pdf::DecodeBudget>& budget,
                            std::span<const Needle> needles, const match::AhoCorasick& matcher) {
  VerifyReport lists;
  if (auto pages = extract_page_data(engine, path, end)) {
    for (PerPageHits& hits : scan_pages(*pages, needles, matcher)) {
      std::ranges::move(hits.body, std::back_inserter(lists.body_hits));
      std::ranges::move(hits.annots, std::back_inserter(lists.annot_hits));
    }
  }
  if (const auto document = pdf::Document::load(bytes, end, budget))
    audit_objects(*document, needles, matcher, lists);
  return lists;
}

}  // namespace

std::vector<LeakHit> audit_earlier_revisions(Pdfium engine, const std::filesystem::path& path,
                                             const std::shared_ptr<const std::string>& bytes,
                                             std::span<const std::size_t> revision_ends,
                                             std::span<const Needle> needles,
                                             const match::AhoCorasick& matcher,
                                             const VerifyReport& newest) {
  std::vector<LeakHit> revision_hits;
  if (revision_ends.empty()) return revision_hits;
  std::unordered_set<std::string> reported;
  for (const auto list : kHitLists)
    for (const LeakHit& hit : newest.*list) reported.insert(hit_key(hit));

  const std::size_t audited = std::min(revision_ends.size(), limits::kMaxEarlierRevisions);
  // The revisions hold the same streams over and over: they share one bound on decoding, or a
  // small file of many revisions would decode its largest stream once for each.
  const auto budget = std::make_shared<pdf::DecodeBudget>();
  for (std::size_t k = 0; k < audited; ++k) {
    VerifyReport lists =
        audit_revision(engine, path, bytes, revision_ends[k], budget, needles, matcher);
    for (const auto list : kHitLists) {
      for (LeakHit& hit : lists.*list) {
        if (!reported.insert(hit_key(hit)).second) continue;
        revision_hits.push_back({std::move(hit.term), revision_label(k + 1, hit.location)});
      }
    }
  }
  return revision_hits;
}

}  // namespace quorvel::verify
