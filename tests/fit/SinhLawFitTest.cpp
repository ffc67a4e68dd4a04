// Model 19's fit by the workbench (start and Levenberg-Marquardt) on synthetic and on measured
// curves, and its refusals.

#include "vornel/fit/FitReport.h"
#include "vornel/fit/SinhLawFit.h"
#include "vornel/model/SinhLaw.h"
#include "vornel/model/SplineLaw.h"
#include "vornel/export/LawExport.h"
#include "vornel/run/Approximation.h"
#include "vornel/run/HoldOut.h"
#include "FitQuality.h"
#include "LawSamples.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"

#include <cmath>
#include <cstdio>
#include <random>

using namespace vornel_test;

namespace {

// Q(E) of coefficients aCoef, kJ/mol.
double ActivationEnergy(const std::vector<double>& aCoef, double dE) {
    return SinhPolynomial(aCoef.data() + 2 * kSinhPolyCoef, kSinhOrder, dE);
}

} // namespace

// Data of a known law with 0.3 % noise: the fit recovers the activation energy Q(E) within
// 1 % at three strains, and the law within the noise.
TEST(SinhLawFit, RecoversTheActivationEnergyOfAKnownLaw) {
    auto pMaterial = NoisyPreparedMaterial(kSinhModel, kSinhSteelLaw, 0.003, 19);
    const CRefinementResult result = FitSinhLaw(*pMaterial);
    ASSERT_TRUE(result.Ok()) << result.m_strMessage;
    ASSERT_EQ(pMaterial->m_nCoef, kSinhCoef);
    const std::vector<double> aFitted = Coefficients(*pMaterial);
    for (double dE : {0.2, 0.4, 0.6}) {
        EXPECT_TRUE(Near(ActivationEnergy(aFitted, dE), ActivationEnergy(kSinhSteelLaw, dE), 0.01)) << "strain " << dE;
        std::printf("Q(%.1f): %.3f kJ/mol fitted, %.3f true\n", dE, ActivationEnergy(aFitted, dE),
                    ActivationEnergy(kSinhSteelLaw, dE));
    }
    EXPECT_EQ(aFitted[24], 0.8 / 29);
    EXPECT_EQ(aFitted[25], 0.8);
    EXPECT_LT(result.m_dSumSq, result.m_dStartSumSq);
    const CDeviationStats all = MakeFitReport(*pMaterial).m_all;
    EXPECT_LT(all.m_dMare, 0.3);
    // The material holds the law: every fitted stress is Evaluate, ErrorSr the RMS over all
    // points, as models 9 and 13 define it.
    double dSumSq = 0;
    for (int i = 0; i < pMaterial->m_nCurves; ++i)
        for (const CCurvePoint& p : pMaterial->Curve(i).m_pPoints) {
            EXPECT_EQ(p.m_dFitStress, pMaterial->Evaluate(p.m_dStrain, p.m_dTemp, p.m_dRate));
            dSumSq += (p.m_dFitStress - p.m_dStress) * (p.m_dFitStress - p.m_dStress);
        }
    EXPECT_DOUBLE_EQ(pMaterial->m_dErrorSr, std::sqrt(dSumSq / pMaterial->m_nPoints));
    ASSERT_TRUE(result.m_confidence && result.m_confidence->Ok());
    EXPECT_EQ(result.m_confidence->m_aCoef.size(), 24u);
}

// Curves the start cannot be formed from are refused with the reason, and the run gives the
// refusal result.
struct SRefusalCase {
    const char* m_szName;
    void (*m_pfnSpoil)(CMaterial& material);
    const char* m_szReason;
};

class SinhRefusal : public ScratchTest, public ::testing::WithParamInterface<SRefusalCase> {};

TEST_P(SinhRefusal, RefusesWithTheReason) {
    auto pMaterial = NoisyPreparedMaterial(kSinhModel, kSinhSteelLaw, 0.003, 7);
    GetParam().m_pfnSpoil(*pMaterial);
    const CRunResult run = pMaterial->RunApproximation();
    EXPECT_FALSE(run.Ok());
    EXPECT_NE(run.m_strMessage.find(GetParam().m_szReason), std::string::npos) << run.m_strMessage;
    EXPECT_TRUE(run.m_strMessage.starts_with("model 19: ")) << run.m_strMessage;
    EXPECT_EQ(pMaterial->m_nCoef, 0);
    EXPECT_EQ(pMaterial->m_dErrorMax, kRefusalError);
    const CExchangeData file = ReadExchangeData("temp.mat", CExchangeLimits{200, 100});
    EXPECT_EQ(file.m_nFunction, kSinhModel);
    EXPECT_TRUE(file.m_aCoef.empty());
    EXPECT_EQ(file.m_dErrorSr, kRefusalError);
}

