#include "xmessage.h"

#include <libintl.h>

xException::~xException() = default;
xSmartPtrException::~xSmartPtrException() = default;

const char* xSmartPtrException::GetText() const { return xHostTranslate("Illegal smart pointer access"); }

xMessage::xMessage(const char* text, bool isWarning) : m_text(text ? text : ""), m_isWarning(isWarning) {}

const char* xHostTranslate(const char* text) {
  if (!text || !*text) return "";
  return dgettext("xelto", text);
}
