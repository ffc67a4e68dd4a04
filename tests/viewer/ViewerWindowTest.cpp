// The viewer's window on the offscreen platform: bars and menus as the user finds them,
// reading files (and refusing broken ones without losing the scene), colouring through the
// function box, the legend, the read-out in the status bar, keys, and the command line.

#include "AxisPainter.h"
#include "LegendWnd.h"
#include "MainFrame.h"
#include "OrbiqView.h"
#include "QtTestMain.h"
#include "SceneRenderer.h"
#include "ViewerTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QStandardItemModel>
#include <QTest>
#include <QToolBar>

#include <memory>

namespace {

QList<QMessageBox*> OpenMessageBoxes() {
    QList<QMessageBox*> aBoxes;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (auto* pBox = qobject_cast<QMessageBox*>(pWidget); pBox && pBox->isVisible())
            aBoxes << pBox;
    return aBoxes;
}

void CloseMessageBoxes() {
    for (QMessageBox* pBox : OpenMessageBoxes())
        pBox->close();
    QApplication::processEvents();
}

// A surface whose temperatures vary, so that "T" can be coloured too.
CSurfaceFileData SurfaceWithTemperatures() {
    CSurfaceFileData data = viewer_test::WorkbenchLikeSurface();
    for (std::size_t n = 0; n < data.m_aMeshes[0].m_aNodes.size(); ++n)
        data.m_aMeshes[0].m_aNodes[n].m_aValues[4] = 900.0 + static_cast<double>(n);
    return data;
}

// The pixel of the view nearest to the centre of a surface face that faces the camera.
QPoint SurfacePixel(const COrbiqView& view) {
    const COrbiqScene& scene = view.Scene();
    const CMeshBuilder& mesh = *scene.Mesh(1);
    const CMatrix4 toScene = scene.MeshFrame(1).WorldTransform();
    for (int f = 160; f < mesh.GetFaceCount(); ++f) {
        CVec3 centre{};
        for (std::int32_t nVertex : mesh.Face(f).aVertices)
            centre = centre + toScene.TransformPoint(mesh.Vertices()[static_cast<std::size_t>(nVertex)]) * (1.0f / 3);
        const auto pixel = scene.Viewport().Project(centre);
        const QPoint point(qRound((*pixel)[0]), qRound((*pixel)[1]));
        const auto hit = scene.Viewport().Pick(scene.SceneFrame(), static_cast<float>(point.x()), static_cast<float>(point.y()));
        if (hit && hit->pFrame == &scene.MeshFrame(1))
            return point;
    }
    return {};
}

void SendMouseMove(QWidget* pWidget, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(pWidget->mapToGlobal(pos)), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

} // namespace

class ViewerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void barsAndMenusAreThere();
    void startsEmptyWhenThereIsNoSurfaceFile();
    void readsAFileAndKeepsTheSceneWhenTheNextIsBroken();
    void coloursThroughTheFunctionBox();
    void legendFollowsTheButtonAndTheFunction();
    void readsOutTheFaceUnderTheMouseAndTurnsOnADrag();
    void keysReachTheScene();
    void fitsTheModelAndItsAxesBesideTheLegend();
    void newAndSaveACopy();
    void staysOpenWithoutOpenGL();
    void commandLineIsCheckedBeforeAnyWindow_data();
    void commandLineIsCheckedBeforeAnyWindow();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CMainFrame> m_pFrame;
};

void ViewerWindowTest::init() {
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
    WriteSurfaceData("visual.tmp", SurfaceWithTemperatures());
    m_pFrame = std::make_unique<CMainFrame>();
    m_pFrame->resize(1000, 760);
    m_pFrame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pFrame.get()));
    CloseMessageBoxes();   // a platform without OpenGL says so once
}

void ViewerWindowTest::cleanup() {
    CloseMessageBoxes();
    m_pFrame.reset();
    QDir::setCurrent(QDir::tempPath());
    m_pDir.reset();
}

