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
//   engine delivered a usable fit, the refinement on the measured stresses (fit/Refinement.h),
//   whose result comes back in m_refinement. Nothing else is written. The road every fit
//   of the workbench takes, also the held-out fits of run/HoldOut.h.
//
// CMaterial::RunApproximation(options)
//   1. writes "temp.mat" without the previous fit (no coefficients, both errors 0, every
//      fitted stress 0), so that a fit the engine does not deliver (no entry point for the
//      model, a file it leaves untouched) never comes back as this run's;
//   2. calls the engine entry point of model m_nFunction (none for a number the catalogue
//      does not hold) with the work folder as the current folder, where the engine finds
//      "temp.mat"; for models 19, 20 and 21 the entry point only prepares the curves and the
//      workbench fits the law (fit/SinhLawFit.h, fit/JohnsonCookFit.h, fit/SplineLawFit.h)
//      after step 3, leaving
//      its fit in "temp.mat" too (FitModelOnExchangeFile, fit/ModelFit.h);
//   3. reads "temp.mat" back: prepared curves after the first fit, fitted stresses,
//      coefficients and errors; coefficients beyond the count read become 0. The lines the
//      engine and the kernels send meanwhile go into the result (CFitOutcome), not to
//      standard output;
//   4. a fit that is not usable (CheckFit) becomes the refusal result: no coefficients,
//      both errors 100000, the reason in the result; a usable fit of models 9, 13, 14, 17
//      and 18 is refined when options.m_bRefine asks for it (FitModel). The result's
//      m_refinement then holds the refinement, and for models 19, 20 and 21 their fit when
//      it fitted, with the coefficients' confidence intervals (fit/Confidence.h; for model 21
//      those of its backbone, A1..A24, none for the spline);
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
//   m_nFunction to the usable candidate (CheckFit) with the strictly smallest ErrorMax
//   (the earlier one on ties), or to 0 when every candidate was refused. A refused fit
//   never competes with its ErrorMax of 100000, whatever the units of the stresses.
//   With options.m_bRefine every usable log-law candidate (9, 14, 17, 18) is refined, models
//   19 and 21 are fitted after model 18 (kRefinedModelCandidates), and all usable candidates are
//   ranked by their RMS over the measured points (fit/FitReport.h) instead of ErrorMax, since the
//   refined ErrorMax is taken over the preparation's first points too, which the
//   refinement leaves out.
//   After each candidate onCandidate (when given) receives its report (its errors and the
//   engine's lines of its call), so that a window can show the ranking while the search
//   runs; the reports are also returned, in order.
//
// One thread: the engine's state, its message sink and the process's current folder are
// process-wide; run fits from one thread only, one at a time.

#include "vornel/document/FitResults.h"

#include <array>
#include <span>

// The warning shown when a run ends without coefficients.
inline constexpr const char* kNoFitMessage = "Need data or select enather function for approximation!!!";

// Candidates of FindBestModel, in the order they are tried; with the refinement models 19
// and 21, fitted on the stresses as the refined laws are, compete too. Model 20, the
// Johnson-Cook law, never competes: it needs the melting temperature from the user, which a
// search over models does not ask for, and it is chosen for the card a solver has built in
// rather than for its fit (on the steel set, with tm = 1500 deg C, its RMS is 5.0 MPa against
// 2.9 MPa of the refined model 17).
inline constexpr std::array<int, 14> kBestModelCandidates = {1, 2, 3, 4, 7, 9, 10, 11, 12, 14, 15, 16, 17, 18};
inline constexpr std::array<int, 16> kRefinedModelCandidates = {1, 2, 3, 4, 7, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19, 21};

// kRefinedModelCandidates when bRefine, else kBestModelCandidates.
std::span<const int> BestModelCandidates(bool bRefine);
