// DRCURV, with Eigen's least squares as an independent oracle.

#include "KernelTestSupport.h"

#include <Eigen/Dense>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

using vornel_test::Captured;
using vornel_test::Contains;
using vornel_test::Count;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class DrcurvTest : public vornel_test::KernelTest {};

struct SFit {
    std::vector<double> b, ssq, stat;
    std::string strOut;
    int nSeverity = 0, nCode = 0;
};

SFit Fit(const std::vector<double>& x, const std::vector<double>& y, int nDeg) {
    SFit f;
    f.b.assign(nDeg + 1, 42.0);
    f.ssq.assign(nDeg + 1, 42.0);
    f.stat.assign(10, 42.0);
    const int nObs = static_cast<int>(x.size());
    f.strOut = Captured([&] { DRCURV(&nObs, x.data(), y.data(), &nDeg, f.b.data(), f.ssq.data(), f.stat.data()); });
    f.nSeverity = TarnfitKernelSeverity();
    f.nCode = TarnfitKernelCode();
    return f;
}

double Horner(const std::vector<double>& b, double x) {
    double v = 0.0;
    for (std::size_t k = b.size(); k-- > 0;)
        v = v * x + b[k];
    return v;
}

const char* const kPerfect = " *** WARNING ERROR 109 from DRCURV.  The degree 2 polynomial fit is a perfect fit within "
                             "machine precision.\n";

TEST_F(DrcurvTest, ThreePointsOfAParabola) {
    const std::vector<double> x = {-1, 0.5, 2};
    std::vector<double> y;
    for (double v : x)
        y.push_back(1 + 2 * v + 3 * v * v);
    const SFit f = Fit(x, y, 2);
    EXPECT_NEAR(f.b[0], 1, 1e-14);
    EXPECT_NEAR(f.b[1], 2, 1e-14);
    EXPECT_NEAR(f.b[2], 3, 1e-14);
    // Three points and degree 2 interpolate: an exact fit, reported at once as an immediate warning.
    EXPECT_EQ(f.strOut, kPerfect);
    EXPECT_EQ(f.nSeverity, 6);
    EXPECT_FALSE(TARNFIT_KERNEL_FAILED(f.nSeverity));
}

TEST_F(DrcurvTest, HigherDegreeThanTheDataAllowFitsDegreeTwoAndZeroesTheRest) {
    const std::vector<double> x = {-1, 0.5, 2};
    std::vector<double> y;
    for (double v : x)
        y.push_back(1 + 2 * v + 3 * v * v);
    const SFit f = Fit(x, y, 4);
    EXPECT_NEAR(f.b[0], 1, 1e-14);
    EXPECT_NEAR(f.b[1], 2, 1e-14);
    EXPECT_NEAR(f.b[2], 3, 1e-14);
    EXPECT_EQ(f.b[3], 0.0);
    EXPECT_EQ(f.b[4], 0.0);
    EXPECT_EQ(f.strOut, " *** WARNING ERROR 108 from DRCURV.  A degree 2 polynomial is fitted.  There are only 3 "
                        "distinct abscissas, so a higher degree polynomial fit cannot be computed.\n"
                        " *** WARNING ERROR 107 from DRCURV.  A perfect fit was obtained with a polynomial of lower "
                        "degree (=2) than NDEG = 4 as requested.\n");
    EXPECT_EQ(f.nSeverity, 3);
    EXPECT_EQ(f.stat[5], 2); // degree fitted
}

TEST_F(DrcurvTest, ExactFitAtALowerDegreeStopsThere) {
    std::vector<double> x, y;
    for (int i = 0; i < 12; ++i) {
        x.push_back(0.25 * i);
        y.push_back(1 + 2 * x.back() + 3 * x.back() * x.back());
    }
    const SFit f = Fit(x, y, 5);
    EXPECT_EQ(f.strOut, " *** WARNING ERROR 107 from DRCURV.  A perfect fit was obtained with a polynomial of lower "
                        "degree (=2) than NDEG = 5 as requested.\n");
    EXPECT_NEAR(f.b[0], 1, 1e-13);
    EXPECT_NEAR(f.b[1], 2, 1e-13);
    EXPECT_NEAR(f.b[2], 3, 1e-13);
    for (int k = 3; k <= 5; ++k) {
        EXPECT_EQ(f.b[k], 0.0);
        EXPECT_EQ(f.ssq[k], 0.0);
    }
}

TEST_F(DrcurvTest, NaNPairIsLeftOutAndCounted) {
    std::vector<double> x = {0, 1, 2, 3, 4, 5}, y = {1.0, 2.9, 9.2, 19.1, 32.8, 51.2};
    const SFit clean = Fit(x, y, 2);
    x.insert(x.begin() + 2, kNaN);
    y.insert(y.begin() + 2, 1000.0);
    x.push_back(7.0);
    y.push_back(kNaN);
    const SFit f = Fit(x, y, 2);
    EXPECT_EQ(f.stat[9], 2);
    EXPECT_EQ(clean.stat[9], 0);
    for (int k = 0; k <= 2; ++k)
        EXPECT_EQ(f.b[k], clean.b[k]);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(f.stat[k], clean.stat[k]) << k;
    EXPECT_EQ(f.strOut, "");
}