void ViewerWindowTest::barsAndMenusAreThere() {
    QCOMPARE(CMainFrame::FunctionNames().size(), 16);
    QStringList aEntries;
    for (int i = 0; i < m_pFrame->FunctionBox()->count(); ++i)
        aEntries << m_pFrame->FunctionBox()->itemText(i);
    QCOMPARE(aEntries, QStringList({"None", " Vx", " Vy", " Vz", " Ti", " T", " Def", "EpsX", "EpsY", "EpsZ", "RoDisl", "S0",
                                    "Sx", "Sy", "Sz", "M"}));
    QCOMPARE(m_pFrame->FunctionBox()->currentIndex(), 0);
    QVERIFY(m_pFrame->LegendButton()->isCheckable());
    QVERIFY(!m_pFrame->LegendButton()->isChecked());
    QCOMPARE(m_pFrame->LegendButton()->text(), QString("Legend"));
    auto* pObject = m_pFrame->findChild<QToolBar*>("FuncBar")->findChildren<QComboBox*>().value(1);
    QVERIFY(pObject && !pObject->isEnabled());
    QCOMPARE(pObject->currentText(), QString("Det"));
    auto* pGrid = m_pFrame->findChild<QCheckBox*>();
    QVERIFY(pGrid && !pGrid->isEnabled() && pGrid->text() == "Grid");
    QVERIFY(m_pFrame->findChild<QToolBar*>("ToolBar"));

    QStringList aMenus;
    for (QAction* pMenu : m_pFrame->menuBar()->actions())
        aMenus << pMenu->text();
    QCOMPARE(aMenus, QStringList({"&File", "&Edit", "&View", "&Help"}));
    for (QAction* pEdit : m_pFrame->menuBar()->actions().at(1)->menu()->actions())
        QVERIFY(pEdit->isSeparator() || !pEdit->isEnabled());
    QVERIFY(!m_pFrame->Legend()->isVisible());
}

void ViewerWindowTest::startsEmptyWhenThereIsNoSurfaceFile() {
    QVERIFY(QFile::remove("visual.tmp"));
    QVERIFY(!m_pFrame->OpenSurfaceFile("visual.tmp", true));
    QVERIFY(m_pFrame->PaneText(0).startsWith("visual.tmp: cannot open the file"));
    QVERIFY(OpenMessageBoxes().isEmpty());   // at start-up the status bar says it
    QCOMPARE(m_pFrame->windowTitle(), QString("Untitled - orbiq"));
    QVERIFY(!m_pFrame->View()->Scene().SceneLoaded());
}

