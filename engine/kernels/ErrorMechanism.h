#pragma once
// The kernel error mechanism: routine stack, severities, print and stop
// flags, message parameters, hand-down of conditions and their printing.
//
// Internal to libtarnfit.so (C++ linkage, not exported); the kernels of this folder and
// the tests use it. The outside world sees only TarnfitKernelSeverity() and
// TarnfitKernelCode() of tarnfit/kernels.h.
//
// Levels. Level 1 is the caller of the kernels (the engine); a kernel routine that the
// engine calls runs at level 2, the routines it calls at level 3 and deeper, up to level 50.
// A kernel routine that calls back into user code (an objective routine) sets the
// user-code switch on its level; a kernel routine called from that user code counts as an
// outermost routine too, exactly like one called at level 2 by the engine.
//
// Stopping. A condition whose stop flag is set marks the call as failed, but the process is
// never ended: the condition is printed and the outermost routine returns to its caller
// with the condition recorded (TarnfitKernelSeverity/Code, E1LastStop). The mechanism's own faults (stack
// overflow, empty-stack pop, name mismatch, illegal severity, invalid switch) are printed
// at once as TERMINAL conditions, recorded like any other terminal condition, and the stack
// is unwound so that every top-level call still starts and ends at level 1.
//
// State is per thread (each thread that calls kernels has its own stack and flags); the
// flags start at their defaults on the first use in the thread. No operation of
// the mechanism throws: without storage for a message text the message is printed without
// its text.

#include <string>

namespace tarnfit::kernels {

constexpr int kMaxLevels = 50;     // depth of the routine stack
constexpr int kMaxNameLength = 32; // characters of a routine name that are kept

// Severities.
enum : int {
    kSeverityNone = 0,
    kNote = 1,
    kAlert = 2,
    kWarning = 3,
    kFatal = 4,
    kTerminal = 5,
    kWarningImmediate = 6,
    kFatalImmediate = 7,
};

// Word printed for a severity (1..7): NOTE, ALERT, WARNING, FATAL, TERMINAL, WARNING, FATAL.
const char* SeverityWord(int nSeverity);

// Push: enter a routine. Returns false when the stack is full; the overflow has then been
// printed and recorded for the caller and the routine must return at once without popping.
bool E1PSH(const char* pszName);
// Pop: leave a routine; pszName must match the top of the stack.
void E1POP(const char* pszName);
// Post a condition with severity 0..7 (0 clears the condition of the current level), a
// code and a text with the placeholders %(I1) %(I2) %(I3) %(D1) %(D2) %(L1) %(L2) (either
// case) and "%/" for a line break. The stored parameters are substituted now and then
// cleared.
void E1MES(int nSeverity, int nCode, const char* pszText);
// Store message parameters: integer I1..I3, real D1..D2, text L1..L2 (index from 1).
void E1STI(int nIndex, int nValue);
void E1STD(int nIndex, double dValue);
void E1STL(int nIndex, const char* pszText);
// User-code switch of the current level: "ON" while the routine calls user code, "OFF"
// afterwards. Any other value is a fault of the mechanism.
void E1USR(const char* pszSwitch);

// Severity and code of the condition recorded at the current level (at level 1: of the
// condition the last outermost routine handed to its caller).
int N1RTY();
int N1RCD();
// Current level (1 when no kernel routine runs).
int E1Level();

// Severity, code and stop decision of the condition that the last outermost routine handed
// to its caller (0, 0, false when it posted none).
int E1LastSeverity();
int E1LastCode();
bool E1LastStop();

// Print and stop flags per severity 1..7 (defaults: print 3..7, stop 4, 5, 7).
// The engine never changes them; tests do.
bool E1PrintFlag(int nSeverity);
bool E1StopFlag(int nSeverity);
void E1SetPrintFlag(int nSeverity, bool bPrint);
void E1SetStopFlag(int nSeverity, bool bStop);

// Pops levels (handing their conditions down as a normal pop does) until the stack is at
// nLevel. Used to restore the stack after a fault of the mechanism.
void E1UnwindTo(int nLevel);

// The printed form of a condition, without the final line break:
// " *** WARNING ERROR 107 from DRCURV.  text". Exposed for tests.
std::string FormatMessage(int nSeverity, int nCode, const char* pszRoutine, const std::string& strText);

// Enters a routine for the lifetime of the object and leaves it again, also when an
// exception passes. Entered() is false when the push failed (stack full): the routine must
// then return at once.
class CRoutineScope {
public:
    explicit CRoutineScope(const char* pszName);
    ~CRoutineScope();
    CRoutineScope(const CRoutineScope&) = delete;
    CRoutineScope& operator=(const CRoutineScope&) = delete;

    bool Entered() const { return m_bEntered; }

private:
    const char* m_pszName;
    int m_nEntryLevel;
    bool m_bEntered;
};

// Sets the user-code switch "ON" for the lifetime of the object (while an objective routine
// runs) and "OFF" afterwards, also when an exception passes.
class CUserCodeScope {
public:
    CUserCodeScope() { E1USR("ON"); }
    ~CUserCodeScope() { E1USR("OFF"); }
    CUserCodeScope(const CUserCodeScope&) = delete;
    CUserCodeScope& operator=(const CUserCodeScope&) = delete;
};

} // namespace tarnfit::kernels
