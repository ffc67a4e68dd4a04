#include "MainFrame.h"

#include "LegendWnd.h"
#include "OrbiqView.h"
#include "SceneRenderer.h"

#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QStandardItemModel>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QWhatsThis>

#include <cstdio>

namespace {

const char* const kszSettingsOrganisation = "Local AppWizard-Generated Applications";
const char* const kszSettingsApplication = "orbiq";
const char* const kszRecentGroup = "Recent File List";
constexpr int kRecentFiles = 4;

const QString kFileFilter = QStringLiteral("Временные файлы(*.tmp);;Все файлы(*.*)");

QSettings Settings() { return QSettings(kszSettingsOrganisation, kszSettingsApplication); }

} // namespace

QStringList CMainFrame::FunctionNames() {
    return {"None", " Vx", " Vy", " Vz", " Ti", " T", " Def", "EpsX", "EpsY", "EpsZ", "RoDisl", "S0", "Sx", "Sy", "Sz", "M"};
}

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent), m_pPrinter(std::make_unique<QPrinter>()) {
    const QString strNoOpenGL = OpenGLViewProblem();
    m_pView = new COrbiqView(strNoOpenGL.isEmpty(), this);
    setCentralWidget(m_pView);
    m_pLegend = new CLegendWnd(this);
    m_pView->SetCover(m_pLegend);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateFunctionBar();
    OfferHeldFunctions();
    CreateStatusBar();

    connect(m_pView, &COrbiqView::messageChanged, this, &CMainFrame::OnMessage);
    connect(m_pView, &COrbiqView::readoutChanged, this, &CMainFrame::OnReadout);
    connect(m_pView, &COrbiqView::functionBoxReset, this, &CMainFrame::OnFunctionBoxReset);
    connect(m_pView, &COrbiqView::openGLFailed, this, &CMainFrame::OnOpenGLFailed);
    connect(m_pLegend, &QDialog::finished, this, [this] { m_pLegendButton->setChecked(false); });

    UpdateTitle();
    UpdateActions();
    UpdateRecentMenu();
    m_pView->setFocus();
    if (!strNoOpenGL.isEmpty())
        OnOpenGLFailed(strNoOpenGL);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::ShowAtStart() {
    if (const QScreen* pScreen = screen() ? screen() : QGuiApplication::primaryScreen()) {
        const QRect area = pScreen->availableGeometry();
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, area.size() * kStartScreenShare, area));
    }
    showMaximized();
}

// ---------------------------------------------------------------------------------------
// Bars and menus
// ---------------------------------------------------------------------------------------

