#include <gtest/gtest.h>

#include <string>

#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kNoLimit = 1 << 20;

TEST(Ascii85Decode, DecodesWellFormedAndLaxData) {
  struct Case {
    std::string in;
    std::string expected;
  };
  const Case cases[] = {
      {"87cURD]j7BEbo7~>", "Hello world"},
      {"9jqo^BlbD-BleB1DJ+*+F(f,q~>", "Man is distinguished"},
      {"87cUR D]j7B\r\nEbo7\t~>", "Hello world"},  // white space anywhere
      {"z@:E^~>", std::string("\0\0\0\0abc", 7)},  // z, then a final group of three bytes
      {"zz~>", std::string(8, '\0')},
      {"s8W-!~>", "\xff\xff\xff\xff"},
      {"@:B~>", "ab"},
      {"<~87cURD]j7BEbo7~>", "Hello world"},  // the PostScript opening
      {"87cURD]j7BEbo7", "Hello world"},      // no end marker
      {"87cURD]j7BEbo7~", "Hello world"},     // `~` without `>`
      {"@:B~>@:B", "ab"},                     // nothing after the end is read
      {"87cURq~>", "Hell"},                   // a lone final digit encodes nothing
      {"~>", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    const auto out = ascii85_decode(c.in, kNoLimit);
    ASSERT_TRUE(out.has_value()) << c.in << ": " << out.error().message;
    EXPECT_EQ(*out, c.expected) << c.in;
  }
}

TEST(Ascii85Decode, FailsOnInvalidDataKeepingWhatCameBefore) {
  struct Case {
    std::string in;
    std::string partial;
  };
  const Case cases[] = {
      {"87cURvD]j7~>", "Hell"},           // `v` is past `u`
      {"87cURD]j7BEbo7{~>", "Hello wo"},  // `{` is not a digit; the open group is lost
      {"87czUR~>", ""},                   // `z` inside a group
      {"87cURuuuuu~>", "Hell"},           // a group above 2^32 - 1
      {"s9~>", ""},                       // a final group above 2^32 - 1 once padded
  };
  for (const auto& c : cases) {
    const auto out = ascii85_decode(c.in, kNoLimit);
    ASSERT_FALSE(out.has_value()) << c.in;
    EXPECT_EQ(out.error().partial, c.partial) << c.in;
  }
}

TEST(Ascii85Decode, StopsAtTheOutputLimit) {
  EXPECT_TRUE(ascii85_decode("zz~>", 8).has_value());
  const auto out = ascii85_decode("zzz~>", 9);
  ASSERT_FALSE(out.has_value());
  EXPECT_EQ(out.error().partial, std::string(9, '\0'));
}

}  // namespace
}  // namespace quorvel::pdf
