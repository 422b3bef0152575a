#include "match/aho_corasick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "match/leftmost_first_reference.h"

namespace quorvel::match {

// Found by the test framework through argument-dependent lookup.
void PrintTo(const Match& m, std::ostream* os) {
  *os << "{" << m.pattern << ", " << m.start << ", " << m.end << "}";
}

namespace {

using testing::leftmost_first_reference;

AhoCorasick build_or_die(const std::vector<std::string>& patterns, bool ascii_case_insensitive,
                         bool prefilter) {
  auto ac = AhoCorasickBuilder()
                .match_kind(MatchKind::LeftmostFirst)
                .ascii_case_insensitive(ascii_case_insensitive)
                .prefilter(prefilter)
                .build(patterns);
  EXPECT_TRUE(ac.has_value()) << ac.error();
  return std::move(*ac);
}

std::vector<Match> all_matches(const AhoCorasick& ac, std::string_view haystack) {
  std::vector<Match> matches;
  ac.for_each_match(haystack, [&](const Match& m) {
    matches.push_back(m);
    return true;
  });
  return matches;
}

struct Case {
  std::string_view name;
  std::vector<std::string> patterns;
  std::string haystack;
  std::vector<Match> matches;
};

// Every case runs with and without the prefilter.
void run_table(const std::vector<Case>& cases, bool ascii_case_insensitive) {
  for (bool prefilter : {true, false}) {
    for (const Case& c : cases) {
      const AhoCorasick ac = build_or_die(c.patterns, ascii_case_insensitive, prefilter);
      EXPECT_EQ(all_matches(ac, c.haystack), c.matches)
          << c.name << (prefilter ? " (prefilter)" : " (no prefilter)");
    }
  }
}

const std::string kFiller(40, '.');

TEST(AhoCorasick, LeftmostFirst) {
  run_table(
      {
          {"first listed wins at one start", {"Samwise", "Sam"}, "Samwise", {{0, 0, 7}}},
          {"shorter listed first wins", {"Sam", "Samwise"}, "Samwise", {{0, 0, 3}}},
          {"earlier start beats earlier pattern", {"bc", "abcd"}, "abcd", {{1, 0, 4}}},
          {"later start when the earlier fails", {"abcd", "bc"}, "abcx", {{1, 1, 3}}},
          {"suffix seen, then an earlier start", {"abcdef", "cd", "bcdx"}, "abcdx", {{2, 1, 5}}},
          {"longer fails, shorter listed later",
           {"abcd", "ab"},
           "abx abcd",
           {{1, 0, 2}, {0, 4, 8}}},
          {"non-overlapping, resumes at the end", {"aa"}, "aaaaa", {{0, 0, 2}, {0, 2, 4}}},
          {"shadowed inside a winner",
           {"acme corp", "corp"},
           "acme corp corp",
           {{0, 0, 9}, {1, 10, 14}}},
          {"duplicates: the first copy wins", {"acme", "x", "acme"}, "acme", {{0, 0, 4}}},
          {"case kept", {"acme"}, "ACME acme", {{0, 5, 9}}},
          {"no match", {"foo", "bar"}, "fob baz", {}},
          {"empty haystack", {"a"}, "", {}},
          {"one-byte patterns", {"b", "a"}, "abba", {{1, 0, 1}, {0, 1, 2}, {0, 2, 3}, {1, 3, 4}}},
          {"after a long gap", {"xyz", "q"}, kFiller + kFiller + "xyz", {{0, 80, 83}}},
          {"ends exactly at the end", {"xy"}, kFiller + "xy", {{0, 40, 42}}},
          {"NUL and 0xFF bytes",
           {std::string("\0\xFF", 2)},
           std::string("a\0\xFF\0", 4),
           {{0, 1, 3}}},
      },
      false);
}

TEST(AhoCorasick, AsciiCaseInsensitive) {
  run_table(
      {
          {"either case in the haystack",
           {"acme"},
           "ACME Acme acme",
           {{0, 0, 4}, {0, 5, 9}, {0, 10, 14}}},
          {"upper case in the pattern", {"ACME"}, "acme", {{0, 0, 4}}},
          {"leftmost-first across cases", {"Samwise", "sam"}, "SAMWISE", {{0, 0, 7}}},
          {"non-ASCII letters do not fold",
           {"\xC3\xA9"
            "cole"},
           "\xC3\x89"
           "COLE \xC3\xA9"
           "cole",
           {{0, 7, 13}}},
          {"bytes a case bit apart that are not letters", {"@[", "\xE9"}, "`{ \xC9", {}},
          {"after a long gap", {"needle"}, kFiller + kFiller + "NeEdLe", {{0, 80, 86}}},
      },
      true);
}

TEST(AhoCorasick, StopsWhenTheCallbackSaysSo) {
  const AhoCorasick ac = build_or_die({"a"}, false, true);
  int calls = 0;
  ac.for_each_match("aaaa", [&](const Match&) { return ++calls < 2; });
  EXPECT_EQ(calls, 2);
}

TEST(AhoCorasick, FindStartsAtTheGivenOffset) {
  const AhoCorasick ac = build_or_die({"abc", "bc"}, false, true);
  EXPECT_EQ(ac.find("abc", 1), (Match{1, 1, 3}));
  EXPECT_EQ(ac.find("abc", 3), std::nullopt);
  EXPECT_EQ(ac.find("abc", 99), std::nullopt);
}

TEST(AhoCorasick, BuildErrors) {
  const std::vector<std::string> with_empty{"a", ""};
  auto empty = AhoCorasickBuilder().build(with_empty);
  ASSERT_FALSE(empty.has_value());
  EXPECT_EQ(empty.error(), "pattern 1 is empty");

  const std::vector<std::string> long_patterns{std::string(1000, 'a'), std::string(1000, 'b')};
  auto too_big = AhoCorasickBuilder().size_limit(4096).build(long_patterns);
  ASSERT_FALSE(too_big.has_value());
  EXPECT_EQ(too_big.error(), "automaton over 2 patterns exceeds the size limit of 4096 bytes");
  EXPECT_TRUE(AhoCorasickBuilder().size_limit(1 << 20).build(long_patterns).has_value());

  auto none = AhoCorasickBuilder().build(std::vector<std::string>{});
  ASSERT_TRUE(none.has_value());
  EXPECT_EQ(none->pattern_count(), 0u);
  EXPECT_EQ(none->find("anything"), std::nullopt);
}

// Random pattern sets against the reference, in every configuration: any difference in the
// match list (pattern, start, end) is a fault in the automaton or the prefilter.
TEST(AhoCorasick, MatchesTheReferenceOnRandomCases) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    const testing::RandomCase c = testing::random_case(rng);
    // An allocation of exactly the haystack's size, so that a sanitizer sees any read past it.
    const auto exact = std::make_unique<char[]>(c.haystack.size());
    std::copy(c.haystack.begin(), c.haystack.end(), exact.get());
    const std::string_view haystack(exact.get(), c.haystack.size());
    for (bool fold : {true, false}) {
      const std::vector<Match> expected = leftmost_first_reference(c.patterns, c.haystack, fold);
      for (bool prefilter : {true, false}) {
        const AhoCorasick ac = build_or_die(c.patterns, fold, prefilter);
        ASSERT_EQ(all_matches(ac, haystack), expected)
            << "case " << i << (fold ? " folded" : "") << (prefilter ? " prefilter" : "")
            << " haystack '" << c.haystack << "' patterns " << ::testing::PrintToString(c.patterns);
      }
    }
  }
}

