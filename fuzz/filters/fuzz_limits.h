// Shared by the filter fuzz targets: an output limit taken from the input, and the check that a
// decoder kept to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pdf/filters/filters.h"

namespace quorvel::fuzz {

// The first byte picks a limit from 0 to 1 MiB (small ones often, to reach the limit paths); the
// rest is the filter's input.
inline std::size_t take_limit(std::string_view& data) {
  if (data.empty()) return 0;
  const auto b = static_cast<std::uint8_t>(data[0]);
  data.remove_prefix(1);
  return b < 128 ? b : std::size_t{1} << (b % 21);
}

inline void check_limit(const quorvel::pdf::DecodeResult& r, std::size_t max_out) {
  const std::size_t size = r ? r->size() : r.error().partial.size();
  if (size > max_out) std::abort();
}

inline std::string_view as_view(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace quorvel::fuzz
