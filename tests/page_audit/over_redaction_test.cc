// The over-redaction check: its arithmetic as a table, the counting on real files, and the
// warning end to end through verify_output.
#include "verify_redaction/over_redaction.h"

#include <gtest/gtest.h>

#include <limits>

#include "quorvel/verify.h"
#include "support/engine.h"
#include "support/pdf_builder.h"
#include "support/pdf_template.h"

namespace quorvel::verify {
namespace {

using testing::pdf_with_pages;
using testing::show_text;
using testing::write_temp_file;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

using quorvel::testing::engine;

TEST(OverRedactionTolerance, EightWhenNothingIsExpectedElseOneAndAHalfTimesTruncated) {
  struct Case {
    std::uint64_t expected, tolerance;
  } cases[] = {
      {0, 8},
      {1, 1},
      {2, 3},
      {3, 4},
      {10, 15},
      {(1ull << 53) + 1, 13510798882111488ull},            // the count rounds to a double first
      {12297829382473031680ull, 18446744073709547520ull},  // a product just below 2^64
      {12297829382473033728ull, kMax},                     // one that rounds up to 2^64
      {kMax, kMax},
  };
  for (const auto& c : cases)
    EXPECT_EQ(over_redaction_tolerance(c.expected), c.tolerance) << c.expected;
}

TEST(OverRedactionWarning, WarnsOnlyPastExpectedPlusTolerance) {
  struct Case {
    std::uint64_t source, saved, expected;
    bool warns;
  } cases[] = {
      {100, 92, 0, false},    {100, 91, 0, true},   // limit 8
      {100, 98, 1, false},    {100, 97, 1, true},   // limit 2
      {100, 93, 3, false},    {100, 92, 3, true},   // limit 7
      {100, 75, 10, false},   {100, 74, 10, true},  // limit 25
      {100, 200, 0, false},                         // the saved file grew
      {kMax, 0, kMax, false},                       // the limit saturates instead of wrapping
  };
  for (const auto& c : cases)
    EXPECT_EQ(over_redaction_warning(c.source, c.saved, c.expected).has_value(), c.warns)
        << c.source << " " << c.saved << " " << c.expected;
  EXPECT_EQ(over_redaction_warning(100, 91, 0),
            "expected ~0 chars removed, actual ~9 (tolerance: 8). Source PDF likely uses fonts our "
            "redactor can't safely edit; saved file may be unusable.");
}

// A page whose font maps code A to U+1F600 (outside the Basic Multilingual Plane) and code B
// to "e" followed by a combining acute accent.
constexpr std::string_view kUnicodePage = R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R >>
endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >>
endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]
   /Resources << /Font << /F2 5 0 R >> >> /Contents 4 0 R >>
endobj
{{object 4 0}} << {{streamlen}} >>
stream
BT /F2 12 Tf 72 720 Td (AAABB) Tj ET
endstream
endobj
{{object 5 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>
endobj
{{object 6 0}} << {{streamlen}} >>
stream
/CIDInit /ProcSet findresource begin
12 dict begin
begincmap
/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def
/CMapName /Adobe-Identity-UCS def
/CMapType 2 def
1 begincodespacerange
<00> <FF>
endcodespacerange
2 beginbfchar
<41> <D83DDE00>
<42> <00650301>
endbfchar
endcmap
CMapName currentdict /CMap defineresource pop
end
end
endstream
endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R >>
{{startxref}}
)";

TEST(CountTotalBodyChars, CountsCodePointsOfEveryPageNotExcluded) {
  const auto unicode = testing::write_pdf("unicode.pdf", kUnicodePage);
  // Three emoji count 1 each; each "e" plus accent counts 2.
  EXPECT_EQ(count_total_body_chars(engine(), unicode, {}), 3u + 2 * 2);

  const auto pages = write_temp_file(
      "pages.pdf", pdf_with_pages({{show_text("12345")}, {show_text("123")}, {show_text("1")}}));
  struct Case {
    std::vector<std::uint32_t> excluded;
    std::uint64_t count;
  } cases[] = {
      {{}, 9}, {{0}, 4}, {{1, 1}, 6}, {{0, 2}, 3}, {{3, 99}, 9},
  };
  for (const auto& c : cases)
    EXPECT_EQ(count_total_body_chars(engine(), pages, c.excluded), c.count)
        << ::testing::PrintToString(c.excluded);

  EXPECT_EQ(count_total_body_chars(engine(), write_temp_file("empty.pdf", pdf_with_pages({})), {}),
            0u);
  const auto missing = count_total_body_chars(engine(), "/nonexistent/source.pdf", {});
  ASSERT_FALSE(missing);
  EXPECT_TRUE(
      missing.error().starts_with("over-redaction check: couldn't open /nonexistent/source.pdf: "))
      << missing.error();
}

// Verifies a saved file showing "Acme" against a source that also showed `removed` x's.
VerifyReport verify_removal(std::size_t removed, std::uint64_t expected,
                            std::vector<std::uint32_t> excluded = {}) {
  const auto source = write_temp_file(
      "source.pdf", pdf_with_pages({{show_text("Acme " + std::string(removed, 'x'))}}));
  const auto saved = write_temp_file("saved.pdf", pdf_with_pages({{show_text("Acme ")}}));
  auto report = verify_output(engine(), saved, std::vector<std::string>{"acme"},
                              OverRedactionInput{source, std::move(excluded), expected});
  if (!report) throw std::runtime_error(report.error());
  return std::move(*report);
}

TEST(OverRedactionCheck, WarningEndToEnd) {
  EXPECT_TRUE(verify_removal(25, 10).warnings.empty());
  const auto past = verify_removal(26, 10);
  ASSERT_EQ(past.warnings.size(), 1u);
  EXPECT_EQ(past.warnings[0].term, "");
  EXPECT_EQ(past.warnings[0].location,
            "expected ~10 chars removed, actual ~26 (tolerance: 15). Source PDF likely uses fonts "
            "our redactor can't safely edit; saved file may be unusable.");
  EXPECT_EQ(past.body_hits.size(), 1u);  // the warning changes no hit list
  EXPECT_TRUE(verify_removal(0, 0).warnings.empty());
  EXPECT_TRUE(verify_removal(100, 0, {0}).warnings.empty());  // the page is left out of both
}

TEST(OverRedactionCheck, SavedFileLongerThanTheSourceNeverWarns) {
  const auto source = write_temp_file("short.pdf", pdf_with_pages({{show_text("Acme")}}));
  const auto saved =
      write_temp_file("long.pdf", pdf_with_pages({{show_text(std::string(200, 'y') + " Acme")}}));
  const auto report = verify_output(engine(), saved, std::vector<std::string>{"acme"},
                                    OverRedactionInput{source, {}, 0});
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->warnings.empty());
}

TEST(OverRedactionCheck, AMissingSourceIsPassedOverAndTheVerificationGoesOn) {
  const auto saved = write_temp_file("saved_only.pdf", pdf_with_pages({{show_text("Acme")}}));
  const auto report = verify_output(engine(), saved, std::vector<std::string>{"acme"},
                                    OverRedactionInput{"/nonexistent/source.pdf", {}, 0});
  ASSERT_TRUE(report) << report.error();
  EXPECT_TRUE(report->warnings.empty());
  EXPECT_EQ(report->body_hits.size(), 1u);
}

}  // namespace
}  // namespace quorvel::verify
