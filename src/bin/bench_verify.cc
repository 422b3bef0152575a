// bench_verify: times verify_output on the five sample PDFs and prints each run's hit counts,
// then the best, median and worst time of every sample. No arguments; the samples, their terms
// and the number of runs are fixed here.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "quorvel/pdfium.h"
#include "quorvel/verify.h"
#include "quorvel_build_config.h"
#include "text/unicode.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTimedRuns = 3;

struct Fixture {
  std::string label;
  fs::path path;
  std::vector<std::string> terms;
};

// Where the package directory and the fifth sample are. A test build may take them from the
// environment so that its tests can lay out a repository of their own.
fs::path package_dir() {
#ifdef QUORVEL_BENCH_LAYOUT_FROM_ENV
  if (const char* dir = std::getenv("QUORVEL_BENCH_PACKAGE_DIR")) return dir;
#endif
  return quorvel::build::kPackageDir;
}

fs::path attention_paper_path() {
#ifdef QUORVEL_BENCH_LAYOUT_FROM_ENV
  if (const char* path = std::getenv("QUORVEL_BENCH_ATTENTION_PAPER")) return path;
#endif
  return quorvel::build::kAttentionPaperPath;
}

std::vector<Fixture> fixture_table(const fs::path& repo_root) {
  return {
      {"03_brk_letter (16 pages)",
       repo_root / "spikes/cross-platform-render/fixtures/03_brk_letter.pdf",
       {"Berkshire", "Whitcombe", "shareholders", "Acme", "Okonkwo", "investment", "earnings", "Q4",
        "annual report", "BNSF", "GEICO", "intrinsic value"}},
      {"04_scotus (20 pages)",
       repo_root / "spikes/redaction-integrity/fixtures/real-world/04_scotus.pdf",
       {"Halvorsen", "Pemberton-Rae", "Colorado", "Section 3", "insurrection",
        "Fourteenth Amendment", "petitioner", "respondent", "Court", "appeal", "Justice",
        "judgment"}},
      {"02_arxiv_2cols (arxiv-class)",
       repo_root / "spikes/redaction-integrity/fixtures/real-world/02_arxiv_2cols.pdf",
       {"abstract", "neural", "transformer", "attention", "training", "model", "dataset", "GPU",
        "experiment", "section", "figure", "reference"}},
      {"08_fed_register (348 pages)",
       repo_root / "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf",
       {"Federal", "Register", "regulation", "agency", "comment", "rule", "section", "department",
        "notice", "citation", "publication", "code"}},
      {"attention-is-all-you-need (arxiv 1706.03762, ~15 pages)",
       attention_paper_path(),
       {"Attention", "transformer", "encoder", "decoder", "softmax", "embedding", "Varga-Lindqvist",
        "Google", "self-attention", "translation", "BLEU", "WMT"}},
  };
}

// Standard output is flushed at every line end, so that both streams captured into one log keep
// the order in which the lines were written; standard error is unbuffered.
void print_out(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

void print_err(const std::string& line) { std::fputs(line.c_str(), stderr); }

[[noreturn]] void fatal(std::string_view message, std::string_view description) {
  print_err(fmt::format("{}: {}\n", message, description));
  std::exit(101);
}

// `text` in double quotes, with quotes, backslashes and control characters escaped.
std::string escaped_in_quotes(std::string_view text) {
  const std::string valid = quorvel::text::utf8_with_replacement(text);
  std::string out = "\"";
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const auto byte = static_cast<unsigned char>(valid[i]);
    switch (byte) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      out += fmt::format("\\u{{{:x}}}", byte);
    } else if (byte == 0xC2 && i + 1 < valid.size() &&
               static_cast<unsigned char>(valid[i + 1]) <= 0x9F) {
      // U+0080 to U+009F, the C1 control characters, are encoded as C2 80 to C2 9F.
      out += fmt::format("\\u{{{:x}}}", static_cast<unsigned char>(valid[++i]));
    } else {
      out += valid[i];
    }
  }
  out += '"';
  return out;
}

// A name for the kind of an operating-system error, beside its code and text.
std::string_view error_kind(const std::error_code& error) {
  const std::error_condition condition = error.default_error_condition();
  if (condition == std::errc::no_such_file_or_directory) return "not found";
  if (condition == std::errc::permission_denied) return "permission denied";
  if (condition == std::errc::not_a_directory) return "not a directory";
  if (condition == std::errc::too_many_symbolic_link_levels) return "too many symbolic links";
  if (condition == std::errc::filename_too_long) return "file name too long";
  return "other";
}

std::string describe_os_error(const std::error_code& error) {
  return fmt::format("os error {} ({}): {}", error.value(), error_kind(error), error.message());
}

// Whole milliseconds, the remainder dropped.
std::uint64_t whole_milliseconds(std::chrono::steady_clock::duration elapsed) {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

bool file_exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void benchmark(quorvel::Pdfium engine, const Fixture& fixture) {
  // The warm-up's outcome is not looked at; a failure shows again in the first timed run.
  (void)quorvel::verify_output(engine, fixture.path, fixture.terms);

  std::array<std::uint64_t, kTimedRuns> run_ms{};
  for (std::uint64_t& ms : run_ms) {
    const auto start = std::chrono::steady_clock::now();
    auto report = quorvel::verify_output(engine, fixture.path, fixture.terms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (!report) fatal("verify_output", escaped_in_quotes(report.error()));
    ms = whole_milliseconds(elapsed);
    print_err(fmt::format("  {}: {}ms (body={}, raw={}, info={}, xmp={}, annot={})\n",
                          fixture.label, ms, report->body_hits.size(), report->raw_hits.size(),
                          report->info_hits.size(), report->xmp_hits.size(),
                          report->annot_hits.size()));
  }

  std::ranges::sort(run_ms);
  print_out(fmt::format("{}: best={}ms median={}ms worst={}ms (3 runs after warm-up)\n",
                        fixture.label, run_ms[0], run_ms[1], run_ms[2]));
}

}  // namespace

int main() {
  const auto engine = quorvel::bind_pdfium();
  if (!engine) fatal("bind pdfium", engine.error().describe());

  print_out("verify_output benchmark \u2014 issue #56\n");

  std::error_code ec;
  const fs::path repo_root = fs::canonical(package_dir() / "..", ec);
  if (ec) fatal("canonicalize repo root", describe_os_error(ec));

  const std::vector<Fixture> fixtures = fixture_table(repo_root);
  for (const Fixture& fixture : fixtures) {
    if (!file_exists(fixture.path)) {
      print_err(fmt::format("skip: {} \u2014 file not found at {}\n", fixture.label,
                            quorvel::text::utf8_with_replacement(fixture.path.native())));
      continue;
    }
    benchmark(*engine, fixture);
  }
  return 0;
}
