#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "pdf/filters/filters.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kNoLimit = std::size_t{1} << 32;

// Deflates `data` with zlib: `window_bits` 15 writes a zlib stream, -15 raw deflate. With
// `flush_only` the final block is left out, the stream ending byte-aligned after a full flush.
std::string deflate_bytes(std::string_view data, int window_bits = 15, bool flush_only = false) {
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&zs, data.size()) + 64, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zs, flush_only ? Z_FULL_FLUSH : Z_FINISH), flush_only ? Z_OK : Z_STREAM_END);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// Text that compresses about as well as a page's content stream.
std::string content_stream(std::size_t lines) {
  std::string s;
  for (std::size_t i = 0; i < lines; ++i) {
    s += "BT /F1 12 Tf 72 " + std::to_string(700 - i % 600) + " Td (Line " + std::to_string(i) +
         " of the Acme report) Tj ET\n";
  }
  return s;
}

TEST(FlateDecode, AcceptsTheStreamsRealFilesHold) {
  const std::string text = content_stream(2000);
  std::string bad_checksum = deflate_bytes(text);
  bad_checksum.back() ^= 0x5a;
  const std::string zlib_stream = deflate_bytes(text);
  struct Case {
    const char* name;
    std::string in;
    std::string expected;
  };
  const Case cases[] = {
      {"zlib stream", zlib_stream, text},
      {"raw deflate without the zlib header", deflate_bytes(text, -15), text},
      {"garbage after the end", zlib_stream + "\r\nendstream garbage", text},
      {"checksum missing", zlib_stream.substr(0, zlib_stream.size() - 4), text},
      {"checksum wrong", bad_checksum, text},
      {"output 500 times the input", deflate_bytes(std::string(1 << 22, 'A')),
       std::string(1 << 22, 'A')},
      {"empty deflate stream", deflate_bytes(""), ""},
      {"empty input", "", ""},
  };
  for (const auto& c : cases) {
    const auto out = flate_decode(c.in, kNoLimit);
    ASSERT_TRUE(out.has_value()) << c.name << ": " << out.error().message;
    EXPECT_EQ(*out, c.expected) << c.name;
  }
}

TEST(FlateDecode, DamagedStreamFailsWithTheInflatedPrefix) {
  const std::string text = content_stream(3000);
  const std::string whole = deflate_bytes(text);

  const auto truncated = flate_decode(whole.substr(0, whole.size() / 2), kNoLimit);
  ASSERT_FALSE(truncated.has_value());
  EXPECT_GT(truncated.error().partial.size(), text.size() / 4);
  EXPECT_EQ(truncated.error().partial, text.substr(0, truncated.error().partial.size()));

  // A complete first block, then a block header of the reserved type 3.
  const std::string head = content_stream(100);
  const auto bad_block = flate_decode(deflate_bytes(head, 15, true) + "\xff\xff\xff", kNoLimit);
  ASSERT_FALSE(bad_block.has_value());
  EXPECT_NE(bad_block.error().message.find("invalid block type"), std::string::npos)
      << bad_block.error().message;
  EXPECT_EQ(bad_block.error().partial, head);

  const auto not_deflate = flate_decode("BT (Acme) Tj ET", kNoLimit);
  EXPECT_FALSE(not_deflate.has_value());
}

TEST(FlateDecode, StopsAtTheOutputLimit) {
  const std::string text = content_stream(500);
  const std::string in = deflate_bytes(text);

  const auto exact = flate_decode(in, text.size());
  ASSERT_TRUE(exact.has_value()) << exact.error().message;
  EXPECT_EQ(*exact, text);

  const auto one_short = flate_decode(in, text.size() - 1);
  ASSERT_FALSE(one_short.has_value());
  EXPECT_NE(one_short.error().message.find("limit"), std::string::npos);
  EXPECT_EQ(one_short.error().partial, text.substr(0, text.size() - 1));

  EXPECT_TRUE(flate_decode(deflate_bytes(""), 0).has_value());
  EXPECT_FALSE(flate_decode(in, 0).has_value());
}

TEST(FlateDecode, BombStopsAtTheLimitWithoutInflatingFurther) {
  // 1 GiB of zeros deflates to about 1 MiB; the limit keeps the output, and the memory, at 1 MiB.
  constexpr std::size_t kLimit = 1 << 20;
  const std::string chunk = deflate_bytes(std::string(1 << 20, '\0'), 15, true);
  std::string bomb = chunk.substr(0, 2);  // the zlib header, once
  for (int i = 0; i < 1024; ++i) bomb += chunk.substr(2);
  const auto out = flate_decode(bomb, kLimit);
  ASSERT_FALSE(out.has_value());
  EXPECT_EQ(out.error().partial, std::string(kLimit, '\0'));
  EXPECT_LE(out.error().partial.capacity(), kLimit);
}

}  // namespace
}  // namespace quorvel::pdf
