#include "hostile/child_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quorvel::testing {
namespace {

std::string read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Parses the child's report lines (see verify_child.cc).
std::vector<ChildVerification> parse(const std::string& out) {
  std::vector<ChildVerification> results;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with("file ")) {
      results.emplace_back().elapsed = std::chrono::milliseconds(std::stoll(line.substr(5)));
    } else if (results.empty() || line == "end") {
      continue;
    } else if (line.starts_with("hit ")) {
      const std::size_t list_end = line.find(' ', 4);
      results.back().hits.push_back(line.substr(4, list_end - 4) + ": " +
                                    line.substr(list_end + 1));
    } else if (line.starts_with("error ")) {
      results.back().error = line.substr(6);
    }
  }
  return results;
}

}  // namespace

ChildRun run_verify_child(const std::vector<std::filesystem::path>& files,
                          const std::vector<std::string>& terms, std::chrono::seconds deadline,
                          const std::string& as_user) {
  const std::filesystem::path exe =
      std::filesystem::path(QUORVEL_BINARY_DIR) / "bin" / "hostile_verify";
  std::vector<std::string> args{exe.string()};
  for (const std::string& t : terms) args.insert(args.end(), {"--term", t});
  if (!as_user.empty()) args.insert(args.end(), {"--as-user", as_user});
  for (const auto& f : files) args.push_back(f.string());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const auto temp = [](const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
  };
  std::string out_template = temp("hostile-out-XXXXXX");
  std::string err_template = temp("hostile-err-XXXXXX");
  const int out_fd = ::mkstemp(out_template.data());
  const int err_fd = ::mkstemp(err_template.data());
  if (out_fd < 0 || err_fd < 0) throw std::runtime_error("cannot create capture files");

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(err_fd, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out_fd);
  ::close(err_fd);

  ChildRun run;
  const auto stop = std::chrono::steady_clock::now() + deadline;
  int status = 0;
  rusage usage{};
  while (true) {
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("wait4 failed");
    if (std::chrono::steady_clock::now() > stop) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      run.failure = "killed after " + std::to_string(deadline.count()) + " s";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.peak_rss_bytes = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
  run.results = parse(read_all(out_template));
  run.stderr_text = read_all(err_template);
  std::filesystem::remove(out_template);
  std::filesystem::remove(err_template);
  if (run.failure.empty()) {
    if (WIFSIGNALED(status)) {
      run.failure = std::string("killed by signal ") + ::strsignal(WTERMSIG(status));
    } else if (WEXITSTATUS(status) != 0) {
      run.failure = "exit status " + std::to_string(WEXITSTATUS(status));
    } else if (run.results.size() != files.size()) {
      run.failure = "reported " + std::to_string(run.results.size()) + " of " +
                    std::to_string(files.size()) + " files";
    } else {
      run.completed = true;
    }
  }
  return run;
}

}  // namespace quorvel::testing
