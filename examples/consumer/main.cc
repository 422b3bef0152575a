// consumer FILE TERM...: binds the PDF engine, verifies FILE for the terms and prints every
// surviving term with its location. Exit status 0 clean, 1 a term survives, 2 an error.
#include <quorvel/pdfium.h>
#include <quorvel/verify.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: consumer FILE TERM...\n", stderr);
    return 2;
  }
  // Once per process, before any verification.
  const auto engine = quorvel::bind_pdfium();
  if (!engine) {
    std::fprintf(stderr, "bind pdfium: %s\n", engine.error().describe().c_str());
    return 2;
  }

  const std::vector<std::string> terms(argv + 2, argv + argc);
  const auto report = quorvel::verify_output(*engine, argv[1], terms);
  if (!report) {
    std::fprintf(stderr, "%s\n", report.error().c_str());
    return 2;
  }

  std::size_t hits = 0;
  for (const auto* list : {&report->body_hits, &report->raw_hits, &report->info_hits,
                           &report->xmp_hits, &report->annot_hits, &report->revision_hits}) {
    for (const quorvel::LeakHit& hit : *list) {
      std::printf("%s: %s\n", hit.term.c_str(), hit.location.c_str());
      ++hits;
    }
  }
  std::printf("%zu hits of %llu terms\n", hits,
              static_cast<unsigned long long>(report->term_count));
  return hits == 0 ? 0 : 1;
}
