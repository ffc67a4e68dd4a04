// OpenGL rendering under a virtual X server: the snapshot of a surface file written by the
// workbench's batch mode, a surface without varying stress, and the window's own view.

#include "MainFrame.h"
#include "OrbiqView.h"
#include "QtTestMain.h"
#include "ViewerTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
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
    QImage image("surface.png");
    QCOMPARE(image.size(), QSize(1024, 768));
    // White background in the corners, the surface coloured from blue to red, the walls.
    for (QPoint corner : {QPoint(0, 0), QPoint(1023, 0), QPoint(0, 767), QPoint(1023, 767)})
        QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::white));
    const CPixelCensus census = Census(image);
    const QString strCensus = Describe(census);
    QVERIFY2(census.nWhite > 1024 * 768 / 2, qPrintable(strCensus));
    QVERIFY2(census.nBlue > 500, qPrintable(strCensus));
    QVERIFY2(census.nRed > 500, qPrintable(strCensus));
    QVERIFY2(census.nGreen > 500, qPrintable(strCensus));
    QVERIFY2(census.nWall > 2000, qPrintable(strCensus));
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

    const CPixelCensus solid = Census(pView->Snapshot());
    QVERIFY2(solid.nRed > 1000 && solid.nWall > 1000 && solid.nWhite > 0, qPrintable(Describe(solid)));
    frame.FunctionBox()->setCurrentIndex(kValueVz);
    const CPixelCensus coloured = Census(pView->Snapshot());
    QVERIFY2(coloured.nBlue > 100 && coloured.nGreen > 100, qPrintable(Describe(coloured)));

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

VIEWER_QTEST_MAIN(ViewerGlTest)
#include "ViewerGlTest.moc"
