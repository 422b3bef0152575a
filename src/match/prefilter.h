// Skips a search ahead to the next position where a match may start, so that the automaton only
// runs near candidates. A prefilter never skips a position where a pattern occurs; it may stop at
// positions where none does.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "match/teddy.h"

namespace quorvel::match {

class Prefilter {
 public:
  // A prefilter that skips nothing.
  Prefilter() = default;

  // The fastest method this processor offers for `patterns` (none of them empty): Teddy where
  // it applies, otherwise a table of the bytes a pattern can start with.
  static Prefilter build(std::span<const std::string_view> patterns, bool ascii_case_insensitive);

  // False when the prefilter would stop at every position, so that using it only costs time.
  bool skips() const { return teddy_.has_value() || start_byte_table_; }

  // The smallest position p >= `from` at which a pattern may start, or `std::string_view::npos`
  // when none can start at or after `from`.
  std::size_t find(std::string_view haystack, std::size_t from) const;

 private:
  std::optional<Teddy> teddy_;
  bool start_byte_table_ = false;
  std::array<bool, 256> starts_{};
};

}  // namespace quorvel::match
