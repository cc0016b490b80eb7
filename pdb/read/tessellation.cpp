// Temporary: no stored tessellations are read yet. The real reader replaces this file.
#include "pdb/xpdb14.h"

int xPdb14::ReadTesselation(xStream* stream, xGeometry**) { return stream ? 0 : -1; }
