#include "verify_redaction/object_audit.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "verify_redaction/annotation_exclusion.h"
#include "verify_redaction/metadata_audit.h"
#include "verify_redaction/raw_object_audit.h"

namespace quorvel::verify {

void audit_objects(const pdf::Document& document, std::span<const Needle> needles,
                   const match::AhoCorasick& matcher, VerifyReport& report) {
  SkipSet skip;
  const std::optional<pdf::ObjectId> info = info_object_id(document);
  if (info) skip.ids.insert(*info);
  ObjectIdSet xmp = declared_xmp_stream_ids(document);
  skip.ids.insert(xmp.begin(), xmp.end());
  const ObjectIdSet annotations = page_tree_annotation_ids(document);
  skip.ids.insert(annotations.begin(), annotations.end());

  // The stream scan reads every stream's content once, and so also finds the XMP streams that
  // no entry declares; the walk needs them all in the skip set.
  std::vector<LeakHit> stream_hits = scan_streams(document, needles, matcher, skip, xmp);
  skip.ids.insert(xmp.begin(), xmp.end());
  for (const pdf::ObjectId id : annotations) {
    // An annotation that is also the Info dictionary or an XMP stream stays wholly excluded.
    if (id != info && !xmp.contains(id)) skip.annotations.insert(id);
  }

  report.raw_hits = raw_object_walk(document, needles, matcher, skip);
  std::ranges::move(stream_hits, std::back_inserter(report.raw_hits));
  report.info_hits = info_pass(document, needles);
  report.xmp_hits = xmp_pass(document, xmp, needles, matcher);
}

}  // namespace quorvel::verify
