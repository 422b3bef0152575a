// Every bound the PDF object reader puts on what a file may make it do. A file that reaches a
// bound still loads whatever lies below it; nothing here is a reason to reject a whole file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel::pdf::limits {

// Offsets, lengths and counts are held in 32 bits inside the document model; larger files are
// not PDFs a desktop application saves.
inline constexpr std::size_t kMaxFileBytes = std::size_t{0xFFFF'FFFF};

// Where a header may start: viewers accept up to 1 KiB of junk before "%PDF-".
inline constexpr std::size_t kHeaderSearchBytes = 1024;

// How far back from the end of the file "startxref" is looked for: producers and mail gateways
// append a little junk after the last "%%EOF", rarely more than a few hundred bytes.
inline constexpr std::size_t kStartxrefSearchBytes = 4096;

// Nesting of arrays and dictionaries while parsing one object. The parser keeps its own stack,
// so this bounds memory, not the machine stack; it is well above the 64 levels the object passes
// walk, so everything they can reach is kept. Deeper values are read and dropped.
inline constexpr std::size_t kMaxParseDepth = 256;

// Elements of one array, or entries of one dictionary. Real files stay below a few hundred
// thousand (the widest are /Kids and /Nums arrays); the rest of a longer container is dropped.
inline constexpr std::size_t kMaxContainerItems = std::size_t{1} << 22;

// Object numbers the cross-reference data may name (the format's own implementation limit is
// 8,388,607); entries above it are ignored.
inline constexpr std::uint32_t kMaxObjectNumber = 8'388'607;

// Cross-reference entries read from all sections of one file together.
inline constexpr std::size_t kMaxXrefEntries = std::size_t{1} << 24;

// Sections of one /Prev chain. Each incremental save adds one; files with thousands are
// pathological or hostile.
inline constexpr std::size_t kMaxXrefSections = 4096;

// Widest field of a cross-reference stream's /W array, in bytes: offsets and numbers are at
// most 64 bits.
inline constexpr std::int64_t kMaxXrefFieldBytes = 8;

// Objects one object stream may declare (/N).
inline constexpr std::int64_t kMaxObjectsPerObjectStream = 1 << 20;

// Links followed when a reference leads to another reference, and so on: real files never
// chain more than one or two, a cycle never ends.
inline constexpr std::size_t kMaxReferenceChain = 32;

// Loading one object may need another first (an indirect /Length, the object stream that holds
// it, an indirect filter parameter), and that one yet another. Past this many the nested object
// is left for its own turn and the first makes do without it (a /Length is then found by
// searching for "endstream").
inline constexpr int kMaxNestedLoads = 8;

// Decoded bytes of one stream: a decode that would produce more fails, with the first bytes
// kept as its partial output. Bounds the memory one decompression bomb can take.
inline constexpr std::size_t kMaxDecodedStreamBytes = std::size_t{256} << 20;

// Decoded bytes of all streams of one file together, each stream counted once however often it
// is decoded. Bounds the time a file of many small bombs can take; a decode past it fails.
inline constexpr std::uint64_t kMaxDecodedFileBytes = std::uint64_t{2} << 30;

// Filters of one stream's /Filter array: real files use one or two.
inline constexpr std::size_t kMaxFilterChain = 16;

// Earlier revisions of an incrementally updated file that are audited, the oldest first. Each
// costs one more verification; files saved hundreds of times are generated, not edited.
inline constexpr std::size_t kMaxEarlierRevisions = 32;

}  // namespace quorvel::pdf::limits
