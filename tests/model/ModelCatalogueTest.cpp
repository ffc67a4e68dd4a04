// The model catalogue and CMaterial::Evaluate: the list labels and coefficient counts as the
// work window shows them, the argument bounds, numbers without a model, and every law
// against an independent statement of it with std::pow at generic points.

#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SplineLaw.h"
#include "LawSamples.h"
#include "TestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>

using vornel_test::Near;

namespace {

CMaterial MaterialWith(int nFunction, std::initializer_list<double> aCoef) {
    CMaterial material;
    material.m_nFunction = nFunction;
    material.m_nCoef = static_cast<int>(aCoef.size());
    std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
    return material;
}

// Each law written out directly from its formula with std::pow (A[0] is A1).
using CLaw = std::function<double(const double* A, double E, double H, double t)>;

// Z = H exp(Q/(R T)), (1/alpha) asinh((Z/A)^(1/n)), the polynomials at the strain held
// within [A25, A26].
double SinhReference(const double* A, double E, double H, double t) {
    using std::exp;
    using std::pow;
    const double Ec = std::clamp(E, A[24], A[25]);
    const auto poly = [&](int nFirst) {
        double dSum = 0;
        for (int k = 0; k < 6; ++k)
            dSum += A[nFirst + k] * pow(Ec, k);
        return dSum;
    };
    const double Z = H * exp(poly(12) * 1000 / (8.314462618 * (t + 273.15)));
    return std::asinh(pow(Z / exp(poly(18)), 1 / poly(6))) / poly(0);
}

const std::vector<CLaw>& ReferenceLaws() {
    using std::exp;
    using std::pow;
    static const std::vector<CLaw> s_aLaws = {
        [](const double* A, double E, double, double) { return A[0] * pow(E, A[1]); },
        [](const double* A, double E, double, double) { return A[0] + A[1] * E; },
        [](const double* A, double E, double, double) { return A[0] + A[1] * E + A[2] * pow(E, 2); },
        [](const double* A, double E, double, double) { return A[0] + A[1] * E + A[2] * pow(E, 2) + A[3] * pow(E, 3); },
        [](const double* A, double E, double, double) {
            return A[0] + A[1] * E + A[2] * pow(E, 2) + A[3] * pow(E, 3) + A[4] * pow(E, 4);
        },
        [](const double* A, double E, double, double) {
            return A[0] + A[1] * E + A[2] * pow(E, 2) + A[3] * pow(E, 3) + A[4] * pow(E, 4) + A[5] * pow(E, 5);
        },
        [](const double* A, double E, double, double) { return A[0] + A[1] * pow(E, A[2]); },
        [](const double* A, double E, double H, double t) { return A[0] + A[1] * E + A[2] * H + A[3] * t; },
        [](const double* A, double E, double H, double t) { return A[0] * pow(E, A[1]) * pow(H, A[2]) * exp(A[3] * t); },
        [](const double* A, double E, double H, double t) {
            return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * E * H + A[5] * E * t + A[6] * t * H + A[7] * pow(E, 2) +
                   A[8] * pow(H, 2) + A[9] * pow(t, 2);
        },
        [](const double* A, double E, double H, double t) {
            return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * pow(E, 2) + A[5] * pow(H, 2) + A[6] * pow(t, 2);
        },
        [](const double* A, double E, double H, double t) { return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * E * H * t; },
        [](const double* A, double E, double H, double t) {
            return 1.73 * A[0] * pow(E, A[1]) * pow(H, A[2]) * exp(A[3] / t);
        },
        [](const double* A, double E, double H, double t) {
            return A[0] * pow(E, A[1]) * exp(A[2] * E) * pow(H, A[3]) * exp(A[4] * t);
        },
        [](const double* A, double E, double H, double t) {
            return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * pow(E, 2) + A[5] * pow(H, 2) + A[6] * pow(t, 2) +
                   A[7] * pow(E, 3);
        },
        [](const double* A, double E, double H, double t) {
            return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * pow(E, 2) + A[5] * pow(H, 2) + A[6] * pow(t, 2) +
                   A[7] * pow(E, 3) + A[8] * pow(E, 4);
        },
        [](const double* A, double E, double H, double t) {
            return A[0] * pow(E, A[1] + A[2] * t + A[3] * H) * exp(A[4] * E) * pow(H, A[5] + A[6] * t) * exp(A[7] * t);
        },
        [](const double* A, double E, double H, double t) {
            return A[0] * pow(E, A[1]) * exp(A[2] / E) * exp(A[3] * E) * pow(1 + E, A[4] * t) * pow(H, A[5]) *
                   pow(H, A[6] * t) * pow(t, A[7]) * exp(A[8] * t);
        },
        SinhReference,
        // Johnson-Cook: no rate effect below H0 = A6, T* held within [0, 1].
        [](const double* A, double E, double H, double t) {
            const double dTh = std::clamp((t - A[6]) / (A[7] - A[6]), 0.0, 1.0);
            return (A[0] + A[1] * pow(E, A[2])) * (1 + A[3] * std::log(std::max(H / A[5], 1.0))) *
                   (dTh > 0 ? 1 - pow(dTh, A[4]) : 1.0);
        },
    };
    return s_aLaws;
}

// Model 21: model 19's law times exp of the tensor spline, each B-spline by the Cox-de Boor
// recursion over the extended uniform knots lo + (m - 3) h of its axis.
double CoxDeBoor(int i, int nDegree, double z, double dLow, double dSpan) {
    const auto knot = [&](int m) { return dLow + (m - 3) * dSpan; };
    if (nDegree == 0)
        return knot(i) <= z && z < knot(i + 1) ? 1.0 : 0.0;
    return (z - knot(i)) / (knot(i + nDegree) - knot(i)) * CoxDeBoor(i, nDegree - 1, z, dLow, dSpan) +
           (knot(i + nDegree + 1) - z) / (knot(i + nDegree + 1) - knot(i + 1)) *
               CoxDeBoor(i + 1, nDegree - 1, z, dLow, dSpan);
}

double SplineReference(const double* A, double E, double H, double t) {
    const double adArg[3] = {std::sqrt(std::clamp(E, A[24], A[25])), std::log(H), 1000 / (t + 273.15)};
    std::array<std::vector<double>, 3> aBasis;
    for (std::size_t k = 0; k < 3; ++k) {
        const double lo = A[kSplineRangeAt + 2 * k], hi = A[kSplineRangeAt + 2 * k + 1];
        const int n = kSplineCount[k];
        for (int i = 0; i < n; ++i)
            aBasis[k].push_back(CoxDeBoor(i, 3, std::clamp(adArg[k], lo, hi), lo, (hi - lo) / (n - 3)));
    }
    double s = 0;
    for (int k = 0; k < kSplineCount[2]; ++k)
        for (int j = 0; j < kSplineCount[1]; ++j)
            for (int i = 0; i < kSplineCount[0]; ++i)
                s += A[kSplineGridAt + i + kSplineCount[0] * (j + kSplineCount[1] * k)] * aBasis[0][i] * aBasis[1][j] *
                     aBasis[2][k];
    return SinhReference(A, E, H, t) * std::exp(s);
}

const CLaw& ReferenceLaw(int nModel) {
    static const CLaw s_spline = SplineReference;
    return nModel == kSplineModel ? s_spline : ReferenceLaws()[static_cast<std::size_t>(nModel - 1)];
}


} // namespace

