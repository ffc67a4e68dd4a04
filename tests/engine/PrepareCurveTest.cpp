// Curve preparation: Savitzky-Golay weights, LU solve and local interpolation against
// independent oracles; trimming, smoothing and resampling on records with known answers.

#include "PrepareCurve.h"
#include "TestSupport.h"

#include <Eigen/Dense>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace tarnfit;
using vornel_test::Near;

namespace {

// Savitzky-Golay weights from the least-squares problem itself: the first row of the
// pseudo-inverse of the Vandermonde matrix of the offsets.
std::vector<double> OracleWeights(int nl, int nr, int nOrder) {
    const int np = nl + nr + 1;
    Eigen::MatrixXd V(np, nOrder + 1);
    for (int o = -nl; o <= nr; ++o)
        for (int k = 0; k <= nOrder; ++k)
            V(o + nl, k) = std::pow(static_cast<double>(o), k);
    const Eigen::MatrixXd pinv = V.completeOrthogonalDecomposition().pseudoInverse();
    std::vector<double> c(static_cast<std::size_t>(np));
    for (int i = 0; i < np; ++i)
        c[static_cast<std::size_t>(i)] = pinv(0, i);
    return c;
}

// A raw record: nFlat samples at strain 0, then a rise of nRise samples h, 2h, .., then
// nTail samples at the largest strain. Stress = g(strain).
struct CRecord {
    std::vector<double> m_aX;
    std::vector<double> m_aY;
    int Count() const { return static_cast<int>(m_aX.size()); }
};

double QuarticThroughOrigin(double e) { return e * (900 + e * (-1200 + e * (700 - 150 * e))); }

CRecord MakeRecord(int nFlat, int nRise, int nTail, double h = 0.01, double dOffset = 0.0,
                   double (*g)(double) = QuarticThroughOrigin) {
    CRecord record;
    for (int j = 0; j < nFlat; ++j)
        record.m_aX.push_back(0.0);
    for (int j = 0; j < nRise; ++j)
        record.m_aX.push_back((j + 1) * h + dOffset);
    for (int j = 0; j < nTail; ++j)
        record.m_aX.push_back(record.m_aX.back());
    for (double x : record.m_aX)
        record.m_aY.push_back(g(x));
    return record;
}

CPreparedCurve Prepare(const CRecord& record) {
    return PrepareCurve(record.m_aX.data(), record.m_aY.data(), record.Count());
}

} // namespace

TEST(Savgol, CentredNineSampleQuarticWeights) {
    const std::vector<double> c = savgol(4, 4, 4);
    const double aExpected[] = {15, -55, 30, 135, 179, 135, 30, -55, 15};
    ASSERT_EQ(c.size(), 9u);
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(Near(c[static_cast<std::size_t>(i)], aExpected[i] / 429.0, 1e-12)) << i;
}

TEST(Savgol, FirstSampleOfARange) {
    const std::vector<double> c = savgol(0, 8, 4);
    EXPECT_TRUE(Near(c[0], 1231.0 / 1287.0, 1e-12));
}

struct SWindow {
    int m_nl;
    int m_nr;
    double m_dTol; // relative to the largest weight
};

void PrintTo(const SWindow& w, std::ostream* os) { *os << "nl " << w.m_nl << " nr " << w.m_nr; }

class SavgolWindows : public ::testing::TestWithParam<SWindow> {};

// The moments add single-precision powers: exact up to 8^8 (the 9-sample windows), rounded
// beyond, which perturbs the weights of wide windows slightly; they still sum to one and
// reproduce low-order polynomials.
TEST_P(SavgolWindows, MatchTheLeastSquaresOracle) {
    const SWindow w = GetParam();
    const std::vector<double> c = savgol(w.m_nl, w.m_nr, 4);
    const std::vector<double> oracle = OracleWeights(w.m_nl, w.m_nr, 4);
    ASSERT_EQ(c.size(), oracle.size());
    double dScale = 0;
    for (double d : oracle)
        dScale = std::max(dScale, std::fabs(d));
    double dSum = 0;
    double dFirstMoment = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
        EXPECT_NEAR(c[i], oracle[i], w.m_dTol * dScale) << "offset " << static_cast<int>(i) - w.m_nl;
        dSum += c[i];
        dFirstMoment += c[i] * (static_cast<double>(i) - w.m_nl);
    }
    EXPECT_NEAR(dSum, 1.0, 100 * w.m_dTol);
    EXPECT_NEAR(dFirstMoment, 0.0, 100 * w.m_dTol * (w.m_nl + w.m_nr));
}

