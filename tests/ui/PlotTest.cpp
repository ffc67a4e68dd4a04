// The curve plot drawn into images: slot colours, the selected curve, grid and tick
// values, placement of points, the other views (legend, panels by temperature,
// deviations), plot files, formula pictures and icons.

#include "Artwork.h"
#include "CurvePlot.h"
#include "FormulaPicture.h"
#include "PlotViews.h"
#include "TestSupport.h"
#include "UiTestSupport.h"

#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "formats/FileError.h"

#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QSize kCanvas(1200, 800);

// Curve i of material: points (strain, stress) with the fitted stress equal to the
// measured one.
void SetCurve(CMaterial& material, int i, const std::vector<std::pair<double, double>>& aPoints, double dTemp = 0,
              double dRate = 0) {
    CCurve& curve = material.Curve(i);
    curve.m_pPoints.clear();
    for (const auto& [dStrain, dStress] : aPoints) {
        CCurvePoint p;
        p.m_dStrain = dStrain;
        p.m_dStress = dStress;
        p.m_dFitStress = dStress;
        p.m_dTemp = dTemp;
        p.m_dRate = dRate;
        curve.m_pPoints.push_back(p);
    }
    curve.m_dTemp = dTemp;
    curve.m_dRate = dRate;
    material.m_nCurves = std::max(material.m_nCurves, i + 1);
    material.m_nPoints = material.CountPoints();
}

// A flat curve at one stress from strain 0 to 1, in 11 points.
std::vector<std::pair<double, double>> Flat(double dStress) {
    std::vector<std::pair<double, double>> a;
    for (int k = 0; k <= 10; ++k)
        a.emplace_back(k / 10.0, dStress);
    return a;
}

// Draws material as the plot files do and keeps the plot's geometry.
struct SDrawn {
    QImage m_image;
    CPlotRect m_rect;
    CPlotAxes m_axes;
    int m_nFontHeight = 0;
};

SDrawn Draw(const CMaterial& material, int nx = 6, int ny = 6) {
    SDrawn drawn;
    drawn.m_image = QImage(kCanvas, QImage::Format_RGB32);
    drawn.m_image.fill(Qt::white);
    QPainter painter(&drawn.m_image);
    painter.setFont(PlotFileFont());
    painter.setPen(Qt::black);
    CCurvePlot plot;
    plot.m_nXCells = nx;
    plot.m_nYCells = ny;
    plot.DrawPlot(painter, QRect(QPoint(0, 0), kCanvas), material);
    drawn.m_rect = plot.Rect(painter, QRect(QPoint(0, 0), kCanvas));
    drawn.m_axes = plot.Axes();
    drawn.m_nFontHeight = painter.fontMetrics().height();
    return drawn;
}

// True when a pixel of colour within radius r of (x, y) is found.
bool HasColourNear(const QImage& image, int x, int y, QRgb colour, int r = 1) {
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const QPoint p(x + dx, y + dy);
            if (image.rect().contains(p) && (image.pixel(p) & 0xffffff) == (colour & 0xffffff))
                return true;
        }
    return false;
}

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                ++n;
    return n;
}

int CountNonWhite(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) != 0xffffff)
                ++n;
    return n;
}

// The slot colours of the plot, in order (as red, green, blue).
const QList<QRgb> kSlots = {qRgb(255, 0, 0),   qRgb(128, 128, 64), qRgb(0, 128, 0),
                            qRgb(128, 0, 0),   qRgb(0, 0, 255),    qRgb(255, 0, 255)};

} // namespace

class CPlotTest : public QObject {
    Q_OBJECT
private slots:
    void slotColoursInCurveOrder();
    void selectedCurveAloneWithItsConditions();
    void tickValuesFollowTheStressRange();
    void gridLinesFollowTheCells_data();
    void gridLinesFollowTheCells();
    void pointsLieRelativeToTheMinima();
    void fittedLineStartsAtTheFirstPointAndOnlyAfterAFit();
    void emptyMaterialDrawsFrameAndTitles();
    void singlePlotLegendNamesEachCurve();
    void temperatureViewOfNinetyOneCurves();
    void deviationViewAndItsZeroLine();
    void axesPanelsAndLegendRows();
    void plotFilesByEnding_data();
    void plotFilesByEnding();
    void plotFileErrorsNameTheFileAndKeepIt();
    void formulaPicturesShowEachModelsCoefficients();
    void iconsAndProgramPicture();
};

