#include "cli/terms_file.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "text/unicode.h"

namespace quorvel::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string failure(const std::filesystem::path& path, std::string_view reason) {
  return fmt::format("couldn't read terms file {}: {}", text::utf8_with_replacement(path.native()),
                     reason);
}

}  // namespace

std::expected<std::vector<std::string>, std::string> read_terms_file(
    const std::filesystem::path& path) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::unexpected(failure(path, std::generic_category().message(errno)));

  std::string content;
  char buffer[1 << 16];
  while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get())) {
    if (content.size() + got > kMaxTermsFileBytes) {
      return std::unexpected(
          failure(path, fmt::format("larger than {} MiB", kMaxTermsFileBytes >> 20)));
    }
    content.append(buffer, got);
  }
  if (std::ferror(file.get())) {
    return std::unexpected(failure(path, std::generic_category().message(errno)));
  }

  std::string_view rest(content);
  if (rest.starts_with(kUtf8ByteOrderMark)) rest.remove_prefix(kUtf8ByteOrderMark.size());
  std::vector<std::string> terms;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    // The verifier trims each term; a "\r" left by a "\r\n" line end is white space to it.
    if (!text::trim_white_space(line).empty()) terms.emplace_back(line);
  }
  return terms;
}

}  // namespace quorvel::cli
