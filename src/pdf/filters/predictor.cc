#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "pdf/filters/filter_support.h"
#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

constexpr int kTiffPredictor = 2;
constexpr int kFirstPngPredictor = 10;
constexpr int kLastPngPredictor = 15;
// The most colour components a PDF colour space has (DeviceN allows 32).
constexpr int kMaxColors = 32;

struct RowLayout {
  std::size_t row_bytes;    // bytes of one row of samples, without the PNG tag byte
  std::size_t pixel_bytes;  // bytes of one pixel, at least 1: the distance to the "left" byte
  std::size_t samples;      // samples of one row: Colors x Columns
  int colors;
  int bits;
};

std::optional<RowLayout> row_layout(const PredictorParams& p) {
  const int bits = p.bits_per_component;
  if (p.colors < 1 || p.colors > kMaxColors || p.columns < 1) return std::nullopt;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return std::nullopt;
  // At most 32 * 16 * INT_MAX bits: no overflow in 64 bits.
  const std::uint64_t pixel_bits = static_cast<std::uint64_t>(p.colors) * bits;
  const std::uint64_t row_bits = pixel_bits * static_cast<std::uint64_t>(p.columns);
  return RowLayout{
      static_cast<std::size_t>((row_bits + 7) / 8), static_cast<std::size_t>((pixel_bits + 7) / 8),
      static_cast<std::size_t>(p.colors) * static_cast<std::size_t>(p.columns), p.colors, bits};
}

// Written with selects rather than branches: the choice is data-dependent and mispredicts often.
unsigned char paeth(int left, int up, int up_left) {
  const int pa = std::abs(up - up_left);
  const int pb = std::abs(left - up_left);
  const int pc = std::abs(left + up - 2 * up_left);
  const int b_or_c = pb <= pc ? up : up_left;
  return static_cast<unsigned char>(pa <= pb && pa <= pc ? left : b_or_c);
}

// Decodes `n` bytes of one PNG row. `up` is the decoded row above (zeros for the first row).
void png_row(unsigned char tag, const unsigned char* __restrict src,
             const unsigned char* __restrict up, unsigned char* __restrict dst, std::size_t n,
             std::size_t bpp) {
  const std::size_t head = std::min(bpp, n);  // bytes with no left neighbour
  switch (tag) {
    case 1:  // Sub
      std::memcpy(dst, src, head);
      for (std::size_t i = head; i < n; ++i) dst[i] = src[i] + dst[i - bpp];
      return;
    case 2:  // Up
      for (std::size_t i = 0; i < n; ++i) dst[i] = src[i] + up[i];
      return;
    case 3:  // Average
      for (std::size_t i = 0; i < head; ++i) dst[i] = src[i] + (up[i] >> 1);
      for (std::size_t i = head; i < n; ++i) dst[i] = src[i] + ((dst[i - bpp] + up[i]) >> 1);
      return;
    case 4:  // Paeth
      for (std::size_t i = 0; i < head; ++i) dst[i] = src[i] + up[i];
      for (std::size_t i = head; i < n; ++i) {
        dst[i] = src[i] + paeth(dst[i - bpp], up[i], up[i - bpp]);
      }
      return;
    default:  // 0 is None; viewers read an unknown type as None too
      std::memcpy(dst, src, n);
      return;
  }
}

DecodeResult png_decode(std::string_view in, const RowLayout& layout, std::size_t max_out) {
  const std::size_t stride = layout.row_bytes + 1;
  const std::size_t rows = in.size() / stride;
  const std::size_t rest = in.size() % stride;
  std::size_t total = rows * layout.row_bytes + (rest > 0 ? rest - 1 : 0);
  const bool over_limit = total > max_out;
  if (over_limit) total = max_out;

  std::string out;
  detail::resize_for_overwrite(out, total);
  auto* base = reinterpret_cast<unsigned char*>(out.data());
  const auto* src = reinterpret_cast<const unsigned char*>(in.data());
  const std::vector<unsigned char> zero_row(std::min(layout.row_bytes, total));
  for (std::size_t dst = 0; dst < total; dst += layout.row_bytes, src += stride) {
    const std::size_t n = std::min(layout.row_bytes, total - dst);
    const unsigned char* up = dst == 0 ? zero_row.data() : base + dst - layout.row_bytes;
    png_row(src[0], src + 1, up, base + dst, n, layout.pixel_bytes);
  }
  if (over_limit) return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
  return out;
}

// Sample `j` of a row packed `bits` to a sample, most significant bits first.
unsigned sample_at(const unsigned char* row, std::size_t j, int bits) {
  const std::size_t bit = j * bits;
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void set_sample(unsigned char* row, std::size_t j, int bits, unsigned value) {
  const std::size_t bit = j * bits;
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  const unsigned mask = ((1u << bits) - 1) << shift;
  row[bit / 8] = static_cast<unsigned char>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

// Decodes, in place, the first `n` bytes of one TIFF row: each sample adds the same component of
// the pixel to its left.
void tiff_row(unsigned char* row, std::size_t n, const RowLayout& layout) {
  const auto colors = static_cast<std::size_t>(layout.colors);
  if (layout.bits == 8) {
    for (std::size_t i = colors; i < n; ++i) row[i] += row[i - colors];
  } else if (layout.bits == 16) {
    for (std::size_t i = 2 * colors; i + 1 < n; i += 2) {
      const unsigned sum =
          ((row[i] << 8) | row[i + 1]) + ((row[i - 2 * colors] << 8) | row[i - 2 * colors + 1]);
      row[i] = static_cast<unsigned char>(sum >> 8);
      row[i + 1] = static_cast<unsigned char>(sum);
    }
  } else {
    const std::size_t samples = std::min(layout.samples, n * 8 / layout.bits);
    for (std::size_t j = colors; j < samples; ++j) {
      set_sample(row, j, layout.bits,
                 sample_at(row, j, layout.bits) + sample_at(row, j - colors, layout.bits));
    }
  }
}

DecodeResult tiff_decode(std::string_view in, const RowLayout& layout, std::size_t max_out) {
  const bool over_limit = in.size() > max_out;
  std::string out(in.substr(0, max_out));
  auto* base = reinterpret_cast<unsigned char*>(out.data());
  for (std::size_t start = 0; start < out.size(); start += layout.row_bytes) {
    tiff_row(base + start, std::min(layout.row_bytes, out.size() - start), layout);
  }
  if (over_limit) return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
  return out;
}

}  // namespace

DecodeResult apply_predictor(std::string_view in, const PredictorParams& p, std::size_t max_out) {
  const bool png = p.predictor >= kFirstPngPredictor && p.predictor <= kLastPngPredictor;
  if (!png && p.predictor != kTiffPredictor) {
    if (in.size() > max_out) {
      return std::unexpected(
          detail::output_limit_failure(std::string(in.substr(0, max_out)), max_out));
    }
    return std::string(in);
  }
  const auto layout = row_layout(p);
  if (!layout) {
    return std::unexpected(DecodeFailure{"predictor: invalid parameters (Colors " +
                                             std::to_string(p.colors) + ", BitsPerComponent " +
                                             std::to_string(p.bits_per_component) + ", Columns " +
                                             std::to_string(p.columns) + ")",
                                         {}});
  }
  return png ? png_decode(in, *layout, max_out) : tiff_decode(in, *layout, max_out);
}

}  // namespace quorvel::pdf
