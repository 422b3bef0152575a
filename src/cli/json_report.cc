#include "cli/json_report.h"

#include <fmt/format.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "cli/hit_lists.h"
#include "text/unicode.h"

namespace quorvel::cli {
namespace {

using nlohmann::ordered_json;
using text::utf8_with_replacement;

ordered_json hits_json(const std::vector<LeakHit>& hits) {
  ordered_json out = ordered_json::array();
  for (const LeakHit& hit : hits) {
    out.push_back(ordered_json{{"term", utf8_with_replacement(hit.term)},
                               {"location", utf8_with_replacement(hit.location)}});
  }
  return out;
}

std::vector<LeakHit> hits_from_json(const nlohmann::json& array) {
  std::vector<LeakHit> hits;
  for (const nlohmann::json& hit : array.get_ref<const nlohmann::json::array_t&>()) {
    hits.push_back({hit.at("term").get<std::string>(), hit.at("location").get<std::string>()});
  }
  return hits;
}

}  // namespace

std::string json_line(const FileOutcome& outcome) {
  ordered_json line;
  line["file"] = utf8_with_replacement(outcome.file);
  line["ok"] = outcome.report.has_value();
  if (!outcome.report) {
    line["error"] = utf8_with_replacement(outcome.report.error());
  } else {
    const VerifyReport& report = *outcome.report;
    line["term_count"] = report.term_count;
    for (const HitList& list : kHitLists) line[list.json_key] = hits_json(report.*list.hits);
    line["warnings"] = hits_json(report.warnings);
    ordered_json not_audited = ordered_json::array();
    for (const std::string_view entry : report.not_audited) not_audited.push_back(entry);
    line["not_audited"] = std::move(not_audited);
  }
  // The strings are valid UTF-8 already; replacing is only the serialiser's fallback.
  return line.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

FileOutcome outcome_from_json_line(std::string file, std::string_view line) {
  FileOutcome outcome{std::move(file), VerifyReport{}};
  try {
    const nlohmann::json json = nlohmann::json::parse(line);
    if (!json.at("ok").get<bool>()) {
      outcome.report = std::unexpected(json.at("error").get<std::string>());
      return outcome;
    }
    VerifyReport& report = *outcome.report;
    report.term_count = json.at("term_count").get<std::uint64_t>();
    for (const HitList& list : kHitLists) {
      report.*list.hits = hits_from_json(json.at(std::string(list.json_key)));
    }
    report.warnings = hits_from_json(json.at("warnings"));
    // `not_audited` is left as a new report holds it: the same three entries in every report.
  } catch (const nlohmann::json::exception& error) {
    outcome.report = std::unexpected(fmt::format(
        "verify: couldn't read the result of the process that checked the file: {}", error.what()));
  }
  return outcome;
}

}  // namespace quorvel::cli
