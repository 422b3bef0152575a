// quorvel_verify end to end, as a child process: exit statuses, the JSON line parsed back, the
// report for people, the order of outputs with child processes (and a child that dies), terms
// files, the over-redaction options, file names that are not UTF-8, and what changes on a
// terminal.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "lib/subprocess.h"
#include "support/pdf_builder.h"
#include "support/pdf_template.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const fs::path kVerify = QUORVEL_VERIFY;
const fs::path kSourceDir = QUORVEL_SOURCE_DIR;
const fs::path kBigSample =
    kSourceDir / "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf";

const std::string kNotAudited =
    "optional content layers, signed-document signature payloads, embedded thumbnails";

// The terms survive in every place the verifier looks: page text, an annotation, a stray
// object's string, the content streams, the Info dictionary and an XMP packet.
std::string leaking_pdf() {
  return pdf_with_pages(
      {{show_text("Quarterly note for Acme"), "/Annots [100 0 R]"}, {show_text("Signed Okonkwo")}},
      {{100, "<< /Type /Annot /Subtype /Text /Rect [0 0 9 9] /Contents (Call Okonkwo) >>"},
       {101, "<< /Title (Acme board minutes) >>"},
       {102, "<< /Note (draft for acme) >>"},
       {103,
        "<< /Type /Metadata /Subtype /XML {{streamlen}} >>\nstream\n"
        "<x:xmpmeta><dc:creator>Okonkwo</dc:creator></x:xmpmeta>\nendstream"}},
      "/Metadata 103 0 R", "/Info 101 0 R");
}

struct Files {
  fs::path leaking = write_temp_file("leaking.pdf", leaking_pdf());
  fs::path clean = write_temp_file("clean.pdf", pdf_with_pages({{show_text("Nothing to see")}}));
  fs::path missing = fs::temp_directory_path() / "quorvel-no-such-file.pdf";
};

const Files& files() {
  static const Files f;
  return f;
}

ProcessResult run_verify(const std::vector<std::string>& args) {
  ProcessOptions options;
  // The engine is found the way an installed program finds it; colour is never asked for here.
  options.env["QUORVEL_PDFIUM_DIR"] = std::nullopt;
  options.env["NO_COLOR"] = std::nullopt;
  options.timeout = std::chrono::seconds(120);
  return run_process(kVerify, args, options);
}

std::vector<nlohmann::json> json_lines(const std::string& out) {
  std::vector<nlohmann::json> lines;
  for (const std::string& line : split_lines(out)) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

// "term @ location" for each hit of a JSON hit list.
std::vector<std::string> hits(const nlohmann::json& list) {
  std::vector<std::string> out;
  for (const auto& hit : list) {
    out.push_back(hit.at("term").get<std::string>() + " @ " +
                  hit.at("location").get<std::string>());
  }
  return out;
}

TEST(QuorvelVerifyExitStatus, CleanLeakingMissingAndMisusedCommandLines) {
  const std::string leaking = files().leaking, clean = files().clean, missing = files().missing;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* out;  // expected in standard output
    const char* err;  // expected in standard error
  };
  const Case cases[] = {
      {"clean file", {"--term", "Acme", clean}, 0, "CLEAN", ""},
      {"leaking file", {"--term", "Acme", leaking}, 1, "LEAKS", ""},
      {"missing file",
       {"--term", "Acme", missing},
       2,
       "verify: couldn't open saved PDF for page-data extraction: No such file or directory",
       ""},
      {"a missing file outranks a leak and does not stop the files after it",
       {"--term", "Acme", missing, leaking, clean},
       2,
       "1 with leaks",
       ""},
      {"unknown option", {"--bogus", "--term", "Acme", clean}, 2, "", "Usage: quorvel_verify"},
      {"no file", {"--term", "Acme"}, 2, "", "FILE is required"},
      {"no term", {clean}, 2, "", "no term to search for"},
      {"only blank terms", {"--term", " \t", clean}, 2, "", "no term to search for"},
      {"missing terms file", {"--terms-file", missing, clean}, 2, "", "Usage: quorvel_verify"},
      {"--expected-removed without --source",
       {"--term", "Acme", "--expected-removed", "5", clean},
       2,
       "",
       "requires --source"},
      {"--source without --expected-removed",
       {"--term", "Acme", "--source", clean, clean},
       2,
       "",
       "requires --expected-removed"},
      {"negative count",
       {"--term", "Acme", "--source", clean, "--expected-removed", "-5", clean},
       2,
       "",
       "not a whole number"},
      {"page beyond 32 bits",
       {"--term", "Acme", "--source", clean, "--expected-removed", "5", "--exclude-pages",
        "1,4294967296", clean},
       2,
       "",
       "not a whole number"},
      {"no jobs", {"--term", "Acme", "--jobs", "0", clean}, 2, "", "--jobs"},
      {"help", {"--help"}, 0, "Usage: quorvel_verify", ""},
      {"version", {"--version"}, 0, "quorvel_verify 0.", ""},
  };
  for (const Case& c : cases) {
    const ProcessResult result = run_verify(c.args);
    EXPECT_EQ(result.exit_code, c.status) << c.name << "\n" << result.out << result.err;
    EXPECT_THAT(result.out, HasSubstr(c.out)) << c.name;
    EXPECT_THAT(result.err, HasSubstr(c.err)) << c.name;
    if (c.status == 2 && *c.out == '\0') {
      EXPECT_EQ(result.out, "") << c.name;
    }
  }
}

