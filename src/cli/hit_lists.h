// The report's lists of surviving terms, named once for every output format: the key a JSON
// line gives each list and the heading a person reads above it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "quorvel/report.h"

namespace quorvel::cli {

struct HitList {
  std::string_view json_key;
  std::string_view title;
  std::vector<LeakHit> VerifyReport::*hits;
};

// In the order the outputs show them. Every list here counts as a leak for the exit status;
// `warnings` is not one.
inline constexpr HitList kHitLists[] = {
    {"body_hits", "Page text", &VerifyReport::body_hits},
    {"raw_hits", "Object strings and streams", &VerifyReport::raw_hits},
    {"info_hits", "Document information", &VerifyReport::info_hits},
    {"xmp_hits", "XMP metadata", &VerifyReport::xmp_hits},
    {"annot_hits", "Annotations and links", &VerifyReport::annot_hits},
    {"revision_hits", "Earlier revisions of the file", &VerifyReport::revision_hits},
};

inline std::uint64_t hit_count(const VerifyReport& report) {
  std::uint64_t count = 0;
  for (const HitList& list : kHitLists) count += (report.*list.hits).size();
  return count;
}

}  // namespace quorvel::cli
