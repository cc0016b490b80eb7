// Reads the input through one module's exported GRRead, as a host would: a
// failed read arrives as a thrown xMessage, which is caught and dropped. With
// XPDB_FUZZ_DEFAULT_TOLERANCE the surface tolerance is the one the
// command-line host registers; without it none is set.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "host/xenvironment.h"
#include "host/xgeometry.h"
#include "host/xmessage.h"
#include "host/xstream.h"
#include "package/qxm.h"

#ifdef XPDB_FUZZ_DEFAULT_TOLERANCE
#include "app/defaults.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  xEnvironment::GetGlobal()->SetDouble("Render.NURBS.Tolerance", kDefaultNurbsTolerance);
  return 0;
}
#endif

#define XPDB_CONCAT2(a, b, c) a##b##c
#define XPDB_CONCAT(a, b, c) XPDB_CONCAT2(a, b, c)
#define XPDB_GRREAD XPDB_CONCAT(QXMM, XPDB_FUZZ_MODULE, GRRead)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::stringbuf buffer(std::string(reinterpret_cast<const char*>(data), size), std::ios::in);
  xStream stream(&buffer);
  xGeometry geometry;
  xGeometry* host = &geometry;
  try {
    XPDB_GRREAD(&stream, &host);
  } catch (const xMessage&) {
  }
  return 0;
}
