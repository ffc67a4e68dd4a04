#include "PlotViews.h"

#include "vornel/fit/FitReport.h"
#include "vornel/document/Material.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QBuffer>
#include <QSvgGenerator>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

// Ten colours that stay apart on white paper and in print.
constexpr std::array<QRgb, 10> kRateColours = {
    qRgb(31, 119, 180), qRgb(255, 127, 14), qRgb(44, 160, 44),  qRgb(214, 39, 40),   qRgb(148, 103, 189),
    qRgb(140, 86, 75),  qRgb(227, 119, 194), qRgb(127, 127, 127), qRgb(188, 189, 34), qRgb(23, 190, 207),
};

// Grid cells of a panel along strain and stress.
constexpr int kPanelXCells = 4;
constexpr int kPanelYCells = 4;
// Width of a legend entry's colour sample, pixels.
constexpr int kSwatchWidth = 22;

QString Short(double dValue) { return QString::number(dValue, 'g', 6); }
// A tick value: six digits, or with nDecimals decimals (>= 0) on a zoomed axis, whose ticks are
// not round numbers.
QString Tick(double dValue, int nDecimals = -1) {
    if (nDecimals >= 0)
        return QString::number(std::fabs(dValue) < 0.5 * std::pow(10.0, -nDecimals) ? 0.0 : dValue, 'f', nDecimals);
    return QString::number(std::fabs(dValue) < 1e-12 ? 0.0 : dValue, 'g', 6);
}

QString Conditions(const CCurve& curve) {
    return QStringLiteral("t=%1 H=%2").arg(Short(curve.m_dTemp), Short(curve.m_dRate));
}

// The curves a view draws: the selected one, else all.
std::vector<int> DrawnCurves(const CMaterial& material) {
    std::vector<int> aCurves;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (material.m_nSelectedCurve == 0 || material.m_nSelectedCurve == i + 1)
            aCurves.push_back(i);
    return aCurves;
}

bool Contains(const std::vector<int>& a, int n) { return std::find(a.begin(), a.end(), n) != a.end(); }

// A legend band across the top of client; returns its height (0 without entries).
int DrawLegend(QPainter& painter, const QRect& client, const std::vector<std::pair<QColor, QString>>& aItems,
               CViewLayout& layout) {
    if (aItems.empty())
        return 0;
    const QFontMetrics fm = painter.fontMetrics();
    const int nRowHeight = fm.height() + 4;
    int nText = fm.horizontalAdvance(QStringLiteral("+%1 more").arg(aItems.size()));
    for (const auto& item : aItems)
        nText = std::max(nText, fm.horizontalAdvance(item.second));
    const int nEntryWidth = kSwatchWidth + 6 + nText + 16;
    const int nMaxRows = std::max(1, (client.height() / 3 - 8) / nRowHeight);
    const CLegendGrid grid = LegendGrid(static_cast<int>(aItems.size()), nEntryWidth, client.width() - 10, nMaxRows);
    const QPen previous = painter.pen();
    for (int i = 0; i < grid.m_nShown; ++i) {
        const int x = client.left() + 5 + (i % grid.m_nColumns) * nEntryWidth;
        const int y = client.top() + 4 + (i / grid.m_nColumns) * nRowHeight;
        const QRect swatch(x, y + nRowHeight / 2 - kPointHalfSize - 1, kSwatchWidth, 2 * kPointHalfSize + 2);
        const QColor& colour = aItems[static_cast<std::size_t>(i)].first;
        painter.setPen(QPen(colour, 2));
        painter.drawLine(swatch.left(), swatch.center().y(), swatch.right(), swatch.center().y());
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRect(swatch.center().x() - kPointHalfSize, swatch.center().y() - kPointHalfSize,
                                  2 * kPointHalfSize, 2 * kPointHalfSize));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::black);
        DrawTextAt(painter, x + kSwatchWidth + 6, y + 2, aItems[static_cast<std::size_t>(i)].second);
        layout.m_aLegend.push_back({swatch, colour, aItems[static_cast<std::size_t>(i)].second});
    }
    layout.m_nHidden = static_cast<int>(aItems.size()) - grid.m_nShown;
    if (layout.m_nHidden > 0) {
        const int i = grid.m_nShown;
        painter.setPen(Qt::black);
        DrawTextAt(painter, client.left() + 5 + (i % grid.m_nColumns) * nEntryWidth + kSwatchWidth + 6,
                   client.top() + 6 + (i / grid.m_nColumns) * nRowHeight,
                   QStringLiteral("+%1 more").arg(layout.m_nHidden));
    }
    painter.setPen(previous);
    return 8 + grid.m_nRows * nRowHeight;
}

