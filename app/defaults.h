#pragma once

// Host defaults that the command-line host registers before every read.

// "Render.NURBS.Tolerance" when --tolerance is not given: the sampling
// tolerance of the surface tessellator. Each surface samples to this times
// sqrt(parameter area) / control points; for the usual 0..1 parameters and a
// few control points per direction that is 0.02 to 0.1 mm. The coarsest at
// which the example parts still render smooth at 800x600: at 1 a cylinder of
// radius 10 shows flat bands and a kinked rim. A small bicubic patch gets
// about 3 500 triangles (11 500 at the former 0.1).
inline constexpr double kDefaultNurbsTolerance = 0.5;

// The PDB version that `convert` writes unless told otherwise: the one the
// host itself writes.
inline constexpr int kDefaultWriteVersion = 9;
