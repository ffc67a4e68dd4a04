#pragma once
// The approximation run: the material goes to the engine through the exchange file, the
// fit comes back, and the law is exported.
//
// CMaterial::ClearFit()
//   All coefficients 0, m_nCoef 0, both errors 0, m_nSelectedCurve 0 (choosing a model).
//
// CMaterial::RunApproximation()
//   1. writes "temp.mat";
//   2. calls the engine entry point of model m_nFunction (none for a number outside 1..18);
//   3. reads "temp.mat" back: prepared curves after the first fit, fitted stresses,
//      coefficients and errors;
//   4. writes "progr.f90", the surface file "visual.tmp" at 1000 deg C and the material
//      file m_strFileName.
//   Throws CFileError when a file cannot be written or read; the material then holds what
//   the last successful read gave it. The result says whether the fit delivered
//   coefficients and what became of the surface file.
//
// CMaterial::FindBestModel()
//   Writes "temp.mat" once, then fits the candidate models 1, 2, 3, 4, 7, 9, 10, 11, 12, 14,
//   15, 16, 17, 18 in this order, each on the file the previous one wrote back, and sets
//   m_nFunction to the candidate with the strictly smallest ErrorMax below 1e10 (the earlier
//   one on ties; 0 when none is below). A refused fit counts with its ErrorMax of 100000.

#include <array>
#include <functional>
#include <string>

// Temperature of the surface file written at the end of every run, deg C.
inline constexpr double kRunSurfaceTemp = 1000.0;

// The warning shown when a run ends without coefficients.
inline constexpr const char* kNoFitMessage = "Need data or select enather function for approximation!!!";

// Candidates of FindBestModel, in the order they are tried.
inline constexpr std::array<int, 14> kBestModelCandidates = {1, 2, 3, 4, 7, 9, 10, 11, 12, 14, 15, 16, 17, 18};

// Largest ErrorMax a candidate may have to be chosen (exclusive).
inline constexpr double kNoCandidateError = 1.0e10;

// Calls the engine entry point of model nModel (nothing for a number outside 1..18).
void CallModelEngine(int nModel);

// How FindBestModel reaches the engine: CallModelEngine, or a stand-in in tests.
using ModelEngineCall = std::function<void(int nModel)>;

struct CRunResult {
    bool m_bFitted = false;          // the engine delivered coefficients (m_nCoef > 0)
    bool m_bSurfaceWritten = false;  // "visual.tmp" was written
    std::string m_strSurfaceMessage; // why it was not
};
