// The command line of quorvel_verify:
//
//   quorvel_verify [--json] [--term TEXT]... [--terms-file PATH]
//                  [--source SRC --expected-removed N [--exclude-pages 0,3,...]] [--jobs N] FILE...
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "quorvel/verify.h"

namespace quorvel::cli {

struct Options {
  // One JSON line per file instead of the report for people.
  bool json = false;
  // The --term values, in order.
  std::vector<std::string> terms;
  // The --terms-file path, bytes as given, and the terms read from it.
  std::optional<std::string> terms_file;
  std::vector<std::string> file_terms;
  // What the verifier searches for: `terms`, then `file_terms`.
  std::vector<std::string> search_terms;
  // --source, --expected-removed and --exclude-pages; `source` set switches the check on.
  std::optional<std::string> source;
  std::uint64_t expected_removed = 0;
  std::vector<std::uint32_t> excluded_pages;
  // How many files are verified at once, each in a process of its own when more than one.
  unsigned jobs = 1;
  // The files to verify, bytes as given, in order.
  std::vector<std::string> files;
};

// Parses the command line and reads the terms file. Fails with the exit status the program
// should end with, having printed what it must: 0 after --help or --version (on standard
// output); 2 after a usage error, including a command line without any non-blank term (the
// message and the usage on standard error), or when the terms file cannot be read.
std::expected<Options, int> parse_command_line(int argc, char** argv);

// The over-redaction input the options ask for, if any.
std::optional<OverRedactionInput> over_redaction_input(const Options& options);

// How this program is run to verify one file alone with the same terms and over-redaction
// input, writing one JSON line.
struct ChildCommand {
  // The arguments after the program name.
  std::vector<std::string> arguments;
  // What the child reads on its standard input: the terms file's terms, one per line. They are
  // handed on rather than read again, since the file may be readable once only (a pipe).
  std::string input;
};
ChildCommand child_command(const Options& options, const std::string& file);

}  // namespace quorvel::cli
