#pragma once
// The fit of model 20, the Johnson-Cook law (model/JohnsonCookLaw.h), made by the workbench
// on the curves the engine prepared (its entry point only prepares them).
//
// 1. The three values the law is referred to: tm from the user (CMaterial::m_johnsonCook),
//    tr and H0 from the user or else the lowest measured temperature and the lowest measured
//    strain rate above 0 (the rate bound 0.0001 1/s when every curve has rate 0).
// 2. Start: n, C and m on a grid (n 0.05..1, C 0..0.4, m 0.3..5); for each, A and B are
//    linear in the law, s = A f + B g with f = R(H) Q(t), g = E^n f, and are taken by least
//    squares held at 0 or above; the grid point of the smallest sum of squares starts.
// 3. Levenberg-Marquardt on the measured stresses (the refinement's solver, Refinement.h:
//    Eigen's port of MINPACK's lmder), minimising S = sum (Ks(E, H, t) - s)^2 over the
//    measured points (FitReport.h), with the analytic Jacobian
//        dKs/dA = R Q,  dKs/dB = E^n R Q,  dKs/dn = B E^n ln(E) R Q,
//        dKs/dC = (A + B E^n) ln(max(H/H0, 1)) Q,  dKs/dm = -(A + B E^n) R T*^m ln(T*),
//    R = 1 + C ln(max(H/H0, 1)), Q = 1 - T*^m. A, B, C and m stay at 0 or above, as the
//    solvers read them (A is the yield stress at zero plastic strain): an active set, as in
//    C. L. Lawson, R. J. Hanson, Solving Least Squares Problems, Prentice-Hall (1974) ch. 23,
//    here over the nonlinear problem. A coefficient that the unconstrained step takes below
//    0 is held at 0 and the rest are fitted again; a held coefficient is released when S
//    falls as it rises from 0 (dS/dA_k < 0); this repeats until neither happens. While B is
//    held at 0, n has no effect and stays at its start.
// 4. The 95 % confidence intervals of the coefficients that are fitted (Confidence.h).
//
// Refused, with the reason: no melting temperature, a melting temperature not above the
// highest measured temperature, tr not below tm, H0 not above 0, too few measured points, or
// a solver that fails.

#include "vornel/fit/Refinement.h"

#include <vector>

class CMaterial;

// The law fitted to a material, without changing the material.
struct CJohnsonCookFit : CRefinementResult {
    std::vector<double> m_aCoef; // fitted: A1..A8, else empty
    std::vector<int> m_aHeld;    // numbers of the coefficients held at their bound 0 (1 for A1, ...)
};
CJohnsonCookFit FitJohnsonCookLaw(const CMaterial& material);

// Model 20's fit of the material as the engine left it. Fitted: m_nCoef 8 with A1..A8,
// every point's fitted stress Evaluate there, ErrorSr = sqrt(sum d^2 / N) and ErrorMax =
// max |d| over all points, status Refined; refused: the refusal result and the reason.
// The fit always starts from its own estimates (its four coefficients are quickly found):
// a start given by the caller is not used.
CRefinementResult FitJohnsonCook(CMaterial& material, const CCoreFitStart* pStart = nullptr);
