#pragma once
// The workbench's main window: menus, toolbar, status bar, the view in the middle and the
// "Messages" pane, the recent-file list and the command that opens the work window.
//
// UpdateCommandStates() is the one place that enables commands: each QAction is tied to
// its command of the stage table (Stage.h) and enabled when IsCommandEnabled(command,
// g_nStage) holds. It runs after every command and whenever a menu opens.
//
// The View menu chooses the plot's view ("All grafics", the default, "By temperature",
// "Deviations") and shows or hides the legend of "All grafics"; they are enabled with Graf.
// It also opens the hot-working analyses of the material's curves and law, "Processing map"
// and "Hot-working analysis" (AnalysisDialogs.h), enabled once the material has curves.
// Files dropped on the window: one material file is opened, experiment data files are added
// (Add File).
//
// The status bar holds the message pane and the panes of the lock keys ("CAP", "NUM",
// "SCRL", blank while the key is off or the platform cannot tell). F1 opens the help
// window, Shift+F1 the "What's This?" mode, in which a click on a command shows what it
// does.

#include "vornel/view/PlotGroups.h"
#include "vornel/session/Stage.h"

#include <QMainWindow>
#include <QSettings>

#include <memory>
#include <vector>

class CKivDoc;
class CKivView;
class QLabel;
class QPlainTextEdit;

// Settings: organisation and application under which QSettings keeps the recent files.
inline constexpr const char* kSettingsOrganization = "Local AppWizard-Generated Applications";
inline constexpr const char* kSettingsApplication = "Vornel";
inline constexpr int kRecentFiles = 4;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // pSettings holds the recent-file list; null: the user's settings under
    // kSettingsOrganization / kSettingsApplication. The frame owns it.
    explicit CMainFrame(std::unique_ptr<QSettings> pSettings = nullptr, QWidget* pParent = nullptr);
    ~CMainFrame() override;

    CKivView& View() { return *m_pView; }
    CKivDoc& Doc() { return *m_pDoc; }

    // The action of a command of the stage table.
    QAction* Action(EKivCommand eCommand) const;
    QAction* ExportPlotAction() const { return m_pExportPlot; }
    QAction* AddFromListAction() const { return m_pAddFromList; }
    // The View menu's plot views and the single plot's legend.
    QAction* PlotViewAction(EPlotView eView) const;
    QAction* LegendAction() const { return m_pLegend; }
    QAction* ExportLawAction() const { return m_pExportLaw; }
    QAction* ProcessingMapAction() const { return m_pProcessingMap; }
    QAction* HotWorkingAction() const { return m_pHotWorking; }
    QAction* MessagesAction() const { return m_pMessagesAction; }
    QPlainTextEdit* MessagesPane() const { return m_pMessages; }
    const QStringList& RecentFiles() const { return m_aRecent; }
    QString StatusLine() const;
    // The texts of the lock keys' panes, left to right.
    QStringList LockIndicators() const;
    QAction* HelpTopicsAction() const { return m_pHelpTopics; }
    QAction* UndoAction() const { return m_pUndo; }
    QAction* ExportReportAction() const { return m_pExportReport; }
    QAction* RedoAction() const { return m_pRedo; }
    QAction* WhatsThisAction() const { return m_pWhatsThis; }

    // Enables every command by g_nStage; sets the caption.
    void UpdateCommandStates();
    // Reads the lock keys and shows them; runs when the window is activated and after a
    // lock key is released.
    void UpdateLockIndicators();

public slots:
    void OnProcessingDialog();
    void OnExportLaw();
    void OnProcessingMap();
    void OnHotWorkingAnalysis();
    void OnAbout();
    void OnHelpTopics();
    void AddRecentFile(const QString& strPath);
    void ShowStatus(const QString& strText);
    void AppendMessages(const QStringList& aLines);

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    struct SCommandAction {
        EKivCommand m_eCommand;
        QAction* m_pAction;
    };

    QAction* MakeAction(EKivCommand eCommand, const QString& strText, const QString& strStatus);
    void CreateMenusAndToolbar();
    void LoadRecentFiles();
    void UpdateRecentMenu();

    std::unique_ptr<QSettings> m_pSettings;
    std::unique_ptr<CKivDoc> m_pDoc;
    CKivView* m_pView = nullptr;            // central widget, owned by the frame (Qt parent)
    QPlainTextEdit* m_pMessages = nullptr;  // in the "Messages" dock, owned by it
    QAction* m_pMessagesAction = nullptr;   // the dock's toggle
    QAction* m_pExportPlot = nullptr;
    QAction* m_pAddFromList = nullptr;
    QAction* m_apPlotViews[3] = {};         // All grafics, By temperature, Deviations
    QAction* m_pLegend = nullptr;
    QAction* m_pExportCurves = nullptr;
    QAction* m_pExportLaw = nullptr;        // enabled while the material holds a law to export
    QAction* m_pProcessingMap = nullptr;    // View > Processing map
    QAction* m_pHotWorking = nullptr;       // View > Hot-working analysis
    QLabel* m_pStatus = nullptr;            // the status bar's message pane
    QLabel* m_aLockPanes[3] = {};           // CAP, NUM, SCRL; owned by the status bar
    QAction* m_pHelpTopics = nullptr;
    QAction* m_pExportReport = nullptr;     // File > Export report...: the printed page as PDF
    QAction* m_pUndo = nullptr;             // Edit > Undo, Ctrl+Z
    QAction* m_pRedo = nullptr;             // Edit > Redo, Ctrl+Shift+Z
    QAction* m_pWhatsThis = nullptr;
    std::vector<SCommandAction> m_aCommands;
    std::vector<QAction*> m_aRecentActions; // kRecentFiles entries of the File menu
    QStringList m_aRecent;                  // most recent first
};
