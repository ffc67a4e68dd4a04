// The kernel error mechanism through its internal interface.

#include "KernelTestSupport.h"
#include "tarnfit/tarnfit.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace tarnfit::kernels;
using vornel_test::Captured;
using vornel_test::Contains;
using vornel_test::Count;

namespace {

class ErrorMechanismTest : public vornel_test::KernelTest {};

// Prints a marker line, so that a captured output shows when a message was printed.
void Mark() {
    std::fputs("MARK\n", stdout);
    std::fflush(stdout);
}

// A routine of the test that posts one condition at its own level.
void Poster(const char* pszName, int nSeverity, int nCode, const char* pszText) {
    CRoutineScope scope(pszName);
    E1MES(nSeverity, nCode, pszText);
}

TEST_F(ErrorMechanismTest, DefaultFlagsFollowThePart) {
    EXPECT_EQ(E1Level(), 1);
    for (int s = 1; s <= 7; ++s) {
        EXPECT_EQ(E1PrintFlag(s), s >= 3) << s;
        EXPECT_EQ(E1StopFlag(s), s == 4 || s == 5 || s == 7) << s;
    }
    EXPECT_STREQ(SeverityWord(1), "NOTE");
    EXPECT_STREQ(SeverityWord(2), "ALERT");
    EXPECT_STREQ(SeverityWord(3), "WARNING");
    EXPECT_STREQ(SeverityWord(4), "FATAL");
    EXPECT_STREQ(SeverityWord(5), "TERMINAL");
    EXPECT_STREQ(SeverityWord(6), "WARNING");
    EXPECT_STREQ(SeverityWord(7), "FATAL");
}

TEST_F(ErrorMechanismTest, WarningTwoLevelsDownIsPrintedOnceWhenTheOuterRoutineReturns) {
    const std::string str = Captured([&] {
        {
            CRoutineScope outer("OUTER");
            {
                CRoutineScope inner("INNER");
                EXPECT_EQ(E1Level(), 3);
                E1STI(1, 7);
                E1STD(1, 2.5);
                E1MES(kWarning, 77, "Value %(I1) and %(D1).");
            }
            // Handed down to the outer level, not printed yet.
            EXPECT_EQ(N1RTY(), kWarning);
            EXPECT_EQ(N1RCD(), 77);
            Mark();
        }
    });
    EXPECT_EQ(str, "MARK\n *** WARNING ERROR 77 from INNER.  Value 7 and 2.5.\n");
    EXPECT_EQ(TarnfitKernelSeverity(), kWarning);
    EXPECT_EQ(TarnfitKernelCode(), 77);
    EXPECT_FALSE(E1LastStop());
}

TEST_F(ErrorMechanismTest, FatalInsideANestedRoutineTakesEffectOnlyWhenTheOuterRoutineReturns) {
    const std::string str = Captured([&] {
        CRoutineScope outer("OUTER");
        Poster("INNER", kFatal, 12, "Broken.");
        // The outer routine sees the condition and can skip its work.
        EXPECT_EQ(N1RTY(), kFatal);
        Mark();
    });
    EXPECT_EQ(str, "MARK\n *** FATAL ERROR 12 from INNER.  Broken.\n");
    EXPECT_EQ(TarnfitKernelSeverity(), kFatal);
    EXPECT_TRUE(E1LastStop());
    EXPECT_TRUE(TARNFIT_KERNEL_FAILED(TarnfitKernelSeverity()));
}

TEST_F(ErrorMechanismTest, LineBreakPlaceholderPrintsTwoLines) {
    const std::string str = Captured([] { Poster("ROUT", kWarning, 5, "First line.%/Second line."); });
    EXPECT_EQ(str, " *** WARNING ERROR 5 from ROUT.  First line.\nSecond line.\n");
    EXPECT_EQ(Count(str, "\n"), 2);
}

// The host's sink receives every line, in order, and nothing reaches standard output; a null
// sink brings the printing back.
TEST_F(ErrorMechanismTest, MessageSinkReceivesEveryLineInOrderAndNullRestoresPrinting) {
    std::vector<std::string> aLines;
    const TarnfitMessageSink collect = [](const char* szLine, void* pUser) {
        static_cast<std::vector<std::string>*>(pUser)->push_back(szLine);
    };
    TarnfitSetMessageSink(collect, &aLines);
    const std::string str = Captured([] {
        Poster("ROUT", kWarning, 5, "First line.%/Second line.");
        Poster("NEXT", kWarningImmediate, 6, "Third.");
    });
    TarnfitSetMessageSink(nullptr, nullptr);
    EXPECT_EQ(str, "");
    EXPECT_EQ(aLines, (std::vector<std::string>{" *** WARNING ERROR 5 from ROUT.  First line.", "Second line.",
                                                " *** WARNING ERROR 6 from NEXT.  Third."}));
    EXPECT_EQ(Captured([] { Poster("ROUT", kWarning, 7, "Back."); }), " *** WARNING ERROR 7 from ROUT.  Back.\n");
    EXPECT_EQ(aLines.size(), 3u);
}

TEST_F(ErrorMechanismTest, PlaceholdersInEitherCase) {
    const std::string str = Captured([] {
        CRoutineScope scope("ROUT");
        E1STI(1, 1);
        E1STI(2, -2);
        E1STI(3, 3);
        E1STD(1, 1e-5);
        E1STD(2, -0.125);
        E1STL(1, "abc");
        E1STL(2, "XYZ");
        E1MES(kWarning, 9, "%(I1) %(i2) %(I3) %(d1) %(D2) %(L1) %(l2) %(I4) %(X1) 100%");
    });
    EXPECT_EQ(str, " *** WARNING ERROR 9 from ROUT.  1 -2 3 1e-05 -0.125 abc XYZ %(I4) %(X1) 100%\n");
}

TEST_F(ErrorMechanismTest, ParametersAreClearedAfterEachPosting) {
    const std::string str = Captured([] {
        CRoutineScope scope("ROUT");
        E1STI(1, 42);
        E1MES(kNote, 1, "%(I1)");
        E1MES(kWarning, 2, "I1 = %(I1).");
    });
    EXPECT_EQ(str, " *** WARNING ERROR 2 from ROUT.  I1 = 0.\n");
}

TEST_F(ErrorMechanismTest, NotesAndAlertsAreSilentByDefault) {
    EXPECT_EQ(Captured([] { Poster("ROUT", kNote, 1, "note"); }), "");
    EXPECT_EQ(TarnfitKernelSeverity(), kNote);
    EXPECT_EQ(Captured([] { Poster("ROUT", kAlert, 2, "alert"); }), "");
    EXPECT_EQ(TarnfitKernelSeverity(), kAlert);
    EXPECT_FALSE(E1LastStop());
}

TEST_F(ErrorMechanismTest, PrintFlagsDecide) {
    E1SetPrintFlag(kNote, true);
    E1SetPrintFlag(kWarning, false);
    const std::string str = Captured([] {
        Poster("ROUT", kNote, 1, "note");
        Poster("ROUT", kWarning, 3, "warning");
    });
    E1SetPrintFlag(kNote, false);
    E1SetPrintFlag(kWarning, true);
    EXPECT_EQ(str, " *** NOTE ERROR 1 from ROUT.  note\n");
}

TEST_F(ErrorMechanismTest, StopFlagsDecideWhatCountsAsStopping) {
    E1SetStopFlag(kFatal, false);
    Captured([] { Poster("ROUT", kFatal, 4, "fatal"); });
    EXPECT_FALSE(E1LastStop());
    E1SetStopFlag(kFatal, true);
    Captured([] { Poster("ROUT", kFatal, 4, "fatal"); });
    EXPECT_TRUE(E1LastStop());
}

TEST_F(ErrorMechanismTest, ImmediateSeveritiesPrintAtOnceAndOnlyOnce) {
    for (int s : {kTerminal, kWarningImmediate, kFatalImmediate}) {
        const std::string str = Captured([&] {
            CRoutineScope outer("OUTER");
            {
                CRoutineScope inner("INNER");
                E1MES(s, 50 + s, "now");
                Mark();
            }
        });
        EXPECT_EQ(str, std::string(" *** ") + SeverityWord(s) + " ERROR " + std::to_string(50 + s) +
                           " from INNER.  now\nMARK\n");
        EXPECT_EQ(TarnfitKernelSeverity(), s);
        EXPECT_EQ(E1LastStop(), s != kWarningImmediate);
    }
}

TEST_F(ErrorMechanismTest, NoConditionGivesZero) {
    Captured([] { Poster("ROUT", kWarning, 3, "w"); });
    EXPECT_EQ(TarnfitKernelSeverity(), kWarning);
    {
        CRoutineScope scope("QUIET");
    }
    EXPECT_EQ(TarnfitKernelSeverity(), 0);
    EXPECT_EQ(TarnfitKernelCode(), 0);
}

TEST_F(ErrorMechanismTest, SeverityZeroClearsTheCondition) {
    const std::string str = Captured([] {
        CRoutineScope scope("ROUT");
        E1MES(kWarning, 3, "w");
        E1MES(0, 0, "");
        EXPECT_EQ(N1RTY(), 0);
    });
    EXPECT_EQ(str, "");
    EXPECT_EQ(TarnfitKernelSeverity(), 0);
}

TEST_F(ErrorMechanismTest, NoteIsNotHandedDownButAlertIs) {
    Captured([] {
        CRoutineScope outer("OUTER");
        Poster("INNER", kNote, 1, "note");
        EXPECT_EQ(N1RTY(), 0);
        Poster("INNER", kAlert, 2, "alert");
        EXPECT_EQ(N1RTY(), kAlert);
    });
}

TEST_F(ErrorMechanismTest, AReplacedWarningIsPrintedAndAFailureIsKept) {
    const std::string str = Captured([] {
        CRoutineScope scope("ROUT");
        E1MES(kWarning, 31, "first warning");
        E1MES(kFatal, 41, "the fatal one");
        E1MES(kWarning, 32, "later warning");
    });
    EXPECT_EQ(str, " *** WARNING ERROR 31 from ROUT.  first warning\n"
                   " *** WARNING ERROR 32 from ROUT.  later warning\n"
                   " *** FATAL ERROR 41 from ROUT.  the fatal one\n");
    EXPECT_EQ(TarnfitKernelSeverity(), kFatal);
    EXPECT_EQ(TarnfitKernelCode(), 41);
}

TEST_F(ErrorMechanismTest, IllegalSeverityIsAFaultOfTheMechanism) {
    const std::string str = Captured([] { Poster("ROUT", 8, 1, "x"); });
    EXPECT_EQ(str, " *** TERMINAL ERROR 904 from E1MES.  Error from E1MES.  Illegal error type specified.\n");
    EXPECT_EQ(TarnfitKernelSeverity(), kTerminal);
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1MES_ILLEGAL_TYPE);
    Captured([] { Poster("ROUT", -1, 1, "x"); });
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1MES_ILLEGAL_TYPE);
}

