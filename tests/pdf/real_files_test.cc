// Real files, read by quorvel_dump and by qpdf_dump (libqpdf): the same objects, kinds, strings
// and decoded stream contents. The small-file part of the differential test.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <tuple>

namespace {

using Json = nlohmann::json;
using Id = std::pair<int, int>;

std::map<Id, Json> dump(const std::string& tool, const std::string& file) {
  std::map<Id, Json> objects;
  const std::string command = std::string(QUORVEL_BINARY_DIR) + "/bin/" + tool + " '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return objects;
  std::string out;
  char buf[65536];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    Json line = Json::parse(out.substr(start, end - start));
    objects[{line["num"].get<int>(), line["gen"].get<int>()}] = line;
  }
  return objects;
}

std::multiset<std::pair<std::string, std::string>> strings(const Json& line) {
  std::multiset<std::pair<std::string, std::string>> out;
  for (const Json& s : line["strings"]) out.emplace(s["path"], s["hex"]);
  return out;
}

class RealFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(RealFiles, AgreeWithQpdfObjectByObject) {
  const std::string file = std::string(QUORVEL_SOURCE_DIR) + "/" + GetParam();
  const auto ours = dump("quorvel_dump", file);
  const auto theirs = dump("qpdf_dump", file);
  ASSERT_FALSE(ours.empty());
  ASSERT_EQ(ours.size(), theirs.size());
  for (const auto& [id, a] : ours) {
    ASSERT_TRUE(theirs.contains(id)) << id.first;
    const Json& b = theirs.at(id);
    EXPECT_EQ(a["kind"], b["kind"]) << id.first;
    EXPECT_EQ(strings(a), strings(b)) << id.first;
    if (!a.contains("stream")) continue;
    const Json& sa = a["stream"];
    const Json& sb = b["stream"];
    if (sa["decoded_len"].is_null() && !sb["decoded_len"].is_null()) {
      // An object stream: kept decoded and without its filter.
      EXPECT_EQ(sa["stored_len"], sb["decoded_len"]) << id.first;
    } else {
      EXPECT_EQ(sa["decoded_sha256"], sb["decoded_sha256"]) << id.first;
      EXPECT_EQ(sa["stored_len"], sb["stored_len"]) << id.first;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RealFiles,
    ::testing::Values("tests/pdf/real/xorg-README.pdf", "tests/pdf/real/xorg-Versions.pdf",
                      "spikes/cross-platform-render/fixtures/03_brk_letter.pdf",
                      "spikes/redaction-integrity/fixtures/real-world/02_arxiv_2cols.pdf",
                      "spikes/redaction-integrity/fixtures/real-world/04_scotus.pdf",
                      "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf",
                      "bench/samples/attention-is-all-you-need.pdf"));

}  // namespace
