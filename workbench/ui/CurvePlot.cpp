#include "CurvePlot.h"

#include "vornel/Material.h"
#include "formats/FileError.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <array>
#include <cmath>

namespace {

constexpr std::array<QRgb, kCurveSlots> kSlotColours = {
    qRgb(255, 0, 0), qRgb(128, 128, 64), qRgb(0, 128, 0), qRgb(128, 0, 0), qRgb(0, 0, 255), qRgb(255, 0, 255),
};

QString Number(double dValue) { return QString::fromStdString(FormatPlotNumber(dValue)); }

// Draws text with its top-left corner at (x, y).
void TextAt(QPainter& painter, int x, int y, const QString& strText) {
    const QFontMetrics fm = painter.fontMetrics();
    painter.drawText(QPoint(x, y + fm.ascent()), strText);
}

// Widest stress tick label of ny cells, the minimum (label 0) included.
int StressLabelWidth(const QFontMetrics& fm, const CPlotAxes& axes, int ny) {
    int nWidth = 0;
    for (int k = 0; k < std::max(ny, 1); ++k)
        nWidth = std::max(nWidth, fm.horizontalAdvance(Number(StressTick(axes, k, std::max(ny, 1)))));
    return nWidth;
}

} // namespace

QColor CurveColour(int nCurve) { return QColor(kSlotColours[static_cast<std::size_t>(CurveSlot(nCurve) - 1)]); }

CPlotRect CCurvePlot::Rect(QPainter& painter, const QRect& client) const {
    const QFontMetrics fm = painter.fontMetrics();
    return PlotRect(client.left(), client.top(), client.left() + client.width(), client.top() + client.height(),
                    fm.height(), fm.averageCharWidth(), StressLabelWidth(fm, m_axes, m_nYCells));
}