// The windows the preparation uses: 9-sample windows at every shift, and wide windows up
// to 200 samples at the positions of the long-record path.
INSTANTIATE_TEST_SUITE_P(Windows, SavgolWindows,
                         ::testing::Values(SWindow{4, 4, 1e-12}, SWindow{0, 8, 1e-12}, SWindow{1, 7, 1e-12},
                                           SWindow{2, 6, 1e-12}, SWindow{3, 5, 1e-12}, SWindow{8, 0, 1e-12},
                                           SWindow{5, 3, 1e-12}, SWindow{0, 10, 1e-4}, SWindow{9, 9, 1e-4},
                                           SWindow{3, 15, 1e-4}, SWindow{14, 4, 1e-4}, SWindow{100, 99, 1e-4},
                                           SWindow{0, 199, 1e-3}, SWindow{199, 0, 1e-3}, SWindow{49, 150, 1e-4}));

TEST(Savgol, RefusesInconsistentArguments) {
    EXPECT_TRUE(savgol(-1, 4, 4).empty());
    EXPECT_TRUE(savgol(1, 1, 4).empty());
    EXPECT_TRUE(savgol(4, 4, 7).empty());
    // Offsets whose powers leave the 64-bit integers, or a window longer than an int.
    EXPECT_TRUE(savgol(0, 300, 4).empty()); // 300^8 > 2^63
    EXPECT_EQ(savgol(234, 0, 4).size(), 235u); // 234^8 < 2^63
    EXPECT_TRUE(savgol(std::numeric_limits<int>::max(), 1, 0).empty());
}

class LuSolve : public ::testing::TestWithParam<int> {};

