// Drives the window on a real display as a user does: New material, Add File of three
// records with their conditions, the work window with model 9 and Calc, a fourth record,
// Calc again, then Graf; then whole campaigns added at once (both measured sets and 91
// records), with the curve table and every plot view. Takes screenshots of the window, the
// work window and every dialog and view on the way.

#include "AddCurvesDlg.h"
#include "ApproxDlg.h"
#include "Dialogs.h"
#include "KivView.h"
#include "MainFrame.h"
#ifdef VORNEL_HAS_X11
#include "ServerLockKeys.h"
#endif
#include "MeasuredSets.h"
#include "UiTestSupport.h"

#include "vornel/document/Material.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

using namespace vornel_ui_test;

namespace {

void ClickToolButton(CMainFrame& frame, EKivCommand eCommand) {
    QToolBar* pToolBar = frame.findChild<QToolBar*>();
    QWidget* pButton = pToolBar->widgetForAction(frame.Action(eCommand));
    QVERIFY(pButton && pButton->isEnabled());
    QTest::mouseClick(pButton, Qt::LeftButton);
}

// Puts the path into the file dialog's name field (as pasted: no completion popup) and
// presses Enter.
std::shared_ptr<CModalWatch> TypeFileName(const QString& strPath) {
    return WhenModal<QFileDialog>([strPath](QFileDialog* pDialog) {
        QLineEdit* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(pName);
        pName->setText(strPath);
        QTest::keyClick(pName, Qt::Key_Return);
    });
}

std::shared_ptr<CModalWatch> TypeConditions(double dTemp, double dRate) {
    return WhenModal<CConditionsDlg>([dTemp, dRate](CConditionsDlg* pDialog) {
        for (auto [pEdit, dValue] : {std::pair{pDialog->m_pTempEdit, dTemp}, std::pair{pDialog->m_pRateEdit, dRate}}) {
            pEdit->selectAll();
            QTest::keyClicks(pEdit, QString::number(dValue));
        }
        QTest::keyClick(pDialog->m_pRateEdit, Qt::Key_Return);
    });
}

// Opens the combo box's list and clicks entry nIndex.
void ChooseInCombo(QComboBox* pCombo, int nIndex) {
    QTest::mouseClick(pCombo, Qt::LeftButton);
    QAbstractItemView* pList = pCombo->view();
    QTRY_VERIFY(pList->isVisible());
    // The list ignores a release that comes sooner than a double click after it opened.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QModelIndex index = pList->model()->index(nIndex, 0);
    pList->scrollTo(index);
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, pList->visualRect(index).center());
    QTRY_VERIFY(!pList->isVisible());
}

} // namespace

class CUserSessionTest : public QObject {
    Q_OBJECT
private slots:
    void newMaterialCurvesModelNineCalcGraf();
    void lockKeysShowInTheStatusBar();
    void campaignDialogsAndViews();
};

void CUserSessionTest::lockKeysShowInTheStatusBar() {
#ifdef VORNEL_HAS_X11
    CScratchFolder scratch;
    CMainFrame frame(std::make_unique<QSettings>(scratch.File("settings.ini"), QSettings::IniFormat));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(SetServerLockKeys(true, true));
    frame.UpdateLockIndicators();
    QCOMPARE(frame.LockIndicators(), (QStringList{QStringLiteral("CAP"), QStringLiteral("NUM"), QString()}));
    frame.statusBar()->grab().save(ScreenshotPath(QStringLiteral("lock-keys.png")));
    QVERIFY(SetServerLockKeys(false, false));
    frame.UpdateLockIndicators();
    QCOMPARE(frame.LockIndicators(), (QStringList{QString(), QString(), QString()}));
#else
    QSKIP("built without X11: the lock keys cannot be set");
#endif
}