void SetTemp(CCurve& curve, double dTemp) {
    curve.m_dTemp = dTemp;
    for (CCurvePoint& p : curve.m_pPoints)
        p.m_dTemp = dTemp;
}

INSTANTIATE_TEST_SUITE_P(
    Curves, SinhRefusal,
    ::testing::Values(
        SRefusalCase{"OneTemperature",
                     [](CMaterial& m) {
                         for (int i = 0; i < m.m_nCurves; ++i)
                             SetTemp(m.Curve(i), 1000);
                     },
                     "at least 2 strain rates at one temperature and 2 temperatures at one strain rate"},
        SRefusalCase{"StressesFallingWithTheRate",
                     [](CMaterial& m) {
                         for (int i = 0; i < m.m_nCurves; ++i)
                             for (CCurvePoint& p : m.Curve(i).m_pPoints)
                                 p.m_dStress = 1000 / (1 + p.m_dRate);
                     },
                     "do not rise with the strain rate"},
        SRefusalCase{"NoCommonStrain",
                     [](CMaterial& m) {
                         for (CCurvePoint& p : m.Curve(0).m_pPoints)
                             p.m_dStrain += 5;
                     },
                     "share no strain range"},
        SRefusalCase{"ZeroStress",
                     [](CMaterial& m) {
                         for (CCurvePoint& p : m.Curve(3).m_pPoints)
                             p.m_dStress = 0;
                     },
                     "is not above 0"}),
    [](const ::testing::TestParamInfo<SRefusalCase>& info) { return std::string(info.param.m_szName); });

// The measured sets: RMS over the measured points, the mean and the largest held-out RMS,
// and for model 21 the law check over the grid of the tables and the subroutines' range.
struct SMeasuredSinh {
    const char* m_szSet;
    int m_nModel;
    double m_dMaxRms;        // MPa
    double m_dMaxHeldOutRms; // MPa, mean over the held-out curves
    double m_dMaxHeldOutMax; // MPa, the largest held-out curve's
};

class SinhMeasured : public ScratchTest, public ::testing::WithParamInterface<SMeasuredSinh> {};

TEST_P(SinhMeasured, FitsBetterThanTheRefinedProductLaws) {
    const SMeasuredSinh& c = GetParam();
    const std::string strFolder = SharedDataSet(c.m_szSet);
    if (strFolder.empty())
        SkipOrFailWithoutOracle(std::string("the measured set ") + c.m_szSet + " is not beside the checkout (../shared/data)");
    auto pMaterial = LoadMeasuredSet(strFolder);
    pMaterial->m_nFunction = c.m_nModel;
    const CRunResult run = pMaterial->RunApproximation();
    ASSERT_TRUE(run.Ok()) << run.m_strMessage;
    const CDeviationStats all = MakeFitReport(*pMaterial).m_all;
    EXPECT_EQ(all.m_nPoints, 30 * 29);
    EXPECT_LE(all.m_dRms, c.m_dMaxRms);
    const CHoldOutReport holdOut = ValidateByHoldOut(*pMaterial, {});
    EXPECT_EQ(holdOut.m_nFitted, 30);
    EXPECT_LE(holdOut.m_dMeanRms, c.m_dMaxHeldOutRms);
    EXPECT_LE(holdOut.m_dMaxRms, c.m_dMaxHeldOutMax);
    if (c.m_nModel == kSplineModel) {
        const CLawExport law = MakeLawExport(*pMaterial);
        EXPECT_TRUE(law.m_aTableCheck.empty() && law.m_aSubroutineCheck.empty());
    }
    std::printf("%s model %d: RMS %.4f MARE %.4f %% MaxAbs %.4f MPa; held-out mean %.4f max %.4f MPa\n", c.m_szSet,
                c.m_nModel, all.m_dRms, all.m_dMare, all.m_dMaxAbs, holdOut.m_dMeanRms, holdOut.m_dMaxRms);
}

constexpr double kAnyRms = 1e300;

INSTANTIATE_TEST_SUITE_P(Sets, SinhMeasured,
                         ::testing::Values(SMeasuredSinh{"steel-gleeble", kSinhModel, 1.54, 1.70, kAnyRms},
                                           SMeasuredSinh{"bst-compression", kSinhModel, 3.68, kAnyRms, kAnyRms},
                                           SMeasuredSinh{"steel-gleeble", kSplineModel, 0.95, 1.35, 4.26},
                                           SMeasuredSinh{"bst-compression", kSplineModel, 2.8, 3.25, 7.35}),
                         [](const ::testing::TestParamInfo<SMeasuredSinh>& info) {
                             std::string strName = info.param.m_szSet + std::string("_") + std::to_string(info.param.m_nModel);
                             std::replace(strName.begin(), strName.end(), '-', '_');
                             return strName;
                         });
