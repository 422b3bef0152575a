#include "match/aho_corasick.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

#include "match/byte_classes.h"

namespace quorvel::match {
namespace {

constexpr std::uint32_t kNoState = std::numeric_limits<std::uint32_t>::max();
constexpr PatternId kNoPattern = std::numeric_limits<PatternId>::max();
constexpr std::uint32_t kDeadIndex = 0;
constexpr std::uint32_t kStartIndex = 1;

// The automaton while it is built: states by index, rows of `stride` entries.
struct Draft {
  std::size_t stride = 0;
  std::size_t max_states = 0;
  std::vector<std::uint32_t> next;
  // The pattern that ends in a state of the trie; later, the pattern the state reports.
  std::vector<PatternId> pattern;

  std::size_t state_count() const { return pattern.size(); }

  std::uint32_t* row(std::uint32_t state) { return next.data() + state * stride; }

  // Adds a state with no transitions, or fails when the size limit would be passed.
  std::optional<std::uint32_t> add_state() {
    if (state_count() >= max_states) return std::nullopt;
    next.resize(next.size() + stride, kNoState);
    pattern.push_back(kNoPattern);
    return static_cast<std::uint32_t>(state_count() - 1);
  }
};

// The trie of the patterns. A pattern that runs through a state where an earlier pattern ends is
// left out: under leftmost-first semantics the earlier pattern always wins there, and leaving the
// rest of the path out is what keeps the automaton from reporting the later one.
std::expected<void, std::string> add_patterns(Draft& draft,
                                              std::span<const std::string_view> patterns,
                                              const ByteClasses& classes, std::size_t size_limit) {
  for (std::size_t id = 0; id < patterns.size(); ++id) {
    std::uint32_t state = kStartIndex;
    bool reachable = true;
    for (char c : patterns[id]) {
      if (draft.pattern[state] != kNoPattern) {
        reachable = false;
        break;
      }
      const std::uint8_t byte_class = classes.class_of[static_cast<std::uint8_t>(c)];
      std::uint32_t next = draft.row(state)[byte_class];
      if (next == kNoState) {
        const std::optional<std::uint32_t> added = draft.add_state();
        if (!added) {
          return std::unexpected(
              fmt::format("automaton over {} patterns exceeds the size limit of {} bytes",
                          patterns.size(), size_limit));
        }
        next = *added;
        draft.row(state)[byte_class] = next;
      }
      state = next;
    }
    // A duplicate ends where its first copy ends; the first copy keeps the state.
    if (reachable && draft.pattern[state] == kNoPattern) {
      draft.pattern[state] = static_cast<PatternId>(id);
    }
  }
  return {};
}

// Turns the trie into a complete transition table, in place, following failure links in
// breadth-first order so that a state's failure target is complete before the state is.
// Leftmost semantics: a state where a pattern ends fails to the dead state instead of looking
// for a later-starting match, and so does everything below it; a state without a pattern of its
// own reports what its failure target reports.
void fill_transitions(Draft& draft) {
  const std::size_t stride = draft.stride;
  std::vector<std::uint32_t> fail(draft.state_count(), kDeadIndex);
  std::vector<std::uint32_t> queue;
  queue.reserve(draft.state_count());

  std::fill_n(draft.row(kDeadIndex), stride, kDeadIndex);
  std::uint32_t* start = draft.row(kStartIndex);
  for (std::size_t c = 0; c < stride; ++c) {
    const std::uint32_t child = start[c];
    if (child == kNoState) {
      start[c] = kStartIndex;
      continue;
    }
    fail[child] = draft.pattern[child] != kNoPattern ? kDeadIndex : kStartIndex;
    queue.push_back(child);
  }

  for (std::size_t head = 0; head < queue.size(); ++head) {
    const std::uint32_t state = queue[head];
    const std::uint32_t* fail_row = draft.row(fail[state]);
    std::uint32_t* row = draft.row(state);
    for (std::size_t c = 0; c < stride; ++c) {
      const std::uint32_t child = row[c];
      if (child == kNoState) {
        row[c] = fail_row[c];
        continue;
      }
      if (draft.pattern[child] != kNoPattern) {
        fail[child] = kDeadIndex;
      } else {
        fail[child] = fail_row[c];
        draft.pattern[child] = draft.pattern[fail[child]];
      }
      queue.push_back(child);
    }
  }
}

}  // namespace

AhoCorasickBuilder& AhoCorasickBuilder::match_kind(MatchKind kind) {
  kind_ = kind;
  return *this;
}

AhoCorasickBuilder& AhoCorasickBuilder::ascii_case_insensitive(bool on) {
  ascii_case_insensitive_ = on;
  return *this;
}

AhoCorasickBuilder& AhoCorasickBuilder::prefilter(bool on) {
  prefilter_ = on;
  return *this;
}

AhoCorasickBuilder& AhoCorasickBuilder::size_limit(std::size_t bytes) {
  size_limit_ = bytes;
  return *this;
}

std::expected<AhoCorasick, std::string> AhoCorasickBuilder::build(
    std::span<const std::string> patterns) const {
  const std::vector<std::string_view> views(patterns.begin(), patterns.end());
  return build(std::span<const std::string_view>(views));
}

std::expected<AhoCorasick, std::string> AhoCorasickBuilder::build(
    std::span<const std::string_view> patterns) const {
  if (patterns.size() >= kNoPattern) {
    return std::unexpected(fmt::format("too many patterns: {}", patterns.size()));
  }
  for (std::size_t id = 0; id < patterns.size(); ++id) {
    if (patterns[id].empty()) return std::unexpected(fmt::format("pattern {} is empty", id));
  }

  const ByteClasses classes = make_byte_classes(patterns, ascii_case_insensitive_);
  Draft draft;
  draft.stride = classes.count;
  // States are stored premultiplied by the stride, so the largest must fit in a StateId.
  draft.max_states =
      std::min(size_limit_ / (draft.stride * sizeof(std::uint32_t)),
               std::size_t{std::numeric_limits<std::uint32_t>::max()} / draft.stride);
  // Every pattern byte adds at most one state; reserving that many (within the limit) keeps the
  // vector's growth from allocating past the limit.
  std::size_t pattern_bytes = 0;
  for (std::string_view pattern : patterns) pattern_bytes += pattern.size();
  draft.next.reserve(std::min(draft.max_states, 2 + pattern_bytes) * draft.stride);
  if (!draft.add_state() || !draft.add_state()) {
    return std::unexpected(
        fmt::format("automaton exceeds the size limit of {} bytes", size_limit_));
  }
  if (auto added = add_patterns(draft, patterns, classes, size_limit_); !added) {
    return std::unexpected(std::move(added.error()));
  }
  fill_transitions(draft);

  // Number the states dead, reporting states, start, the rest (see StateId in the header).
  const std::size_t count = draft.state_count();
  std::vector<std::uint32_t> renumbered(count);
  std::uint32_t next = 1;
  for (std::uint32_t s = kStartIndex + 1; s < count; ++s) {
    if (draft.pattern[s] != kNoPattern) renumbered[s] = next++;
  }
  const std::uint32_t match_states = next - 1;
  renumbered[kDeadIndex] = 0;
  renumbered[kStartIndex] = next++;
  for (std::uint32_t s = kStartIndex + 1; s < count; ++s) {
    if (draft.pattern[s] == kNoPattern) renumbered[s] = next++;
  }

  AhoCorasick ac;
  const std::size_t stride = draft.stride;
  ac.stride_ = static_cast<AhoCorasick::StateId>(stride);
  ac.byte_class_ = classes.class_of;
  ac.transitions_.resize(count * stride);
  ac.match_pattern_.resize(match_states);
  ac.match_length_.resize(match_states);
  for (std::uint32_t s = 0; s < count; ++s) {
    const std::uint32_t* from = draft.row(s);
    AhoCorasick::StateId* to = ac.transitions_.data() + renumbered[s] * stride;
    for (std::size_t c = 0; c < stride; ++c) {
      to[c] = static_cast<AhoCorasick::StateId>(renumbered[from[c]] * stride);
    }
    if (s != kStartIndex && draft.pattern[s] != kNoPattern) {
      ac.match_pattern_[renumbered[s] - 1] = draft.pattern[s];
      ac.match_length_[renumbered[s] - 1] = patterns[draft.pattern[s]].size();
    }
  }
  ac.start_ = static_cast<AhoCorasick::StateId>(renumbered[kStartIndex] * stride);
  ac.max_match_ = static_cast<AhoCorasick::StateId>(match_states * stride);
  ac.pattern_count_ = patterns.size();
  if (prefilter_) {
    ac.prefilter_ = Prefilter::build(patterns, ascii_case_insensitive_);
    ac.use_prefilter_ = ac.prefilter_.skips();
  }
  ac.max_special_ = ac.use_prefilter_ ? ac.start_ : ac.max_match_;
  return ac;
}

std::optional<Match> AhoCorasick::find(std::string_view haystack, std::size_t from) const {
  const auto* h = reinterpret_cast<const std::uint8_t*>(haystack.data());
  const std::size_t n = haystack.size();
  if (pattern_count_ == 0 || from >= n) return std::nullopt;

  std::size_t pos = from;
  if (use_prefilter_) {
    pos = prefilter_.find(haystack, pos);
    if (pos == std::string_view::npos) return std::nullopt;
  }
  const StateId* table = transitions_.data();
  StateId state = start_;
  StateId matched = kDead;
  std::size_t matched_end = 0;
  const auto result = [&]() -> std::optional<Match> {
    if (matched == kDead) return std::nullopt;
    const std::size_t index = matched / stride_ - 1;
    return Match{match_pattern_[index], matched_end - match_length_[index], matched_end};
  };

  // Text where the prefilter stops every few bytes (hostile, or just unlucky) is scanned faster
  // by the automaton alone; the prefilter is switched off for a stretch and then tried again.
  constexpr std::size_t kProbeCalls = 32;
  constexpr std::size_t kMinAverageSkip = 8;
  constexpr std::size_t kStretchWithout = 4096;
  StateId max_special = max_special_;
  std::size_t end = n;
  std::size_t calls = 0;
  std::size_t skipped = 0;
  for (;;) {
    while (pos < end) {
      state = table[state + byte_class_[h[pos]]];
      ++pos;
      if (state > max_special) continue;
      if (state == kDead) return result();
      if (state <= max_match_) {
        // Keep going until the dead state: a match that beats this one (starting earlier, or at
        // the same place with a pattern listed first) may end further on.
        matched = state;
        matched_end = pos;
        continue;
      }
      // Back in the start state, with the prefilter on.
      const std::size_t next = prefilter_.find(haystack, pos);
      if (next == std::string_view::npos) return result();
      ++calls;
      skipped += next - pos;
      pos = next;
      if (calls >= kProbeCalls && skipped < calls * kMinAverageSkip) {
        max_special = max_match_;
        end = std::min(n, pos + kStretchWithout);
      }
    }
    if (end == n) return result();
    max_special = max_special_;
    end = n;
    calls = 0;
    skipped = 0;
  }
}

}  // namespace quorvel::match
