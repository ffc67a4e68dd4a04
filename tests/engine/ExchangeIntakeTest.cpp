// The engine's frame: reading "temp.mat", preparing raw curves once, writing it back.

#include "EngineState.h"
#include "EntryFrame.h"
#include "FitTestSupport.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"
#include "tarnfit/tarnfit.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

using namespace tarnfit;
using vornel_test::FileBytes;
using vornel_test::ScratchTest;

namespace {

// A raw curve of n samples: a dwell at strain 0, a steady rise and a short tail, with a
// stress that grows with strain. Rate and temperature change on the last point, so that
// the curve's values are recognisably those of its last point.
CExchangeCurve RawCurve(int n, double dRate, double dTemp) {
    CExchangeCurve curve;
    const int nDwell = n / 10;
    const int nTail = n / 10;
    const int nRise = n - nDwell - nTail;
    for (int j = 0; j < n; ++j) {
        const int r = std::clamp(j - nDwell + 1, 0, nRise);
        CExchangePoint p;
        p.m_dStrain = 0.6 * r / nRise;
        p.m_dStress = 80 + 150 * p.m_dStrain - 60 * p.m_dStrain * p.m_dStrain;
        p.m_dRate = dRate * 0.5;
        p.m_dTemp = dTemp - 7;
        p.m_dAux = 3.5;
        p.m_dFitStress = 9.0;
        curve.m_aPoints.push_back(p);
    }
    curve.m_aPoints.back().m_dRate = dRate;
    curve.m_aPoints.back().m_dTemp = dTemp;
    return curve;
}

CExchangeData RawMaterial(const std::vector<int>& aCounts) {
    CExchangeData data;
    for (std::size_t i = 0; i < aCounts.size(); ++i)
        data.m_aCurves.push_back(RawCurve(aCounts[i], 0.1 * static_cast<double>(i + 1), 900 + 100.0 * static_cast<double>(i)));
    data.m_nFunction = 17;
    data.m_aCoef = {1.5, -2.5, 3.5, 4.5};
    data.m_dErrorSr = 6.5;
    data.m_dErrorMax = 12.5;
    return data;
}

std::vector<unsigned char> WithoutTrailer(std::vector<unsigned char> a, std::size_t nTrailer) {
    a.resize(a.size() - nTrailer);
    return a;
}

} // namespace

// Tests that work in a fresh scratch folder.
class ExchangeIntake : public ScratchTest {};

TEST_F(ExchangeIntake, RawCurvesComeBackPreparedToThirtyPoints) {
    WriteExchangeData(kExchangeFileName, RawMaterial({120, 45}), EExchangeTrailer::CurveWords);
    KIVHOTHALVEKALL();
    const CExchangeData back = ReadExchangeData(kExchangeFileName, CExchangeLimits{});
    EXPECT_EQ(back.m_nPrepared, 1);
    ASSERT_EQ(back.m_aCurves.size(), 2u);
    EXPECT_EQ(back.TotalPoints(), 60);
    const double aRate[] = {0.1, 0.2};
    const double aTemp[] = {900, 1000};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(back.m_aCurves[i].m_aPoints.size(), 30u);
        for (const CExchangePoint& p : back.m_aCurves[i].m_aPoints) {
            EXPECT_EQ(p.m_dRate, aRate[i]);
            EXPECT_EQ(p.m_dTemp, aTemp[i]);
            EXPECT_EQ(p.m_dTime, p.m_dStrain / p.m_dRate);
            EXPECT_EQ(p.m_dAux, 0.0);
            EXPECT_EQ(p.m_dFitStress, 0.0);
        }
        const auto& aPoints = back.m_aCurves[i].m_aPoints;
        EXPECT_EQ(aPoints[0].m_dStrain, 0.5 * aPoints[1].m_dStrain);
        EXPECT_NEAR(aPoints[29].m_dStrain, 0.6, 0.02);
    }
    // The fit's fields pass through KIVHOTHALVEKALL unchanged.
    EXPECT_EQ(back.m_nFunction, 17);
    EXPECT_EQ(back.m_aCoef, (std::vector<double>{1.5, -2.5, 3.5, 4.5}));
    EXPECT_EQ(back.m_dErrorSr, 6.5);
    EXPECT_EQ(back.m_dErrorMax, 12.5);
    // 12 + 2 (4 + 56 * 30) + 8 + 8 * 4 + 32
    EXPECT_EQ(FileBytes(kExchangeFileName).size(), 3452u);
}

