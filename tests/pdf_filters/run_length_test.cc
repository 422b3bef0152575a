#include <gtest/gtest.h>

#include <string>

#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kNoLimit = 1 << 20;

TEST(RunLengthDecode, DecodesLiteralAndRepeatRuns) {
  struct Case {
    std::string in;
    std::string expected;
  };
  const Case cases[] = {
      {std::string("\x03"
                   "Acme\x80",
                   6),
       "Acme"},
      {std::string("\xfd"
                   "x\x80",
                   3),
       "xxxx"},  // 257 - 253 = 4 copies
      {std::string("\x81"
                   "y\x80",
                   3),
       std::string(128, 'y')},  // the longest repeat run
      {std::string("\x00"
                   "A\xff"
                   "-\x01"
                   "BC\x80",
                   8),
       "A--BC"},  // 255 gives two copies
      {std::string("\x01"
                   "AB",
                   3),
       "AB"},  // no end marker
      {std::string("\x01"
                   "AB\x80\x01"
                   "CD",
                   7),
       "AB"},  // nothing after the end
      {"", ""},
  };
  for (const auto& c : cases) {
    const auto out = run_length_decode(c.in, kNoLimit);
    ASSERT_TRUE(out.has_value()) << out.error().message;
    EXPECT_EQ(*out, c.expected);
  }
}

TEST(RunLengthDecode, FailsOnARunCutShort) {
  const auto literal = run_length_decode(std::string("\x00"
                                                     "A\x05"
                                                     "Acm",
                                                     6),
                                         kNoLimit);
  ASSERT_FALSE(literal.has_value());
  EXPECT_EQ(literal.error().partial, "AAcm");
  const auto repeat = run_length_decode(std::string("\x00"
                                                    "A\xfe",
                                                    3),
                                        kNoLimit);
  ASSERT_FALSE(repeat.has_value());
  EXPECT_EQ(repeat.error().partial, "A");
}

TEST(RunLengthDecode, StopsAtTheOutputLimit) {
  const std::string in("\x81x\x81x\x80", 5);
  EXPECT_TRUE(run_length_decode(in, 256).has_value());
  const auto out = run_length_decode(in, 200);
  ASSERT_FALSE(out.has_value());
  EXPECT_EQ(out.error().partial, std::string(200, 'x'));
  EXPECT_LE(out.error().partial.capacity(), 200u);
}

}  // namespace
}  // namespace quorvel::pdf
