// The Info and XMP passes, and how they keep their objects out of the raw lists. Needle 'acme'
// (term 'Acme') unless a case says otherwise.
#include "verify_redaction/metadata_audit.h"

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

struct InfoCase {
  std::string name;
  std::string objects;
  std::string trailer;
  Hits info, raw;
  std::vector<std::string> terms = {"Acme"};
};

TEST(InfoPass, EntriesReadAsUtf8AndAsUtf16) {
  const std::string catalog = "{{object 1 0}} << >> endobj ";
  const InfoCase cases[] = {
      {"by reference: hits in file order, none in the raw list",
       catalog + "{{object 3 0}} << /Title (ACME Annual Report) /Author (acme) >> endobj",
       "/Info 3 0 R",
       {"Acme @ /Info /Title", "Acme @ /Info /Author"},
       {}},
      {"inline in the trailer",
       catalog,
       "/Info << /Title (ACME Annual Report) /Author (acme) >>",
       {"Acme @ /Info /Title", "Acme @ /Info /Author"},
       {}},
      {"UTF-16 with a mark",
       catalog,
       "/Info << /Title <FEFF00410063006D0065> >>",
       {"Acme @ /Info /Title"},
       {}},
      {"UTF-16 without a mark",
       catalog,
       "/Info << /Title <00410063006D0065> >>",
       {"Acme @ /Info /Title"},
       {}},
      {"little-endian UTF-16 is not tried",
       catalog,
       "/Info << /Title <FFFE410063006D006500> >>",
       {},
       {}},
      {"a single-byte accent is not UTF-8",
       catalog,
       "/Info << /Title (CAF\\311) >>",
       {},
       {},
       {"caf\u00e9"}},
      {"UTF-8 is lower-cased in full",
       catalog,
       "/Info << /Title (\xC3\x89"
       "COLE) >>",
       {"\u00e9cole @ /Info /Title"},
       {},
       {"\u00e9cole"}},
      {"one hit per entry however often",
       catalog,
       "/Info << /Keywords (Acme; acme; ACME) >>",
       {"Acme @ /Info /Keywords"},
       {}},
      {"a string by reference is left to the raw walk",
       catalog + "{{object 3 0}} << /Title 15 0 R >> endobj {{object 15 0}} (Acme) endobj",
       "/Info 3 0 R",
       {},
       {"Acme @ object 15 "}},
      {"an Info reference to a missing object", catalog, "/Info 9 0 R", {}, {}},
  };
  for (const InfoCase& c : cases) {
    const auto report = audit(with_xref(c.objects, c.trailer), c.terms);
    EXPECT_EQ(lines(report.info_hits), c.info) << c.name;
    EXPECT_EQ(lines(report.raw_hits), c.raw) << c.name;
  }
}

std::string cut_short(std::string data) {
  data.resize(data.size() - 8);
  return data;
}

struct XmpCase {
  std::string name;
  std::string objects;
  Hits xmp, raw;
  std::vector<std::string> terms = {"Acme"};
};

TEST(XmpPass, MetadataStreamsFoundByReferenceTypeOrContent) {
  const std::string packet = "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x>Acme</x>";
  const XmpCase cases[] = {
      {"referenced from the catalog",
       "{{object 1 0}} << /Metadata 20 0 R >> endobj " + stream(20, "", "<x>Acme</x>"),
       {"Acme @ XMP /Metadata stream (object 20)"},
       {}},
      {"no Type, found by its packet after white space",
       "{{object 1 0}} << >> endobj " + stream(20, "", "\n  " + packet),
       {"Acme @ XMP /Metadata stream (object 20)"},
       {}},
      {"an XML declaration before the packet is not sniffed",
       "{{object 1 0}} << >> endobj " + stream(20, "", "<?xml version='1.0'?>" + packet),
       {},
       {"Acme @ object 20 stream"}},
      {"Flate-compressed packet sniffed after decoding",
       "{{object 1 0}} << >> endobj " + stream(20, "/Filter /FlateDecode", flate(packet)),
       {"Acme @ XMP /Metadata stream (object 20)"},
       {}},
      {"a compressed packet whose data breaks after its start is no XMP: the stream scan has it",
       "{{object 1 0}} << >> endobj " +
           stream(20, "/Filter /FlateDecode", cut_short(flate(packet + std::string(5000, 'x')))),
       {},
       {"Acme @ object 20 stream"}},
      {"corrupt compressed data: the stored bytes are searched",
       "{{object 1 0}} << /Metadata 20 0 R >> endobj " +
           stream(20, "/Type /Metadata /Filter /FlateDecode", "garbage Acme"),
       {"Acme @ XMP /Metadata stream (object 20)"},
       {}},
      {"a term in two XMP streams gives one hit",
       "{{object 1 0}} << /Metadata 20 0 R >> endobj " + stream(20, "", "Acme") +
           stream(21, "/Type /Metadata", "acme"),
       {"Acme @ XMP /Metadata stream (object 20)"},
       {}},
      {"an image's metadata is searched, the image is not",
       "{{object 1 0}} << >> endobj " + stream(30, "/Subtype /Image /Metadata 31 0 R", "Acme") +
           stream(31, "", "<x>ACME</x>"),
       {"Acme @ XMP /Metadata stream (object 31)"},
       {}},
      {"a /Metadata dictionary is skipped by every pass",
       "{{object 1 0}} << /Metadata 5 0 R /Other 9 0 R >> endobj "
       "{{object 5 0}} << /Note (Acme) >> endobj",
       {},
       {}},
      {"raw bytes fold ASCII only",
       "{{object 1 0}} << /Metadata 20 0 R >> endobj " + stream(20, "",
                                                                "\xC3\x89"
                                                                "COLE"),
       {},
       {},
       {"\u00e9cole"}},
  };
  for (const XmpCase& c : cases) {
    const auto report = audit(with_xref(c.objects), c.terms);
    EXPECT_EQ(lines(report.xmp_hits), c.xmp) << c.name;
    EXPECT_EQ(lines(report.raw_hits), c.raw) << c.name;
  }
}

}  // namespace
}  // namespace quorvel::verify