TEST_F(ExchangeIntake, PreparedFilePassesThroughButForItsTrailer) {
    WriteExchangeData(kExchangeFileName, RawMaterial({120, 45, 300}), EExchangeTrailer::CurveWords);
    KIVHOTHALVEKALL();
    const CExchangeData prepared = ReadExchangeData(kExchangeFileName, CExchangeLimits{});
    WriteExchangeData(kExchangeFileName, prepared, EExchangeTrailer::CurveWords);
    const auto aBefore = FileBytes(kExchangeFileName);
    KIVHOTHALVEKALL();
    const auto aAfter = FileBytes(kExchangeFileName);
    EXPECT_EQ(WithoutTrailer(aBefore, 3 * 4), WithoutTrailer(aAfter, 16));
    double aTail[4];
    std::memcpy(aTail, aAfter.data() + aAfter.size() - 32, 32);
    EXPECT_EQ(aTail[0], prepared.m_dErrorSr);
    EXPECT_EQ(aTail[1], prepared.m_dErrorMax);
    EXPECT_EQ(aTail[2], prepared.m_dErrorSr);
    EXPECT_EQ(aTail[3], prepared.m_dErrorMax);
}

TEST_F(ExchangeIntake, TarnfitLeavesTheFileUntouched) {
    WriteExchangeData(kExchangeFileName, RawMaterial({50}), EExchangeTrailer::CurveWords);
    const auto aBefore = FileBytes(kExchangeFileName);
    EXPECT_EQ(TARNFIT(), 0);
    EXPECT_EQ(FileBytes(kExchangeFileName), aBefore);
}

TEST_F(ExchangeIntake, NoCurvesPassThrough) {
    CExchangeData data;
    data.m_nFunction = 3;
    WriteExchangeData(kExchangeFileName, data, EExchangeTrailer::CurveWords);
    KIVHOTHALVEKALL();
    const CExchangeData back = ReadExchangeData(kExchangeFileName, CExchangeLimits{});
    EXPECT_TRUE(back.m_aCurves.empty());
    EXPECT_EQ(back.m_nFunction, 3);
    EXPECT_EQ(back.m_nPrepared, 1);
}

TEST(LoadState, WeightsGiveEveryCurveTheSameTotal) {
    CExchangeData data = RawMaterial({10, 40});
    data.m_nPrepared = 1;
    CEngineState state;
    ASSERT_EQ(LoadState(state, data), EReadStatus::Ready);
    EXPECT_EQ(state.m_nTotal, 50);
    double aSum[2] = {0, 0};
    for (int i = 0; i < 50; ++i)
        aSum[i < 10 ? 0 : 1] += state.m_aPoints[static_cast<std::size_t>(i)].m_dW;
    EXPECT_EQ(state.m_aPoints[0].m_dW, 5.0);
    EXPECT_EQ(state.m_aPoints[10].m_dW, 1.25);
    EXPECT_EQ(aSum[0], aSum[1]);
    EXPECT_EQ(state.FirstPoint(1), 10u);
    // working copies follow the exchange values
    const CEnginePoint& p = state.m_aPoints[12];
    EXPECT_EQ(p.m_dE, p.m_ex.m_dStrain);
    EXPECT_EQ(p.m_dH, p.m_ex.m_dRate);
    EXPECT_EQ(p.m_dT, p.m_ex.m_dTemp);
    EXPECT_EQ(p.m_dTime, p.m_ex.m_dTime);
}

TEST(LoadState, PreparedWeightIsTheCurveCount) {
    CEngineState state;
    ASSERT_EQ(LoadState(state, RawMaterial({120, 45, 70})), EReadStatus::Ready);
    EXPECT_EQ(state.m_nTotal, 90);
    for (const CEnginePoint& p : state.m_aPoints)
        EXPECT_EQ(p.m_dW, 3.0);
}

// Data beyond the engine's tables (200 curve counts, 56 coefficients) are not taken.
TEST(LoadState, CountsBeyondTheTablesAreUnusable) {
    CEngineState state;
    CExchangeData curves = RawMaterial({3});
    curves.m_aCurves.resize(kMaxExchangeCurves + 1);
    EXPECT_EQ(LoadState(state, curves), EReadStatus::Unusable);
    EXPECT_NE(state.m_strProblem.find("201 curves"), std::string::npos) << state.m_strProblem;
    CExchangeData coef = RawMaterial({3});
    coef.m_nPrepared = 1;
    coef.m_aCoef.assign(kMaxCoef + 1, 1.0);
    EXPECT_EQ(LoadState(state, coef), EReadStatus::Unusable);
    EXPECT_NE(state.m_strProblem.find("57 coefficients"), std::string::npos) << state.m_strProblem;
    coef.m_aCoef.resize(kMaxCoef);
    EXPECT_EQ(LoadState(state, coef), EReadStatus::Ready);
}

