// The laws fitted over all curves: log-linear and linear regressions and the hot-deformation
// normal equations, checked against data generated exactly from each law.

#include "FitCommon.h"
#include "FitTestSupport.h"
#include "tarnfit/tarnfit.h"

#include <Eigen/Dense>

#include <cmath>
#include <cstring>

using namespace vornel_test;

namespace {

// Laws restated independently of the engine, with std::pow.
using Coefs = std::vector<double>;
using LawOf = double (*)(const Coefs& a, double E, double H, double t);

struct SMember {
    const char* m_szName;
    int (*m_pfnEntry)(void);
    Coefs m_a;          // generating coefficients A1..An
    LawOf m_pfnLaw;
    int m_nMinCurves;
    bool m_bRootMean;   // ErrorSr = sqrt(sum d^2 / N) instead of sqrt(sum d^2) / N
    bool m_bSingleSigma; // deviations against the measured stress in single precision
    bool m_bHot;        // weighted normal equations
    bool m_bLogOfRate;  // the law takes ln H
};

double Poly(const Coefs& a, double E, double H, double t) {
    // a1 + a2 E + a3 H + a4 t + a5 E^2 + a6 H^2 + a7 t^2 + a8 E^3 + a9 E^4 + a10 E^5
    double s = a[0] + a[1] * E + a[2] * H + a[3] * t + a[4] * E * E + a[5] * H * H + a[6] * t * t;
    for (std::size_t k = 7; k < a.size(); ++k)
        s += a[k] * std::pow(E, static_cast<double>(k - 4));
    return s;
}

const SMember kMembers[] = {
    {"KIVHENZSPITTMNK", KIVHENZSPITTMNK, {5000, 0.2, 0.12, -0.0025},
     [](const Coefs& a, double E, double H, double t) { return a[0] * std::pow(E, a[1]) * std::pow(H, a[2]) * std::exp(a[3] * t); },
     4, true, true, false, true},
    {"KIVSENDARMNK", KIVSENDARMNK, {4000, 0.25, -0.3, 0.1, -0.0022},
     [](const Coefs& a, double E, double H, double t) {
         return a[0] * std::pow(E, a[1]) * std::exp(a[2] * E) * std::pow(H, a[3]) * std::exp(a[4] * t);
     },
     4, false, true, false, true},
    {"KIVLINEHOT___", KIVLINEHOT___, {300, 120, 2.5, -0.2},
     [](const Coefs& a, double E, double H, double t) { return a[0] + a[1] * E + a[2] * H + a[3] * t; },
     4, false, true, false, false},
    {"KIVFORGEMNK", KIVFORGEMNK, {0.05, 0.2, 0.12, 9000},
     [](const Coefs& a, double E, double H, double t) { return 1.73 * a[0] * std::pow(E, a[1]) * std::pow(H, a[2]) * std::exp(a[3] / t); },
     4, true, true, false, true},
    {"KIVHOTPRAVEL1", KIVHOTPRAVEL1, {400, 150, 3, -0.25, 1.5, -0.05, -0.001, -80, -0.02, 0.00005},
     [](const Coefs& a, double E, double H, double t) {
         return a[0] + a[1] * E + a[2] * H + a[3] * t + a[4] * E * H + a[5] * E * t + a[6] * t * H + a[7] * E * E +
                a[8] * H * H + a[9] * t * t;
     },
     9, false, false, true, false},
    {"KIVHOTHALVEK1", KIVHOTHALVEK1, {400, 150, 3, -0.25, -80, -0.02, 0.00005}, Poly, 5, false, false, true, false},
    {"KIVHOTHALVEK2", KIVHOTHALVEK2, {300, 120, 2.5, -0.2, 0.0004},
     [](const Coefs& a, double E, double H, double t) { return a[0] + a[1] * E + a[2] * H + a[3] * t + a[4] * E * H * t; },
     5, false, false, true, false},
    {"KIVHOTHALVEK3", KIVHOTHALVEK3, {400, 150, 3, -0.25, -80, -0.02, 0.00005, 30}, Poly, 5, false, false, true, false},
    {"KIVHOTHALVEK4", KIVHOTHALVEK4, {400, 150, 3, -0.25, -80, -0.02, 0.00005, 30, -10}, Poly, 5, false, false, true, false},
    {"KIVHOTHALVEK6", KIVHOTHALVEK6, {400, 150, 3, -0.25, -80, -0.02, 0.00005, 30, -10, 4}, Poly, 6, false, false, true, false},
    {"KIVHOTHALVEK5", KIVHOTHALVEK5, {3000, 0.3, -0.0001, 0.002, -0.4, 0.05, 0.00005, -0.002},
     [](const Coefs& a, double E, double H, double t) {
         return a[0] * std::pow(E, a[1] + a[2] * t + a[3] * H) * std::exp(a[4] * E) * std::pow(H, a[5] + a[6] * t) *
                std::exp(a[7] * t);
     },
     5, false, false, true, true},
    {"KIVHOTGRIDAN", KIVHOTGRIDAN, {2000, 0.25, 0.0003, -0.05, -0.0004, -0.08, 0.0002, 0.3, -0.003},
     [](const Coefs& a, double E, double H, double t) {
         const double e = std::max(E, static_cast<double>(0.001f));
         return a[0] * std::pow(e, a[1]) * std::exp(a[2] / e) * std::exp(a[3] * e) * std::pow(1 + e, a[4] * t) *
                std::pow(H, a[5]) * std::pow(H, a[6] * t) * std::pow(t, a[7]) * std::exp(a[8] * t);
     },
     5, false, false, true, true},
};

// Conditions spread over temperature and strain rate; any prefix of five or more varies both
// with three levels or more.
const std::vector<SCondition> kScatter = {
    {850, 0.05}, {940, 0.7}, {1010, 3.0}, {1120, 11.0}, {1190, 0.7}, {850, 3.0},
    {940, 11.0}, {1010, 0.05}, {1120, 0.7}, {1260, 25}, {1190, 3.0}, {940, 0.05},
};

// The same pattern over a wider temperature range, so that ln t and t stay distinguishable
// with as few as five curves.
const std::vector<SCondition> kWideScatter = {
    {300, 0.05}, {650, 0.7}, {900, 3.0}, {1200, 11.0}, {1500, 0.7}, {300, 3.0},
    {650, 11.0}, {900, 0.05}, {1200, 0.7}, {1600, 25}, {1500, 3.0}, {650, 0.05},
};

std::vector<SCondition> FirstConditions(int n) {
    return std::vector<SCondition>(kWideScatter.begin(), kWideScatter.begin() + n);
}

Law LawFor(const SMember& m) {
    return [m](double E, double H, double t) { return m.m_pfnLaw(m.m_a, E, H, t); };
}

void PrintTo(const SMember& p, std::ostream* os) { *os << p.m_szName; }

class MemberFit : public ScratchTest, public ::testing::WithParamInterface<SMember> {};

std::string NameOf(const ::testing::TestParamInfo<SMember>& info) {
    std::string s = info.param.m_szName;
    std::replace(s.begin(), s.end(), '_', 'u');
    return s;
}

} // namespace

