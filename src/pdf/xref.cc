#include "pdf/xref.h"

#include <algorithm>
#include <array>
#include <set>
#include <unordered_set>

#include "pdf/lexer.h"
#include "resource_limits.h"

namespace quorvel::pdf {
namespace {

using Entries = std::vector<XrefEntry>;

std::unexpected<std::string> fail(std::string message) {
  return std::unexpected(std::move(message));
}

std::string at(std::size_t offset) { return " at offset " + std::to_string(offset); }

struct Section {
  Entries entries;
  Dictionary trailer;
};

bool valid_num(std::int64_t num) { return num > 0 && num <= limits::kMaxObjectNumber; }

// A classic table: "xref", subsections of "first count" and entries "offset gen n|f", then
// "trailer" and its dictionary.
std::expected<Section, std::string> read_table(ObjectReader& reader, std::size_t offset,
                                               std::size_t entry_budget) {
  Lexer lexer(reader.bytes(), offset);
  const Token xref = lexer.next();
  if (xref.type != TokenType::keyword || xref.bytes != "xref") {
    return fail("no cross-reference table" + at(offset));
  }
  Section section;
  for (;;) {
    const Token t = lexer.next();
    if (t.type == TokenType::keyword && t.bytes == "trailer") {
      const Object trailer = reader.parse_value(reader.bytes(), lexer.pos());
      if (!trailer.is(Kind::dictionary)) return fail("trailer is not a dictionary" + at(offset));
      section.trailer = trailer.dictionary();
      return section;
    }
    const Token count = lexer.next();
    if (t.type != TokenType::integer || count.type != TokenType::integer || t.integer < 0 ||
        count.integer < 0) {
      return fail("malformed cross-reference table" + at(offset));
    }
    std::int64_t first = t.integer;
    for (std::int64_t k = 0; k < count.integer; ++k) {
      const std::size_t entry_start = lexer.pos();
      const Token pos = lexer.next();
      const Token gen = lexer.next();
      const Token type = lexer.next();
      if (pos.type == TokenType::keyword && pos.bytes == "trailer") {
        // The subsection held fewer entries than it announced.
        lexer.seek(entry_start);
        break;
      }
      if (pos.type != TokenType::integer || gen.type != TokenType::integer || pos.integer < 0 ||
          gen.integer < 0 || type.type != TokenType::keyword ||
          (type.bytes != "n" && type.bytes != "f")) {
        return fail("malformed cross-reference entry" + at(entry_start));
      }
      // A common producer bug: the first subsection says "1 N" but starts with the entry of
      // object 0 ("0000000000 65535 f").
      if (k == 0 && first == 1 && type.bytes == "f" && pos.integer == 0 && gen.integer == 65535) {
        first = 0;
      }
      const std::int64_t num = first + k;
      if (!valid_num(num) || gen.integer > 0xFFFF) continue;
      if (section.entries.size() >= entry_budget) return fail("too many cross-reference entries");
      XrefEntry entry{.num = static_cast<std::uint32_t>(num),
                      .type = type.bytes == "n" ? XrefEntryType::in_file : XrefEntryType::free,
                      .gen = static_cast<std::uint16_t>(gen.integer),
                      .offset = static_cast<std::uint64_t>(pos.integer)};
      section.entries.push_back(entry);
    }
  }
}

std::uint64_t read_field(std::string_view data, std::size_t pos, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i)
    value = (value << 8) | static_cast<unsigned char>(data[pos + i]);
  return value;
}

// A cross-reference stream: binary entries of the widths /W gives, for the ranges of /Index.
std::expected<Section, std::string> read_stream(ObjectReader& reader, std::size_t offset,
                                                const XrefStreamDecoder& decode,
                                                std::size_t entry_budget) {
  const auto raw = reader.read(offset, {});
  if (!raw || raw->stream == nullptr) return fail("no cross-reference stream" + at(offset));
  const Dictionary dict = raw->stream->dict;
  const auto w = dict.get("W").items();
  if (w.size() < 3) return fail("cross-reference stream without /W" + at(offset));
  std::array<std::size_t, 3> width{};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto v = w[i].as_integer();
    if (!v || *v < 0 || *v > limits::kMaxXrefFieldBytes) {
      return fail("cross-reference stream with a bad /W" + at(offset));
    }
    width[i] = static_cast<std::size_t>(*v);
  }
  const std::size_t entry_size = width[0] + width[1] + width[2];
  if (entry_size == 0) return fail("cross-reference stream with a bad /W" + at(offset));

