// DUMINF: minimum of a function by a quasi-Newton method.
//
// J. E. Dennis, R. B. Schnabel, "Numerical Methods for Unconstrained Optimization and
// Nonlinear Equations", Prentice-Hall 1983: line search A6.3.1mod (backtracking with
// quadratic and cubic interpolation, step doubling while the slope stays steep), BFGS
// update of the Cholesky factor A9.4.2 with the QR update A3.4.1, finite-difference
// gradients A5.6.3 (forward) and A5.6.4 (central), stopping tests A7.2.1.

#include "kernels/ErrorMechanism.h"
#include "kernels/KernelSupport.h"
#include "kernels/Objective.h"
#include "tarnfit/kernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cxxabi.h>
#include <limits>
#include <new>

namespace tarnfit::kernels {

namespace {

constexpr double kAlpha = 1e-4;         // sufficient-decrease constant of the line search
constexpr double kBeta = 0.9;           // slope ratio below which a full step is doubled
constexpr double kCentralSwitch = 0.1;  // scaled gradient that selects central differences
constexpr int kMaxStepsInRow = 5;       // consecutive steps of length STEPMX that stop the run

struct SOptions {
    int nFdigit, nMxIter, nMaxFcn, nMaxGrd, nIHess, nMaxHes;
    double dGradTl, dStepTl, dRfTol, dAfTol, dFalsTl, dStepMx, dDelta;
};

SOptions DefaultOptions() {
    SOptions o;
    o.nFdigit = static_cast<int>(0.1 - std::log10(kEps));
    o.nMxIter = 100;
    o.nMaxFcn = 400;
    o.nMaxGrd = 400;
    o.nIHess = 0;
    o.nMaxHes = 100;
    o.dGradTl = std::pow(kEps, 1.0 / 3.0);
    o.dStepTl = std::pow(kEps, 2.0 / 3.0);
    o.dRfTol = std::max(o.dStepTl, 1e-20);
    o.dAfTol = std::max(kEps * kEps, 1e-20);
    o.dFalsTl = 100.0 * kEps;
    o.dStepMx = -9999.0;
    o.dDelta = -9999.0;
    return o;
}

void WriteOptions(const SOptions& o, int* ip, double* rp) {
    if (ip) {
        ip[0] = 1;
        ip[1] = o.nFdigit;
        ip[2] = o.nMxIter;
        ip[3] = o.nMaxFcn;
        ip[4] = o.nMaxGrd;
        ip[5] = o.nIHess;
        ip[6] = o.nMaxHes;
    }
    if (rp) {
        rp[0] = o.dGradTl;
        rp[1] = o.dStepTl;
        rp[2] = o.dRfTol;
        rp[3] = o.dAfTol;
        rp[4] = o.dFalsTl;
        rp[5] = o.dStepMx;
        rp[6] = o.dDelta;
    }
}

// Replaces an invalid integer limit by its default with an immediate warning.
void CheckPositive(int& nValue, int nDefault, int nCode, const char* pszText) {
    if (nValue >= 1)
        return;
    E1STI(1, nValue);
    E1STI(2, nDefault);
    E1MES(kWarningImmediate, nCode, pszText);
    nValue = nDefault;
}

// Replaces an invalid (negative or NaN) tolerance by its default with an immediate warning.
void CheckNonnegative(double& dValue, double dDefault, int nCode, const char* pszText) {
    if (dValue >= 0.0)
        return;
    E1STD(1, dValue);
    E1STD(2, dDefault);
    E1MES(kWarningImmediate, nCode, pszText);
    dValue = dDefault;
}

class CQuasiNewton {
public:
    CQuasiNewton(const CObjective& objective, int n, const double* sx, double dFScale, const SOptions& o, double* work)
        : m_objective(objective), m_n(n), m_sx(sx), m_dFScale(dFScale), m_o(o) {
        const std::size_t nn = static_cast<std::size_t>(n);
        m_r = work;
        m_x = m_r + nn * nn;
        m_g = m_x + nn;
        m_p = m_g + nn;
        m_xpls = m_p + nn;
        m_gpls = m_xpls + nn;
        m_t1 = m_gpls + nn;
        m_t2 = m_t1 + nn;
        m_xtmp = m_t2 + nn;
        m_prev = m_xtmp + nn;  // the previous point of the step doubling
        m_gFull = m_prev + nn; // the gradient at the full step while it is doubled
        m_dEta = std::max(std::pow(10.0, -m_o.nFdigit), kEps);
        m_dSqrtEta = std::sqrt(m_dEta);
        m_dCbrtEta = std::cbrt(m_dEta);
    }

