// The engine guard on real files: nothing of theirs is kept from the engine.
#include "verify_redaction/engine_guard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "pdf/document.h"
#include "support/pdf_template.h"

namespace quorvel::verify {
namespace {

namespace fs = std::filesystem;

TEST(EngineGuard, LeavesEverySamplePdfWhole) {
  std::size_t files = 0;
  for (const char* folder : {"spikes", "bench/samples"}) {
    for (const auto& entry :
         fs::recursive_directory_iterator(fs::path(QUORVEL_SOURCE_DIR) / folder)) {
      if (entry.path().extension() != ".pdf") continue;
      const auto bytes = std::make_shared<const std::string>(testing::read_file(entry.path()));
      const auto document = pdf::Document::load(bytes, bytes->size());
      ASSERT_TRUE(document) << entry.path();
      EXPECT_TRUE(engine_hazards(*document, *bytes).empty()) << entry.path();
      ++files;
    }
  }
  EXPECT_GE(files, 5u);
}

}  // namespace
}  // namespace quorvel::verify
