#include "app/files/inputfile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

namespace {

// Large enough that the read system calls cost nothing next to parsing,
// small enough to stay in the second-level cache.
constexpr std::size_t kReadBuffer = 1 << 18;
constexpr std::size_t kCopyBuffer = 1 << 20;
// A pipe is copied up to this size: far beyond any part the readers take,
// and a bound for an endless source (< /dev/zero) on a temporary directory
// that may be memory.
constexpr long long kLargestCopy = 1LL << 30;

std::mutex g_mutex;
std::map<std::string, std::shared_ptr<InputFile>> g_copies;

std::string Problem(const std::string& name, int error) { return name + ": " + std::strerror(error); }

// An unnamed file under the temporary directory; a named one removed at
// once where the file system has no unnamed files. Either way nothing is
// left behind, whatever ends the process. It stays open across exec, so
// that a helper process can open it by its /proc path too.
int UnnamedTemporary() {
  const std::string directory = std::filesystem::temp_directory_path().string();
  int fd = open(directory.c_str(), O_TMPFILE | O_RDWR, 0600);
  if (fd >= 0) return fd;
  std::string pattern = directory + "/.xpdb-input-XXXXXX";
  fd = mkstemp(pattern.data());
  if (fd >= 0) unlink(pattern.c_str());
  return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies `source` to the end into an unnamed temporary; -1 with the
// reason in `error`.
int CopyToTemporary(int source, const std::string& name, std::string& error) {
  const int copy = UnnamedTemporary();
  if (copy < 0) {
    error = name + ": cannot make a temporary copy: " + std::strerror(errno);
    return -1;
  }
  std::vector<char> buffer(kCopyBuffer);
  for (long long copied = 0;;) {
    if (copied > kLargestCopy) {
      error = name + ": more than " + std::to_string(kLargestCopy >> 20) +
              " MiB that is not a regular file; give the file itself";
      break;
    }
    const ssize_t n = read(source, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Problem(name, errno);
      break;
    }
    if (n == 0) return copy;
    copied += n;
    if (!WriteAll(copy, buffer.data(), static_cast<std::size_t>(n))) {
      error = name + ": cannot make a temporary copy: " + std::strerror(errno ? errno : EIO);
      break;
    }
  }
  close(copy);
  return -1;
}

}  // namespace

std::shared_ptr<InputFile> InputFile::Open(const std::string& name, std::string& error) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  if (const auto found = g_copies.find(name); found != g_copies.end()) return found->second;

  const bool standardInput = name == "-";
  const int fd = standardInput ? dup(STDIN_FILENO) : open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = standardInput ? "standard input: " + std::string(std::strerror(errno)) : Problem(name, errno);
    return nullptr;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    error = Problem(name, errno);
    close(fd);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    error = name + ": is a directory";
    close(fd);
    return nullptr;
  }
  if (S_ISREG(info.st_mode) && !standardInput)
    return std::shared_ptr<InputFile>(new InputFile(fd, name, name));
  // A device named on the command line is no part file (/dev/zero would
  // never end); standard input may still be a terminal or a redirection.
  if ((S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) && !standardInput) {
    error = name + ": is a device, not a file to read";
    close(fd);
    return nullptr;
  }

  const int copy = CopyToTemporary(fd, standardInput ? "standard input" : name, error);
  close(fd);
  if (copy < 0) return nullptr;
  auto file = std::shared_ptr<InputFile>(new InputFile(copy, name, "/proc/self/fd/" + std::to_string(copy)));
  g_copies.emplace(name, file);
  return file;
}

InputFile::~InputFile() {
  if (m_fd >= 0) close(m_fd);
}

bool InputFile::Head(std::size_t size, std::string& head, std::string& error) const {
  head.assign(size, '\0');
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = pread(m_fd, head.data() + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Problem(m_name, errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  head.resize(got);
  return true;
}

InputBuffer::InputBuffer(std::shared_ptr<const InputFile> file)
    : m_file(std::move(file)), m_buffer(kReadBuffer) {
  setg(m_buffer.data(), m_buffer.data(), m_buffer.data());
}

InputBuffer::pos_type InputBuffer::seekoff(off_type off, std::ios_base::seekdir dir,
                                           std::ios_base::openmode which) {
  if (off != 0 || dir != std::ios_base::cur || !(which & std::ios_base::in)) return pos_type(off_type(-1));
  return pos_type(static_cast<off_type>(m_offset - (egptr() - gptr())));
}

InputBuffer::int_type InputBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (m_errno != 0) return traits_type::eof();
  ssize_t n;
  do n = pread(m_file->Descriptor(), m_buffer.data(), m_buffer.size(), static_cast<off_t>(m_offset));
  while (n < 0 && errno == EINTR);
  if (n <= 0) {
    if (n < 0) m_errno = errno;
    return traits_type::eof();
  }
  m_offset += n;
  setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + n);
  return traits_type::to_int_type(*gptr());
}
