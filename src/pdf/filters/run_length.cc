#include <algorithm>

#include "pdf/filters/filter_support.h"
#include "pdf/filters/filters.h"

namespace quorvel::pdf {

DecodeResult run_length_decode(std::string_view in, std::size_t max_out) {
  constexpr unsigned kEndOfData = 128;
  std::string out;
  std::size_t pos = 0;
  while (pos < in.size()) {
    const auto length = static_cast<unsigned char>(in[pos++]);
    if (length == kEndOfData) break;
    if (length < kEndOfData) {
      // A literal run: the next length + 1 bytes as they stand.
      std::size_t count = length + 1u;
      const bool cut_short = count > in.size() - pos;
      if (cut_short) count = in.size() - pos;
      const std::size_t fits = std::min(count, max_out - out.size());
      detail::reserve_within_limit(out, fits, max_out);
      out.append(in.substr(pos, fits));
      if (fits < count) {
        return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
      }
      pos += count;
      if (cut_short) {
        return std::unexpected(DecodeFailure{"runlength: literal run cut short", std::move(out)});
      }
      continue;
    }
    // A repeat run: the next byte 257 - length times.
    if (pos == in.size()) {
      return std::unexpected(DecodeFailure{"runlength: repeat run without its byte", out});
    }
    const std::size_t count = 257u - length;
    const char byte = in[pos++];
    const std::size_t fits = std::min(count, max_out - out.size());
    detail::reserve_within_limit(out, fits, max_out);
    out.append(fits, byte);
    if (fits < count) return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
  }
  return out;
}

}  // namespace quorvel::pdf
