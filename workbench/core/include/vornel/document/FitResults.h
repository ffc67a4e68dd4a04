#pragma once
// What a fit and a run give back, and how they are asked for: the types the fit, the run, the
// batch mode and the window share. Every result follows the convention of Status.h: a status
// enum m_eStatus, one sentence m_strMessage, and Ok().

#include "vornel/document/Status.h"
#include "tarnfit/tarnfit.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// ---- confidence intervals of fitted coefficients (fit/Confidence.h) -----------------------

// A pair of coefficients whose estimates are correlated beyond kIllDeterminedCorrelation:
// the data determine a combination of the two rather than each.
inline constexpr double kIllDeterminedCorrelation = 0.999;

enum class EConfidence {
    Formed,       // the intervals below hold
    TooFewPoints, // N <= p: no residual degree of freedom
    Singular,     // J has not full rank: some coefficient is not determined at all
};

struct CCoefficientInterval {
    int m_nNumber = 0;        // k of A<k>
    double m_dValue = 0;      // the estimate
    double m_dHalfWidth = 0;  // 95 % half-width
    double Low() const { return m_dValue - m_dHalfWidth; }
    double High() const { return m_dValue + m_dHalfWidth; }
    bool operator==(const CCoefficientInterval&) const = default;
};

struct CIllDeterminedPair {
    int m_nFirst = 0;          // A<first>, A<second>, first < second
    int m_nSecond = 0;
    double m_dCorrelation = 0; // |value| > kIllDeterminedCorrelation
    bool operator==(const CIllDeterminedPair&) const = default;
};

struct CConfidenceIntervals {
    EConfidence m_eStatus = EConfidence::Singular;
    std::string m_strMessage;  // not formed: why, a sentence for the user
    int m_nPoints = 0;         // N
    double m_dSigma = 0;       // s, in stress units
    double m_dQuantile = 0;    // t(0.975, N - p)
    std::vector<CCoefficientInterval> m_aCoef;       // formed: one per coefficient, in order
    std::vector<CIllDeterminedPair> m_aIllDetermined; // formed: in the order (1,2), (1,3), ...
    bool Ok() const { return m_eStatus == EConfidence::Formed; }
    bool operator==(const CConfidenceIntervals&) const = default;
};

// ---- the refinement and the fits the workbench makes itself (fit/) ------------------------

enum class ERefinement {
    Refined,        // the coefficients were replaced by the refined ones
    NotALogLaw,     // the model is not one of 9, 13, 14, 17, 18: nothing to refine
    NoFit,          // the material has no coefficients to start from
    TooFewPoints,   // fewer measured points than coefficients
    NotFinite,      // the starting law is not finite at some measured point
    SolverFailed,   // the minimiser ended without a usable result
    NoImprovement,  // the minimiser did not lower the sum of squares
    NoStart,        // a law fitted by the workbench (model 19): its starting values cannot
                    // be formed from the curves, and the fit is refused
};

struct CRefinementResult {
    ERefinement m_eStatus = ERefinement::NotALogLaw;
    std::string m_strMessage;   // one sentence saying what happened, for the user
    int m_nPoints = 0;          // measured points fitted
    double m_dStartSumSq = 0;   // S of the starting (log-space) coefficients
    double m_dSumSq = 0;        // S of the coefficients the material holds afterwards
    int m_nEvaluations = 0;     // evaluations of the residuals and of the Jacobian
    // Refined: the 95 % confidence intervals of the refined coefficients (Confidence.h).
    std::optional<CConfidenceIntervals> m_confidence;
    // Coefficients fitted without a confidence interval, and why, for the report and the
    // window: "A33..A362: the spline's coefficients are smoothed, not estimated"; else empty.
    std::string m_strNoIntervals;
    // A law the workbench fits itself: the settings of the fit that a fit of the same law to
    // a like material may start from (model 21: its three smoothing weights); else empty.
    std::vector<double> m_aTuning;
    bool Ok() const { return m_eStatus == ERefinement::Refined; }
};

// Where a fit the workbench makes itself starts: from a fit of the same law to a material
// that holds these curves and more (the whole material, for a held-out fold), its
// coefficients (the model's K) and its m_aTuning; without one, each fit forms its own start.
struct CCoreFitStart {
    std::vector<double> m_aCoef;
    std::vector<double> m_aTuning;
};

// ---- one engine call, one fit, one run ----------------------------------------------------

// What one engine call came to, as the engine reports it (TarnfitLastOutcome).
struct CEngineStatus {
    TarnfitOutcome m_eStatus = TARNFIT_NOTHING_DONE;
    std::string m_strMessage; // why it did not fit, as the engine's line says it; empty after a fit
    bool Ok() const { return m_eStatus == TARNFIT_FITTED; }
};

