// Finding and binding the engine, each case in a child process of its own: the binding is made
// once per process. The probe executable is copied into a temporary layout (the search starts
// from the executable's own folder) with engine libraries linked into chosen folders: the real
// engine, or a fake one that reports each initialisation.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lib/subprocess.h"
#include "quorvel_build_config.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kProbe = QUORVEL_PDFIUM_PROBE;
const fs::path kFakeEngine = QUORVEL_FAKE_PDFIUM;
const fs::path kIncompleteFakeEngine = QUORVEL_FAKE_PDFIUM_INCOMPLETE;
const fs::path kRealEngine = fs::path(build::kVendorEngineDir) / build::kEngineFileName;
constexpr std::string_view kFakeInit = "fake engine: FPDF_InitLibrary";

enum class Engine { none, fake, incomplete, real };

// A temporary folder holding the probe at <root>/<bin>/probe.
class Layout {
 public:
  explicit Layout(const fs::path& bin = "app/bin") : bin_(root_.path() / bin) {
    fs::create_directories(bin_);
    fs::copy_file(kProbe, bin_ / "probe");
  }

  fs::path path(const fs::path& relative) const { return root_.path() / relative; }
  const fs::path& bin() const { return bin_; }

  // Creates the folder `relative` and, unless `engine` is none, links an engine into it.
  void put(const fs::path& relative, Engine engine) const {
    const fs::path dir = path(relative);
    fs::create_directories(dir);
    if (engine == Engine::none) return;
    const fs::path& library = engine == Engine::fake         ? kFakeEngine
                              : engine == Engine::incomplete ? kIncompleteFakeEngine
                                                             : kRealEngine;
    fs::create_symlink(library, dir / build::kEngineFileName);
  }

  ProcessResult run(const std::vector<std::string>& steps,
                    std::optional<std::string> engine_dir_env = std::nullopt) const {
    ProcessOptions options;
    options.env["QUORVEL_PDFIUM_DIR"] = std::move(engine_dir_env);
    return run_process(bin_ / "probe", steps, options);
  }

 private:
  TempDir root_;
  fs::path bin_;
};

struct Placement {
  const char* dir;  // relative to the layout's root
  Engine engine;
};

enum class Env { unset, empty_value, path };

struct SearchCase {
  const char* name;
  std::vector<Placement> placements;
  Env env;
  // For Env::path: the variable's value, relative to the root (it need not exist).
  const char* env_path;
  // The directory expected, relative to the root; nullptr: the source tree's vendor folder.
  const char* expected_dir;
  // What binding from there gives: the fake engine, the real one, or a failed open.
  Engine expected_engine;
};

TEST(BindPdfium, SearchesEnvironmentThenExecutableNeighboursThenSourceTree) {
  const SearchCase cases[] = {
      {"beside the executable",
       {{"app/bin", Engine::fake}},
       Env::unset,
       "",
       "app/bin",
       Engine::fake},
      {"bundle Frameworks",
       {{"app/Frameworks", Engine::fake}},
       Env::unset,
       "",
       "app/bin/../Frameworks",
       Engine::fake},
      {"bundle Resources/lib",
       {{"app/Resources/lib", Engine::fake}},
       Env::unset,
       "",
       "app/bin/../Resources/lib",
       Engine::fake},
      {"lib subfolder",
       {{"app/bin/lib", Engine::fake}},
       Env::unset,
       "",
       "app/bin/lib",
       Engine::fake},
      {"beside wins over lib",
       {{"app/bin", Engine::fake}, {"app/bin/lib", Engine::real}},
       Env::unset,
       "",
       "app/bin",
       Engine::fake},
      {"nothing near: source tree", {}, Env::unset, "", nullptr, Engine::real},
      {"environment wins over a copy beside",
       {{"env", Engine::real}, {"app/bin", Engine::fake}},
       Env::path,
       "env",
       "env",
       Engine::real},
      {"environment names an empty folder: no fallback",
       {{"env", Engine::none}, {"app/bin", Engine::fake}},
       Env::path,
       "env",
       "env",
       Engine::none},
      {"environment names a missing path: ignored",
       {{"app/bin", Engine::fake}},
       Env::path,
       "missing",
       "app/bin",
       Engine::fake},
      {"environment empty: ignored",
       {{"app/bin", Engine::fake}},
       Env::empty_value,
       "",
       "app/bin",
       Engine::fake},
      {"environment not UTF-8: ignored",
       {{"\xff", Engine::real}, {"app/bin", Engine::fake}},
       Env::path,
       "\xff",
       "app/bin",
       Engine::fake},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Layout layout;
    for (const Placement& p : c.placements) layout.put(p.dir, p.engine);
    std::optional<std::string> env;
    if (c.env == Env::empty_value) env = "";
    if (c.env == Env::path) env = layout.path(c.env_path).string();

    const ProcessResult result = layout.run({"dir", "bind"}, env);
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const std::vector<std::string> lines = split_lines(result.out);
    ASSERT_FALSE(lines.empty());
    const std::string dir =
        c.expected_dir ? layout.path(c.expected_dir).string() : build::kVendorEngineDir;
    EXPECT_EQ(lines[0], "dir: " + dir);
    const std::vector<std::string> bind_lines(lines.begin() + 1, lines.end());
    switch (c.expected_engine) {
      case Engine::fake:
        EXPECT_EQ(bind_lines, (std::vector<std::string>{std::string(kFakeInit), "bind: ok"}));
        break;
      case Engine::real:
        EXPECT_EQ(bind_lines, std::vector<std::string>{"bind: ok"});
        break;
      default:
        ASSERT_EQ(bind_lines.size(), 1u);
        EXPECT_TRUE(
            bind_lines[0].starts_with("bind: library_open_failed: couldn't open the "
                                      "engine library " +
                                      (fs::path(dir) / build::kEngineFileName).string()))
            << bind_lines[0];
    }
  }
}

