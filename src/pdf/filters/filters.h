// Stream filters of the PDF object reader: each function decodes the bytes of one filter stage.
//
// Every decoder is bounded by `max_out`: output that would grow past `max_out` bytes fails the
// decode (its message says so) with the first `max_out` bytes in `partial`, and no decoder
// allocates more than `max_out` bytes of output. That bound is what stops decompression bombs.
//
// A decode that fails for any other reason (corrupt or truncated data) carries the bytes decoded
// before the fault in `partial`, so a caller may search them as well as the stored bytes.
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

namespace quorvel::pdf {

struct DecodeFailure {
  std::string message;
  std::string partial;  // output decoded before the failure, at most max_out bytes
};

using DecodeResult = std::expected<std::string, DecodeFailure>;

// The /DecodeParms entries of FlateDecode and LZWDecode that describe a predictor.
struct PredictorParams {
  int predictor = 1;
  int colors = 1;
  int bits_per_component = 8;
  int columns = 1;
};

// FlateDecode. Accepts a zlib stream, and a raw deflate stream without the zlib header as
// viewers do. Stops at the end of the deflate data: bytes after it and a missing or wrong
// checksum are ignored. Empty input decodes to empty output. Fails on data that is corrupt or
// ends before the final deflate block.
DecodeResult flate_decode(std::string_view in, std::size_t max_out);

// LZWDecode with 9 to 12 bit codes, MSB first. `early_change` is the /EarlyChange entry: 0 widens
// the code one code late, any other value (the default is 1) one code early. Data that ends
// without the end-of-data code decodes to what it holds. Fails on a code that is not yet defined.
DecodeResult lzw_decode(std::string_view in, int early_change, std::size_t max_out);

// ASCII85Decode. White space is ignored, `z` stands for four zero bytes, `~` ends the data (the
// `>` after it and a missing end marker are both accepted), a leading `<~` is skipped and a final
// partial group of 2 to 4 characters gives 1 to 3 bytes. Fails on a character outside `!`..`u`,
// on `z` inside a group and on a group whose value does not fit in 32 bits.
DecodeResult ascii85_decode(std::string_view in, std::size_t max_out);

// ASCIIHexDecode. White space is ignored, `>` ends the data (a missing `>` is accepted) and an odd
// final digit is read as if followed by 0. Fails on any other character.
DecodeResult ascii_hex_decode(std::string_view in, std::size_t max_out);

// RunLengthDecode. Length byte 128 ends the data (a missing end is accepted). Fails when a run is
// cut short by the end of the data.
DecodeResult run_length_decode(std::string_view in, std::size_t max_out);

// Reverses the predictor applied before FlateDecode or LZWDecode compression. Predictor 2 is the
// TIFF predictor (1, 2, 4, 8 or 16 bits per component); 10 to 15 are the PNG predictors, which
// all read the filter type from the tag byte of each row; any other value, as in viewers, means
// no prediction and gives `in` unchanged. A short last row is decoded as far as it goes. Fails
// when Colors is outside 1..32, BitsPerComponent is not 1, 2, 4, 8 or 16, or Columns is below 1.
DecodeResult apply_predictor(std::string_view in, const PredictorParams& p, std::size_t max_out);

}  // namespace quorvel::pdf
