#include "lib/subprocess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "support/pdf_template.h"

extern char** environ;

namespace quorvel::testing {
namespace {

std::vector<std::string> child_environment(const ProcessOptions& options) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string name(text.substr(0, text.find('=')));
    if (!options.env.contains(name)) env.emplace_back(text);
  }
  for (const auto& [name, value] : options.env) {
    if (value) env.push_back(name + "=" + *value);
  }
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

ProcessResult run_process(const std::filesystem::path& executable,
                          const std::vector<std::string>& args, const ProcessOptions& options) {
  const TempDir capture;
  const std::filesystem::path out_path = capture.path() / "out";
  const std::filesystem::path err_path = capture.path() / "err";

  std::vector<std::string> argv_strings{executable.string()};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<std::string> env_strings = child_environment(options);
  std::vector<char*> argv = pointers(argv_strings);
  std::vector<char*> envp = pointers(env_strings);

  const int out_fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int err_fd = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out_fd < 0 || err_fd < 0) throw std::runtime_error("cannot create capture files");

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(options.merge_stderr ? out_fd : err_fd, STDERR_FILENO);
    if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(127);
    ::execve(executable.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out_fd);
  ::close(err_fd);

  const auto deadline = std::chrono::steady_clock::now() + options.timeout;
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  ProcessResult result;
  result.exit_code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace quorvel::testing
