#pragma once

// The functions and the variable that a host resolves by name in the package.
//
// Threads: every function here may be called from any number of threads at
// once, each call with its own stream and geometry, and gives what the same
// call gives alone. Reads of surface parts (versions 11, 12 and 14) each
// tessellate on their own thread, with a GLU renderer and an OpenGL context
// of their own; no call waits for another's read or write to finish. Writes and
// GRCanWrite only look at their geometry, so several may share one; a stream,
// and a geometry that a read is filling, belong to one call at a time, and a
// host must not change a geometry while a call uses it. Settings ("Render.NURBS.Tolerance") and the
// material library are process-wide: a read uses their values when it looks
// them up, so a host that changes them during reads on other threads gets
// the old or the new value there.

#include "api/xpdbapi.h"
#include "host/xgeometry.h"
#include "host/xstream.h"
#include "host/xstring.h"

class xMaterial;

// Function types, for hosts that resolve the names at run time.
using QXMPkgSizeFn = int (*)();
using QXMPkgTextFn = const char* (*)();  // QXMPkgName, QXMPkgVersion, QXMPkgDescription
using QXMPkgSetupFn = void (*)();
using QXMGetIntFn = int (*)();           // GetType, GRGetSampleSize, GRGetWritePriority
using QXMGetTextFn = const char* (*)();  // GetName, GetVersion, GetDescription, GRGetFilter
using QXMGRReadFn = int (*)(xStream* stream, xGeometry** geometry);
using QXMGRCanHandleFn = bool (*)(const xTString<char>& sample);
using QXMGRWriteFn = int (*)(xStream* stream, xGeometry* geometry);
using QXMGRCanWriteFn = bool (*)(xGeometry* geometry);
using QXMPkgNewColourMaterialFn = xMaterial* (*)(int index);
using QXMPkgColourMaterialFn = xMaterial* (*)(int index);
using QXMPkgColourIndexFn = int (*)(xMaterial* material);
using QXMPkgColourNameFn = const char* (*)(int index);
using QXMPkgColourBaseFn = void (*)(int index, float rgb[3]);

// The suffixes of the module functions; the full name is "QXMM", the module
// number and the suffix.
inline constexpr const char* QXMModuleFunctionNames[] = {
    "GetType",         "GetName",     "GetVersion",         "GetDescription",
    "GRGetSampleSize", "GRGetFilter", "GRGetWritePriority", "GRRead",
    "GRCanHandle",     "GRWrite",     "GRCanWrite"};
inline constexpr int QXMModuleCount = 6;

#define XPDB_QXM_DECLARE_MODULE(n)                                     \
  XPDB_API int QXMM##n##GetType();                                     \
  XPDB_API const char* QXMM##n##GetName();                             \
  XPDB_API const char* QXMM##n##GetVersion();                          \
  XPDB_API const char* QXMM##n##GetDescription();                      \
  XPDB_API int QXMM##n##GRGetSampleSize();                             \
  XPDB_API const char* QXMM##n##GRGetFilter();                         \
  XPDB_API int QXMM##n##GRGetWritePriority();                          \
  XPDB_API int QXMM##n##GRRead(xStream* stream, xGeometry** geometry); \
  XPDB_API bool QXMM##n##GRCanHandle(const xTString<char>& sample);    \
  XPDB_API int QXMM##n##GRWrite(xStream* stream, xGeometry* geometry); \
  XPDB_API bool QXMM##n##GRCanWrite(xGeometry* geometry);

extern "C" {

// The host core version the package is built for: "3.5".
XPDB_API extern const char* const QXMCoreVersion;

XPDB_API int QXMPkgSize();
XPDB_API const char* QXMPkgName();
XPDB_API const char* QXMPkgVersion();
XPDB_API const char* QXMPkgDescription();
XPDB_API void QXMPkgSetup();

// The package's colour table, which reads and writes use: colour indices 4 to
// 35, and -2 for no colour. Any other index is treated as -2.
// A new material of the colour's name and shades; the caller owns it (for a
// host's material library, which then names colours as the package does).
XPDB_API xMaterial* QXMPkgNewColourMaterial(int index);
// The material a read gives the colour: the library's of the colour's name,
// else the closest simple one; null for no colour.
XPDB_API xMaterial* QXMPkgColourMaterial(int index);
// The colour of a material, by its name (any case), else by the table colour
// nearest its diffuse colour; -2 for a null material or none near enough.
XPDB_API int QXMPkgColourIndex(xMaterial* material);
// "WHITE" ... "PDB_COLOR32"; "PDB_DEFAULT" for no colour.
XPDB_API const char* QXMPkgColourName(int index);
// The colour's red, green and blue, each 0 to 1.
XPDB_API void QXMPkgColourBase(int index, float rgb[3]);

// Module 0 reads and writes version 9, module 1 version 8, modules 2 to 5
// versions 10, 11, 12 and 14. GRRead returns 0 or throws an xMessage by value.
// GRWrite returns 0 when the stream took the whole text, its final flush
// included, and -1 for a null stream or geometry, a stream that failed at any
// point of the write, or anything thrown inside it; it never throws.
XPDB_QXM_DECLARE_MODULE(0)
XPDB_QXM_DECLARE_MODULE(1)
XPDB_QXM_DECLARE_MODULE(2)
XPDB_QXM_DECLARE_MODULE(3)
XPDB_QXM_DECLARE_MODULE(4)
XPDB_QXM_DECLARE_MODULE(5)
}

#undef XPDB_QXM_DECLARE_MODULE
