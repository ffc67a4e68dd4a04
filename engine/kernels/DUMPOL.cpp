// DUMPOL: minimum of a function by the downhill simplex method.
// J. A. Nelder, R. Mead, "A simplex method for function minimization", Computer Journal 7
// (1965) 308-313: reflection 1, expansion 2, contraction 0.5, shrink halfway to the best.

#include "kernels/ErrorMechanism.h"
#include "kernels/KernelSupport.h"
#include "kernels/Objective.h"
#include "tarnfit/kernels.h"

#include <cmath>
#include <cstddef>
#include <cxxabi.h>
#include <new>
#include <limits>

namespace tarnfit::kernels {

namespace {

constexpr double kReflection = 1.0;
constexpr double kExpansion = 2.0;
constexpr double kContraction = 0.5;
constexpr double kShrink = 0.5;

// Average Euclidean distance of the n+1 vertices from their centroid (c receives the centroid).
double SimplexSize(int n, const double* v, double* c) {
    const std::size_t nn = static_cast<std::size_t>(n);
    for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int i = 0; i <= n; ++i)
            sum += v[i * nn + j];
        c[j] = sum / (n + 1);
    }
    double dDist = 0.0;
    for (int i = 0; i <= n; ++i) {
        double d2 = 0.0;
        for (int j = 0; j < n; ++j)
            d2 += (v[i * nn + j] - c[j]) * (v[i * nn + j] - c[j]);
        dDist += std::sqrt(d2);
    }
    return dDist / (n + 1);
}

