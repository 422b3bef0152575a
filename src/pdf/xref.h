// Cross-reference data: reading the /Prev chain of tables and streams, and rebuilding the table
// by scanning the file when that chain cannot be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/document.h"
#include "pdf/filters/filters.h"
#include "pdf/object.h"
#include "pdf/object_reader.h"

namespace quorvel::pdf {

enum class XrefEntryType : std::uint8_t { free, in_file, compressed };

struct XrefEntry {
  std::uint32_t num = 0;
  XrefEntryType type = XrefEntryType::free;
  std::uint16_t gen = 0;     // in_file: the generation
  std::uint64_t offset = 0;  // in_file: byte offset; compressed: number of the object stream
  std::uint32_t index = 0;   // compressed: position in the object stream
};

struct XrefTable {
  // Ascending object number, one entry per number: the newest section's. Free entries are kept,
  // since they hide older entries of the same number.
  std::vector<XrefEntry> entries;
  Dictionary trailer;                 // of the newest section
  std::vector<XrefSection> sections;  // newest first; offsets within the reader's bytes
};

// Decodes a cross-reference stream's data.
using XrefStreamDecoder = std::function<DecodeResult(const Stream&)>;

// The offset that the last "startxref" near the end of `bytes` names.
std::optional<std::size_t> find_startxref(std::string_view bytes);

// Reads the section at `startxref` and every older one its /Prev (and /XRefStm) entries lead
// to. Fails, saying which section, when any of them cannot be read.
std::expected<XrefTable, std::string> read_xref_chain(ObjectReader& reader, std::size_t startxref,
                                                      const XrefStreamDecoder& decode);

// The table as the file's object headers give it, for a file whose cross-reference data is
// missing or broken: each object number at the last header that carries it, objects inside
// stream data excepted, and as trailer the last trailer dictionary (or cross-reference stream
// dictionary) that has a /Root, else the last one.
XrefTable rebuild_xref(ObjectReader& reader);

}  // namespace quorvel::pdf
