// The page content audit: what a reader of the saved PDF sees, read through the engine on the
// calling thread, then matched on worker threads.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "match/aho_corasick.h"
#include "quorvel/pdfium.h"
#include "verify_redaction/records.h"

namespace quorvel::verify {

// Reads every page's whole text and annotation fields, lower-cased, and closes the document
// before returning. Pages and fields the engine cannot give are skipped. With `byte_limit`, the
// engine sees the file as if it ended there (an earlier revision). Fails with the engine's
// description when the file cannot be opened.
std::expected<std::vector<PerPageData>, std::string> extract_page_data(
    Pdfium engine, const std::filesystem::path& path,
    std::optional<std::uint64_t> byte_limit = std::nullopt);

// One PerPageHits per page, in page order, computed on the process-wide task pool; at most one
// body hit per needle per page and one per needle per annotation field.
std::vector<PerPageHits> scan_pages(std::span<const PerPageData> pages,
                                    std::span<const Needle> needles,
                                    const match::AhoCorasick& matcher);

}  // namespace quorvel::verify
