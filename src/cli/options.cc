#include "cli/options.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>
#include <utility>

#include "cli/tally.h"
#include "cli/terms_file.h"
#include "text/unicode.h"

namespace quorvel::cli {
namespace {

constexpr unsigned kMaxJobs = 256;

constexpr const char* kDescription =
    "Reports every place in saved PDF files where a redacted term survives: page text,\n"
    "annotations and links, object strings and streams, document information, XMP metadata.\n"
    "Exit status: 0 nothing found, 1 a term survives, 2 a file could not be verified or the\n"
    "command line is wrong.";

// Accepts a whole decimal number that fits `T`: no sign, no blanks, no wrap-around.
template <typename T>
CLI::Validator whole_number() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        T parsed{};
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, parsed);
        const bool digits_only = !value.empty() && value.front() >= '0' && value.front() <= '9';
        if (!digits_only || error != std::errc() || stop != end) {
          return fmt::format("{} is not a whole number from 0 to {}", value,
                             std::numeric_limits<T>::max());
        }
        return {};
      },
      "");
}

bool has_usable_term(const std::vector<std::string>& terms) {
  return std::ranges::any_of(
      terms, [](const std::string& term) { return !text::trim_white_space(term).empty(); });
}

}  // namespace

std::expected<Options, int> parse_command_line(int argc, char** argv) {
  Options options;
  CLI::App app{kDescription, "quorvel_verify"};
  app.failure_message(CLI::FailureMessage::help);
  app.set_version_flag("--version", "quorvel_verify " QUORVEL_VERSION);

  app.add_flag("--json", options.json, "Write one JSON object per file, one per line");
  app.add_option("--term", options.terms, "A redacted term to search for (repeatable)")
      ->type_name("TEXT")
      ->allow_extra_args(false);
  app.add_option("--terms-file", options.terms_file,
                 "A file of redacted terms, one per line, UTF-8; blank lines are ignored")
      ->type_name("PATH")
      ->check(CLI::ExistingFile.description(""));
  CLI::Option* source =
      app.add_option("--source", options.source,
                     "The unredacted PDF the files were made from: warn when far more text "
                     "vanished than expected")
          ->type_name("SRC")
          ->check(CLI::ExistingFile.description(""));
  CLI::Option* expected =
      app.add_option("--expected-removed", options.expected_removed,
                     "How many body characters the redaction should have removed")
          ->type_name("N")
          ->check(whole_number<std::uint64_t>());
  CLI::Option* excluded =
      app.add_option("--exclude-pages", options.excluded_pages,
                     "0-based pages left out of the character counts, comma-separated")
          ->type_name("0,3,...")
          ->delimiter(',')
          ->check(whole_number<std::uint32_t>());
  source->needs(expected);
  expected->needs(source);
  excluded->needs(source);
  app.add_option("--jobs", options.jobs, "Verify up to N files at once, in processes of their own")
      ->type_name("N")
      ->check(CLI::Range(1u, kMaxJobs).description(""));
  app.add_option("FILE", options.files, "Saved PDF files to verify")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return std::unexpected(app.exit(error) == 0 ? kExitClean : kExitError);
  }

  options.search_terms = options.terms;
  if (options.terms_file) {
    auto file_terms = read_terms_file(*options.terms_file);
    if (!file_terms) {
      std::fputs(fmt::format("quorvel_verify: {}\n", file_terms.error()).c_str(), stderr);
      return std::unexpected(kExitError);
    }
    options.file_terms = std::move(*file_terms);
    options.search_terms.insert(options.search_terms.end(), options.file_terms.begin(),
                                options.file_terms.end());
  }
  if (!has_usable_term(options.search_terms)) {
    // Verifying without a term would report every file clean, whatever it holds.
    std::fputs(fmt::format("quorvel_verify: no term to search for: give --term TEXT or "
                           "--terms-file PATH with at least one non-blank term\n{}",
                           app.help())
                   .c_str(),
               stderr);
    return std::unexpected(kExitError);
  }
  return options;
}

std::optional<OverRedactionInput> over_redaction_input(const Options& options) {
  if (!options.source) return std::nullopt;
  return OverRedactionInput{std::filesystem::path(*options.source), options.excluded_pages,
                            options.expected_removed};
}

ChildCommand child_command(const Options& options, const std::string& file) {
  ChildCommand command;
  std::vector<std::string>& args = command.arguments;
  // The "--name=value" form keeps a value that starts with '-' a value.
  args.push_back("--json");
  for (const std::string& term : options.terms) args.push_back("--term=" + term);
  if (options.terms_file) {
    args.push_back("--terms-file=/dev/stdin");
    // The lines hold no line end, so each comes back as the same term; the byte-order mark in
    // front is dropped again, so a term that starts with one keeps it.
    command.input = kUtf8ByteOrderMark;
    for (const std::string& term : options.file_terms) command.input += term + "\n";
  }
  if (options.source) {
    args.push_back("--source=" + *options.source);
    args.push_back(fmt::format("--expected-removed={}", options.expected_removed));
    if (!options.excluded_pages.empty()) {
      args.push_back(fmt::format("--exclude-pages={}", fmt::join(options.excluded_pages, ",")));
    }
  }
  args.push_back("--");
  args.push_back(file);
  return command;
}

}  // namespace quorvel::cli