    static std::size_t WorkSize(int n) {
        const std::size_t nn = static_cast<std::size_t>(n);
        return nn * nn + 11 * nn;
    }

    // Runs the minimisation from x0; leaves the result in X and *pF and the counts in the
    // members; posts the stopping report.
    void Run(const double* x0, double* xOut, double* pF);

    int Iterations() const { return m_nIter; }
    int Evaluations() const { return m_nFcn; }
    int Gradients() const { return m_nGrad; }

private:
    double Typical(double x, int i) const { return std::max(std::fabs(x), 1.0 / m_sx[i]); }
    double& R(int i, int j) { return m_r[i + static_cast<std::size_t>(j) * m_n]; }

    double Evaluate(const double* x) {
        ++m_nFcn;
        return Value(x);
    }
    // The objective at x, remembering whether the value was finite.
    double Value(const double* x) {
        const double f = m_objective(x);
        m_bLastFinite = std::isfinite(f);
        return f;
    }
    bool Gradient(const double* x, double f, double* g);
    double ScaledGradient(const double* g, const double* x, double f) const;
    void Direction();
    enum class ESearch { kAccepted, kFailed };
    ESearch LineSearch();
    bool AcceptTrial(double& lambda, double slope, double sln);
    void UpdateFactor();
    void QrUpdate(double* a, const double* b);
    void Rotate(int i, double a, double b);

