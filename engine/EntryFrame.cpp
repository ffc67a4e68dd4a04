#include "EntryFrame.h"

#include "formats/FileError.h"
#include "kernels/MessageSink.h"
#include "tarnfit/tarnfit.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <new>

namespace tarnfit {

namespace {

// The outcome of the entry point that runs now, or ran last.
struct CCallOutcome {
    TarnfitOutcome m_eOutcome = TARNFIT_NOTHING_DONE;
    std::string m_strReason;
};

CCallOutcome g_outcome;

void SetOutcome(TarnfitOutcome eOutcome, const char* szName, const std::string& strText) {
    g_outcome.m_eOutcome = eOutcome;
    try {
        g_outcome.m_strReason = std::string(szName) + ": " + strText;
    } catch (const std::bad_alloc&) {
        g_outcome.m_strReason.clear();
    }
}

} // namespace

void RecordNothingDone() {
    g_outcome.m_eOutcome = TARNFIT_NOTHING_DONE;
    g_outcome.m_strReason.clear();
}

void RecordRefusal(const char* szName, const std::string& strText) {
    Report(szName, strText);
    SetOutcome(TARNFIT_REFUSED, szName, strText);
}

void RefuseFit(CEngineState& state, const char* szName, const std::string& strText) {
    SetRefusal(state);
    RecordRefusal(szName, strText);
}

bool RefuseUnlessFinite(const char* szName, CEngineState& state) {
    if (state.m_nCoef <= 0)
        return true;
    std::string strWhat;
    double dValue = 0;
    for (int k = 0; k < state.m_nCoef && strWhat.empty(); ++k)
        if (dValue = state.m_dA[static_cast<std::size_t>(k)]; !std::isfinite(dValue))
            strWhat = "coefficient A" + std::to_string(k + 1);
    for (std::size_t i = 0; i < state.m_aPoints.size() && strWhat.empty(); ++i)
        if (dValue = state.m_aPoints[i].m_ex.m_dFitStress; !std::isfinite(dValue))
            strWhat = "fitted stress of point " + std::to_string(i + 1);
    if (strWhat.empty() && (dValue = state.m_dErrorSr, !std::isfinite(dValue)))
        strWhat = "ErrorSr";
    if (strWhat.empty() && (dValue = state.m_dErrorMax, !std::isfinite(dValue)))
        strWhat = "ErrorMax";
    if (strWhat.empty())
        return true;
    char szValue[64];
    std::snprintf(szValue, sizeof szValue, "%g", dValue);
    for (CEnginePoint& point : state.m_aPoints)
        point.m_ex.m_dFitStress = 0;
    RefuseFit(state, szName, "the " + strWhat + " is " + szValue + ", not a finite number; the fit is refused");
    return false;
}

void Report(const char* szName, const std::string& strText) {
    std::string strLine;
    try {
        strLine = std::string(szName) + ": " + strText;
    } catch (const std::bad_alloc&) {
        SendLines(szName);
        return;
    }
    SendLines(strLine.data());
}

int RunEntryPoint(const char* szName, FitFunction pfnFit, EWriteBack eWriteBack) {
    CEngineState& state = Engine();
    RecordNothingDone();
    try {
        switch (ReadExchangeFile()) {
        case EReadStatus::Unusable:
            Report(szName, state.m_strProblem + "; the exchange file was left as it was");
            SetOutcome(TARNFIT_FILE_UNUSABLE, szName, state.m_strProblem + "; the exchange file was left as it was");
            return 0;
        case EReadStatus::PreparationRefused:
            RefuseFit(state, szName, state.m_strProblem + "; the fit is refused and the curves are written back as read");
            break;
        case EReadStatus::Ready:
            if (pfnFit) {
                pfnFit(state);
                if (g_outcome.m_eOutcome == TARNFIT_NOTHING_DONE && RefuseUnlessFinite(szName, state)) {
                    if (eWriteBack == EWriteBack::No || state.m_nCoef > 0)
                        g_outcome.m_eOutcome = TARNFIT_FITTED;
                    else
                        RefuseFit(state, szName, "the fit delivered no coefficients; the fit is refused");
                }
            }
            break;
        }
        if (eWriteBack == EWriteBack::Yes)
            WriteExchangeFile();
    } catch (const CFileError& e) {
        Report(szName, e.what());
        SetOutcome(TARNFIT_FILE_UNUSABLE, szName, e.what());
    } catch (const std::exception& e) {
        Report(szName, std::string(e.what()) + "; the exchange file was left as it was");
        SetOutcome(TARNFIT_FILE_UNUSABLE, szName, std::string(e.what()) + "; the exchange file was left as it was");
    }
    return 0;
}

} // namespace tarnfit

TarnfitOutcome TarnfitLastOutcome(const char** ppszReason) {
    if (ppszReason)
        *ppszReason = tarnfit::g_outcome.m_strReason.c_str();
    return tarnfit::g_outcome.m_eOutcome;
}
