// Loads arbitrary bytes as a PDF and touches everything the verifier's passes would: every
// object, every lookup kind, every stream decode.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/document.h"

namespace {

using quorvel::pdf::Kind;
using quorvel::pdf::Object;

// Walks a value without recursion and counts what it sees, so the optimiser keeps the reads.
std::size_t walk(const quorvel::pdf::Document& doc, const Object& root) {
  std::size_t seen = 0;
  std::vector<Object> stack{root};
  while (!stack.empty() && seen < 1'000'000) {
    const Object v = stack.back();
    stack.pop_back();
    ++seen;
    if (const auto s = v.as_string()) seen += s->size();
    for (const Object& item : v.items()) stack.push_back(item);
    for (const auto& entry : v.dictionary().entries()) stack.push_back(entry.value);
    if (const auto ref = v.as_reference()) {
      if (auto target = doc.get(*ref); target && !target->is(Kind::stream)) ++seen;
      (void)doc.get_dictionary(*ref);
    }
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto doc = quorvel::pdf::Document::load(std::string(reinterpret_cast<const char*>(data), size));
  if (!doc) return 0;
  volatile std::size_t sink = 0;
  (void)doc->catalog();
  sink = sink + walk(*doc, Object::dictionary(doc->trailer().entries()));
  for (const auto& object : doc->objects()) {
    sink = sink + walk(*doc, object.object);
    if (const auto* stream = object.object.stream()) {
      const auto decoded = doc->decode(*stream);
      sink = sink + (decoded ? decoded->size() : decoded.error().partial.size());
      const auto plain = doc->plain_content(*stream);
      sink = sink + (plain ? plain->size() : 0);
      const auto prefix = doc->decode_prefix(*stream, 16);
      sink = sink + (prefix ? prefix->size() : 0);
    }
  }
  return 0;
}
