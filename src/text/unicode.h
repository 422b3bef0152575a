// Unicode helpers over ICU: white-space trimming, full lower-casing, strict UTF-16 decoding and
// UTF-8 with replacement characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::text {

// `s` without leading and trailing characters of the Unicode White_Space property. Bytes that are
// not valid UTF-8 count as non-space.
std::string_view trim_white_space(std::string_view s);

// The full Unicode lower-case mapping of UTF-8 text, with no language-specific rules: one
// character may become several (U+0130 -> "i\u0307") and capital sigma becomes final sigma at the
// end of a word. Invalid sequences become U+FFFD first.
std::string to_lower(std::string_view utf8);

// The same mapping for UTF-16 text, giving UTF-8. Unpaired surrogates become U+FFFD; callers that
// must reject them check with `is_valid_utf16` first.
std::string to_lower(std::u16string_view utf16);

// `bytes` read as UTF-8, every invalid sequence replaced by U+FFFD.
std::string utf8_with_replacement(std::string_view bytes);

bool is_valid_utf8(std::string_view bytes);

// True when every high surrogate is followed by a low one and no low surrogate stands alone.
bool is_valid_utf16(std::u16string_view units);

// Strict UTF-16 to UTF-8: nothing when a surrogate is unpaired.
std::optional<std::string> utf16_to_utf8(std::u16string_view units);

// Number of Unicode scalar values of valid UTF-16 text (a surrogate pair counts once).
std::uint64_t count_code_points(std::u16string_view units);

// Reads bytes as 16-bit code units, high byte first or low byte first. An odd trailing byte is
// dropped; callers check the length.
std::u16string utf16_units_be(std::string_view bytes);
std::u16string utf16_units_le(std::string_view bytes);

}  // namespace quorvel::text
