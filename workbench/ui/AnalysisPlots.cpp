#include "AnalysisPlots.h"

#include "PlotViews.h"
#include "vornel/analysis/ActivationEnergy.h"
#include "vornel/analysis/ProcessingMap.h"
#include "vornel/view/Contours.h"
#include "vornel/view/PlotGeometry.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

QString Number(double dValue) { return QString::number(std::fabs(dValue) < 1e-12 ? 0.0 : dValue, 'g', 6); }

// Where the map's temperature and log10 strain rate lie in the plot rectangle.
struct SMapFrame {
    QRectF m_plot;
    double m_dT0 = 0, m_dT1 = 1, m_dY0 = 0, m_dY1 = 1;

    QPointF Place(double dTemp, double dLogRate) const {
        return {m_plot.left() + (dTemp - m_dT0) / (m_dT1 - m_dT0) * m_plot.width(),
                m_plot.bottom() - (dLogRate - m_dY0) / (m_dY1 - m_dY0) * m_plot.height()};
    }
    QPolygonF Polygon(const CContourPath& path) const {
        QPolygonF polygon;
        for (const CContourPoint& p : path)
            polygon << Place(p.m_dX, p.m_dY);
        return polygon;
    }
    CContourPath Pixels(const CContourPath& path) const {
        CContourPath pixels;
        for (const CContourPoint& p : path) {
            const QPointF at = Place(p.m_dX, p.m_dY);
            pixels.push_back({at.x(), at.y()});
        }
        return pixels;
    }
};

CContourGrid MapGrid(const CProcessingMap& map, const std::vector<double>& aValues, double dScale) {
    CContourGrid grid{map.m_aTemps, map.m_aLogRates, aValues};
    for (double& v : grid.m_aValues)
        v *= dScale;
    return grid;
}

// Text centred at a point, turned by dDegrees, over a pale box so that it reads on any colour.
void DrawLabel(QPainter& painter, const QPointF& at, double dDegrees, const QString& strText) {
    const QFontMetrics fm = painter.fontMetrics();
    const QRectF box(-fm.horizontalAdvance(strText) / 2.0 - 2, -fm.height() / 2.0, fm.horizontalAdvance(strText) + 4,
                     fm.height());
    painter.save();
    painter.translate(at);
    painter.rotate(dDegrees);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, strText);
    painter.restore();
}

// Diagonal hatching over the polygons (in pixels): lines 7 pixels apart, drawn as lines
// (a pattern brush or a clip would be lost in SVG files).
void Hatch(QPainter& painter, const std::vector<CContourPath>& aPolygons) {
    painter.save();
    painter.setPen(QPen(QColor(30, 30, 30), 1.1));
    for (const CContourSegment& segment : HatchConvexPolygons(aPolygons, 9.0))
        painter.drawLine(QPointF(segment.m_from.m_dX, segment.m_from.m_dY), QPointF(segment.m_to.m_dX, segment.m_to.m_dY));
    painter.restore();
}

void DrawHatchSwatch(QPainter& painter, const QRectF& swatch) {
    Hatch(painter, {{{swatch.left(), swatch.top()},
                     {swatch.right(), swatch.top()},
                     {swatch.right(), swatch.bottom()},
                     {swatch.left(), swatch.bottom()}}});
    painter.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(swatch);
}

void DrawMark(QPainter& painter, const QPointF& at) {
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(at, 4.0, 4.0);
}

// Ticks of log10 H over [dLo, dHi]: the whole decades, or round values when fewer than two
// decades lie within.
std::vector<double> RateTicks(double dLo, double dHi) {
    std::vector<double> aTicks;
    for (double k = std::ceil(dLo - 1e-9); k <= dHi + 1e-9; ++k)
        aTicks.push_back(k);
    if (aTicks.size() >= 2)
        return aTicks;
    aTicks.clear();
    const CNiceAxis axis = NiceAxis(std::pow(10.0, dLo), std::pow(10.0, dHi), 4);
    for (int k = 0; k <= axis.m_nCells; ++k)
        if (const double v = axis.m_dMin + k * axis.m_dStep; v > 0 && std::log10(v) >= dLo - 1e-9 && std::log10(v) <= dHi + 1e-9)
            aTicks.push_back(std::log10(v));
    return aTicks;
}

} // namespace

