#include "text/unicode.h"

#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <memory>

namespace quorvel::text {
namespace {

// Decodes the code point at `i` (advancing it); invalid sequences give a negative value.
UChar32 next_code_point(std::string_view s, std::size_t& i) {
  UChar32 c;
  auto len = static_cast<int32_t>(s.size());
  auto pos = static_cast<int32_t>(i);
  U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), pos, len, c);
  i = static_cast<std::size_t>(pos);
  return c;
}

bool is_space(UChar32 c) { return c >= 0 && u_hasBinaryProperty(c, UCHAR_WHITE_SPACE); }

struct CaseMapCloser {
  void operator()(UCaseMap* m) const { ucasemap_close(m); }
};

// The root locale: no Turkish, Lithuanian or other language rules.
const UCaseMap* root_case_map() {
  static const std::unique_ptr<UCaseMap, CaseMapCloser> map = [] {
    UErrorCode status = U_ZERO_ERROR;
    return std::unique_ptr<UCaseMap, CaseMapCloser>(ucasemap_open("", 0, &status));
  }();
  return map.get();
}

// The UTF-8 length of UTF-16 text whose surrogates are paired; an unpaired one counts as the
// three bytes of its replacement character.
std::size_t utf8_length(std::u16string_view units) {
  std::size_t n = 0;
  for (char16_t u : units) n += u < 0x80 ? 1 : u < 0x800 ? 2 : U16_IS_SURROGATE(u) ? 2 : 3;
  return n + 1;
}

// Appends the full lower-case mapping of `utf16` to `out` as UTF-8, with `scratch` holding ICU's
// UTF-16 result. False when ICU fails.
bool append_lower(std::u16string_view utf16, std::u16string& scratch, std::string& out) {
  scratch.resize(utf16.size() + utf16.size() / 4 + 8);
  for (;;) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = u_strToLower(scratch.data(), static_cast<int32_t>(scratch.size()),
                                   utf16.data(), static_cast<int32_t>(utf16.size()), "", &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      scratch.resize(static_cast<std::size_t>(n));
      continue;
    }
    if (U_FAILURE(status)) return false;
    scratch.resize(static_cast<std::size_t>(n));
    break;
  }
  const std::size_t at = out.size();
  out.resize(at + utf8_length(scratch));
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = 0;
  u_strToUTF8WithSub(out.data() + at, static_cast<int32_t>(out.size() - at), &n, scratch.data(),
                     static_cast<int32_t>(scratch.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return false;
  out.resize(at + static_cast<std::size_t>(n));
  return true;
}

// The full lower-case mapping of the whole of `utf16` through ICU, as UTF-8 sized exactly; empty
// when ICU fails.
std::string icu_to_lower(std::u16string_view utf16) {
  std::u16string scratch;
  std::string out;
  if (!append_lower(utf16, scratch, out)) return {};
  out.shrink_to_fit();
  return out;
}

}  // namespace

std::string_view trim_white_space(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size()) {
    std::size_t next = begin;
    if (!is_space(next_code_point(s, next))) break;
    begin = next;
  }
  std::size_t end = s.size();
  while (end > begin) {
    // Step back to the start of the last code point.
    auto pos = static_cast<int32_t>(end);
    UChar32 c;
    U8_PREV(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int32_t>(begin), pos, c);
    if (!is_space(c)) break;
    end = static_cast<std::size_t>(pos);
  }
  return s.substr(begin, end - begin);
}

std::string utf8_with_replacement(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 8);
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t start = i;
    UChar32 c = next_code_point(bytes, i);
    if (c < 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(bytes.substr(start, i - start));
    }
  }
  return out;
}

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    // ASCII runs are the common case.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    if (next_code_point(bytes, i) < 0) return false;
  }
  return true;
}

std::string to_lower(std::string_view utf8) {
  std::string valid = utf8_with_replacement(utf8);
  if (valid.empty()) return valid;
  std::string out(valid.size() + valid.size() / 2 + 16, '\0');
  for (;;) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucasemap_utf8ToLower(root_case_map(), out.data(), static_cast<int32_t>(out.size()),
                                     valid.data(), static_cast<int32_t>(valid.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<std::size_t>(n));
      continue;
    }
    if (U_FAILURE(status)) return valid;
    out.resize(static_cast<std::size_t>(n));
    return out;
  }
}

std::string to_lower(std::u16string_view utf16) {
  // Capital sigma is the one character whose lower case depends on its neighbours. Without it
  // every character maps on its own, so ASCII, most of any text, is mapped here and only the runs
  // of other characters go through ICU.
  constexpr char16_t kCapitalSigma = u'\u03A3';
  std::string out(utf16.size(), '\0');
  std::size_t length = 0;
  std::u16string scratch;
  std::string run;
  for (std::size_t i = 0; i < utf16.size();) {
    const char16_t c = utf16[i];
    if (c < 0x80) {
      out[length++] = static_cast<char>(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < utf16.size() && utf16[end] >= 0x80) {
      if (utf16[end] == kCapitalSigma) return icu_to_lower(utf16);
      ++end;
    }
    run.clear();
    if (!append_lower(utf16.substr(i, end - i), scratch, run)) return {};
    // What follows needs at most one byte per unit until the next run.
    const std::size_t needed = length + run.size() + (utf16.size() - end);
    if (needed > out.size()) out.resize(needed);
    run.copy(out.data() + length, run.size());
    length += run.size();
    i = end;
  }
  out.resize(length);
  // Page texts are kept for the whole verification.
  out.shrink_to_fit();
  return out;
}

bool is_valid_utf16(std::u16string_view units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if (U16_IS_LEAD(u)) {
      if (i + 1 >= units.size() || !U16_IS_TRAIL(units[i + 1])) return false;
      ++i;
    } else if (U16_IS_TRAIL(u)) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> utf16_to_utf8(std::u16string_view units) {
  if (!is_valid_utf16(units)) return std::nullopt;
  std::string out(utf8_length(units), '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = 0;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &n, units.data(),
              static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::uint64_t count_code_points(std::u16string_view units) {
  std::uint64_t n = units.size();
  for (char16_t u : units) n -= U16_IS_TRAIL(u) ? 1 : 0;
  return n;
}

std::u16string utf16_units_be(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) << 8 |
                                   static_cast<unsigned char>(bytes[2 * i + 1]));
  return out;
}

std::u16string utf16_units_le(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return out;
}

}  // namespace quorvel::text
