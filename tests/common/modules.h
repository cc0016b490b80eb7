// The six modules' exported functions, by module number, as a host resolves them.
#pragma once

#include "package/qxm.h"

namespace moduletest {

#define XPDB_EACH_MODULE(function) \
  { QXMM0##function, QXMM1##function, QXMM2##function, QXMM3##function, QXMM4##function, QXMM5##function }
inline const QXMGetIntFn kType[] = XPDB_EACH_MODULE(GetType);
inline const QXMGetIntFn kSampleSize[] = XPDB_EACH_MODULE(GRGetSampleSize);
inline const QXMGetIntFn kPriority[] = XPDB_EACH_MODULE(GRGetWritePriority);
inline const QXMGetTextFn kName[] = XPDB_EACH_MODULE(GetName);
inline const QXMGetTextFn kVersion[] = XPDB_EACH_MODULE(GetVersion);
inline const QXMGetTextFn kDescription[] = XPDB_EACH_MODULE(GetDescription);
inline const QXMGetTextFn kFilter[] = XPDB_EACH_MODULE(GRGetFilter);
inline const QXMGRReadFn kRead[] = XPDB_EACH_MODULE(GRRead);
inline const QXMGRWriteFn kWrite[] = XPDB_EACH_MODULE(GRWrite);
inline const QXMGRCanHandleFn kCanHandle[] = XPDB_EACH_MODULE(GRCanHandle);
inline const QXMGRCanWriteFn kCanWrite[] = XPDB_EACH_MODULE(GRCanWrite);
#undef XPDB_EACH_MODULE

// The PDB version that each module reads and writes.
inline constexpr int kPdbVersion[] = {9, 8, 10, 11, 12, 14};

}  // namespace moduletest
