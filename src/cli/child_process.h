// Starting a child process whose standard output comes back through a pipe.
#pragma once

#include <sys/types.h>

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

struct ChildProcess {
  pid_t pid = -1;
  // The reading end of the pipe that is the child's standard output.
  int output = -1;
};

// Starts `executable` with `arguments` (the program name first). Its standard input reads
// `input` from a pipe, its standard output goes into the other pipe, its standard error is
// ours. Returns once the child has taken the whole input or has gone. Fails with the operating
// system's description of the error.
std::expected<ChildProcess, std::string> start_child(const std::string& executable,
                                                     const std::vector<std::string>& arguments,
                                                     std::string_view input);

// Waits for the child to end and returns its wait status; nothing when it cannot be waited for.
std::optional<int> wait_for_child(pid_t pid);

// How a child ended, from its wait status: "exited with status 3", "was killed by signal 9
// (Killed)".
std::string describe_exit(int wait_status);

}  // namespace quorvel::cli
