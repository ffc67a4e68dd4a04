#pragma once
// Confidence intervals of the coefficients of a least-squares fit on the stress, from the
// Jacobian at the optimum (the linearised model):
//
//     covariance C = s^2 (J^T J)^-1,   s^2 = SSR / (N - p),
//     95 % half-width of coefficient k = t(0.975, N - p) sqrt(C_kk),
//     correlation of coefficients i and j = C_ij / sqrt(C_ii C_jj),
//
// J the N x p Jacobian of the fitted stresses with respect to the coefficients as they are
// stored (A1, A2, ...), SSR the sum of squared residuals, t the Student t quantile (Boost
// Math). (J^T J)^-1 is formed from the singular value decomposition of J with its columns
// scaled to unit length, so that coefficients of very different sizes (a polynomial's E^5
// term beside its constant) do not spoil it. Reference: D. M. Bates, D. G. Watts, Nonlinear
// Regression Analysis and Its Applications, Wiley (1988), ch. 2.

#include "vornel/document/FitResults.h"

// The result, CConfidenceIntervals, is in document/FitResults.h.

// The intervals of coefficients A<nFirstNumber>.. of values pValues (p of them), from the
// Jacobian pJacobian (N rows, p columns, column-major: d s_i / d A_k at i + N k) and the sum
// of squared residuals dSumSq at the optimum.
CConfidenceIntervals MakeConfidenceIntervals(const double* pJacobian, int nPoints, int nCoef, const double* pValues,
                                             double dSumSq, int nFirstNumber = 1);

// The Student t quantile t(dProbability, nDegrees), nDegrees >= 1.
double StudentQuantile(double dProbability, int nDegrees);