    const CObjective& m_objective;
    int m_n;
    const double* m_sx;
    double m_dFScale;
    SOptions m_o;
    double m_dEta = 0.0, m_dSqrtEta = 0.0, m_dCbrtEta = 0.0;
    double *m_r, *m_x, *m_g, *m_p, *m_xpls, *m_gpls, *m_t1, *m_t2, *m_xtmp, *m_prev, *m_gFull;
    double m_f = 0.0, m_fpls = 0.0;
    double m_dSlope = 0.0, m_dLastLambda = 0.0;
    bool m_bMaxTaken = false;
    bool m_bCentral = false;
    bool m_bLastFinite = true; // the objective's last value was finite
    int m_nIter = 0, m_nFcn = 0, m_nGrad = 0;
};

bool CQuasiNewton::Gradient(const double* x, double f, double* g) {
    ++m_nGrad;
    for (int j = 0; j < m_n; ++j)
        m_xtmp[j] = x[j];
    bool bFinite = true;
    for (int j = 0; j < m_n; ++j) {
        const double xj = x[j];
        if (!m_bCentral) {
            double h = m_dSqrtEta * Typical(xj, j);
            if (xj < 0.0)
                h = -h;
            const double xt = xj + h;
            h = xt - xj; // the step actually taken
            m_xtmp[j] = xt;
            g[j] = (Value(m_xtmp) - f) / h;
        } else {
            const double h = m_dCbrtEta * Typical(xj, j);
            const double xp = xj + h, xm = xj - h;
            m_xtmp[j] = xp;
            const double fp = Value(m_xtmp);
            m_xtmp[j] = xm;
            const double fm = Value(m_xtmp);
            g[j] = (fp - fm) / (xp - xm);
        }
        m_xtmp[j] = xj;
        if (!std::isfinite(g[j]))
            bFinite = false;
    }
    return bFinite;
}

double CQuasiNewton::ScaledGradient(const double* g, const double* x, double f) const {
    const double d = std::max(std::fabs(f), m_dFScale);
    double dMax = 0.0;
    for (int i = 0; i < m_n; ++i)
        dMax = std::max(dMax, std::fabs(g[i]) * Typical(x[i], i) / d);
    return dMax;
}

// p = -B^-1 g with B = R'R: R' z = -g, then R p = z.
void CQuasiNewton::Direction() {
    for (int i = 0; i < m_n; ++i) {
        double s = -m_g[i];
        for (int k = 0; k < i; ++k)
            s -= R(k, i) * m_p[k];
        m_p[i] = s / R(i, i);
    }
    for (int i = m_n - 1; i >= 0; --i) {
        double s = m_p[i];
        for (int k = i + 1; k < m_n; ++k)
            s -= R(i, k) * m_p[k];
        m_p[i] = s / R(i, i);
    }
}

// Completes a trial point x + lambda p that passed the sufficient-decrease test: the gradient
// there; a full step whose end is still steep downhill is doubled, never beyond STEPMX,
// while the sufficient decrease holds and the value keeps falling; central differences
// once the scaled gradient at the accepted point falls to kCentralSwitch, where they can
// be formed (else the forward estimate stays, and the switch is tried again at the next
// point). Returns false when a value that the forward estimate needs is not finite at the
// trial point: the caller counts that as a failed trial. A doubled point whose gradient
// cannot be estimated falls back to the full step.
bool CQuasiNewton::AcceptTrial(double& lambda, double slope, double sln) {
    const int n = m_n;
    if (!Gradient(m_xpls, m_fpls, m_gpls))
        return false;
    if (lambda == 1.0 && sln < m_o.dStepMx) {
        double dSlopeNew = 0.0;
        for (int i = 0; i < n; ++i)
            dSlopeNew += m_gpls[i] * m_p[i];
        if (dSlopeNew < kBeta * slope) {
            const double fFull = m_fpls;
            for (int i = 0; i < n; ++i)
                m_gFull[i] = m_gpls[i];
            double* xPrev = m_prev;
            double fPrev = m_fpls, lPrev = lambda;
            bool bMoved = false;
            while (lambda * sln < m_o.dStepMx) {
                for (int i = 0; i < n; ++i)
                    xPrev[i] = m_xpls[i];
                fPrev = m_fpls;
                lPrev = lambda;
                lambda = std::min(2.0 * lambda, m_o.dStepMx / sln);
                for (int i = 0; i < n; ++i)
                    m_xpls[i] = m_x[i] + lambda * m_p[i];
                m_fpls = Evaluate(m_xpls);
                if (!(std::isfinite(m_fpls) && m_fpls <= m_f + kAlpha * lambda * slope && m_fpls < fPrev)) {
                    for (int i = 0; i < n; ++i)
                        m_xpls[i] = xPrev[i];
                    m_fpls = fPrev;
                    lambda = lPrev;
                    break;
                }
                bMoved = true;
            }
            if (bMoved && !Gradient(m_xpls, m_fpls, m_gpls)) {
                lambda = 1.0;
                for (int i = 0; i < n; ++i) {
                    m_xpls[i] = m_x[i] + m_p[i];
                    m_gpls[i] = m_gFull[i];
                }
                m_fpls = fFull;
            }
        }
    }
    if (!m_bCentral && ScaledGradient(m_gpls, m_xpls, m_fpls) <= kCentralSwitch) {
        // Central differences where they can be formed; else the forward estimate stays.
        for (int i = 0; i < n; ++i)
            m_gFull[i] = m_gpls[i];
        m_bCentral = true;
        if (!Gradient(m_xpls, m_fpls, m_gpls)) {
            m_bCentral = false;
            for (int i = 0; i < n; ++i)
                m_gpls[i] = m_gFull[i];
        }
    }
    m_dLastLambda = lambda;
    m_bMaxTaken = lambda * sln > 0.99 * m_o.dStepMx;
    return true;
}

CQuasiNewton::ESearch CQuasiNewton::LineSearch() {
    const int n = m_n;
    double sln = 0.0;
    for (int i = 0; i < n; ++i)
        sln += (m_sx[i] * m_p[i]) * (m_sx[i] * m_p[i]);
    sln = std::sqrt(sln);
    if (sln > m_o.dStepMx) {
        const double dShorten = m_o.dStepMx / sln;
        for (int i = 0; i < n; ++i)
            m_p[i] *= dShorten;
        sln = m_o.dStepMx;
    }
    double slope = 0.0;
    for (int i = 0; i < n; ++i)
        slope += m_g[i] * m_p[i];
    m_dSlope = slope;
    m_bMaxTaken = false;
    m_dLastLambda = 0.0;
    if (!(slope < 0.0) || !(sln > 0.0))
        return ESearch::kFailed;
    double dRelLength = 0.0;
    for (int i = 0; i < n; ++i)
        dRelLength = std::max(dRelLength, std::fabs(m_p[i]) / Typical(m_x[i], i));
    // The smallest relative step worth trying: STEPTL, or FALSTL when that is larger.
    const double dMinLambda = std::max(m_o.dStepTl, m_o.dFalsTl) / dRelLength;

    double lambda = 1.0, lambdaPrev = 1.0, fplsPrev = 0.0;
    bool bFirstBacktrack = true;
    for (;;) {
        for (int i = 0; i < n; ++i)
            m_xpls[i] = m_x[i] + lambda * m_p[i];
        m_fpls = Evaluate(m_xpls);
        m_dLastLambda = lambda;
        if (std::isfinite(m_fpls) && m_fpls <= m_f + kAlpha * lambda * slope) {
            if (AcceptTrial(lambda, slope, sln))
                return ESearch::kAccepted;
            // A value of the gradient estimate there is not finite: the trial fails, and
            // the step is cut as for a trial without a value.
            m_fpls = std::numeric_limits<double>::infinity();
        }
        if (lambda < dMinLambda)
            return ESearch::kFailed;
        double lambdaTemp;
        if (!std::isfinite(m_fpls)) {
            // No value to interpolate: cut the step hard and start the interpolation afresh.
            lambdaTemp = 0.1 * lambda;
            bFirstBacktrack = true;
            lambdaPrev = lambda;
            lambda = lambdaTemp;
            continue;
        }
        if (bFirstBacktrack) {
            // Minimiser of the quadratic through f(x), the slope and f(x + lambda p).
            lambdaTemp = -slope * lambda * lambda / (2.0 * (m_fpls - m_f - slope * lambda));
            bFirstBacktrack = false;
        } else {
            // Minimiser of the cubic through f(x), the slope and the last two trial values.
            const double t1 = m_fpls - m_f - lambda * slope;
            const double t2 = fplsPrev - m_f - lambdaPrev * slope;
            const double dl = lambda - lambdaPrev;
            const double a = (t1 / (lambda * lambda) - t2 / (lambdaPrev * lambdaPrev)) / dl;
            const double b = (-lambdaPrev * t1 / (lambda * lambda) + lambda * t2 / (lambdaPrev * lambdaPrev)) / dl;
            const double disc = b * b - 3.0 * a * slope;
            if (a == 0.0)
                lambdaTemp = -slope / (2.0 * b);
            else
                lambdaTemp = (-b + std::sqrt(disc)) / (3.0 * a);
            if (!(lambdaTemp <= 0.5 * lambda))
                lambdaTemp = 0.5 * lambda; // also when disc < 0 or NaN
        }
        if (!(lambdaTemp <= 0.5 * lambda))
            lambdaTemp = 0.5 * lambda;
        lambdaPrev = lambda;
        fplsPrev = m_fpls;
        lambda = lambdaTemp <= 0.1 * lambda ? 0.1 * lambda : lambdaTemp;
    }
}

// Rotates rows i and i+1 of the working factor (columns i..n-1) so that the vector (a, b)
// becomes (sqrt(a^2 + b^2), 0) (Dennis and Schnabel A3.4.1a with b negated).
void CQuasiNewton::Rotate(int i, double a, double b) {
    double c, s;
    if (a == 0.0) {
        c = 0.0;
        s = b >= 0.0 ? 1.0 : -1.0;
    } else {
        const double den = std::hypot(a, b);
        c = a / den;
        s = b / den;
    }
    for (int j = i; j < m_n; ++j) {
        const double y = R(i, j), w = R(i + 1, j);
        R(i, j) = c * y - s * w;
        R(i + 1, j) = s * y + c * w;
    }
}

// R := the triangular factor of R + a b' (Dennis and Schnabel A3.4.1); a is destroyed.
void CQuasiNewton::QrUpdate(double* a, const double* b) {
    int k = m_n - 1;
    while (k > 0 && a[k] == 0.0)
        --k;
    for (int i = k - 1; i >= 0; --i) {
        Rotate(i, a[i], -a[i + 1]);
        a[i] = a[i] == 0.0 ? std::fabs(a[i + 1]) : std::hypot(a[i], a[i + 1]);
    }
    for (int j = 0; j < m_n; ++j)
        R(0, j) += a[0] * b[j];
    for (int i = 0; i < k; ++i)
        Rotate(i, R(i, i), -R(i + 1, i));
    for (int i = 0; i + 1 < m_n; ++i)
        R(i + 1, i) = 0.0;
}

// BFGS update of the factored Hessian B = R'R (Dennis and Schnabel A9.4.2): with s the step,
// y the change of the gradient, t = R s and alpha = sqrt(y's / t't), the factor of the new
// B is the triangular factor of R + (alpha t)(y - alpha B s)' / (y's).
void CQuasiNewton::UpdateFactor() {
    const int n = m_n;
    double* s = m_t1;
    double* y = m_t2;
    double ys = 0.0, sNorm = 0.0, yNorm = 0.0;
    for (int i = 0; i < n; ++i) {
        s[i] = m_xpls[i] - m_x[i];
        y[i] = m_gpls[i] - m_g[i];
        ys += y[i] * s[i];
        sNorm += (m_sx[i] * s[i]) * (m_sx[i] * s[i]);
        yNorm += (y[i] / m_sx[i]) * (y[i] / m_sx[i]);
    }
    if (!(ys >= std::sqrt(kEps) * std::sqrt(sNorm) * std::sqrt(yNorm)))
        return;
    // t = R s (into m_xtmp), t't = s'Bs.
    double* t = m_xtmp;
    double tt = 0.0;
    for (int i = 0; i < n; ++i) {
        double v = 0.0;
        for (int j = i; j < n; ++j)
            v += R(i, j) * s[j];
        t[i] = v;
        tt += v * v;
    }
    if (!(tt > 0.0))
        return;
    const double alpha = std::sqrt(ys / tt);
    // B s = R' t (into m_p, which is free now); skip when y and Bs agree within the noise of
    // the gradient estimates.
    double* bs = m_p;
    const double dTol = m_bCentral ? m_dCbrtEta * m_dCbrtEta : m_dSqrtEta;
    bool bSkip = true;
    for (int i = 0; i < n; ++i) {
        double v = 0.0;
        for (int j = 0; j <= i; ++j)
            v += R(j, i) * t[j];
        bs[i] = v;
        if (std::fabs(y[i] - v) >= dTol * std::max(std::fabs(m_g[i]), std::fabs(m_gpls[i])))
            bSkip = false;
    }
    if (bSkip)
        return;
    for (int i = 0; i < n; ++i) {
        y[i] = (y[i] - alpha * bs[i]) / ys; // b of the rank-one update
        t[i] *= alpha;                      // a of the rank-one update
    }
    QrUpdate(t, y);
}

void CQuasiNewton::Run(const double* x0, double* xOut, double* pF) {
    const int n = m_n;
    for (int i = 0; i < n; ++i)
        m_x[i] = x0[i];
    // Result at the current point, or at the accepted new point. An objective that keeps
    // what its last call computed (the engine's fits do) must end on the result: when that
    // call was a trial or a neighbour without a finite value, the result is evaluated once
    // more.
    auto finish = [&](const double* x, double f) {
        for (int i = 0; i < n; ++i)
            xOut[i] = x[i];
        *pF = f;
        if (!m_bLastFinite && std::isfinite(f))
            Evaluate(xOut);
    };
    auto notFinite = [&](const double* x, double f) {
        finish(x, f);
        E1MES(kFatal, TARNFIT_DUMINF_NOT_FINITE,
              "The objective function value or its finite-difference gradient is not finite (NaN or infinity) at the "
              "current point; the minimization cannot continue.");
    };

    m_f = Evaluate(m_x);
    if (!std::isfinite(m_f))
        return notFinite(m_x, m_f);
    if (!Gradient(m_x, m_f, m_g))
        return notFinite(m_x, m_f);

    // Initial Hessian: max(|f|, FSCALE) diag(XSCALE^2), held as its Cholesky factor.
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) * n; ++i)
        m_r[i] = 0.0;
    const double dRoot = std::sqrt(std::max(std::fabs(m_f), m_dFScale));
    for (int i = 0; i < n; ++i)
        R(i, i) = m_o.nIHess == 0 ? dRoot * m_sx[i] : 1.0;