TEST_F(ErrorMechanismTest, InvalidUserSwitch) {
    const std::string str = Captured([] {
        CRoutineScope scope("ROUT");
        E1USR("MAYBE");
    });
    EXPECT_EQ(str, " *** TERMINAL ERROR 905 from E1USR.  Invalid value for SWITCH in call to E1USR.  SWITCH must be "
                   "set to 'ON' or 'OFF'.  SWITCH = 'MAYBE'\n");
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1USR_INVALID_SWITCH);
}

void Recurse(int nDepth, int& nDeepest) {
    CRoutineScope scope("RECURSE");
    if (!scope.Entered())
        return;
    nDeepest = std::max(nDeepest, E1Level());
    if (nDepth > 0)
        Recurse(nDepth - 1, nDeepest);
}

TEST_F(ErrorMechanismTest, PushBeyondFiftyLevelsIsReportedAndTheStackUnwinds) {
    int nDeepest = 0;
    const std::string str = Captured([&] { Recurse(60, nDeepest); });
    EXPECT_EQ(nDeepest, 50);
    EXPECT_EQ(str, " *** TERMINAL ERROR 901 from E1PSH.  Error condition in E1PSH.  Push would cause stack level to "
                   "exceed 50.\n");
    EXPECT_EQ(E1Level(), 1);
    EXPECT_EQ(TarnfitKernelSeverity(), kTerminal);
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1PSH_OVERFLOW);
    // The mechanism works normally afterwards.
    Captured([] { Poster("ROUT", kWarning, 3, "w"); });
    EXPECT_EQ(TarnfitKernelCode(), 3);
}

