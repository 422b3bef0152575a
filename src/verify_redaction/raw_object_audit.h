// The raw object audit: every string value held by any indirect object, and the decoded content
// of every stream, whether or not a page ever shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "match/aho_corasick.h"
#include "pdf/document.h"
#include "verify_redaction/object_ids.h"
#include "verify_redaction/records.h"

namespace quorvel::verify {

// Big-endian UTF-16 (a leading FE FF is dropped) decoded strictly to UTF-8; nothing for an empty
// or odd-length input or an unpaired surrogate.
std::optional<std::string> decode_utf16_be(std::string_view bytes);

// Little-endian UTF-16 that starts with FF FE, decoded strictly to UTF-8; nothing without the
// mark, for an odd length, for the mark alone or for an unpaired surrogate.
std::optional<std::string> decode_utf16_le(std::string_view bytes);

// What one walk over the object table shares between the calls of walk_object_for_strings.
struct StringWalk {
  const pdf::Document& document;
  std::span<const Needle> needles;
  const match::AhoCorasick& matcher;
  const SkipSet& skip;
  std::vector<LeakHit>& hits;
  // Identities entered through a reference during this walk; each is entered once.
  ObjectIdSet followed;
  // Reported flags of the string being checked, reused from string to string.
  std::vector<std::uint8_t> reported;
  // Off while an annotation dictionary of the skip set is searched at its own turn.
  bool follow_references = true;
};

// Searches every string inside `object`, which the indirect object `num` `gen` holds, at
// `key_path` (a "/"-separated path of dictionary keys, grown and restored as the walk
// descends). Follows references not in the skip set, each once per walk; stops at depth 64.
// Stream dictionaries and contents are left to the stream scan.
void walk_object_for_strings(StringWalk& walk, std::uint32_t num, std::uint16_t gen,
                             const pdf::Object& object, std::string& key_path, unsigned depth);

// The walk over every object not in the skip set, in ascending identity; annotation dictionaries
// of the skip set are searched for the strings the engine does not read.
std::vector<LeakHit> raw_object_walk(const pdf::Document& document, std::span<const Needle> needles,
                                     const match::AhoCorasick& matcher, const SkipSet& skip);

// The decoded content of every stream not in the skip set or in `xmp`, in ascending identity,
// except images and metadata streams: at most one hit per needle per stream. A stream whose
// content opens an XMP packet is an XMP stream: it joins `xmp` and is not searched here. Each
// stream's content is decoded once, for both; the streams not searched here are judged from
// their first bytes.
std::vector<LeakHit> scan_streams(const pdf::Document& document, std::span<const Needle> needles,
                                  const match::AhoCorasick& matcher, const SkipSet& skip,
                                  ObjectIdSet& xmp);

}  // namespace quorvel::verify
