#include "pdf/parser.h"

#include <cstdint>
#include <limits>

#include "resource_limits.h"

namespace quorvel::pdf {
namespace {

bool is_signature_dictionary(std::span<const DictEntry> entries) {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (it->key == "Type") return it->value.is_name("Sig") || it->value.is_name("DocTimeStamp");
  }
  return false;
}

Object transformed(const Object& value, const StringTransform* transform) {
  if (transform == nullptr || !value.is(Kind::string)) return value;
  return Object::string((*transform)(*value.as_string()));
}

}  // namespace

bool is_object_boundary(std::string_view k) {
  return k == "endobj" || k == "obj" || k == "stream" || k == "endstream" || k == "xref" ||
         k == "trailer" || k == "startxref";
}

Object Parser::finish_string(const Token& token) {
  return Object::string(token.in_input ? token.bytes : arena_.copy(token.bytes));
}

Object Parser::close_frame(const StringTransform* transform) {
  const Frame frame = frames_.back();
  frames_.pop_back();
  const std::span<const Object> values(values_.data() + frame.first, values_.size() - frame.first);
  Object result;
  if (frame.kind == Kind::array) {
    auto items = arena_.copy(values);
    if (transform != nullptr) {
      for (Object& item : items) item = transformed(item, transform);
    }
    result = Object::array(items);
  } else {
    entries_.clear();
    for (std::size_t i = 0; i < values.size();) {
      if (values[i].is(Kind::name)) {
        const Object value = i + 1 < values.size() ? values[i + 1] : Object();
        entries_.push_back({*values[i].as_name(), value});
        i += 2;
      } else {
        entries_.push_back({std::string_view(), values[i]});
        i += 1;
      }
    }
    auto entries = arena_.copy(std::span<const DictEntry>(entries_));
    if (transform != nullptr) {
      const bool signature = is_signature_dictionary(entries);
      for (DictEntry& entry : entries) {
        if (signature && entry.key == "Contents") continue;
        entry.value = transformed(entry.value, transform);
      }
    }
    result = Object::dictionary(entries);
  }
  values_.resize(frame.first);
  return result;
}

Object Parser::parse(Lexer& lexer, const StringTransform* transform) {
  frames_.clear();
  values_.clear();
  // Containers opened past the depth bound are read to their end and dropped.
  std::size_t skipping = 0;

  for (;;) {
    const Token token = lexer.next();
    Object value;
    bool cut_short = false;

    if (skipping > 0) {
      if (token.type == TokenType::array_open || token.type == TokenType::dict_open) {
        ++skipping;
        continue;
      }
      if (token.type == TokenType::array_close || token.type == TokenType::dict_close) {
        if (--skipping > 0) continue;
      } else if (token.type == TokenType::end ||
                 (token.type == TokenType::keyword && is_object_boundary(token.bytes))) {
        lexer.seek(token.start);
        cut_short = true;
      } else {
        continue;
      }
    } else {
      switch (token.type) {
        case TokenType::end:
          cut_short = true;
          break;
        case TokenType::integer: {
          value = Object::integer(token.integer);
          if (token.integer < 0 || token.integer > std::numeric_limits<std::uint32_t>::max()) break;
          if (const auto gen = lexer.match_reference_tail()) {
            value = Object::reference({static_cast<std::uint32_t>(token.integer), *gen});
          }
          break;
        }
        case TokenType::real:
          value = Object::real(token.real);
          break;
        case TokenType::name:
          value = Object::name(token.in_input ? token.bytes : arena_.copy(token.bytes));
          break;
        case TokenType::string:
          value = finish_string(token);
          break;
        case TokenType::keyword:
          if (token.bytes == "true" || token.bytes == "false") {
            value = Object::boolean(token.bytes == "true");
          } else if (token.bytes == "null") {
            value = Object();
          } else if (is_object_boundary(token.bytes)) {
            lexer.seek(token.start);
            cut_short = true;
          } else {
            value = finish_string(token);
          }
          break;
        case TokenType::array_open:
        case TokenType::dict_open:
          if (frames_.size() >= limits::kMaxParseDepth) {
            skipping = 1;
          } else {
            const Kind kind = token.type == TokenType::array_open ? Kind::array : Kind::dictionary;
            frames_.push_back({kind, values_.size()});
          }
          continue;
        case TokenType::array_close:
        case TokenType::dict_close: {
          const Kind kind = token.type == TokenType::array_close ? Kind::array : Kind::dictionary;
          // A closing bracket that matches no open container is stray: skip it.
          if (frames_.empty() || frames_.back().kind != kind) continue;
          value = close_frame(transform);
          break;
        }
        case TokenType::junk:
          continue;
      }
    }

    if (cut_short) {
      if (frames_.empty()) return Object();
      // Close every open container where the object ended.
      for (;;) {
        value = close_frame(transform);
        if (frames_.empty()) return value;
        values_.push_back(value);
      }
    }
    if (frames_.empty()) return transformed(value, transform);
    // Past its bound a container drops further values; a dictionary drops whole entries, since
    // its bound is even.
    const Frame& top = frames_.back();
    const std::size_t bound =
        top.kind == Kind::array ? limits::kMaxContainerItems : 2 * limits::kMaxContainerItems;
    if (values_.size() - top.first < bound) values_.push_back(value);
  }
}

}  // namespace quorvel::pdf
