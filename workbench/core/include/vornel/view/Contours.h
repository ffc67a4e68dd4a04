#pragma once
// Contour lines and filled contour regions of a function sampled on a rectangular grid, as
// geometry in the grid's own coordinates (the processing maps draw them; the window only
// paints the polygons and lines this computes).
//
// Marching triangles: each grid cell is split along its diagonal from (column, row) to
// (column + 1, row + 1) into two triangles, over each of which the function is taken as
// the linear interpolant of its corners. A contour line at level L crosses the edges whose
// ends lie on either side of L (a corner counts as above when its value is >= L), at the
// point of linear interpolation; the pieces of the triangles are joined into polylines. A
// region lo <= f <= hi is each triangle clipped by the two half-planes of its interpolant
// (Sutherland-Hodgman), cells whose four corners all lie within it kept whole and merged
// along their row. Lines and regions of the same levels therefore meet exactly. A triangle
// with a corner that is not a number is left out.

#include "vornel/view/PlotGeometry.h"

#include <optional>
#include <vector>

struct CContourPoint {
    double m_dX = 0;
    double m_dY = 0;
};

// A polyline, or a polygon (its last point joins its first).
using CContourPath = std::vector<CContourPoint>;

struct CContourGrid {
    std::vector<double> m_aX;      // the columns' coordinates, ascending
    std::vector<double> m_aY;      // the rows' coordinates, ascending
    std::vector<double> m_aValues; // at [row * columns + column]; NaN where there is none
};

// The lines where the function equals dLevel, each as a polyline (a closed one repeats its
// first point at its end).
std::vector<CContourPath> ContourLines(const CContourGrid& grid, double dLevel);

// Polygons that cover the region dLo <= f <= dHi (either may be infinite).
std::vector<CContourPath> ContourRegion(const CContourGrid& grid, double dLo, double dHi);

// Round contour levels (1, 2, 2.5 or 5 times a power of ten apart) from at or below the
// smallest finite value to at or above the largest, about nCells steps (NiceAxis); empty
// when the grid holds no finite value.
std::vector<double> ContourLevels(const CContourGrid& grid, int nCells);

// Hatching of convex polygons (as ContourRegion gives them, mapped to any coordinates):
// the pieces of the lines x + y = k dSpacing (k whole) that lie within each polygon, as
// pairs of ends. Drawn as plain lines, the hatching needs no clipping, which not every
// drawing format keeps.
struct CContourSegment {
    CContourPoint m_from;
    CContourPoint m_to;
};
std::vector<CContourSegment> HatchConvexPolygons(const std::vector<CContourPath>& aPolygons, double dSpacing);

// Where to label a line: the point at half its length, and a point a little further along
// it (for the direction of the text), when the line is at least dMinShare long measured in
// the grid's spans (the width and height of the grid counting 1 each); none for a shorter
// line.
struct CContourLabel {
    CContourPoint m_at;
    CContourPoint m_toward;
};
std::optional<CContourLabel> ContourLabelPlace(const CContourGrid& grid, const CContourPath& line, double dMinShare);