TEST_F(ErrorMechanismTest, PopFromAnEmptyStack) {
    const std::string str = Captured([] { E1POP("NOBODY"); });
    EXPECT_EQ(str, " *** TERMINAL ERROR 903 from E1POP.  Error condition in E1POP.  Cannot pop from NOBODY because "
                   "stack is empty.\n");
    EXPECT_EQ(E1Level(), 1);
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1POP_EMPTY);
}

TEST_F(ErrorMechanismTest, PopWithTheWrongNameUnwindsToTheNamedRoutine) {
    const std::string str = Captured([] {
        ASSERT_TRUE(E1PSH("A"));
        ASSERT_TRUE(E1PSH("B"));
        ASSERT_TRUE(E1PSH("C"));
        E1POP("B"); // C never popped
        EXPECT_EQ(E1Level(), 2);
        E1POP("A");
    });
    EXPECT_EQ(str, " *** TERMINAL ERROR 902 from E1POP.  Error condition in E1POP.  B does not match the name C in the "
                   "stack.\n");
    EXPECT_EQ(E1Level(), 1);
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1POP_MISMATCH);
}

TEST_F(ErrorMechanismTest, PopWithAnUnknownNameLeavesTheStackAndTheScopeRestoresIt) {
    const std::string str = Captured([] {
        CRoutineScope scope("OUTER");
        ASSERT_TRUE(E1PSH("INNER"));
        E1POP("STRANGER");
        EXPECT_EQ(E1Level(), 3);
    });
    EXPECT_TRUE(Contains(str, "STRANGER does not match the name INNER in the stack."));
    EXPECT_EQ(E1Level(), 1);
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_E1POP_MISMATCH);
}

