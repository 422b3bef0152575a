// bench_verify end to end, as a child process. Most cases run a build of it that takes its
// package directory and fifth sample path from the environment, so that each case can lay out
// a repository of its own; the engine cases run the real executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "lib/subprocess.h"
#include "support/pdf_template.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kBenchVerify = QUORVEL_BENCH_VERIFY;
const fs::path kRelocatableBenchVerify = QUORVEL_BENCH_VERIFY_RELOCATABLE;
const fs::path kSourceDir = QUORVEL_SOURCE_DIR;

const std::string kBanner = "verify_output benchmark \u2014 issue #56";

struct FixtureName {
  const char* label;
  const char* relative_path;  // below the repository root; empty for the fifth
};
const FixtureName kFixtures[] = {
    {"03_brk_letter (16 pages)", "spikes/cross-platform-render/fixtures/03_brk_letter.pdf"},
    {"04_scotus (20 pages)", "spikes/redaction-integrity/fixtures/real-world/04_scotus.pdf"},
    {"02_arxiv_2cols (arxiv-class)",
     "spikes/redaction-integrity/fixtures/real-world/02_arxiv_2cols.pdf"},
    {"08_fed_register (348 pages)",
     "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf"},
    {"attention-is-all-you-need (arxiv 1706.03762, ~15 pages)", ""},
};

// A repository of our own: <root>/repo with its package directory <root>/repo/src, and the
// fifth sample expected at <root>/papers/attention.pdf.
class Repo {
 public:
  Repo() { fs::create_directories(root_.path() / "repo/src"); }

  fs::path repo() const { return fs::canonical(root_.path() / "repo"); }
  fs::path fixture_path(int index) const {
    const char* relative = kFixtures[index].relative_path;
    return *relative ? repo() / relative : root_.path() / "papers/attention.pdf";
  }
  // Makes fixture `index` a symbolic link to `target` (which need not exist).
  void link_fixture(int index, const fs::path& target) const {
    fs::create_directories(fixture_path(index).parent_path());
    fs::create_symlink(target, fixture_path(index));
  }
  void write_fixture(int index, std::string_view bytes) const {
    fs::create_directories(fixture_path(index).parent_path());
    fs::copy_file(write_temp_file("fixture", bytes), fixture_path(index),
                  fs::copy_options::overwrite_existing);
  }

  ProcessResult run(bool merge_stderr = false,
                    const fs::path& package_dir_override = fs::path()) const {
    ProcessOptions options;
    options.env["QUORVEL_BENCH_PACKAGE_DIR"] =
        (package_dir_override.empty() ? root_.path() / "repo/src" : package_dir_override).string();
    options.env["QUORVEL_BENCH_ATTENTION_PAPER"] = fixture_path(4).string();
    options.env["QUORVEL_PDFIUM_DIR"] = std::nullopt;
    options.merge_stderr = merge_stderr;
    return run_process(kRelocatableBenchVerify, {}, options);
  }

  const fs::path& root() const { return root_.path(); }

 private:
  TempDir root_;
};

std::string skip_line(const Repo& repo, int index) {
  return std::string("skip: ") + kFixtures[index].label + " \u2014 file not found at " +
         repo.fixture_path(index).string();
}

std::string regex_escape(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

std::string summary_line(const char* label, const std::vector<std::uint64_t>& sorted_ms) {
  return std::string(label) + ": best=" + std::to_string(sorted_ms[0]) +
         "ms median=" + std::to_string(sorted_ms[1]) + "ms worst=" + std::to_string(sorted_ms[2]) +
         "ms (3 runs after warm-up)";
}

// The three per-run lines and the summary line of one fixture, starting at `lines[at]`; checks
// their form and that the summary matches the runs.
void expect_benchmarked(const std::vector<std::string>& lines, std::size_t at, int index) {
  ASSERT_LE(at + 4, lines.size());
  const std::string label = regex_escape(kFixtures[index].label);
  const std::regex run_line("  " + label +
                            R"(: (\d+)ms \(body=(\d+), raw=(\d+), info=(\d+), xmp=(\d+), )"
                            R"(annot=(\d+)\))");
  std::vector<std::uint64_t> run_ms;
  std::string counts;
  for (std::size_t i = at; i < at + 3; ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, run_line)) << lines[i];
    run_ms.push_back(std::stoull(match[1]));
    // The verifier keeps nothing between calls: every run finds the same.
    const std::string run_counts = match[2].str() + "," + match[3].str() + "," + match[4].str() +
                                   "," + match[5].str() + "," + match[6].str();
    if (counts.empty()) counts = run_counts;
    EXPECT_EQ(run_counts, counts);
  }
  std::ranges::sort(run_ms);
  EXPECT_EQ(lines[at + 3], summary_line(kFixtures[index].label, run_ms));
}