void CMainFrame::CreateActions() {
    QStyle* pStyle = style();
    m_pNewAction = new QAction(pStyle->standardIcon(QStyle::SP_FileIcon), tr("&New"), this);
    m_pNewAction->setShortcut(QKeySequence::New);
    m_pNewAction->setStatusTip(tr("Show an empty scene"));
    connect(m_pNewAction, &QAction::triggered, this, &CMainFrame::OnFileNew);

    m_pOpenAction = new QAction(pStyle->standardIcon(QStyle::SP_DialogOpenButton), tr("&Open..."), this);
    m_pOpenAction->setShortcut(QKeySequence::Open);
    m_pOpenAction->setStatusTip(tr("Read another surface file"));
    connect(m_pOpenAction, &QAction::triggered, this, &CMainFrame::OnFileOpen);

    m_pSaveAction = new QAction(pStyle->standardIcon(QStyle::SP_DialogSaveButton), tr("&Save"), this);
    m_pSaveAction->setShortcut(QKeySequence::Save);
    m_pSaveAction->setStatusTip(tr("Save a copy of the surface file shown"));
    connect(m_pSaveAction, &QAction::triggered, this, &CMainFrame::OnFileSaveAs);
    m_pSaveAsAction = new QAction(tr("Save &As..."), this);
    m_pSaveAsAction->setStatusTip(tr("Save a copy of the surface file shown"));
    connect(m_pSaveAsAction, &QAction::triggered, this, &CMainFrame::OnFileSaveAs);

    m_pPrintAction = new QAction(tr("&Print..."), this);
    m_pPrintAction->setShortcut(QKeySequence::Print);
    m_pPrintAction->setStatusTip(tr("Print the view"));
    connect(m_pPrintAction, &QAction::triggered, this, &CMainFrame::OnFilePrint);
    m_pPreviewAction = new QAction(tr("Print Pre&view"), this);
    connect(m_pPreviewAction, &QAction::triggered, this, &CMainFrame::OnFilePrintPreview);
    m_pPrintSetupAction = new QAction(tr("P&rint Setup..."), this);
    connect(m_pPrintSetupAction, &QAction::triggered, this, &CMainFrame::OnFilePrintSetup);
    m_pExitAction = new QAction(tr("E&xit"), this);
    connect(m_pExitAction, &QAction::triggered, this, &QWidget::close);

    // The edit commands have nothing to act on in the viewer.
    m_pUndoAction = new QAction(tr("&Undo"), this);
    m_pCutAction = new QAction(tr("Cu&t"), this);
    m_pCopyAction = new QAction(tr("&Copy"), this);
    m_pPasteAction = new QAction(tr("&Paste"), this);
    for (QAction* pAction : {m_pUndoAction, m_pCutAction, m_pCopyAction, m_pPasteAction})
        pAction->setEnabled(false);

    m_pHelpAction = new QAction(tr("&Help Topics"), this);
    connect(m_pHelpAction, &QAction::triggered, this, &CMainFrame::OnHelpTopics);
    m_pAboutAction = new QAction(pStyle->standardIcon(QStyle::SP_MessageBoxInformation), tr("&About orbiq..."), this);
    connect(m_pAboutAction, &QAction::triggered, this, &CMainFrame::OnAbout);
    m_pContextHelpAction = QWhatsThis::createAction(this);

    for (QAction*& pRecent : m_apRecentActions) {
        pRecent = new QAction(this);
        pRecent->setVisible(false);
        connect(pRecent, &QAction::triggered, this, [this, pRecent] { OpenSurfaceFile(pRecent->data().toString()); });
    }
}

void CMainFrame::CreateMenus() {
    m_pFileMenu = menuBar()->addMenu(tr("&File"));
    m_pFileMenu->addAction(m_pNewAction);
    m_pFileMenu->addAction(m_pOpenAction);
    m_pFileMenu->addAction(m_pSaveAction);
    m_pFileMenu->addAction(m_pSaveAsAction);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_pPrintAction);
    m_pFileMenu->addAction(m_pPreviewAction);
    m_pFileMenu->addAction(m_pPrintSetupAction);
    m_pRecentSeparator = m_pFileMenu->addSeparator();
    for (QAction* pRecent : m_apRecentActions)
        m_pFileMenu->addAction(pRecent);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_pExitAction);

    QMenu* pEdit = menuBar()->addMenu(tr("&Edit"));
    pEdit->addAction(m_pUndoAction);
    pEdit->addSeparator();
    pEdit->addAction(m_pCutAction);
    pEdit->addAction(m_pCopyAction);
    pEdit->addAction(m_pPasteAction);

    // The View menu is filled once the bars exist (CreateStatusBar).
    menuBar()->addMenu(tr("&View"));

    QMenu* pHelp = menuBar()->addMenu(tr("&Help"));
    pHelp->addAction(m_pHelpAction);
    pHelp->addSeparator();
    pHelp->addAction(m_pAboutAction);
}

void CMainFrame::CreateToolBar() {
    QToolBar* pBar = addToolBar(tr("ToolBar"));
    pBar->setObjectName("ToolBar");
    pBar->addAction(m_pNewAction);
    pBar->addAction(m_pOpenAction);
    pBar->addAction(m_pSaveAction);
    pBar->addSeparator();
    pBar->addAction(m_pCutAction);
    pBar->addAction(m_pCopyAction);
    pBar->addAction(m_pPasteAction);
    pBar->addSeparator();
    pBar->addAction(m_pPrintAction);
    pBar->addAction(m_pAboutAction);
    pBar->addAction(m_pContextHelpAction);
}

