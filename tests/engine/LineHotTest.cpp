// The state-variable law: grid search, Euler integration with its floor, the objective
// against the closed-form Euler solution, and the exchange file that is never written back.

#include "EngineState.h"
#include "FitTestSupport.h"
#include "LineHot.h"
#include "tarnfit/tarnfit.h"

#include <cmath>
#include <string>

using namespace vornel_test;
using tarnfit::CLineHotCurve;
using tarnfit::CLineHotVector;
using tarnfit::ELineHotStatus;
using tarnfit::LastLineHotResult;

namespace {

// Ranges of the grid search, typed from the law's description.
const double kLow = Widened(0.01f);
const double kHigh[11] = {1000, 10, 2, 100, 2, 2, 100, 2, 5000, 10, 2};
const double kFloor = Widened(1.0e-10f);

double Trial(int i, int k) { return kLow + k * ((kHigh[i] - kLow) / 99.0); }

double Cubic(double E) { return 60 + 400 * E - 300 * E * E + 90 * E * E * E; }

CExchangeData CubicMaterial(int nCurves) {
    return LawMaterial([](double E, double, double) { return Cubic(E); }, Grid(1, nCurves), 12);
}

// A raw record: a dwell at strain 0, a steady rise to 0.6 and a short tail.
CExchangeCurve RawCurve(int n, double dRate, double dTemp) {
    CExchangeCurve curve;
    const int nDwell = n / 10;
    const int nRise = n - 2 * nDwell;
    for (int j = 0; j < n; ++j) {
        const int r = std::clamp(j - nDwell + 1, 0, nRise);
        CExchangePoint p;
        p.m_dStrain = 0.6 * r / nRise;
        p.m_dStress = 80 + 150 * p.m_dStrain - 60 * p.m_dStrain * p.m_dStrain;
        p.m_dRate = dRate;
        p.m_dTemp = dTemp;
        curve.m_aPoints.push_back(p);
    }
    return curve;
}

std::vector<unsigned char> RunAndCompare(const CExchangeData& data, std::string* pOut = nullptr) {
    WriteExchangeData("temp.mat", data, EExchangeTrailer::CurveWords);
    const std::vector<unsigned char> before = FileBytes("temp.mat");
    testing::internal::CaptureStdout();
    KIVLINEHOT();
    const std::string strOut = testing::internal::GetCapturedStdout();
    if (pOut)
        *pOut = strOut;
    EXPECT_EQ(FileBytes("temp.mat"), before);
    return before;
}

// The condensed curves of a material, as the entry point builds them.
std::vector<CLineHotCurve> Condensed(const CExchangeData& data) {
    tarnfit::CEngineState state;
    EXPECT_EQ(tarnfit::LoadState(state, data), tarnfit::EReadStatus::Ready);
    std::vector<CLineHotCurve> aCurves;
    std::string strProblem;
    EXPECT_TRUE(tarnfit::CondenseLineHotCurves(state, aCurves, strProblem)) << strProblem;
    return aCurves;
}

bool IsTrialValue(int i, double x) {
    for (int k = 0; k < 100; ++k)
        if (x == Trial(i, k))
            return true;
    return false;
}

} // namespace

// Tests that work in a fresh scratch folder.
class LineHotFile : public ScratchTest {};