    if (ScaledGradient(m_g, m_x, m_f) <= m_o.dGradTl)
        return finish(m_x, m_f);

    int nMaxSteps = 0;
    for (;;) {
        ++m_nIter;
        ESearch eSearch;
        for (;;) {
            Direction();
            eSearch = LineSearch();
            if (eSearch == ESearch::kAccepted || m_bCentral)
                break;
            // The line search failed with forward differences: go on with central ones,
            // unless they cannot be formed here, which ends the search as a failed one.
            for (int i = 0; i < n; ++i)
                m_gFull[i] = m_g[i];
            m_bCentral = true;
            if (!Gradient(m_x, m_f, m_g)) {
                for (int i = 0; i < n; ++i)
                    m_g[i] = m_gFull[i];
                m_bCentral = false;
                break;
            }
            if (ScaledGradient(m_g, m_x, m_f) <= m_o.dGradTl)
                return finish(m_x, m_f);
        }
        if (eSearch == ESearch::kFailed) {
            finish(m_x, m_f);
            if (m_o.dStepTl < m_o.dFalsTl) {
                E1MES(kFatal, TARNFIT_DUMINF_FALSE_CONVERGENCE,
                      "FALSE CONVERGENCE - The iterates appear to be converging to a noncritical point.  Possibly "
                      "incorrect gradient information is used, or the function is discontinuous, or the other stopping "
                      "tolerances are too tight.");
            } else {
                E1STD(1, m_o.dStepTl);
                E1MES(kWarning, TARNFIT_DUMINF_NO_LOWER_POINT,
                      "The last global step failed to locate a lower point than the current X value.  The current X "
                      "may be an approximate local minimizer and no more accuracy is possible or the step tolerance "
                      "may be too large where STEPTL = %(d1) is given.");
            }
            return;
        }

        // Stopping tests.
        if (ScaledGradient(m_gpls, m_xpls, m_fpls) <= m_o.dGradTl)
            return finish(m_xpls, m_fpls);
        if (std::fabs(m_fpls) <= m_o.dAfTol)
            return finish(m_xpls, m_fpls);
        double dRelStep = 0.0;
        for (int i = 0; i < n; ++i)
            dRelStep = std::max(dRelStep, std::fabs(m_xpls[i] - m_x[i]) / Typical(m_xpls[i], i));
        if (dRelStep <= m_o.dStepTl) {
            finish(m_xpls, m_fpls);
            E1MES(kAlert, TARNFIT_DUMINF_STEP_TOLERANCE,
                  "Scaled step tolerance satisfied; the current point may be an approximate local solution, or the "
                  "algorithm is making very slow progress and is not near a solution, or STEPTL is too big.");
            return;
        }
        // Reduction predicted for the next Newton step: g' B^-1 g / 2 = |R'^-1 g|^2 / 2.
        double dPred = 0.0;
        for (int i = 0; i < n; ++i) {
            double v = m_gpls[i];
            for (int k = 0; k < i; ++k)
                v -= R(k, i) * m_t1[k];
            m_t1[i] = v / R(i, i);
            dPred += m_t1[i] * m_t1[i];
        }
        dPred *= 0.5;
        const double dRelBound = m_o.dRfTol * std::fabs(m_fpls);
        if (m_f - m_fpls <= dRelBound && dPred <= dRelBound) {
            finish(m_xpls, m_fpls);
            E1STD(1, m_o.dRfTol);
            E1MES(kWarning, TARNFIT_DUMINF_RELATIVE_FUNCTION,
                  "RELATIVE FUNCTION CONVERGENCE - Both the actual and predicted relative reductions in the function "
                  "are less than or equal to the relative function convergence tolerance RFTOL = %(d1).");
            return;
        }
        nMaxSteps = m_bMaxTaken ? nMaxSteps + 1 : 0;
        const char* pszLimit = nullptr;
        int nCode = 0;
        if (m_nIter >= m_o.nMxIter) {
            pszLimit = " Maximum number of iterations exceeded.";
            nCode = TARNFIT_DUMINF_MAX_ITERATIONS;
        } else if (m_nFcn >= m_o.nMaxFcn) {
            pszLimit = " Maximum number of function evaluations exceeded.";
            nCode = TARNFIT_DUMINF_MAX_FUNCTIONS;
        } else if (m_nGrad >= m_o.nMaxGrd) {
            pszLimit = " Maximum number of gradient evaluations exceeded.";
            nCode = TARNFIT_DUMINF_MAX_GRADIENTS;
        } else if (nMaxSteps >= kMaxStepsInRow) {
            pszLimit = " Five consecutive steps of length STEPMX have been taken; either the function is unbounded "
                       "below, or has a finite asymptote in some direction or the maximum allowable step size STEPMX "
                       "is too small.";
            nCode = TARNFIT_DUMINF_MAX_STEPS;
        }
        if (pszLimit) {
            finish(m_xpls, m_fpls);
            E1MES(kFatal, nCode, pszLimit);
            return;
        }

        UpdateFactor();
        for (int i = 0; i < n; ++i) {
            m_x[i] = m_xpls[i];
            m_g[i] = m_gpls[i];
        }
        m_f = m_fpls;
    }
}

