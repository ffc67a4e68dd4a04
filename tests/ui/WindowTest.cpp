// The window's commands as a user reaches them: enabling by stage, New material, Open
// File, Add File of one or many files, Add curves from list, Save As, the recent files,
// the curve table, the work window, the plot views and the 3D command, each with its
// errors and what stays as it was.

#include "AddCurvesDlg.h"
#include "ApproxDlg.h"
#include "CurveTableView.h"
#include "Dialogs.h"
#include "FormulaPicture.h"
#include "KivDoc.h"
#include "KivView.h"
#include "MainFrame.h"
#include "MeasuredSets.h"
#include "UiTestSupport.h"

#include "BatchMode.h"
#include "vornel/fit/FitReport.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/session/Operations.h"
#include "vornel/export/SurfaceExport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>
#include <QWheelEvent>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/types.h>

using namespace vornel_ui_test;

namespace {

// Every command of the stage table with the stages (0..3) at which it is enabled.
struct SRule {
    EKivCommand m_eCommand;
    const char* m_szName;
    int m_nFirstStage;
};
constexpr SRule kRules[] = {
    {EKivCommand::NewMaterial, "New material", 0},   {EKivCommand::OpenFile, "Open File", 0},
    {EKivCommand::AddFile, "Add File", 1},           {EKivCommand::Save, "Save", 3},
    {EKivCommand::SaveAs, "Save As", 3},             {EKivCommand::Print, "Print", 3},
    {EKivCommand::PrintPreview, "Print Preview", 3}, {EKivCommand::PrintSetup, "Print Setup", 0},
    {EKivCommand::Exit, "Exit", 0},                  {EKivCommand::ToolBar, "Toolbar", 0},
    {EKivCommand::StatusBar, "Status Bar", 0},       {EKivCommand::SelectFileList, "Select file list", 2},
    {EKivCommand::ProcessingDialog, "Processing dialog", 2}, {EKivCommand::Graf, "Graf", 3},
    {EKivCommand::GrafGrid, "Graf grid", 3},         {EKivCommand::Visualization3d, "3d visualization", 3},
    {EKivCommand::About, "About", 0},
};

// A frame with its own settings file, on a fresh start (no material, stage 0).
struct SWindow {
    explicit SWindow(const CScratchFolder& scratch)
        : m_frame(std::make_unique<QSettings>(scratch.File("settings.ini"), QSettings::IniFormat)) {
        m_frame.View().m_strStartFolder = scratch.Path();
        m_frame.show();
    }
    CMainFrame m_frame;
    CKivView& View() { return m_frame.View(); }
};

void ResetCore() {
    g_pMaterial.reset();
    g_nStage = 0;
}

// New material named strName through its dialog.
void NewMaterialAs(CKivView& view, const QString& strName) {
    auto pDone = WhenModal<CMaterialNameDlg>([strName](CMaterialNameDlg* pDialog) {
        pDialog->m_pNameEdit->setText(strName);
        pDialog->accept();
    });
    view.OnNewMaterial();
    QVERIFY(*pDone);
}

// Add File of strPath with t and U typed into the conditions dialog.
void AddFileAs(CKivView& view, const QString& strPath, double dTemp, double dRate) {
    auto pChosen = ChooseFile(strPath);
    auto pTyped = WhenModal<CConditionsDlg>([dTemp, dRate](CConditionsDlg* pDialog) {
        pDialog->m_pTempEdit->setText(QString::number(dTemp));
        pDialog->m_pRateEdit->setText(QString::number(dRate));
        pDialog->accept();
    });
    view.OnAddFile();
    QVERIFY(*pChosen);
    QVERIFY(*pTyped);
}

// A material of the test law at the temperatures and rates given, through the commands.
void BuildMaterial(CKivView& view, const CScratchFolder& scratch,
                   const std::vector<std::pair<double, double>>& aConditions) {
    NewMaterialAs(view, QStringLiteral("STAL_45"));
    for (const auto& [dTemp, dRate] : aConditions) {
        const QString strFile = scratch.File(QStringLiteral("rec_%1_%2.asc").arg(dTemp).arg(dRate));
        WriteLawRecord(strFile, dTemp, dRate);
        AddFileAs(view, strFile, dTemp, dRate);
    }
}

const std::vector<std::pair<double, double>> kFourCurves = {{900, 0.1}, {900, 10}, {1100, 0.1}, {1100, 10}};

// The four curves fitted with model 9, where the table and plot tests start.
bool FitFourCurves(CKivView& view, const CScratchFolder& scratch) {
    BuildMaterial(view, scratch, kFourCurves);
    ChooseModel(9);
    return Calc().Ok();
}

int VisibleCoefFields(const CApproxDlg& dialog) {
    int n = 0;
    for (const QLineEdit* pField : dialog.m_aCoefFields)
        n += pField->isVisibleTo(const_cast<CApproxDlg*>(&dialog));
    return n;
}

} // namespace

class CWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetCore(); }
    void cleanup() { ResetCore(); }

    void commandsEnabledByStage_data();
    void commandsEnabledByStage();
    void menusToolbarAndPrompts();
    void newMaterialAndItsCancel();
    void askBeforeDiscardingUnsavedCurves();
    void addFileWithConditions();
    void addFileRefusals();
    void openFileCancelledOrBrokenKeepsEverything();
    void openSaveAsAndRecentFiles();
    void curveTableShowsTheFitAndEditsConditions();
    void severalFilesTakeOneDialogAndMatchTheBatchMode();
    void fileNamesPrefillAndABadRowAddsNothing();
    void addCurvesFromListAndDroppedFiles();
    void viewMenuChoosesThePlotView();
    void droppedMaterialFileOpens();
    void plotZoomPanPointAndHighlight_data();
    void undoAndRedoEachChange_data();
    void undoAndRedoEachChange();
    void plotZoomPanPointAndHighlight();
    void workWindowShowsTheChosenModel_data();
    void workWindowShowsTheChosenModel();
    void calcRefusedShowsTheWarningWithReasons();
    void calcFitsAndOptimizationPicksTheModel();
    void calcOfJohnsonCookAsksForTheMeltingTemperature();
    void refineAndTheFitReport();
    void curveListSelectsTheCurve();
    void surfaceCommandStartsTheViewer();
    void surfaceCommandStartsTheBuiltViewer();
    void surfaceCommandWithoutPointsStartsNothing();
    void printAndExportDrawThePlot();
    void defectsUsersFound();
};

void CWindowTest::commandsEnabledByStage_data() {
    QTest::addColumn<int>("nStage");
    for (int nStage = 0; nStage <= 3; ++nStage)
        QTest::addRow("stage %d", nStage) << nStage;
}

void CWindowTest::commandsEnabledByStage() {
    QFETCH(int, nStage);
    CScratchFolder scratch;
    SWindow window(scratch);
    if (nStage > 0)
        g_pMaterial = std::make_unique<CMaterial>();
    g_nStage = nStage;
    window.m_frame.UpdateCommandStates();
    for (const SRule& rule : kRules) {
        QAction* pAction = window.m_frame.Action(rule.m_eCommand);
        QVERIFY2(pAction, rule.m_szName);
        QVERIFY2(pAction->isEnabled() == (nStage >= rule.m_nFirstStage), rule.m_szName);
    }
    QCOMPARE(window.m_frame.ExportPlotAction()->isEnabled(), nStage == 3);
    QCOMPARE(window.m_frame.AddFromListAction()->isEnabled(), nStage >= 1);
    for (EPlotView eView : {EPlotView::Single, EPlotView::Temperatures, EPlotView::Deviations})
        QCOMPARE(window.m_frame.PlotViewAction(eView)->isEnabled(), nStage == 3);
    QCOMPARE(window.m_frame.LegendAction()->isEnabled(), nStage == 3);
    QCOMPARE(window.m_frame.ProcessingMapAction()->isEnabled(), nStage >= 2);
    QCOMPARE(window.m_frame.HotWorkingAction()->isEnabled(), nStage >= 2);
}

