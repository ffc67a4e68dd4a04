// Model 20, the Johnson-Cook law, fitted by the workbench: on exact synthetic curves it
// recovers its coefficients; on the measured steel set its coefficients equal an independent
// least-squares fit (forward differences, Eigen's Levenberg-Marquardt, another start), with A
// held at its bound 0 where the unconstrained optimum lies below it; its refusals.

#include "vornel/fit/JohnsonCookFit.h"
#include "vornel/run/HoldOut.h"
#include "FitQuality.h"
#include "MeasuredSets.h"
#include "TestSupport.h"
#include "vornel/document/Material.h"

using namespace vornel_test;

TEST(JohnsonCookFit, RecoversTheLawOfExactCurves) {
    const std::vector<double> aTrue = {30, 120, 0.3, 0.06, 1.4, 0.01, 850, 1600};
    auto pMaterial = NoisyPreparedMaterial(20, aTrue, 0.0, 1);
    pMaterial->m_johnsonCook.m_dMeltTemp = 1600;
    const CJohnsonCookFit fit = FitJohnsonCookLaw(*pMaterial);
    ASSERT_TRUE(fit.Ok()) << fit.m_strMessage;
    ASSERT_EQ(fit.m_aCoef.size(), aTrue.size());
    for (std::size_t k = 0; k < aTrue.size(); ++k)
        EXPECT_TRUE(Near(fit.m_aCoef[k], aTrue[k], 1e-6)) << "A" << k + 1;
    EXPECT_TRUE(fit.m_aHeld.empty());
}

TEST(JohnsonCookFit, OnTheSteelSetEqualsAnIndependentFitWithAHeldAtZero) {
    const std::string strFolder = SharedDataSet("steel-gleeble");
    if (strFolder.empty())
        SkipOrFailWithoutOracle("the measured set steel-gleeble is not beside the checkout (../shared/data)");
    CScratchDir scratch;
    auto pMaterial = LoadMeasuredSet(strFolder);
    pMaterial->m_nFunction = 20;
    pMaterial->m_johnsonCook.m_dMeltTemp = 1500;
    const CFitOutcome outcome = pMaterial->FitModel();
    ASSERT_TRUE(outcome.Ok()) << outcome.m_strMessage;
    const std::vector<double> aFit = Coefficients(*pMaterial);
    ASSERT_EQ(aFit.size(), 8u);
    EXPECT_EQ(aFit[0], 0.0);
    EXPECT_EQ((std::vector<double>{aFit[5], aFit[6], aFit[7]}), (std::vector<double>{0.001, 1050, 1500}));
    ASSERT_TRUE(outcome.m_refinement && outcome.m_refinement->m_confidence && outcome.m_refinement->m_confidence->Ok());
    std::vector<int> aNumbers;
    for (const CCoefficientInterval& interval : outcome.m_refinement->m_confidence->m_aCoef)
        aNumbers.push_back(interval.m_nNumber);
    EXPECT_EQ(aNumbers, (std::vector<int>{2, 3, 4, 5}));

    // B, n, C and m by the oracle from another start, A held at 0: the same optimum.
    std::vector<double> aStart = {0, 50, 0.5, 0.2, 2, aFit[5], aFit[6], aFit[7]};
    const COracleFit oracle = OracleFit(*pMaterial, aStart, {1, 2, 3, 4});
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_TRUE(Near(oracle.m_aCoef[k], aFit[k + 1], 1e-5)) << "A" << k + 2;
    // A is at its bound because the sum of squares rises as A rises from 0, and the
    // unconstrained optimum lies below it.
    const auto sumSq = [&](std::vector<double> aCoef) {
        const COracleResiduals residuals(*pMaterial, 8);
        Eigen::VectorXd r(residuals.values());
        residuals(Eigen::Map<Eigen::VectorXd>(aCoef.data(), 8), r);
        return r.squaredNorm();
    };
    std::vector<double> aRaised = aFit;
    aRaised[0] = 0.01;
    EXPECT_GT(sumSq(aRaised), sumSq(aFit));
    aStart[0] = 10;
    const COracleFit free = OracleFit(*pMaterial, aStart, {0, 1, 2, 3, 4});
    std::printf("steel set, tm = 1500 deg C: A1..A5 = %g %g %g %g %g, unconstrained A1 = %g\n", aFit[0], aFit[1],
                aFit[2], aFit[3], aFit[4], free.m_aCoef[0]);
    EXPECT_LT(free.m_aCoef[0], 0.0);
    EXPECT_LT(free.m_dSumSq, sumSq(aFit));
    // The held-out fits take the melting temperature too.
    EXPECT_EQ(ValidateByHoldOut(*pMaterial, {}).m_nFitted, pMaterial->m_nCurves);
}

TEST(JohnsonCookFit, RefusesWithTheReason) {
    const auto refusal = [](std::optional<double> dMelt, std::optional<double> dRef) {
        auto pMaterial = NoisyPreparedMaterial(20, {30, 120, 0.3, 0.06, 1.4, 0.01, 850, 1600}, 0.0, 1);
        pMaterial->m_johnsonCook = {dMelt, dRef, std::nullopt};
        return FitJohnsonCookLaw(*pMaterial).m_strMessage;
    };
    EXPECT_NE(refusal(std::nullopt, std::nullopt).find("needs the melting temperature"), std::string::npos);
    EXPECT_EQ(refusal(1200, std::nullopt), "model 20: the melting temperature 1200 deg C is not above the highest "
                                           "measured temperature 1250 deg C; the fit is refused");
    EXPECT_NE(refusal(1600, 1700).find("the reference temperature 1700 deg C is not below"), std::string::npos);
}
