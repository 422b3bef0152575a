// A multi-pattern byte matcher: an Aho-Corasick automaton with leftmost-first semantics and
// optional ASCII case folding.
//
// Leftmost-first: a search reports non-overlapping matches from left to right; of the matches
// that start at the leftmost possible position, the pattern listed first wins, and the search
// resumes at the end of that match. With the patterns "Samwise" and "Sam", in this order, the
// haystack "Samwise" reports "Samwise"; with "Sam" listed first it reports "Sam" alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

namespace quorvel::match {

enum class MatchKind {
  // See the file comment. The only kind the verifier uses.
  LeftmostFirst,
};

// A pattern's position in the list the automaton was built from.
using PatternId = std::uint32_t;

struct Match {
  PatternId pattern;
  // Byte offsets of the match in the haystack: [start, end).
  std::size_t start;
  std::size_t end;
};

class AhoCorasick;

class AhoCorasickBuilder {
 public:
  AhoCorasickBuilder& match_kind(MatchKind kind);
  // On: the bytes A-Z of a haystack also match a-z of a pattern (and the reverse); every other
  // byte matches only itself.
  AhoCorasickBuilder& ascii_case_insensitive(bool on);
  // On: the search skips quickly to positions where a match can start.
  AhoCorasickBuilder& prefilter(bool on);

  // Fails (with a description) when a pattern is empty or the automaton would be too large.
  std::expected<AhoCorasick, std::string> build(std::span<const std::string> patterns) const;
};

// Immutable once built; any number of threads may search it at once.
class AhoCorasick {
 public:
  std::size_t pattern_count() const;

  // Calls `on_match(const Match&)` for each match of an unanchored search of `haystack`, left to
  // right; stops early when `on_match` returns false.
  template <typename OnMatch>
  void for_each_match(std::string_view haystack, OnMatch&& on_match) const;
};

}  // namespace quorvel::match