void CWindowTest::menusToolbarAndPrompts() {
    CScratchFolder scratch;
    SWindow window(scratch);
    CMainFrame& frame = window.m_frame;
    QCOMPARE(frame.windowTitle(), QStringLiteral("KivRoll[*]"));
    const auto action = [&](EKivCommand e) { return frame.Action(e); };
    QCOMPARE(action(EKivCommand::NewMaterial)->text(), QStringLiteral("&New material"));
    QCOMPARE(action(EKivCommand::NewMaterial)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    QCOMPARE(action(EKivCommand::OpenFile)->text(), QStringLiteral("&Open File..."));
    QCOMPARE(action(EKivCommand::OpenFile)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(action(EKivCommand::Save)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    QCOMPARE(action(EKivCommand::Print)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    QCOMPARE(action(EKivCommand::AddFile)->text(), QStringLiteral("Add File "));
    QCOMPARE(action(EKivCommand::About)->text(), QStringLiteral("&About Vornel..."));
    QCOMPARE(action(EKivCommand::ProcessingDialog)->statusTip(), QStringLiteral("Processing of the Data"));
    QCOMPARE(action(EKivCommand::SelectFileList)->statusTip(), QStringLiteral("Show a list of the added files"));
    QCOMPARE(action(EKivCommand::Graf)->statusTip(), QStringLiteral("Show function"));
    QCOMPARE(action(EKivCommand::Graf)->toolTip(), QStringLiteral("Show function"));
    QCOMPARE(action(EKivCommand::Visualization3d)->statusTip(), QStringLiteral("3d visualization"));

    QStringList aMenus;
    for (QAction* pMenu : frame.menuBar()->actions())
        aMenus << pMenu->text();
    QCOMPARE(aMenus, (QStringList{"&File", "&Edit", "&View", "&Approximation", "&Help"}));

    // The toolbar, left to right, every button with an icon.
    const QToolBar* pToolBar = frame.findChild<QToolBar*>();
    QVERIFY(pToolBar);
    QList<QAction*> aExpected;
    for (EKivCommand e : {EKivCommand::NewMaterial, EKivCommand::OpenFile, EKivCommand::Save, EKivCommand::AddFile,
                          EKivCommand::SelectFileList, EKivCommand::ProcessingDialog, EKivCommand::Graf,
                          EKivCommand::Visualization3d, EKivCommand::Exit, EKivCommand::About})
        aExpected << action(e);
    QCOMPARE(pToolBar->actions(), aExpected);
    for (QAction* pAction : aExpected)
        QVERIFY(!pAction->icon().isNull());
    // The messages pane starts hidden and is opened from the View menu.
    QVERIFY(!frame.MessagesAction()->isChecked());
    frame.MessagesAction()->trigger();
    QVERIFY(frame.MessagesPane()->isVisible());

    // Help: F1 opens the help window, Shift+F1 the What's This mode, in which a command
    // tells what its status prompt says.
    QCOMPARE(frame.HelpTopicsAction()->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(frame.WhatsThisAction()->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    QCOMPARE(action(EKivCommand::Graf)->whatsThis(), QStringLiteral("Show function"));
    QString strHelpTitle, strHelpText;
    auto pHelp = WhenModal<QDialog>([&](QDialog* pDialog) {
        strHelpTitle = pDialog->windowTitle();
        strHelpText = pDialog->findChild<QTextBrowser*>()->toPlainText();
        pDialog->grab().save(ScreenshotPath(QStringLiteral("help.png")));
        pDialog->reject();
    });
    frame.HelpTopicsAction()->trigger();
    QVERIFY(*pHelp);
    QCOMPARE(strHelpTitle, QStringLiteral("Vornel Help"));
    QVERIFY2(strHelpText.contains(QStringLiteral("Processing dialog")), qPrintable(strHelpText));
    frame.WhatsThisAction()->trigger();
    QVERIFY(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();

    // The lock keys' panes follow the message pane; offscreen the keys cannot be read and
    // the panes stay blank.
    QCOMPARE(frame.LockIndicators(), (QStringList{QString(), QString(), QString()}));
    QVERIFY(frame.statusBar()->findChild<QLabel*>(QStringLiteral("SCRL")));
}

void CWindowTest::newMaterialAndItsCancel() {
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("STAL_45"));
    QVERIFY(g_pMaterial);
    QCOMPARE(g_pMaterial->m_strName, std::string("STAL_45"));
    QCOMPARE(g_pMaterial->m_strFileName, std::string("STAL_45.mat"));
    QCOMPARE(g_nStage, 1);
    QVERIFY(window.m_frame.Action(EKivCommand::AddFile)->isEnabled());
    QVERIFY(!window.m_frame.Action(EKivCommand::ProcessingDialog)->isEnabled());
    QCOMPARE(window.m_frame.windowTitle(), QStringLiteral("KivRoll - STAL_45.mat[*]"));

    // Cancel creates nothing and keeps the current material.
    const CMaterial* pBefore = g_pMaterial.get();
    auto pCancelled = WhenModal<CMaterialNameDlg>([](CMaterialNameDlg* pDialog) { pDialog->reject(); });
    window.View().OnNewMaterial();
    QVERIFY(*pCancelled);
    QCOMPARE(g_pMaterial.get(), pBefore);
    QCOMPARE(g_nStage, 1);
}

void CWindowTest::askBeforeDiscardingUnsavedCurves() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{1000, 1}});
    QVERIFY(window.m_frame.Doc().IsModified());
    QVERIFY(window.m_frame.isWindowModified());
    const CMaterial* pBefore = g_pMaterial.get();

    // Cancel: nothing happens.
    QString strQuestion;
    auto pAsked = AnswerMessageBox(QMessageBox::Cancel, &strQuestion);
    window.View().OnNewMaterial();
    QVERIFY(*pAsked);
    QVERIFY(strQuestion.contains(QStringLiteral("STAL_45")));
    QCOMPARE(g_pMaterial.get(), pBefore);
    QCOMPARE(g_nStage, 2);

    // Save: the file is written, then the new material replaces the old.
    auto pSaved = AnswerMessageBox(QMessageBox::Save);
    NewMaterialAs(window.View(), QStringLiteral("STAL_46"));
    QVERIFY(*pSaved);
    QVERIFY(QFile::exists(scratch.File("STAL_45.mat")));
    QCOMPARE(g_pMaterial->m_strName, std::string("STAL_46"));
    QVERIFY(!window.m_frame.Doc().IsModified());

    // Nothing unsaved: no question.
    NewMaterialAs(window.View(), QStringLiteral("STAL_47"));
    QCOMPARE(g_pMaterial->m_strName, std::string("STAL_47"));
}

void CWindowTest::addFileWithConditions() {
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("M"));
    const QString strFile = scratch.File("curve.asc");
    WriteLawRecord(strFile, 1000, 0.1, 40);
    AddFileAs(window.View(), strFile, 1000, 0.1);
    QCOMPARE(g_pMaterial->m_nCurves, 1);
    const CCurve& curve = g_pMaterial->Curve(0);
    QCOMPARE(curve.m_strLabel, strFile.toStdString());
    QCOMPARE(curve.m_dTemp, 1000.0);
    QCOMPARE(curve.m_dRate, 0.1);
    // Every data row with a strain of at least 0 and a stress of at least 0.001 is a point.
    int nRows = 0;
    {
        QFile file(strFile);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QList<QByteArray> aLines = file.readAll().split('\n');
        for (int i = 3; i < aLines.size(); ++i) {
            const QList<QByteArray> aFields = aLines[i].simplified().split(' ');
            nRows += aFields.size() == 3 && aFields[1].toDouble() >= 0 && aFields[2].toFloat() >= 0.001f;
        }
    }
    QCOMPARE(curve.PointCount(), nRows);
    QCOMPARE(g_nStage, 2);
    QVERIFY(window.m_frame.StatusLine().contains(QStringLiteral("%1 points read, 0 rows skipped").arg(nRows)));
    QVERIFY(window.m_frame.Action(EKivCommand::ProcessingDialog)->isEnabled());

    // Reading that stops before the end keeps the points before it and quotes the line.
    const QString strCut = scratch.File("cut.asc");
    QVERIFY(WriteBytes(strCut, "h1\nh2\nh3\n1 0.1 100\n2 0.2 110\n3 0,3 120\n4 0.4 130\n"));
    QString strStopped;
    auto pStopped = AnswerMessageBox(QMessageBox::Ok, &strStopped);
    AddFileAs(window.View(), strCut, 1000, 0.1);
    QVERIFY(*pStopped);
    QVERIFY2(strStopped.contains(QStringLiteral("line 6")) && strStopped.contains(QStringLiteral("3 0,3 120")),
             qPrintable(strStopped));
    QCOMPARE(g_pMaterial->m_nCurves, 2);
    QCOMPARE(g_pMaterial->Curve(1).PointCount(), 2);
    g_pMaterial->m_nCurves = 1;
    g_pMaterial->m_nPoints = g_pMaterial->CountPoints();

    // Cancel in the conditions dialog adds nothing.
    auto pChosen = ChooseFile(strFile);
    auto pCancelled = WhenModal<CConditionsDlg>([](CConditionsDlg* pDialog) { pDialog->reject(); });
    window.View().OnAddFile();
    QVERIFY(*pChosen && *pCancelled);
    QCOMPARE(g_pMaterial->m_nCurves, 1);
    // So does a cancelled file dialog.
    auto pNoFile = CancelFileDialog();
    window.View().OnAddFile();
    QVERIFY(*pNoFile);
    QCOMPARE(g_pMaterial->m_nCurves, 1);
}

void CWindowTest::addFileRefusals() {
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("M"));
    // A file the program cannot read: a message names it, nothing is added.
    const QString strLocked = scratch.File("locked.asc");
    WriteLawRecord(strLocked, 1000, 1, 20);
    QFile::setPermissions(strLocked, QFileDevice::WriteOwner);
    const bool bReadable = QFile(strLocked).open(QIODevice::ReadOnly); // root reads anything
    if (!bReadable) {
        QString strMessage;
        auto pError = AnswerMessageBox(QMessageBox::Ok, &strMessage);
        AddFileAs(window.View(), strLocked, 1000, 1);
        QVERIFY(*pError);
        QVERIFY2(strMessage.contains(strLocked), qPrintable(strMessage));
        QCOMPARE(g_pMaterial->m_nCurves, 0);
        QCOMPARE(g_nStage, 1);
    }
    // A file without a single point.
    const QString strHeader = scratch.File("header.asc");
    QVERIFY(WriteBytes(strHeader, "Test record\nn strain stress\n- - MPa\n"));
    QString strNoData;
    auto pNoData = AnswerMessageBox(QMessageBox::Ok, &strNoData);
    AddFileAs(window.View(), strHeader, 1000, 1);
    QVERIFY(*pNoData);
    QVERIFY2(strNoData.contains(strHeader) && strNoData.contains(QStringLiteral("no data")), qPrintable(strNoData));
    QCOMPARE(g_pMaterial->m_nCurves, 0);
    QCOMPARE(g_nStage, 1);
    // A 201st curve.
    const QString strFile = scratch.File("curve.asc");
    WriteLawRecord(strFile, 1000, 1, 20);
    g_pMaterial->m_nCurves = kMaxExchangeCurves;
    QString strMessage;
    auto pFull = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    AddFileAs(window.View(), strFile, 1000, 1);
    QVERIFY(*pFull);
    QVERIFY2(strMessage.contains(strFile) && strMessage.contains(QStringLiteral("200")), qPrintable(strMessage));
    QCOMPARE(g_pMaterial->m_nCurves, kMaxExchangeCurves);
}

void CWindowTest::openFileCancelledOrBrokenKeepsEverything() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{1000, 1}});
    window.m_frame.Doc().SetModified(false);
    const CMaterial* pBefore = g_pMaterial.get();

    auto pCancelled = CancelFileDialog();
    window.View().OnOpenFile();
    QVERIFY(*pCancelled);
    QCOMPARE(g_pMaterial.get(), pBefore);
    QCOMPARE(g_nStage, 2);

    const QString strBroken = scratch.File("broken.mat");
    QVERIFY(WriteBytes(strBroken, QByteArray("\x01\x00\x00\x00\x05\x00", 6)));
    QString strMessage;
    auto pChosen = ChooseFile(strBroken);
    auto pError = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    window.View().OnOpenFile();
    QVERIFY(*pChosen && *pError);
    QVERIFY2(strMessage.contains(strBroken), qPrintable(strMessage));
    QCOMPARE(g_pMaterial.get(), pBefore);
    QCOMPARE(g_nStage, 2);
    QCOMPARE(g_pMaterial->m_nCurves, 1);
}