TEST_P(LuSolve, AgreesWithEigen) {
    const int n = GetParam();
    std::mt19937 rng(1234 + n);
    std::uniform_real_distribution<double> dist(-10, 10);
    for (int trial = 0; trial < 20; ++trial) {
        Eigen::MatrixXd A(n, n);
        Eigen::VectorXd b(n);
        for (int i = 0; i < n; ++i) {
            b(i) = dist(rng);
            for (int j = 0; j < n; ++j)
                A(i, j) = dist(rng);
        }
        std::vector<double> a(static_cast<std::size_t>(n * n));
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                a[static_cast<std::size_t>(i * n + j)] = A(i, j);
        std::vector<int> index(static_cast<std::size_t>(n));
        double dSign = 0;
        ASSERT_TRUE(ludcmp(a.data(), n, index.data(), &dSign));
        std::vector<double> x(b.data(), b.data() + n);
        lubacksub(a.data(), n, index.data(), x.data());
        const Eigen::VectorXd oracle = A.fullPivLu().solve(b);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(Near(x[static_cast<std::size_t>(i)], oracle(i), 1e-9)) << "n " << n << " i " << i;
        EXPECT_EQ(std::fabs(dSign), 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, LuSolve, ::testing::Range(1, 8));

TEST(Ludcmp, ZeroRowIsSingularAndZeroPivotIsReplaced) {
    double a[4] = {1, 2, 0, 0};
    int index[2];
    double dSign = 0;
    EXPECT_FALSE(ludcmp(a, 2, index, &dSign));
    // A singular matrix without a zero row: the zero pivot becomes 1e-20.
    double s[4] = {1, 2, 2, 4};
    ASSERT_TRUE(ludcmp(s, 2, index, &dSign));
    EXPECT_EQ(s[3], 1e-20);
}

TEST(Localpoly, ReproducesQuarticsAndMatchesInterpolation) {
    const double s[5] = {0.0, 0.1, 0.25, 0.3, 0.45};
    double f[5];
    for (int k = 0; k < 5; ++k)
        f[k] = QuarticThroughOrigin(s[k]) + 3.0;
    for (double u : {0.0, 0.05, 0.2, 0.44, 0.6})
        EXPECT_TRUE(Near(localpoly(s, f, u), QuarticThroughOrigin(u) + 3.0, 1e-9)) << u;

    // Arbitrary values: the interpolating polynomial from Eigen's Vandermonde solve.
    const double g[5] = {1.0, -2.0, 0.5, 4.0, 3.0};
    Eigen::MatrixXd V(5, 5);
    Eigen::VectorXd y(5);
    for (int k = 0; k < 5; ++k) {
        y(k) = g[k];
        for (int p = 0; p < 5; ++p)
            V(k, p) = std::pow(s[k], p);
    }
    const Eigen::VectorXd coef = V.fullPivLu().solve(y);
    const double u = 0.33;
    double dOracle = 0;
    for (int p = 4; p >= 0; --p)
        dOracle = dOracle * u + coef(p);
    EXPECT_TRUE(Near(localpoly(s, g, u), dOracle, 1e-8));
}

TEST(PrepareCurve, SteadyRiseFromTheFirstSampleStartsAtSampleTwo) {
    const CPreparedCurve curve = Prepare(MakeRecord(0, 30, 0));
    ASSERT_TRUE(curve.m_bOk) << curve.m_strReason;
    EXPECT_EQ(curve.m_nStart, 2);
    EXPECT_EQ(curve.m_nEnd, 30);
    EXPECT_EQ(curve.m_nSamples, 29);
}

TEST(PrepareCurve, SlowFirstStepMovesTheStartOn) {
    CRecord record = MakeRecord(0, 40, 0);
    // The step into sample 2 is a fifth of the others: the start is sample 2 itself.
    for (std::size_t j = 1; j < record.m_aX.size(); ++j)
        record.m_aX[j] -= 0.008;
    record.m_aX[0] = 0.0;
    const CPreparedCurve curve = Prepare(record);
    ASSERT_TRUE(curve.m_bOk) << curve.m_strReason;
    EXPECT_EQ(curve.m_nStart, 2);
    EXPECT_EQ(curve.m_nSamples, 39);
}

// The trimming's thresholds on records where each decides a sample: strains j / 100 put
// sample 10 just below 10 % and sample 89 just below 90 % of the largest strain; a first
// step of 72 % of the others is a step of the rise (at least 70 %).
TEST(PrepareCurve, TrimThresholdsDecideTheirSamples) {
    const CPreparedCurve even = Prepare(MakeRecord(0, 100, 0, 0.01));
    ASSERT_TRUE(even.m_bOk) << even.m_strReason;
    EXPECT_EQ(even.m_nRiseLow, 10);
    EXPECT_EQ(even.m_nRiseHigh, 89);

    // Samples 1..5 at strain 0, sample 6 at 0.72 h, then steps of h: the rise extrapolates
    // back to sample 4, the steps into 4 and 5 are 0, the step into 6 is a rise step.
    CRecord record = MakeRecord(5, 60, 0, 0.01);
    for (std::size_t j = 5; j < record.m_aX.size(); ++j)
        record.m_aX[j] -= 0.0028;
    const CPreparedCurve start = Prepare(record);
    ASSERT_TRUE(start.m_bOk) << start.m_strReason;
    EXPECT_EQ(start.m_nStart, 5);
    EXPECT_EQ(start.m_nEnd, 65);
}

TEST(PrepareCurve, FlatStartEndsAtTheLastFlatSample) {
    const CPreparedCurve curve = Prepare(MakeRecord(20, 40, 0));
    ASSERT_TRUE(curve.m_bOk) << curve.m_strReason;
    EXPECT_EQ(curve.m_nStart, 20);
    EXPECT_EQ(curve.m_nEnd, 60);
}

TEST(PrepareCurve, FlatTailIsCutOff) {
    const CPreparedCurve curve = Prepare(MakeRecord(5, 40, 25));
    ASSERT_TRUE(curve.m_bOk) << curve.m_strReason;
    EXPECT_EQ(curve.m_nStart, 5);
    EXPECT_EQ(curve.m_nEnd, 45); // the last sample reached by a full step
    EXPECT_EQ(curve.m_nSamples, 41);
    for (double x : curve.m_x)
        EXPECT_LE(x, 0.4 + 1e-12);
}

struct SPath {
    int m_nSamples;
    EResampling m_eResampling;
};

void PrintTo(const SPath& p, std::ostream* os) { *os << "m = " << p.m_nSamples; }

class PreparationPaths : public ::testing::TestWithParam<SPath> {};

// A record of m + 1 samples rising steadily from the first has the trimmed range 2..m + 1. Its
// stress is a quartic through the origin in strain, which every path reproduces at the
// strains it picks, up to the rounding of single-precision moments (wide windows) and of
// the monomial normal equations (interpolation). The strains are offset by a seventh of a
// step so that no resampling strain coincides with a sample.
TEST_P(PreparationPaths, TakeTheirPathAndReproduceAQuartic) {
    const int m = GetParam().m_nSamples;
    const double h = 0.7 / m;
    const CRecord record = MakeRecord(0, m + 1, 0, h, -h / 7);
    const CPreparedCurve curve = Prepare(record);
    ASSERT_TRUE(curve.m_bOk) << curve.m_strReason;
    EXPECT_EQ(curve.m_nSamples, m);
    EXPECT_EQ(curve.m_eResampling, GetParam().m_eResampling);

    // The quartic is kept at every resampling strain of a smooth record.
    EXPECT_EQ(curve.m_nLinear, 0);
    // First point: half of the second in strain and stress.
    EXPECT_EQ(curve.m_x[0], 0.5 * curve.m_x[1]);
    EXPECT_EQ(curve.m_y[0], 0.5 * curve.m_y[1]);
    // Every other point lies on the law.
    const double dTol = 1e-4;
    for (std::size_t j = 1; j < 30; ++j)
        EXPECT_TRUE(Near(curve.m_y[j], QuarticThroughOrigin(curve.m_x[j]), dTol)) << "point " << j + 1;

    const double dLast = record.m_aX.back();
    switch (GetParam().m_eResampling) {
    case EResampling::None:
        for (std::size_t j = 1; j < 30; ++j)
            EXPECT_TRUE(Near(curve.m_x[j], record.m_aX[j], 1e-12)); // samples 2..30 themselves
        break;
    case EResampling::Up:
    case EResampling::Down:
        for (int k = 1; k <= 28; ++k)
            EXPECT_EQ(curve.m_x[static_cast<std::size_t>(k)], k * curve.m_x[29] / 29) << k;
        EXPECT_TRUE(Near(curve.m_x[29], dLast, 1e-12)); // the last smoothed sample
        break;
    case EResampling::WideWindow: {
        const double dRatio = m / 29.0;
        for (int k = 1; k <= 29; ++k) {
            const int j = static_cast<int>(2 + (k - 1) * dRatio); // istart + trunc((k - 1) m / 29)
            EXPECT_TRUE(Near(curve.m_x[static_cast<std::size_t>(k)], record.m_aX[static_cast<std::size_t>(j - 1)], 1e-6))
                << "sample " << k;
        }
        break;
    }
    }
    for (double x : curve.m_x)
        EXPECT_LE(x, dLast + 1e-12);
}

// The engine prepares a raw curve where its records lie in the exchange file's bytes: the
// strain and the stress of each 56-byte record, unaligned for every other curve. Every path
// gives the same bits as from two packed arrays.
TEST_P(PreparationPaths, GiveTheSameBitsWhereTheRecordsLie) {
    const int m = GetParam().m_nSamples;
    const double h = 0.7 / m;
    const CRecord record = MakeRecord(0, m + 1, 0, h, -h / 7);
    constexpr std::size_t kRecord = 56;
    constexpr std::size_t kOffset = 4; // after a curve's int32 point count
    std::vector<unsigned char> aBytes(kOffset + kRecord * record.m_aX.size(), 0xCD);
    for (std::size_t j = 0; j < record.m_aX.size(); ++j) {
        std::memcpy(aBytes.data() + kOffset + j * kRecord, &record.m_aX[j], sizeof(double));
        std::memcpy(aBytes.data() + kOffset + j * kRecord + 48, &record.m_aY[j], sizeof(double));
    }
    const CPreparedCurve where =
        PrepareCurve(CRawSeries{aBytes.data() + kOffset, aBytes.data() + kOffset + 48, kRecord, record.Count()});
    const CPreparedCurve packed = Prepare(record);
    ASSERT_TRUE(packed.m_bOk) << packed.m_strReason;
    ASSERT_TRUE(where.m_bOk) << where.m_strReason;
    EXPECT_EQ(where.m_nStart, packed.m_nStart);
    EXPECT_EQ(where.m_nEnd, packed.m_nEnd);
    EXPECT_EQ(where.m_eResampling, packed.m_eResampling);
    EXPECT_EQ(std::memcmp(where.m_x.data(), packed.m_x.data(), sizeof packed.m_x), 0);
    EXPECT_EQ(std::memcmp(where.m_y.data(), packed.m_y.data(), sizeof packed.m_y), 0);
}

INSTANTIATE_TEST_SUITE_P(TrimmedRanges, PreparationPaths,
                         ::testing::Values(SPath{9, EResampling::Up}, SPath{12, EResampling::Up},
                                           SPath{28, EResampling::Up}, SPath{29, EResampling::None},
                                           SPath{30, EResampling::Down}, SPath{45, EResampling::Down},
                                           SPath{60, EResampling::Down}, SPath{61, EResampling::WideWindow},
                                           SPath{150, EResampling::WideWindow}, SPath{2000, EResampling::WideWindow}),
                         [](const auto& info) { return "m" + std::to_string(info.param.m_nSamples); });

TEST(PrepareCurve, SmoothingRemovesNoiseFromALongRecord) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 2.0);
    CRecord record = MakeRecord(10, 700, 30, 0.001);
    for (double& y : record.m_aY)
        y += noise(rng);
    const CPreparedCurve curve = Prepare(record);
    ASSERT_TRUE(curve.m_bOk) << curve.m_strReason;
    double dWorst = 0;
    for (std::size_t j = 1; j < 30; ++j)
        dWorst = std::max(dWorst, std::fabs(curve.m_y[j] - QuarticThroughOrigin(curve.m_x[j])));
    EXPECT_LT(dWorst, 2.0); // well below the 3-sigma spread of single samples
}