class UnusableExchange : public ScratchTest, public ::testing::WithParamInterface<int> {};

// Files the engine must not fit: it leaves them byte for byte as they were and says why.
TEST_P(UnusableExchange, IsLeftUntouched) {
    CExchangeData data = RawMaterial({40, 40});
    if (GetParam() == 0)
        data.m_aCoef.assign(57, 1.0); // more coefficients than the engine holds
    WriteExchangeData(kExchangeFileName, data, EExchangeTrailer::CurveWords);
    std::vector<unsigned char> aBytes = FileBytes(kExchangeFileName);
    if (GetParam() == 1) {
        const std::int32_t nWrong = 81; // total point count not the sum
        std::memcpy(&aBytes[8], &nWrong, 4);
    } else if (GetParam() == 2) {
        aBytes.resize(500); // shorter than announced
    }
    {
        std::ofstream out(kExchangeFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(aBytes.data()), static_cast<std::streamsize>(aBytes.size()));
    }
    ::testing::internal::CaptureStdout();
    KIVHOTHALVEKALL();
    const std::string strOut = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(FileBytes(kExchangeFileName), aBytes);
    EXPECT_NE(strOut.find("KIVHOTHALVEKALL: temp.mat:"), std::string::npos) << strOut;
    EXPECT_NE(strOut.find("left as it was"), std::string::npos) << strOut;
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableExchange, ::testing::Range(0, 3));

TEST_F(ExchangeIntake, MissingExchangeFileIsReportedAndNotCreated) {
    ::testing::internal::CaptureStdout();
    KIVHOTHALVEKALL();
    const std::string strOut = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(strOut.find("cannot open"), std::string::npos) << strOut;
    EXPECT_FALSE(std::filesystem::exists(kExchangeFileName));
}

TEST_F(ExchangeIntake, UnpreparableCurveRefusesAndWritesTheCurvesBackAsRead) {
    CExchangeData data = RawMaterial({60, 30});
    for (CExchangePoint& p : data.m_aCurves[1].m_aPoints)
        p.m_dStrain = 0.0; // no rise at all
    WriteExchangeData(kExchangeFileName, data, EExchangeTrailer::CurveWords);
    ::testing::internal::CaptureStdout();
    KIVHOTHALVEKALL();
    const std::string strOut = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(strOut.find("curve 2 cannot be prepared"), std::string::npos) << strOut;

    const CExchangeData back = ReadExchangeData(kExchangeFileName, CExchangeLimits{});
    EXPECT_EQ(back.m_nPrepared, 0);
    EXPECT_TRUE(back.m_aCoef.empty());
    EXPECT_EQ(back.m_dErrorSr, kRefusalError);
    EXPECT_EQ(back.m_dErrorMax, kRefusalError);
    ASSERT_EQ(back.m_aCurves.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& a = back.m_aCurves[i].m_aPoints;
        const auto& b = data.m_aCurves[i].m_aPoints;
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]), 0);
    }
}

// A fit whose coefficients, fitted stresses or errors are not all finite is no fit: NaN
// never wins a comparison, so such a fit could otherwise report a finite ErrorMax.
TEST(RefuseUnlessFinite, TurnsANonFiniteFitIntoTheRefusal) {
    struct SCase {
        const char* m_szExpected;
        void (*m_pfnSpoil)(CEngineState&);
    };
    const SCase aCases[] = {
        {"", [](CEngineState&) {}},
        {"KIVX: the fitted stress of point 2 is nan, not a finite number; the fit is refused",
         [](CEngineState& s) { s.m_aPoints[1].m_ex.m_dFitStress = std::nan(""); }},
        {"KIVX: the coefficient A2 is inf", [](CEngineState& s) { s.m_dA[1] = INFINITY; }},
        {"KIVX: the ErrorSr is nan", [](CEngineState& s) { s.m_dErrorSr = std::nan(""); }},
        {"KIVX: the ErrorMax is -inf", [](CEngineState& s) { s.m_dErrorMax = -INFINITY; }},
    };
    for (const SCase& c : aCases) {
        CEngineState state;
        state.m_nCurves = 1;
        state.m_nTotal = 3;
        state.m_aPoints.resize(3);
        for (CEnginePoint& point : state.m_aPoints)
            point.m_ex.m_dFitStress = 50;
        state.m_nCoef = 2;
        state.m_dA[0] = 1;
        state.m_dA[1] = 2;
        state.m_dErrorSr = 0.5;
        state.m_dErrorMax = 1.5;
        c.m_pfnSpoil(state);
        ::testing::internal::CaptureStdout();
        const bool bFinite = RefuseUnlessFinite("KIVX", state);
        const std::string strOut = ::testing::internal::GetCapturedStdout();
        if (*c.m_szExpected == '\0') {
            EXPECT_TRUE(bFinite);
            EXPECT_EQ(state.m_nCoef, 2);
            EXPECT_EQ(state.m_aPoints[1].m_ex.m_dFitStress, 50.0);
            EXPECT_EQ(strOut, "");
            continue;
        }
        EXPECT_FALSE(bFinite) << c.m_szExpected;
        EXPECT_NE(strOut.find(c.m_szExpected), std::string::npos) << strOut;
        EXPECT_EQ(state.m_nCoef, 0);
        EXPECT_EQ(state.m_dErrorSr, kRefusalError);
        EXPECT_EQ(state.m_dErrorMax, kRefusalError);
        for (const CEnginePoint& point : state.m_aPoints)
            EXPECT_EQ(point.m_ex.m_dFitStress, 0.0);
    }
}

