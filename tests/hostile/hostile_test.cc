// verify_output end to end, with the real engine, on files built to hurt it. Each case runs in
// a child process of its own, so that the test sees it end, and reads how long it took and how
// much memory the process held at its peak.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "hostile/child_run.h"
#include "hostile/hostile_cases.h"
#include "support/pdf_template.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// Sanitizers slow our code down several times and keep freed memory in quarantine; the engine,
// which is not instrumented, runs at its own speed.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSlowdown = 4;
constexpr std::size_t kSanitizerMemory = std::size_t{1} << 30;
#else
constexpr int kSlowdown = 1;
constexpr std::size_t kSanitizerMemory = 0;
#endif

// Every verification ends within this time: far above what each case takes on an idle machine
// (six seconds at most, for the forty revisions of a bomb, which took 30 s with both cores
// busy elsewhere), so that a loaded machine does not fail the test but a hang does...
constexpr std::chrono::milliseconds kMaxVerification{60'000 * kSlowdown};
// ... and the process that ran it never held more than this much memory.
constexpr std::size_t kMaxPeakRss = (std::size_t{1} << 30) + kSanitizerMemory;
// The child is killed after this long, so that a hang ends the test.
constexpr std::chrono::seconds kDeadline{120 * kSlowdown};

constexpr std::string_view kErrorPrefixes[] = {
    "verify: couldn't build aho-corasick automaton: ",
    "verify: couldn't open saved PDF for page-data extraction: ",
    "verify: couldn't read saved PDF for verifier audit: ",
    "verify: couldn't parse saved PDF for audit: ",
};

bool is_verifier_error(const std::string& message) {
  for (std::string_view prefix : kErrorPrefixes) {
    if (message.starts_with(prefix)) return true;
  }
  return false;
}

const std::vector<HostileCase>& corpus() {
  static const std::vector<HostileCase> cases = hostile_cases();
  return cases;
}

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const HostileCase& c : corpus()) names.push_back(c.name);
  return names;
}

// A name gtest accepts: letters and digits only.
std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
  std::string name;
  bool upper = true;
  for (const char c : info.param) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    } else {
      upper = true;
    }
  }
  return name;
}

void expect_bounded(const ChildRun& run) {
  ASSERT_TRUE(run.completed) << run.failure << "\n" << run.stderr_text;
  EXPECT_LE(run.peak_rss_bytes, kMaxPeakRss) << "peak RSS " << (run.peak_rss_bytes >> 20) << " MiB";
  for (const ChildVerification& v : run.results) EXPECT_LE(v.elapsed, kMaxVerification);
}

class HostileCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileCorpus, EndsInTimeWithinTheMemoryBoundWithTheExpectedOutcome) {
  const auto it = std::ranges::find(corpus(), GetParam(), &HostileCase::name);
  ASSERT_NE(it, corpus().end());
  const HostileCase& c = *it;
  const fs::path path = write_temp_file("hostile.pdf", c.bytes);
  const ChildRun run = run_verify_child({path}, {kHostileTerm}, kDeadline);
  fs::remove(path);
  expect_bounded(run);
  if (::testing::Test::HasFatalFailure()) return;
  const ChildVerification& v = run.results.front();
  if (!c.error.empty()) {
    EXPECT_THAT(v.error, StartsWith(c.error));
  } else if (!c.hits.empty()) {
    ASSERT_THAT(v.error, IsEmpty());
    for (const std::string& hit : c.hits) EXPECT_THAT(v.hits, Contains(hit));
  } else {
    EXPECT_TRUE(v.error.empty() || is_verifier_error(v.error)) << v.error;
  }
  RecordProperty("peak_rss_mib", static_cast<int>(run.peak_rss_bytes >> 20));
  RecordProperty("elapsed_ms", static_cast<int>(v.elapsed.count()));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileCorpus, ::testing::ValuesIn(case_names()), test_name);

TEST(HostileTruncations, EveryCutEndsWithAReportOrAVerifierError) {
  const std::vector<HostileCase> cases = truncations(64);
  std::vector<fs::path> paths;
  for (std::size_t i = 0; i < cases.size(); ++i)
    paths.push_back(write_temp_file("cut" + std::to_string(i) + ".pdf", cases[i].bytes));
  const ChildRun run = run_verify_child(paths, {kHostileTerm}, kDeadline);
  for (const fs::path& p : paths) fs::remove(p);
  expect_bounded(run);
  if (::testing::Test::HasFatalFailure()) return;
  // A cut inside the update leaves the first revision whole: both readers find it by scanning.
  const std::size_t first_revision_end = truncation_source().find("%%EOF") + 6;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const ChildVerification& v = run.results[i];
    EXPECT_TRUE(v.error.empty() || is_verifier_error(v.error)) << cases[i].name << ": " << v.error;
    if (cases[i].bytes.size() >= first_revision_end) {
      EXPECT_THAT(v.hits, Contains("body: Acme @ page 1 body text")) << cases[i].name;
    }
  }
}

