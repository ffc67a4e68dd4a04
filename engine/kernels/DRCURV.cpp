// DRCURV: polynomial least-squares fit.
//
// Forsythe's orthogonal polynomials on abscissas mapped to [-2, 2] (G. E. Forsythe, J. SIAM 5
// (1957) 74-88): p_0 = 1, p_1 = (z - a_1) p_0, p_{k+1} = (z - a_{k+1}) p_k - b_k p_{k-1} with
// a_{k+1} = sum z p_k^2 / sum p_k^2 and b_k = sum p_k^2 / sum p_{k-1}^2. Each degree is fitted
// against the running residual (c_k = sum r p_k / sum p_k^2, r -= c_k p_k), the stable
// modified Gram-Schmidt form. The sum of c_k p_k(z) is converted to power form in x in
// extended precision.

#include "kernels/ErrorMechanism.h"
#include "kernels/KernelSupport.h"
#include "tarnfit/kernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cxxabi.h>

namespace tarnfit::kernels {

namespace {

// A residual is zero within machine precision when sqrt(SSE) <= kExactFactor eps ||y||.
constexpr double kExactFactor = 100.0;

void Body(int nObs, const double* xData, const double* yData, int nDeg, double* b, double* ssqPol, double* stat) {
    // The fitted degree cannot exceed nObs - 1, which bounds the polynomial workspace.
    const int nDegWork = std::min(nDeg, nObs - 1);
    const std::size_t n = static_cast<std::size_t>(nObs);
    const std::size_t dw = static_cast<std::size_t>(nDegWork) + 1;
    CWorkspace<double> work;
    CWorkspace<int> iwork;
    CWorkspace<long double> lwork;
    if (!work.Allocate(7 * n + 4 * dw) || !iwork.Allocate(n) || !lwork.Allocate(3 * dw)) {
        E1STI(1, nObs);
        E1STI(2, nDeg);
        E1MES(kTerminal, TARNFIT_DRCURV_STORAGE,
              "The required storage cannot be allocated based on NOBS = %(I1) and NDEG = %(I2).");
        return;
    }
    double* xv = work.Get(); // valid pairs in input order
    double* yv = xv + n;
    double* xs = yv + n;     // valid pairs sorted by x
    double* ys = xs + n;
    double* pPrev = ys + n;  // p_{k-1}(z_i)
    double* pCur = pPrev + n; // p_k(z_i)
    double* res = pCur + n;  // running residual
    double* alpha = res + n; // recurrence coefficients a_k (index k = 1..deg)
    double* beta = alpha + dw; // b_k (index k = 1..deg-1)
    double* coef = beta + dw;  // c_k
    double* ssq = coef + dw;   // c_k^2 sum p_k^2
    int* order = iwork.Get();

    // Leave out the pairs with NaN and count them.
    int nValid = 0;
    for (int i = 0; i < nObs; ++i) {
        if (std::isnan(xData[i]) || std::isnan(yData[i]))
            continue;
        xv[nValid] = xData[i];
        yv[nValid] = yData[i];
        ++nValid;
    }
    const int nNaN = nObs - nValid;
    if (nValid == 0) {
        E1MES(kFatal, TARNFIT_DRCURV_ALL_NAN,
              "There are no valid data points.  Each (x,y) pair contains NaN (not a number).");
        return;
    }

    // Sort by x (stable, so that equal abscissas keep their input order).
    for (int i = 0; i < nValid; ++i)
        order[i] = i;
    std::stable_sort(order, order + nValid, [xv](int i, int j) { return xv[i] < xv[j]; });
    for (int i = 0; i < nValid; ++i) {
        xs[i] = xv[order[i]];
        ys[i] = yv[order[i]];
    }
    const double xMin = xs[0], xMax = xs[nValid - 1];
    if (!(xMax > xMin)) {
        E1MES(kFatal, TARNFIT_DRCURV_X_CONSTANT, "The x values are constant.  At least two distinct x values are needed.");
        return;
    }
    int nDistinct = 1;
    for (int i = 1; i < nValid; ++i)
        if (xs[i] != xs[i - 1])
            ++nDistinct;

    // Means, variances and the norm of y over the valid pairs.
    double xMean = 0.0, yMean = 0.0, xM2 = 0.0, yM2 = 0.0, ySumSq = 0.0;
    bool bYConstant = true;
    for (int i = 0; i < nValid; ++i) {
        const double dCount = i + 1;
        const double dx = xs[i] - xMean;
        xMean += dx / dCount;
        xM2 += dx * (xs[i] - xMean);
        const double dy = ys[i] - yMean;
        yMean += dy / dCount;
        yM2 += dy * (ys[i] - yMean);
        ySumSq += ys[i] * ys[i];
        if (ys[i] != ys[0])
            bYConstant = false;
    }

    int nFit; // degree fitted
    double dSse;
    for (long long k = 0; k <= static_cast<long long>(nDeg); ++k) {
        b[k] = 0.0;
        ssqPol[k] = 0.0;
    }

    if (bYConstant) {
        nFit = 0;
        dSse = 0.0;
        b[0] = ys[0];
        ssqPol[0] = nValid * ys[0] * ys[0];
        E1MES(kWarning, TARNFIT_DRCURV_Y_CONSTANT,
              "The y values are constant.  A zero order polynomial is fit.  High order coefficients are set to zero.");
    } else {
        const int nMaxDeg = std::min(nDeg, nDistinct - 1);
        if (nMaxDeg < nDeg) {
            E1STI(1, nMaxDeg);
            E1STI(2, nDistinct);
            E1MES(kWarning, TARNFIT_DRCURV_FEW_ABSCISSAS,
                  "A degree %(I1) polynomial is fitted.  There are only %(I2) distinct abscissas, so a higher degree "
                  "polynomial fit cannot be computed.");
        }
        // z = s (x - c) in [-2, 2].
        const double c = 0.5 * xMin + 0.5 * xMax;
        const double s = 4.0 / (xMax - xMin);
        double* z = xs; // the abscissas themselves are no longer needed
        for (int i = 0; i < nValid; ++i)
            z[i] = s * (xs[i] - c);
        for (int i = 0; i < nValid; ++i)
            res[i] = ys[i];
        const double dExactSse = (kExactFactor * kEps) * (kExactFactor * kEps) * ySumSq;

        double dNormPrev = 0.0;
        nFit = nMaxDeg;
        dSse = ySumSq;
        for (int k = 0; k <= nMaxDeg; ++k) {
            // p_k from the recurrence; alpha[k] is computed from p_{k-1}.
            if (k == 0) {
                for (int i = 0; i < nValid; ++i)
                    pCur[i] = 1.0;
            } else {
                for (int i = 0; i < nValid; ++i) {
                    const double pk = (z[i] - alpha[k]) * pCur[i] - (k >= 2 ? beta[k - 1] * pPrev[i] : 0.0);
                    pPrev[i] = pCur[i];
                    pCur[i] = pk;
                }
            }
            double dNorm = 0.0, dZNorm = 0.0, dDot = 0.0;
            for (int i = 0; i < nValid; ++i) {
                const double p2 = pCur[i] * pCur[i];
                dNorm += p2;
                dZNorm += z[i] * p2;
                dDot += res[i] * pCur[i];
            }
            if (k >= 1)
                beta[k] = dNorm / dNormPrev;
            if (k + 1 < static_cast<int>(dw))
                alpha[k + 1] = dZNorm / dNorm;
            dNormPrev = dNorm;
            coef[k] = dDot / dNorm;
            ssq[k] = coef[k] * coef[k] * dNorm;
            dSse = 0.0;
            for (int i = 0; i < nValid; ++i) {
                res[i] -= coef[k] * pCur[i];
                dSse += res[i] * res[i];
            }
            if (dSse <= dExactSse) {
                nFit = k;
                if (k < nDeg) {
                    E1STI(1, nDeg);
                    E1STI(2, k);
                    E1MES(kWarning, TARNFIT_DRCURV_PERFECT_LOWER,
                          "A perfect fit was obtained with a polynomial of lower degree (=%(I2)) than NDEG = %(I1) as "
                          "requested.");
                } else {
                    E1STI(1, nDeg);
                    E1MES(kWarningImmediate, TARNFIT_DRCURV_PERFECT,
                          "The degree %(I1) polynomial fit is a perfect fit within machine precision.");
                }
                break;
            }
        }

        // Power form in z: q(z) = sum c_k p_k(z), with the coefficients of p_k built by the
        // same recurrence (extended precision).
        long double* qz = lwork.Get();   // coefficients of q in z
        long double* pkm1 = qz + dw;     // coefficients of p_{k-1}
        long double* pk = pkm1 + dw;     // coefficients of p_k
        for (int j = 0; j <= nFit; ++j)
            qz[j] = pkm1[j] = pk[j] = 0.0L;
        pk[0] = 1.0L;
        qz[0] = coef[0];
        for (int k = 1; k <= nFit; ++k) {
            // p_k = (z - alpha_k) p_{k-1} - beta_{k-1} p_{k-2}; on entry pk = p_{k-1}, pkm1 = p_{k-2}.
            for (int j = k; j >= 0; --j) {
                long double v = (j >= 1 ? pk[j - 1] : 0.0L) - static_cast<long double>(alpha[k]) * pk[j];
                if (k >= 2)
                    v -= static_cast<long double>(beta[k - 1]) * pkm1[j];
                pkm1[j] = pk[j];
                pk[j] = v;
            }
            for (int j = 0; j <= k; ++j)
                qz[j] += static_cast<long double>(coef[k]) * pk[j];
        }
        // Power form in x: Horner in (s x - s c), multiplying the running polynomial by
        // the linear factor u x + v.
        const long double u = s, v = -static_cast<long double>(s) * static_cast<long double>(c);
        long double* px = pk; // reuse
        for (int j = 0; j <= nFit; ++j)
            px[j] = 0.0L;
        px[0] = qz[nFit];
        for (int k = nFit - 1; k >= 0; --k) {
            // px := px * (u x + v) + qz[k]; px has degree nFit - 1 - k before the product.
            const int nTop = nFit - k;
            for (int j = nTop; j >= 1; --j)
                px[j] = px[j] * v + px[j - 1] * u;
            px[0] = px[0] * v + qz[k];
        }
        for (int j = 0; j <= nFit; ++j)
            b[j] = static_cast<double>(px[j]);
        for (int k = 0; k <= nFit; ++k)
            ssqPol[k] = ssq[k];
    }

    const double dSst = yM2;
    stat[0] = xMean;
    stat[1] = yMean;
    stat[2] = nValid > 1 ? xM2 / (nValid - 1) : 0.0;
    stat[3] = nValid > 1 ? yM2 / (nValid - 1) : 0.0;
    stat[4] = dSst > 0.0 ? 100.0 * std::max(0.0, 1.0 - dSse / dSst) : 100.0;
    stat[5] = nFit;
    stat[6] = std::max(0.0, dSst - dSse);
    stat[7] = nValid - nFit - 1;
    stat[8] = dSse;
    stat[9] = nNaN;
}

} // namespace

} // namespace tarnfit::kernels

extern "C" void DRCURV(const int* NOBS, const double* XDATA, const double* YDATA, const int* NDEG, double* B,
                       double* SSQPOL, double* STAT) {
    using namespace tarnfit::kernels;
    CRoutineScope scope("DRCURV");
    if (!scope.Entered())
        return;
    const int nObs = *NOBS;
    const int nDeg = *NDEG;
    if (nObs < 1) {
        E1STI(1, nObs);
        E1MES(kTerminal, TARNFIT_DRCURV_NOBS,
              "The number of observations must be at least 1 while NOBS = %(I1) is given.");
        return;
    }
    if (nDeg < 0) {
        E1STI(1, nDeg);
        E1MES(kTerminal, TARNFIT_DRCURV_NDEG,
              "NDEG = %(I1).  The degree of the polynomial to be fit must be greater than or equal to 0.");
        return;
    }
    try {
        Body(nObs, XDATA, YDATA, nDeg, B, SSQPOL, STAT);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        // Only storage can run out here: the routine calls no user code.
        E1STI(1, nObs);
        E1STI(2, nDeg);
        E1MES(kTerminal, TARNFIT_DRCURV_STORAGE, "The required storage cannot be allocated based on NOBS = %(I1) and NDEG = %(I2).");
    }
}
