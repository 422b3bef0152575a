// Teddy: a vectorised search for positions where one of up to 64 patterns may start, judged by
// the first one to four bytes of each pattern (its fingerprint).
//
// The patterns are spread over eight buckets, one bit each. For every fingerprint position two
// 16-entry tables give, for a byte's low and for its high nibble, the buckets with a pattern that
// may have such a byte there. One byte shuffle per table looks up 16 (SSSE3) or 32 (AVX2)
// haystack bytes at once; ANDing the nibble lookups and then the positions leaves a nonzero byte
// wherever every fingerprint byte of some bucket fits. A pattern shorter than the fingerprint
// fits any byte past its end, so one short pattern does not shorten the fingerprint of all the
// others (two-byte fingerprints such as "an" or "in" fit almost everywhere in English text). A
// hit is only a candidate: nibbles of two patterns in one bucket can combine into a byte that
// neither has, so the automaton confirms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvel::match {

class Teddy {
 public:
  static constexpr std::size_t kMaxPatterns = 64;

  // Nothing when there are no patterns or more than `kMaxPatterns`, when a pattern is empty, or
  // when this processor has no SSSE3. With `ascii_case_insensitive`, a letter in either case
  // fits a fingerprint.
  static std::optional<Teddy> build(std::span<const std::string_view> patterns,
                                    bool ascii_case_insensitive);

  // The smallest position p >= `from` at which some pattern's fingerprint fits the haystack, or
  // `std::string_view::npos`. Every position where a pattern occurs is such a position. Near the
  // end of the haystack only the bytes that are left are judged.
  std::size_t find(std::string_view haystack, std::size_t from) const;

  struct Masks {
    // For fingerprint byte i: buckets by low nibble, buckets by high nibble.
    alignas(16) std::array<std::array<std::uint8_t, 16>, 4> low{};
    alignas(16) std::array<std::array<std::uint8_t, 16>, 4> high{};
  };

 private:
  Teddy() = default;

  Masks masks_;
  // Fingerprint length: the longest pattern's length, at most 4.
  std::size_t width_ = 0;
  bool avx2_ = false;
};

}  // namespace quorvel::match
