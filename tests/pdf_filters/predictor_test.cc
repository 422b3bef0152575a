#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <string>
#include <vector>

#include "pdf/filters/filters.h"
#include "support/pdf_template.h"
#include "support/run_command.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kNoLimit = 1 << 20;

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (const int v : values) s.push_back(static_cast<char>(v));
  return s;
}

struct Case {
  const char* name;
  PredictorParams params;  // predictor, colors, bits per component, columns
  std::string in;
  std::string expected;
};

TEST(ApplyPredictor, ReversesPngRowFilters) {
  const Case cases[] = {
      {"one row per filter type",
       {12, 1, 8, 3},
       bytes({0, 1, 2, 3, 1, 1, 1, 1, 2, 1, 1, 1, 3, 2, 2, 2, 4, 1, 1, 1}),
       bytes({1, 2, 3, 1, 2, 3, 2, 3, 4, 3, 5, 6, 4, 6, 7})},
      {"Paeth picks the upper left byte; sums wrap",
       {15, 1, 8, 2},
       bytes({0, 15, 20, 4, 251, 1}),
       bytes({15, 20, 10, 16})},
      {"Paeth prefers the byte above to the upper left on a tie",
       {15, 1, 8, 2},
       bytes({0, 10, 6, 4, 2, 1}),
       bytes({10, 6, 12, 7})},
      {"Sub steps by whole pixels",
       {10, 3, 8, 2},
       bytes({1, 10, 20, 30, 1, 2, 3}),
       bytes({10, 20, 30, 11, 22, 33})},
      {"16-bit samples: a pixel is two bytes",
       {10, 1, 16, 2},
       bytes({1, 1, 2, 1, 1}),
       bytes({1, 2, 2, 3})},
      {"1-bit samples: the left byte is the byte before",
       {10, 1, 1, 16},
       bytes({1, 0x0f, 1}),
       bytes({0x0f, 0x10})},
      {"short last row", {12, 1, 8, 3}, bytes({2, 1, 2, 3, 2, 1}), bytes({1, 2, 3, 2})},
      {"last row with only its tag", {12, 1, 8, 3}, bytes({0, 1, 2, 3, 2}), bytes({1, 2, 3})},
      {"unknown row type reads as None", {12, 1, 8, 3}, bytes({7, 1, 2, 3}), bytes({1, 2, 3})},
      {"Columns far beyond the data", {12, 1, 8, INT_MAX}, bytes({0, 'A', 'B'}), "AB"},
      {"Colors, bits and Columns at their maximum", {12, 32, 16, INT_MAX}, bytes({1, 'A'}), "A"},
      {"empty input", {12, 1, 8, 3}, "", ""},
  };
  for (const auto& c : cases) {
    const auto out = apply_predictor(c.in, c.params, kNoLimit);
    ASSERT_TRUE(out.has_value()) << c.name << ": " << out.error().message;
    EXPECT_EQ(*out, c.expected) << c.name;
  }
}

TEST(ApplyPredictor, ReversesTiffPrediction) {
  const Case cases[] = {
      {"8-bit, each row starts afresh",
       {2, 1, 8, 4},
       bytes({1, 1, 1, 1, 5, 1, 1, 1}),
       bytes({1, 2, 3, 4, 5, 6, 7, 8})},
      {"8-bit, three components",
       {2, 3, 8, 2},
       bytes({10, 20, 30, 1, 2, 3}),
       bytes({10, 20, 30, 11, 22, 33})},
      {"16-bit, carry into the high byte",
       {2, 1, 16, 2},
       bytes({0x01, 0xff, 0x00, 0x01}),
       bytes({0x01, 0xff, 0x02, 0x00})},
      {"4-bit", {2, 1, 4, 4}, bytes({0x11, 0x11}), bytes({0x12, 0x34})},
      {"2-bit, two components", {2, 2, 2, 2}, bytes({0x67}), bytes({0x69})},
      {"1-bit", {2, 1, 1, 8}, bytes({0x80}), bytes({0xff})},
      {"short last row", {2, 1, 8, 4}, bytes({1, 1, 1, 1, 5, 1}), bytes({1, 2, 3, 4, 5, 6})},
  };
  for (const auto& c : cases) {
    const auto out = apply_predictor(c.in, c.params, kNoLimit);
    ASSERT_TRUE(out.has_value()) << c.name << ": " << out.error().message;
    EXPECT_EQ(*out, c.expected) << c.name;
  }
}

