#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "xhostapi.h"
#include "xstring.h"

class XHOST_API xMutex {
 public:
  void Lock() { m_mutex.lock(); }
  void Unlock() { m_mutex.unlock(); }
  // For std::lock_guard.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

 private:
  std::mutex m_mutex;
};

struct xStoreDouble {
  double value = 0.0;
};

// Named, typed host settings such as "Render.NURBS.Tolerance". Callers hold
// the environment's mutex while they look a setting up or use it.
class XHOST_API xEnvironment {
 public:
  struct XHOST_API Setting {
    virtual ~Setting() = default;
  };
  template <class Store>
  struct XHOST_API TSetting : Setting {
    Store store;
  };

  static xEnvironment* GetGlobal();

  xMutex& GetMutex() { return m_mutex; }

  // The setting of that name or null; `index` receives its position in
  // registration order (-1 when absent). `scope` 0 is the global scope.
  Setting* GetPtr(const xTString<char>& name, int scope, int& index);

  // Registers the double setting or replaces its value (takes the mutex).
  void SetDouble(const char* name, double value);
  void Remove(const char* name);

 private:
  xMutex m_mutex;
  std::map<std::string, std::pair<int, std::unique_ptr<Setting>>> m_settings;
  int m_next = 0;
};