TEST(ModelCatalogue, HasTheModelsWithTheirListLabelsAndCounts) {
    const std::vector<int> aExpectedCoef = {2, 2, 3, 4, 5, 6, 3, 4, 4, 10, 7, 5, 4, 5, 8, 9, 8, 9, 26, 8, 362};
    ASSERT_EQ(vornel_test::CatalogueNumbers(),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}));
    EXPECT_EQ(ModelNumbersText(), "1..21");
    for (int n : vornel_test::CatalogueNumbers()) {
        const CModelInfo* pModel = FindModel(n);
        ASSERT_NE(pModel, nullptr);
        EXPECT_EQ(pModel->m_nNumber, n);
        EXPECT_EQ(pModel->m_nCoef, aExpectedCoef[static_cast<std::size_t>(n - 1)]) << "model " << n;
        const std::string strLabel = pModel->m_szLabel;
        EXPECT_TRUE(strLabel.starts_with(std::to_string(n) + ". Ts=") || strLabel.starts_with(std::to_string(n) + ". ("))
            << strLabel;
    }
    EXPECT_STREQ(FindModel(1)->m_szLabel, "1. Ts=a1*E**a2");
    EXPECT_STREQ(FindModel(9)->m_szLabel, "9. (Henz-Spit) Ts=a1*E**a2*H**a3*exp(-a4*t)");
    EXPECT_STREQ(FindModel(11)->m_szLabel, "11. Ts=a1+a2*E+a3*H+a4*t+a5*E**2+a6*H**2+a7*t**2  ");
    EXPECT_STREQ(FindModel(13)->m_szLabel, "13. (Forge). Ts=sqrt(3)*A1 * E**A2 * H**A3 * exp(A4/t)   ");
    EXPECT_STREQ(FindModel(18)->m_szLabel,
                 "18. (Gridan) Ts=a1*E**a2*exp(a3/E)*exp(a4*E)*(1+E)**(a5*t)*H**a6*H**(a7*t)*t**a8*exp(a9*t)");
    EXPECT_STREQ(FindModel(19)->m_szLabel, "19. Ts=1/alpha*asinh((Z/A)**(1/n)), Z=H*exp(Q/(R*(t+273.15))), alpha, n, Q, "
                                           "lnA polynomials of E");
    EXPECT_STREQ(FindModel(20)->m_szLabel, "20. (Johnson-Cook) Ts=(A1+A2*E**A3)*(1+A4*ln(H/A6))*(1-((t-A7)/(A8-A7))**A5)");
    EXPECT_EQ(FindModel(21)->m_nFileModel, 19);
    for (int n : {0, -1, 22, 100})
        EXPECT_EQ(FindModel(n), nullptr) << n;
}