void ViewerWindowTest::readsAFileAndKeepsTheSceneWhenTheNextIsBroken() {
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    QCOMPARE(m_pFrame->windowTitle(), QString("visual.tmp - orbiq"));
    QCOMPARE(m_pFrame->RecentFiles().value(0), QDir::current().absoluteFilePath("visual.tmp"));
    // The function box offers the node values the file holds: Vx, Vy, Vz, Ti and T.
    QStringList aOffered;
    const auto* pModel = qobject_cast<QStandardItemModel*>(m_pFrame->FunctionBox()->model());
    for (int i = 0; pModel && i < pModel->rowCount(); ++i)
        if (pModel->item(i)->isEnabled())
            aOffered << pModel->item(i)->text().trimmed();
    QCOMPARE(aOffered, QStringList({"None", "Vx", "Vy", "Vz", "Ti", "T"}));
    m_pFrame->FunctionBox()->setCurrentIndex(kValueVz);
    const CMatrix4 world = m_pFrame->View()->Scene().World().Transform();

    QFile broken("broken.tmp");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("0 0 0 1\n1\n1 0 0\n3 1\n0.1 0.2\n");
    broken.close();
    QVERIFY(!m_pFrame->OpenSurfaceFile("broken.tmp"));
    const QList<QMessageBox*> aBoxes = OpenMessageBoxes();
    QCOMPARE(aBoxes.size(), 1);
    QVERIFY2(aBoxes.front()->text().startsWith("broken.tmp: line 5: node 1 of mesh 1"), qPrintable(aBoxes.front()->text()));
    QCOMPARE(m_pFrame->PaneText(0), aBoxes.front()->text());
    // Nothing lost: the same file, attitude, colouring and title.
    const COrbiqScene& scene = m_pFrame->View()->Scene();
    QCOMPARE(scene.Path(), std::string("visual.tmp"));
    QVERIFY(scene.World().Transform() == world);
    QVERIFY(!(scene.Mesh(1)->DrawnColour(0) == (CColour{1, 0, 0})));
    QCOMPARE(m_pFrame->FunctionBox()->currentIndex(), kValueVz);
    QCOMPARE(m_pFrame->windowTitle(), QString("visual.tmp - orbiq"));
    QVERIFY(!m_pFrame->RecentFiles().contains(QDir::current().absoluteFilePath("broken.tmp")));

    // A good file: coloured by the fitted stress again; one whose stress does not vary red,
    // with the function box at "None".
    m_pFrame->FunctionBox()->setCurrentIndex(kValueT);
    WriteSurfaceData("second.tmp", viewer_test::WorkbenchLikeSurface(5));
    QVERIFY(m_pFrame->OpenSurfaceFile(QDir::current().absoluteFilePath("second.tmp")));
    QCOMPARE(m_pFrame->FunctionBox()->currentIndex(), kValueVz);
    QVERIFY(scene.Mesh(1)->DrawnColour(0) == (CColour{0, 0, 1}));
    CSurfaceFileData flat = viewer_test::WorkbenchLikeSurface(5);
    for (CSurfaceNode& node : flat.m_aMeshes[0].m_aNodes)
        node.m_aValues[2] = 250;
    WriteSurfaceData("flat.tmp", flat);
    QVERIFY(m_pFrame->OpenSurfaceFile("flat.tmp"));
    QCOMPARE(m_pFrame->FunctionBox()->currentIndex(), 0);
    QVERIFY(scene.Mesh(1)->DrawnColour(0) == (CColour{1, 0, 0}));
    QVERIFY(m_pFrame->OpenSurfaceFile(QDir::current().absoluteFilePath("second.tmp")));
    QVERIFY(m_pFrame->windowTitle().endsWith("second.tmp - orbiq"));
    QCOMPARE(m_pFrame->RecentFiles().mid(0, 3), QStringList({QDir::current().absoluteFilePath("second.tmp"),
                                                            QDir::current().absoluteFilePath("flat.tmp"),
                                                            QDir::current().absoluteFilePath("visual.tmp")}));
}

void ViewerWindowTest::coloursThroughTheFunctionBox() {
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    const COrbiqScene& scene = m_pFrame->View()->Scene();
    m_pFrame->FunctionBox()->setCurrentIndex(kValueVz);
    QCOMPARE(m_pFrame->PaneText(0), QString("Function Vz"));
    QVERIFY(scene.Mesh(1)->DrawnColour(0) == (CColour{0, 0, 1}));
    // A value that does not vary: the box goes back to "None".
    m_pFrame->FunctionBox()->setCurrentIndex(6);
    QCOMPARE(m_pFrame->PaneText(0), QString("Function Def"));
    QCOMPARE(m_pFrame->FunctionBox()->currentIndex(), 0);
    m_pFrame->FunctionBox()->setCurrentIndex(kValueT);
    m_pFrame->FunctionBox()->setCurrentIndex(0);
    QCOMPARE(m_pFrame->PaneText(0), QString("Restore standard color"));
}

