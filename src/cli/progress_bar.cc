#include "cli/progress_bar.h"

#include <fmt/format.h>

#include <cstdio>
#include <string>

namespace quorvel::cli {
namespace {

constexpr std::uint64_t kWidth = 30;
// Carriage return, then erase the whole line.
constexpr const char* kEraseLine = "\r\x1b[2K";

}  // namespace

void ProgressBar::show(std::uint64_t done) {
  if (!enabled_ || total_ == 0) return;
  const std::uint64_t filled = done >= total_ ? kWidth : done * kWidth / total_;
  const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '-');
  std::fputs(fmt::format("{}[{}] {}/{} files", kEraseLine, bar, done, total_).c_str(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::clear() {
  if (!drawn_) return;
  std::fputs(kEraseLine, stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace quorvel::cli