void CWindowTest::openSaveAsAndRecentFiles() {
    CScratchFolder scratch;
    {
        SWindow window(scratch);
        BuildMaterial(window.View(), scratch, {{1000, 1}, {1100, 1}});
        // Save As under a chosen name makes it the material's file.
        const QString strTarget = scratch.File("saved/copy.mat");
        QDir(scratch.Path()).mkdir(QStringLiteral("saved"));
        g_nStage = 3;
        auto pChosen = ChooseFile(strTarget);
        window.View().OnSaveAs();
        QVERIFY(*pChosen);
        QVERIFY(QFile::exists(strTarget));
        QCOMPARE(QString::fromStdString(g_pMaterial->m_strFileName), strTarget);
        QVERIFY(!window.m_frame.Doc().IsModified());
        QCOMPARE(window.m_frame.RecentFiles(), QStringList{strTarget});

        // Open it again: a fresh material with its curves, stage 3, title with its name.
        ResetCore();
        QVERIFY(window.View().OpenMaterialFile(strTarget));
        QCOMPARE(g_nStage, 3);
        QCOMPARE(g_pMaterial->m_nCurves, 2);
        QCOMPARE(window.m_frame.windowTitle(), QStringLiteral("KivRoll - copy.mat[*]"));

        // Four entries at most, the latest first.
        for (int i = 0; i < 5; ++i)
            window.m_frame.AddRecentFile(scratch.File(QStringLiteral("m%1.mat").arg(i)));
        QCOMPARE(window.m_frame.RecentFiles().size(), 4);
        QCOMPARE(window.m_frame.RecentFiles().constFirst(), scratch.File("m4.mat"));
        window.m_frame.AddRecentFile(scratch.File("m2.mat"));
        QCOMPARE(window.m_frame.RecentFiles().constFirst(), scratch.File("m2.mat"));
        QCOMPARE(window.m_frame.RecentFiles().size(), 4);
    }
    // The list survives the window, in the settings.
    SWindow again(scratch);
    QCOMPARE(again.m_frame.RecentFiles(), (QStringList{scratch.File("m2.mat"), scratch.File("m4.mat"),
                                                       scratch.File("m3.mat"), scratch.File("m1.mat")}));
    QSettings settings(scratch.File("settings.ini"), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), scratch.File("m2.mat"));
}

void CWindowTest::curveTableShowsTheFitAndEditsConditions() {
    CScratchFolder scratch;
    SWindow window(scratch);
    CKivView& view = window.View();
    QVERIFY(FitFourCurves(view, scratch));
    view.OnSelectFileList();
    CCurveTableView& table = view.Table();
    QVERIFY(table.isVisible());
    QCOMPARE(table.rowCount(), 4);
    for (int r = 0; r < 4; ++r) {
        const CCurve& curve = g_pMaterial->Curve(r);
        QCOMPARE(table.CurveOfRow(r), r + 1);
        QCOMPARE(table.item(r, CCurveTableView::kFile)->text(),
                 QStringLiteral("rec_%1_%2.asc").arg(kFourCurves[static_cast<std::size_t>(r)].first).arg(kFourCurves[static_cast<std::size_t>(r)].second));
        QCOMPARE(table.CellValue(r, CCurveTableView::kTemp), curve.m_dTemp);
        QCOMPARE(table.CellValue(r, CCurveTableView::kRate), curve.m_dRate);
        QCOMPARE(table.item(r, CCurveTableView::kPoints)->text(), QStringLiteral("30 prepared"));
    }

    // The same curves through the batch mode's --report, in a folder of its own: each curve's
    // RMS and largest deviation are the table's.
    QString strList;
    for (const auto& [dTemp, dRate] : kFourCurves)
        strList += scratch.File(QStringLiteral("rec_%1_%2.asc").arg(dTemp).arg(dRate)) + QStringLiteral(" %1 %2\n").arg(dTemp).arg(dRate);
    QVERIFY(WriteBytes(scratch.File("list.txt"), strList.toUtf8()));
    std::unique_ptr<CMaterial> pWindowMaterial = std::move(g_pMaterial);
    std::ostringstream out, err;
    {
        CScratchFolder batch;
        QCOMPARE(RunBatch({"--fit", "9", "--report", "--curves", scratch.File("list.txt").toStdString()}, out, err), 0);
    }
    g_pMaterial = std::move(pWindowMaterial);
    g_nStage = 3;
    std::map<int, std::pair<double, double>> reported; // curve: RMS, MaxAbs
    std::istringstream lines(out.str());
    for (std::string strLine; std::getline(lines, strLine);) {
        int nCurve = 0;
        double dTemp = 0, dRate = 0, dRms = 0, dMax = 0;
        if (std::sscanf(strLine.c_str(), "curve %d t= %lf H= %lf RMS= %lf MaxAbs= %lf", &nCurve, &dTemp, &dRate, &dRms,
                        &dMax) == 5)
            reported[nCurve] = {dRms, dMax};
    }
    QCOMPARE(static_cast<int>(reported.size()), 4);
    for (int r = 0; r < 4; ++r) { // to the last bit: --report prints 17 digits
        QVERIFY(table.CellValue(r, CCurveTableView::kRms) == reported[r + 1].first);
        QVERIFY(table.CellValue(r, CCurveTableView::kMaxAbs) == reported[r + 1].second);
    }

    // A click on a heading sorts by it, a second click the other way.
    QHeaderView* pHeader = table.horizontalHeader();
    const QPoint rmsHeading(pHeader->sectionViewportPosition(CCurveTableView::kRms) + 5, pHeader->height() / 2);
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, rmsHeading);
    for (int r = 1; r < 4; ++r)
        QVERIFY(table.CellValue(r - 1, CCurveTableView::kRms) <= table.CellValue(r, CCurveTableView::kRms));
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, rmsHeading);
    for (int r = 1; r < 4; ++r)
        QVERIFY(table.CellValue(r - 1, CCurveTableView::kRms) >= table.CellValue(r, CCurveTableView::kRms));

    // A corrected temperature reaches the curve and clears the fit; one out of range is
    // refused with the core's sentence and the cell shows the curve's value again.
    window.m_frame.Doc().SetModified(false);
    table.item(table.RowOfCurve(3), CCurveTableView::kTemp)->setText(QStringLiteral("1150"));
    QTRY_COMPARE(g_pMaterial->Curve(2).m_dTemp, 1150.0);
    QCOMPARE(g_pMaterial->Curve(2).m_pPoints.back().m_dTemp, 1150.0);
    QCOMPARE(g_pMaterial->m_nCoef, 0);
    QCOMPARE(g_nStage, 2);
    QVERIFY(window.m_frame.Doc().IsModified());
    QVERIFY(table.item(table.RowOfCurve(3), CCurveTableView::kRms)->text().isEmpty());
    QString strRefusal;
    auto pRefused = AnswerMessageBox(QMessageBox::Ok, &strRefusal);
    table.item(table.RowOfCurve(3), CCurveTableView::kRate)->setText(QStringLiteral("-1"));
    QTRY_VERIFY(*pRefused);
    QVERIFY2(strRefusal.contains(QStringLiteral("strain rate -1 is outside 0..10000 1/s")), qPrintable(strRefusal));
    QCOMPARE(g_pMaterial->Curve(2).m_dRate, 0.1);
    QTRY_COMPARE(table.item(table.RowOfCurve(3), CCurveTableView::kRate)->text(), QStringLiteral("0.1"));

    // Delete removes the marked curve after asking: No keeps it, Yes removes it.
    const std::string strFourth = g_pMaterial->Curve(3).m_strFile;
    table.MarkCurve(3);
    QCOMPARE(view.SelectedListRow(), 3);
    auto pNo = AnswerMessageBox(QMessageBox::No);
    QTest::keyClick(&table, Qt::Key_Delete);
    QVERIFY(*pNo);
    QCOMPARE(g_pMaterial->m_nCurves, 4);
    auto pYes = AnswerMessageBox(QMessageBox::Yes);
    QTest::keyClick(&table, Qt::Key_Delete);
    QVERIFY(*pYes);
    QCOMPARE(g_pMaterial->m_nCurves, 3);
    QCOMPARE(g_pMaterial->Curve(2).m_strFile, strFourth);
    QCOMPARE(table.rowCount(), 3);

    // Unticking "Fit" leaves the curve out: greyed in the table and the plot, and the work
    // window's fit and report use the other two.
    table.item(table.RowOfCurve(2), CCurveTableView::kFit)->setCheckState(Qt::Unchecked);
    QTRY_VERIFY(g_pMaterial->Curve(1).m_bLeftOut);
    QCOMPARE(table.item(table.RowOfCurve(2), CCurveTableView::kFit)->checkState(), Qt::Unchecked);
    QVERIFY(table.item(table.RowOfCurve(2), CCurveTableView::kTemp)->foreground() !=
            table.item(table.RowOfCurve(1), CCurveTableView::kTemp)->foreground());
    CApproxDlg dialog(view, &window.m_frame);
    dialog.m_pModelList->setCurrentIndex(dialog.m_pModelList->findData(2));
    emit dialog.m_pModelList->activated(dialog.m_pModelList->currentIndex());
    dialog.m_pCalc->click();
    QCOMPARE(dialog.m_pReport->item(0, 0)->text(), QStringLiteral("2 of 3 curves"));
    QVERIFY(window.m_frame.StatusLine().contains(QStringLiteral("(on 2 of 3 curves)")));
    view.repaint();
    QCOMPARE(view.m_lastLayout.m_aCurveColours[1], kLeftOutColour);
}