TEST(QuorvelVerifyJson, ALeakingFileFieldByField) {
  const ProcessResult result = run_verify({"--json", "--term", "Acme", "--term", "Okonkwo",
                                           "--term", "Nobody", files().leaking, files().missing});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(result.err, "");
  const std::vector<std::string> lines = split_lines(result.out);
  ASSERT_EQ(lines.size(), 2u) << result.out;

  // Keys in their documented order, read back through an order-keeping parse.
  const auto line = nlohmann::ordered_json::parse(lines[0]);
  std::vector<std::string> keys;
  for (const auto& item : line.items()) keys.push_back(item.key());
  EXPECT_THAT(keys, ::testing::ElementsAre("file", "ok", "term_count", "body_hits", "raw_hits",
                                           "info_hits", "xmp_hits", "annot_hits", "revision_hits",
                                           "warnings", "not_audited"));
  EXPECT_EQ(line["file"], files().leaking.string());
  EXPECT_EQ(line["ok"], true);
  EXPECT_EQ(line["term_count"], 3);
  EXPECT_THAT(hits(line["body_hits"]),
              ::testing::ElementsAre("Acme @ page 1 body text", "Okonkwo @ page 2 body text"));
  EXPECT_THAT(hits(line["raw_hits"]),
              ::testing::ElementsAre("Acme @ object 102 /Note", "Acme @ object 5 stream",
                                     "Okonkwo @ object 7 stream"));
  EXPECT_THAT(hits(line["info_hits"]), ::testing::ElementsAre("Acme @ /Info /Title"));
  EXPECT_THAT(hits(line["xmp_hits"]),
              ::testing::ElementsAre("Okonkwo @ XMP /Metadata stream (object 103)"));
  EXPECT_THAT(hits(line["annot_hits"]),
              ::testing::ElementsAre("Okonkwo @ page 1 annotation #0 /Contents"));
  EXPECT_TRUE(line["revision_hits"].empty());
  EXPECT_TRUE(line["warnings"].empty());
  EXPECT_THAT(line["not_audited"].get<std::vector<std::string>>(),
              ::testing::ElementsAre("optional content layers",
                                     "signed-document signature payloads", "embedded thumbnails"));

  const auto failed = nlohmann::ordered_json::parse(lines[1]);
  EXPECT_EQ(failed.dump(),
            nlohmann::ordered_json({{"file", files().missing.string()},
                                    {"ok", false},
                                    {"error",
                                     "verify: couldn't open saved PDF for page-data extraction: "
                                     "No such file or directory"}})
                .dump());
}

TEST(QuorvelVerifyHuman, AReportAPersonReads) {
  const std::string leaking = files().leaking, clean = files().clean, missing = files().missing;
  const ProcessResult result = run_verify(
      {"--term", "Acme", "--term", "Okonkwo", "--term", "Nobody", leaking, clean, missing});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "LEAKS  " + leaking +
                " \u2014 8 hits, 2 of 3 terms found\n"
                "  Page text (2)\n"
                "    page 1 body text: \"Acme\"\n"
                "    page 2 body text: \"Okonkwo\"\n"
                "  Object strings and streams (3)\n"
                "    object 102 /Note: \"Acme\"\n"
                "    object 5 stream: \"Acme\"\n"
                "    object 7 stream: \"Okonkwo\"\n"
                "  Document information (1)\n"
                "    /Info /Title: \"Acme\"\n"
                "  XMP metadata (1)\n"
                "    XMP /Metadata stream (object 103): \"Okonkwo\"\n"
                "  Annotations and links (1)\n"
                "    page 1 annotation #0 /Contents: \"Okonkwo\"\n"
                "  Not audited: " +
                kNotAudited +
                "\n\n"
                "CLEAN  " +
                clean +
                " \u2014 no hits, 3 terms searched\n"
                "  Not audited: " +
                kNotAudited +
                "\n\n"
                "ERROR  " +
                missing +
                " \u2014 verify: couldn't open saved PDF for page-data extraction: No such file "
                "or directory\n\n"
                "3 files: 1 with leaks (8 hits), 1 clean, 1 not verified\n");
}