TEST_P(MemberFit, RecoversTheGeneratingCoefficients) {
    const SMember& m = GetParam();
    const CExchangeData data = LawMaterial(LawFor(m), kScatter);
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    ASSERT_EQ(back.m_aCoef.size(), m.m_a.size()) << "refused";
    for (std::size_t k = 0; k < m.m_a.size(); ++k)
        EXPECT_TRUE(Near(back.m_aCoef[k], m.m_a[k], 1e-6)) << "A" << k + 1;
    // Errors near 0: only rounding remains, in single precision where the member evaluates so.
    double dLargest = 0;
    for (const CExchangeCurve& curve : data.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints)
            dLargest = std::max(dLargest, std::fabs(p.m_dStress));
    EXPECT_LT(back.m_dErrorMax, 1e-6 * dLargest);
    EXPECT_LT(back.m_dErrorSr, 1e-6 * dLargest);
    EXPECT_EQ(back.m_nFunction, 9);
    for (const CExchangeCurve& curve : back.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints)
            EXPECT_TRUE(Near(p.m_dFitStress, p.m_dStress, 1e-6));
}

// The refusal and its reason line, which goes to standard output when no sink is set.
void ExpectRefusalSaying(const CExchangeData& data, const SMember& m, const std::string& strReason) {
    ::testing::internal::CaptureStdout();
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    const std::string strOut = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(IsRefusal(back));
    EXPECT_EQ(strOut, std::string(m.m_szName) + ": " + strReason + "; the fit is refused\n");
}

