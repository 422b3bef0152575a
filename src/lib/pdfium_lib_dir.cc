// Where the engine library is looked for.
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "lib/executable_path.h"
#include "quorvel/pdfium.h"
#include "quorvel_build_config.h"
#include "text/unicode.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

// Whether the file system can report the path's status, following symbolic links; a path that
// cannot be examined counts as absent.
bool path_exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// Beside the executable, then where an application bundle keeps its libraries.
constexpr std::string_view kExecutableNeighbours[] = {"", "../Frameworks", "../Resources/lib",
                                                      "lib"};

}  // namespace

fs::path pdfium_lib_dir() {
  if (const char* value = std::getenv("QUORVEL_PDFIUM_DIR")) {
    const std::string_view dir(value);
    if (!dir.empty() && text::is_valid_utf8(dir) && path_exists(fs::path(dir)))
      return fs::path(dir);
  }

  if (const auto executable = engine::executable_path()) {
    const fs::path parent = executable->parent_path();
    if (!parent.empty()) {
      for (const std::string_view neighbour : kExecutableNeighbours) {
        fs::path candidate = neighbour.empty() ? parent : parent / neighbour;
        if (path_exists(candidate / build::kEngineFileName)) return candidate;
      }
    }
  }

  const fs::path vendor(build::kVendorEngineDir);
  if (path_exists(vendor)) return vendor;
  return fs::path(build::kPackageDir) / ".." / "vendor" / "pdfium" / build::kEnginePlatform / "lib";
}

}  // namespace quorvel
