#include "pdf/object.h"

namespace quorvel::pdf {

std::string_view kind_name(Kind kind) {
  switch (kind) {
    case Kind::null:
      return "null";
    case Kind::boolean:
      return "boolean";
    case Kind::integer:
      return "integer";
    case Kind::real:
      return "real";
    case Kind::name:
      return "name";
    case Kind::string:
      return "string";
    case Kind::array:
      return "array";
    case Kind::dictionary:
      return "dictionary";
    case Kind::stream:
      return "stream";
    case Kind::reference:
      return "reference";
  }
  return "null";
}

}  // namespace quorvel::pdf
