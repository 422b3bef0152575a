// What the filter sources share: the failure for output past the caller's limit, growing a string
// without zero-filling bytes that are about to be overwritten, and the PDF white-space set.
#pragma once

#include <algorithm>
#include <string>

#include "pdf/filters/filters.h"

namespace quorvel::pdf::detail {

inline DecodeFailure output_limit_failure(std::string partial, std::size_t max_out) {
  return {"decoded data exceeds the limit of " + std::to_string(max_out) + " bytes",
          std::move(partial)};
}

// Sets the size of `s` to `n`; bytes past the old size are left for the caller to write. The
// buffer grows to exactly `n` bytes (a plain resize may double it), so that an output limit
// bounds the memory too.
inline void resize_for_overwrite(std::string& s, std::size_t n) {
  if (n > s.capacity()) {
    std::string grown;
    grown.reserve(n);
    grown.append(s);
    s.swap(grown);
  }
  s.resize_and_overwrite(n, [](char*, std::size_t size) { return size; });
}

// Makes room in `s` for `extra` more bytes, growing geometrically but never past `max_out` bytes
// in all (a plain append may double the buffer). The caller has checked that the bytes fit.
inline void reserve_within_limit(std::string& s, std::size_t extra, std::size_t max_out) {
  const std::size_t needed = s.size() + extra;
  if (needed <= s.capacity()) return;
  std::string grown;
  grown.reserve(std::min(max_out, std::max(needed, 2 * s.capacity())));
  grown.append(s);
  s.swap(grown);
}

// The six white-space characters of PDF syntax.
inline bool is_pdf_white_space(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

}  // namespace quorvel::pdf::detail