namespace {

// A record shaped like test-machine output: nDwell samples at strain exactly 0 while the
// load builds up to the first rise sample's stress, nRise samples rising by h with the
// stress of a steep power law, nTail samples at the largest strain. Strains are written
// with six decimals and read in single precision, as from an experiment data file.
CRecord MakeDwellRecord(int nDwell, int nRise, int nTail, double h) {
    auto law = [](double e) { return 200.0 * std::pow(e, 0.15); };
    auto fileStrain = [](double e) { return static_cast<double>(static_cast<float>(std::round(e * 1e6) / 1e6)); };
    CRecord record;
    for (int j = 0; j < nDwell; ++j) {
        record.m_aX.push_back(0.0);
        record.m_aY.push_back(law(h) * (0.2 + 0.8 * (j + 1) / nDwell));
    }
    for (int j = 1; j <= nRise + nTail; ++j) {
        record.m_aX.push_back(fileStrain(std::min(j, nRise) * h));
        record.m_aY.push_back(law(record.m_aX.back()));
    }
    return record;
}

::testing::AssertionResult Plausible(const CPreparedCurve& curve, const CRecord& record) {
    if (!curve.m_bOk)
        return ::testing::AssertionFailure() << "refused: " << curve.m_strReason;
    const double dLargest = *std::max_element(record.m_aY.begin(), record.m_aY.end());
    for (std::size_t j = 0; j < 30; ++j) {
        if (!(curve.m_y[j] >= 0 && curve.m_y[j] <= 1.5 * dLargest))
            return ::testing::AssertionFailure() << "point " << j + 1 << " has stress " << curve.m_y[j]
                                                 << ", largest raw stress " << dLargest;
        if (!(curve.m_x[j] >= 0))
            return ::testing::AssertionFailure() << "point " << j + 1 << " has strain " << curve.m_x[j];
        if (j > 0 && curve.m_x[j] < curve.m_x[j - 1])
            return ::testing::AssertionFailure() << "point " << j + 1 << " lies below point " << j;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// A dwell at strain 0 puts the first smoothed sample at strain about 0 (rounding of the
// file's strains) and the full stress, next to the origin (0, 0); the quartic through both
// swings to millions of times the stress, so the stress there is interpolated linearly.
// The prepared curve follows the law from its third point on (the first is half the second).
TEST(PrepareCurve, DwellRecordsPrepareToTheLaw) {
    struct SShape {
        int m_nDwell, m_nRise, m_nTail;
    };
    int nLinear = 0;
    for (const SShape shape : {SShape{20, 25, 5}, SShape{3, 11, 2}, SShape{15, 40, 10}, SShape{8, 59, 3}}) {
        const CRecord record = MakeDwellRecord(shape.m_nDwell, shape.m_nRise, shape.m_nTail, 0.8 / shape.m_nRise);
        const CPreparedCurve curve = Prepare(record);
        ASSERT_TRUE(Plausible(curve, record)) << "dwell " << shape.m_nDwell << " rise " << shape.m_nRise;
        EXPECT_EQ(curve.m_nStart, shape.m_nDwell); // the last dwell sample
        EXPECT_EQ(curve.m_eResampling, shape.m_nRise + 1 < 29 ? EResampling::Up : EResampling::Down);
        nLinear += curve.m_nLinear;
        for (std::size_t j = 2; j < 30; ++j)
            EXPECT_LT(std::fabs(curve.m_y[j] - 200.0 * std::pow(curve.m_x[j], 0.15)), 0.05 * 200.0)
                << "point " << j + 1 << " at strain " << curve.m_x[j];
    }
    EXPECT_GT(nLinear, 0);
}

// Smoothing a dwell at exactly 0 leaves strains of the order of -1e-8 at its end; the
// prepared strains never go below 0. The wide-window path and 29 samples do not resample,
// so their stresses are the smoothed ones.
TEST(PrepareCurve, NoPreparedStrainBelowZero) {
    for (int nRise : {28, 149, 1999}) {
        const CRecord record = MakeDwellRecord(12, nRise, 6, 0.8 / nRise);
        const CPreparedCurve curve = Prepare(record);
        ASSERT_TRUE(Plausible(curve, record)) << "rise " << nRise;
        EXPECT_EQ(curve.m_nSamples, nRise + 1);
        EXPECT_EQ(curve.m_nLinear, 0);
        EXPECT_EQ(curve.m_x[0], 0.5 * curve.m_x[1]);
    }
}

// Random records shaped like test-machine output (dwells with and without creep, 9 to 60
// trimmed samples, noise, power laws with and without saturation): every one prepares to a
// curve within 0 and 1.5 times its largest stress.
TEST(PrepareCurve, RandomMediumRecordsStayPlausible) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::normal_distribution<double> normal(0.0, 1.0);
    int nMedium = 0;
    for (int r = 0; r < 400; ++r) {
        // A record without a dwell still starts at strain 0.
        const int nDwell = uniform(rng) < 0.3 ? 1 : 3 + static_cast<int>(uniform(rng) * 28);
        const int nRise = 9 + static_cast<int>(uniform(rng) * 52);
        const int nTail = static_cast<int>(uniform(rng) * 21);
        const double dMax = 0.2 + uniform(rng);
        const double A = 50 + 300 * uniform(rng);
        const double n = 0.05 + 0.45 * uniform(rng);
        const double dSaturation = 0.05 + 0.5 * uniform(rng);
        const bool bSaturates = uniform(rng) < 0.5;
        const double dNoise = 0.01 * uniform(rng);
        const bool bCreep = uniform(rng) < 0.3;
        auto law = [&](double e) {
            return bSaturates ? A * (0.3 + std::pow(1 - std::exp(-e / dSaturation), n)) : A * std::pow(e + 0.002, n);
        };
        CRecord record;
        const double dFirst = law(dMax / nRise);
        for (int j = 0; j < nDwell; ++j) {
            record.m_aX.push_back(bCreep ? j * 1e-5 * uniform(rng) : 0.0);
            record.m_aY.push_back(dFirst * (0.2 + 0.8 * (j + 1.0) / nDwell) * (1 + dNoise * normal(rng)));
        }
        const double x0 = record.m_aX.empty() ? 0.0 : record.m_aX.back();
        for (int j = 1; j <= nRise; ++j) {
            const double e = x0 + dMax * j / nRise * (1 + 0.1 * (uniform(rng) - 0.5) / nRise);
            record.m_aX.push_back(static_cast<double>(static_cast<float>(e)));
            record.m_aY.push_back(law(e) * (1 + dNoise * normal(rng)));
        }
        for (int j = 0; j < nTail; ++j) {
            record.m_aX.push_back(record.m_aX.back());
            record.m_aY.push_back(record.m_aY.back() * 0.9);
        }
        const CPreparedCurve curve = Prepare(record);
        if (curve.m_nSamples > 60)
            continue;
        ++nMedium;
        EXPECT_TRUE(Plausible(curve, record)) << "record " << r << ": dwell " << nDwell << " rise " << nRise;
    }
    EXPECT_GT(nMedium, 350);
}

struct SUnsound {
    const char* m_szName;
    CRecord m_record;
    const char* m_szReason;
};

void PrintTo(const SUnsound& p, std::ostream* os) { *os << p.m_szName; }

class UnsoundRecords : public ::testing::TestWithParam<SUnsound> {};

TEST_P(UnsoundRecords, AreRefusedWithAReason) {
    const CPreparedCurve curve = Prepare(GetParam().m_record);
    EXPECT_FALSE(curve.m_bOk);
    EXPECT_NE(curve.m_strReason.find(GetParam().m_szReason), std::string::npos) << curve.m_strReason;
}

static CRecord Jump() {
    CRecord r = MakeRecord(10, 0, 0);
    r.m_aX.insert(r.m_aX.end(), {0.95, 0.97, 1.0, 1.0});
    r.m_aY.assign(r.m_aX.size(), 100.0);
    return r;
}
static CRecord StartsHigh() {
    CRecord r = MakeRecord(0, 30, 0);
    for (double& x : r.m_aX)
        x += 0.5;
    return r;
}
// 29 samples, no resampling: a spike of a thousand times the stress drives the smoothed
// stress of its neighbours far below 0.
static CRecord Spike() {
    CRecord r = MakeRecord(0, 30, 0);
    r.m_aY[15] *= 1000;
    return r;
}
static CRecord Decreasing() {
    CRecord r = MakeRecord(0, 30, 0);
    std::reverse(r.m_aX.begin(), r.m_aX.end());
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Records, UnsoundRecords,
    ::testing::Values(SUnsound{"Empty", CRecord{}, "no points"},
                      SUnsound{"AllZero", MakeRecord(20, 0, 0), "already at or above 10 %"},
                      SUnsound{"StartsHigh", StartsHigh(), "already at or above 10 %"},
                      SUnsound{"Decreasing", Decreasing(), "already at or above 10 %"},
                      SUnsound{"JumpOverTheRise", Jump(), "does not rise steadily"},
                      SUnsound{"TooShort", MakeRecord(10, 6, 0), "at least 9"},
                      SUnsound{"Spike", Spike(), "outside 0 to 1.5 times its largest stress"}),
    [](const auto& info) { return std::string(info.param.m_szName); });
