#pragma once
// The road of every fit of the workbench: the exchange file "temp.mat" goes to the model's
// engine entry point, run in the material's work folder with the lines of the engine and the
// kernels collected (nothing reaches standard output), and comes back; a law the workbench
// fits itself (models 19, 20 and 21) is fitted on the curves the entry point prepared; the fit is checked
// and, when asked, refined on the measured stresses. CMaterial::FitModel,
// FitOnExchangeFile and FitModelOnExchangeFile (run/Approximation.h describes them) are
// defined here.
//
// One thread: the engine's state, its message sink and the process's current folder are
// process-wide; run fits from one thread only, one at a time.

#include "vornel/document/FitResults.h"

#include <string>
#include <vector>

class CCurve;
class CMaterial;

// Calls the engine entry point of model nModel in the current folder and returns what came
// of it (nothing done, "no model is chosen", for a number outside the catalogue).
CEngineStatus CallModelEngine(int nModel);

// The fit the workbench makes itself for model nModel, on the material read back after the
// model's entry point prepared its curves: it stores the law, its fitted stresses and
// errors, or the refusal result, and says which; from pStart when given (document/
// FitResults.h). Null for a model the engine fits. It touches nothing but the material, so
// fits of different materials may run on different threads at once.
using CoreFit = CRefinementResult (*)(CMaterial& material, const CCoreFitStart* pStart);
CoreFit FindCoreFit(int nModel);

// Whether the material's current fit, read back after the engine call that gave status and
// taken as a fit of model nModel, can be used; refused with the reason: no model (nModel
// outside the catalogue), the engine's reason when it did not fit (the engine alone decides
// whether a fit's numbers are finite), no coefficients in "temp.mat" (the engine never
// wrote it back), or a coefficient count other than the model's.
CCheck CheckFit(const CMaterial& material, int nModel, const CEngineStatus& status);

// Prepares raw curves as the engine prepares the curves of a material it is given with the
// prepared flag 0 (each curve on its own: trimmed, smoothed and resampled to 30 points),
// through its entry point that only prepares, in a scratch folder of its own; each curve
// keeps its label and data file. For curves added to a material that is prepared already,
// which the engine would otherwise never prepare. Throws CFileError when the engine cannot
// be run there.
void PrepareCurves(std::vector<CCurve>& aCurves);

// A fresh folder "vornel-<purpose>-<pid>-XXXXXX" in the temporary folder for the engine's
// exchange files, removed with everything in it at the end, also on an exception. The folders
// of the same purpose left by processes that no longer exist (killed while they worked) go
// first. Throws CFileError when it cannot be created.
class CScratchFolder {
public:
    explicit CScratchFolder(const std::string& strPurpose);
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// Collects the lines of the engine and the kernels while it lives, in place of their
// printing on standard output, which comes back afterwards.
class CEngineLines {
public:
    CEngineLines();
    ~CEngineLines();
    CEngineLines(const CEngineLines&) = delete;
    CEngineLines& operator=(const CEngineLines&) = delete;

    // The lines so far, without the one that carries the reason of a call that did not fit
    // (it is shown as the refusal); the collection starts afresh.
    std::vector<std::string> Take(const CEngineStatus& status);

private:
    static void Collect(const char* szLine, void* pUser) noexcept;

    std::vector<std::string> m_aLines;
};
