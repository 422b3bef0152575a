// Reads one PDF value (number, name, string, array, dictionary, reference, ...) from a lexer.
//
// The parser keeps its own stack instead of recursing, so no nesting depth in a file can
// overflow the machine stack. It repairs what viewers repair: a missing closing bracket ends at
// the keyword that ends the object, a key without a value gets null, a value where a key belongs
// is kept under the empty key, and a bare word that is no PDF keyword is kept as a string (the
// word is text a producer wrote, and may be what someone looks for).
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "pdf/arena.h"
#include "pdf/lexer.h"
#include "pdf/object.h"

namespace quorvel::pdf {

// Turns a string's stored bytes into its plain bytes (decryption); the result must live in the
// document's arena.
using StringTransform = std::function<std::string_view(std::string_view)>;

// True for the keywords that end an object's value: obj, endobj, stream, endstream, xref,
// trailer, startxref.
bool is_object_boundary(std::string_view keyword);

class Parser {
 public:
  explicit Parser(Arena& arena) : arena_(arena) {}

  // Parses the value at the lexer's position and leaves the lexer just after it, or before the
  // boundary keyword that cut it short. A boundary keyword or the end of the input in place of a
  // value gives null. `transform`, when given, is applied to every string except the /Contents
  // of a signature dictionary, which is never encrypted.
  Object parse(Lexer& lexer, const StringTransform* transform = nullptr);

 private:
  struct Frame {
    Kind kind;          // array or dictionary
    std::size_t first;  // index of its first value in values_
  };

  Object close_frame(const StringTransform* transform);
  Object finish_string(const Token& token);

  Arena& arena_;
  std::vector<Object> values_;
  std::vector<Frame> frames_;
  std::vector<DictEntry> entries_;
};

}  // namespace quorvel::pdf
