#include "match/prefilter.h"

#include <algorithm>
#include <cstdint>

#include "match/byte_classes.h"

namespace quorvel::match {

Prefilter Prefilter::build(std::span<const std::string_view> patterns,
                           bool ascii_case_insensitive) {
  Prefilter prefilter;
  prefilter.teddy_ = Teddy::build(patterns, ascii_case_insensitive);
  if (prefilter.teddy_) return prefilter;

  for (std::string_view pattern : patterns) {
    if (pattern.empty()) return Prefilter();
    const auto b = static_cast<std::uint8_t>(pattern.front());
    prefilter.starts_[b] = true;
    if (ascii_case_insensitive) {
      prefilter.starts_[ascii_lower(b)] = true;
      prefilter.starts_[ascii_upper(b)] = true;
    }
  }
  // When most bytes can start a pattern, the automaton's own start state is as quick.
  const auto starting = std::count(prefilter.starts_.begin(), prefilter.starts_.end(), true);
  prefilter.start_byte_table_ = starting > 0 && starting <= 128;
  return prefilter;
}

std::size_t Prefilter::find(std::string_view haystack, std::size_t from) const {
  if (teddy_) return teddy_->find(haystack, from);
  if (!start_byte_table_) return from < haystack.size() ? from : std::string_view::npos;
  for (std::size_t p = from; p < haystack.size(); ++p) {
    if (starts_[static_cast<std::uint8_t>(haystack[p])]) return p;
  }
  return std::string_view::npos;
}

}  // namespace quorvel::match