TEST_F(DrcurvTest, ConstantOrdinates) {
    const SFit f = Fit({1, 2, 3, 4}, {2.5, 2.5, 2.5, 2.5}, 3);
    EXPECT_EQ(f.b, (std::vector<double>{2.5, 0, 0, 0}));
    EXPECT_EQ(f.strOut, " *** WARNING ERROR 106 from DRCURV.  The y values are constant.  A zero order polynomial is "
                        "fit.  High order coefficients are set to zero.\n");
    EXPECT_EQ(f.nSeverity, 3);
    EXPECT_EQ(f.stat[8], 0.0);
}

TEST_F(DrcurvTest, ShiftingXChangesBOnlyAsTheShiftImplies) {
    std::mt19937 gen(77);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<double> x, y;
    // Binary fractions and power-of-two shifts, so that the shifted abscissas are exact and
    // every difference comes from the computation.
    for (int i = 0; i < 30; ++i) {
        x.push_back(i / 8.0);
        y.push_back(1 - 2 * x.back() + 0.5 * x.back() * x.back() - 0.1 * std::pow(x.back(), 3) + noise(gen));
    }
    const SFit f = Fit(x, y, 3);
    for (double dShift : {1024.0, 16384.0, 131072.0}) {
        std::vector<double> xs = x;
        for (double& v : xs)
            v += dShift;
        const SFit g = Fit(xs, y, 3);
        EXPECT_EQ(g.strOut, "");
        // The same residual and statistics apart from the mean of x.
        EXPECT_NEAR(g.stat[8], f.stat[8], 1e-10);
        EXPECT_NEAR(g.stat[4], f.stat[4], 1e-10);
        EXPECT_NEAR(g.stat[0], f.stat[0] + dShift, 1e-12 * dShift);
        // Power-form coefficients about a far origin are large and cancel; they are compared
        // relative to the size of the terms that make them up.
        for (std::size_t i = 0; i < x.size(); ++i) {
            long double v = 0, scale = 0;
            for (int k = 3; k >= 0; --k) {
                v = v * xs[i] + g.b[k];
                scale = scale * std::fabs(xs[i]) + std::fabs(g.b[k]);
            }
            EXPECT_NEAR(static_cast<double>(v), Horner(f.b, x[i]), 1e-13 * static_cast<double>(scale) + 1e-9);
        }
        // B of the shifted fit is B of the original polynomial expanded about -shift:
        // p(x - d) = sum b_k (x - d)^k.
        for (int j = 0; j <= 3; ++j) {
            long double e = 0, scale = 0;
            for (int k = j; k <= 3; ++k) {
                const double binom = std::tgamma(k + 1.0) / (std::tgamma(j + 1.0) * std::tgamma(k - j + 1.0));
                e += static_cast<long double>(f.b[k]) * binom * std::pow(static_cast<long double>(-dShift), k - j);
                scale += std::fabs(f.b[k]) * binom * std::pow(dShift, k - j);
            }
            EXPECT_NEAR(g.b[j], static_cast<double>(e), 1e-12 * static_cast<double>(scale)) << j << " shift " << dShift;
        }
    }
}

TEST_F(DrcurvTest, NoisyDataAgreeWithEigenAndTheStatisticsHold) {
    std::mt19937 gen(4242);
    std::uniform_real_distribution<double> uni(0.0, 0.6);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (int nDeg = 0; nDeg <= 8; ++nDeg) {
        std::vector<double> x, y;
        for (int i = 0; i < 30; ++i) {
            const double e = uni(gen);
            x.push_back(e);
            y.push_back(100 + 400 * std::sqrt(e) - 80 * e + noise(gen)); // a flow curve
        }
        const SFit f = Fit(x, y, nDeg);
        EXPECT_EQ(f.strOut, "") << nDeg;
        const int n = 30;
        const double c = 0.3;
        Eigen::MatrixXd v(n, nDeg + 1);
        Eigen::VectorXd ye(n);
        for (int i = 0; i < n; ++i) {
            ye(i) = y[i];
            for (int k = 0; k <= nDeg; ++k)
                v(i, k) = std::pow(x[i] - c, k);
        }
        const Eigen::VectorXd coef = v.colPivHouseholderQr().solve(ye);
        const Eigen::VectorXd fitted = v * coef;
        const double dSse = (ye - fitted).squaredNorm();
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(Horner(f.b, x[i]), fitted(i), 1e-9 * std::fabs(fitted(i))) << nDeg;
        double mx = 0, my = 0, sxx = 0, syy = 0, sy2 = 0;
        for (int i = 0; i < n; ++i) {
            mx += x[i] / n;
            my += y[i] / n;
            sy2 += y[i] * y[i];
        }
        for (int i = 0; i < n; ++i) {
            sxx += (x[i] - mx) * (x[i] - mx);
            syy += (y[i] - my) * (y[i] - my);
        }
        EXPECT_NEAR(f.stat[0], mx, 1e-14);
        EXPECT_NEAR(f.stat[1], my, 1e-12);
        EXPECT_NEAR(f.stat[2], sxx / (n - 1), 1e-14);
        EXPECT_NEAR(f.stat[3], syy / (n - 1), 1e-9);
        EXPECT_NEAR(f.stat[4], 100 * (1 - dSse / syy), 1e-8);
        EXPECT_EQ(f.stat[5], nDeg);
        EXPECT_NEAR(f.stat[6], syy - dSse, 1e-8 * syy);
        EXPECT_EQ(f.stat[7], n - nDeg - 1);
        EXPECT_NEAR(f.stat[8], dSse, 1e-8 * dSse);
        EXPECT_EQ(f.stat[9], 0);
        double dSsq = 0;
        for (double s : f.ssq)
            dSsq += s;
        EXPECT_NEAR(dSsq, sy2 - dSse, 1e-10 * sy2) << nDeg;
        EXPECT_NEAR(f.ssq[0], n * my * my, 1e-10 * n * my * my);
    }
}

