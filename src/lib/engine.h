// The engine's documents, pages, page texts and annotations as owning values. This is the only
// code that calls the engine; everything it returns is plain data the caller owns.
//
// Every engine object is released by its wrapper's destructor. Release them in reverse order of
// opening: annotations and text pages before their page, pages before their document. Pages of
// one document are independent of each other, so a page may stay open while the next is loaded.
// All calls must come from the thread that runs the verification; the engine is not thread safe.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>

#include "lib/pdfium_api.h"
#include "quorvel/pdfium.h"

namespace quorvel::engine {

// Why a document could not be opened.
struct OpenError {
  enum class Kind {
    // Reported by the engine.
    unknown,
    file,
    format,
    password,
    security,
    page,
    // The file itself could not be opened or examined; see `system_error`.
    system,
  };
  Kind kind = Kind::unknown;
  std::error_code system_error;

  // The engine's kind name ("format", "password", ...) or the system error's text.
  std::string describe() const;
};

// Closers for the handles the wrappers own.
struct ClosePage {
  void operator()(FPDF_PAGE page) const;
};
struct CloseTextPage {
  void operator()(FPDF_TEXTPAGE text_page) const;
};
struct CloseAnnotation {
  void operator()(FPDF_ANNOTATION annotation) const;
};

// The text layer of one page.
class TextPage {
 public:
  // Every character of the page in the engine's reading order, as UTF-16 code units, including
  // text drawn outside the page's visible box. Trailing NULs are dropped. Empty when the page
  // has no text, when the engine fails, or when its text has an unpaired surrogate.
  std::u16string whole_text() const;

 private:
  friend class Page;
  explicit TextPage(FPDF_TEXTPAGE text_page) : text_page_(text_page) {}
  std::unique_ptr<TextPageObject, CloseTextPage> text_page_;
};

// One annotation of a page.
class Annotation {
 public:
  // Whether its subtype is Link.
  bool is_link() const { return is_link_; }

  // The string value of the annotation dictionary's entry `key` (a NUL-terminated name such as
  // "Contents", "T" or "NM"), as UTF-16 code units without trailing NULs. Empty when the entry
  // is absent, is not a string, is empty, or does not decode as UTF-16.
  std::u16string string_value(const char* key) const;

  // For a link whose action is a URI action: the URI, which must be UTF-8 with no NUL in it.
  // Empty for every other annotation, action or value.
  std::string link_uri() const;

 private:
  friend class Page;
  Annotation(FPDF_ANNOTATION annotation, FPDF_DOCUMENT document, bool is_link)
      : annotation_(annotation), document_(document), is_link_(is_link) {}
  std::unique_ptr<AnnotationObject, CloseAnnotation> annotation_;
  FPDF_DOCUMENT document_;
  bool is_link_;
};

// One loaded page.
class Page {
 public:
  // The page's label ("iv", "A-3"), UTF-8; empty when the document gives none. The engine
  // computes it at each call, at a cost that grows with the document (on a 2,415-page manual,
  // half of what loading every page's text costs), so it is read only when asked for.
  std::string label() const;

  // The page's text layer, or nothing when the engine cannot build it.
  std::optional<TextPage> load_text() const;

  // How many annotations the page has; 0 when the engine cannot tell.
  int annotation_count() const;

  // Annotation `index` (0 to annotation_count() - 1), or nothing when it cannot be had.
  std::optional<Annotation> annotation(int index) const;

 private:
  friend class Document;
  Page(FPDF_PAGE page, FPDF_DOCUMENT document, FPDF_FORMHANDLE form, int index)
      : page_(page), document_(document), form_(form), index_(index) {}
  std::unique_ptr<PageObject, ClosePage> page_;
  FPDF_DOCUMENT document_;
  FPDF_FORMHANDLE form_;
  int index_;
};

// Bytes [offset, offset + length) of a file.
struct ByteRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

// An open PDF document, read from its file on demand.
class Document {
 public:
  // Opens the PDF at `path` with no password. With `byte_limit`, the engine sees only the
  // file's first `byte_limit` bytes, as if the file ended there (an earlier revision of an
  // incrementally updated file, for instance). The engine reads every byte of the `blanked`
  // ranges as a space, whatever the file holds there. Fails with the engine's error kind, or
  // with the system error when the file cannot be opened or is not a regular file.
  static std::expected<Document, OpenError> open(
      Pdfium engine, const std::filesystem::path& path,
      std::optional<std::uint64_t> byte_limit = std::nullopt,
      std::span<const ByteRange> blanked = {});

  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();

  // Number of pages; pages are 0 to page_count() - 1.
  int page_count() const;

  // Page `index`, or nothing when the index is out of range or the engine cannot load it.
  std::optional<Page> load_page(int index) const;

 private:
  struct State;
  explicit Document(std::unique_ptr<State> state);
  // Heap-held: the engine keeps pointers to the file-access and form-fill records.
  std::unique_ptr<State> state_;
};

}  // namespace quorvel::engine
