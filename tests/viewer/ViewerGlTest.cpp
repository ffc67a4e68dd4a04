// OpenGL rendering under a virtual X server: the snapshot of a surface file written by the
// workbench's batch mode with its axes, a surface without varying stress, the window's own
// view and the window's size where nothing maximises it.

#include "AxisPainter.h"
#include "LegendWnd.h"
#include "MainFrame.h"
#include "OrbiqView.h"
#include "SceneRenderer.h"
#include "QtTestMain.h"
#include "ViewerTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Pixels of an image by kind of colour.
struct CPixelCensus {
    int nWhite = 0;
    int nBlue = 0;       // the low end of the four-band scale
    int nRed = 0;        // its high end, and the uncoloured surface
    int nGreen = 0;      // the middle of the scale
    int nWall = 0;       // the walls' pale cyan, lit
    int nOther = 0;
};

CPixelCensus Census(const QImage& image) {
    CPixelCensus census;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            const int r = c.red(), g = c.green(), b = c.blue();
            if (r == 255 && g == 255 && b == 255)
                ++census.nWhite;
            else if (b > 150 && r < 60 && g < 150)
                ++census.nBlue;
            else if (r > 150 && g < 60 && b < 60)
                ++census.nRed;
            else if (g > 150 && r < 100 && b < 100)
                ++census.nGreen;
            else if (g > 150 && b > 150 && r < 150 && std::abs(g - b) < 20)
                ++census.nWall;
            else
                ++census.nOther;
        }
    return census;
}

// Pixels that are nearly black: the axes' lines and texts and the markers of measured points;
// nothing else of the scene is that dark.
int DarkPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            n += c.red() < 60 && c.green() < 60 && c.blue() < 60;
        }
    return n;
}

QString Describe(const CPixelCensus& c) {
    return QString("white %1, blue %2, red %3, green %4, wall %5, other %6")
        .arg(c.nWhite).arg(c.nBlue).arg(c.nRed).arg(c.nGreen).arg(c.nWall).arg(c.nOther);
}

struct CRun {
    int nExit = -1;
    QString strStderr;
};

CRun Run(const QString& strProgram, const QStringList& aArgs) {
    QProcess process;
    process.start(strProgram, aArgs);
    CRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.nExit = process.exitCode();
    run.strStderr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

class ViewerGlTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void snapshotOfAWorkbenchSurfaceIsColouredByStress();
    void snapshotOfAFlatStressIsRed();
    void theWindowsViewDrawsTheScene();
    void theWindowTakesMostOfTheScreenWhereNothingMaximisesIt();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
};

void ViewerGlTest::init() {
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
}

void ViewerGlTest::cleanup() {
    QDir::setCurrent(QDir::tempPath());
    m_pDir.reset();
}

