// The curve plot drawn into images: slot colours, the selected curve, grid and tick
// values, placement of points, the file list, plot files, formula pictures and icons.

#include "Artwork.h"
#include "CurvePlot.h"
#include "FormulaPicture.h"
#include "UiTestSupport.h"

#include "vornel/Material.h"
#include "vornel/ModelCatalogue.h"
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
    void fileListRows();
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

void CPlotTest::fileListRows() {
    CMaterial material;
    SetCurve(material, 0, Flat(100));
    SetCurve(material, 1, Flat(120));
    material.Curve(0).m_strLabel = "/data/a.asc";
    material.Curve(1).m_strLabel = "/data/b.asc";
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(PlotFileFont());
    CCurvePlot::DrawFileList(painter, image.rect(), &material, 2);
    const int h = painter.fontMetrics().height();
    painter.end();
    // The background is filled, the title and both rows carry text, row 2 is highlighted.
    QCOMPARE(image.pixel(390, 190) & 0xffffff, 0xffffffu);
    QVERIFY(CountNonWhite(image, QRect(5, 5, 150, h)) > 0);
    for (int i = 1; i <= 2; ++i) {
        const int nTop = FileListRowTop(i, h, 0);
        QCOMPARE(nTop, i * (h + 3) + 15);
        QCOMPARE(FileListRowAt(nTop + h / 2, 2, h, 0), i);
        QVERIFY(CountNonWhite(image, QRect(5, nTop, 80, h)) > 0);
    }
    QVERIFY(CountColour(image, QRect(3, FileListRowTop(2, h, 0), 5, h), qRgb(51, 153, 255)) > 0);
    QCOMPARE(CountColour(image, QRect(3, FileListRowTop(1, h, 0), 5, h), qRgb(51, 153, 255)), 0);
    QCOMPARE(FileListRowAt(2, 2, h, 0), 0);
    QCOMPARE(FileListRowAt(FileListRowTop(3, h, 0) + 2, 2, h, 0), 0);
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
        QCOMPARE(aIndices.size(), model.m_nCoef);
        for (int k = 1; k <= model.m_nCoef; ++k)
            QVERIFY2(aIndices.contains(k), qPrintable(strMarkup));
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
    QVERIFY(FormulaMarkup(19).isEmpty());
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