QColor EfficiencyColour(double dShare) {
    static constexpr std::array<std::array<int, 3>, 5> s_aStops = {
        {{44, 123, 182}, {171, 217, 233}, {255, 255, 191}, {253, 174, 97}, {215, 25, 28}}};
    const double x = std::clamp(std::isfinite(dShare) ? dShare : 0.0, 0.0, 1.0) * (s_aStops.size() - 1);
    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(x), s_aStops.size() - 2);
    const double t = x - static_cast<double>(k);
    const auto mix = [&](int i) {
        return static_cast<int>(std::lround(s_aStops[k][static_cast<std::size_t>(i)] * (1 - t) +
                                            s_aStops[k + 1][static_cast<std::size_t>(i)] * t));
    };
    return QColor(mix(0), mix(1), mix(2));
}

void DrawProcessingMap(QPainter& painter, const QRect& rect, const CProcessingMap& map) {
    painter.save();
    const QFontMetrics fm = painter.fontMetrics();
    const int h = fm.height();
    painter.setPen(Qt::black);
    painter.drawText(QRect(rect.left() + 8, rect.top() + 4, rect.width() - 16, h), Qt::AlignLeft | Qt::AlignVCenter,
                     fm.elidedText(QString::fromStdString(MapTitle(map)), Qt::ElideRight, rect.width() - 16));
    if (!map.Ok() || map.Columns() < 2 || map.Rows() < 2) {
        painter.drawText(rect.adjusted(20, 2 * h + 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Not drawn: %1").arg(QString::fromStdString(map.m_strMessage)));
        painter.restore();
        return;
    }
    // Layout: a key line under the title, the rate labels and axis title at the left, the
    // temperature labels and axis title below, the colour bar at the right.
    const std::vector<double> aRateTicks = RateTicks(map.m_aLogRates.front(), map.m_aLogRates.back());
    int nRateLabel = 0;
    for (double k : aRateTicks)
        nRateLabel = std::max(nRateLabel, fm.horizontalAdvance(Number(std::pow(10.0, k))));
    const int nBar = 16 + 8 + fm.horizontalAdvance(QStringLiteral("100.0")) + 8;
    SMapFrame frame;
    frame.m_plot = QRectF(QPointF(rect.left() + h + 10 + nRateLabel + 8, rect.top() + 3 * h + 14),
                          QPointF(rect.right() - nBar - 12, rect.bottom() - 2 * h - 14));
    frame.m_dT0 = map.m_aTemps.front();
    frame.m_dT1 = map.m_aTemps.back();
    frame.m_dY0 = map.m_aLogRates.front();
    frame.m_dY1 = map.m_aLogRates.back();
    if (frame.m_plot.width() < 40 || frame.m_plot.height() < 40) {
        painter.restore();
        return;
    }
    // The key.
    const double yKey = rect.top() + h + 8;
    const QRectF swatch(frame.m_plot.left(), yKey + 2, 24, h - 4);
    DrawHatchSwatch(painter, swatch);
    painter.setPen(Qt::black);
    const QString strUnstable = QStringLiteral("xi < 0: unstable flow");
    painter.drawText(QPointF(swatch.right() + 6, yKey + fm.ascent()), strUnstable);
    const double xMark = swatch.right() + 6 + fm.horizontalAdvance(strUnstable) + 24;
    DrawMark(painter, QPointF(xMark, yKey + h / 2.0));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(xMark + 10, yKey + fm.ascent()), QStringLiteral("measured condition"));

    // Filled bands of eta in percent.
    const CContourGrid eta = MapGrid(map, map.m_aEta, 100.0);
    const std::vector<double> aLevels = ContourLevels(eta, 8);
    const int nBands = static_cast<int>(aLevels.size()) - 1;
    const auto bandColour = [&](int k) { return EfficiencyColour(nBands > 1 ? static_cast<double>(k) / (nBands - 1) : 0.5); };
    painter.save();
    for (int k = 0; k < nBands; ++k) {
        const QColor colour = bandColour(k);
        // An outline of the fill's own colour closes the hairlines between neighbouring pieces.
        painter.setPen(QPen(colour, 1));
        painter.setBrush(colour);
        for (const CContourPath& polygon : ContourRegion(eta, aLevels[static_cast<std::size_t>(k)],
                                                         aLevels[static_cast<std::size_t>(k) + 1]))
            painter.drawPolygon(frame.Polygon(polygon));
    }
    // The instability: hatched, with its border.
    const CContourGrid xi = MapGrid(map, map.m_aXi, 1.0);
    std::vector<CContourPath> aUnstable;
    for (const CContourPath& polygon : ContourRegion(xi, -HUGE_VAL, 0.0))
        aUnstable.push_back(frame.Pixels(polygon));
    Hatch(painter, aUnstable);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
    for (const CContourPath& line : ContourLines(xi, 0.0))
        painter.drawPolyline(frame.Polygon(line));
    // The levels' lines, labelled.
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    for (std::size_t k = 1; k + 1 < aLevels.size(); ++k)
        for (const CContourPath& line : ContourLines(eta, aLevels[k])) {
            painter.setPen(QPen(QColor(40, 40, 40), 1));
            painter.drawPolyline(frame.Polygon(line));
            if (const auto label = ContourLabelPlace(eta, line, 0.12)) {
                const QPointF at = frame.Place(label->m_at.m_dX, label->m_at.m_dY);
                const QPointF toward = frame.Place(label->m_toward.m_dX, label->m_toward.m_dY);
                double dDegrees = std::atan2(toward.y() - at.y(), toward.x() - at.x()) * 180.0 / M_PI;
                if (dDegrees > 90)
                    dDegrees -= 180;
                else if (dDegrees < -90)
                    dDegrees += 180;
                DrawLabel(painter, at, dDegrees, Number(aLevels[k]));
            }
        }
    painter.restore();
    for (const CMapCondition& c : map.m_aMeasured)
        DrawMark(painter, frame.Place(c.m_dTemp, std::log10(c.m_dRate)));

    // Frame, ticks and axis titles.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(frame.m_plot);
    const CNiceAxis temps = NiceAxis(frame.m_dT0, frame.m_dT1, 5);
    for (int k = 0; k <= temps.m_nCells; ++k) {
        const double t = temps.m_dMin + k * temps.m_dStep;
        if (t < frame.m_dT0 - 1e-9 * temps.m_dStep || t > frame.m_dT1 + 1e-9 * temps.m_dStep)
            continue;
        const QPointF at = frame.Place(t, frame.m_dY0);
        painter.drawLine(at, at + QPointF(0, 5));
        const QString strLabel = Number(t);
        painter.drawText(QPointF(at.x() - fm.horizontalAdvance(strLabel) / 2.0, at.y() + 6 + fm.ascent()), strLabel);
    }
    const QString strTempTitle = QStringLiteral("temperature (deg C)");
    painter.drawText(QPointF(frame.m_plot.center().x() - fm.horizontalAdvance(strTempTitle) / 2.0,
                             frame.m_plot.bottom() + 8 + h + fm.ascent()),
                     strTempTitle);
    for (double k : aRateTicks) {
        const QPointF at = frame.Place(frame.m_dT0, k);
        painter.drawLine(at, at - QPointF(5, 0));
        const QString strLabel = Number(std::pow(10.0, k));
        painter.drawText(QPointF(at.x() - 7 - fm.horizontalAdvance(strLabel), at.y() + fm.ascent() / 2.0 - 1), strLabel);
    }
    const QString strRateTitle = QStringLiteral("strain rate (1/s)");
    painter.save();
    painter.translate(rect.left() + 6 + fm.ascent(), frame.m_plot.center().y() + fm.horizontalAdvance(strRateTitle) / 2.0);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), strRateTitle);
    painter.restore();

    // The colour bar of the levels.
    if (nBands >= 1) {
        const QRectF bar(frame.m_plot.right() + 14, frame.m_plot.top(), 16, frame.m_plot.height());
        const double dLo = aLevels.front(), dHi = aLevels.back();
        const auto yOf = [&](double v) { return bar.bottom() - (v - dLo) / (dHi - dLo) * bar.height(); };
        for (int k = 0; k < nBands; ++k) {
            const QColor colour = bandColour(k);
            painter.setPen(QPen(colour, 1));
            painter.setBrush(colour);
            painter.drawRect(QRectF(QPointF(bar.left(), yOf(aLevels[static_cast<std::size_t>(k) + 1])),
                                    QPointF(bar.right(), yOf(aLevels[static_cast<std::size_t>(k)]))));
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::black);
        painter.drawRect(bar);
        for (double v : aLevels)
            painter.drawText(QPointF(bar.right() + 5, yOf(v) + fm.ascent() / 2.0 - 1), Number(v));
        painter.drawText(QPointF(bar.left(), bar.top() - 6), QStringLiteral("eta %"));
    }
    painter.restore();
}

