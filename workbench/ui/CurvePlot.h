#pragma once
// The plot of the flow curves, drawn with QPainter into any paint device: measured points
// as circles, the fitted stress as a polyline, axes, dashed grid and tick values. Geometry
// in PlotGeometry.h; the other views of the plot in PlotViews.h.
//
// The plot, in this order: the stress and strain minima at the corner, "Deformation" just
// above the strain axis at its right end, "Yield stress" above the plot's top edge, the
// grid (DrawGrid), then curve n = 1 .. m_nCurves in the pen of its slot (width 2; slots
// red, (128,128,64), (0,128,0), (128,0,0), blue, magenta, then red again): every measured
// point as a circle of half-size 2 and, when the material holds a fit, the fitted stresses
// as a polyline from the first point to the last. With m_nSelectedCurve = s > 0 only curve
// s is drawn, with "Temperatura=%3.3lf" and "Strain Ratio=%3.3lf" of it at (150, 50) and
// (150, 70). Last the plot frame in the painter's own pen.
//
// Texts are black, drawn with their top-left corner at the point given; the font's height
// and average character width are those of the painter's current font.

#include "vornel/view/PlotGeometry.h"

#include <QColor>
#include <QString>

class CMaterial;
class QPainter;
class QRect;

// Colour of a curve left out of the fit, in every view.
inline const QColor kLeftOutColour{170, 170, 170};

// Pen colour of curve n (counted from 1).
QColor CurveColour(int nCurve);
// The pale tone of colour the measured points of a curve are joined in.
QColor RawLineColour(const QColor& colour);

// Draws text with its top-left corner at (x, y).
void DrawTextAt(QPainter& painter, int x, int y, const QString& strText);

class CCurvePlot {
public:
    static constexpr int kDefaultCells = 6;

    // The plot of material into the client rectangle. Stores the axis values.
    void DrawPlot(QPainter& painter, const QRect& client, const CMaterial& material);
    // Dashed grid lines and tick values of nx x ny cells, from the stored axis values;
    // nothing when nx < 1 or ny < 1.
    void DrawGrid(QPainter& painter, const QRect& client, int nx, int ny) const;

    const CPlotAxes& Axes() const { return m_axes; }
    // The plot rectangle for client with the painter's font and the stored axes.
    CPlotRect Rect(QPainter& painter, const QRect& client) const;

    CPlotZoom m_zoom{};            // the part of the axes drawn
    int m_nHighlight = 0;          // curve (1-based) drawn with a pen of width 4
    int m_nXCells = kDefaultCells; // grid cells along the strain axis
    int m_nYCells = kDefaultCells; // grid cells along the stress axis

private:
    CPlotAxes m_axes{}; // strain min and max, stress min and top of the last DrawPlot
};
