// The document model's values: the ten kinds of PDF object, dictionaries that keep their entries
// in file order, and streams.
//
// An Object is a 16-byte view. Its bytes, elements and entries live in the Document that loaded
// it (in the file's own bytes where nothing had to be decoded, otherwise in the document's
// arena), so an Object is valid exactly as long as its Document, and copying one costs nothing.
#pragma once

#include <atomic>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvel::pdf {

// An indirect object's identity. Ordered by number, then generation: the order of the object
// table.
struct ObjectId {
  std::uint32_t num = 0;
  std::uint16_t gen = 0;

  friend constexpr auto operator<=>(const ObjectId&, const ObjectId&) = default;
};

enum class Kind : std::uint8_t {
  null,
  boolean,
  integer,
  real,
  name,
  string,
  array,
  dictionary,
  stream,
  reference,
};

// The kind's lower-case name ("dictionary", "stream", ...).
std::string_view kind_name(Kind kind);

struct DictEntry;
class Dictionary;
struct Stream;

class Object {
 public:
  constexpr Object() = default;  // null

  static Object boolean(bool value) { return Object(Kind::boolean, 0, {.boolean = value}); }
  static Object integer(std::int64_t value) { return Object(Kind::integer, 0, {.integer = value}); }
  static Object real(double value) { return Object(Kind::real, 0, {.real = value}); }
  // `bytes` must outlive the object (it is not copied) and be shorter than 4 GiB.
  static Object name(std::string_view bytes) { return bytes_object(Kind::name, bytes); }
  static Object string(std::string_view bytes) { return bytes_object(Kind::string, bytes); }
  static Object reference(ObjectId id) { return Object(Kind::reference, id.gen, {.num = id.num}); }
  static Object array(std::span<const Object> items) {
    return Object(Kind::array, static_cast<std::uint32_t>(items.size()), {.items = items.data()});
  }
  static Object dictionary(std::span<const DictEntry> entries) {
    return Object(Kind::dictionary, static_cast<std::uint32_t>(entries.size()),
                  {.entries = entries.data()});
  }
  static Object stream(const Stream* stream) { return Object(Kind::stream, 0, {.stream = stream}); }

  Kind kind() const { return kind_; }
  bool is(Kind kind) const { return kind_ == kind; }
  // True for a name whose bytes are exactly `bytes`.
  bool is_name(std::string_view bytes) const;

  // Each accessor gives the value for its own kind and nothing for every other kind.
  std::optional<bool> as_bool() const;
  std::optional<std::int64_t> as_integer() const;
  // Integers and reals.
  std::optional<double> as_number() const;
  std::optional<std::string_view> as_name() const;
  // The string's bytes after escapes, hexadecimal notation and decryption are resolved.
  std::optional<std::string_view> as_string() const;
  std::optional<ObjectId> as_reference() const;

  // Elements of an array; empty for every other kind.
  std::span<const Object> items() const;
  // Entries of a dictionary, or of a stream's dictionary; empty for every other kind.
  Dictionary dictionary() const;
  // The stream; null for every other kind.
  const Stream* stream() const { return kind_ == Kind::stream ? u_.stream : nullptr; }

 private:
  union Payload {
    bool boolean;
    std::int64_t integer;
    double real;
    const char* bytes;
    const Object* items;
    const DictEntry* entries;
    const Stream* stream;
    std::uint32_t num;
  };

  constexpr Object(Kind kind, std::uint32_t size, Payload u) : kind_(kind), size_(size), u_(u) {}
  static Object bytes_object(Kind kind, std::string_view bytes) {
    return Object(kind, static_cast<std::uint32_t>(bytes.size()), {.bytes = bytes.data()});
  }

  Kind kind_ = Kind::null;
  // Length of bytes, items or entries; the generation of a reference.
  std::uint32_t size_ = 0;
  Payload u_{.integer = 0};
};

struct DictEntry {
  std::string_view key;  // the name's bytes after #xx decoding, without the slash
  Object value;
};

// A view of a dictionary's entries in the order they stand in the file. A key written twice
// keeps both entries; lookups find the later one, as viewers do.
class Dictionary {
 public:
  constexpr Dictionary() = default;
  explicit Dictionary(std::span<const DictEntry> entries) : entries_(entries) {}

  std::span<const DictEntry> entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }

  // The value of the last entry whose key is exactly `key`; nothing when there is none.
  const Object* find(std::string_view key) const;
  // The value of `key`, or null when it is absent.
  Object get(std::string_view key) const;

 private:
  std::span<const DictEntry> entries_;
};

// A stream object: its dictionary and its stored bytes (decrypted where the file is decrypted).
struct Stream {
  Dictionary dict;
  std::string_view data;
  ObjectId id;  // the identity of the object that holds it
  // The bytes as read, before decryption: for a stream of the file itself, a view of the file.
  // An object stream whose decoded bytes replaced its data keeps what it was decoded from.
  std::string_view stored;

  // Decode bookkeeping of the Document: the output bound of the first decode, reused for every
  // later one so that each decode of a stream gives the same answer. Zero until then.
  mutable std::atomic<std::uint64_t> decode_limit{0};
};

// Inline accessors: the object passes call them once per value of every object.

inline bool Object::is_name(std::string_view bytes) const {
  return kind_ == Kind::name && std::string_view(u_.bytes, size_) == bytes;
}
inline std::optional<bool> Object::as_bool() const {
  if (kind_ != Kind::boolean) return std::nullopt;
  return u_.boolean;
}
inline std::optional<std::int64_t> Object::as_integer() const {
  if (kind_ != Kind::integer) return std::nullopt;
  return u_.integer;
}
inline std::optional<double> Object::as_number() const {
  if (kind_ == Kind::integer) return static_cast<double>(u_.integer);
  if (kind_ == Kind::real) return u_.real;
  return std::nullopt;
}
inline std::optional<std::string_view> Object::as_name() const {
  if (kind_ != Kind::name) return std::nullopt;
  return std::string_view(u_.bytes, size_);
}
inline std::optional<std::string_view> Object::as_string() const {
  if (kind_ != Kind::string) return std::nullopt;
  return std::string_view(u_.bytes, size_);
}
inline std::optional<ObjectId> Object::as_reference() const {
  if (kind_ != Kind::reference) return std::nullopt;
  return ObjectId{u_.num, static_cast<std::uint16_t>(size_)};
}
inline std::span<const Object> Object::items() const {
  if (kind_ != Kind::array) return {};
  return {u_.items, size_};
}
inline Dictionary Object::dictionary() const {
  if (kind_ == Kind::dictionary) return Dictionary({u_.entries, size_});
  if (kind_ == Kind::stream) return u_.stream->dict;
  return {};
}

inline const Object* Dictionary::find(std::string_view key) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->key == key) return &it->value;
  }
  return nullptr;
}
inline Object Dictionary::get(std::string_view key) const {
  const Object* value = find(key);
  return value ? *value : Object();
}

}  // namespace quorvel::pdf
