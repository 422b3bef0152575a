// The raw object walk and the stream scan: which strings and streams are searched, and the
// labels and order of their hits. Needle 'acme' (term 'Acme') unless a case says otherwise.
#include "verify_redaction/raw_object_audit.h"

#include <gtest/gtest.h>

#include "audit.h"

namespace quorvel::verify {
namespace {

using testing::audit;
using testing::flate;
using testing::lines;
using testing::stream;
using testing::with_xref;
using Hits = std::vector<std::string>;

std::string nested_arrays(int depth, std::string_view inner) {
  return std::string(static_cast<std::size_t>(depth), '[') + std::string(inner) +
         std::string(static_cast<std::size_t>(depth), ']');
}

struct Case {
  std::string name;
  std::string objects;
  Hits raw;
};

TEST(RawObjectWalk, StringsKeyPathsAndReferences) {
  const Case cases[] = {
      {"top-level string has an empty key path",
       "{{object 1 0}} << >> endobj {{object 12 0}} (ACME rocks) endobj",
       {"Acme @ object 12 "}},
      {"one hit per string, in entry order",
       "{{object 1 0}} << >> endobj {{object 5 0}} << /Title (Acme) /Subject (acme, Acme) >> "
       "endobj",
       {"Acme @ object 5 /Title", "Acme @ object 5 /Subject"}},
      {"nested dictionaries extend the path",
       "{{object 1 0}} << >> endobj {{object 5 0}} << /MK << /CA (acme) >> >> endobj",
       {"Acme @ object 5 /MK/CA"}},
      {"arrays add nothing to the path",
       "{{object 1 0}} << >> endobj {{object 5 0}} << /Kids [ << /T (Acme) >> ] >> endobj",
       {"Acme @ object 5 /Kids/T"}},
      {"a key that is not UTF-8 is shown with a replacement character",
       "{{object 1 0}} << /K#FF (acme) >> endobj",
       {"Acme @ object 1 /K\uFFFD"}},
      {"UTF-16 big-endian with its mark",
       "{{object 1 0}} << >> endobj {{object 7 0}} << /T <FEFF00410063006D0065> >> endobj",
       {"Acme @ object 7 /T (UTF-16-BE)"}},
      {"UTF-16 little-endian with its mark",
       "{{object 1 0}} << >> endobj {{object 7 0}} << /T <FFFE410063006D006500> >> endobj",
       {"Acme @ object 7 /T (UTF-16-LE)"}},
      {"UTF-16 that does not decode, or has no mark, gives nothing",
       "{{object 1 0}} [<FEFF> <FEFF0041006300> <FEFFD80000410063006D0065> <00410063006D0065>"
       " <FFFE> <FFFE4100> ] endobj",
       {}},
      {"a needle found in the stored bytes is not reported again from the UTF-16 text",
       "{{object 1 0}} << /T <FEFF00410063006D006541636D65> >> endobj",
       {"Acme @ object 1 /T"}},
      {"a referenced object is walked from the reference and at its own turn",
       "{{object 1 0}} << /Outlines 10 0 R >> endobj {{object 10 0}} << /Title (Acme) >> endobj",
       {"Acme @ object 10 /Outlines/Title", "Acme @ object 10 /Title"}},
      {"through an array at the top, both labels are the same",
       "{{object 1 0}} [10 0 R] endobj {{object 10 0}} << /Title (Acme) >> endobj",
       {"Acme @ object 10 /Title", "Acme @ object 10 /Title"}},
      {"objects that refer to each other are each entered once",
       "{{object 1 0}} << >> endobj {{object 3 0}} << /Next 4 0 R /T (Acme) >> endobj"
       "{{object 4 0}} << /Prev 3 0 R >> endobj",
       {"Acme @ object 3 /Next/Prev/T", "Acme @ object 3 /T"}},
      {"a reference to a missing object is passed over",
       "{{object 1 0}} << /A 99 0 R /B (acme) >> endobj",
       {"Acme @ object 1 /B"}},
      {"depth 63 is searched, depth 64 is not",
       "{{object 1 0}} " + nested_arrays(63, "(acme)") + " endobj {{object 2 0}} " +
           nested_arrays(64, "(acme)") + " endobj",
       {"Acme @ object 1 "}},
      {"names, stream dictionaries and the trailer are not searched",
       "{{object 1 0}} << /Acme /Acme >> endobj {{object 2 0}} << /Title (Acme) {{streamlen}} >>"
       "\nstream\nxyz\nendstream endobj",
       {}},
  };
  for (const Case& c : cases) {
    const auto report = audit(with_xref(c.objects, "/ID [(Acme) (Acme)]"));
    EXPECT_EQ(lines(report.raw_hits), c.raw) << c.name;
  }
}

TEST(StreamScan, WhichStreamsAreSearchedAndInWhatForm) {
  const std::string acme = flate("BT (Acme) Tj ET");
  const Case cases[] = {
      {"decoded Flate content",
       stream(9, "/Filter /FlateDecode", acme),
       {"Acme @ object 9 stream"}},
      {"corrupt Flate data: the stored bytes are searched",
       stream(9, "/Filter /FlateDecode", "not deflate data, Acme"),
       {"Acme @ object 9 stream"}},
      {"a Flate stream cut short: its inflated prefix is searched",
       stream(9, "/Filter /FlateDecode", acme.substr(0, acme.size() - 6)),
       {"Acme @ object 9 stream"}},
      {"no filter: the stored bytes", stream(9, "", "(Acme) Tj"), {"Acme @ object 9 stream"}},
      {"an empty filter array: the stored bytes",
       stream(9, "/Filter []", "(Acme) Tj"),
       {"Acme @ object 9 stream"}},
      {"run-length data is decoded",
       stream(9, "/Filter /RunLengthDecode",
              std::string("\x01"
                          "Ac"
                          "\x01"
                          "me"
                          "\x80",
                          7)),
       {"Acme @ object 9 stream"}},
      {"an unknown filter: the stored bytes",
       stream(9, "/Filter /Unknown", "Acme"),
       {"Acme @ object 9 stream"}},
      {"images, metadata and image filters are passed over",
       stream(9, "/Subtype /Image", "Acme") + stream(10, "/Type /Metadata", "Acme") +
           stream(11, "/Filter /DCTDecode", "Acme") +
           stream(12, "/Filter [/FlateDecode /JPXDecode]", "Acme") +
           stream(13, "/Filter /JBIG2Decode", "Acme") +
           stream(14, "/Filter /CCITTFaxDecode", "Acme"),
       {}},
      {"an abbreviated or indirect filter name passes nothing over",
       stream(9, "/Filter /DCT", "Acme") + stream(10, "/Subtype 20 0 R", "Acme") +
           "{{object 20 0}} /Image endobj",
       {"Acme @ object 9 stream", "Acme @ object 10 stream"}},
      {"one hit per stream, streams in ascending order",
       stream(9, "", "Acme acme ACME") + stream(4, "", "acme"),
       {"Acme @ object 4 stream", "Acme @ object 9 stream"}},
      {"string hits come before stream hits",
       stream(2, "", "Acme") + "{{object 3 0}} (Acme) endobj",
       {"Acme @ object 3 ", "Acme @ object 2 stream"}},
  };
  for (const Case& c : cases) {
    const auto report = audit(with_xref("{{object 1 0}} << >> endobj\n" + c.objects));
    EXPECT_EQ(lines(report.raw_hits), c.raw) << c.name;
  }
}

TEST(StreamScan, ACompressedObjectAndItsObjectStreamAreBothReported) {
  // Object 14 lives in object stream 30, which is stored without compression here; the reader
  // keeps object 30 with its decoded bytes.
  const auto report = audit(R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog >> endobj
{{object 30 0}} << /Type /ObjStm /N 1 /First 5 {{streamlen}} >>
stream
14 0 << /Title (Acme) >>
endstream
endobj
{{compressed 14 30 0}}
{{xrefstream 31 /Root 1 0 R}}
{{startxref}}
)");
  EXPECT_EQ(lines(report.raw_hits), (Hits{"Acme @ object 14 /Title", "Acme @ object 30 stream"}));
}

TEST(DecodeUtf16, MarksLengthsAndSurrogates) {
  using namespace std::string_view_literals;
  EXPECT_EQ(decode_utf16_be("\xFE\xFF\x00\x41\xD8\x3D\xDE\x00"sv), "A\U0001F600");
  EXPECT_EQ(decode_utf16_be("\x00\x41"sv), "A");  // no mark: read as big-endian anyway
  EXPECT_FALSE(decode_utf16_be("\xFE\xFF"sv));
  EXPECT_FALSE(decode_utf16_be("\xFE\xFF\x00"sv));
  EXPECT_FALSE(decode_utf16_be("\xFE\xFF\xDC\x00"sv));
  EXPECT_EQ(decode_utf16_le("\xFF\xFE\x41\x00"sv), "A");
  EXPECT_FALSE(decode_utf16_le("\xFF\xFE"sv));
  EXPECT_FALSE(decode_utf16_le("\x41\x00"sv));
  EXPECT_FALSE(decode_utf16_le("\xFF\xFE\x41"sv));
  EXPECT_FALSE(decode_utf16_le("\xFF\xFE\x00\xD8"sv));
}

}  // namespace
}  // namespace quorvel::verify
