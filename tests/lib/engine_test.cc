// The engine wrappers against the real engine, on small PDFs written for each case and on one
// of the sample PDFs.
#include "lib/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/engine.h"
#include "support/pdf_template.h"
#include "text/unicode.h"

namespace quorvel::engine {
namespace {

namespace fs = std::filesystem;
using quorvel::testing::write_pdf;
using quorvel::testing::write_temp_file;

using quorvel::testing::engine;

std::string utf8(const std::u16string& units) { return text::utf16_to_utf8(units).value_or("?"); }

std::string whole_text(const Page& page) {
  const auto text_page = page.load_text();
  return text_page ? utf8(text_page->whole_text()) : "<no text page>";
}

// Two pages with Roman page labels; page 1 also draws text left of its media box, where a
// viewer shows nothing but the text is still in the file.
constexpr std::string_view kTwoPages = R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R /PageLabels << /Nums [0 << /S /r >>] >> >>
endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>
endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200]
   /Resources << /Font << /F1 7 0 R >> >> /Contents 4 0 R >>
endobj
{{object 4 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 20 100 Td (Visible Acme) Tj ET
BT /F1 12 Tf -300 100 Td (Hidden Okonkwo) Tj ET
endstream
endobj
{{object 5 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200]
   /Resources << /Font << /F1 7 0 R >> >> /Contents 6 0 R >>
endobj
{{object 6 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 20 100 Td (Second page) Tj ET
endstream
endobj
{{object 7 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>
endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R >>
{{startxref}}
)";

TEST(Document, OpenFailuresCarryTheEngineKindOrTheSystemError) {
  // Standard security with a user password that the empty password does not match.
  const fs::path encrypted = write_pdf("encrypted.pdf", R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R >>
endobj
{{object 2 0}} << /Type /Pages /Kids [] /Count 0 >>
endobj
{{object 3 0}} << /Filter /Standard /V 1 /R 2 /P -4
   /O <000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f>
   /U <1f1e1d1c1b1a191817161514131211100f0e0d0c0b0a09080706050403020100> >>
endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R /Encrypt 3 0 R
   /ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>] >>
{{startxref}}
)");
  struct Case {
    const char* name;
    fs::path path;
    OpenError::Kind kind;
    std::string description;
  } cases[] = {
      {"missing file", write_temp_file("present", "").parent_path() / "absent.pdf",
       OpenError::Kind::system, "No such file or directory"},
      {"directory", write_temp_file("present", "").parent_path(), OpenError::Kind::system,
       "Is a directory"},
      {"not a PDF", write_temp_file("garbage.pdf", "this is not a PDF\n"), OpenError::Kind::format,
       "format"},
      {"empty file", write_temp_file("empty.pdf", ""), OpenError::Kind::format, "format"},
      {"password required", encrypted, OpenError::Kind::password, "password"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto document = Document::open(engine(), c.path);
    ASSERT_FALSE(document.has_value());
    EXPECT_EQ(document.error().kind, c.kind);
    EXPECT_EQ(document.error().describe(), c.description);
  }
}

TEST(Document, PagesGiveTheirWholeTextIncludingTextOutsideTheMediaBox) {
  auto opened = Document::open(engine(), write_pdf("two-pages.pdf", kTwoPages));
  ASSERT_TRUE(opened.has_value()) << opened.error().describe();
  // A moved document keeps working: the engine's records live on the heap.
  const Document document = std::move(*opened);
  ASSERT_EQ(document.page_count(), 2);
  EXPECT_FALSE(document.load_page(2).has_value());
  EXPECT_FALSE(document.load_page(-1).has_value());

  // The first page stays open while the second is loaded, and is read after it.
  const auto first = document.load_page(0);
  const auto second = document.load_page(1);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(whole_text(*second), "Second page");
  const std::string text = whole_text(*first);
  EXPECT_NE(text.find("Visible Acme"), std::string::npos) << text;
  EXPECT_NE(text.find("Hidden Okonkwo"), std::string::npos) << text;
  EXPECT_EQ(first->label(), "i");
  EXPECT_EQ(second->label(), "ii");
}

TEST(Document, ByteLimitOpensAnEarlierRevision) {
  // The update replaces the page's content stream.
  const std::string bytes = quorvel::testing::expand_pdf_template(R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R >>
endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >>
endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200]
   /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>
endobj
{{object 4 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 20 100 Td (Before redaction) Tj ET
endstream
endobj
{{object 5 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>
endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R >>
{{startxref}}
{{object 4 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 20 100 Td (After) Tj ET
endstream
endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R /Prev {{prev}} >>
{{startxref}}
)");
  const fs::path path = write_temp_file("revisions.pdf", bytes);
  const std::uint64_t first_revision = bytes.find("%%EOF") + 6;

  const auto text_of = [&](std::optional<std::uint64_t> limit) {
    const auto document = Document::open(engine(), path, limit);
    if (!document) return "open failed: " + document.error().describe();
    const auto page = document->load_page(0);
    return page ? whole_text(*page) : "<no page>";
  };
  EXPECT_EQ(text_of(std::nullopt), "After");
  EXPECT_EQ(text_of(first_revision), "Before redaction");
  EXPECT_EQ(text_of(bytes.size() + 1000), "After");
}

TEST(Annotation, StringValuesAndLinkUris) {
  const fs::path path = write_pdf("annotations.pdf", R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R] >> >>
endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >>
endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200]
   /Annots [4 0 R 5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 10 0 R] >>
endobj
{{object 4 0}} << /Type /Annot /Subtype /Text /Rect [0 0 10 10]
   /Contents (Acme memo) /T (ACME) /NM (note-1) >>
endobj
{{object 5 0}} << /Type /Annot /Subtype /Link /Rect [0 0 10 10]
   /Contents <FEFF00C90063006F006C0065> /A << /S /URI /URI (https://acme.example/memo) >> >>
endobj
{{object 6 0}} << /Type /Annot /Subtype /Link /Rect [0 0 10 10] /A << /S /GoTo /D [3 0 R /Fit] >> >>
endobj
{{object 7 0}} << /Type /Annot /Subtype /Link /Rect [0 0 10 10]
   /A << /S /URI /URI (https://acme.example/\377) >> >>
endobj
{{object 8 0}} << /Type /Annot /Subtype /Link /Rect [0 0 10 10]
   /A << /S /URI /URI (https://acme.example/a\000b) >> >>
endobj
{{object 9 0}} << /Type /Annot /Subtype /Text /Rect [0 0 10 10] /Contents 42 /T () /NM <FEFFD800> >>
endobj
{{object 10 0}} << /Type /Annot /Subtype /Widget /FT /Tx /Rect [0 0 10 10] /P 3 0 R
   /T (field-1) /Contents (widget text) >>
endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R >>
{{startxref}}
)");
  const auto document = Document::open(engine(), path);
  ASSERT_TRUE(document.has_value()) << document.error().describe();
  const auto page = document->load_page(0);
  ASSERT_TRUE(page.has_value());

  struct Row {
    bool is_link;
    std::string contents, t, nm, uri;
  };
  const std::vector<Row> expected = {
      {false, "Acme memo", "ACME", "note-1", ""},
      {true, "\u00C9cole", "", "", "https://acme.example/memo"},
      {true, "", "", "", ""},   // a GoTo action has no URI
      {true, "", "", "", ""},   // URI not UTF-8
      {true, "", "", "", ""},   // URI with a NUL inside
      {false, "", "", "", ""},  // Contents not a string, T empty, NM an unpaired surrogate
      {false, "widget text", "field-1", "", ""},
  };
  ASSERT_EQ(page->annotation_count(), static_cast<int>(expected.size()));
  EXPECT_FALSE(page->annotation(static_cast<int>(expected.size())).has_value());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const auto annotation = page->annotation(static_cast<int>(i));
    ASSERT_TRUE(annotation.has_value());
    const Row row{annotation->is_link(), utf8(annotation->string_value("Contents")),
                  utf8(annotation->string_value("T")), utf8(annotation->string_value("NM")),
                  annotation->link_uri()};
    EXPECT_EQ(row.is_link, expected[i].is_link);
    EXPECT_EQ(row.contents, expected[i].contents);
    EXPECT_EQ(row.t, expected[i].t);
    EXPECT_EQ(row.nm, expected[i].nm);
    EXPECT_EQ(row.uri, expected[i].uri);
  }
}

TEST(Document, ReadsASamplePdf) {
  const auto document =
      Document::open(engine(), fs::path(QUORVEL_SOURCE_DIR) /
                                   "spikes/cross-platform-render/fixtures/03_brk_letter.pdf");
  ASSERT_TRUE(document.has_value()) << document.error().describe();
  ASSERT_EQ(document->page_count(), 16);
  std::string text;
  std::vector<std::string> uris;
  for (int i = 0; i < document->page_count(); ++i) {
    const auto page = document->load_page(i);
    ASSERT_TRUE(page.has_value()) << i;
    text += whole_text(*page);
    for (int j = 0; j < page->annotation_count(); ++j) {
      if (const auto annotation = page->annotation(j);
          annotation && !annotation->link_uri().empty())
        uris.push_back(annotation->link_uri());
    }
  }
  EXPECT_NE(text.find("Whitcombe"), std::string::npos);
  std::ranges::sort(uris);
  EXPECT_EQ(uris, (std::vector<std::string>{
                      "https://www.berkshire.example.com/meeting/shareholders-2026",
                      "https://www.berkshire.example.com/reports/2025-annual-report.pdf"}));
}

}  // namespace
}  // namespace quorvel::engine
