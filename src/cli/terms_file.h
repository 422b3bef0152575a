// Reading a file of redacted terms: one term per line, UTF-8.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A terms file larger than this would give more patterns than the matcher's automaton may hold
// (64 MiB) anyway; refusing it early keeps a wrong path (a PDF, a disk image) from being read.
inline constexpr std::size_t kMaxTermsFileBytes = std::size_t{16} << 20;

// The lines of the file at `path` that hold more than white space, in file order, repeats kept
// (the verifier drops them). Line ends may be "\n" or "\r\n"; a UTF-8 byte-order mark at the
// start is dropped. Fails with "couldn't read terms file <path>: <reason>".
std::expected<std::vector<std::string>, std::string> read_terms_file(
    const std::filesystem::path& path);

}  // namespace quorvel::cli
