#pragma once

// Host defaults that the command-line host registers before every read.

// "Render.NURBS.Tolerance" when --tolerance is not given: the sampling
// tolerance of the surface tessellator.
inline constexpr double kDefaultNurbsTolerance = 1.0;

// The PDB version that `convert` writes unless told otherwise: the one the
// host itself writes.
inline constexpr int kDefaultWriteVersion = 9;
