#include "app/convert/isolatedimport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers reserve terabytes of address space up front; the child's
// resident memory is watched instead, and their bookkeeping needs room.
constexpr bool kAddressLimit = false;
constexpr double kSanitizerFactor = 4.0;
#else
constexpr bool kAddressLimit = true;
constexpr double kSanitizerFactor = 1.0;
#endif

constexpr std::uint64_t kMiB = 1024 * 1024;
// Assimp's importers hold up to about twelve times their input (PLY's
// property tables are the largest); twice that leaves room.
constexpr std::uint64_t kMemoryPerInputByte = 24;
constexpr std::uint64_t kMemoryFloor = 512 * kMiB;
constexpr double kCpuSecondsPerMiB = 0.25, kCpuFloor = 10.0;
constexpr int kOutOfMemoryExit = 97;
constexpr int kWatchMilliseconds = 20;
constexpr std::size_t kPipeBytes = 1 << 20;

// The work's failed allocation ends the child at once with a code that says
// why, instead of an exception that the importer would turn into some text.
void OutOfMemory() { _exit(kOutOfMemoryExit); }

struct ProcessMemory {
  std::uint64_t virtualBytes = 0, residentBytes = 0;
};

ProcessMemory MemoryOf(const std::string& statm) {
  std::ifstream in(statm);
  std::uint64_t size = 0, resident = 0;
  in >> size >> resident;
  const auto page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  return {size * page, resident * page};
}

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(1);  // the parent is gone
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

[[noreturn]] void ChildMain(int fd, const IsolationLimits& limits, const ProcessMemory& parent,
                            const std::function<void(ChildChannel&)>& work) {
  // The child is a worker: the parent's handlers (which may clean up the
  // parent's files) are not its business.
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) signal(sig, SIG_DFL);
  std::set_new_handler(OutOfMemory);
  if (kAddressLimit) {
    const rlim_t bytes = parent.virtualBytes + limits.memoryBytes;
    const rlimit memory{bytes, bytes};
    setrlimit(RLIMIT_AS, &memory);
  }
  const auto cpu = static_cast<rlim_t>(std::ceil(limits.cpuSeconds));
  const rlimit time{cpu, cpu + 1};
  setrlimit(RLIMIT_CPU, &time);
  ChildChannel channel(fd);
  try {
    work(channel);
    channel.Failure("the importer ended without a result");
  } catch (const std::exception& e) {
    channel.Failure(e.what());
  } catch (...) {
    channel.Failure("unknown error");
  }
  _exit(0);
}

std::string SignalText(int sig) {
  const char* text = strsignal(sig);
  return text ? text : "signal " + std::to_string(sig);
}

std::string MiB(std::uint64_t bytes) { return std::to_string((bytes + kMiB - 1) / kMiB) + " MiB"; }

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", s);
  return text;
}

// Takes whole frames off the front of what the child sent so far.
class FrameReader {
 public:
  explicit FrameReader(std::uint64_t largest) : m_largest(largest) {}

  void Append(const char* data, std::size_t size) { m_pending.append(data, size); }

  // Calls `frame(type, payload)` for each whole frame; the payload may be
  // moved from.
  template <class Fn>
  void Take(Fn frame) {
    std::size_t at = 0;
    while (m_pending.size() - at >= kHead) {
      std::uint64_t size = 0;
      std::memcpy(&size, m_pending.data() + at + 1, sizeof size);
      if (m_pending.size() - at - kHead < size) {
        // Room for the rest at once; a frame cannot exceed what the child may hold.
        if (size <= m_largest) m_pending.reserve(at + kHead + size);
        break;
      }
      const char type = m_pending[at];
      if (at == 0 && m_pending.size() == kHead + size) {
        std::string payload = std::move(m_pending);
        m_pending.clear();
        payload.erase(0, kHead);
        frame(type, payload);
        return;
      }
      std::string payload = m_pending.substr(at + kHead, size);
      frame(type, payload);
      at += kHead + size;
    }
    m_pending.erase(0, at);
  }

 private:
  static constexpr std::size_t kHead = 9;
  std::string m_pending;
  std::uint64_t m_largest;
};

}  // namespace

IsolationLimits LimitsForInput(std::uint64_t inputBytes) {
  IsolationLimits limits;
  const double mib = static_cast<double>(inputBytes) / kMiB;
  limits.memoryBytes = static_cast<std::uint64_t>(
      kSanitizerFactor * static_cast<double>(kMemoryFloor + kMemoryPerInputByte * inputBytes));
  limits.cpuSeconds = kSanitizerFactor * (kCpuFloor + kCpuSecondsPerMiB * mib);
  limits.wallSeconds = 2.0 * limits.cpuSeconds + 10.0;
  return limits;
}

