#include "verify_redaction/stream_content.h"

namespace quorvel::verify {

StreamContent decoded_or_stored(const pdf::Document& document, const pdf::Stream& stream) {
  auto decoded = document.decode(stream);
  if (decoded) return {std::move(*decoded), {}};
  return {std::move(decoded.error().partial), stream.data};
}

}  // namespace quorvel::verify
