// The laws of the strain alone: power law, polynomials and A1 + A2 E^A3 over the pooled
// points of all curves, checked against exact laws and Eigen's least squares.

#include "EngineState.h"
#include "FitTestSupport.h"
#include "SingleCurveFits.h"
#include "tarnfit/tarnfit.h"

#include <Eigen/Dense>

#include <cmath>
#include <random>
#include <string>

using namespace vornel_test;

namespace {

struct SMember {
    const char* m_szName;
    int (*m_pfnEntry)(void);
    int m_nDegree;   // polynomial degree (0 for A1 + A2 E^A3)
    bool m_bLogPairs; // fitted on (ln E, ln s)
    bool m_bRootPower; // A1 + A2 E^A3
};

const SMember kMembers[] = {
    {"KIVCOOLEXP2", KIVCOOLEXP2, 1, true, false},   {"KIVCOOLPOLY1", KIVCOOLPOLY1, 1, false, false},
    {"KIVCOOLPOLY2", KIVCOOLPOLY2, 2, false, false}, {"KIVCOOLPOLY3", KIVCOOLPOLY3, 3, false, false},
    {"KIVCOOLPOLY4", KIVCOOLPOLY4, 4, false, false}, {"KIVCOOLPOLY5", KIVCOOLPOLY5, 5, false, false},
    {"KIVCOOLPOLY6", KIVCOOLPOLY6, 8, false, false}, {"KIVCOOL3", KIVCOOL3, 0, false, true},
};

int CoefCount(const SMember& m) { return m.m_bRootPower ? 3 : m.m_nDegree + 1; }

double PolyAt(const std::vector<double>& a, double e) {
    double s = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        s += a[k] * std::pow(e, static_cast<double>(k));
    return s;
}

// A material whose stresses depend on the strain alone.
CExchangeData StrainMaterial(double (*pfnLaw)(double E, const std::vector<double>& a), const std::vector<double>& a,
                             int nCurves, int nPoints) {
    const Law law = [pfnLaw, &a](double E, double, double) { return pfnLaw(E, a); };
    return LawMaterial(law, Grid(1, nCurves), nPoints);
}

double Polynomial(double E, const std::vector<double>& a) { return PolyAt(a, E); }

std::string NameOf(const testing::TestParamInfo<SMember>& info) { return info.param.m_szName; }

class AllMembersTest : public ScratchTest, public testing::WithParamInterface<SMember> {};
class DrcurvMembersTest : public ScratchTest, public testing::WithParamInterface<SMember> {};
class PolynomialMembersTest : public ScratchTest, public testing::WithParamInterface<SMember> {};

const SMember kPolynomialMembers[] = {kMembers[1], kMembers[2], kMembers[3], kMembers[4], kMembers[5], kMembers[6]};
const SMember kDrcurvMembers[] = {kMembers[0], kMembers[1], kMembers[2], kMembers[3],
                                  kMembers[4], kMembers[5], kMembers[6]};

} // namespace

// Tests that work in a fresh scratch folder.
class SingleCurveFits : public ScratchTest {};

TEST_F(SingleCurveFits, PowerLawReturnsTheGeneratingCoefficients) {
    const double a = 250.0;
    const double b = 0.21;
    const CExchangeData data = LawMaterial([&](double E, double, double) { return a * std::pow(E, b); }, Grid(2, 2), 30);
    const CExchangeData back = RunOn(data, KIVCOOLEXP2);
    ASSERT_EQ(back.m_aCoef.size(), 2u);
    EXPECT_TRUE(Near(back.m_aCoef[0], a, 1e-12));
    EXPECT_TRUE(Near(back.m_aCoef[1], b, 1e-12));
    // Only the single-precision rounding of strain, stress and fitted stress remains.
    double dLargest = 0;
    for (const CExchangeCurve& curve : back.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints) {
            EXPECT_TRUE(Near(p.m_dFitStress, a * std::pow(p.m_dStrain, b), 3e-7));
            dLargest = std::max(dLargest, p.m_dStress);
        }
    EXPECT_LE(back.m_dErrorMax, 2 * dLargest * std::ldexp(1.0, -23));
    EXPECT_LE(back.m_dErrorSr, back.m_dErrorMax);
}

