// The kernel error mechanism. See ErrorMechanism.h for the contract and
// tarnfit/kernels.h for the message codes.

#include "kernels/ErrorMechanism.h"

#include "kernels/MessageSink.h"

#include "tarnfit/kernels.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace tarnfit::kernels {

namespace {

// The condition recorded at one level: severity, code, the routine that posted it, the
// text with its parameters substituted, and whether it has been printed already.
struct SCondition {
    int nSeverity = 0;
    int nCode = 0;
    bool bPrinted = false;
    char szRoutine[kMaxNameLength + 1] = {};
    std::string strText;
};

struct SLevel {
    char szName[kMaxNameLength + 1] = {};
    SCondition cond;
    bool bUserCode = false; // the routine at this level is running user code
};

struct SState {
    bool bInitialised = false;
    int nLevel = 1;
    SLevel aLevels[kMaxLevels + 1]; // index 1..kMaxLevels; index 0 unused
    bool abPrint[8] = {};
    bool abStop[8] = {};
    // Message parameters I1..I3, D1..D2, L1..L2.
    int anI[3] = {};
    double adD[2] = {};
    std::string astrL[2];
    // What the last outermost routine handed to its caller.
    int nLastSeverity = 0;
    int nLastCode = 0;
    bool bLastStop = false;
};

thread_local SState t_state;

// Sets up the flag tables with their defaults on the first use in the thread.
SState& State() {
    SState& st = t_state;
    if (!st.bInitialised) {
        st.bInitialised = true;
        for (int i = 1; i <= 7; ++i) {
            st.abPrint[i] = i >= kWarning;
            st.abStop[i] = i == kFatal || i == kTerminal || i == kFatalImmediate;
        }
        std::strcpy(st.aLevels[1].szName, "USER");
    }
    return st;
}

void CopyName(char* pszTarget, const char* pszSource) {
    std::strncpy(pszTarget, pszSource ? pszSource : "", kMaxNameLength);
    pszTarget[kMaxNameLength] = '\0';
}

bool SameName(const char* pszStacked, const char* pszName) {
    return std::strncmp(pszStacked, pszName ? pszName : "", kMaxNameLength) == 0;
}

void ClearParameters(SState& st) {
    st.anI[0] = st.anI[1] = st.anI[2] = 0;
    st.adD[0] = st.adD[1] = 0.0;
    st.astrL[0].clear();
    st.astrL[1].clear();
}

// Shortest decimal text that reads back as the same double ("2.5", "1e-05", "-1").
void AppendDouble(std::string& str, double d) {
    char sz[64];
    const auto res = std::to_chars(sz, sz + sizeof sz, d);
    str.append(sz, res.ptr);
}

// Substitutes the stored parameters for %(I1) .. %(L2) (either case) and a line break for "%/".
std::string SubstituteOrThrow(const SState& st, const char* pszText) {
    std::string str;
    if (!pszText)
        return str;
    for (const char* p = pszText; *p;) {
        if (p[0] == '%' && p[1] == '/') {
            str.push_back('\n');
            p += 2;
            continue;
        }
        if (p[0] == '%' && p[1] == '(' && p[2] && p[3] >= '1' && p[3] <= '3' && p[4] == ')') {
            const char cKind = p[2];
            const int nIndex = p[3] - '1';
            if ((cKind == 'I' || cKind == 'i') && nIndex < 3) {
                str += std::to_string(st.anI[nIndex]);
                p += 5;
                continue;
            }
            if ((cKind == 'D' || cKind == 'd') && nIndex < 2) {
                AppendDouble(str, st.adD[nIndex]);
                p += 5;
                continue;
            }
            if ((cKind == 'L' || cKind == 'l') && nIndex < 2) {
                str += st.astrL[nIndex];
                p += 5;
                continue;
            }
        }
        str.push_back(*p++);
    }
    return str;
}

// The same, but never throwing: without storage for the text the message goes out without it.
std::string Substitute(const SState& st, const char* pszText) noexcept {
    try {
        return SubstituteOrThrow(st, pszText);
    } catch (...) {
        return std::string();
    }
}

// Prints the condition in the form of FormatMessage, line by line, to the message sink;
// without allocating (a text beyond the buffer is cut).
void Print(SCondition& cond) noexcept {
    char szMessage[4096];
    std::snprintf(szMessage, sizeof szMessage, " *** %s ERROR %d from %s.  %s", SeverityWord(cond.nSeverity), cond.nCode,
                  cond.szRoutine, cond.strText.c_str());
    SendLines(szMessage);
    cond.bPrinted = true;
}

// Prints a condition now if it is still waiting to be printed by the outermost pop.
void PrintIfPending(const SState& st, SCondition& cond) {
    if (cond.nSeverity >= 1 && cond.nSeverity <= 7 && !cond.bPrinted && st.abPrint[cond.nSeverity])
        Print(cond);
}

bool Stops(const SState& st, int nSeverity) { return nSeverity >= 1 && nSeverity <= 7 && st.abStop[nSeverity]; }

// Records a condition at a level. A level keeps one condition: the new one replaces the old,
// except that a condition which stops is never replaced by one which does not. Nothing that
// would have been printed is lost: a replaced (or refused) condition that still waits for
// its printing is printed now.
void Record(SState& st, SLevel& level, SCondition&& cond) {
    SCondition& old = level.cond;
    if (old.nSeverity != 0) {
        if (Stops(st, old.nSeverity) && !Stops(st, cond.nSeverity)) {
            PrintIfPending(st, cond);
            return;
        }
        PrintIfPending(st, old);
    }
    old = std::move(cond);
}

// Is the routine at this level an outermost one: called by the engine (level 1) or by user
// code that a kernel routine called?
bool IsOutermost(const SState& st, int nLevel) {
    return nLevel >= 2 && (nLevel - 1 == 1 || st.aLevels[nLevel - 1].bUserCode);
}

// Hands a condition to the caller of an outermost routine: prints it if its print flag says
// so and it has not been printed yet, and makes it the result of the top-level call.
void Deliver(SState& st, SCondition&& cond) {
    if (cond.nSeverity >= 1 && cond.nSeverity <= 4)
        PrintIfPending(st, cond);
    st.nLastSeverity = cond.nSeverity;
    st.nLastCode = cond.nCode;
    st.bLastStop = Stops(st, cond.nSeverity);
    if (st.nLevel == 1) {
        st.aLevels[1].cond = std::move(cond);
        st.aLevels[1].cond.bPrinted = true;
    }
}

// Pops the top level (level >= 2): hands its condition down or delivers it to the caller.
void PopLevel(SState& st) {
    const int nLevel = st.nLevel;
    SLevel& top = st.aLevels[nLevel];
    SCondition cond = std::move(top.cond);
    top.cond = SCondition();
    top.bUserCode = false;
    top.szName[0] = '\0';
    const bool bOutermost = IsOutermost(st, nLevel);
    st.nLevel = nLevel - 1;
    if (bOutermost) {
        Deliver(st, std::move(cond));
    } else if (cond.nSeverity >= kAlert && cond.nSeverity <= kFatalImmediate) {
        Record(st, st.aLevels[st.nLevel], std::move(cond));
    }
}

// A fault of the mechanism itself: printed at once whatever the print flags say, then
// recorded as a terminal condition for the routine at the top of the stack (or delivered
// to the caller when no kernel routine runs).
void Fault(SState& st, int nCode, const char* pszRoutine, const char* pszText) {
    SCondition cond;
    cond.nSeverity = kTerminal;
    cond.nCode = nCode;
    CopyName(cond.szRoutine, pszRoutine);
    cond.strText = Substitute(st, pszText);
    ClearParameters(st);
    Print(cond);
    if (st.nLevel <= 1)
        Deliver(st, std::move(cond));
    else
        Record(st, st.aLevels[st.nLevel], std::move(cond));
}

} // namespace