void ViewerWindowTest::legendFollowsTheButtonAndTheFunction() {
    CLegendWnd* pLegend = m_pFrame->Legend();
    QVERIFY(pLegend->windowFlags() & Qt::WindowStaysOnTopHint);
    // This platform shows no OpenGL view: without a picture the legend stays hidden at
    // start-up (the OpenGL tests see it shown), until the button asks for it.
    QVERIFY(m_pFrame->View()->GlFailed());
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    QVERIFY(!pLegend->isVisible());
    m_pFrame->LegendButton()->click();
    QVERIFY(pLegend->isVisible());
    QCOMPARE(pLegend->pos(), QPoint(50, 50));
    QCOMPARE(pLegend->windowTitle(), QString("View legend: function Vz"));
    QCOMPARE(pLegend->Labels().front(), QString("140.000000"));
    QCOMPARE(pLegend->Labels().back(), QString("350.000000"));
    QVERIFY(!pLegend->TemperatureStyle());

    // The legend on show follows the function box, with its scale.
    m_pFrame->FunctionBox()->setCurrentIndex(kValueT);
    QCOMPARE(pLegend->windowTitle(), QString("View legend: function T"));
    QCOMPARE(pLegend->Labels().front(), QString("900.000000"));
    QCOMPARE(pLegend->Labels().back(), QString("999.000000"));
    QVERIFY(pLegend->TemperatureStyle());
    // The colour bar is painted as its lines say: at the top of the temperature scale black.
    const QImage bar = pLegend->Bar()->grab().toImage();
    const int nHalf = (bar.height() - 1 - 30) / 2;
    // Lines closer than a pixel share it; the last one drawn shows.
    const QColor top(bar.pixel(bar.width() / 2, 15)), middle(bar.pixel(bar.width() / 2, 15 + nHalf));
    QVERIFY(top.red() <= 3 && top.green() == 0 && top.blue() == 0);
    QVERIFY(middle.red() == 255 && middle.green() <= 3 && middle.blue() == 0);
    QCOMPARE(QColor(bar.pixel(bar.width() / 2, 15 + 2 * nHalf)), QColor(255, 255, 0));

    m_pFrame->LegendButton()->click();
    QVERIFY(!pLegend->isVisible());
    // Closing the legend itself releases the button.
    m_pFrame->LegendButton()->click();
    QVERIFY(pLegend->isVisible());
    pLegend->close();
    QVERIFY(!m_pFrame->LegendButton()->isChecked());
}

void ViewerWindowTest::readsOutTheFaceUnderTheMouseAndTurnsOnADrag() {
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    COrbiqView* pView = m_pFrame->View();
    QCOMPARE(pView->Scene().Viewport().Width(), pView->width());
    QCOMPARE(pView->Scene().Viewport().Height(), pView->height());
    m_pFrame->FunctionBox()->setCurrentIndex(kValueVz);
    const QPoint pixel = SurfacePixel(*pView);
    QVERIFY(!pixel.isNull());
    const CMatrix4 world = pView->Scene().World().Transform();
    SendMouseMove(pView, pixel, Qt::NoButton);
    QVERIFY2(m_pFrame->PaneText(0).startsWith("Function Vz="), qPrintable(m_pFrame->PaneText(0)));
    QVERIFY(m_pFrame->PaneText(1).startsWith("X= 0."));
    QVERIFY(m_pFrame->PaneText(2).startsWith("Y= "));
    QVERIFY(m_pFrame->PaneText(3).startsWith("Z= "));
    QVERIFY(pView->Scene().World().Transform() == world);

    // A drag to the right turns; over empty space the status bar keeps what it showed.
    SendMouseMove(pView, pixel + QPoint(6, 1), Qt::LeftButton);
    QVERIFY(!(pView->Scene().World().Transform() == world));
    SendMouseMove(pView, QPoint(1, 1), Qt::NoButton);
    QVERIFY(!m_pFrame->PaneText(1).isEmpty());

    // The viewport follows the window's size.
    m_pFrame->resize(700, 500);
    QApplication::processEvents();
    QCOMPARE(pView->Scene().Viewport().Width(), pView->width());
}