void DrawProcessingMaps(QPainter& painter, const QRect& rect, const std::vector<CProcessingMap>& aMaps) {
    if (aMaps.empty()) {
        painter.drawText(rect, Qt::AlignCenter, QStringLiteral("No processing map"));
        return;
    }
    const CPanelGrid grid = PanelGrid(static_cast<int>(aMaps.size()), rect.width(), rect.height());
    for (std::size_t k = 0; k < aMaps.size(); ++k) {
        const CPlotRect cell =
            PanelCell(grid, static_cast<int>(k), rect.left(), rect.top(), rect.width(), rect.height());
        DrawProcessingMap(painter, QRect(QPoint(cell.m_nLeft, cell.m_nTop), QPoint(cell.m_nRight, cell.m_nBottom)),
                          aMaps[k]);
    }
}

QSize MapPictureSize(std::size_t nMaps) {
    const int nColumns = nMaps <= 1 ? 1 : 2;
    const int nRows = static_cast<int>((std::max<std::size_t>(nMaps, 1) + 1) / 2);
    return {kMapPanelWidth * nColumns, kMapPanelHeight * (nMaps <= 1 ? 1 : nRows)};
}

void WriteMapFile(const std::vector<CProcessingMap>& aMaps, const std::string& strPath) {
    WritePictureFile(strPath, MapPictureSize(aMaps.size()), "map", QStringLiteral("Processing maps"),
                     [&](QPainter& painter, const QRect& area) { DrawProcessingMaps(painter, area, aMaps); });
}

