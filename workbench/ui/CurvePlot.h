#pragma once
// The two pictures of the workbench's view, drawn with QPainter into any paint device:
// the plot of the flow curves (measured points as circles, the fitted stress as a
// polyline, axes, dashed grid and tick values) and the list of the curves' labels.
// Geometry in PlotGeometry.h.
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

#include "PlotGeometry.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <string>

class CMaterial;
class QPainter;
class QRect;

// Pen colour of curve n (counted from 1).
QColor CurveColour(int nCurve);

class CCurvePlot {
public:
    static constexpr int kDefaultCells = 6;

    // The plot of material into the client rectangle. Stores the axis values.
    void DrawPlot(QPainter& painter, const QRect& client, const CMaterial& material);
    // Dashed grid lines and tick values of nx x ny cells, from the stored axis values;
    // nothing when nx < 1 or ny < 1.
    void DrawGrid(QPainter& painter, const QRect& client, int nx, int ny) const;
    // "List of the added files" and each used curve's label below it; the row of curve
    // nHighlight (1-based, 0 = none) on the highlight colour.
    static void DrawFileList(QPainter& painter, const QRect& client, const CMaterial* pMaterial, int nHighlight = 0,
                             const QColor& background = Qt::white, const QColor& highlight = QColor(51, 153, 255));

    const CPlotAxes& Axes() const { return m_axes; }
    // The plot rectangle for client with the painter's font and the stored axes.
    CPlotRect Rect(QPainter& painter, const QRect& client) const;

    int m_nXCells = kDefaultCells; // grid cells along the strain axis
    int m_nYCells = kDefaultCells; // grid cells along the stress axis

private:
    CPlotAxes m_axes{}; // strain min and max, stress min and top of the last DrawPlot
};

// Size of the plot that --plot and "Export plot..." write, in pixels.
inline constexpr int kPlotImageWidth = 1200;
inline constexpr int kPlotImageHeight = 800;

// The plot of material (all curves when nSelected is 0) on a white image of the given
// size, with nx x ny grid cells.
QImage RenderPlotImage(const CMaterial& material, QSize size = QSize(kPlotImageWidth, kPlotImageHeight),
                       int nx = CCurvePlot::kDefaultCells, int ny = CCurvePlot::kDefaultCells);

// Writes the plot to strPath: SVG for a name ending in ".svg", PNG for ".png" (case
// ignored). Throws CFileError naming the file for any other ending or when it cannot be
// written; an existing file is replaced only by a complete picture.
void WritePlotFile(const CMaterial& material, const std::string& strPath,
                   QSize size = QSize(kPlotImageWidth, kPlotImageHeight), int nx = CCurvePlot::kDefaultCells,
                   int ny = CCurvePlot::kDefaultCells);

// The font the plot files are drawn in (pixel-sized, so a picture looks the same on any
// device).
QFont PlotFileFont();
