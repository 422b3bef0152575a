#include "audit.h"

#include <gtest/gtest.h>

#include "pdf/document.h"
#include "support/pdf_template.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/object_audit.h"

namespace quorvel::verify::testing {

std::string with_xref(std::string_view objects, std::string_view trailer_entries) {
  return "%PDF-1.7\n" + std::string(objects) +
         "\n{{xref}}\ntrailer << /Size {{size}} /Root 1 0 R " + std::string(trailer_entries) +
         " >>\n{{startxref}}\n";
}

VerifyReport audit(std::string_view pdf_template, const std::vector<std::string>& terms) {
  auto document = pdf::Document::load(quorvel::testing::expand_pdf_template(pdf_template));
  if (!document) throw std::runtime_error("fixture does not load: " + document.error());
  const auto needles = normalize_terms(terms);
  const auto matcher = build_matcher(needles);
  if (!matcher) throw std::runtime_error(matcher.error());
  VerifyReport report;
  audit_objects(*document, needles, *matcher, report);
  return report;
}

std::vector<std::string> lines(const std::vector<LeakHit>& hits) {
  std::vector<std::string> out;
  for (const LeakHit& hit : hits) out.push_back(hit.term + " @ " + hit.location);
  return out;
}

}  // namespace quorvel::verify::testing

#include <zlib.h>

namespace quorvel::verify::testing {

std::string flate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

std::string stream(unsigned num, std::string_view dict_entries, std::string_view data) {
  return "{{object " + std::to_string(num) + " 0}} << " + std::string(dict_entries) +
         " {{streamlen}} >>\nstream\n" + std::string(data) + "\nendstream endobj\n";
}

}  // namespace quorvel::verify::testing