TEST_P(MemberFit, NeedsItsNumberOfCurves) {
    const SMember& m = GetParam();
    ExpectRefusalSaying(LawMaterial(LawFor(m), FirstConditions(m.m_nMinCurves - 1)), m,
                        "the exchange file holds " + std::to_string(m.m_nMinCurves - 1) +
                            " curves; the law needs at least " + std::to_string(m.m_nMinCurves));
    const CExchangeData back = RunOn(LawMaterial(LawFor(m), FirstConditions(m.m_nMinCurves)), m.m_pfnEntry);
    EXPECT_EQ(back.m_aCoef.size(), m.m_a.size());
}

TEST_P(MemberFit, RefusesOneTemperatureOneRateAndAnEmptyTable) {
    const SMember& m = GetParam();
    std::vector<SCondition> aOneTemp = kScatter;
    for (SCondition& c : aOneTemp)
        c.m_dTemp = 1000;
    std::vector<SCondition> aOneRate = kScatter;
    for (SCondition& c : aOneRate)
        c.m_dRate = 1.0;
    ExpectRefusalSaying(LawMaterial(LawFor(m), aOneTemp), m,
                        "the temperatures of the points span 0 deg C; the law needs a spread of at least 0.1 deg C");
    ExpectRefusalSaying(LawMaterial(LawFor(m), aOneRate), m,
                        "the strain rates of the points span 0 1/s; the law needs a spread of at least 1e-05 1/s");
    for (const auto& aConditions : {aOneTemp, aOneRate}) {
        const CExchangeData back = RunOn(LawMaterial(LawFor(m), aConditions), m.m_pfnEntry);
        // the fitted stresses stay as they were read
        for (const CExchangeCurve& curve : back.m_aCurves)
            for (const CExchangePoint& p : curve.m_aPoints)
                EXPECT_EQ(p.m_dFitStress, -1.0);
    }
    CExchangeData empty;
    empty.m_nPrepared = 1;
    empty.m_aCoef = {1, 2, 3};
    ExpectRefusalSaying(empty, m, "the exchange file holds no points");
}

// ErrorSr and ErrorMax follow from the written fitted stresses by the member's own formula,
// whatever error values the file held before.
TEST_P(MemberFit, ErrorValuesFollowFromTheFittedStresses) {
    const SMember& m = GetParam();
    CExchangeData data = LawMaterial(LawFor(m), kScatter);
    AddNoise(data, 4.0, 11);
    data.m_dErrorSr = 1e9;
    data.m_dErrorMax = 1e9;
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    ASSERT_FALSE(back.m_aCoef.empty());
    double dSum = 0;
    double dMax = 0;
    std::size_t n = 0;
    for (const CExchangeCurve& curve : back.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints) {
            const double dMeasured = m.m_bSingleSigma ? static_cast<double>(static_cast<float>(p.m_dStress)) : p.m_dStress;
            const double d = p.m_dFitStress - dMeasured;
            dSum += d * d;
            dMax = std::max(dMax, std::fabs(d));
            ++n;
        }
    const double dExpectedSr = m.m_bRootMean ? std::sqrt(dSum / n) : std::sqrt(dSum) / n;
    EXPECT_TRUE(Near(back.m_dErrorSr, dExpectedSr, 1e-12));
    EXPECT_TRUE(Near(back.m_dErrorMax, dMax, 1e-12));
    EXPECT_GT(back.m_dErrorMax, 1.0);
}

TEST_P(MemberFit, ZeroStrainRateIsRefusedWhereTheLawTakesItsLogarithm) {
    const SMember& m = GetParam();
    std::vector<SCondition> aConditions = kScatter;
    aConditions[3].m_dRate = 0.0;
    CExchangeData data = LawMaterial([](double E, double, double) { return 100 + 50 * E; }, aConditions);
    ::testing::internal::CaptureStdout();
    const CExchangeData back = RunOn(data, m.m_pfnEntry);
    const std::string strOut = ::testing::internal::GetCapturedStdout();
    if (m.m_bLogOfRate) {
        EXPECT_TRUE(IsRefusal(back));
        EXPECT_NE(strOut.find(std::string(m.m_szName) + ": the strain rate of point 37 is 0"), std::string::npos) << strOut;
    } else {
        EXPECT_FALSE(IsRefusal(back)) << strOut;
    }
}

INSTANTIATE_TEST_SUITE_P(Members, MemberFit, ::testing::ValuesIn(kMembers), NameOf);

