// Runs verify_output on each file named on the command line and prints what it returned, for the
// hostile-input tests, which run every case in a child process of its own to see that it ends,
// how long it took and how much memory it held.
//
//   hostile_verify [--term T]... [--as-user NAME] FILE...
//
// For each file, in order:
//   file <elapsed milliseconds>
//   hit <list> <term> @ <location>      (one line per hit, lists in report order)
//   error <message>                     (instead of hits, when the verification failed)
//   end
// --as-user drops root's privileges (to NAME's user and group) once the engine is bound, so
// that a file's permissions apply to the reads; binding first lets the engine library stay in
// a checkout that NAME cannot enter (a clone under /root). Exits 0 when every file was
// verified, whatever the outcome.
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/verify.h"

namespace {

void print_hits(const char* list, const std::vector<quorvel::LeakHit>& hits) {
  for (const quorvel::LeakHit& hit : hits)
    std::printf("hit %s %s @ %s\n", list, hit.term.c_str(), hit.location.c_str());
}

bool drop_privileges(const char* user) {
  const passwd* pw = ::getpwnam(user);
  if (pw == nullptr) return false;
  return ::setgroups(0, nullptr) == 0 && ::setgid(pw->pw_gid) == 0 && ::setuid(pw->pw_uid) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> terms;
  std::vector<std::string> files;
  const char* as_user = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--term" && i + 1 < argc) {
      terms.emplace_back(argv[++i]);
    } else if (arg == "--as-user" && i + 1 < argc) {
      as_user = argv[++i];
    } else {
      files.emplace_back(arg);
    }
  }
  const auto engine = quorvel::bind_pdfium();
  if (!engine) {
    std::fprintf(stderr, "hostile_verify: %s\n", engine.error().describe().c_str());
    return 2;
  }
  if (as_user != nullptr && !drop_privileges(as_user)) {
    std::fprintf(stderr, "hostile_verify: cannot become %s\n", as_user);
    return 2;
  }
  for (const std::string& file : files) {
    const auto start = std::chrono::steady_clock::now();
    const auto report = quorvel::verify_output(*engine, file, terms);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("file %lld\n", static_cast<long long>(elapsed.count()));
    if (!report) {
      std::printf("error %s\n", report.error().c_str());
    } else {
      print_hits("body", report->body_hits);
      print_hits("raw", report->raw_hits);
      print_hits("info", report->info_hits);
      print_hits("xmp", report->xmp_hits);
      print_hits("annot", report->annot_hits);
      print_hits("revision", report->revision_hits);
    }
    std::printf("end\n");
    std::fflush(stdout);
  }
  return 0;
}