const char* SeverityWord(int nSeverity) {
    static const char* const apszWord[8] = {"", "NOTE", "ALERT", "WARNING", "FATAL", "TERMINAL", "WARNING", "FATAL"};
    return nSeverity >= 0 && nSeverity <= 7 ? apszWord[nSeverity] : "";
}

std::string FormatMessage(int nSeverity, int nCode, const char* pszRoutine, const std::string& strText) {
    std::string str = " *** ";
    str += SeverityWord(nSeverity);
    str += " ERROR ";
    str += std::to_string(nCode);
    str += " from ";
    str += pszRoutine ? pszRoutine : "";
    str += ".  ";
    str += strText;
    return str;
}

bool E1PSH(const char* pszName) {
    SState& st = State();
    if (st.nLevel >= kMaxLevels) {
        E1STI(1, kMaxLevels);
        // The routine that wanted to enter is the one that fails. When it would have been
        // an outermost routine (called from user code), its caller gets the condition as
        // the result of that call; otherwise the routine that called it does.
        if (st.aLevels[st.nLevel].bUserCode) {
            SCondition cond;
            cond.nSeverity = kTerminal;
            cond.nCode = TARNFIT_E1PSH_OVERFLOW;
            std::strcpy(cond.szRoutine, "E1PSH");
            cond.strText = Substitute(st, "Error condition in E1PSH.  Push would cause stack level to exceed %(I1).");
            ClearParameters(st);
            Print(cond);
            st.nLastSeverity = cond.nSeverity;
            st.nLastCode = cond.nCode;
            st.bLastStop = Stops(st, cond.nSeverity);
        } else {
            Fault(st, TARNFIT_E1PSH_OVERFLOW, "E1PSH",
                  "Error condition in E1PSH.  Push would cause stack level to exceed %(I1).");
        }
        return false;
    }
    ++st.nLevel;
    SLevel& level = st.aLevels[st.nLevel];
    CopyName(level.szName, pszName);
    level.cond = SCondition();
    level.bUserCode = false;
    return true;
}

