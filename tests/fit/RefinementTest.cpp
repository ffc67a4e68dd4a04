// Least-squares refinement on stress of the log-space fits: against the generating law on
// exact data, against an independent forward-difference fit on noisy data, on the measured
// sets, and the cases where it keeps the engine's coefficients.

#include "vornel/run/Approximation.h"
#include "vornel/fit/FitReport.h"
#include "vornel/fit/Refinement.h"
#include "vornel/fit/ModelFit.h"
#include "FitQuality.h"
#include "LawSamples.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <functional>

using namespace vornel_test;

namespace {

struct SRefineCase {
    int m_nModel;
    double m_dNoise; // relative noise of the stresses
};

std::string RefineCaseName(const ::testing::TestParamInfo<SRefineCase>& info) {
    return "Model" + std::to_string(info.param.m_nModel) + (info.param.m_dNoise == 0 ? "Exact" : "Noisy");
}

// The bits of doubles, so that NaN compares equal to itself.
std::vector<std::uint64_t> Bits(const std::vector<double>& aValues) {
    std::vector<std::uint64_t> aBits;
    for (double d : aValues)
        aBits.push_back(std::bit_cast<std::uint64_t>(d));
    return aBits;
}

// Every point's fitted stress is the law; ErrorMax and ErrorSr are taken over all points,
// ErrorSr as the engine forms it for the model.
void ExpectFittedStressesAndErrors(const CMaterial& material) {
    double dSumSq = 0;
    double dMax = 0;
    int n = 0;
    for (int i = 0; i < material.m_nCurves; ++i)
        for (const CCurvePoint& p : material.Curve(i).m_pPoints) {
            EXPECT_EQ(p.m_dFitStress, material.Evaluate(p.m_dStrain, p.m_dTemp, p.m_dRate));
            const double d = p.m_dFitStress - p.m_dStress;
            dSumSq += d * d;
            dMax = std::max(dMax, std::fabs(d));
            ++n;
        }
    const bool bRootMeanSquare = material.m_nFunction == 9 || material.m_nFunction == 13;
    EXPECT_TRUE(Near(material.m_dErrorSr, bRootMeanSquare ? std::sqrt(dSumSq / n) : std::sqrt(dSumSq) / n, 1e-12));
    EXPECT_EQ(material.m_dErrorMax, dMax);
}

} // namespace

class RefineModel : public ScratchTest, public ::testing::WithParamInterface<SRefineCase> {};

// Starting from the engine's log-space fit: on exact data the refinement returns the
// generating law (the preparation's first points, which the log-space fit takes in, are left
// out); on noisy data it reaches the optimum a forward-difference fit in the plain
// coefficients finds from the generating law.
TEST_P(RefineModel, ReachesTheStressLeastSquaresOptimumFromTheEngineFit) {
    const auto [nModel, dNoise] = GetParam();
    std::mt19937 rng(static_cast<unsigned>(100 + nModel));
    const std::vector<double> aTrue = TypicalCoefficients(nModel, rng);
    auto pMaterial = NoisyPreparedMaterial(nModel, aTrue, dNoise, static_cast<unsigned>(7 * nModel));
    ASSERT_TRUE(pMaterial->RunApproximation().Ok());
    const double dLogRms = MakeFitReport(*pMaterial).m_all.m_dRms;

    const CRefinementResult result = RefineFit(*pMaterial);
    ASSERT_TRUE(result.Ok()) << result.m_strMessage;
    const CDeviationStats refined = MakeFitReport(*pMaterial).m_all;
    EXPECT_EQ(result.m_nPoints, 20 * 29);
    EXPECT_LT(refined.m_dRms, dLogRms);
    EXPECT_LE(result.m_nEvaluations, 100);
    ExpectFittedStressesAndErrors(*pMaterial);

    if (dNoise == 0) {
        EXPECT_LT(refined.m_dRms, 1e-6 * dLogRms);
        for (std::size_t k = 0; k < aTrue.size(); ++k)
            EXPECT_TRUE(Near(pMaterial->m_dCoef[k], aTrue[k], 1e-5)) << "A" << k + 1;
    } else {
        const COracleFit oracle = OracleFit(*pMaterial, aTrue);
        EXPECT_LE(refined.m_dRms, 1.005 * std::sqrt(oracle.m_dSumSq / refined.m_nPoints));
    }
}

INSTANTIATE_TEST_SUITE_P(LogLaws, RefineModel,
                         ::testing::Values(SRefineCase{9, 0}, SRefineCase{13, 0}, SRefineCase{14, 0}, SRefineCase{17, 0},
                                           SRefineCase{18, 0}, SRefineCase{9, 0.03}, SRefineCase{13, 0.03},
                                           SRefineCase{14, 0.03}, SRefineCase{17, 0.03}, SRefineCase{18, 0.03}),
                         RefineCaseName);

// Materials the refinement must leave exactly as they are, with the reason it gives.
struct SKeepCase {
    const char* m_szName;
    ERefinement m_eStatus;
    std::function<void(CMaterial&)> m_pfnSpoil; // turns a fitted model-18 material into the case
};