TEST(QuorvelVerifyHuman, TermsFoundTogetherShareTheirLocationsLine) {
  const fs::path both =
      write_temp_file("both.pdf", pdf_with_pages({{show_text("Acme pays Okonkwo")}}));
  const ProcessResult result = run_verify({"--term", "Okonkwo", "--term", "Acme", both});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(result.out, HasSubstr("    page 1 body text: \"Okonkwo\", \"Acme\"\n"));
}

TEST(QuorvelVerifyJobs, OutputsKeepTheOrderOfTheFiles) {
  // The big sample takes far longer than the small files, which finish first and must wait.
  const std::vector<std::string> files_in_order = {kBigSample,      files().leaking, files().clean,
                                                   files().missing, files().leaking, files().clean};
  std::vector<std::string> args = {"--term", "Federal", "--term", "Acme"};
  args.insert(args.end(), files_in_order.begin(), files_in_order.end());

  for (const bool json : {true, false}) {
    std::vector<std::string> one_by_one = args, side_by_side = args;
    if (json) {
      one_by_one.insert(one_by_one.begin(), "--json");
      side_by_side.insert(side_by_side.begin(), "--json");
    }
    side_by_side.insert(side_by_side.begin(), {"--jobs", "2"});
    const ProcessResult sequential = run_verify(one_by_one);
    const ProcessResult parallel = run_verify(side_by_side);
    EXPECT_EQ(parallel.exit_code, 2);
    EXPECT_EQ(parallel.err, "");
    EXPECT_EQ(parallel.out, sequential.out) << (json ? "json" : "human");
    if (json) {
      const auto lines = json_lines(parallel.out);
      ASSERT_EQ(lines.size(), files_in_order.size());
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i]["file"], files_in_order[i]) << i;
      }
      EXPECT_EQ(lines[0]["ok"], true);
      EXPECT_FALSE(lines[0]["body_hits"].empty());
    }
  }
}

// The processes whose argument vector holds `wanted` and not `unwanted`, each judged on one
// read of its command line: a spawned child shows its parent's arguments until it has executed
// its own, so two separate listings could see it once as each.
std::vector<pid_t> processes_with_argument(const std::string& wanted, const std::string& unwanted) {
  std::vector<pid_t> out;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmdline;
    try {
      cmdline = read_file(entry.path() / "cmdline");
    } catch (const std::exception&) {
      continue;
    }
    bool has_wanted = false, has_unwanted = false;
    std::size_t start = 0;
    while (start < cmdline.size()) {
      const std::size_t end = cmdline.find('\0', start);
      const std::string argument = cmdline.substr(start, end - start);
      has_wanted = has_wanted || argument == wanted;
      has_unwanted = has_unwanted || argument == unwanted;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    if (has_wanted && !has_unwanted) out.push_back(std::stoi(name));
  }
  return out;
}