void Body(TarnfitObjective fcn, int n, const double* x0, const double* xscaleIn, const double* fscaleIn, int* ip,
          double* rp, double* xOut, double* fOut) {
    // Options: the defaults when the initialisation flag is 0 (or no option vectors).
    const SOptions def = DefaultOptions();
    SOptions o = def;
    if (!ip || ip[0] == 0) {
        WriteOptions(def, ip, rp);
    } else {
        o.nFdigit = ip[1];
        o.nMxIter = ip[2];
        o.nMaxFcn = ip[3];
        o.nMaxGrd = ip[4];
        o.nIHess = ip[5];
        o.nMaxHes = ip[6];
        if (rp) {
            o.dGradTl = rp[0];
            o.dStepTl = rp[1];
            o.dRfTol = rp[2];
            o.dAfTol = rp[3];
            o.dFalsTl = rp[4];
            o.dStepMx = rp[5];
            o.dDelta = rp[6];
        }
    }

    const std::size_t nn = static_cast<std::size_t>(n);
    CWorkspace<double> work;
    if (!work.Allocate(nn + CQuasiNewton::WorkSize(n))) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DUMINF_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
        return;
    }
    double* sx = work.Get();

    if (n == 1)
        E1MES(kWarningImmediate, TARNFIT_DUMINF_N_IS_1, "This routine may be inefficient for a problem of size N = 1.");
    bool bScaleOk = true;
    for (int i = 0; i < n; ++i) {
        sx[i] = xscaleIn ? xscaleIn[i] : 1.0;
        if (!(sx[i] > 0.0) || !std::isfinite(sx[i]))
            bScaleOk = false;
    }
    if (!bScaleOk) {
        E1MES(kWarningImmediate, TARNFIT_DUMINF_XSCALE,
              "The diagonal scaling matrix for the variables must be positive while some of the entries are less than "
              "or equal to zero.  The algorithm will use the identity scaling matrix for XSCALE.");
        for (int i = 0; i < n; ++i)
            sx[i] = 1.0;
    }
    double dFScale = fscaleIn ? *fscaleIn : 1.0;
    if (!(dFScale > 0.0) || !std::isfinite(dFScale)) {
        E1STD(1, dFScale);
        E1MES(kWarningImmediate, TARNFIT_DUMINF_FSCALE,
              "The estimate of the scale of the objective function must be positive while FSCALE = %(D1) is given.  "
              "The algorithm will use FSCALE = 1.0.");
        dFScale = 1.0;
    }
    CheckPositive(o.nFdigit, def.nFdigit, TARNFIT_DUMINF_FDIGIT,
                  "The number of good digits in the function must be positive while FDIGIT = %(I1) is given.  The "
                  "algorithm will use FDIGIT = %(I2).");
    CheckPositive(o.nMxIter, def.nMxIter, TARNFIT_DUMINF_MXITER,
                  "The maximum number of iterations must be positive while MXITER = %(I1) is given.  The algorithm "
                  "will use MXITER = %(I2).");
    CheckPositive(o.nMaxFcn, def.nMaxFcn, TARNFIT_DUMINF_MAXFCN_OPTION,
                  "The maximum number of function evaluations must be positive while MAXFCN = %(I1) is given.  The "
                  "algorithm will use MAXFCN = %(I2).");
    CheckPositive(o.nMaxGrd, def.nMaxGrd, TARNFIT_DUMINF_MAXGRD_OPTION,
                  "The maximum number of gradient evaluations must be positive while MAXGRD = %(I1) is given.  The "
                  "algorithm will use MAXGRD = %(I2).");
    CheckNonnegative(o.dGradTl, def.dGradTl, TARNFIT_DUMINF_GRADTL,
                     "The gradient tolerance must be nonnegative while GRADTL = %(D1) is given.  The algorithm will use "
                     "GRADTL = %(D2).");
    CheckNonnegative(o.dStepTl, def.dStepTl, TARNFIT_DUMINF_STEPTL,
                     "The step tolerance must be nonnegative while STEPTL = %(D1) is given.  The algorithm will use "
                     "STEPTL = %(D2).");
    CheckNonnegative(o.dRfTol, def.dRfTol, TARNFIT_DUMINF_RFTOL,
                     "The relative function tolerance must be nonnegative while RFTOL = %(D1) is given.  The algorithm "
                     "will use RFTOL = %(D2).");
    CheckNonnegative(o.dAfTol, def.dAfTol, TARNFIT_DUMINF_AFTOL,
                     "The absolute function tolerance must be nonnegative while AFTOL = %(D1) is given.  The algorithm "
                     "will use AFTOL = %(D2).");
    CheckNonnegative(o.dFalsTl, def.dFalsTl, TARNFIT_DUMINF_FALSTL,
                     "The false convergence tolerance must be nonnegative while FALSTL = %(D1) is given.  The algorithm "
                     "will use FALSTL = %(D2).");
    if (!(o.dStepMx > 0.0)) {
        double dSize = 0.0;
        for (int i = 0; i < n; ++i)
            dSize += (x0[i] * sx[i]) * (x0[i] * sx[i]);
        dSize = std::sqrt(dSize);
        o.dStepMx = 1000.0 * (std::isfinite(dSize) ? std::max(dSize, 1.0) : 1.0);
    }

    CObjective objective(fcn, n);
    CQuasiNewton qn(objective, n, sx, dFScale, o, sx + nn);
    qn.Run(x0, xOut, fOut);
    if (ip) {
        ip[2] = qn.Iterations();
        ip[3] = qn.Evaluations();
        ip[4] = qn.Gradients();
    }
}

} // namespace

} // namespace tarnfit::kernels

extern "C" void DUMINF(TarnfitObjective FCN, const int* N, const double* XGUESS, const double* XSCALE,
                       const double* FSCALE, int* IPARAM, double* RPARAM, double* X, double* FVALUE) {
    using namespace tarnfit::kernels;
    CRoutineScope scope("DUMINF");
    if (!scope.Entered())
        return;
    const int n = *N;
    if (n < 1) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DUMINF_N, "The number of variables must be positive while N = %(I1) is given.");
        return;
    }
    if (!FCN) {
        E1MES(kTerminal, TARNFIT_DUMINF_NO_FCN, "No objective routine FCN is given.");
        return;
    }
    try {
        Body(FCN, n, XGUESS, XSCALE, FSCALE, IPARAM, RPARAM, X, FVALUE);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (const std::bad_alloc&) {
        E1STI(1, n);
        E1MES(kTerminal, TARNFIT_DUMINF_STORAGE, "The required storage cannot be allocated based on N = %(I1).");
    } catch (...) {
        E1MES(kTerminal, TARNFIT_DUMINF_EXCEPTION,
              "The objective routine ended with an exception.  The minimization was abandoned.");
    }
}
