#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>

#include "pdf/filters/filter_support.h"
#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

// The first output buffer holds this many times the input; later ones follow the ratio seen so
// far. Content streams inflate by 3 to 6, font programs and images by less.
constexpr std::size_t kFirstGuessRatio = 2;
constexpr std::size_t kMinFirstBuffer = 1024;
// zlib counts in uInt; hand it at most this much at a time.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

// The two-byte zlib header: deflate method, a window of at most 32 KiB, a valid check value and
// no preset dictionary (no PDF producer uses one).
bool has_zlib_header(std::string_view in) {
  if (in.size() < 2) return false;
  const auto cmf = static_cast<unsigned char>(in[0]);
  const auto flg = static_cast<unsigned char>(in[1]);
  return (cmf & 0x0f) == 8 && (cmf >> 4) <= 7 && (cmf * 256u + flg) % 31 == 0 && (flg & 0x20) == 0;
}

// The output so far projected over the input still to come, plus an eighth; at least half again
// the current size, so that growth stays geometric when the projection falls short.
std::size_t next_capacity(std::size_t produced, std::size_t consumed, std::size_t in_left,
                          std::size_t max_out) {
  const double ratio =
      static_cast<double>(produced) / static_cast<double>(std::max<std::size_t>(consumed, 1));
  const double projected =
      static_cast<double>(produced) + 1.125 * ratio * static_cast<double>(in_left);
  const double grown = std::max(projected, 1.5 * static_cast<double>(produced)) + kMinFirstBuffer;
  return grown >= static_cast<double>(max_out) ? max_out : static_cast<std::size_t>(grown);
}

class RawInflater {
 public:
  RawInflater() { ok_ = inflateInit2(&zs_, -MAX_WBITS) == Z_OK; }
  ~RawInflater() {
    if (ok_) inflateEnd(&zs_);
  }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  DecodeResult run(std::string_view in, std::size_t max_out);

 private:
  z_stream zs_{};
  bool ok_ = false;
};

// Inflates straight into the result string, growing it when full. The Adler-32 trailer is never
// read, so a missing or wrong checksum (both occur in real files) costs nothing.
DecodeResult RawInflater::run(std::string_view in, std::size_t max_out) {
  if (!ok_) return std::unexpected(DecodeFailure{"flate: zlib could not be initialised", {}});
  const auto* next_in = reinterpret_cast<const unsigned char*>(in.data());
  std::size_t in_left = in.size();
  std::string out;
  std::size_t produced = 0;
  std::size_t capacity =
      std::max(kMinFirstBuffer,
               in.size() <= SIZE_MAX / kFirstGuessRatio ? in.size() * kFirstGuessRatio : SIZE_MAX);
  capacity = std::min(capacity, max_out);
  // Once `max_out` bytes are out, one more byte of room tells whether the data holds more.
  char probe = 0;
  bool probing = false;

  for (;;) {
    if (zs_.avail_in == 0 && in_left > 0) {
      const std::size_t chunk = std::min(in_left, kMaxChunk);
      zs_.next_in = const_cast<unsigned char*>(next_in);
      zs_.avail_in = static_cast<uInt>(chunk);
      next_in += chunk;
      in_left -= chunk;
    }
    if (zs_.avail_out == 0 && !probing) {
      if (produced == max_out) {
        probing = true;
        zs_.next_out = reinterpret_cast<unsigned char*>(&probe);
        zs_.avail_out = 1;
      } else {
        if (produced == out.size()) {
          const std::size_t consumed = in.size() - in_left - zs_.avail_in;
          detail::resize_for_overwrite(
              out, out.empty() ? capacity
                               : next_capacity(produced, consumed, in.size() - consumed, max_out));
        }
        const std::size_t room = std::min(out.size() - produced, kMaxChunk);
        zs_.next_out = reinterpret_cast<unsigned char*>(out.data() + produced);
        zs_.avail_out = static_cast<uInt>(room);
      }
    }

    const int ret = inflate(&zs_, Z_NO_FLUSH);
    if (probing) {
      if (zs_.avail_out == 0) {
        out.resize(produced);
        return std::unexpected(detail::output_limit_failure(std::move(out), max_out));
      }
    } else {
      produced = static_cast<std::size_t>(reinterpret_cast<char*>(zs_.next_out) - out.data());
    }

    if (ret == Z_STREAM_END) break;
    if (ret == Z_OK) continue;
    out.resize(produced);
    if (ret == Z_BUF_ERROR) {
      return std::unexpected(DecodeFailure{"flate: data ends before the final block", out});
    }
    std::string why = zs_.msg != nullptr ? zs_.msg : "zlib error " + std::to_string(ret);
    return std::unexpected(DecodeFailure{"flate: corrupt data: " + why, std::move(out)});
  }
  out.resize(produced);
  // Callers keep decoded streams; they should cost their size and not much more.
  if (out.capacity() - out.size() > out.size() / 8) out.shrink_to_fit();
  return out;
}

// libdeflate inflates a whole buffer about twice as fast as zlib's streaming inflate, but it
// needs room for the whole output up front and gives nothing back from damaged data. It is tried
// first with a guessed output size; when the guess is too small it tries again with more room,
// up to a bound. Damaged data, and output past the bound, take zlib's streaming path, which
// keeps the inflated prefix and stops exactly at `max_out`.
constexpr std::size_t kWholeBufferGuessRatio = 6;
constexpr std::size_t kWholeBufferGrowth = 4;
constexpr std::size_t kMaxWholeBufferBytes = std::size_t{16} << 20;

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

std::optional<std::string> inflate_whole_buffer(std::string_view in, std::size_t max_out) {
  thread_local const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
      libdeflate_alloc_decompressor());
  if (!decompressor) return std::nullopt;
  const std::size_t bound = std::min(max_out, kMaxWholeBufferBytes);
  std::size_t room =
      in.size() <= bound / kWholeBufferGuessRatio ? in.size() * kWholeBufferGuessRatio : bound;
  room = std::min(std::max(room, kMinFirstBuffer), bound);
  std::string out;
  for (;;) {
    detail::resize_for_overwrite(out, room);
    std::size_t in_used = 0, produced = 0;
    // With `in_used` asked for, data after the final block is allowed, as zlib allows it.
    const libdeflate_result result = libdeflate_deflate_decompress_ex(
        decompressor.get(), in.data(), in.size(), out.data(), room, &in_used, &produced);
    if (result == LIBDEFLATE_SUCCESS) {
      out.resize(produced);
      if (out.capacity() - out.size() > out.size() / 8) out.shrink_to_fit();
      return out;
    }
    if (result != LIBDEFLATE_INSUFFICIENT_SPACE || room == bound) return std::nullopt;
    room = room <= bound / kWholeBufferGrowth ? room * kWholeBufferGrowth : bound;
  }
}

DecodeResult inflate_raw(std::string_view in, std::size_t max_out) {
  if (auto whole = inflate_whole_buffer(in, max_out)) return std::move(*whole);
  RawInflater inflater;
  return inflater.run(in, max_out);
}

}  // namespace

DecodeResult flate_decode(std::string_view in, std::size_t max_out) {
  if (in.empty()) return std::string();
  if (!has_zlib_header(in)) return inflate_raw(in, max_out);
  auto result = inflate_raw(in.substr(2), max_out);
  // Raw deflate data can pass the header check by chance; if reading it as a header gave
  // nothing, read the whole input as raw deflate.
  if (!result && result.error().partial.empty()) {
    auto raw = inflate_raw(in, max_out);
    if (raw || !raw.error().partial.empty()) return raw;
  }
  return result;
}

}  // namespace quorvel::pdf
