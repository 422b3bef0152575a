// verify_output end to end through the real engine: the errors that end a verification, and
// the hit lists of the sample PDFs.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "quorvel/verify.h"
#include "support/engine.h"
#include "support/pdf_builder.h"
#include "support/pdf_template.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using quorvel::testing::pdf_with_pages;
using quorvel::testing::show_text;
using quorvel::testing::write_temp_file;
using ::testing::Contains;
using ::testing::StartsWith;

using quorvel::testing::engine;

TEST(VerifyOutputErrors, AMatcherThatCannotBeBuiltEndsTheVerificationBeforeAnyFileIsOpened) {
  // One term so long that its automaton passes the matcher's size bound.
  std::string term(4 << 20, 'a');
  for (std::size_t i = 0; i < term.size(); ++i) term[i] = static_cast<char>('a' + (i * 7919) % 26);
  const auto report =
      verify_output(engine(), "/nonexistent/saved.pdf", std::vector<std::string>{term});
  ASSERT_FALSE(report);
  EXPECT_THAT(report.error(), StartsWith("verify: couldn't build aho-corasick automaton: "));
}

TEST(VerifyOutputErrors, AFileTheEngineOpensButTheAuditCannotRead) {
  // A valid PDF followed by a hole that takes the file past the 4 GiB the object reader
  // handles, and a second "startxref" at the very end that leads the engine back to the start.
  const std::string pdf = pdf_with_pages({{show_text("Acme")}});
  const std::string tail = pdf.substr(pdf.rfind("startxref"));
  const fs::path path = write_temp_file("huge.pdf", pdf);
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  const off_t tail_at = (off_t{1} << 32) + 100;
  ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), tail_at), static_cast<ssize_t>(tail.size()));
  ::close(fd);

  const auto report = verify_output(engine(), path, std::vector<std::string>{"acme"});
  fs::remove(path);
  ASSERT_FALSE(report);
  EXPECT_THAT(report.error(), StartsWith("verify: couldn't read saved PDF for verifier audit: "));
}

TEST(VerifyOutputErrors, ADirectoryIsAnEngineOpenError) {
  const auto report =
      verify_output(engine(), fs::temp_directory_path(), std::vector<std::string>{"acme"});
  ASSERT_FALSE(report);
  EXPECT_EQ(report.error(),
            "verify: couldn't open saved PDF for page-data extraction: Is a directory");
}

struct Sample {
  std::string path;
  std::vector<std::string> terms;
  std::size_t body, raw, info, xmp, annot;
  // A few hits that must be among the lists: "list: term @ location".
  std::vector<std::string> some_hits;
};

std::vector<std::string> all_hits(const VerifyReport& r) {
  std::vector<std::string> out;
  const auto add = [&](const char* list, const std::vector<LeakHit>& hits) {
    for (const LeakHit& h : hits)
      out.push_back(std::string(list) + ": " + h.term + " @ " + h.location);
  };
  add("body", r.body_hits);
  add("raw", r.raw_hits);
  add("info", r.info_hits);
  add("xmp", r.xmp_hits);
  add("annot", r.annot_hits);
  return out;
}

TEST(VerifyOutputSamples, HitListsOfTheBenchmarkSamples) {
  const std::string real_world = "spikes/redaction-integrity/fixtures/real-world/";
  const Sample samples[] = {
      {"spikes/cross-platform-render/fixtures/03_brk_letter.pdf",
       {"Berkshire", "Whitcombe", "shareholders", "Acme", "Okonkwo", "investment", "earnings", "Q4",
        "annual report", "BNSF", "GEICO", "intrinsic value"},
       129,
       8,
       12,
       0,
       5,
       {"info: Whitcombe @ /Info /Author", "annot: shareholders @ page 16 annotation #0 /A/URI",
        "raw: BNSF @ object 78 /Title (UTF-16-BE)", "body: Okonkwo @ page 2 body text"}},
      {real_world + "04_scotus.pdf",
       {"Halvorsen", "Pemberton-Rae", "Colorado", "Section 3", "insurrection",
        "Fourteenth Amendment", "petitioner", "respondent", "Court", "appeal", "Justice",
        "judgment"},
       153,
       114,
       21,
       0,
       5,
       {"info: Pemberton-Rae @ /Info /Author", "annot: Court @ page 1 annotation #0 /A/URI",
        "body: respondent @ page 3 body text"}},
      {real_world + "02_arxiv_2cols.pdf",
       {"abstract", "neural", "transformer", "attention", "training", "model", "dataset", "GPU",
        "experiment", "section", "figure", "reference"},
       91,
       272,
       16,
       8,
       1,
       {"xmp: neural @ XMP /Metadata stream (object 356)",
        "annot: neural @ page 1 annotation #1 /A/URI", "info: GPU @ /Info /Subject"}},
      {real_world + "08_fed_register.pdf",
       {"Federal", "Register", "regulation", "agency", "comment", "rule", "section", "department",
        "notice", "citation", "publication", "code"},
       3522,
       9127,
       16,
       0,
       8,
       {"body: citation @ page 1 body text", "info: Federal @ /Info /Title"}},
      {"bench/samples/attention-is-all-you-need.pdf",
       {"Attention", "transformer", "encoder", "decoder", "softmax", "embedding", "Varga-Lindqvist",
        "Google", "self-attention", "translation", "BLEU", "WMT"},
       131,
       95,
       20,
       0,
       11,
       {"annot: Varga-Lindqvist @ page 1 annotation #0 /A/URI", "info: WMT @ /Info /Subject"}},
  };
  for (const Sample& s : samples) {
    const fs::path path = fs::path(QUORVEL_SOURCE_DIR) / s.path;
    const auto report = verify_output(engine(), path, s.terms);
    ASSERT_TRUE(report) << s.path << ": " << report.error();
    EXPECT_EQ(report->term_count, 12u) << s.path;
    EXPECT_EQ(report->body_hits.size(), s.body) << s.path;
    EXPECT_EQ(report->raw_hits.size(), s.raw) << s.path;
    EXPECT_EQ(report->info_hits.size(), s.info) << s.path;
    EXPECT_EQ(report->xmp_hits.size(), s.xmp) << s.path;
    EXPECT_EQ(report->annot_hits.size(), s.annot) << s.path;
    EXPECT_TRUE(report->warnings.empty());
    const auto hits = all_hits(*report);
    for (const std::string& hit : s.some_hits) EXPECT_THAT(hits, Contains(hit)) << s.path;
    // Every hit names one of the terms as written, and the same call gives the same lists.
    for (const std::string& hit : hits) {
      EXPECT_TRUE(std::ranges::any_of(s.terms, [&](const std::string& t) {
        return hit.find(": " + t + " @ ") != std::string::npos;
      })) << hit;
    }
    const auto again = verify_output(engine(), path, s.terms);
    ASSERT_TRUE(again);
    EXPECT_EQ(all_hits(*again), hits) << s.path;
  }
}

}  // namespace
}  // namespace quorvel
