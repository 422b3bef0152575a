// Throughput of the matcher and of ac_hit_mask on large generated text, with the twelve terms
// bench_verify searches for in its letter-to-shareholders sample.
//
//   bench_match [--text=FILE] [benchmark flags]   runs the benchmarks; with --text, also over
//                                                 the bytes of FILE (page text, say)
//   bench_match --write-haystacks DIR             writes terms.txt, no_matches.txt and
//                                                 frequent.txt to DIR, for compare_grep.sh
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "match/aho_corasick.h"
#include "verify_redaction/needles.h"

namespace {

using quorvel::match::AhoCorasick;
using quorvel::match::Match;

const std::vector<std::string> kTerms{
    "Berkshire", "Whitcombe", "shareholders",  "Acme", "Okonkwo", "investment",
    "earnings",  "Q4",        "annual report", "BNSF", "GEICO",   "intrinsic value"};

// Common English words, none of which, alone or next to another, spells a term.
constexpr std::string_view kWords[] = {
    "the",       "of",       "and",      "to",       "in",     "is",       "was",      "that",
    "for",       "it",       "with",     "as",       "on",     "be",       "at",       "by",
    "this",      "had",      "not",      "are",      "but",    "from",     "or",       "have",
    "an",        "they",     "which",    "one",      "you",    "were",     "all",      "we",
    "her",       "she",      "there",    "would",    "their",  "will",     "when",     "who",
    "him",       "been",     "has",      "more",     "if",     "no",       "out",      "so",
    "said",      "what",     "up",       "its",      "about",  "than",     "into",     "them",
    "can",       "only",     "other",    "time",     "new",    "some",     "could",    "these",
    "two",       "may",      "first",    "then",     "do",     "any",      "like",     "my",
    "now",       "over",     "such",     "our",      "man",    "me",       "even",     "most",
    "made",      "after",    "also",     "did",      "many",   "off",      "before",   "must",
    "well",      "back",     "through",  "years",    "much",   "where",    "your",     "way",
    "down",      "should",   "because",  "each",     "just",   "those",    "people",   "how",
    "too",       "little",   "state",    "good",     "very",   "make",     "world",    "still",
    "own",       "see",      "men",      "work",     "long",   "get",      "here",     "between",
    "both",      "life",     "being",    "under",    "never",  "day",      "same",     "another",
    "know",      "while",    "last",     "might",    "us",     "great",    "old",      "year",
    "come",      "since",    "against",  "go",       "came",   "right",    "used",     "take",
    "three",     "company",  "business", "capital",  "market", "price",    "return",   "operating",
    "insurance", "railroad", "float",    "managers", "owners", "partners", "board",    "results",
    "record",    "quarter",  "growth",   "value",    "cash",   "debt",     "stock",    "bonds",
    "bank",      "risk",     "profit",   "loss",     "report", "letter",   "chairman", "manager",
    "energy",    "utility",  "2025",     "2024",     "$14.2",  "billion",  "million",  "percent",
    "(see",      "page",     "12)",      "Omaha",
};

// Text of `size` bytes from a fixed seed: sentences of common words, lines of about 80 bytes.
// With `term_every` > 0, about one word in `term_every` is a term, in its own spelling, in lower
// case or in upper case.
std::string generate_text(std::size_t size, unsigned term_every) {
  std::mt19937_64 rng(0x5eed);
  std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
  std::uniform_int_distribution<std::size_t> term(0, kTerms.size() - 1);
  std::uniform_int_distribution<unsigned> chance(0, term_every > 0 ? term_every - 1 : 0);
  std::uniform_int_distribution<int> sentence_length(5, 20);
  std::string text;
  text.reserve(size + 64);
  std::size_t line_start = 0;
  while (text.size() < size) {
    const int words = sentence_length(rng);
    for (int i = 0; i < words; ++i) {
      std::string w;
      if (term_every > 0 && chance(rng) == 0) {
        w = kTerms[term(rng)];
        const unsigned spelling = chance(rng) % 3;
        for (char& c : w) {
          if (spelling == 1 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
          if (spelling == 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
      } else {
        w = kWords[word(rng)];
      }
      if (i == 0 && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 'a' + 'A');
      text += w;
      text += i + 1 == words ? ". " : " ";
      if (text.size() - line_start >= 76) {
        text.back() = '\n';
        line_start = text.size();
      }
    }
  }
  text.resize(size);
  return text;
}

constexpr std::size_t kHaystackBytes = std::size_t{64} << 20;

const std::string& no_matches() {
  static const std::string text = generate_text(kHaystackBytes, 0);
  return text;
}

const std::string& frequent() {
  static const std::string text = generate_text(kHaystackBytes, 20);
  return text;
}

// The bytes of the file given with --text.
std::string given_text;

const std::string& given() { return given_text; }

struct Matcher {
  std::vector<quorvel::verify::Needle> needles;
  AhoCorasick ac;
};

// As the verifier builds it, or the same without the prefilter.
const Matcher& matcher(bool prefilter) {
  static const auto build = [](bool with_prefilter) {
    std::vector<quorvel::verify::Needle> needles = quorvel::verify::normalize_terms(kTerms);
    std::vector<std::string_view> lowers;
    for (const auto& n : needles) lowers.push_back(n.lower);
    auto ac = quorvel::match::AhoCorasickBuilder()
                  .ascii_case_insensitive(true)
                  .prefilter(with_prefilter)
                  .build(lowers);
    if (!ac) std::abort();
    return Matcher{std::move(needles), std::move(*ac)};
  };
  static const Matcher with = build(true);
  static const Matcher without = build(false);
  return prefilter ? with : without;
}

std::string fmt_name(std::string_view what, std::string_view haystack) {
  return std::string(what) + "/" + std::string(haystack);
}

std::size_t count_matches(const AhoCorasick& ac, std::string_view text) {
  std::size_t count = 0;
  ac.for_each_match(text, [&](const Match&) {
    ++count;
    return true;
  });
  return count;
}

void BM_HitMask(benchmark::State& state, const std::string& (*text_of)()) {
  const std::string& text = text_of();
  const Matcher& m = matcher(true);
  for (auto _ : state) {
    auto mask = quorvel::verify::ac_hit_mask(m.ac, text, m.needles.size());
    benchmark::DoNotOptimize(mask.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The page scan's use: one mask per page of about 4 KiB. Few pages hold all twelve terms, so
// the early stop rarely cuts a search short.
void BM_HitMaskPerPage(benchmark::State& state, const std::string& (*text_of)()) {
  const std::string_view text = text_of();
  const Matcher& m = matcher(true);
  constexpr std::size_t kPage = 4096;
  for (auto _ : state) {
    for (std::size_t at = 0; at < text.size(); at += kPage) {
      auto mask = quorvel::verify::ac_hit_mask(m.ac, text.substr(at, kPage), m.needles.size());
      benchmark::DoNotOptimize(mask.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ForEachMatch(benchmark::State& state, const std::string& (*text_of)(), bool prefilter) {
  const std::string& text = text_of();
  const Matcher& m = matcher(prefilter);
  std::size_t count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(count = count_matches(m.ac, text));
  state.counters["matches"] = static_cast<double>(count);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void register_benchmarks(std::string_view name, const std::string& (*text_of)()) {
  auto add = [&](std::string_view what, auto&&... args) {
    benchmark::RegisterBenchmark(fmt_name(what, name).c_str(), args...)
        ->Unit(benchmark::kMillisecond);
  };
  add("HitMask", BM_HitMask, text_of);
  add("HitMaskPerPage", BM_HitMaskPerPage, text_of);
  add("ForEachMatch", BM_ForEachMatch, text_of, true);
  add("ForEachMatchNoPrefilter", BM_ForEachMatch, text_of, false);
}

bool write_file(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int write_haystacks(const std::filesystem::path& dir) {
  std::string terms;
  for (const std::string& t : kTerms) terms += t + "\n";
  if (!write_file(dir / "terms.txt", terms) || !write_file(dir / "no_matches.txt", no_matches()) ||
      !write_file(dir / "frequent.txt", frequent())) {
    std::fprintf(stderr, "bench_match: couldn't write to %s\n", dir.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--write-haystacks")
    return write_haystacks(argv[2]);
  if (count_matches(matcher(true).ac, no_matches()) != 0) {
    std::fprintf(stderr, "bench_match: the text meant to hold no term holds one\n");
    return 1;
  }
  register_benchmarks("no_matches", no_matches);
  register_benchmarks("frequent", frequent);
  if (argc > 1 && std::string_view(argv[1]).starts_with("--text=")) {
    std::ifstream in(argv[1] + std::strlen("--text="), std::ios::binary);
    given_text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
      std::fprintf(stderr, "bench_match: couldn't read %s\n", argv[1]);
      return 1;
    }
    register_benchmarks("text", given);
    argv[1] = argv[0];
    --argc;
    ++argv;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
