// Keeps the engine from decoding or drawing without bound. The engine decodes every stream a page
// asks for whole and builds an object for every drawing operation, with no limit of its own: a
// content stream of a few KB that inflates to a gigabyte, forms that draw one another ten times
// over, eight deep, or one page listed a million times take it minutes and tens of gigabytes.
// Before the engine opens a file, the object reader measures what the engine would do with it;
// the streams past the bounds of resource_limits.h are then read by the engine as blank. The
// object passes still search them, within their own bounds.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "lib/engine.h"
#include "pdf/document.h"
#include "quorvel/pdfium.h"

namespace quorvel::verify {

// The stored bytes of every stream in `document` (loaded from `file`) that the engine must read
// as blank: streams that decode past limits::kMaxEngineContentBytes, forms whose drawing costs
// more, the content of pages that cost more with their forms, and that of every page after the
// pages before it have used up limits::kMaxEngineTotalBytes. Sorted by offset.
std::vector<engine::ByteRange> engine_hazards(const pdf::Document& document, std::string_view file);

// Opens `path` through the engine (see engine::Document::open) with the hazards of the file's
// first `byte_limit` bytes blanked. A file the object reader cannot load is opened as it is.
std::expected<engine::Document, engine::OpenError> open_guarded(
    Pdfium engine, const std::filesystem::path& path,
    std::optional<std::uint64_t> byte_limit = std::nullopt);

}  // namespace quorvel::verify