  std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  const Object index = dict.get("Index");
  if (index.is(Kind::array)) {
    const auto items = index.items();
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
      const auto first = items[i].as_integer();
      const auto count = items[i + 1].as_integer();
      if (!first || !count || *first < 0 || *count < 0) {
        return fail("cross-reference stream with a bad /Index" + at(offset));
      }
      ranges.emplace_back(*first, *count);
    }
  } else {
    const auto size = dict.get("Size").as_integer();
    if (!size || *size < 0) return fail("cross-reference stream without /Size" + at(offset));
    ranges.emplace_back(0, *size);
  }

  const DecodeResult decoded = decode(*raw->stream);
  // A stream that decodes only in part still gives the entries it holds.
  const std::string_view data =
      decoded ? std::string_view(*decoded) : std::string_view(decoded.error().partial);
  if (!decoded && data.empty()) {
    return fail("cross-reference stream does not decode (" + decoded.error().message + ")" +
                at(offset));
  }

  Section section;
  section.trailer = dict;
  std::size_t pos = 0;
  for (const auto& [first, count] : ranges) {
    for (std::int64_t k = 0; k < count && pos + entry_size <= data.size(); ++k, pos += entry_size) {
      const std::uint64_t type = width[0] == 0 ? 1 : read_field(data, pos, width[0]);
      const std::uint64_t f1 = read_field(data, pos + width[0], width[1]);
      const std::uint64_t f2 = read_field(data, pos + width[0] + width[1], width[2]);
      const std::int64_t num = first + k;
      if (!valid_num(num)) continue;
      if (section.entries.size() >= entry_budget) return fail("too many cross-reference entries");
      XrefEntry entry{.num = static_cast<std::uint32_t>(num)};
      if (type == 0) {
        entry.type = XrefEntryType::free;
      } else if (type == 1) {
        if (f2 > 0xFFFF) continue;
        entry.type = XrefEntryType::in_file;
        entry.offset = f1;
        entry.gen = static_cast<std::uint16_t>(f2);
      } else if (type == 2) {
        if (f1 > std::numeric_limits<std::uint32_t>::max() ||
            f2 > std::numeric_limits<std::uint32_t>::max()) {
          continue;
        }
        entry.type = XrefEntryType::compressed;
        entry.offset = f1;
        entry.index = static_cast<std::uint32_t>(f2);
      } else {
        continue;  // other types are reserved and read as the null object
      }
      section.entries.push_back(entry);
    }
  }
  return section;
}

bool is_table_at(std::string_view bytes, std::size_t offset) {
  Lexer lexer(bytes, offset);
  const Token t = lexer.next();
  return t.type == TokenType::keyword && t.bytes == "xref";
}

std::optional<std::size_t> offset_entry(const Dictionary& trailer, std::string_view key) {
  const auto value = trailer.get(key).as_integer();
  if (!value || *value < 0) return std::nullopt;
  return static_cast<std::size_t>(*value);
}

}  // namespace