namespace {

// One slope plot into rect.
void DrawSlopePlot(QPainter& painter, const QRect& rect, const CSlopePlot& plot) {
    const QFontMetrics fm = painter.fontMetrics();
    const int h = fm.height();
    painter.setPen(Qt::black);
    painter.drawText(QPointF(rect.left() + 8, rect.top() + 4 + fm.ascent()),
                     QString::fromStdString(SlopePlotTitle(plot)));
    // The key: the lines' temperatures or strain rates in their colours.
    const bool bByRate = plot.m_eKind == ESlopePlot::LnSinhOverInverseT;
    const int nLines = static_cast<int>(plot.m_aLines.size());
    const auto colour = [&](int k) { return bByRate ? RateColour(k) : TemperatureColour(k, nLines); };
    double x = rect.left() + 8;
    const double yKey = rect.top() + h + 6 + fm.ascent();
    painter.drawText(QPointF(x, yKey), bByRate ? QStringLiteral("H:") : QStringLiteral("t:"));
    x += fm.horizontalAdvance(QStringLiteral("H: "));
    for (int k = 0; k < nLines; ++k) {
        const QString strKey = Number(plot.m_aLines[static_cast<std::size_t>(k)].m_dKey);
        painter.setPen(colour(k));
        painter.drawText(QPointF(x, yKey), strKey);
        x += fm.horizontalAdvance(strKey + QStringLiteral("  "));
    }
    double dXMin = HUGE_VAL, dXMax = -HUGE_VAL, dYMin = HUGE_VAL, dYMax = -HUGE_VAL;
    for (const CRegressionLine& line : plot.m_aLines) {
        for (double v : line.m_aX) {
            dXMin = std::min(dXMin, v);
            dXMax = std::max(dXMax, v);
        }
        for (double v : line.m_aY) {
            dYMin = std::min(dYMin, v);
            dYMax = std::max(dYMax, v);
        }
    }
    const CNiceAxis ax = NiceAxis(dXMin, dXMax, 4), ay = NiceAxis(dYMin, dYMax, 4);
    int nLabel = 0;
    for (int k = 0; k <= ay.m_nCells; ++k)
        nLabel = std::max(nLabel, fm.horizontalAdvance(Number(ay.m_dMin + k * ay.m_dStep)));
    const QRectF r(QPointF(rect.left() + nLabel + 12, rect.top() + 3 * h + 12),
                   QPointF(rect.right() - 12, rect.bottom() - 2 * h - 10));
    if (r.width() < 30 || r.height() < 30)
        return;
    const auto place = [&](double vx, double vy) {
        return QPointF(r.left() + (vx - ax.m_dMin) / (ax.m_dMax - ax.m_dMin) * r.width(),
                       r.bottom() - (vy - ay.m_dMin) / (ay.m_dMax - ay.m_dMin) * r.height());
    };
    painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DotLine));
    for (int k = 1; k < ax.m_nCells; ++k)
        painter.drawLine(place(ax.m_dMin + k * ax.m_dStep, ay.m_dMin), place(ax.m_dMin + k * ax.m_dStep, ay.m_dMax));
    for (int k = 1; k < ay.m_nCells; ++k)
        painter.drawLine(place(ax.m_dMin, ay.m_dMin + k * ay.m_dStep), place(ax.m_dMax, ay.m_dMin + k * ay.m_dStep));
    painter.setPen(Qt::black);
    for (int k = 0; k <= ax.m_nCells; ++k) {
        const QString strLabel = Number(ax.m_dMin + k * ax.m_dStep);
        const QPointF at = place(ax.m_dMin + k * ax.m_dStep, ay.m_dMin);
        // The end labels stay within the panel: the first from its tick on, the last up to it.
        const double dShift = k == 0 ? 0.0 : k == ax.m_nCells ? 1.0 : 0.5;
        painter.drawText(QPointF(at.x() - dShift * fm.horizontalAdvance(strLabel), r.bottom() + 3 + fm.ascent()), strLabel);
    }
    for (int k = 0; k <= ay.m_nCells; ++k) {
        const QString strLabel = Number(ay.m_dMin + k * ay.m_dStep);
        const QPointF at = place(ax.m_dMin, ay.m_dMin + k * ay.m_dStep);
        painter.drawText(QPointF(r.left() - 4 - fm.horizontalAdvance(strLabel), at.y() + fm.ascent() / 2.0 - 1), strLabel);
    }
    const QString strX = QString::fromStdString(SlopePlotXLabel(plot.m_eKind));
    painter.drawText(QPointF(r.right() - fm.horizontalAdvance(strX), r.bottom() + 3 + h + fm.ascent()), strX);
    painter.drawText(QPointF(r.left(), r.top() - 4), QString::fromStdString(SlopePlotYLabel(plot.m_eKind)));
    painter.drawRect(r);
    painter.save();
    for (int k = 0; k < nLines; ++k) {
        const CRegressionLine& line = plot.m_aLines[static_cast<std::size_t>(k)];
        const auto [itLo, itHi] = std::minmax_element(line.m_aX.begin(), line.m_aX.end());
        painter.setPen(QPen(colour(k), 1.5));
        painter.drawLine(place(*itLo, line.m_dIntercept + line.m_dSlope * *itLo),
                         place(*itHi, line.m_dIntercept + line.m_dSlope * *itHi));
        painter.setBrush(Qt::white);
        for (std::size_t i = 0; i < line.m_aX.size(); ++i)
            painter.drawEllipse(place(line.m_aX[i], line.m_aY[i]), 3.5, 3.5);
        painter.setBrush(Qt::NoBrush);
    }
    painter.restore();
}

} // namespace

