#include "cli/child_process.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

extern char** environ;

namespace quorvel::cli {
namespace {

std::string os_error(int error) { return std::generic_category().message(error); }

// Both ends close on exec, so that no child inherits another child's pipe; the copies a child
// gets as its standard input and output are made by dup2 and stay open.
bool make_pipe(int ends[2]) { return ::pipe2(ends, O_CLOEXEC) == 0; }

// Writes `data` to a pipe whose reader may have gone; that is not worth the SIGPIPE that would
// end this process, so the signal is held back meanwhile and a pending one taken away.
void write_all(int fd, std::string_view data) {
  sigset_t pipe_signal, previous;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  bool reader_gone = false;
  while (!data.empty()) {
    const ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      reader_gone = errno == EPIPE;
      break;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  if (reader_gone) {
    const timespec no_wait{};
    while (sigtimedwait(&pipe_signal, nullptr, &no_wait) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

std::expected<ChildProcess, std::string> start_child(const std::string& executable,
                                                     const std::vector<std::string>& arguments,
                                                     std::string_view input) {
  int input_pipe[2];
  int output_pipe[2];
  if (!make_pipe(input_pipe)) return std::unexpected(os_error(errno));
  if (!make_pipe(output_pipe)) {
    const int error = errno;
    ::close(input_pipe[0]);
    ::close(input_pipe[1]);
    return std::unexpected(os_error(error));
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input_pipe[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output_pipe[1], STDOUT_FILENO);

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int error =
      ::posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(input_pipe[0]);
  ::close(output_pipe[1]);
  if (error != 0) {
    ::close(input_pipe[1]);
    ::close(output_pipe[0]);
    return std::unexpected(os_error(error));
  }
  write_all(input_pipe[1], input);
  ::close(input_pipe[1]);
  return ChildProcess{pid, output_pipe[0]};
}

std::optional<int> wait_for_child(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  return status;
}

std::string describe_exit(int wait_status) {
  if (WIFEXITED(wait_status)) {
    return fmt::format("exited with status {}", WEXITSTATUS(wait_status));
  }
  if (WIFSIGNALED(wait_status)) {
    const int signal = WTERMSIG(wait_status);
    return fmt::format("was killed by signal {} ({})", signal, ::strsignal(signal));
  }
  return fmt::format("ended with wait status {}", wait_status);
}

}  // namespace quorvel::cli