void CMainFrame::CreateFunctionBar() {
    QToolBar* pBar = addToolBar(tr("FuncBar"));
    pBar->setObjectName("FuncBar");
    pBar->addWidget(new QLabel(" Function: ", pBar));
    m_pFunctionBox = new QComboBox(pBar);
    m_pFunctionBox->addItems(FunctionNames());
    m_pFunctionBox->setWhatsThis(tr("Colours the surface by the chosen node value"));
    pBar->addWidget(m_pFunctionBox);
    m_pLegendButton = new QPushButton("Legend", pBar);
    m_pLegendButton->setCheckable(true);
    m_pLegendButton->setWhatsThis(tr("Shows the legend of the function chosen"));
    pBar->addWidget(m_pLegendButton);
    pBar->addWidget(new QLabel("Object: ", pBar));
    m_pObjectBox = new QComboBox(pBar);
    m_pObjectBox->addItems({"Det", "UpVal", "DownVal"});
    m_pObjectBox->setEnabled(false);
    pBar->addWidget(m_pObjectBox);
    m_pGridCheck = new QCheckBox("Grid", pBar);
    m_pGridCheck->setEnabled(false);
    pBar->addWidget(m_pGridCheck);

    connect(m_pFunctionBox, &QComboBox::currentIndexChanged, this, &CMainFrame::OnFunctionChanged);
    connect(m_pLegendButton, &QPushButton::toggled, this, &CMainFrame::OnLegendToggled);
}

