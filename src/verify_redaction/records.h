// The records one verification hands from stage to stage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/report.h"

namespace quorvel::verify {

// One search term after normalisation. Its position in the needle list is its pattern number in
// the matcher and its index in every hit mask.
struct Needle {
  // The caller's term less leading and trailing white space; never empty.
  std::string term;
  // The full Unicode lower-case mapping of `term`: the pattern the matcher searches for.
  std::string lower;
};

// One non-empty annotation field as the engine reads it.
struct AnnotField {
  // The field's value, lower-cased; never empty.
  std::string value;
  // "Contents", "T", "NM" or "A/URI".
  std::string_view key;
  // 0-based index of the annotation among its page's annotations.
  std::uint64_t annot_index = 0;
};

// What the engine pass reads from one page.
struct PerPageData {
  // The page's whole text, lower-cased; empty when the engine gives none.
  std::string text;
  // By annotation index, then "Contents", "T", "NM", "A/URI".
  std::vector<AnnotField> annot_fields;
  // 1-based page number.
  std::uint64_t page_number = 0;
};

// What the page scan finds on one page.
struct PerPageHits {
  std::vector<LeakHit> body;
  std::vector<LeakHit> annots;
};

}  // namespace quorvel::verify
