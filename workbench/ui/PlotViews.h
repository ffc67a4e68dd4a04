#pragma once
// The plot views of the View menu, drawn with QPainter into any paint device (the window,
// a printer page, a plot file). The grouping of the curves comes from the core
// (vornel/PlotGroups.h); the geometry of panels and legends from PlotGeometry.h.
//
//   Single ("All grafics")  the plot of CurvePlot.h; with the legend, a band above it holds
//                           each drawn curve's t and H beside its slot colour, in as many
//                           columns as fit.
//   Temperatures            one panel per measured temperature in a grid of panels, each
//                           with its own stress axis (the measured stresses of its curves)
//                           over the strain axis of all curves; a curve's colour is that of
//                           its strain rate, the same in every panel, and a band above the
//                           panels is the legend of the rates. Measured points as circles,
//                           after a fit the law's stresses as lines, as in the single plot.
//   Deviations              the law's stress minus the measured stress at every measured
//                           point (FitReport.h) over strain, a line per curve in the colour
//                           of its temperature (blue the coldest, red the hottest), a zero
//                           line, and a legend of the temperatures. Without a fit it says so.
// With a selected curve (m_nSelectedCurve > 0) every view draws that curve alone.
// Every view shows the part m_zoom of its panels' axes, clipped to each frame, draws the
// highlighted curve with a pen twice as wide, and joins each curve's measured points with a
// thin line of its pale colour under the fitted line, so that the raw curves read before
// any fit. The strain axis is titled "-" and the stress axis "MPa" where there is room.
//
// A band keeps at most a third of the height; entries that do not fit are counted in its
// last place ("+12 more").

#include "CurvePlot.h"
#include "vornel/view/PlotGeometry.h"

#include "vornel/view/PlotGroups.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CMaterial;
class QPainter;

// Colour of strain rate k (0 = the lowest) in the Temperatures view: ten well-separated
// colours, then further hues.
QColor RateColour(int k);
// Colour of temperature k of n (0 = the coldest) in the Deviations view: hues from blue to
// red.
QColor TemperatureColour(int k, int n);

struct CPlotViewStyle {
    EPlotView m_eView = EPlotView::Single;
    bool m_bLegend = false; // the single plot's legend (the other views always have theirs)
    CPlotZoom m_zoom{};     // the part of every panel's axes shown (the whole by default)
    int m_nHighlight = 0;   // curve (1-based) drawn with a wider pen, 0 for none
};

// One legend entry as drawn: its colour sample and its text.
struct CLegendEntry {
    QRect m_swatch;
    QColor m_colour;
    QString m_strText;
};

// One panel as drawn (the whole plot for the single and the deviations view).
struct CPanelLayout {
    CPlotRect m_rect;       // the frame
    CPlotAxes m_axes;       // strain and stress (deviation) at its edges
    double m_dTemp = 0;     // Temperatures: the panel's temperature
    std::vector<int> m_aCurves; // zero-based curves drawn in it
    QString m_strTitle;         // above it, where the view draws one
};

// What a view drew.
struct CViewLayout {
    std::vector<CLegendEntry> m_aLegend;
    int m_nHidden = 0;                  // legend entries that did not fit
    std::vector<CPanelLayout> m_aPanels;
    std::vector<QColor> m_aCurveColours; // per curve (zero-based); invalid for a curve not drawn
};

// The measured point nearest to a pixel in what a view drew.
struct CPlotPick {
    int m_nCurve = 0;      // 1-based
    double m_dStrain = 0;
    double m_dMeasured = 0;
    double m_dFitted = 0;  // NaN without a fit (or where the law gives none)
    QPoint m_at;           // where it is drawn
};
// The point of layout (drawn in eView) nearest to at, if one lies within nRadius pixels.
std::optional<CPlotPick> PickPoint(const CViewLayout& layout, const CMaterial& material, EPlotView eView, QPoint at,
                                   int nRadius = 12);
// "Curve 2 (t=1000 H=1): strain 0.25, measured 120.4 MPa, fitted 118.9 MPa".
QString PickText(const CMaterial& material, const CPlotPick& pick);

// Draws the view of material into client with the painter's font. plot gives the grid cells
// of the single plot and keeps its axes.
CViewLayout DrawPlotView(QPainter& painter, const QRect& client, const CMaterial& material, CCurvePlot& plot,
                         const CPlotViewStyle& style);

// Size of the plot that --plot and "Export plot..." write, in pixels.
inline constexpr int kPlotImageWidth = 1200;
inline constexpr int kPlotImageHeight = 800;

// The font the plot files are drawn in (pixel-sized, so a picture looks the same on any
// device).
QFont PlotFileFont();

// The view of material on a white image of the given size in the plot file font, the
// single plot with nx x ny grid cells.
QImage RenderPlotImage(const CMaterial& material, QSize size = QSize(kPlotImageWidth, kPlotImageHeight),
                       int nx = CCurvePlot::kDefaultCells, int ny = CCurvePlot::kDefaultCells,
                       const CPlotViewStyle& style = {});

// Writes a picture of the given size that paint draws (on white, in the plot file font) to
// strPath: SVG for a name ending in ".svg" (titled strTitle), PNG for ".png" (case ignored).
// Throws CFileError naming the file for any other ending ("a <szWhat> is written as PNG or
// SVG ...") or when it cannot be written; an existing file is replaced only by a complete
// picture.
void WritePictureFile(const std::string& strPath, QSize size, const char* szWhat, const QString& strTitle,
                      const std::function<void(QPainter& painter, const QRect& area)>& paint);

// Writes the view to strPath: SVG for a name ending in ".svg", PNG for ".png" (case
// ignored). Throws CFileError naming the file for any other ending or when it cannot be
// written; an existing file is replaced only by a complete picture.
void WritePlotFile(const CMaterial& material, const std::string& strPath,
                   QSize size = QSize(kPlotImageWidth, kPlotImageHeight), int nx = CCurvePlot::kDefaultCells,
                   int ny = CCurvePlot::kDefaultCells, const CPlotViewStyle& style = {});
