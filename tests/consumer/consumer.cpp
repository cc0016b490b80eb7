// A minimal host built against the installed package: it reads a part
// through module 0 (version 9), writes it back as version 9 into memory,
// reads that again and checks that the sets agree; and reaches the colour
// table through the package's C entry points.
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "host/xgeometry.h"
#include "host/xmaterial.h"
#include "host/xmessage.h"
#include "host/xstream.h"
#include "package/qxm.h"

namespace {

int CountSets(xGeometry& geometry) { return geometry.GetContainer()->GetSetCount(); }

// Reads through module 0. An optimiser may hand back another geometry and
// dispose of the one it was given.
bool Read(std::streambuf& source, std::unique_ptr<xGeometry>& owned) {
  owned = std::make_unique<xGeometry>();
  xGeometry* geometry = owned.get();
  xStream stream(&source);
  const int status = QXMM0GRRead(&stream, &geometry);
  if (geometry != owned.get()) {
    (void)owned.release();
    owned.reset(geometry);
  }
  return status == 0 && owned;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xpdb_consumer PART.pdb (a version-9 part)\n");
    return 2;
  }
  std::printf("%s %s, core %s\n", QXMPkgName(), QXMPkgVersion(), QXMCoreVersion);
  const std::unique_ptr<xMaterial> red(QXMPkgNewColourMaterial(7));
  if (!red || QXMPkgColourIndex(red.get()) != 7 || std::string(QXMPkgColourName(7)) != "RED") {
    std::fprintf(stderr, "xpdb_consumer: the colour table does not name colour 7 RED\n");
    return 1;
  }
  std::filebuf file;
  if (!file.open(argv[1], std::ios::in | std::ios::binary)) {
    std::fprintf(stderr, "xpdb_consumer: cannot open %s\n", argv[1]);
    return 2;
  }
  try {
    std::unique_ptr<xGeometry> first, second;
    if (!Read(file, first)) return 1;
    std::stringbuf text;
    xStream out(&text);
    if (QXMM0GRWrite(&out, first.get()) != 0) return 1;
    if (!Read(text, second)) return 1;
    const int sets = CountSets(*first), setsAgain = CountSets(*second);
    std::printf("%s: %d sets, %d after a version-9 round trip\n", argv[1], sets, setsAgain);
    return sets > 0 && sets == setsAgain ? 0 : 1;
  } catch (const xMessage& message) {
    std::fprintf(stderr, "xpdb_consumer: %s\n", message.GetText());
    return 1;
  }
}
