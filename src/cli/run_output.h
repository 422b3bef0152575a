// Writes the outcome of each file on standard output in the order the files were given, as
// soon as that order allows, whatever order they finish in; keeps the totals and the progress
// bar.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "cli/file_outcome.h"
#include "cli/progress_bar.h"
#include "cli/tally.h"

namespace quorvel::cli {

enum class OutputFormat { human, json };

class RunOutput {
 public:
  // `colour` adds terminal colours to the human format; `progress` draws the progress bar.
  RunOutput(std::size_t file_count, OutputFormat format, bool colour, bool progress);

  // The outcome of the file at `index` (0-based, in command-line order); each index once.
  void add(std::size_t index, FileOutcome outcome);

  // After the last outcome: erases the progress bar and, in the human format, writes the totals.
  void finish();

  const Tally& tally() const { return tally_; }

 private:
  void write(const FileOutcome& outcome);

  OutputFormat format_;
  bool colour_;
  ProgressBar progress_;
  std::vector<std::optional<FileOutcome>> waiting_;
  std::size_t next_ = 0;
  std::size_t finished_ = 0;
  Tally tally_;
};

}  // namespace quorvel::cli
