// The running executable's path as the operating system reports it.
#pragma once

#include <filesystem>
#include <optional>

namespace quorvel::engine {

// The path of the running executable, symbolic links in it left as the system reports them;
// nothing when the system does not say.
std::optional<std::filesystem::path> executable_path();

}  // namespace quorvel::engine
