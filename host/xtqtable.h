#pragma once

#include <cstddef>
#include <vector>

// A growable, contiguous, counted table of plain values.
template <class T>
class xTQTable {
 public:
  explicit xTQTable(std::size_t initialRoom = 0) { m_items.reserve(initialRoom); }

  void Append(const T& item) { m_items.push_back(item); }
  T& operator[](std::size_t i) { return m_items[i]; }
  const T& operator[](std::size_t i) const { return m_items[i]; }
  int Count() const { return static_cast<int>(m_items.size()); }
  void Clear() { m_items.clear(); }  // keeps the room
  T* Data() { return m_items.data(); }
  const T* Data() const { return m_items.data(); }

 private:
  std::vector<T> m_items;
};