TEST(ApplyPredictor, OtherPredictorValuesLeaveTheDataAlone) {
  for (const int predictor : {1, 0, 3, 9, 16, -1}) {
    const auto out = apply_predictor("BT (Acme) Tj ET", {predictor, 0, 3, 0}, kNoLimit);
    ASSERT_TRUE(out.has_value()) << predictor;
    EXPECT_EQ(*out, "BT (Acme) Tj ET") << predictor;
  }
}

TEST(ApplyPredictor, RejectsInvalidParameters) {
  const PredictorParams invalid[] = {
      {12, 0, 8, 1}, {12, 33, 8, 1}, {12, 1, 3, 1}, {12, 1, 32, 1}, {2, 1, 8, 0}, {2, 1, 8, -4},
  };
  for (const auto& p : invalid) {
    EXPECT_FALSE(apply_predictor(bytes({0, 1, 2}), p, kNoLimit).has_value())
        << p.predictor << " " << p.colors << " " << p.bits_per_component << " " << p.columns;
  }
}

TEST(ApplyPredictor, StopsAtTheOutputLimit) {
  const auto png = apply_predictor(bytes({0, 1, 2, 3, 2, 1, 1, 1}), {12, 1, 8, 3}, 4);
  ASSERT_FALSE(png.has_value());
  EXPECT_EQ(png.error().partial, bytes({1, 2, 3, 2}));
  const auto tiff = apply_predictor(bytes({1, 1, 1, 1}), {2, 1, 8, 4}, 3);
  ASSERT_FALSE(tiff.has_value());
  EXPECT_EQ(tiff.error().partial, bytes({1, 2, 3}));
  EXPECT_FALSE(apply_predictor("abc", {1, 1, 8, 1}, 2).has_value());
}

// A cross-reference stream as qpdf writes it (Flate with PNG Up prediction): every entry for an
// object in the file must point at that object's header.
TEST(ApplyPredictor, DecodesQpdfCrossReferenceStream) {
  const auto in =
      testing::write_pdf("plain.pdf",
                         "%PDF-1.7\n"
                         "{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
                         "{{object 2 0}} << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                         "{{object 3 0}} << /Title (Acme) >> endobj\n"
                         "{{object 4 0}} << {{streamlen}} >>\nstream\nBT ET\nendstream\n"
                         "endobj\n"
                         "{{xref}}\ntrailer << /Size {{size}} /Root 1 0 R >>\n"
                         "{{startxref}}\n");
  const auto out_path = in.parent_path() / "xref-stream.pdf";
  ASSERT_EQ(testing::run_command("qpdf --object-streams=generate " + testing::shell_quoted(in) +
                                 " " + testing::shell_quoted(out_path))
                .exit_status,
            0);
  const std::string file = testing::read_file(out_path);

  const std::size_t startxref = file.rfind("startxref");
  ASSERT_NE(startxref, std::string::npos);
  const std::size_t xref_at = std::stoul(file.substr(startxref + 9));
  const std::size_t dict_end = file.find("stream\n", xref_at);
  const std::string dict = file.substr(xref_at, dict_end - xref_at);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(dict, m, std::regex(R"(/Length (\d+))"))) << dict;
  const std::size_t length = std::stoul(m[1]);
  ASSERT_TRUE(std::regex_search(dict, m, std::regex(R"(/Columns (\d+) /Predictor (\d+))")));
  const int columns = std::stoi(m[1]);
  const int predictor = std::stoi(m[2]);
  ASSERT_TRUE(std::regex_search(dict, m, std::regex(R"(/W \[ (\d) (\d) (\d) \])")));
  const int w[3] = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3])};
  ASSERT_EQ(w[0] + w[1] + w[2], columns);

  const auto inflated = flate_decode(std::string_view(file).substr(dict_end + 7, length), kNoLimit);
  ASSERT_TRUE(inflated.has_value()) << inflated.error().message;
  const auto table = apply_predictor(*inflated, {predictor, 1, 8, columns}, kNoLimit);
  ASSERT_TRUE(table.has_value()) << table.error().message;
  ASSERT_EQ(table->size() % columns, 0u);

  int in_file = 0;
  for (std::size_t row = 0; row * columns < table->size(); ++row) {
    std::size_t field[3] = {0, 0, 0};
    std::size_t pos = row * columns;
    for (int f = 0; f < 3; ++f) {
      for (int i = 0; i < w[f]; ++i) field[f] = field[f] * 256 + (*table)[pos++] % 256u;
    }
    if (field[0] != 1) continue;
    ++in_file;
    const std::string header = std::to_string(row) + " " + std::to_string(field[2]) + " obj";
    EXPECT_EQ(file.compare(field[1], header.size(), header), 0) << "entry of object " << row;
  }
  EXPECT_GE(in_file, 2);
}

}  // namespace
}  // namespace quorvel::pdf
