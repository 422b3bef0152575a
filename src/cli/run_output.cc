#include "cli/run_output.h"

#include <cstdio>
#include <string>
#include <utility>

#include "cli/human_report.h"
#include "cli/json_report.h"

namespace quorvel::cli {
namespace {

// Flushed at once, so that a pipeline reading the output sees each file as it is done.
void print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

RunOutput::RunOutput(std::size_t file_count, OutputFormat format, bool colour, bool progress)
    : format_(format), colour_(colour), progress_(file_count, progress), waiting_(file_count) {
  progress_.show(0);
}

void RunOutput::add(std::size_t index, FileOutcome outcome) {
  waiting_.at(index) = std::move(outcome);
  ++finished_;
  progress_.clear();
  for (; next_ < waiting_.size() && waiting_[next_]; ++next_) {
    write(*waiting_[next_]);
    waiting_[next_].reset();
  }
  if (finished_ < waiting_.size()) progress_.show(finished_);
}

void RunOutput::finish() {
  progress_.clear();
  if (format_ == OutputFormat::human) print(human_totals(tally_, colour_));
}

void RunOutput::write(const FileOutcome& outcome) {
  tally_.add(outcome);
  print(format_ == OutputFormat::json ? json_line(outcome) : human_file_report(outcome, colour_));
}

}  // namespace quorvel::cli
