#include "EntryFrame.h"

#include "formats/FileError.h"
#include "kernels/MessageSink.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <new>

namespace tarnfit {

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
    Report(szName, "the " + strWhat + " is " + szValue + ", not a finite number; the fit is refused");
    for (CEnginePoint& point : state.m_aPoints)
        point.m_ex.m_dFitStress = 0;
    SetRefusal(state);
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
    try {
        switch (ReadExchangeFile()) {
        case EReadStatus::Unusable:
            Report(szName, state.m_strProblem + "; the exchange file was left as it was");
            return 0;
        case EReadStatus::PreparationRefused:
            Report(szName, state.m_strProblem + "; the fit is refused and the curves are written back as read");
            SetRefusal(state);
            break;
        case EReadStatus::Ready:
            if (pfnFit) {
                pfnFit(state);
                RefuseUnlessFinite(szName, state);
            }
            break;
        }
        if (eWriteBack == EWriteBack::Yes)
            WriteExchangeFile();
    } catch (const CFileError& e) {
        Report(szName, e.what());
    } catch (const std::exception& e) {
        Report(szName, std::string(e.what()) + "; the exchange file was left as it was");
    }
    return 0;
}

} // namespace tarnfit
