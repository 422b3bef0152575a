#include "pdf/filters/filter_support.h"
#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

DecodeResult ascii_hex_decode(std::string_view in, std::size_t max_out) {
  std::string out;
  out.reserve(std::min(in.size() / 2 + 1, max_out));
  int high = -1;  // the first digit of a pair, waiting for its second
  for (const char c : in) {
    if (c == '>') break;
    if (detail::is_pdf_white_space(c)) continue;
    const int digit = hex_value(c);
    if (digit < 0) {
      return std::unexpected(DecodeFailure{
          "asciihex: invalid character " + std::to_string(static_cast<unsigned char>(c)),
          std::move(out)});
    }
    if (high < 0) {
      high = digit;
      continue;
    }
    if (out.size() == max_out) {
      return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
    }
    out.push_back(static_cast<char>(high * 16 + digit));
    high = -1;
  }
  if (high >= 0) {
    if (out.size() == max_out) {
      return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
    }
    out.push_back(static_cast<char>(high * 16));
  }
  return out;
}

}  // namespace quorvel::pdf
