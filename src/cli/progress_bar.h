// A one-line progress bar on standard error, "[########------------] 4/10 files", redrawn in
// place. Drawn only when enabled; the program enables it when standard error is a terminal.
#pragma once

#include <cstdint>

namespace quorvel::cli {

class ProgressBar {
 public:
  ProgressBar(std::uint64_t total, bool enabled) : total_(total), enabled_(enabled) {}

  // Draws the bar for `done` files out of the total.
  void show(std::uint64_t done);
  // Erases the bar, so that other output can take the line.
  void clear();

 private:
  std::uint64_t total_;
  bool enabled_;
  bool drawn_ = false;
};

}  // namespace quorvel::cli
