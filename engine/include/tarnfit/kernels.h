#pragma once
/* Numerical kernels of libtarnfit.so, callable from C, C++ and Fortran.
 *
 * Every argument is passed by pointer; integers are 32-bit, reals double; matrices are
 * column-major with a leading dimension. No kernel returns a status: conditions are posted
 * to the kernel error mechanism, printed on standard output according to their severity,
 * and the severity and code of the condition the last top-level kernel call handed to its
 * caller can be read with TarnfitKernelSeverity() and TarnfitKernelCode(). No kernel
 * condition ends the process. */

#include "tarnfit/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Objective routine of the minimisers: F = f(X(1..N)); X must not be changed. */
typedef void (*TarnfitObjective)(const int* N, const double* X, double* F);

TARNFIT_API void DRCURV(const int* NOBS, const double* XDATA, const double* YDATA, const int* NDEG, double* B,
                        double* SSQPOL, double* STAT);
TARNFIT_API void DUMPOL(TarnfitObjective FCN, const int* N, const double* XGUESS, double* S, const double* FTOL,
                        int* MAXFCN, double* X, double* FVALUE);
TARNFIT_API void DUMINF(TarnfitObjective FCN, const int* N, const double* XGUESS, const double* XSCALE,
                        const double* FSCALE, int* IPARAM, double* RPARAM, double* X, double* FVALUE);
TARNFIT_API void DLSARG(const int* N, const double* A, const int* LDA, const double* B, const int* IPATH, double* X);
TARNFIT_API void DEVLSF(const int* N, double* A, const int* LDA, double* EVAL);
TARNFIT_API void DRLSE(const int* NROW, const double* Y, const int* NIND, const double* X, const int* LDX,
                       const int* INTCEP, double* B, double* SST, double* SSE);

/* Severity (0..7) and code of the condition that the most recent top-level kernel call
 * handed to its caller; 0 when it posted none. */
TARNFIT_API int TarnfitKernelSeverity(void);
TARNFIT_API int TarnfitKernelCode(void);

#ifdef __cplusplus
}
#endif
