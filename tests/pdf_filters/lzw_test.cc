#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "pdf/filters/filters.h"
#include "support/pdf_template.h"
#include "support/run_command.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kNoLimit = std::size_t{1} << 32;

// Writes codes most significant bit first.
class BitWriter {
 public:
  void put(int code, int width) {
    buffer_ = (buffer_ << width) | static_cast<std::uint32_t>(code);
    bits_ += width;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(static_cast<char>(buffer_ >> bits_));
    }
  }
  std::string finish() {
    if (bits_ > 0) out_.push_back(static_cast<char>(buffer_ << (8 - bits_)));
    return out_;
  }

 private:
  std::string out_;
  std::uint32_t buffer_ = 0;
  int bits_ = 0;
};

// A plain LZW encoder. The decoder defines each entry one code after the encoder does, so the
// width of the next code follows from the encoder's entry count minus one; the encoder widens
// when that count plus `early_change` reaches the next power of two.
std::string lzw_encode(std::string_view data, int early_change, bool clear_when_full) {
  BitWriter writer;
  std::map<std::string, int, std::less<>> table;
  int next = 258;
  int width = 9;
  auto code_of = [&](const std::string& s) {
    return s.size() == 1 ? static_cast<unsigned char>(s[0]) : table.at(s);
  };
  auto count_entry = [&] {
    ++next;
    if (next - 1 + early_change >= (1 << width) && width < 12) ++width;
  };
  writer.put(256, width);
  std::string current;
  for (const char c : data) {
    std::string extended = current + c;
    if (current.empty() || table.contains(extended)) {
      current = std::move(extended);
      continue;
    }
    writer.put(code_of(current), width);
    if (next < 4096) {
      table.emplace(extended, next);
      count_entry();
    } else if (clear_when_full) {
      writer.put(256, width);
      table.clear();
      next = 258;
      width = 9;
    }
    current = std::string(1, c);
  }
  if (!current.empty()) {
    writer.put(code_of(current), width);
    if (next < 4096) count_entry();  // the entry the decoder defines on reading that code
  }
  writer.put(257, width);
  return writer.finish();
}

std::string sample_text() {
  std::string s;
  for (int i = 0; i < 3000; ++i) s += "(Acme line " + std::to_string(i * 7919 % 10007) + ") Tj\n";
  return s;
}

TEST(LzwDecode, DecodesTheExampleOfThePdfReference) {
  const auto out = lzw_decode("\x80\x0b\x60\x50\x22\x0c\x0c\x85\x01", 1, kNoLimit);
  ASSERT_TRUE(out.has_value()) << out.error().message;
  EXPECT_EQ(*out, "-----A---B");
}

// Long enough to pass every code width and fill the table several times over.
TEST(LzwDecode, RoundTripsThroughAllCodeWidths) {
  const std::string text = sample_text();
  for (const int early : {0, 1}) {
    for (const bool clear : {true, false}) {
      const auto out = lzw_decode(lzw_encode(text, early, clear), early, kNoLimit);
      ASSERT_TRUE(out.has_value()) << out.error().message;
      EXPECT_EQ(*out, text) << "EarlyChange " << early << ", clear when full " << clear;
    }
  }
  // A data stream that stops without the end-of-data code.
  std::string no_end = lzw_encode("Acme Acme Acme", 1, true);
  no_end.pop_back();
  no_end.pop_back();
  const auto out = lzw_decode(no_end, 1, kNoLimit);
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(out->substr(0, 9), "Acme Acme");
}

std::string hex(std::string_view data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (const char c : data) {
    s += kDigits[static_cast<unsigned char>(c) >> 4];
    s += kDigits[c & 15];
  }
  return s;
}

// qpdf's decoder as an independent reading of the same encoded stream (stored in hex, so that
// the binary data cannot be mistaken for a placeholder of the template).
TEST(LzwDecode, AgreesWithQpdf) {
  const std::string text = sample_text();
  for (const int early : {0, 1}) {
    const std::string encoded = lzw_encode(text, early, true);
    const auto path = testing::write_pdf(
        "lzw" + std::to_string(early) + ".pdf",
        "%PDF-1.7\n"
        "{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "{{object 2 0}} << /Type /Pages /Kids [] /Count 0 >> endobj\n"
        "{{object 3 0}} << /Filter [/ASCIIHexDecode /LZWDecode] /DecodeParms [null << "
        "/EarlyChange " +
            std::to_string(early) + " >>] {{streamlen}} >>\nstream\n" + hex(encoded) +
            "\nendstream\nendobj\n"
            "{{xref}}\ntrailer << /Size {{size}} /Root 1 0 R >>\n{{startxref}}\n");
    const auto qpdf = testing::run_command("qpdf --show-object=3 --filtered-stream-data " +
                                           testing::shell_quoted(path));
    ASSERT_EQ(qpdf.exit_status, 0);
    ASSERT_EQ(qpdf.out, text) << "qpdf reads the test encoder differently";
    const auto out = lzw_decode(encoded, early, kNoLimit);
    ASSERT_TRUE(out.has_value()) << out.error().message;
    EXPECT_EQ(*out, qpdf.out) << "EarlyChange " << early;
  }
}

TEST(LzwDecode, RejectsUndefinedCodesKeepingWhatCameBefore) {
  struct Case {
    const char* name;
    std::vector<int> codes;  // 9-bit codes
    std::string partial;
  };
  const Case cases[] = {
      {"code beyond the next free one", {256, 'A', 'B', 300}, "AB"},
      {"first code names an entry", {256, 258}, ""},
      {"entry code right after a clear", {'A', 'B', 256, 258}, "AB"},
  };
  for (const auto& c : cases) {
    BitWriter writer;
    for (const int code : c.codes) writer.put(code, 9);
    const auto out = lzw_decode(writer.finish(), 1, kNoLimit);
    ASSERT_FALSE(out.has_value()) << c.name;
    EXPECT_EQ(out.error().partial, c.partial) << c.name;
  }
}

TEST(LzwDecode, StopsAtTheOutputLimit) {
  const std::string text = sample_text();
  const std::string encoded = lzw_encode(text, 1, true);
  EXPECT_TRUE(lzw_decode(encoded, 1, text.size()).has_value());
  const auto out = lzw_decode(encoded, 1, 1000);
  ASSERT_FALSE(out.has_value());
  EXPECT_EQ(out.error().partial, text.substr(0, 1000));
  EXPECT_LE(out.error().partial.capacity(), 1000u);
}

}  // namespace
}  // namespace quorvel::pdf