TEST(BindPdfium, EnvironmentValueIsReturnedUnchangedEvenWhenRelative) {
  const Layout layout;
  layout.put("app/bin/engine", Engine::fake);
  ProcessOptions options;
  options.env["QUORVEL_PDFIUM_DIR"] = "./engine/";
  options.cwd = layout.bin();
  const ProcessResult result = run_process(layout.bin() / "probe", {"dir", "bind"}, options);
  EXPECT_EQ(split_lines(result.out),
            (std::vector<std::string>{"dir: ./engine/", std::string(kFakeInit), "bind: ok"}));
}

TEST(BindPdfium, SecondCallBindsNothingAgain) {
  const Layout layout;
  layout.put("app/bin", Engine::fake);
  const ProcessResult result = layout.run({"bind", "bind"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(split_lines(result.out),
            (std::vector<std::string>{std::string(kFakeInit), "bind: ok", "bind: ok"}));
}

TEST(BindPdfium, FailedCallLeavesProcessUnboundSoALaterCallBinds) {
  const Layout layout;
  layout.put("engine", Engine::none);
  const fs::path library = layout.path("engine") / build::kEngineFileName;
  const ProcessResult result =
      layout.run({"bind", "copy", kFakeEngine.string(), library.string(), "bind"},
                 layout.path("engine").string());
  const std::vector<std::string> lines = split_lines(result.out);
  ASSERT_EQ(lines.size(), 4u) << result.out;
  EXPECT_TRUE(lines[0].starts_with("bind: library_open_failed")) << lines[0];
  EXPECT_EQ(lines[1], "copy: ok");
  EXPECT_EQ(lines[2], kFakeInit);
  EXPECT_EQ(lines[3], "bind: ok");
}

TEST(BindPdfium, MissingFunctionFailsBeforeInitialising) {
  const Layout layout;
  layout.put("app/bin", Engine::incomplete);
  const ProcessResult result = layout.run({"bind", "bind"});
  EXPECT_EQ(result.exit_code, 0);
  const std::vector<std::string> lines = split_lines(result.out);
  ASSERT_EQ(lines.size(), 2u) << result.out;
  for (const std::string& line : lines) {
    // The loader's own message names the symbol too.
    EXPECT_TRUE(line.starts_with("bind: function_missing FPDFText_GetText: the engine library " +
                                 (layout.bin() / build::kEngineFileName).string() +
                                 " lacks the function FPDFText_GetText: "))
        << line;
    EXPECT_NE(line.find("undefined symbol: FPDFText_GetText"), std::string::npos) << line;
  }
}

TEST(BindPdfium, EngineDirectoryNotUtf8StopsTheProcess) {
  const Layout layout("\xfe/bin");
  layout.put("\xfe/bin", Engine::fake);
  const ProcessResult result = layout.run({"bind"});
  EXPECT_EQ(result.exit_code, 101);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "pdfium directory path is not valid UTF-8\n");
}

}  // namespace
}  // namespace quorvel::testing
