// Reading the saved file for the object reader.
#pragma once

#include <expected>
#include <filesystem>
#include <memory>
#include <string>

namespace quorvel::verify {

// The whole file, or the operating system's description of why it cannot be read. Files larger
// than the object reader handles are refused rather than read.
std::expected<std::shared_ptr<const std::string>, std::string> read_file_bytes(
    const std::filesystem::path& path);

}  // namespace quorvel::verify
