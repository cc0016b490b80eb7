#pragma once

#include <new>

#include "host/xgeometry.h"
#include "host/xstream.h"
#include "pdb/read/readstatus.h"
#include "pdb/read/streamutil.h"
#include "pdb/read/tessellation.h"
#include "pdb/read/versiontable.h"

// The steps that every version reader takes in the same way.
namespace xpdb {

// Reads the header of the version and returns the version number it holds.
int ReadHeader(xStream& stream, const VersionLayout& layout);

// The sections between the header and the objects, in file order; a status.
int ReadSections(xStream& stream, xGeometry** geometry, const VersionLayout& layout);

// What the version keeps after its objects; a status.
int ReadAfterObjects(xStream* stream, xGeometry** geometry, const VersionLayout& layout);

// The object count and the objects; a status.
int ReadObjectList(xStream* stream, xGeometry** geometry, int version, int fileVersion);

// Notes where a failed read stopped as debug detail in the stream's message
// context: "object N" for the object being read (counted from 1), "byte N"
// for the stream's offset when its buffer can tell one.
void NoteObject(xStream& stream, int object);
void NoteOffset(xStream& stream);

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

// One whole read in file order: header (its number stored in `headerNumber`
// when given), sections, `objects()`, then what the version keeps after its
// objects; the optimiser runs only when every step succeeded.
template <class Objects>
int ReadPart(xStream* stream, xGeometry** geometry, int version, int* headerNumber,
             Objects&& objects) noexcept {
  const int result = GuardedRead([&] {
    if (!stream) return static_cast<int>(kStatusBrokenStream);
    const VersionLayout& layout = LayoutOf(version);
    const int number = ReadHeader(*stream, layout);
    if (headerNumber) *headerNumber = number;
    if (const int status = ReadSections(*stream, geometry, layout)) return status;
    if (const int status = objects()) return status;
    if (const int status = ReadAfterObjects(stream, geometry, layout)) return status;
    // A failed extraction that no step reported still fails the read.
    if (!StreamSound(*stream)) return static_cast<int>(kStatusBrokenStream);
    return Optimise(geometry, version);
  });
  if (result != kStatusOk && stream) GuardedRead([&] { return NoteOffset(*stream), 0; });
  return result;
}

}  // namespace xpdb
