#include "EntryFrame.h"

#include "formats/FileError.h"
#include "kernels/MessageSink.h"

#include <exception>
#include <new>

namespace tarnfit {

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
            if (pfnFit)
                pfnFit(state);
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