// After every call the engine says, without a line to read, what came of it and why: a fit,
// a refusal for too few curves or a negative strain rate, an unusable file, or nothing done.
// The reason is the very line the call sent.
TEST_F(ExchangeIntake, LastOutcomeTellsWhatTheCallCameToAndWhy) {
    using vornel_test::Grid;
    const vornel_test::Law law = [](double E, double H, double t) {
        return 1500 * std::pow(E, 0.2) * std::pow(H, 0.1) * std::exp(-0.002 * t);
    };
    CExchangeData negative = vornel_test::LawMaterial(law, Grid(2, 2));
    negative.m_aCurves[1].m_aPoints[3].m_dRate = -0.5;
    struct SCase {
        const char* m_szName;
        std::optional<CExchangeData> m_data; // none: no exchange file at all
        int (*m_pfnEntry)(void);
        TarnfitOutcome m_eOutcome;
        const char* m_szReason; // the start of the reason
    };
    const SCase aCases[] = {
        {"fit", vornel_test::LawMaterial(law, Grid(2, 2)), KIVHENZSPITTMNK, TARNFIT_FITTED, ""},
        {"three curves", vornel_test::LawMaterial(law, Grid(1, 3)), KIVHENZSPITTMNK, TARNFIT_REFUSED,
         "KIVHENZSPITTMNK: the temperatures of the points span 0 deg C"},
        {"negative rate", negative, KIVHENZSPITTMNK, TARNFIT_REFUSED,
         "KIVHENZSPITTMNK: the strain rate of point 16 is -0.5; the law needs its logarithm"},
        {"no file", std::nullopt, KIVCOOLPOLY2, TARNFIT_FILE_UNUSABLE, "KIVCOOLPOLY2: "},
        {"nothing", vornel_test::LawMaterial(law, Grid(2, 2)), TARNFIT, TARNFIT_NOTHING_DONE, ""},
        {"prepared only", vornel_test::LawMaterial(law, Grid(2, 2)), KIVHOTHALVEKALL, TARNFIT_NOTHING_DONE, ""},
    };
    for (const SCase& c : aCases) {
        std::filesystem::remove(kExchangeFileName);
        ::testing::internal::CaptureStdout();
        KIVCOOLPOLY2(); // a previous call of another outcome, which must not show through
        ::testing::internal::GetCapturedStdout();
        if (c.m_data)
            WriteExchangeData(kExchangeFileName, *c.m_data, EExchangeTrailer::CurveWords);
        std::vector<std::string> aLines;
        TarnfitSetMessageSink([](const char* szLine, void* pUser) { static_cast<std::vector<std::string>*>(pUser)->push_back(szLine); },
                              &aLines);
        c.m_pfnEntry();
        TarnfitSetMessageSink(nullptr, nullptr);
        const char* szReason = nullptr;
        EXPECT_EQ(TarnfitLastOutcome(&szReason), c.m_eOutcome) << c.m_szName;
        ASSERT_NE(szReason, nullptr);
        const std::string strReason = szReason;
        EXPECT_EQ(strReason.rfind(c.m_szReason, 0), 0u) << c.m_szName << ": " << strReason;
        if (c.m_eOutcome == TARNFIT_FITTED || c.m_eOutcome == TARNFIT_NOTHING_DONE)
            EXPECT_EQ(strReason, "") << c.m_szName;
        else
            EXPECT_NE(std::find(aLines.begin(), aLines.end(), strReason), aLines.end()) << c.m_szName;
    }
    EXPECT_EQ(TarnfitLastOutcome(nullptr), TARNFIT_NOTHING_DONE);
}