// How a run reaches the engine: CallModelEngine (fit/EngineCall.h), or a stand-in in tests.
using ModelEngineCall = std::function<CEngineStatus(int nModel)>;

// How the workbench fits, and what a run writes. The default is the engine's fit, bit for
// bit.
struct CFitOptions {
    CFitOptions(bool bRefine = false, std::optional<double> dSurfaceTemp = std::nullopt)
        : m_bRefine(bRefine), m_dSurfaceTemp(dSurfaceTemp) {}

    // Refine the laws the engine fits on ln(stress) (models 9, 13, 14, 17, 18) on the
    // measured stresses, and let the Optimization rank by RMS (see FindBestModel).
    bool m_bRefine;
    // Temperature of the run's surface file, deg C; none: RunSurfaceTemperature chooses.
    std::optional<double> m_dSurfaceTemp;
};

enum class EFitStatus { Fitted, Refused };

// What a fit gave, before its outputs are written, with the lines the engine and the kernels
// sent during its call (nothing of them reaches standard output).
struct CFitOutcome {
    EFitStatus m_eStatus = EFitStatus::Refused;
    // Refused: the engine's reason ("KIVHENZSPITTMNK: the exchange file holds 3 curves; the
    // law needs at least 4; the fit is refused"), or, when the engine gave none, a sentence
    // of the workbench ("no model is chosen"). Empty after a fit.
    std::string m_strMessage;
    // Every line sent but the one that carries the refusal's reason, in order: the kernels'
    // conditions (" *** WARNING ERROR 323 from DUMINF.  ...") and the engine's remarks.
    std::vector<std::string> m_aWarnings;
    // Set when the refinement was asked for and the engine delivered a usable fit: refined,
    // or why the engine's coefficients were kept (a law fitted on the stresses, ...); for a
    // law the workbench fits itself (model 19) its fit when it fitted.
    std::optional<CRefinementResult> m_refinement;
    bool Ok() const { return m_eStatus == EFitStatus::Fitted; }
};

// What became of one file a run writes.
enum class EOutputStatus {
    Written,
    Skipped, // nothing to write: "visual.tmp" of a material without measured points
    Failed,  // the file could not be written; a previous file stays as it was
};

struct COutputFile {
    std::string m_strPath;   // the file as the run addressed it (work folder included)
    EOutputStatus m_eStatus = EOutputStatus::Written;
    // Skipped or Failed: why; Written: what the user should know of it ("the surface is
    // drawn at 1150 deg C, ..."), or empty. A sentence without the path.
    std::string m_strMessage;
    bool Ok() const { return m_eStatus == EOutputStatus::Written; }
};

struct CRunResult : CFitOutcome {
    std::vector<COutputFile> m_aOutputs; // "progr.f90", "visual.tmp", the material file, in this order

    // True when one of the outputs could not be written.
    bool AnyOutputFailed() const;
};

// What one candidate of FindBestModel gave: its fit (a refused candidate's reason in
// m_strMessage) and its errors.
struct CCandidateReport : CFitOutcome {
    int m_nModel = 0;        // the candidate's model number
    int m_nCoef = 0;         // coefficients the engine returned; 0 when the fit was refused or unusable
    double m_dErrorSr = 0;   // the errors it returned (100000 for a refused fit), after the
    double m_dErrorMax = 0;  // refinement when it was refined
    double m_dRms = 0;       // RMS over the measured points (fit/FitReport.h); 0 when refused
    std::vector<double> m_aCoef; // its coefficients A1..AK (after the refinement); empty when refused
    std::optional<CConfidenceIntervals> m_confidence; // their intervals, when the fit has them
};

// Called after each candidate of FindBestModel with its report.
using CandidateCallback = std::function<void(const CCandidateReport&)>;

// The Optimization: every candidate's report in the order tried, the chosen model (0 when
// none) and the run that fitted it.
struct COptimizationResult {
    std::vector<CCandidateReport> m_aCandidates;
    int m_nChosen = 0;
    CRunResult m_run;
};

// What writing the surface file "visual.tmp" came to (export/SurfaceExport.h): Written, with
// a note in m_strMessage when the user should know something of the surface (its
// temperature lies outside the measured ones, ...), or Skipped with the reason.
struct CSurfaceExportStatus {
    EOutputStatus m_eStatus = EOutputStatus::Skipped;
    std::string m_strMessage;
    bool Ok() const { return m_eStatus == EOutputStatus::Written; }
};