// The 30 hot-compression files, chosen together in the file dialog, come up in one dialog
// with the conditions of the folder's list; the material they make fits to the very file
// `vornel --curves conditions.txt` writes.
void CWindowTest::severalFilesTakeOneDialogAndMatchTheBatchMode() {
    const QString strSet = QString::fromStdString(vornel_test::SharedDataSet("bst-compression"));
    if (strSet.isEmpty())
        QSKIP("the measured hot-compression set is absent");
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("bst"));
    QStringList aFiles;
    for (const QString& strName : QDir(strSet).entryList({QStringLiteral("*.asc")}, QDir::Files, QDir::Name))
        aFiles << QDir(strSet).absoluteFilePath(strName);
    QCOMPARE(aFiles.size(), 30);
    bool bConditionsAsked = false;
    auto pConditions = WhenModal<CConditionsDlg>([&](CConditionsDlg* pDialog) {
        bConditionsAsked = true;
        pDialog->reject();
    });
    QStringList aSources;
    auto pChosen = ChooseFiles(aFiles);
    auto pAdded = WhenModal<CAddCurvesDlg>([&](CAddCurvesDlg* pDialog) {
        for (int r = 0; r < pDialog->m_pTable->rowCount(); ++r)
            aSources << pDialog->m_pTable->item(r, CAddCurvesDlg::kSource)->text();
        pDialog->accept();
    });
    window.View().OnAddFile();
    QVERIFY(*pChosen && *pAdded);
    QVERIFY(!bConditionsAsked);
    QCOMPARE(aSources, QStringList(30, QStringLiteral("conditions.txt")));
    QCOMPARE(g_pMaterial->m_nCurves, 30);
    QCOMPARE(g_nStage, 2);
    QVERIFY(window.m_frame.StatusLine().contains(QStringLiteral("Curves 1..30 added")));
    ChooseModel(9);
    QVERIFY(Calc().Ok());
    QFile windowFile(scratch.File("bst.mat"));
    QVERIFY(windowFile.open(QIODevice::ReadOnly));
    const QByteArray aWindow = windowFile.readAll();

    ResetCore();
    CScratchFolder batch;
    std::ostringstream out, err;
    QCOMPARE(RunBatch({"--fit", "9", "--name", "bst", "--curves", (strSet + "/conditions.txt").toStdString()}, out, err),
             0);
    QFile batchFile(batch.File("bst.mat"));
    QVERIFY(batchFile.open(QIODevice::ReadOnly));
    QVERIFY(aWindow.size() > 30 * 30 * 56);
    QVERIFY(aWindow == batchFile.readAll());
}

// The steel files without their list: t and H from the names. A bad row keeps the dialog
// open, names the row and adds nothing; left out, the others are added.
void CWindowTest::fileNamesPrefillAndABadRowAddsNothing() {
    const QString strSet = QString::fromStdString(vornel_test::SharedDataSet("steel-gleeble"));
    if (strSet.isEmpty())
        QSKIP("the measured steel set is absent");
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("steel"));
    QStringList aFiles;
    for (const char* szName : {"steel_1050_0.001.asc", "steel_1050_5.asc", "steel_1150_0.1.asc", "steel_1250_2.asc"}) {
        QVERIFY(QFile::copy(QDir(strSet).absoluteFilePath(QString::fromLatin1(szName)), scratch.File(szName)));
        aFiles << scratch.File(szName);
    }
    QString strMessage;
    bool bStayedOpen = false;
    auto pDialog = WhenModal<CAddCurvesDlg>([&](CAddCurvesDlg* pDlg) {
        QTableWidget* pTable = pDlg->m_pTable;
        for (int r = 0; r < pTable->rowCount(); ++r) {
            const QStringList aParts = pTable->item(r, CAddCurvesDlg::kFile)->text().chopped(4).split('_');
            QCOMPARE(pTable->item(r, CAddCurvesDlg::kTemp)->text(), aParts.value(1));
            QCOMPARE(pTable->item(r, CAddCurvesDlg::kRate)->text(), aParts.value(2));
            QCOMPARE(pTable->item(r, CAddCurvesDlg::kSource)->text(), QStringLiteral("file name"));
            QCOMPARE(pTable->item(r, CAddCurvesDlg::kImport)->text(), QStringLiteral("701 points"));
        }
        pTable->item(2, CAddCurvesDlg::kTemp)->setText(QStringLiteral("3000"));
        auto pWarned = AnswerMessageBox(QMessageBox::Ok, &strMessage);
        pDlg->accept();
        bStayedOpen = *pWarned && pDlg->isVisible() && pDlg->result() != QDialog::Accepted && g_pMaterial->m_nCurves == 0;
        pTable->item(2, CAddCurvesDlg::kAdd)->setCheckState(Qt::Unchecked);
        pDlg->accept();
    });
    window.View().AddFiles(aFiles);
    QVERIFY(*pDialog);
    QVERIFY(bStayedOpen);
    QVERIFY2(strMessage.contains(QStringLiteral("Row 3 (steel_1150_0.1.asc): temperature 3000 is outside -200..2600 deg C")),
             qPrintable(strMessage));
    QCOMPARE(g_pMaterial->m_nCurves, 3);
    QCOMPARE(g_pMaterial->Curve(1).m_dTemp, 1050.0);
    QCOMPARE(g_pMaterial->Curve(1).m_dRate, 5.0);
    QCOMPARE(g_pMaterial->Curve(2).m_dRate, 2.0);
}

void CWindowTest::addCurvesFromListAndDroppedFiles() {
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("M"));
    for (int i = 1; i <= 3; ++i)
        WriteLawRecord(scratch.File(QStringLiteral("r%1.asc").arg(i)), 900 + 100 * i, 1, 30);
    QVERIFY(WriteBytes(scratch.File("list.txt"), "r3.asc 1200 1\nr1.asc 1000 1\n"));
    int nRows = 0;
    auto pChosen = ChooseFile(scratch.File("list.txt"));
    auto pAdded = WhenModal<CAddCurvesDlg>([&](CAddCurvesDlg* pDialog) {
        nRows = pDialog->m_pTable->rowCount();
        pDialog->accept();
    });
    window.m_frame.AddFromListAction()->trigger();
    QVERIFY(*pChosen && *pAdded);
    QCOMPARE(nRows, 2);
    QCOMPARE(g_pMaterial->m_nCurves, 2);
    QCOMPARE(g_pMaterial->Curve(0).m_dTemp, 1200.0);
    // A list that breaks the format is named with its line; nothing is added.
    QVERIFY(WriteBytes(scratch.File("bad.txt"), "r2.asc 1100\n"));
    QString strMessage;
    auto pBad = ChooseFile(scratch.File("bad.txt"));
    auto pError = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    window.m_frame.AddFromListAction()->trigger();
    QVERIFY(*pBad && *pError);
    QVERIFY2(strMessage.contains(QStringLiteral("bad.txt:1: expected \"FILE T H\"")), qPrintable(strMessage));
    QCOMPARE(g_pMaterial->m_nCurves, 2);

    const auto drop = [&](const QStringList& aNames) {
        QMimeData mime;
        QList<QUrl> aUrls;
        for (const QString& strName : aNames)
            aUrls << QUrl::fromLocalFile(scratch.File(strName));
        mime.setUrls(aUrls);
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window.m_frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window.m_frame, &dropped);
    };
    // Several dropped data files: the dialog of many files; Cancel adds nothing.
    auto pCancelled = WhenModal<CAddCurvesDlg>([&](CAddCurvesDlg* pDialog) {
        nRows = pDialog->m_pTable->rowCount();
        pDialog->reject();
    });
    drop({QStringLiteral("r1.asc"), QStringLiteral("r2.asc")});
    QTRY_VERIFY(*pCancelled);
    QCOMPARE(nRows, 2);
    QCOMPARE(g_pMaterial->m_nCurves, 2);
    // One dropped data file: the conditions dialog, its caption naming the file.
    QString strCaption;
    auto pTyped = WhenModal<CConditionsDlg>([&](CConditionsDlg* pDialog) {
        strCaption = pDialog->windowTitle();
        pDialog->m_pTempEdit->setText(QStringLiteral("1100"));
        pDialog->m_pRateEdit->setText(QStringLiteral("1"));
        pDialog->accept();
    });
    drop({QStringLiteral("r2.asc")});
    QTRY_VERIFY(*pTyped);
    QCOMPARE(strCaption, QStringLiteral("Uslovija deformacii - r2.asc"));
    QCOMPARE(g_pMaterial->m_nCurves, 3);
}

void CWindowTest::viewMenuChoosesThePlotView() {
    CScratchFolder scratch;
    SWindow window(scratch);
    CKivView& view = window.View();
    QVERIFY(FitFourCurves(view, scratch));
    window.m_frame.UpdateCommandStates();
    CMainFrame& frame = window.m_frame;
    QVERIFY(frame.PlotViewAction(EPlotView::Single)->isChecked());
    frame.PlotViewAction(EPlotView::Temperatures)->trigger();
    QVERIFY(view.m_bPlotMode);
    QCOMPARE(view.m_viewStyle.m_eView, EPlotView::Temperatures);
    view.repaint();
    QCOMPARE(static_cast<int>(view.m_lastLayout.m_aPanels.size()), 2); // 900 and 1100 deg C
    QCOMPARE(view.m_lastLayout.m_aPanels.front().m_strTitle, QStringLiteral("t=900: yield stress, MPa"));
    view.grab().save(ScreenshotPath(QStringLiteral("by-temperature.png")));
    QCOMPARE(static_cast<int>(view.m_lastLayout.m_aLegend.size()), 2); // 0.1 and 10 1/s
    frame.PlotViewAction(EPlotView::Deviations)->trigger();
    view.repaint();
    QCOMPARE(static_cast<int>(view.m_lastLayout.m_aPanels.size()), 1);
    QCOMPARE(view.m_lastLayout.m_aLegend.front().m_strText, QStringLiteral("t=900"));
    // Export and print draw the chosen view.
    auto pChosen = ChooseFile(scratch.File("deviations.png"));
    frame.ExportPlotAction()->trigger();
    QVERIFY(*pChosen);
    QCOMPARE(QImage(scratch.File("deviations.png")).convertToFormat(QImage::Format_RGB32),
             RenderPlotImage(*g_pMaterial, QSize(kPlotImageWidth, kPlotImageHeight), 6, 6, view.m_viewStyle));
    // The legend belongs to "All grafics".
    frame.PlotViewAction(EPlotView::Single)->trigger();
    frame.LegendAction()->trigger();
    QVERIFY(view.m_viewStyle.m_bLegend);
    view.repaint();
    QCOMPARE(static_cast<int>(view.m_lastLayout.m_aLegend.size()), 4);
    QCOMPARE(view.m_lastLayout.m_aLegend[2].m_strText, QStringLiteral("t=1100 H=0.1"));
    // Graf keeps the chosen view.
    view.OnSelectFileList();
    frame.Action(EKivCommand::Graf)->trigger();
    QVERIFY(view.m_bPlotMode && !view.Table().isVisible());
    QCOMPARE(view.m_viewStyle.m_eView, EPlotView::Single);
}

