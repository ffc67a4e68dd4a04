#pragma once
// Colours of the surface by node value, the value of a surface triangle, and the legend
// that explains the colours: its seven labels and the lines of its colour bar.

#include "orbiq/NodeValueStore.h"
#include "orbiq/Scene.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The value of a triangle with the nodes P, Q, R (zero-based, in face-table order) for a
// value type: their mean, computed in single precision as (v(R) + v(Q) + v(P)) x 0.33333334.
float FaceValue(const NodeValueStore& store, const std::array<std::int32_t, 3>& aNodes, int nType);

// The colour of value v on the scale from a to b, each channel in 0..1, continuous and
// piecewise linear in v.
// Type 5 ("T", the temperature scale), with h = (b - a) / 2 and m = a + h:
//   a..m  (0.5 + 0.5 (v - a)/h, 0, 0)            dark red to red
//   m..b  (1, (v - m)/h, 0)                      red to yellow
// Every other type (four bands), with q = (b - a) / 4:
//   a..a+q     (0, (v - a)/q, 1)                 blue to cyan
//   a+q..a+2q  (0, 1, 1 - (v - a - q)/q)         cyan to green
//   a+2q..a+3q ((v - a - 2q)/q, 1, 0)            green to yellow
//   a+3q..b    (1, 1 - (v - a - 3q)/q, 0)        yellow to red
// A value outside a..b (or not a number) takes the colour of the nearer end (of a); when
// b is not above a every value takes the colour of a.
CColour FaceColour(float a, float b, float v, int nType);

// What the legend window shows.
struct CLegendValues {
    std::array<std::string, 7> aLabels;   // top to bottom, "%f"
    std::string strTitle;                 // "View legend: function <name>"
    bool bTemperature = false;            // colour bar on the temperature scale
};

// The legend for node values from a to b of the value type named strName: with the step
// c = (b - a) / 6 the labels a, a + c, ..., a + 5c and b, evenly spaced as they stand
// along the colour bar, so that the middle label is the value of the bar's middle colour
// (green; the red of the temperature scale's two halves); the temperature scale exactly
// when the name is "T".
CLegendValues SetLegendValues(float a, float b, const std::string& strName);

// One horizontal line of the legend's colour bar, from x nLeft to nRight at height nY,
// colour in 0..255.
struct CLegendLine {
    int nLeft = 0, nRight = 0, nY = 0;
    int r = 0, g = 0, b = 0;
};

// The colour bar inside the framed area (nLeft, nTop)-(nRight, nBottom), pixels, y
// downwards; the bar keeps 10 pixels from the area's sides and 15 from its top and bottom.
// With H the bar's height:
// - temperature scale, h = H / 2: for i = 0..255 a line at top + i h / 255 in (i, 0, 0),
//   then one at top + h + i h / 255 in (255, i, 0); low values at the top;
// - four bands, q = H / 4 (integer division): band k = 0..3 puts line i = 0..255 at
//   bottom - k q - i q / 255, in (255, i, 0), (255 - i, 255, 0), (0, 255, i) and
//   (0, 255 - i, 255) for k = 0..3: red at the bottom, blue at the top.
std::vector<CLegendLine> LegendLines(int nLeft, int nTop, int nRight, int nBottom, bool bTemperature);
