// The fit report over the measured points.

#include "vornel/fit/FitReport.h"
#include "TestSupport.h"

#include <cmath>

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
