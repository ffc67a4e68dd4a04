// DUMPOL and DUMINF.

#include "KernelTestSupport.h"

#include "kernels/KernelSupport.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using vornel_test::Captured;
using vornel_test::Contains;
using vornel_test::Count;

namespace {

int g_nCalls = 0;

void Bowl(const int* n, const double* x, double* f) {
    ++g_nCalls;
    double s = 0;
    for (int i = 0; i < *n; ++i)
        s += (i + 1) * (x[i] - 0.5 * i) * (x[i] - 0.5 * i);
    *f = s;
}

void Round(const int*, const double* x, double* f) {
    ++g_nCalls;
    *f = x[0] * x[0] + x[1] * x[1];
}

// (x1 - 1)^2 + 10 (x2 - 2)^2
void Valley(const int*, const double* x, double* f) {
    ++g_nCalls;
    *f = (x[0] - 1) * (x[0] - 1) + 10 * (x[1] - 2) * (x[1] - 2);
}

void Rosenbrock(const int*, const double* x, double* f) {
    ++g_nCalls;
    *f = 100 * (x[1] - x[0] * x[0]) * (x[1] - x[0] * x[0]) + (1 - x[0]) * (1 - x[0]);
}

void Constant(const int*, const double*, double* f) {
    ++g_nCalls;
    *f = 3.0;
}

// A narrow valley along a sine wave that leads to x1 = 1000: a long way in small steps.
void Wiggle(const int*, const double* x, double* f) {
    ++g_nCalls;
    const double d = x[1] - std::sin(x[0]);
    *f = 100 * d * d + 1e-4 * (x[0] - 1000) * (x[0] - 1000);
}

void Unbounded(const int*, const double* x, double* f) {
    ++g_nCalls;
    *f = -x[0] - x[1];
}

void NotANumber(const int*, const double*, double* f) { *f = std::numeric_limits<double>::quiet_NaN(); }

// A bowl whose centre (3, 0.0001) lies just before a wall: infinite for x2 < 0, as
// A1 + A2 E^A3 is at a strain of 0 for a negative exponent. Near the centre the central
// differences in x2 (step 0.0006 at the scaling 0.01) reach beyond the wall.
void Walled(const int*, const double* x, double* f) {
    ++g_nCalls;
    *f = x[1] < 0 ? std::numeric_limits<double>::infinity()
                  : (x[0] - 3) * (x[0] - 3) + (x[1] - 1e-4) * (x[1] - 1e-4);
}

void Throwing(const int*, const double* x, double* f) {
    if (x[0] > 0.5)
        throw std::runtime_error("objective gives up");
    *f = (x[0] - 1) * (x[0] - 1) + x[1] * x[1];
}

// An objective that itself calls DRCURV on constant data, which posts a warning.
int g_nInnerSeverity = -1;
void CallsAKernel(const int*, const double* x, double* f) {
    const std::vector<double> xd = {0, 1, 2}, yd = {5, 5, 5};
    std::vector<double> b(2), ssq(2), stat(10);
    const int nObs = 3, nDeg = 1;
    DRCURV(&nObs, xd.data(), yd.data(), &nDeg, b.data(), ssq.data(), stat.data());
    g_nInnerSeverity = TarnfitKernelSeverity();
    *f = (x[0] - b[0]) * (x[0] - b[0]) + (x[1] + 1) * (x[1] + 1);
}

// The objective of KIVCOOL3: A1 + A2 E^A3 with a penalty pulling A3 towards 0.5.
std::vector<double> g_strain, g_stress;
void Cool3(const int*, const double* a, double* f) {
    double s = 0;
    for (std::size_t i = 0; i < g_strain.size(); ++i) {
        const double sig = a[0] + a[1] * std::pow(g_strain[i], a[2]);
        const double d = sig - g_stress[i];
        const double p = 0.5 * (0.5 - a[2]) * sig;
        s += d * d + p * p;
    }
    *f = s;
}

class DumpolTest : public vornel_test::KernelTest {
protected:
    void SetUp() override { g_nCalls = 0; }
};
class DuminfTest : public vornel_test::KernelTest {
protected:
    void SetUp() override { g_nCalls = 0; }
};

struct SResult {
    std::vector<double> x;
    double f = 0;
    std::string strOut;
    int nSeverity = 0, nCode = 0;
};

SResult Simplex(TarnfitObjective fcn, std::vector<double> x0, double& s, double ftol, int& maxfcn) {
    SResult r;
    const int n = static_cast<int>(x0.size());
    r.x.assign(n, 0.0);
    r.strOut = Captured([&] { DUMPOL(fcn, &n, x0.data(), &s, &ftol, &maxfcn, r.x.data(), &r.f); });
    r.nSeverity = TarnfitKernelSeverity();
    r.nCode = TarnfitKernelCode();
    return r;
}

TEST_F(DumpolTest, QuadraticBowlWithinTwoHundredEvaluations) {
    double s = 1.0;
    int maxfcn = 200;
    const SResult r = Simplex(Bowl, {1, 1}, s, 1e-5, maxfcn);
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(r.nSeverity, 0);
    EXPECT_LT(maxfcn, 200);
    EXPECT_EQ(maxfcn, g_nCalls);
    EXPECT_NEAR(r.x[0], 0.0, 5e-3);
    EXPECT_NEAR(r.x[1], 0.5, 5e-3);
    EXPECT_LT(r.f, 1e-4);
    EXPECT_GT(s, 0.0);
    EXPECT_LT(s, 0.05);
}

TEST_F(DumpolTest, SymmetricBowlDoesNotStopWhereTheVertexValuesHappenToBeEqual) {
    // From (1, 1) with S = 1 the simplex reaches (0.5, 0.5), (0.5, -0.5), (-0.5, 0.5), where
    // all three values are 0.5 and both stopping tests hold; the check of the stop finds the
    // lower points around it and the method goes on to the minimum.
    double s = 1.0;
    int maxfcn = 200;
    const SResult r = Simplex(Round, {1, 1}, s, vornel_test::Widened(1e-5f), maxfcn);
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(r.nSeverity, 0);
    EXPECT_LT(maxfcn, 100);
    EXPECT_NEAR(r.x[0], 0.0, 1e-2);
    EXPECT_NEAR(r.x[1], 0.0, 1e-2);
    EXPECT_LT(r.f, 1e-4);
}

TEST_F(DumpolTest, EvaluationLimitBelowNPlusTwoIsFatal) {
    for (int nLimit : {0, 2, 3}) {
        double s = 1.0;
        int maxfcn = nLimit;
        const SResult r = Simplex(Bowl, {1, 1}, s, 1e-5, maxfcn);
        EXPECT_EQ(r.strOut, " *** FATAL ERROR 204 from DUMPOL.  Maximum number of function evaluations exceeded MAXFCN "
                            "= " + std::to_string(nLimit) + ".\n");
        EXPECT_EQ(r.nSeverity, 4);
        EXPECT_EQ(r.nCode, TARNFIT_DUMPOL_MAXFCN);
        EXPECT_GE(maxfcn, 4); // N + 1 to start and at least one more
    }
}

TEST_F(DumpolTest, EngineSettingsOnElevenVariablesStopAtTheLimit) {
    // The engine's simplex stage: N = 11, S = 1, FTOL = 1e-5 (single precision), MAXFCN = 200.
    double s = 1.0;
    int maxfcn = 200;
    const SResult r = Simplex(Bowl, std::vector<double>(11, 3.0), s, vornel_test::Widened(1e-5f), maxfcn);
    EXPECT_TRUE(Contains(r.strOut, "Maximum number of function evaluations exceeded MAXFCN = 200."));
    EXPECT_EQ(r.nSeverity, 4);
    EXPECT_GT(maxfcn, 200);
    EXPECT_LE(maxfcn, 200 + 11);
    // The best point found so far is delivered all the same.
    double f0;
    const int n = 11;
    const std::vector<double> x0(11, 3.0);
    Bowl(&n, x0.data(), &f0);
    EXPECT_LT(r.f, f0);
}

TEST_F(DumpolTest, ConstantObjectiveStopsAtTheFirstTest) {
    double s = 1.0;
    int maxfcn = 100;
    const SResult r = Simplex(Constant, {0.3, -2, 7}, s, 1e-5, maxfcn);
    EXPECT_EQ(r.x, (std::vector<double>{0.3, -2, 7}));
    EXPECT_EQ(r.f, 3.0);
    EXPECT_EQ(maxfcn, 4);
    EXPECT_EQ(r.strOut, "");
}

TEST_F(DumpolTest, NonPositiveSideGivesARandomSimplexTheSameEachTime) {
    const int nSeed = tarnfit::kernels::RNGET();
    double s1 = 0.0, s2 = -1.0;
    int m1 = 500, m2 = 500;
    const SResult r1 = Simplex(Rosenbrock, {-1.2, 1.0}, s1, 1e-10, m1);
    const SResult r2 = Simplex(Rosenbrock, {-1.2, 1.0}, s2, 1e-10, m2);
    EXPECT_EQ(r1.strOut, " *** WARNING ERROR 203 from DUMPOL.  The length of the sides of the initial simplex must be "
                         "positive while S = 0 is given.  The algorithm will use a random number generator to generate "
                         "the starting simplex from the initial guess.\n");
    EXPECT_TRUE(Contains(r2.strOut, "while S = -1 is given."));
    EXPECT_EQ(r1.nSeverity, 6);
    EXPECT_EQ(tarnfit::kernels::RNGET(), nSeed); // generator state restored
    EXPECT_EQ(r1.x, r2.x);
    EXPECT_EQ(m1, m2);
}

TEST_F(DumpolTest, RosenbrockFromTheClassicStart) {
    double s = 0.5;
    int maxfcn = 2000;
    const SResult r = Simplex(Rosenbrock, {-1.2, 1.0}, s, 1e-12, maxfcn);
    EXPECT_EQ(r.nSeverity, 0) << r.strOut;
    EXPECT_NEAR(r.x[0], 1.0, 1e-3);
    EXPECT_NEAR(r.x[1], 1.0, 2e-3);
}

TEST_F(DumpolTest, ArgumentErrors) {
    double s = 1.0;
    int maxfcn = 10;
    SResult r = Simplex(Bowl, {}, s, 1e-5, maxfcn);
    EXPECT_EQ(r.strOut, " *** TERMINAL ERROR 201 from DUMPOL.  The number of variables, N = 0, must be positive.\n");
    r = Simplex(Bowl, {1.0}, s, -0.5, maxfcn);
    EXPECT_EQ(r.strOut, " *** TERMINAL ERROR 202 from DUMPOL.  The function tolerance must be nonnegative while FTOL "
                        "= -0.5 is given.\n");
    EXPECT_EQ(r.nSeverity, 5);
    EXPECT_EQ(maxfcn, 10);
    EXPECT_EQ(g_nCalls, 0);
}

// --- DUMINF ---

struct SOptions {
    std::vector<int> ip = std::vector<int>(7, 0);
    std::vector<double> rp = std::vector<double>(7, 0.0);
};

SResult QuasiNewton(TarnfitObjective fcn, std::vector<double> x0, std::vector<double> xscale, double fscale,
                    SOptions& o) {
    SResult r;
    const int n = static_cast<int>(x0.size());
    r.x.assign(n, 0.0);
    r.strOut = Captured([&] {
        DUMINF(fcn, &n, x0.data(), xscale.data(), &fscale, o.ip.data(), o.rp.data(), r.x.data(), &r.f);
    });
    r.nSeverity = TarnfitKernelSeverity();
    r.nCode = TarnfitKernelCode();
    return r;
}

TEST_F(DuminfTest, ValleyIsSolvedWithoutMessage) {
    SOptions o;
    const SResult r = QuasiNewton(Valley, {0, 0}, {1, 1}, 1.0, o);
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(r.nSeverity, 0);
    EXPECT_NEAR(r.x[0], 1.0, 1e-5);
    EXPECT_NEAR(r.x[1], 2.0, 1e-5);
    EXPECT_LT(r.f, 1e-11);
    EXPECT_LT(o.ip[2], 30);
    EXPECT_GT(o.ip[3], 0);
    EXPECT_GT(o.ip[4], 0);
}

TEST_F(DuminfTest, FlagZeroFillsTheDefaultsWhateverTheVectorsHeld) {
    SOptions o;
    o.ip = {0, 3, 1000, 1000, 1000, 5, 7};
    o.rp = {1, 2, 3, 4, 5, 6, 7};
    QuasiNewton(Valley, {0, 0}, {1, 1}, 1.0, o);
    const double eps = std::ldexp(1.0, -52);
    EXPECT_EQ(o.ip[0], 1);
    EXPECT_EQ(o.ip[1], 15);
    EXPECT_EQ(o.ip[5], 0);
    EXPECT_EQ(o.ip[6], 100);
    EXPECT_DOUBLE_EQ(o.rp[0], std::cbrt(eps));
    EXPECT_DOUBLE_EQ(o.rp[1], std::pow(eps, 2.0 / 3.0));
    EXPECT_DOUBLE_EQ(o.rp[2], std::pow(eps, 2.0 / 3.0));
    EXPECT_DOUBLE_EQ(o.rp[3], 1e-20);
    EXPECT_DOUBLE_EQ(o.rp[4], 100 * eps);
    EXPECT_EQ(o.rp[5], -9999.0);
    EXPECT_EQ(o.rp[6], -9999.0);
}

TEST_F(DuminfTest, FlagZeroWithMxiterThousandStillStopsAfterAHundredIterations) {
    SOptions o;
    o.ip = {0, 0, 1000, 1000, 1000, 0, 0};
    const SResult r = QuasiNewton(Wiggle, {0, 0}, {1, 1}, 1.0, o);
    EXPECT_EQ(r.strOut, " *** FATAL ERROR 325 from DUMINF.   Maximum number of iterations exceeded.\n");
    EXPECT_EQ(r.nSeverity, 4);
    EXPECT_EQ(o.ip[2], 100);
    EXPECT_LT(o.ip[3], 400);
    EXPECT_LT(o.ip[4], 400);
    // The last accepted point and its value are delivered.
    double f;
    const int n = 2;
    Wiggle(&n, r.x.data(), &f);
    EXPECT_EQ(f, r.f);
    EXPECT_LT(r.f, 100.0);
}

TEST_F(DuminfTest, UserOptionsAreHonouredWhenTheFlagIsSet) {
    SOptions o;
    QuasiNewton(Valley, {0, 0}, {1, 1}, 1.0, o); // fills the defaults, flag becomes 1
    o.ip[2] = 3;                                  // MXITER
    const SResult r = QuasiNewton(Rosenbrock, {-1.2, 1}, {1, 1}, 1.0, o);
    EXPECT_EQ(r.nCode, TARNFIT_DUMINF_MAX_ITERATIONS);
    EXPECT_EQ(o.ip[2], 3);
}

TEST_F(DuminfTest, InvalidOptionsAreReplacedWithImmediateWarnings) {
    SOptions o;
    QuasiNewton(Valley, {0, 0}, {1, 1}, 1.0, o);
    o.ip[2] = 0;
    o.rp[0] = -1.0;
    const SResult r = QuasiNewton(Valley, {0, 0}, {1, 1}, 1.0, o);
    EXPECT_TRUE(Contains(r.strOut, " *** WARNING ERROR 306 from DUMINF.  The maximum number of iterations must be "
                                   "positive while MXITER = 0 is given.  The algorithm will use MXITER = 100.\n"));
    EXPECT_TRUE(Contains(r.strOut, " *** WARNING ERROR 309 from DUMINF.  The gradient tolerance must be nonnegative "
                                   "while GRADTL = -1 is given."));
    EXPECT_NEAR(r.x[0], 1.0, 1e-5);
}

TEST_F(DuminfTest, RosenbrockConverges) {
    SOptions o;
    const SResult r = QuasiNewton(Rosenbrock, {-1.2, 1}, {1, 1}, 1.0, o);
    EXPECT_FALSE(TARNFIT_KERNEL_FAILED(r.nSeverity)) << r.strOut;
    EXPECT_NEAR(r.x[0], 1.0, 1e-4);
    EXPECT_NEAR(r.x[1], 1.0, 2e-4);
}

TEST_F(DuminfTest, ZeroScalingsAreReplacedWithImmediateWarnings) {
    // The engine's eleven-parameter fit passes XSCALE and FSCALE as 0.
    SOptions o;
    o.ip[2] = o.ip[3] = o.ip[4] = 1000;
    const SResult r = QuasiNewton(Valley, {0, 0}, {0, 0}, 0.0, o);
    EXPECT_EQ(r.strOut, " *** WARNING ERROR 303 from DUMINF.  The diagonal scaling matrix for the variables must be "
                        "positive while some of the entries are less than or equal to zero.  The algorithm will use "
                        "the identity scaling matrix for XSCALE.\n"
                        " *** WARNING ERROR 304 from DUMINF.  The estimate of the scale of the objective function must "
                        "be positive while FSCALE = 0 is given.  The algorithm will use FSCALE = 1.0.\n");
    EXPECT_EQ(r.nSeverity, 6);
    EXPECT_FALSE(TARNFIT_KERNEL_FAILED(r.nSeverity));
    EXPECT_NEAR(r.x[0], 1.0, 1e-5);
    EXPECT_NEAR(r.x[1], 2.0, 1e-5);
}

TEST_F(DuminfTest, SingleVariableWarns) {
    SOptions o;
    const SResult r = QuasiNewton(Bowl, {4.0}, {1}, 1.0, o);
    EXPECT_EQ(r.strOut,
              " *** WARNING ERROR 302 from DUMINF.  This routine may be inefficient for a problem of size N = 1.\n");
    EXPECT_NEAR(r.x[0], 0.0, 1e-5);
}

TEST_F(DuminfTest, KivCool3SettingsRecoverTheGeneratingLaw) {
    g_strain.clear();
    g_stress.clear();
    for (int i = 1; i <= 30; ++i) {
        const double e = 0.02 * i;
        g_strain.push_back(e);
        g_stress.push_back(50.0 + 200.0 * std::sqrt(e));
    }
    SOptions o;
    const std::vector<double> xscale = {vornel_test::Widened(0.01f), vornel_test::Widened(0.01f),
                                        vornel_test::Widened(0.001f)};
    const SResult r = QuasiNewton(Cool3, {10, 1, 0.5}, xscale, vornel_test::Widened(0.0001f), o);
    EXPECT_FALSE(TARNFIT_KERNEL_FAILED(r.nSeverity)) << r.strOut;
    EXPECT_NEAR(r.x[0], 50.0, 0.05);
    EXPECT_NEAR(r.x[1], 200.0, 0.1);
    EXPECT_NEAR(r.x[2], 0.5, 1e-4);
}

TEST_F(DuminfTest, UnboundedObjectiveStopsAfterFiveMaximumSteps) {
    SOptions o;
    const SResult r = QuasiNewton(Unbounded, {0, 0}, {1, 1}, 1.0, o);
    EXPECT_EQ(r.strOut, " *** FATAL ERROR 328 from DUMINF.   Five consecutive steps of length STEPMX have been taken; "
                        "either the function is unbounded below, or has a finite asymptote in some direction or the "
                        "maximum allowable step size STEPMX is too small.\n");
    EXPECT_EQ(o.ip[2], 5);
}

TEST_F(DuminfTest, NonFiniteObjectiveIsFatal) {
    SOptions o;
    const SResult r = QuasiNewton(NotANumber, {1, 2}, {1, 1}, 1.0, o);
    EXPECT_EQ(r.nCode, TARNFIT_DUMINF_NOT_FINITE);
    EXPECT_EQ(r.nSeverity, 4);
    EXPECT_EQ(r.x, (std::vector<double>{1, 2}));
}

// Trials beyond the wall, and gradient estimates whose neighbours lie beyond it, are failed
// trials: the run ends near the centre with a warning at most instead of a fatal error. A
// start beyond the wall is still fatal.
TEST_F(DuminfTest, InfiniteTrialsAndNeighboursShortenTheStep) {
    SOptions o;
    const SResult r = QuasiNewton(Walled, {0, 1}, {1, 0.01}, 1.0, o);
    EXPECT_LE(r.nSeverity, 3) << r.strOut;
    EXPECT_NEAR(r.x[0], 3.0, 1e-3);
    EXPECT_NEAR(r.x[1], 1e-4, 1e-3);
    EXPECT_LT(r.f, 1e-6);
    const SResult beyond = QuasiNewton(Walled, {0, -1}, {1, 1}, 1.0, o);
    EXPECT_EQ(beyond.nCode, TARNFIT_DUMINF_NOT_FINITE);
}

TEST_F(DuminfTest, ExceptionFromTheObjectiveIsContained) {
    SOptions o;
    SResult r;
    EXPECT_NO_THROW(r = QuasiNewton(Throwing, {0, 1}, {1, 1}, 1.0, o));
    EXPECT_EQ(r.strOut, " *** TERMINAL ERROR 316 from DUMINF.  The objective routine ended with an exception.  The "
                        "minimization was abandoned.\n");
    EXPECT_EQ(r.nSeverity, 5);
}

TEST_F(DuminfTest, KernelsCalledByTheObjectiveReportOnTheirOwn) {
    SOptions o;
    const SResult r = QuasiNewton(CallsAKernel, {0, 0}, {1, 1}, 1.0, o);
    EXPECT_EQ(g_nInnerSeverity, 3);
    const int nLines = Count(r.strOut, " *** WARNING ERROR 106 from DRCURV.  The y values are constant.");
    EXPECT_GT(nLines, 3); // once per evaluation
    EXPECT_EQ(Count(r.strOut, " *** "), nLines);
    EXPECT_EQ(r.nSeverity, 0); // DUMINF itself converged without a condition
    EXPECT_NEAR(r.x[0], 5.0, 1e-5);
    EXPECT_NEAR(r.x[1], -1.0, 1e-5);
}

TEST_F(DuminfTest, NullOptionVectorsMeanDefaults) {
    std::vector<double> x0 = {0, 0}, x(2);
    double f;
    const int n = 2;
    const std::string str = Captured([&] { DUMINF(Valley, &n, x0.data(), nullptr, nullptr, nullptr, nullptr, x.data(), &f); });
    EXPECT_EQ(str, "");
    EXPECT_NEAR(x[0], 1.0, 1e-5);
    EXPECT_NEAR(x[1], 2.0, 1e-5);
}

TEST_F(DuminfTest, ArgumentErrors) {
    SOptions o;
    const SResult r = QuasiNewton(Valley, {}, {}, 1.0, o);
    EXPECT_EQ(r.strOut, " *** TERMINAL ERROR 301 from DUMINF.  The number of variables must be positive while N = 0 is "
                        "given.\n");
    EXPECT_EQ(o.ip[0], 0); // nothing written
}

} // namespace
