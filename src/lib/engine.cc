#include "lib/engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "resource_limits.h"
#include "text/unicode.h"

namespace quorvel::engine {
namespace {

// `units` without trailing NULs, or empty when it holds an unpaired surrogate.
std::u16string strict_utf16(std::u16string units) {
  while (!units.empty() && units.back() == u'\0') units.pop_back();
  if (!text::is_valid_utf16(units)) return {};
  return units;
}

// Reads a UTF-16LE value through one of the engine's two-step readers: `read(nullptr, 0)`
// gives the byte length with its two-byte terminator, `read(buffer, length)` fills it.
template <typename Read>
std::u16string read_utf16_value(Read read) {
  const unsigned long length = read(nullptr, 0);
  if (length < 3 || length % 2 != 0 || length > limits::kMaxEngineValueBytes) return {};
  std::u16string units(length / 2, u'\0');
  if (read(units.data(), length) != length) return {};
  return strict_utf16(std::move(units));
}

OpenError::Kind engine_error_kind(unsigned long code) {
  switch (code) {
    case kErrorFile:
      return OpenError::Kind::file;
    case kErrorFormat:
      return OpenError::Kind::format;
    case kErrorPassword:
      return OpenError::Kind::password;
    case kErrorSecurity:
      return OpenError::Kind::security;
    case kErrorPage:
      return OpenError::Kind::page;
    default:
      return OpenError::Kind::unknown;
  }
}

OpenError system_error(int code) {
  return OpenError{.kind = OpenError::Kind::system,
                   .system_error = std::error_code(code, std::system_category())};
}

}  // namespace

std::string OpenError::describe() const {
  switch (kind) {
    case Kind::unknown:
      return "unknown";
    case Kind::file:
      return "file";
    case Kind::format:
      return "format";
    case Kind::password:
      return "password";
    case Kind::security:
      return "security";
    case Kind::page:
      return "page";
    case Kind::system:
      return system_error.message();
  }
  return "unknown";
}

void ClosePage::operator()(FPDF_PAGE page) const { pdfium_api().FPDF_ClosePage(page); }
void CloseTextPage::operator()(FPDF_TEXTPAGE text_page) const {
  pdfium_api().FPDFText_ClosePage(text_page);
}
void CloseAnnotation::operator()(FPDF_ANNOTATION annotation) const {
  pdfium_api().FPDFPage_CloseAnnot(annotation);
}

// ---- TextPage

std::u16string TextPage::whole_text() const {
  const PdfiumApi& api = pdfium_api();
  const int count = api.FPDFText_CountChars(text_page_.get());
  if (count <= 0) return {};
  // Room for the terminator the engine appends.
  std::u16string units(static_cast<std::size_t>(count) + 1, u'\0');
  const int written = api.FPDFText_GetText(text_page_.get(), 0, count, units.data());
  if (written <= 0 || static_cast<std::size_t>(written) > units.size()) return {};
  units.resize(static_cast<std::size_t>(written));
  return strict_utf16(std::move(units));
}

// ---- Annotation

std::u16string Annotation::string_value(const char* key) const {
  const PdfiumApi& api = pdfium_api();
  FPDF_ANNOTATION annotation = annotation_.get();
  if (!api.FPDFAnnot_HasKey(annotation, key)) return {};
  if (api.FPDFAnnot_GetValueType(annotation, key) != kObjectString) return {};
  return read_utf16_value([&](char16_t* buffer, unsigned long bytes) {
    return api.FPDFAnnot_GetStringValue(annotation, key, buffer, bytes);
  });
}

std::string Annotation::link_uri() const {
  if (!is_link_) return {};
  const PdfiumApi& api = pdfium_api();
  FPDF_LINK link = api.FPDFAnnot_GetLink(annotation_.get());
  if (link == nullptr) return {};
  FPDF_ACTION action = api.FPDFLink_GetAction(link);
  if (action == nullptr || api.FPDFAction_GetType(action) != kActionUri) return {};

  const unsigned long length = api.FPDFAction_GetURIPath(document_, action, nullptr, 0);
  if (length == 0 || length > limits::kMaxEngineValueBytes) return {};
  std::string bytes(length, '\0');
  if (api.FPDFAction_GetURIPath(document_, action, bytes.data(), length) != length) return {};
  // The terminator must be the only NUL: an earlier one would cut the address short.
  if (bytes.find('\0') != length - 1) return {};
  bytes.pop_back();
  if (!text::is_valid_utf8(bytes)) return {};
  return bytes;
}

// ---- Page

std::optional<TextPage> Page::load_text() const {
  FPDF_TEXTPAGE text_page = pdfium_api().FPDFText_LoadPage(page_.get());
  if (text_page == nullptr) return std::nullopt;
  return TextPage(text_page);
}

std::string Page::label() const {
  const std::u16string label = read_utf16_value([&](char16_t* buffer, unsigned long bytes) {
    return pdfium_api().FPDF_GetPageLabel(document_, index_, buffer, bytes);
  });
  return text::utf16_to_utf8(label).value_or("");
}

int Page::annotation_count() const {
  return std::max(0, pdfium_api().FPDFPage_GetAnnotCount(page_.get()));
}

std::optional<Annotation> Page::annotation(int index) const {
  const PdfiumApi& api = pdfium_api();
  FPDF_ANNOTATION annotation = api.FPDFPage_GetAnnot(page_.get(), index);
  if (annotation == nullptr) return std::nullopt;
  const int subtype = api.FPDFAnnot_GetSubtype(annotation);
  // A widget of a form document is also a field of its form. Its field type is asked for as
  // part of reading the annotation; nothing depends on the answer.
  if (subtype == kAnnotWidget && form_ != nullptr)
    api.FPDFAnnot_GetFormFieldType(form_, annotation);
  return Annotation(annotation, document_, subtype == kAnnotLink);
}

// ---- Document

struct Document::State {
  int fd = -1;
  std::vector<ByteRange> blanked;
  FPDF_FILEACCESS file_access{};
  FPDF_FORMFILLINFO form_info{};
  FPDF_DOCUMENT document = nullptr;
  FPDF_FORMHANDLE form = nullptr;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (form != nullptr) pdfium_api().FPDFDOC_ExitFormFillEnvironment(form);
    if (document != nullptr) pdfium_api().FPDF_CloseDocument(document);
    if (fd >= 0) ::close(fd);
  }