void Body(TarnfitObjective fcn, int n, const double* x0, double* pS, double ftol, int* pMaxFcn, double* xOut,
          double* fOut) {
    const std::size_t nn = static_cast<std::size_t>(n);
    CWorkspace<double> work;
    if (nn + 1 > std::numeric_limits<std::size_t>::max() / (nn + 6) || !work.Allocate((nn + 1) * (nn + 6))) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DUMPOL_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
        return;
    }
    double* v = work.Get();                 // vertex i at v + i*n, i = 0..n
    double* f = v + (nn + 1) * nn;          // values of the vertices
    double* c = f + (nn + 1);               // centroid
    double* xr = c + nn;                    // reflected point
    double* xe = xr + nn;                   // expanded point
    double* xc = xe + nn;                   // contracted point
    double* xs = xc + nn;                   // start of the current run
    auto vertex = [v, nn](int i) { return v + static_cast<std::size_t>(i) * nn; };

    CObjective objective(fcn, n);
    const int nMaxFcn = *pMaxFcn;
    const double s = *pS;
    if (s <= 0.0) {
        E1STD(1, s);
        E1MES(kWarningImmediate, TARNFIT_DUMPOL_RANDOM_SIMPLEX,
              "The length of the sides of the initial simplex must be positive while S = %(D1) is given.  The "
              "algorithm will use a random number generator to generate the starting simplex from the initial guess.");
    }
    // NaN values count as +infinity, so that comparisons order every vertex.
    auto eval = [&objective](const double* x) {
        const double d = objective(x);
        return std::isnan(d) ? HUGE_VAL : d;
    };
    int nEval = 0;
    for (int j = 0; j < n; ++j)
        xs[j] = x0[j];

    bool bLimit = false;
    for (;;) {
        // The simplex of a run: xs and xs + S e_j, or xs (1 + r) with the kernel's generator,
        // whose state is restored so that the simplex is the same on every call.
        for (int j = 0; j < n; ++j)
            vertex(0)[j] = xs[j];
        if (s <= 0.0) {
            const int nSaved = RNGET();
            for (int i = 1; i <= n; ++i)
                for (int j = 0; j < n; ++j)
                    vertex(i)[j] = xs[j] * (1.0 + DRNUNF());
            RNSET(nSaved);
        } else {
            for (int i = 1; i <= n; ++i) {
                for (int j = 0; j < n; ++j)
                    vertex(i)[j] = xs[j];
                vertex(i)[i - 1] += s;
            }
        }
        for (int i = 0; i <= n; ++i)
            f[i] = eval(vertex(i));
        nEval += n + 1;

        bool bStepTaken = false;
        for (;;) {
            int ib = 0;
            for (int i = 1; i <= n; ++i)
                if (f[i] < f[ib])
                    ib = i;
            int iw = ib == 0 ? 1 : 0;
            for (int i = 0; i <= n; ++i)
                if (i != ib && f[i] > f[iw])
                    iw = i;
            double fs = f[ib];
            bool bHaveSecond = false;
            for (int i = 0; i <= n; ++i)
                if (i != ib && i != iw && (!bHaveSecond || f[i] > fs)) {
                    fs = f[i];
                    bHaveSecond = true;
                }
            const double fb = f[ib], fw = f[iw];
            if (fw - fb < ftol * (1.0 + std::fabs(fb)))
                break;

            for (int j = 0; j < n; ++j) {
                double sum = 0.0;
                for (int i = 0; i <= n; ++i)
                    if (i != iw)
                        sum += vertex(i)[j];
                c[j] = sum / n;
            }
            double* xw = vertex(iw);
            for (int j = 0; j < n; ++j)
                xr[j] = c[j] + kReflection * (c[j] - xw[j]);
            const double fr = eval(xr);
            ++nEval;
            auto replaceWorst = [&](const double* x, double fx) {
                for (int j = 0; j < n; ++j)
                    xw[j] = x[j];
                f[iw] = fx;
            };
            if (fr >= fb && fr <= fs) {
                replaceWorst(xr, fr);
            } else if (fr < fb) {
                for (int j = 0; j < n; ++j)
                    xe[j] = c[j] + kExpansion * (xr[j] - c[j]);
                const double fe = eval(xe);
                ++nEval;
                if (fe < fr)
                    replaceWorst(xe, fe);
                else
                    replaceWorst(xr, fr);
            } else {
                const bool bOutside = fr < fw;
                for (int j = 0; j < n; ++j)
                    xc[j] = bOutside ? c[j] + kContraction * (xr[j] - c[j]) : c[j] + kContraction * (xw[j] - c[j]);
                const double fc = eval(xc);
                ++nEval;
                if (fc < std::fmin(fw, fr)) {
                    replaceWorst(xc, fc);
                } else {
                    const double* xb = vertex(ib);
                    for (int i = 0; i <= n; ++i) {
                        if (i == ib)
                            continue;
                        double* xi = vertex(i);
                        for (int j = 0; j < n; ++j)
                            xi[j] = xb[j] + kShrink * (xi[j] - xb[j]);
                        f[i] = eval(xi);
                    }
                    nEval += n;
                }
            }
            bStepTaken = true;

            if (nEval > nMaxFcn) {
                bLimit = true;
                break;
            }
            double mean = 0.0;
            for (int i = 0; i <= n; ++i)
                mean += f[i];
            mean /= n + 1;
            double sum = 0.0;
            for (int i = 0; i <= n; ++i)
                sum += (f[i] - mean) * (f[i] - mean);
            if (sum <= ftol * ftol * (n + 1))
                break;
        }
        if (bLimit || !bStepTaken || nEval + 2 * n > nMaxFcn)
            break;

        // Both tests look at function values only, and a symmetric simplex can show equal
        // values far from a minimum. A stop is therefore verified by probing the best vertex
        // at +-delta along each axis, delta = 0.001 times the simplex size; a point lower by
        // more than the tolerance starts a new run from there (R. O'Neill, Algorithm AS 47,
        // Applied Statistics 20 (1971) 338-345).
        int ib = 0;
        for (int i = 1; i <= n; ++i)
            if (f[i] < f[ib])
                ib = i;
        const double fb = f[ib];
        const double delta = 1e-3 * SimplexSize(n, v, c);
        if (!(delta > 0.0))
            break;
        double fBest = fb;
        for (int j = 0; j < n; ++j)
            xr[j] = vertex(ib)[j];
        for (int j = 0; j < n; ++j) {
            for (double sign : {1.0, -1.0}) {
                const double xj = xr[j];
                xr[j] = xj + sign * delta;
                const double ft = eval(xr);
                ++nEval;
                if (ft < fBest) {
                    fBest = ft;
                    for (int k = 0; k < n; ++k)
                        xs[k] = xr[k];
                }
                xr[j] = xj;
            }
        }
        if (!(fBest < fb - ftol * (1.0 + std::fabs(fb))))
            break;
    }

    // Outputs: the best vertex, the evaluations used and the size of the final simplex.
    int ib = 0;
    for (int i = 1; i <= n; ++i)
        if (f[i] < f[ib])
            ib = i;
    for (int j = 0; j < n; ++j)
        xOut[j] = vertex(ib)[j];
    *fOut = f[ib];
    *pMaxFcn = nEval;
    *pS = SimplexSize(n, v, c);

    if (bLimit) {
        E1STI(1, nMaxFcn);
        E1MES(kFatal, TARNFIT_DUMPOL_MAXFCN, "Maximum number of function evaluations exceeded MAXFCN = %(I1).");
    }
}

} // namespace

} // namespace tarnfit::kernels

extern "C" void DUMPOL(TarnfitObjective FCN, const int* N, const double* XGUESS, double* S, const double* FTOL,
                       int* MAXFCN, double* X, double* FVALUE) {
    using namespace tarnfit::kernels;
    CRoutineScope scope("DUMPOL");
    if (!scope.Entered())
        return;
    const int n = *N;
    if (n < 1) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DUMPOL_N, "The number of variables, N = %(I1), must be positive.");
        return;
    }
    if (!(*FTOL >= 0.0)) {
        E1STD(1, *FTOL);
        E1MES(kTerminal, TARNFIT_DUMPOL_FTOL, "The function tolerance must be nonnegative while FTOL = %(D1) is given.");
        return;
    }
    if (!FCN) {
        E1MES(kTerminal, TARNFIT_DUMPOL_NO_FCN, "No objective routine FCN is given.");
        return;
    }
    try {
        Body(FCN, n, XGUESS, S, *FTOL, MAXFCN, X, FVALUE);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (const std::bad_alloc&) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DUMPOL_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
    } catch (...) {
        E1MES(kTerminal, TARNFIT_DUMPOL_EXCEPTION,
              "The objective routine ended with an exception.  The minimization was abandoned.");
    }
}
