#include "MainFrame.h"
#include "vornel/session/History.h"

#include "AnalysisDialogs.h"
#include "ApproxDlg.h"
#include "Artwork.h"
#include "Dialogs.h"
#include "ExportLawDlg.h"
#include "KivDoc.h"
#include "KivView.h"
#include "LockKeys.h"

#include "vornel/export/LawExport.h"
#include "vornel/document/Material.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTime>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <algorithm>

namespace {

constexpr const char* kRecentGroup = "Recent File List";
constexpr const char* kLockTexts[3] = {"CAP", "NUM", "SCRL"};

// The help window's text: how a material goes from curves to a law.
constexpr const char* kHelpText = R"(<h3>Vornel</h3>
<p>Vornel turns measured flow curves (true strain against yield stress, one curve per
temperature and strain rate) into a flow-stress law.</p>
<ol>
<li><b>File &rsaquo; New material</b> (Ctrl+N) names a new material; <b>File &rsaquo; Open File</b>
(Ctrl+O) opens a material file (*.mat).</li>
<li><b>File &rsaquo; Add File</b> adds an experiment data file as a curve: three header lines,
then rows of row number, strain and stress. Give its temperature t (deg C) and strain rate U
(1/s). Choose several files at once (or drop them on the window) to add them in one dialog,
with t and U taken from a conditions list in their folder, their names (steel_1050_0.1.asc) or
their first header line; <b>File &rsaquo; Add curves from list</b> reads a list of "FILE T H"
lines.</li>
<li><b>Approximation &rsaquo; Processing dialog</b> opens the work window: choose a model and
press <b>Calc</b>, or press <b>Optimization</b> to let Vornel fit the candidate models and keep the best.
Each fit writes the law as a Fortran 90 subroutine (progr.f90) beside the material file.</li>
<li><b>Graf</b> shows the measured points and the fitted curves, in the view the View menu
chooses: all curves (with a legend when you ask for it), a panel per temperature, or the
deviations of the law. <b>Select file list</b> lists the curves with their conditions and,
after a fit, their RMS and largest deviation; double-click t or H to correct them.
<b>3d visualization</b> shows the fitted stress as a surface at one temperature.</li>
<li><b>View &rsaquo; Processing map</b> draws the efficiency of power dissipation and the
instability of the dynamic materials model over temperature and strain rate at chosen strains,
from the fitted law or from the measured curves. <b>View &rsaquo; Hot-working analysis</b> lists each
curve's peak and steady-state stress and works out the activation energy Q, with the plots
behind each slope.</li>
<li><b>File &rsaquo; Save</b> (Ctrl+S) keeps the material with its fit.</li>
<li><b>File &rsaquo; Export law...</b> writes the fitted law for a forming solver: an Abaqus UHARD or
VUHARD subroutine with the law's derivatives, Abaqus *PLASTIC or LS-DYNA tables, or a CSV table,
and says whether the law is safe to use (positive, not rising with temperature, not falling with
strain rate).</li>
</ol>
<p>Shift+F1, then a click on a command, tells what the command does. The Messages pane
(View menu) lists what the fits reported.</p>)";

} // namespace

