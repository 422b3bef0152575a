#include "lib/executable_path.h"

#include <string>

#if defined(__APPLE__)
#include <mach-o/dyld.h>

#include <cstdint>
#else
#include <linux/limits.h>
#include <unistd.h>
#endif

namespace quorvel::engine {

#if defined(__APPLE__)

std::optional<std::filesystem::path> executable_path() {
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string buffer(size, '\0');
  if (size == 0 || _NSGetExecutablePath(buffer.data(), &size) != 0) return std::nullopt;
  buffer.resize(buffer.find('\0'));
  return std::filesystem::path(buffer);
}

#else

std::optional<std::filesystem::path> executable_path() {
  // The link's text as the kernel gives it, taken as it is and not resolved any further.
  std::string buffer(PATH_MAX + 1, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(length));
  return std::filesystem::path(buffer);
}

#endif

}  // namespace quorvel::engine
