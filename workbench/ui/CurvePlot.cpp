#include "CurvePlot.h"

#include "vornel/document/Material.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <array>
#include <cmath>

namespace {

constexpr std::array<QRgb, kCurveSlots> kSlotColours = {
    qRgb(255, 0, 0), qRgb(128, 128, 64), qRgb(0, 128, 0), qRgb(128, 0, 0), qRgb(0, 0, 255), qRgb(255, 0, 255),
};

QString Number(double dValue) { return QString::fromStdString(FormatPlotNumber(dValue)); }


// Widest stress tick label of ny cells, the minimum (label 0) included.
int StressLabelWidth(const QFontMetrics& fm, const CPlotAxes& axes, int ny) {
    int nWidth = 0;
    for (int k = 0; k < std::max(ny, 1); ++k)
        nWidth = std::max(nWidth, fm.horizontalAdvance(Number(StressTick(axes, k, std::max(ny, 1)))));
    return nWidth;
}

} // namespace

void DrawTextAt(QPainter& painter, int x, int y, const QString& strText) {
    const QFontMetrics fm = painter.fontMetrics();
    painter.drawText(QPoint(x, y + fm.ascent()), strText);
}

QColor RawLineColour(const QColor& colour) {
    return QColor((colour.red() + 2 * 255) / 3, (colour.green() + 2 * 255) / 3, (colour.blue() + 2 * 255) / 3);
}

QColor CurveColour(int nCurve) { return QColor(kSlotColours[static_cast<std::size_t>(CurveSlot(nCurve) - 1)]); }

CPlotRect CCurvePlot::Rect(QPainter& painter, const QRect& client) const {
    const QFontMetrics fm = painter.fontMetrics();
    return PlotRect(client.left(), client.top(), client.left() + client.width(), client.top() + client.height(),
                    fm.height(), fm.averageCharWidth(), StressLabelWidth(fm, m_axes, m_nYCells));
}

void CCurvePlot::DrawPlot(QPainter& painter, const QRect& client, const CMaterial& material) {
    m_axes = ZoomAxes(FindPlotAxes(material), m_zoom);
    const QFontMetrics fm = painter.fontMetrics();
    const CPlotRect r = Rect(painter, client);
    const QPen framePen = painter.pen();

    painter.setPen(Qt::black);
    // The minima at the corner: the strain minimum under it, the stress minimum beside it.
    DrawTextAt(painter, r.m_nLeft, r.m_nBottom + 1, Number(m_axes.m_dMinStrain));
    const QString strMinStress = Number(m_axes.m_dMinStress);
    DrawTextAt(painter, r.m_nLeft - 4 - fm.horizontalAdvance(strMinStress), r.m_nBottom - fm.height() / 2, strMinStress);
    // Axis titles.
    const QString strStrainTitle = QStringLiteral("Deformation") + QStringLiteral(", -");
    const QRect strainTitle = fm.boundingRect(strStrainTitle);
    DrawTextAt(painter, r.m_nRight - fm.horizontalAdvance(strStrainTitle) - kPlotGap, r.m_nBottom - strainTitle.height(),
           strStrainTitle);
    const QString strStressTitle = QStringLiteral("Yield stress") + QStringLiteral(", MPa");
    DrawTextAt(painter, r.m_nLeft + kPlotGap, r.m_nTop - fm.boundingRect(strStressTitle).height(), strStressTitle);

    DrawGrid(painter, client, m_nXCells, m_nYCells);

    const bool bFitted = material.m_nCoef > 0;
    const int nSelected = material.m_nSelectedCurve;
    painter.save();
    painter.setClipRect(QRect(QPoint(r.m_nLeft, r.m_nTop), QPoint(r.m_nRight, r.m_nBottom))
                            .adjusted(-kPointHalfSize - 1, -kPointHalfSize - 1, kPointHalfSize + 1, kPointHalfSize + 1),
                        Qt::IntersectClip);
    for (int n = 1; n <= material.m_nCurves; ++n) {
        if (nSelected != 0 && nSelected != n)
            continue;
        const CCurve& curve = material.Curve(n - 1);
        painter.setPen(Qt::black);
        if (nSelected == n) {
            char szLine[128];
            std::snprintf(szLine, sizeof szLine, "Temperatura=%3.3lf", curve.m_dTemp);
            DrawTextAt(painter, client.left() + kSelectedTextX, client.top() + kSelectedTextY1, szLine);
            std::snprintf(szLine, sizeof szLine, "Strain Ratio=%3.3lf", curve.m_dRate);
            DrawTextAt(painter, client.left() + kSelectedTextX, client.top() + kSelectedTextY2, szLine);
        }
        QPolygon raw;
        for (const CCurvePoint& p : curve.m_pPoints)
            raw << QPoint(PlaceStrain(r, m_axes, p.m_dStrain), PlaceStress(r, m_axes, p.m_dStress));
        const QColor colour = curve.m_bLeftOut ? kLeftOutColour : CurveColour(n);
        painter.setPen(QPen(RawLineColour(colour), 1));
        painter.drawPolyline(raw);
        painter.setPen(QPen(colour, m_nHighlight == n ? 4 : 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::white);
        QPolygon fitted;
        for (const CCurvePoint& p : curve.m_pPoints) {
            const int x = PlaceStrain(r, m_axes, p.m_dStrain);
            const int ym = PlaceStress(r, m_axes, p.m_dStress);
            painter.drawEllipse(QRect(x - kPointHalfSize, ym - kPointHalfSize, 2 * kPointHalfSize, 2 * kPointHalfSize));
            if (!bFitted)
                continue;
            if (std::isfinite(p.m_dFitStress)) {
                fitted << QPoint(x, PlaceStress(r, m_axes, p.m_dFitStress));
            } else {
                // A stress the law could not give breaks the line.
                painter.drawPolyline(fitted);
                fitted.clear();
            }
        }
        painter.drawPolyline(fitted);
        painter.setBrush(Qt::NoBrush);
    }
    painter.restore();

    painter.setPen(framePen);
    painter.drawPolyline(QPolygon({QPoint(r.m_nLeft, r.m_nBottom), QPoint(r.m_nLeft, r.m_nTop),
                                   QPoint(r.m_nRight, r.m_nTop), QPoint(r.m_nRight, r.m_nBottom),
                                   QPoint(r.m_nLeft, r.m_nBottom)}));
}

void CCurvePlot::DrawGrid(QPainter& painter, const QRect& client, int nx, int ny) const {
    if (nx < 1 || ny < 1)
        return;
    const CPlotRect r = Rect(painter, client);
    const QFontMetrics fm = painter.fontMetrics();
    const QPen previous = painter.pen();
    const QPen dashed(Qt::black, 1, Qt::DashLine);
    for (int k = 1; k < nx; ++k) {
        const int x = StrainTickX(r, k, nx);
        painter.setPen(Qt::black);
        DrawTextAt(painter, x, r.m_nBottom + 1, Number(StrainTick(m_axes, k, nx)));
        painter.setPen(dashed);
        painter.drawLine(x, r.m_nBottom, x, r.m_nTop);
    }
    for (int k = 1; k < ny; ++k) {
        const int y = StressTickY(r, k, ny);
        const QString strLabel = Number(StressTick(m_axes, k, ny));
        painter.setPen(Qt::black);
        DrawTextAt(painter, r.m_nLeft - 4 - fm.horizontalAdvance(strLabel), y - fm.height() / 2, strLabel);
        painter.setPen(dashed);
        painter.drawLine(r.m_nLeft, y, r.m_nRight, y);
    }
    painter.setPen(previous);
}