CMainFrame::CMainFrame(std::unique_ptr<QSettings> pSettings, QWidget* pParent)
    : QMainWindow(pParent), m_pSettings(std::move(pSettings)), m_pDoc(std::make_unique<CKivDoc>()) {
    if (!m_pSettings)
        m_pSettings = std::make_unique<QSettings>(QString::fromLatin1(kSettingsOrganization),
                                                  QString::fromLatin1(kSettingsApplication));
    setWindowIcon(QIcon(ProgramPicture(64, 64)));
    m_pView = new CKivView(*m_pDoc, this);
    setCentralWidget(m_pView);

    m_pStatus = new QLabel(QStringLiteral("Ready"), this);
    statusBar()->addWidget(m_pStatus, 1);
    for (std::size_t i = 0; i < std::size(m_aLockPanes); ++i) {
        auto* pPane = new QLabel(this);
        pPane->setObjectName(QString::fromLatin1(kLockTexts[i]));
        pPane->setAlignment(Qt::AlignCenter);
        pPane->setMinimumWidth(pPane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        statusBar()->addPermanentWidget(pPane);
        m_aLockPanes[i] = pPane;
    }

    auto* pDock = new QDockWidget(QStringLiteral("Messages"), this);
    pDock->setObjectName(QStringLiteral("Messages"));
    m_pMessages = new QPlainTextEdit(pDock);
    m_pMessages->setReadOnly(true);
    m_pMessages->setMaximumBlockCount(5000);
    pDock->setWidget(m_pMessages);
    addDockWidget(Qt::BottomDockWidgetArea, pDock);
    pDock->hide();
    m_pMessagesAction = pDock->toggleViewAction();
    m_pMessagesAction->setText(QStringLiteral("&Messages"));
    m_pMessagesAction->setStatusTip(QStringLiteral("Show or hide the messages of the fits"));

    CreateMenusAndToolbar();
    LoadRecentFiles();

    connect(m_pView, &CKivView::StateChanged, this, &CMainFrame::UpdateCommandStates);
    connect(m_pView, &CKivView::MaterialFileUsed, this, &CMainFrame::AddRecentFile);
    connect(m_pView, &CKivView::StatusText, this, &CMainFrame::ShowStatus);
    connect(m_pView, &CKivView::Messages, this, &CMainFrame::AppendMessages);

    setAcceptDrops(true);
    resize(1000, 700);
    UpdateCommandStates();
    UpdateLockIndicators();
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::MakeAction(EKivCommand eCommand, const QString& strText, const QString& strStatus) {
    auto* pAction = new QAction(strText, this);
    pAction->setStatusTip(strStatus);
    pAction->setWhatsThis(strStatus);
    m_aCommands.push_back({eCommand, pAction});
    return pAction;
}

QAction* CMainFrame::Action(EKivCommand eCommand) const {
    for (const SCommandAction& command : m_aCommands)
        if (command.m_eCommand == eCommand)
            return command.m_pAction;
    return nullptr;
}

void CMainFrame::CreateMenusAndToolbar() {
    CKivView* v = m_pView;
    QAction* pNew = MakeAction(EKivCommand::NewMaterial, QStringLiteral("&New material"),
                               QStringLiteral("Create a new material"));
    pNew->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    pNew->setIcon(ToolIcon(EToolIcon::NewMaterial));
    pNew->setToolTip(QStringLiteral("New material"));
    connect(pNew, &QAction::triggered, v, &CKivView::OnNewMaterial);

    QAction* pOpen = MakeAction(EKivCommand::OpenFile, QStringLiteral("&Open File..."),
                                QStringLiteral("Open a material file"));
    pOpen->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    pOpen->setIcon(ToolIcon(EToolIcon::OpenFile));
    pOpen->setToolTip(QStringLiteral("Open File"));
    connect(pOpen, &QAction::triggered, v, &CKivView::OnOpenFile);

    QAction* pAdd =
        MakeAction(EKivCommand::AddFile, QStringLiteral("Add File "),
                   QStringLiteral("Add experiment data files as new curves (several at once in one dialog)"));
    pAdd->setIcon(ToolIcon(EToolIcon::AddFile));
    pAdd->setToolTip(QStringLiteral("Add File"));
    connect(pAdd, &QAction::triggered, v, &CKivView::OnAddFile);
    m_pAddFromList = new QAction(QStringLiteral("Add curves from &list..."), this);
    m_pAddFromList->setStatusTip(QStringLiteral("Add the curves of a list file, one \"FILE T H\" a line"));
    m_pAddFromList->setWhatsThis(m_pAddFromList->statusTip());
    connect(m_pAddFromList, &QAction::triggered, v, &CKivView::OnAddCurvesFromList);

    QAction* pSave = MakeAction(EKivCommand::Save, QStringLiteral("&Save"), QStringLiteral("Save the material in its file"));
    pSave->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    pSave->setIcon(ToolIcon(EToolIcon::Save));
    pSave->setToolTip(QStringLiteral("Save"));
    connect(pSave, &QAction::triggered, v, &CKivView::OnSave);

    QAction* pSaveAs = MakeAction(EKivCommand::SaveAs, QStringLiteral("Save &As..."),
                                  QStringLiteral("Save the material under a new name"));
    connect(pSaveAs, &QAction::triggered, v, &CKivView::OnSaveAs);

    QAction* pPrint = MakeAction(EKivCommand::Print, QStringLiteral("&Print..."), QStringLiteral("Print the plot"));
    pPrint->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    connect(pPrint, &QAction::triggered, v, &CKivView::OnPrint);
    QAction* pPreview = MakeAction(EKivCommand::PrintPreview, QStringLiteral("Print Pre&view"),
                                   QStringLiteral("Show the plot as it will be printed"));
    connect(pPreview, &QAction::triggered, v, &CKivView::OnPrintPreview);
    QAction* pSetup = MakeAction(EKivCommand::PrintSetup, QStringLiteral("P&rint Setup..."),
                                 QStringLiteral("Choose the printer and the page"));
    connect(pSetup, &QAction::triggered, v, &CKivView::OnPrintSetup);

    QAction* pExit = MakeAction(EKivCommand::Exit, QStringLiteral("E&xit"),
                                QStringLiteral("Quit the application; asks to save unsaved curves"));
    pExit->setIcon(ToolIcon(EToolIcon::Exit));
    pExit->setToolTip(QStringLiteral("Exit"));
    connect(pExit, &QAction::triggered, this, &QWidget::close);

    QAction* pList = MakeAction(EKivCommand::SelectFileList, QStringLiteral("Select file list"),
                                QStringLiteral("Show a list of the added files"));
    pList->setIcon(ToolIcon(EToolIcon::SelectFileList));
    pList->setToolTip(QStringLiteral("Show a list of the added files"));
    connect(pList, &QAction::triggered, v, &CKivView::OnSelectFileList);

    QAction* pProcessing = MakeAction(EKivCommand::ProcessingDialog, QStringLiteral("Processing dialog"),
                                      QStringLiteral("Processing of the Data"));
    pProcessing->setIcon(ToolIcon(EToolIcon::ProcessingDialog));
    pProcessing->setToolTip(QStringLiteral("Processing of the Data"));
    connect(pProcessing, &QAction::triggered, this, &CMainFrame::OnProcessingDialog);

    QAction* pGraf = MakeAction(EKivCommand::Graf, QStringLiteral("Graf"), QStringLiteral("Show function"));
    pGraf->setIcon(ToolIcon(EToolIcon::Graf));
    pGraf->setToolTip(QStringLiteral("Show function"));
    connect(pGraf, &QAction::triggered, v, &CKivView::OnGraf);

    QAction* pGrid = MakeAction(EKivCommand::GrafGrid, QStringLiteral("Graf grid"),
                                QStringLiteral("Set the grid cells of the plot"));
    connect(pGrid, &QAction::triggered, v, &CKivView::OnGrafGrid);

    QAction* p3d = MakeAction(EKivCommand::Visualization3d, QStringLiteral("3d visualization"),
                              QStringLiteral("3d visualization"));
    p3d->setIcon(ToolIcon(EToolIcon::Visualization3d));
    p3d->setToolTip(QStringLiteral("3d visualization"));
    connect(p3d, &QAction::triggered, v, &CKivView::ShowSurface3D);

    QAction* pAbout = MakeAction(EKivCommand::About, QStringLiteral("&About Vornel..."),
                                 QStringLiteral("Display program information, version number and copyright"));
    pAbout->setIcon(ToolIcon(EToolIcon::About));
    pAbout->setToolTip(QStringLiteral("About"));
    connect(pAbout, &QAction::triggered, this, &CMainFrame::OnAbout);

    m_pExportPlot = new QAction(QStringLiteral("Export plot..."), this);
    m_pExportPlot->setStatusTip(QStringLiteral("Write the plot as a PNG image or an SVG drawing"));
    connect(m_pExportPlot, &QAction::triggered, v, &CKivView::OnExportPlot);
    m_pExportReport = new QAction(QStringLiteral("Export report..."), this);
    m_pExportReport->setStatusTip(QStringLiteral("Write the printed page (material, law, coefficients, errors and the "
                                                 "plot) as a PDF file"));
    connect(m_pExportReport, &QAction::triggered, v, &CKivView::OnExportReport);

    m_pExportLaw = new QAction(QStringLiteral("Export &law..."), this);
    m_pExportLaw->setStatusTip(QStringLiteral("Write the fitted law for a forming solver: Abaqus subroutine or table, "
                                              "LS-DYNA table or CSV"));
    m_pExportLaw->setWhatsThis(m_pExportLaw->statusTip());
    connect(m_pExportLaw, &QAction::triggered, this, &CMainFrame::OnExportLaw);

    // Menus.
    m_pExportCurves = new QAction(QStringLiteral("Export &curves..."), this);
    m_pExportCurves->setStatusTip(QStringLiteral("Write every curve, as read and prepared (after a fit: as resampled), "
                                                 "as an experiment data file into a folder"));
    m_pExportCurves->setWhatsThis(m_pExportCurves->statusTip());
    connect(m_pExportCurves, &QAction::triggered, v, &CKivView::OnExportCurves);
    QMenu* pFile = menuBar()->addMenu(QStringLiteral("&File"));
    pFile->addActions({pNew, pOpen, pAdd, m_pAddFromList, pSave, pSaveAs, m_pExportLaw, m_pExportCurves});
    pFile->addSeparator();
    pFile->addActions({pPrint, pPreview, pSetup, m_pExportReport});
    pFile->addSeparator();
    for (int i = 0; i < kRecentFiles; ++i) {
        auto* pRecent = new QAction(this);
        pRecent->setVisible(false);
        m_aCommands.push_back({EKivCommand::RecentFile, pRecent});
        connect(pRecent, &QAction::triggered, this, [this, i] {
            if (i < m_aRecent.size())
                m_pView->OpenMaterialFile(m_aRecent[i]);
        });
        m_aRecentActions.push_back(pRecent);
        pFile->addAction(pRecent);
    }
    pFile->addSeparator();
    pFile->addAction(pExit);

    // Edit: undo and redo of the changes to the material (History.h).
    m_pUndo = new QAction(QStringLiteral("&Undo"), this);
    m_pUndo->setShortcut(QKeySequence::Undo);
    m_pUndo->setStatusTip(QStringLiteral("Undo the last change of the curves, their conditions or the law"));
    m_pRedo = new QAction(QStringLiteral("&Redo"), this);
    m_pRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence::Redo});
    m_pRedo->setStatusTip(QStringLiteral("Redo the change last undone"));
    const auto step = [this](bool bUndo) {
        if (bUndo)
            g_history.Undo();
        else
            g_history.Redo();
        m_pDoc->SetModified(true);
        m_pView->ShowUndone();
        ShowStatus(bUndo ? QStringLiteral("Undone") : QStringLiteral("Redone"));
    };
    connect(m_pUndo, &QAction::triggered, this, [step] { step(true); });
    connect(m_pRedo, &QAction::triggered, this, [step] { step(false); });
    QMenu* pEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    pEdit->addActions({m_pUndo, m_pRedo});

    QMenu* pViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    QToolBar* pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    pToolBar->setObjectName(QStringLiteral("Toolbar"));
    pToolBar->setIconSize(QSize(24, 24));
    pToolBar->addActions({pNew, pOpen, pSave, pAdd, pList, pProcessing, pGraf, p3d, pExit, pAbout});
    addToolBar(Qt::TopToolBarArea, pToolBar);
    QAction* pToolBarToggle = pToolBar->toggleViewAction();
    pToolBarToggle->setText(QStringLiteral("&Toolbar"));
    pToolBarToggle->setStatusTip(QStringLiteral("Show or hide the toolbar"));
    m_aCommands.push_back({EKivCommand::ToolBar, pToolBarToggle});
    auto* pStatusToggle = new QAction(QStringLiteral("&Status Bar"), this);
    pStatusToggle->setCheckable(true);
    pStatusToggle->setChecked(true);
    pStatusToggle->setStatusTip(QStringLiteral("Show or hide the status bar"));
    connect(pStatusToggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
    m_aCommands.push_back({EKivCommand::StatusBar, pStatusToggle});
    pViewMenu->addActions({pToolBarToggle, pStatusToggle, m_pMessagesAction});
    pViewMenu->addSeparator();
    auto* pViews = new QActionGroup(this);
    const struct {
        EPlotView m_eView;
        const char* m_szText;
        const char* m_szStatus;
    } aViews[] = {
        {EPlotView::Single, "All grafics", "Show every curve in one plot"},
        {EPlotView::Temperatures, "By temperature", "Show a panel per temperature, the curves coloured by strain rate"},
        {EPlotView::Deviations, "Deviations", "Show the fitted minus the measured stress of every curve"},
    };
    for (const auto& view : aViews) {
        QAction* pView = pViews->addAction(QString::fromLatin1(view.m_szText));
        pView->setCheckable(true);
        pView->setStatusTip(QString::fromLatin1(view.m_szStatus));
        pView->setWhatsThis(pView->statusTip());
        const EPlotView eView = view.m_eView;
        connect(pView, &QAction::triggered, v, [v, eView] { v->SetPlotView(eView); });
        m_apPlotViews[static_cast<int>(eView)] = pView;
    }
    m_apPlotViews[0]->setChecked(true);
    pViewMenu->addActions(pViews->actions());
    m_pLegend = new QAction(QStringLiteral("&Legend"), this);
    m_pLegend->setCheckable(true);
    m_pLegend->setStatusTip(QStringLiteral("Show each curve's t and H beside its colour in \"All grafics\""));
    m_pLegend->setWhatsThis(m_pLegend->statusTip());
    connect(m_pLegend, &QAction::toggled, v, &CKivView::SetLegend);
    pViewMenu->addAction(m_pLegend);
    pViewMenu->addSeparator();
    m_pProcessingMap = new QAction(QStringLiteral("&Processing map..."), this);
    m_pProcessingMap->setStatusTip(QStringLiteral("Show the processing map (efficiency and instability) at chosen "
                                                  "strains, from the fitted law or the measured curves"));
    m_pProcessingMap->setWhatsThis(m_pProcessingMap->statusTip());
    connect(m_pProcessingMap, &QAction::triggered, this, &CMainFrame::OnProcessingMap);
    m_pHotWorking = new QAction(QStringLiteral("&Hot-working analysis..."), this);
    m_pHotWorking->setStatusTip(QStringLiteral("Show each curve's peak and steady-state stress and the activation "
                                               "energy with the plots behind it"));
    m_pHotWorking->setWhatsThis(m_pHotWorking->statusTip());
    connect(m_pHotWorking, &QAction::triggered, this, &CMainFrame::OnHotWorkingAnalysis);
    pViewMenu->addActions({m_pProcessingMap, m_pHotWorking});

    QMenu* pApprox = menuBar()->addMenu(QStringLiteral("&Approximation"));
    pApprox->addActions({pList, pProcessing, pGraf, pGrid});
    pApprox->addSeparator();
    pApprox->addActions({p3d, m_pExportPlot});

    m_pHelpTopics = new QAction(QStringLiteral("&Help Topics"), this);
    m_pHelpTopics->setShortcut(QKeySequence(Qt::Key_F1));
    m_pHelpTopics->setStatusTip(QStringLiteral("List the steps from curves to a law"));
    connect(m_pHelpTopics, &QAction::triggered, this, &CMainFrame::OnHelpTopics);
    m_pWhatsThis = QWhatsThis::createAction(this); // Shift+F1
    m_pWhatsThis->setStatusTip(QStringLiteral("Click on a command to learn what it does"));
    QMenu* pHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    pHelp->addActions({m_pHelpTopics, m_pWhatsThis});
    pHelp->addSeparator();
    pHelp->addAction(pAbout);

    for (QMenu* pMenu : {pFile, pViewMenu, pApprox, pHelp})
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::UpdateCommandStates() {
    m_pUndo->setEnabled(g_history.CanUndo());
    m_pRedo->setEnabled(g_history.CanRedo());
    for (const SCommandAction& command : m_aCommands)
        command.m_pAction->setEnabled(IsCommandEnabled(command.m_eCommand, g_nStage));
    // A material with changes its file does not have yet can always be saved, also before
    // its first fit (curves added, a condition corrected): nothing the user did is lost.
    if (g_pMaterial && m_pDoc->IsModified())
        for (EKivCommand e : {EKivCommand::Save, EKivCommand::SaveAs})
            Action(e)->setEnabled(true);
    // The plot file goes with the plot's other outputs, printing.
    m_pExportPlot->setEnabled(IsCommandEnabled(EKivCommand::Print, g_nStage));
    m_pExportReport->setEnabled(IsCommandEnabled(EKivCommand::Print, g_nStage));
    // Adding from a list goes with Add File, the plot's views with Graf.
    m_pAddFromList->setEnabled(IsCommandEnabled(EKivCommand::AddFile, g_nStage));
    m_pExportCurves->setEnabled(g_pMaterial && g_pMaterial->m_nCurves > 0);
    for (QAction* pView : m_apPlotViews)
        pView->setEnabled(IsCommandEnabled(EKivCommand::Graf, g_nStage));
    m_pLegend->setEnabled(IsCommandEnabled(EKivCommand::Graf, g_nStage));
    m_pExportLaw->setEnabled(g_pMaterial && CheckLawExport(*g_pMaterial).Ok());
    // The analyses read the curves, as the curve table does.
    m_pProcessingMap->setEnabled(g_pMaterial && IsCommandEnabled(EKivCommand::SelectFileList, g_nStage));
    m_pHotWorking->setEnabled(m_pProcessingMap->isEnabled());

    QString strTitle = QStringLiteral("KivRoll");
    if (g_pMaterial)
        strTitle += QStringLiteral(" - ") + QFileInfo(QString::fromStdString(g_pMaterial->m_strFileName)).fileName();
    setWindowTitle(strTitle + QStringLiteral("[*]"));
    setWindowModified(g_pMaterial && m_pDoc->IsModified());
}

QString CMainFrame::StatusLine() const { return m_pStatus->text(); }

QStringList CMainFrame::LockIndicators() const {
    QStringList aTexts;
    for (const QLabel* pPane : m_aLockPanes)
        aTexts << pPane->text();
    return aTexts;
}

void CMainFrame::UpdateLockIndicators() {
    const SLockKeys keys = QueryLockKeys();
    const bool abOn[3] = {keys.m_bCaps, keys.m_bNum, keys.m_bScroll};
    for (std::size_t i = 0; i < std::size(m_aLockPanes); ++i)
        m_aLockPanes[i]->setText(abOn[i] ? QString::fromLatin1(kLockTexts[i]) : QString());
}

void CMainFrame::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateLockIndicators();
    QMainWindow::changeEvent(pEvent);
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::KeyRelease) {
        const int nKey = static_cast<const QKeyEvent*>(pEvent)->key();
        if (nKey == Qt::Key_CapsLock || nKey == Qt::Key_NumLock || nKey == Qt::Key_ScrollLock)
            UpdateLockIndicators();
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

void CMainFrame::ShowStatus(const QString& strText) {
    statusBar()->clearMessage();
    m_pStatus->setText(strText);
}

void CMainFrame::AppendMessages(const QStringList& aLines) {
    const QString strTime = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    for (const QString& strLine : aLines)
        m_pMessages->appendPlainText(strTime + QStringLiteral("  ") + strLine);
}

void CMainFrame::OnProcessingDialog() {
    if (!g_pMaterial)
        return;
    CApproxDlg dialog(*m_pView, this);
    dialog.exec();
    UpdateCommandStates();
}

void CMainFrame::OnExportLaw() {
    if (!g_pMaterial)
        return;
    CExportLawDlg dialog(*g_pMaterial, m_pView->WorkFolder(), this);
    connect(&dialog, &CExportLawDlg::Messages, this, &CMainFrame::AppendMessages);
    connect(&dialog, &CExportLawDlg::StatusText, this, &CMainFrame::ShowStatus);
    dialog.exec();
}

void CMainFrame::OnProcessingMap() {
    if (!g_pMaterial)
        return;
    CProcessingMapDlg dialog(*g_pMaterial, m_pView->WorkFolder(), this);
    dialog.exec();
}

void CMainFrame::OnHotWorkingAnalysis() {
    if (!g_pMaterial)
        return;
    CHotWorkingDlg dialog(*g_pMaterial, m_pView->WorkFolder(), this);
    dialog.exec();
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnHelpTopics() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Vornel Help"));
    auto* pLayout = new QVBoxLayout(&dialog);
    auto* pText = new QTextBrowser(&dialog);
    pText->setHtml(QString::fromUtf8(kHelpText));
    pLayout->addWidget(pText);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    pLayout->addWidget(pButtons);
    dialog.resize(560, 420);
    dialog.exec();
}

void CMainFrame::LoadRecentFiles() {
    m_aRecent.clear();
    m_pSettings->beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString strPath = m_pSettings->value(QStringLiteral("File%1").arg(i)).toString();
        if (!strPath.isEmpty())
            m_aRecent << strPath;
    }
    m_pSettings->endGroup();
    UpdateRecentMenu();
}

void CMainFrame::AddRecentFile(const QString& strPath) {
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    m_aRecent.removeAll(strAbsolute);
    m_aRecent.prepend(strAbsolute);
    while (m_aRecent.size() > kRecentFiles)
        m_aRecent.removeLast();
    m_pSettings->beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= kRecentFiles; ++i) {
        if (i <= m_aRecent.size())
            m_pSettings->setValue(QStringLiteral("File%1").arg(i), m_aRecent[i - 1]);
        else
            m_pSettings->remove(QStringLiteral("File%1").arg(i));
    }
    m_pSettings->endGroup();
    m_pSettings->sync();
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* pAction = m_aRecentActions[static_cast<std::size_t>(i)];
        const bool bUsed = i < m_aRecent.size();
        pAction->setVisible(bUsed);
        if (bUsed) {
            pAction->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(m_aRecent[i])));
            pAction->setStatusTip(QStringLiteral("Open %1").arg(m_aRecent[i]));
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    if (m_pView->MayDiscardMaterial())
        pEvent->accept();
    else
        pEvent->ignore();
}

