// Applies the filters a stream's /Filter entry lists, in order, with their /DecodeParms.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "pdf/filters/filters.h"
#include "pdf/object.h"

namespace quorvel::pdf {

// Follows a reference to the value it names; returns any other value unchanged. Returns null
// for a reference that leads nowhere.
using ValueResolver = std::function<Object(const Object&)>;

// True when the stream dictionary's /Filter names at least one filter (a name, or an array
// holding a name).
bool names_a_filter(const Dictionary& stream_dict, const ValueResolver& resolve);

// Decodes `data` through the filters of `stream_dict`: FlateDecode and LZWDecode (with their
// predictors), ASCII85Decode, ASCIIHexDecode and RunLengthDecode, under their full or short
// names. A /Crypt filter passes the bytes on unchanged: decryption already happened when the
// document was loaded. An empty /Filter array gives the bytes unchanged.
//
// Fails when there is no /Filter, when it is not a name or an array of names, when it lists any
// other filter or more than the bound allows, or when a filter fails or would produce more than
// `max_out` bytes (filters before the last one are bound by `max_intermediate`, which defaults
// to `max_out`). On failure `partial` holds the most decoded bytes there are: the failing
// filter's partial output, or, when it has none, the complete output of the filter before it.
DecodeResult decode_filters(std::string_view data, const Dictionary& stream_dict,
                            const ValueResolver& resolve, std::size_t max_out,
                            std::size_t max_intermediate = 0);

}  // namespace quorvel::pdf
