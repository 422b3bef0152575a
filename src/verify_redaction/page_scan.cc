// The parallel half of the page content audit: matching page records that are already in
// memory. It never calls the engine.
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include "verify_redaction/labels.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/page_audit.h"

namespace quorvel::verify {
namespace {

// The engine ends each line with "\r\n" and, where a hyphen breaks a word at a line end, joins
// the two lines and puts U+FFFE in the hyphen's place. A reader sees "respon-" "dents" as one
// word and a phrase as running on across the line break, so the text is also searched in the
// forms a reader sees: lines joined by a space, the marked hyphen dropped or kept.
constexpr std::string_view kLineEndHyphen = "\xEF\xBF\xBE";

bool has_line_break(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// The bytes at which a reading form differs from the text: line ends and the marker's first byte.
bool may_differ(char c) { return c == '\r' || c == '\n' || c == kLineEndHyphen[0]; }

std::string reading_form(std::string_view text, std::string_view hyphen) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // Runs of text that stay as they are are copied whole: a page is mostly such runs.
    std::size_t end = i;
    while (end < text.size() && !may_differ(text[end])) ++end;
    out.append(text.substr(i, end - i));
    if (end == text.size()) break;
    i = end;
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += ' ';
      ++i;
    } else if (text.substr(i).starts_with(kLineEndHyphen)) {
      out += hyphen;
      i += kLineEndHyphen.size();
    } else {
      out += text[i];
      ++i;
    }
  }
  return out;
}

// How the page text is searched, decided once per scan from the needles.
struct TextForms {
  // Some needle spans words, so line breaks matter.
  bool phrase_needles = false;
  // Some needle holds a line break or the marker itself, so the text as given must be searched.
  bool literal_needles = false;
};

std::vector<std::uint8_t> body_text_mask(std::string_view text, const TextForms& forms,
                                         std::span<const Needle> needles,
                                         const match::AhoCorasick& matcher) {
  const bool hyphenated = text.find(kLineEndHyphen) != std::string_view::npos;
  if (!hyphenated && !(forms.phrase_needles && has_line_break(text)))
    return ac_hit_mask(matcher, text, needles.size());
  auto mask = ac_hit_mask(matcher, reading_form(text, ""), needles.size());
  const auto merge = [&](const std::vector<std::uint8_t>& more) {
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] |= more[i];
  };
  if (hyphenated) merge(ac_hit_mask(matcher, reading_form(text, "-"), needles.size()));
  if (forms.literal_needles) merge(ac_hit_mask(matcher, text, needles.size()));
  return mask;
}

PerPageHits scan_page(const PerPageData& page, const TextForms& forms,
                      std::span<const Needle> needles, const match::AhoCorasick& matcher) {
  PerPageHits hits;
  if (!page.text.empty()) {
    const auto mask = body_text_mask(page.text, forms, needles, matcher);
    for (std::size_t i = 0; i < needles.size(); ++i) {
      if (mask[i]) hits.body.push_back({needles[i].term, body_text_label(page.page_number)});
    }
  }
  for (const AnnotField& field : page.annot_fields) {
    const auto mask = ac_hit_mask(matcher, field.value, needles.size());
    for (std::size_t i = 0; i < needles.size(); ++i) {
      if (mask[i]) {
        hits.annots.push_back(
            {needles[i].term, annotation_label(page.page_number, field.annot_index, field.key)});
      }
    }
  }
  return hits;
}

}  // namespace

std::vector<PerPageHits> scan_pages(std::span<const PerPageData> pages,
                                    std::span<const Needle> needles,
                                    const match::AhoCorasick& matcher) {
  // One slot per page, reserved up front: each result lands in its page's slot, so the order is
  // page order however the pool schedules the ranges.
  TextForms forms;
  for (const Needle& needle : needles) {
    forms.phrase_needles |= needle.lower.find_first_of(" \t") != std::string::npos;
    forms.literal_needles |=
        has_line_break(needle.lower) || needle.lower.find(kLineEndHyphen) != std::string::npos;
  }
  std::vector<PerPageHits> results(pages.size());
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, pages.size()),
                    [&](const tbb::blocked_range<std::size_t>& range) {
                      for (std::size_t i = range.begin(); i != range.end(); ++i)
                        results[i] = scan_page(pages[i], forms, needles, matcher);
                    });
  return results;
}

}  // namespace quorvel::verify