QAction* CMainFrame::PlotViewAction(EPlotView eView) const { return m_apPlotViews[static_cast<int>(eView)]; }

namespace {

// The local files of a drop, or none when anything else is dropped.
QStringList DroppedFiles(const QMimeData* pMime) {
    QStringList aFiles;
    for (const QUrl& url : pMime->urls()) {
        if (!url.isLocalFile())
            return {};
        aFiles << url.toLocalFile();
    }
    return aFiles;
}

bool IsMaterialFile(const QString& strPath) { return strPath.endsWith(QStringLiteral(".mat"), Qt::CaseInsensitive); }

} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!DroppedFiles(pEvent->mimeData()).isEmpty())
        pEvent->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* pEvent) {
    const QStringList aFiles = DroppedFiles(pEvent->mimeData());
    if (aFiles.isEmpty())
        return;
    pEvent->acceptProposedAction();
    // Opened or added after the drop has finished, so the drag source is not kept waiting
    // by a dialog.
    QMetaObject::invokeMethod(
        this,
        [this, aFiles] {
            const bool bMaterial = std::any_of(aFiles.begin(), aFiles.end(), IsMaterialFile);
            if (bMaterial && aFiles.size() == 1) {
                m_pView->OpenMaterialFile(aFiles.constFirst());
            } else if (bMaterial) {
                QMessageBox::information(this, QStringLiteral("Vornel"),
                                         QStringLiteral("Drop one material file (*.mat) to open it, or experiment data "
                                                        "files to add them as curves."));
            } else if (!g_pMaterial || !IsCommandEnabled(EKivCommand::AddFile, g_nStage)) {
                QMessageBox::information(this, QStringLiteral("Vornel"),
                                         QStringLiteral("Create a material (File > New material) or open one before "
                                                        "adding curves to it."));
            } else {
                m_pView->AddFiles(aFiles);
            }
        },
        Qt::QueuedConnection);
}
