#include "host/xmessage.h"
#include "package/textdomain.h"

namespace {

// The library entry point: runs when the host loads the package.
__attribute__((constructor)) void StartPackage() {
  InitTextDomain("xelto");
  // The host's own texts (an empty smart reference, for one) follow the same message locale.
  xHostSetTranslator(&TranslateText);
}

__attribute__((destructor)) void StopPackage() {
  // Never leave the host calling into an unloaded library.
  const xHostTranslator previous = xHostSetTranslator(nullptr);
  if (previous != &TranslateText) xHostSetTranslator(previous);
}

}  // namespace
