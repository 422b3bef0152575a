// Writes small test PDFs from readable text templates.
//
// A template is the PDF as it should read, with placeholders for what is tedious to count:
//
//   {{object N G}}   "N G obj", and records the offset of object N for the next xref section
//   {{streamlen}}    "/Length L", L being the bytes between the next "stream\n" and "\nendstream"
//   {{xref}}         a classic xref section for the objects recorded since the previous one
//                    (the first section also lists object 0 as free)
//   {{size}}         one more than the highest object number recorded so far
//   {{prev}}         the offset of the previous xref section
//   {{startxref}}    "startxref\n<offset of the last xref section>\n%%EOF"
//   {{offset N}}     the offset of object N
//   {{free N G}}     marks object N free, with next generation G, in the next section (an
//                    incremental update that deletes it); writes nothing
//   {{compressed N S I}}  records that object N is the I-th object of object stream S (writes
//                    nothing; the object stream's body is written by hand)
//   {{xrefstream N entries}}  a cross-reference stream, object N, for the objects recorded since
//                    the previous section (compressed ones included) and itself; `entries` are
//                    added to its dictionary (/Root 1 0 R ...), /Prev is added when an earlier
//                    section exists
//
// so a fixture reads like the file it is:
//
//   %PDF-1.7
//   {{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj
//   ...
//   {{xref}}
//   trailer << /Size {{size}} /Root 1 0 R >>
//   {{startxref}}
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::testing {

// Expands the placeholders of `text`. Throws std::invalid_argument on a malformed placeholder.
std::string expand_pdf_template(std::string_view text);

// Writes `bytes` to a fresh file named `name` in a per-process temporary folder and returns
// its path.
std::filesystem::path write_temp_file(std::string_view name, std::string_view bytes);

// Expands `text` and writes it as `name`.
std::filesystem::path write_pdf(std::string_view name, std::string_view text);

// Reads a whole file; throws std::runtime_error when it cannot.
std::string read_file(const std::filesystem::path& path);

}  // namespace quorvel::testing