TEST(HostileTruncations, TheFileTheyAreCutFromHasAHitInEveryList) {
  const fs::path path = write_temp_file("whole.pdf", truncation_source());
  const ChildRun run = run_verify_child({path}, {kHostileTerm}, kDeadline);
  expect_bounded(run);
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_THAT(run.results.front().hits,
              ::testing::IsSupersetOf({"body: Acme @ page 1 body text",
                                       "raw: Acme @ object 14 /Note", "info: Acme @ /Info /Title",
                                       "xmp: Acme @ XMP /Metadata stream (object 8)",
                                       "annot: Acme @ page 2 annotation #0 /Contents"}));
}

// A folder of its own, readable by everyone, for files that another user must fail to read.
class SharedDir {
 public:
  SharedDir() : path_(fs::temp_directory_path() / ("hostile-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
    fs::permissions(path_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                               fs::perms::group_read | fs::perms::others_read);
  }
  ~SharedDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const std::string kOpenError = "verify: couldn't open saved PDF for page-data extraction: ";

TEST(HostilePaths, ADirectoryIsAnEngineOpenError) {
  const SharedDir dir;
  const ChildRun run = run_verify_child({dir.path()}, {kHostileTerm}, kDeadline);
  expect_bounded(run);
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(run.results.front().error, kOpenError + "Is a directory");
}

TEST(HostilePaths, AFifoWithNoWriterEndsAtOnce) {
  const SharedDir dir;
  const fs::path fifo = dir.path() / "saved.pdf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const ChildRun run = run_verify_child({fifo}, {kHostileTerm}, kDeadline);
  expect_bounded(run);
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(run.results.front().error, kOpenError + "Invalid argument");
}

TEST(HostilePaths, AFileThatCannotBeReadIsAnEngineOpenError) {
  // Root reads any file whatever its mode, so the child gives up root's privileges first.
  const SharedDir dir;
  const fs::path path = write_pdf("unreadable.pdf", "%PDF-1.7\n");
  const fs::path unreadable = dir.path() / "saved.pdf";
  fs::copy_file(path, unreadable);
  fs::permissions(unreadable, fs::perms::none);
  const ChildRun run =
      run_verify_child({unreadable}, {kHostileTerm}, kDeadline, ::geteuid() == 0 ? "nobody" : "");
  expect_bounded(run);
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(run.results.front().error, kOpenError + "Permission denied");
}

// Removes a file right after the process verifying it has opened it `n` times, holding each
// open back until it has decided (fanotify permission events, which need CAP_SYS_ADMIN).
class RemoveAfterOpens {
 public:
  RemoveAfterOpens(const fs::path& path, int n) : path_(path), n_(n) {
    fd_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    if (::fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD, path.c_str()) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    watcher_ = std::thread([this] { watch(); });
  }
  ~RemoveAfterOpens() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  bool available() const { return fd_ >= 0; }
  bool removed() const { return removed_; }

 private:
  void watch() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      alignas(fanotify_event_metadata) char buffer[4096];
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
      for (ssize_t left = got; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
        if (event->mask & FAN_OPEN_PERM) {
          if (++opens_ == n_) removed_ = fs::remove(path_);
          const fanotify_response allow{event->fd, FAN_ALLOW};
          (void)::write(fd_, &allow, sizeof allow);
        }
        if (event->fd >= 0) ::close(event->fd);
      }
    }
  }

  fs::path path_;
  int n_;
  int fd_ = -1;
  int opens_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> removed_{false};
  std::thread watcher_;
};

TEST(HostilePaths, AFileThatDisappearsDuringTheVerification) {
  // The file vanishes after its first open, then after its second, and so on until the
  // verification no longer opens it that often. Whenever it goes, the verification ends with a
  // report or an error; once it goes after the engine has read it, reading its bytes fails.
  const std::string pdf = truncation_source();
  bool read_error_seen = false;
  for (int n = 1;; ++n) {
    const fs::path path = write_temp_file("vanishing.pdf", pdf);
    RemoveAfterOpens remover(path, n);
    if (!remover.available()) GTEST_SKIP() << "fanotify permission events are not available";
    const ChildRun run = run_verify_child({path}, {kHostileTerm}, kDeadline);
    expect_bounded(run);
    if (::testing::Test::HasFatalFailure()) return;
    const std::string& error = run.results.front().error;
    EXPECT_TRUE(error.empty() || is_verifier_error(error)) << error;
    read_error_seen |=
        error == "verify: couldn't read saved PDF for verifier audit: No such file or directory";
    if (!remover.removed()) break;
    ASSERT_LT(n, 100);
  }
  EXPECT_TRUE(read_error_seen);
}

}  // namespace
}  // namespace quorvel::testing
