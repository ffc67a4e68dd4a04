#pragma once
// The viewer's main window: menus, the toolbar "ToolBar", the function bar "FuncBar"
// (function box, "Legend" button, object box and grid check box), the OpenGL view in the
// middle and a status bar with a message pane and the X, Y and Z panes of the read-out.
// Children are owned through their Qt parent.

#include "orbiq/OrbiqScene.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

class CLegendWnd;
class COrbiqView;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPrinter;
class QPushButton;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* pParent = nullptr);
    ~CMainFrame() override;

    // Shows the window maximised; where the platform does not maximise it (no window
    // manager), it keeps kStartScreenShare of the screen's free area in each direction,
    // centred on it.
    static constexpr double kStartScreenShare = 0.8;
    static constexpr int kLegendInset = 10;
    void ShowAtStart();

    // Reads a surface file into the view. On success the title names it, it joins the
    // recent-file list and the surface is coloured by "Vz", the fitted stress (red with the
    // function box at "None" when that does not vary); at start-up the legend is shown,
    // kLegendInset pixels inside the view's top left corner, when the view can draw. On
    // failure the scene stays as it was and a message names the file and the problem: in
    // the status bar at start-up (bStartup), in a message box as well otherwise.
    bool OpenSurfaceFile(const QString& strPath, bool bStartup = false);

    // Writes a copy of the surface file shown (as it was read) to strPath; false, with the
    // message shown, when it cannot be written.
    bool SaveSurfaceCopy(const QString& strPath);

    COrbiqView* View() const { return m_pView; }
    CLegendWnd* Legend() const { return m_pLegend; }
    QComboBox* FunctionBox() const { return m_pFunctionBox; }
    QPushButton* LegendButton() const { return m_pLegendButton; }
    // Status bar pane 0 (message) to 3 (Z).
    QString PaneText(int nPane) const;
    QStringList RecentFiles() const;

    // The function box's entries, index = value type.
    static QStringList FunctionNames();

public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnFileSaveAs();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnHelpTopics();
    void OnAbout();

private slots:
    void OnFunctionChanged(int nIndex);
    void OnLegendToggled(bool bDown);
    void OnFunctionBoxReset();
    // The function box offers "None" and the node values the file holds (not all 0).
    void OfferHeldFunctions();
    void OnReadout(const QStringList& aPanes);
    void OnMessage(const QString& strMessage);
    void OnOpenGLFailed(const QString& strReason);

protected:
    void moveEvent(QMoveEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    // The legend shown at start-up keeps to the view's corner as the window is placed,
    // maximised or moved, until the user moves it elsewhere.
    void KeepLegendAtView();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateFunctionBar();
    void CreateStatusBar();
    void UpdateTitle();
    void UpdateActions();
    void FillLegend();
    void AddRecentFile(const QString& strPath);
    void UpdateRecentMenu();
    // A message box that does not block the program; a modal one keeps the window's input
    // until it is closed.
    void ShowMessage(const QString& strText, QMessageBox::Icon eIcon = QMessageBox::Warning,
                     const QString& strTitle = QStringLiteral("orbiq"), bool bModal = true);
    void PaintPages(QPrinter* pPrinter);

    COrbiqView* m_pView = nullptr;
    CLegendWnd* m_pLegend = nullptr;
    QComboBox* m_pFunctionBox = nullptr;
    QPushButton* m_pLegendButton = nullptr;
    QComboBox* m_pObjectBox = nullptr;
    QCheckBox* m_pGridCheck = nullptr;
    QLabel* m_pMessagePane = nullptr;
    std::array<QLabel*, 3> m_apAxisPanes{};

    QAction* m_pNewAction = nullptr;
    QAction* m_pOpenAction = nullptr;
    QAction* m_pSaveAction = nullptr;
    QAction* m_pSaveAsAction = nullptr;
    QAction* m_pPrintAction = nullptr;
    QAction* m_pPreviewAction = nullptr;
    QAction* m_pPrintSetupAction = nullptr;
    QAction* m_pExitAction = nullptr;
    QAction* m_pUndoAction = nullptr;
    QAction* m_pCutAction = nullptr;
    QAction* m_pCopyAction = nullptr;
    QAction* m_pPasteAction = nullptr;
    QAction* m_pHelpAction = nullptr;
    QAction* m_pAboutAction = nullptr;
    QAction* m_pContextHelpAction = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    std::array<QAction*, 4> m_apRecentActions{};

    std::unique_ptr<QPrinter> m_pPrinter;   // page set-up kept between print jobs
    bool m_bOpenGLFailed = false;           // the view's OpenGL failure was reported
    std::optional<QPoint> m_legendPlaced;   // where start-up put the legend, while it follows the view
};
