// Stream content: the filter chain, its failures and partial output, plain content, and object
// streams as the model keeps them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "pdf/document.h"
#include "pdf_test_support.h"
#include "resource_limits.h"
#include "support/pdf_template.h"

namespace quorvel::pdf {
namespace {

using testing::describe;

std::string deflate(std::string_view plain) {
  uLongf size = compressBound(plain.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(plain.data()), plain.size(), 9);
  out.resize(size);
  return out;
}

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
  }
  return out + ">";
}

// A one-stream document; the stream is object 1.
Document one_stream(std::string_view dict_entries, std::string_view data) {
  std::string file = "%PDF-1.7\n1 0 obj << " + std::string(dict_entries) + " /Length " +
                     std::to_string(data.size()) + " >> stream\n" + std::string(data) +
                     "\nendstream endobj\n";
  auto doc = Document::load(std::move(file));
  EXPECT_TRUE(doc) << doc.error();
  return std::move(*doc);
}

const Stream& stream_of(const Document& doc) { return *doc.get({1, 0})->stream(); }

TEST(Decode, FilterChains) {
  const std::string text = "BT (Acme Corporation) Tj ET";
  struct Case {
    std::string name;
    std::string entries;
    std::string data;
  };
  const std::vector<Case> cases = {
      {"flate", "/Filter /FlateDecode", deflate(text)},
      {"flate in an array", "/Filter [/FlateDecode]", deflate(text)},
      {"hex then flate", "/Filter [/ASCIIHexDecode /FlateDecode]", hex(deflate(text))},
      {"short names", "/Filter [/AHx /Fl]", hex(deflate(text))},
      {"run length", "/Filter /RunLengthDecode",
       std::string(1, static_cast<char>(text.size() - 1)) + text + "\x80"},
      {"ascii85", "/Filter /ASCII85Decode", "<~87cURD_*#4DfTZ)~>"},
      {"empty array: the stored bytes", "/Filter []", text},
      {"identity crypt filter", "/Filter [/Crypt /FlateDecode]", deflate(text)},
      {"indirect filter name", "/Filter 2 0 R", deflate(text)},
  };
  for (const Case& c : cases) {
    std::string file = "%PDF-1.7\n1 0 obj << " + c.entries + " /Length " +
                       std::to_string(c.data.size()) + " >> stream\n" + c.data +
                       "\nendstream endobj\n2 0 obj /FlateDecode endobj\n";
    const auto doc = Document::load(std::move(file));
    ASSERT_TRUE(doc) << c.name;
    const auto decoded = doc->decode(stream_of(*doc));
    ASSERT_TRUE(decoded) << c.name << ": " << decoded.error().message;
    const std::string want = c.name == "ascii85" ? std::string("Hello, World") : text;
    EXPECT_EQ(*decoded, want) << c.name;
    EXPECT_EQ(*doc->plain_content(stream_of(*doc)), want) << c.name;
  }
}

TEST(Decode, FailuresAndWhatTheyKeep) {
  // Text that deflate cannot shrink to a single block, so that half of it inflates to something.
  std::string text;
  for (unsigned v = 1; text.size() < 200'000; v = v * 1103515245u + 12345u) {
    text += std::to_string(v >> 8) + " ";
  }
  const std::string packed = deflate("Acme " + text);
  struct Case {
    std::string name;
    std::string entries;
    std::string data;
    std::string partial_prefix;  // what the failure's partial output starts with
    bool plain_ok;               // plain content succeeds (a copy of the stored bytes)
  };
  const std::vector<Case> cases = {
      {"no filter", "", "stored", "", true},
      {"unsupported filter", "/Filter /DCTDecode", "jpeg", "", false},
      {"unsupported after flate", "/Filter [/FlateDecode /JBIG2Decode]", packed, "Acme " + text,
       false},
      {"damaged flate keeps the inflated prefix", "/Filter /FlateDecode",
       packed.substr(0, packed.size() / 2) + std::string(64, '\xff'), "Acme", false},
      {"not a name", "/Filter 7", "data", "", true},
  };
  for (const Case& c : cases) {
    const Document doc = one_stream(c.entries, c.data);
    const auto decoded = doc.decode(stream_of(doc));
    ASSERT_FALSE(decoded) << c.name;
    EXPECT_FALSE(decoded.error().message.empty());
    EXPECT_TRUE(decoded.error().partial.starts_with(c.partial_prefix)) << c.name;
    if (c.partial_prefix.empty()) {
      EXPECT_TRUE(decoded.error().partial.empty()) << c.name;
    }
    const auto plain = doc.plain_content(stream_of(doc));
    EXPECT_EQ(plain.has_value(), c.plain_ok) << c.name;
    if (plain) {
      EXPECT_EQ(*plain, c.data) << c.name;
    }
  }
}