void CPlotTest::slotColoursInCurveOrder() {
    CMaterial material;
    material.m_nCoef = 1; // a fit exists: the fitted polylines are drawn
    for (int i = 0; i < 7; ++i)
        SetCurve(material, i, Flat(110 + 10 * i));
    const SDrawn drawn = Draw(material);
    for (int n = 1; n <= 7; ++n) {
        const QRgb expected = kSlots[(n - 1) % 6];
        QCOMPARE(CurveColour(n).rgb(), expected);
        // Midway between the 5th and 6th point of curve n, on its fitted line.
        const int x = (PlaceStrain(drawn.m_rect, drawn.m_axes, 0.4) + PlaceStrain(drawn.m_rect, drawn.m_axes, 0.5)) / 2;
        const int y = PlaceStress(drawn.m_rect, drawn.m_axes, 110 + 10 * (n - 1));
        QVERIFY2(HasColourNear(drawn.m_image, x, y, expected), qPrintable(QStringLiteral("curve %1").arg(n)));
    }
}

void CPlotTest::selectedCurveAloneWithItsConditions() {
    CMaterial material;
    material.m_nCoef = 1;
    for (int i = 0; i < 4; ++i)
        SetCurve(material, i, Flat(110 + 10 * i), 900 + 100 * i, 0.1 * (i + 1));
    const QRect texts(kSelectedTextX, kSelectedTextY1, 300, kSelectedTextY2 - kSelectedTextY1 + 30);

    // One grid cell, so no grid line crosses the texts' place.
    const SDrawn all = Draw(material, 1, 1);
    for (int n = 1; n <= 4; ++n)
        QVERIFY(CountColour(all.m_image, all.m_image.rect(), kSlots[n - 1]) > 0);

    material.m_nSelectedCurve = 3;
    const SDrawn one = Draw(material, 1, 1);
    QVERIFY(CountColour(one.m_image, one.m_image.rect(), kSlots[2]) > 0);
    for (int n : {1, 2, 4})
        QCOMPARE(CountColour(one.m_image, one.m_image.rect(), kSlots[n - 1]), 0);

    // The texts of curve 3 (t = 1100, H = 0.3), drawn independently at their places.
    QImage expected(kCanvas, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setFont(PlotFileFont());
        painter.setPen(Qt::black);
        const int nAscent = painter.fontMetrics().ascent();
        painter.drawText(QPoint(kSelectedTextX, kSelectedTextY1 + nAscent), QStringLiteral("Temperatura=1100.000"));
        painter.drawText(QPoint(kSelectedTextX, kSelectedTextY2 + nAscent), QStringLiteral("Strain Ratio=0.300"));
    }
    QCOMPARE(one.m_image.copy(texts), expected.copy(texts));
    // With all curves shown there is no such text.
    QCOMPARE(CountNonWhite(all.m_image, texts), 0);
}

void CPlotTest::tickValuesFollowTheStressRange() {
    CMaterial material;
    SetCurve(material, 0, {{0.0, 100.0}, {0.5, 150.0}, {1.0, 200.0}});
    const CPlotAxes axes = FindPlotAxes(material);
    QCOMPARE(axes.m_dTopStress, 240.0);
    QCOMPARE(QString::fromStdString(FormatPlotNumber(StressTick(axes, 1, 6))), QStringLiteral("123.333"));
    QCOMPARE(QString::fromStdString(FormatPlotNumber(StrainTick(axes, 1, 6))), QStringLiteral("0.167"));

    // The label stands left of the axis at its grid line.
    const SDrawn drawn = Draw(material);
    QCOMPARE(drawn.m_axes.m_dTopStress, 240.0);
    const int y = StressTickY(drawn.m_rect, 1, 6);
    QVERIFY(CountNonWhite(drawn.m_image, QRect(0, y - drawn.m_nFontHeight / 2, drawn.m_rect.m_nLeft - 2,
                                               drawn.m_nFontHeight)) > 0);
}

