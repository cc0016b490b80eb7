#pragma once

// Host defaults that the command-line host registers before every read.

// "Render.NURBS.Tolerance" when --tolerance is not given: the sampling
// tolerance of the surface tessellator. Each surface samples to this times
// sqrt(parameter area) / control points; for the usual 0..1 parameters and a
// few control points per direction that is 0.005 to 0.02 mm, smooth for parts
// in millimetres (a quarter turn of radius 10 gets about 14 facets).
inline constexpr double kDefaultNurbsTolerance = 0.1;

// The PDB version that `convert` writes unless told otherwise: the one the
// host itself writes.
inline constexpr int kDefaultWriteVersion = 9;