void ViewerWindowTest::keysReachTheScene() {
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    COrbiqView* pView = m_pFrame->View();
    pView->setFocus();
    QTest::keyClick(pView, Qt::Key_1);
    QVERIFY(!pView->Scene().SolidMode());
    QTest::keyClick(pView, Qt::Key_1);
    QVERIFY(pView->Scene().SolidMode());
    QTest::keyClick(pView, Qt::Key_F2);
    QVERIFY(pView->Scene().SurfaceWireShown());
    QTest::keyClick(pView, Qt::Key_3);
    QVERIFY(!pView->Scene().MeshShown(2));
    const CMatrix4 world = pView->Scene().World().Transform();
    QTest::keyClick(pView, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(pView->Scene().World().Transform().m[0][0], 2 * world.m[0][0]);
    QTest::keyClick(pView, Qt::Key_Escape);
    QCOMPARE(m_pFrame->PaneText(0), QString("Function Vx"));
    QVERIFY(pView->Scene().Mesh(1)->DrawnColour(0) == (CColour{0, 0, 1}));
}

void ViewerWindowTest::fitsTheModelAndItsAxesBesideTheLegend() {
    COrbiqView* pView = m_pFrame->View();
    CLegendWnd* pLegend = m_pFrame->Legend();
    pLegend->move(pView->mapToGlobal(QPoint(CMainFrame::kLegendInset, CMainFrame::kLegendInset)));
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    m_pFrame->LegendButton()->setChecked(true);
    QApplication::processEvents();
    // The model, its axes' labels and titles: inside the view, clear of the legend, and
    // reaching the free part of the view on two opposite sides.
    const auto checkFitted = [&](const char* szWhen) {
        const QRect legend = pLegend->isVisible() ? QRect(pView->mapFromGlobal(pLegend->frameGeometry().topLeft()), pLegend->frameGeometry().size()) : QRect();
        const std::array<float, 4> box = *pView->Scene().PictureBounds();
        QRect drawn = QRectF(QPointF(box[0], box[1]), QPointF(box[2], box[3])).toAlignedRect();
        QVERIFY2(!drawn.intersects(legend), szWhen);
        const std::vector<CDrawnText> aTexts = AxisTexts(pView->Scene(), pView->font());
        QVERIFY2(aTexts.size() >= 3, szWhen);
        for (const CDrawnText& text : aTexts) {
            QVERIFY2(pView->rect().contains(text.rect) && !text.rect.intersects(legend), qPrintable(text.strText + " " + szWhen));
            drawn = drawn.united(text.rect);
        }
        const QRect area = pView->FitArea();
        QVERIFY2(area.adjusted(-2, -2, 2, 2).contains(drawn), szWhen);
        QVERIFY2(drawn.width() >= area.width() - 4 || drawn.height() >= area.height() - 4, szWhen);
    };
    QVERIFY(pView->FitArea().left() > pView->mapFromGlobal(pLegend->frameGeometry().topRight()).x());
    checkFitted("at start");

    // Turned and scaled, then R: the first attitude, fitted again.
    const CMatrix4 world = pView->Scene().World().Transform();
    const CVec3 camera = pView->Scene().CameraPosition();
    m_pFrame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_pFrame.get()));
    pView->setFocus();
    QTest::keyClick(pView, Qt::Key_Left);
    QTest::keyClick(pView, Qt::Key_Plus, Qt::KeypadModifier);
    QVERIFY(!(pView->Scene().World().Transform() == world));
    m_pFrame->resize(800, 640);   // a model the user moved stays where it is
    QApplication::processEvents();
    QVERIFY(pView->Scene().CameraPosition() == camera);
    QTest::keyClick(pView, Qt::Key_R);
    QVERIFY(pView->Scene().World().Transform() == world);
    checkFitted("after R");
    // Untouched, it follows the window and takes back the legend's room.
    m_pFrame->resize(1000, 760);
    QApplication::processEvents();
    checkFitted("resized");
    m_pFrame->LegendButton()->setChecked(false);
    QCOMPARE(pView->FitArea(), pView->rect().marginsRemoved(QMargins(8, 8, 8, 8)));
    checkFitted("without the legend");
}

void ViewerWindowTest::newAndSaveACopy() {
    QVERIFY(m_pFrame->OpenSurfaceFile("visual.tmp", true));
    QVERIFY(m_pFrame->SaveSurfaceCopy("copy.tmp"));
    QFile original("visual.tmp"), copy("copy.tmp");
    QVERIFY(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());
    QVERIFY(!m_pFrame->SaveSurfaceCopy(m_pDir->path() + "/no such folder/copy.tmp"));
    QCOMPARE(OpenMessageBoxes().size(), 1);
    CloseMessageBoxes();

    m_pFrame->OnFileNew();
    QCOMPARE(m_pFrame->windowTitle(), QString("Untitled - orbiq"));
    QVERIFY(!m_pFrame->View()->Scene().SceneLoaded());
    QVERIFY(!m_pFrame->SaveSurfaceCopy("empty.tmp"));
    QVERIFY(!QFile::exists("empty.tmp"));
}

