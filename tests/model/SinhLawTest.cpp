// Model 19, the strain-compensated hyperbolic-sine law: its evaluation.

#include "vornel/model/SinhLaw.h"
#include "FitQuality.h"
#include "TestSupport.h"

#include <cmath>

using namespace vornel_test;

TEST(SinhLaw, HoldsTheStrainWithinItsRangeAndNeverOverflows) {
    const CMaterial law = LawMaterial(kSinhModel, kSinhSteelLaw);
    EXPECT_EQ(law.Evaluate(0.005, 1000, 1), law.Evaluate(0.02, 1000, 1));
    EXPECT_EQ(law.Evaluate(2.5, 1000, 1), law.Evaluate(0.8, 1000, 1));
    EXPECT_NE(law.Evaluate(0.3, 1000, 1), law.Evaluate(0.31, 1000, 1));
    EXPECT_EQ(law.Evaluate(0.3, 1000, 0), law.Evaluate(0.3, 1000, 1e-4));
    // Z/A beyond e^4000 (an ln A of -4000): exp(y) alone would overflow; asinh(e^y) = y + ln 2.
    std::vector<double> aHuge = kSinhSteelLaw;
    aHuge[18] = -4000;
    const CSinhTerms terms = SinhTerms(aHuge.data(), kSinhOrder, 0.3, 1, 1000);
    ASSERT_TRUE(std::isfinite(terms.m_dStress));
    EXPECT_GT(terms.m_dY, 709);
    EXPECT_TRUE(Near(terms.m_dAsinh, terms.m_dY + std::log(2.0), 1e-15));
    // A small Z/A (y below -4): asinh as the library computes it.
    aHuge[18] = 60;
    const CSinhTerms small = SinhTerms(aHuge.data(), kSinhOrder, 0.3, 1, 1000);
    EXPECT_LT(small.m_dY, -4);
    EXPECT_TRUE(Near(small.m_dAsinh, std::asinh(std::exp(small.m_dY)), 1e-12));
    // Z/A beyond e^-4000: the stress comes to 0 without a NaN.
    aHuge[18] = 4000;
    EXPECT_EQ(SinhTerms(aHuge.data(), kSinhOrder, 0.3, 1, 1000).m_dStress, 0.0);
}
