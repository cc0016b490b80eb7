#include "xenvironment.h"

xEnvironment* xEnvironment::GetGlobal() {
  static xEnvironment global;
  return &global;
}

xEnvironment::Setting* xEnvironment::GetPtr(const xTString<char>& name, int scope, int& index) {
  index = -1;
  if (scope != 0) return nullptr;
  const auto it = m_settings.find(name.Str());
  if (it == m_settings.end()) return nullptr;
  index = it->second.first;
  return it->second.second.get();
}

void xEnvironment::SetDouble(const char* name, double value) {
  if (!name) return;
  std::lock_guard<xMutex> lock(m_mutex);
  auto& entry = m_settings[name];
  auto setting = std::make_unique<TSetting<xStoreDouble>>();
  setting->store.value = value;
  if (!entry.second) entry.first = m_next++;
  entry.second = std::move(setting);
}

void xEnvironment::Remove(const char* name) {
  if (!name) return;
  std::lock_guard<xMutex> lock(m_mutex);
  m_settings.erase(name);
}
