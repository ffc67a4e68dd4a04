#pragma once
// Dense LU factorisation with partial pivoting, solves with its factors and the L1 norm
// estimate of the inverse; used by DLSARG. Matrices are column-major, indices from 0.

namespace tarnfit::kernels {

// Factors the n x n matrix lu (leading dimension ld) in place as P A = L U (L unit lower,
// stored below the diagonal; U on and above it); ipvt[k] is the row swapped with row k at
// step k. adColMax[k] is the largest magnitude in column k of the original matrix: a pivot
// with |u_kk| <= eps * adColMax[k] (or NaN) counts as zero. Returns 0, or k+1 for the first
// zero pivot (the factorisation then stops).
int LuFactor(int n, double* lu, int ld, int* ipvt, const double* adColMax);

// Solves A x = b (bTransposed false) or A' x = b (true) with the factors; b is overwritten by x.
void LuSolve(int n, const double* lu, int ld, const int* ipvt, double* b, bool bTransposed);

// Estimate of ||A^-1||_1 from the factors (Hager's method, Higham's refinement, as LAPACK
// xLACN2). Work: x of n doubles, isgn of n ints.
double LuInverseNorm1(int n, const double* lu, int ld, const int* ipvt, double* x, int* isgn);

} // namespace tarnfit::kernels
