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
// can take: an object stream at the bound is held decoded for the document's life and decoded
// once more by the stream scan, so a bomb costs twice the bound (256 MiB made that 545 MiB).
// Real streams other than images, which are not decoded, stay below a few MiB.
inline constexpr std::size_t kMaxDecodedStreamBytes = std::size_t{128} << 20;

// Decoded bytes of all streams of one file together, each stream counted once however often it
// is decoded; the earlier revisions of a file share one such bound between them. Bounds the
// time a file of many small bombs can take (about a second per GiB); a decode past it fails.
inline constexpr std::uint64_t kMaxDecodedFileBytes = std::uint64_t{1} << 30;

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

// The engine decodes every stream a page asks for whole, and keeps what it parses of it: a
// content stream of a few KB that inflates to a gigabyte takes it two gigabytes and seconds,
// forms that draw one another ten times over, eight deep, take it tens of gigabytes and minutes.
// The object reader measures first, and the engine reads as blank each stream past these bounds;
// the stream scan still searches their decoded bytes up to kMaxDecodedStreamBytes.

// Decoded bytes of one stream the engine may decode (content, form, font, object stream), and
// of one page's content with every form counted each time it is drawn. The engine holds about
// sixteen bytes per byte of dense path operators, so a page at the bound costs it about half a
// gigabyte; real pages stay below a few MiB.
inline constexpr std::uint64_t kMaxEngineContentBytes = std::uint64_t{32} << 20;

// Decoded content bytes of all pages together, in page order, each page counted as often as the
// page tree lists it; the content of the pages past it is read by the engine as blank. The
// engine parses dense path operators at about 20 MiB/s, so this bounds the engine pass to a few
// seconds. The largest of 37 real manuals and papers measured (2415 pages) has 16 MiB.
inline constexpr std::uint64_t kMaxEngineTotalBytes = std::uint64_t{128} << 20;

// What one drawing of a form or an image counts toward kMaxEngineContentBytes besides its
// content: the engine builds an object of a few hundred bytes for each, even an empty one.
inline constexpr std::uint64_t kEngineDrawBytes = 1024;

// Forms drawn inside forms while measuring a page; real files nest a few. A deeper chain is
// taken to be past kMaxEngineContentBytes.
inline constexpr unsigned kMaxEngineFormNesting = 64;

// Decoded bytes the measuring may produce for one file; a stream it has no budget left for, and
// whose size no ratio bounds, is taken to be past the bound. Keeps the measuring itself to
// a fraction of a second; the real documents above needed at most 22 MiB.
inline constexpr std::uint64_t kMaxEngineMeasuredBytes = std::uint64_t{256} << 20;

// Pages the engine pass reads, in page order; the rest are left to the object passes, which
// search their content streams. Real documents stay below a few thousand; a page tree can list
// one small page a million times from a file of a few KB.
inline constexpr int kMaxEnginePages = 100'000;

// Longest value accepted from the engine's two-step readers (a length first, then the value).
// The engine holds the value already, so this only guards against a length that no real string
// has; a longer value is read as empty.
inline constexpr unsigned long kMaxEngineValueBytes = 1ul << 30;

}  // namespace quorvel::limits