void CCurvePlot::DrawPlot(QPainter& painter, const QRect& client, const CMaterial& material) {
    m_axes = FindPlotAxes(material);
    const QFontMetrics fm = painter.fontMetrics();
    const CPlotRect r = Rect(painter, client);
    const QPen framePen = painter.pen();

    painter.setPen(Qt::black);
    // The minima at the corner: the strain minimum under it, the stress minimum beside it.
    TextAt(painter, r.m_nLeft, r.m_nBottom + 1, Number(m_axes.m_dMinStrain));
    const QString strMinStress = Number(m_axes.m_dMinStress);
    TextAt(painter, r.m_nLeft - 4 - fm.horizontalAdvance(strMinStress), r.m_nBottom - fm.height() / 2, strMinStress);
    // Axis titles.
    const QString strStrainTitle = QStringLiteral("Deformation");
    const QRect strainTitle = fm.boundingRect(strStrainTitle);
    TextAt(painter, r.m_nRight - fm.horizontalAdvance(strStrainTitle) - kPlotGap, r.m_nBottom - strainTitle.height(),
           strStrainTitle);
    const QString strStressTitle = QStringLiteral("Yield stress");
    TextAt(painter, r.m_nLeft + kPlotGap, r.m_nTop - fm.boundingRect(strStressTitle).height(), strStressTitle);

    DrawGrid(painter, client, m_nXCells, m_nYCells);

    const bool bFitted = material.m_nCoef > 0;
    const int nSelected = material.m_nSelectedCurve;
    for (int n = 1; n <= material.m_nCurves; ++n) {
        if (nSelected != 0 && nSelected != n)
            continue;
        const CCurve& curve = material.Curve(n - 1);
        painter.setPen(Qt::black);
        if (nSelected == n) {
            char szLine[128];
            std::snprintf(szLine, sizeof szLine, "Temperatura=%3.3lf", curve.m_dTemp);
            TextAt(painter, client.left() + kSelectedTextX, client.top() + kSelectedTextY1, szLine);
            std::snprintf(szLine, sizeof szLine, "Strain Ratio=%3.3lf", curve.m_dRate);
            TextAt(painter, client.left() + kSelectedTextX, client.top() + kSelectedTextY2, szLine);
        }
        painter.setPen(QPen(CurveColour(n), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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
        TextAt(painter, x, r.m_nBottom + 1, Number(StrainTick(m_axes, k, nx)));
        painter.setPen(dashed);
        painter.drawLine(x, r.m_nBottom, x, r.m_nTop);
    }
    for (int k = 1; k < ny; ++k) {
        const int y = StressTickY(r, k, ny);
        const QString strLabel = Number(StressTick(m_axes, k, ny));
        painter.setPen(Qt::black);
        TextAt(painter, r.m_nLeft - 4 - fm.horizontalAdvance(strLabel), y - fm.height() / 2, strLabel);
        painter.setPen(dashed);
        painter.drawLine(r.m_nLeft, y, r.m_nRight, y);
    }
    painter.setPen(previous);
}

void CCurvePlot::DrawFileList(QPainter& painter, const QRect& client, const CMaterial* pMaterial, int nHighlight,
                              const QColor& background, const QColor& highlight) {
    painter.fillRect(client, background);
    const QFontMetrics fm = painter.fontMetrics();
    const QPen previous = painter.pen();
    painter.setPen(Qt::black);
    TextAt(painter, client.left() + 5, client.top() + 5, QStringLiteral("List of the added files"));
    const int nCurves = pMaterial ? pMaterial->m_nCurves : 0;
    for (int i = 1; i <= nCurves; ++i) {
        const int y = FileListRowTop(i, fm.height(), client.top());
        const QString strLabel = QString::fromStdString(pMaterial->Curve(i - 1).m_strLabel);
        if (i == nHighlight) {
            painter.fillRect(QRect(client.left() + 3, y - 1, fm.horizontalAdvance(strLabel) + 4, fm.height() + 2),
                             highlight);
            painter.setPen(Qt::white);
        }
        TextAt(painter, client.left() + 5, y, strLabel);
        painter.setPen(Qt::black);
    }
    painter.setPen(previous);
}

QFont PlotFileFont() {
    QFont font = QApplication::font();
    font.setPixelSize(14);
    return font;
}

namespace {

// The plot of a file: white, the file font, a grid of nx by ny cells over size.
void PaintPlotFile(QPainter& painter, const CMaterial& material, QSize size, int nx, int ny) {
    const QRect area(QPoint(0, 0), size);
    painter.fillRect(area, Qt::white);
    painter.setFont(PlotFileFont());
    painter.setPen(Qt::black);
    CCurvePlot plot;
    plot.m_nXCells = nx;
    plot.m_nYCells = ny;
    plot.DrawPlot(painter, area, material);
}

} // namespace

QImage RenderPlotImage(const CMaterial& material, QSize size, int nx, int ny) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintPlotFile(painter, material, size, nx, ny);
    return image;
}

void WritePlotFile(const CMaterial& material, const std::string& strPath, QSize size, int nx, int ny) {
    const QString strFile = QString::fromStdString(strPath);
    const QString strLower = strFile.toLower();
    const bool bSvg = strLower.endsWith(".svg");
    if (!bSvg && !strLower.endsWith(".png"))
        throw CFileError(strPath, "a plot is written as PNG or SVG: give the file the ending .png or .svg");

    QSaveFile file(strFile);
    if (!file.open(QIODevice::WriteOnly))
        throw CFileError(strPath, "cannot be created: " + file.errorString().toStdString());
    bool bOk = true;
    if (bSvg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("Flow curves"));
        QPainter painter;
        bOk = painter.begin(&svg);
        if (bOk) {
            PaintPlotFile(painter, material, size, nx, ny);
            bOk = painter.end();
        }
    } else {
        bOk = RenderPlotImage(material, size, nx, ny).save(&file, "PNG");
    }
    if (!bOk || !file.commit())
        throw CFileError(strPath, "cannot be written: " + file.errorString().toStdString());
}