TEST_F(SingleCurveFits, PowerLawLeavesOutPointsWithoutALogarithm) {
    const double a = 180.0;
    const double b = 0.3;
    CExchangeData data = LawMaterial([&](double E, double, double) { return a * std::pow(E, b); }, Grid(1, 1), 20);
    std::vector<CExchangePoint>& aPoints = data.m_aCurves[0].m_aPoints;
    aPoints[0].m_dStrain = 0.0; // ln 0 is not finite
    aPoints[5].m_dStress = -4.0; // nor is ln of a negative stress
    testing::internal::CaptureStdout();
    const CExchangeData back = RunOn(data, KIVCOOLEXP2);
    const std::string strOut = testing::internal::GetCapturedStdout();
    ASSERT_EQ(back.m_aCoef.size(), 2u);
    EXPECT_TRUE(Near(back.m_aCoef[0], a, 1e-12));
    EXPECT_TRUE(Near(back.m_aCoef[1], b, 1e-12));
    EXPECT_NE(strOut.find("KIVCOOLEXP2: 2 of 20 points"), std::string::npos) << strOut;
    // The points left out still receive the law's stress.
    EXPECT_EQ(back.m_aCurves[0].m_aPoints[0].m_dFitStress, 0.0);
}

// Exact polynomials of the member's degree and of one degree less.
TEST_P(PolynomialMembersTest, ReturnsTheCoefficientsOfAPolynomialOfAtMostItsDegree) {
    const SMember& m = GetParam();
    const std::vector<double> aFull = {120, -35, 240, -180, 90, 60, -40, 25, -12};
    for (int nDegree : {m.m_nDegree, m.m_nDegree - 1}) {
        SCOPED_TRACE("generating degree " + std::to_string(nDegree));
        const std::vector<double> a(aFull.begin(), aFull.begin() + nDegree + 1);
        const CExchangeData back = RunOn(StrainMaterial(Polynomial, a, 3, 30), m.m_pfnEntry);
        ASSERT_EQ(back.m_aCoef.size(), static_cast<std::size_t>(CoefCount(m)));
        for (int k = 0; k <= m.m_nDegree; ++k) {
            const double dExpected = k <= nDegree ? a[static_cast<std::size_t>(k)] : 0.0;
            // Higher powers of strains below 1 are determined less sharply.
            EXPECT_TRUE(Near(back.m_aCoef[static_cast<std::size_t>(k)], dExpected, 1e-9 * std::pow(10.0, 0.5 * k)))
                << "A" << k + 1;
        }
        for (const CExchangeCurve& curve : back.m_aCurves)
            for (const CExchangePoint& p : curve.m_aPoints)
                EXPECT_TRUE(Near(p.m_dFitStress, PolyAt(a, p.m_dStrain), 3e-7));
    }
}

INSTANTIATE_TEST_SUITE_P(Members, PolynomialMembersTest, testing::ValuesIn(kPolynomialMembers), NameOf);

// Noisy pooled points: the coefficients are the least-squares solution that Eigen finds for
// the same (transformed) pairs.
TEST_P(DrcurvMembersTest, MatchesEigenLeastSquaresOnNoisyPooledPoints) {
    const SMember& m = GetParam();
    CExchangeData data = StrainMaterial(Polynomial, {150, 300, -120}, 4, 30);
    AddNoise(data, 4.0, 20240611u);
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    ASSERT_EQ(back.m_aCoef.size(), static_cast<std::size_t>(CoefCount(m)));

    const int n = static_cast<int>(data.TotalPoints());
    const int nCols = m.m_nDegree + 1;
    // Vandermonde matrix in u = (x - c) / r, so that the degree-8 system stays well scaled.
    Eigen::VectorXd x(n), y(n);
    int i = 0;
    for (const CExchangeCurve& curve : data.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints) {
            x(i) = m.m_bLogPairs ? std::log(p.m_dStrain) : p.m_dStrain;
            y(i) = m.m_bLogPairs ? std::log(p.m_dStress) : p.m_dStress;
            ++i;
        }
    const double c = 0.5 * (x.maxCoeff() + x.minCoeff());
    const double r = 0.5 * (x.maxCoeff() - x.minCoeff());
    Eigen::MatrixXd V(n, nCols);
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < nCols; ++col)
            V(row, col) = std::pow((x(row) - c) / r, col);
    const Eigen::VectorXd u = V.colPivHouseholderQr().solve(y);
    // Back to powers of x: sum_j u_j ((x - c) / r)^j.
    std::vector<double> b(static_cast<std::size_t>(nCols), 0.0);
    for (int j = 0; j < nCols; ++j)
        for (int k = 0; k <= j; ++k) {
            double dBinomial = 1;
            for (int q = 0; q < k; ++q)
                dBinomial = dBinomial * (j - q) / (q + 1);
            b[static_cast<std::size_t>(k)] += u(j) * dBinomial * std::pow(-c, j - k) / std::pow(r, j);
        }
    if (m.m_bLogPairs)
        b[0] = std::exp(b[0]);
    const double dScale = *std::max_element(b.begin(), b.end(), [](double p, double q) { return std::fabs(p) < std::fabs(q); });
    for (int k = 0; k < nCols; ++k)
        EXPECT_TRUE(Near(back.m_aCoef[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)], 1e-7 * std::fabs(dScale)))
            << "A" << k + 1;
}

