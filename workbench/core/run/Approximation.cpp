#include "vornel/run/Approximation.h"

#include "vornel/document/Material.h"
#include "vornel/fit/FitReport.h"
#include "vornel/export/FortranExport.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/export/SurfaceExport.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"
#include "tarnfit/tarnfit.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace {

// Makes the work folder the process's current folder for its lifetime, since the engine
// reads and writes "temp.mat" there; the previous current folder comes back afterwards.
// An empty folder changes nothing.
class CCurrentFolderScope {
public:
    explicit CCurrentFolderScope(const std::string& strFolder) {
        if (strFolder.empty())
            return;
        std::error_code ec;
        m_previous = std::filesystem::current_path(ec);
        if (ec)
            throw CFileError(strFolder, "cannot run the engine there: the current folder is unknown (" +
                                            ec.message() + ")");
        std::filesystem::current_path(strFolder, ec);
        if (ec)
            throw CFileError(strFolder, "cannot run the engine in this folder: " + ec.message());
    }
    ~CCurrentFolderScope() {
        if (m_previous.empty())
            return;
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
    }
    CCurrentFolderScope(const CCurrentFolderScope&) = delete;
    CCurrentFolderScope& operator=(const CCurrentFolderScope&) = delete;

private:
    std::filesystem::path m_previous;
};

// Collects the lines of the engine and the kernels while it lives, in place of their
// printing on standard output, which comes back afterwards.
class CEngineLines {
public:
    CEngineLines() { TarnfitSetMessageSink(&Collect, this); }
    ~CEngineLines() { TarnfitSetMessageSink(nullptr, nullptr); }
    CEngineLines(const CEngineLines&) = delete;
    CEngineLines& operator=(const CEngineLines&) = delete;

    // The lines so far, without the one that carries the reason of a call that did not fit
    // (it is shown as the refusal); the collection starts afresh.
    std::vector<std::string> Take(const CEngineStatus& status) {
        std::vector<std::string> aLines = std::move(m_aLines);
        m_aLines.clear();
        if (status.m_eOutcome != TARNFIT_FITTED && !status.m_strReason.empty())
            if (auto it = std::find(aLines.begin(), aLines.end(), status.m_strReason); it != aLines.end())
                aLines.erase(it);
        return aLines;
    }

private:
    static void Collect(const char* szLine, void* pUser) noexcept {
        try {
            static_cast<CEngineLines*>(pUser)->m_aLines.emplace_back(szLine);
        } catch (...) {
            // Without memory the line is lost; the fit's result is not.
        }
    }

    std::vector<std::string> m_aLines;
};

} // namespace

void CMaterial::ClearFit() {
    m_dCoef.fill(0.0);
    m_nCoef = 0;
    m_dErrorSr = 0;
    m_dErrorMax = 0;
    m_nSelectedCurve = 0;
}

CEngineStatus CallModelEngine(int nModel) {
    const CModelInfo* pModel = FindModel(nModel);
    if (!pModel)
        return {TARNFIT_NOTHING_DONE, "no model is chosen"};
    pModel->m_pfnEntry();
    const char* szReason = nullptr;
    CEngineStatus status;
    status.m_eOutcome = TarnfitLastOutcome(&szReason);
    status.m_strReason = szReason ? szReason : "";
    return status;
}

std::span<const int> BestModelCandidates(bool bRefine) {
    if (bRefine)
        return kRefinedModelCandidates;
    return kBestModelCandidates;
}

bool CRunResult::AnyOutputFailed() const {
    for (const COutputFile& output : m_aOutputs)
        if (output.m_eStatus == EOutputStatus::Failed)
            return true;
    return false;
}

namespace {

// Writes one output of a run through write(), which returns the reason for a skipped file
// or an empty text, and records what became of it; a CFileError fails this file only.
template <class Write>
COutputFile& WriteOutput(CRunResult& result, const std::string& strPath, Write write) {
    COutputFile output;
    output.m_strPath = strPath;
    try {
        output.m_strReason = write();
        output.m_eStatus = output.m_strReason.empty() ? EOutputStatus::Written : EOutputStatus::Skipped;
    } catch (const CFileError& e) {
        output.m_eStatus = EOutputStatus::Failed;
        output.m_strReason = e.Reason();
    }
    return result.m_aOutputs.emplace_back(std::move(output));
}

} // namespace

