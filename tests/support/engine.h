// The real engine, bound once for the whole test process.
#pragma once

#include <stdexcept>

#include "quorvel/pdfium.h"

namespace quorvel::testing {

// Binds the engine on first use; throws when it cannot be bound, which fails the test.
inline Pdfium engine() {
  static const auto bound = bind_pdfium();
  if (!bound) throw std::runtime_error(bound.error().describe());
  return *bound;
}

}  // namespace quorvel::testing
