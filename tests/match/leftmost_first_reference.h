// A slow, obviously correct leftmost-first search and a generator of small random pattern sets,
// shared by the randomised tests of the matcher and of the hit mask.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "match/aho_corasick.h"

namespace quorvel::match::testing {

inline char fold(char c, bool ascii_case_insensitive) {
  return (ascii_case_insensitive && c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char toggle_case(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c;
}

inline bool occurs_at(std::string_view pattern, std::string_view haystack, std::size_t at,
                      bool ascii_case_insensitive) {
  if (haystack.size() - at < pattern.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (fold(pattern[i], ascii_case_insensitive) != fold(haystack[at + i], ascii_case_insensitive))
      return false;
  }
  return true;
}

// Tries every start from left to right and, at each, every pattern in list order.
inline std::vector<Match> leftmost_first_reference(const std::vector<std::string>& patterns,
                                                   std::string_view haystack,
                                                   bool ascii_case_insensitive) {
  std::vector<Match> matches;
  std::size_t start = 0;
  while (start < haystack.size()) {
    bool found = false;
    for (std::size_t id = 0; id < patterns.size() && !found; ++id) {
      if (occurs_at(patterns[id], haystack, start, ascii_case_insensitive)) {
        matches.push_back(Match{static_cast<PatternId>(id), start, start + patterns[id].size()});
        start += patterns[id].size();
        found = true;
      }
    }
    if (!found) ++start;
  }
  return matches;
}

// One random case: patterns over a small alphabet, many of them prefixes, extensions or
// case variants of one another, and a haystack that often contains them.
struct RandomCase {
  std::vector<std::string> patterns;
  std::string haystack;
};

inline RandomCase random_case(std::mt19937& rng) {
  // Letters in both cases, bytes above ASCII, and '@'/'`' which differ from each other by the
  // case bit without being letters.
  static constexpr std::string_view kAlphabets[] = {"ab",     "aAbB", "abc",
                                                    "aAbBcC", "a@`A", "a\xC9\xE9z"};
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  const std::string_view alphabet = kAlphabets[pick(std::size(kAlphabets))];
  auto random_string = [&](std::size_t length) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) s += alphabet[pick(alphabet.size())];
    return s;
  };

  RandomCase c;
  // Mostly a handful of patterns; sometimes more than the vectorised prefilter takes.
  const std::size_t count = pick(10) == 0 ? 65 + pick(20) : 1 + pick(8);
  for (std::size_t i = 0; i < count; ++i) {
    if (!c.patterns.empty() && pick(3) == 0) {
      std::string base = c.patterns[pick(c.patterns.size())];
      switch (pick(3)) {
        case 0:
          base += random_string(1 + pick(3));
          break;  // an extension
        case 1:
          if (base.size() > 1) base.pop_back();
          break;  // a prefix
        default:  // a case variant
          for (char& ch : base) {
            if (pick(2)) ch = toggle_case(ch);
          }
          break;
      }
      c.patterns.push_back(base);
    } else {
      c.patterns.push_back(random_string(1 + pick(5)));
    }
  }
  const std::size_t length = pick(4) == 0 ? pick(8) : pick(150);
  while (c.haystack.size() < length) {
    if (pick(4) == 0) {
      c.haystack += c.patterns[pick(c.patterns.size())];
    } else {
      c.haystack += random_string(1);
    }
  }
  return c;
}

}  // namespace quorvel::match::testing
