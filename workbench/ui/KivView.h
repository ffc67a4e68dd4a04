#pragma once
// The workbench's view: the plot of the current material's flow curves or the list of its
// curves (CurvePlot.h), and the handlers of the commands that act on the material (New
// material, Open File, Add File, Save, Save As, Select file list, Graf, Graf grid, Export
// plot, print, 3d visualization, Remove curve).
//
// Every handler runs the core's operation (Operations.h) and shows what it throws in a
// message box that names the file and the reason; the material then stays exactly as it
// was. After each command the view emits StateChanged() so that the frame sets its
// commands' enabled state and its caption.

#include "CurvePlot.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class CKivDoc;
class QPrinter;
struct CRunResult;

class CKivView : public QWidget {
    Q_OBJECT
public:
    // doc must outlive the view.
    explicit CKivView(CKivDoc& doc, QWidget* pParent = nullptr);
    ~CKivView() override;

    // Which picture the paint handler draws; both off (the state after creation) draws
    // only the background.
    bool m_bPlotMode = false;
    bool m_bListMode = false;
    // The plot: grid cells (6 x 6 at first) and the axis values of the last drawing.
    CCurvePlot m_plot;

    // The 3D viewer program; empty: "orbiq" next to this program, else on PATH.
    QString m_strViewerProgram;
    // Process id of the viewer the 3D command started last (0 before).
    qint64 m_nViewerPid = 0;

    // Drawing, for the window and for other devices (printer, image).
    void DrawPlot(QPainter& painter, const QRect& client);
    void DrawGrid(QPainter& painter, const QRect& client, int nx, int ny);
    void DrawFileList(QPainter& painter, const QRect& client);

    // Plot mode on, list mode off, repaint ("Graf", and the work window's choices).
    void ShowPlot();
    // Curve (1-based) marked in the file list, 0 for none.
    int SelectedListRow() const { return m_nListRow; }
    void SetSelectedListRow(int nRow);

    // Asks whether a material with curves its file does not hold may be discarded: Save
    // (then true only when the save worked), Discard (true) or Cancel (false). True
    // without asking when there is nothing to lose.
    bool MayDiscardMaterial();

    // Opens the material file strPath, asking first when the current material would lose
    // curves. Returns whether it was opened.
    bool OpenMaterialFile(const QString& strPath);

    // Shows what a run reported: files that could not be written (message box), warning
    // lines (status bar and messages pane).
    void ReportRun(const CRunResult& result);

    // Draws the plot on one page of pPrinter (the whole page, kept at 3 : 2).
    void PrintTo(QPrinter* pPrinter);

    // The work folder of the current material (or the start-up folder before one exists).
    QString WorkFolder() const;

    // The folder a new material gets as its work folder; the current folder by default.
    QString m_strStartFolder;

public slots:
    void OnNewMaterial();
    void OnOpenFile();
    void OnAddFile();
    void OnSave();
    void OnSaveAs();
    void OnSelectFileList();
    void OnGraf();
    void OnGrafGrid();
    void OnExportPlot();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    void ShowSurface3D();
    // Removes curve nCurve (1-based) after asking.
    void OnRemoveCurve(int nCurve);

signals:
    // The stage, the material or its saved state may have changed.
    void StateChanged();
    // A material file was opened or written under this path (for the recent-file list).
    void MaterialFileUsed(const QString& strPath);
    // A line for the status bar.
    void StatusText(const QString& strText);
    // Lines for the messages pane (engine and kernel warnings of a run).
    void Messages(const QStringList& aLines);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;

private:
    // Runs fn; a CFileError or CInputError it throws is shown in a message box with the
    // caption strWhat. Returns whether fn completed.
    bool Guarded(const QString& strWhat, const std::function<void()>& fn);
    // A file dialog the tests can drive (never the platform's native one).
    QString AskFileName(const QString& strTitle, const QString& strFilter, const QString& strSuffix, bool bSave,
                        const QString& strSelect = {});
    // Opens strPath once the user agreed to discard the current material.
    bool OpenAsked(const QString& strPath);
    QPrinter& Printer();

    CKivDoc& m_doc;
    int m_nListRow = 0;    // curve marked in the file list, 1-based; 0 for none
    int m_nListScroll = 0; // pixels of the file list scrolled out at the top
    std::unique_ptr<QPrinter> m_pPrinter; // created on first use
};