TEST(Evaluate, BoundsTheStrainFromBelow) {
    const CMaterial material = MaterialWith(2, {10, 100});
    EXPECT_DOUBLE_EQ(material.Evaluate(0.0, 1000, 1), 10.1);
    EXPECT_DOUBLE_EQ(material.Evaluate(-0.5, 1000, 1), 10.1);
    EXPECT_DOUBLE_EQ(material.Evaluate(0.001, 1000, 1), 10.1);
    EXPECT_DOUBLE_EQ(material.Evaluate(std::nan(""), 1000, 1), 10.1);
    EXPECT_DOUBLE_EQ(material.Evaluate(0.5, 1000, 1), 60.0);
    // The bound holds for the polynomial models too: model 4 at strain 0 is not A1.
    const CMaterial cubic = MaterialWith(4, {1, 1000, 1000, 1000});
    EXPECT_DOUBLE_EQ(cubic.Evaluate(0.0, 0, 0), 1 + 1000 * (0.001 + 0.001 * 0.001 + 0.001 * 0.001 * 0.001));
}

TEST(Evaluate, BoundsTheStrainRateFromBelow) {
    const CMaterial material = MaterialWith(9, {5000, 0.2, 0.12, -0.0025});
    const double dAtBound = material.Evaluate(0.4, 1000, 0.0001);
    EXPECT_DOUBLE_EQ(material.Evaluate(0.4, 1000, 0.0), dAtBound);
    EXPECT_DOUBLE_EQ(material.Evaluate(0.4, 1000, -3.0), dAtBound);
    EXPECT_DOUBLE_EQ(material.Evaluate(0.4, 1000, std::nan("")), dAtBound);
    EXPECT_TRUE(Near(dAtBound, 5000 * std::pow(0.4, 0.2) * std::pow(0.0001, 0.12) * std::exp(-2.5), 1e-13));
    EXPECT_GT(material.Evaluate(0.4, 1000, 0.0002), dAtBound);
}

TEST(Evaluate, GivesA10WithoutAModel) {
    const double aCoef[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 42.5};
    const CLawValue none = EvaluateLaw(0, aCoef, 0.3, 1000, 1);
    EXPECT_EQ(none.m_dStress, 42.5);
    EXPECT_TRUE(none.m_slopes.m_dStrain == 0 && none.m_slopes.m_dRate == 0 && none.m_slopes.m_dTemp == 0);
    EXPECT_EQ(CMaterial().Evaluate(0.3, 1000, 1), 0.0);
    for (int n : {0, -2, 99}) {
        CMaterial material = MaterialWith(n, {1, 2, 3, 4, 5, 6, 7, 8, 9, 42.5});
        EXPECT_EQ(material.Evaluate(0.3, 1000, 1), 42.5) << n;
    }
}

TEST(Evaluate, MultipliesModel13By173AndLeavesPolesUnguarded) {
    const CMaterial forge = MaterialWith(13, {100, 0, 0, 0});
    EXPECT_DOUBLE_EQ(forge.Evaluate(0.5, 1000, 1), 173.0);
    // exp(A4 / t) at t = 0 with A4 > 0 is infinite.
    const CMaterial pole = MaterialWith(13, {100, 0.2, 0.1, 500});
    EXPECT_TRUE(std::isinf(pole.Evaluate(0.5, 0.0, 1)));
    // t^A8 of a negative temperature is not a number.
    const CMaterial gridan = MaterialWith(18, {100, 0.2, -0.01, 0.1, 0.0001, 0.1, 0.0001, 0.5, -0.001});
    EXPECT_TRUE(std::isnan(gridan.Evaluate(0.5, -20.0, 1)));
    EXPECT_TRUE(std::isfinite(gridan.Evaluate(0.5, 20.0, 1)));
}

