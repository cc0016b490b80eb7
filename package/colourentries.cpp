// The colour table's entry points: a host reaches the table through these C
// names alone, never through the package's C++ classes.
#include "package/qxm.h"

#include "host/xmaterial.h"
#include "host/xvector.h"
#include "pdb/xpdbutil.h"

extern "C" {

xMaterial* QXMPkgNewColourMaterial(int index) { return xPdbUtil::NewMaterial(index); }

xMaterial* QXMPkgColourMaterial(int index) { return xPdbUtil::GetDenebMaterial(index); }

int QXMPkgColourIndex(xMaterial* material) { return xPdbUtil::GetDenebIndex(material); }

const char* QXMPkgColourName(int index) { return xPdbUtil::DenebMaterialName(index); }

void QXMPkgColourBase(int index, float rgb[3]) {
  xVector colour;
  xPdbUtil::SetBaseColor(index, colour);
  rgb[0] = static_cast<float>(colour.x);
  rgb[1] = static_cast<float>(colour.y);
  rgb[2] = static_cast<float>(colour.z);
}
}
