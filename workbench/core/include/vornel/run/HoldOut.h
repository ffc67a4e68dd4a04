#pragma once
// Leave-one-curve-out validation: how well the law of a material predicts a condition it was
// not fitted to.
//
// For each curve k the material without curve k is fitted with the same model, and curve k's
// measured points are measured against that law (FitReport.h):
// - a law the engine fits goes through the road of every fit, CMaterial::FitModel (the
//   exchange file, the engine's entry point and, when asked, the refinement of
//   Refinement.h), in a scratch folder of its own, one fold after the other (the engine's
//   state, its message sink and the current folder are process-wide);
// - a law the workbench fits itself (models 19 and 21, FindCoreFit) on curves the engine has
//   prepared needs nothing of the engine: its folds are the workbench's fit of the material
//   without the curve, in memory, each started from the fit of the whole material
//   (CCoreFitStart: model 19's coefficients, model 21's backbone and smoothing weights),
//   on every processor at once.
// The material, its work folder and the files of the last run stay exactly as they were.
// Call from the one thread that runs fits.

#include "vornel/document/FitResults.h"
#include "vornel/fit/FitReport.h"

#include <string>
#include <vector>

class CMaterial;

// Curve k held out.
struct CHoldOutCurve {
    EFitStatus m_eStatus = EFitStatus::Refused; // Fitted: the material without the curve was fitted
    std::string m_strMessage; // Refused: the refusal of the fit
    CDeviationStats m_stats;  // the curve's measured points under the law fitted without it
    bool Ok() const { return m_eStatus == EFitStatus::Fitted; }
};

struct CHoldOutReport {
    std::vector<CHoldOutCurve> m_aCurves; // curve order
    int m_nFitted = 0;                    // held-out fits that delivered a law
    double m_dMeanRms = 0;                // mean of the held-out RMS over those fits
    double m_dMaxRms = 0;                 // largest held-out RMS over those fits
};

// Holds out every curve of the material in turn (model m_nFunction, fitted with options).
// A material without a model gives an empty report. Throws CFileError when the scratch
// folder or an exchange file in it cannot be created, written or read.
CHoldOutReport ValidateByHoldOut(const CMaterial& material, const CFitOptions& options);
