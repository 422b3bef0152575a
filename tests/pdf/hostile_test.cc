// Inputs built to hurt a reader: cycles, absurd depths, numbers and counts, and truncation.
// Each must load (or fail with a message) without crashing, hanging or exhausting memory.
#include <gtest/gtest.h>

#include <string>

#include "pdf/document.h"
#include "pdf_test_support.h"
#include "resource_limits.h"
#include "support/pdf_template.h"

namespace quorvel::pdf {
namespace {

using quorvel::testing::expand_pdf_template;
using testing::describe;

// Loads and reads everything the object passes would read.
std::size_t load_and_touch(std::string bytes) {
  const auto doc = Document::load(std::move(bytes));
  if (!doc) return 0;
  std::size_t seen = doc->objects().size();
  (void)doc->catalog();
  for (const IndirectObject& o : doc->objects()) {
    for (const DictEntry& e : o.object.dictionary().entries()) {
      if (const auto ref = e.value.as_reference()) seen += doc->get(*ref).has_value();
    }
    if (const Stream* s = o.object.stream()) {
      const auto decoded = doc->decode(*s);
      seen += decoded ? decoded->size() : decoded.error().partial.size();
    }
  }
  return seen;
}

TEST(Hostile, ReferenceCycles) {
  const Document doc = testing::load_template(R"(%PDF-1.7
{{object 1 0}} 2 0 R endobj
{{object 2 0}} 1 0 R endobj
{{object 3 0}} 3 0 R endobj
{{object 4 0}} << /Length 4 0 R >> stream
self-sized
endstream endobj
{{object 5 0}} << /Length 6 0 R >> stream
a
endstream endobj
{{object 6 0}} << /Length 5 0 R >> stream
b
endstream endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R /Prev {{startxref}}
)");
  EXPECT_EQ(doc.get({1, 0}).error(), LookupError::chain_too_long);
  EXPECT_EQ(doc.get({3, 0}).error(), LookupError::chain_too_long);
  EXPECT_FALSE(doc.catalog());
  EXPECT_EQ(doc.get({4, 0})->stream()->data, "self-sized");
  EXPECT_EQ(doc.get({5, 0})->stream()->data, "a");
  EXPECT_EQ(doc.get({6, 0})->stream()->data, "b");
}

TEST(Hostile, PrevChainThatPointsAtItself) {
  std::string file = expand_pdf_template(R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog >> endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R /Prev PREV >>
{{startxref}}
)");
  const std::size_t xref = file.find("xref\n");
  file.replace(file.find("PREV"), 4, std::to_string(xref));
  const auto doc = Document::load(file);
  ASSERT_TRUE(doc);
  EXPECT_FALSE(doc->reconstructed());
  EXPECT_EQ(doc->xref_sections().size(), 1u);
}

TEST(Hostile, ObjectStreamsThatContainThemselves) {
  // Object 5 claims to hold object 5; object 6 holds an object that the table places in 7,
  // which in turn is said to live in 6.
  std::string file = "%PDF-1.5\n";
  file +=
      "5 0 obj << /Type /ObjStm /N 1 /First 4 /Length 12 >> stream\n5 0 (loop)\n\nendstream "
      "endobj\n";
  const std::size_t off5 = file.find("5 0 obj");
  const std::size_t xref = file.size();
  file += "9 0 obj << /Type /XRef /W [1 2 1] /Size 10 /Index [5 1] /Length 4 >> stream\n";
  file += std::string("\x02\x00\x05\x00", 4) + "\nendstream endobj\n";
  file += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  (void)off5;
  EXPECT_GE(load_and_touch(file), 0u);  // loads, whatever it makes of it
}

TEST(Hostile, DeepNesting) {
  for (const std::string& open : {std::string("["), std::string("<< /K ")}) {
    std::string deep = "%PDF-1.7\n1 0 obj ";
    for (int i = 0; i < 200'000; ++i) deep += open;
    deep += "(bottom) endobj\ntrailer << /Root 1 0 R >>\n";
    const auto doc = Document::load(deep);
    ASSERT_TRUE(doc) << open;
    EXPECT_EQ(doc->objects().size(), 1u);
  }
}

TEST(Hostile, AbsurdNumbersAndCounts) {
  const std::vector<std::string> files = {
      // Object and generation numbers out of range, offsets past the end, huge sizes.
      "%PDF-1.7\n99999999999 0 obj (a) endobj\n1 70000 obj (b) endobj\n2 0 obj (c) endobj\n"
      "xref\n0 3\n0000000000 65535 f\r\n9999999999 00000 n\r\n99999999999999999999 00000 n\r\n"
      "trailer << /Size 99999999999999999999 >>\nstartxref\n70\n%%EOF\n",
      // A cross-reference stream announcing four billion entries, and absurd field widths.
      "%PDF-1.5\n1 0 obj << /Type /XRef /W [1 8 8] /Index [0 4000000000] /Size 4000000000 "
      "/Length 17 >> stream\n\x01\x00\x00\x00\x00\x00\x00\x00\x09\x00\x00\x00\x00\x00\x00\x00\x00\n"
      "endstream endobj\nstartxref\n9\n%%EOF\n",
      "%PDF-1.5\n1 0 obj << /Type /XRef /W [0 0 0] /Size 9 /Length 0 >> stream\n\nendstream "
      "endobj\nstartxref\n9\n%%EOF\n",
      "%PDF-1.5\n1 0 obj << /Type /XRef /W [99 99 99] /Size 9 /Length 0 >> stream\n\nendstream "
      "endobj\nstartxref\n9\n%%EOF\n",
      // An object stream declaring a million objects at absurd offsets.
      "%PDF-1.5\n1 0 obj << /Type /ObjStm /N 99999999 /First 999999999999 /Length 8 >> stream\n"
      "2 0 3 99\nendstream endobj\n",
      // Streams whose length is absurd or negative, numbers with thousands of digits.
      "%PDF-1.7\n1 0 obj << /Length 99999999999999999999999 >> stream\nx\nendstream endobj\n"
      "2 0 obj [" +
          std::string(5000, '9') + " -." + std::string(5000, '0') + "1] endobj\n",
      // Predictor parameters that would overflow a row size.
      "%PDF-1.7\n1 0 obj << /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns "
      "2147483647 /Colors 2147483647 /BitsPerComponent 16 >> /Length 8 >> stream\nx\x9c\x03\x00"
      "\x00\x00\x00\x01\nendstream endobj\n",
  };
  for (const std::string& file : files) load_and_touch(file);
}

TEST(Hostile, ManyUnterminatedStreamsStayLinear) {
  std::string file = "%PDF-1.7\n";
  for (int i = 1; i <= 20'000; ++i) {
    file +=
        std::to_string(i) + " 0 obj << /Length 999999 >> stream\n" + std::string(50, 'x') + "\n";
  }
  const auto doc = Document::load(file);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->objects().size(), 20'000u);
  std::size_t total = 0;
  for (const IndirectObject& o : doc->objects()) total += o.object.stream()->data.size();
  EXPECT_LE(total, file.size());  // each stream ends where the next object begins
}

TEST(Hostile, TruncatedAnywhere) {
  for (const char* sample : {"spikes/cross-platform-render/fixtures/03_brk_letter.pdf",
                             "spikes/redaction-integrity/fixtures/real-world/04_scotus.pdf"}) {
    const std::string file = testing::read_repo_file(sample);
    const std::size_t step = file.size() / 97 + 1;
    for (std::size_t cut = 0; cut < file.size(); cut += step) {
      load_and_touch(file.substr(0, cut));
      // And with a hole: bytes in the middle overwritten.
      std::string holed = file;
      holed.replace(cut, std::min<std::size_t>(64, file.size() - cut), 64, '\xff');
      load_and_touch(holed.substr(0, file.size()));
    }
  }
}

}  // namespace
}  // namespace quorvel::pdf
