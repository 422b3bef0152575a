#include "pdf/revisions.h"

#include <algorithm>

namespace quorvel::pdf {
namespace {

constexpr std::string_view kEof = "%%EOF";
constexpr std::string_view kStartxref = "startxref";
// How far before "%%EOF" its "startxref" may stand: the keyword, an offset and line ends.
constexpr std::size_t kStartxrefReach = 64;

// The end of the first "%%EOF" line at or after `from`, its line end included; npos when there
// is none.
std::size_t end_of_eof_line(std::string_view bytes, std::size_t from) {
  const std::size_t at = bytes.find(kEof, from);
  if (at == std::string_view::npos) return at;
  std::size_t end = at + kEof.size();
  if (end < bytes.size() && bytes[end] == '\r') ++end;
  if (end < bytes.size() && bytes[end] == '\n') ++end;
  return end;
}

std::vector<std::size_t> ends_from_chain(std::span<const XrefSection> sections,
                                         std::string_view bytes) {
  std::vector<std::size_t> ends;
  if (sections.empty()) return ends;
  const std::size_t newest_end = end_of_eof_line(bytes, sections.front().offset);
  // sections[0] is the newest; sections[i + 1 ...] are older than sections[i].
  for (std::size_t i = 1; i < sections.size(); ++i) {
    const std::size_t end = end_of_eof_line(bytes, sections[i].offset);
    if (end == std::string_view::npos || end >= newest_end) continue;
    const bool holds_older =
        std::all_of(sections.begin() + static_cast<std::ptrdiff_t>(i) + 1, sections.end(),
                    [&](const XrefSection& s) { return s.offset < end; });
    if (holds_older) ends.push_back(end);
  }
  std::ranges::sort(ends);
  ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
  return ends;
}

std::vector<std::size_t> ends_from_scan(std::string_view bytes) {
  std::vector<std::size_t> ends;
  for (std::size_t at = bytes.find(kEof); at != std::string_view::npos;
       at = bytes.find(kEof, at + kEof.size())) {
    const std::size_t window = std::min(at, kStartxrefReach);
    if (bytes.substr(at - window, window).find(kStartxref) == std::string_view::npos) continue;
    ends.push_back(end_of_eof_line(bytes, at));
  }
  // The last one ends the newest revision.
  if (!ends.empty()) ends.pop_back();
  return ends;
}

}  // namespace

std::vector<std::size_t> earlier_revision_ends(const Document& document, std::string_view bytes) {
  return document.reconstructed() ? ends_from_scan(bytes)
                                  : ends_from_chain(document.xref_sections(), bytes);
}

}  // namespace quorvel::pdf
