#include "pdf/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel::pdf {
namespace {

// Every token of `input` as text: i:5 r:0.5 n:Name s:bytes k:word [ ] << >> junk.
std::string tokens(std::string_view input) {
  Lexer lexer(input);
  std::string out;
  for (Token t = lexer.next(); t.type != TokenType::end; t = lexer.next()) {
    if (!out.empty()) out += " ";
    switch (t.type) {
      case TokenType::integer:
        out += "i:" + std::to_string(t.integer);
        break;
      case TokenType::real: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "r:%g", t.real);
        out += buf;
        break;
      }
      case TokenType::name:
        out += "n:" + std::string(t.bytes);
        break;
      case TokenType::string:
        out += "s:" + std::string(t.bytes);
        break;
      case TokenType::keyword:
        out += "k:" + std::string(t.bytes);
        break;
      case TokenType::array_open:
        out += "[";
        break;
      case TokenType::array_close:
        out += "]";
        break;
      case TokenType::dict_open:
        out += "<<";
        break;
      case TokenType::dict_close:
        out += ">>";
        break;
      case TokenType::junk:
        out += "junk";
        break;
      case TokenType::end:
        break;
    }
  }
  return out;
}

struct Case {
  const char* input;
  const char* expected;
};

TEST(Lexer, Numbers) {
  const std::vector<Case> cases = {
      {"0 -0 +17 -98", "i:0 i:0 i:17 i:-98"},
      {"34.5 -3.62 +.5 4. -.002 0.0", "r:34.5 r:-3.62 r:0.5 r:4 r:-0.002 r:0"},
      // Larger than 64 bits: read as a real, as viewers do.
      {"99999999999999999999", "r:1e+20"},
      {"9223372036854775807", "i:9223372036854775807"},
      // Not numbers: words of regular characters.
      {"- + . 1.2.3 --5 12abc", "k:- k:+ k:. k:1.2.3 k:--5 k:12abc"},
      {"1/Name 2[3]", "i:1 n:Name i:2 [ i:3 ]"},
  };
  for (const Case& c : cases) EXPECT_EQ(tokens(c.input), c.expected) << c.input;
}

TEST(Lexer, LiteralStrings) {
  const std::vector<Case> cases = {
      {"(plain)", "s:plain"},
      {"()", "s:"},
      {"(a (nested (twice)) b)", "s:a (nested (twice)) b"},
      {R"((\(unbalanced\) \\ back))", R"(s:(unbalanced) \ back)"},
      {R"((\n\t\b\f\r))", "s:\n\t\b\f\r"},
      {R"((\101\60\0603))", "s:A003"},  // one to three octal digits
      {R"((\501))", "s:A"},             // above 255: the low byte
      {"(line\\\ncontinued\\\r\nhere)", "s:linecontinuedhere"},
      {"(cr\rcrlf\r\nlf\n)", "s:cr\ncrlf\nlf\n"},  // every end of line reads as LF
      {R"((\q unknown))", "s:q unknown"},          // an unknown escape drops the backslash
      {"(never closed", "s:never closed"},
  };
  for (const Case& c : cases) EXPECT_EQ(tokens(c.input), c.expected) << c.input;
}

TEST(Lexer, HexStrings) {
  const std::vector<Case> cases = {
      {"<41 42\n43>", "s:ABC"},
      {"<414>", "s:A@"},  // odd digit count: a final 0 is implied
      {"<>", "s:"},
      {"<61zz62>", "s:ab"},  // bytes that are no hex digit are skipped
      {"<4142", "s:AB"},
  };
  for (const Case& c : cases) EXPECT_EQ(tokens(c.input), c.expected) << c.input;
}

TEST(Lexer, Names) {
  const std::vector<Case> cases = {
      {"/Type /A#20B /#41#42 / /x#2", "n:Type n:A B n:AB n: n:x#2"},
      {"/Lime#20Green/Paired#28#29", "n:Lime Green n:Paired()"},
      {"/a#zz", "n:a#zz"},
  };
  for (const Case& c : cases) EXPECT_EQ(tokens(c.input), c.expected) << c.input;
}

TEST(Lexer, DelimitersCommentsAndKeywords) {
  const std::vector<Case> cases = {
      {"<< /K [ 1 ] >>", "<< n:K [ i:1 ] >>"},
      {"true false null obj endobj R", "k:true k:false k:null k:obj k:endobj k:R"},
      {"1 % comment (not a string\n2", "i:1 i:2"},
      {") > { }", "junk junk junk junk"},
  };
  for (const Case& c : cases) EXPECT_EQ(tokens(c.input), c.expected) << c.input;
  // The six white-space bytes, NUL included.
  EXPECT_EQ(tokens(std::string_view("\0\t\n\x0c\r 7", 7)), "i:7");
}

}  // namespace
}  // namespace quorvel::pdf
