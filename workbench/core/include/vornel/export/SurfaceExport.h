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
//   On a logarithmic rate grid (LogRateGrid) the rates are spaced evenly in their logarithm
//   instead: rate j = exp(ln min + j x (ln max - ln min) x 0.1111111111111111), the ends
//   exactly the smallest and the largest measured rate.
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
//     windings. On a logarithmic rate grid the Y coordinate is taken in the logarithm:
//     (ln H - (ln min + ln max)/2) / (ln max - ln min); the header keeps cY and Vy the rate;
//   - mesh 2, the backdrop: the three walls strain = 0, rate = minimum and stress = 0 of
//     the data box, seven nodes and twelve triangles, normalised with the same centres and
//     ranges. For them m_ranges' minimum strain and minimum fitted stress are set to 0 and
//     stay 0 until the next UpdateDataRanges;
//   - mesh 3, only when a curve was measured within 0.5 deg C of dTemp (flags 1 1 1, else
//     1 1 0 and no block): a marker at each measured point (FirstMeasuredPoint on) of each
//     such curve, at its strain, strain rate and measured stress, normalised as the
//     surface: two small upright triangles through the point, one across the strain axis
//     and one across the rate axis, each kMarkerHalfSize to either side (1 % of the box),
//     each in both windings; six nodes (three coordinates and six zeros) and four
//     triangles a marker.
//   The status carries a note when dTemp lies outside the measured temperatures (the
//   surface is extrapolated). The file is written through a temporary file renamed over
//   it; a failure throws CFileError naming "visual.tmp" and leaves a previous file intact.

#include "vornel/document/Material.h"
#include "formats/SurfaceFile.h"   // kSurfaceFileName

#include <optional>
#include <string>

inline constexpr const char* kNoMeasuredPointsMessage = "No measured points to show";

// Temperature of the surface file written at the end of a run, deg C, when it lies within
// the measured temperatures (see RunSurfaceTemperature).
inline constexpr double kRunSurfaceTemp = 1000.0;

inline constexpr int kSurfaceGridSide = 10;                    // nodes per axis
inline constexpr double kSurfaceGridStepFactor = 0.1111111111111111; // one ninth
inline constexpr double kSurfaceMinRange = 0.00001;            // smallest range a normalisation divides by

// The rate grid is logarithmic when the largest measured strain rate is more than this many
// times the smallest: measured rates span decades (0.001 to 5 1/s on one Gleeble set), and a
// linear grid would leave the slowest rates within one of its steps.
inline constexpr double kLogRateRatio = 10.0;

// Curves within this many deg C of the surface's temperature were measured at it.
inline constexpr double kMarkerTempTolerance = 0.5;
// Half the extent of a measured-point marker on each normalised axis (the data box is about
// one unit wide on each).
inline constexpr double kMarkerHalfSize = 0.01;

// Whether the surface grid of these ranges spaces its strain rates in their logarithm: the
// smallest measured rate is above 0 and the largest more than kLogRateRatio times it.
bool LogRateGrid(const CValueRanges& ranges);

// Smallest and largest measured temperature (deg C, MeasuredConditions), or nothing when there
// is none.
struct CTemperatureRange {
    double m_dMin = 0, m_dMax = 0;
};
std::optional<CTemperatureRange> MeasuredTemperatures(const CMaterial& material);

// The temperature of the surface a run writes (deg C) and, when it is not kRunSurfaceTemp,
// the sentence that says why.
struct CSurfaceTemperature {
    double m_dTemp = kRunSurfaceTemp;
    std::string m_strNote;
};

// kRunSurfaceTemp (1000 deg C) when it lies within the measured temperatures (or the
// material has none), else the middle of the smallest and the largest measured temperature,
// with a note: a surface at 1000 deg C would be extrapolation (50 deg C below a steel set
// measured at 1050..1250 deg C, far above the melting range of an aluminium alloy).
CSurfaceTemperature RunSurfaceTemperature(const CMaterial& material);

// The surface a run writes: at dTemp when given (the batch mode's --surface-temperature),
// else at RunSurfaceTemperature, with its note. When written, m_dTemp3d becomes that
// temperature, so that the 3d visualization prompt starts with the surface last written.
CSurfaceExportStatus WriteRunSurface(CMaterial& material, std::optional<double> dTemp);
