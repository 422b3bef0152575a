#include "cli/human_report.h"

#include <fmt/format.h>

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cli/hit_lists.h"
#include "text/unicode.h"

namespace quorvel::cli {
namespace {

constexpr std::string_view kBoldRed = "\x1b[1;31m";
constexpr std::string_view kBoldGreen = "\x1b[1;32m";
constexpr std::string_view kBoldMagenta = "\x1b[1;35m";
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kYellow = "\x1b[33m";
constexpr std::string_view kDim = "\x1b[2m";
constexpr std::string_view kReset = "\x1b[0m";

class Painter {
 public:
  explicit Painter(bool colour) : colour_(colour) {}
  std::string operator()(std::string_view style, std::string_view text) const {
    if (!colour_) return std::string(text);
    return fmt::format("{}{}{}", style, text, kReset);
  }

 private:
  bool colour_;
};

// UTF-8 with every invalid sequence replaced, and C0 controls, DEL and C1 controls written as
// "\x1b" and the like.
std::string printable(std::string_view bytes) {
  const std::string valid = text::utf8_with_replacement(bytes);
  std::string out;
  out.reserve(valid.size());
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const auto byte = static_cast<unsigned char>(valid[i]);
    if (byte < 0x20 || byte == 0x7F) {
      out += fmt::format("\\x{:02x}", byte);
    } else if (byte == 0xC2 && i + 1 < valid.size() &&
               static_cast<unsigned char>(valid[i + 1]) <= 0x9F) {
      // U+0080 to U+009F are encoded as C2 80 to C2 9F.
      out += fmt::format("\\x{:02x}", static_cast<unsigned char>(valid[++i]));
    } else {
      out += valid[i];
    }
  }
  return out;
}

std::string count_of(std::uint64_t n, std::string_view one, std::string_view many) {
  return fmt::format("{} {}", n, n == 1 ? one : many);
}

// The hits of one list, one entry per location in the order the locations first appear, each
// with its terms in the order found.
struct LocationTerms {
  std::string location;
  std::vector<std::string> terms;
};

std::vector<LocationTerms> by_location(const std::vector<LeakHit>& hits) {
  std::vector<LocationTerms> out;
  std::unordered_map<std::string_view, std::size_t> index;
  for (const LeakHit& hit : hits) {
    const auto [it, fresh] = index.try_emplace(hit.location, out.size());
    if (fresh) out.push_back({hit.location, {}});
    out[it->second].terms.push_back(hit.term);
  }
  return out;
}

std::uint64_t distinct_terms_found(const VerifyReport& report) {
  std::unordered_set<std::string_view> terms;
  for (const HitList& list : kHitLists) {
    for (const LeakHit& hit : report.*list.hits) terms.insert(hit.term);
  }
  return terms.size();
}

std::string header(const FileOutcome& outcome, const Painter& paint) {
  const std::string name = paint(kBold, printable(outcome.file));
  if (!outcome.report) {
    return fmt::format("{}  {} \u2014 {}\n", paint(kBoldMagenta, "ERROR"), name,
                       printable(outcome.report.error()));
  }
  const VerifyReport& report = *outcome.report;
  const std::uint64_t hits = hit_count(report);
  if (hits == 0) {
    return fmt::format("{}  {} \u2014 no hits, {} searched\n", paint(kBoldGreen, "CLEAN"), name,
                       count_of(report.term_count, "term", "terms"));
  }
  return fmt::format("{}  {} \u2014 {}, {} of {} found\n", paint(kBoldRed, "LEAKS"), name,
                     count_of(hits, "hit", "hits"), distinct_terms_found(report),
                     count_of(report.term_count, "term", "terms"));
}

}  // namespace

std::string human_file_report(const FileOutcome& outcome, bool colour) {
  const Painter paint(colour);
  std::string out = header(outcome, paint);
  if (!outcome.report) return out + "\n";
  const VerifyReport& report = *outcome.report;

  for (const HitList& list : kHitLists) {
    const std::vector<LeakHit>& hits = report.*list.hits;
    if (hits.empty()) continue;
    out += fmt::format("  {} ({})\n", paint(kBold, list.title), hits.size());
    for (const LocationTerms& place : by_location(hits)) {
      std::string terms;
      for (const std::string& term : place.terms) {
        if (!terms.empty()) terms += ", ";
        terms += paint(kBoldRed, fmt::format("\"{}\"", printable(term)));
      }
      out += fmt::format("    {}: {}\n", printable(place.location), terms);
    }
  }
  for (const LeakHit& warning : report.warnings) {
    const std::string term =
        warning.term.empty() ? "" : fmt::format("\"{}\" ", printable(warning.term));
    out += fmt::format(
        "  {}\n", paint(kYellow, fmt::format("Warning: {}{}", term, printable(warning.location))));
  }
  std::string not_audited;
  for (const std::string_view entry : report.not_audited) {
    if (!not_audited.empty()) not_audited += ", ";
    not_audited += entry;
  }
  out += fmt::format("  {}\n", paint(kDim, "Not audited: " + not_audited));
  return out + "\n";
}

std::string human_totals(const Tally& tally, bool colour) {
  const Painter paint(colour);
  std::string line = fmt::format("{}: {} with leaks ({}), {} clean, {} not verified",
                                 count_of(tally.files, "file", "files"), tally.leaking,
                                 count_of(tally.hits, "hit", "hits"), tally.clean, tally.failed);
  if (tally.warnings > 0) line += ", " + count_of(tally.warnings, "warning", "warnings");
  return paint(kBold, line) + "\n";
}

}  // namespace quorvel::cli