void CPlotTest::gridLinesFollowTheCells_data() {
    QTest::addColumn<int>("nx");
    QTest::addColumn<int>("ny");
    QTest::addColumn<int>("nVertical");   // dashed lines along strain
    QTest::addColumn<int>("nHorizontal"); // and along stress
    QTest::newRow("6 x 6") << 6 << 6 << 5 << 5;
    QTest::newRow("10 x 6") << 10 << 6 << 9 << 5;
    QTest::newRow("1 x 1: frame only") << 1 << 1 << 0 << 0;
    QTest::newRow("0 cells: no grid") << 0 << 6 << 0 << 0;
}

void CPlotTest::gridLinesFollowTheCells() {
    QFETCH(int, nx);
    QFETCH(int, ny);
    QFETCH(int, nVertical);
    QFETCH(int, nHorizontal);
    CMaterial material;
    SetCurve(material, 0, {{0.0, 100.0}, {1.0, 200.0}});
    const SDrawn drawn = Draw(material, nx, ny);
    const CPlotRect& r = drawn.m_rect;
    // Count columns and rows inside the frame holding several black pixels: the dashed
    // grid lines (the curve is red, the texts lie elsewhere).
    const QRect inside(r.m_nLeft + 3, r.m_nTop + 3, r.m_nRight - r.m_nLeft - 6, r.m_nBottom - r.m_nTop - 40);
    int nColumns = 0;
    for (int x = inside.left(); x <= inside.right(); ++x)
        nColumns += CountColour(drawn.m_image, QRect(x, inside.top(), 1, inside.height()), qRgb(0, 0, 0)) >
                    inside.height() / 4;
    int nRows = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        nRows += CountColour(drawn.m_image, QRect(inside.left(), y, inside.width(), 1), qRgb(0, 0, 0)) >
                 inside.width() / 4;
    QCOMPARE(nColumns, nVertical);
    QCOMPARE(nRows, nHorizontal);
    // The frame is always drawn.
    QVERIFY(CountColour(drawn.m_image, QRect(r.m_nLeft, r.m_nTop, 1, r.m_nBottom - r.m_nTop), qRgb(0, 0, 0)) >
            (r.m_nBottom - r.m_nTop) * 9 / 10);
}

void CPlotTest::pointsLieRelativeToTheMinima() {
    CMaterial material;
    SetCurve(material, 0, {{0.2, 100.0}, {0.5, 150.0}, {0.8, 200.0}});
    const SDrawn drawn = Draw(material);
    const CPlotRect& r = drawn.m_rect;
    // The smallest strain and stress sit on the corner, the middle strain on the middle
    // grid line of six cells, the largest strain on the right edge.
    QCOMPARE(PlaceStrain(r, drawn.m_axes, 0.2), r.m_nLeft);
    QCOMPARE(PlaceStress(r, drawn.m_axes, 100.0), r.m_nBottom);
    QCOMPARE(PlaceStrain(r, drawn.m_axes, 0.5), StrainTickX(r, 3, 6));
    QCOMPARE(PlaceStrain(r, drawn.m_axes, 0.8), r.m_nRight);
    QCOMPARE(PlaceStress(r, drawn.m_axes, 240.0), r.m_nTop);
    QVERIFY(HasColourNear(drawn.m_image, r.m_nLeft, r.m_nBottom - 2, kSlots[0], 2));
    // A zero span puts every value at the minimum instead of dividing by zero.
    CMaterial single;
    SetCurve(single, 0, {{0.3, 120.0}});
    const SDrawn one = Draw(single);
    QCOMPARE(PlaceStrain(one.m_rect, one.m_axes, 0.3), one.m_rect.m_nLeft);
    QCOMPARE(PlaceStress(one.m_rect, one.m_axes, 120.0), one.m_rect.m_nBottom);
}

