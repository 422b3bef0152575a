// Every bound the verifier puts on what a file, or a term list, may make it do, grouped by what
// it bounds, each with the reason for its value. A file that reaches a bound is still audited for
// everything below it: a bound drops the excess of one value, one stream or one walk, never the
// rest of the file. Only the file size and the matcher's size end a verification.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel::limits {

// ---- The saved file

// Offsets, lengths and counts are held in 32 bits inside the document model; larger files are
// not PDFs a desktop application saves. A larger file is refused before it is read.
inline constexpr std::size_t kMaxFileBytes = std::size_t{0xFFFF'FFFF};

// Where a header may start: viewers accept up to 1 KiB of junk before "%PDF-".
inline constexpr std::size_t kHeaderSearchBytes = 1024;

// How far back from the end of the file "startxref" is looked for: producers and mail gateways
// append a little junk after the last "%%EOF", rarely more than a few hundred bytes.
inline constexpr std::size_t kStartxrefSearchBytes = 4096;

// ---- Parsing one object

// Nesting of arrays and dictionaries while parsing one object. The parser keeps its own stack,
// so this bounds memory, not the machine stack; it is well above the 64 levels the object passes
// walk, so everything they can reach is kept. Deeper values are read and dropped.
inline constexpr std::size_t kMaxParseDepth = 256;

// Elements of one array, or entries of one dictionary. Real files stay below a few hundred
// thousand (the widest are /Kids and /Nums arrays); the rest of a longer container is dropped.
inline constexpr std::size_t kMaxContainerItems = std::size_t{1} << 22;

// ---- Objects and cross-reference data

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

// ---- Decoding streams

// Decoded bytes of one stream: a decode that would produce more fails, with the first bytes
// kept as its partial output, which is still searched. Bounds the memory one decompression bomb
// can take.
inline constexpr std::size_t kMaxDecodedStreamBytes = std::size_t{256} << 20;

// Decoded bytes of all streams of one file together, each stream counted once however often it
// is decoded. Bounds the time a file of many small bombs can take; a decode past it fails.
inline constexpr std::uint64_t kMaxDecodedFileBytes = std::uint64_t{2} << 30;

// Filters of one stream's /Filter array: real files use one or two.
inline constexpr std::size_t kMaxFilterChain = 16;

// ---- The object passes

// Levels of one raw object walk (arrays, dictionary entries and followed references together);
// values nested deeper are not searched. Levels 0 to 63 are handled.
inline constexpr unsigned kMaxWalkDepth = 64;

// Levels of the page tree descended into while collecting annotations; deeper trees are hostile
// and their nodes below the bound are not visited.
inline constexpr unsigned kMaxPageTreeDepth = 64;

// Direct nesting entered while looking for /Metadata entries. The parser keeps at most
// kMaxParseDepth levels of any value, so this bound never hides an entry it kept; it only caps
// the recursion.
inline constexpr unsigned kMaxMetadataNesting = 256;

// Earlier revisions of an incrementally updated file that are audited, the oldest first. Each
// costs one more verification; files saved hundreds of times are generated, not edited.
inline constexpr std::size_t kMaxEarlierRevisions = 32;

// ---- The matcher

// The automaton's transition table. A few thousand terms of ordinary length fit in a few MiB;
// the bound keeps a hostile or mistaken term list from exhausting memory. Past it the matcher
// is not built and the verification ends with its error.
inline constexpr std::size_t kMaxAutomatonBytes = std::size_t{64} << 20;

// ---- The engine

// Longest value accepted from the engine's two-step readers (a length first, then the value).
// The engine holds the value already, so this only guards against a length that no real string
// has; a longer value is read as empty.
inline constexpr unsigned long kMaxEngineValueBytes = 1ul << 30;

}  // namespace quorvel::limits
