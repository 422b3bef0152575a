#include "pdf/object_stream.h"

#include <algorithm>

#include "pdf/lexer.h"
#include "resource_limits.h"

namespace quorvel::pdf {

std::vector<CompressedObject> parse_object_stream(ObjectReader& reader, std::string_view decoded,
                                                  const Dictionary& stream_dict,
                                                  const ValueResolver& resolve) {
  std::vector<CompressedObject> objects;
  const auto n = resolve(stream_dict.get("N")).as_integer();
  const auto first = resolve(stream_dict.get("First")).as_integer();
  if (!n || !first || *n <= 0 || *first < 0 ||
      static_cast<std::uint64_t>(*first) > decoded.size()) {
    return objects;
  }
  const auto count = static_cast<std::size_t>(std::min(*n, limits::kMaxObjectsPerObjectStream));
  const auto base = static_cast<std::size_t>(*first);

  struct Pair {
    std::int64_t num;
    std::int64_t offset;
  };
  std::vector<Pair> pairs;
  pairs.reserve(std::min<std::size_t>(count, decoded.size() / 4 + 1));
  Lexer lexer(decoded);
  for (std::size_t i = 0; i < count; ++i) {
    const Token num = lexer.next();
    const Token offset = lexer.next();
    if (num.type != TokenType::integer || offset.type != TokenType::integer) break;
    pairs.push_back({num.integer, offset.integer});
  }

  objects.reserve(pairs.size());
  for (const Pair& pair : pairs) {
    if (pair.num <= 0 || pair.num > limits::kMaxObjectNumber || pair.offset < 0 ||
        static_cast<std::uint64_t>(pair.offset) >= decoded.size() - base) {
      continue;
    }
    const Object value = reader.parse_value(decoded, base + static_cast<std::size_t>(pair.offset));
    objects.push_back({static_cast<std::uint32_t>(pair.num), value});
  }
  return objects;
}

}  // namespace quorvel::pdf
