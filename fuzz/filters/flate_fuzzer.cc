#include "fuzz_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in = quorvel::fuzz::as_view(data, size);
  const std::size_t max_out = quorvel::fuzz::take_limit(in);
  quorvel::fuzz::check_limit(quorvel::pdf::flate_decode(in, max_out), max_out);
  return 0;
}