// Blocks until a reader opens the FIFO, writes `text` and closes it; fails after a minute.
void feed_fifo(const fs::path& fifo, const std::string& text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  int fd = -1;
  while ((fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) < 0) {
    ASSERT_EQ(errno, ENXIO) << "no reader";
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no reader came";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(fd);
}

TEST(QuorvelVerifyJobs, AChildThatDiesIsAnErrorLineForItsFileAndTheOthersGoOn) {
  // The child that checks the big sample (under a name of this test's own) runs for about a
  // second, long enough to be found and killed.
  const TempDir dir;
  const fs::path doomed = dir.path() / "doomed.pdf";
  fs::create_symlink(kBigSample, doomed);
  const std::string leaking = files().leaking;

  auto run = std::async(std::launch::async, [&] {
    return run_verify({"--jobs", "2", "--json", "--term", "Federal", doomed, leaking});
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  pid_t child = -1;
  while (child < 0) {
    // The parent has the name on its command line too, and "--jobs" besides.
    for (const pid_t pid : processes_with_argument(doomed.string(), "--jobs")) child = pid;
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the child never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(::kill(child, SIGKILL), 0);

  const ProcessResult result = run.get();
  EXPECT_EQ(result.exit_code, 2);
  const auto lines = json_lines(result.out);
  ASSERT_EQ(lines.size(), 2u) << result.out;
  EXPECT_EQ(lines[0]["file"], doomed.string());
  EXPECT_EQ(lines[0]["ok"], false);
  EXPECT_EQ(lines[0]["error"],
            "verify: the process that checked the file was killed by signal 9 (Killed) without "
            "a result");
  EXPECT_EQ(lines[1]["file"], leaking);
  EXPECT_EQ(lines[1]["ok"], true);
}

TEST(QuorvelVerifyJobs, ChildrenGetTheTermsOfAFileThatCanBeReadOnce) {
  // A FIFO stands for `--terms-file <(command)`: only the parent can read it.
  const TempDir dir;
  const fs::path fifo = dir.path() / "terms";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string leaking = files().leaking, clean = files().clean;
  auto run = std::async(std::launch::async, [&] {
    return run_verify({"--jobs", "2", "--json", "--term", "Nobody", "--terms-file", fifo, leaking,
                       clean, leaking});
  });
  feed_fifo(fifo,
            "\xEF\xBB\xBF\xEF\xBB\xBF"
            "Acme\r\n\nOkonkwo\n");
  const ProcessResult result = run.get();
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const auto lines = json_lines(result.out);
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) EXPECT_EQ(line["term_count"], 3) << line.dump();
  // The second byte-order mark belongs to the first term, in the children as in the parent.
  EXPECT_THAT(hits(lines[0]["annot_hits"]),
              ::testing::ElementsAre("Okonkwo @ page 1 annotation #0 /Contents"));
  EXPECT_TRUE(lines[0]["info_hits"].empty());
  EXPECT_TRUE(lines[1]["body_hits"].empty());
  EXPECT_EQ(lines[2], lines[0]);
}

TEST(QuorvelVerifyTerms, ATermsFileWithBlanksRepeatsAndWindowsLineEnds) {
  const fs::path terms = write_temp_file(
      "terms.txt", "\xEF\xBB\xBF Acme \r\n\r\n   \n ACME\nacme\r\n\t\nokonkwo\nOkonkwo");
  const ProcessResult result =
      run_verify({"--json", "--term", "\u00a0Okonkwo", "--terms-file", terms, files().leaking});
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const auto lines = json_lines(result.out);
  ASSERT_EQ(lines.size(), 1u);
  // Two distinct terms, each shown as first written (trimmed): the --term before the file's.
  EXPECT_EQ(lines[0]["term_count"], 2);
  EXPECT_THAT(hits(lines[0]["body_hits"]),
              ::testing::ElementsAre("Acme @ page 1 body text", "Okonkwo @ page 2 body text"));
}

TEST(QuorvelVerifyOverRedaction, TheOptionsProduceTheWarningAndItIsNoLeak) {
  const std::string source = write_temp_file(
      "source.pdf", pdf_with_pages({{show_text("The quick brown fox jumps over the lazy dog")},
                                    {show_text("Second page stays")}}));
  const std::string saved = write_temp_file(
      "saved.pdf", pdf_with_pages({{show_text("The quick")}, {show_text("Second page stays")}}));
  const std::regex warning(
      R"(expected ~0 chars removed, actual ~(\d+) \(tolerance: 8\)\. Source PDF likely uses )"
      R"(fonts our redactor can't safely edit; saved file may be unusable\.)");
  struct Case {
    const char* name;
    std::vector<std::string> options;
    bool warns;
  };
  const Case cases[] = {
      {"nothing was to be removed", {"--expected-removed", "0"}, true},
      {"as much as expected went", {"--expected-removed", "40"}, false},
      {"the page that lost text is left out",
       {"--expected-removed", "0", "--exclude-pages", "0"},
       false},
      {"another page is left out", {"--expected-removed", "0", "--exclude-pages", "1,7,1"}, true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--json", "--term", "Zebra", "--source", source};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(saved);
    const ProcessResult result = run_verify(args);
    // A warning alone does not make the exit status say "leak".
    EXPECT_EQ(result.exit_code, 0) << c.name << result.err;
    const auto lines = json_lines(result.out);
    ASSERT_EQ(lines.size(), 1u) << c.name;
    std::smatch match;
    const std::string warnings = lines[0]["warnings"].dump();
    if (c.warns) {
      ASSERT_EQ(lines[0]["warnings"].size(), 1u) << c.name;
      EXPECT_EQ(lines[0]["warnings"][0]["term"], "") << c.name;
      const std::string message = lines[0]["warnings"][0]["location"];
      ASSERT_TRUE(std::regex_match(message, match, warning)) << c.name << ": " << message;
      EXPECT_GT(std::stoi(match[1]), 8) << c.name;
    } else {
      EXPECT_EQ(warnings, "[]") << c.name;
    }
  }

  const ProcessResult human =
      run_verify({"--term", "Zebra", "--source", source, "--expected-removed", "0", saved});
  EXPECT_EQ(human.exit_code, 0);
  EXPECT_THAT(human.out, HasSubstr("CLEAN  " + saved));
  EXPECT_THAT(human.out, HasSubstr("\n  Warning: expected ~0 chars removed, actual ~"));
  EXPECT_THAT(human.out, HasSubstr("1 clean, 0 not verified, 1 warning\n"));
}

TEST(QuorvelVerifyFileNames, ANameThatIsNotUtf8IsShownWithReplacementCharacters) {
  const TempDir dir;
  const fs::path odd = dir.path() /
                       "le\xFF"
                       "ak.pdf";
  const fs::path odder = dir.path() / "\xC3(\x1B[31m.pdf";
  fs::copy_file(files().leaking, odd);
  fs::copy_file(files().leaking, odder);
  const std::string base = dir.path().string();

  for (const char* jobs : {"1", "2"}) {
    const ProcessResult result =
        run_verify({"--json", "--jobs", jobs, "--term", "Acme", odd, odder});
    EXPECT_EQ(result.exit_code, 1) << result.out << result.err;
    const auto lines = json_lines(result.out);  // throws on a string that is not UTF-8
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["file"], base + "/le\uFFFDak.pdf") << jobs;
    EXPECT_EQ(lines[1]["file"], base + "/\uFFFD(\x1B[31m.pdf") << jobs;
    for (const auto& line : lines) EXPECT_FALSE(line["body_hits"].empty()) << jobs;
  }

  // For people, control characters are escaped too, so a name cannot drive the terminal.
  const ProcessResult human = run_verify({"--term", "Acme", odd, odder});
  EXPECT_THAT(human.out, HasSubstr("LEAKS  " + base + "/le\uFFFDak.pdf \u2014"));
  EXPECT_THAT(human.out, HasSubstr("LEAKS  " + base + "/\uFFFD(\\x1b[31m.pdf \u2014"));
  EXPECT_THAT(human.out, Not(HasSubstr("\x1B")));
}

// Runs the program with its standard output and error on a terminal of its own; returns what
// the terminal showed.
std::string run_on_terminal(const std::vector<std::string>& args, bool no_color) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  const std::string terminal = ::ptsname(master);
  std::vector<std::string> argv_strings{kVerify.string()};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    const int slave = ::open(terminal.c_str(), O_RDWR);
    if (slave < 0) ::_exit(127);
    ::dup2(slave, STDOUT_FILENO);
    ::dup2(slave, STDERR_FILENO);
    ::unsetenv("QUORVEL_PDFIUM_DIR");
    ::setenv("TERM", "xterm", 1);
    if (no_color) {
      ::setenv("NO_COLOR", "1", 1);
    } else {
      ::unsetenv("NO_COLOR");
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  std::string shown;
  char buffer[4096];
  ssize_t got = 0;
  // Reading fails with EIO once the program has closed its side.
  while ((got = ::read(master, buffer, sizeof buffer)) > 0) shown.append(buffer, got);
  ::waitpid(pid, nullptr, 0);
  ::close(master);
  return shown;
}

TEST(QuorvelVerifyTerminal, ColourAndProgressOnlyOnATerminalAndColourNotWithNoColor) {
  const std::vector<std::string> args = {"--term", "Acme", files().leaking, files().clean};
  const std::string coloured = run_on_terminal(args, /*no_color=*/false);
  EXPECT_THAT(coloured, HasSubstr("\x1b[1;31mLEAKS\x1b[0m"));
  EXPECT_THAT(coloured, HasSubstr("\x1b[1;32mCLEAN\x1b[0m"));
  EXPECT_THAT(coloured, HasSubstr("] 0/2 files"));

  const std::string plain = run_on_terminal(args, /*no_color=*/true);
  EXPECT_THAT(plain, HasSubstr("LEAKS  "));
  EXPECT_THAT(plain, Not(HasSubstr("\x1b[1;31m")));
  EXPECT_THAT(plain, HasSubstr("] 0/2 files"));

  // Not on a terminal: neither colour nor progress.
  const ProcessResult piped = run_verify(args);
  EXPECT_THAT(piped.out, Not(HasSubstr("\x1b")));
  EXPECT_EQ(piped.err, "");
}

}  // namespace
}  // namespace quorvel::testing