void CMainFrame::CreateStatusBar() {
    m_pMessagePane = new QLabel(this);
    statusBar()->addWidget(m_pMessagePane, 1);
    const QString aSizes[3] = {"X=" + QString(20, ' '), "Y=" + QString(21, ' '), "Z=" + QString(21, ' ')};
    for (std::size_t i = 0; i < m_apAxisPanes.size(); ++i) {
        m_apAxisPanes[i] = new QLabel(this);
        m_apAxisPanes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_apAxisPanes[i]->setMinimumWidth(m_apAxisPanes[i]->fontMetrics().horizontalAdvance(aSizes[i]) + 8);
        statusBar()->addPermanentWidget(m_apAxisPanes[i]);
    }

    QMenu* pView = menuBar()->actions().at(2)->menu();
    QList<QToolBar*> aBars = findChildren<QToolBar*>();
    for (QToolBar* pBar : aBars)
        if (pBar->objectName() == "ToolBar") {
            QAction* pToggle = pBar->toggleViewAction();
            pToggle->setText(tr("&Toolbar"));
            pView->addAction(pToggle);
        }
    QAction* pStatusToggle = pView->addAction(tr("&Status Bar"));
    pStatusToggle->setCheckable(true);
    pStatusToggle->setChecked(true);
    connect(pStatusToggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
    pView->addSeparator();
    QAction* pFit = pView->addAction(tr("&Fit to Window"));
    pFit->setShortcut(Qt::Key_R);
    pFit->setStatusTip(tr("Turns the model back to its first attitude and fits it, with its axes, to the window"));
    connect(pFit, &QAction::triggered, m_pView, &COrbiqView::ResetView);
    QMenu* pVisualization = pView->addMenu(tr("&Visualization"));
    for (const char* szBar : {"FunctionBar", "MagnifyBar", "StandardViewBar"})
        pVisualization->addAction(szBar)->setEnabled(false);
}

QString CMainFrame::PaneText(int nPane) const {
    if (nPane == 0)
        return m_pMessagePane->text();
    return m_apAxisPanes[static_cast<std::size_t>(nPane - 1)]->text();
}

// ---------------------------------------------------------------------------------------
// Documents
// ---------------------------------------------------------------------------------------

void CMainFrame::UpdateTitle() {
    const std::string& strPath = m_pView->Scene().Path();
    const QString strName = strPath.empty() ? tr("Untitled") : QDir::toNativeSeparators(QString::fromStdString(strPath));
    setWindowTitle(strName + " - orbiq");
}

void CMainFrame::UpdateActions() {
    const bool bLoaded = m_pView->Scene().SceneLoaded();
    m_pSaveAction->setEnabled(bLoaded);
    m_pSaveAsAction->setEnabled(bLoaded);
}

bool CMainFrame::OpenSurfaceFile(const QString& strPath, bool bStartup) {
    const CReadStatus status = m_pView->ReadSurfaceFile(strPath);
    if (!status.bOk) {
        const QString strMessage = QString::fromStdString(status.strMessage);
        m_pMessagePane->setText(strMessage);
        if (!bStartup)
            ShowMessage(strMessage);
        return false;
    }
    OfferHeldFunctions();
    // Coloured by the fitted stress, as --snapshot shows it; "None" makes it red.
    OnReadout({});
    {
        const QSignalBlocker blocker(m_pFunctionBox);
        m_pFunctionBox->setCurrentIndex(kValueVz);
    }
    m_pView->SetFunctionIndex(kValueVz);
    m_pLegend->SetTemperatureStyle(false);
    const CColourResult colour = m_pView->ColourByValue(kValueVz);   // back to "None" when Vz does not vary
    if (bStartup && !colour.bResetFunctionBox && !m_pView->GlFailed() && !m_pLegendButton->isChecked()) {
        // Shown unasked, it stands in the corner of the view rather than over the menus and
        // bars at the top of a maximised window.
        m_legendPlaced = m_pView->mapToGlobal(QPoint(kLegendInset, kLegendInset));
        m_pLegend->move(*m_legendPlaced);
        m_pLegendButton->setChecked(true);   // shows the legend
    } else if (m_pLegendButton->isChecked()) {
        FillLegend();
    }
    AddRecentFile(strPath);
    UpdateTitle();
    UpdateActions();
    return true;
}

void CMainFrame::OfferHeldFunctions() {
    const bool bLoaded = m_pView->Scene().SceneLoaded();
    const NodeValueStore& store = m_pView->Scene().Store();
    auto* pList = qobject_cast<QListView*>(m_pFunctionBox->view());
    for (int nType = 1; nType < m_pFunctionBox->count(); ++nType) {
        const bool bHeld = bLoaded && nType <= kValueTypeCount &&
                           (store.ValueMin(nType) != 0 || store.ValueMax(nType) != 0);
        if (auto* pModel = qobject_cast<QStandardItemModel*>(m_pFunctionBox->model()))
            pModel->item(nType)->setEnabled(bHeld);
        if (pList)
            pList->setRowHidden(nType, !bHeld);
    }
}

void CMainFrame::OnFileNew() {
    m_pView->ClearScene();
    OfferHeldFunctions();
    {
        const QSignalBlocker blocker(m_pFunctionBox);
        m_pFunctionBox->setCurrentIndex(kValueNone);
    }
    m_pView->SetFunctionIndex(kValueNone);
    OnReadout({});
    if (m_pLegendButton->isChecked())
        FillLegend();
    UpdateTitle();
    UpdateActions();
}

void CMainFrame::OnFileOpen() {
    const QString strPath = QFileDialog::getOpenFileName(this, tr("Open"), QDir::currentPath(), kFileFilter);
    if (strPath.isEmpty())
        return;   // cancelled: the scene stays
    OpenSurfaceFile(strPath);
}

void CMainFrame::OnFileSaveAs() {
    if (!m_pView->Scene().SceneLoaded())
        return;
    const QString strSuggested = QDir::current().filePath("copy of " + QFileInfo(QString::fromStdString(m_pView->Scene().Path())).fileName());
    const QString strPath = QFileDialog::getSaveFileName(this, tr("Save As"), strSuggested, kFileFilter);
    if (!strPath.isEmpty())
        SaveSurfaceCopy(strPath);
}

bool CMainFrame::SaveSurfaceCopy(const QString& strPath) {
    if (!m_pView->Scene().SceneLoaded())
        return false;
    try {
        WriteTextFile(strPath.toStdString(), m_pView->Scene().FileText());
    } catch (const CFileError& e) {
        const QString strMessage = QString::fromStdString(e.what());
        m_pMessagePane->setText(strMessage);
        ShowMessage(strMessage);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Printing: the view as it is drawn, as large as the page allows, the file named above it.
// ---------------------------------------------------------------------------------------

void CMainFrame::PaintPages(QPrinter* pPrinter) {
    const QImage image = m_pView->Snapshot();
    QPainter painter(pPrinter);
    const QRect page = painter.viewport();
    const QString strCaption = windowTitle();
    const int nCaption = painter.fontMetrics().height() * 2;
    painter.drawText(QRect(page.left(), page.top(), page.width(), nCaption), Qt::AlignLeft | Qt::AlignVCenter, strCaption);
    if (image.isNull())
        return;
    const QSize size = image.size().scaled(page.width(), page.height() - nCaption, Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint(page.left(), page.top() + nCaption), size), image);
}

void CMainFrame::OnFilePrint() {
    QPrintDialog dialog(m_pPrinter.get(), this);
    if (dialog.exec() == QDialog::Accepted)
        PaintPages(m_pPrinter.get());
}

void CMainFrame::OnFilePrintPreview() {
    QPrintPreviewDialog dialog(m_pPrinter.get(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &CMainFrame::PaintPages);
    dialog.exec();
}

void CMainFrame::OnFilePrintSetup() {
    QPageSetupDialog dialog(m_pPrinter.get(), this);
    dialog.exec();
}

// ---------------------------------------------------------------------------------------
// Recent files
// ---------------------------------------------------------------------------------------

QStringList CMainFrame::RecentFiles() const {
    QSettings settings = Settings();
    settings.beginGroup(kszRecentGroup);
    QStringList aFiles;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString strFile = settings.value(QString("File%1").arg(i)).toString();
        if (!strFile.isEmpty())
            aFiles << strFile;
    }
    return aFiles;
}

void CMainFrame::AddRecentFile(const QString& strPath) {
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    QStringList aFiles = RecentFiles();
    aFiles.removeAll(strAbsolute);
    aFiles.prepend(strAbsolute);
    QSettings settings = Settings();
    settings.beginGroup(kszRecentGroup);
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString strKey = QString("File%1").arg(i);
        if (i <= aFiles.size())
            settings.setValue(strKey, aFiles.at(i - 1));
        else
            settings.remove(strKey);
    }
    settings.endGroup();
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    const QStringList aFiles = RecentFiles();
    for (std::size_t i = 0; i < m_apRecentActions.size(); ++i) {
        QAction* pAction = m_apRecentActions[i];
        const bool bUsed = static_cast<qsizetype>(i) < aFiles.size();
        pAction->setVisible(bUsed);
        if (bUsed) {
            pAction->setText(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(aFiles.at(static_cast<qsizetype>(i)))));
            pAction->setData(aFiles.at(static_cast<qsizetype>(i)));
        }
    }
    m_pRecentSeparator->setVisible(!aFiles.isEmpty());
}

