#pragma once

class xGeoSet;

// The colour number of an object record: 4 to 35 name a colour of the table,
// anything else none; the writers write kNoColour for a set without one.
namespace xpdb {

inline constexpr int kNoColour = -2;
inline constexpr int kFirstColour = 4;
inline constexpr int kLastColour = 35;
inline constexpr int kColourCount = kLastColour - kFirstColour + 1;

constexpr bool IsColourIndex(int index) { return index >= kFirstColour && index <= kLastColour; }

// The material mode of a set read with this colour number: 1 without one, 2
// with one, whether the table knows the number or not.
constexpr int MaterialModeOf(int colour) { return colour == kNoColour ? 1 : 2; }

// Gives a set read with this colour number its material and material mode.
void ColourSet(xGeoSet& set, int colour);

}  // namespace xpdb
