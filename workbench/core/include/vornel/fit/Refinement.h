#pragma once
// Least-squares refinement on stress of the laws the engine fits on ln(stress).
//
// Models 9, 13, 14, 17 and 18 are products of powers and exponentials, so the engine fits
// them by linear least squares on ln s. That weights a deviation by 1/s: the small stresses
// of hot, slow curves count far more than the large ones, and the law is not the one closest
// to the measured stresses. RefineFit starts from the engine's coefficients and minimises
//
//     S(A) = sum over the measured points of (Evaluate(E, t, H; A) - s)^2,
//
// the law exactly as CMaterial::Evaluate computes it (strain not below 0.001, strain rate not
// below 0.0001), over the measured points of FitReport.h (every prepared point except the
// first of each curve).
//
// Every one of these laws has the form s = c A1 exp(sum_{k>=2} A_k phi_k(E, H, t)) with fixed
// basis functions phi_k (ln E, ln H, t, 1/t, E, ...) and c = 1 (1.73 for model 13). The
// minimiser works on p = (ln A1, A2, ..., AK), with the analytic Jacobian
//     ds/dp_1 = s,  ds/dp_k = s phi_k,
// which keeps A1 positive and the problem well scaled in its first column.
//
// Solver: Levenberg-Marquardt with a trust region and column scaling by the Jacobian's
// column norms (Eigen's port of MINPACK's lmder; J. J. More, The Levenberg-Marquardt
// algorithm: implementation and theory, Lecture Notes in Mathematics 630 (1978) 105-116).

#include "vornel/fit/Confidence.h"

#include <vector>

class CMaterial;

// The result, CRefinementResult, is in document/FitResults.h.

// Every point's fitted stress becomes Evaluate there, and the two errors are taken over all
// points (N of them): ErrorMax the largest |d|, ErrorSr sqrt(sum d^2 / N) when
// bRootMeanSquare, else sqrt(sum d^2) / N.
void StoreLawStresses(CMaterial& material, bool bRootMeanSquare);

// A law the workbench fitted itself, put into the material: when fit is Ok(), aCoef become
// A1..AK (m_nCoef their count, the rest of the table 0) and StoreLawStresses(material, true)
// follows; else no coefficients and both errors kRefusalError. Returns fit, sliced to the
// result.
CRefinementResult TakeWorkbenchFit(CMaterial& material, CRefinementResult&& fit, const std::vector<double>& aCoef);

// True for the models RefineFit refines: 9, 13, 14, 17 and 18.
bool IsRefinableModel(int nModel);

// Refines the fit the material holds (m_nFunction, m_dCoef from the engine) on its measured
// stresses. When refined, the coefficients A1..AK are replaced, every point's fitted stress
// becomes Evaluate at that point, and the two errors are recomputed over all points as the
// engine defines them for the model: ErrorMax the largest |d|; ErrorSr sqrt(sum d^2 / N) for
// models 9 and 13, sqrt(sum d^2) / N for 14, 17 and 18 (N points), and the result carries
// the confidence intervals of A1..AK. Otherwise the material is left exactly as it was and
// the result says why.
CRefinementResult RefineFit(CMaterial& material);
