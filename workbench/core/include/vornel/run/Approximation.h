#pragma once
// The approximation run: the material goes to the engine through the exchange file, the
// fit comes back, and the law is exported. The files of a run live in the material's work
// folder (CMaterial::WorkPath).
//
// CMaterial::ClearFit()
//   All coefficients 0, m_nCoef 0, both errors 0, m_nSelectedCurve 0 (choosing a model).
//
// CMaterial::FitModel(options)
//   Steps 1 to 4 of RunApproximation, then, when options.m_bRefine asks for it and the
//   engine delivered a usable fit, the refinement on the measured stresses (Refinement.h),
//   whose result comes back in m_refinement. Nothing else is written. The road every fit
//   of the workbench takes, also the held-out fits of HoldOut.h.
//
// CMaterial::RunApproximation(options)
//   1. writes "temp.mat" without the previous fit (no coefficients, both errors 0, every
//      fitted stress 0), so that a fit the engine does not deliver (no entry point for the
//      model, a file it leaves untouched) never comes back as this run's;
//   2. calls the engine entry point of model m_nFunction (none for a number outside 1..19)
//      with the work folder as the current folder, where the engine finds "temp.mat"; for
//      model 19 the entry point only prepares the curves and the workbench fits the law
//      (SinhLawFit.h) after step 3, leaving its fit in "temp.mat" too
//      (FitModelOnExchangeFile);
//   3. reads "temp.mat" back: prepared curves after the first fit, fitted stresses,
//      coefficients and errors; coefficients beyond the count read become 0. The lines the
//      engine and the kernels send meanwhile go into the result (CEngineMessages), not to
//      standard output;
//   4. a fit that is not usable (FitProblem) becomes the refusal result: no coefficients,
//      both errors 100000, the reason in the result; a usable fit of models 9, 13, 14, 17
//      and 18 is refined when options.m_bRefine asks for it (FitModel). The result's
//      m_refinement then holds the refinement, and for model 19 its fit when it fitted,
//      with the coefficients' confidence intervals (Confidence.h);
//   5. writes "progr.f90", the surface file "visual.tmp" (WriteRunSurface of
//      SurfaceExport.h: at options.m_dSurfaceTemp when given, else at 1000 deg C unless that
//      lies outside the measured temperatures) and the material file m_strFileName, each on
//      its own: a file that cannot be written is reported in the result with the reason,
//      and the others are written all the same.
//   Throws CFileError only when "temp.mat" cannot be written or read back, or the engine
//   cannot be run in the work folder; the material then holds what it held before the run.
//   The result says whether the fit delivered coefficients and what became of each output.
//
// CMaterial::FindBestModel(onCandidate, options)
//   Writes "temp.mat" once, then fits the candidate models 1, 2, 3, 4, 7, 9, 10, 11, 12, 14,
//   15, 16, 17, 18 in this order, each on the file the previous one wrote back, and sets
//   m_nFunction to the usable candidate (FitProblem) with the strictly smallest ErrorMax
//   (the earlier one on ties), or to 0 when every candidate was refused. A refused fit
//   never competes with its ErrorMax of 100000, whatever the units of the stresses.
//   With options.m_bRefine every usable log-law candidate (9, 14, 17, 18) is refined, model
//   19 is fitted after model 18 (kRefinedModelCandidates), and all usable candidates are
//   ranked by their RMS over the measured points (FitReport.h) instead of ErrorMax, since the
//   refined ErrorMax is taken over the preparation's first points too, which the
//   refinement leaves out.
//   After each candidate onCandidate (when given) receives its report (its errors and the
//   engine's lines of its call), so that a window can show the ranking while the search
//   runs; the reports are also returned, in order.
//
// One thread: the engine's state, its message sink and the process's current folder are
// process-wide; run fits from one thread only, one at a time.

#include "vornel/fit/Refinement.h"
#include "tarnfit/tarnfit.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Temperature of the surface file written at the end of a run, deg C, when it lies within
// the measured temperatures (see RunSurfaceTemperature in SurfaceExport.h).
inline constexpr double kRunSurfaceTemp = 1000.0;

// The warning shown when a run ends without coefficients.
inline constexpr const char* kNoFitMessage = "Need data or select enather function for approximation!!!";