void CWindowTest::undoAndRedoEachChange_data() {
    QTest::addColumn<int>("nChange");
    int nChange = 0;
    for (const char* szChange : {"add curve", "remove curve", "leave out", "conditions", "law"})
        QTest::newRow(szChange) << nChange++;
}

// Undo (Ctrl+Z) puts back the material as it was before each kind of change, Redo
// (Ctrl+Shift+Z) the change; a material opened from its file starts with nothing to undo.
void CWindowTest::undoAndRedoEachChange() {
    QFETCH(int, nChange);
    CScratchFolder scratch;
    SWindow window(scratch);
    CKivView& view = window.View();
    BuildMaterial(view, scratch, {{900, 1}, {1000, 1}, {1100, 1}});
    const CMaterial before = *g_pMaterial;
    switch (nChange) {
    case 0:
        AddFileAs(view, scratch.File("rec_900_1.asc"), 950, 2);
        break;
    case 1: {
        auto pYes = AnswerMessageBox(QMessageBox::Yes);
        view.OnRemoveCurve(2);
        QVERIFY(*pYes);
        break;
    }
    case 2:
        view.OnLeaveOut(2, true);
        break;
    case 3:
        view.OnConditionEdited(2, CCurveTableView::kTemp, QStringLiteral("1050"));
        break;
    default: {
        CApproxDlg dialog(view, &window.m_frame);
        dialog.m_pModelList->setCurrentIndex(3);
        emit dialog.m_pModelList->activated(3);
    }
    }
    const CMaterial after = *g_pMaterial;
    QVERIFY(!(after == before));
    QVERIFY(window.m_frame.UndoAction()->isEnabled());
    QCOMPARE(window.m_frame.UndoAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    QCOMPARE(window.m_frame.RedoAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    window.m_frame.UndoAction()->trigger();
    QVERIFY(*g_pMaterial == before);
    QVERIFY(window.m_frame.RedoAction()->isEnabled());
    window.m_frame.RedoAction()->trigger();
    QVERIFY(*g_pMaterial == after);
    window.m_frame.UndoAction()->trigger();
    QVERIFY(*g_pMaterial == before);
    // Saved and opened again: no history.
    SaveMaterialAs(scratch.File("saved.mat").toStdString());
    window.m_frame.Doc().SetModified(false);
    QVERIFY(view.OpenMaterialFile(scratch.File("saved.mat")));
    QVERIFY(!window.m_frame.UndoAction()->isEnabled() && !window.m_frame.RedoAction()->isEnabled());
}

void CWindowTest::plotZoomPanPointAndHighlight_data() {
    QTest::addColumn<int>("nView");
    for (EPlotView eView : {EPlotView::Single, EPlotView::Temperatures, EPlotView::Deviations})
        QTest::addRow("%s", PlotViewName(eView)) << static_cast<int>(eView);
}

// Wheel, drag, rectangle and Home change the axes of every view by the amounts the pixels
// say; the pointer over a measured point reads its values; a click on it highlights its
// curve and marks its row, marking a row highlights its curve.
void CWindowTest::plotZoomPanPointAndHighlight() {
    QFETCH(int, nView);
    CScratchFolder scratch;
    SWindow window(scratch);
    CKivView& view = window.View();
    QVERIFY(FitFourCurves(view, scratch));
    view.SetPlotView(static_cast<EPlotView>(nView));
    view.repaint();
    const auto panelOf = [&view](int i) {
        for (const CPanelLayout& panel : view.m_lastLayout.m_aPanels)
            if (std::find(panel.m_aCurves.begin(), panel.m_aCurves.end(), i) != panel.m_aCurves.end())
                return panel;
        return CPanelLayout{};
    };
    const CPanelLayout whole = panelOf(2);
    const CPlotRect& r = whole.m_rect;
    const double dStrainSpan = whole.m_axes.m_dMaxStrain - whole.m_axes.m_dMinStrain;
    const double dStressSpan = whole.m_axes.m_dTopStress - whole.m_axes.m_dMinStress;
    const QPoint centre((r.m_nLeft + r.m_nRight) / 2, (r.m_nTop + r.m_nBottom) / 2);
    const auto strainAt = [](const CPanelLayout& panel, int x) {
        return panel.m_axes.m_dMinStrain + (panel.m_axes.m_dMaxStrain - panel.m_axes.m_dMinStrain) *
                                               (x - panel.m_rect.m_nLeft) / (panel.m_rect.m_nRight - panel.m_rect.m_nLeft);
    };
    // One notch of the wheel shows 80 % of each span and keeps the value under the pointer.
    QWheelEvent wheel(centre, view.mapToGlobal(centre), {}, QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    view.repaint();
    CPanelLayout zoomed = panelOf(2);
    QCOMPARE(zoomed.m_axes.m_dMaxStrain - zoomed.m_axes.m_dMinStrain, 0.8 * dStrainSpan);
    QCOMPARE(zoomed.m_axes.m_dTopStress - zoomed.m_axes.m_dMinStress, 0.8 * dStressSpan);
    // (The stress labels' width may move the frame by a few pixels.)
    const double dPixel = dStrainSpan / (r.m_nRight - r.m_nLeft);
    QVERIFY(std::fabs(strainAt(zoomed, centre.x()) - strainAt(whole, centre.x())) < 8 * dPixel);
    // A drag of 60 pixels to the right shows strains 60 pixels' worth lower.
    QTest::mousePress(&view, Qt::LeftButton, {}, centre);
    QTest::mouseMove(&view, centre + QPoint(30, 0));
    QTest::mouseMove(&view, centre + QPoint(60, 0));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, centre + QPoint(60, 0));
    view.repaint();
    const CPanelLayout panned = panelOf(2);
    QVERIFY(std::fabs(panned.m_axes.m_dMinStrain - (zoomed.m_axes.m_dMinStrain - 0.8 * 60 * dPixel)) < 2 * dPixel);
    QCOMPARE(panned.m_axes.m_dTopStress, zoomed.m_axes.m_dTopStress);
    // A rectangle drawn with the right button over the middle half shows half of each span.
    const QPoint a(r.m_nLeft + (r.m_nRight - r.m_nLeft) / 4, r.m_nTop + (r.m_nBottom - r.m_nTop) / 4);
    const QPoint b(r.m_nLeft + 3 * (r.m_nRight - r.m_nLeft) / 4, r.m_nTop + 3 * (r.m_nBottom - r.m_nTop) / 4);
    QTest::mousePress(&view, Qt::RightButton, {}, a);
    QTest::mouseMove(&view, b);
    QTest::mouseRelease(&view, Qt::RightButton, {}, b);
    view.repaint();
    const CPanelLayout banded = panelOf(2);
    QVERIFY(std::fabs(banded.m_axes.m_dMaxStrain - banded.m_axes.m_dMinStrain - 0.4 * dStrainSpan) < 0.01 * dStrainSpan);
    QVERIFY(std::fabs(strainAt(banded, r.m_nLeft) - strainAt(panned, a.x())) < 0.01 * dStrainSpan);
    // Home shows the whole plot again.
    QTest::keyClick(&view, Qt::Key_Home);
    view.repaint();
    QCOMPARE(panelOf(2).m_axes.m_dMinStrain, whole.m_axes.m_dMinStrain);
    QCOMPARE(panelOf(2).m_axes.m_dTopStress, whole.m_axes.m_dTopStress);

    // Point 10 of curve 3 (measured on the test law) under the pointer.
    const CDeviationPoint point = CurveDeviationPoints(*g_pMaterial, 2)[10];
    const QPoint at(PlaceStrain(r, whole.m_axes, point.m_dStrain),
                    PlaceStress(r, whole.m_axes, nView == 2 ? point.Deviation() : point.m_dMeasured));
    QTest::mouseMove(&view, at + QPoint(2, 1));
    const QString strPointed = view.PointedText();
    QVERIFY2(strPointed.startsWith(QStringLiteral("Curve 3 (t=1100 H=0.1): strain %1, measured %2 MPa, fitted %3 MPa")
                                       .arg(QString::number(point.m_dStrain, 'g', 6),
                                            QString::number(point.m_dMeasured, 'g', 6),
                                            QString::number(point.m_dFitted, 'g', 6))),
             qPrintable(strPointed));
    QVERIFY(window.m_frame.StatusLine().contains(strPointed));
    // A click highlights curve 3 with a wider pen and marks its row; a marked row highlights.
    const QColor colour = view.m_lastLayout.m_aCurveColours[2];
    const auto pixelsOf = [&view](const QColor& c) {
        const QImage image = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += (image.pixel(x, y) & 0xffffff) == (c.rgb() & 0xffffff);
        return n;
    };
    const int nPlain = pixelsOf(colour);
    QTest::mouseClick(&view, Qt::LeftButton, {}, at);
    QCOMPARE(view.m_viewStyle.m_nHighlight, 3);
    QCOMPARE(view.Table().MarkedCurve(), 3);
    QVERIFY2(pixelsOf(colour) > nPlain * 5 / 4, qPrintable(QStringLiteral("%1 %2").arg(nPlain).arg(pixelsOf(colour))));
    view.Table().MarkCurve(1);
    QCOMPARE(view.m_viewStyle.m_nHighlight, 1);
}

void CWindowTest::droppedMaterialFileOpens() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{1000, 1}, {1100, 1}});
    window.View().OnSave();
    const QString strFile = scratch.File("STAL_45.mat");
    ResetCore();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(strFile)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window.m_frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window.m_frame, &drop);
    QTRY_VERIFY(g_pMaterial != nullptr);
    QCOMPARE(g_pMaterial->m_nCurves, 2);
    QCOMPARE(g_nStage, 3);
    QCOMPARE(QString::fromStdString(g_pMaterial->m_strFileName), strFile);
}

