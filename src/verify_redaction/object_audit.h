// The passes over the object reader's document model.
#pragma once

#include <span>

#include "match/aho_corasick.h"
#include "pdf/document.h"
#include "quorvel/report.h"
#include "verify_redaction/records.h"

namespace quorvel::verify {

// Builds the skip set (the Info dictionary, the XMP streams, the page tree's annotations), then
// fills `raw_hits` (string values, then stream contents), `info_hits` and `xmp_hits`.
void audit_objects(const pdf::Document& document, std::span<const Needle> needles,
                   const match::AhoCorasick& matcher, VerifyReport& report);

}  // namespace quorvel::verify
