// A multi-pattern byte matcher: an Aho-Corasick automaton with leftmost-first semantics and
// optional ASCII case folding.
//
// Leftmost-first: a search reports non-overlapping matches from left to right; of the matches
// that start at the leftmost possible position, the pattern listed first wins, and the search
// resumes at the end of that match. With the patterns "Samwise" and "Sam", in this order, the
// haystack "Samwise" reports "Samwise"; with "Sam" listed first it reports "Sam" alone.
//
//   auto matcher = AhoCorasickBuilder()
//                      .match_kind(MatchKind::LeftmostFirst)
//                      .ascii_case_insensitive(true)
//                      .build(patterns);
//   if (!matcher) return std::unexpected(matcher.error());
//   matcher->for_each_match(text, [](const Match& m) { ...; return true; });
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "match/prefilter.h"
#include "resource_limits.h"

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

  friend bool operator==(const Match&, const Match&) = default;
};

class AhoCorasick;

class AhoCorasickBuilder {
 public:
  AhoCorasickBuilder& match_kind(MatchKind kind);
  // On: the bytes A-Z of a haystack also match a-z of a pattern (and the reverse); every other
  // byte matches only itself. Off by default.
  AhoCorasickBuilder& ascii_case_insensitive(bool on);
  // On: the search skips quickly to positions where a match can start. On by default.
  AhoCorasickBuilder& prefilter(bool on);
  // The largest transition table, in bytes, that `build` may allocate. Default
  // `limits::kMaxAutomatonBytes`.
  AhoCorasickBuilder& size_limit(std::size_t bytes);

  // Builds the automaton over `patterns`; pattern i gets `PatternId` i. Duplicate patterns are
  // allowed (the first one listed wins). Fails, with a description, when a pattern is empty, when
  // there are more patterns than a `PatternId` can number, or when the transition table would
  // exceed the size limit.
  std::expected<AhoCorasick, std::string> build(std::span<const std::string_view> patterns) const;
  std::expected<AhoCorasick, std::string> build(std::span<const std::string> patterns) const;

 private:
  MatchKind kind_ = MatchKind::LeftmostFirst;
  bool ascii_case_insensitive_ = false;
  bool prefilter_ = true;
  std::size_t size_limit_ = limits::kMaxAutomatonBytes;
};

// Immutable once built; any number of threads may search it at once, each search keeping its
// state on its own stack.
class AhoCorasick {
 public:
  std::size_t pattern_count() const { return pattern_count_; }

  // The first match of an unanchored search of `haystack` that starts at or after `from`, or
  // nothing. Bytes before `from` are not looked at.
  std::optional<Match> find(std::string_view haystack, std::size_t from = 0) const;

  // Calls `on_match(const Match&)` for each match of an unanchored search of `haystack`, left to
  // right; stops early when `on_match` returns false.
  template <typename OnMatch>
  void for_each_match(std::string_view haystack, OnMatch&& on_match) const {
    std::size_t at = 0;
    while (std::optional<Match> m = find(haystack, at)) {
      if (!on_match(static_cast<const Match&>(*m))) return;
      at = m->end;  // never empty, so the search always moves on
    }
  }

 private:
  friend class AhoCorasickBuilder;
  AhoCorasick() = default;

  // A state is the offset of its row in `transitions_` (state index times `stride_`), which
  // saves a multiplication per byte. States are numbered dead (0), then every state that reports
  // a match, then the start state, then the rest, so that one comparison against
  // `max_special_` tells whether the search must look closer.
  using StateId = std::uint32_t;
  static constexpr StateId kDead = 0;

  std::vector<StateId> transitions_;
  std::array<std::uint8_t, 256> byte_class_{};
  StateId stride_ = 0;
  StateId start_ = 0;
  StateId max_match_ = 0;
  // `start_` when the prefilter is in use, otherwise `max_match_`.
  StateId max_special_ = 0;
  // For the state numbered 1 + i: the pattern it reports and that pattern's length.
  std::vector<PatternId> match_pattern_;
  std::vector<std::size_t> match_length_;
  std::size_t pattern_count_ = 0;
  Prefilter prefilter_;
  bool use_prefilter_ = false;
};

}  // namespace quorvel::match
