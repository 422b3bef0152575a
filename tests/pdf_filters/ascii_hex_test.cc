#include <gtest/gtest.h>

#include <string>

#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kNoLimit = 1 << 20;

TEST(AsciiHexDecode, DecodesDigitsAndIgnoresWhiteSpace) {
  struct Case {
    std::string in;
    std::string expected;
  };
  const Case cases[] = {
      {"41636d65>", "Acme"},
      {"41 63\r\n6D\t65 >", "Acme"},
      {"4163 6>", "Ac`"},    // odd final digit: followed by 0
      {"41636d65", "Acme"},  // no end marker
      {"4163>6d65", "Ac"},   // nothing after `>` is read
      {">", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    const auto out = ascii_hex_decode(c.in, kNoLimit);
    ASSERT_TRUE(out.has_value()) << c.in << ": " << out.error().message;
    EXPECT_EQ(*out, c.expected) << c.in;
  }
}

TEST(AsciiHexDecode, FailsOnANonHexCharacter) {
  const auto out = ascii_hex_decode("41636g65>", kNoLimit);
  ASSERT_FALSE(out.has_value());
  EXPECT_EQ(out.error().partial, "Ac");
}

TEST(AsciiHexDecode, StopsAtTheOutputLimit) {
  EXPECT_TRUE(ascii_hex_decode("414243>", 3).has_value());
  const auto out = ascii_hex_decode("414243>", 2);
  ASSERT_FALSE(out.has_value());
  EXPECT_EQ(out.error().partial, "AB");
  EXPECT_FALSE(ascii_hex_decode("41424>", 2).has_value());  // the padded final digit counts
}

}  // namespace
}  // namespace quorvel::pdf
