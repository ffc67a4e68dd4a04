#pragma once
// Model 21: the hyperbolic-sine law of model 19 (SinhLaw.h) corrected by a smooth tensor
// spline,
//
//     ln Ks = ln Kb(E, H, t) + s(u, v, w),
//     u = sqrt(Ec),   v = ln H,   w = 1000 / (t + 273.15)   (T in K),
//
// Kb the backbone, model 19's law with A1..A26 (Ec the strain held within [A25, A26]), and s
// a tensor product of uniform cubic B-splines in u, v and w with kSplineCount coefficients
// along each axis. Each argument is held within its axis' range [lo, hi] (A27..A32: lo and
// hi of u, v and w in turn), the ranges of the measured data, so that beyond the data the
// correction keeps its value at the edge and the law changes with strain, strain rate and
// temperature exactly as the backbone does there. The coefficients c(i, j, k) of s are
// A33..A362, i (along u) running fastest: A(33 + i + 11 (j + 5 k)).
//
// Along an axis of n coefficients the range is cut into m = n - 3 equal spans of width
// h = (hi - lo) / m; with x = (z - lo) / h in [0, m] (z the held argument), span
// q = min(floor x, m - 1) and f = x - q, the four B-splines that are not 0 there are
//     b0 = (1-f)^3/6,  b1 = (3f^3 - 6f^2 + 4)/6,  b2 = (-3f^3 + 3f^2 + 3f + 1)/6,  b3 = f^3/6,
// those of coefficients q..q+3 (extended uniform knots; C. de Boor, A Practical Guide to
// Splines, Springer 1978, ch. IX). Their derivatives in f are
//     -(1-f)^2/2,  f(3f - 4)/2,  (-3f^2 + 2f + 1)/2,  f^2/2,
// and ds/dz = (1/h) sum of those with the coefficients. The sum over the 64 coefficients of
// a point runs along w outermost, then v, then u, each term (bw bv) bu c, exactly as the
// exported Fortran adds them (ModelCatalogue.cpp), so that the subroutine returns the very
// same value.
//
// Derivatives of the law: Ks = Kb exp(s), so dKs/dx = exp(s) (dKb/dx + Kb ds/dx), with
// du/dE = 1/(2u), dv/dH = 1/H and dw/dt = -1000/T^2; 0 where an argument is held.
//
// Reference: P. H. C. Eilers, B. D. Marx, Flexible smoothing with B-splines and penalties,
// Statistical Science 11 (1996) 89-121 (the penalised tensor-product B-splines the fit uses).

#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SinhLaw.h"

#include <array>

inline constexpr int kSplineModel = 21;
inline constexpr int kSplineAxes = 3;
// Coefficients along u (strain), v (strain rate) and w (temperature): 8, 2 and 3 spans. The
// strain axis has the most, since every curve measures many strains but one strain rate and
// one temperature. Held-out mean and largest RMS (MPa) on the Gleeble steel set and on the
// hot-compression set: 11 x 5 x 6: 1.29, 3.45; 3.19, 7.07; 11 x 6 x 6: 1.34, 4.20; 3.16,
// 7.04; 11 x 5 x 5: 1.27, 3.19; 3.22, 7.03; 8 x 5 x 6: 1.32, 3.52; 3.22, 7.09.
inline constexpr std::array<int, kSplineAxes> kSplineCount = {11, 5, 6};
inline constexpr int kSplineGridCoef = kSplineCount[0] * kSplineCount[1] * kSplineCount[2]; // 330
inline constexpr int kSplineRangeAt = kSinhCoef;                  // index of A27, lo of u
inline constexpr int kSplineGridAt = kSplineRangeAt + 2 * kSplineAxes; // index of A33
inline constexpr int kSplineCoef = kSplineGridAt + kSplineGridCoef;    // K = 362

// The four B-splines of a point along one axis.
struct CSplineAxis {
    int m_nSpan = 0;                 // q: coefficients q..q+3 carry the point
    double m_dScale = 0;             // 1/h: spans per unit of the argument
    bool m_bInside = false;          // lo < z < hi: s changes with the argument there
    std::array<double, 4> m_adWeight{}; // b0..b3
    std::array<double, 4> m_adSlope{};  // db0/df..db3/df
};

// The axis values of argument dValue for an axis of nCount coefficients over [dLow, dHigh]
// (dHigh > dLow); a NaN argument counts as lo.
CSplineAxis SplineAxis(double dValue, double dLow, double dHigh, int nCount);

// The arguments u, v, w of the axes at bounded E, H (> 0) and t [deg C], Ec the strain the
// backbone holds.
std::array<double, kSplineAxes> SplineArguments(double dHeldStrain, double dH, double dT);

// The law's parts at one point.
struct CSplineTerms {
    CSinhTerms m_backbone;        // Kb = m_backbone.m_dStress
    std::array<CSplineAxis, kSplineAxes> m_aAxes;
    double m_dCorrection = 0;     // s
    double m_dStress = 0;         // Kb exp(s)
};

// The law of model 21 with coefficients A (kSplineCoef of them) at strain dE > 0, strain rate
// dH > 0 [1/s] and temperature dT [deg C].
CSplineTerms SplineTerms(const double* A, double dE, double dH, double dT);

// Its exact partial derivatives there (terms from SplineTerms at the same point).
CLawSlopes SplineSlopes(const double* A, const CSplineTerms& terms, double dE, double dH, double dT);
