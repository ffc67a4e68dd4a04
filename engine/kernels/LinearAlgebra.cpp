// Dense LU with partial pivoting and the Hager-Higham L1 norm estimate of the inverse.

#include "kernels/LinearAlgebra.h"

#include "kernels/KernelSupport.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace tarnfit::kernels {

namespace {
inline double& At(double* a, int ld, int i, int j) { return a[i + static_cast<std::ptrdiff_t>(j) * ld]; }
inline double At(const double* a, int ld, int i, int j) { return a[i + static_cast<std::ptrdiff_t>(j) * ld]; }
} // namespace

int LuFactor(int n, double* lu, int ld, int* ipvt, const double* adColMax) {
    for (int k = 0; k < n; ++k) {
        int p = k;
        double dMax = std::fabs(At(lu, ld, k, k));
        for (int i = k + 1; i < n; ++i) {
            const double d = std::fabs(At(lu, ld, i, k));
            if (d > dMax) {
                dMax = d;
                p = i;
            }
        }
        ipvt[k] = p;
        if (!(dMax > kEps * adColMax[k]))
            return k + 1;
        if (p != k)
            for (int j = 0; j < n; ++j)
                std::swap(At(lu, ld, k, j), At(lu, ld, p, j));
        const double dPivot = At(lu, ld, k, k);
        for (int i = k + 1; i < n; ++i)
            At(lu, ld, i, k) /= dPivot;
        for (int j = k + 1; j < n; ++j) {
            const double ukj = At(lu, ld, k, j);
            if (ukj == 0.0)
                continue;
            for (int i = k + 1; i < n; ++i)
                At(lu, ld, i, j) -= At(lu, ld, i, k) * ukj;
        }
    }
    return 0;
}

void LuSolve(int n, const double* lu, int ld, const int* ipvt, double* b, bool bTransposed) {
    if (!bTransposed) {
        // A = P' L U: b := P b, L y = b, U x = y.
        for (int k = 0; k < n; ++k)
            if (ipvt[k] != k)
                std::swap(b[k], b[ipvt[k]]);
        for (int j = 0; j < n; ++j) {
            const double bj = b[j];
            if (bj != 0.0)
                for (int i = j + 1; i < n; ++i)
                    b[i] -= At(lu, ld, i, j) * bj;
        }
        for (int j = n - 1; j >= 0; --j) {
            b[j] /= At(lu, ld, j, j);
            const double bj = b[j];
            if (bj != 0.0)
                for (int i = 0; i < j; ++i)
                    b[i] -= At(lu, ld, i, j) * bj;
        }
    } else {
        // A' = U' L' P: U' z = b, L' w = z, x = P' w.
        for (int j = 0; j < n; ++j) {
            double s = b[j];
            for (int i = 0; i < j; ++i)
                s -= At(lu, ld, i, j) * b[i];
            b[j] = s / At(lu, ld, j, j);
        }
        for (int j = n - 1; j >= 0; --j) {
            double s = b[j];
            for (int i = j + 1; i < n; ++i)
                s -= At(lu, ld, i, j) * b[i];
            b[j] = s;
        }
        for (int k = n - 1; k >= 0; --k)
            if (ipvt[k] != k)
                std::swap(b[k], b[ipvt[k]]);
    }
}

double LuInverseNorm1(int n, const double* lu, int ld, const int* ipvt, double* x, int* isgn) {
    auto norm1 = [n](const double* v) {
        double s = 0.0;
        for (int i = 0; i < n; ++i)
            s += std::fabs(v[i]);
        return s;
    };
    auto argmaxAbs = [n](const double* v) {
        int j = 0;
        for (int i = 1; i < n; ++i)
            if (std::fabs(v[i]) > std::fabs(v[j]))
                j = i;
        return j;
    };
    for (int i = 0; i < n; ++i)
        x[i] = 1.0 / n;
    LuSolve(n, lu, ld, ipvt, x, false);
    if (n == 1)
        return std::fabs(x[0]);
    double dEst = norm1(x);
    for (int i = 0; i < n; ++i) {
        x[i] = x[i] >= 0.0 ? 1.0 : -1.0;
        isgn[i] = x[i] > 0.0 ? 1 : -1;
    }
    LuSolve(n, lu, ld, ipvt, x, true);
    int j = argmaxAbs(x);
    for (int nIter = 2;; ++nIter) {
        for (int i = 0; i < n; ++i)
            x[i] = 0.0;
        x[j] = 1.0;
        LuSolve(n, lu, ld, ipvt, x, false);
        const double dOld = dEst;
        dEst = norm1(x);
        bool bSameSigns = true;
        for (int i = 0; i < n; ++i) {
            const int s = x[i] >= 0.0 ? 1 : -1;
            if (s != isgn[i]) {
                bSameSigns = false;
                break;
            }
        }
        if (bSameSigns || dEst <= dOld) {
            dEst = std::fmax(dEst, dOld);
            break;
        }
        for (int i = 0; i < n; ++i) {
            x[i] = x[i] >= 0.0 ? 1.0 : -1.0;
            isgn[i] = x[i] > 0.0 ? 1 : -1;
        }
        LuSolve(n, lu, ld, ipvt, x, true);
        const int jLast = j;
        j = argmaxAbs(x);
        if (!(std::fabs(x[jLast]) != std::fabs(x[j]) && nIter < 5))
            break;
    }
    // Alternating-sign test vector, which catches matrices the iteration underestimates.
    double dAlt = 1.0;
    for (int i = 0; i < n; ++i) {
        x[i] = dAlt * (1.0 + static_cast<double>(i) / (n - 1));
        dAlt = -dAlt;
    }
    LuSolve(n, lu, ld, ipvt, x, false);
    const double dTemp = 2.0 * norm1(x) / (3.0 * n);
    return std::fmax(dEst, dTemp);
}

} // namespace tarnfit::kernels