void CWindowTest::workWindowShowsTheChosenModel_data() {
    QTest::addColumn<int>("nModel");
    for (const CModelInfo& model : ModelCatalogue())
        QTest::addRow("model %d", model.m_nNumber) << model.m_nNumber;
}

void CWindowTest::workWindowShowsTheChosenModel() {
    QFETCH(int, nModel);
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{1000, 1}});
    g_pMaterial->m_dErrorMax = 5; // a stale value the choice must clear
    CApproxDlg dialog(window.View(), &window.m_frame);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Work window for data approximation"));
    QCOMPARE(dialog.m_pModelList->count(), static_cast<int>(ModelCatalogue().size()));
    const int nEntry = dialog.m_pModelList->findData(nModel);
    QCOMPARE(dialog.m_pModelList->itemText(nEntry), QString::fromLatin1(FindModel(nModel)->m_szLabel));
    QCOMPARE(dialog.m_pCurveList->itemText(0), QStringLiteral("All grafics"));
    QCOMPARE(dialog.m_pCurveList->count(), 2);
    QCOMPARE(VisibleCoefFields(dialog), 0);
    QCOMPARE(dialog.m_pPicture->Model(), 0);

    dialog.m_pModelList->setCurrentIndex(nEntry);
    emit dialog.m_pModelList->activated(nEntry);
    // The coefficients of models 19 and 21 fill the ten fields; the Coefficients tab lists
    // them all.
    const int nCoef = std::min(FindModel(nModel)->m_nCoef, static_cast<int>(CApproxDlg::kCoefFields));
    QCOMPARE(VisibleCoefFields(dialog), nCoef);
    for (int k = 0; k < CApproxDlg::kCoefFields; ++k) {
        QCOMPARE(dialog.m_aCoefLabels[k]->isVisibleTo(&dialog), k < nCoef);
        if (k < nCoef)
            QCOMPARE(dialog.m_aCoefFields[k]->text(), QStringLiteral("0"));
    }
    QCOMPARE(dialog.m_pErrorSr->text(), QStringLiteral("0"));
    QCOMPARE(dialog.m_pErrorMax->text(), QStringLiteral("0"));
    QCOMPARE(dialog.m_pPicture->Model(), nModel);
    QCOMPARE(g_pMaterial->m_nFunction, nModel);
    QCOMPARE(g_nStage, 3);
    QVERIFY(window.View().m_bPlotMode);
    QVERIFY(window.m_frame.Action(EKivCommand::Graf)->isEnabled());
}

void CWindowTest::calcRefusedShowsTheWarningWithReasons() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{1000, 1}});
    CApproxDlg dialog(window.View(), &window.m_frame);
    dialog.m_pModelList->setCurrentIndex(8);
    emit dialog.m_pModelList->activated(8); // model 9 needs four curves or more
    QString strWarning;
    auto pWarned = AnswerMessageBox(QMessageBox::Ok, &strWarning);
    dialog.m_pCalc->click();
    QVERIFY(*pWarned);
    QVERIFY(strWarning.startsWith(QStringLiteral("Need data or select enather function for approximation!!!")));
    // The core's reason follows the Part's sentence.
    QVERIFY2(strWarning.trimmed().count('\n') >= 1, qPrintable(strWarning));
    QCOMPARE(g_pMaterial->m_nCoef, 0);
    QCOMPARE(g_nStage, 3);
    // The reason is kept in the Messages pane and shown in the status bar.
    const QString strReason = strWarning.trimmed().section('\n', 1).trimmed();
    QVERIFY(window.m_frame.MessagesPane()->toPlainText().contains(strReason));
    QVERIFY(window.m_frame.StatusLine().contains(strReason));
}

// Calc of model 20 asks for the melting temperature, offering the one given last; a
// cancelled prompt fits nothing.
void CWindowTest::calcOfJohnsonCookAsksForTheMeltingTemperature() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, kFourCurves);
    CApproxDlg dialog(window.View(), &window.m_frame);
    dialog.m_pModelList->setCurrentIndex(19);
    emit dialog.m_pModelList->activated(19);
    QList<double> aOffered;
    std::optional<double> dAnswer;
    dialog.m_askMeltTemperature = [&](double dSuggested) {
        aOffered << dSuggested;
        return dAnswer;
    };
    dialog.m_pCalc->click();
    QCOMPARE(g_pMaterial->m_nCoef, 0);
    QCOMPARE(dialog.LastWarning(), QString());
    dAnswer = 1450;
    dialog.m_pCalc->click();
    QCOMPARE(dialog.LastWarning(), QString());
    QCOMPARE(g_pMaterial->m_nCoef, 8);
    QCOMPARE(g_pMaterial->m_dCoef[7], 1450.0);
    QCOMPARE(dialog.m_aCoefFields[7]->text(), DialogNumber(1450));
    dialog.m_pCalc->click();
    QCOMPARE(aOffered, (QList<double>{1500, 1500, 1450}));
    dialog.grab().save(ScreenshotPath(QStringLiteral("work-window-johnson-cook.png")));
}

void CWindowTest::calcFitsAndOptimizationPicksTheModel() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, kFourCurves);
    CApproxDlg dialog(window.View(), &window.m_frame);
    dialog.m_pModelList->setCurrentIndex(8);
    emit dialog.m_pModelList->activated(8);
    dialog.m_pCalc->click();
    QCOMPARE(dialog.LastWarning(), QString());
    QCOMPARE(g_pMaterial->m_nCoef, 4);
    QCOMPARE(dialog.m_aCoefFields[0]->text(), DialogNumber(g_pMaterial->m_dCoef[0]));
    QCOMPARE(dialog.m_pErrorMax->text(), DialogNumber(g_pMaterial->m_dErrorMax));
    QVERIFY(g_pMaterial->m_dErrorMax > 0);
    QVERIFY(window.View().m_bPlotMode);
    QVERIFY(QFile::exists(scratch.File("STAL_45.mat")));
    QVERIFY(QFile::exists(scratch.File("progr.f90")));
    QVERIFY(!window.m_frame.Doc().IsModified());

    dialog.m_pOptimization->click();
    const int nChosen = g_pMaterial->m_nFunction;
    QVERIFY(FindModel(nChosen));
    QCOMPARE(dialog.m_pModelList->currentData().toInt(), nChosen);
    QCOMPARE(VisibleCoefFields(dialog), FindModel(nChosen)->m_nCoef);
    // Every candidate has its ErrorMax (or "refused") in the table; the chosen one's is
    // the smallest.
    double dSmallest = 1e300;
    int nSmallest = 0;
    for (int c = 0; c < dialog.m_pCandidates->columnCount(); ++c) {
        const QString strCell = dialog.m_pCandidates->item(0, c)->text();
        // Models 19 and 21 compete only with the refinement.
        const QString strModel = dialog.m_pCandidates->horizontalHeaderItem(c)->text();
        const bool bSinh = strModel == QStringLiteral("19") || strModel == QStringLiteral("21");
        QCOMPARE(dialog.m_pCandidates->isColumnHidden(c), bSinh);
        if (bSinh) {
            QVERIFY(strCell.isEmpty());
            continue;
        }
        QVERIFY2(!strCell.isEmpty(), qPrintable(QString::number(c)));
        if (strCell == QStringLiteral("refused"))
            continue;
        // The cell shows four digits; its tooltip carries the whole value.
        const QString strTip = dialog.m_pCandidates->item(0, c)->toolTip();
        QVERIFY(strTip.startsWith(QStringLiteral("ErrorMax= ")));
        const double dValue = strTip.section('\n', 0, 0).mid(10).toDouble();
        QCOMPARE(QString::number(dValue, 'g', 4), strCell);
        if (dValue < dSmallest) {
            dSmallest = dValue;
            nSmallest = dialog.m_pCandidates->horizontalHeaderItem(c)->text().toInt();
        }
    }
    QCOMPARE(nSmallest, nChosen);

    // Selecting another candidate shows its law and curves without fitting; "Use this law"
    // makes it the material's (undoable); its coefficients are those of a fit of its own.
    const int nOther = nChosen == 2 ? 3 : 2;
    const CMaterial chosen = *g_pMaterial;
    const int nColumn = static_cast<int>(std::find(kRefinedModelCandidates.begin(), kRefinedModelCandidates.end(), nOther) -
                                         kRefinedModelCandidates.begin());
    dialog.m_pCandidates->setCurrentCell(0, nColumn);
    QVERIFY(*g_pMaterial == chosen);
    QCOMPARE(window.View().Drawn()->m_nFunction, nOther);
    QCOMPARE(dialog.m_pModelList->currentData().toInt(), nOther);
    const CMaterial candidate = *window.View().Drawn();
    QCOMPARE(dialog.m_aCoefFields[0]->text(), DialogNumber(candidate.m_dCoef[0]));
    QVERIFY(dialog.m_pUseLaw->isEnabled());
    dialog.m_pUseLaw->click();
    QCOMPARE(g_pMaterial->m_nFunction, nOther);
    QCOMPARE(window.View().Drawn(), g_pMaterial.get());
    window.m_frame.UndoAction()->trigger();
    QVERIFY(*g_pMaterial == chosen);
    dialog.m_pModelList->setCurrentIndex(dialog.m_pModelList->findData(nOther));
    emit dialog.m_pModelList->activated(dialog.m_pModelList->currentIndex());
    dialog.m_pCalc->click();
    QCOMPARE(g_pMaterial->m_nCoef, candidate.m_nCoef);
    for (int k = 0; k < candidate.m_nCoef; ++k)
        QCOMPARE(g_pMaterial->m_dCoef[k], candidate.m_dCoef[k]);
    QCOMPARE(g_pMaterial->m_dErrorMax, candidate.m_dErrorMax);
}