// ---------------------------------------------------------------------------------------
// Function bar, legend and status bar
// ---------------------------------------------------------------------------------------

void CMainFrame::FillLegend() { m_pLegend->SetValues(m_pView->Scene().LegendFor(m_pFunctionBox->currentIndex())); }

void CMainFrame::OnFunctionChanged(int nIndex) {
    m_pLegend->SetTemperatureStyle(false);
    m_pView->SetFunctionIndex(nIndex);
    m_pView->ColourByValue(nIndex);
    // A legend on show follows the function, so that its title, labels and colour bar
    // always explain the colours of the surface.
    if (m_pLegendButton->isChecked())
        FillLegend();
    activateWindow();
    m_pView->setFocus();
}

void CMainFrame::OnFunctionBoxReset() {
    const QSignalBlocker blocker(m_pFunctionBox);
    m_pFunctionBox->setCurrentIndex(kValueNone);
    m_pView->SetFunctionIndex(kValueNone);
}

void CMainFrame::moveEvent(QMoveEvent* pEvent) {
    QMainWindow::moveEvent(pEvent);
    KeepLegendAtView();
}

void CMainFrame::resizeEvent(QResizeEvent* pEvent) {
    QMainWindow::resizeEvent(pEvent);
    KeepLegendAtView();
}

