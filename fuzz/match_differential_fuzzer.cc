// The matcher against the slow leftmost-first reference: any difference in the matches reported,
// their order or their offsets is a finding.
//
// Input: a settings byte, a pattern count byte, that many length-prefixed patterns, then the
// haystack. The settings byte picks case folding, the prefilter, a tiny size limit (the build
// must then fail cleanly or fit), and whether every byte is mapped into a four-letter alphabet,
// which makes patterns overlap and shadow one another far more often than random bytes do.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "match/aho_corasick.h"
#include "match/leftmost_first_reference.h"

namespace {

using quorvel::match::AhoCorasickBuilder;
using quorvel::match::Match;

struct Input {
  explicit Input(std::string_view bytes) : rest(bytes) {}
  std::uint8_t take_byte() {
    if (rest.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest[0]);
    rest.remove_prefix(1);
    return b;
  }
  std::string take(std::size_t n) {
    n = std::min(n, rest.size());
    std::string s(rest.substr(0, n));
    rest.remove_prefix(n);
    return s;
  }
  std::string_view rest;
};

// Letters in both cases and '@'/'`', which differ from 'A'/'a' by the case bit only.
constexpr std::string_view kSmallAlphabets[] = {"aAbB", "ab@`"};

void narrow(std::string& s, std::string_view alphabet) {
  for (char& c : s) c = alphabet[static_cast<std::uint8_t>(c) % alphabet.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in({reinterpret_cast<const char*>(data), size});
  const std::uint8_t settings = in.take_byte();
  const bool fold = settings & 1;
  const bool prefilter = settings & 2;
  const bool tiny_limit = (settings & 0x1C) == 0x1C;
  const bool narrowed = settings & 0x20;
  const std::string_view alphabet = kSmallAlphabets[(settings >> 6) & 1];

  // Mostly a handful of patterns; up to 100, past what the vectorised prefilter takes.
  const std::size_t count = 1 + in.take_byte() % 100;
  std::vector<std::string> patterns;
  for (std::size_t i = 0; i < count && !in.rest.empty(); ++i) {
    std::string p = in.take(1 + in.take_byte() % 16);
    if (p.empty()) break;
    if (narrowed) narrow(p, alphabet);
    patterns.push_back(std::move(p));
  }
  if (patterns.empty()) return 0;
  std::string haystack(in.rest);
  if (narrowed) narrow(haystack, alphabet);

  AhoCorasickBuilder builder;
  builder.ascii_case_insensitive(fold).prefilter(prefilter);
  if (tiny_limit) builder.size_limit(1 << 12);
  const auto matcher = builder.build(patterns);
  if (!matcher) {
    if (!tiny_limit) __builtin_trap();  // non-empty patterns within the default limit must build
    return 0;
  }

  std::vector<Match> got;
  matcher->for_each_match(haystack, [&](const Match& m) {
    got.push_back(m);
    return true;
  });
  if (got != quorvel::match::testing::leftmost_first_reference(patterns, haystack, fold))
    __builtin_trap();
  return 0;
}