  // The engine's block reader: all of [position, position + size) or failure.
  static int read_block(void* param, unsigned long position, unsigned char* buffer,
                        unsigned long size) {
    const auto& state = *static_cast<const State*>(param);
    const unsigned long length = state.file_access.m_FileLen;
    if (position > length || size > length - position) return 0;
    const unsigned long start = position;
    unsigned char* const block = buffer;
    const unsigned long block_size = size;
    while (size > 0) {
      const std::size_t chunk = std::min<unsigned long>(size, SSIZE_MAX);
      const ssize_t got = ::pread(state.fd, buffer, chunk, static_cast<off_t>(position));
      if (got < 0 && errno == EINTR) continue;
      // A file that shrank since it was opened ends the read.
      if (got <= 0) return 0;
      buffer += got;
      position += static_cast<unsigned long>(got);
      size -= static_cast<unsigned long>(got);
    }
    for (const ByteRange& range : state.blanked) {
      const std::uint64_t from = std::max<std::uint64_t>(range.offset, start);
      const std::uint64_t to =
          std::min<std::uint64_t>(range.offset + range.length, start + block_size);
      if (from < to) std::memset(block + (from - start), ' ', to - from);
    }
    return 1;
  }
};

Document::Document(std::unique_ptr<State> state) : state_(std::move(state)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

std::expected<Document, OpenError> Document::open(Pdfium /*engine*/,
                                                  const std::filesystem::path& path,
                                                  std::optional<std::uint64_t> byte_limit,
                                                  std::span<const ByteRange> blanked) {
  auto state = std::make_unique<State>();
  state->blanked.assign(blanked.begin(), blanked.end());
  // Non-blocking, so that a FIFO named by the path cannot stall the open; reads of a regular
  // file are not affected.
  state->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (state->fd < 0) return std::unexpected(system_error(errno));
  struct stat status {};
  if (::fstat(state->fd, &status) != 0) return std::unexpected(system_error(errno));
  if (S_ISDIR(status.st_mode)) return std::unexpected(system_error(EISDIR));
  if (!S_ISREG(status.st_mode)) return std::unexpected(system_error(EINVAL));

  std::uint64_t length = static_cast<std::uint64_t>(status.st_size);
  if (byte_limit) length = std::min(length, *byte_limit);
  state->file_access = FPDF_FILEACCESS{.m_FileLen = static_cast<unsigned long>(length),
                                       .m_GetBlock = &State::read_block,
                                       .m_Param = state.get()};

  const PdfiumApi& api = pdfium_api();
  state->document = api.FPDF_LoadCustomDocument(&state->file_access, nullptr);
  if (state->document == nullptr) {
    return std::unexpected(
        OpenError{.kind = engine_error_kind(api.FPDF_GetLastError()), .system_error = {}});
  }

  // Opened the way a viewer opens a document: with its form environment, and with its Info
  // dictionary read once. Only widget annotations of form documents use the environment.
  state->form_info.version = 1;
  state->form = api.FPDFDOC_InitFormFillEnvironment(state->document, &state->form_info);
  if (state->form != nullptr && api.FPDF_GetFormType(state->document) == kFormTypeNone) {
    api.FPDFDOC_ExitFormFillEnvironment(state->form);
    state->form = nullptr;
  }
  api.FPDF_GetMetaText(state->document, "Producer", nullptr, 0);
  return Document(std::move(state));
}

int Document::page_count() const {
  return std::max(0, pdfium_api().FPDF_GetPageCount(state_->document));
}

std::optional<Page> Document::load_page(int index) const {
  const PdfiumApi& api = pdfium_api();
  if (index < 0 || index >= api.FPDF_GetPageCount(state_->document)) return std::nullopt;
  FPDF_PAGE page = api.FPDF_LoadPage(state_->document, index);
  if (page == nullptr) return std::nullopt;
  return Page(page, state_->document, state_->form, index);
}

}  // namespace quorvel::engine
