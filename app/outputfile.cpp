#include "app/outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

// Permissions for the new file: those of the file it replaces, else what a
// plain creation under the current umask would give.
mode_t TargetMode(const std::string& target) {
  struct stat existing;
  if (stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

ReplacingFile::ReplacingFile() : m_buffer(kBufferSize) {
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

ReplacingFile::~ReplacingFile() { Abandon(); }

bool ReplacingFile::Open(const std::string& target, std::string& error) {
  Abandon();
  const std::filesystem::path path(target);
  const std::filesystem::path directory = path.has_parent_path() ? path.parent_path() : ".";
  std::string pattern = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
  m_fd = mkstemp(pattern.data());
  if (m_fd < 0) {
    error = "cannot create a file in " + directory.string() + ": " + std::strerror(errno);
    return false;
  }
  m_target = target;
  m_temporary = pattern;
  m_errno = 0;
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
  if (fchmod(m_fd, TargetMode(target)) != 0) m_errno = errno;
  return true;
}

bool ReplacingFile::Drain() {
  const char* data = pbase();
  std::size_t left = static_cast<std::size_t>(pptr() - pbase());
  while (left > 0 && m_errno == 0) {
    const ssize_t n = ::write(m_fd, data, left);
    if (n < 0) {
      if (errno != EINTR) m_errno = errno;
      continue;
    }
    if (n == 0) m_errno = EIO;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
  return m_errno == 0;
}

ReplacingFile::int_type ReplacingFile::overflow(int_type c) {
  if (m_fd < 0 || !Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int ReplacingFile::sync() { return m_fd >= 0 && Drain() ? 0 : -1; }

std::string ReplacingFile::Failure(const std::string& what) const {
  return what + " " + m_target + ": " + std::strerror(m_errno);
}

std::string ReplacingFile::WriteError() const { return m_errno ? Failure("cannot write") : std::string(); }

bool ReplacingFile::Commit(std::string& error) {
  if (m_fd < 0) {
    error = "nothing to write";
    return false;
  }
  if (sync() != 0 || fsync(m_fd) != 0) {
    if (m_errno == 0) m_errno = errno;
    error = Failure("cannot write");
    Abandon();
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (close(fd) != 0) {
    m_errno = errno;
    error = Failure("cannot write");
    Abandon();
    return false;
  }
  if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    m_errno = errno;
    error = Failure("cannot replace");
    Abandon();
    return false;
  }
  m_temporary.clear();
  return true;
}

void ReplacingFile::Abandon() {
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }
  if (!m_temporary.empty()) {
    unlink(m_temporary.c_str());
    m_temporary.clear();
  }
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}
