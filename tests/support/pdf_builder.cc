#include "support/pdf_builder.h"

#include "support/pdf_template.h"

namespace quorvel::testing {

std::string pages_template(const std::vector<TestPage>& pages,
                           const std::vector<TestObject>& objects, const std::string& catalog_extra,
                           const std::string& trailer_extra) {
  std::string kids;
  for (std::size_t k = 0; k < pages.size(); ++k) kids += std::to_string(4 + 2 * k) + " 0 R ";
  std::string t = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  t += "{{object 1 0}} << /Type /Catalog /Pages 2 0 R " + catalog_extra + " >>\nendobj\n";
  t += "{{object 2 0}} << /Type /Pages /Kids [" + kids + "] /Count " +
       std::to_string(pages.size()) + " >>\nendobj\n";
  t += "{{object 3 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n";
  for (std::size_t k = 0; k < pages.size(); ++k) {
    const std::string page = std::to_string(4 + 2 * k), content = std::to_string(5 + 2 * k);
    t += "{{object " + page +
         " 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]\n"
         "   /Resources << /Font << /F1 3 0 R >> >> /Contents " +
         content + " 0 R " + pages[k].extra + " >>\nendobj\n";
    t += "{{object " + content + " 0}} << {{streamlen}} >>\nstream\n" + pages[k].content +
         "\nendstream\nendobj\n";
  }
  for (const TestObject& object : objects)
    t += "{{object " + std::to_string(object.number) + " 0}} " + object.body + "\nendobj\n";
  t += "{{xref}}\ntrailer << /Size {{size}} /Root 1 0 R " + trailer_extra + " >>\n{{startxref}}\n";
  return t;
}

std::string pdf_with_pages(const std::vector<TestPage>& pages,
                           const std::vector<TestObject>& objects, const std::string& catalog_extra,
                           const std::string& trailer_extra) {
  return expand_pdf_template(pages_template(pages, objects, catalog_extra, trailer_extra));
}

std::string show_text(const std::string& text, int x, int y) {
  return "BT /F1 12 Tf " + std::to_string(x) + " " + std::to_string(y) + " Td (" + text + ") Tj ET";
}

}  // namespace quorvel::testing