TEST_F(LineHotFile, LineHotLeavesThePreparedFileByteForByte) {
    const CExchangeData data = CubicMaterial(3);
    RunAndCompare(data);
    const tarnfit::CLineHotResult& result = LastLineHotResult();
    ASSERT_NE(result.m_eStatus, ELineHotStatus::NotRun);
    ASSERT_NE(result.m_eStatus, ELineHotStatus::CurveRefused) << result.m_strProblem;

    // The stages' values are those of the objective at their vectors; neither minimiser
    // ends above the grid-search best it started from.
    const std::vector<CLineHotCurve> aCurves = Condensed(data);
    EXPECT_EQ(result.m_dGridValue, tarnfit::LineHotObjective(aCurves, result.m_xGrid.data()));
    for (int i = 0; i < 11; ++i)
        EXPECT_TRUE(IsTrialValue(i, result.m_xGrid[static_cast<std::size_t>(i)])) << "x" << i + 1;
    EXPECT_LE(result.m_dSimplexValue, result.m_dGridValue);
    EXPECT_EQ(result.m_dSimplexValue, tarnfit::LineHotObjective(aCurves, result.m_xSimplex.data()));
    EXPECT_GT(result.m_nSimplexEvaluations, 11);
    if (result.m_eStatus == ELineHotStatus::SimplexFailed) {
        EXPECT_EQ(result.m_nKernelCode, TARNFIT_DUMPOL_MAXFCN);
        EXPECT_TRUE(std::isnan(result.m_dQuasiNewtonValue));
    } else {
        EXPECT_LE(result.m_dQuasiNewtonValue, result.m_dGridValue);
        EXPECT_EQ(result.m_dQuasiNewtonValue, tarnfit::LineHotObjective(aCurves, result.m_xQuasiNewton.data()));
    }
}

TEST_F(LineHotFile, LineHotLeavesARawFileByteForByte) {
    CExchangeData data;
    data.m_nPrepared = 0;
    data.m_nFunction = 8;
    data.m_aCurves = {RawCurve(120, 0.1, 950), RawCurve(80, 1.0, 1050)};
    data.m_aCoef = {1.5, 2.5, 3.5, 4.5};
    data.m_dErrorSr = 6.5;
    data.m_dErrorMax = 7.5;
    RunAndCompare(data);
    // The curves were prepared in memory and fitted.
    EXPECT_NE(LastLineHotResult().m_eStatus, ELineHotStatus::NotRun);
    EXPECT_NE(LastLineHotResult().m_eStatus, ELineHotStatus::CurveRefused) << LastLineHotResult().m_strProblem;
    EXPECT_TRUE(std::isfinite(LastLineHotResult().m_dGridValue));
}

// Strains below 0 put every step at strain 0 with rho at its floor, and stresses of 1e9 lie
// far beyond what the law reaches inside the grid's ranges: the simplex's values differ by
// far less than its tolerance, so it stops within its budget, and the quasi-Newton stage
// runs with the kernel's unit scalings (it warns about the zero ones) and leaves the ranges
// (a negative x11 turns the floor of rho into a large factor).
TEST_F(LineHotFile, LineHotRunsAllThreeStages) {
    CExchangeData data = CubicMaterial(2);
    for (CExchangeCurve& curve : data.m_aCurves)
        for (CExchangePoint& p : curve.m_aPoints) {
            p.m_dStrain = -p.m_dStrain;
            p.m_dStress = 1.0e9;
        }
    std::string strOut;
    RunAndCompare(data, &strOut);
    const tarnfit::CLineHotResult& result = LastLineHotResult();
    ASSERT_EQ(result.m_eStatus, ELineHotStatus::Done) << result.m_strProblem;
    const std::vector<CLineHotCurve> aCurves = Condensed(data);
    EXPECT_EQ(result.m_dGridValue, tarnfit::LineHotObjective(aCurves, result.m_xGrid.data()));
    EXPECT_TRUE(Near(result.m_dGridValue, 1.0e9, 1e-5));
    EXPECT_LE(result.m_dSimplexValue, result.m_dGridValue);
    EXPECT_LE(result.m_nSimplexEvaluations, 200);
    EXPECT_EQ(result.m_dQuasiNewtonValue, tarnfit::LineHotObjective(aCurves, result.m_xQuasiNewton.data()));
    EXPECT_LT(result.m_dQuasiNewtonValue, 1.0e-3 * result.m_dGridValue);
    EXPECT_NE(strOut.find("ERROR 303 from DUMINF"), std::string::npos) << strOut;
    EXPECT_NE(strOut.find("ERROR 304 from DUMINF"), std::string::npos) << strOut;
}

