// Incrementally updated files: finding where each earlier revision ends, and reporting the terms
// that only an earlier revision still holds. In every fixture the planted term is gone from the
// newest revision, so the newest lists show nothing and only the revision audit finds it.
#include "pdf/revisions.h"

#include <gtest/gtest.h>

#include "quorvel/verify.h"
#include "support/engine.h"
#include "support/pdf_template.h"

namespace quorvel {
namespace {

using quorvel::testing::expand_pdf_template;
using quorvel::testing::write_temp_file;
using Hits = std::vector<std::string>;

using quorvel::testing::engine;

// Revision 1: one page whose content stream (object 4) shows `text`.
std::string first_revision(std::string_view text, std::string_view extra_objects = "",
                           std::string_view catalog_extra = "", std::string_view trailer = "") {
  return std::string(R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R )") +
         std::string(catalog_extra) + R"( >> endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]
   /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >> endobj
{{object 4 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 72 720 Td ()" +
         std::string(text) + R"() Tj ET
endstream
endobj
{{object 5 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj
)" + std::string(extra_objects) +
         R"({{xref}}
trailer << /Size {{size}} /Root 1 0 R )" +
         std::string(trailer) + R"( >>
{{startxref}}
)";
}

// An update with a classic table that rewrites the given objects.
std::string table_update(std::string_view objects, std::string_view trailer = "") {
  return std::string(objects) +
         "\n{{xref}}\ntrailer << /Size {{size}} /Root 1 0 R /Prev {{prev}} " +
         std::string(trailer) + " >>\n{{startxref}}\n";
}

std::string content(std::string_view text) {
  return "{{object 4 0}} << {{streamlen}} >>\nstream\nBT /F1 12 Tf 72 720 Td (" +
         std::string(text) + ") Tj ET\nendstream\nendobj\n";
}

struct Outcome {
  Hits newest;    // every hit of lists 1-5
  Hits revision;  // revision_hits
};

Outcome verify(std::string_view pdf_template, std::vector<std::string> terms = {"Acme"}) {
  const auto path = write_temp_file("revisions.pdf", expand_pdf_template(pdf_template));
  auto report = verify_output(engine(), path, terms);
  if (!report) throw std::runtime_error(report.error());
  Outcome out;
  for (const auto* list : {&report->body_hits, &report->raw_hits, &report->info_hits,
                           &report->xmp_hits, &report->annot_hits})
    for (const LeakHit& h : *list) out.newest.push_back(h.term + " @ " + h.location);
  for (const LeakHit& h : report->revision_hits)
    out.revision.push_back(h.term + " @ " + h.location);
  return out;
}

TEST(RevisionAudit, ATermOnlyInTheReplacedPageContent) {
  const auto out =
      verify(first_revision("Acme quarterly results") + table_update(content("quarterly results")));
  EXPECT_EQ(out.newest, Hits{});
  EXPECT_EQ(out.revision,
            (Hits{"Acme @ revision 1 page 1 body text", "Acme @ revision 1 object 4 stream"}));
}

TEST(RevisionAudit, ATermOnlyInTheOldInfoDictionary) {
  const auto out =
      verify(first_revision("results", "{{object 6 0}} << /Title (Acme draft) >> endobj\n", "",
                            "/Info 6 0 R") +
             table_update("{{object 6 0}} << /Title (Final) >> endobj", "/Info 6 0 R"));
  EXPECT_EQ(out.newest, Hits{});
  EXPECT_EQ(out.revision, (Hits{"Acme @ revision 1 /Info /Title"}));
}

TEST(RevisionAudit, ATermInAnObjectTheUpdateFreed) {
  const auto out = verify(
      first_revision("results", "{{object 7 0}} << /Note (Acme note) >> endobj\n", "/Extra 7 0 R") +
      table_update("{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj {{free 7 1}}"));
  EXPECT_EQ(out.newest, Hits{});
  EXPECT_EQ(out.revision,
            (Hits{"Acme @ revision 1 object 7 /Extra/Note", "Acme @ revision 1 object 7 /Note"}));
}

TEST(RevisionAudit, ATermInEveryRevisionIsReportedOnceByTheNewest) {
  const auto out =
      verify(first_revision("Acme results") +
             table_update("{{object 6 0}} << /Title (Final) >> endobj", "/Info 6 0 R"));
  EXPECT_EQ(out.newest, (Hits{"Acme @ page 1 body text", "Acme @ object 4 stream"}));
  EXPECT_EQ(out.revision, Hits{});
}

TEST(RevisionAudit, ThreeRevisionsWithTheTermInTheMiddleOne) {
  const auto out = verify(first_revision("draft one") + table_update(content("Acme draft two")) +
                          table_update(content("final")));
  EXPECT_EQ(out.newest, Hits{});
  EXPECT_EQ(out.revision,
            (Hits{"Acme @ revision 2 page 1 body text", "Acme @ revision 2 object 4 stream"}));
}

TEST(RevisionAudit, UpdatesWithCrossReferenceStreams) {
  const auto out = verify(first_revision("Acme quarterly results") + content("quarterly results") +
                          "{{xrefstream 8 /Root 1 0 R}}\n{{startxref}}\n");
  EXPECT_EQ(out.newest, Hits{});
  EXPECT_EQ(out.revision,
            (Hits{"Acme @ revision 1 page 1 body text", "Acme @ revision 1 object 4 stream"}));
}

TEST(RevisionAudit, AnEarlierRevisionThatDoesNotOpenAddsNothingAndIsNoError) {
  // Revision 1 names a catalog that is not there; the update supplies it.
  std::string first = first_revision("Acme quarterly results");
  first.replace(first.find("/Root 1 0 R"), 11, "/Root 9 0 R");
  const auto out = verify(first + table_update(content("quarterly results")));
  EXPECT_EQ(out.newest, Hits{});
  // The engine cannot open revision 1; the object reader still reads its stream.
  EXPECT_EQ(out.revision, (Hits{"Acme @ revision 1 object 4 stream"}));
}

// `bytes` with an incremental update appended that replaces object `num` by `body`.
std::string append_update(const std::string& bytes, unsigned num, std::string_view body) {
  const auto document = pdf::Document::load(bytes);
  const std::size_t startxref_at = bytes.rfind("startxref");
  const std::string prev =
      bytes.substr(startxref_at + 10, bytes.find('\n', startxref_at + 10) - startxref_at - 10);
  std::string out = bytes + "\n";
  const std::size_t offset = out.size();
  out += std::to_string(num) + " 0 obj\n" + std::string(body) + "\nendobj\n";
  const std::size_t xref = out.size();
  std::string ten = std::to_string(offset);
  ten = std::string(10 - ten.size(), '0') + ten;
  const auto root = document->trailer().get("Root").as_reference();
  out += "xref\n" + std::to_string(num) + " 1\n" + ten + " 00000 n\r\ntrailer << /Size " +
         std::to_string(document->trailer().get("Size").as_integer().value_or(0)) + " /Root " +
         std::to_string(root->num) + " 0 R /Prev " + prev + " >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

TEST(RevisionAudit, ALinearizedFilesFirstPageSectionIsNoRevision) {
  const auto plain = write_temp_file("plain.pdf", expand_pdf_template(first_revision("Acme")));
  const auto linearized = plain.parent_path() / "linearized.pdf";
  ASSERT_EQ(std::system(("qpdf --linearize --compress-streams=n " + plain.string() + " " +
                         linearized.string())
                            .c_str()),
            0);
  const std::string bytes = quorvel::testing::read_file(linearized);
  ASSERT_NE(bytes.find("%%EOF"), bytes.rfind("%%EOF"));  // two sections, two "%%EOF" lines
  const auto document = pdf::Document::load(bytes);
  ASSERT_TRUE(document);
  EXPECT_EQ(pdf::earlier_revision_ends(*document, bytes), std::vector<std::size_t>{});
  const auto report = verify_output(engine(), linearized, std::vector<std::string>{"acme"});
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->revision_hits.empty());

  // Updated after linearization: the whole linearized file is revision 1.
  unsigned content_num = 0;
  for (const pdf::IndirectObject& o : document->objects())
    if (o.object.stream() && o.object.stream()->data.find("Acme") != std::string_view::npos)
      content_num = o.id.num;
  ASSERT_NE(content_num, 0u);
  const std::string updated = append_update(
      bytes, content_num, "<< /Length 32 >>\nstream\nBT /F1 12 Tf 72 720 Td (x) Tj ET\nendstream");
  const auto reloaded = pdf::Document::load(updated);
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(pdf::earlier_revision_ends(*reloaded, updated), std::vector<std::size_t>{bytes.size()});
  const auto path = write_temp_file("linearized_updated.pdf", updated);
  const auto updated_report = verify_output(engine(), path, std::vector<std::string>{"acme"});
  ASSERT_TRUE(updated_report);
  EXPECT_TRUE(updated_report->body_hits.empty());
  ASSERT_FALSE(updated_report->revision_hits.empty());
  EXPECT_EQ(updated_report->revision_hits[0].location, "revision 1 page 1 body text");
}

std::vector<std::size_t> eof_line_ends(std::string_view bytes) {
  std::vector<std::size_t> ends;
  for (std::size_t at = bytes.find("%%EOF"); at != std::string_view::npos;
       at = bytes.find("%%EOF", at + 1))
    ends.push_back(at + 6);  // "%%EOF\n"
  return ends;
}

TEST(EarlierRevisionEnds, OneEndPerOlderSectionOfTheChain) {
  const std::string three = expand_pdf_template(
      first_revision("one") + table_update(content("two")) + table_update(content("three")));
  const auto ends = eof_line_ends(three);
  ASSERT_EQ(ends.size(), 3u);
  const auto document = pdf::Document::load(three);
  ASSERT_TRUE(document);
  EXPECT_EQ(pdf::earlier_revision_ends(*document, three),
            (std::vector<std::size_t>{ends[0], ends[1]}));

  // Junk after the last "%%EOF" adds no revision.
  const std::string junk = three + "\n\n  trailing junk\n";
  EXPECT_EQ(pdf::earlier_revision_ends(*pdf::Document::load(junk), junk),
            (std::vector<std::size_t>{ends[0], ends[1]}));

  // Without readable cross-reference data, every "startxref ... %%EOF" but the last ends one.
  std::string broken = three;
  for (std::size_t at = broken.find("xref\n"); at != std::string::npos;
       at = broken.find("xref\n", at + 1))
    if (at == 0 || broken[at - 1] != 't') broken.replace(at, 4, "XXXX");
  const auto rebuilt = pdf::Document::load(broken);
  ASSERT_TRUE(rebuilt);
  ASSERT_TRUE(rebuilt->reconstructed());
  EXPECT_EQ(pdf::earlier_revision_ends(*rebuilt, broken),
            (std::vector<std::size_t>{ends[0], ends[1]}));

  const std::string single = expand_pdf_template(first_revision("one"));
  EXPECT_EQ(pdf::earlier_revision_ends(*pdf::Document::load(single), single),
            std::vector<std::size_t>{});
}

}  // namespace
}  // namespace quorvel
