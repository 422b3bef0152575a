// The result of one verification: every surviving term with a human-readable location.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One surviving occurrence of a redacted term.
struct LeakHit {
  // The term as the caller wrote it, less leading and trailing white space.
  std::string term;
  // Where it survives, for example "page 3 body text", "/Info /Author", "object 12 stream".
  std::string location;
};

// The kinds of PDF content the audit does not vouch for; every report lists all three.
inline constexpr std::string_view kNotAuditedOptionalContent = "optional content layers";
inline constexpr std::string_view kNotAuditedSignatures = "signed-document signature payloads";
inline constexpr std::string_view kNotAuditedThumbnails = "embedded thumbnails";

struct VerifyReport {
  // Terms found in the text layer of a page.
  std::vector<LeakHit> body_hits;
  // Terms found in string values of the file's objects, then in their content streams.
  std::vector<LeakHit> raw_hits;
  // Terms found in string values of the document information dictionary.
  std::vector<LeakHit> info_hits;
  // Terms found in XMP metadata streams.
  std::vector<LeakHit> xmp_hits;
  // Terms found in annotation fields and link targets, as the PDF engine reads them.
  std::vector<LeakHit> annot_hits;
  // Notes that are not leaks (at most the over-redaction warning); `term` is empty.
  std::vector<LeakHit> warnings;
  std::vector<std::string_view> not_audited{kNotAuditedOptionalContent, kNotAuditedSignatures,
                                            kNotAuditedThumbnails};
  // Number of distinct normalised terms searched for.
  std::uint64_t term_count = 0;
  // Terms that an earlier revision of an incrementally saved file still holds and the newest
  // revision no longer shows; each location starts with "revision N " (1 = the oldest).
  std::vector<LeakHit> revision_hits;
};

}  // namespace quorvel