std::string FitProblem(const CMaterial& material, int nModel, const CEngineStatus& status) {
    const CModelInfo* pModel = FindModel(nModel);
    if (!pModel)
        return "no model is chosen";
    const std::string strModel = "model " + std::to_string(nModel) + ": ";
    if (status.m_eOutcome != TARNFIT_FITTED)
        return status.m_strReason.empty() ? strModel + "the engine returned no coefficients" : status.m_strReason;
    if (material.m_nCoef <= 0)
        return strModel + "the engine returned no coefficients";
    if (material.m_nCoef != pModel->m_nCoef)
        return strModel + "the engine returned " + std::to_string(material.m_nCoef) + " coefficients instead of " +
               std::to_string(pModel->m_nCoef);
    return {};
}

void CMaterial::WriteRunExchangeFile() const {
    // The engine starts from no fit: no coefficients, both errors 0 and every fitted stress
    // 0. Curves whose points carry a fitted stress go through a copy without it; raw
    // records as imported carry none and are written from where they lie.
    CExchangeView view = ExchangeView();
    view.m_nCoef = 0;
    view.m_dErrorSr = 0;
    view.m_dErrorMax = 0;
    std::vector<std::vector<CCurvePoint>> aCleared;
    aCleared.reserve(static_cast<std::size_t>(m_nCurves));
    for (int i = 0; i < m_nCurves; ++i) {
        const std::vector<CCurvePoint>& aPoints = Curve(i).m_pPoints;
        const bool bFitted = std::any_of(aPoints.begin(), aPoints.end(), [](const CCurvePoint& point) {
            return std::bit_cast<std::uint64_t>(point.m_dFitStress) != 0;
        });
        if (!bFitted)
            continue;
        std::vector<CCurvePoint>& aCopy = aCleared.emplace_back(aPoints);
        for (CCurvePoint& point : aCopy)
            point.m_dFitStress = 0;
        view.m_aCurves[static_cast<std::size_t>(i)].m_pFirst = reinterpret_cast<const unsigned char*>(aCopy.data());
    }
    WriteExchangeView(FilePath(0), view, EExchangeTrailer::CurveWords, EExchangeReplace::RemoveFirst);
}

CFitOutcome CMaterial::FitModel(const CFitOptions& options) {
    WriteRunExchangeFile();
    return FitOnExchangeFile(options);
}

CEngineStatus CMaterial::FitModelOnExchangeFile(const ModelEngineCall& callEngine, int nModel,
                                                std::optional<CRefinementResult>& coreFit) {
    CEngineStatus status;
    {
        CCurrentFolderScope folder(m_strWorkFolder);
        status = callEngine(nModel);
    }
    ReadMaterialFile(0);
    const CModelInfo* pModel = FindModel(nModel);
    if (pModel && pModel->m_pfnCoreFit && status.m_eOutcome == TARNFIT_NOTHING_DONE) {
        // The entry point prepared the curves; the workbench fits the law on them and leaves
        // the fit in "temp.mat", as an entry point that fits does.
        m_nFunction = nModel;
        coreFit = pModel->m_pfnCoreFit(*this);
        status = coreFit->Refined() ? CEngineStatus{TARNFIT_FITTED, {}} : CEngineStatus{TARNFIT_REFUSED, coreFit->m_strMessage};
        WriteMaterialFile(0);
    }
    return status;
}

