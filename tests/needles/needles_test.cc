#include "verify_redaction/needles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "match/leftmost_first_reference.h"

namespace quorvel::verify {
namespace {

std::vector<std::pair<std::string, std::string>> as_pairs(const std::vector<Needle>& needles) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const Needle& n : needles) pairs.emplace_back(n.term, n.lower);
  return pairs;
}

TEST(NormalizeTerms, TrimsLowerCasesAndKeepsTheFirstOfEachLowerForm) {
  struct Case {
    std::string_view name;
    std::vector<std::string> terms;
    std::vector<std::pair<std::string, std::string>> needles;  // term, lower
  } cases[] = {
      {"blanks yield nothing", {"  ", "", "\t"}, {}},
      {"no terms", {}, {}},
      {"case and outer space fold together",
       {" Acme Corp ", "ACME CORP"},
       {{"Acme Corp", "acme corp"}}},
      {"inner spaces stay",
       {"Acme Corp", "Acme  Corp"},
       {{"Acme Corp", "acme corp"}, {"Acme  Corp", "acme  corp"}}},
      {"first spelling kept, in first-seen order",
       {"beta", " Acme ", "ACME", "acme", "Beta"},
       {{"beta", "beta"}, {"Acme", "acme"}}},
      {"Unicode white space trimmed",
       {"\u00A0\u3000Acme\u2029\u0085", "\u200BAcme"},
       {{"Acme", "acme"}, {"\u200BAcme", "\u200Bacme"}}},
      {"dotted capital I expands", {"\u0130STANBUL"}, {{"\u0130STANBUL", "i\u0307stanbul"}}},
      {"final sigma at the end of a word",
       {"\u039F\u0394\u039F\u03A3 \u03A3\u0391"},
       {{"\u039F\u0394\u039F\u03A3 \u03A3\u0391", "\u03BF\u03B4\u03BF\u03C2 \u03C3\u03B1"}}},
      {"precomposed capital letters", {"\u00C9COLE", "\u00E9cole"}, {{"\u00C9COLE", "\u00E9cole"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(as_pairs(normalize_terms(c.terms)), c.needles) << c.name;
  }
}

std::vector<std::uint8_t> mask_of(const std::vector<std::string>& terms,
                                  std::string_view haystack) {
  const std::vector<Needle> needles = normalize_terms(terms);
  auto matcher = build_matcher(needles);
  EXPECT_TRUE(matcher.has_value()) << matcher.error();
  return ac_hit_mask(*matcher, haystack, needles.size());
}

using Mask = std::vector<std::uint8_t>;

TEST(AcHitMask, EdgeCases) {
  struct Case {
    std::string_view name;
    std::vector<std::string> terms;
    std::string haystack;
    Mask mask;
  } cases[] = {
      {"empty haystack", {"acme", "corp"}, "", {0, 0}},
      {"raw upper-case ASCII matches", {"Acme"}, "ACME", {1}},
      {"raw upper-case non-ASCII does not", {"\u00E9cole"}, "\u00C9COLE", {0}},
      {"lower-cased non-ASCII does", {"\u00C9COLE"}, "l'\u00E9cole", {1}},
      {"expanded dotted I", {"\u0130stanbul"}, "i\u0307stanbul", {1}},
      {"final sigma only matches final sigma",
       {"\u039F\u0394\u039F\u03A3"},
       "\u03BF\u03B4\u03BF\u03C3",
       {0}},
      {"shorter listed first shadows", {"acme", "acme corp"}, "acme corp", {1, 0}},
      {"longer listed first shadows", {"acme corp", "acme"}, "acme corp", {1, 0}},
      {"shadowed, then seen on its own",
       {"acme", "acme corp", "corp"},
       "acme corp; corp",
       {1, 0, 1}},
      {"every needle, in any order", {"gamma", "alpha", "beta"}, "beta. ALPHA; Gamma", {1, 1, 1}},
      {"none present", {"alpha", "beta"}, "gamma delta", {0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(mask_of(c.terms, c.haystack), c.mask) << c.name;
}

TEST(AcHitMask, EveryNeedleFoundWhateverTheOrder) {
  const std::vector<std::string> words{"Berkshire", "Q4", "annual report", "GEICO", "BNSF"};
  std::vector<std::string> order = words;
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(order.begin(), order.end(), rng);
    std::string haystack;
    for (const std::string& w : order) haystack += w + " and ";
    EXPECT_EQ(mask_of(words, haystack), Mask(words.size(), 1)) << haystack;
  }
}

// The mask must flag exactly the needles that the leftmost-first reference reports, including
// when the search stops early because every needle has been seen.
TEST(AcHitMask, MatchesTheReferenceOnRandomCases) {
  std::mt19937 rng(977);
  for (int i = 0; i < 20000; ++i) {
    match::testing::RandomCase c = match::testing::random_case(rng);
    // Needle patterns are lower-case and distinct.
    std::vector<Needle> needles;
    std::vector<std::string> lowers;
    for (const std::string& p : c.patterns) {
      std::string lower;
      for (char ch : p) lower += match::testing::fold(ch, true);
      if (std::find(lowers.begin(), lowers.end(), lower) != lowers.end()) continue;
      lowers.push_back(lower);
      needles.push_back(Needle{p, lower});
    }
    Mask expected(needles.size(), 0);
    for (const match::Match& m :
         match::testing::leftmost_first_reference(lowers, c.haystack, true)) {
      expected[m.pattern] = 1;
    }
    auto matcher = build_matcher(needles);
    ASSERT_TRUE(matcher.has_value()) << matcher.error();
    ASSERT_EQ(ac_hit_mask(*matcher, c.haystack, needles.size()), expected)
        << "case " << i << " haystack '" << c.haystack << "'";
  }
}

}  // namespace
}  // namespace quorvel::verify
