#pragma once
// The fitted law as a 3D surface over the plane of strain and strain rate at one
// temperature, sampled on a 10 x 10 grid spanning the measured data and written as the
// surface file "visual.tmp" (layout in formats/SurfaceFile.h) for the viewer.
//
// CMaterial::UpdateDataRanges()
//   m_ranges = minimum and maximum of m_dStrain, m_dRate [1/s] and m_dFitStress over every
//   point of the used curves (the stresses of the last fit, not the measured ones). With no
//   point the minima stay 1.0e10 and the maxima -1.0e10.
//
// CMaterial::BuildSurfaceGrid(dTemp)          dTemp in deg C
//   Replaces m_aSurfaceNodes by 100 nodes and m_aSurfaceQuads by 81 quads. With the steps
//   dE = (max strain - min strain) x 0.1111111111111111 and dH likewise for the strain rate,
//   node 10 i + j (i, j = 0..9) lies at strain min + i dE, strain rate min + j dH and
//   temperature dTemp, and carries m_dFitStress = Evaluate(strain, dTemp, strain rate).
//   Quad 9 r + c (r, c = 0..8) has the zero-based corners 10r+c, 10r+c+1, 10(r+1)+c+1,
//   10(r+1)+c: the node, one rate step further, one step further in both, one strain step
//   further.
//
// CMaterial::WriteSurfaceFile(dTemp)          dTemp in deg C
//   With no measured point: writes nothing and returns {false, "No measured points to
//   show"}. Otherwise builds the grid and writes "visual.tmp" in the work folder
//   (CMaterial::WorkPath):
//   - centres cX, cY, cZ = midpoints of the strain, rate and fitted-stress ranges; ranges
//     rX, rY, rZ = their widths, each at least 0.00001; header cX cY cZ rX, count 1,
//     flags 1 1 0;
//   - mesh 1, the surface: node records ((E - cX)/rX, (H - cY)/rY, (Ts - cZ)/rZ, then the
//     node values Vx = E, Vy = H, Vz = Ts, Ti = Ts, T = dTemp and ten zeros); per quad
//     (a, b, c, d) the triangles (a,b,c), (a,c,b), (a,c,d), (a,d,c), each face in both
//     windings;
//   - mesh 2, the backdrop: the three walls strain = 0, rate = minimum and stress = 0 of
//     the data box, seven nodes and twelve triangles, normalised with the same centres and
//     ranges. For them m_ranges' minimum strain and minimum fitted stress are set to 0 and
//     stay 0 until the next UpdateDataRanges.
//   The file is written through a temporary file renamed over it; a failure throws
//   CFileError naming "visual.tmp" and leaves a previous file intact.

#include "formats/SurfaceFile.h"   // kSurfaceFileName

inline constexpr const char* kNoMeasuredPointsMessage = "No measured points to show";

inline constexpr int kSurfaceGridSide = 10;                    // nodes per axis
inline constexpr double kSurfaceGridStepFactor = 0.1111111111111111; // one ninth
inline constexpr double kSurfaceMinRange = 0.00001;            // smallest range a normalisation divides by
