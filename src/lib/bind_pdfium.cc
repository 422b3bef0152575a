// Binding the engine once per process.
#include <dlfcn.h>
#include <fmt/format.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "lib/pdfium_api.h"
#include "quorvel/pdfium.h"
#include "quorvel_build_config.h"
#include "text/unicode.h"

namespace quorvel {
namespace {

// The opened library and its functions. Filled once and never released: the engine keeps
// global state that must outlive every document, so it is neither shut down nor unloaded.
struct Bindings {
  void* library = nullptr;
  engine::PdfiumApi api{};
};

// The process's one binding, published once complete; readable from any thread after that.
std::atomic<const Bindings*> bindings_slot{nullptr};
// Keeps two first calls from loading and initialising the engine twice.
std::mutex bind_mutex;

std::string loader_message() {
  const char* message = ::dlerror();
  return message ? message : "";
}

// Looks `name` up in `library` and stores it in `slot`; on failure records what was missing.
template <typename Function>
bool resolve(void* library, const char* name, Function& slot, PdfiumLoadError& error) {
  ::dlerror();
  void* symbol = ::dlsym(library, name);
  if (symbol == nullptr) {
    error.function = name;
    error.loader_message = loader_message();
    return false;
  }
  slot = reinterpret_cast<Function>(symbol);
  return true;
}

// Resolves every engine function; false, with `error` filled in, at the first one missing.
bool resolve_all(void* library, engine::PdfiumApi& api, PdfiumLoadError& error) {
#define QUORVEL_RESOLVE(name) resolve(library, #name, api.name, error)
  return QUORVEL_RESOLVE(FPDF_InitLibrary) && QUORVEL_RESOLVE(FPDF_LoadCustomDocument) &&
         QUORVEL_RESOLVE(FPDF_GetLastError) && QUORVEL_RESOLVE(FPDFDOC_InitFormFillEnvironment) &&
         QUORVEL_RESOLVE(FPDFDOC_ExitFormFillEnvironment) && QUORVEL_RESOLVE(FPDF_GetFormType) &&
         QUORVEL_RESOLVE(FPDF_GetMetaText) && QUORVEL_RESOLVE(FPDF_GetPageCount) &&
         QUORVEL_RESOLVE(FPDF_LoadPage) && QUORVEL_RESOLVE(FPDF_GetPageLabel) &&
         QUORVEL_RESOLVE(FPDFText_LoadPage) && QUORVEL_RESOLVE(FPDF_GetPageHeightF) &&
         QUORVEL_RESOLVE(FPDF_GetPageWidthF) && QUORVEL_RESOLVE(FPDFText_GetBoundedText) &&
         QUORVEL_RESOLVE(FPDFText_CountChars) && QUORVEL_RESOLVE(FPDFText_GetText) &&
         QUORVEL_RESOLVE(FPDFPage_GetAnnotCount) && QUORVEL_RESOLVE(FPDFPage_GetAnnot) &&
         QUORVEL_RESOLVE(FPDFAnnot_GetSubtype) && QUORVEL_RESOLVE(FPDFAnnot_GetFormFieldType) &&
         QUORVEL_RESOLVE(FPDFAnnot_HasKey) && QUORVEL_RESOLVE(FPDFAnnot_GetValueType) &&
         QUORVEL_RESOLVE(FPDFAnnot_GetStringValue) && QUORVEL_RESOLVE(FPDFAnnot_GetLink) &&
         QUORVEL_RESOLVE(FPDFLink_GetAction) && QUORVEL_RESOLVE(FPDFAction_GetType) &&
         QUORVEL_RESOLVE(FPDFAction_GetURIPath) && QUORVEL_RESOLVE(FPDFText_ClosePage) &&
         QUORVEL_RESOLVE(FPDFPage_CloseAnnot) && QUORVEL_RESOLVE(FPDF_ClosePage) &&
         QUORVEL_RESOLVE(FPDF_CloseDocument);
#undef QUORVEL_RESOLVE
}

}  // namespace

std::string PdfiumLoadError::describe() const {
  switch (kind) {
    case Kind::library_open_failed:
      return fmt::format("couldn't open the engine library {}: {}",
                         text::utf8_with_replacement(library_path.native()), loader_message);
    case Kind::function_missing:
      return fmt::format("the engine library {} lacks the function {}: {}",
                         text::utf8_with_replacement(library_path.native()), function,
                         loader_message);
  }
  return "engine load error";
}

std::expected<Pdfium, PdfiumLoadError> bind_pdfium() {
  const std::filesystem::path dir = pdfium_lib_dir();
  if (!text::is_valid_utf8(dir.native())) {
    std::fputs("pdfium directory path is not valid UTF-8\n", stderr);
    std::exit(101);
  }
  const std::filesystem::path library_path = dir / build::kEngineFileName;

  const std::lock_guard lock(bind_mutex);
  if (bindings_slot.load(std::memory_order_acquire) != nullptr) return Pdfium();

  ::dlerror();
  void* library = ::dlopen(library_path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (library == nullptr) {
    return std::unexpected(PdfiumLoadError{.kind = PdfiumLoadError::Kind::library_open_failed,
                                           .library_path = library_path,
                                           .function = {},
                                           .loader_message = loader_message()});
  }

  auto bindings = std::make_unique<Bindings>();
  bindings->library = library;
  PdfiumLoadError error{.kind = PdfiumLoadError::Kind::function_missing,
                        .library_path = library_path,
                        .function = {},
                        .loader_message = {}};
  if (!resolve_all(library, bindings->api, error)) {
    ::dlclose(library);
    return std::unexpected(std::move(error));
  }

  bindings->api.FPDF_InitLibrary();
  bindings_slot.store(bindings.release(), std::memory_order_release);
  return Pdfium();
}

namespace engine {

const PdfiumApi& pdfium_api() { return bindings_slot.load(std::memory_order_acquire)->api; }

}  // namespace engine
}  // namespace quorvel
