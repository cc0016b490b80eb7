#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

// Appending numbers to a file's bytes: text in the shortest form that reads
// back as the same float, binary in little-endian order as the x86-64 host
// holds it.
namespace meshtext {

inline void Number(std::string& out, float value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out.append(buffer, end);
}

inline void Number(std::string& out, unsigned value) {
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out.append(buffer, end);
}

template <class T>
void Raw(std::string& out, T value) {
  static_assert(std::is_arithmetic_v<T>);
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

}  // namespace meshtext