TEST_F(DrcurvTest, TooFewDistinctAbscissasWithRepeatedPoints) {
    const SFit f = Fit({1, 1, 2, 2, 3, 3}, {1, 2, 3, 5, 4, 7}, 3);
    EXPECT_EQ(f.strOut, " *** WARNING ERROR 108 from DRCURV.  A degree 2 polynomial is fitted.  There are only 3 "
                        "distinct abscissas, so a higher degree polynomial fit cannot be computed.\n");
    EXPECT_EQ(f.b[3], 0.0);
    // Degree 2 through the three means (1.5, 4, 5.5).
    EXPECT_NEAR(Horner(f.b, 1), 1.5, 1e-13);
    EXPECT_NEAR(Horner(f.b, 2), 4.0, 1e-13);
    EXPECT_NEAR(Horner(f.b, 3), 5.5, 1e-13);
}

TEST_F(DrcurvTest, FatalAndTerminalConditionsLeaveTheOutputs) {
    struct SCase {
        std::vector<double> x, y;
        int nDeg, nSeverity, nCode;
        const char* pszLine;
    };
    const std::vector<SCase> cases = {
        {{kNaN, 1}, {1, kNaN}, 1, 4, 104,
         " *** FATAL ERROR 104 from DRCURV.  There are no valid data points.  Each (x,y) pair contains NaN (not a "
         "number).\n"},
        {{2, 2, 2}, {1, 2, 3}, 1, 4, 105,
         " *** FATAL ERROR 105 from DRCURV.  The x values are constant.  At least two distinct x values are needed.\n"},
        {{5}, {1}, 0, 4, 105,
         " *** FATAL ERROR 105 from DRCURV.  The x values are constant.  At least two distinct x values are needed.\n"},
        {{}, {}, 1, 5, 101,
         " *** TERMINAL ERROR 101 from DRCURV.  The number of observations must be at least 1 while NOBS = 0 is "
         "given.\n"},
        {{1, 2}, {1, 2}, -1, 5, 102,
         " *** TERMINAL ERROR 102 from DRCURV.  NDEG = -1.  The degree of the polynomial to be fit must be greater "
         "than or equal to 0.\n"},
    };
    for (const SCase& c : cases) {
        const int nDeg = c.nDeg;
        std::vector<double> b(3, 42.0), ssq(3, 42.0), stat(10, 42.0);
        const int nObs = static_cast<int>(c.x.size());
        const std::string str =
            Captured([&] { DRCURV(&nObs, c.x.data(), c.y.data(), &nDeg, b.data(), ssq.data(), stat.data()); });
        EXPECT_EQ(str, c.pszLine);
        EXPECT_EQ(TarnfitKernelSeverity(), c.nSeverity);
        EXPECT_EQ(TarnfitKernelCode(), c.nCode);
        EXPECT_EQ(b, std::vector<double>(3, 42.0));
        EXPECT_EQ(stat, std::vector<double>(10, 42.0));
    }
}

TEST_F(DrcurvTest, LargeDegreeWithLittleData) {
    // NDEG far above NOBS must neither allocate accordingly nor fail.
    const SFit f = Fit({0, 1, 2, 3}, {1, 0, 4, 2}, 40);
    EXPECT_EQ(f.stat[5], 3);
    for (int k = 4; k <= 40; ++k)
        EXPECT_EQ(f.b[k], 0.0);
    EXPECT_NEAR(Horner(f.b, 2.0), 4.0, 1e-12);
    EXPECT_EQ(Count(f.strOut, "WARNING"), 2);
}

} // namespace
