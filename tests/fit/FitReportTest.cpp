// The fit report over the measured points, and the leave-one-curve-out validation.

#include "vornel/run/Approximation.h"
#include "vornel/fit/FitReport.h"
#include "vornel/run/HoldOut.h"
#include "vornel/fit/Refinement.h"
#include "FitQuality.h"
#include "LawSamples.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"

#include <cmath>
#include <filesystem>

using namespace vornel_test;

namespace {

// Model 2 with A1 = 100, A2 = 0: the law is 100 everywhere, so every deviation is s - 100
// with the sign turned.
std::unique_ptr<CMaterial> ConstantLawMaterial(int nPrepared) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_nPrepared = nPrepared;
    pMaterial->m_nFunction = 2;
    pMaterial->m_nCoef = 2;
    pMaterial->m_dCoef[0] = 100;
    const std::vector<std::vector<std::pair<double, double>>> aCurves = {
        {{0.05, 50}, {0.1, 110}, {0.2, 90}, {0.3, 100}},
        {{0.1, 95}, {0.2, 80}, {0.4, 125}},
    };
    for (const auto& aPoints : aCurves) {
        CCurve& curve = pMaterial->Curve(pMaterial->m_nCurves++);
        curve.m_dTemp = 900 + 100 * pMaterial->m_nCurves;
        curve.m_dRate = 0.5 * pMaterial->m_nCurves;
        for (auto [dStrain, dStress] : aPoints)
            curve.m_pPoints.push_back({0, dStress, 0, curve.m_dTemp, dStrain, curve.m_dRate, 0});
    }
    pMaterial->m_nPoints = pMaterial->CountPoints();
    return pMaterial;
}

} // namespace

TEST(FitReport, MeasuresTheLawAtTheMeasuredPointsPerCurveAndOverall) {
    // Prepared: the first point of each curve is left out. Deviations -10, 10, 0 and 20, -25.
    const CFitReport report = MakeFitReport(*ConstantLawMaterial(1));
    ASSERT_TRUE(report.m_bFitted);
    ASSERT_EQ(report.m_aCurves.size(), 2u);
    const CCurveFit& first = report.m_aCurves[0];
    EXPECT_EQ(first.m_dTemp, 1000);
    EXPECT_EQ(first.m_dRate, 0.5);
    EXPECT_EQ(first.m_stats.m_nPoints, 3);
    EXPECT_DOUBLE_EQ(first.m_stats.m_dRms, std::sqrt(200.0 / 3));
    EXPECT_DOUBLE_EQ(first.m_stats.m_dMare, 100 * (10.0 / 110 + 10.0 / 90) / 3);
    EXPECT_EQ(first.m_stats.m_dMaxAbs, 10);
    EXPECT_EQ(first.m_stats.m_dStrainAtMax, 0.1); // the first of two equal deviations
    const CCurveFit& second = report.m_aCurves[1];
    EXPECT_EQ(second.m_stats.m_nPoints, 2);
    EXPECT_EQ(second.m_stats.m_dMaxAbs, 25);
    EXPECT_EQ(second.m_stats.m_dStrainAtMax, 0.4);
    EXPECT_EQ(report.m_all.m_nPoints, 5);
    EXPECT_DOUBLE_EQ(report.m_all.m_dRms, std::sqrt((100 + 100 + 0 + 400 + 625) / 5.0));
    EXPECT_DOUBLE_EQ(report.m_all.m_dMare, 100 * (10.0 / 110 + 10.0 / 90 + 20.0 / 80 + 25.0 / 125) / 5);
    EXPECT_EQ(report.m_all.m_dMaxAbs, 25);
    EXPECT_EQ(report.m_all.m_dStrainAtMax, 0.4);

    // Raw curves: every point is measured, the 50 at strain 0.05 included.
    const CFitReport raw = MakeFitReport(*ConstantLawMaterial(0));
    EXPECT_EQ(raw.m_all.m_nPoints, 7);
    EXPECT_EQ(raw.m_all.m_dMaxAbs, 50);
    EXPECT_EQ(raw.m_all.m_dStrainAtMax, 0.05);

    // A deviation that is not a number is the largest, and shows in the RMS.
    auto pNaN = ConstantLawMaterial(1);
    pNaN->Curve(1).m_pPoints[1].m_dStress = std::nan("");
    const CFitReport withNaN = MakeFitReport(*pNaN);
    EXPECT_TRUE(std::isnan(withNaN.m_all.m_dMaxAbs));
    EXPECT_TRUE(std::isnan(withNaN.m_all.m_dRms));
    EXPECT_EQ(withNaN.m_aCurves[0].m_stats.m_dMaxAbs, 10);

    // No coefficients, or no model: nothing to report.
    auto pNoFit = ConstantLawMaterial(1);
    pNoFit->m_nCoef = 0;
    EXPECT_FALSE(MakeFitReport(*pNoFit).m_bFitted);
    pNoFit->m_nCoef = 2;
    pNoFit->m_nFunction = 0;
    EXPECT_FALSE(MakeFitReport(*pNoFit).m_bFitted);
}

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

// A law the workbench fits itself is held out in memory on every processor at once, each fold
// started from the fit of the whole material: a fold is the ordinary run without the curve
// (from its standard start) to the fit's convergence, and the folds come out the same on
// every run.
TEST_F(HoldOut, FoldsOfALawTheWorkbenchFitsAreTheRunWithoutTheCurve) {
    std::mt19937 rng(19);
    auto pMaterial = NoisyPreparedMaterial(19, TypicalCoefficients(19, rng), 0.01, 4);
    ASSERT_TRUE(pMaterial->RunApproximation().Ok());
    const CHoldOutReport report = ValidateByHoldOut(*pMaterial, {});
    const CHoldOutReport again = ValidateByHoldOut(*pMaterial, {});
    ASSERT_EQ(report.m_nFitted, 20);
    for (int k = 0; k < 20; ++k)
        EXPECT_EQ(report.m_aCurves[static_cast<std::size_t>(k)].m_stats.m_dRms,
                  again.m_aCurves[static_cast<std::size_t>(k)].m_stats.m_dRms);
    for (int nHeld : {0, 7, 19}) {
        CMaterial byHand;
        byHand.m_nPrepared = 1;
        byHand.m_nFunction = 19;
        for (int i = 0; i < pMaterial->m_nCurves; ++i)
            if (i != nHeld)
                byHand.Curve(byHand.m_nCurves++) = pMaterial->Curve(i);
        byHand.m_nPoints = byHand.CountPoints();
        ASSERT_TRUE(byHand.FitModel().Ok());
        byHand.Curve(byHand.m_nCurves) = pMaterial->Curve(nHeld);
        EXPECT_TRUE(Near(report.m_aCurves[static_cast<std::size_t>(nHeld)].m_stats.m_dRms,
                         CurveDeviations(byHand, byHand.m_nCurves).m_dRms, 1e-3))
            << "curve " << nHeld;
    }
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
