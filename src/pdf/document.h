// The document model of one PDF file: its trailer and every indirect object by identity.
//
//   auto doc = pdf::Document::load(std::move(bytes));
//   if (!doc) return fail(doc.error());          // what could not be made sense of
//   for (const pdf::IndirectObject& o : doc->objects()) {   // ascending identity
//     if (const pdf::Stream* s = o.object.stream()) search(doc->decode(*s).value_or(...));
//   }
//
// Loading reads classic cross-reference tables and cross-reference streams, /Prev chains,
// hybrid files and incremental updates (the newest revision wins); when the cross-reference
// data is missing or broken the table is rebuilt by scanning the file for object headers, and
// an entry whose offset is wrong is looked up the same way. Objects stored in object streams
// become objects of their own; the object stream stays, holding its decoded bytes, without its
// /Filter and /DecodeParms. Files that open with the empty user password are decrypted.
//
// A Document is immutable once loaded and may be read from several threads. Its Objects view
// memory the document owns: they are valid as long as the document.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/filters/filters.h"
#include "pdf/object.h"

namespace quorvel::pdf {

struct IndirectObject {
  ObjectId id;
  Object object;
};

// Why a lookup found nothing.
enum class LookupError : std::uint8_t {
  absent,          // no object with that identity
  chain_too_long,  // references lead to references past the bound, or round in a cycle
  wrong_kind,      // the object at the end is not of the kind asked for
};

// One cross-reference section of the /Prev chain, as read (newest first).
struct XrefSection {
  std::size_t offset = 0;  // in the whole buffer, where "xref" or the stream's header begins
  bool is_stream = false;  // a cross-reference stream rather than a table
  // A table's /XRefStm (hybrid file): the offset of its cross-reference stream.
  std::optional<std::size_t> hybrid_stream_offset;
};

// Decoded bytes charged against the per-file bound on decoding (limits::kMaxDecodedFileBytes).
// Documents loaded with one budget share that bound: the revisions of one file, which hold the
// same streams, decode them within it once between them rather than once each.
struct DecodeBudget {
  std::atomic<std::uint64_t> used{0};
};

enum class Encryption : std::uint8_t {
  none,        // not encrypted
  decrypted,   // opened with the empty user password; strings and streams come out decrypted
  not_opened,  // needs another password or an unsupported handler: left as stored
};

class Document {
 public:
  // Loads the first `length` bytes of `file` (all of it when `length` is larger). The document
  // keeps `file` alive and views it: unencrypted stream data is not copied, and several
  // documents can be loaded from prefixes of one buffer at no extra cost. Decoding is charged to
  // `budget` (shared with the other documents given it), or to a budget of its own.
  // Fails, with a description of what was wrong, only when no object at all can be found.
  static std::expected<Document, std::string> load(std::shared_ptr<const std::string> file,
                                                   std::size_t length,
                                                   std::shared_ptr<DecodeBudget> budget = nullptr);
  static std::expected<Document, std::string> load(std::string bytes);

  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();

  // Every indirect object, in ascending identity (number, then generation).
  std::span<const IndirectObject> objects() const;
  // The trailer dictionary (of the newest revision); empty when the file has none.
  Dictionary trailer() const;

  // The object with identity `id`, following references at its end; fails when `id` is not in
  // the table or the chain of references does not end within the bound.
  std::expected<Object, LookupError> get(ObjectId id) const;
  // `value` itself, or for a reference the object it leads to, as `get`.
  std::expected<Object, LookupError> resolve(const Object& value) const;
  // As `get`, and fails unless the object is a dictionary (a stream's dictionary does not count).
  std::expected<Dictionary, LookupError> get_dictionary(ObjectId id) const;
  // The dictionary the trailer's /Root names; fails when there is none.
  std::expected<Dictionary, LookupError> catalog() const;

  // The stream's content through the filters its /Filter lists (see decode_filters in
  // pdf/filter_chain.h). Fails when the stream has no /Filter, names a filter we do not decode,
  // or its data does not decode; `partial` then holds what did decode, which for a damaged
  // Flate stream is the inflated prefix. Each decode is bounded per stream and per file.
  DecodeResult decode(const Stream& stream) const;
  // The decoded content when /Filter names at least one filter (failing as `decode` does),
  // otherwise a copy of the stored bytes.
  DecodeResult plain_content(const Stream& stream) const;
  // The first `max_bytes` bytes of what `decode` gives (all of it when shorter), for looking at
  // how a stream begins (an XMP packet's "<?xpacket") without decoding it whole: the cost is that
  // of `max_bytes` of output, and it is not charged to the per-file bound. Fails as `decode`
  // does, except that a fault past the first `max_bytes` decoded bytes goes unnoticed.
  DecodeResult decode_prefix(const Stream& stream, std::size_t max_bytes) const;

  Encryption encryption() const;
  // True when the cross-reference data could not be read and the object table was rebuilt by
  // scanning the file.
  bool reconstructed() const;
  // The sections of the /Prev chain that were read; empty when the table was rebuilt.
  std::span<const XrefSection> xref_sections() const;
  // Where "%PDF-" begins in the buffer; offsets in the file are counted from there.
  std::size_t header_offset() const;

  struct State;

 private:
  explicit Document(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace quorvel::pdf
