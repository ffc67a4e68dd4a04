#pragma once
// The fit of model 21, model 19's law corrected by a tensor spline (SplineLaw.h), made by
// the workbench on the curves the engine prepared (FindCoreFit, ModelFit.h).
//
// 1. The backbone: model 19's fit (SinhLawFit.h), A1..A26.
// 2. The spline's ranges: u = sqrt(E) over sqrt(A25)..sqrt(A26), v = ln H and
//    w = 1000/(t + 273.15) over the measured strain rates and temperatures (a range of one
//    value is widened by 0.5 on each side).
// 3. Its coefficients c by penalised least squares on the logarithm of the stress, each
//    measured point i (s_i > 0) weighted by s_i^2 so that a deviation counts as its part of
//    the stress does:
//        minimise  sum_i s_i^2 (ln s_i - ln Kb_i - x_i c)^2 + c' P c,
//        P = lu Pu + lv Pv + lw Pw,
//    x_i the 64 B-splines of point i (the rest 0), Pa the second differences of the
//    coefficients along axis a, squared and summed (D'D along a, the identity along the
//    others; Eilers and Marx 1996). The normal equations (X'WX + P) c = X'Wy are solved by
//    Cholesky (Eigen).
// 4. The three smoothing weights la = 10^ga tr(X'WX) / tr(Pa) by leave-one-condition-out
//    cross-validation: the points of one condition (temperature and strain rate: a curve
//    and its repeats) are left out in turn, and the weights minimise the root mean square of
//    s_i (ln s_i - predicted ln s_i) over the left-out points. The prediction without group
//    g comes in closed form from the fit with all points (S the hat matrix X (X'WX + P)^-1
//    X'W, e_g the group's residuals):
//        e_(-g) = (I - S_gg)^-1 e_g
//    (the leave-group-out form of the PRESS identity). The search walks ga in steps of 2,
//    1, 0.5 and 0.25 decades, one axis at a time, from 0 (or from the start's weights).
// 5. Monotonicity: the stress must not rise with temperature nor fall with strain rate over
//    the measured ranges, d ln Ks/dz = b(z) + ds/dz >= 0 for z = v and z = w, b the
//    backbone's logarithmic slope. Along an axis ds/dz = (1/h) sum_j d_j N_j(z) with d_j the
//    differences of neighbouring coefficients and N_j >= 0 quadratic B-splines summing to 1,
//    so d_j >= -h min(b) over the support of N_j is enough. The differences below that bound
//    (with a margin) get the asymmetric penalty kappa (d_j - bound_j)^2, the fit is solved
//    again, and again, until no difference falls below its bound (Bollaerts, Eilers, van
//    Mechelen, Simple and multiple P-splines regression with shape constraints, Brit. J.
//    Math. Stat. Psych. 59 (2006) 451-469); then the law check (export/LawCheck.h) over the
//    grid of the tables and the range of the subroutines must pass, else the margin grows and
//    the fit is made again.
//
// No confidence intervals are formed for the spline's coefficients: they are smoothed, not
// estimated freely; the backbone's are model 19's.

#include "vornel/fit/Refinement.h"

#include <array>
#include <vector>

class CMaterial;

struct CSplineFit : CRefinementResult {
    std::vector<double> m_aCoef;               // fitted: kSplineCoef coefficients, else empty
    std::array<double, 3> m_adLogWeight{};     // g_u, g_v, g_w chosen (m_aTuning holds them too)
    double m_dBackboneRms = 0;                 // RMS of the backbone over the measured points
    double m_dCrossValidationRms = 0;          // the left-out RMS of the chosen weights
    int m_nConditions = 0;                     // groups of the cross-validation
    int m_nWeightTrials = 0;                   // weight triples tried
    int m_nConstrained = 0;                    // differences held at their bound
    double m_dMargin = 0;                      // the margin the law check passed with
};

// Model 21 fitted to the measured points of a prepared material, without changing it; from
// pStart (a fit of model 21 to a like material: its backbone and smoothing weights) when
// given.
CSplineFit FitSplineLawTo(const CMaterial& material, const CCoreFitStart* pStart = nullptr);

// Model 21's fit of the material as the engine left it. Fitted: m_nCoef kSplineCoef, every
// point's fitted stress Evaluate there, ErrorSr = sqrt(sum d^2 / N) and ErrorMax = max |d|
// over all points, the backbone's confidence intervals, status Refined; refused: the refusal
// result and the reason.
CRefinementResult FitSplineLaw(CMaterial& material, const CCoreFitStart* pStart = nullptr);