void CUserSessionTest::newMaterialCurvesModelNineCalcGraf() {
    CScratchFolder scratch;
    const std::vector<std::pair<double, double>> aRecords = {{900, 0.1}, {1000, 1}, {1100, 10}, {1200, 0.1}};
    for (const auto& [dTemp, dRate] : aRecords)
        WriteLawRecord(scratch.File(QStringLiteral("rec_%1_%2.asc").arg(dTemp).arg(dRate)), dTemp, dRate, 120);

    CMainFrame frame(std::make_unique<QSettings>(scratch.File("settings.ini"), QSettings::IniFormat));
    frame.View().m_strStartFolder = scratch.Path();
    frame.resize(1280, 860);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    // New material.
    auto pNamed = WhenModal<CMaterialNameDlg>([](CMaterialNameDlg* pDialog) {
        QTest::keyClicks(pDialog->m_pNameEdit, QStringLiteral("STAL_45"));
        QTest::keyClick(pDialog->m_pNameEdit, Qt::Key_Return);
    });
    ClickToolButton(frame, EKivCommand::NewMaterial);
    QVERIFY(*pNamed);
    QCOMPARE(g_nStage, 1);

    // Three records, each with its conditions.
    const auto addRecord = [&](std::size_t i) {
        const auto [dTemp, dRate] = aRecords[i];
        auto pChosen = TypeFileName(scratch.File(QStringLiteral("rec_%1_%2.asc").arg(dTemp).arg(dRate)));
        auto pTyped = TypeConditions(dTemp, dRate);
        ClickToolButton(frame, EKivCommand::AddFile);
        QVERIFY(*pChosen && *pTyped);
    };
    for (std::size_t i = 0; i < 3; ++i)
        addRecord(i);
    QCOMPARE(g_pMaterial->m_nCurves, 3);
    QCOMPARE(g_pMaterial->Curve(2).m_dTemp, 1100.0);
    QCOMPARE(g_nStage, 2);

    // The work window: model 9, Calc. Three curves are too few for model 9: the warning.
    QString strWarning;
    auto pFirstRun = WhenModal<CApproxDlg>([&](CApproxDlg* pDialog) {
        ChooseInCombo(pDialog->m_pModelList, 8);
        QCOMPARE(g_pMaterial->m_nFunction, 9);
        auto pWarned = WhenModal<QMessageBox>([&](QMessageBox* pBox) {
            strWarning = pBox->text() + '\n' + pBox->informativeText();
            QTest::qWait(50);
            pBox->grab().save(ScreenshotPath(QStringLiteral("warning.png")));
            pBox->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(pDialog->m_pCalc, Qt::LeftButton);
        QTRY_VERIFY(*pWarned);
        QTest::mouseClick(pDialog->m_pCancel, Qt::LeftButton);
    });
    ClickToolButton(frame, EKivCommand::ProcessingDialog);
    QVERIFY(*pFirstRun);
    QVERIFY(strWarning.startsWith(QStringLiteral("Need data or select enather function for approximation!!!")));
    QCOMPARE(g_nStage, 3);

    // A fourth record, and Calc again: the fit.
    addRecord(3);
    QCOMPARE(g_nStage, 2);
    auto pSecondRun = WhenModal<CApproxDlg>([&](CApproxDlg* pDialog) {
        QCOMPARE(pDialog->m_pModelList->currentIndex(), 8);
        QTest::mouseClick(pDialog->m_pCalc, Qt::LeftButton);
        QCOMPARE(g_pMaterial->m_nCoef, 4);
        ChooseInCombo(pDialog->m_pCurveList, 0);
        QTest::qWait(50);
        QVERIFY(pDialog->grab().save(ScreenshotPath(QStringLiteral("work-window.png"))));
        // Optimization ranks the candidates in the table and shows the winner.
        QTest::mouseClick(pDialog->m_pOptimization, Qt::LeftButton);
        QVERIFY(g_pMaterial->m_nFunction > 0);
        QCOMPARE(pDialog->m_pModelList->currentData().toInt(), g_pMaterial->m_nFunction);
        QTest::qWait(50);
        QVERIFY(pDialog->grab().save(ScreenshotPath(QStringLiteral("work-window-optimization.png"))));
        QTest::mouseClick(pDialog->m_pCancel, Qt::LeftButton);
    });
    ClickToolButton(frame, EKivCommand::ProcessingDialog);
    QVERIFY(*pSecondRun);
    QCOMPARE(g_nStage, 3);

    ClickToolButton(frame, EKivCommand::Graf);
    QVERIFY(frame.View().m_bPlotMode);
    QTest::qWait(50);
    QVERIFY(frame.grab().save(ScreenshotPath(QStringLiteral("window.png"))));
    // The fitted law, its Fortran text, the surface and the material file were written in
    // the material's folder.
    for (const char* szFile : {"STAL_45.mat", "temp.mat", "progr.f90", "visual.tmp"})
        QVERIFY2(QFile::exists(scratch.File(QString::fromLatin1(szFile))), szFile);

    // The file list, for the record.
    ClickToolButton(frame, EKivCommand::SelectFileList);
    QTest::qWait(50);
    QVERIFY(frame.grab().save(ScreenshotPath(QStringLiteral("file-list.png"))));
    g_pMaterial.reset();
    g_nStage = 0;
}

namespace {

// Shows the frame's view of the chosen kind and keeps a picture of the whole window.
void ShotOfView(CMainFrame& frame, EPlotView eView, bool bLegend, const QString& strName) {
    frame.PlotViewAction(eView)->trigger();
    if (frame.LegendAction()->isChecked() != bLegend)
        frame.LegendAction()->trigger();
    QTest::qWait(50);
    QVERIFY(frame.grab().save(ScreenshotPath(strName)));
}

// The window's picture with the window manager's frame, when one runs.
QImage WithFrame(QWidget& window) {
    QTest::qWait(200);
    const QRect frame = window.frameGeometry();
    return QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
}

} // namespace

// A campaign as a user adds it: the hot-compression set from its list, the steel set by its
// file names, a 91-curve set (13 temperatures x 7 rates); each fitted, its curve table and
// every plot view kept as a picture, with the dialogs on the way.
void CUserSessionTest::campaignDialogsAndViews() {
    CScratchFolder scratch;
    CMainFrame frame(std::make_unique<QSettings>(scratch.File("settings.ini"), QSettings::IniFormat));
    frame.View().m_strStartFolder = scratch.Path();
    frame.resize(1280, 860);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const auto newMaterial = [&](const QString& strName) {
        auto pNamed = WhenModal<CMaterialNameDlg>([strName](CMaterialNameDlg* pDialog) {
            QTest::keyClicks(pDialog->m_pNameEdit, strName);
            QTest::keyClick(pDialog->m_pNameEdit, Qt::Key_Return);
        });
        auto pDiscard = AnswerMessageBox(QMessageBox::Discard);
        ClickToolButton(frame, EKivCommand::NewMaterial);
        QVERIFY(*pNamed);
    };
    const auto fitAndShoot = [&](const QString& strSet) {
        auto pFitted = WhenModal<CApproxDlg>([&](CApproxDlg* pDialog) {
            ChooseInCombo(pDialog->m_pModelList, 8);
            QTest::mouseClick(pDialog->m_pCalc, Qt::LeftButton);
            QTest::mouseClick(pDialog->m_pCancel, Qt::LeftButton);
        });
        ClickToolButton(frame, EKivCommand::ProcessingDialog);
        QVERIFY(*pFitted);
        QVERIFY(g_pMaterial->m_nCoef > 0);
        ClickToolButton(frame, EKivCommand::SelectFileList);
        QTest::qWait(50);
        QVERIFY(frame.grab().save(ScreenshotPath(QStringLiteral("curve-table-%1.png").arg(strSet))));
        ShotOfView(frame, EPlotView::Single, true, QStringLiteral("view-legend-%1.png").arg(strSet));
        ShotOfView(frame, EPlotView::Temperatures, false, QStringLiteral("view-temperatures-%1.png").arg(strSet));
        ShotOfView(frame, EPlotView::Deviations, false, QStringLiteral("view-deviations-%1.png").arg(strSet));
        frame.PlotViewAction(EPlotView::Single)->trigger();
    };

    // The hot-compression set from its conditions list.
    const QString strBst = QString::fromStdString(vornel_test::SharedDataSet("bst-compression"));
    if (!strBst.isEmpty()) {
        newMaterial(QStringLiteral("bst"));
        auto pList = TypeFileName(QDir(strBst).absoluteFilePath(QStringLiteral("conditions.txt")));
        auto pRows = WhenModal<CAddCurvesDlg>([](CAddCurvesDlg* pDialog) {
            QTest::qWait(100);
            WithFrame(*pDialog).save(ScreenshotPath(QStringLiteral("add-curves-list-bst.png")));
            pDialog->accept();
        });
        frame.AddFromListAction()->trigger();
        QVERIFY(*pList && *pRows);
        QCOMPARE(g_pMaterial->m_nCurves, 30);
        fitAndShoot(QStringLiteral("bst"));
    }

    // The steel set by its file names (copied without its list), chosen together; then one
    // file alone through the conditions dialog.
    const QString strSteel = QString::fromStdString(vornel_test::SharedDataSet("steel-gleeble"));
    if (!strSteel.isEmpty()) {
        QDir(scratch.Path()).mkdir(QStringLiteral("steel"));
        QStringList aFiles;
        for (const QString& strName : QDir(strSteel).entryList({QStringLiteral("*.asc")}, QDir::Files, QDir::Name)) {
            QVERIFY(QFile::copy(QDir(strSteel).absoluteFilePath(strName), scratch.File(QStringLiteral("steel/") + strName)));
            aFiles << scratch.File(QStringLiteral("steel/") + strName);
        }
        newMaterial(QStringLiteral("steel"));
        const QString strAlone = aFiles.takeLast();
        auto pChosen = ChooseFiles(aFiles);
        auto pRows = WhenModal<CAddCurvesDlg>([](CAddCurvesDlg* pDialog) {
            QTest::qWait(100);
            WithFrame(*pDialog).save(ScreenshotPath(QStringLiteral("add-curves-names-steel.png")));
            pDialog->accept();
        });
        ClickToolButton(frame, EKivCommand::AddFile);
        QVERIFY(*pChosen && *pRows);
        QCOMPARE(g_pMaterial->m_nCurves, 29);
        auto pOne = TypeFileName(strAlone);
        QString strCaption;
        auto pTyped = WhenModal<CConditionsDlg>([&](CConditionsDlg* pDialog) {
            strCaption = pDialog->windowTitle();
            WithFrame(*pDialog).save(ScreenshotPath(QStringLiteral("conditions-dialog.png")));
            pDialog->m_pTempEdit->setText(QStringLiteral("1250"));
            pDialog->m_pRateEdit->setText(QStringLiteral("5"));
            pDialog->accept();
        });
        ClickToolButton(frame, EKivCommand::AddFile);
        QVERIFY(*pOne && *pTyped);
        QCOMPARE(strCaption, QStringLiteral("Uslovija deformacii - steel_1250_5.asc"));
        QCOMPARE(g_pMaterial->m_nCurves, 30);
        fitAndShoot(QStringLiteral("steel"));
    }

    // 91 records of a known law, 13 temperatures x 7 strain rates, named rec_T_H.asc.
    QDir(scratch.Path()).mkdir(QStringLiteral("campaign"));
    QStringList aRecords;
    for (int t = 0; t < 13; ++t)
        for (int h = 0; h < 7; ++h) {
            const double dTemp = 850 + 25 * t;
            const double dRate = 0.001 * std::pow(10.0, 0.5 * h);
            const QString strFile = scratch.File(QStringLiteral("campaign/rec_%1_%2.asc").arg(dTemp).arg(dRate));
            vornel_test::WriteRecord(strFile.toStdString(), vornel_test::HenselSpittelLaw, dTemp, dRate, 80, 0.8, 10, 15,
                                     0.01, static_cast<unsigned>(7 * t + h + 1));
            aRecords << strFile;
        }
    newMaterial(QStringLiteral("campaign"));
    auto pRows = WhenModal<CAddCurvesDlg>([](CAddCurvesDlg* pDialog) { pDialog->accept(); });
    frame.View().AddFiles(aRecords);
    QVERIFY(*pRows);
    QCOMPARE(g_pMaterial->m_nCurves, 91);
    fitAndShoot(QStringLiteral("91"));
    frame.PlotViewAction(EPlotView::Temperatures)->trigger();
    frame.View().repaint();
    QCOMPARE(static_cast<int>(frame.View().m_lastLayout.m_aPanels.size()), 13);
    g_pMaterial.reset();
    g_nStage = 0;
}

QTEST_MAIN(CUserSessionTest)
#include "UserSessionTest.moc"
