// The earlier revisions of an incrementally saved file: what a truncation of the file gives back.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "match/aho_corasick.h"
#include "quorvel/pdfium.h"
#include "quorvel/report.h"
#include "verify_redaction/records.h"

namespace quorvel::verify {

// Runs the page audit and the object passes on each prefix of the file that ends an earlier
// revision (`revision_ends`, oldest first, at most the bound) and returns each hit whose term
// and location the newest revision (`newest`) and the hits before it do not already report,
// labelled "revision {k} {location}". A prefix that the engine or the reader cannot open adds
// nothing from that reader.
std::vector<LeakHit> audit_earlier_revisions(Pdfium engine, const std::filesystem::path& path,
                                             const std::shared_ptr<const std::string>& bytes,
                                             std::span<const std::size_t> revision_ends,
                                             std::span<const Needle> needles,
                                             const match::AhoCorasick& matcher,
                                             const VerifyReport& newest);

}  // namespace quorvel::verify