CFitOutcome CMaterial::FitOnExchangeFile(const CFitOptions& options) {
    CEngineLines lines;
    std::optional<CRefinementResult> coreFit;
    const CEngineStatus status = FitModelOnExchangeFile(CallModelEngine, m_nFunction, coreFit);
    std::fill(m_dCoef.begin() + m_nCoef, m_dCoef.end(), 0.0);

    CFitOutcome outcome;
    outcome.m_aWarnings = lines.Take(status);
    outcome.m_strRefusal = FitProblem(*this, m_nFunction, status);
    outcome.m_bFitted = outcome.m_strRefusal.empty();
    if (!outcome.m_bFitted && m_nCoef > 0) {
        // Coefficients the run cannot use: the refusal result.
        m_dCoef.fill(0.0);
        m_nCoef = 0;
        m_dErrorSr = kRefusalError;
        m_dErrorMax = kRefusalError;
    }
    // A refused fit of the workbench is the run's refusal, its reason in m_strRefusal.
    if (coreFit && coreFit->Refined())
        outcome.m_refinement = std::move(coreFit);
    else if (!coreFit && outcome.m_bFitted && options.m_bRefine)
        outcome.m_refinement = RefineFit(*this);
    return outcome;
}

CRunResult CMaterial::RunApproximation(const CFitOptions& options) {
    WriteRunExchangeFile();
    return RunOnExchangeFile(options);
}

CRunResult CMaterial::RunOnExchangeFile(const CFitOptions& options) {
    CRunResult result;
    static_cast<CFitOutcome&>(result) = FitOnExchangeFile(options);
    WriteOutput(result, WorkPath(kFortranFileName), [&] {
        WriteFortran();
        return std::string();
    });
    std::string strSurfaceNote;
    COutputFile& surface = WriteOutput(result, WorkPath(kSurfaceFileName), [&] {
        CSurfaceExportStatus status = WriteRunSurface(*this, options.m_dSurfaceTemp);
        strSurfaceNote = std::move(status.m_strNote);
        return status.m_strMessage;
    });
    surface.m_strNote = std::move(strSurfaceNote);
    WriteOutput(result, FilePath(1), [&] {
        WriteMaterialFile(1);
        return std::string();
    });
    return result;
}

std::vector<CCandidateReport> CMaterial::FindBestModel(const CandidateCallback& onCandidate,
                                                       const CFitOptions& options) {
    return FindBestModelWith(CallModelEngine, onCandidate, options);
}

std::vector<CCandidateReport> CMaterial::FindBestModelWith(const ModelEngineCall& callEngine,
                                                           const CandidateCallback& onCandidate,
                                                           const CFitOptions& options) {
    WriteMaterialFile(0);
    return FindBestModelOnExchangeFile(callEngine, onCandidate, options);
}

std::vector<CCandidateReport> CMaterial::FindBestModelOnExchangeFile(const ModelEngineCall& callEngine,
                                                                     const CandidateCallback& onCandidate,
                                                                     const CFitOptions& options) {
    double dBest = std::numeric_limits<double>::infinity();
    int nChosen = 0;
    std::vector<CCandidateReport> aReports;
    CEngineLines lines;
    for (int nModel : BestModelCandidates(options.m_bRefine)) {
        CCandidateReport report;
        const CEngineStatus status = FitModelOnExchangeFile(callEngine, nModel, report.m_refinement);
        if (report.m_refinement && !report.m_refinement->Refined())
            report.m_refinement.reset(); // refused: the reason is the candidate's refusal
        m_nFunction = nModel; // the law the report and the refinement evaluate
        const std::string strProblem = FitProblem(*this, nModel, status);
        if (strProblem.empty()) {
            if (options.m_bRefine && IsRefinableModel(nModel))
                report.m_refinement = RefineFit(*this);
            report.m_dRms = MakeFitReport(*this).m_all.m_dRms;
            const double dRank = options.m_bRefine ? report.m_dRms : m_dErrorMax;
            if (dRank < dBest) {
                dBest = dRank;
                nChosen = nModel;
            }
        }
        report.m_aWarnings = lines.Take(status);
        report.m_strRefusal = strProblem;
        report.m_nModel = nModel;
        report.m_nCoef = strProblem.empty() ? m_nCoef : 0;
        report.m_dErrorSr = m_dErrorSr;
        report.m_dErrorMax = m_dErrorMax;
        aReports.push_back(report);
        if (onCandidate)
            onCandidate(aReports.back());
    }
    m_nFunction = nChosen;
    return aReports;
}
