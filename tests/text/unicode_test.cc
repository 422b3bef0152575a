#include "text/unicode.h"

#include <gtest/gtest.h>

namespace quorvel::text {
namespace {

TEST(TrimWhiteSpace, RemovesUnicodeWhiteSpaceAtBothEndsOnly) {
  struct Case {
    std::string_view in, out;
  } cases[] = {
      {"  Acme Corp ", "Acme Corp"},
      {"\t\n\v\f\r x \r", "x"},
      {"\u00A0\u2000\u3000Acme\u202F\u205F\u2028\u2029\u0085\u1680", "Acme"},
      {"Acme  Corp", "Acme  Corp"},
      {"   ", ""},
      {"", ""},
      {"\u200Bx\u200B", "\u200Bx\u200B"},  // zero width space is not White_Space
      {"\xFF x", "\xFF x"},                // an invalid byte is not space
  };
  for (const auto& c : cases) EXPECT_EQ(trim_white_space(c.in), c.out) << c.in;
}

TEST(ToLower, FullMappingWithoutLanguageRules) {
  struct Case {
    std::string_view in, out;
  } cases[] = {
      {"ACME Corp", "acme corp"},
      {"\u0130stanbul", "i\u0307stanbul"},        // dotted capital I expands
      {"\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C2"},  // final sigma at word end
      {"\u03A3\u0391", "\u03C3\u03B1"},          // medial sigma
      {"\u00C9COLE", "\u00E9cole"},
      {"I", "i"},                                  // no Turkish dotless i
      {"\xFF", "\uFFFD"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_lower(c.in), c.out) << c.in;
  }
  EXPECT_EQ(to_lower(std::u16string_view(u"\u0130X\U0001D400")), "i\u0307x\U0001D400");
}

TEST(Utf16, StrictDecodingRejectsUnpairedSurrogates) {
  EXPECT_EQ(utf16_to_utf8(u"Acme"), "Acme");
  EXPECT_EQ(utf16_to_utf8(u"\U0001F600"), "\U0001F600");
  EXPECT_FALSE(utf16_to_utf8(std::u16string{u'a', char16_t{0xD800}}));
  EXPECT_FALSE(utf16_to_utf8(std::u16string{char16_t{0xDC00}, u'a'}));
  EXPECT_FALSE(utf16_to_utf8(std::u16string{char16_t{0xD800}}));
  EXPECT_EQ(count_code_points(u"e\u0301\U0001F600"), 3u);
}

TEST(Utf16, ByteOrder) {
  EXPECT_EQ(utf16_units_be(std::string_view("\x00\x41\x01\x02", 4)), (std::u16string{0x41, 0x102}));
  EXPECT_EQ(utf16_units_le(std::string_view("\x41\x00\x02\x01", 4)), (std::u16string{0x41, 0x102}));
}

TEST(Utf8, ReplacementOfInvalidSequences) {
  EXPECT_EQ(utf8_with_replacement("CAF\xC9"), "CAF\uFFFD");
  EXPECT_EQ(utf8_with_replacement("caf\u00E9"), "caf\u00E9");
  EXPECT_TRUE(is_valid_utf8("caf\u00E9"));
  EXPECT_FALSE(is_valid_utf8("\xC0\x80"));  // overlong
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));  // encoded surrogate
}

}  // namespace
}  // namespace quorvel::text
