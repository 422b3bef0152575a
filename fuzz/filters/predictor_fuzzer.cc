#include <cstring>

#include "fuzz_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in = quorvel::fuzz::as_view(data, size);
  const std::size_t max_out = quorvel::fuzz::take_limit(in);
  // Four 32-bit parameters, taken as they come: absurd values must be rejected or handled.
  if (in.size() < 16) return 0;
  std::int32_t fields[4];
  std::memcpy(fields, in.data(), sizeof fields);
  in.remove_prefix(sizeof fields);
  // Mostly valid predictors, so that the row decoders get exercised.
  const int predictor = fields[0] % 2 == 0 ? 10 + (fields[0] & 0x7) : fields[0];
  const quorvel::pdf::PredictorParams p{predictor, fields[1] % 64, fields[2] % 32,
                                        (fields[3] & 1) ? fields[3] : fields[3] % 64};
  quorvel::fuzz::check_limit(quorvel::pdf::apply_predictor(in, p, max_out), max_out);
  return 0;
}