void CPlotTest::fittedLineStartsAtTheFirstPointAndOnlyAfterAFit() {
    CMaterial material;
    // Curve 2 (olive) sets the minima; curve 1 (red) starts well inside the plot.
    SetCurve(material, 0, {{0.5, 180.0}, {0.6, 185.0}, {0.7, 190.0}});
    SetCurve(material, 1, {{0.0, 100.0}, {1.0, 200.0}});
    const auto redOnDiagonal = [&](const SDrawn& drawn) {
        const CPlotRect& r = drawn.m_rect;
        const QPoint first(PlaceStrain(r, drawn.m_axes, 0.5), PlaceStress(r, drawn.m_axes, 180.0));
        int nRed = 0;
        for (int k = 5; k < 95; ++k) {
            const int x = r.m_nLeft + (first.x() - r.m_nLeft) * k / 100;
            const int y = r.m_nBottom + (first.y() - r.m_nBottom) * k / 100;
            nRed += HasColourNear(drawn.m_image, x, y, kSlots[0], 1);
        }
        return nRed;
    };
    const auto redBetweenPoints = [&](const SDrawn& drawn) {
        const CPlotRect& r = drawn.m_rect;
        const int x = PlaceStrain(r, drawn.m_axes, 0.55);
        return HasColourNear(drawn.m_image, x, PlaceStress(r, drawn.m_axes, 182.5), kSlots[0], 2);
    };
    material.m_nCoef = 2;
    const SDrawn fitted = Draw(material);
    QCOMPARE(redOnDiagonal(fitted), 0);
    QVERIFY(redBetweenPoints(fitted));
    // Without a fit only the measured circles are drawn.
    material.m_nCoef = 0;
    const SDrawn raw = Draw(material);
    QVERIFY(!redBetweenPoints(raw));
    QVERIFY(CountColour(raw.m_image, raw.m_image.rect(), kSlots[0]) > 0);
}

void CPlotTest::emptyMaterialDrawsFrameAndTitles() {
    CMaterial material;
    const SDrawn drawn = Draw(material);
    QCOMPARE(drawn.m_axes.m_dMinStrain, 1.0e10);
    QCOMPARE(drawn.m_axes.m_dMaxStrain, -1.0e10);
    const CPlotRect& r = drawn.m_rect;
    QVERIFY(r.m_nLeft < r.m_nRight && r.m_nTop < r.m_nBottom);
    QVERIFY(CountColour(drawn.m_image, QRect(r.m_nLeft, r.m_nTop, r.m_nRight - r.m_nLeft, 1), qRgb(0, 0, 0)) >
            (r.m_nRight - r.m_nLeft) * 9 / 10);
    for (QRgb slot : kSlots)
        QCOMPARE(CountColour(drawn.m_image, drawn.m_image.rect(), slot), 0);
    // "Yield stress" above the frame.
    QVERIFY(CountNonWhite(drawn.m_image, QRect(r.m_nLeft, 0, 200, r.m_nTop - 1)) > 0);
}

namespace {

// Draws a view of material on the plot files' canvas and keeps what it drew.
struct SViewDrawn {
    QImage m_image;
    CViewLayout m_layout;
};

SViewDrawn DrawView(const CMaterial& material, EPlotView eView, bool bLegend = false) {
    SViewDrawn drawn;
    drawn.m_image = QImage(kCanvas, QImage::Format_RGB32);
    drawn.m_image.fill(Qt::white);
    QPainter painter(&drawn.m_image);
    painter.setFont(PlotFileFont());
    painter.setPen(Qt::black);
    CCurvePlot plot;
    drawn.m_layout = DrawPlotView(painter, QRect(QPoint(0, 0), kCanvas), material, plot, {eView, bLegend});
    return drawn;
}

// The panel of the layout that holds curve i (zero-based), or null.
const CPanelLayout* PanelOf(const CViewLayout& layout, int i) {
    for (const CPanelLayout& panel : layout.m_aPanels)
        if (std::find(panel.m_aCurves.begin(), panel.m_aCurves.end(), i) != panel.m_aCurves.end())
            return &panel;
    return nullptr;
}

// True when the fitted line of curve i, flat at dStress, shows its colour midway between
// its points at strains 0.4 and 0.5 in its panel.
bool LineHasColour(const SViewDrawn& drawn, int i, double dStress, const QColor& colour) {
    const CPanelLayout* pPanel = PanelOf(drawn.m_layout, i);
    if (!pPanel)
        return false;
    const int x = (PlaceStrain(pPanel->m_rect, pPanel->m_axes, 0.4) + PlaceStrain(pPanel->m_rect, pPanel->m_axes, 0.5)) / 2;
    return HasColourNear(drawn.m_image, x, PlaceStress(pPanel->m_rect, pPanel->m_axes, dStress), colour.rgb(), 1);
}

} // namespace

