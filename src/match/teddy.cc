#include "match/teddy.h"

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "match/byte_classes.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVEL_TEDDY_X86 1
#include <immintrin.h>
#endif

namespace quorvel::match {
namespace {

// Whether the first `width` bytes of some bucket's fingerprint fit the haystack at `p`;
// `p + width` must not pass the end.
bool fits_at(const Teddy::Masks& m, std::size_t width, const std::uint8_t* h, std::size_t p) {
  std::uint8_t buckets = 0xFF;
  for (std::size_t i = 0; i < width; ++i) {
    const std::uint8_t b = h[p + i];
    buckets &= m.low[i][b & 0x0F] & m.high[i][b >> 4];
  }
  return buckets != 0;
}

#if QUORVEL_TEDDY_X86

constexpr std::size_t kBuckets = 8;
constexpr std::size_t kMaxWidth = 4;

// The distinct fingerprints (first `width` bytes, or the whole of a shorter pattern), sorted by
// length, then by bytes.
std::vector<std::string> distinct_fingerprints(std::span<const std::string_view> patterns,
                                               std::size_t width, bool ascii_case_insensitive) {
  std::vector<std::string> fingerprints;
  for (std::string_view pattern : patterns) {
    std::string fingerprint(pattern.substr(0, width));
    if (ascii_case_insensitive) {
      for (char& c : fingerprint) c = static_cast<char>(ascii_lower(static_cast<std::uint8_t>(c)));
    }
    fingerprints.push_back(std::move(fingerprint));
  }
  std::sort(fingerprints.begin(), fingerprints.end(),
            [](const std::string& a, const std::string& b) {
              return a.size() != b.size() ? a.size() < b.size() : a < b;
            });
  fingerprints.erase(std::unique(fingerprints.begin(), fingerprints.end()), fingerprints.end());
  return fingerprints;
}

// The bucket of each fingerprint. A short fingerprint fits more often and would make every
// longer one in its bucket fit as often, so the fingerprints of each length get buckets of
// their own, as many as their share allows. Within one length the sorted fingerprints are cut
// into contiguous runs, so that those with the same first bytes share a bucket, which keeps
// nibble combinations that no pattern has rare.
std::vector<std::size_t> assign_buckets(const std::vector<std::string>& fingerprints) {
  std::array<std::size_t, kMaxWidth + 1> per_length{}, buckets_of_length{};
  for (const std::string& f : fingerprints) ++per_length[f.size()];
  std::size_t spare = kBuckets;
  for (std::size_t len = 1; len <= kMaxWidth; ++len) {
    if (per_length[len] > 0) {
      buckets_of_length[len] = 1;
      --spare;
    }
  }
  for (; spare > 0; --spare) {
    std::size_t fullest = 0;
    for (std::size_t len = 1; len <= kMaxWidth; ++len) {
      if (per_length[len] <= buckets_of_length[len]) continue;
      if (fullest == 0 || per_length[len] * buckets_of_length[fullest] >
                              per_length[fullest] * buckets_of_length[len]) {
        fullest = len;
      }
    }
    if (fullest == 0) break;
    ++buckets_of_length[fullest];
  }
  std::vector<std::size_t> bucket_of(fingerprints.size());
  for (std::size_t f = 0, first_bucket = 0, len = 1; len <= kMaxWidth; ++len) {
    for (std::size_t i = 0; i < per_length[len]; ++i, ++f) {
      bucket_of[f] = first_bucket + i * buckets_of_length[len] / per_length[len];
    }
    first_bucket += buckets_of_length[len];
  }
  return bucket_of;
}

// The vector loops scan whole blocks while a block and the fingerprint bytes after it lie in
// the haystack. They return the first candidate, or npos with `p` at the first unscanned
// position.

template <std::size_t W>
__attribute__((target("ssse3"))) std::size_t find_ssse3(const Teddy::Masks& m,
                                                        const std::uint8_t* h, std::size_t n,
                                                        std::size_t& p) {
  const __m128i nibble = _mm_set1_epi8(0x0F);
  __m128i low[W], high[W];
  for (std::size_t i = 0; i < W; ++i) {
    low[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(m.low[i].data()));
    high[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(m.high[i].data()));
  }
  for (; n - p >= 16 + W - 1; p += 16) {
    __m128i fit = _mm_set1_epi8(-1);
    for (std::size_t i = 0; i < W; ++i) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + p + i));
      const __m128i lo = _mm_and_si128(bytes, nibble);
      const __m128i hi = _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble);
      fit = _mm_and_si128(
          fit, _mm_and_si128(_mm_shuffle_epi8(low[i], lo), _mm_shuffle_epi8(high[i], hi)));
    }
    const auto none =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(fit, _mm_setzero_si128())));
    if (none != 0xFFFF) return p + static_cast<std::size_t>(std::countr_one(none));
  }
  return std::string_view::npos;
}