INSTANTIATE_TEST_SUITE_P(Members, DrcurvMembersTest, testing::ValuesIn(kDrcurvMembers), NameOf);

TEST_P(AllMembersTest, ResultDoesNotDependOnTemperatureOrStrainRate) {
    const SMember& m = GetParam();
    CExchangeData data = StrainMaterial(Polynomial, {90, 260, -100}, 2, 30);
    AddNoise(data, 3.0, 77u);
    const CExchangeData first = RunOn(data, m.m_pfnEntry);
    const double aTemp[] = {20.0, 1250.0};
    const double aRate[] = {0.001, 50.0};
    for (std::size_t c = 0; c < 2; ++c)
        for (CExchangePoint& p : data.m_aCurves[c].m_aPoints) {
            p.m_dTemp = aTemp[c];
            p.m_dRate = aRate[c];
            p.m_dTime = p.m_dStrain / p.m_dRate;
        }
    const CExchangeData second = RunOn(data, m.m_pfnEntry);
    ASSERT_EQ(first.m_aCoef.size(), static_cast<std::size_t>(CoefCount(m)));
    EXPECT_EQ(first.m_aCoef, second.m_aCoef);
    EXPECT_EQ(first.m_dErrorSr, second.m_dErrorSr);
    EXPECT_EQ(first.m_dErrorMax, second.m_dErrorMax);
}

TEST_P(AllMembersTest, EmptyTableGivesTheRefusalResult) {
    const SMember& m = GetParam();
    CExchangeData data;
    data.m_nPrepared = 1;
    data.m_nFunction = 5;
    data.m_aCoef = {1.0, 2.0};
    testing::internal::CaptureStdout();
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    const std::string strOut = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(IsRefusal(back));
    EXPECT_EQ(back.m_nFunction, 5);
    EXPECT_NE(strOut.find(std::string(m.m_szName) + ": the exchange file holds no points"), std::string::npos) << strOut;
}

INSTANTIATE_TEST_SUITE_P(Members, AllMembersTest, testing::ValuesIn(kMembers), NameOf);

TEST_P(DrcurvMembersTest, ConstantStrainsGiveTheRefusalResult) {
    const SMember& m = GetParam();
    CExchangeData data = StrainMaterial(Polynomial, {100, 50}, 2, 10);
    for (CExchangeCurve& curve : data.m_aCurves)
        for (CExchangePoint& p : curve.m_aPoints)
            p.m_dStrain = 0.4;
    testing::internal::CaptureStdout();
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    const std::string strOut = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(IsRefusal(back));
    EXPECT_NE(strOut.find(std::string(m.m_szName) + ": the polynomial of degree"), std::string::npos) << strOut;
    // The fitted stresses stay as they were read.
    for (const CExchangeCurve& curve : back.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints)
            EXPECT_EQ(p.m_dFitStress, -1.0);
}

// Five points, two of them off the law by 3 and 4: sum d^2 = 25.
TEST(SingleCurveErrors, ResidualsThreeAndFourAmongFivePoints) {
    for (const tarnfit::CSingleCurveMember& member : tarnfit::SingleCurveMembers()) {
        SCOPED_TRACE(member.m_szName);
        // Strains whose powers up to 8, square roots and the sums are exact in single precision.
        const bool bRoot = member.m_eLaw == tarnfit::ESingleCurveLaw::RootPower;
        const bool bPolynomial = member.m_eLaw == tarnfit::ESingleCurveLaw::Polynomial;
        const double aSquares[] = {0.25, 1.0, 2.25, 4.0, 6.25};
        const double aHalves[] = {0.5, 1.0, 1.5, 2.0, 2.5};
        const double* aE = bPolynomial ? aHalves : aSquares;
        std::vector<double> a;
        if (bRoot)
            a = {10.0, 2.0, 0.5};
        else if (member.m_eLaw == tarnfit::ESingleCurveLaw::Power)
            a = {8.0, 0.5};
        else
            a.assign(static_cast<std::size_t>(member.m_nCoef), 1.0);
        CExchangeData data;
        data.m_nPrepared = 1;
        CExchangeCurve curve;
        for (int j = 0; j < 5; ++j) {
            CExchangePoint p;
            p.m_dStrain = aE[j];
            p.m_dRate = 1.0;
            p.m_dTemp = 1000.0;
            if (bPolynomial)
                p.m_dStress = PolyAt(a, aE[j]);
            else if (bRoot)
                p.m_dStress = a[0] + a[1] * std::sqrt(aE[j]);
            else
                p.m_dStress = a[0] * std::sqrt(aE[j]);
            curve.m_aPoints.push_back(p);
        }
        curve.m_aPoints[1].m_dStress -= 3.0; // fitted - measured = +3
        curve.m_aPoints[3].m_dStress += 4.0; // fitted - measured = -4
        data.m_aCurves.push_back(curve);
        tarnfit::CEngineState state;
        ASSERT_EQ(tarnfit::LoadState(state, data), tarnfit::EReadStatus::Ready);
        tarnfit::StoreSingleCurveResult(state, member, a.data());
        EXPECT_EQ(state.m_nCoef, member.m_nCoef);
        EXPECT_EQ(state.m_dErrorMax, 4.0);
        EXPECT_DOUBLE_EQ(state.m_dErrorSr, bRoot ? std::sqrt(25.0 / 5.0) : 1.0);
        EXPECT_EQ(state.m_aPoints[1].m_ex.m_dFitStress - state.m_aPoints[1].m_ex.m_dStress, 3.0);
    }
}