void CPlotTest::singlePlotLegendNamesEachCurve() {
    CMaterial material;
    material.m_nCoef = 1;
    for (int i = 0; i < 8; ++i)
        SetCurve(material, i, Flat(110 + 10 * i), 900 + 50 * i, 0.1 * (i + 1));
    const SViewDrawn plain = DrawView(material, EPlotView::Single);
    QVERIFY(plain.m_layout.m_aLegend.empty());
    const SViewDrawn legend = DrawView(material, EPlotView::Single, true);
    QCOMPARE(static_cast<int>(legend.m_layout.m_aLegend.size()), 8);
    for (int i = 0; i < 8; ++i) {
        const CLegendEntry& entry = legend.m_layout.m_aLegend[static_cast<std::size_t>(i)];
        QCOMPARE(entry.m_colour, CurveColour(i + 1));
        QCOMPARE(entry.m_strText, QStringLiteral("t=%1 H=%2").arg(900 + 50 * i).arg(0.1 * (i + 1)));
        QVERIFY(HasColourNear(legend.m_image, entry.m_swatch.left() + 2, entry.m_swatch.center().y(), entry.m_colour.rgb()));
        QVERIFY(LineHasColour(legend, i, 110 + 10 * i, entry.m_colour));
    }
    // The legend takes a band above the plot, in one row here.
    const CPlotRect& below = legend.m_layout.m_aPanels.front().m_rect;
    QVERIFY(below.m_nTop > plain.m_layout.m_aPanels.front().m_rect.m_nTop);
    QVERIFY(legend.m_layout.m_aLegend.back().m_swatch.bottom() < below.m_nTop);
    QCOMPARE(legend.m_layout.m_aLegend.back().m_swatch.top(), legend.m_layout.m_aLegend.front().m_swatch.top());
}

// A campaign of 13 temperatures x 7 strain rates: 13 panels, a legend of 7 rates, and every
// curve's line in the colour its rate has in the legend. Each curve is flat at a stress of
// its own, so no two lines share a pixel.
void CPlotTest::temperatureViewOfNinetyOneCurves() {
    CMaterial material;
    material.m_nCoef = 1;
    const auto stress = [](int t, int h) { return 100.0 + 25.0 * h - 3.0 * t; };
    for (int t = 0; t < 13; ++t)
        for (int h = 0; h < 7; ++h)
            SetCurve(material, 7 * t + h, Flat(stress(t, h)), 300 + 25 * t, 0.001 * std::pow(10.0, 0.5 * h));
    const SViewDrawn drawn = DrawView(material, EPlotView::Temperatures);
    drawn.m_image.save(vornel_ui_test::ScreenshotPath(QStringLiteral("view-temperatures-91-curves.png")));
    QCOMPARE(static_cast<int>(drawn.m_layout.m_aPanels.size()), 13);
    QCOMPARE(static_cast<int>(drawn.m_layout.m_aLegend.size()), 7);
    QSet<QRgb> aColours;
    for (int h = 0; h < 7; ++h) {
        const CLegendEntry& entry = drawn.m_layout.m_aLegend[static_cast<std::size_t>(h)];
        QCOMPARE(entry.m_strText, QStringLiteral("H=%1").arg(0.001 * std::pow(10.0, 0.5 * h)));
        aColours.insert(entry.m_colour.rgb());
        for (int t = 0; t < 13; ++t) {
            const int i = 7 * t + h;
            QCOMPARE(drawn.m_layout.m_aCurveColours[static_cast<std::size_t>(i)], entry.m_colour);
            QVERIFY2(LineHasColour(drawn, i, stress(t, h), entry.m_colour), qPrintable(QStringLiteral("curve %1").arg(i)));
        }
    }
    QCOMPARE(aColours.size(), 7);
    // Panels by ascending temperature, side by side without overlap, each its own stress axis.
    for (std::size_t k = 0; k < 13; ++k) {
        const CPanelLayout& panel = drawn.m_layout.m_aPanels[k];
        QCOMPARE(panel.m_dTemp, 300.0 + 25.0 * static_cast<double>(k));
        QCOMPARE(static_cast<int>(panel.m_aCurves.size()), 7);
        QVERIFY(panel.m_axes.m_dMinStress <= stress(static_cast<int>(k), 0));
        QVERIFY(panel.m_axes.m_dTopStress >= stress(static_cast<int>(k), 6));
        QVERIFY(panel.m_rect.m_nRight - panel.m_rect.m_nLeft > 150);
        for (std::size_t m = 0; m < k; ++m) {
            const CPlotRect& o = drawn.m_layout.m_aPanels[m].m_rect;
            QVERIFY(panel.m_rect.m_nLeft > o.m_nRight || panel.m_rect.m_nRight < o.m_nLeft ||
                    panel.m_rect.m_nTop > o.m_nBottom || panel.m_rect.m_nBottom < o.m_nTop);
        }
    }
    // A selected curve is drawn alone, in its panel.
    material.m_nSelectedCurve = 12;
    const SViewDrawn one = DrawView(material, EPlotView::Temperatures);
    QCOMPARE(static_cast<int>(one.m_layout.m_aPanels.size()), 1);
    QCOMPARE(one.m_layout.m_aPanels.front().m_aCurves, std::vector<int>{11});
}

