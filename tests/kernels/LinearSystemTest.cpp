// DLSARG against Eigen as an independent oracle.

#include "KernelTestSupport.h"

#include "kernels/LinearAlgebra.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using vornel_test::Captured;
using vornel_test::Contains;

namespace {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

class DlsargTest : public vornel_test::KernelTest {};

Vector Solve(const Matrix& a, const Vector& b, int nPath, std::string* pOut = nullptr) {
    const int n = static_cast<int>(a.rows());
    const int lda = n;
    Vector x = Vector::Zero(n);
    const std::string str = Captured([&] { DLSARG(&n, a.data(), &lda, b.data(), &nPath, x.data()); });
    if (pOut)
        *pOut = str;
    return x;
}

// A random n x n matrix with the given singular values from largest to smallest, spread
// geometrically: U diag(s) V' with random orthogonal U and V.
Matrix WithCondition(int n, double dCond, std::mt19937& gen) {
    std::normal_distribution<double> normal;
    Matrix g1(n, n), g2(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            g1(i, j) = normal(gen);
            g2(i, j) = normal(gen);
        }
    const Matrix u = Eigen::HouseholderQR<Matrix>(g1).householderQ();
    const Matrix v = Eigen::HouseholderQR<Matrix>(g2).householderQ();
    Vector s(n);
    for (int i = 0; i < n; ++i)
        s(i) = n == 1 ? 1.0 : std::pow(dCond, -static_cast<double>(i) / (n - 1));
    return u * s.asDiagonal() * v.transpose();
}

TEST_F(DlsargTest, SolvesAThreeByThreeSystemExactlyWithoutMessage) {
    Matrix a(3, 3);
    a << 2, 1, 1, 4, -6, 0, -2, 7, 2;
    const Vector xTrue = (Vector(3) << 1, 2, 3).finished();
    const Vector b = a * xTrue;
    std::string str;
    const Vector x = Solve(a, b, 1, &str);
    EXPECT_EQ(str, "");
    EXPECT_EQ(TarnfitKernelSeverity(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(x(i), xTrue(i), 1e-15 * 3);
}

TEST_F(DlsargTest, PathTwoSolvesTheTransposedSystem) {
    Matrix a(3, 3);
    a << 2, 1, 1, 4, -6, 0, -2, 7, 2;
    const Vector xTrue = (Vector(3) << -1, 0.5, 4).finished();
    const Vector b = a.transpose() * xTrue;
    std::string str;
    const Vector x = Solve(a, b, 2, &str);
    EXPECT_EQ(str, "");
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(x(i), xTrue(i), 1e-14);
    // The same b with path 1 gives the solution of A x = b instead.
    const Vector x1 = Solve(a, b, 1);
    const Vector xEigen = a.partialPivLu().solve(b);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(x1(i), xEigen(i), 1e-13);
}

TEST_F(DlsargTest, LeavesAAndBUnchangedAndAllowsBAsX) {
    Matrix a(2, 2);
    a << 4, 1, 2, 3;
    const Matrix aCopy = a;
    Vector b = (Vector(2) << 1, 2).finished();
    const int n = 2, lda = 2, ipath = 1;
    DLSARG(&n, a.data(), &lda, b.data(), &ipath, b.data()); // X is B
    EXPECT_EQ(a, aCopy);
    EXPECT_NEAR(b(0), 0.1, 1e-15);
    EXPECT_NEAR(b(1), 0.6, 1e-15);
}

TEST_F(DlsargTest, HonoursTheLeadingDimension) {
    // 2 x 2 system stored in a 3-row array; the third row is garbage.
    std::vector<double> a = {4, 2, 999, 1, 3, -999};
    const std::vector<double> b = {1, 2};
    std::vector<double> x(2);
    const int n = 2, lda = 3, ipath = 1;
    DLSARG(&n, a.data(), &lda, b.data(), &ipath, x.data());
    EXPECT_NEAR(x[0], 0.1, 1e-15);
    EXPECT_NEAR(x[1], 0.6, 1e-15);
}

TEST_F(DlsargTest, SingularMatrixGivesTheFatalMessageAndNoSolution) {
    for (const Matrix& a : {(Matrix(2, 2) << 1, 2, 2, 4).finished(),
                            (Matrix(3, 3) << 1, 2, 3, 4, 5, 6, 7, 8, 9).finished(),
                            (Matrix(3, 3) << 1, 0, 0, 0, 0, 0, 0, 0, 1).finished(), Matrix::Zero(4, 4).eval()}) {
        const int n = static_cast<int>(a.rows()), lda = n, ipath = 1;
        const Vector b = Vector::Ones(n);
        Vector x = Vector::Constant(n, 42.0);
        const std::string str = Captured([&] { DLSARG(&n, a.data(), &lda, b.data(), &ipath, x.data()); });
        EXPECT_EQ(str, " *** FATAL ERROR 404 from DLSARG.  The input matrix is singular.  Some of the diagonal "
                       "elements of the upper triangular matrix U of the LU factorization are close to zero.\n")
            << a;
        EXPECT_EQ(TarnfitKernelSeverity(), 4);
        EXPECT_EQ(TarnfitKernelCode(), TARNFIT_DLSARG_SINGULAR);
        EXPECT_TRUE(TARNFIT_KERNEL_FAILED(TarnfitKernelSeverity()));
        EXPECT_EQ(x, Vector::Constant(n, 42.0)); // untouched
    }
}

TEST_F(DlsargTest, BadScalingIsNotSingularity) {
    // diag(1e20, 1) is perfectly solvable; it is merely badly scaled.
    Matrix a(2, 2);
    a << 1e20, 0, 0, 1;
    std::string str;
    const Vector x = Solve(a, (Vector(2) << 1e20, 3).finished(), 1, &str);
    EXPECT_DOUBLE_EQ(x(0), 1.0);
    EXPECT_DOUBLE_EQ(x(1), 3.0);
    EXPECT_TRUE(Contains(str, "too ill-conditioned")); // RCOND = 1e-20 < eps
    EXPECT_EQ(TarnfitKernelSeverity(), 3);
}

TEST_F(DlsargTest, ArgumentErrorsAreTerminalAndPrintedAtOnce) {
    std::vector<double> a = {1, 0, 0, 1}, b = {1, 1}, x = {7, 7};
    struct SCase {
        int n, lda, ipath;
        const char* pszText;
        int nCode;
    };
    for (const SCase& c : {SCase{0, 2, 1, "The number of equations must be positive while N = 0 is given.", 401},
                           SCase{2, 1, 1,
                                 "The order of the matrix must be less than or equal to its leading dimension while "
                                 "N = 2 and LDA = 1 are given.",
                                 402},
                           SCase{2, 2, 3, "IPATH must be either 1 or 2 while a value of 3 is given.", 403}}) {
        const std::string str = Captured([&] { DLSARG(&c.n, a.data(), &c.lda, b.data(), &c.ipath, x.data()); });
        EXPECT_EQ(str, std::string(" *** TERMINAL ERROR ") + std::to_string(c.nCode) + " from DLSARG.  " + c.pszText +
                           "\n");
        EXPECT_EQ(TarnfitKernelSeverity(), 5);
        EXPECT_EQ(TarnfitKernelCode(), c.nCode);
        EXPECT_EQ(x, (std::vector<double>{7, 7}));
    }
}

TEST_F(DlsargTest, NearlySingularMatrixWarnsAndStillSolves) {
    // The Hilbert matrices of order 12 and 13 have condition numbers near 1e16 and 1e18:
    // beyond 1/eps, yet no pivot vanishes to working precision.
    for (int n : {12, 13}) {
        Matrix a(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                a(i, j) = 1.0 / (i + j + 1);
        const Vector b = a * Vector::Ones(n);
        std::string str;
        const Vector x = Solve(a, b, 1, &str);
        EXPECT_TRUE(Contains(str, " *** WARNING ERROR 405 from DLSARG.  The matrix is too ill-conditioned. An "
                                  "estimate of the reciprocal of its L1 condition number is RCOND = "))
            << str;
        EXPECT_TRUE(Contains(str, ".  The solution might not be accurate.\n"));
        EXPECT_EQ(TarnfitKernelSeverity(), 3);
        EXPECT_EQ(TarnfitKernelCode(), TARNFIT_DLSARG_ILL_CONDITIONED);
        const double dRcond = std::stod(str.substr(str.find("RCOND = ") + 8));
        EXPECT_LT(dRcond, 2.220446049250313e-16);
        EXPECT_GT(dRcond, 1e-20);
        // Backward stable: the residual is at rounding level.
        EXPECT_LE((b - a * x).norm(), 1e-14 * a.norm() * x.norm()) << n;
    }
}

// Random systems of order 1..10 with fixed seeds.
class DlsargRandomTest : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { EXPECT_EQ(tarnfit::kernels::E1Level(), 1); }
};

TEST_P(DlsargRandomTest, WellConditionedAgreesWithEigen) {
    const int n = GetParam();
    std::mt19937 gen(1000 + n);
    std::uniform_real_distribution<double> uni(-1.0, 1.0);
    Matrix a(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            a(i, j) = uni(gen);
    a += n * Matrix::Identity(n, n); // diagonally dominant
    Vector b(n);
    for (int i = 0; i < n; ++i)
        b(i) = uni(gen);
    for (int nPath : {1, 2}) {
        std::string str;
        const Vector x = Solve(a, b, nPath, &str);
        EXPECT_EQ(str, "");
        const Vector xEigen = nPath == 1 ? Vector(a.fullPivLu().solve(b)) : Vector(a.transpose().fullPivLu().solve(b));
        EXPECT_LE((x - xEigen).norm(), 1e-14 * xEigen.norm()) << "path " << nPath;
    }
}

TEST_P(DlsargRandomTest, IllConditionedIsAccurateToTheConditionNumber) {
    const int n = GetParam(); // at order 1 every matrix is perfectly conditioned
    std::mt19937 gen(2000 + n);
    for (double dCond : {1e6, 1e10, 1e13}) {
        const Matrix a = WithCondition(n, dCond, gen);
        const Vector xTrue = Vector::LinSpaced(n, -1, 2);
        const Vector b = a * xTrue;
        for (int nPath : {1, 2}) {
            const Vector rhs = nPath == 1 ? b : Vector(a.transpose() * xTrue);
            std::string str;
            const Vector x = Solve(a, rhs, nPath, &str);
            EXPECT_EQ(str, "") << "cond " << dCond;
            // Reference: the exact solution of the stored system, to about cond * 2^-64, from
            // Eigen's full-pivoting LU in extended precision.
            using MatrixL = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
            using VectorL = Eigen::Matrix<long double, Eigen::Dynamic, 1>;
            const MatrixL al = nPath == 1 ? MatrixL(a.cast<long double>()) : MatrixL(a.transpose().cast<long double>());
            const VectorL xRef = al.fullPivLu().solve(VectorL(rhs.cast<long double>()));
            const double dErrRef = static_cast<double>((x.cast<long double>() - xRef).norm() / xRef.norm());
            const double dErrTrue = (x - xTrue).norm() / xTrue.norm();
            // Within the plain LU bound cond * eps of the intended solution, and, thanks to the
            // refinement with extended-precision residuals, close to the exact solution of the
            // stored system.
            EXPECT_LE(dErrTrue, 10.0 * n * dCond * 1.1e-16) << "cond " << dCond << " path " << nPath;
            EXPECT_LE(dErrRef, 10.0 * n * (1.1e-16 + dCond * 5.5e-20)) << "cond " << dCond << " path " << nPath;
        }
    }
}

TEST_P(DlsargRandomTest, InverseNormEstimateIsWithinAFactorOfTheTrueValue) {
    // The L1 estimate behind RCOND, checked on its own against the norm of Eigen's inverse.
    using namespace tarnfit::kernels;
    const int n = GetParam();
    std::mt19937 gen(3000 + n);
    for (double dCond : {1.0, 1e3, 1e8}) {
        const Matrix a = WithCondition(n, dCond, gen);
        Matrix lu = a;
        std::vector<int> ipvt(n), isgn(n);
        std::vector<double> colMax(n), work(n);
        for (int j = 0; j < n; ++j)
            colMax[j] = a.col(j).cwiseAbs().maxCoeff();
        ASSERT_EQ(LuFactor(n, lu.data(), n, ipvt.data(), colMax.data()), 0);
        const double dEst = LuInverseNorm1(n, lu.data(), n, ipvt.data(), work.data(), isgn.data());
        const double dTrue = a.inverse().cwiseAbs().colwise().sum().maxCoeff();
        // Hager's estimate is a lower bound, in practice within a factor 3 of the true norm.
        EXPECT_LE(dEst, dTrue * (1 + 1e-10)) << "cond " << dCond;
        EXPECT_GE(dEst, dTrue / 3.0) << "cond " << dCond;
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, DlsargRandomTest, ::testing::Range(1, 11));

} // namespace
