// DEVLSF: all eigenvalues of a real symmetric matrix.
//
// Householder reduction to tridiagonal form (Wilkinson and Reinsch, Handbook for Automatic
// Computation II, procedure tred1, in its row-wise form) on a scaled copy held in the strict
// lower triangle of A and a diagonal vector, followed by the implicit QL method (same
// Handbook, procedure tql1) with at most 100 iterations per eigenvalue.

#include "kernels/ErrorMechanism.h"
#include "kernels/KernelSupport.h"
#include "tarnfit/kernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cxxabi.h>

namespace tarnfit::kernels {

namespace {

constexpr int kMaxIterations = 100;

// The working symmetric matrix: element (i, j) with i > j lives in the strict lower
// triangle of A, the diagonal in adDiag.
struct SLowerMatrix {
    double* a;
    int lda;
    double* adDiag;
    double& operator()(int i, int j) const {
        return i == j ? adDiag[i] : a[i + static_cast<std::ptrdiff_t>(j) * lda];
    }
};

// Householder tridiagonalisation of the matrix m of order n: on return d holds the diagonal
// and e[1..n-1] the subdiagonal of the tridiagonal matrix (e[0] = 0).
void Tridiagonalise(int n, const SLowerMatrix& m, double* d, double* e) {
    for (int i = n - 1; i > 0; --i) {
        const int l = i - 1;
        if (l > 0) {
            double dScale = 0.0;
            for (int k = 0; k < i; ++k)
                dScale += std::fabs(m(i, k));
            if (dScale == 0.0) {
                e[i] = m(i, l);
                continue;
            }
            double h = 0.0;
            for (int k = 0; k < i; ++k) {
                m(i, k) /= dScale;
                h += m(i, k) * m(i, k);
            }
            double f = m(i, l);
            double g = f >= 0.0 ? -std::sqrt(h) : std::sqrt(h);
            e[i] = dScale * g;
            h -= f * g;
            m(i, l) = f - g;
            f = 0.0;
            for (int j = 0; j < i; ++j) {
                g = 0.0;
                for (int k = 0; k <= j; ++k)
                    g += m(j, k) * m(i, k);
                for (int k = j + 1; k < i; ++k)
                    g += m(k, j) * m(i, k);
                e[j] = g / h;
                f += e[j] * m(i, j);
            }
            const double hh = f / (h + h);
            for (int j = 0; j < i; ++j) {
                f = m(i, j);
                g = e[j] - hh * f;
                e[j] = g;
                for (int k = 0; k <= j; ++k)
                    m(j, k) -= f * e[k] + g * m(i, k);
            }
        } else {
            e[i] = m(i, l);
        }
    }
    e[0] = 0.0;
    for (int i = 0; i < n; ++i)
        d[i] = m(i, i);
}

// Implicit QL on the tridiagonal matrix (d, e as left by Tridiagonalise). Returns false when
// an eigenvalue needs more than kMaxIterations iterations; d then holds the values reached.
bool ImplicitQl(int n, double* d, double* e) {
    for (int i = 1; i < n; ++i)
        e[i - 1] = e[i];
    e[n - 1] = 0.0;
    for (int l = 0; l < n; ++l) {
        int nIter = 0;
        int m;
        do {
            for (m = l; m < n - 1; ++m) {
                const double dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
                if (std::fabs(e[m]) <= kEps * dd)
                    break;
            }
            if (m != l) {
                if (nIter++ == kMaxIterations)
                    return false;
                double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
                double r = std::hypot(g, 1.0);
                g = d[m] - d[l] + e[l] / (g + std::copysign(r, g));
                double s = 1.0, c = 1.0, p = 0.0;
                int i;
                for (i = m - 1; i >= l; --i) {
                    double f = s * e[i];
                    const double b = c * e[i];
                    r = std::hypot(f, g);
                    e[i + 1] = r;
                    if (r == 0.0) {
                        d[i + 1] -= p;
                        e[m] = 0.0;
                        break;
                    }
                    s = f / r;
                    c = g / r;
                    g = d[i + 1] - p;
                    r = (d[i] - g) * s + 2.0 * c * b;
                    p = s * r;
                    d[i + 1] = g + p;
                    g = c * r - b;
                }
                if (r == 0.0 && i >= l)
                    continue;
                d[l] -= p;
                e[l] = g;
                e[m] = 0.0;
            }
        } while (m != l);
    }
    return true;
}

void Body(int n, double* a, int lda, double* eval) {
    const std::size_t nn = static_cast<std::size_t>(n);
    CWorkspace<double> work;
    if (!work.Allocate(2 * nn)) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DEVLSF_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
        return;
    }
    double* diag = work.Get();
    double* e = diag + nn;
    auto upper = [a, lda](int i, int j) -> double& { return a[i + static_cast<std::ptrdiff_t>(j) * lda]; };

    // Scale by the largest magnitude of the upper triangle, so that the reduction neither
    // overflows nor underflows.
    double dScale = 0.0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i <= j; ++i)
            dScale = std::max(dScale, std::fabs(upper(i, j)));
    const bool bZero = !(dScale > 0.0);
    if (!std::isfinite(dScale))
        dScale = 1.0;

    bool bConverged = true;
    if (bZero) {
        for (int i = 0; i < n; ++i)
            diag[i] = upper(i, i);
    } else {
        for (int j = 0; j < n; ++j) {
            diag[j] = upper(j, j) / dScale;
            for (int i = j + 1; i < n; ++i)
                upper(i, j) = upper(j, i) / dScale;
        }
        const SLowerMatrix m{a, lda, diag};
        double* d = eval;
        Tridiagonalise(n, m, d, e);
        bConverged = ImplicitQl(n, d, e);
        for (int i = 0; i < n; ++i)
            diag[i] = d[i] * dScale;
    }

    std::sort(diag, diag + n, [](double x, double y) {
        const double ax = std::fabs(x), ay = std::fabs(y);
        return ax != ay ? ax > ay : x > y;
    });
    for (int i = 0; i < n; ++i)
        eval[i] = diag[i];

    // The strict lower triangle was work space: rewrite it from the upper triangle.
    for (int j = 0; j < n; ++j)
        for (int i = j + 1; i < n; ++i)
            upper(i, j) = upper(j, i);

    if (!bConverged)
        E1MES(kWarning, TARNFIT_DEVLSF_NO_CONVERGENCE,
              "The iteration for the eigenvalue failed  to converge in 100 iterations before               deflating");
}

} // namespace

} // namespace tarnfit::kernels

extern "C" void DEVLSF(const int* N, double* A, const int* LDA, double* EVAL) {
    using namespace tarnfit::kernels;
    CRoutineScope scope("DEVLSF");
    if (!scope.Entered())
        return;
    const int n = *N;
    if (n < 1) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DEVLSF_N, "The argument N = %(i1).  The order of the matrix must be at least 1.");
        return;
    }
    if (*LDA < n) {
        E1STI(1, *LDA);
        E1STI(2, n);
        E1MES(kTerminal, TARNFIT_DEVLSF_LDA,
              "The argument LDA = %(I1).  The leading dimension of the matrix must be at least equal to the order of "
              "the matrix, N = %(I2).");
        return;
    }
    try {
        Body(n, A, *LDA, EVAL);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        // Only storage can run out here: the routine calls no user code.
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DEVLSF_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
    }
}