// Fitted minus measured stress: a constant law (model 1 with A2 = 0) of 150 against flat
// curves 10 and 5 below and 20 above it gives lines at +10, +5 and -20 around the zero line, in the
// colours of their temperatures, blue the coldest, red the hottest.
void CPlotTest::deviationViewAndItsZeroLine() {
    CMaterial material;
    SetCurve(material, 0, Flat(140), 900, 1);
    SetCurve(material, 1, Flat(170), 1200, 1);
    SetCurve(material, 2, Flat(145), 1050, 1);
    const SViewDrawn none = DrawView(material, EPlotView::Deviations);
    QVERIFY(none.m_layout.m_aLegend.empty());
    QVERIFY(!none.m_layout.m_aCurveColours[0].isValid());
    const CPlotRect& frame = none.m_layout.m_aPanels.front().m_rect;
    QVERIFY(CountNonWhite(none.m_image, QRect((frame.m_nLeft + frame.m_nRight) / 2 - 50, (frame.m_nTop + frame.m_nBottom) / 2,
                                              100, 20)) > 0); // the sentence that there is no fit yet
    material.m_nFunction = 1;
    material.m_nCoef = 2;
    material.m_dCoef[0] = 150;
    const SViewDrawn drawn = DrawView(material, EPlotView::Deviations);
    const CPanelLayout& panel = drawn.m_layout.m_aPanels.front();
    QCOMPARE(static_cast<int>(drawn.m_layout.m_aLegend.size()), 3);
    QCOMPARE(drawn.m_layout.m_aLegend.front().m_colour, TemperatureColour(0, 3));
    QCOMPARE(TemperatureColour(0, 3), QColor::fromHsv(240, 230, 210));
    QCOMPARE(TemperatureColour(2, 3), QColor::fromHsv(0, 230, 210));
    QCOMPARE(drawn.m_layout.m_aCurveColours[1], TemperatureColour(2, 3));
    QVERIFY(LineHasColour(drawn, 0, 10, TemperatureColour(0, 3)));
    QVERIFY(LineHasColour(drawn, 1, -20, TemperatureColour(2, 3)));
    QVERIFY(LineHasColour(drawn, 2, 5, TemperatureColour(1, 3)));
    QVERIFY(panel.m_axes.m_dMinStress <= -20 && panel.m_axes.m_dTopStress >= 20);
    QCOMPARE(panel.m_axes.m_dMinStress, -panel.m_axes.m_dTopStress);
    const int yZero = PlaceStress(panel.m_rect, panel.m_axes, 0);
    QVERIFY(CountColour(drawn.m_image, QRect(panel.m_rect.m_nLeft + 1, yZero, panel.m_rect.m_nRight - panel.m_rect.m_nLeft - 2, 1),
                        qRgb(0, 0, 0)) > (panel.m_rect.m_nRight - panel.m_rect.m_nLeft) * 9 / 10);
}

