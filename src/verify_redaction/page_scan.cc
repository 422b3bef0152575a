// The parallel half of the page content audit: matching page records that are already in
// memory. It never calls the engine.
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include "verify_redaction/labels.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/page_audit.h"

namespace quorvel::verify {
namespace {

PerPageHits scan_page(const PerPageData& page, std::span<const Needle> needles,
                      const match::AhoCorasick& matcher) {
  PerPageHits hits;
  if (!page.text.empty()) {
    const auto mask = ac_hit_mask(matcher, page.text, needles.size());
    for (std::size_t i = 0; i < needles.size(); ++i) {
      if (mask[i]) hits.body.push_back({needles[i].term, body_text_label(page.page_number)});
    }
  }
  for (const AnnotField& field : page.annot_fields) {
    const auto mask = ac_hit_mask(matcher, field.value, needles.size());
    for (std::size_t i = 0; i < needles.size(); ++i) {
      if (mask[i]) {
        hits.annots.push_back(
            {needles[i].term, annotation_label(page.page_number, field.annot_index, field.key)});
      }
    }
  }
  return hits;
}

}  // namespace

std::vector<PerPageHits> scan_pages(std::span<const PerPageData> pages,
                                    std::span<const Needle> needles,
                                    const match::AhoCorasick& matcher) {
  // One slot per page, reserved up front: each result lands in its page's slot, so the order is
  // page order however the pool schedules the ranges.
  std::vector<PerPageHits> results(pages.size());
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, pages.size()),
                    [&](const tbb::blocked_range<std::size_t>& range) {
                      for (std::size_t i = range.begin(); i != range.end(); ++i)
                        results[i] = scan_page(pages[i], needles, matcher);
                    });
  return results;
}

}  // namespace quorvel::verify