TEST_F(ErrorMechanismTest, RoutineCalledFromUserCodeReportsToItsOwnCaller) {
    int nSeverityInObjective = -1;
    const std::string str = Captured([&] {
        CRoutineScope minimiser("MINIM");
        {
            CUserCodeScope user;
            Poster("NESTED", kWarning, 88, "from the objective");
            nSeverityInObjective = TarnfitKernelSeverity();
            Mark();
        }
        EXPECT_EQ(N1RTY(), 0); // not handed to the minimiser
    });
    EXPECT_EQ(str, " *** WARNING ERROR 88 from NESTED.  from the objective\nMARK\n");
    EXPECT_EQ(nSeverityInObjective, kWarning);
    EXPECT_EQ(TarnfitKernelSeverity(), 0);
}

TEST_F(ErrorMechanismTest, LongNamesAreCutTo32Characters) {
    const std::string str =
        Captured([] { Poster("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", kWarning, 1, "t"); });
    EXPECT_EQ(str, " *** WARNING ERROR 1 from ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.  t\n");
}

TEST_F(ErrorMechanismTest, ExceptionThroughAScopeRestoresTheStack) {
    try {
        CRoutineScope outer("OUTER");
        CRoutineScope inner("INNER");
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(E1Level(), 1);
}

} // namespace
