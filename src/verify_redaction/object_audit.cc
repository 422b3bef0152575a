#include "verify_redaction/object_audit.h"

#include <algorithm>
#include <iterator>

#include "verify_redaction/annotation_exclusion.h"
#include "verify_redaction/metadata_audit.h"
#include "verify_redaction/raw_object_audit.h"

namespace quorvel::verify {

void audit_objects(const pdf::Document& document, std::span<const Needle> needles,
                   const match::AhoCorasick& matcher, VerifyReport& report) {
  SkipSet skip;
  if (const auto info = info_object_id(document)) skip.ids.insert(*info);
  const ObjectIdSet xmp = collect_xmp_stream_ids(document);
  skip.ids.insert(xmp.begin(), xmp.end());
  for (const pdf::ObjectId id : page_tree_annotation_ids(document)) {
    // An annotation that is also the Info dictionary or an XMP stream stays wholly excluded.
    if (skip.ids.insert(id).second) skip.annotations.insert(id);
  }

  report.raw_hits = raw_object_walk(document, needles, matcher, skip);
  std::ranges::move(scan_streams(document, needles, matcher, skip),
                    std::back_inserter(report.raw_hits));
  report.info_hits = info_pass(document, needles);
  report.xmp_hits = xmp_pass(document, xmp, needles, matcher);
}

}  // namespace quorvel::verify
