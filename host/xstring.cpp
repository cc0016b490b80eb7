#include "xstring.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

void AppendFallback(std::string& out, const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof small) {
    out.append(small, static_cast<std::size_t>(n));
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(n) + 1);
  std::vsnprintf(out.data() + start, static_cast<std::size_t>(n) + 1, fmt, args);
  out.resize(start + static_cast<std::size_t>(n));
}

// Only plain "%d", "%g" and "%%" conversions qualify for the fast path.
bool IsSimple(const char* fmt) {
  for (const char* p = fmt; *p; ++p) {
    if (*p != '%') continue;
    const char c = p[1];
    if (c != 'd' && c != 'g' && c != '%') return false;
    ++p;
  }
  return true;
}

}  // namespace

void xFormatAppend(std::string& out, const char* fmt, va_list args) {
  if (!fmt) return;
  if (!IsSimple(fmt)) {
    AppendFallback(out, fmt, args);
    return;
  }
  char buf[64];
  for (const char* p = fmt; *p; ++p) {
    if (*p != '%') {
      const char* run = p;
      while (p[1] && p[1] != '%') ++p;
      out.append(run, static_cast<std::size_t>(p - run + 1));
      continue;
    }
    ++p;
    if (*p == '%') {
      out += '%';
    } else if (*p == 'd') {
      const auto r = std::to_chars(buf, buf + sizeof buf, va_arg(args, int));
      out.append(buf, static_cast<std::size_t>(r.ptr - buf));
    } else {
      // to_chars with general format and precision 6 is defined as printf's %g.
      const double v = va_arg(args, double);
      const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
      if (r.ec == std::errc()) {
        out.append(buf, static_cast<std::size_t>(r.ptr - buf));
      } else {
        const int n = std::snprintf(buf, sizeof buf, "%g", v);
        if (n > 0) out.append(buf, static_cast<std::size_t>(n));
      }
    }
  }
}