class LawOfModel : public ::testing::TestWithParam<int> {};

TEST_P(LawOfModel, MatchesTheLawWrittenWithPow) {
    const int nModel = GetParam();
    std::mt19937 rng(1000u + static_cast<unsigned>(nModel));
    std::uniform_real_distribution<double> strain(0.01, 1.2);
    std::uniform_real_distribution<double> logRate(std::log(0.001), std::log(100.0));
    std::uniform_real_distribution<double> temp(700, 1250);
    const CLaw& law = ReferenceLaw(nModel);
    for (int nSet = 0; nSet < 5; ++nSet) {
        const std::vector<double> aCoef = vornel_test::TypicalCoefficients(nModel, rng);
        ASSERT_EQ(aCoef.size(), static_cast<std::size_t>(FindModel(nModel)->m_nCoef));
        CMaterial material;
        material.m_nFunction = nModel;
        material.m_nCoef = static_cast<int>(aCoef.size());
        std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
        material.m_dCoef[static_cast<std::size_t>(aCoef.size())] = 1e6; // beyond K: never read
        for (int nPoint = 0; nPoint < 20; ++nPoint) {
            const double E = strain(rng), H = std::exp(logRate(rng)), t = temp(rng);
            const double dExpected = law(aCoef.data(), E, H, t);
            ASSERT_TRUE(std::isfinite(dExpected));
            EXPECT_TRUE(Near(material.Evaluate(E, t, H), dExpected, 1e-11))
                << "model " << nModel << " at E=" << E << " H=" << H << " t=" << t;
        }
    }
}

// The slopes of every law are the derivatives of Evaluate: its value bit for bit, its
// derivatives against central differences, and 0 with respect to an argument a bound holds.
TEST_P(LawOfModel, SlopesAreTheDerivativesOfEvaluate) {
    const int nModel = GetParam();
    std::mt19937 rng(2000u + static_cast<unsigned>(nModel));
    std::uniform_real_distribution<double> strain(0.002, 1.2);
    std::uniform_real_distribution<double> logRate(std::log(0.0002), std::log(100.0));
    std::uniform_real_distribution<double> temp(700, 1250);
    const std::vector<double> aCoef = vornel_test::TypicalCoefficients(nModel, rng);
    CMaterial material;
    material.m_nFunction = nModel;
    std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
    for (int nPoint = 0; nPoint < 200; ++nPoint) {
        const double E = nPoint % 10 == 0 ? 0.0 : strain(rng);
        const double H = nPoint % 10 == 1 ? 0.00005 : std::exp(logRate(rng));
        const double t = temp(rng);
        const CLawValue value = EvaluateLaw(nModel, material.m_dCoef.data(), E, t, H);
        EXPECT_EQ(value.m_dStress, material.Evaluate(E, t, H));
        const vornel_test::SCentralSlopes central = vornel_test::CentralSlopes(material, E, t, H);
        const double adSlope[3] = {value.m_slopes.m_dStrain, value.m_slopes.m_dRate, value.m_slopes.m_dTemp};
        const double adArg[3] = {E, H, t};
        for (int k = 0; k < 3; ++k) {
            if (central.m_abUsable[k]) {
                EXPECT_TRUE(vornel_test::SlopeNear(adSlope[k], central.m_adSlope[k], value.m_dStress, adArg[k], 1e-6))
                    << "model " << nModel << ", slope " << k << " at E=" << E << " H=" << H << " t=" << t;
            }
        }
        EXPECT_TRUE(E > 0.0 || value.m_slopes.m_dStrain == 0.0);
        EXPECT_TRUE(H >= kEvaluateMinRate || value.m_slopes.m_dRate == 0.0);
        EXPECT_TRUE(nModel > 7 || (value.m_slopes.m_dRate == 0.0 && value.m_slopes.m_dTemp == 0.0));
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, LawOfModel, ::testing::ValuesIn(vornel_test::CatalogueNumbers()),
                         [](const ::testing::TestParamInfo<int>& info) { return "Model" + std::to_string(info.param); });

TEST(Evaluate, UsesHornerForThePolynomialModels) {
    // With every coefficient 1 at E = 0.5 the sums are exact in binary.
    const CMaterial quintic = MaterialWith(6, {1, 1, 1, 1, 1, 1});
    EXPECT_EQ(quintic.Evaluate(0.5, 0, 1), 1.96875);
    const CMaterial model16 = MaterialWith(16, {1, 1, 0, 0, 1, 0, 0, 1, 1});
    EXPECT_EQ(model16.Evaluate(0.5, 1000, 1), 1.9375);
}
