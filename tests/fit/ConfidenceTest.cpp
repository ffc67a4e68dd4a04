// The confidence intervals of fitted coefficients against an independent computation and over
// repeated noise draws.

#include "vornel/fit/Confidence.h"
#include "vornel/fit/Refinement.h"
#include "vornel/fit/SinhLawFit.h"
#include "vornel/model/SinhLaw.h"
#include "vornel/run/Approximation.h"
#include "FitQuality.h"
#include "LawSamples.h"
#include "TestSupport.h"

#include <Eigen/Dense>

#include <cmath>
#include <random>

using namespace vornel_test;

// The half-widths against the covariance formed from a central-difference Jacobian of
// Evaluate in the coefficients, by Eigen's QR of the column-scaled Jacobian.
struct SConfidenceCase {
    int m_nModel;
    bool m_bRefine;
};

class ConfidenceIntervals : public ScratchTest, public ::testing::WithParamInterface<SConfidenceCase> {};

TEST_P(ConfidenceIntervals, AgreeWithAFiniteDifferenceJacobian) {
    const SConfidenceCase& c = GetParam();
    std::mt19937 rng(40u + static_cast<unsigned>(c.m_nModel));
    const std::vector<double> aLaw = c.m_nModel == kSinhModel ? kSinhSteelLaw : TypicalCoefficients(c.m_nModel, rng);
    auto pMaterial = NoisyPreparedMaterial(c.m_nModel, aLaw, 0.01, 11);
    const CRunResult run = pMaterial->RunApproximation(CFitOptions{c.m_bRefine});
    ASSERT_TRUE(run.Ok()) << run.m_strMessage;
    ASSERT_TRUE(run.m_refinement && run.m_refinement->m_confidence);
    const CConfidenceIntervals& ci = *run.m_refinement->m_confidence;
    ASSERT_TRUE(ci.Ok()) << ci.m_strMessage;
    const int p = static_cast<int>(ci.m_aCoef.size());
    ASSERT_EQ(p, c.m_nModel == kSinhModel ? kSinhFitCoef : pMaterial->m_nCoef);

    std::vector<const CCurvePoint*> aPoints;
    for (int i = 0; i < pMaterial->m_nCurves; ++i)
        for (int j = 1; j < pMaterial->Curve(i).PointCount(); ++j)
            aPoints.push_back(&pMaterial->Curve(i).m_pPoints[static_cast<std::size_t>(j)]);
    const Eigen::Index N = static_cast<Eigen::Index>(aPoints.size());
    Eigen::MatrixXd J(N, p);
    Eigen::VectorXd r(N);
    CMaterial law = *pMaterial;
    for (Eigen::Index i = 0; i < N; ++i)
        r(i) = law.Evaluate(aPoints[i]->m_dStrain, aPoints[i]->m_dTemp, aPoints[i]->m_dRate) - aPoints[i]->m_dStress;
    for (int k = 0; k < p; ++k) {
        const double a = pMaterial->m_dCoef[static_cast<std::size_t>(k)];
        const double h = 1e-5 * std::max(std::fabs(a), 1e-3 * std::fabs(pMaterial->m_dCoef[static_cast<std::size_t>(k - k % 6)]) + 1e-12);
        for (Eigen::Index i = 0; i < N; ++i) {
            const CCurvePoint& pt = *aPoints[static_cast<std::size_t>(i)];
            law.m_dCoef[static_cast<std::size_t>(k)] = a + h;
            const double dUp = law.Evaluate(pt.m_dStrain, pt.m_dTemp, pt.m_dRate);
            law.m_dCoef[static_cast<std::size_t>(k)] = a - h;
            const double dDown = law.Evaluate(pt.m_dStrain, pt.m_dTemp, pt.m_dRate);
            J(i, k) = (dUp - dDown) / (2 * h);
        }
        law.m_dCoef[static_cast<std::size_t>(k)] = a;
    }
    const Eigen::VectorXd norms = J.colwise().norm().transpose();
    const Eigen::MatrixXd R = (J * norms.cwiseInverse().asDiagonal()).householderQr().matrixQR().topRows(p).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd Rinv = R.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(p, p));
    const Eigen::MatrixXd scaledCov = Rinv * Rinv.transpose();
    const double dSigma2 = r.squaredNorm() / static_cast<double>(N - p);
    const double dT = StudentQuantile(0.975, static_cast<int>(N - p));
    for (int k = 0; k < p; ++k) {
        const double dHalf = dT * std::sqrt(dSigma2 * scaledCov(k, k)) / norms(k);
        EXPECT_TRUE(Near(ci.m_aCoef[static_cast<std::size_t>(k)].m_dHalfWidth, dHalf, 0.02))
            << "model " << c.m_nModel << " A" << k + 1 << ": " << ci.m_aCoef[static_cast<std::size_t>(k)].m_dHalfWidth
            << " against " << dHalf;
        EXPECT_EQ(ci.m_aCoef[static_cast<std::size_t>(k)].m_dValue, pMaterial->m_dCoef[static_cast<std::size_t>(k)]);
    }
    for (const CIllDeterminedPair& pair : ci.m_aIllDetermined) {
        const int i = pair.m_nFirst - 1, j = pair.m_nSecond - 1;
        EXPECT_GT(std::fabs(scaledCov(i, j) / std::sqrt(scaledCov(i, i) * scaledCov(j, j))), 0.998);
    }
}

