// bench_reader [FILE...]: times loading a PDF, walking every object and decoding every stream,
// with our reader and with libqpdf (processMemoryFile, getAllObjects,
// getStreamData(qpdf_dl_generalized)), and reports the best time of several runs and the peak
// resident memory of each. Each side runs in a child process of its own (this program again,
// with --side), so that peak memory is measured for that side alone.
//
// Without arguments it runs on the repository's sample PDFs and the three largest files of the
// differential corpus (${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/differential), if present.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <string>
#include <vector>

#include "pdf/document.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 7;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Load, walk every value of every object, decode every stream. Returns a checksum of what it
// saw so that nothing is optimised away.
std::size_t run_ours(const std::shared_ptr<const std::string>& file) {
  auto doc = quorvel::pdf::Document::load(file, file->size());
  if (!doc) return 0;
  std::size_t seen = 0;
  std::vector<quorvel::pdf::Object> stack;
  for (const auto& o : doc->objects()) {
    stack.push_back(o.object);
    while (!stack.empty()) {
      const quorvel::pdf::Object v = stack.back();
      stack.pop_back();
      ++seen;
      if (const auto s = v.as_string()) seen += s->size();
      for (const auto& item : v.items()) stack.push_back(item);
      for (const auto& e : v.dictionary().entries()) stack.push_back(e.value);
    }
    if (const auto* s = o.object.stream()) {
      const auto decoded = doc->decode(*s);
      seen += decoded ? decoded->size() : s->data.size();
    }
  }
  return seen;
}

std::size_t run_qpdf(const std::string& bytes) {
  QPDF q;
  q.setSuppressWarnings(true);
  q.processMemoryFile("bench", bytes.data(), bytes.size());
  std::size_t seen = 0;
  for (auto& o : q.getAllObjects()) {
    ++seen;
    if (!o.isStream()) continue;
    try {
      seen += o.getStreamData(qpdf_dl_generalized)->getSize();
    } catch (std::exception&) {
      seen += o.getRawStreamData()->getSize();
    }
  }
  return seen;
}

// Child: best of `runs`, in milliseconds, on standard output.
int run_side(const std::string& side, const fs::path& path, int runs) {
  // Both readers take the file's bytes from memory, read before the clock starts.
  const auto bytes = std::make_shared<const std::string>(read_file(path));
  double best = 1e300;
  std::size_t seen = 0;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    seen = side == "ours" ? run_ours(bytes) : run_qpdf(*bytes);
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::printf("%.3f %zu\n", best, seen);
  return 0;
}

struct Measure {
  double ms = 0;
  long peak_kib = 0;
};

Measure measure(const char* self, const std::string& side, const fs::path& path) {
  int out[2];
  if (pipe(out) != 0) std::exit(2);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    execl(self, self, "--side", side.c_str(), path.c_str(), nullptr);
    _exit(127);
  }
  close(out[1]);
  char buf[128] = {};
  const ssize_t n = read(out[0], buf, sizeof buf - 1);
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Measure m;
  if (n > 0) m.ms = std::atof(buf);
  m.peak_kib = usage.ru_maxrss;
  return m;
}

std::vector<fs::path> default_files() {
  std::vector<fs::path> files;
  const fs::path root = QUORVEL_SOURCE_DIR;
  for (const char* sample : {"spikes/cross-platform-render/fixtures/03_brk_letter.pdf",
                             "spikes/redaction-integrity/fixtures/real-world/04_scotus.pdf",
                             "spikes/redaction-integrity/fixtures/real-world/02_arxiv_2cols.pdf",
                             "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf",
                             "bench/samples/attention-is-all-you-need.pdf"}) {
    files.push_back(root / sample);
  }
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  const fs::path cache = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : "") / ".cache";
  const fs::path corpus = cache / "quorvel" / "differential" / "pdf";
  std::vector<std::pair<std::uintmax_t, fs::path>> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(corpus, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file() && it->path().extension() == ".pdf") {
      found.emplace_back(it->file_size(), it->path());
    }
  }
  std::sort(found.rbegin(), found.rend());
  for (std::size_t i = 0; i < found.size() && i < 3; ++i) files.push_back(found[i].second);
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  // --side ours|qpdf FILE [RUNS]: one side alone (RUNS 1 suits an instruction count under
  // valgrind --tool=callgrind, which is repeatable on a busy machine).
  if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--side") == 0) {
    return run_side(argv[2], argv[3], argc == 5 ? std::max(1, std::atoi(argv[4])) : kRuns);
  }
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
  if (files.empty()) files = default_files();

  std::printf(
      "| file | size (KiB) | ours (ms) | qpdf (ms) | speed-up | ours peak RSS (KiB) | "
      "qpdf peak RSS (KiB) |\n|---|---:|---:|---:|---:|---:|---:|\n");
  for (const fs::path& path : files) {
    const Measure ours = measure(argv[0], "ours", path);
    const Measure qpdf = measure(argv[0], "qpdf", path);
    std::printf("| %s | %ju | %.2f | %.2f | %.1fx | %ld | %ld |\n", path.filename().c_str(),
                fs::file_size(path) / 1024, ours.ms, qpdf.ms, ours.ms > 0 ? qpdf.ms / ours.ms : 0.0,
                ours.peak_kib, qpdf.peak_kib);
    std::fflush(stdout);
  }
  return 0;
}
