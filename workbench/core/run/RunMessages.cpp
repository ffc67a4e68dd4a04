#include "vornel/run/RunMessages.h"

namespace {

// The engine's line without its leading blanks (the kernels indent theirs).
std::string Trimmed(const std::string& strLine) {
    const std::size_t nStart = strLine.find_first_not_of(' ');
    return nStart == std::string::npos ? std::string() : strLine.substr(nStart);
}

void AddFitLines(const CFitOutcome& fit, bool bRefinement, std::vector<CRunLine>& aLines) {
    for (const std::string& strLine : fit.m_aWarnings)
        aLines.push_back({ERunLine::Engine, Trimmed(strLine)});
    if (!fit.m_strMessage.empty())
        aLines.push_back({ERunLine::Refusal, Trimmed(fit.m_strMessage)});
    if (bRefinement && fit.m_refinement)
        aLines.push_back({ERunLine::Refinement, fit.m_refinement->m_strMessage});
}

} // namespace

std::vector<CRunLine> RunLines(const CFitOutcome& fit) {
    std::vector<CRunLine> aLines;
    AddFitLines(fit, true, aLines);
    return aLines;
}

std::vector<CRunLine> RunLines(const CRunResult& run) {
    std::vector<CRunLine> aLines = RunLines(static_cast<const CFitOutcome&>(run));
    for (const COutputFile& output : run.m_aOutputs)
        if (!output.Ok() || !output.m_strMessage.empty())
            aLines.push_back({output.m_eStatus == EOutputStatus::Failed ? ERunLine::OutputFailed : ERunLine::OutputNote,
                              output.m_strPath + ": " + output.m_strMessage});
    return aLines;
}

std::vector<CRunLine> CandidateLines(const CCandidateReport& candidate) {
    std::vector<CRunLine> aLines;
    AddFitLines(candidate, candidate.m_refinement && !candidate.m_refinement->Ok(), aLines);
    return aLines;
}
