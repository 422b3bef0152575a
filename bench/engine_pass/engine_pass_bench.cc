// Times one way of reading every page of a PDF through the engine, in a process of its own so
// that its peak memory can be read afterwards:
//
//   engine_pass_bench pass FILE TERM...   the verifier's engine pass, then its page scan
//   engine_pass_bench close FILE          bare loop: load page and text, close both at once
//   engine_pass_bench previous FILE       bare loop: close each page once the next is loaded
//   engine_pass_bench keep FILE           bare loop: load page and text, close nothing until the
//   end
//
// Prints one line: "engine_ms=N scan_ms=N max_rss_kb=N".
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "lib/pdfium_api.h"
#include "quorvel/pdfium.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/page_audit.h"

namespace {

using namespace quorvel;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int read_block(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
  const int fd = *static_cast<int*>(param);
  return pread(fd, buffer, size, static_cast<off_t>(position)) == static_cast<ssize_t>(size);
}

// Loads every page and its whole text with the four engine calls a text extractor needs.
enum class Closing { at_once, after_next, at_end };

double bare_loop(const char* path, Closing closing) {
  const auto& api = engine::pdfium_api();
  const auto start = Clock::now();
  int fd = open(path, O_RDONLY);
  if (fd < 0) return -1;
  engine::FPDF_FILEACCESS access{static_cast<unsigned long>(lseek(fd, 0, SEEK_END)), read_block,
                                 &fd};
  engine::FPDF_DOCUMENT document = api.FPDF_LoadCustomDocument(&access, nullptr);
  if (!document) return -1;
  std::vector<engine::FPDF_PAGE> kept;
  engine::FPDF_PAGE previous = nullptr;
  std::u16string text;
  const int count = api.FPDF_GetPageCount(document);
  for (int i = 0; i < count; ++i) {
    engine::FPDF_PAGE page = api.FPDF_LoadPage(document, i);
    if (previous) api.FPDF_ClosePage(previous);
    previous = nullptr;
    if (!page) continue;
    if (engine::FPDF_TEXTPAGE text_page = api.FPDFText_LoadPage(page)) {
      const int chars = api.FPDFText_CountChars(text_page);
      if (chars > 0) {
        text.resize(static_cast<std::size_t>(chars) + 1);
        api.FPDFText_GetText(text_page, 0, chars, text.data());
      }
      api.FPDFText_ClosePage(text_page);
    }
    switch (closing) {
      case Closing::at_once:
        api.FPDF_ClosePage(page);
        break;
      case Closing::after_next:
        previous = page;
        break;
      case Closing::at_end:
        kept.push_back(page);
        break;
    }
  }
  if (previous) api.FPDF_ClosePage(previous);
  for (auto page : kept) api.FPDF_ClosePage(page);
  api.FPDF_CloseDocument(document);
  close(fd);
  return ms_since(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: engine_pass_bench pass|close|keep FILE [TERM...]\n");
    return 2;
  }
  const auto bound = bind_pdfium();
  if (!bound) {
    std::fprintf(stderr, "bind pdfium: %s\n", bound.error().describe().c_str());
    return 1;
  }
  const std::string mode = argv[1];
  double engine_ms = 0, scan_ms = 0;
  if (mode == "pass") {
    const std::vector<std::string> terms(argv + 3, argv + argc);
    const auto needles = verify::normalize_terms(terms);
    const auto matcher = verify::build_matcher(needles);
    if (!matcher) return 1;
    auto start = Clock::now();
    const auto pages = verify::extract_page_data(*bound, argv[2]);
    engine_ms = ms_since(start);
    if (!pages) return 1;
    start = Clock::now();
    const auto hits = verify::scan_pages(*pages, needles, *matcher);
    scan_ms = ms_since(start);
  } else if (mode == "close" || mode == "previous" || mode == "keep") {
    engine_ms = bare_loop(argv[2], mode == "close"      ? Closing::at_once
                                   : mode == "previous" ? Closing::after_next
                                                        : Closing::at_end);
    if (engine_ms < 0) return 1;
  } else {
    return 2;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("engine_ms=%.1f scan_ms=%.2f max_rss_kb=%ld\n", engine_ms, scan_ms, usage.ru_maxrss);
  return 0;
}
