#pragma once
// The workbench's view: the plot of the current material's flow curves in the chosen view
// (PlotViews.h) or the table of its curves (CurveTableView.h), and the handlers of the
// commands that act on the material (New material, Open File, Add File, Add curves from
// list, Save, Save As, Select file list, Graf, the plot views, Graf grid, Export plot,
// print, 3d visualization, Remove curve, a curve's conditions).
//
// Add File with one file asks for its conditions in "Uslovija deformacii"; with several
// files (or files dropped on the window) one "Add curves" dialog lists them all.
//
// The plot, in every view: the wheel zooms about the pointer, a drag with the left button
// pans, a drag with the right button (or the left with Shift) zooms to the rectangle drawn,
// Home or R shows the whole plot again. The pointer near a measured point shows that
// point's curve, conditions, strain, measured and fitted stress in the status bar and a
// tooltip; a click on a point highlights its curve and marks its row in the curve table,
// and marking a row highlights its curve.
//
// Every handler runs the core's operation (Operations.h) and shows what it throws in a
// message box that names the file and the reason; the material then stays exactly as it
// was. After each command the view emits StateChanged() so that the frame sets its
// commands' enabled state and its caption.

#include "CurvePlot.h"
#include "PlotViews.h"

#include "vornel/intake/CurveIntake.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class CCurveTableView;
class CKivDoc;
class QPagedPaintDevice;
class QPrinter;
class QRubberBand;
struct CRunResult;

class CKivView : public QWidget {
    Q_OBJECT
public:
    // doc must outlive the view.
    explicit CKivView(CKivDoc& doc, QWidget* pParent = nullptr);
    ~CKivView() override;

    // Which picture the view shows: the plot, or the curve table; both off (the state after
    // creation) draws only the background.
    bool m_bPlotMode = false;
    bool m_bListMode = false;
    // The plot: grid cells (6 x 6 at first) and the axis values of the last drawing.
    CCurvePlot m_plot;
    // The plot's view and whether the single plot has its legend.
    CPlotViewStyle m_viewStyle;
    // What the last drawing of the plot drew.
    CViewLayout m_lastLayout;

    // The 3D viewer program; empty: "orbiq" next to this program, else on PATH.
    QString m_strViewerProgram;
    // Process id of the viewer the 3D command started last (0 before).
    qint64 m_nViewerPid = 0;

    // Shows the whole plot again (Home, R).
    void ResetZoom();
    // The text the pointer last showed over the plot (empty when it was over no point).
    const QString& PointedText() const { return m_strPointed; }

    // Draws pMaterial in place of g_pMaterial while it is not null (a candidate of the
    // Optimization that the work window shows); it must outlive its showing.
    void SetPreview(const CMaterial* pMaterial);
    // The material drawn: the preview, else g_pMaterial (null when neither).
    const CMaterial* Drawn() const;
    // The material differs from its file now.
    void MarkModified();

    // After an undo or redo: the table and the plot of the material now current.
    void ShowUndone();

    // Plot mode on, list mode off, repaint ("Graf", and the work window's choices).
    void ShowPlot();
    // The curve table of list mode.
    CCurveTableView& Table() { return *m_pTable; }
    // Curve (1-based) marked in the curve table, 0 for none.
    int SelectedListRow() const;
    void SetSelectedListRow(int nRow);

    // Add File of the files chosen or dropped: one file through the conditions dialog,
    // several through the "Add curves" dialog.
    void AddFiles(const QStringList& aFiles);

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

    // Draws the report page on one page of pPrinter: a header with the material, the model's
    // label, the coefficients (17 digits) and the errors, and the plot in the rest of the page
    // (the printer starts in landscape). Returns the header's lines.
    QStringList PrintTo(QPagedPaintDevice* pPrinter);
    // File > "Export report...": the same page as a PDF file by the name chosen.
    void OnExportReport();

    // The work folder of the current material (or the start-up folder before one exists).
    QString WorkFolder() const;

    // The folder a new material gets as its work folder; the current folder by default.
    QString m_strStartFolder;

public slots:
    void OnNewMaterial();
    void OnOpenFile();
    void OnAddFile();
    void OnAddCurvesFromList();
    // File > Export curves...: every curve as an experiment data file into a folder.
    void OnExportCurves();
    void OnSave();
    void OnSaveAs();
    void OnSelectFileList();
    void OnGraf();
    // Shows the plot in eView ("All grafics", "By temperature", "Deviations").
    void SetPlotView(EPlotView eView);
    // Shows or hides the single plot's legend.
    void SetLegend(bool bShown);
    void OnGrafGrid();
    void OnExportPlot();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    void ShowSurface3D();
    // Removes curve nCurve (1-based) after asking.
    void OnRemoveCurve(int nCurve);
    // The curve table's tick of nCurve (1-based): leave it out of the fit or take it back.
    void OnLeaveOut(int nCurve, bool bLeftOut);
    // The user typed strText as the t (CCurveTableView::kTemp) or H (kRate) of nCurve.
    void OnConditionEdited(int nCurve, int nColumn, const QString& strText);

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
    void resizeEvent(QResizeEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    // Runs fn; a CFileError or CInputError it throws is shown in a message box with the
    // caption strWhat. Returns whether fn completed.
    bool Guarded(const QString& strWhat, const std::function<void()>& fn);
    // A file dialog the tests can drive (never the platform's native one).
    QString AskFileName(const QString& strTitle, const QString& strFilter, const QString& strSuffix, bool bSave,
                        const QString& strSelect = {});
    // The same for one or several existing files.
    QStringList AskFileNames(const QString& strTitle, const QString& strFilter);
    // Adds the rows through the "Add curves" dialog; strWhere says where they come from.
    void AddRows(std::vector<CIntakeRow> aRows, const QString& strWhere, const CImportProfile* pProfile = nullptr);
    // Refills the curve table when it is shown.
    void RefreshTable();
    // Opens strPath once the user agreed to discard the current material.
    bool OpenAsked(const QString& strPath);
    QPrinter& Printer();

    // The panel drawn at p, or null; its fractions of p along strain and stress.
    const CPanelLayout* PanelAt(QPoint p, double& dFx, double& dFy) const;
    void ShowPointed(QPoint p);
    void Highlight(int nCurve);

    CKivDoc& m_doc;
    const CMaterial* m_pPreview = nullptr;
    QString m_strPointed;
    // A drag in progress: where it began, the zoom then, and whether it draws a rectangle.
    QPoint m_dragFrom;
    CPlotZoom m_dragZoom;
    bool m_bDragging = false, m_bBanding = false, m_bMoved = false;
    QRubberBand* m_pBand = nullptr;
    CCurveTableView* m_pTable = nullptr;  // child, shown in list mode
    std::unique_ptr<QPrinter> m_pPrinter; // created on first use
};