TEST(StoreResult, RefusesMoreCoefficientsThanTheEngineHolds) {
    tarnfit::CEngineState state;
    const std::vector<double> a(tarnfit::kMaxCoef + 1, 2.0);
    ::testing::internal::CaptureStdout();
    tarnfit::StoreResult(state, a.data(), tarnfit::kMaxCoef + 1, tarnfit::CErrorSum{}, tarnfit::EErrorSr::RootMeanSquare);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("57 coefficients"), std::string::npos);
    EXPECT_EQ(state.m_nCoef, 0);
    EXPECT_EQ(state.m_dErrorMax, kRefusalError);
    EXPECT_EQ(state.m_dA[0], 0.0);
}

TEST(ErrorSum, RootMeanSquareAndRootSumOverCount) {
    tarnfit::CErrorSum errors;
    for (double d : {3.0, -4.0, 0.0, 0.0, 0.0})
        errors.Add(d);
    EXPECT_DOUBLE_EQ(errors.ErrorSr(tarnfit::EErrorSr::RootMeanSquare, 5), std::sqrt(5.0));
    EXPECT_DOUBLE_EQ(errors.ErrorSr(tarnfit::EErrorSr::RootSumOverCount, 5), 1.0);
    EXPECT_EQ(errors.m_dMax, 4.0);
}

class HotMemberFit : public ScratchTest, public ::testing::WithParamInterface<SMember> {};

// Every curve carries the same total weight: a curve whose points are each repeated four
// times (40 points instead of 10) gives the same coefficients. The error values stay
// unweighted: they count every point once.
TEST_P(HotMemberFit, CurvesOfTenAndFortyPointsWeighEqually) {
    const SMember& m = GetParam();
    CExchangeData data = LawMaterial(LawFor(m), kScatter, 10);
    AddNoise(data, 5.0, 3);
    const CExchangeData once = RunOn(data, m.m_pfnEntry);
    CExchangeData repeated = data;
    std::vector<CExchangePoint> aFour;
    for (const CExchangePoint& p : data.m_aCurves[2].m_aPoints)
        for (int r = 0; r < 4; ++r)
            aFour.push_back(p);
    repeated.m_aCurves[2].m_aPoints = aFour;
    const CExchangeData four = RunOn(repeated, m.m_pfnEntry);
    ASSERT_EQ(once.m_aCoef.size(), m.m_a.size());
    ASSERT_EQ(four.m_aCoef.size(), m.m_a.size());
    for (std::size_t k = 0; k < m.m_a.size(); ++k)
        EXPECT_TRUE(Near(four.m_aCoef[k], once.m_aCoef[k], 1e-7 * std::max(1.0, std::fabs(once.m_aCoef[0])))) << "A" << k + 1;

    double dSum = 0;
    for (const CExchangeCurve& curve : four.m_aCurves)
        for (const CExchangePoint& p : curve.m_aPoints)
            dSum += (p.m_dFitStress - p.m_dStress) * (p.m_dFitStress - p.m_dStress);
    EXPECT_TRUE(Near(four.m_dErrorSr, std::sqrt(dSum) / four.TotalPoints(), 1e-12));
}

// With the first point at 0 deg C the temperature scale falls back to the largest
// temperature; the coefficients still come out in raw-temperature units.
class ScaledHotMemberFit : public ScratchTest, public ::testing::WithParamInterface<SMember> {};

TEST_P(ScaledHotMemberFit, FirstTemperatureZeroStillScales) {
    const SMember& m = GetParam();
    std::vector<SCondition> aConditions = kScatter;
    for (SCondition& c : aConditions)
        c.m_dTemp -= 850; // the first curve is at 0
    const CExchangeData back = RunOn(LawMaterial(LawFor(m), aConditions), m.m_pfnEntry);
    ASSERT_EQ(back.m_aCoef.size(), m.m_a.size());
    for (std::size_t k = 0; k < m.m_a.size(); ++k)
        EXPECT_TRUE(Near(back.m_aCoef[k], m.m_a[k], 1e-6)) << "A" << k + 1;
}

INSTANTIATE_TEST_SUITE_P(Members, HotMemberFit, ::testing::ValuesIn(kMembers + 4, kMembers + 12), NameOf);
// All hot members but KIVHOTGRIDAN, which uses raw temperatures (and their logarithm).
INSTANTIATE_TEST_SUITE_P(Members, ScaledHotMemberFit, ::testing::ValuesIn(kMembers + 4, kMembers + 11), NameOf);