INSTANTIATE_TEST_SUITE_P(Models, ConfidenceIntervals,
                         ::testing::Values(SConfidenceCase{kSinhModel, false}, SConfidenceCase{9, true},
                                           SConfidenceCase{14, true}, SConfidenceCase{17, true}),
                         [](const ::testing::TestParamInfo<SConfidenceCase>& info) {
                             return "Model" + std::to_string(info.param.m_nModel);
                         });

TEST(StudentQuantile, MatchesTheTables) {
    EXPECT_TRUE(Near(StudentQuantile(0.975, 1), 12.7062047, 1e-7));
    EXPECT_TRUE(Near(StudentQuantile(0.975, 5), 2.5705818, 1e-7));
    EXPECT_TRUE(Near(StudentQuantile(0.975, 30), 2.0422725, 1e-7));
    EXPECT_TRUE(Near(StudentQuantile(0.975, 100000), 1.9599877, 1e-6));
}

// Over 200 draws of noise on the stresses of a known law, the 95 % interval of each
// coefficient holds its true value in 92 to 98 % of the draws.
TEST(ConfidenceCoverage, HoldsTheTrueCoefficientIn95PercentOfTheDraws) {
    constexpr int kDraws = 200;
    std::vector<int> aHits(kSinhFitCoef, 0);
    for (int nDraw = 0; nDraw < kDraws; ++nDraw) {
        auto pMaterial = AdditiveNoiseMaterial(kSinhModel, kSinhSteelLaw, 1.0, 1000u + static_cast<unsigned>(nDraw));
        const CRefinementResult result = FitSinhLaw(*pMaterial);
        ASSERT_TRUE(result.Ok() && result.m_confidence && result.m_confidence->Ok()) << result.m_strMessage;
        for (int k = 0; k < kSinhFitCoef; ++k) {
            const CCoefficientInterval& interval = result.m_confidence->m_aCoef[static_cast<std::size_t>(k)];
            aHits[static_cast<std::size_t>(k)] += interval.Low() <= kSinhSteelLaw[static_cast<std::size_t>(k)] &&
                                                  kSinhSteelLaw[static_cast<std::size_t>(k)] <= interval.High();
        }
    }
    for (int k = 0; k < kSinhFitCoef; ++k) {
        const double dCoverage = 100.0 * aHits[static_cast<std::size_t>(k)] / kDraws;
        std::printf("A%d %.1f%%\n", k + 1, dCoverage);
        EXPECT_GE(dCoverage, 92.0) << "A" << k + 1;
        EXPECT_LE(dCoverage, 98.0) << "A" << k + 1;
    }
}
