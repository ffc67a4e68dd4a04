// The activation energy of a hyperbolic-sine material: the searched alpha recovers the
// law's constants, where alpha = beta/n1 misses them.

#include "vornel/analysis/ActivationEnergy.h"
#include "SinhMaterial.h"
#include "TestSupport.h"

#include <cmath>

using namespace vornel_test;

TEST(ActivationEnergy, RecoversTheSinhLawWhereBetaOverN1IsBiased) {
    const CMaterial material = SinhMaterial();
    for (const CStressBasis basis : {CStressBasis{EStressBasis::Strain, 0.3}, CStressBasis{}}) {
        const CActivationEnergy q = AnalyseActivationEnergy(material, basis);
        ASSERT_TRUE(q.Ok()) << q.m_strMessage;
        EXPECT_EQ(q.m_aPoints.size(), 30u);
        EXPECT_NEAR(q.m_searched.m_dQ, kQ, 0.01 * kQ);
        EXPECT_NEAR(q.m_searched.m_dN, kN, 0.02 * kN);
        EXPECT_NEAR(q.m_searched.m_dAlpha, kAlpha, 0.01 * kAlpha);
        EXPECT_NEAR(q.m_searched.m_dLnA, kLnA, 0.02 * kLnA);
        EXPECT_GT(q.m_searched.m_dR2, 0.99999);
        EXPECT_FALSE(q.m_bAlphaAtEnd);
        // The usual alpha = beta / n1 lies far off, and n and Q with it.
        EXPECT_GT(std::fabs(q.m_standard.m_dAlpha / kAlpha - 1), 0.1) << q.m_standard.m_dAlpha;
        EXPECT_LT(q.m_standard.m_dR2, q.m_searched.m_dR2);
        // Every line behind the slopes: 5 temperatures, 6 strain rates.
        for (const CSlopePlot& plot : q.m_aPlots)
            EXPECT_EQ(plot.m_aLines.size(), plot.m_eKind == ESlopePlot::LnSinhOverInverseT ? 6u : 5u);
        EXPECT_NEAR(q.m_aPlots[4].m_aLines[0].m_dR2, 1.0, 1e-9);
        EXPECT_EQ(q.m_dModelQ, kQ);
        // Flat curves have no peak: on the peak basis their largest stress stands in.
        EXPECT_EQ(q.m_aNotes.size(), basis.m_eBasis == EStressBasis::Peak ? 1u : 0u);
    }
    CMaterial oneRate = material;
    for (int i = 0; i < oneRate.m_nCurves; ++i)
        oneRate.Curve(i).m_dRate = 1.0;
    EXPECT_FALSE(AnalyseActivationEnergy(oneRate).Ok());
}

