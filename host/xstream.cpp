#include "xstream.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <locale>

namespace {

inline bool IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }

constexpr auto kSpaces = [] {
  std::array<bool, 256> table{};
  for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
  return table;
}();
inline bool IsSpaceChar(char c) { return kSpaces[static_cast<unsigned char>(c)]; }

// Takes the run of decimal digits at p into `value` (which wraps beyond 19
// digits; callers count them) and returns its end; stops at `end`.
inline const char* TakeDigits(const char* p, const char* end, std::uint64_t& value) {
  for (; p < end; ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
    if (d > 9) break;
    value = value * 10 + d;
  }
  return p;
}

constexpr std::size_t kTokenCapacity = 128;

// The get area of any streambuf, through the protected members that a derived
// class may name: numbers are scanned in place instead of a character at a time.
struct GetArea : std::streambuf {
  static char* Next(std::streambuf* b) { return (b->*&GetArea::gptr)(); }
  static char* End(std::streambuf* b) { return (b->*&GetArea::egptr)(); }
  static void Consume(std::streambuf* b, const char* to) {
    (b->*&GetArea::gbump)(static_cast<int>(to - Next(b)));
  }
};

// [+-]?[0-9]+ in [first, last); false for anything else or outside int.
bool ParseInt(const char* first, const char* last, int& value) {
  bool negative = false;
  if (first < last && (*first == '+' || *first == '-')) negative = *first++ == '-';
  if (first == last) return false;
  std::uint64_t magnitude = 0;
  for (const char* p = first; p < last; ++p) {
    if (!IsDigit(*p)) return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
    if (magnitude > 0x80000000u) return false;
  }
  if (!negative && magnitude > 0x7fffffffu) return false;
  value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
  return true;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A decimal mantissa below 2^53 scaled by a power of ten up to 1e22 takes
// one multiplication or division of two exact doubles, which IEEE arithmetic
// rounds correctly: that covers what "%g" writes. False for anything else,
// which from_chars then converts; both give the correctly rounded value.
bool FastReal(std::uint64_t mantissa, int exponent, bool negative, double& value) {
  if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22) return false;
  const auto m = static_cast<double>(mantissa);
  const double magnitude = exponent < 0 ? m / kPowersOfTen[-exponent] : m * kPowersOfTen[exponent];
  value = negative ? -magnitude : magnitude;
  return true;
}

// A whole token that fits the grammar of a real.
bool ParseReal(const char* first, const char* last, double& value) {
  double parsed = 0.0;
  const auto r = std::from_chars(*first == '+' ? first + 1 : first, last, parsed);
  if (r.ec != std::errc() || r.ptr != last) return false;
  value = parsed;
  return true;
}

// Where a number scanned in place stands.
enum class Scan { kDone, kFailed, kUnsettled };

// An int at p, ended by a character before `end`: the same characters as
// ReadToken takes, converted on the way.
Scan ScanInt(const char*& p, const char* end, int& value) {
  const char* first = p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  std::uint64_t magnitude = 0;
  p = TakeDigits(p, end, magnitude);
  if (p == end) return Scan::kUnsettled;
  const auto n = static_cast<std::size_t>(p - digits);
  if (n == 0 || static_cast<std::size_t>(p - first) > kTokenCapacity) return Scan::kFailed;
  // Up to 19 digits cannot wrap; longer ones are mostly leading zeros.
  if (n > 19) return ParseInt(first, p, value) ? Scan::kDone : Scan::kFailed;
  if (magnitude > (negative ? 0x80000000u : 0x7fffffffu)) return Scan::kFailed;
  value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
  return Scan::kDone;
}

// A real at p, likewise.
Scan ScanReal(const char*& p, const char* end, double& value) {
  const char* first = p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  std::uint64_t mantissa = 0;
  const char* whole = p;
  p = TakeDigits(p, end, mantissa);
  int digits = static_cast<int>(p - whole), exponent = 0;
  if (p < end && *p == '.') {
    ++p;
    const char* fraction = p;
    p = TakeDigits(p, end, mantissa);
    exponent = -static_cast<int>(p - fraction);
    digits += static_cast<int>(p - fraction);
  }
  if (digits > 0 && p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p < end && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
    const char* exponentDigits = p;
    int written = 0;
    for (; p < end && IsDigit(*p); ++p)
      if (written < 100000) written = written * 10 + (*p - '0');
    if (p < end && p == exponentDigits) digits = 0;  // "1e" is no number
    exponent += negativeExponent ? -written : written;
  }
  if (p == end) return Scan::kUnsettled;
  if (digits == 0 || static_cast<std::size_t>(p - first) > kTokenCapacity) return Scan::kFailed;
  // Beyond 19 digits the mantissa may have wrapped.
  if (digits <= 19 && FastReal(mantissa, exponent, negative, value)) return Scan::kDone;
  return ParseReal(first, p, value) ? Scan::kDone : Scan::kFailed;
}

}  // namespace

