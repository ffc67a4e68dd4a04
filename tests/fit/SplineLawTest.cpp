// Model 21, model 19's law corrected by a tensor spline: its fit recovers a law beyond model
// 19, keeps the law monotone where the data are not, follows the backbone beyond the data,
// and says why it refuses. Its figures on the measured sets are in SinhLawTest.cpp.

#include "vornel/fit/SplineLawFit.h"
#include "vornel/export/LawExport.h"
#include "vornel/fit/FitReport.h"
#include "vornel/fit/SinhLawFit.h"
#include "vornel/model/SplineLaw.h"
#include "FitQuality.h"
#include "TestSupport.h"

#include <cmath>
#include <cstdio>

using namespace vornel_test;

namespace {

// Model 19's law of a hot-worked steel (strains 0.8/29..0.8) corrected by
// s = 0.15 (v - vm)(w - wm) - 0.04 cos(3u) with v = ln H, w = 1000/T about the middle of
// 0.01..10 1/s and 850..1250 deg C: the sensitivities to rate and temperature change
// together, which model 19 cannot follow. The spline holds s at the Greville abscissae of
// its B-splines, a close cubic spline of it.
std::vector<double> CorrectedLaw() {
    std::vector<double> aCoef = {0.012, -0.004, 0.002, 0, 0, 0, 5.0, -2.0, 1.2, 0, 0, 0, 420, -150, 100,
                                 0,     0,      0,     38, -12, 8, 0, 0, 0, 0.8 / 29, 0.8};
    const double adRange[6] = {std::sqrt(0.8 / 29), std::sqrt(0.8), std::log(0.01), std::log(10.0),
                               1000 / (1250 + 273.15), 1000 / (850 + 273.15)};
    aCoef.insert(aCoef.end(), std::begin(adRange), std::end(adRange));
    const auto greville = [&](std::size_t k, int i) {
        const double h = (adRange[2 * k + 1] - adRange[2 * k]) / (kSplineCount[k] - 3);
        return std::clamp(adRange[2 * k] + (i - 1) * h, adRange[2 * k], adRange[2 * k + 1]);
    };
    const double vm = (adRange[2] + adRange[3]) / 2, wm = (adRange[4] + adRange[5]) / 2;
    for (int k = 0; k < kSplineCount[2]; ++k)
        for (int j = 0; j < kSplineCount[1]; ++j)
            for (int i = 0; i < kSplineCount[0]; ++i)
                aCoef.push_back(0.15 * (greville(1, j) - vm) * (greville(2, k) - wm) - 0.04 * std::cos(3 * greville(0, i)));
    return aCoef;
}

} // namespace

