// quorvel_verify: the verifier from a shell. Checks each saved PDF for the redacted terms and
// prints, per file, where they survive (or one JSON line per file with --json); exit status 0
// when nothing was found, 1 when a term survives, 2 when a file could not be verified or the
// command line is wrong. See cli/options.h for the command line.
#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "cli/job_runner.h"
#include "cli/options.h"
#include "cli/run_output.h"
#include "cli/tally.h"
#include "quorvel/pdfium.h"
#include "quorvel/verify.h"

namespace {

// Colour for a terminal, unless the user asked for none (https://no-color.org) or the terminal
// cannot show it.
bool colour_wanted() {
  if (!::isatty(STDOUT_FILENO)) return false;
  const char* no_color = std::getenv("NO_COLOR");
  if (no_color != nullptr && *no_color != '\0') return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::string_view(term) != "dumb";
}

}  // namespace

int main(int argc, char** argv) {
  namespace cli = quorvel::cli;
  const auto options = cli::parse_command_line(argc, argv);
  if (!options) return options.error();

  const auto engine = quorvel::bind_pdfium();
  if (!engine) {
    std::fputs(fmt::format("quorvel_verify: bind pdfium: {}\n", engine.error().describe()).c_str(),
               stderr);
    return cli::kExitError;
  }

  const std::vector<std::string>& files = options->files;
  cli::RunOutput output(files.size(),
                        options->json ? cli::OutputFormat::json : cli::OutputFormat::human,
                        colour_wanted(), ::isatty(STDERR_FILENO) && files.size() > 1);
  if (options->jobs > 1 && files.size() > 1) {
    cli::verify_in_child_processes(
        files, options->jobs,
        [&](const std::string& file) { return cli::child_command(*options, file); },
        [&](std::size_t index, cli::FileOutcome outcome) {
          output.add(index, std::move(outcome));
        });
  } else {
    const auto over_redaction = cli::over_redaction_input(*options);
    for (std::size_t i = 0; i < files.size(); ++i) {
      output.add(i, {files[i], quorvel::verify_output(*engine, std::filesystem::path(files[i]),
                                                      options->search_terms, over_redaction)});
    }
  }
  output.finish();
  return output.tally().exit_status();
}
