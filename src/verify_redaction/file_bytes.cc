#include "verify_redaction/file_bytes.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "resource_limits.h"

namespace quorvel::verify {
namespace {

std::string errno_text(int error) {
  return std::error_code(error, std::system_category()).message();
}

struct FileCloser {
  int fd;
  ~FileCloser() { ::close(fd); }
};

}  // namespace

std::expected<std::shared_ptr<const std::string>, std::string> read_file_bytes(
    const std::filesystem::path& path) {
  // Non-blocking, so that a FIFO put in the file's place cannot stall the verification.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::unexpected(errno_text(errno));
  const FileCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::unexpected(errno_text(errno));
  if (S_ISDIR(st.st_mode)) return std::unexpected(errno_text(EISDIR));
  if (!S_ISREG(st.st_mode)) return std::unexpected("not a regular file");
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > limits::kMaxFileBytes) {
    return std::unexpected(fmt::format("the file holds {} bytes, more than the {} the audit reads",
                                       size, limits::kMaxFileBytes));
  }
  auto bytes = std::make_shared<std::string>(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes->size()) {
    const ssize_t n =
        ::pread(fd, bytes->data() + done, bytes->size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errno_text(errno));
    }
    if (n == 0) break;  // the file shrank while it was read
    done += static_cast<std::size_t>(n);
  }
  bytes->resize(done);
  return bytes;
}

}  // namespace quorvel::verify
