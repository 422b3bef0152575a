// What a Document owns. Shared by the loader, which fills it, and the lookups, which read it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/arena.h"
#include "pdf/document.h"
#include "pdf/filter_chain.h"

namespace quorvel::pdf {

struct Document::State {
  std::shared_ptr<const std::string> file;
  std::string_view bytes;  // the loaded part of the file, from its header on
  std::size_t header_offset = 0;

  Arena arena;
  // Decoded object streams and decrypted stream data. A deque never moves its elements, so the
  // views into them stay valid.
  std::deque<std::string> buffers;

  std::vector<IndirectObject> objects;  // ascending identity
  Dictionary trailer;
  std::vector<XrefSection> sections;
  bool reconstructed = false;
  Encryption encryption = Encryption::none;

  // Decoded bytes charged against the per-file bound so far, perhaps with other documents.
  std::shared_ptr<DecodeBudget> budget;
};

// Decodes `stream` under the per-stream and per-file bounds: the first decode of a stream fixes
// its output bound and charges what it produced to `charged`; every later decode of the same
// stream reuses that bound and gives the same answer.
DecodeResult decode_bounded(const Stream& stream, const ValueResolver& resolve,
                            std::atomic<std::uint64_t>& charged);

}  // namespace quorvel::pdf