void ChildChannel::Progress(double fraction) {
  if (std::fabs(fraction - m_lastProgress) < 0.005) return;
  m_lastProgress = fraction;
  Send('p', reinterpret_cast<const char*>(&fraction), sizeof fraction);
}

void ChildChannel::Result(const std::string& bytes) {
  Send('r', bytes.data(), bytes.size());
  _exit(0);
}

void ChildChannel::Failure(const std::string& text, bool unrecognised) {
  const std::string payload = (unrecognised ? 'u' : 'f') + text;
  Send('f', payload.data(), payload.size());
  _exit(0);
}

void ChildChannel::Send(char type, const char* data, std::size_t size) {
  char head[9];
  head[0] = type;
  const std::uint64_t length = size;
  std::memcpy(head + 1, &length, sizeof length);
  WriteAll(m_fd, head, sizeof head);
  WriteAll(m_fd, data, size);
}

IsolatedOutcome RunIsolated(const IsolationLimits& limits, const std::function<void(ChildChannel&)>& work,
                            const std::function<void(double)>& progress) {
  IsolatedOutcome outcome;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    outcome.error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return outcome;
  }
  // Fewer turns between the processes for large meshes; the default where
  // the system refuses.
  fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(kPipeBytes));
  const ProcessMemory parent = MemoryOf("/proc/self/statm");
  const pid_t pid = fork();
  if (pid < 0) {
    outcome.error = std::string("cannot start the importing process: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return outcome;
  }
  if (pid == 0) {
    close(fds[0]);
    ChildMain(fds[1], limits, parent, work);
  }
  close(fds[1]);

  const std::string statm = "/proc/" + std::to_string(pid) + "/statm";
  const auto start = std::chrono::steady_clock::now();
  enum class Stopped { kNo, kMemory, kWall } stopped = Stopped::kNo;
  FrameReader frames(limits.memoryBytes);
  bool answered = false;
  const auto onFrame = [&](char type, std::string& payload) {
    if (type == 'p' && payload.size() == sizeof(double)) {
      double fraction = 0;
      std::memcpy(&fraction, payload.data(), sizeof fraction);
      progress(fraction);
    } else if (type == 'r') {
      outcome.ok = true;
      outcome.result = std::move(payload);
      answered = true;
    } else if (type == 'f' && !payload.empty()) {
      outcome.unrecognised = payload[0] == 'u';
      outcome.error = payload.substr(1);
      answered = true;
    }
  };
  std::vector<char> chunk(kPipeBytes);
  for (;;) {
    pollfd watched{fds[0], POLLIN, 0};
    const int ready = poll(&watched, 1, kWatchMilliseconds);
    if (ready > 0) {
      const ssize_t n = read(fds[0], chunk.data(), chunk.size());
      if (n == 0) break;
      if (n < 0 && errno != EINTR && errno != EAGAIN) break;
      if (n > 0) frames.Append(chunk.data(), static_cast<std::size_t>(n));
      frames.Take(onFrame);
    } else if (ready < 0 && errno != EINTR) {
      break;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed > limits.wallSeconds) {
      stopped = Stopped::kWall;
    } else if (MemoryOf(statm).residentBytes > parent.residentBytes + limits.memoryBytes) {
      stopped = Stopped::kMemory;
    }
    if (stopped != Stopped::kNo) {
      kill(pid, SIGKILL);
      break;
    }
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }

  const bool cleanExit = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (stopped == Stopped::kNo && cleanExit && answered) return outcome;
  outcome.ok = false;
  outcome.result.clear();
  outcome.unrecognised = false;
  const std::string memoryText = "the importer needed more than the " + MiB(limits.memoryBytes) +
                                 " of memory allowed for an input of this size";
  if (stopped == Stopped::kWall)
    outcome.error = "the importer did not finish within " + Seconds(limits.wallSeconds);
  else if (stopped == Stopped::kMemory || (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryExit))
    outcome.error = memoryText;
  else if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL))
    outcome.error = "the importer used more than the " + Seconds(std::ceil(limits.cpuSeconds)) +
                    " of processor time allowed for an input of this size";
  else if (WIFSIGNALED(status))
    outcome.error = "the importer crashed (" + SignalText(WTERMSIG(status)) + ")";
  else
    outcome.error = "the importer ended without a result (exit status " +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
  return outcome;
}
