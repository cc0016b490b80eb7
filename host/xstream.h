#pragma once

#include <istream>
#include <string>
#include <vector>

#include "xhostapi.h"
#include "xstring.h"

// Notes that the package and the host attach to a stream while it is read.
class XHOST_API xMessageContext {
 public:
  static void AddDebug(class xStream* stream, const char* text);
  const std::vector<std::string>& Notes() const { return m_notes; }

 private:
  std::vector<std::string> m_notes;
};

// A character stream over any streambuf. Number parsing uses the classic
// locale whatever the process locale is, and `int` and `double` extraction
// share one tokenizer, which scans and converts a number in place in the
// buffered text: it is the hot path of every read.
//
// Grammar: white space is skipped; an int is [+-]?[0-9]+ and a double is
// [+-]?digits[.digits][(e|E)[+-]?digits] with at least one mantissa digit,
// at most 128 characters either. Whatever does not fit, or overflows,
// fails: the fail state is set, the value becomes 0, and every later
// extraction fails as well. Reals are rounded correctly.
class XHOST_API xStream : public std::iostream {
 public:
  explicit xStream(std::streambuf* buffer);
  ~xStream() override;

  using std::istream::operator>>;
  xStream& operator>>(int& value);
  xStream& operator>>(double& value);

  xMessageContext& GetMessageContext() { return m_context; }

 private:
  // One number; `scan` takes the characters that fit the grammar from the
  // buffered text in place, or one at a time from the streambuf.
  template <class T, class ScanFn>
  xStream& Extract(T& value, ScanFn scan);

  xMessageContext m_context;
};

// One white-space-delimited word.
XHOST_API xStream& operator>>(xStream& stream, xTString<char>& text);
XHOST_API xStream& operator<<(xStream& stream, const xTString<char>& text);
