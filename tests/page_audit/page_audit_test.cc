// The engine pass and the parallel page scan, end to end through verify_output on PDFs built
// for each case.
#include <gtest/gtest.h>

#include "quorvel/verify.h"
#include "support/engine.h"
#include "support/pdf_builder.h"
#include "support/pdf_template.h"

namespace quorvel {
namespace {

using testing::pdf_with_pages;
using testing::show_text;
using testing::TestObject;
using testing::TestPage;
using testing::write_temp_file;

using quorvel::testing::engine;

std::vector<std::string> locations(const std::vector<LeakHit>& hits) {
  std::vector<std::string> out;
  for (const auto& hit : hits) out.push_back(hit.term + " @ " + hit.location);
  return out;
}

VerifyReport verify(const std::string& pdf, std::vector<std::string> terms) {
  const auto path = write_temp_file("page_audit.pdf", pdf);
  auto report = verify_output(engine(), path, terms);
  if (!report) throw std::runtime_error(report.error());
  return std::move(*report);
}

using Hits = std::vector<std::string>;

TEST(PageAudit, OneBodyHitPerTermAndPageInPageOrder) {
  const auto report =
      verify(pdf_with_pages({
                 {show_text("Acme and Okonkwo")},
                 {show_text("nothing here")},
                 {show_text("ACME acme Acme aCmE ACME")},  // five times, upper case: one hit
             }),
             {"Acme", "okonkwo", "absent"});
  EXPECT_EQ(
      locations(report.body_hits),
      (Hits{"Acme @ page 1 body text", "okonkwo @ page 1 body text", "Acme @ page 3 body text"}));
  EXPECT_TRUE(report.annot_hits.empty());
}

TEST(PageAudit, TextDrawnOutsideTheMediaBoxIsAudited) {
  const auto report = verify(pdf_with_pages({{show_text("Hidden Acme", -400, 700)}}), {"acme"});
  EXPECT_EQ(locations(report.body_hits), (Hits{"acme @ page 1 body text"}));
}

TEST(PageAudit, WordsHyphenatedAndPhrasesBrokenAtALineEndAreFound) {
  const auto report =
      verify(pdf_with_pages(
                 {{"BT /F1 12 Tf 72 720 Td (The respon-) Tj 0 -14 Td (dents said Fourteenth) Tj "
                   "0 -14 Td (Amendment and Pemberton-) Tj 0 -14 Td (Rae agreed.) Tj ET"}}),
             {"respondents", "Fourteenth Amendment", "Pemberton-Rae", "said  Fourteenth"});
  EXPECT_EQ(locations(report.body_hits),
            (Hits{"respondents @ page 1 body text", "Fourteenth Amendment @ page 1 body text",
                  "Pemberton-Rae @ page 1 body text"}));
}

TEST(PageAudit, AnnotationFieldsAndLinkTargets) {
  const auto report = verify(
      pdf_with_pages({{show_text("clean"), "/Annots [100 0 R 101 0 R 102 0 R 103 0 R]"}},
                     {
                         {100,
                          "<< /Type /Annot /Subtype /Text /Rect [0 0 9 9] /Contents (Acme memo) "
                          "/T (ACME) /NM (note-1) >>"},
                         {101,
                          "<< /Type /Annot /Subtype /Link /Rect [0 0 9 9] "
                          "/A << /S /URI /URI (https://acme.example/report) >> >>"},
                         // A link inside the document names no address.
                         {102,
                          "<< /Type /Annot /Subtype /Link /Rect [0 0 9 9] "
                          "/A << /S /GoTo /D [4 0 R /Fit] >> /Contents (acme goto) >>"},
                         {103,
                          "<< /Type /Annot /Subtype /FreeText /Rect [0 0 9 9] /DA (/F1 9 Tf) "
                          "/NM (Note-1) /Contents () >>"},
                     }),
      {"Acme", "note-1"});
  EXPECT_TRUE(report.body_hits.empty());
  EXPECT_EQ(locations(report.annot_hits), (Hits{
                                              "Acme @ page 1 annotation #0 /Contents",
                                              "Acme @ page 1 annotation #0 /T",
                                              "note-1 @ page 1 annotation #0 /NM",
                                              "Acme @ page 1 annotation #1 /A/URI",
                                              "Acme @ page 1 annotation #2 /Contents",
                                              "note-1 @ page 1 annotation #3 /NM",
                                          }));
}

TEST(PageAudit, AnnotationsCountOnAPageWithoutText) {
  // The content stream holds no valid operators, so the page has no text.
  const auto report = verify(
      pdf_with_pages({{"garbage", "/Annots [100 0 R]"}},
                     {{100, "<< /Type /Annot /Subtype /Text /Rect [0 0 9 9] /Contents (Acme) >>"}}),
      {"acme", "garbage"});
  EXPECT_TRUE(report.body_hits.empty());
  EXPECT_EQ(locations(report.annot_hits), (Hits{"acme @ page 1 annotation #0 /Contents"}));
}

TEST(PageAudit, APageThatCannotBeLoadedKeepsTheNumbersOfTheOthers) {
  // The page tree lists three pages; the second reference points to nothing.
  std::string pdf =
      pdf_with_pages({{show_text("Acme one")}, {show_text("Acme two")}, {show_text("Acme three")}});
  const std::string kids = "/Kids [4 0 R 6 0 R 8 0 R ]";
  pdf.replace(pdf.find(kids), kids.size(), "/Kids [4 0 R 99 0 R 8 0 R]");
  const auto report = verify(pdf, {"acme"});
  EXPECT_EQ(locations(report.body_hits),
            (Hits{"acme @ page 1 body text", "acme @ page 3 body text"}));
}

TEST(PageAudit, ADocumentWithoutPagesHasNoPageHits) {
  const auto report = verify(pdf_with_pages({}, {{100, "(Acme)"}}), {"acme"});
  EXPECT_TRUE(report.body_hits.empty());
  EXPECT_TRUE(report.annot_hits.empty());
}

TEST(VerifyOutput, NoUsableTermReturnsAtOnceWithoutTouchingTheFile) {
  const auto report =
      verify_output(engine(), "/nonexistent/file.pdf", std::vector<std::string>{"  ", "", "\t"},
                    OverRedactionInput{"/nonexistent/source.pdf", {}, 0});
  ASSERT_TRUE(report);
  EXPECT_EQ(report->term_count, 0u);
  EXPECT_TRUE(report->warnings.empty());
  EXPECT_EQ(report->not_audited, (std::vector<std::string_view>{
                                     "optional content layers",
                                     "signed-document signature payloads", "embedded thumbnails"}));
}

TEST(VerifyOutput, TermsDifferingInCaseAndBlanksAreOneNeedleShownAsFirstWritten) {
  const auto report = verify(pdf_with_pages({{show_text("ACME")}}), {" Acme ", "ACME", "acme"});
  EXPECT_EQ(report.term_count, 1u);
  EXPECT_EQ(locations(report.body_hits), (Hits{"Acme @ page 1 body text"}));
}

TEST(VerifyOutput, AMissingFileIsAnEngineOpenError) {
  const auto report =
      verify_output(engine(), "/nonexistent/file.pdf", std::vector<std::string>{"acme"});
  ASSERT_FALSE(report);
  EXPECT_TRUE(report.error().starts_with(
      "verify: couldn't open saved PDF for page-data extraction: No such file"))
      << report.error();
}

}  // namespace
}  // namespace quorvel
