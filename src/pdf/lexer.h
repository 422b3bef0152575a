// Splits PDF bytes into tokens: numbers, names, literal and hexadecimal strings, keywords and
// the delimiters of arrays and dictionaries. Comments and white space are skipped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::pdf {

namespace detail {
enum CharClass : std::uint8_t { kRegular = 0, kSpace = 1, kDelimiter = 2 };

// The class of every byte, looked up for each byte the lexer and the engine guard read.
constexpr std::array<std::uint8_t, 256> kCharClasses = [] {
  std::array<std::uint8_t, 256> c{};
  for (unsigned char s : {0x00, 0x09, 0x0A, 0x0C, 0x0D, 0x20}) c[s] = kSpace;
  for (unsigned char d : std::string_view("()<>[]{}/%")) c[d] = kDelimiter;
  return c;
}();
}  // namespace detail

// PDF white space: NUL, TAB, LF, FF, CR and SPACE.
inline bool is_pdf_space(unsigned char c) { return detail::kCharClasses[c] == detail::kSpace; }
// The delimiters ( ) < > [ ] { } / %.
inline bool is_pdf_delimiter(unsigned char c) {
  return detail::kCharClasses[c] == detail::kDelimiter;
}
// Neither white space nor a delimiter: the bytes of numbers, keywords and names.
inline bool is_pdf_regular(unsigned char c) { return detail::kCharClasses[c] == detail::kRegular; }

enum class TokenType : std::uint8_t {
  end,  // no more bytes
  integer,
  real,
  name,         // bytes without the slash, #xx decoded
  string,       // a literal or hexadecimal string, escapes resolved
  keyword,      // a run of regular bytes that is not a number: true, obj, R, endstream, ...
  array_open,   // [
  array_close,  // ]
  dict_open,    // <<
  dict_close,   // >>
  junk,         // a byte no token starts with: ) > { } standing alone
};

struct Token {
  TokenType type = TokenType::end;
  std::int64_t integer = 0;
  double real = 0;
  // The bytes of a name, string or keyword. They point into the input when nothing had to be
  // decoded (`in_input`), otherwise into the lexer's scratch buffer, valid until the next token.
  std::string_view bytes;
  bool in_input = true;
  std::size_t start = 0;  // offset of the token's first byte in the input
};

class Lexer {
 public:
  explicit Lexer(std::string_view input, std::size_t pos = 0) : in_(input), pos_(pos) {}

  // Reads the next token. Never fails: malformed input gives junk or keyword tokens, and an
  // unterminated string ends at the end of the input.
  Token next();

  std::size_t pos() const { return pos_; }
  void seek(std::size_t pos) { pos_ = pos < in_.size() ? pos : in_.size(); }
  std::string_view input() const { return in_; }

  // Moves past white space and comments.
  void skip_space();

  // After an integer N: when the bytes that follow read " G R" (G at most 65535), the rest of a
  // reference "N G R", consumes them and returns G; otherwise leaves the position unchanged.
  std::optional<std::uint16_t> match_reference_tail();

 private:
  Token read_number_or_keyword(std::size_t start);
  Token read_name(std::size_t start);
  Token read_literal_string(std::size_t start);
  Token read_hex_string(std::size_t start);

  std::string_view in_;
  std::size_t pos_;
  std::string scratch_;
};

}  // namespace quorvel::pdf