// Away from A3 = 0.5 the objective adds (0.5 (0.5 - A3) fitted)^2 per point.
TEST(SingleCurveErrors, RootPowerObjectivePenalisesTheExponent) {
    CExchangeData data = StrainMaterial(Polynomial, {70, 200, -50}, 2, 15);
    tarnfit::CEngineState state;
    ASSERT_EQ(tarnfit::LoadState(state, data), tarnfit::EReadStatus::Ready);
    const double a[] = {40.0, 180.0, 0.3};
    double dSquares = 0;
    double dPenalty = 0;
    double dMax = 0;
    for (const CExchangeCurve& curve : data.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints) {
            const double dFitted = a[0] + a[1] * std::pow(p.m_dStrain, a[2]);
            dSquares += (dFitted - p.m_dStress) * (dFitted - p.m_dStress);
            dPenalty += (0.1 * dFitted) * (0.1 * dFitted);
            dMax = std::max(dMax, std::fabs(dFitted - p.m_dStress));
        }
    const tarnfit::CErrorSum sums = tarnfit::RootPowerSums(state, a, false);
    EXPECT_TRUE(Near(sums.m_dSumSq, dSquares + dPenalty, 1e-13));
    EXPECT_TRUE(Near(sums.m_dMax, dMax, 1e-13));
}

TEST_F(SingleCurveFits, RootPowerRecoversASquareRootLaw) {
    const double a1 = 80.0;
    const double a2 = 300.0;
    const CExchangeData data =
        LawMaterial([&](double E, double, double) { return a1 + a2 * std::sqrt(E); }, Grid(2, 2), 30);
    const CExchangeData back = RunOn(data, KIVCOOL3);
    ASSERT_EQ(back.m_aCoef.size(), 3u);
    EXPECT_TRUE(Near(back.m_aCoef[0], a1, 1e-4));
    EXPECT_TRUE(Near(back.m_aCoef[1], a2, 1e-4));
    EXPECT_TRUE(Near(back.m_aCoef[2], 0.5, 1e-5));
    EXPECT_LT(back.m_dErrorMax, 1e-5 * (a1 + a2)); // relative to the largest stress
}

// Prepared curves of records that start with a dwell at strain 0 (their first two points
// at strain 0, the first at half the second's stress, as the preparation makes them): a
// trial exponent below 0 makes 0^A3 infinite there, which the minimiser takes as a failed
// trial, so that every one of these materials gets finite coefficients, errors and stresses.
TEST_F(SingleCurveFits, RootPowerFitsCurvesThatStartAtStrainZero) {
    const Law law = [](double E, double H, double t) {
        return 2900 * std::pow(0.004 + E, 0.18) * std::exp(-0.45 * E) * std::pow(H, 0.11) * std::exp(-0.0028 * t);
    };
    for (unsigned nSeed = 1; nSeed <= 16; ++nSeed) {
        CExchangeData data = LawMaterial(law, Grid(3, 4), 30);
        std::mt19937 rng(nSeed);
        std::normal_distribution<double> noise(0.0, 0.004);
        for (CExchangeCurve& curve : data.m_aCurves) {
            for (std::size_t j = 0; j < curve.m_aPoints.size(); ++j) {
                CExchangePoint& p = curve.m_aPoints[j];
                p.m_dStrain = j < 2 ? 0.0 : 0.0267 * static_cast<double>(j - 1);
                p.m_dStress = law(std::max(p.m_dStrain, 0.0133), p.m_dRate, p.m_dTemp) * (1 + noise(rng));
            }
            curve.m_aPoints[0].m_dStress *= 0.5;
        }
        const CExchangeData back = RunOn(data, KIVCOOL3);
        ASSERT_EQ(back.m_aCoef.size(), 3u) << "seed " << nSeed;
        for (double a : back.m_aCoef)
            EXPECT_TRUE(std::isfinite(a)) << "seed " << nSeed;
        EXPECT_TRUE(std::isfinite(back.m_dErrorSr) && std::isfinite(back.m_dErrorMax)) << "seed " << nSeed;
        for (const CExchangeCurve& curve : back.m_aCurves)
            for (const CExchangePoint& p : curve.m_aPoints)
                ASSERT_TRUE(std::isfinite(p.m_dFitStress)) << "seed " << nSeed;
    }
}

