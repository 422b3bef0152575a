// Reads indirect objects ("N G obj ... endobj") from a file's bytes, including the extent of
// stream data, which /Length gives when it is right and a search for "endstream" when it is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "pdf/arena.h"
#include "pdf/object.h"
#include "pdf/parser.h"

namespace quorvel::pdf {

// An "N G obj" header found by scanning the bytes; `offset` is where N begins.
struct ObjectHeader {
  ObjectId id;
  std::size_t offset;
};

// Where the object headers and "endstream" keywords of a file stand, found in one pass. Used to
// recover from wrong offsets and wrong stream lengths.
class FileIndex {
 public:
  explicit FileIndex(std::string_view bytes);

  // Every header in file order, including ones that turn out to lie inside stream data.
  std::span<const ObjectHeader> headers() const { return headers_; }
  // The first "endstream" and the first header at or after `pos`; npos when there is none.
  std::size_t next_endstream(std::size_t pos) const;
  std::size_t next_header(std::size_t pos) const;

 private:
  std::vector<ObjectHeader> headers_;
  std::vector<std::size_t> endstreams_;
};

struct RawObject {
  ObjectId id;      // as the header names it
  Object value;     // for a stream, an Object of kind stream
  Stream* stream;   // the same stream, writable by the loader; null for other kinds
  std::size_t end;  // offset just after the object
};

// Gives the value of an indirect /Length, or nothing when it cannot be had.
using LengthResolver = std::function<std::optional<std::int64_t>(ObjectId)>;

// Decrypts a string of the object with the given identity; the result lives in the arena.
using StringDecryptor = std::function<std::string_view(ObjectId, std::string_view)>;

struct ReadOptions {
  // The object number the header must carry; any number when absent.
  std::optional<std::uint32_t> expected_num;
  const LengthResolver* length = nullptr;
  const StringDecryptor* strings = nullptr;
};

class ObjectReader {
 public:
  ObjectReader(std::string_view bytes, Arena& arena)
      : bytes_(bytes), arena_(arena), parser_(arena) {}

  // The object whose header starts at `offset` (white space before it is skipped); nothing when
  // no header stands there or it names another object number.
  std::optional<RawObject> read(std::size_t offset, const ReadOptions& options);

  // Parses the value at `offset`, for trailers and the objects of object streams.
  Object parse_value(std::string_view input, std::size_t offset, std::size_t* end = nullptr);

  std::string_view bytes() const { return bytes_; }
  Arena& arena() { return arena_; }
  // Built on first use: most files never need it.
  const FileIndex& index();

 private:
  std::string_view stream_data(std::size_t data_start, std::optional<std::int64_t> length,
                               std::size_t* end);

  std::string_view bytes_;
  Arena& arena_;
  Parser parser_;
  std::optional<FileIndex> index_;
};

}  // namespace quorvel::pdf
