// DEVLSF and DRLSE against Eigen as an independent oracle.

#include "KernelTestSupport.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

using vornel_test::Captured;
using vornel_test::Contains;

namespace {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

class DevlsfTest : public vornel_test::KernelTest {};
class DrlseTest : public vornel_test::KernelTest {};

// Eigenvalues of DEVLSF for a square matrix stored with leading dimension = order.
Vector Eigenvalues(Matrix& a, std::string* pOut = nullptr) {
    const int n = static_cast<int>(a.rows()), lda = n;
    Vector ev = Vector::Zero(n);
    const std::string str = Captured([&] { DEVLSF(&n, a.data(), &lda, ev.data()); });
    if (pOut)
        *pOut = str;
    return ev;
}

// Eigen's eigenvalues in DEVLSF's order: decreasing magnitude.
Vector Reference(const Matrix& a) {
    Vector ev = Eigen::SelfAdjointEigenSolver<Matrix>(a, Eigen::EigenvaluesOnly).eigenvalues();
    std::sort(ev.data(), ev.data() + ev.size(), [](double x, double y) {
        return std::fabs(x) != std::fabs(y) ? std::fabs(x) > std::fabs(y) : x > y;
    });
    return ev;
}

Matrix RandomSymmetric(int n, std::mt19937& gen) {
    std::uniform_real_distribution<double> uni(-1.0, 1.0);
    Matrix a(n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i <= j; ++i)
            a(i, j) = a(j, i) = uni(gen);
    return a;
}

TEST_F(DevlsfTest, DiagonalIsOrderedByMagnitudeWithSignsKept) {
    Matrix a = Vector((Vector(3) << 1, -5, 3).finished()).asDiagonal();
    const Matrix aCopy = a;
    std::string str;
    const Vector ev = Eigenvalues(a, &str);
    EXPECT_EQ(ev, (Vector(3) << -5, 3, 1).finished());
    EXPECT_EQ(a, aCopy);
    EXPECT_EQ(str, "");
    EXPECT_EQ(TarnfitKernelSeverity(), 0);
}

TEST_F(DevlsfTest, LeavesASymmetricMatrixUnchangedSoDlsargCanUseItAfterwards) {
    std::mt19937 gen(17);
    Matrix a = RandomSymmetric(7, gen) + 7 * Matrix::Identity(7, 7);
    const Matrix aCopy = a;
    Eigenvalues(a);
    EXPECT_EQ(a, aCopy); // bit for bit
    const Vector b = Vector::Ones(7);
    Vector x(7);
    const int n = 7, ipath = 1;
    DLSARG(&n, a.data(), &n, b.data(), &ipath, x.data());
    EXPECT_LE((aCopy * x - b).norm(), 1e-14);
}

TEST_F(DevlsfTest, ReadsOnlyTheUpperTriangleAndRewritesTheLowerOne) {
    Matrix a(3, 3);
    a << 2, 1, 0, 99, 2, 1, -7, 55, 2; // lower triangle is garbage
    const Vector ev = Eigenvalues(a);
    Matrix sym(3, 3);
    sym << 2, 1, 0, 1, 2, 1, 0, 1, 2;
    EXPECT_EQ(a, sym);
    const Vector ref = Reference(sym);
    EXPECT_LE((ev - ref).norm(), 1e-14);
    EXPECT_NEAR(ev(0), 2 + std::sqrt(2.0), 1e-14);
}

TEST_F(DevlsfTest, HonoursTheLeadingDimensionAndLeavesPaddingAlone) {
    std::vector<double> a = {4, 1, 123, 1, 3, 456};
    const int n = 2, lda = 3;
    std::vector<double> ev(2);
    DEVLSF(&n, a.data(), &lda, ev.data());
    EXPECT_EQ(a, (std::vector<double>{4, 1, 123, 1, 3, 456}));
    EXPECT_NEAR(ev[0], 3.5 + std::sqrt(1.25), 1e-14);
    EXPECT_NEAR(ev[1], 3.5 - std::sqrt(1.25), 1e-14);
}

TEST_F(DevlsfTest, ExtremeScalesNeitherOverflowNorUnderflow) {
    std::mt19937 gen(5);
    const Matrix base = RandomSymmetric(5, gen);
    const Vector ref = Reference(base);
    for (double dScale : {1e150, 1e-150, 1e300}) {
        Matrix a = base * dScale;
        const Vector ev = Eigenvalues(a);
        EXPECT_LE((ev / dScale - ref).norm(), 1e-13) << dScale;
    }
}

TEST_F(DevlsfTest, ZeroMatrixAndOrderOne) {
    Matrix z = Matrix::Zero(3, 3);
    EXPECT_EQ(Eigenvalues(z), Vector::Zero(3));
    Matrix one(1, 1);
    one << -2.5;
    EXPECT_EQ(Eigenvalues(one)(0), -2.5);
}

TEST_F(DevlsfTest, NoConvergenceWarnsAndReturns) {
    Matrix a(3, 3);
    a << 1, std::numeric_limits<double>::quiet_NaN(), 0, 0, 2, 1, 0, 1, 3;
    std::string str;
    Eigenvalues(a, &str);
    EXPECT_EQ(str, " *** WARNING ERROR 503 from DEVLSF.  The iteration for the eigenvalue failed  to converge in 100 "
                   "iterations before               deflating\n");
    EXPECT_EQ(TarnfitKernelSeverity(), 3);
    EXPECT_TRUE(std::isnan(a(1, 0))); // the lower triangle is rewritten from the upper one
}

TEST_F(DevlsfTest, ArgumentErrors) {
    std::vector<double> a = {1, 0, 0, 1}, ev = {7, 7};
    int n = 0, lda = 2;
    std::string str = Captured([&] { DEVLSF(&n, a.data(), &lda, ev.data()); });
    EXPECT_EQ(str, " *** TERMINAL ERROR 501 from DEVLSF.  The argument N = 0.  The order of the matrix must be at least "
                   "1.\n");
    n = 2;
    lda = 1;
    str = Captured([&] { DEVLSF(&n, a.data(), &lda, ev.data()); });
    EXPECT_EQ(str, " *** TERMINAL ERROR 502 from DEVLSF.  The argument LDA = 1.  The leading dimension of the matrix "
                   "must be at least equal to the order of the matrix, N = 2.\n");
    EXPECT_EQ(TarnfitKernelSeverity(), 5);
    EXPECT_EQ(ev, (std::vector<double>{7, 7}));
}

class DevlsfRandomTest : public ::testing::TestWithParam<int> {};

TEST_P(DevlsfRandomTest, AgreesWithEigen) {
    const int n = GetParam();
    std::mt19937 gen(500 + n);
    for (int nRep = 0; nRep < 5; ++nRep) {
        Matrix a = RandomSymmetric(n, gen);
        if (nRep == 4) // a normal matrix of a regression, as the hot-deformation fits build them
            a = (a.transpose() * a * 1e6).selfadjointView<Eigen::Upper>();
        const Matrix aCopy = a;
        const Vector ev = Eigenvalues(a);
        const Vector ref = Reference(aCopy);
        EXPECT_LE((ev - ref).cwiseAbs().maxCoeff(), 1e-13 * aCopy.norm()) << aCopy;
        EXPECT_EQ(a, aCopy);
    }
    EXPECT_EQ(tarnfit::kernels::E1Level(), 1);
}

INSTANTIATE_TEST_SUITE_P(Orders, DevlsfRandomTest, ::testing::Range(1, 11));

// --- DRLSE ---

struct SRegression {
    Vector b;
    double sst = 0, sse = 0;
    std::string strOut;
};

SRegression Regress(const Vector& y, const Matrix& x, int nIntcep) {
    const int nRow = static_cast<int>(y.size()), nInd = static_cast<int>(x.cols()), ldx = nRow;
    SRegression r;
    r.b = Vector::Constant(nInd + nIntcep, 42.0);
    r.strOut = Captured(
        [&] { DRLSE(&nRow, y.data(), &nInd, x.data(), &ldx, &nIntcep, r.b.data(), &r.sst, &r.sse); });
    return r;
}

TEST_F(DrlseTest, RecoversAnExactLinearLaw) {
    Matrix x(8, 2);
    Vector y(8);
    for (int i = 0; i < 8; ++i) {
        x(i, 0) = 0.5 * i;
        x(i, 1) = std::sin(1.0 + i);
        y(i) = 2 + 3 * x(i, 0) - x(i, 1);
    }
    const SRegression r = Regress(y, x, 1);
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(TarnfitKernelSeverity(), 0);
    EXPECT_NEAR(r.b(0), 2, 1e-13);
    EXPECT_NEAR(r.b(1), 3, 1e-13);
    EXPECT_NEAR(r.b(2), -1, 1e-13);
    EXPECT_LE(r.sse, 1e-25);
    EXPECT_NEAR(r.sst, (y.array() - y.mean()).square().sum(), 1e-12);
}

TEST_F(DrlseTest, RankDeficientModelWarnsAndStillFits) {
    Matrix x(10, 3);
    Vector y(10);
    for (int i = 0; i < 10; ++i) {
        x(i, 0) = i;
        x(i, 1) = std::cos(0.3 * i);
        x(i, 2) = x(i, 0) + 2 * x(i, 1); // dependent on the others
        y(i) = 1 + x(i, 0) - x(i, 1) + 0.01 * std::sin(5.0 * i);
    }
    const SRegression r = Regress(y, x, 1);
    EXPECT_EQ(r.strOut, " *** WARNING ERROR 605 from DRLSE.  The model is not full rank.  There is not a unique least "
                        "squares solution.  The rank of the matrix of regressors is 3.\n");
    EXPECT_EQ(TarnfitKernelSeverity(), 3);
    EXPECT_EQ(TarnfitKernelCode(), TARNFIT_DRLSE_RANK);
    EXPECT_EQ(r.b(3), 0.0);
    // The other coefficients are the least-squares fit without the dependent column.
    Matrix design(10, 3);
    design << Vector::Ones(10), x.leftCols(2);
    const Vector ref = design.colPivHouseholderQr().solve(y);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(r.b(k), ref(k), 1e-12);
    EXPECT_NEAR(r.sse, (y - design * ref).squaredNorm(), 1e-14);
}

TEST_F(DrlseTest, ConstantRegressorIsDependentOnTheIntercept) {
    Matrix x(5, 2);
    x << 1, 7, 2, 7, 3, 7, 4, 7, 5, 7;
    const Vector y = (Vector(5) << 2, 4, 6, 8, 10).finished();
    const SRegression r = Regress(y, x, 1);
    EXPECT_TRUE(Contains(r.strOut, "The rank of the matrix of regressors is 2."));
    EXPECT_NEAR(r.b(0), 0, 1e-13);
    EXPECT_NEAR(r.b(1), 2, 1e-13);
    EXPECT_EQ(r.b(2), 0.0);
}

TEST_F(DrlseTest, FewerObservationsThanCoefficients) {
    Matrix x(2, 3);
    x << 1, 2, 3, 4, 5, 7;
    const Vector y = (Vector(2) << 1, 2).finished();
    const SRegression r = Regress(y, x, 1);
    EXPECT_TRUE(Contains(r.strOut, "The rank of the matrix of regressors is 2."));
    EXPECT_LE(r.sse, 1e-25);
}

TEST_F(DrlseTest, ArgumentErrors) {
    const Vector y = Vector::Ones(3);
    const Matrix x = Matrix::Ones(3, 1);
    Vector b = Vector::Constant(2, 42.0);
    double sst = -1, sse = -1;
    struct SCase {
        int nRow, nInd, ldx, nIntcep, nCode;
        const char* pszText;
    };
    for (const SCase& c :
         {SCase{3, 1, 3, 2, 601, "INTCEP = 2.  INTCEP must be equal to 0 or 1."},
          SCase{3, 0, 3, 0, 602,
                "NIND = 0 and INTCEP = 0.  NIND must be nonnegative and NIND + INTCEP must be at least 1."},
          SCase{0, 1, 3, 1, 603, "NROW = 0.  The number of observations must be at least 1."},
          SCase{3, 1, 2, 1, 604,
                "LDX = 2 and NROW = 3.  The leading dimension of X must be at least equal to the number of "
                "observations."}}) {
        const std::string str = Captured(
            [&] { DRLSE(&c.nRow, y.data(), &c.nInd, x.data(), &c.ldx, &c.nIntcep, b.data(), &sst, &sse); });
        EXPECT_EQ(str, std::string(" *** TERMINAL ERROR ") + std::to_string(c.nCode) + " from DRLSE.  " + c.pszText +
                           "\n");
        EXPECT_EQ(TarnfitKernelCode(), c.nCode);
    }
    EXPECT_EQ(b, Vector::Constant(2, 42.0));
    EXPECT_EQ(sst, -1);
    EXPECT_EQ(sse, -1);
}

TEST_F(DrlseTest, InterceptOnly) {
    const Vector y = (Vector(4) << 1, 2, 3, 6).finished();
    const Matrix x(4, 0);
    const SRegression r = Regress(y, x, 1);
    EXPECT_EQ(r.strOut, "");
    EXPECT_NEAR(r.b(0), 3, 1e-15);
    EXPECT_NEAR(r.sse, 14, 1e-13);
    EXPECT_NEAR(r.sst, 14, 1e-13);
}

class DrlseRandomTest : public ::testing::TestWithParam<int> {};

TEST_P(DrlseRandomTest, NoisyDataAgreeWithEigen) {
    const int nInd = GetParam();
    std::mt19937 gen(900 + nInd);
    std::normal_distribution<double> normal;
    const int nRow = 40 + 10 * nInd;
    for (int nIntcep : {0, 1}) {
        Matrix x(nRow, nInd);
        Vector y(nRow);
        for (int i = 0; i < nRow; ++i) {
            double v = 5.0;
            for (int j = 0; j < nInd; ++j) {
                x(i, j) = 100.0 * (j + 1) + normal(gen) * (j + 1); // far from the origin
                v += (j + 1) * 0.5 * x(i, j);
            }
            y(i) = v + normal(gen);
        }
        const SRegression r = Regress(y, x, nIntcep);
        EXPECT_EQ(r.strOut, "");
        Matrix design(nRow, nInd + nIntcep);
        if (nIntcep)
            design << Vector::Ones(nRow), x;
        else
            design = x;
        const Vector ref = design.colPivHouseholderQr().solve(y);
        const double dSse = (y - design * ref).squaredNorm();
        EXPECT_LE((r.b - ref).norm(), 1e-8 * ref.norm()) << "INTCEP " << nIntcep;
        EXPECT_NEAR(r.sse, dSse, 1e-8 * dSse);
        const double dSst = nIntcep ? (y.array() - y.mean()).square().sum() : y.squaredNorm();
        EXPECT_NEAR(r.sst, dSst, 1e-10 * dSst);
    }
    EXPECT_EQ(tarnfit::kernels::E1Level(), 1);
}

INSTANTIATE_TEST_SUITE_P(Regressors, DrlseRandomTest, ::testing::Range(1, 10));

} // namespace