// Candidates of FindBestModel, in the order they are tried; with the refinement model 19,
// fitted on the stresses as the refined laws are, competes too.
inline constexpr std::array<int, 14> kBestModelCandidates = {1, 2, 3, 4, 7, 9, 10, 11, 12, 14, 15, 16, 17, 18};
inline constexpr std::array<int, 15> kRefinedModelCandidates = {1, 2, 3, 4, 7, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19};

// kRefinedModelCandidates when bRefine, else kBestModelCandidates.
std::span<const int> BestModelCandidates(bool bRefine);

class CMaterial;

// What one engine call came to, as the engine reports it (TarnfitLastOutcome).
struct CEngineStatus {
    TarnfitOutcome m_eOutcome = TARNFIT_NOTHING_DONE;
    std::string m_strReason; // why it did not fit, as the engine's line says it; empty after a fit
};

// Why the material's current fit, read back after the engine call that gave status and
// taken as a fit of model nModel, cannot be used, or an empty text when it can: no model
// (nModel outside 1..19), the engine's reason when it did not fit (the engine alone decides
// whether a fit's numbers are finite), no coefficients in "temp.mat" (the engine never
// wrote it back), or a coefficient count other than the model's.
std::string FitProblem(const CMaterial& material, int nModel, const CEngineStatus& status);

// Calls the engine entry point of model nModel and returns what came of it (nothing done,
// "no model is chosen", for a number outside 1..19).
CEngineStatus CallModelEngine(int nModel);

// How FindBestModel reaches the engine: CallModelEngine, or a stand-in in tests.
using ModelEngineCall = std::function<CEngineStatus(int nModel)>;

// What became of one file a run writes.
enum class EOutputStatus {
    Written,
    Skipped, // nothing to write: "visual.tmp" of a material without measured points
    Failed,  // the file could not be written; a previous file stays as it was
};

struct COutputFile {
    std::string m_strPath;   // the file as the run addressed it (work folder included)
    EOutputStatus m_eStatus = EOutputStatus::Written;
    std::string m_strReason; // Skipped or Failed: why, a sentence without the path
    std::string m_strNote;   // Written: what the user should know of it ("the surface is
                             // drawn at 1150 deg C, ..."), a sentence without the path
};

// The lines the engine and the kernels sent during one engine call, sorted for the user:
// why the fit was refused, and everything else. Nothing of it reaches standard output.
struct CEngineMessages {
    // Not fitted: the engine's reason ("KIVHENZSPITTMNK: the exchange file holds 3 curves;
    // the law needs at least 4; the fit is refused"), or, when the engine gave none, a
    // sentence of the workbench ("no model is chosen"). Empty after a fit.
    std::string m_strRefusal;
    // Every line sent but the one that carries the refusal's reason, in order: the kernels'
    // conditions (" *** WARNING ERROR 323 from DUMINF.  ...") and the engine's remarks.
    std::vector<std::string> m_aWarnings;
};

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

// What a fit gave, before its outputs are written.
struct CFitOutcome : CEngineMessages {
    bool m_bFitted = false; // the engine delivered a usable fit (m_nCoef > 0)
    // Set when the refinement was asked for and the engine delivered a usable fit: refined,
    // or why the engine's coefficients were kept (a law fitted on the stresses, ...); for
    // model 19 its fit by the workbench when it fitted (a refusal is m_strRefusal).
    std::optional<CRefinementResult> m_refinement;
};

struct CRunResult : CFitOutcome {
    std::vector<COutputFile> m_aOutputs; // "progr.f90", "visual.tmp", the material file, in this order

    // True when one of the outputs could not be written.
    bool AnyOutputFailed() const;
};

// What one candidate of FindBestModel gave, with the engine's lines of its call.
struct CCandidateReport : CEngineMessages {
    int m_nModel = 0;        // the candidate's model number
    int m_nCoef = 0;         // coefficients the engine returned; 0 when the fit was refused or unusable
    double m_dErrorSr = 0;   // the errors it returned (100000 for a refused fit), after the
    double m_dErrorMax = 0;  // refinement when it was refined
    double m_dRms = 0;       // RMS over the measured points (FitReport.h); 0 when refused
    std::optional<CRefinementResult> m_refinement; // as in CFitOutcome
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