// Axes of round values over the strains dMinStrain..dMaxStrain and the stresses
// dMinStress..dMaxStress, with their cells.
struct SPanelAxes {
    CPlotAxes m_axes;
    int m_nx = 1, m_ny = 1;
    int m_nStrainDecimals = -1, m_nStressDecimals = -1; // of the tick values; -1: six digits
};

SPanelAxes PanelAxes(double dMinStrain, double dMaxStrain, double dMinStress, double dMaxStress, int nx, int ny) {
    const CNiceAxis strain = NiceAxis(dMinStrain, dMaxStrain, nx);
    const CNiceAxis stress = NiceAxis(dMinStress, dMaxStress, ny);
    SPanelAxes axes;
    axes.m_axes = {strain.m_dMin, strain.m_dMax, stress.m_dMin, stress.m_dMax};
    axes.m_nx = strain.m_nCells;
    axes.m_ny = stress.m_nCells;
    return axes;
}

// Frame, dotted grid, tick values and title of a panel in cell; returns the frame.
CPlotRect DrawPanelFrame(QPainter& painter, const CPlotRect& cell, const SPanelAxes& panel, const QString& strTitle) {
    const CPlotAxes& axes = panel.m_axes;
    const int nx = panel.m_nx;
    const int ny = panel.m_ny;
    const QFontMetrics fm = painter.fontMetrics();
    int nLabel = 0;
    for (int k = 0; k <= ny; ++k)
        nLabel = std::max(nLabel, fm.horizontalAdvance(Tick(StressTick(axes, k, ny), panel.m_nStressDecimals)));
    CPlotRect r;
    r.m_nLeft = cell.m_nLeft + nLabel + 8;
    r.m_nRight = cell.m_nRight - 12;
    r.m_nTop = cell.m_nTop + fm.height() + 6;
    r.m_nBottom = cell.m_nBottom - fm.height() - 8;
    if (r.m_nRight <= r.m_nLeft + 10 || r.m_nBottom <= r.m_nTop + 10)
        return r;
    const QPen previous = painter.pen();
    painter.setPen(Qt::black);
    DrawTextAt(painter, r.m_nLeft, cell.m_nTop + 2, strTitle);
    const QPen dotted(QColor(200, 200, 200), 1, Qt::DotLine);
    for (int k = 0; k <= nx; ++k) {
        const int x = StrainTickX(r, k, nx);
        const QString strLabel = Tick(StrainTick(axes, k, nx), panel.m_nStrainDecimals);
        const int nWidth = fm.horizontalAdvance(strLabel);
        painter.setPen(Qt::black);
        DrawTextAt(painter, k == 0 ? x : k == nx ? x - nWidth : x - nWidth / 2, r.m_nBottom + 3, strLabel);
        if (k > 0 && k < nx) {
            painter.setPen(dotted);
            painter.drawLine(x, r.m_nBottom, x, r.m_nTop);
        }
    }
    for (int k = 0; k <= ny; ++k) {
        const int y = StressTickY(r, k, ny);
        const QString strLabel = Tick(StressTick(axes, k, ny), panel.m_nStressDecimals);
        painter.setPen(Qt::black);
        DrawTextAt(painter, r.m_nLeft - 4 - fm.horizontalAdvance(strLabel), y - fm.height() / 2, strLabel);
        if (k > 0 && k < ny) {
            painter.setPen(dotted);
            painter.drawLine(r.m_nLeft, y, r.m_nRight, y);
        }
    }
    painter.setPen(Qt::black);
    painter.drawRect(QRect(QPoint(r.m_nLeft, r.m_nTop), QPoint(r.m_nRight, r.m_nBottom)));
    painter.setPen(previous);
    return r;
}

