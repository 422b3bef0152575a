#include "pdf/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf_test_support.h"
#include "resource_limits.h"

namespace quorvel::pdf {
namespace {

using testing::describe;

struct Parsed {
  std::string value;
  std::string rest;  // what the lexer has left after the value
};

Parsed parse(std::string_view input) {
  static Arena arena;  // values must outlive the call; the test binary frees it at exit
  Parser parser(arena);
  Lexer lexer(input);
  const Object value = parser.parse(lexer);
  return {describe(value), std::string(input.substr(lexer.pos()))};
}

struct Case {
  const char* input;
  const char* expected;
};

TEST(Parser, Values) {
  const std::vector<Case> cases = {
      {"42", "42"},
      {"-1.5", "-1.5"},
      {"true", "true"},
      {"null", "null"},
      {"/Name", "/Name"},
      {"(str)", "(str)"},
      {"12 0 R", "12 0 R"},
      {"[1 2 0 R 3 4]", "[1 2 0 R 3 4]"},
      {"[1 2]", "[1 2]"},
      {"<< /A 1 /B [ (x) << /C /D >> ] >>", "<</A 1/B [(x) <</C /D>>]>>"},
      {"[4294967295 65535 R -1 0 R 1 65536 R]", "[4294967295 65535 R -1 0 (R) 1 65536 (R)]"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.input).value, c.expected) << c.input;
}

TEST(Parser, KeepsDictionaryEntriesInFileOrderWithDuplicates) {
  static Arena arena;
  Parser parser(arena);
  Lexer lexer("<< /Z 1 /A (first) /M 2 /A (second) >>");
  const Object dict = parser.parse(lexer);
  EXPECT_EQ(describe(dict), "<</Z 1/A (first)/M 2/A (second)>>");
  ASSERT_NE(dict.dictionary().find("A"), nullptr);
  EXPECT_EQ(describe(*dict.dictionary().find("A")), "(second)");  // the later entry wins
  EXPECT_EQ(dict.dictionary().find("a"), nullptr);                // keys compare exactly
}

TEST(Parser, RepairsWhatViewersRepair) {
  const std::vector<Case> cases = {
      // A key without a value gets null; a value where a key belongs is kept under the empty key.
      {"<< /A >>", "<</A null>>"},
      {"<< (secret) /K 1 >>", "<</ (secret)/K 1>>"},
      // A bare word is kept as a string: producers write text there.
      {"<< /Author John >>", "<</Author (John)>>"},
      // Stray closing brackets are skipped.
      {"[1 >> 2]", "[1 2]"},
      {") 7", "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.input).value, c.expected) << c.input;
}

TEST(Parser, StopsAtTheKeywordThatEndsAnObject) {
  const std::vector<Case> cases = {
      {"<< /A [1 2 endobj", "<</A [1 2]>>"},
      {"[ (a) << /B 3 0 obj", "[(a) <</B 3/ 0>>]"},
      {"<< /Length 4 >> stream", "<</Length 4>>"},
      {"endobj", "null"},
      {"", "null"},
      {"[[[ ", "[[[]]]"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.input).value, c.expected) << c.input;
  EXPECT_EQ(parse("<< /A [1 endobj").rest, "endobj");
  EXPECT_EQ(parse("<< /A 1 >> stream\n").rest, " stream\n");
}

TEST(Parser, DropsWhatIsNestedDeeperThanTheBound) {
  const std::size_t depth = limits::kMaxParseDepth;
  // At the bound the innermost array is still kept; one level more is dropped as null.
  std::string at_bound = std::string(depth, '[') + "(deep)" + std::string(depth, ']');
  EXPECT_NE(parse(at_bound).value.find("(deep)"), std::string::npos);
  const std::string past =
      parse(std::string(depth, '[') + "[(x)] 7" + std::string(depth, ']')).value;
  EXPECT_EQ(past.find("(x)"), std::string::npos);
  EXPECT_NE(past.find("null 7"), std::string::npos);
  // A million levels cost no stack.
  const std::string huge(1'000'000, '[');
  EXPECT_EQ(parse(huge).value.substr(0, 3), "[[[");
}

TEST(Parser, AppliesTheStringTransformExceptToSignatureContents) {
  static Arena arena;
  Parser parser(arena);
  const StringTransform upper = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return arena.copy(out);
  };
  Lexer a("<< /T (abc) /K [(d) << /E (f) >>] >>");
  EXPECT_EQ(describe(parser.parse(a, &upper)), "<</T (ABC)/K [(D) <</E (F)>>]>>");
  Lexer b("<< /Type /Sig /Contents <00ab> /Name (n) >>");
  EXPECT_EQ(describe(parser.parse(b, &upper)), "<</Type /Sig/Contents (\\x00\\xab)/Name (N)>>");
  Lexer c("(top)");
  EXPECT_EQ(describe(parser.parse(c, &upper)), "(TOP)");
}

}  // namespace
}  // namespace quorvel::pdf
