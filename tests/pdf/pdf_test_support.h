// Helpers shared by the object reader's tests: loading fixtures and writing values as one-line
// text so that a case reads as a single comparison.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "pdf/document.h"

namespace quorvel::pdf::testing {

// A value as PDF-like text: 1 2.5 true null /Name (str) [a b] <</K v>> 3 0 R stream<<...>>.
// String and name bytes outside printable ASCII are written \xNN.
std::string describe(const Object& value);

// The document the template text expands to; fails the test when it does not load.
Document load_template(std::string_view pdf_template);

// The object `num` 0 as text, or "absent".
std::string describe_object(const Document& doc, std::uint32_t num, std::uint16_t gen = 0);

// Runs `qpdf` with `args` (a shell-quoted argument string); true when it exits 0 or 3 (warnings).
bool run_qpdf(const std::string& args);

// Reads a sample PDF of the repository (path relative to its root).
std::string read_repo_file(std::string_view relative);

}  // namespace quorvel::pdf::testing
