// Writes the seed corpora of the fuzz targets into one folder per target:
//
//   fuzz_seeds OUT_DIR PDF...
//
//   load/, object_passes/   each PDF of at most kMaxSeedFileBytes, and the hostile corpus of
//                           tests/hostile (its small cases, bombs left out)
//   flate/, lzw/, ascii85/, ascii_hex/, run_length/
//                           the stored bytes of the PDFs' streams whose only filter is that one,
//                           behind the output-limit byte the filter targets read first
//   predictor/              Flate streams with PNG predictors, decoded, behind the limit byte
//                           and the four parameters the predictor target reads
//   match_differential/     a few pattern sets and haystacks in the target's input format
//
// Seeds are named by their content's hash, so writing them twice changes nothing.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hostile/hostile_cases.h"
#include "pdf/document.h"
#include "pdf/filters/filters.h"

namespace fs = std::filesystem;
using quorvel::pdf::Document;
using quorvel::pdf::Stream;

namespace {

constexpr std::size_t kMaxSeedFileBytes = 400'000;
// Stream seeds per filter and file: enough variety without flooding the corpus.
constexpr int kStreamsPerFilterAndFile = 8;
// The limit byte that gives the filter targets their largest output limit (1 MiB).
constexpr char kLargestLimit = static_cast<char>(128 + 20);

void write_seed(const fs::path& dir, std::string_view bytes) {
  fs::create_directories(dir);
  char name[17];
  std::snprintf(name, sizeof name, "%016zx", std::hash<std::string_view>{}(bytes));
  std::ofstream(dir / name, std::ios::binary).write(bytes.data(), std::ssize(bytes));
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The filter target that takes a stream whose /Filter is exactly one of these names.
const std::map<std::string_view, std::string_view> kFilterTargets = {
    {"FlateDecode", "flate"},
    {"Fl", "flate"},
    {"LZWDecode", "lzw"},
    {"LZW", "lzw"},
    {"ASCII85Decode", "ascii85"},
    {"A85", "ascii85"},
    {"ASCIIHexDecode", "ascii_hex"},
    {"AHx", "ascii_hex"},
    {"RunLengthDecode", "run_length"},
    {"RL", "run_length"},
};

std::string_view single_filter(const Stream& stream) {
  const auto filter = stream.dict.get("Filter");
  if (const auto name = filter.as_name()) return *name;
  if (filter.items().size() == 1) return filter.items()[0].as_name().value_or("");
  return {};
}

void write_stream_seeds(const fs::path& out, const Document& doc) {
  std::map<std::string_view, int> written;
  for (const auto& object : doc.objects()) {
    const Stream* stream = object.object.stream();
    if (stream == nullptr) continue;
    const auto target = kFilterTargets.find(single_filter(*stream));
    if (target == kFilterTargets.end() || written[target->second]++ >= kStreamsPerFilterAndFile)
      continue;
    std::string seed(1, kLargestLimit);
    if (target->second == "lzw") {
      const auto early = stream->dict.get("DecodeParms").dictionary().get("EarlyChange");
      seed += static_cast<char>(early.as_integer().value_or(1) & 1);
    }
    write_seed(out / target->second, seed + std::string(stream->data));

    const auto parms = stream->dict.get("DecodeParms").dictionary();
    const auto predictor = parms.get("Predictor").as_integer().value_or(1);
    if (target->second != "flate" || predictor < 10) continue;
    const auto inflated = quorvel::pdf::flate_decode(stream->data, 1 << 20);
    if (!inflated) continue;
    // Even first field: the target maps it to 10 + (field & 7).
    const std::array<std::int32_t, 4> fields = {
        static_cast<std::int32_t>((predictor - 10) * 2),
        static_cast<std::int32_t>(parms.get("Colors").as_integer().value_or(1)),
        static_cast<std::int32_t>(parms.get("BitsPerComponent").as_integer().value_or(8)),
        static_cast<std::int32_t>(parms.get("Columns").as_integer().value_or(1))};
    std::string p(1, kLargestLimit);
    p.append(reinterpret_cast<const char*>(fields.data()), sizeof fields);
    write_seed(out / "predictor", p + *inflated);
  }
}

// A seed in the differential target's format: settings, pattern count, length-prefixed
// patterns, haystack.
std::string match_seed(std::uint8_t settings, const std::vector<std::string>& patterns,
                       std::string_view haystack) {
  std::string s{static_cast<char>(settings), static_cast<char>(patterns.size() - 1)};
  for (const std::string& p : patterns) s += static_cast<char>(p.size() - 1) + p;
  return s + std::string(haystack);
}

void write_match_seeds(const fs::path& dir) {
  constexpr std::uint8_t kFold = 1, kPrefilter = 2, kNarrowed = 0x20;
  write_seed(dir, match_seed(kFold | kPrefilter, {"acme", "acme corp"}, "ACME CORP and acme"));
  write_seed(dir, match_seed(kFold | kPrefilter, {"sam", "samwise"}, "Samwise Gamgee, Sam"));
  write_seed(dir, match_seed(kFold | kNarrowed, {"ab", "aab", "b"}, "aabbaBAbaab@`ab"));
  write_seed(dir, match_seed(kPrefilter,
                             {"\xC3\xA9"
                              "cole"},
                             "\xC3\x89"
                             "COLE \xC3\xA9"
                             "cole"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR PDF...\n");
    return 2;
  }
  const fs::path out = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string bytes = read_file(argv[i]);
    if (bytes.size() <= kMaxSeedFileBytes) {
      write_seed(out / "load", bytes);
      write_seed(out / "object_passes", bytes);
    }
    if (const auto doc = Document::load(std::move(bytes))) write_stream_seeds(out, *doc);
  }
  for (const quorvel::testing::HostileCase& c : quorvel::testing::hostile_cases()) {
    // A bomb costs a second per run at the decode bounds; the fuzzers find their own ways there.
    if (c.bytes.size() > kMaxSeedFileBytes || c.name.find("bomb") != std::string::npos) continue;
    write_seed(out / "load", c.bytes);
    write_seed(out / "object_passes", c.bytes);
    if (const auto doc = Document::load(c.bytes)) write_stream_seeds(out, *doc);
  }
  write_match_seeds(out / "match_differential");
  return 0;
}
