#include "package/smallfile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
  explicit Descriptor(int fd) : value(fd) {}
  ~Descriptor() {
    if (value >= 0) close(value);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  const int value;
};

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.value < 0) return std::nullopt;
  struct stat info {};
  if (fstat(file.value, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<unsigned long long>(info.st_size) > limit)
    return std::nullopt;
  // The file may change while it is read (and files under /proc tell no
  // size): whatever it holds is read, but never more than limit + 1 bytes.
  std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t length = 0;
  for (;;) {
    if (length == bytes.size()) {
      if (length > limit) break;
      bytes.resize(std::min(limit + 1, 2 * length));
    }
    const ssize_t n = read(file.value, bytes.data() + length, bytes.size() - length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    length += static_cast<std::size_t>(n);
  }
  if (length > limit) return std::nullopt;
  bytes.resize(length);
  return bytes;
}
