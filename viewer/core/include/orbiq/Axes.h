#pragma once
// The axes the viewer draws along the edges of the data box: for strain, strain rate and
// stress, the mapping between the normalised coordinates of the surface file and the values
// (read from the surface's nodes), round tick values with their labels, and where an axis
// lies on the screen in the current attitude.

#include "orbiq/Scene.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

struct CSurfaceFileContent;

// Value of a normalised coordinate c on one axis: a + b c, or exp(a + b c) on a logarithmic
// axis (the workbench spaces strain rates over decades in their logarithm).
struct CAxisScale {
    bool m_bLog = false;
    double m_dA = 0, m_dB = 0;

    double ValueAt(double dCoordinate) const;
    // The inverse; on a logarithmic axis only for values above 0.
    double CoordinateAt(double dValue) const;
};

// The scale of one axis from the nodes' coordinates and values, aNodes[i] = (c_i, v_i): the
// line through the nodes with the smallest and the largest coordinate, in v or, when every
// value is above 0, in ln v, whichever meets every node more closely (ln v only when it
// does so at least twice as closely). Nothing when the coordinates or the values do not
// vary, or when the better line misses a node by more than 1 % of the value range: node
// values that do not belong to the coordinates (a file of plain geometry).
std::optional<CAxisScale> FitAxisScale(const std::vector<std::array<double, 2>>& aNodes);

struct CAxisTick {
    double m_dValue = 0;
    std::string m_strLabel;
};

// Round values from dMin to dMax, about nTarget of them: the multiples of a step of 1, 2,
// 2.5 or 5 times a power of ten whose count in the range comes nearest nTarget (the larger
// step on a tie), each labelled in fixed notation with the decimals the step needs ("0.2",
// "0.25", "150"); a value within 0.01 % of the range beyond an end counts as inside. Nothing
// when the range is empty or not finite.
std::vector<CAxisTick> LinearTicks(double dMin, double dMax, int nTarget = 5);

// Values for a logarithmic axis from dMin to dMax (0 < dMin < dMax): the powers of ten in
// the range (every second, third, ... when more than seven lie in it), or 1, 2 and 5 times
// the powers of ten when fewer than three do; labelled in fixed notation ("0.001", "10").
std::vector<CAxisTick> DecadeTicks(double dMin, double dMax);

// Axis numbers, as the coordinates of the surface file.
inline constexpr int kAxisStrain = 0;   // X
inline constexpr int kAxisRate = 1;     // Y
inline constexpr int kAxisStress = 2;   // Z

// One axis of the data box, in the surface file's normalised coordinates.
struct CAxis {
    int m_nAxis = kAxisStrain;
    std::string m_strTitle;            // "strain", "strain rate, 1/s", "stress, MPa"
    CAxisScale m_scale;
    std::vector<CAxisTick> m_aTicks;   // values within the box
};

// The box the axes run along, normalised coordinates.
struct CDataBox {
    CVec3 lo, hi;
};

// The axes of a surface file's content. The box is the extent of mesh 2 (the backdrop walls
// at strain 0, the smallest rate and stress 0), else of mesh 1. Each of strain (node value
// Vx), strain rate (Vy) and stress (Vz) whose scale FitAxisScale reads from mesh 1 gets an
// axis with LinearTicks, or DecadeTicks on a logarithmic axis, over the box's extent. No
// axis without mesh 1 or when the box is not finite.
struct CAxisSet {
    CDataBox box;
    std::vector<CAxis> aAxes;
};
CAxisSet MakeAxes(const CSurfaceFileContent& content);

// An axis as drawn over the view, in the viewport's pixels (x to the right, y downwards).
struct CAxisOverlay {
    struct CTickMark {
        std::array<float, 2> at{};   // on the edge
        std::string strLabel;
    };
    std::string strTitle;
    std::array<float, 2> from{}, to{};   // the box edge that carries the axis
    std::array<float, 2> outward{};      // unit vector in the picture, across the edge, away from the box
    std::vector<CTickMark> aTicks;
};

// Where the axes lie in the picture of viewport, the box carried by frame (the mesh frames,
// whose coordinates are the file's). Of the four box edges parallel to an axis, strain and
// strain rate take the one lowest in the picture and stress the leftmost one, so that the
// labels stand outside the box whichever way it is turned; an edge with an end before the
// front clipping plane (or a million pixels off) is not taken. An axis none of whose edges can be taken is left out.
std::vector<CAxisOverlay> ProjectAxes(const CAxisSet& axes, const CFrame& frame, const CViewport& viewport);
