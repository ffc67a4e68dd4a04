// DRLSE: multiple linear regression by least squares.
//
// The upper-triangular factor R of [1 | X | y] is accumulated observation by observation
// with Givens rotations (Golub and Van Loan, Matrix Computations, 5.1.8 and 12.5; W. M.
// Gentleman, J. Inst. Maths Applics 12 (1973) 329-336), in one pass, together with the
// column means and centred sums of squares (Welford's update) for the rank decision.

#include "kernels/ErrorMechanism.h"
#include "kernels/KernelSupport.h"
#include "tarnfit/kernels.h"

#include <cmath>
#include <cstddef>
#include <cxxabi.h>

namespace tarnfit::kernels {

namespace {

constexpr double kRankTolerance = 100.0 * kEps;

// Rotates the row w[0..m-1] into the upper-triangular m x m factor r (column-major).
void RotateIn(int m, double* r, double* w) {
    for (int k = 0; k < m; ++k) {
        const double wk = w[k];
        if (wk == 0.0)
            continue;
        double& rkk = r[k + static_cast<std::ptrdiff_t>(k) * m];
        if (rkk == 0.0) {
            // The rotation through 90 degrees: the row takes the place of the empty one.
            for (int j = k; j < m; ++j) {
                r[k + static_cast<std::ptrdiff_t>(j) * m] = w[j];
                w[j] = 0.0;
            }
            return;
        }
        const double h = std::hypot(rkk, wk);
        const double c = rkk / h, s = wk / h;
        rkk = h;
        w[k] = 0.0;
        for (int j = k + 1; j < m; ++j) {
            double& rkj = r[k + static_cast<std::ptrdiff_t>(j) * m];
            const double t = rkj;
            rkj = c * t + s * w[j];
            w[j] = -s * t + c * w[j];
        }
    }
}

void Body(int nRow, const double* y, int nInd, const double* x, int ldx, int nIntcep, double* b, double* sst,
          double* sse) {
    const int p = nIntcep + nInd; // coefficients
    const int m = p + 1;          // columns of [1 | X | y]
    const std::size_t mm = static_cast<std::size_t>(m);
    CWorkspace<double> work;
    CWorkspace<int> iwork;
    if (!work.Allocate(2 * mm * mm + 4 * mm) || !iwork.Allocate(mm)) {
        E1STI(1, nInd);
        E1STI(2, nIntcep);
        E1MES(kTerminal, TARNFIT_DRLSE_STORAGE,
              "The required storage cannot be allocated based on NIND = %(I1) and INTCEP = %(I2).");
        return;
    }
    double* r = work.Get();      // m x m factor
    double* r2 = r + mm * mm;    // factor without the dependent columns
    double* w = r2 + mm * mm;    // the row being rotated in
    double* mean = w + mm;       // running column means
    double* m2 = mean + mm;      // running centred sums of squares
    double* coef = m2 + mm;      // coefficients of the kept columns
    int* keep = iwork.Get();     // kept column indices
    for (std::size_t i = 0; i < mm * mm; ++i)
        r[i] = 0.0;
    for (int j = 0; j < m; ++j)
        mean[j] = m2[j] = 0.0;

    for (int i = 0; i < nRow; ++i) {
        int k = 0;
        if (nIntcep == 1)
            w[k++] = 1.0;
        for (int j = 0; j < nInd; ++j)
            w[k++] = x[i + static_cast<std::ptrdiff_t>(j) * ldx];
        w[p] = y[i];
        const double dCount = i + 1;
        for (int j = 0; j < m; ++j) {
            const double dDelta = w[j] - mean[j];
            mean[j] += dDelta / dCount;
            m2[j] += dDelta * (w[j] - mean[j]);
        }
        RotateIn(m, r, w);
    }

    // Rank: column k is dependent on the columns before it when its part of the factor,
    // R_kk^2, is at most 100 eps of its own sum of squares (1 - R^2 <= 100 eps).
    int nKeep = 0;
    for (int k = 0; k < p; ++k) {
        double dSum;
        if (nIntcep == 1 && k == 0)
            dSum = nRow;
        else if (nIntcep == 1)
            dSum = m2[k];
        else
            dSum = m2[k] + nRow * mean[k] * mean[k];
        const double rkk = r[k + mm * k];
        if (dSum > 0.0 && rkk * rkk > kRankTolerance * dSum)
            keep[nKeep++] = k;
    }
    keep[nKeep] = p; // the response column

    const double* rf = r;
    int mf = m;
    if (nKeep < p) {
        // Re-triangularise the factor without the dependent columns: the rows of R with
        // those columns removed have the same cross-product matrix as the reduced data.
        const int m2Cols = nKeep + 1;
        for (std::size_t i = 0; i < static_cast<std::size_t>(m2Cols) * m2Cols; ++i)
            r2[i] = 0.0;
        for (int row = 0; row < m; ++row) {
            for (int j = 0; j < m2Cols; ++j)
                w[j] = r[row + mm * keep[j]];
            RotateIn(m2Cols, r2, w);
        }
        rf = r2;
        mf = m2Cols;
    }

    // Back-substitution for the kept coefficients.
    const int q = mf - 1;
    for (int k = q - 1; k >= 0; --k) {
        double s = rf[k + static_cast<std::ptrdiff_t>(q) * mf];
        for (int j = k + 1; j < q; ++j)
            s -= rf[k + static_cast<std::ptrdiff_t>(j) * mf] * coef[j];
        coef[k] = s / rf[k + static_cast<std::ptrdiff_t>(k) * mf];
    }
    for (int k = 0; k < p; ++k)
        b[k] = 0.0;
    for (int k = 0; k < nKeep; ++k)
        b[keep[k]] = coef[k];
    const double rLast = rf[q + static_cast<std::ptrdiff_t>(q) * mf];
    *sse = rLast * rLast;
    *sst = nIntcep == 1 ? m2[p] : m2[p] + nRow * mean[p] * mean[p];

    if (nKeep < p) {
        E1STI(1, nKeep);
        E1MES(kWarning, TARNFIT_DRLSE_RANK,
              "The model is not full rank.  There is not a unique least squares solution.  The rank of the matrix of "
              "regressors is %(I1).");
    }
}

} // namespace

} // namespace tarnfit::kernels

