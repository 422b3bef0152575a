// Sets of object identities: the skip set, the followed set and the XMP set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "pdf/object.h"

namespace quorvel::verify {

struct ObjectIdHash {
  std::size_t operator()(pdf::ObjectId id) const {
    const std::uint64_t key = std::uint64_t{id.num} << 16 | id.gen;
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 17);
  }
};

using ObjectIdSet = std::unordered_set<pdf::ObjectId, ObjectIdHash>;

// The identities the raw passes pass over, and into which no reference is followed.
struct SkipSet {
  ObjectIdSet ids;
  // Those of `ids` that stand there only as annotation dictionaries. The engine reads their
  // "Contents", "T", "NM" and link URI; every other string written inside them is still
  // searched, at the annotation's own turn in the walk.
  ObjectIdSet annotations;

  bool contains(pdf::ObjectId id) const { return ids.contains(id); }
};

}  // namespace quorvel::verify
