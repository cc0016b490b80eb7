#include "surface/glunurbstesselator.h"

template class GluNurbsTesselator<TriangleStoreIndexed>;
