// Finding and binding the PDF engine (Pdfium), once per process.
#pragma once

#include <expected>
#include <filesystem>
#include <string>

namespace quorvel {

class Pdfium;

// Why the engine could not be bound.
struct PdfiumLoadError {
  enum class Kind {
    // The dynamic loader could not open the library file.
    library_open_failed,
    // The library lacks one of the engine functions the verifier uses.
    function_missing,
  };
  Kind kind;
  // The library file that was tried.
  std::filesystem::path library_path;
  // For `function_missing`: the function's name; empty otherwise.
  std::string function;
  // The dynamic loader's own message, when it gave one.
  std::string loader_message;

  // "couldn't open the engine library <path>: <loader message>" and the like.
  std::string describe() const;
};

// The directory that should hold the engine library, searched in this order:
//  1. $QUORVEL_PDFIUM_DIR, when it is valid UTF-8 and names an existing path (the library file
//     itself is not looked for, so a directory without it makes binding fail);
//  2. the running executable's directory and its neighbours "../Frameworks", "../Resources/lib"
//     and "lib", the first that holds the library file;
//  3. the vendor folder of the source tree the program was built from, if it exists;
//  4. otherwise that same folder formed from the package directory, unchecked.
// Never fails and never returns an empty path.
std::filesystem::path pdfium_lib_dir();

// Binds the engine for the rest of the process: opens the library in `pdfium_lib_dir()`,
// resolves every engine function the verifier uses and initialises the engine once. A call
// after a successful one binds nothing again and returns a handle at once; a failed call leaves
// the process unbound, so a later call tries again.
//
// Stops the process with exit status 101 when the engine directory is not valid UTF-8; this is
// the one place where the library ends the process.
//
// Call it from one thread before any other engine use; the engine is never released.
std::expected<Pdfium, PdfiumLoadError> bind_pdfium();

// A handle standing for the process's one engine binding. It holds nothing of its own; only
// `bind_pdfium` makes one, so holding a handle proves that the engine is bound.
class Pdfium {
 public:
  Pdfium(const Pdfium&) = default;
  Pdfium& operator=(const Pdfium&) = default;

 private:
  Pdfium() = default;
  friend std::expected<Pdfium, PdfiumLoadError> bind_pdfium();
};

}  // namespace quorvel
