// The needle list, the matcher built over it, and the questions every pass asks of a haystack.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "match/aho_corasick.h"
#include "verify_redaction/records.h"

namespace quorvel::verify {

// Trims each term of Unicode white space, drops the empty ones, lower-cases the rest with the
// full Unicode mapping and keeps the first term of each lower-cased form, in the caller's order.
std::vector<Needle> normalize_terms(std::span<const std::string> terms);

// The matcher over the needles' lower forms, pattern number = position in the list:
// leftmost-first, ASCII case folding, unanchored, with a prefilter. The error is the matcher's
// own description.
std::expected<match::AhoCorasick, std::string> build_matcher(std::span<const Needle> needles);

// One flag per needle (one byte each): flag i is set when the leftmost-first search of `haystack`
// reports needle i at least once. Stops searching once every needle has been seen.
std::vector<std::uint8_t> ac_hit_mask(const match::AhoCorasick& matcher, std::string_view haystack,
                                      std::size_t needle_count);

}  // namespace quorvel::verify