// Tests that work in a fresh scratch folder.
class RegressionFits : public ScratchTest {};

TEST_F(RegressionFits, HenselSpittelBoundsStrainAndStressInTheRegressionOnly) {
    const SMember& m = kMembers[0];
    CExchangeData data = LawMaterial(LawFor(m), kScatter);
    data.m_aCurves[0].m_aPoints[0].m_dStrain = 0.0;  // regressor ln 0.001, fitted stress 0
    data.m_aCurves[1].m_aPoints[0].m_dStress = 0.05; // target ln 0.1, deviation from 0.05
    const CExchangeData back = RunOn(data, KIVHENZSPITTMNK);
    ASSERT_EQ(back.m_aCoef.size(), 4u);
    EXPECT_GT(back.m_aCoef[1], 0.0);
    EXPECT_EQ(back.m_aCurves[0].m_aPoints[0].m_dFitStress, 0.0);
    const CExchangePoint& p = back.m_aCurves[1].m_aPoints[0];
    EXPECT_GE(back.m_dErrorMax, std::fabs(p.m_dFitStress - static_cast<double>(0.05f)));
}

// Every member that takes the logarithm of the strain takes it of max(E, 0.001), so a
// strain of 0 (the first prepared point after a dwell) does not refuse the material. The
// oracle: Eigen's least squares on the member's regressors in raw units with ln max(E,
// 0.001) (the curves have equal point counts, so the hot member's weights are equal). The
// fitted stress at the point is the law at the stored strain, 0 for a positive exponent.
TEST_F(RegressionFits, LogLawsTakeTheStrainAtLeastOneThousandth) {
    struct SOracle {
        std::size_t m_nMember;
        std::vector<double> (*m_pfnRow)(double lnE, double E, double H, double t);
        double m_dA1Factor; // the law's constant factor in front of A1
        double m_dMinStress; // target ln max(s, m_dMinStress)
    };
    const SOracle aOracles[] = {
        {0, [](double lnE, double, double H, double t) { return std::vector<double>{1, lnE, std::log(H), t}; }, 1.0,
         static_cast<double>(0.1f)},
        {1, [](double lnE, double E, double H, double t) { return std::vector<double>{1, lnE, E, std::log(H), t}; },
         1.0, 0.0},
        {3, [](double lnE, double, double H, double t) { return std::vector<double>{1, lnE, std::log(H), 1 / t}; },
         1.73, static_cast<double>(0.1f)},
        {10,
         [](double lnE, double E, double H, double t) {
             return std::vector<double>{1, lnE, t * lnE, H * lnE, E, std::log(H), t * std::log(H), t};
         },
         1.0, 0.0},
    };
    for (const SOracle& o : aOracles) {
        const SMember& m = kMembers[o.m_nMember];
        CExchangeData data = LawMaterial(LawFor(m), kScatter);
        AddNoise(data, 0.5, 17);
        data.m_aCurves[2].m_aPoints[0].m_dStrain = 0.0;
        const CExchangeData back = RunOn(data, m.m_pfnEntry);
        ASSERT_EQ(back.m_aCoef.size(), m.m_a.size()) << m.m_szName << " refused a strain of 0";
        EXPECT_EQ(back.m_aCurves[2].m_aPoints[0].m_dFitStress, 0.0) << m.m_szName;

        const auto nRows = static_cast<Eigen::Index>(data.TotalPoints());
        const auto nCols = static_cast<Eigen::Index>(m.m_a.size());
        Eigen::MatrixXd X(nRows, nCols);
        Eigen::VectorXd y(nRows);
        Eigen::Index r = 0;
        for (const CExchangeCurve& curve : data.m_aCurves)
            for (const CExchangePoint& p : curve.m_aPoints) {
                const double lnE = std::log(std::max(p.m_dStrain, static_cast<double>(0.001f)));
                const std::vector<double> aRow = o.m_pfnRow(lnE, p.m_dStrain, p.m_dRate, p.m_dTemp);
                for (Eigen::Index c = 0; c < nCols; ++c)
                    X(r, c) = aRow[static_cast<std::size_t>(c)];
                y(r++) = std::log(std::max(p.m_dStress, o.m_dMinStress));
            }
        const Eigen::VectorXd b = X.colPivHouseholderQr().solve(y);
        EXPECT_TRUE(Near(back.m_aCoef[0], std::exp(b(0)) / o.m_dA1Factor, 1e-8)) << m.m_szName << " A1";
        for (Eigen::Index k = 1; k < nCols; ++k)
            EXPECT_TRUE(Near(back.m_aCoef[static_cast<std::size_t>(k)], b(k), 1e-8)) << m.m_szName << " A" << k + 1;
    }
}