extern "C" void DRLSE(const int* NROW, const double* Y, const int* NIND, const double* X, const int* LDX,
                      const int* INTCEP, double* B, double* SST, double* SSE) {
    using namespace tarnfit::kernels;
    CRoutineScope scope("DRLSE");
    if (!scope.Entered())
        return;
    const int nIntcep = *INTCEP;
    const int nInd = *NIND;
    const int nRow = *NROW;
    if (nIntcep != 0 && nIntcep != 1) {
        E1STI(1, nIntcep);
        E1MES(kTerminal, TARNFIT_DRLSE_INTCEP, "INTCEP = %(I1).  INTCEP must be equal to 0 or 1.");
        return;
    }
    if (nInd < 0 || nInd + nIntcep < 1) {
        E1STI(1, nInd);
        E1STI(2, nIntcep);
        E1MES(kTerminal, TARNFIT_DRLSE_NIND,
              "NIND = %(I1) and INTCEP = %(I2).  NIND must be nonnegative and NIND + INTCEP must be at least 1.");
        return;
    }
    if (nRow < 1) {
        E1STI(1, nRow);
        E1MES(kTerminal, TARNFIT_DRLSE_NROW, "NROW = %(I1).  The number of observations must be at least 1.");
        return;
    }
    if (nInd >= 1 && *LDX < nRow) {
        E1STI(1, *LDX);
        E1STI(2, nRow);
        E1MES(kTerminal, TARNFIT_DRLSE_LDX,
              "LDX = %(I1) and NROW = %(I2).  The leading dimension of X must be at least equal to the number of "
              "observations.");
        return;
    }
    try {
        Body(nRow, Y, nInd, X, *LDX, nIntcep, B, SST, SSE);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        // Only storage can run out here: the routine calls no user code.
        E1STI(1, nInd);
        E1STI(2, nIntcep);
        E1MES(kTerminal, TARNFIT_DRLSE_STORAGE, "The required storage cannot be allocated based on NIND = %(I1) and INTCEP = %(I2).");
    }
}
