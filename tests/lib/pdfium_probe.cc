// A test probe for the engine binding. It runs its arguments as steps and prints one line per
// step, so that a test can copy it into a layout of its own and read what it found:
//   dir             "dir: <pdfium_lib_dir()>"
//   bind            "bind: ok", "bind: library_open_failed: <description>" or
//                   "bind: function_missing <function>: <description>"
//   copy FROM TO    copies a file (to put a library in place between two binds); "copy: ok"
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "quorvel/pdfium.h"

namespace {

void print_line(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string kind_name(quorvel::PdfiumLoadError::Kind kind) {
  switch (kind) {
    case quorvel::PdfiumLoadError::Kind::library_open_failed:
      return "library_open_failed";
    case quorvel::PdfiumLoadError::Kind::function_missing:
      return "function_missing";
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view step = argv[i];
    if (step == "dir") {
      print_line("dir: " + quorvel::pdfium_lib_dir().string());
    } else if (step == "bind") {
      const auto bound = quorvel::bind_pdfium();
      if (bound) {
        print_line("bind: ok");
      } else {
        const quorvel::PdfiumLoadError& error = bound.error();
        const std::string function = error.function.empty() ? "" : " " + error.function;
        print_line("bind: " + kind_name(error.kind) + function + ": " + error.describe());
      }
    } else if (step == "copy" && i + 2 < argc) {
      std::error_code ec;
      std::filesystem::copy_file(argv[i + 1], argv[i + 2],
                                 std::filesystem::copy_options::overwrite_existing, ec);
      print_line(ec ? "copy: " + ec.message() : "copy: ok");
      i += 2;
    } else {
      print_line("unknown step " + std::string(step));
      return 2;
    }
  }
  return 0;
}
