#include "xsmartptr.h"

void xSmartPtr::ThrowEmpty() { throw xSmartPtrException(); }
