// Loading: cross-reference tables and streams, /Prev chains, hybrid files, incremental updates,
// reconstruction of broken cross-reference data, and stream lengths.
#include <gtest/gtest.h>

#include <string>

#include "pdf/document.h"
#include "pdf_test_support.h"
#include "support/pdf_template.h"

namespace quorvel::pdf {
namespace {

using quorvel::testing::expand_pdf_template;
using testing::describe;
using testing::describe_object;
using testing::load_template;

constexpr std::string_view kSimple = R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /Contents 4 0 R /Title (Acme) >> endobj
{{object 4 0}} << {{streamlen}} >> stream
BT (Acme) Tj ET
endstream endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R >>
{{startxref}}
)";

// Identities of the object table, in its order.
std::string identities(const Document& doc) {
  std::string out;
  for (const IndirectObject& o : doc.objects()) {
    if (!out.empty()) out += " ";
    out += std::to_string(o.id.num) + "." + std::to_string(o.id.gen);
  }
  return out;
}

std::string stream_data(const Document& doc, std::uint32_t num) {
  const auto object = doc.get({num, 0});
  if (!object || object->stream() == nullptr) return "no stream";
  return std::string(object->stream()->data);
}

TEST(Xref, ClassicTable) {
  const Document doc = load_template(kSimple);
  EXPECT_FALSE(doc.reconstructed());
  EXPECT_EQ(identities(doc), "1.0 2.0 3.0 4.0");
  EXPECT_EQ(describe(Object::dictionary(doc.trailer().entries())), "<</Size 5/Root 1 0 R>>");
  ASSERT_TRUE(doc.catalog());
  EXPECT_EQ(describe(doc.catalog()->get("Pages")), "2 0 R");
  EXPECT_EQ(stream_data(doc, 4), "BT (Acme) Tj ET");
  ASSERT_EQ(doc.xref_sections().size(), 1u);
  EXPECT_FALSE(doc.xref_sections()[0].is_stream);
}

TEST(Xref, IncrementalUpdateNewestRevisionWins) {
  // Revision 2 replaces object 3, frees object 4 and adds object 5.
  std::string file = expand_pdf_template(std::string(kSimple) + R"(
{{object 3 0}} << /Type /Page /Parent 2 0 R /Title (Redacted) >> endobj
{{object 5 0}} (added) endobj
)");
  const std::size_t prev = file.find("xref\n");
  const std::size_t xref = file.size();
  const auto entry = [&](std::string_view header) {
    const std::string offset = std::to_string(file.rfind(header));
    return std::string(10 - offset.size(), '0') + offset + " 00000 n\r\n";
  };
  file += "xref\n0 1\n0000000000 65535 f\r\n3 3\n" + entry("3 0 obj") + "0000000000 00001 f\r\n" +
          entry("5 0 obj") + "trailer << /Size 6 /Root 1 0 R /Prev " + std::to_string(prev) +
          " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  const auto doc = Document::load(file);
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_FALSE(doc->reconstructed());
  EXPECT_EQ(identities(*doc), "1.0 2.0 3.0 5.0");
  EXPECT_EQ(describe(doc->get({3, 0})->dictionary().get("Title")), "(Redacted)");
  EXPECT_FALSE(doc->get({4, 0}));
  ASSERT_EQ(doc->xref_sections().size(), 2u);
  EXPECT_EQ(doc->xref_sections()[0].offset, xref);
  EXPECT_EQ(doc->xref_sections()[1].offset, prev);
}

TEST(Xref, TableQuirks) {
  // A subsection "1 3" that starts with the entry of object 0, a generation number, and offsets
  // counted from a header that follows junk.
  std::string file = expand_pdf_template(R"(%PDF-1.4
{{object 1 0}} << /Type /Catalog >> endobj
{{object 2 3}} (gen three) endobj
xref
1 3
0000000000 65535 f
{{offset 1}} 00000 n
{{offset 2}} 00003 n
trailer << /Size 3 /Root 1 0 R >>
)");
  file += "startxref\n" + std::to_string(file.find("xref\n1 3")) + "\n%%EOF\n";
  const auto doc = Document::load("junk before the header\n" + file);
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_FALSE(doc->reconstructed());
  EXPECT_EQ(doc->header_offset(), 23u);
  EXPECT_EQ(identities(*doc), "1.0 2.3");
  EXPECT_EQ(describe(*doc->get({2, 3})), "(gen three)");
  EXPECT_FALSE(doc->get({2, 0}));  // the identity is number and generation
}

// The body of a file whose objects 1..n are given; the caller appends the cross-reference part.
std::string hybrid_file() {
  // Object 5 is an uncompressed object stream holding object 6; the table marks 6 free and the
  // /XRefStm stream (W [1 2 1]) places it in stream 5. Older readers see no object 6.
  std::string objstm_body = "6 0 << /Note (in the object stream) >>";
  std::string file = expand_pdf_template(
      "%PDF-1.5\n"
      "{{object 1 0}} << /Type /Catalog /Extra 6 0 R >> endobj\n"
      "{{object 5 0}} << /Type /ObjStm /N 1 /First 4 {{streamlen}} >> stream\n" +
      objstm_body +
      "\nendstream endobj\n"
      "{{xref}}");
  // Replace the generated table by one that also lists object 6 as free.
  file = file.substr(0, file.rfind("xref\n"));
  const std::size_t off1 = file.find("1 0 obj");
  const std::size_t off5 = file.find("5 0 obj");
  const std::size_t xrefstm = file.size();
  std::string entries(
      "\x00\x00\x00\x00"
      "\x02\x00\x05\x00",
      8);
  file += "7 0 obj << /Type /XRef /W [1 2 1] /Index [0 1 6 1] /Size 8 /Length 8 >> stream\n" +
          entries + "\nendstream endobj\n";
  const std::size_t table = file.size();
  auto ten = [](std::size_t v) {
    std::string s = std::to_string(v);
    return std::string(10 - s.size(), '0') + s;
  };
  file += "xref\n0 2\n0000000000 65535 f\r\n" + ten(off1) + " 00000 n\r\n" + "5 2\n" + ten(off5) +
          " 00000 n\r\n0000000000 00001 f\r\n" + "trailer << /Size 8 /Root 1 0 R /XRefStm " +
          std::to_string(xrefstm) + " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
  return file;
}

TEST(Xref, HybridFileReadsTheStreamForObjectsTheTableHides) {
  const auto doc = Document::load(hybrid_file());
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_FALSE(doc->reconstructed());
  EXPECT_EQ(identities(*doc), "1.0 5.0 6.0");
  EXPECT_EQ(describe(*doc->get({6, 0})), "<</Note (in the object stream)>>");
  ASSERT_EQ(doc->xref_sections().size(), 1u);
  EXPECT_TRUE(doc->xref_sections()[0].hybrid_stream_offset.has_value());
}

TEST(Xref, CrossReferenceStreamsWrittenByQpdf) {
  // qpdf writes object streams and a cross-reference stream with the PNG Up predictor.
  const auto in = quorvel::testing::write_pdf("xref_plain.pdf", kSimple);
  const auto out = in.parent_path() / "xref_stream.pdf";
  ASSERT_TRUE(testing::run_qpdf("--object-streams=generate --compress-streams=n " + in.string() +
                                " " + out.string()));
  const auto doc = Document::load(quorvel::testing::read_file(out));
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_FALSE(doc->reconstructed());
  ASSERT_FALSE(doc->xref_sections().empty());
  EXPECT_TRUE(doc->xref_sections()[0].is_stream);
  // qpdf renumbers: find the page by its title.
  int pages = 0;
  for (const IndirectObject& o : doc->objects()) {
    if (o.object.dictionary().get("Title").as_string() == "Acme") ++pages;
  }
  EXPECT_EQ(pages, 1);
  ASSERT_TRUE(doc->catalog());
  EXPECT_TRUE(doc->catalog()->get("Type").is_name("Catalog"));
}

TEST(Xref, RebuildsWhenTheCrossReferenceDataIsMissingOrBroken) {
  const std::string good = expand_pdf_template(kSimple);
  const std::string no_xref =
      good.substr(0, good.find("xref\n")) + "trailer << /Size 5 /Root 1 0 R >>\n%%EOF\n";
  const std::string bad_startxref = good.substr(0, good.rfind("startxref")) + "startxref\n9\n%%EOF";
  std::string bad_table = good;
  bad_table.replace(bad_table.find("xref\n") + 5, 3, "x y");
  for (const std::string& file : {no_xref, bad_startxref, bad_table}) {
    const auto doc = Document::load(file);
    ASSERT_TRUE(doc) << doc.error();
    EXPECT_TRUE(doc->reconstructed());
    EXPECT_EQ(identities(*doc), "1.0 2.0 3.0 4.0");
    EXPECT_EQ(stream_data(*doc, 4), "BT (Acme) Tj ET");
    EXPECT_TRUE(doc->catalog());
  }
  // Without a trailer the rebuilt table still has every object, and no catalog.
  const auto bare = Document::load(good.substr(0, good.find("xref\n")));
  ASSERT_TRUE(bare);
  EXPECT_EQ(identities(*bare), "1.0 2.0 3.0 4.0");
  EXPECT_FALSE(bare->catalog());
}

TEST(Xref, RebuildKeepsTheLastCopyOfAnObjectAndSkipsHeadersInsideStreams) {
  const auto doc = Document::load(expand_pdf_template(R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog >> endobj
{{object 2 0}} (old) endobj
{{object 3 0}} << {{streamlen}} >> stream
2 0 obj (inside a stream) endobj
endstream endobj
{{object 2 0}} (new) endobj
trailer << /Root 1 0 R >>
)"));
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_TRUE(doc->reconstructed());
  EXPECT_EQ(identities(*doc), "1.0 2.0 3.0");
  EXPECT_EQ(describe(*doc->get({2, 0})), "(new)");
  EXPECT_TRUE(doc->catalog());
}

TEST(Xref, WrongOffsetIsFoundByItsHeader) {
  std::string file = expand_pdf_template(kSimple);
  // Point the entry of object 3 (the fourth line of the table) into object 1.
  std::size_t line = file.find("xref\n0 5\n") + 9;
  for (int i = 0; i < 3; ++i) line = file.find('\n', line) + 1;
  file.replace(line, 10, "0000000012");
  const auto doc = Document::load(file);
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_FALSE(doc->reconstructed());
  EXPECT_EQ(describe(doc->get({3, 0})->dictionary().get("Title")), "(Acme)");
}

TEST(Xref, StreamLength) {
  struct Case {
    const char* length;
    const char* data;
  };
  // Right, too long, too short, negative, absent, indirect, indirect to nothing, indirect to a
  // non-integer: the data is the bytes before "endstream" in every case.
  const std::vector<Case> cases = {
      {"/Length 11", "hello world"},
      {"/Length 500", "hello world"},
      {"/Length 3", "hello world"},
      {"/Length -4", "hello world"},
      {"", "hello world"},
      {"/Length 9 0 R", "hello world"},
      {"/Length 77 0 R", "hello world"},
      {"/Length 8 0 R", "hello world"},
  };
  for (const Case& c : cases) {
    const Document doc = load_template(std::string(R"(%PDF-1.7
{{object 1 0}} << )") + c.length + R"( >> stream
)" + c.data + R"(
endstream
endobj
{{object 8 0}} (not a number) endobj
{{object 9 0}} 11 endobj
{{xref}}
trailer << /Size {{size}} >>
{{startxref}}
)");
    EXPECT_EQ(stream_data(doc, 1), c.data) << c.length;
  }
  // A stream that never ends runs to the next object header.
  const Document open = load_template(R"(%PDF-1.7
{{object 1 0}} << /Length 1000 >> stream
unterminated
{{object 2 0}} (after) endobj
{{xref}}
trailer << /Size {{size}} >>
{{startxref}}
)");
  EXPECT_EQ(stream_data(open, 1), "unterminated");
  EXPECT_EQ(describe_object(open, 2), "(after)");
}

TEST(Xref, FailsOnlyWhenNothingIsThere) {
  for (const std::string& bytes :
       {std::string(), std::string("hello"), std::string("%PDF-1.7\n"), std::string(2000, '\0')}) {
    const auto doc = Document::load(bytes);
    ASSERT_FALSE(doc);
    EXPECT_FALSE(doc.error().empty());
  }
  EXPECT_EQ(Document::load("").error(), "the file is empty");
  EXPECT_EQ(Document::load("hello").error().substr(0, 12), "not a PDF fi");
}

TEST(Xref, LoadsPrefixesOfOneBufferWithoutCopies) {
  const std::string v1 = expand_pdf_template(kSimple);
  auto file = std::make_shared<const std::string>(v1 + "\n5 0 obj (appended) endobj\n");
  const auto whole = Document::load(file, file->size());
  const auto prefix = Document::load(file, v1.size() - 1);
  ASSERT_TRUE(whole && prefix);
  EXPECT_EQ(identities(*prefix), "1.0 2.0 3.0 4.0");
  const std::string_view data = prefix->get({4, 0})->stream()->data;
  EXPECT_GE(data.data(), file->data());  // unencrypted stream data views the buffer
  EXPECT_LT(data.data(), file->data() + file->size());
}

}  // namespace
}  // namespace quorvel::pdf
