#pragma once
// The fit of model 19, the strain-compensated hyperbolic-sine law (SinhLaw.h), made by the
// workbench on the curves the engine prepared (FindCoreFit, fit/ModelFit.h).
//
// 1. Starting values by the standard procedure at common strain levels: kSinhLevels strains
//    evenly from the largest first to the smallest last measured strain of the curves, each
//    curve's stress at a level interpolated linearly between its measured points. At every
//    level, with T = t + 273.15 K:
//      n1    = mean over the temperatures of the slope of ln H over ln s,
//      beta  = mean over the temperatures of the slope of ln H over s,   alpha = beta / n1,
//      n     = mean over the temperatures of the slope of ln H over ln sinh(alpha s),
//      Q     = R n (mean over the strain rates of the slope of ln sinh(alpha s) over 1/T),
//      ln A  = mean over the curves of ln H + Q/(R T) - n ln sinh(alpha s),
//    the slopes by least squares over the curves at one temperature (at least 2 strain
//    rates) or at one strain rate (at least 2 temperatures); then a polynomial of the order
//    in the strain through each quantity's level values, by least squares, with the end
//    levels' values held out to the smallest and largest measured strain (further points
//    at the level spacing), so that the start does not extrapolate beyond the common range
//    where some curves reach far beyond it.
// 2. Levenberg-Marquardt (Refinement.h's solver, Eigen's port of MINPACK's lmder) on the
//    stress at the measured points (FitReport.h), all 4 (order + 1) polynomial coefficients
//    at once, with the analytic Jacobian
//      ds/d alpha_k = -s/alpha E^k,          ds/d n_k   = -g y / (alpha n) E^k,
//      ds/d Q_k     = g 1000/(R T alpha n) E^k,  ds/d lnA_k = -g / (alpha n) E^k,
//    g = d asinh(e^y)/dy; the strain range A25, A26 (the smallest and largest measured
//    strain) is fixed.
// 3. The confidence intervals of the fitted coefficients (Confidence.h).
//
// A fit is refused, with the reason, when the start cannot be formed: fewer than 2
// temperatures at one strain rate or 2 strain rates at one temperature, no strain range
// that every curve covers, a stress not above 0 at a level, or slopes that leave n1, beta,
// alpha or n not above 0 (stresses that do not rise with the strain rate, where asinh has
// no usable slope).

#include "vornel/fit/Refinement.h"

#include <vector>

class CMaterial;

// Common strain levels of the start.
inline constexpr int kSinhLevels = 15;

// The law of order nOrder fitted to a material, without changing the material.
struct CSinhFit : CRefinementResult {
    std::vector<double> m_aStart; // the starting coefficients (SinhCoefCount(order)); empty when refused
    std::vector<double> m_aCoef;  // fitted: the coefficients, else empty
};

// The starting coefficients alone, or the reason they cannot be formed.
struct CSinhStart : CCheck {
    std::vector<double> m_aCoef; // formed (Ok): SinhCoefCount(nOrder) coefficients
};
CSinhStart SinhStart(const CMaterial& material, int nOrder);

// Start and Levenberg-Marquardt for polynomials of order nOrder (1..8) over the measured
// points of the material. With pStart (SinhFitCoefCount(nOrder) coefficients of a fit of
// the same order to a like material) Levenberg-Marquardt starts from those instead of the
// standard start, whose refusals still hold; the strain range is the material's own.
CSinhFit FitSinhLawOfOrder(const CMaterial& material, int nOrder, const double* pStart = nullptr);

// Model 19's fit (order 5) of the material as the engine left it, from pStart's
// coefficients when given. Fitted: m_nCoef 26 with A1..A26, every point's fitted stress
// Evaluate there, ErrorSr = sqrt(sum d^2 / N) and ErrorMax = max |d| over all points, and
// status Refined; refused: the refusal result (no coefficients, both errors 100000) and the
// reason.
CRefinementResult FitSinhLaw(CMaterial& material, const CCoreFitStart* pStart = nullptr);
