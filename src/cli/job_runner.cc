#include "cli/job_runner.h"

#include <fmt/format.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "cli/child_process.h"
#include "cli/json_report.h"
#include "lib/executable_path.h"

namespace quorvel::cli {
namespace {

struct Running {
  std::size_t index;
  ChildProcess child;
  std::string output;
};

// The running program itself. On Linux the kernel's link stays valid even when the file has
// been replaced since the program started.
std::string self_executable() {
#if defined(__linux__)
  return "/proc/self/exe";
#else
  const auto path = engine::executable_path();
  return path ? path->string() : std::string();
#endif
}

FileOutcome failed(const std::string& file, std::string message) {
  return {file, std::unexpected(std::move(message))};
}

// What a child that has closed its output gave: its line, when it wrote a whole one, whatever
// happened to it afterwards; otherwise how it ended.
FileOutcome collect(const std::string& file, Running& running) {
  ::close(running.child.output);
  const std::optional<int> status = wait_for_child(running.child.pid);
  if (!running.output.empty() && running.output.back() == '\n') {
    return outcome_from_json_line(file, running.output);
  }
  const std::string how = status ? describe_exit(*status) : "could not be waited for";
  return failed(file,
                fmt::format("verify: the process that checked the file {} without a result", how));
}

}  // namespace

void verify_in_child_processes(
    std::span<const std::string> files, unsigned jobs,
    const std::function<ChildCommand(const std::string& file)>& child_command,
    const std::function<void(std::size_t index, FileOutcome outcome)>& done) {
  const std::string executable = self_executable();
  std::vector<Running> running;
  std::size_t next = 0;
  std::vector<char> buffer(1 << 16);

  while (next < files.size() || !running.empty()) {
    while (running.size() < jobs && next < files.size()) {
      const ChildCommand command = child_command(files[next]);
      std::vector<std::string> arguments{"quorvel_verify"};
      arguments.insert(arguments.end(), command.arguments.begin(), command.arguments.end());
      auto child = start_child(executable, arguments, command.input);
      if (child) {
        running.push_back({next, *child, {}});
      } else {
        done(next, failed(files[next],
                          fmt::format("verify: couldn't start a process to check the file: {}",
                                      child.error())));
      }
      ++next;
    }
    if (running.empty()) continue;

    std::vector<pollfd> waiting;
    for (const Running& r : running) waiting.push_back({r.child.output, POLLIN, 0});
    if (::poll(waiting.data(), waiting.size(), -1) < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      // Not expected with valid descriptors; end every child as failed rather than spin.
      for (Running& r : running) {
        ::kill(r.child.pid, SIGKILL);
        done(r.index, collect(files[r.index], r));
      }
      running.clear();
      continue;
    }
    // From the back, so that erasing an entry leaves the ones still to look at in place.
    for (std::size_t i = waiting.size(); i-- > 0;) {
      if (waiting[i].revents == 0) continue;
      Running& r = running[i];
      const ssize_t got = ::read(r.child.output, buffer.data(), buffer.size());
      if (got > 0) {
        r.output.append(buffer.data(), static_cast<std::size_t>(got));
        continue;
      }
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      FileOutcome outcome = collect(files[r.index], r);
      const std::size_t index = r.index;
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
      done(index, std::move(outcome));
    }
  }
}

}  // namespace quorvel::cli