// The stresses and errors written belong to the coefficients written.
TEST_F(SingleCurveFits, RootPowerWritesTheStressesAndErrorsOfItsCoefficients) {
    CExchangeData data = LawMaterial([](double E, double, double) { return 50 + 220 * std::pow(E, 0.3); }, Grid(2, 2), 30);
    AddNoise(data, 2.0, 4242u);
    const CExchangeData back = RunOn(data, KIVCOOL3);
    ASSERT_EQ(back.m_aCoef.size(), 3u);
    const std::vector<double>& a = back.m_aCoef;
    double dSum = 0;
    double dMax = 0;
    int n = 0;
    for (const CExchangeCurve& curve : back.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints) {
            const double dFitted = a[0] + a[1] * std::pow(p.m_dStrain, a[2]);
            EXPECT_TRUE(Near(p.m_dFitStress, dFitted, 1e-14));
            const double d = dFitted - p.m_dStress;
            const double pen = 0.5 * (0.5 - a[2]) * dFitted;
            dSum += d * d + pen * pen;
            dMax = std::max(dMax, std::fabs(d));
            ++n;
        }
    EXPECT_TRUE(Near(back.m_dErrorSr, std::sqrt(dSum / n), 1e-12));
    EXPECT_TRUE(Near(back.m_dErrorMax, dMax, 1e-12));
    // The exponent lies between the data's 0.3 and the preferred 0.5.
    EXPECT_GT(a[2], 0.3);
    EXPECT_LT(a[2], 0.5);
}

// The objective that keeps its powers gives the values of the direct sums along a path of
// exponents like a minimiser's: repeated, close to a reference, far away and back; a strain
// of 0 and a negative strain take the power function at every exponent.
TEST(SingleCurveErrors, KeptPowersGiveTheDirectObjective) {
    CExchangeData data = StrainMaterial(Polynomial, {70, 200, -50}, 3, 20);
    AddNoise(data, 2.0, 99u);
    data.m_aCurves[0].m_aPoints[0].m_dStrain = 0.0;
    tarnfit::CEngineState state;
    ASSERT_EQ(tarnfit::LoadState(state, data), tarnfit::EReadStatus::Ready);
    tarnfit::CRootPowerObjective objective(state);
    const double aPath[] = {0.5, 0.5, 0.5 + 3e-5, 0.5 - 0.004, 0.497, 1.5, 1.503, 0.5, 2.0, 2.0 + 1e-9, 0.0, 0.2, 0.21};
    for (double dExponent : aPath) {
        SCOPED_TRACE(dExponent);
        const double a[] = {40.0, 180.0, dExponent};
        EXPECT_TRUE(Near(objective(a), tarnfit::RootPowerSums(state, a, false).m_dSumSq, 1e-14));
    }

    // (-0.02)^A3 is a number only for whole A3.
    data.m_aCurves[1].m_aPoints[3].m_dStrain = -0.02;
    ASSERT_EQ(tarnfit::LoadState(state, data), tarnfit::EReadStatus::Ready);
    tarnfit::CRootPowerObjective withNegative(state);
    for (double dExponent : {2.0, 3.0, 2.0 + 1e-9}) {
        SCOPED_TRACE(dExponent);
        const double a[] = {40.0, 180.0, dExponent};
        const double dDirect = tarnfit::RootPowerSums(state, a, false).m_dSumSq;
        EXPECT_EQ(std::isnan(dDirect), dExponent != std::floor(dExponent));
        if (std::isnan(dDirect))
            EXPECT_TRUE(std::isnan(withNegative(a)));
        else
            EXPECT_TRUE(Near(withNegative(a), dDirect, 1e-14));
    }
}