void CPlotTest::axesPanelsAndLegendRows() {
    const struct {
        double m_dLo, m_dHi;
        int m_nCells;
        double m_dMin, m_dMax, m_dStep;
    } aAxes[] = {
        {0.0005, 0.676, 4, 0.0, 0.8, 0.2},   // strains of a Gleeble record
        {7.48, 165.2, 4, 0.0, 200.0, 50.0},
        {-47.9, 47.9, 4, -50.0, 50.0, 25.0}, // deviations, symmetric
        {26.0, 270.0, 4, 0.0, 300.0, 100.0},
        {5.0, 5.0, 4, 4.5, 5.5, 0.25},       // one value
    };
    for (const auto& a : aAxes) {
        const CNiceAxis axis = NiceAxis(a.m_dLo, a.m_dHi, a.m_nCells);
        QVERIFY2(qFuzzyCompare(axis.m_dMin + 1, a.m_dMin + 1) && qFuzzyCompare(axis.m_dMax, a.m_dMax) &&
                     qFuzzyCompare(axis.m_dStep, a.m_dStep),
                 qPrintable(QStringLiteral("%1..%2: %3..%4 by %5").arg(a.m_dLo).arg(a.m_dHi).arg(axis.m_dMin).arg(axis.m_dMax).arg(axis.m_dStep)));
        QCOMPARE(axis.m_nCells, static_cast<int>(std::lround((a.m_dMax - a.m_dMin) / a.m_dStep)));
    }
    const struct {
        int m_nPanels, m_nWidth, m_nHeight, m_nColumns, m_nRows;
    } aGrids[] = {{13, 1200, 760, 4, 4}, {5, 1200, 760, 3, 2}, {1, 1200, 760, 1, 1}, {3, 400, 900, 1, 3}};
    for (const auto& g : aGrids) {
        const CPanelGrid grid = PanelGrid(g.m_nPanels, g.m_nWidth, g.m_nHeight);
        QCOMPARE(grid.m_nColumns, g.m_nColumns);
        QCOMPARE(grid.m_nRows, g.m_nRows);
    }
    const CPlotRect last = PanelCell(PanelGrid(13, 1200, 760), 12, 0, 40, 1200, 760);
    QCOMPARE(last.m_nLeft, 0);
    QCOMPARE(last.m_nBottom, 800);
    // 91 entries of 150 pixels across 1190 pixels: 7 columns, 13 rows; at most 12 rows
    // show 83 entries and the "+8 more".
    const CLegendGrid all = LegendGrid(91, 150, 1190, 20);
    QCOMPARE(all.m_nColumns, 7);
    QCOMPARE(all.m_nRows, 13);
    QCOMPARE(all.m_nShown, 91);
    const CLegendGrid capped = LegendGrid(91, 150, 1190, 12);
    QCOMPARE(capped.m_nRows, 12);
    QCOMPARE(capped.m_nShown, 83);
    QCOMPARE(LegendGrid(3, 500, 100, 5).m_nColumns, 1);
}

void CPlotTest::plotFilesByEnding_data() {
    QTest::addColumn<QString>("strName");
    QTest::addColumn<bool>("bSvg");
    QTest::newRow("png") << "plot.png" << false;
    QTest::newRow("PNG in capitals") << "PLOT.PNG" << false;
    QTest::newRow("svg") << "plot.svg" << true;
}

void CPlotTest::plotFilesByEnding() {
    QFETCH(QString, strName);
    QFETCH(bool, bSvg);
    vornel_ui_test::CScratchFolder scratch;
    CMaterial material;
    material.m_nCoef = 1;
    SetCurve(material, 0, Flat(100));
    SetCurve(material, 1, Flat(150));
    WritePlotFile(material, scratch.File(strName).toStdString());
    QFile file(scratch.File(strName));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray aBytes = file.readAll();
    if (bSvg) {
        QVERIFY(aBytes.contains("<svg"));
        QVERIFY(aBytes.contains("#ff0000"));
        QVERIFY(aBytes.contains("#808040"));
        QVERIFY(aBytes.contains("Deformation"));
    } else {
        QImage image;
        QVERIFY(image.loadFromData(aBytes, "PNG"));
        QCOMPARE(image.size(), QSize(kPlotImageWidth, kPlotImageHeight));
        QCOMPARE(image.convertToFormat(QImage::Format_RGB32), RenderPlotImage(material));
    }
}

