#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Runs work on untrusted input in a child process under limits, so that a
// crash, a hang or a runaway allocation there ends with a clear failure
// here. The child hands its result back through a pipe.

struct IsolationLimits {
  std::uint64_t memoryBytes = 0;  // what the work may add to the process
  double cpuSeconds = 0;          // processor time of the child
  double wallSeconds = 0;         // until the child is stopped whatever it does
};

// Limits in proportion to the input, with floors that every sane input of a
// few bytes needs.
IsolationLimits LimitsForInput(std::uint64_t inputBytes);

// The child's side of the pipe.
class ChildChannel {
 public:
  explicit ChildChannel(int fd) : m_fd(fd) {}
  // Sent only when it has moved by at least half a percent.
  void Progress(double fraction);
  void Result(const std::string& bytes);
  // `unrecognised`: the input is of no kind the work knows, rather than one
  // that it failed on.
  void Failure(const std::string& text, bool unrecognised = false);

 private:
  void Send(char type, const char* data, std::size_t size);

  int m_fd;
  double m_lastProgress = -1.0;
};

struct IsolatedOutcome {
  bool ok = false;
  std::string result;         // what the child handed back, when ok
  bool unrecognised = false;  // else whether the input was of no known kind
  std::string error;          // and what went wrong, in words
};

// Forks, applies the limits in the child and runs `work` there; it must end
// by calling Result or Failure. The child never returns from here.
// `progress` is called with the child's reports.
IsolatedOutcome RunIsolated(const IsolationLimits& limits, const std::function<void(ChildChannel&)>& work,
                            const std::function<void(double)>& progress);