void PrintTo(const SKeepCase& c, std::ostream* os) { *os << c.m_szName; }

class RefineKeeps : public ::testing::TestWithParam<SKeepCase> {};

TEST_P(RefineKeeps, TheMaterialAsItWasAndSaysWhy) {
    std::mt19937 rng(3);
    auto pMaterial = NoisyPreparedMaterial(18, TypicalCoefficients(18, rng), 0.02, 5);
    pMaterial->m_nCoef = 9;
    std::copy_n(TypicalCoefficients(18, rng).begin(), 9, pMaterial->m_dCoef.begin());
    pMaterial->m_dErrorSr = 1.5;
    pMaterial->m_dErrorMax = 2.5;
    GetParam().m_pfnSpoil(*pMaterial);
    const CExchangeData before = pMaterial->ToExchangeData();

    const CRefinementResult result = RefineFit(*pMaterial);
    EXPECT_EQ(result.m_eStatus, GetParam().m_eStatus);
    EXPECT_FALSE(result.m_strMessage.empty());
    const CExchangeData after = pMaterial->ToExchangeData();
    EXPECT_EQ(Bits(after.m_aCoef), Bits(before.m_aCoef));
    EXPECT_EQ(after.m_dErrorSr, before.m_dErrorSr);
    EXPECT_EQ(after.m_dErrorMax, before.m_dErrorMax);
    for (std::size_t i = 0; i < after.m_aCurves.size(); ++i)
        for (std::size_t j = 0; j < after.m_aCurves[i].m_aPoints.size(); ++j)
            EXPECT_EQ(after.m_aCurves[i].m_aPoints[j].m_dFitStress, before.m_aCurves[i].m_aPoints[j].m_dFitStress);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefineKeeps,
    ::testing::Values(
        SKeepCase{"a law fitted on the stresses", ERefinement::NotALogLaw,
                  [](CMaterial& m) {
                      m.m_nFunction = 11;
                      m.m_nCoef = 7;
                  }},
        SKeepCase{"no coefficients", ERefinement::NoFit, [](CMaterial& m) { m.m_nCoef = 0; }},
        SKeepCase{"a temperature of 0 under t^A8", ERefinement::NotFinite,
                  [](CMaterial& m) {
                      for (CCurvePoint& p : m.Curve(3).m_pPoints)
                          p.m_dTemp = 0;
                  }},
        SKeepCase{"a coefficient that is not a number", ERefinement::NotFinite,
                  [](CMaterial& m) { m.m_dCoef[4] = std::nan(""); }},
        SKeepCase{"fewer measured points than coefficients", ERefinement::TooFewPoints,
                  [](CMaterial& m) {
                      m.m_nCurves = 1;
                      m.Curve(0).m_pPoints.resize(9);
                      m.m_nPoints = 9;
                  }}),
    [](const ::testing::TestParamInfo<SKeepCase>& info) {
        std::string strName = info.param.m_szName;
        std::replace_if(strName.begin(), strName.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return strName;
    });

// The measured sets: refined RMS and largest deviation over the measured points, and the
// optimum of an independent forward-difference fit from the engine's coefficients.
struct SMeasuredCase {
    const char* m_szSet;
    int m_nModel;
    double m_dMaxRms;    // MPa
    double m_dMaxAbs;    // MPa
};

std::string MeasuredCaseName(const ::testing::TestParamInfo<SMeasuredCase>& info) {
    std::string strSet = info.param.m_szSet;
    std::replace(strSet.begin(), strSet.end(), '-', '_');
    return strSet + "_Model" + std::to_string(info.param.m_nModel);
}

class RefineMeasured : public ScratchTest, public ::testing::WithParamInterface<SMeasuredCase> {};

TEST_P(RefineMeasured, MeetsTheStressOptimumOnMeasuredCurves) {
    const SMeasuredCase& c = GetParam();
    const std::string strFolder = SharedDataSet(c.m_szSet);
    if (strFolder.empty())
        SkipOrFailWithoutOracle(std::string("the measured set ") + c.m_szSet + " is not beside the checkout (../shared/data)");
    auto pMaterial = LoadMeasuredSet(strFolder);
    pMaterial->m_nFunction = c.m_nModel;
    ASSERT_TRUE(pMaterial->RunApproximation().Ok());
    const std::vector<double> aLogSpace = Coefficients(*pMaterial);
    const double dLogRms = MakeFitReport(*pMaterial).m_all.m_dRms;

    const CRefinementResult result = RefineFit(*pMaterial);
    ASSERT_TRUE(result.Ok()) << result.m_strMessage;
    const CDeviationStats refined = MakeFitReport(*pMaterial).m_all;
    EXPECT_EQ(refined.m_nPoints, 30 * 29);
    EXPECT_LT(refined.m_dRms, dLogRms);
    EXPECT_LE(refined.m_dRms, c.m_dMaxRms);
    EXPECT_LE(refined.m_dMaxAbs, c.m_dMaxAbs);
    const COracleFit oracle = OracleFit(*pMaterial, aLogSpace);
    EXPECT_LE(refined.m_dRms, 1.005 * std::sqrt(oracle.m_dSumSq / refined.m_nPoints));
}

constexpr double kAny = 1e300;

INSTANTIATE_TEST_SUITE_P(Sets, RefineMeasured,
                         ::testing::Values(SMeasuredCase{"steel-gleeble", 9, kAny, kAny},
                                           SMeasuredCase{"steel-gleeble", 13, kAny, kAny},
                                           SMeasuredCase{"steel-gleeble", 14, kAny, kAny},
                                           SMeasuredCase{"steel-gleeble", 17, 2.93, kAny},
                                           SMeasuredCase{"steel-gleeble", 18, 3.77, 10.0},
                                           SMeasuredCase{"bst-compression", 9, kAny, kAny},
                                           SMeasuredCase{"bst-compression", 13, kAny, kAny},
                                           SMeasuredCase{"bst-compression", 14, kAny, kAny},
                                           SMeasuredCase{"bst-compression", 17, 4.98, kAny},
                                           SMeasuredCase{"bst-compression", 18, 6.27, kAny}),
                         MeasuredCaseName);

class RefinedRun : public ScratchTest {};

// The engine's fit is the same with and without the refinement; only a refined run replaces
// it, and then in the material, its file and the exported subroutine alike.
TEST_F(RefinedRun, ReplacesTheEngineLawInEveryOutputOnlyWhenAsked) {
    std::mt19937 rng(21);
    const auto pNoisy = NoisyPreparedMaterial(17, TypicalCoefficients(17, rng), 0.03, 4);
    CMaterial plain = *pNoisy;
    const CRunResult plainRun = plain.RunApproximation();
    ASSERT_TRUE(plainRun.Ok());
    EXPECT_FALSE(plainRun.m_refinement.has_value());
    const CExchangeData engine = ReadExchangeData("temp.mat", CExchangeLimits{200, 100});
    EXPECT_EQ(Coefficients(plain), engine.m_aCoef);
    EXPECT_EQ(plain.m_dErrorMax, engine.m_dErrorMax);
    const std::string strPlainFortran = FileText("progr.f90");

    CMaterial refined = *pNoisy;
    const CRunResult refinedRun = refined.RunApproximation(CFitOptions{true});
    ASSERT_TRUE(refinedRun.Ok());
    ASSERT_TRUE(refinedRun.m_refinement.has_value());
    EXPECT_TRUE(refinedRun.m_refinement->Ok()) << refinedRun.m_refinement->m_strMessage;
    EXPECT_EQ(ReadExchangeData("temp.mat", CExchangeLimits{200, 100}).m_aCoef, engine.m_aCoef);
    EXPECT_NE(Coefficients(refined), engine.m_aCoef);
    EXPECT_LT(MakeFitReport(refined).m_all.m_dRms, MakeFitReport(plain).m_all.m_dRms);
    CMaterial saved;
    saved.m_strFileName = refined.m_strFileName;
    saved.ReadMaterialFile(1);
    EXPECT_EQ(Coefficients(saved), Coefficients(refined));
    EXPECT_EQ(saved.m_dErrorMax, refined.m_dErrorMax);
    EXPECT_NE(FileText("progr.f90"), strPlainFortran);

    // A law fitted on the stresses is kept, and the run says why.
    CMaterial polynomial = *pNoisy;
    polynomial.m_nFunction = 11;
    const CRunResult polynomialRun = polynomial.RunApproximation(CFitOptions{true});
    ASSERT_TRUE(polynomialRun.m_refinement.has_value());
    EXPECT_EQ(polynomialRun.m_refinement->m_eStatus, ERefinement::NotALogLaw);
}

// With the refinement, the Optimization refines every log-law candidate and picks the
// smallest RMS over the measured points.
TEST_F(RefinedRun, OptimizationRanksTheRefinedCandidatesByTheirRms) {
    std::mt19937 rng(22);
    auto pMaterial = NoisyPreparedMaterial(18, TypicalCoefficients(18, rng), 0.02, 6);
    const std::vector<CCandidateReport> aReports = pMaterial->FindBestModel({}, CFitOptions{true});
    int nBest = 0;
    double dBest = 1e300;
    for (const CCandidateReport& report : aReports) {
        if (report.m_nCoef == 0)
            continue;
        // Models 19 and 21 are fitted on the stresses by the workbench and report that fit.
        EXPECT_EQ(report.m_refinement.has_value(), IsRefinableModel(report.m_nModel) || FindCoreFit(report.m_nModel))
            << report.m_nModel;
        if (report.m_refinement) {
            EXPECT_TRUE(report.m_refinement->Ok()) << report.m_nModel << ": " << report.m_refinement->m_strMessage;
        }
        if (report.m_dRms < dBest) {
            dBest = report.m_dRms;
            nBest = report.m_nModel;
        }
    }
    EXPECT_EQ(pMaterial->m_nFunction, nBest);
    // The chosen law, refitted and refined by the run, is the one that was ranked.
    pMaterial->RunApproximation(CFitOptions{true});
    EXPECT_DOUBLE_EQ(MakeFitReport(*pMaterial).m_all.m_dRms, dBest);
}
