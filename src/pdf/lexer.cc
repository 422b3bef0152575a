#include "pdf/lexer.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorvel::pdf {
namespace {

using detail::kDelimiter;
using detail::kRegular;
using detail::kSpace;
constexpr const auto& kClasses = detail::kCharClasses;

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

Token simple(TokenType type, std::size_t start) {
  Token t;
  t.type = type;
  t.start = start;
  return t;
}

Token with_bytes(TokenType type, std::string_view bytes, bool in_input, std::size_t start) {
  Token t = simple(type, start);
  t.bytes = bytes;
  t.in_input = in_input;
  return t;
}

}  // namespace

void Lexer::skip_space() {
  const std::size_t n = in_.size();
  while (pos_ < n) {
    const auto c = static_cast<unsigned char>(in_[pos_]);
    if (kClasses[c] == kSpace) {
      ++pos_;
    } else if (c == '%') {
      while (pos_ < n && in_[pos_] != '\n' && in_[pos_] != '\r') ++pos_;
    } else {
      return;
    }
  }
}

std::optional<std::uint16_t> Lexer::match_reference_tail() {
  const std::size_t start = pos_;
  const std::size_t n = in_.size();
  auto fail = [&]() -> std::optional<std::uint16_t> {
    pos_ = start;
    return std::nullopt;
  };
  skip_space();
  if (pos_ == start) return fail();
  std::uint32_t gen = 0;
  const std::size_t digits = pos_;
  while (pos_ < n && is_digit(static_cast<unsigned char>(in_[pos_])) && pos_ - digits < 6) {
    gen = gen * 10 + static_cast<std::uint32_t>(in_[pos_++] - '0');
  }
  if (pos_ == digits || gen > 0xFFFF || pos_ == n ||
      kClasses[static_cast<unsigned char>(in_[pos_])] == kRegular) {
    return fail();
  }
  const std::size_t after_gen = pos_;
  skip_space();
  if (pos_ == after_gen || pos_ >= n || in_[pos_] != 'R' ||
      (pos_ + 1 < n && kClasses[static_cast<unsigned char>(in_[pos_ + 1])] == kRegular)) {
    return fail();
  }
  ++pos_;
  return static_cast<std::uint16_t>(gen);
}

Token Lexer::next() {
  skip_space();
  const std::size_t start = pos_;
  if (pos_ >= in_.size()) return simple(TokenType::end, start);
  const auto c = static_cast<unsigned char>(in_[pos_]);
  switch (c) {
    case '[':
      ++pos_;
      return simple(TokenType::array_open, start);
    case ']':
      ++pos_;
      return simple(TokenType::array_close, start);
    case '<':
      if (pos_ + 1 < in_.size() && in_[pos_ + 1] == '<') {
        pos_ += 2;
        return simple(TokenType::dict_open, start);
      }
      return read_hex_string(start);
    case '>':
      if (pos_ + 1 < in_.size() && in_[pos_ + 1] == '>') {
        pos_ += 2;
        return simple(TokenType::dict_close, start);
      }
      ++pos_;
      return simple(TokenType::junk, start);
    case '(':
      return read_literal_string(start);
    case '/':
      return read_name(start);
    case ')':
    case '{':
    case '}':
      ++pos_;
      return simple(TokenType::junk, start);
    default:
      return read_number_or_keyword(start);
  }
}

Token Lexer::read_number_or_keyword(std::size_t start) {
  const std::size_t n = in_.size();
  // Most tokens here are small non-negative integers: read them in one pass.
  {
    std::size_t i = start;
    std::int64_t value = 0;
    while (i < n && i - start < 18 && is_digit(static_cast<unsigned char>(in_[i]))) {
      value = value * 10 + (in_[i++] - '0');
    }
    if (i > start && (i == n || kClasses[static_cast<unsigned char>(in_[i])] != kRegular)) {
      pos_ = i;
      Token t = simple(TokenType::integer, start);
      t.integer = value;
      return t;
    }
  }
  std::size_t end = start;
  while (end < n && kClasses[static_cast<unsigned char>(in_[end])] == kRegular) ++end;
  pos_ = end;
  const std::string_view text = in_.substr(start, end - start);
  const Token keyword = with_bytes(TokenType::keyword, text, true, start);

  // [+-]? (digits ('.' digits*)? | '.' digits+)
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    ++i;
  }
  const std::size_t int_start = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  const std::size_t int_digits = i - int_start;
  bool has_point = false;
  std::size_t frac_digits = 0;
  if (i < text.size() && text[i] == '.') {
    has_point = true;
    ++i;
    while (i + frac_digits < text.size() && is_digit(text[i + frac_digits])) ++frac_digits;
    i += frac_digits;
  }
  if (i != text.size() || int_digits + frac_digits == 0) return keyword;

  if (!has_point) {
    std::uint64_t value = 0;
    bool overflow = false;
    for (std::size_t k = int_start; k < text.size(); ++k) {
      const unsigned digit = static_cast<unsigned>(text[k] - '0');
      if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
        overflow = true;
        break;
      }
      value = value * 10 + digit;
    }
    const auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!overflow && value <= max) {
      const auto v = static_cast<std::int64_t>(value);
      Token t = simple(TokenType::integer, start);
      t.integer = negative ? -v : v;
      return t;
    }
  }
  // A real, or an integer too large for 64 bits, which viewers read as a real. Digits past the
  // nineteenth significant one only scale the value: no PDF number needs more precision.
  std::uint64_t mantissa = 0;
  int significant = 0;
  int scale = 0;  // the value is mantissa * 10^scale
  bool after_point = false;
  for (std::size_t k = int_start; k < text.size(); ++k) {
    if (text[k] == '.') {
      after_point = true;
      continue;
    }
    const unsigned digit = static_cast<unsigned>(text[k] - '0');
    if (significant < 19) {
      mantissa = mantissa * 10 + digit;
      if (mantissa != 0) ++significant;
      if (after_point) --scale;
    } else if (!after_point) {
      ++scale;
    }
  }
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                            1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                            1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
  const auto power = [](int e) { return e < 20 ? kPowersOfTen[e] : std::pow(10.0, e); };
  double value = static_cast<double>(mantissa);
  if (scale > 0) {
    value *= power(scale);
  } else if (scale < 0) {
    value /= power(-scale);
  }
  if (!std::isfinite(value)) value = std::numeric_limits<double>::max();
  Token t = simple(TokenType::real, start);
  t.real = negative ? -value : value;
  return t;
}