// The frame's inside, a little enlarged so that circles on its edges show whole.
QRect ClipOf(const CPlotRect& r) {
    return QRect(QPoint(r.m_nLeft, r.m_nTop), QPoint(r.m_nRight, r.m_nBottom))
        .adjusted(-kPointHalfSize - 1, -kPointHalfSize - 1, kPointHalfSize + 1, kPointHalfSize + 1);
}

// Circles at (x, y) of each point and a line through the finite ones, in colour, with a pen
// of nWidth pixels.
void DrawSeries(QPainter& painter, const std::vector<QPoint>& aCircles, const std::vector<std::optional<QPoint>>& aLine,
                const QColor& colour, int nWidth = 2) {
    painter.setPen(QPen(colour, nWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    for (const QPoint& p : aCircles)
        painter.drawEllipse(QRect(p.x() - kPointHalfSize, p.y() - kPointHalfSize, 2 * kPointHalfSize, 2 * kPointHalfSize));
    painter.setBrush(Qt::NoBrush);
    QPolygon line;
    for (const std::optional<QPoint>& p : aLine) {
        if (p) {
            line << *p;
        } else {
            painter.drawPolyline(line);
            line.clear();
        }
    }
    painter.drawPolyline(line);
}

// Strain range of the points of the curves.
void StrainRange(const CMaterial& material, const std::vector<int>& aCurves, double& dMin, double& dMax) {
    dMin = 1.0e10;
    dMax = -1.0e10;
    for (int i : aCurves)
        for (const CCurvePoint& p : material.Curve(i).m_pPoints) {
            dMin = std::min(dMin, p.m_dStrain);
            dMax = std::max(dMax, p.m_dStrain);
        }
}

// The panel's axes cut to the part zoom shows.
SPanelAxes Zoomed(SPanelAxes panel, const CPlotZoom& zoom) {
    if (zoom == CPlotZoom{})
        return panel;
    panel.m_axes = ZoomAxes(panel.m_axes, zoom);
    // Two digits of a cell's step, so that the labels differ and keep their width.
    const auto decimals = [](double dSpan, int nCells) {
        const double dStep = std::fabs(dSpan) / std::max(nCells, 1);
        return dStep > 0 && std::isfinite(dStep) ? std::clamp(1 - static_cast<int>(std::floor(std::log10(dStep))), 0, 9)
                                                 : 6;
    };
    panel.m_nStrainDecimals = decimals(panel.m_axes.m_dMaxStrain - panel.m_axes.m_dMinStrain, panel.m_nx);
    panel.m_nStressDecimals = decimals(panel.m_axes.m_dTopStress - panel.m_axes.m_dMinStress, panel.m_ny);
    return panel;
}

// The measured points of a curve joined by a thin line in its pale colour.
void DrawRawLine(QPainter& painter, const std::vector<QPoint>& aPoints, const QColor& colour) {
    painter.setPen(QPen(RawLineColour(colour), 1));
    painter.drawPolyline(QPolygon(QList<QPoint>(aPoints.begin(), aPoints.end())));
}

CViewLayout DrawSingle(QPainter& painter, const QRect& client, const CMaterial& material, CCurvePlot& plot,
                       const CPlotViewStyle& style) {
    const bool bLegend = style.m_bLegend;
    plot.m_zoom = style.m_zoom;
    plot.m_nHighlight = style.m_nHighlight;
    CViewLayout layout;
    const std::vector<int> aDrawn = DrawnCurves(material);
    layout.m_aCurveColours.resize(static_cast<std::size_t>(material.m_nCurves));
    std::vector<std::pair<QColor, QString>> aItems;
    for (int i : aDrawn) {
        layout.m_aCurveColours[static_cast<std::size_t>(i)] =
            material.Curve(i).m_bLeftOut ? kLeftOutColour : CurveColour(i + 1);
        aItems.emplace_back(CurveColour(i + 1), Conditions(material.Curve(i)));
    }
    const int nBand = bLegend ? DrawLegend(painter, client, aItems, layout) : 0;
    const QRect area = client.adjusted(0, nBand, 0, 0);
    plot.DrawPlot(painter, area, material);
    layout.m_aPanels.push_back({plot.Rect(painter, area), plot.Axes(), 0, aDrawn, {}});
    return layout;
}

CViewLayout DrawTemperatures(QPainter& painter, const QRect& client, const CMaterial& material,
                             const CPlotViewStyle& style) {
    CViewLayout layout;
    const std::vector<int> aDrawn = DrawnCurves(material);
    const std::vector<double> aRates = MeasuredConditions(material).m_aRates;
    layout.m_aCurveColours.resize(static_cast<std::size_t>(material.m_nCurves));
    std::vector<bool> abRateUsed(aRates.size());
    for (int i : aDrawn)
        if (const int k = ConditionIndex(aRates, material.Curve(i).m_dRate); k >= 0) {
            abRateUsed[static_cast<std::size_t>(k)] = true;
            layout.m_aCurveColours[static_cast<std::size_t>(i)] =
                material.Curve(i).m_bLeftOut ? kLeftOutColour : RateColour(k);
        }
    std::vector<std::pair<QColor, QString>> aItems;
    for (std::size_t k = 0; k < aRates.size(); ++k)
        if (abRateUsed[k])
            aItems.emplace_back(RateColour(static_cast<int>(k)), QStringLiteral("H=%1").arg(Short(aRates[k])));
    const int nBand = DrawLegend(painter, client, aItems, layout);
    const QRect area = client.adjusted(0, nBand, 0, 0);

    std::vector<CTemperatureGroup> aGroups;
    for (CTemperatureGroup& group : GroupByTemperature(material)) {
        std::erase_if(group.m_aCurves, [&](int i) { return !Contains(aDrawn, i); });
        if (!group.m_aCurves.empty())
            aGroups.push_back(std::move(group));
    }
    double dMinStrain = 0, dMaxStrain = 0;
    StrainRange(material, aDrawn, dMinStrain, dMaxStrain);
    const CPanelGrid grid = PanelGrid(static_cast<int>(aGroups.size()), area.width(), area.height());
    const bool bFitted = material.m_nCoef > 0;
    for (std::size_t k = 0; k < aGroups.size(); ++k) {
        const CTemperatureGroup& group = aGroups[k];
        double dMin = 1.0e10, dMax = -1.0e10;
        for (int i : group.m_aCurves)
            for (const CCurvePoint& p : material.Curve(i).m_pPoints) {
                dMin = std::min(dMin, p.m_dStress);
                dMax = std::max(dMax, p.m_dStress);
            }
        const SPanelAxes panel =
            Zoomed(PanelAxes(dMinStrain, dMaxStrain, dMin, dMax, kPanelXCells, kPanelYCells), style.m_zoom);
        const CPlotAxes& axes = panel.m_axes;
        const CPlotRect cell =
            PanelCell(grid, static_cast<int>(k), area.left(), area.top(), area.width(), area.height());
        const QString strTitle = QStringLiteral("t=%1: yield stress, MPa").arg(Short(group.m_dTemp));
        const CPlotRect r = DrawPanelFrame(painter, cell, panel, strTitle);
        painter.save();
        painter.setClipRect(ClipOf(r));
        for (int i : group.m_aCurves) {
            std::vector<QPoint> aCircles;
            std::vector<std::optional<QPoint>> aLine;
            for (const CCurvePoint& p : material.Curve(i).m_pPoints) {
                const int x = PlaceStrain(r, axes, p.m_dStrain);
                aCircles.emplace_back(x, PlaceStress(r, axes, p.m_dStress));
                if (bFitted)
                    aLine.push_back(std::isfinite(p.m_dFitStress)
                                        ? std::optional<QPoint>(QPoint(x, PlaceStress(r, axes, p.m_dFitStress)))
                                        : std::nullopt);
            }
            const QColor& colour = layout.m_aCurveColours[static_cast<std::size_t>(i)];
            DrawRawLine(painter, aCircles, colour);
            DrawSeries(painter, aCircles, aLine, colour, style.m_nHighlight == i + 1 ? 4 : 2);
        }
        painter.restore();
        layout.m_aPanels.push_back({r, axes, group.m_dTemp, group.m_aCurves, strTitle});
    }
    return layout;
}

CViewLayout DrawDeviations(QPainter& painter, const QRect& client, const CMaterial& material,
                           const CPlotViewStyle& style) {
    CViewLayout layout;
    const std::vector<int> aDrawn = DrawnCurves(material);
    const std::vector<double> aTemps = MeasuredConditions(material).m_aTemps;
    const int nTemps = static_cast<int>(aTemps.size());
    layout.m_aCurveColours.resize(static_cast<std::size_t>(material.m_nCurves));
    const bool bFitted = MakeFitReport(material).m_bFitted;

    std::vector<bool> abTempUsed(aTemps.size());
    for (int i : aDrawn)
        if (const int k = ConditionIndex(aTemps, material.Curve(i).m_dTemp); k >= 0) {
            abTempUsed[static_cast<std::size_t>(k)] = true;
            layout.m_aCurveColours[static_cast<std::size_t>(i)] =
                material.Curve(i).m_bLeftOut ? kLeftOutColour : TemperatureColour(k, nTemps);
        }
    std::vector<std::pair<QColor, QString>> aItems;
    for (std::size_t k = 0; k < aTemps.size() && bFitted; ++k)
        if (abTempUsed[k])
            aItems.emplace_back(TemperatureColour(static_cast<int>(k), nTemps), QStringLiteral("t=%1").arg(Short(aTemps[k])));
    const int nBand = DrawLegend(painter, client, aItems, layout);
    const QRect area = client.adjusted(0, nBand, 0, 0);
    const CPlotRect cell{area.left() + 5, area.top(), area.right() - 5, area.bottom()};

    std::vector<std::vector<CDeviationPoint>> aPoints(static_cast<std::size_t>(material.m_nCurves));
    double dMinStrain = 0, dMaxStrain = 0;
    StrainRange(material, aDrawn, dMinStrain, dMaxStrain);
    double dLargest = 0;
    if (bFitted) {
        dMinStrain = 1.0e10;
        dMaxStrain = -1.0e10;
        for (int i : aDrawn) {
            aPoints[static_cast<std::size_t>(i)] = CurveDeviationPoints(material, i);
            for (const CDeviationPoint& p : aPoints[static_cast<std::size_t>(i)])
                if (std::isfinite(p.Deviation())) {
                    dLargest = std::max(dLargest, std::fabs(p.Deviation()));
                    dMinStrain = std::min(dMinStrain, p.m_dStrain);
                    dMaxStrain = std::max(dMaxStrain, p.m_dStrain);
                }
        }
    }
    if (!(dLargest > 0))
        dLargest = 1;
    const SPanelAxes panel =
        Zoomed(PanelAxes(dMinStrain, dMaxStrain, -dLargest, dLargest, CCurvePlot::kDefaultCells, 4), style.m_zoom);
    const CPlotAxes& axes = panel.m_axes;
    const QString strTitle = QStringLiteral("Fitted - measured stress") + QStringLiteral(", MPa");
    const CPlotRect r = DrawPanelFrame(painter, cell, panel, strTitle);
    const QFontMetrics fm = painter.fontMetrics();
    painter.setPen(Qt::black);
    const QString strStrain = QStringLiteral("Deformation") + QStringLiteral(", -");
    DrawTextAt(painter, r.m_nRight - fm.horizontalAdvance(strStrain) - kPlotGap, r.m_nBottom - fm.height() - 2, strStrain);
    layout.m_aPanels.push_back({r, axes, 0, bFitted ? aDrawn : std::vector<int>(), strTitle});
    if (!bFitted) {
        const QString strNone = QStringLiteral("No fitted law yet: Calc or Optimization in the Processing dialog fits one.");
        DrawTextAt(painter, (r.m_nLeft + r.m_nRight - fm.horizontalAdvance(strNone)) / 2, (r.m_nTop + r.m_nBottom) / 2,
                   strNone);
        layout.m_aCurveColours.assign(layout.m_aCurveColours.size(), QColor());
        return layout;
    }
    const int yZero = PlaceStress(r, axes, 0.0);
    painter.save();
    painter.setClipRect(ClipOf(r));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(r.m_nLeft, yZero, r.m_nRight, yZero);
    for (int i : aDrawn) {
        std::vector<QPoint> aCircles;
        std::vector<std::optional<QPoint>> aLine;
        for (const CDeviationPoint& p : aPoints[static_cast<std::size_t>(i)]) {
            if (!std::isfinite(p.Deviation())) {
                aLine.push_back(std::nullopt);
                continue;
            }
            const QPoint at(PlaceStrain(r, axes, p.m_dStrain), PlaceStress(r, axes, p.Deviation()));
            aCircles.push_back(at);
            aLine.push_back(at);
        }
        // Thin lines: the deviations of many curves lie close around zero.
        DrawSeries(painter, aCircles, aLine, layout.m_aCurveColours[static_cast<std::size_t>(i)],
                   style.m_nHighlight == i + 1 ? 3 : 1);
    }
    painter.restore();
    return layout;
}

} // namespace

QColor RateColour(int k) {
    if (k >= 0 && k < static_cast<int>(kRateColours.size()))
        return QColor(kRateColours[static_cast<std::size_t>(k)]);
    // Further rates: hues a golden angle apart.
    const double dHue = std::fmod(0.13 + 0.618033988749895 * std::max(0, k), 1.0);
    return QColor::fromHsvF(static_cast<float>(dHue), 0.85f, 0.75f);
}

QColor TemperatureColour(int k, int n) {
    const double dShare = n > 1 ? std::clamp(static_cast<double>(k) / (n - 1), 0.0, 1.0) : 0.0;
    return QColor::fromHsv(static_cast<int>(std::lround(240.0 * (1.0 - dShare))), 230, 210);
}

CViewLayout DrawPlotView(QPainter& painter, const QRect& client, const CMaterial& material, CCurvePlot& plot,
                         const CPlotViewStyle& style) {
    switch (style.m_eView) {
    case EPlotView::Temperatures:
        return DrawTemperatures(painter, client, material, style);
    case EPlotView::Deviations:
        return DrawDeviations(painter, client, material, style);
    case EPlotView::Single:
        break;
    }
    return DrawSingle(painter, client, material, plot, style);
}

std::optional<CPlotPick> PickPoint(const CViewLayout& layout, const CMaterial& material, EPlotView eView, QPoint at,
                                   int nRadius) {
    std::optional<CPlotPick> best;
    long long nBest = static_cast<long long>(nRadius) * nRadius;
    const bool bFitted = material.m_nCoef > 0;
    for (const CPanelLayout& panel : layout.m_aPanels) {
        const CPlotRect& r = panel.m_rect;
        if (!QRect(QPoint(r.m_nLeft, r.m_nTop), QPoint(r.m_nRight, r.m_nBottom)).adjusted(-nRadius, -nRadius, nRadius, nRadius).contains(at))
            continue;
        for (int i : panel.m_aCurves) {
            std::vector<CDeviationPoint> aPoints;
            if (eView == EPlotView::Deviations) {
                aPoints = CurveDeviationPoints(material, i);
            } else {
                for (const CCurvePoint& p : material.Curve(i).m_pPoints)
                    aPoints.push_back({p.m_dStrain, bFitted ? p.m_dFitStress : NAN, p.m_dStress});
            }
            for (const CDeviationPoint& p : aPoints) {
                const double dY = eView == EPlotView::Deviations ? p.Deviation() : p.m_dMeasured;
                if (!std::isfinite(dY))
                    continue;
                const QPoint drawn(PlaceStrain(r, panel.m_axes, p.m_dStrain), PlaceStress(r, panel.m_axes, dY));
                const QPoint d = drawn - at;
                const long long nDistance = static_cast<long long>(d.x()) * d.x() + static_cast<long long>(d.y()) * d.y();
                if (nDistance <= nBest) {
                    nBest = nDistance;
                    best = CPlotPick{i + 1, p.m_dStrain, p.m_dMeasured, p.m_dFitted, drawn};
                }
            }
        }
    }
    return best;
}

QString PickText(const CMaterial& material, const CPlotPick& pick) {
    const CCurve& curve = material.Curve(pick.m_nCurve - 1);
    QString strText = QStringLiteral("Curve %1 (%2): strain %3, measured %4 MPa")
                          .arg(pick.m_nCurve)
                          .arg(Conditions(curve), Short(pick.m_dStrain), Short(pick.m_dMeasured));
    if (std::isfinite(pick.m_dFitted))
        strText += QStringLiteral(", fitted %1 MPa").arg(Short(pick.m_dFitted));
    return strText;
}

QFont PlotFileFont() {
    QFont font = QApplication::font();
    font.setPixelSize(14);
    return font;
}

namespace {

// The view in a file: white, the file font, the single plot with a grid of nx by ny cells.
void PaintPlotFile(QPainter& painter, const CMaterial& material, QSize size, int nx, int ny,
                   const CPlotViewStyle& style) {
    const QRect area(QPoint(0, 0), size);
    painter.fillRect(area, Qt::white);
    painter.setFont(PlotFileFont());
    painter.setPen(Qt::black);
    CCurvePlot plot;
    plot.m_nXCells = nx;
    plot.m_nYCells = ny;
    DrawPlotView(painter, area, material, plot, style);
}

} // namespace

QImage RenderPlotImage(const CMaterial& material, QSize size, int nx, int ny, const CPlotViewStyle& style) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintPlotFile(painter, material, size, nx, ny, style);
    return image;
}

