#include <algorithm>
#include <array>
#include <cstdint>

#include "pdf/filters/filter_support.h"
#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kTableSize = 4096;  // 12-bit codes
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 12;

// Reads codes most significant bit first.
class CodeReader {
 public:
  explicit CodeReader(std::string_view in) : in_(in) {}

  // The next code of `width` bits, or -1 when fewer bits are left.
  int next(int width) {
    while (bits_ < width) {
      if (pos_ == in_.size()) return -1;
      buffer_ = (buffer_ << 8) | static_cast<unsigned char>(in_[pos_++]);
      bits_ += 8;
    }
    bits_ -= width;
    return static_cast<int>((buffer_ >> bits_) & ((1u << width) - 1));
  }

 private:
  std::string_view in_;
  std::size_t pos_ = 0;
  std::uint32_t buffer_ = 0;
  int bits_ = 0;
};

// The string table: each entry is an earlier entry plus one byte. Entries are spelled out
// backwards from the prefix chain, so a string costs its length and no more.
struct StringTable {
  std::array<std::uint16_t, kTableSize> prefix{};
  std::array<std::uint16_t, kTableSize> length{};
  std::array<unsigned char, kTableSize> last{};
  std::array<unsigned char, kTableSize> first{};

  StringTable() {
    for (int c = 0; c < 256; ++c) {
      length[c] = 1;
      last[c] = first[c] = static_cast<unsigned char>(c);
    }
  }

  void add(int code, int prefix_code, unsigned char byte) {
    prefix[code] = static_cast<std::uint16_t>(prefix_code);
    length[code] = static_cast<std::uint16_t>(length[prefix_code] + 1);
    last[code] = byte;
    first[code] = first[prefix_code];
  }

  // Writes the string of `code` to `out`, which has room for length[code] bytes.
  void spell(int code, char* out) const {
    for (int i = length[code] - 1; i >= 0; --i) {
      out[i] = static_cast<char>(last[code]);
      code = prefix[code];
    }
  }
};

}  // namespace

DecodeResult lzw_decode(std::string_view in, int early_change, std::size_t max_out) {
  const int early = early_change != 0 ? 1 : 0;
  StringTable table;
  CodeReader reader(in);
  std::string out;
  int width = kMinWidth;
  int next_code = kFirstFreeCode;
  int previous = -1;  // the code before, or -1 at the start and after a clear code
  std::array<char, kTableSize> spelled;

  for (;;) {
    const int code = reader.next(width);
    if (code < 0 || code == kEndCode) break;
    if (code == kClearCode) {
      width = kMinWidth;
      next_code = kFirstFreeCode;
      previous = -1;
      continue;
    }
    if (code > next_code || (code == next_code && previous < 0)) {
      return std::unexpected(
          DecodeFailure{"lzw: code " + std::to_string(code) + " is not defined", std::move(out)});
    }
    if (previous >= 0 && next_code < kTableSize) {
      // A code that is being defined right now is the previous string plus its own first byte.
      const unsigned char byte = code == next_code ? table.first[previous] : table.first[code];
      table.add(next_code, previous, byte);
      ++next_code;
      if (next_code + early >= (1 << width) && width < kMaxWidth) ++width;
    }
    previous = code;

    const std::size_t length = table.length[code];
    const std::size_t fits = std::min<std::size_t>(length, max_out - out.size());
    table.spell(code, spelled.data());
    detail::reserve_within_limit(out, fits, max_out);
    out.append(spelled.data(), fits);
    if (fits < length)
      return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
  }
  return out;
}

}  // namespace quorvel::pdf
