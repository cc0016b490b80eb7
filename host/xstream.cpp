#include "xstream.h"

#include <charconv>
#include <locale>

namespace {

inline bool IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }

constexpr std::size_t kTokenCapacity = 128;

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

xStream& xStream::operator>>(int& value) {
  char token[kTokenCapacity];
  std::size_t n = 0;
  value = 0;
  if (!ReadToken(token, sizeof token, n, false)) return *this;
  const char* first = token;
  if (*first == '+') ++first;
  int parsed = 0;
  const auto r = std::from_chars(first, token + n, parsed);
  if (r.ec != std::errc() || r.ptr != token + n)
    setstate(std::ios::failbit);
  else
    value = parsed;
  return *this;
}

xStream& xStream::operator>>(double& value) {
  char token[kTokenCapacity];
  std::size_t n = 0;
  value = 0.0;
  if (!ReadToken(token, sizeof token, n, true)) return *this;
  const char* first = token;
  if (*first == '+') ++first;
  double parsed = 0.0;
  const auto r = std::from_chars(first, token + n, parsed);
  if (r.ec != std::errc() || r.ptr != token + n)
    setstate(std::ios::failbit);
  else
    value = parsed;
  return *this;
}

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
