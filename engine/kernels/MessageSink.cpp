// The message sink of the engine and the kernels. See MessageSink.h and tarnfit/tarnfit.h.

#include "kernels/MessageSink.h"

#include "tarnfit/tarnfit.h"

#include <cstdio>
#include <cstring>

namespace tarnfit {

namespace {

TarnfitMessageSink g_pfnSink = nullptr;
void* g_pSinkUser = nullptr;

void SendLine(const char* szLine) noexcept {
    if (g_pfnSink) {
        g_pfnSink(szLine, g_pSinkUser);
        return;
    }
    std::fputs(szLine, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

void SendLines(char* szText) noexcept {
    char* p = szText;
    for (;;) {
        char* pBreak = std::strchr(p, '\n');
        if (!pBreak) {
            if (*p != '\0' || p == szText)
                SendLine(p);
            return;
        }
        *pBreak = '\0';
        SendLine(p);
        *pBreak = '\n';
        p = pBreak + 1;
    }
}

void SendLines(const char* szText) noexcept {
    char szCopy[4096];
    std::snprintf(szCopy, sizeof szCopy, "%s", szText ? szText : "");
    SendLines(szCopy);
}

} // namespace tarnfit

extern "C" void TarnfitSetMessageSink(TarnfitMessageSink pfnSink, void* pUser) {
    tarnfit::g_pfnSink = pfnSink;
    tarnfit::g_pSinkUser = pfnSink ? pUser : nullptr;
}