TEST(BenchVerify, NoSamplePresentGivesBannerAndFiveSkipLines) {
  const Repo repo;
  const ProcessResult result = repo.run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, kBanner + "\n");
  std::vector<std::string> expected;
  for (int i = 0; i < 5; ++i) expected.push_back(skip_line(repo, i));
  EXPECT_EQ(split_lines(result.err), expected);
}

TEST(BenchVerify, BenchmarksPresentSamplesAndSkipsAbsentOnesInTableOrder) {
  const Repo repo;
  // A link to a real sample is benchmarked; a dangling link counts as absent.
  repo.link_fixture(0, kSourceDir / kFixtures[0].relative_path);
  repo.link_fixture(1, repo.root() / "nowhere.pdf");
  repo.link_fixture(4, kSourceDir / "bench/samples/attention-is-all-you-need.pdf");

  const ProcessResult result = repo.run(/*merge_stderr=*/true);
  EXPECT_EQ(result.exit_code, 0) << result.out;
  const std::vector<std::string> lines = split_lines(result.out);
  ASSERT_EQ(lines.size(), 12u) << result.out;
  EXPECT_EQ(lines[0], kBanner);
  expect_benchmarked(lines, 1, 0);
  EXPECT_EQ(lines[5], skip_line(repo, 1));
  EXPECT_EQ(lines[6], skip_line(repo, 2));
  EXPECT_EQ(lines[7], skip_line(repo, 3));
  expect_benchmarked(lines, 8, 4);
}

TEST(BenchVerify, EngineNotFoundStopsBeforeTheBanner) {
  const TempDir empty;
  ProcessOptions options;
  options.env["QUORVEL_PDFIUM_DIR"] = empty.path().string();
  const ProcessResult result = run_process(kBenchVerify, {}, options);
  EXPECT_EQ(result.exit_code, 101);
  EXPECT_EQ(result.out, "");
  const std::vector<std::string> lines = split_lines(result.err);
  ASSERT_EQ(lines.size(), 1u) << result.err;
  EXPECT_TRUE(lines[0].starts_with("bind pdfium: couldn't open the engine library " +
                                   (empty.path() / "libpdfium.so").string() + ": "))
      << lines[0];
}

TEST(BenchVerify, MissingPackageDirectoryStopsAfterTheBanner) {
  const Repo repo;
  const ProcessResult result = repo.run(false, repo.root() / "moved-away/src");
  EXPECT_EQ(result.exit_code, 101);
  EXPECT_EQ(result.out, kBanner + "\n");
  EXPECT_EQ(result.err,
            "canonicalize repo root: os error 2 (not found): No such file or directory\n");
}

TEST(BenchVerify, UnreadableSampleStopsWithTheQuotedVerifierMessage) {
  const Repo repo;
  repo.write_fixture(0, "not a PDF\n");
  repo.link_fixture(1, kSourceDir / kFixtures[1].relative_path);
  const ProcessResult result = repo.run();
  if (result.exit_code == 0 && result.err.find("03_brk_letter") != std::string::npos) {
    GTEST_SKIP() << "verify_output does not read the saved file yet";
  }
  EXPECT_EQ(result.exit_code, 101);
  EXPECT_EQ(result.out, kBanner + "\n");
  // Nothing from the warm-up, no later sample.
  const std::vector<std::string> lines = split_lines(result.err);
  ASSERT_EQ(lines.size(), 1u) << result.err;
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(verify_output: "verify: [^"\\]*")")))
      << lines[0];
}

}  // namespace
}  // namespace quorvel::testing