void WritePictureFile(const std::string& strPath, QSize size, const char* szWhat, const QString& strTitle,
                      const std::function<void(QPainter& painter, const QRect& area)>& paint) {
    const QString strFile = QString::fromStdString(strPath);
    const QString strLower = strFile.toLower();
    const bool bSvg = strLower.endsWith(".svg");
    if (!bSvg && !strLower.endsWith(".png"))
        throw CFileError(strPath, std::string("a ") + szWhat +
                                      " is written as PNG or SVG: give the file the ending .png or .svg");

    const QRect area(QPoint(0, 0), size);
    const auto paintOn = [&](QPainter& painter) {
        painter.fillRect(area, Qt::white);
        painter.setFont(PlotFileFont());
        painter.setPen(Qt::black);
        paint(painter, area);
    };
    // The picture is made in memory and written as a whole through the one writer of every
    // output (WriteFileBytes): a failed write leaves the previous file, a device is refused.
    QByteArray aBytes;
    QBuffer buffer(&aBytes);
    buffer.open(QIODevice::WriteOnly);
    bool bOk = true;
    if (bSvg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(strTitle);
        QPainter painter;
        bOk = painter.begin(&svg);
        if (bOk) {
            paintOn(painter);
            bOk = painter.end();
        }
    } else {
        QImage image(size, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            paintOn(painter);
        }
        bOk = image.save(&buffer, "PNG");
    }
    if (!bOk)
        throw CFileError(strPath, "the picture could not be drawn");
    WriteFileBytes(strPath, {reinterpret_cast<const unsigned char*>(aBytes.constData()),
                             static_cast<std::size_t>(aBytes.size())});
}

void WritePlotFile(const CMaterial& material, const std::string& strPath, QSize size, int nx, int ny,
                   const CPlotViewStyle& style) {
    WritePictureFile(strPath, size, "plot", QStringLiteral("Flow curves"), [&](QPainter& painter, const QRect&) {
        PaintPlotFile(painter, material, size, nx, ny, style);
    });
}
