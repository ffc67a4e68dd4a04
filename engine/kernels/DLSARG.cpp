// DLSARG: real general linear system with iterative refinement.
//
// P A = L U by Gaussian elimination with partial pivoting (Golub and Van Loan, Matrix
// Computations, 3.4), an L1 condition estimate by Hager's method in Higham's form (LAPACK
// xLACN2), and iterative refinement with residuals against the unfactored A accumulated in
// extended precision (Wilkinson; C. B. Moler, "Iterative refinement in floating point",
// J. ACM 14 (1967) 316-321).

#include "kernels/ErrorMechanism.h"
#include "kernels/KernelSupport.h"
#include "kernels/LinearAlgebra.h"
#include "tarnfit/kernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cxxabi.h>

namespace tarnfit::kernels {

namespace {

constexpr int kMaxCorrections = 10;

// r = b - op(A) x, accumulated in extended precision. Returns false when r is exactly 0.
bool Residual(int n, const double* a, int lda, const double* b, const double* x, bool bTransposed, double* r) {
    bool bNonzero = false;
    for (int i = 0; i < n; ++i) {
        long double s = b[i];
        for (int j = 0; j < n; ++j) {
            const double aij = bTransposed ? a[j + static_cast<std::ptrdiff_t>(i) * lda]
                                           : a[i + static_cast<std::ptrdiff_t>(j) * lda];
            s -= static_cast<long double>(aij) * x[j];
        }
        r[i] = static_cast<double>(s);
        bNonzero = bNonzero || r[i] != 0.0;
    }
    return bNonzero;
}

double NormInf(int n, const double* v) {
    double d = 0.0;
    for (int i = 0; i < n; ++i)
        d = std::max(d, std::fabs(v[i]));
    return d;
}

void Body(int n, const double* a, int lda, const double* b, int nPath, double* x) {
    const std::size_t nn = static_cast<std::size_t>(n);
    CWorkspace<double> work;
    CWorkspace<int> iwork;
    if (!work.Allocate(nn * nn + 3 * nn) || !iwork.Allocate(2 * nn)) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DLSARG_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
        return;
    }
    double* lu = work.Get();
    double* sol = lu + nn * nn;
    double* r = sol + nn;
    double* v = r + nn;
    int* ipvt = iwork.Get();
    int* isgn = ipvt + nn;

    // Copy A, and the largest magnitude of each of its columns for the pivot test.
    double dNorm1 = 0.0;
    for (int j = 0; j < n; ++j) {
        double dColMax = 0.0, dColSum = 0.0;
        for (int i = 0; i < n; ++i) {
            const double aij = a[i + static_cast<std::ptrdiff_t>(j) * lda];
            lu[i + nn * j] = aij;
            dColMax = std::max(dColMax, std::fabs(aij));
            dColSum += std::fabs(aij);
        }
        v[j] = dColMax;
        dNorm1 = std::max(dNorm1, dColSum);
    }
    if (LuFactor(n, lu, n, ipvt, v) != 0) {
        E1MES(kFatal, TARNFIT_DLSARG_SINGULAR,
              "The input matrix is singular.  Some of the diagonal elements of the upper triangular matrix U of the "
              "LU factorization are close to zero.");
        return;
    }
    const double dInvNorm = LuInverseNorm1(n, lu, n, ipvt, v, isgn);
    const double dRcond = (dNorm1 > 0.0 && dInvNorm > 0.0) ? (1.0 / dNorm1) / dInvNorm : 0.0;

    const bool bTransposed = nPath == 2;
    for (int i = 0; i < n; ++i)
        sol[i] = b[i];
    LuSolve(n, lu, n, ipvt, sol, bTransposed);

    // Refinement: x += A^-1 (b - A x) while the corrections shrink at least by half; ends
    // when a correction no longer changes x (relative size eps), the residual is 0, or after
    // kMaxCorrections corrections. A correction that does not shrink is not applied.
    double dLimit = 0.5 * NormInf(n, sol);
    for (int nCount = 0; nCount < kMaxCorrections; ++nCount) {
        if (!Residual(n, a, lda, b, sol, bTransposed, r))
            break;
        LuSolve(n, lu, n, ipvt, r, bTransposed);
        const double dCorrection = NormInf(n, r);
        if (!(dCorrection <= dLimit))
            break;
        for (int i = 0; i < n; ++i)
            sol[i] += r[i];
        if (dCorrection <= kEps * NormInf(n, sol))
            break;
        dLimit = 0.5 * dCorrection;
    }
    for (int i = 0; i < n; ++i)
        x[i] = sol[i];

    if (dRcond < kEps) {
        E1STD(1, dRcond);
        E1MES(kWarning, TARNFIT_DLSARG_ILL_CONDITIONED,
              "The matrix is too ill-conditioned. An estimate of the reciprocal of its L1 condition number is RCOND = "
              "%(D1).  The solution might not be accurate.");
    }
}

} // namespace

} // namespace tarnfit::kernels

extern "C" void DLSARG(const int* N, const double* A, const int* LDA, const double* B, const int* IPATH, double* X) {
    using namespace tarnfit::kernels;
    CRoutineScope scope("DLSARG");
    if (!scope.Entered())
        return;
    const int n = *N;
    if (n < 1) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DLSARG_N, "The number of equations must be positive while N = %(I1) is given.");
        return;
    }
    if (*LDA < n) {
        E1STI(1, n);
        E1STI(2, *LDA);
        E1MES(kTerminal, TARNFIT_DLSARG_LDA,
              "The order of the matrix must be less than or equal to its leading dimension while N = %(I1) and LDA = "
              "%(I2) are given.");
        return;
    }
    if (*IPATH != 1 && *IPATH != 2) {
        E1STI(1, *IPATH);
        E1MES(kTerminal, TARNFIT_DLSARG_IPATH, "IPATH must be either 1 or 2 while a value of %(I1) is given.");
        return;
    }
    try {
        Body(n, A, *LDA, B, *IPATH, X);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        // Only storage can run out here: the routine calls no user code.
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DLSARG_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
    }
}