void E1POP(const char* pszName) {
    SState& st = State();
    if (st.nLevel <= 1) {
        E1STL(1, pszName);
        Fault(st, TARNFIT_E1POP_EMPTY, "E1POP", "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty.");
        return;
    }
    if (!SameName(st.aLevels[st.nLevel].szName, pszName)) {
        E1STL(1, pszName);
        E1STL(2, st.aLevels[st.nLevel].szName);
        Fault(st, TARNFIT_E1POP_MISMATCH, "E1POP",
              "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack.");
        // Unwind to the named routine when it is on the stack (the routines above it did not
        // pop); otherwise leave the stack alone.
        int nFound = 0;
        for (int i = st.nLevel - 1; i >= 2; --i) {
            if (SameName(st.aLevels[i].szName, pszName)) {
                nFound = i;
                break;
            }
        }
        if (nFound == 0)
            return;
        while (st.nLevel > nFound)
            PopLevel(st);
    }
    PopLevel(st);
}

void E1MES(int nSeverity, int nCode, const char* pszText) {
    SState& st = State();
    if (nSeverity < 0 || nSeverity > 7) {
        ClearParameters(st);
        Fault(st, TARNFIT_E1MES_ILLEGAL_TYPE, "E1MES", "Error from E1MES.  Illegal error type specified.");
        return;
    }
    if (nSeverity == 0) {
        ClearParameters(st);
        if (st.nLevel <= 1) {
            st.nLastSeverity = 0;
            st.nLastCode = 0;
            st.bLastStop = false;
        }
        st.aLevels[st.nLevel].cond = SCondition();
        return;
    }
    SCondition cond;
    cond.nSeverity = nSeverity;
    cond.nCode = nCode;
    std::strcpy(cond.szRoutine, st.aLevels[st.nLevel].szName);
    cond.strText = Substitute(st, pszText);
    ClearParameters(st);
    if (nSeverity >= kTerminal && st.abPrint[nSeverity])
        Print(cond);
    if (st.nLevel <= 1)
        Deliver(st, std::move(cond));
    else
        Record(st, st.aLevels[st.nLevel], std::move(cond));
}

