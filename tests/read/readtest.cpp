#include "readtest.h"

#include "pdb/xpdbutil.h"

namespace readtest {

void AddDenebLibrary() {
  for (int index = 4; index <= 35; ++index) xMatReader::AddMaterial(xPdbUtil::NewMaterial(index));
}

}  // namespace readtest
