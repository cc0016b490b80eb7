#pragma once

#include <string>

#include "xhostapi.h"

// Base of the exceptions that host classes throw.
class XHOST_API xException {
 public:
  virtual ~xException();
  virtual const char* GetText() const = 0;
};

// Thrown by use of an empty smart reference.
class XHOST_API xSmartPtrException : public xException {
 public:
  ~xSmartPtrException() override;
  const char* GetText() const override;
};

// A message for the user; plug-ins throw it by value to report a failure.
class XHOST_API xMessage {
 public:
  xMessage(const char* text, bool isWarning);
  const char* GetText() const { return m_text.c_str(); }
  bool IsWarning() const { return m_isWarning; }

 private:
  std::string m_text;
  bool m_isWarning;
};

// Translation through the "xelto" message catalogue in the calling thread's
// locale; the text itself when the catalogue has none.
XHOST_API const char* xHostTranslate(const char* text);

// Lets a loaded package route xHostTranslate through its own message locale;
// null restores the default. Returns the translator that was set before.
using xHostTranslator = const char* (*)(const char* text);
XHOST_API xHostTranslator xHostSetTranslator(xHostTranslator translator);
