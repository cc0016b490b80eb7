#include "xmessage.h"

#include <libintl.h>

#include <atomic>

namespace {
std::atomic<xHostTranslator> g_translator{nullptr};
}

xException::~xException() = default;
xSmartPtrException::~xSmartPtrException() = default;

const char* xSmartPtrException::GetText() const { return xHostTranslate("Illegal smart pointer access"); }

xMessage::xMessage(const char* text, bool isWarning) : m_text(text ? text : ""), m_isWarning(isWarning) {}

const char* xHostTranslate(const char* text) {
  if (!text || !*text) return "";
  if (const xHostTranslator translator = g_translator.load()) return translator(text);
  return dgettext("xelto", text);
}

xHostTranslator xHostSetTranslator(xHostTranslator translator) { return g_translator.exchange(translator); }
