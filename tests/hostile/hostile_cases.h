// The hostile-input corpus: files built to hurt a PDF reader or the engine, generated at run time
// (the largest ones decode to gigabytes from a few kilobytes, so none is committed). Every case
// hides the term "Acme" where a verification must still find it below the bounds it hits.
#pragma once

#include <string>
#include <vector>

namespace quorvel::testing {

// The term every case is verified for.
inline constexpr const char* kHostileTerm = "Acme";

struct HostileCase {
  std::string name;
  std::string bytes;
  // Hits the report must hold, as "list: term @ location" (list being body, raw, info, xmp,
  // annot or revision). Empty: the case only has to end, in time and within the memory bound,
  // with a report or one of the verifier's errors.
  std::vector<std::string> hits;
  // The start of the error the verification must end with; empty when a report is expected
  // (or, with no `hits`, either outcome is acceptable).
  std::string error;
};

// Every case. The decompression bombs are a few KB to about a megabyte on disk and a gigabyte
// decoded.
std::vector<HostileCase> hostile_cases();

// A good three-page file that has a hit in every list: body text, an annotation, an Info
// dictionary and XMP metadata in its first revision, an object in an object stream behind a
// cross-reference stream in the incremental update that follows.
std::string truncation_source();

// Truncations of that file at `count` points spread over its length, from its first byte on.
std::vector<HostileCase> truncations(unsigned count);

}  // namespace quorvel::testing
