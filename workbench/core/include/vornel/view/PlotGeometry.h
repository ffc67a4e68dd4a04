#pragma once
// Where the curve plot puts things, in device pixels (x to the right, y downwards). Plain
// C++: the view (CurvePlot.h) measures its texts with the current font and draws what this
// computes.
//
// Plot rectangle, from the client rectangle (cl, ct, cr, cb), the font's height h and
// average character width w, and the width of the widest stress tick label:
//   left = cl + max(w + 25, label width + 8)   right = cr - w - 5
//   top  = ct + h + 5                          bottom = cb - h - 5
// Axes: strain minimum and maximum, stress minimum and maximum over the measured stresses
// of every point of every used curve (minima start at 1.0e10, maxima at -1.0e10); the
// stress top is maximum + (maximum - minimum) x 0.4.
// Points lie relative to the minima, so the corner (left, bottom) stands for the strain
// minimum and the stress minimum and the tick labels read true:
//   x = left + trunc((strain - strain min) / (strain max - strain min) x (right - left))
//   y = bottom + trunc((stress - stress min) / (stress top - stress min) x (top - bottom))
// A span of 0 (or one that is not finite) places every value at the minimum.
// Grid of nx x ny cells: line k (1..nx-1) at x = left + k |right - left| div nx, labelled
// strain min + (strain max - strain min) k / nx; line k (1..ny-1) at
// y = bottom - k |bottom - top| div ny, labelled stress min + (stress top - stress min) k / ny;
// labels "%3.3lf". Label 0 of each axis is the minimum, at the corner.

#include <string>

class CMaterial;

struct CPlotAxes {
    double m_dMinStrain = 0;
    double m_dMaxStrain = 0;
    double m_dMinStress = 0;
    double m_dTopStress = 0;
};

struct CPlotRect {
    int m_nLeft = 0, m_nTop = 0, m_nRight = 0, m_nBottom = 0;
};

// Fixed numbers of the layout, in device pixels.
inline constexpr int kPlotLeftMargin = 25;
inline constexpr int kPlotGap = 5;
inline constexpr int kPointHalfSize = 2;
inline constexpr int kSelectedTextX = 150;
inline constexpr int kSelectedTextY1 = 50;
inline constexpr int kSelectedTextY2 = 70;
inline constexpr double kStressHeadroom = 0.4;
inline constexpr int kCurveSlots = 6;

// Axis values of the material's measured points.
CPlotAxes FindPlotAxes(const CMaterial& material);

// The part of a plot's full axes a view shows, as fractions of their spans: x0..x1 along
// strain, y0..y1 along stress; (0, 1, 0, 1) is the whole plot. Every panel of a view shows
// the same part of its own axes.
struct CPlotZoom {
    double m_dX0 = 0, m_dX1 = 1, m_dY0 = 0, m_dY1 = 1;
    bool operator==(const CPlotZoom&) const = default;
};
// The axes of the part zoom shows of full: min + (max - min) x fraction on each axis.
CPlotAxes ZoomAxes(const CPlotAxes& full, const CPlotZoom& zoom);
// The part x0..x1, y0..y1 of what zoom shows, those given as fractions of it (below 0 or
// above 1 reaches past its edges). Zooming by s about the fraction f: f - f s .. f + (1 - f) s;
// panning by d: -d .. 1 - d. Spans are kept between 1e-6 and 1e3 of the whole plot.
CPlotZoom SubZoom(const CPlotZoom& zoom, double dX0, double dX1, double dY0, double dY1);

CPlotRect PlotRect(int nClientLeft, int nClientTop, int nClientRight, int nClientBottom, int nFontHeight,
                   int nFontWidth, int nStressLabelWidth);

// Tick value k of n cells along strain and along stress.
double StrainTick(const CPlotAxes& axes, int k, int nCells);
double StressTick(const CPlotAxes& axes, int k, int nCells);

// Pixel position of grid line k of n cells.
int StrainTickX(const CPlotRect& rect, int k, int nCells);
int StressTickY(const CPlotRect& rect, int k, int nCells);

// Pixel position of a strain and of a stress.
int PlaceStrain(const CPlotRect& rect, const CPlotAxes& axes, double dStrain);
int PlaceStress(const CPlotRect& rect, const CPlotAxes& axes, double dStress);

// "%3.3lf" of a value.
std::string FormatPlotNumber(double dValue);

// Slot 1..6 of curve n (counted from 1): ((n - 1) mod 6) + 1.
int CurveSlot(int nCurve);

// An axis over dLo..dHi with about nCells cells of a round step (1, 2, 2.5 or 5 times a
// power of ten): the multiples of the step just outside the range, and the cells between
// them. A range of 0 (or not finite) gets one around its value.
struct CNiceAxis {
    double m_dMin = 0;
    double m_dMax = 1;
    double m_dStep = 1;
    int m_nCells = 1;
};
CNiceAxis NiceAxis(double dLo, double dHi, int nCells);

// A grid of nPanels equal panels over an area of nWidth x nHeight pixels: of the column
// counts 1..nPanels (rows = ceil(nPanels / columns)), the one whose cells hold the largest
// 4 : 3 box; on a tie the one with fewer empty cells.
struct CPanelGrid {
    int m_nColumns = 1;
    int m_nRows = 1;
};
CPanelGrid PanelGrid(int nPanels, int nWidth, int nHeight);
// Cell k (0-based, row by row) of the grid over the area (left, top, width, height).
CPlotRect PanelCell(const CPanelGrid& grid, int k, int nLeft, int nTop, int nWidth, int nHeight);

// Legend entries of nEntryWidth pixels in rows across nWidth pixels, at most nMaxRows rows:
// as many columns as fit (at least one), rows as the entries need. When they need more
// rows, only m_nShown entries are shown and the last place tells how many more there are.
struct CLegendGrid {
    int m_nColumns = 1;
    int m_nRows = 0;
    int m_nShown = 0;
};
CLegendGrid LegendGrid(int nEntries, int nEntryWidth, int nWidth, int nMaxRows);
