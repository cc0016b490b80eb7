#pragma once

#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#include "xhostapi.h"

// Appends printf-style output to `out`. "%d" and "%g" take a fast path that
// gives the same text as the C library; anything else goes through vsnprintf.
XHOST_API void xFormatAppend(std::string& out, const char* fmt, va_list args);

template <class T>
class xTString {
 public:
  xTString() = default;
  xTString(const T* text) { Assign(text); }
  xTString(const T* text, std::size_t n) : m_text(text, n) {}

  xTString& operator=(const T* text) {
    Assign(text);
    return *this;
  }
  xTString& operator+=(const T* text) {
    if (text) m_text += text;
    return *this;
  }
  xTString& operator+=(const xTString& other) {
    m_text += other.m_text;
    return *this;
  }
  xTString& operator+=(T c) {
    m_text += c;
    return *this;
  }

  bool Equals(const T* text) const { return text && m_text == text; }
  bool Equals(const xTString& other) const { return m_text == other.m_text; }

  // ASCII upper case, in place.
  xTString& ToUpperCase() {
    for (T& c : m_text)
      if (c >= 'a' && c <= 'z') c = static_cast<T>(c - 'a' + 'A');
    return *this;
  }

  // 1-based position of this string as a whole key in a `sep`-separated
  // list; 0 when it is not one of the keys.
  int KeyIndex(const T* list, T sep) const {
    if (!list) return 0;
    std::basic_string_view<T> rest(list);
    int position = 1;
    for (;;) {
      const auto end = rest.find(sep);
      const auto key = rest.substr(0, end);
      if (key == std::basic_string_view<T>(m_text)) return position;
      if (end == std::basic_string_view<T>::npos) return 0;
      rest.remove_prefix(end + 1);
      ++position;
    }
  }

  static xTString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2))) {
    xTString result;
    va_list args;
    va_start(args, fmt);
    xFormatAppend(result.m_text, fmt, args);
    va_end(args);
    return result;
  }

  // Format's text appended to this string, which keeps its room.
  xTString& AppendFormat(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, fmt);
    xFormatAppend(m_text, fmt, args);
    va_end(args);
    return *this;
  }

  const T* c_str() const { return m_text.c_str(); }
  operator const T*() const { return m_text.c_str(); }
  std::size_t Length() const { return m_text.size(); }
  bool IsEmpty() const { return m_text.empty(); }
  void Clear() { m_text.clear(); }
  const std::basic_string<T>& Str() const { return m_text; }
  std::basic_string<T>& Str() { return m_text; }

 private:
  void Assign(const T* text) {
    if (text)
      m_text = text;
    else
      m_text.clear();
  }

  std::basic_string<T> m_text;
};