// The fit report under the coefficients follows every fit; "Refine" refines Calc's fit and
// makes the Optimization rank by RMS.
void CWindowTest::refineAndTheFitReport() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, kFourCurves);
    CApproxDlg dialog(window.View(), &window.m_frame);
    QCOMPARE(dialog.m_pReport->rowCount(), 0);
    QVERIFY(!dialog.m_pRefine->isChecked());
    dialog.m_pModelList->setCurrentIndex(8);
    emit dialog.m_pModelList->activated(8);
    dialog.m_pCalc->click();
    const CFitReport plain = MakeFitReport(*g_pMaterial);
    const double dPlainA2 = g_pMaterial->m_dCoef[1];
    QCOMPARE(dialog.m_pReport->rowCount(), 5);
    QCOMPARE(dialog.m_pReport->verticalHeaderItem(0)->text(), QStringLiteral("All"));
    QCOMPARE(dialog.m_pReport->item(0, 2)->toolTip(), DialogNumber(plain.m_all.m_dRms));
    QCOMPARE(dialog.m_pReport->item(3, 0)->text(), QStringLiteral("1100"));
    QCOMPARE(dialog.m_pReport->item(3, 1)->text(), QStringLiteral("0.1"));
    QCOMPARE(dialog.m_pReport->item(3, 4)->toolTip(), DialogNumber(plain.m_aCurves[2].m_stats.m_dMaxAbs));

    QTest::mouseClick(dialog.m_pRefine, Qt::LeftButton, {}, QPoint(4, dialog.m_pRefine->height() / 2));
    QVERIFY(dialog.m_pRefine->isChecked());
    dialog.m_pCalc->click();
    const CFitReport refined = MakeFitReport(*g_pMaterial);
    QVERIFY(refined.m_all.m_dRms < plain.m_all.m_dRms);
    QVERIFY(g_pMaterial->m_dCoef[1] != dPlainA2);
    QCOMPARE(dialog.m_aCoefFields[1]->text(), DialogNumber(g_pMaterial->m_dCoef[1]));
    QCOMPARE(dialog.m_pReport->item(0, 2)->toolTip(), DialogNumber(refined.m_all.m_dRms));
    // The refined coefficients with the half-widths of their 95 % intervals.
    QVERIFY(dialog.m_pCoefficients->rowCount() >= 4);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(dialog.m_pCoefficients->verticalHeaderItem(k)->text(), QStringLiteral("A%1").arg(k + 1));
        QVERIFY2(dialog.m_pCoefficients->item(k, 1)->text().startsWith(QStringLiteral("\u00b1 ")),
                 qPrintable(dialog.m_pCoefficients->item(k, 1)->text()));
    }
    QVERIFY(dialog.m_pCandidates->isColumnHidden(dialog.m_pCandidates->columnCount() - 1) == false);
    // A larger window widens the fields and gives the report and the table more height; no
    // field cuts its number off.
    dialog.show();
    const QSize opening = dialog.size();
    const int nField = dialog.m_aCoefFields[0]->width(), nReport = dialog.m_pReportTabs->height(),
              nRanking = dialog.m_pCandidates->height();
    for (const QSize size : {opening, opening * 1.6}) {
        dialog.resize(size);
        QCoreApplication::processEvents();
        for (const QLineEdit* pField : dialog.m_aCoefFields)
            QVERIFY2(QFontMetrics(pField->font()).horizontalAdvance(pField->text()) < pField->width() - 4,
                     qPrintable(pField->text()));
    }
    QVERIFY(dialog.m_aCoefFields[0]->width() > nField * 3 / 2);
    QVERIFY(dialog.m_pReportTabs->height() > nReport + opening.height() / 4);
    QVERIFY(dialog.m_pCandidates->height() > nRanking + opening.height() / 8);
    // "Copy coefficients" gives every coefficient back to the last bit.
    QTimer::singleShot(200, [] {
        for (QAction* pAction : QApplication::activePopupWidget()->actions())
            if (pAction->text() == QStringLiteral("Copy coefficients"))
                pAction->trigger();
        QApplication::activePopupWidget()->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &menuEvent);
    const QStringList aCopied = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(aCopied.size(), g_pMaterial->m_nCoef);
    for (int k = 0; k < g_pMaterial->m_nCoef; ++k)
        QCOMPARE(aCopied[k].section(QStringLiteral(" = "), 1).toDouble(), g_pMaterial->m_dCoef[k]);
    // A coefficient whose interval holds 0 is marked, one known to a thousandth is not.
    g_pMaterial->m_confidence->m_aCoef[0].m_dHalfWidth = 1.5 * std::fabs(g_pMaterial->m_dCoef[0]);
    g_pMaterial->m_confidence->m_aCoef[1].m_dHalfWidth = 1e-3 * std::fabs(g_pMaterial->m_dCoef[1]);
    dialog.ShowModel();
    QVERIFY(dialog.m_aCoefFields[0]->toolTip().contains(QStringLiteral("includes 0")));
    QVERIFY(dialog.m_pCoefficients->item(0, 0)->toolTip().contains(QStringLiteral("wider than its value")));
    QVERIFY(dialog.m_pCoefficients->item(0, 1)->background() != dialog.m_pCoefficients->item(1, 1)->background());
    QVERIFY(!dialog.m_aCoefFields[1]->toolTip().contains(QStringLiteral("poorly")));
    dialog.resize(opening);

    dialog.m_pOptimization->click();
    QVERIFY(dialog.m_pRanking->title().contains(QStringLiteral("RMS")));
    double dSmallest = 1e300;
    int nSmallest = 0;
    for (int c = 0; c < dialog.m_pCandidates->columnCount(); ++c) {
        const QString strCell = dialog.m_pCandidates->item(0, c)->text();
        if (strCell == QStringLiteral("refused"))
            continue;
        if (strCell.toDouble() < dSmallest) {
            dSmallest = strCell.toDouble();
            nSmallest = dialog.m_pCandidates->horizontalHeaderItem(c)->text().toInt();
        }
    }
    QCOMPARE(g_pMaterial->m_nFunction, nSmallest);
    QCOMPARE(dialog.m_pReport->item(0, 2)->toolTip(), DialogNumber(MakeFitReport(*g_pMaterial).m_all.m_dRms));

    // Choosing a model clears the fit, and with it the report.
    dialog.m_pModelList->setCurrentIndex(13);
    emit dialog.m_pModelList->activated(13);
    QCOMPARE(dialog.m_pReport->rowCount(), 0);
}

void CWindowTest::curveListSelectsTheCurve() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{900, 1}, {1000, 1}, {1100, 1}});
    CApproxDlg dialog(window.View(), &window.m_frame);
    QCOMPARE(dialog.m_pCurveList->itemText(3), QString::fromStdString(g_pMaterial->Curve(2).m_strLabel));
    dialog.m_pCurveList->setCurrentIndex(3);
    emit dialog.m_pCurveList->activated(3);
    QCOMPARE(g_pMaterial->m_nSelectedCurve, 3);
    QVERIFY(window.View().m_bPlotMode);
    dialog.m_pCurveList->setCurrentIndex(0);
    emit dialog.m_pCurveList->activated(0);
    QCOMPARE(g_pMaterial->m_nSelectedCurve, 0);
}