TEST_F(LineHotFile, LineHotEndsOnCurvesItCannotUse) {
    struct SCase {
        const char* m_szWhat;
        void (*m_pfnSpoil)(CExchangeData& data);
        const char* m_szMessage;
    };
    const SCase aCases[] = {
        {"strain rate 0",
         [](CExchangeData& data) {
             for (CExchangePoint& p : data.m_aCurves[1].m_aPoints)
                 p.m_dRate = 0;
         },
         "KIVLINEHOT: curve 2: its strain rate is 0 1/s"},
        {"constant strains",
         [](CExchangeData& data) {
             for (CExchangePoint& p : data.m_aCurves[0].m_aPoints)
                 p.m_dStrain = 0.3;
         },
         "KIVLINEHOT: curve 1: a polynomial of degree 5 cannot be fitted"},
        {"no curves", [](CExchangeData& data) { data.m_aCurves.clear(); }, "KIVLINEHOT: the exchange file holds no curves"},
    };
    for (const SCase& c : aCases) {
        SCOPED_TRACE(c.m_szWhat);
        CExchangeData data = CubicMaterial(2);
        c.m_pfnSpoil(data);
        std::string strOut;
        RunAndCompare(data, &strOut);
        EXPECT_EQ(LastLineHotResult().m_eStatus, ELineHotStatus::CurveRefused);
        EXPECT_NE(strOut.find(c.m_szMessage), std::string::npos) << strOut;
        EXPECT_NE(strOut.find("the exchange file is left as it was"), std::string::npos) << strOut;
    }
}

TEST(LineHotGrid, TrialValuesAreLowPlusKStepsOfOneNinetyNinthOfTheRange) {
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(tarnfit::GridLow(i), kLow);
        EXPECT_EQ(tarnfit::GridHigh(i), kHigh[i]);
        EXPECT_EQ(tarnfit::GridTrialValue(i, 0), kLow);
        EXPECT_TRUE(Near(tarnfit::GridTrialValue(i, 99), kHigh[i], 1e-15));
    }
    // Every evaluation of the search varies one coordinate over exactly these values, in
    // order, 5 sweeps x 11 coordinates x 100 trials.
    int nCalls = 0;
    bool bAllTrials = true;
    CLineHotVector x{};
    tarnfit::GridSearch(
        [&](const double* p) {
            const int i = (nCalls / 100) % 11;
            const int k = nCalls % 100;
            bAllTrials = bAllTrials && p[i] == Trial(i, k);
            ++nCalls;
            return std::fabs(p[0] - 500.0) + std::fabs(p[5] - 1.0);
        },
        x);
    EXPECT_EQ(nCalls, 5 * 11 * 100);
    EXPECT_TRUE(bAllTrials);
}

TEST(LineHotGrid, FindsASeparableMinimumAndHoldsTheOtherCoordinates) {
    // Minimum at trial k_i = 7 i + 3 of every coordinate.
    CLineHotVector target{};
    for (int i = 0; i < 11; ++i)
        target[static_cast<std::size_t>(i)] = Trial(i, 7 * i + 3);
    int nCalls = 0;
    bool bHeld = true;
    CLineHotVector x{};
    tarnfit::GridSearch(
        [&](const double* p) {
            const int i = (nCalls / 100) % 11;
            const bool bFirstSweep = nCalls < 1100;
            for (int j = 0; j < 11; ++j) {
                if (j == i)
                    continue;
                // Earlier coordinates hold this sweep's best, later ones the previous sweep's
                // (the lows in the first sweep).
                const double dExpected = (j < i || !bFirstSweep) ? target[static_cast<std::size_t>(j)] : kLow;
                bHeld = bHeld && p[j] == dExpected;
            }
            ++nCalls;
            double f = 0;
            for (int j = 0; j < 11; ++j)
                f += (p[j] - target[static_cast<std::size_t>(j)]) * (p[j] - target[static_cast<std::size_t>(j)]);
            return f;
        },
        x);
    EXPECT_EQ(x, target);
    EXPECT_TRUE(bHeld);
}