void ViewerGlTest::snapshotOfAWorkbenchSurfaceIsColouredByStress() {
    // The workbench fits the Hensel-Spittel law to the bundled example and writes visual.tmp.
    const CRun fit = Run(VORNEL_PROGRAM, {"--fit", "9", "--curves", VORNEL_EXAMPLES_DIR "/hensel-spittel-steel/curves.txt"});
    QVERIFY2(fit.nExit == 0, qPrintable(fit.strStderr));
    QVERIFY(QFile::exists("visual.tmp"));

    const CRun shot = Run(ORBIQ_PROGRAM, {"--snapshot", "surface.png"});
    QVERIFY2(shot.nExit == 0, qPrintable(shot.strStderr));
    // On a disk that fills while the picture is written (a 1 KiB file size limit, its signal
    // ignored, so that writes fail as on a full disk), the
    // failure is reported and the previous picture stays as it was.
    QFile picture("surface.png");
    QVERIFY(picture.open(QIODevice::ReadOnly));
    const QByteArray aPrevious = picture.readAll();
    picture.close();
    const CRun full = Run("/bin/sh", {"-c", QStringLiteral("trap '' XFSZ; ulimit -f 2; exec '%1' --snapshot surface.png").arg(ORBIQ_PROGRAM)});
    QCOMPARE(full.nExit, 1);
    QVERIFY2(full.strStderr.contains("surface.png"), qPrintable(full.strStderr));
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QCOMPARE(picture.readAll(), aPrevious);
    picture.close();
    QImage image("surface.png");
    QCOMPARE(image.size(), QSize(1024, 768));
    // White background in the corners, the surface coloured from blue to red, the walls.
    for (QPoint corner : {QPoint(0, 0), QPoint(1023, 0), QPoint(0, 767), QPoint(1023, 767)})
        QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::white));
    const CPixelCensus census = Census(image);
    const QString strCensus = Describe(census);
    QVERIFY2(census.nWhite > 1024 * 768 / 4, qPrintable(strCensus));
    // Fitted to the picture: what is drawn reaches the border on two opposite sides and
    // stands centred between the other two.
    QRect drawn;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) != QColor(Qt::white))
                drawn = drawn.united(QRect(x, y, 1, 1));
    const QRect inner = image.rect().marginsRemoved(QMargins(kPictureBorder, kPictureBorder, kPictureBorder, kPictureBorder));
    QVERIFY2(inner.adjusted(-1, -1, 1, 1).contains(drawn), qPrintable(QString("%1 %2 %3 %4").arg(drawn.left()).arg(drawn.top()).arg(drawn.right()).arg(drawn.bottom())));
    QVERIFY2(drawn.width() >= inner.width() - 8 || drawn.height() >= inner.height() - 8,
             qPrintable(QString("%1 x %2").arg(drawn.width()).arg(drawn.height())));
    QVERIFY2(census.nBlue > 500, qPrintable(strCensus));
    QVERIFY2(census.nRed > 500, qPrintable(strCensus));
    QVERIFY2(census.nGreen > 500, qPrintable(strCensus));
    QVERIFY2(census.nWall > 2000, qPrintable(strCensus));

    // The axes: the same scene drawn here with and without them tells where their texts
    // lie; each lies inside the picture, and the program's picture shows text there.
    COrbiqScene scene;
    QVERIFY(scene.ReadSurfaceFile("visual.tmp").bOk);
    scene.ColourByValue(kValueVz);
    FitSceneToPicture(scene, image.size());
    QImage plain, withAxes;
    QString strError;
    std::vector<CDrawnText> aTexts;
    QVERIFY2(RenderSceneImage(scene, image.size(), &plain, &strError), qPrintable(strError));
    QVERIFY2(RenderSceneWithAxes(scene, image.size(), &withAxes, &strError, &aTexts), qPrintable(strError));
    QStringList aShown;
    for (const CDrawnText& text : aTexts) {
        aShown << text.strText;
        QVERIFY2(QRect(QPoint(0, 0), image.size()).contains(text.rect), qPrintable(text.strText));
        int nDrawn = 0;
        for (int y = text.rect.top(); y <= text.rect.bottom(); ++y)
            for (int x = text.rect.left(); x <= text.rect.right(); ++x)
                nDrawn += image.pixel(x, y) != plain.pixel(x, y) && QColor(image.pixel(x, y)).value() < 128;
        QVERIFY2(nDrawn >= 3, qPrintable(QString("%1: %2 dark pixels").arg(text.strText).arg(nDrawn)));
    }
    // The example was measured at 0.1 to 10 1/s: labels at the powers of ten.
    for (const char* szText : {"strain", "strain rate, 1/s", "stress, MPa", "0.1", "1", "10"})
        QVERIFY2(aShown.contains(szText), qPrintable(aShown.join(", ")));
    QVERIFY2(aShown.size() >= 3 + 3 * 3, qPrintable(aShown.join(", ")));
}