std::optional<std::size_t> find_startxref(std::string_view bytes) {
  const std::size_t from = bytes.size() > limits::kStartxrefSearchBytes
                               ? bytes.size() - limits::kStartxrefSearchBytes
                               : 0;
  const std::size_t found = bytes.rfind("startxref");
  if (found == std::string_view::npos || found < from) return std::nullopt;
  Lexer lexer(bytes, found + 9);
  const Token offset = lexer.next();
  if (offset.type != TokenType::integer || offset.integer < 0 ||
      static_cast<std::uint64_t>(offset.integer) >= bytes.size()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(offset.integer);
}

std::expected<XrefTable, std::string> read_xref_chain(ObjectReader& reader, std::size_t startxref,
                                                      const XrefStreamDecoder& decode) {
  XrefTable table;
  Entries all;
  std::unordered_set<std::size_t> visited;
  std::optional<std::size_t> next = startxref;
  while (next && table.sections.size() < limits::kMaxXrefSections) {
    const std::size_t offset = *next;
    if (!visited.insert(offset).second) break;  // a /Prev cycle: every section is read once
    if (offset >= reader.bytes().size()) return fail("cross-reference offset past the end");
    const std::size_t budget =
        limits::kMaxXrefEntries - std::min(all.size(), limits::kMaxXrefEntries);

    XrefSection info;
    info.offset = offset;
    std::expected<Section, std::string> section;
    if (is_table_at(reader.bytes(), offset)) {
      section = read_table(reader, offset, budget);
      if (!section) return std::unexpected(section.error());
      // A hybrid file's table names a cross-reference stream with the objects that older
      // readers are not meant to see; its entries take the place of the table's free ones.
      if (const auto stream_offset = offset_entry(section->trailer, "XRefStm")) {
        if (auto extra = read_stream(reader, *stream_offset, decode, budget)) {
          info.hybrid_stream_offset = stream_offset;
          std::set<std::uint32_t> in_stream;
          for (const XrefEntry& e : extra->entries) in_stream.insert(e.num);
          std::erase_if(section->entries, [&](const XrefEntry& e) {
            return e.type == XrefEntryType::free && in_stream.contains(e.num);
          });
          section->entries.insert(section->entries.end(), extra->entries.begin(),
                                  extra->entries.end());
        }
      }
    } else {
      section = read_stream(reader, offset, decode, budget);
      if (!section) return std::unexpected(section.error());
      info.is_stream = true;
    }
    if (table.sections.empty()) table.trailer = section->trailer;
    table.sections.push_back(info);
    all.insert(all.end(), section->entries.begin(), section->entries.end());
    if (all.size() > limits::kMaxXrefEntries) return fail("too many cross-reference entries");
    next = offset_entry(section->trailer, "Prev");
  }

  // Newer sections were read first: for each number the first entry read wins.
  std::stable_sort(all.begin(), all.end(),
                   [](const XrefEntry& a, const XrefEntry& b) { return a.num < b.num; });
  for (const XrefEntry& e : all) {
    if (table.entries.empty() || table.entries.back().num != e.num) table.entries.push_back(e);
  }
  return table;
}

XrefTable rebuild_xref(ObjectReader& reader) {
  const std::string_view bytes = reader.bytes();
  const auto headers = reader.index().headers();
  std::vector<std::size_t> trailers;
  for (std::size_t p = bytes.find("trailer"); p != std::string_view::npos;
       p = bytes.find("trailer", p + 7)) {
    trailers.push_back(p);
  }

  XrefTable table;
  Entries found;
  std::vector<Dictionary> candidates;
  std::size_t covered = 0;  // the end of the last object read: headers before it are stream data
  std::size_t h = 0;
  std::size_t t = 0;
  while (h < headers.size() || t < trailers.size()) {
    const bool take_trailer =
        t < trailers.size() && (h >= headers.size() || trailers[t] < headers[h].offset);
    if (take_trailer) {
      const std::size_t at_trailer = trailers[t++];
      if (at_trailer < covered) continue;
      std::size_t end = 0;
      const Object dict = reader.parse_value(bytes, at_trailer + 7, &end);
      if (dict.is(Kind::dictionary)) {
        candidates.push_back(dict.dictionary());
        covered = end;
      }
      continue;
    }
    const ObjectHeader header = headers[h++];
    if (header.offset < covered || !valid_num(header.id.num)) continue;
    const auto raw = reader.read(header.offset, {});
    if (!raw) continue;
    covered = raw->end;
    found.push_back({.num = header.id.num,
                     .type = XrefEntryType::in_file,
                     .gen = header.id.gen,
                     .offset = header.offset});
    if (raw->stream != nullptr && raw->stream->dict.get("Type").is_name("XRef")) {
      candidates.push_back(raw->stream->dict);
    }
  }

  // The last header of each number is its newest version.
  std::stable_sort(found.begin(), found.end(),
                   [](const XrefEntry& a, const XrefEntry& b) { return a.num < b.num; });
  for (const XrefEntry& e : found) {
    if (!table.entries.empty() && table.entries.back().num == e.num) {
      table.entries.back() = e;
    } else {
      table.entries.push_back(e);
    }
  }
  const auto with_root = std::find_if(candidates.rbegin(), candidates.rend(),
                                      [](const Dictionary& d) { return d.find("Root"); });
  if (with_root != candidates.rend()) {
    table.trailer = *with_root;
  } else if (!candidates.empty()) {
    table.trailer = candidates.back();
  }
  return table;
}

}  // namespace quorvel::pdf
