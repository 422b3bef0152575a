// One measurement per process, so that the caller (bench/compare_peers) can read this process's
// peak resident memory as that measurement's own:
//
//   compare_driver verify FILE TERM...   verify_output once, with no over-redaction input
//   compare_driver revisions FILE        where the earlier revisions that verify_output audits
//                                        end (byte counts, oldest first), on one line
//   compare_driver engine FILE [END...]  the bare engine loop, once for each earlier revision
//                                        (the file cut at END) and once for the whole file
//   compare_driver objects FILE TERM...  what verify_output does after the page audit: read the
//                                        file, load it with the object reader, run the object
//                                        passes (and the same for each audited earlier revision)
//
// The others print one line of name=value pairs, starting with "ms=" (the time inside the
// process, the engine binding excluded). Finding the revisions is a step of its own so that the
// object reader's memory does not count in the bare loop's peak.
#include <fcntl.h>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lib/pdfium_api.h"
#include "pdf/document.h"
#include "pdf/revisions.h"
#include "quorvel/pdfium.h"
#include "quorvel/verify.h"
#include "resource_limits.h"
#include "verify_redaction/file_bytes.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/object_audit.h"

namespace {

using namespace quorvel;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The prefixes of the file verify_output audits besides the whole file, as it finds them.
std::vector<std::size_t> audited_revision_ends(const std::shared_ptr<const std::string>& bytes) {
  auto document = pdf::Document::load(bytes, bytes->size());
  if (!document) return {};
  std::vector<std::size_t> ends = pdf::earlier_revision_ends(*document, *bytes);
  if (ends.size() > limits::kMaxEarlierRevisions) ends.resize(limits::kMaxEarlierRevisions);
  return ends;
}

struct Source {
  int fd;
  unsigned long length;
};

int read_block(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
  const auto& source = *static_cast<const Source*>(param);
  if (position > source.length || size > source.length - position) return 0;
  return pread(source.fd, buffer, size, static_cast<off_t>(position)) == static_cast<ssize_t>(size);
}

// What any text extractor must do through the engine: open the document and, for every page,
// load the page and its text page and read every character; each page is closed once the next
// one is loaded. Returns the number of UTF-16 units read, or -1 when the file does not open.
long bare_loop(const char* path, unsigned long length) {
  const auto& api = engine::pdfium_api();
  Source source{open(path, O_RDONLY), length};
  if (source.fd < 0) return -1;
  engine::FPDF_FILEACCESS access{length, read_block, &source};
  engine::FPDF_DOCUMENT document = api.FPDF_LoadCustomDocument(&access, nullptr);
  if (!document) {
    close(source.fd);
    return -1;
  }
  long units = 0;
  std::u16string text;
  engine::FPDF_PAGE previous = nullptr;
  const int count = api.FPDF_GetPageCount(document);
  for (int i = 0; i < count; ++i) {
    engine::FPDF_PAGE page = api.FPDF_LoadPage(document, i);
    if (previous) api.FPDF_ClosePage(previous);
    previous = page;
    if (!page) continue;
    if (engine::FPDF_TEXTPAGE text_page = api.FPDFText_LoadPage(page)) {
      const int chars = api.FPDFText_CountChars(text_page);
      if (chars > 0) {
        text.resize(static_cast<std::size_t>(chars) + 1);
        units += api.FPDFText_GetText(text_page, 0, chars, text.data());
      }
      api.FPDFText_ClosePage(text_page);
    }
  }
  if (previous) api.FPDF_ClosePage(previous);
  api.FPDF_CloseDocument(document);
  close(source.fd);
  return units;
}

int run_verify(Pdfium engine, const char* path, const std::vector<std::string>& terms) {
  const auto start = Clock::now();
  const auto report = verify_output(engine, path, terms);
  const double ms = ms_since(start);
  if (!report) {
    std::fprintf(stderr, "verify_output: %s\n", report.error().c_str());
    return 1;
  }
  fmt::print("ms={:.2f} body={} raw={} info={} xmp={} annot={} revision={}\n", ms,
             report->body_hits.size(), report->raw_hits.size(), report->info_hits.size(),
             report->xmp_hits.size(), report->annot_hits.size(), report->revision_hits.size());
  return 0;
}

int run_revisions(const char* path) {
  auto bytes = verify::read_file_bytes(path);
  if (!bytes) return 1;
  fmt::print("{}\n", fmt::join(audited_revision_ends(*bytes), " "));
  return 0;
}

int run_engine(const char* path, const std::vector<std::string>& ends) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return 1;
  std::vector<unsigned long> lengths;
  for (const std::string& end : ends) lengths.push_back(std::stoul(end));
  lengths.push_back(static_cast<unsigned long>(size));
  const auto start = Clock::now();
  long units = 0;
  for (const unsigned long length : lengths) {
    const long read = bare_loop(path, length);
    if (read < 0 && length == size) return 1;
    units += std::max(read, 0L);
  }
  fmt::print("ms={:.2f} revisions={} units={}\n", ms_since(start), lengths.size(), units);
  return 0;
}

int run_objects(const char* path, const std::vector<std::string>& terms) {
  const auto needles = verify::normalize_terms(terms);
  const auto matcher = verify::build_matcher(needles);
  if (!matcher) return 1;
  const auto start = Clock::now();
  auto bytes = verify::read_file_bytes(path);
  if (!bytes) return 1;
  const std::shared_ptr<const std::string> file = std::move(*bytes);
  std::vector<std::size_t> lengths;
  VerifyReport report;
  {
    auto document = pdf::Document::load(file, file->size());
    if (!document) return 1;
    verify::audit_objects(*document, needles, *matcher, report);
    lengths = pdf::earlier_revision_ends(*document, *file);
  }
  if (lengths.size() > limits::kMaxEarlierRevisions) lengths.resize(limits::kMaxEarlierRevisions);
  std::size_t hits = report.raw_hits.size() + report.info_hits.size() + report.xmp_hits.size();
  for (const std::size_t length : lengths) {
    if (const auto document = pdf::Document::load(file, length)) {
      VerifyReport lists;
      verify::audit_objects(*document, needles, *matcher, lists);
      hits += lists.raw_hits.size() + lists.info_hits.size() + lists.xmp_hits.size();
    }
  }
  fmt::print("ms={:.2f} revisions={} hits={}\n", ms_since(start), lengths.size() + 1, hits);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: compare_driver verify|revisions|engine|objects FILE [TERM...|END...]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const char* path = argv[2];
  const std::vector<std::string> terms(argv + 3, argv + argc);
  if (mode == "objects") return run_objects(path, terms);
  if (mode == "revisions") return run_revisions(path);

  const auto engine = bind_pdfium();
  if (!engine) {
    std::fprintf(stderr, "bind pdfium: %s\n", engine.error().describe().c_str());
    return 1;
  }
  if (mode == "verify") return run_verify(*engine, path, terms);
  if (mode == "engine") return run_engine(path, terms);
  return 2;
}
