#pragma once

#include <new>

#include "host/xgeometry.h"
#include "host/xstream.h"
#include "pdb/read/readstatus.h"
#include "pdb/read/streamutil.h"

// The steps that every version reader takes in the same way.
namespace xpdb {

// Reads the header of the version and returns the version number it holds.
int ReadHeader(xStream& stream, int version);

// The sections between the header and the objects, in file order; a status.
int ReadSections(xStream& stream, xGeometry** geometry, int version);

// The object count and the objects; a status.
int ReadObjectList(xStream* stream, xGeometry** geometry, int version, int fileVersion);

// Hands the finished geometry to the host's optimiser; returns kStatusOk.
int Optimise(xGeometry** geometry, int version);

// Runs one whole read; nothing thrown inside it leaves as an exception.
template <class Body>
int GuardedRead(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return kStatusException;
  }
}

inline int NothingAfterObjects() { return kStatusOk; }

// One whole read in file order: header (its number stored in `headerNumber`
// when given), sections, `objects()`, then `after()` for what a version keeps
// after its objects; the optimiser runs only when every step succeeded.
template <class Objects, class After>
int ReadPart(xStream* stream, xGeometry** geometry, int version, int* headerNumber, Objects&& objects,
             After&& after) noexcept {
  return GuardedRead([&] {
    if (!stream) return static_cast<int>(kStatusBrokenStream);
    const int number = ReadHeader(*stream, version);
    if (headerNumber) *headerNumber = number;
    if (const int status = ReadSections(*stream, geometry, version)) return status;
    if (const int status = objects()) return status;
    if (const int status = after()) return status;
    // A failed extraction that no step reported still fails the read.
    if (!StreamSound(*stream)) return static_cast<int>(kStatusBrokenStream);
    return Optimise(geometry, version);
  });
}

}  // namespace xpdb
