#include "vornel/run/Approximation.h"

#include "vornel/document/Material.h"
#include "vornel/export/FortranExport.h"
#include "vornel/export/SurfaceExport.h"
#include "vornel/fit/FitReport.h"
#include "vornel/fit/ModelFit.h"
#include "vornel/fit/Refinement.h"
#include "formats/FileError.h"

#include <limits>

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

// Writes one output of a run through write(), which returns what became of the file
// (Written with a note or Skipped with the reason), and records it; a CFileError fails this
// file only.
template <class Write>
void WriteOutput(CRunResult& result, const std::string& strPath, Write write) {
    COutputFile output;
    output.m_strPath = strPath;
    try {
        const CSurfaceExportStatus status = write();
        output.m_eStatus = status.m_eStatus;
        output.m_strMessage = status.m_strMessage;
    } catch (const CFileError& e) {
        output.m_eStatus = EOutputStatus::Failed;
        output.m_strMessage = e.Reason();
    }
    result.m_aOutputs.push_back(std::move(output));
}

} // namespace

CRunResult CMaterial::RunApproximation(const CFitOptions& options) {
    WriteRunExchangeFile();
    return RunOnExchangeFile(options);
}

CRunResult CMaterial::RunOnExchangeFile(const CFitOptions& options) {
    CRunResult result;
    static_cast<CFitOutcome&>(result) = FitOnExchangeFile(options);
    WriteRunOutputs(result, options);
    return result;
}

void CMaterial::WriteRunOutputs(CRunResult& result, const CFitOptions& options) {
    const auto written = [] { return CSurfaceExportStatus{EOutputStatus::Written, {}}; };
    WriteOutput(result, WorkPath(kFortranFileName), [&] {
        WriteFortran();
        return written();
    });
    WriteOutput(result, WorkPath(kSurfaceFileName), [&] { return WriteRunSurface(*this, options.m_dSurfaceTemp); });
    WriteOutput(result, FilePath(1), [&] {
        WriteMaterialFile(1);
        return written();
    });
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
        if (report.m_refinement && !report.m_refinement->Ok())
            report.m_refinement.reset(); // refused: the reason is the candidate's refusal
        m_nFunction = nModel; // the law the report and the refinement evaluate
        const CCheck check = CheckFit(*this, nModel, status);
        if (check.Ok()) {
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
        report.m_eStatus = check.Ok() ? EFitStatus::Fitted : EFitStatus::Refused;
        report.m_strMessage = check.m_strMessage;
        report.m_nModel = nModel;
        report.m_nCoef = check.Ok() ? m_nCoef : 0;
        report.m_dErrorSr = m_dErrorSr;
        report.m_dErrorMax = m_dErrorMax;
        if (check.Ok()) {
            report.m_aCoef.assign(m_dCoef.begin(), m_dCoef.begin() + m_nCoef);
            report.m_confidence = m_confidence;
        }
        aReports.push_back(report);
        if (onCandidate)
            onCandidate(aReports.back());
    }
    m_nFunction = nChosen;
    return aReports;
}