TEST(LineHotGrid, TiesKeepTheEarlierTrial) {
    CLineHotVector x{};
    // Equal minima at trials 10 and 50 of x1.
    tarnfit::GridSearch([](const double* p) { return (p[0] == Trial(0, 10) || p[0] == Trial(0, 50)) ? 1.0 : 2.0; },
                        x);
    EXPECT_EQ(x[0], Trial(0, 10));

    // A flat objective, one that is never below 1e10, and one that is NaN leave the lows.
    const std::function<double(const double*)> aFlat[] = {
        [](const double*) { return 3.0; },
        [](const double*) { return 1.0e10; },
        [](const double*) { return std::nan(""); },
    };
    for (const auto& f : aFlat) {
        tarnfit::GridSearch(f, x);
        for (double v : x)
            EXPECT_EQ(v, kLow);
    }
}

TEST(LineHotIntegration, StateVariableNeverFallsBelowItsFloor) {
    CLineHotCurve curve;
    curve.m_dRate = 1.0;
    curve.m_dScaledTemp = 0.6;
    curve.m_dStep = 0.5;
    // A slow source against a strong linear sink overshoots below 0 on every other step.
    const double x[11] = {0.01, 0.01, 0.01, 100, 0.01, 1.0, 1.0, 0.01, 1.0, 0.01, 1.0};
    double aRho[100];
    const double dSquares = tarnfit::LineHotCurveSquares(curve, x, aRho);
    int nAtFloor = 0;
    for (double dRho : aRho) {
        EXPECT_GE(dRho, kFloor);
        nAtFloor += dRho == kFloor;
    }
    EXPECT_GE(nAtFloor, 40);
    EXPECT_TRUE(std::isfinite(dSquares));

    // A source too weak to lift rho to the floor in one step: rho starts at the floor.
    curve.m_dRate = 1.0e-9;
    curve.m_dStep = 1.0e-5;
    const double y[11] = {0.01, 0.01, 0.5, 0.01, 0.01, 1.0, 1.0, 0.01, 1.0, 0.01, 1.0};
    const double dFirstStep = y[0] * std::exp(-y[1] * 0.6) * std::pow(1.0e-9, y[2]) * 1.0e-5;
    ASSERT_GT(dFirstStep, 0.0);
    ASSERT_LT(dFirstStep, kFloor);
    tarnfit::LineHotCurveSquares(curve, y, aRho);
    EXPECT_EQ(aRho[0], kFloor);
    for (double dRho : aRho)
        EXPECT_GE(dRho, kFloor);
}

// With x6 = 1 the Euler steps have the closed form rho_s = (K1/K2) (1 - (1 - K2 dtau)^s).
TEST(LineHotIntegration, ObjectiveMatchesTheClosedFormEulerSolution) {
    const CExchangeData data = CubicMaterial(2);
    const std::vector<CLineHotCurve> aCurves = Condensed(data);
    ASSERT_EQ(aCurves.size(), 2u);
    const double x[11] = {300, 1.5, 0.2, 8, 0.7, 1.0, 40, 0.3, 900, 1.2, 0.6};
    double dSum = 0;
    for (std::size_t c = 0; c < 2; ++c) {
        const double H = data.m_aCurves[c].m_aPoints.back().m_dRate;
        const double T = data.m_aCurves[c].m_aPoints.back().m_dTemp / 1500.0;
        const double dStep = (0.8 / H) / 99.0; // the largest strain is 0.8
        EXPECT_TRUE(Near(aCurves[c].m_dStep, dStep, 1e-14));
        const double K1 = x[0] * std::exp(-x[1] * T) * std::pow(H, x[2]);
        const double K2 = x[3] * std::exp(-x[4] * T);
        const double K3 = x[6] * std::exp(-x[7] * T);
        const double K4 = x[8] * std::exp(-x[9] * T);
        ASSERT_LT(K2 * dStep, 1.0);
        for (int s = 1; s <= 100; ++s) {
            const double E = s * dStep * H;
            EXPECT_TRUE(Near(aCurves[c].m_aPoly[static_cast<std::size_t>(s - 1)], Cubic(E), 1e-9)) << "step " << s;
            const double dRho = K1 / K2 * (1 - std::pow(1 - K2 * dStep, s));
            const double d = K3 + K4 * std::pow(dRho, x[10]) - Cubic(E);
            dSum += d * d;
        }
    }
    EXPECT_TRUE(Near(tarnfit::LineHotObjective(aCurves, x), std::sqrt(dSum / 200.0), 1e-9));
}
