// The objects stored inside an object stream (/Type /ObjStm).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "pdf/filter_chain.h"
#include "pdf/object.h"
#include "pdf/object_reader.h"

namespace quorvel::pdf {

struct CompressedObject {
  std::uint32_t num;
  Object value;
};

// Reads the /N pairs of object number and offset that open the decoded stream `decoded`, then
// the object at /First plus each offset, in the order of the pairs. Pairs past the end of the
// data, with an offset outside it or an object number out of range, are skipped. The values'
// bytes point into `decoded`, which must live as long as they are used.
std::vector<CompressedObject> parse_object_stream(ObjectReader& reader, std::string_view decoded,
                                                  const Dictionary& stream_dict,
                                                  const ValueResolver& resolve);

}  // namespace quorvel::pdf