// Text made to stop the prefilter every few bytes, so the search turns it off for stretches and
// back on; matches inside and after those stretches must still be found.
TEST(AhoCorasick, DenseCandidatesLoseNoMatch) {
  // Twelve fingerprints share eight buckets, so "ay" fits where "ax" and "by" share one.
  const std::vector<std::string> patterns{"axqq", "byqq", "c1qq", "d1qq", "e1qq", "f1qq",
                                          "g1qq", "h1qq", "i1qq", "j1qq", "k1qq", "ayq!"};
  std::string haystack;
  for (int i = 0; i < 5000; ++i) {
    haystack += "ayqq";
    if (i % 1500 == 1499) haystack += (i % 2 ? "AXQQ" : "ayq!");
  }
  haystack += "k1qq";
  const std::vector<Match> expected = leftmost_first_reference(patterns, haystack, true);
  ASSERT_EQ(expected.size(), 4u);
  EXPECT_EQ(all_matches(build_or_die(patterns, true, true), haystack), expected);
}

TEST(AhoCorasick, ThreadsShareOneMatcher) {
  const std::vector<std::string> patterns{"acme", "corp", "acme corp", "q4"};
  const AhoCorasick ac = build_or_die(patterns, true, true);
  std::string haystack;
  for (int i = 0; i < 2000; ++i) haystack += (i % 7 == 0) ? "ACME Corp, Q4; " : "nothing here; ";
  const std::vector<Match> expected = leftmost_first_reference(patterns, haystack, true);

  std::vector<std::thread> threads;
  std::vector<int> agreed(4, 0);
  for (int& ok : agreed) {
    threads.emplace_back([&] {
      for (int round = 0; round < 50; ++round) ok += all_matches(ac, haystack) == expected;
    });
  }
  for (std::thread& t : threads) t.join();
  for (int ok : agreed) EXPECT_EQ(ok, 50);
}

}  // namespace
}  // namespace quorvel::match
