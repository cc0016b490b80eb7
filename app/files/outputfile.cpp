#include "app/files/outputfile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/files/tempcleanup.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr int kMostLinks = 40;  // as the kernel's own limit on nested links

std::string Directory(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file that `target` names once symbolic links in its last component
// are followed; a link to nothing yet names the file it would create.
bool FollowLinks(const std::string& target, std::string& resolved, std::string& error) {
  resolved = target;
  for (int hops = 0;; ++hops) {
    struct stat info;
    if (lstat(resolved.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    if (hops == kMostLinks) {
      error = target + ": " + std::strerror(ELOOP);
      return false;
    }
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(resolved.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
      error = target + ": cannot follow the link: " + std::strerror(n < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    link.resize(static_cast<std::size_t>(n));
    resolved = link.front() == '/' ? link : Directory(resolved) + "/" + link;
  }
}

std::string KindProblem(const std::string& target, const struct stat& info) {
  if (S_ISREG(info.st_mode)) return "";
  if (S_ISDIR(info.st_mode)) return target + ": is a directory";
  if (S_ISFIFO(info.st_mode)) return target + ": is a FIFO, not a file to replace";
  if (S_ISSOCK(info.st_mode)) return target + ": is a socket, not a file to replace";
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return target + ": is a device, not a file to replace";
  return target + ": is not a regular file";
}

// A short hidden name, so that a target of the longest name still leaves
// room for it.
std::string TemporaryName(const std::string& directory) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char random[8] = {};
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    static unsigned counter = 0;
    const unsigned mix = static_cast<unsigned>(getpid()) * 2654435761u + ++counter * 40503u;
    std::memcpy(random, &mix, sizeof mix);
  }
  std::string name = directory + "/.xpdb-";
  for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
  return name;
}

// Mode and owner of the file being replaced; a new file gets what a plain
// creation under the current umask would give.
void TakeOver(int fd, const std::string& resolved) {
  struct stat existing;
  if (stat(resolved.c_str(), &existing) != 0) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return;
  }
  // Only a privileged process may give a file away; a group the user belongs
  // to is kept where possible. Ownership first, since it clears set-id bits.
  if (existing.st_uid != geteuid() || existing.st_gid != getegid())
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0)
      (void)!fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
  fchmod(fd, existing.st_mode & 07777);
}

}  // namespace

std::string UnwritableOutput(const std::string& target) {
  std::string resolved, error;
  if (!FollowLinks(target, resolved, error)) return error;
  struct stat info;
  if (stat(resolved.c_str(), &info) != 0) return "";
  return KindProblem(target, info);
}

ReplacingFile::ReplacingFile() : m_buffer(kBufferSize) {
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

ReplacingFile::~ReplacingFile() { Abandon(); }

bool ReplacingFile::Open(const std::string& target, std::string& error) {
  Abandon();
  if (!FollowLinks(target, m_resolved, error)) return false;
  struct stat info;
  if (stat(m_resolved.c_str(), &info) == 0) {
    if (error = KindProblem(target, info); !error.empty()) return false;
  }
  m_directory = Directory(m_resolved);
  m_fd = open(m_directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (m_fd < 0 && errno != ENOENT && errno != ENOTDIR && errno != EACCES && errno != EROFS) {
    // A file system without unnamed files: a named one, removed on signals.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
      m_temporary = TemporaryName(m_directory);
      m_fd = open(m_temporary.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
      if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd >= 0)
      m_slot = tempcleanup::Register(m_temporary);
    else
      m_temporary.clear();
  }
  if (m_fd < 0) {
    error = "cannot create a file in " + m_directory + ": " + std::strerror(errno);
    return false;
  }
  m_target = target;
  m_errno = 0;
  m_prepared = false;
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
  TakeOver(m_fd, m_resolved);
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
  if (m_fd < 0 || m_prepared || !Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int ReplacingFile::sync() { return m_fd >= 0 && !m_prepared && Drain() ? 0 : -1; }

std::string ReplacingFile::Failure(const std::string& what) const {
  return what + " " + m_target + ": " + std::strerror(m_errno);
}

std::string ReplacingFile::WriteError() const { return m_errno ? Failure("cannot write") : std::string(); }

bool ReplacingFile::Fail(const std::string& what, int error, std::string& message) {
  if (m_errno == 0) m_errno = error;
  message = Failure(what);
  Abandon();
  return false;
}

bool ReplacingFile::Prepare(std::string& error) {
  if (m_fd < 0) {
    error = "nothing to write";
    return false;
  }
  if (m_prepared) return true;
  if (sync() != 0 || fsync(m_fd) != 0) return Fail("cannot write", errno, error);
  if (m_temporary.empty()) {
    // The unnamed file gets its name through the process's own view of the
    // descriptor, which needs no privilege (unlike AT_EMPTY_PATH).
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = TemporaryName(m_directory);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_temporary = std::move(name);
        m_slot = tempcleanup::Register(m_temporary);
        break;
      }
      if (errno != EEXIST) return Fail("cannot write", errno, error);
    }
    if (m_temporary.empty()) return Fail("cannot write", EEXIST, error);
  }
  const int fd = m_fd;
  m_fd = -1;
  if (close(fd) != 0) return Fail("cannot write", errno, error);
  m_prepared = true;
  return true;
}

bool ReplacingFile::Install(std::string& error) {
  if (!m_prepared && !Prepare(error)) return false;
  if (std::rename(m_temporary.c_str(), m_resolved.c_str()) != 0) return Fail("cannot replace", errno, error);
  tempcleanup::Unregister(m_slot);
  m_slot = -1;
  m_temporary.clear();
  m_prepared = false;
  // The rename itself reaches the disk with its directory.
  const int directory = open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    fsync(directory);
    close(directory);
  }
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
  tempcleanup::Unregister(m_slot);
  m_slot = -1;
  m_prepared = false;
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

ReplacingFile* ReplacingFileSet::Add(const std::string& target, std::string& error) {
  auto file = std::make_unique<ReplacingFile>();
  if (!file->Open(target, error)) return nullptr;
  m_files.push_back(std::move(file));
  return m_files.back().get();
}

bool ReplacingFileSet::Commit(std::string& error) {
  for (auto& file : m_files)
    if (!file->Prepare(error)) {
      Abandon();
      return false;
    }
  // Every file is complete on disk; only renames remain.
  for (auto& file : m_files)
    if (!file->Install(error)) {
      Abandon();
      return false;
    }
  m_files.clear();
  return true;
}

void ReplacingFileSet::Abandon() {
  for (auto& file : m_files) file->Abandon();
  m_files.clear();
}
