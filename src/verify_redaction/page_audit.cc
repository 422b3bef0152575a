// The engine half of the page content audit: everything is read into plain records on the
// calling thread, and the document is closed before any matching starts.
#include "verify_redaction/page_audit.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "lib/engine.h"
#include "resource_limits.h"
#include "text/unicode.h"
#include "verify_redaction/engine_guard.h"

namespace quorvel::verify {
namespace {

// The annotation entries whose string values the engine reads, in the order they are stored.
constexpr std::array<const char*, 3> kAnnotationStringKeys = {"Contents", "T", "NM"};
constexpr std::string_view kLinkUriKey = "A/URI";

void read_annotation_fields(const engine::Page& page, std::vector<AnnotField>& fields) {
  const int count = page.annotation_count();
  for (int j = 0; j < count; ++j) {
    const auto annotation = page.annotation(j);
    if (!annotation) continue;
    const auto index = static_cast<std::uint64_t>(j);
    for (const char* key : kAnnotationStringKeys) {
      const std::u16string value = annotation->string_value(key);
      if (!value.empty()) fields.push_back({text::to_lower(value), key, index});
    }
    if (annotation->is_link()) {
      const std::string uri = annotation->link_uri();
      if (!uri.empty()) fields.push_back({text::to_lower(uri), kLinkUriKey, index});
    }
  }
}

}  // namespace

std::expected<std::vector<PerPageData>, std::string> extract_page_data(
    Pdfium engine, const std::filesystem::path& path, std::optional<std::uint64_t> byte_limit) {
  auto document = open_guarded(engine, path, byte_limit);
  if (!document) return std::unexpected(document.error().describe());

  const int page_count = std::min(document->page_count(), limits::kMaxEnginePages);
  std::vector<PerPageData> pages;
  pages.reserve(page_count > 0 ? static_cast<std::size_t>(page_count) : 0);
  // The engine frees a page's fonts when the page closes, so the next page would parse them
  // again; keeping the previous page open until the next one is loaded avoids that at the cost
  // of holding two pages at once.
  std::optional<engine::Page> previous;
  for (int i = 0; i < page_count; ++i) {
    std::optional<engine::Page> page = document->load_page(i);
    previous.reset();
    if (!page) continue;

    PerPageData data;
    data.page_number = static_cast<std::uint64_t>(i) + 1;
    if (const auto text_page = page->load_text())
      data.text = text::to_lower(text_page->whole_text());
    read_annotation_fields(*page, data.annot_fields);
    pages.push_back(std::move(data));
    previous = std::move(page);
  }
  return pages;
}

}  // namespace quorvel::verify