void ViewerWindowTest::staysOpenWithoutOpenGL() {
    // Run as well on Qt's offscreen platform under an X server (which can make contexts but
    // cannot show an OpenGL widget) and under an X server without GLX; there the test is
    // told to expect no OpenGL, so that it cannot pass by skipping.
    if (OpenGLViewProblem().isEmpty()) {
        if (qEnvironmentVariableIsSet("ORBIQ_TEST_EXPECT_NO_OPENGL"))
            QFAIL("OpenGL was expected to be missing here");
        QSKIP("this platform has OpenGL; the viewer's OpenGL tests cover it");
    }
    CloseMessageBoxes();
    auto pFrame = std::make_unique<CMainFrame>();
    pFrame->resize(600, 400);
    pFrame->show();
    QVERIFY(QTest::qWaitForWindowExposed(pFrame.get()));
    QTest::qWait(200);   // painted and flushed: where a missing context used to bring it down
    const QList<QMessageBox*> aBoxes = OpenMessageBoxes();
    QCOMPARE(aBoxes.size(), 1);
    QVERIFY2(aBoxes.front()->text().startsWith("The 3D view cannot be shown: "), qPrintable(aBoxes.front()->text()));
    QVERIFY(aBoxes.front()->text().contains("start it under a desktop with OpenGL 2.1, or with Mesa's software renderer"));
    QCOMPARE(pFrame->PaneText(0), aBoxes.front()->text());
    QVERIFY(pFrame->View()->GlFailed());
    // Everything but the picture works: the file is read and can be coloured.
    QVERIFY(pFrame->OpenSurfaceFile("visual.tmp"));
    pFrame->FunctionBox()->setCurrentIndex(kValueVz);
    QCOMPARE(pFrame->PaneText(0), QString("Function Vz"));
    pFrame->resize(300, 200);
    const QImage image = pFrame->View()->Snapshot();
    QVERIFY(!image.isNull());
    QCOMPARE(QColor(image.pixel(image.width() / 2, image.height() / 2)), QColor(Qt::white));
    QCOMPARE(OpenMessageBoxes().size(), 1);

    // File > Exit closes the window.
    QAction* pExit = nullptr;
    for (QAction* pAction : pFrame->findChildren<QAction*>())
        if (pAction->text() == "E&xit")
            pExit = pAction;
    QVERIFY(pExit && pExit->isEnabled());
    CloseMessageBoxes();
    pExit->trigger();
    QApplication::processEvents();
    QVERIFY(!pFrame->isVisible());
}

void ViewerWindowTest::commandLineIsCheckedBeforeAnyWindow_data() {
    QTest::addColumn<QStringList>("aArgs");
    QTest::addColumn<int>("nExit");
    QTest::addColumn<QString>("strError");
    QTest::addColumn<bool>("bNoDisplay"); // run without any platform to show windows on
    QTest::newRow("help") << QStringList{"--help"} << 0 << QString() << false;
    QTest::newRow("help without a display") << QStringList{"--help"} << 0 << QString() << true;
    QTest::newRow("window without a display") << QStringList{} << 2 << QString("orbiq: there is no display") << true;
    QTest::newRow("unknown option") << QStringList{"--spin"} << 2 << QString("orbiq: cannot understand \"--spin\"")
                                    << false;
    QTest::newRow("two files") << QStringList{"a.tmp", "b.tmp"} << 2 << QString("orbiq: cannot understand") << false;
    QTest::newRow("snapshot without picture") << QStringList{"--snapshot"} << 2 << QString("orbiq: --snapshot needs")
                                              << false;
    QTest::newRow("snapshot of a missing file") << QStringList{"--snapshot", "out.png", "absent.tmp"} << 1
                                                << QString("orbiq: absent.tmp: cannot open the file") << false;
}

void ViewerWindowTest::commandLineIsCheckedBeforeAnyWindow() {
    QFETCH(QStringList, aArgs);
    QFETCH(int, nExit);
    QFETCH(QString, strError);
    QFETCH(bool, bNoDisplay);
    QProcess process;
    if (bNoDisplay) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* szName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(szName));
        process.setProcessEnvironment(environment);
    }
    process.start(ORBIQ_PROGRAM, aArgs);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), nExit);
    const QString strStderr = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(strStderr.contains(strError), qPrintable(strStderr));
    if (nExit == 0)
        QVERIFY(process.readAllStandardOutput().startsWith("usage: orbiq"));
    QVERIFY(!QFile::exists("out.png"));
}

VIEWER_QTEST_MAIN(ViewerWindowTest)

#include "ViewerWindowTest.moc"
