#include "fuzz_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in = quorvel::fuzz::as_view(data, size);
  const std::size_t max_out = quorvel::fuzz::take_limit(in);
  const int early_change = !in.empty() && (in[0] & 1) ? 1 : 0;
  if (!in.empty()) in.remove_prefix(1);
  quorvel::fuzz::check_limit(quorvel::pdf::lzw_decode(in, early_change, max_out), max_out);
  return 0;
}