Token Lexer::read_name(std::size_t start) {
  const std::size_t n = in_.size();
  std::size_t end = start + 1;
  bool escaped = false;
  while (end < n && kClasses[static_cast<unsigned char>(in_[end])] == kRegular) {
    escaped |= in_[end] == '#';
    ++end;
  }
  pos_ = end;
  const std::string_view raw = in_.substr(start + 1, end - start - 1);
  if (!escaped) return with_bytes(TokenType::name, raw, true, start);

  scratch_.clear();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '#' && i + 2 < raw.size()) {
      const int hi = hex_value(static_cast<unsigned char>(raw[i + 1]));
      const int lo = hex_value(static_cast<unsigned char>(raw[i + 2]));
      if (hi >= 0 && lo >= 0) {
        scratch_.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    // A '#' without two hex digits stands for itself.
    scratch_.push_back(raw[i]);
  }
  return with_bytes(TokenType::name, scratch_, false, start);
}

Token Lexer::read_literal_string(std::size_t start) {
  const std::size_t n = in_.size();
  std::size_t i = start + 1;
  // Most strings hold no escape, nested parenthesis or CR: they are a view of the input.
  while (i < n) {
    const char c = in_[i];
    if (c == ')') {
      pos_ = i + 1;
      return with_bytes(TokenType::string, in_.substr(start + 1, i - start - 1), true, start);
    }
    if (c == '(' || c == '\\' || c == '\r') break;
    ++i;
  }

  scratch_.assign(in_.data() + start + 1, i - start - 1);
  int depth = 0;
  while (i < n) {
    const char c = in_[i++];
    if (c == ')') {
      if (depth == 0) break;
      --depth;
      scratch_.push_back(c);
    } else if (c == '(') {
      ++depth;
      scratch_.push_back(c);
    } else if (c == '\r') {
      // An end of line inside a string reads as LF, whichever marker the file used.
      if (i < n && in_[i] == '\n') ++i;
      scratch_.push_back('\n');
    } else if (c != '\\') {
      scratch_.push_back(c);
    } else if (i < n) {
      const char e = in_[i++];
      switch (e) {
        case 'n':
          scratch_.push_back('\n');
          break;
        case 'r':
          scratch_.push_back('\r');
          break;
        case 't':
          scratch_.push_back('\t');
          break;
        case 'b':
          scratch_.push_back('\b');
          break;
        case 'f':
          scratch_.push_back('\f');
          break;
        case '\r':  // a backslash before an end of line continues the string on the next line
          if (i < n && in_[i] == '\n') ++i;
          break;
        case '\n':
          break;
        default:
          if (e >= '0' && e <= '7') {
            // One to three octal digits; a value above 255 keeps its low byte.
            unsigned value = static_cast<unsigned>(e - '0');
            for (int k = 0; k < 2 && i < n && in_[i] >= '0' && in_[i] <= '7'; ++k) {
              value = value * 8 + static_cast<unsigned>(in_[i++] - '0');
            }
            scratch_.push_back(static_cast<char>(value & 0xFF));
          } else {
            // \( \) \\ and an unknown escape: the backslash is dropped.
            scratch_.push_back(e);
          }
      }
    }
  }
  pos_ = i;
  return with_bytes(TokenType::string, scratch_, false, start);
}

Token Lexer::read_hex_string(std::size_t start) {
  const std::size_t n = in_.size();
  std::size_t i = start + 1;
  scratch_.clear();
  int high = -1;
  while (i < n) {
    const auto c = static_cast<unsigned char>(in_[i++]);
    if (c == '>') break;
    const int v = hex_value(c);
    // White space is allowed between digits; other bytes are skipped as viewers do.
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      scratch_.push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  // An odd number of digits: the last one is followed by an implied 0.
  if (high >= 0) scratch_.push_back(static_cast<char>(high * 16));
  pos_ = i;
  return with_bytes(TokenType::string, scratch_, false, start);
}

}  // namespace quorvel::pdf
