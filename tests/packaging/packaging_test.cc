// The install rules and the exported package, end to end: `cmake --install` into a temporary
// prefix, examples/consumer configured, built and run against it, the installed auditor run,
// and the pkg-config file resolved. One test, since each step needs the one before.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lib/subprocess.h"
#include "support/pdf_builder.h"
#include "support/pdf_template.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kSourceDir = QUORVEL_SOURCE_DIR;
const fs::path kBinaryDir = QUORVEL_BINARY_DIR;
const fs::path kLibDir = QUORVEL_INSTALL_LIBDIR;

// Runs a tool with the engine left to be found the way an installed program finds it.
ProcessResult run(const fs::path& program, const std::vector<std::string>& args,
                  std::map<std::string, std::optional<std::string>> env = {}) {
  ProcessOptions options;
  options.env = std::move(env);
  options.env["QUORVEL_PDFIUM_DIR"] = std::nullopt;
  options.merge_stderr = true;
  return run_process(program, args, options);
}

std::set<std::string> file_names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".h") names.insert(entry.path().filename());
  }
  return names;
}

TEST(Packaging, InstallThenBuildAndRunTheConsumerExampleAgainstTheInstalledPackage) {
  const TempDir work;
  const fs::path prefix = work.path() / "prefix";
  const fs::path build = work.path() / "consumer-build";
  const std::string pdf = write_temp_file(
      "leak.pdf", pdf_with_pages({{show_text("Quarterly note for Acme")}},
                                 {{100, "<< /Title (Acme minutes) >>"}}, "", "/Info 100 0 R"));

  const ProcessResult install =
      run(QUORVEL_CMAKE, {"--install", kBinaryDir.string(), "--prefix", prefix.string()});
  ASSERT_EQ(install.exit_code, 0) << install.out;

  // The public headers and nothing else of the sources.
  EXPECT_EQ(file_names(prefix / "include/quorvel"), file_names(kSourceDir / "include/quorvel"));
  for (const char* program : {"quorvel_verify", "bench_verify", "quorvel_dump"}) {
    EXPECT_TRUE(fs::exists(prefix / "bin" / program)) << program;
  }

  const ProcessResult configure =
      run(QUORVEL_CMAKE,
          {"-S", (kSourceDir / "examples/consumer").string(), "-B", build.string(), "-G",
           QUORVEL_CMAKE_GENERATOR, "-DCMAKE_MAKE_PROGRAM=" QUORVEL_CMAKE_MAKE_PROGRAM,
           "-DCMAKE_CXX_COMPILER=" QUORVEL_CXX_COMPILER, "-DCMAKE_PREFIX_PATH=" + prefix.string()});
  ASSERT_EQ(configure.exit_code, 0) << configure.out;
  const ProcessResult compile = run(QUORVEL_CMAKE, {"--build", build.string()});
  ASSERT_EQ(compile.exit_code, 0) << compile.out;

  const ProcessResult consumer = run(build / "consumer", {pdf, "Acme"});
  EXPECT_EQ(consumer.exit_code, 1) << consumer.out;
  EXPECT_EQ(consumer.out,
            "Acme: page 1 body text\n"
            "Acme: object 5 stream\n"
            "Acme: /Info /Title\n"
            "3 hits of 1 terms\n");

  // The installed auditor finds the engine through the source tree it was built from.
  const ProcessResult verify = run(prefix / "bin/quorvel_verify", {"--term", "Acme", pdf});
  EXPECT_EQ(verify.exit_code, 1) << verify.out;
  EXPECT_THAT(verify.out, HasSubstr("LEAKS  " + pdf));

  // pkg-config resolves the file from where it was installed, dependencies included.
  const fs::path pc_dir = prefix / kLibDir / "pkgconfig";
  const ProcessResult flags =
      run(QUORVEL_PKG_CONFIG, {"--cflags", "--libs", "quorvel"}, {{"PKG_CONFIG_PATH", pc_dir}});
  ASSERT_EQ(flags.exit_code, 0) << flags.out;
  EXPECT_THAT(flags.out, HasSubstr("-lquorvel_lib"));
  EXPECT_THAT(flags.out, HasSubstr("-ltbb"));
  std::istringstream words(flags.out);
  for (std::string word; words >> word;) {
    if (word.starts_with("-I")) {
      EXPECT_TRUE(fs::equivalent(word.substr(2), prefix / "include")) << word;
    } else if (word.starts_with("-L")) {
      EXPECT_TRUE(fs::equivalent(word.substr(2), prefix / kLibDir)) << word;
    } else if (word.starts_with("-lquorvel_")) {
      EXPECT_TRUE(fs::exists(prefix / kLibDir / ("lib" + word.substr(2) + ".a"))) << word;
    }
  }
}

}  // namespace
}  // namespace quorvel::testing