void CMainFrame::KeepLegendAtView() {
    if (!m_legendPlaced)
        return;
    if (m_pLegend->pos() != *m_legendPlaced) {
        m_legendPlaced.reset();   // the user (or the window manager) put it elsewhere
        return;
    }
    m_legendPlaced = m_pView->mapToGlobal(QPoint(kLegendInset, kLegendInset));
    m_pLegend->move(*m_legendPlaced);
}

void CMainFrame::OnLegendToggled(bool bDown) {
    const int nType = m_pFunctionBox->currentIndex();
    m_pLegend->SetTemperatureStyle(nType == kValueT);
    if (!bDown) {
        m_pLegend->hide();
        return;
    }
    FillLegend();
    m_pLegend->show();
}

void CMainFrame::OnReadout(const QStringList& aPanes) {
    m_pMessagePane->setText(aPanes.value(0));
    for (std::size_t i = 0; i < m_apAxisPanes.size(); ++i)
        m_apAxisPanes[i]->setText(aPanes.value(static_cast<qsizetype>(i) + 1));
}

void CMainFrame::OnMessage(const QString& strMessage) { m_pMessagePane->setText(strMessage); }

void CMainFrame::OnOpenGLFailed(const QString& strReason) {
    if (m_bOpenGLFailed)
        return;   // one message, whichever step found it
    m_bOpenGLFailed = true;
    const QString strMessage = tr("The 3D view cannot be shown: %1. orbiq still opens, colours and saves surface "
                                  "files; to see them, start it under a desktop with OpenGL 2.1, or with Mesa's "
                                  "software renderer.")
                                   .arg(strReason);
    std::fprintf(stderr, "orbiq: %s\n", strMessage.toLocal8Bit().constData());
    m_pMessagePane->setText(strMessage);
    // The window goes on without the picture: File > Open and Exit need not wait for OK.
    ShowMessage(strMessage, QMessageBox::Warning, QStringLiteral("orbiq"), false);
}

void CMainFrame::ShowMessage(const QString& strText, QMessageBox::Icon eIcon, const QString& strTitle, bool bModal) {
    auto* pBox = new QMessageBox(eIcon, strTitle, strText, QMessageBox::Ok, this);
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    if (bModal) {
        pBox->open();
        return;
    }
    pBox->setWindowModality(Qt::NonModal);
    // Shown once the event loop runs, so that it stands above a main window shown after it.
    QMetaObject::invokeMethod(pBox, [pBox] {
        pBox->show();
        pBox->raise();
    }, Qt::QueuedConnection);
}

void CMainFrame::OnHelpTopics() {
    ShowMessage(tr("Mouse: drag with the left button to turn the model; the status bar shows the surface point "
                   "under the mouse.\n\n"
                   "Keys: arrows turn, A and D move left and right, W and S up and down, Home and End nearer and "
                   "farther; + and - scale; 1 switches between solid and wireframe display; 3 shows or hides "
                   "the walls, 4 the measured points (black); F2 shows the wireframe of the surface, F3 that of "
                   "the walls; Esc colours the surface by Vx; R turns the model back and fits it to the window.\n\n"
                   "Axes: strain, strain rate (1/s) and stress run along the edges of the box, with their "
                   "values.\n\n"
                   "Function: colours the surface by a node value (Vx strain, Vy strain rate, Vz and Ti fitted "
                   "stress, T temperature); Legend shows the value scale."),
                QMessageBox::NoIcon);
}

void CMainFrame::OnAbout() { ShowMessage(tr("orbiq\nVersion 1.0"), QMessageBox::Information, tr("About orbiq")); }