TEST(SplineLawFit, RecoversALawBeyondModel19AndFollowsItsBackboneBeyondTheData) {
    auto pMaterial = NoisyPreparedMaterial(kSplineModel, CorrectedLaw(), 0.003, 21);
    CMaterial sinh = *pMaterial;
    ASSERT_TRUE(FitSinhLaw(sinh).Ok());
    const CRefinementResult result = FitSplineLaw(*pMaterial);
    ASSERT_TRUE(result.Ok()) << result.m_strMessage;
    ASSERT_EQ(pMaterial->m_nCoef, kSplineCoef);
    const CDeviationStats spline = MakeFitReport(*pMaterial).m_all;
    const CDeviationStats backbone = MakeFitReport(sinh).m_all;
    std::printf("MARE %.3f %% (model 19: %.3f %%); %s\n", spline.m_dMare, backbone.m_dMare, result.m_strMessage.c_str());
    EXPECT_LT(spline.m_dMare, 0.35); // 0.3 % noise: 0.24 % mean absolute
    EXPECT_GT(backbone.m_dMare, 3 * spline.m_dMare);
    // The backbone is model 19's own fit, and only it carries confidence intervals.
    for (int k = 0; k < kSinhCoef; ++k)
        EXPECT_EQ(pMaterial->m_dCoef[static_cast<std::size_t>(k)], sinh.m_dCoef[static_cast<std::size_t>(k)]) << k;
    ASSERT_TRUE(result.m_confidence && result.m_confidence->Ok());
    EXPECT_EQ(result.m_confidence->m_aCoef.size(), static_cast<std::size_t>(kSinhFitCoef));
    EXPECT_EQ(result.m_strNoIntervals, "A33..A362: the spline's coefficients are smoothed, not estimated");
    const CLawExport law = MakeLawExport(*pMaterial);
    EXPECT_TRUE(law.m_aTableCheck.empty() && law.m_aSubroutineCheck.empty());

    // Beyond the measured strain rates, temperatures and strains the correction keeps its
    // value at the edge: the law changes as its backbone does.
    const auto ratio = [&](double E, double t, double H) { return pMaterial->Evaluate(E, t, H) / sinh.Evaluate(E, t, H); };
    for (double E : {0.2, 0.5}) {
        EXPECT_NEAR(ratio(E, 1000, 100), ratio(E, 1000, 10), 1e-14);
        EXPECT_NEAR(ratio(E, 1000, 0.001), ratio(E, 1000, 0.01), 1e-14);
        EXPECT_NEAR(ratio(E, 1400, 1), ratio(E, 1250, 1), 1e-14);
        EXPECT_NEAR(ratio(E, 700, 1), ratio(E, 850, 1), 1e-14);
    }
    EXPECT_NEAR(ratio(1.5, 1000, 1), ratio(0.8, 1000, 1), 1e-14);
}

// Stresses of one condition doubled rise with temperature from 950 to 1050 deg C at 10 1/s;
// the penalty on the coefficient differences keeps the law from following them.
TEST(SplineLawFit, HoldsTheLawMonotoneWhereTheDataAreNot) {
    auto pMaterial = NoisyPreparedMaterial(kSplineModel, CorrectedLaw(), 0.003, 22);
    const auto curve = [&](double dTemp) -> CCurve& {
        for (int i = 0;; ++i)
            if (pMaterial->Curve(i).m_dTemp == dTemp && pMaterial->Curve(i).m_dRate == 10)
                return pMaterial->Curve(i);
    };
    for (CCurvePoint& p : curve(1050).m_pPoints)
        p.m_dStress *= 2;
    ASSERT_GT(curve(1050).m_pPoints[15].m_dStress, curve(950).m_pPoints[15].m_dStress);
    const CSplineFit fit = FitSplineLawTo(*pMaterial);
    ASSERT_TRUE(fit.Ok()) << fit.m_strMessage;
    EXPECT_GT(fit.m_nConstrained, 0);
    std::printf("%s\n", fit.m_strMessage.c_str());
    const CMeasuredRanges measured = MeasuredRanges(*pMaterial);
    for (const CExportGrid& grid : {TableGrid(measured), SubroutineCheckGrid(measured)})
        EXPECT_TRUE(CheckLaw(kSplineModel, fit.m_aCoef.data(), grid).empty());
}

// Curves the backbone refuses are refused with its reason.
TEST(SplineLawFit, RefusesWithTheReasonOfItsBackbone) {
    auto pMaterial = NoisyPreparedMaterial(kSplineModel, CorrectedLaw(), 0.003, 23);
    for (int i = 0; i < pMaterial->m_nCurves; ++i)
        for (CCurvePoint& p : pMaterial->Curve(i).m_pPoints)
            p.m_dTemp = pMaterial->Curve(i).m_dTemp = 1000;
    const CRefinementResult result = FitSplineLaw(*pMaterial);
    EXPECT_FALSE(result.Ok());
    EXPECT_TRUE(result.m_strMessage.starts_with("model 21: its backbone, model 19's law: the start needs at least 2"))
        << result.m_strMessage;
    EXPECT_EQ(pMaterial->m_nCoef, 0);
    EXPECT_EQ(pMaterial->m_dErrorMax, kRefusalError);
}
