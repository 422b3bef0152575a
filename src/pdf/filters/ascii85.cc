#include <cstdint>

#include "pdf/filters/filter_support.h"
#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

DecodeResult fail(std::string message, std::string partial) {
  return std::unexpected(DecodeFailure{std::move(message), std::move(partial)});
}

}  // namespace

DecodeResult ascii85_decode(std::string_view in, std::size_t max_out) {
  std::string out;
  // Decoding shrinks the data by a fifth; `z` is the only way to grow it.
  out.reserve(std::min(in.size(), max_out));
  std::uint64_t group = 0;
  int digits = 0;

  // Appends the first `n` bytes of the 32-bit `value`; false when the limit is reached.
  auto emit = [&](std::uint32_t value, int n) {
    for (int i = 0; i < n; ++i) {
      if (out.size() == max_out) return false;
      detail::reserve_within_limit(out, 1, max_out);
      out.push_back(static_cast<char>(value >> (24 - 8 * i)));
    }
    return true;
  };

  std::size_t pos = 0;
  // Some producers keep the `<~` opening of the PostScript notation.
  while (pos < in.size() && detail::is_pdf_white_space(in[pos])) ++pos;
  if (in.substr(pos, 2) == "<~") pos += 2;

  for (; pos < in.size(); ++pos) {
    const char c = in[pos];
    if (c == '~') break;
    if (detail::is_pdf_white_space(c)) continue;
    if (c == 'z') {
      if (digits != 0) return fail("ascii85: 'z' inside a group", std::move(out));
      if (!emit(0, 4))
        return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
      continue;
    }
    if (c < '!' || c > 'u') {
      return fail("ascii85: invalid character " + std::to_string(static_cast<unsigned char>(c)),
                  std::move(out));
    }
    group = group * 85 + static_cast<std::uint64_t>(c - '!');
    if (++digits == 5) {
      if (group > UINT32_MAX) return fail("ascii85: group value exceeds 32 bits", std::move(out));
      if (!emit(static_cast<std::uint32_t>(group), 4)) {
        return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
      }
      group = 0;
      digits = 0;
    }
  }

  // A final group of n digits stands for n - 1 bytes: pad with the highest digit and truncate.
  // A single leftover digit encodes nothing and is dropped.
  if (digits >= 2) {
    for (int i = digits; i < 5; ++i) group = group * 85 + 84;
    if (group > UINT32_MAX) return fail("ascii85: group value exceeds 32 bits", std::move(out));
    if (!emit(static_cast<std::uint32_t>(group), digits - 1)) {
      return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
    }
  }
  return out;
}

}  // namespace quorvel::pdf