void CWindowTest::surfaceCommandStartsTheViewer() {
    CScratchFolder scratch;
    SWindow window(scratch);
    // Measured at 1050 and 1250 deg C: the run draws its surface at 1150 and says so.
    BuildMaterial(window.View(), scratch, {{1050, 0.1}, {1050, 10}, {1250, 0.1}, {1250, 10}});
    {
        CApproxDlg dialog(window.View(), &window.m_frame);
        dialog.m_pModelList->setCurrentIndex(8);
        emit dialog.m_pModelList->activated(8);
        dialog.m_pCalc->click();
    }
    QVERIFY2(window.m_frame.MessagesPane()->toPlainText().contains(
                 scratch.File("visual.tmp") + ": the surface is drawn at 1150 deg C, the middle of the measured temperatures"),
             qPrintable(window.m_frame.MessagesPane()->toPlainText()));
    // A stand-in viewer that notes where and on what it was started.
    const QString strFake = scratch.File("fake-orbiq.sh");
    QVERIFY(WriteBytes(strFake, "#!/bin/sh\npwd > \"$0.log\"\necho \"$1\" >> \"$0.log\"\n"));
    QFile::setPermissions(strFake, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    window.View().m_strViewerProgram = strFake;
    QFile::remove(scratch.File("visual.tmp"));

    // The prompt starts with the temperature of the last surface.
    QString strStart;
    auto pTyped = WhenModal<CTemp3dDlg>([&strStart](CTemp3dDlg* pDialog) {
        strStart = pDialog->m_pTempEdit->text();
        pDialog->m_pTempEdit->setText(QStringLiteral("1200"));
        pDialog->accept();
    });
    window.View().ShowSurface3D();
    QVERIFY(*pTyped);
    QCOMPARE(strStart, DialogNumber(1150));
    QCOMPARE(g_pMaterial->m_dTemp3d, 1200.0);
    QVERIFY(QFile::exists(scratch.File("visual.tmp")));
    const auto logText = [&] {
        QFile log(strFake + ".log");
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    };
    QTRY_COMPARE(logText().count('\n'), 2);
    const QStringList aLines = logText().trimmed().split('\n');
    QCOMPARE(aLines.value(0), scratch.Path());
    QCOMPARE(aLines.value(1), scratch.File("visual.tmp"));
    // Every node line of the surface carries the temperature typed.
    const QByteArray aSurface = [&] {
        QFile file(scratch.File("visual.tmp"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(aSurface.contains("1200.000000"));

    // A viewer that cannot be started is reported; a temperature outside the measured ones
    // draws the surface all the same and says it is extrapolated.
    window.View().m_strViewerProgram = scratch.File("no-such-viewer");
    auto pAgain = WhenModal<CTemp3dDlg>([](CTemp3dDlg* pDialog) {
        pDialog->m_pTempEdit->setText(QStringLiteral("300"));
        pDialog->accept();
    });
    QString strMessage;
    auto pError = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    window.View().ShowSurface3D();
    QVERIFY(*pAgain && *pError);
    QVERIFY2(strMessage.contains(QStringLiteral("no-such-viewer")), qPrintable(strMessage));
    QVERIFY(window.m_frame.MessagesPane()->toPlainText().contains(
        "the surface at 300 deg C lies outside the measured temperatures 1050..1250 deg C: it is extrapolated"));

    // Cancel in the temperature dialog does nothing.
    QFile::remove(scratch.File("visual.tmp"));
    auto pCancelled = WhenModal<CTemp3dDlg>([](CTemp3dDlg* pDialog) { pDialog->reject(); });
    window.View().ShowSurface3D();
    QVERIFY(*pCancelled);
    QVERIFY(!QFile::exists(scratch.File("visual.tmp")));
    QCOMPARE(g_pMaterial->m_dTemp3d, 300.0);
}

void CWindowTest::surfaceCommandStartsTheBuiltViewer() {
    const QString strViewer = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("orbiq");
    if (!QFileInfo(strViewer).isExecutable())
        QSKIP("the viewer orbiq is not built beside this test");
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, kFourCurves);
    ChooseModel(9);
    Calc();
    auto pTyped = WhenModal<CTemp3dDlg>([](CTemp3dDlg* pDialog) { pDialog->accept(); });
    window.View().ShowSurface3D(); // the viewer inherits the offscreen platform of this test
    QVERIFY(*pTyped);
    const qint64 nPid = window.View().m_nViewerPid;
    QVERIFY(nPid > 0);
    // The viewer runs in the work folder on the file just written, and stays up.
    const QString strProc = QStringLiteral("/proc/%1").arg(nPid);
    QTest::qWait(1000);
    QVERIFY2(QFileInfo::exists(strProc), "the viewer ended at once");
    QFile cmdline(strProc + "/cmdline");
    QVERIFY(cmdline.open(QIODevice::ReadOnly));
    const QList<QByteArray> aArgs = cmdline.readAll().split('\0');
    QCOMPARE(QFileInfo(QString::fromLocal8Bit(aArgs.value(0))).canonicalFilePath(), QFileInfo(strViewer).canonicalFilePath());
    QCOMPARE(QString::fromLocal8Bit(aArgs.value(1)), scratch.File("visual.tmp"));
    QCOMPARE(QFileInfo(strProc + "/cwd").canonicalFilePath(), scratch.Path());
    ::kill(static_cast<pid_t>(nPid), SIGTERM);
}

void CWindowTest::surfaceCommandWithoutPointsStartsNothing() {
    CScratchFolder scratch;
    SWindow window(scratch);
    NewMaterialAs(window.View(), QStringLiteral("EMPTY"));
    g_nStage = 3;
    const QString strFake = scratch.File("fake-orbiq.sh");
    window.View().m_strViewerProgram = strFake; // would fail loudly if it were started
    auto pTyped = WhenModal<CTemp3dDlg>([](CTemp3dDlg* pDialog) { pDialog->accept(); });
    QString strMessage;
    auto pInfo = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    window.View().ShowSurface3D();
    QVERIFY(*pTyped && *pInfo);
    QVERIFY2(strMessage.contains(QStringLiteral("No measured points to show")), qPrintable(strMessage));
    QVERIFY(!QFile::exists(scratch.File("visual.tmp")));
}

void CWindowTest::printAndExportDrawThePlot() {
    CScratchFolder scratch;
    SWindow window(scratch);
    BuildMaterial(window.View(), scratch, {{1000, 1}, {1100, 1}});
    g_nStage = 3;
    window.m_frame.UpdateCommandStates();
    // Printing to a PDF file draws the plot on the page.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(scratch.File("plot.pdf"));
    ChooseModel(2);
    QVERIFY(Calc().Ok());
    const QStringList aHeader = window.View().PrintTo(&printer);
    QFile pdf(scratch.File("plot.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(pdf.size() > 2000);
    // The header: material, model, every coefficient to the last bit, the errors.
    QCOMPARE(aHeader.value(0), QStringLiteral("Material: STAL_45"));
    QCOMPARE(aHeader.value(1), QStringLiteral("Model ") + QString::fromLatin1(FindModel(2)->m_szLabel));
    const QString strHeader = aHeader.join('\n');
    for (int k = 0; k < g_pMaterial->m_nCoef; ++k) {
        const QRegularExpression coef(QStringLiteral("A%1 = (\\S+)").arg(k + 1));
        QCOMPARE(coef.match(strHeader).captured(1).toDouble(), g_pMaterial->m_dCoef[k]);
    }
    QVERIFY(strHeader.contains(QStringLiteral("ErrorMax= ") + DialogNumber(g_pMaterial->m_dErrorMax)));
    // "Export report..." writes the same page as a landscape PDF.
    auto pReport = ChooseFile(scratch.File("report.pdf"));
    window.m_frame.ExportReportAction()->trigger();
    QVERIFY(*pReport);
    QFile report(scratch.File("report.pdf"));
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]")).match(QString::fromLatin1(report.readAll()));
    QVERIFY(box.hasMatch());
    QVERIFY(box.captured(1).toDouble() > box.captured(2).toDouble());

    // "Export plot..." writes a PNG by the name chosen.
    auto pChosen = ChooseFile(scratch.File("exported.png"));
    window.m_frame.ExportPlotAction()->trigger();
    QVERIFY(*pChosen);
    QImage image(scratch.File("exported.png"));
    QCOMPARE(image.size(), QSize(1200, 800));
    // Choosing the SVG filter makes a name without an ending an SVG drawing.
    auto pSvg = WhenModal<QFileDialog>([&](QFileDialog* pDialog) {
        auto* pTypes = pDialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(pTypes);
        pTypes->setCurrentIndex(1);
        emit pTypes->activated(1); // what choosing the entry sends
        emit pTypes->textActivated(pTypes->currentText());
        pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(scratch.File("drawing"));
        static_cast<QDialog*>(pDialog)->accept();
    });
    window.m_frame.ExportPlotAction()->trigger();
    QVERIFY(*pSvg);
    QFile svg(scratch.File("drawing.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(svg.readAll().contains("<svg"));
}

QTEST_MAIN(CWindowTest)
#include "WindowTest.moc"

// What users found wrong in the window, each in the state it was found in.
void CWindowTest::defectsUsersFound() {
    CScratchFolder scratch;
    SWindow window(scratch);
    CKivView& view = window.View();
    QAction* pSave = window.m_frame.Action(EKivCommand::Save);
    QAction* pSaveAs = window.m_frame.Action(EKivCommand::SaveAs);

    // Curves added and not yet fitted (stage 2) can be saved, also after a refused edit.
    BuildMaterial(view, scratch, kFourCurves);
    view.OnSelectFileList();
    CCurveTableView& table = view.Table();
    auto pRefused = AnswerMessageBox(QMessageBox::Ok);
    table.item(table.RowOfCurve(2), CCurveTableView::kTemp)->setText(QStringLiteral("9999"));
    QTRY_VERIFY(*pRefused);
    QCOMPARE(g_nStage, 2);
    QVERIFY(window.m_frame.isWindowModified());
    QVERIFY(pSave->isEnabled() && pSaveAs->isEnabled());

    // A right-click offers to remove the curve under the pointer, not the one above it.
    const QRect third = table.visualItemRect(table.item(table.RowOfCurve(3), CCurveTableView::kFile));
    QTimer::singleShot(100, [] {
        if (QWidget* pMenu = QApplication::activePopupWidget())
            pMenu->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, third.center(), table.viewport()->mapToGlobal(third.center()));
    QApplication::sendEvent(table.viewport(), &click);
    QCOMPARE(table.MarkedCurve(), 3);

    // A curve added to a fitted material is prepared as the others are.
    ChooseModel(9);
    CApproxDlg dialog(view, &window.m_frame);
    dialog.m_pRefine->setChecked(true);
    dialog.m_pCalc->click();
    QCOMPARE(g_pMaterial->m_nPrepared, 1);
    const QString strFifth = scratch.File(QStringLiteral("rec_1000_1.asc"));
    WriteLawRecord(strFifth, 1000, 1);
    AddFileAs(view, strFifth, 1000, 1);
    QCOMPARE(g_pMaterial->Curve(4).PointCount(), 30);
    QCOMPARE(g_pMaterial->m_nPoints, g_pMaterial->CountPoints());

    // The confidence intervals of a refined fit are back after Save, close and open.
    ChooseModel(9);
    dialog.m_pCalc->click();
    QVERIFY(g_pMaterial->m_confidence && g_pMaterial->m_confidence->Ok());
    const CMaterial fitted = *g_pMaterial;
    SaveMaterialAs(scratch.File("saved.mat").toStdString());
    window.m_frame.Doc().SetModified(false);
    g_pMaterial.reset();
    OpenMaterial(scratch.File("saved.mat").toStdString());
    QCOMPARE(g_pMaterial->m_confidence, fitted.m_confidence);
    // The fit report's row of a prepared curve carries its preparation record.
    g_pMaterial->Curve(1).m_strPrep = "segment; friction m=0.2";
    CApproxDlg reopened(view, &window.m_frame);
    QVERIFY2(reopened.m_pCoefficients->item(0, 1)->text().startsWith(QStringLiteral("\u00b1 ")),
             qPrintable(reopened.m_pCoefficients->item(0, 1)->text()));
    QCOMPARE(reopened.m_pReport->verticalHeaderItem(2)->toolTip(), QStringLiteral("segment; friction m=0.2"));
    QVERIFY(reopened.m_pReport->verticalHeaderItem(1)->toolTip().isEmpty());
}