void xMessageContext::AddDebug(xStream* stream, const char* text) {
  if (stream && text) stream->GetMessageContext().m_notes.emplace_back(text);
}

xStream::xStream(std::streambuf* buffer) : std::iostream(buffer) { imbue(std::locale::classic()); }

xStream::~xStream() = default;

bool xStream::ReadToken(char* token, std::size_t capacity, std::size_t& length, bool real) {
  length = 0;
  std::streambuf* buf = rdbuf();
  if (!good() || !buf) {
    setstate(std::ios::failbit);
    return false;
  }
  using traits = std::char_traits<char>;
  const int eof = traits::eof();
  int c = buf->sgetc();
  while (c != eof && IsSpace(c)) c = buf->snextc();

  bool overflow = false;
  auto take = [&](int ch) {
    if (length < capacity)
      token[length++] = static_cast<char>(ch);
    else
      overflow = true;
    c = buf->snextc();
  };

  if (c == '+' || c == '-') take(c);
  std::size_t digits = 0;
  while (c != eof && IsDigit(c)) take(c), ++digits;
  if (real) {
    if (c == '.') {
      take(c);
      while (c != eof && IsDigit(c)) take(c), ++digits;
    }
    if (digits > 0 && (c == 'e' || c == 'E')) {
      take(c);
      if (c == '+' || c == '-') take(c);
      std::size_t expDigits = 0;
      while (c != eof && IsDigit(c)) take(c), ++expDigits;
      if (expDigits == 0) digits = 0;  // "1e" is no number
    }
  }
  if (c == eof) setstate(std::ios::eofbit);
  if (digits == 0 || overflow) {
    setstate(std::ios::failbit);
    return false;
  }
  return true;
}

// The number is scanned in place when it ends inside the buffered text; at
// the end of the buffer, or without one, ReadToken takes it a character at a
// time and the same scan converts the copy.
template <class T, class ScanFn>
xStream& xStream::Extract(T& value, bool real, ScanFn scan) {
  value = T();
  std::streambuf* buf = rdbuf();
  if (rdstate() == std::ios::goodbit && buf) {
    const char* p = GetArea::Next(buf);
    const char* bufferEnd = GetArea::End(buf);
    while (p < bufferEnd && IsSpaceChar(*p)) ++p;
    const char* token = p;
    if (p < bufferEnd) {
      const Scan result = scan(p, bufferEnd, value);
      if (result != Scan::kUnsettled) {
        GetArea::Consume(buf, p);
        if (result == Scan::kFailed) setstate(std::ios::failbit);
        return *this;
      }
    }
    GetArea::Consume(buf, token);
  }
  char token[kTokenCapacity + 1];
  std::size_t n = 0;
  if (!ReadToken(token, kTokenCapacity, n, real)) return *this;
  token[n] = ' ';
  const char* p = token;
  if (scan(p, token + n + 1, value) != Scan::kDone) {
    value = T();
    setstate(std::ios::failbit);
  }
  return *this;
}

xStream& xStream::operator>>(int& value) { return Extract(value, false, ScanInt); }
xStream& xStream::operator>>(double& value) { return Extract(value, true, ScanReal); }

xStream& operator>>(xStream& stream, xTString<char>& text) {
  text.Clear();
  std::istream::sentry ok(stream);  // skips leading white space
  if (!ok) {
    stream.setstate(std::ios::failbit);
    return stream;
  }
  std::streambuf* buf = stream.rdbuf();
  using traits = std::char_traits<char>;
  int c = buf->sgetc();
  std::string& out = text.Str();
  while (c != traits::eof() && !IsSpace(c)) {
    out += static_cast<char>(c);
    c = buf->snextc();
  }
  if (c == traits::eof()) stream.setstate(std::ios::eofbit);
  if (out.empty()) stream.setstate(std::ios::failbit);
  return stream;
}

xStream& operator<<(xStream& stream, const xTString<char>& text) {
  stream.write(text.c_str(), static_cast<std::streamsize>(text.Length()));
  return stream;
}
