#pragma once
// "Work window for data approximation": pick a model, fit it (Calc), let the program pick
// the best model (Optimization), choose the curve the plot shows, and read the
// coefficients A1..AK and the errors ErrorSr and ErrorMax of the fit.
//
// Choosing a model clears the previous fit and shows the model's K coefficient fields at 0
// (stage 3). Calc fits the chosen model; a run without coefficients shows the warning box
// "Need data or select enather function for approximation!!!" with the core's reason
// lines, and leaves the window and the view as they are. Optimization fits the fourteen
// candidates, filling the candidate table as each finishes, then fits the chosen one as
// Calc does. Every file error appears in a message box; the material stays as it was.
//
// Calc of model 20, the Johnson-Cook law, first asks for the melting temperature of the
// material (MeltTemperaturePrompt; the last one given, else the fitted law's, is offered);
// cancelling it fits nothing.
//
// With "Refine" checked, Calc and Optimization refine the laws fitted on ln(stress) on the
// measured stresses (Refinement.h), and the Optimization also fits model 19 and ranks its
// candidates by their RMS over the measured points. Under the coefficients, the fit report
// (FitReport.h) in two tabs: "Curves", the RMS, mean absolute relative error and largest
// deviation over the measured points, all curves first, then each curve with its
// conditions; "Coefficients", every coefficient of the fit (model 19 has 26, more than the
// ten fields) with the half-width of its 95 % confidence interval after a fit that has them
// (model 19, and the refined laws), and the pairs the data do not tell apart.
//
// The window can be resized and maximised: at its opening size everything stands where it
// always stood; a larger window widens every control in proportion and gives the extra
// height to the fit report and the Optimization table. A coefficient field whose number is
// wider than the field shows it in a smaller font rather than cut off. A coefficient whose
// 95 % interval includes 0 or is wider than its value is shown on an amber ground, its
// tooltip saying which. The context menu's "Copy coefficients" copies A1..AK as text with
// 17 significant digits, one "A<k> = <value>" a line.

#include "vornel/fit/Confidence.h"

#include <QDialog>

#include "vornel/document/FitResults.h"
#include "vornel/document/Material.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CFormulaPicture;
class CKivView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;
struct CRunResult;

class CApproxDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCoefFields = 10;

    // view must outlive the dialog; g_pMaterial must not be null while it is open.
    explicit CApproxDlg(CKivView& view, QWidget* pParent = nullptr);

    // The model's picture, fields and values from g_pMaterial (see above).
    void ShowModel();

    ~CApproxDlg() override;

    // A1..AK shown (g_pMaterial's, or a selected candidate's) as "Copy coefficients" puts
    // them on the clipboard.
    QString CoefficientsText() const;
    // Why coefficient k (1-based) shown is poorly determined; empty when it is not or has no
    // interval.
    QString DoubtOfCoefficient(int k) const;
    // The material shown: g_pMaterial, or while a candidate of the Optimization is selected,
    // g_pMaterial with its law (WithCandidateLaw).
    const CMaterial& Shown() const;

    // The text of the last warning box (empty when none was shown).
    const QString& LastWarning() const { return m_strLastWarning; }

    // Controls, in the order of the window.
    CFormulaPicture* m_pPicture;
    QComboBox* m_pModelList;
    QComboBox* m_pCurveList;
    std::array<QLabel*, kCoefFields> m_aCoefLabels;
    std::array<QLineEdit*, kCoefFields> m_aCoefFields;
    QLineEdit* m_pErrorSr;
    QLineEdit* m_pErrorMax;
    QPushButton* m_pCalc;
    QPushButton* m_pOptimization;
    QPushButton* m_pCancel;
    QCheckBox* m_pRefine;        // "Refine", below Calc
    QTabWidget* m_pReportTabs;   // "Curves" and "Coefficients"
    QTableWidget* m_pReport;     // the fit report: row 0 all curves, row k curve k
    QTableWidget* m_pCoefficients; // row k-1: A<k>, its value and "± half-width"; then the ill-determined pairs
    QGroupBox* m_pRanking;
    QTableWidget* m_pCandidates; // one column per Optimization candidate, its ErrorMax (RMS when refined);
                                 // the column of model 19 shows only with "Refine"; selecting a
                                 // column shows that candidate's law and curves without fitting
    QPushButton* m_pUseLaw;      // "Use this law": the selected candidate's law becomes the material's

    // Asks for the melting temperature (deg C), offering dSuggested; none when cancelled. A
    // QInputDialog unless a test sets another.
    std::function<std::optional<double>(double dSuggested)> m_askMeltTemperature;

public slots:
    void OnModelChosen(int nIndex);
    void OnCurveChosen(int nIndex);
    void OnCalc();
    void OnOptimization();
    // The candidate of column nColumn (-1: none) shown in the fields and the plot.
    void OnCandidateChosen(int nColumn);
    void OnUseLaw();

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    // Where a control stands at the opening size, and how it follows a larger window.
    enum class EGrowth { Fixed, Report, Ranking };
    struct SPlaced {
        QWidget* m_pWidget;
        QRect m_rect;
        EGrowth m_eGrowth;
    };
    void Arrange();
    // Shrinks the field's font until its text fits (the normal font when it does).
    static void FitText(QLineEdit* pField);
    // What Calc and Optimization do after the run.
    void ShowRun(const CRunResult& result);
    void SetValue(QLineEdit* pField, double dValue);
    // The fit report of g_pMaterial in m_pReport and m_pCoefficients; no rows without a fit.
    void ShowReport();
    void ShowCoefficients();
    void SyncCurveList();

    CKivView& m_view;
    QString m_strLastWarning;
    std::vector<SPlaced> m_aPlaced;
    std::vector<CCandidateReport> m_aReports; // of the last Optimization
    std::unique_ptr<CMaterial> m_pPreview;    // the selected candidate's material
    int m_nPreviewed = 0;                     // its model
    QSize m_openingSize;
};