TEST(Decode, EveryDecodeOfAStreamGivesTheSameAnswer) {
  const Document doc = one_stream("/Filter /FlateDecode", deflate("same"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(*doc.decode(stream_of(doc)), "same");
}

TEST(Decode, ABombStopsAtTheBoundWithItsPrefix) {
  const std::string bomb = deflate(std::string(limits::kMaxDecodedStreamBytes + 4096, 'A'));
  const Document doc = one_stream("/Filter /FlateDecode", bomb);
  const auto decoded = doc.decode(stream_of(doc));
  ASSERT_FALSE(decoded);
  EXPECT_EQ(decoded.error().partial.size(), limits::kMaxDecodedStreamBytes);
}

TEST(Decode, PrefixOfAStream) {
  const std::string text = "<?xpacket begin=''?> and a long tail " + std::string(100000, 'z');
  const Document flate = one_stream("/Filter /FlateDecode", deflate(text));
  EXPECT_EQ(*flate.decode_prefix(stream_of(flate), 9), "<?xpacket");
  EXPECT_EQ(*flate.decode_prefix(stream_of(flate), 1 << 20), text);
  // Every filter but the last decodes whole, so the last one gets all of its input.
  const Document chain = one_stream("/Filter [/AHx /Fl]", hex(deflate(text)));
  EXPECT_EQ(*chain.decode_prefix(stream_of(chain), 9), "<?xpacket");
  const Document bomb = one_stream("/Filter /FlateDecode", deflate(std::string(8 << 20, ' ')));
  EXPECT_EQ(*bomb.decode_prefix(stream_of(bomb), 4), "    ");
  const Document none = one_stream("", "stored");
  EXPECT_FALSE(none.decode_prefix(stream_of(none), 4));
}

TEST(ObjectStreams, MembersBecomeObjectsAndTheStreamKeepsItsDecodedBytes) {
  const std::string members = "10 0 11 34 << /Title (Acme) /Dup 1 /Dup 2 >> [(in) (array)]";
  const std::string packed = deflate(members);
  std::string file = quorvel::testing::expand_pdf_template(
      "%PDF-1.5\n"
      "{{object 1 0}} << /Type /Catalog /Pages 10 0 R >> endobj\n"
      "{{object 5 0}} << /Type /ObjStm /N 2 /First 11 /Filter /FlateDecode /DecodeParms null "
      "/Length " +
      std::to_string(packed.size()) + " >> stream\n" + packed + "\nendstream endobj\n");
  // Without a cross-reference table the members are found through the object stream.
  file += "trailer << /Root 1 0 R >>\n";
  const auto doc = Document::load(file);
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_EQ(describe(*doc->get({10, 0})), "<</Title (Acme)/Dup 1/Dup 2>>");
  EXPECT_EQ(describe(*doc->get({11, 0})), "[(in) (array)]");
  const Stream* objstm = doc->get({5, 0})->stream();
  ASSERT_NE(objstm, nullptr);
  EXPECT_EQ(objstm->data, members);
  EXPECT_EQ(describe(Object::dictionary(objstm->dict.entries())),
            "<</Type /ObjStm/N 2/First 11/Length " + std::to_string(packed.size()) + ">>");
  EXPECT_FALSE(doc->decode(*objstm));  // no /Filter any more
  EXPECT_EQ(*doc->plain_content(*objstm), members);
}

}  // namespace
}  // namespace quorvel::pdf