void ViewerGlTest::snapshotOfAFlatStressIsRed() {
    CSurfaceFileData data = viewer_test::WorkbenchLikeSurface();
    for (CSurfaceNode& node : data.m_aMeshes[0].m_aNodes)
        node.m_aValues[2] = 250;   // the stress in the node values does not vary
    data.m_aFlags = {1, 0, 0};
    WriteSurfaceData("flat.tmp", data);
    const CRun shot = Run(ORBIQ_PROGRAM, {"--snapshot", "flat.png", "flat.tmp"});
    QVERIFY2(shot.nExit == 0, qPrintable(shot.strStderr));
    const CPixelCensus census = Census(QImage("flat.png"));
    const QString strCensus = Describe(census);
    QVERIFY2(census.nRed > 2000, qPrintable(strCensus));
    QVERIFY2(census.nBlue == 0 && census.nGreen == 0 && census.nWall == 0, qPrintable(strCensus));
}

void ViewerGlTest::theWindowsViewDrawsTheScene() {
    WriteSurfaceData("visual.tmp", viewer_test::WorkbenchLikeSurface());
    CMainFrame frame;
    frame.resize(900, 700);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(frame.OpenSurfaceFile("visual.tmp", true));
    COrbiqView* pView = frame.View();
    QVERIFY(!pView->GlFailed());
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<QMessageBox*>(pWidget) && pWidget->isVisible()));

    // It starts coloured by the fitted stress with its legend, in the view's corner, and the
    // axes over the picture.
    QVERIFY(frame.Legend()->isVisible() && frame.LegendButton()->isChecked());
    QCOMPARE(frame.Legend()->windowTitle(), QString("View legend: function Vz"));
    QCOMPARE(frame.Legend()->pos(), pView->mapToGlobal(QPoint(CMainFrame::kLegendInset, CMainFrame::kLegendInset)));
    // It keeps to the corner as the window moves, until the user moves it.
    frame.move(frame.pos() + QPoint(40, 30));
    QTRY_COMPARE(frame.Legend()->pos(), pView->mapToGlobal(QPoint(CMainFrame::kLegendInset, CMainFrame::kLegendInset)));
    frame.Legend()->move(frame.Legend()->pos() + QPoint(300, 0));
    const QPoint moved = frame.Legend()->pos();
    const QPoint back = frame.pos() - QPoint(40, 30);
    frame.move(back);
    QTRY_COMPARE(frame.pos(), back);
    QApplication::processEvents();
    QCOMPARE(frame.Legend()->pos(), moved);
    const QImage start = pView->Snapshot();
    const CPixelCensus coloured = Census(start);
    QVERIFY2(coloured.nBlue > 100 && coloured.nGreen > 100, qPrintable(Describe(coloured)));
    QVERIFY2(DarkPixels(start) > 200, qPrintable(QString::number(DarkPixels(start))));
    frame.FunctionBox()->setCurrentIndex(0);
    const CPixelCensus solid = Census(pView->Snapshot());
    QVERIFY2(solid.nRed > 1000 && solid.nWall > 1000 && solid.nWhite > 0, qPrintable(Describe(solid)));

    // Wireframe: lines only, far fewer coloured pixels; the image follows the view's size.
    QTest::keyClick(pView, Qt::Key_1);
    const QImage wire = pView->Snapshot();
    const CPixelCensus lines = Census(wire);
    QVERIFY2(lines.nWhite > solid.nWhite, qPrintable(Describe(lines)));
    QCOMPARE(wire.size(), pView->size() * pView->devicePixelRatio());
    frame.resize(600, 500);
    QApplication::processEvents();
    QCOMPARE(pView->Snapshot().size(), pView->size() * pView->devicePixelRatio());
}

void ViewerGlTest::theWindowTakesMostOfTheScreenWhereNothingMaximisesIt() {
    // The virtual X server of this test runs no window manager.
    CMainFrame frame;
    frame.ShowAtStart();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QRect area = frame.screen()->availableGeometry();
    QVERIFY2(std::abs(frame.width() - 0.8 * area.width()) <= 2 && std::abs(frame.height() - 0.8 * area.height()) <= 2,
             qPrintable(QString("%1 x %2 on %3 x %4").arg(frame.width()).arg(frame.height()).arg(area.width()).arg(area.height())));
    QVERIFY(area.contains(frame.geometry()));
    QVERIFY(frame.View()->height() > area.height() / 2);
}

VIEWER_QTEST_MAIN(ViewerGlTest)
#include "ViewerGlTest.moc"
