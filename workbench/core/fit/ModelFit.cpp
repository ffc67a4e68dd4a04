#include "vornel/fit/ModelFit.h"

#include "vornel/document/Material.h"
#include "vornel/fit/JohnsonCookFit.h"
#include "vornel/fit/Refinement.h"
#include "vornel/fit/SinhLawFit.h"
#include "vornel/fit/SplineLawFit.h"
#include "vornel/model/JohnsonCookLaw.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SinhLaw.h"
#include "vornel/model/SplineLaw.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"
#include "tarnfit/tarnfit.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <bit>
#include <cstdint>
#include <filesystem>

#include <unistd.h>

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

} // namespace

CScratchFolder::CScratchFolder(const std::string& strPurpose) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec)
        temp = "/tmp";
    const std::string strPrefix = "vornel-" + strPurpose + "-";
    for (fs::directory_iterator it(temp, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string strName = it->path().filename().string();
        std::error_code ecEntry;
        if (!strName.starts_with(strPrefix) || !it->is_directory(ecEntry))
            continue;
        const auto nPid = static_cast<pid_t>(std::atol(strName.c_str() + strPrefix.size()));
        if (nPid > 0 && ::kill(nPid, 0) != 0 && errno == ESRCH)
            fs::remove_all(it->path(), ecEntry);
    }
    std::string strTemplate = (temp / (strPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (!::mkdtemp(strTemplate.data()))
        throw CFileError(strTemplate, "cannot create a scratch folder for the fitting engine: " +
                                          std::string(std::strerror(errno)));
    m_strPath = std::move(strTemplate);
}

CScratchFolder::~CScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_strPath, ec);
}

void PrepareCurves(std::vector<CCurve>& aCurves) {
    if (aCurves.empty())
        return;
    CScratchFolder scratch("prepare");
    CMaterial raw;
    raw.m_strWorkFolder = scratch.Path();
    for (const CCurve& curve : aCurves)
        raw.Curve(raw.m_nCurves++) = curve;
    raw.m_nPoints = raw.CountPoints();
    raw.WriteMaterialFile(0);
    CEngineStatus status;
    {
        const CEngineLines lines; // the preparation says nothing the user needs
        const CCurrentFolderScope folder(scratch.Path());
        KIVHOTHALVEKALL();
        const char* szReason = nullptr;
        status.m_eStatus = TarnfitLastOutcome(&szReason);
        status.m_strMessage = szReason ? szReason : "";
    }
    if (status.m_eStatus == TARNFIT_FILE_UNUSABLE)
        throw CFileError(raw.FilePath(0), "the fitting engine could not prepare the curves: " + status.m_strMessage);
    raw.ReadMaterialFile(0);
    for (std::size_t i = 0; i < aCurves.size(); ++i) {
        CCurve& curve = aCurves[i];
        curve.m_pPoints = std::move(raw.Curve(static_cast<int>(i)).m_pPoints);
    }
}

CEngineLines::CEngineLines() { TarnfitSetMessageSink(&Collect, this); }

CEngineLines::~CEngineLines() { TarnfitSetMessageSink(nullptr, nullptr); }

std::vector<std::string> CEngineLines::Take(const CEngineStatus& status) {
    std::vector<std::string> aLines = std::move(m_aLines);
    m_aLines.clear();
    if (!status.Ok() && !status.m_strMessage.empty())
        if (auto it = std::find(aLines.begin(), aLines.end(), status.m_strMessage); it != aLines.end())
            aLines.erase(it);
    return aLines;
}

void CEngineLines::Collect(const char* szLine, void* pUser) noexcept {
    try {
        static_cast<CEngineLines*>(pUser)->m_aLines.emplace_back(szLine);
    } catch (...) {
        // Without memory the line is lost; the fit's result is not.
    }
}

CEngineStatus CallModelEngine(int nModel) {
    const CModelInfo* pModel = FindModel(nModel);
    if (!pModel)
        return {TARNFIT_NOTHING_DONE, "no model is chosen"};
    pModel->m_pfnEntry();
    const char* szReason = nullptr;
    CEngineStatus status;
    status.m_eStatus = TarnfitLastOutcome(&szReason);
    status.m_strMessage = szReason ? szReason : "";
    return status;
}

