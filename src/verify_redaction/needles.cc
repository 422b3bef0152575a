#include "verify_redaction/needles.h"

#include <unordered_set>

#include "text/unicode.h"

namespace quorvel::verify {

std::vector<Needle> normalize_terms(std::span<const std::string> terms) {
  std::vector<Needle> needles;
  std::unordered_set<std::string> seen;
  for (const std::string& raw : terms) {
    const std::string_view term = text::trim_white_space(raw);
    if (term.empty()) continue;
    std::string lower = text::to_lower(term);
    if (!seen.insert(lower).second) continue;
    needles.push_back(Needle{std::string(term), std::move(lower)});
  }
  return needles;
}

std::expected<match::AhoCorasick, std::string> build_matcher(std::span<const Needle> needles) {
  std::vector<std::string_view> patterns;
  patterns.reserve(needles.size());
  for (const Needle& needle : needles) patterns.push_back(needle.lower);
  return match::AhoCorasickBuilder()
      .match_kind(match::MatchKind::LeftmostFirst)
      .ascii_case_insensitive(true)
      .prefilter(true)
      .build(patterns);
}

std::vector<std::uint8_t> ac_hit_mask(const match::AhoCorasick& matcher, std::string_view haystack,
                                      std::size_t needle_count) {
  std::vector<std::uint8_t> mask(needle_count, 0);
  if (haystack.empty() || needle_count == 0) return mask;
  std::size_t unseen = needle_count;
  matcher.for_each_match(haystack, [&](const match::Match& m) {
    if (m.pattern < needle_count && mask[m.pattern] == 0) {
      mask[m.pattern] = 1;
      --unseen;
    }
    return unseen > 0;
  });
  return mask;
}

}  // namespace quorvel::verify