void CPlotTest::plotFileErrorsNameTheFileAndKeepIt() {
    vornel_ui_test::CScratchFolder scratch;
    CMaterial material;
    SetCurve(material, 0, Flat(100));
    const std::string strJpeg = scratch.File("plot.jpg").toStdString();
    try {
        WritePlotFile(material, strJpeg);
        QFAIL("a .jpg plot was written");
    } catch (const CFileError& e) {
        QCOMPARE(e.Path(), strJpeg);
        QVERIFY(QString::fromStdString(e.Reason()).contains(".png"));
    }
    QVERIFY(!QFile::exists(scratch.File("plot.jpg")));
    // A folder that does not exist.
    const std::string strMissing = scratch.File("no-such-folder/plot.png").toStdString();
    QVERIFY_THROWS_EXCEPTION(CFileError, WritePlotFile(material, strMissing));
    // A disk that fills while the picture is written leaves the previous picture as it was.
    for (const char* szName : {"plot.svg", "plot.png"}) {
        const QString strFile = scratch.File(szName);
        QVERIFY(vornel_ui_test::WriteBytes(strFile, "previous"));
        {
            const vornel_test::CFileSizeLimit limit(512);
            QVERIFY_THROWS_EXCEPTION(CFileError, WritePlotFile(material, strFile.toStdString()));
        }
        QFile file(strFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("previous"));
    }
}

void CPlotTest::formulaPicturesShowEachModelsCoefficients() {
    QSet<QByteArray> aSeen;
    const QImage blank = [] {
        QImage image(640, 56, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }();
    for (const CModelInfo& model : ModelCatalogue()) {
        const QString strMarkup = FormulaMarkup(model.m_nNumber);
        // alpha_1 .. alpha_K, each once at least, none beyond K.
        QSet<int> aIndices;
        const QRegularExpression alpha(QStringLiteral(R"(\\a_\{?(\d+)\}?)"));
        for (auto it = alpha.globalMatch(strMarkup); it.hasNext();)
            aIndices.insert(it.next().captured(1).toInt());
        if (model.m_nNumber == 19 || model.m_nNumber == 21) {
            // Their coefficients are the four polynomials and the spline the picture names.
            QVERIFY(aIndices.isEmpty());
            const std::vector<const char*> aParts =
                model.m_nNumber == 19 ? std::vector<const char*>{"asinh", "\\a", "Q", "ln A", "\\d"}
                                      : std::vector<const char*>{"k_{19}", "exp(s(", "\\e", "ln \\d", "1000/T"};
            for (const char* szPart : aParts)
                QVERIFY2(strMarkup.contains(QString::fromLatin1(szPart)), szPart);
        } else {
            QCOMPARE(aIndices.size(), model.m_nCoef);
            for (int k = 1; k <= model.m_nCoef; ++k)
                QVERIFY2(aIndices.contains(k), qPrintable(strMarkup));
        }
        QVERIFY(strMarkup.startsWith(QStringLiteral("k_s = ")));

        QImage image = blank;
        {
            QPainter painter(&image);
            painter.setPen(Qt::black);
            DrawFormula(painter, QRectF(image.rect()), model.m_nNumber);
        }
        QVERIFY(CountNonWhite(image, image.rect()) > 200);
        // The law fits the picture: the two rightmost columns stay white.
        QCOMPARE(CountNonWhite(image, QRect(image.width() - 2, 0, 2, image.height())), 0);
        const QByteArray aKey(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
        QVERIFY2(!aSeen.contains(aKey), qPrintable(QStringLiteral("model %1").arg(model.m_nNumber)));
        aSeen.insert(aKey);
    }
    // No model, no picture.
    QImage image = blank;
    {
        QPainter painter(&image);
        DrawFormula(painter, QRectF(image.rect()), 0);
    }
    QCOMPARE(image, blank);
    QVERIFY(FormulaMarkup(99).isEmpty());
}

void CPlotTest::iconsAndProgramPicture() {
    QSet<QByteArray> aSeen;
    for (int i = 0; i <= static_cast<int>(EToolIcon::About); ++i) {
        const QImage image = ToolIcon(static_cast<EToolIcon>(i)).pixmap(24, 24).toImage();
        QVERIFY(!image.isNull());
        const QByteArray aKey(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
        QVERIFY(!aSeen.contains(aKey));
        aSeen.insert(aKey);
    }
    const QImage picture = ProgramPicture(100, 84).toImage();
    int nOpaque = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            nOpaque += qAlpha(picture.pixel(x, y)) > 0;
    QVERIFY(nOpaque > picture.width() * picture.height() / 3);
}

QTEST_MAIN(CPlotTest)
#include "PlotTest.moc"