CoreFit FindCoreFit(int nModel) {
    // The laws the workbench fits itself, by model number; their entry points only prepare
    // the curves.
    struct SCoreFit {
        int m_nModel;
        CoreFit m_pfnFit;
    };
    static constexpr SCoreFit kCoreFits[] = {
        {kSinhModel, FitSinhLaw}, {kJohnsonCookModel, FitJohnsonCook}, {kSplineModel, FitSplineLaw}};
    for (const SCoreFit& entry : kCoreFits)
        if (entry.m_nModel == nModel)
            return entry.m_pfnFit;
    return nullptr;
}

CCheck CheckFit(const CMaterial& material, int nModel, const CEngineStatus& status) {
    const CModelInfo* pModel = FindModel(nModel);
    if (!pModel)
        return CCheck::Refuse("no model is chosen");
    const std::string strModel = "model " + std::to_string(nModel) + ": ";
    if (!status.Ok())
        return CCheck::Refuse(status.m_strMessage.empty() ? strModel + "the engine returned no coefficients"
                                                           : status.m_strMessage);
    if (material.m_nCoef <= 0)
        return CCheck::Refuse(strModel + "the engine returned no coefficients");
    if (material.m_nCoef != pModel->m_nCoef)
        return CCheck::Refuse(strModel + "the engine returned " + std::to_string(material.m_nCoef) +
                              " coefficients instead of " + std::to_string(pModel->m_nCoef));
    return {};
}

void CMaterial::WriteRunExchangeFile() const {
    // The engine starts from no fit: no coefficients, both errors 0 and every fitted stress
    // 0. Curves whose points carry a fitted stress go through a copy without it; raw
    // records as imported carry none and are written from where they lie.
    CExchangeView view = ExchangeView();
    view.m_nFunction = m_nFunction; // not the law a file states in place of model 21's
    view.m_nCoef = 0;
    view.m_dErrorSr = 0;
    view.m_dErrorMax = 0;
    view.m_aSections.clear(); // nothing of the previous fit, should the engine not write back
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
    // An engine that could not read the exchange file or write its result back (a full
    // disk) fitted nothing this run could show: the run fails as a file does.
    if (status.m_eStatus == TARNFIT_FILE_UNUSABLE)
        throw CFileError(FilePath(0), "the fitting engine could not use the exchange file: " + status.m_strMessage);
    ReadMaterialFile(0);
    const CoreFit coreFitOf = FindCoreFit(nModel);
    if (coreFitOf && status.m_eStatus == TARNFIT_NOTHING_DONE) {
        // The entry point prepared the curves; the workbench fits the law on them and leaves
        // the fit in "temp.mat", as an entry point that fits does.
        m_nFunction = nModel;
        coreFit = coreFitOf(*this, nullptr);
        status = coreFit->Ok() ? CEngineStatus{TARNFIT_FITTED, {}} : CEngineStatus{TARNFIT_REFUSED, coreFit->m_strMessage};
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
    const CCheck check = CheckFit(*this, m_nFunction, status);
    outcome.m_eStatus = check.Ok() ? EFitStatus::Fitted : EFitStatus::Refused;
    outcome.m_strMessage = check.m_strMessage;
    if (!outcome.Ok() && m_nCoef > 0) {
        // Coefficients the run cannot use: the refusal result.
        m_dCoef.fill(0.0);
        m_nCoef = 0;
        m_dErrorSr = kRefusalError;
        m_dErrorMax = kRefusalError;
    }
    // A refused fit of the workbench is the run's refusal, its reason in m_strMessage.
    if (coreFit && coreFit->Ok())
        outcome.m_refinement = std::move(coreFit);
    else if (!coreFit && outcome.Ok() && options.m_bRefine)
        outcome.m_refinement = RefineFit(*this);
    // The material keeps the intervals of the law it holds now.
    m_confidence.reset();
    if (outcome.m_refinement && outcome.m_refinement->Ok())
        m_confidence = outcome.m_refinement->m_confidence;
    return outcome;
}