TEST_F(RegressionFits, GridanUsesOneHundredthInTheFitAndOneThousandthInTheFittedStress) {
    const SMember& m = kMembers[11];
    CExchangeData data = LawMaterial(LawFor(m), kScatter);
    data.m_aCurves[4].m_aPoints[0].m_dStrain = 0.0;
    const CExchangeData back = RunOn(data, KIVHOTGRIDAN);
    ASSERT_EQ(back.m_aCoef.size(), 9u);
    const CExchangePoint& p = back.m_aCurves[4].m_aPoints[0];
    EXPECT_TRUE(Near(p.m_dFitStress, m.m_pfnLaw(back.m_aCoef, 0.001, p.m_dRate, p.m_dTemp), 1e-12));

    // The same data with that strain set to 0.01 gives the same normal equations.
    CExchangeData hundredth = data;
    hundredth.m_aCurves[4].m_aPoints[0].m_dStrain = static_cast<double>(0.01f);
    const CExchangeData same = RunOn(hundredth, KIVHOTGRIDAN);
    for (std::size_t k = 0; k < 9; ++k)
        EXPECT_EQ(same.m_aCoef[k], back.m_aCoef[k]);
}

TEST_F(RegressionFits, LogarithmGuardsNameTheQuantity) {
    struct SCase {
        int (*m_pfnEntry)(void);
        const char* m_szExpected;
        void (*m_pfnSpoil)(CExchangePoint&);
    };
    const SCase aCases[] = {
        {KIVSENDARMNK, "KIVSENDARMNK: the measured stress of point 1 is -2", [](CExchangePoint& p) { p.m_dStress = -2; }},
        {KIVHOTHALVEK5, "KIVHOTHALVEK5: the strain rate of point 1 is 0", [](CExchangePoint& p) { p.m_dRate = 0; }},
        {KIVHOTGRIDAN, "KIVHOTGRIDAN: the temperature of point 1 is -5", [](CExchangePoint& p) { p.m_dTemp = -5; }},
        {KIVHOTGRIDAN, "KIVHOTGRIDAN: the measured stress of point 1 is nan",
         [](CExchangePoint& p) { p.m_dStress = std::nan(""); }},
        {KIVFORGEMNK, "KIVFORGEMNK: the temperature of point 1 is 0", [](CExchangePoint& p) { p.m_dTemp = 0; }},
    };
    for (const SCase& c : aCases) {
        CExchangeData data = LawMaterial(LawFor(kMembers[0]), kScatter);
        c.m_pfnSpoil(data.m_aCurves[0].m_aPoints[0]);
        ::testing::internal::CaptureStdout();
        const CExchangeData back = RunOn(data, c.m_pfnEntry);
        const std::string strOut = ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(IsRefusal(back));
        EXPECT_NE(strOut.find(c.m_szExpected), std::string::npos) << strOut;
    }
}

TEST_F(RegressionFits, RawCurvesArePreparedBeforeTheFit) {
    // Raw records of 200 samples with a dwell and a tail: the fit sees 30 points per curve.
    CExchangeData data = LawMaterial(LawFor(kMembers[0]), kScatter, 200);
    data.m_nPrepared = 0;
    for (CExchangeCurve& curve : data.m_aCurves)
        for (std::size_t j = 0; j < curve.m_aPoints.size(); ++j) {
            CExchangePoint& p = curve.m_aPoints[j];
            p.m_dStrain = j < 10 ? 0.0 : std::min(0.8, 0.8 * static_cast<double>(j - 10) / 170);
            p.m_dStress = 100 + 80 * p.m_dStrain;
        }
    const CExchangeData back = RunOn(data, KIVHENZSPITTMNK);
    EXPECT_EQ(back.m_nPrepared, 1);
    EXPECT_EQ(back.TotalPoints(), 30 * 12);
    EXPECT_EQ(back.m_aCoef.size(), 4u);
}