template <std::size_t W>
__attribute__((target("avx2"))) std::size_t find_avx2(const Teddy::Masks& m, const std::uint8_t* h,
                                                      std::size_t n, std::size_t& p) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i low[W], high[W];
  for (std::size_t i = 0; i < W; ++i) {
    // The shuffle looks up within each 128-bit lane, so both lanes get the same table.
    low[i] = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(m.low[i].data())));
    high[i] = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(m.high[i].data())));
  }
  for (; n - p >= 32 + W - 1; p += 32) {
    __m256i fit = _mm256_set1_epi8(-1);
    for (std::size_t i = 0; i < W; ++i) {
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + p + i));
      const __m256i lo = _mm256_and_si256(bytes, nibble);
      const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble);
      fit = _mm256_and_si256(
          fit, _mm256_and_si256(_mm256_shuffle_epi8(low[i], lo), _mm256_shuffle_epi8(high[i], hi)));
    }
    const auto none = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(fit, _mm256_setzero_si256())));
    if (none != 0xFFFFFFFFu) return p + static_cast<std::size_t>(std::countr_one(none));
  }
  return std::string_view::npos;
}

template <std::size_t W>
std::size_t find_vector(bool avx2, const Teddy::Masks& m, const std::uint8_t* h, std::size_t n,
                        std::size_t& p) {
  if (avx2) {
    const std::size_t hit = find_avx2<W>(m, h, n, p);
    if (hit != std::string_view::npos) return hit;
  }
  return find_ssse3<W>(m, h, n, p);
}

#endif

}  // namespace

std::optional<Teddy> Teddy::build(std::span<const std::string_view> patterns,
                                  bool ascii_case_insensitive) {
#if QUORVEL_TEDDY_X86
  if (patterns.empty() || patterns.size() > kMaxPatterns) return std::nullopt;
  if (!__builtin_cpu_supports("ssse3")) return std::nullopt;
  std::size_t width = 0;
  for (std::string_view pattern : patterns) {
    if (pattern.empty()) return std::nullopt;
    width = std::max(width, std::min(pattern.size(), kMaxWidth));
  }

  const std::vector<std::string> fingerprints =
      distinct_fingerprints(patterns, width, ascii_case_insensitive);
  const std::vector<std::size_t> bucket_of = assign_buckets(fingerprints);

  // Patterns with the same fingerprint share a bucket; a pattern shorter than the fingerprint
  // fits any byte past its end.
  Teddy teddy;
  teddy.width_ = width;
  teddy.avx2_ = __builtin_cpu_supports("avx2");
  for (std::size_t f = 0; f < fingerprints.size(); ++f) {
    const auto bucket_bit = static_cast<std::uint8_t>(1u << bucket_of[f]);
    for (std::size_t i = 0; i < width; ++i) {
      if (i >= fingerprints[f].size()) {
        for (std::size_t nibble = 0; nibble < 16; ++nibble) {
          teddy.masks_.low[i][nibble] |= bucket_bit;
          teddy.masks_.high[i][nibble] |= bucket_bit;
        }
        continue;
      }
      const auto b = static_cast<std::uint8_t>(fingerprints[f][i]);
      for (std::uint8_t v : {b, ascii_case_insensitive ? ascii_upper(b) : b}) {
        teddy.masks_.low[i][v & 0x0F] |= bucket_bit;
        teddy.masks_.high[i][v >> 4] |= bucket_bit;
      }
    }
  }
  return teddy;
#else
  (void)patterns;
  (void)ascii_case_insensitive;
  return std::nullopt;
#endif
}

std::size_t Teddy::find(std::string_view haystack, std::size_t from) const {
  const auto* h = reinterpret_cast<const std::uint8_t*>(haystack.data());
  const std::size_t n = haystack.size();
  if (from >= n) return std::string_view::npos;
  std::size_t p = from;
#if QUORVEL_TEDDY_X86
  std::size_t hit = std::string_view::npos;
  switch (width_) {
    case 1:
      hit = find_vector<1>(avx2_, masks_, h, n, p);
      break;
    case 2:
      hit = find_vector<2>(avx2_, masks_, h, n, p);
      break;
    case 3:
      hit = find_vector<3>(avx2_, masks_, h, n, p);
      break;
    default:
      hit = find_vector<4>(avx2_, masks_, h, n, p);
      break;
  }
  if (hit != std::string_view::npos) return hit;
#endif
  for (; p < n; ++p) {
    if (fits_at(masks_, std::min(width_, n - p), h, p)) return p;
  }
  return std::string_view::npos;
}

}  // namespace quorvel::match
