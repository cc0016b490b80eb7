#include "app/files/tempcleanup.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace tempcleanup {
namespace {

constexpr int kSlots = 32;
constexpr std::size_t kPathBytes = 4096;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

struct Slot {
  std::atomic<bool> used{false};
  char path[kPathBytes];
};

Slot g_slots[kSlots];
std::mutex g_mutex;  // guards claiming and freeing slots, not the handler
bool g_installed = false;

// Only async-signal-safe calls: unlink, then the signal again with its
// default action, so that the exit status still tells how the process ended.
void OnSignal(int signal) {
  for (Slot& slot : g_slots)
    if (slot.used.load(std::memory_order_acquire)) unlink(slot.path);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void InstallHandlers() {
  for (const int signal : kSignals) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int other : kSignals) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

int Register(const std::string& path) {
  if (path.empty() || path.size() >= kPathBytes) return -1;
  const std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_installed) {
    InstallHandlers();
    g_installed = true;
  }
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[i];
    if (slot.used.load(std::memory_order_relaxed)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used.store(true, std::memory_order_release);
    return i;
  }
  return -1;
}

void Unregister(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  const std::lock_guard<std::mutex> lock(g_mutex);
  g_slots[slot].used.store(false, std::memory_order_release);
}

void LeaveSignalsAlone() {
  const std::lock_guard<std::mutex> lock(g_mutex);
  g_installed = true;
}

}  // namespace tempcleanup
