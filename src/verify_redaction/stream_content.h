// What the object passes search of a stream.
#pragma once

#include <string>
#include <string_view>

#include "pdf/document.h"

namespace quorvel::verify {

// A stream's decoded content or, when it does not decode, its stored bytes together with
// whatever did decode before the failure (the inflated prefix of a damaged Flate stream): a
// term in either is a term a tool can recover from the file.
struct StreamContent {
  std::string decoded;      // the content, or the partial output of a failed decode
  std::string_view stored;  // the stored bytes when the decode failed; empty otherwise

  bool empty() const { return decoded.empty() && stored.empty(); }
};

// The decoded content (`Document::decode`) or, on failure, the stored bytes and the partial
// output.
StreamContent decoded_or_stored(const pdf::Document& document, const pdf::Stream& stream);

}  // namespace quorvel::verify
