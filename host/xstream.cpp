#include "xstream.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <locale>

namespace {

// The classic locale's white space. Also right for what sgetc returns: its
// end-of-file value is no character of the table.
constexpr auto kSpaces = [] {
  std::array<bool, 256> table{};
  for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
  return table;
}();
inline bool IsSpace(int c) { return kSpaces[static_cast<unsigned char>(c)]; }

constexpr int kEnd = std::char_traits<char>::eof();
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

// The two sources a number is scanned from. Peek gives the character at the
// cursor, kEnd where there is none; Next moves past it.

// The buffered text from `first` on. A number that reaches its end is
// unsettled: the text may go on beyond it.
struct BufferedText {
  const char* first;
  const char* p;
  const char* end;
  int Peek() const { return p < end ? static_cast<unsigned char>(*p) : kEnd; }
  void Next() { ++p; }
  bool Unsettled() const { return p == end; }
  std::size_t Length() const { return static_cast<std::size_t>(p - first); }
  const char* Text() const { return first; }
};

// Characters taken from the streambuf one at a time, the first
// kTokenCapacity of them kept; its end is the end of the stream.
class TakenText {
 public:
  explicit TakenText(std::streambuf* buffer) : m_buffer(buffer), m_c(buffer->sgetc()) {}
  int Peek() const { return m_c; }
  void Next() {
    if (m_length < kTokenCapacity) m_text[m_length] = static_cast<char>(m_c);
    ++m_length;
    m_c = m_buffer->snextc();
  }
  static bool Unsettled() { return false; }
  std::size_t Length() const { return m_length; }
  const char* Text() const { return m_text; }

 private:
  std::streambuf* m_buffer;
  int m_c;
  std::size_t m_length = 0;
  char m_text[kTokenCapacity];
};

// Takes the run of decimal digits at the cursor into `value` (which wraps
// beyond 19 digits; callers count them) and returns how many there were.
template <class Text>
inline int TakeDigits(Text& in, std::uint64_t& value) {
  int n = 0;
  for (;; in.Next(), ++n) {
    const unsigned d = static_cast<unsigned>(in.Peek() - '0');
    if (d > 9) return n;
    value = value * 10 + d;
  }
}

template <class Text>
inline bool TakeSign(Text& in) {
  const int c = in.Peek();
  if (c == '+' || c == '-') in.Next();
  return c == '-';
}

// The whole of [first, last), which the scan has found to be a number.
template <class T>
bool Convert(const char* first, const char* last, T& value) {
  T parsed{};
  const auto r = std::from_chars(*first == '+' ? first + 1 : first, last, parsed);
  if (r.ec != std::errc() || r.ptr != last) return false;
  value = parsed;
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

// Where a scanned number stands.
enum class Scan { kDone, kFailed, kUnsettled };

// The grammar of the class comment, in one place: each scan takes exactly
// the characters that fit it and converts them on the way.

template <class Text>
Scan ScanInt(Text& in, int& value) {
  const bool negative = TakeSign(in);
  std::uint64_t magnitude = 0;
  const int digits = TakeDigits(in, magnitude);
  if (in.Unsettled()) return Scan::kUnsettled;
  if (digits == 0 || in.Length() > kTokenCapacity) return Scan::kFailed;
  // Up to 19 digits cannot wrap; longer ones are mostly leading zeros.
  if (digits > 19) return Convert(in.Text(), in.Text() + in.Length(), value) ? Scan::kDone : Scan::kFailed;
  if (magnitude > (negative ? 0x80000000u : 0x7fffffffu)) return Scan::kFailed;
  value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
  return Scan::kDone;
}

template <class Text>
Scan ScanReal(Text& in, double& value) {
  const bool negative = TakeSign(in);
  std::uint64_t mantissa = 0;
  int digits = TakeDigits(in, mantissa), exponent = 0;
  if (in.Peek() == '.') {
    in.Next();
    const int fraction = TakeDigits(in, mantissa);
    exponent = -fraction;
    digits += fraction;
  }
  if (digits > 0 && (in.Peek() == 'e' || in.Peek() == 'E')) {
    in.Next();
    const bool negativeExponent = TakeSign(in);
    int written = 0, exponentDigits = 0;
    for (unsigned d; (d = static_cast<unsigned>(in.Peek() - '0')) <= 9; in.Next(), ++exponentDigits)
      if (written < 100000) written = written * 10 + static_cast<int>(d);
    if (exponentDigits == 0 && !in.Unsettled()) digits = 0;  // "1e" is no number
    exponent += negativeExponent ? -written : written;
  }
  if (in.Unsettled()) return Scan::kUnsettled;
  if (digits == 0 || in.Length() > kTokenCapacity) return Scan::kFailed;
  // Beyond 19 digits the mantissa may have wrapped.
  if (digits <= 19 && FastReal(mantissa, exponent, negative, value)) return Scan::kDone;
  return Convert(in.Text(), in.Text() + in.Length(), value) ? Scan::kDone : Scan::kFailed;
}

}  // namespace

void xMessageContext::AddDebug(xStream* stream, const char* text) {
  if (stream && text) stream->GetMessageContext().m_notes.emplace_back(text);
}

xStream::xStream(std::streambuf* buffer) : std::iostream(buffer) { imbue(std::locale::classic()); }

xStream::~xStream() = default;

// The number is scanned in place when it ends inside the buffered text; at
// the end of the buffer, or without one, the same scan takes it from the
// streambuf a character at a time.
template <class T, class ScanFn>
xStream& xStream::Extract(T& value, ScanFn scan) {
  value = T();
  std::streambuf* buf = rdbuf();
  if (rdstate() != std::ios::goodbit || !buf) {
    setstate(std::ios::failbit);
    return *this;
  }
  const char* p = GetArea::Next(buf);
  const char* bufferEnd = GetArea::End(buf);
  while (p < bufferEnd && IsSpace(*p)) ++p;
  if (p < bufferEnd) {
    BufferedText text{p, p, bufferEnd};
    const Scan result = scan(text, value);
    if (result != Scan::kUnsettled) {
      GetArea::Consume(buf, text.p);
      if (result == Scan::kFailed) setstate(std::ios::failbit);
      return *this;
    }
  }
  GetArea::Consume(buf, p);
  int c = buf->sgetc();
  while (IsSpace(c)) c = buf->snextc();
  TakenText text(buf);
  const Scan result = scan(text, value);
  if (text.Peek() == kEnd) setstate(std::ios::eofbit);
  if (result != Scan::kDone) {
    value = T();
    setstate(std::ios::failbit);
  }
  return *this;
}

xStream& xStream::operator>>(int& value) {
  return Extract(value, [](auto& text, int& v) { return ScanInt(text, v); });
}

xStream& xStream::operator>>(double& value) {
  return Extract(value, [](auto& text, double& v) { return ScanReal(text, v); });
}

xStream& operator>>(xStream& stream, xTString<char>& text) {
  text.Clear();
  std::istream::sentry ok(stream);  // skips leading white space
  if (!ok) {
    stream.setstate(std::ios::failbit);
    return stream;
  }
  std::streambuf* buf = stream.rdbuf();
  int c = buf->sgetc();
  std::string& out = text.Str();
  while (c != kEnd && !IsSpace(c)) {
    out += static_cast<char>(c);
    c = buf->snextc();
  }
  if (c == kEnd) stream.setstate(std::ios::eofbit);
  if (out.empty()) stream.setstate(std::ios::failbit);
  return stream;
}

xStream& operator<<(xStream& stream, const xTString<char>& text) {
  stream.write(text.c_str(), static_cast<std::streamsize>(text.Length()));
  return stream;
}
