#include "pdf/object_reader.h"

#include <algorithm>
#include <limits>

#include "pdf/lexer.h"

namespace quorvel::pdf {
namespace {

constexpr std::string_view kEndstream = "endstream";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the decimal number that ends just before `end` (at most `max_digits` digits) and moves
// `end` to its first digit.
std::optional<std::uint64_t> number_before(std::string_view bytes, std::size_t& end,
                                           std::size_t max_digits) {
  std::size_t start = end;
  while (start > 0 && is_digit(bytes[start - 1]) && end - start < max_digits + 1) --start;
  if (start == end || end - start > max_digits) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = start; i < end; ++i)
    value = value * 10 + static_cast<unsigned>(bytes[i] - '0');
  end = start;
  return value;
}

bool skip_space_before(std::string_view bytes, std::size_t& end) {
  const std::size_t start = end;
  while (end > 0 && is_pdf_space(static_cast<unsigned char>(bytes[end - 1]))) --end;
  return end < start;
}

// The header whose "obj" keyword starts at `obj`, if the bytes before it read "N G ".
std::optional<ObjectHeader> header_before(std::string_view bytes, std::size_t obj) {
  std::size_t pos = obj;
  if (!skip_space_before(bytes, pos)) return std::nullopt;
  const auto gen = number_before(bytes, pos, 5);
  if (!gen || *gen > 0xFFFF || !skip_space_before(bytes, pos)) return std::nullopt;
  const auto num = number_before(bytes, pos, 10);
  if (!num || *num > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  if (pos > 0 && is_pdf_regular(static_cast<unsigned char>(bytes[pos - 1]))) return std::nullopt;
  return ObjectHeader{{static_cast<std::uint32_t>(*num), static_cast<std::uint16_t>(*gen)}, pos};
}

std::size_t first_at_or_after(const std::vector<std::size_t>& positions, std::size_t pos) {
  auto it = std::lower_bound(positions.begin(), positions.end(), pos);
  return it == positions.end() ? std::string_view::npos : *it;
}

}  // namespace

FileIndex::FileIndex(std::string_view bytes) {
  for (std::size_t p = bytes.find("obj"); p != std::string_view::npos;
       p = bytes.find("obj", p + 3)) {
    if (p + 3 < bytes.size() && is_pdf_regular(static_cast<unsigned char>(bytes[p + 3]))) continue;
    if (auto header = header_before(bytes, p)) headers_.push_back(*header);
  }
  for (std::size_t p = bytes.find(kEndstream); p != std::string_view::npos;
       p = bytes.find(kEndstream, p + kEndstream.size())) {
    endstreams_.push_back(p);
  }
}

std::size_t FileIndex::next_endstream(std::size_t pos) const {
  return first_at_or_after(endstreams_, pos);
}

std::size_t FileIndex::next_header(std::size_t pos) const {
  auto it = std::lower_bound(headers_.begin(), headers_.end(), pos,
                             [](const ObjectHeader& h, std::size_t p) { return h.offset < p; });
  return it == headers_.end() ? std::string_view::npos : it->offset;
}

const FileIndex& ObjectReader::index() {
  if (!index_) index_.emplace(bytes_);
  return *index_;
}

Object ObjectReader::parse_value(std::string_view input, std::size_t offset, std::size_t* end) {
  Lexer lexer(input, offset);
  Object value = parser_.parse(lexer);
  if (end != nullptr) *end = lexer.pos();
  return value;
}

std::optional<RawObject> ObjectReader::read(std::size_t offset, const ReadOptions& options) {
  if (offset >= bytes_.size()) return std::nullopt;
  Lexer lexer(bytes_, offset);
  const Token num = lexer.next();
  const Token gen = lexer.next();
  const Token obj = lexer.next();
  if (num.type != TokenType::integer || num.integer < 0 ||
      num.integer > std::numeric_limits<std::uint32_t>::max() || gen.type != TokenType::integer ||
      gen.integer < 0 || gen.integer > 0xFFFF || obj.type != TokenType::keyword ||
      obj.bytes != "obj") {
    return std::nullopt;
  }
  const ObjectId id{static_cast<std::uint32_t>(num.integer),
                    static_cast<std::uint16_t>(gen.integer)};
  if (options.expected_num && *options.expected_num != id.num) return std::nullopt;

  StringTransform decrypt;
  if (options.strings != nullptr) {
    decrypt = [&](std::string_view s) { return (*options.strings)(id, s); };
  }
  RawObject result{id, parser_.parse(lexer, options.strings ? &decrypt : nullptr), nullptr, 0};
  const std::size_t after_value = lexer.pos();
  const Token next = lexer.next();
  if (next.type != TokenType::keyword) {
    result.end = after_value;
    return result;
  }
  if (next.bytes == "endobj") {
    result.end = lexer.pos();
    return result;
  }
  // "stream" must follow a dictionary; some producers omit the end of line after it.
  if (!result.value.is(Kind::dictionary) || !next.bytes.starts_with("stream")) {
    result.end = after_value;
    return result;
  }

  std::size_t data_start = next.start + 6;
  if (data_start < bytes_.size() && bytes_[data_start] == '\r') ++data_start;
  if (data_start < bytes_.size() && bytes_[data_start] == '\n') ++data_start;

  const Dictionary dict = result.value.dictionary();
  std::optional<std::int64_t> length;
  const Object declared = dict.get("Length");
  if (auto direct = declared.as_integer()) {
    length = direct;
  } else if (auto ref = declared.as_reference(); ref && options.length) {
    length = (*options.length)(*ref);
  }
  std::size_t end = 0;
  const std::string_view data = stream_data(data_start, length, &end);
  result.stream = arena_.make<Stream>(dict, data, id, data);
  result.value = Object::stream(result.stream);
  Lexer tail(bytes_, end);
  const Token endobj = tail.next();
  result.end = endobj.type == TokenType::keyword && endobj.bytes == "endobj" ? tail.pos() : end;
  return result;
}

std::string_view ObjectReader::stream_data(std::size_t data_start,
                                           std::optional<std::int64_t> length, std::size_t* end) {
  const std::size_t n = bytes_.size();
  data_start = std::min(data_start, n);
  // The declared length is right when "endstream" follows it, after optional white space.
  if (length && *length >= 0 && static_cast<std::uint64_t>(*length) <= n - data_start) {
    const auto len = static_cast<std::size_t>(*length);
    Lexer after(bytes_, data_start + len);
    after.skip_space();
    if (bytes_.substr(after.pos()).starts_with(kEndstream)) {
      *end = after.pos() + kEndstream.size();
      return bytes_.substr(data_start, len);
    }
  }
  // Otherwise the data ends at the next "endstream", or where the next object begins, or at the
  // end of the file; the end of line before the keyword is not data.
  const FileIndex& idx = index();
  const std::size_t endstream = idx.next_endstream(data_start);
  const std::size_t limit = std::min({endstream, idx.next_header(data_start), n});
  std::size_t data_end = limit;
  if (data_end > data_start && bytes_[data_end - 1] == '\n') --data_end;
  if (data_end > data_start && bytes_[data_end - 1] == '\r') --data_end;
  *end = limit == endstream ? endstream + kEndstream.size() : limit;
  return bytes_.substr(data_start, data_end - data_start);
}

}  // namespace quorvel::pdf