void DrawSlopePlots(QPainter& painter, const QRect& rect, const CActivationEnergy& energy) {
    painter.save();
    if (energy.m_aPlots[0].m_aLines.empty()) {
        painter.setPen(Qt::black);
        painter.drawText(rect.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("No activation energy: %1").arg(QString::fromStdString(energy.m_strMessage)));
        painter.restore();
        return;
    }
    std::vector<const CSlopePlot*> aPlots;
    for (const CSlopePlot& plot : energy.m_aPlots)
        if (!plot.m_aLines.empty())
            aPlots.push_back(&plot);
    const CPanelGrid grid = PanelGrid(static_cast<int>(aPlots.size()), rect.width(), rect.height());
    for (std::size_t k = 0; k < aPlots.size(); ++k) {
        const CPlotRect cell = PanelCell(grid, static_cast<int>(k), rect.left(), rect.top(), rect.width(), rect.height());
        DrawSlopePlot(painter, QRect(QPoint(cell.m_nLeft, cell.m_nTop), QPoint(cell.m_nRight, cell.m_nBottom)), *aPlots[k]);
    }
    painter.restore();
}

void WriteSlopePlotFile(const CActivationEnergy& energy, const std::string& strPath) {
    WritePictureFile(strPath, QSize(kPlotImageWidth, kPlotImageHeight), "plot",
                     QStringLiteral("Activation energy"),
                     [&](QPainter& painter, const QRect& area) { DrawSlopePlots(painter, area, energy); });
}
