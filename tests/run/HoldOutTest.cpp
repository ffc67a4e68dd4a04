// The leave-one-curve-out validation.

#include "vornel/fit/FitReport.h"
#include "vornel/fit/Refinement.h"
#include "vornel/run/Approximation.h"
#include "vornel/run/HoldOut.h"
#include "FitQuality.h"
#include "LawSamples.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"

#include <cmath>
#include <filesystem>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

using namespace vornel_test;
namespace fs = std::filesystem;

class HoldOut : public ScratchTest {};

// On data exactly from model 9's law every fit without one curve is still that law, so each
// held-out curve is predicted to rounding.
TEST_F(HoldOut, PredictsEveryCurveOfAnExactLaw) {
    std::mt19937 rng(11);
    const std::vector<double> aLaw = TypicalCoefficients(9, rng);
    auto pMaterial = NoisyPreparedMaterial(9, aLaw, 0, 1);
    CMaterial law;
    law.m_nFunction = 9;
    std::copy(aLaw.begin(), aLaw.end(), law.m_dCoef.begin());
    for (int i = 0; i < pMaterial->m_nCurves; ++i) {
        CCurvePoint& first = pMaterial->Curve(i).m_pPoints[0];
        first.m_dStress = law.Evaluate(first.m_dStrain, first.m_dTemp, first.m_dRate);
    }
    const CHoldOutReport report = ValidateByHoldOut(*pMaterial, CFitOptions{});
    ASSERT_EQ(report.m_aCurves.size(), 20u);
    EXPECT_EQ(report.m_nFitted, 20);
    for (const CHoldOutCurve& curve : report.m_aCurves) {
        EXPECT_TRUE(curve.Ok());
        EXPECT_EQ(curve.m_stats.m_nPoints, 29);
    }
    EXPECT_LT(report.m_dMaxRms, 1e-8 * pMaterial->Curve(0).m_pPoints[29].m_dStress);
    EXPECT_LE(report.m_dMeanRms, report.m_dMaxRms);
}

// One curve held out by hand through the ordinary run and the refinement measures as the
// validation reports it; the material, the current folder and its files stay as they were.
TEST_F(HoldOut, IsTheRunWithoutTheCurveAndLeavesEverythingAsItWas) {
    std::mt19937 rng(12);
    auto pMaterial = NoisyPreparedMaterial(17, TypicalCoefficients(17, rng), 0.03, 2);
    ASSERT_TRUE(pMaterial->RunApproximation().Ok());
    const std::vector<unsigned char> aExchange = FileBytes("temp.mat");
    const CExchangeData before = pMaterial->ToExchangeData();
    const std::filesystem::path folder = std::filesystem::current_path();

    const CHoldOutReport report = ValidateByHoldOut(*pMaterial, CFitOptions{true});
    EXPECT_EQ(FileBytes("temp.mat"), aExchange);
    EXPECT_EQ(std::filesystem::current_path(), folder);
    EXPECT_EQ(pMaterial->ToExchangeData().m_aCoef, before.m_aCoef);
    ASSERT_EQ(report.m_nFitted, 20);

    constexpr int kHeld = 7;
    auto pByHand = std::make_unique<CMaterial>();
    pByHand->m_nPrepared = 1;
    pByHand->m_nFunction = 17;
    for (int i = 0; i < pMaterial->m_nCurves; ++i)
        if (i != kHeld)
            pByHand->Curve(pByHand->m_nCurves++) = pMaterial->Curve(i);
    pByHand->m_nPoints = pByHand->CountPoints();
    std::filesystem::create_directory("by-hand");
    std::filesystem::current_path("by-hand");
    ASSERT_TRUE(pByHand->RunApproximation().Ok());
    ASSERT_TRUE(RefineFit(*pByHand).Ok());
    pByHand->Curve(pByHand->m_nCurves) = pMaterial->Curve(kHeld);
    const CDeviationStats expected = CurveDeviations(*pByHand, pByHand->m_nCurves);
    std::filesystem::current_path(folder);
    EXPECT_EQ(report.m_aCurves[kHeld].m_stats.m_dRms, expected.m_dRms);
    EXPECT_EQ(report.m_aCurves[kHeld].m_stats.m_dMaxAbs, expected.m_dMaxAbs);

    double dSum = 0;
    double dMax = 0;
    for (const CHoldOutCurve& curve : report.m_aCurves) {
        dSum += curve.m_stats.m_dRms;
        dMax = std::max(dMax, curve.m_stats.m_dRms);
    }
    EXPECT_DOUBLE_EQ(report.m_dMeanRms, dSum / 20);
    EXPECT_EQ(report.m_dMaxRms, dMax);
}

// Model 18 needs five curves: without one of five, every fit is refused, and says so.
TEST_F(HoldOut, ReportsRefusedFits) {
    std::mt19937 rng(13);
    auto pMaterial = NoisyPreparedMaterial(18, TypicalCoefficients(18, rng), 0.01, 3);
    pMaterial->m_nCurves = 5;
    pMaterial->m_nPoints = pMaterial->CountPoints();
    const CHoldOutReport report = ValidateByHoldOut(*pMaterial, CFitOptions{true});
    ASSERT_EQ(report.m_aCurves.size(), 5u);
    EXPECT_EQ(report.m_nFitted, 0);
    for (const CHoldOutCurve& curve : report.m_aCurves) {
        EXPECT_FALSE(curve.Ok());
        EXPECT_FALSE(curve.m_strMessage.empty());
    }
    EXPECT_EQ(report.m_dMeanRms, 0);
}

// The scratch folders a killed validation left behind go at the next one; the folder of a
// validation that ran is gone with it.
TEST_F(HoldOut, RemovesTheScratchFoldersOfDeadRuns) {
    const pid_t nChild = ::fork();
    if (nChild == 0)
        ::_exit(0);
    ASSERT_GT(nChild, 0);
    ::waitpid(nChild, nullptr, 0);
    const fs::path temp = fs::temp_directory_path();
    const fs::path dead = temp / ("vornel-holdout-" + std::to_string(nChild) + "-killed");
    fs::create_directories(dead / "inner");
    std::mt19937 rng(13);
    auto pMaterial = NoisyPreparedMaterial(9, TypicalCoefficients(9, rng), 0.01, 3);
    pMaterial->m_nCurves = 5;
    pMaterial->m_nPoints = pMaterial->CountPoints();
    (void)ValidateByHoldOut(*pMaterial, CFitOptions{});
    EXPECT_FALSE(fs::exists(dead));
    for (const fs::directory_entry& entry : fs::directory_iterator(temp))
        EXPECT_FALSE(entry.path().filename().string().starts_with("vornel-holdout-" + std::to_string(::getpid()) + "-"))
            << entry.path();
}