void E1STI(int nIndex, int nValue) {
    SState& st = State();
    if (nIndex >= 1 && nIndex <= 3)
        st.anI[nIndex - 1] = nValue;
}

void E1STD(int nIndex, double dValue) {
    SState& st = State();
    if (nIndex >= 1 && nIndex <= 2)
        st.adD[nIndex - 1] = dValue;
}

void E1STL(int nIndex, const char* pszText) {
    SState& st = State();
    if (nIndex < 1 || nIndex > 2)
        return;
    try {
        st.astrL[nIndex - 1] = pszText ? pszText : "";
    } catch (...) {
        st.astrL[nIndex - 1].clear();
    }
}

void E1USR(const char* pszSwitch) {
    SState& st = State();
    const char* psz = pszSwitch ? pszSwitch : "";
    if (std::strcmp(psz, "ON") == 0) {
        st.aLevels[st.nLevel].bUserCode = true;
    } else if (std::strcmp(psz, "OFF") == 0) {
        st.aLevels[st.nLevel].bUserCode = false;
    } else {
        E1STL(1, psz);
        Fault(st, TARNFIT_E1USR_INVALID_SWITCH, "E1USR",
              "Invalid value for SWITCH in call to E1USR.  SWITCH must be set to 'ON' or 'OFF'.  SWITCH = '%(L1)'");
    }
}

int N1RTY() {
    const SState& st = State();
    return st.nLevel <= 1 ? st.nLastSeverity : st.aLevels[st.nLevel].cond.nSeverity;
}

int N1RCD() {
    const SState& st = State();
    return st.nLevel <= 1 ? st.nLastCode : st.aLevels[st.nLevel].cond.nCode;
}

int E1Level() { return State().nLevel; }

int E1LastSeverity() { return State().nLastSeverity; }
int E1LastCode() { return State().nLastCode; }
bool E1LastStop() { return State().bLastStop; }

bool E1PrintFlag(int nSeverity) { return nSeverity >= 1 && nSeverity <= 7 && State().abPrint[nSeverity]; }
bool E1StopFlag(int nSeverity) { return nSeverity >= 1 && nSeverity <= 7 && State().abStop[nSeverity]; }

void E1SetPrintFlag(int nSeverity, bool bPrint) {
    if (nSeverity >= 1 && nSeverity <= 7)
        State().abPrint[nSeverity] = bPrint;
}

void E1SetStopFlag(int nSeverity, bool bStop) {
    if (nSeverity >= 1 && nSeverity <= 7)
        State().abStop[nSeverity] = bStop;
}

void E1UnwindTo(int nLevel) {
    SState& st = State();
    if (nLevel < 1)
        nLevel = 1;
    while (st.nLevel > nLevel)
        PopLevel(st);
}

CRoutineScope::CRoutineScope(const char* pszName)
    : m_pszName(pszName), m_nEntryLevel(E1Level()), m_bEntered(E1PSH(pszName)) {}

CRoutineScope::~CRoutineScope() {
    if (!m_bEntered)
        return;
    // A routine that leaves its level must find it on top; after a fault of the mechanism
    // the stack is brought back to where it was when the routine entered.
    if (E1Level() > m_nEntryLevel)
        E1POP(m_pszName);
    E1UnwindTo(m_nEntryLevel);
}

} // namespace tarnfit::kernels

extern "C" {

int TarnfitKernelSeverity(void) { return tarnfit::kernels::E1LastSeverity(); }
int TarnfitKernelCode(void) { return tarnfit::kernels::E1LastCode(); }

} // extern "C"
