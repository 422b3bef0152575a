// Builds small PDFs of pages that draw Helvetica text, with annotations and other objects of
// the test's choosing, through the template expander.
//
//   pdf_with_pages({{"BT /F1 12 Tf 72 720 Td (Acme) Tj ET", "/Annots [100 0 R]"}},
//                  {{100, "<< /Type /Annot /Subtype /Text /Rect [0 0 9 9] /Contents (Acme) >>"}})
//
// Object 1 is the catalog, 2 the page tree, 3 the font /F1; page k (0-based) is object 4 + 2k
// and its content stream 5 + 2k. Extra objects take the numbers given (use 100 and up).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quorvel::testing {

struct TestPage {
  TestPage(std::string content, std::string extra = "")
      : content(std::move(content)), extra(std::move(extra)) {}
  // The content stream, written as is.
  std::string content;
  // Entries added to the page dictionary, such as "/Annots [100 0 R]".
  std::string extra;
};

struct TestObject {
  unsigned number;
  // Everything between "N 0 obj" and "endobj"; a stream's body may use {{streamlen}}.
  std::string body;
};

// The template text of the document (not yet expanded), for tests that want to edit it.
std::string pages_template(const std::vector<TestPage>& pages,
                           const std::vector<TestObject>& objects = {},
                           const std::string& catalog_extra = "",
                           const std::string& trailer_extra = "");

// The expanded PDF bytes.
std::string pdf_with_pages(const std::vector<TestPage>& pages,
                           const std::vector<TestObject>& objects = {},
                           const std::string& catalog_extra = "",
                           const std::string& trailer_extra = "");

// A content stream that shows `text` (a PDF literal string body) at the given position.
std::string show_text(const std::string& text, int x = 72, int y = 720);

}  // namespace quorvel::testing
