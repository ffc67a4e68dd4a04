#pragma once
/* Numerical kernels of libtarnfit.so, callable from C, C++ and Fortran.
 *
 * Calling convention. Every argument is passed by pointer; integers are 32-bit (int),
 * reals are double; matrices are stored column-major with a leading dimension, so element
 * (i, j), counted from 1, of a matrix A with leading dimension LDA is A[(i-1) + (j-1)*LDA].
 * The names are exported with C linkage exactly as written (no trailing underscore); a
 * Fortran program declares them with BIND(C, NAME='DRCURV') and so on, all arguments
 * without VALUE.
 *
 * Reporting. No kernel returns a status and none throws. Conditions are posted to the
 * kernel error mechanism with a severity and a code (table below) and printed, one call
 * per line, to the message sink set with TarnfitSetMessageSink (tarnfit/tarnfit.h), or on
 * the C stdio standard output (flushed after each message) when none is set, in the form
 *
 *     " *** WARNING ERROR 405 from DLSARG.  The matrix is too ill-conditioned. ..."
 *
 * Severities and their printed words: 1 NOTE, 2 ALERT, 3 WARNING, 4 FATAL, 5 TERMINAL,
 * 6 WARNING (immediate), 7 FATAL (immediate). With the default flags NOTE and ALERT are not
 * printed, WARNING and FATAL are printed when the routine the caller called returns, and
 * severities 5 to 7 are printed at the moment they are posted. Message parameters are
 * substituted into the text (integers in decimal, reals in their shortest exact decimal
 * form, for example 2.5 or 1e-05); a message line is not wrapped at any width, "%/" in a
 * text starts a new line.
 *
 * No kernel condition ends the process. The severities with a stop flag (FATAL, TERMINAL,
 * FATAL immediate, and the mechanism's own faults) mark a failed call: the message is
 * printed and the routine returns to its caller with the condition recorded; the work that the condition
 * makes impossible is skipped (each routine below says what its outputs hold then). Read
 * the outcome of the call you just made with TarnfitKernelSeverity() and
 * TarnfitKernelCode(); TARNFIT_KERNEL_FAILED(severity) is true for the severities with a
 * stop flag (4, 5, 7). Severity 6 is a warning that was printed at once, not a
 * failure.
 *
 * A routine keeps one condition: a later one replaces an earlier one, except that a failing
 * condition (4, 5, 7) is never replaced by a non-failing one; a replaced warning that was
 * still waiting to be printed is printed at that moment, so no message is lost.
 *
 * Kernels called from inside an objective routine of DUMPOL or DUMINF are top-level calls
 * of their own: their conditions are printed and recorded when they return to the
 * objective routine and are not passed on to the minimiser.
 *
 * State: the routine stack and the flags are per thread; a call runs entirely on the
 * calling thread. Workspace is allocated once per call and freed before returning.
 *
 * Message codes (stable; severity in brackets: N note, A alert, W warning, F fatal,
 * T terminal, W6 immediate warning):
 *
 *   DRCURV 101 [T] NOBS < 1            102 [T] NDEG < 0            103 [T] no storage
 *          104 [F] every pair has NaN  105 [F] x values constant   106 [W] y values constant
 *          107 [W] perfect fit at a lower degree than NDEG
 *          108 [W] too few distinct abscissas, lower degree fitted
 *          109 [W6] the degree NDEG fit is perfect within machine precision
 *   DUMPOL 201 [T] N < 1               202 [T] FTOL < 0            203 [W6] S <= 0, random simplex
 *          204 [F] evaluations exceeded MAXFCN                    205 [T] no storage
 *          206 [T] FCN missing         207 [T] an exception left the objective routine
 *   DUMINF 301 [T] N < 1               302 [W6] N = 1              303 [W6] some XSCALE <= 0
 *          304 [W6] FSCALE <= 0        305 [W6] FDIGIT < 1         306 [W6] MXITER < 1
 *          307 [W6] MAXFCN < 1         308 [W6] MAXGRD < 1         309 [W6] GRADTL < 0
 *          310 [W6] STEPTL < 0         311 [W6] RFTOL < 0          312 [W6] AFTOL < 0
 *          313 [W6] FALSTL < 0         314 [T] no storage          315 [T] FCN missing
 *          316 [T] an exception left the objective routine
 *          321 [A] scaled step tolerance satisfied
 *          322 [W] relative function convergence
 *          323 [W] last global step failed to locate a lower point
 *          324 [F] false convergence
 *          325 [F] maximum number of iterations exceeded
 *          326 [F] maximum number of function evaluations exceeded
 *          327 [F] maximum number of gradient evaluations exceeded
 *          328 [F] five consecutive steps of length STEPMX
 *          329 [F] the objective value or its gradient estimate is not finite at the start
 *   DLSARG 401 [T] N < 1               402 [T] LDA < N             403 [T] IPATH not 1 or 2
 *          404 [F] singular matrix     405 [W] RCOND < 2^-52       406 [T] no storage
 *   DEVLSF 501 [T] N < 1               502 [T] LDA < N             503 [W] no convergence in 100 iterations
 *          504 [T] no storage
 *   DRLSE  601 [T] INTCEP not 0 or 1   602 [T] NIND + INTCEP < 1   603 [T] NROW < 1
 *          604 [T] LDX < NROW          605 [W] not full rank       606 [T] no storage
 *   mechanism (printed from E1PSH, E1POP, E1MES, E1USR; always TERMINAL):
 *          901 stack overflow (more than 50 levels)   902 pop with a name not on top
 *          903 pop from an empty stack                904 illegal severity posted
 *          905 user-code switch neither 'ON' nor 'OFF'
 */

#include "tarnfit/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Message codes of the kernels (see the table above). */
enum TarnfitKernelMessageCode {
    TARNFIT_DRCURV_NOBS = 101,
    TARNFIT_DRCURV_NDEG = 102,
    TARNFIT_DRCURV_STORAGE = 103,
    TARNFIT_DRCURV_ALL_NAN = 104,
    TARNFIT_DRCURV_X_CONSTANT = 105,
    TARNFIT_DRCURV_Y_CONSTANT = 106,
    TARNFIT_DRCURV_PERFECT_LOWER = 107,
    TARNFIT_DRCURV_FEW_ABSCISSAS = 108,
    TARNFIT_DRCURV_PERFECT = 109,

    TARNFIT_DUMPOL_N = 201,
    TARNFIT_DUMPOL_FTOL = 202,
    TARNFIT_DUMPOL_RANDOM_SIMPLEX = 203,
    TARNFIT_DUMPOL_MAXFCN = 204,
    TARNFIT_DUMPOL_STORAGE = 205,
    TARNFIT_DUMPOL_NO_FCN = 206,
    TARNFIT_DUMPOL_EXCEPTION = 207,

    TARNFIT_DUMINF_N = 301,
    TARNFIT_DUMINF_N_IS_1 = 302,
    TARNFIT_DUMINF_XSCALE = 303,
    TARNFIT_DUMINF_FSCALE = 304,
    TARNFIT_DUMINF_FDIGIT = 305,
    TARNFIT_DUMINF_MXITER = 306,
    TARNFIT_DUMINF_MAXFCN_OPTION = 307,
    TARNFIT_DUMINF_MAXGRD_OPTION = 308,
    TARNFIT_DUMINF_GRADTL = 309,
    TARNFIT_DUMINF_STEPTL = 310,
    TARNFIT_DUMINF_RFTOL = 311,
    TARNFIT_DUMINF_AFTOL = 312,
    TARNFIT_DUMINF_FALSTL = 313,
    TARNFIT_DUMINF_STORAGE = 314,
    TARNFIT_DUMINF_NO_FCN = 315,
    TARNFIT_DUMINF_EXCEPTION = 316,
    TARNFIT_DUMINF_STEP_TOLERANCE = 321,
    TARNFIT_DUMINF_RELATIVE_FUNCTION = 322,
    TARNFIT_DUMINF_NO_LOWER_POINT = 323,
    TARNFIT_DUMINF_FALSE_CONVERGENCE = 324,
    TARNFIT_DUMINF_MAX_ITERATIONS = 325,
    TARNFIT_DUMINF_MAX_FUNCTIONS = 326,
    TARNFIT_DUMINF_MAX_GRADIENTS = 327,
    TARNFIT_DUMINF_MAX_STEPS = 328,
    TARNFIT_DUMINF_NOT_FINITE = 329,

    TARNFIT_DLSARG_N = 401,
    TARNFIT_DLSARG_LDA = 402,
    TARNFIT_DLSARG_IPATH = 403,
    TARNFIT_DLSARG_SINGULAR = 404,
    TARNFIT_DLSARG_ILL_CONDITIONED = 405,
    TARNFIT_DLSARG_STORAGE = 406,

    TARNFIT_DEVLSF_N = 501,
    TARNFIT_DEVLSF_LDA = 502,
    TARNFIT_DEVLSF_NO_CONVERGENCE = 503,
    TARNFIT_DEVLSF_STORAGE = 504,

    TARNFIT_DRLSE_INTCEP = 601,
    TARNFIT_DRLSE_NIND = 602,
    TARNFIT_DRLSE_NROW = 603,
    TARNFIT_DRLSE_LDX = 604,
    TARNFIT_DRLSE_RANK = 605,
    TARNFIT_DRLSE_STORAGE = 606,

    TARNFIT_E1PSH_OVERFLOW = 901,
    TARNFIT_E1POP_MISMATCH = 902,
    TARNFIT_E1POP_EMPTY = 903,
    TARNFIT_E1MES_ILLEGAL_TYPE = 904,
    TARNFIT_E1USR_INVALID_SWITCH = 905
};

/* True for the severities with a stop flag (FATAL, TERMINAL, FATAL immediate): the kernel
 * could not deliver its result. */
#define TARNFIT_KERNEL_FAILED(severity) ((severity) == 4 || (severity) == 5 || (severity) == 7)

/* Objective routine of the minimisers: sets *F = f(X(1..N)). It must not change N or X.
 * It may call kernels itself (those calls report on their own). */
typedef void (*TarnfitObjective)(const int* N, const double* X, double* F);

/* DRCURV: polynomial least-squares fit.
 *
 * NOBS   in   number of observations (>= 1).
 * XDATA  in   abscissas x(1..NOBS); not changed.
 * YDATA  in   ordinates y(1..NOBS); not changed.
 * NDEG   in   degree of the polynomial (>= 0).
 * B      out  NDEG+1 coefficients in power form in the given x: y ~ B(1) + B(2) x + ...
 *             + B(NDEG+1) x^NDEG. Coefficients above the degree actually fitted are 0.
 * SSQPOL out  NDEG+1 sequential sums of squares: SSQPOL(1) = n*ybar^2 (the mean),
 *             SSQPOL(k+1) = the reduction of the residual sum of squares by the degree-k
 *             term (0 above the degree fitted). Their sum is sum(y^2) - SSE.
 * STAT   out  10 statistics over the n pairs used: (1) mean of x, (2) mean of y,
 *             (3) variance of x, (4) variance of y (both with divisor n-1), (5) R-squared
 *             in percent, 100*(1 - SSE/SST) (100 when SST = 0), (6) degrees of freedom of
 *             the regression (the degree fitted), (7) regression sum of squares SST - SSE,
 *             (8) degrees of freedom of the error, n - degree - 1, (9) error sum of squares
 *             SSE, (10) number of pairs left out because x or y is NaN.
 *
 * Method: pairs with NaN are left out and counted, the rest sorted by x; x is mapped onto
 * z in [-2, 2] (z = s (x - c), c the mid-range, s = 4/range); Forsythe's orthogonal
 * polynomials p_k(z) (three-term recurrence, unit weights) are fitted one degree after the
 * other against the running residual; the result is converted back to power form in x in
 * extended precision. Lower-degree rules: constant y gives degree 0 (106); fewer than
 * NDEG+1 distinct abscissas d gives degree d-1 (108); a residual that is zero within
 * machine precision (sqrt(SSE) <= 100 eps ||y||) at degree k < NDEG ends the fit at k (107),
 * at degree NDEG it is reported as 109. Reference: G. E. Forsythe, "Generation and use of
 * orthogonal polynomials for data-fitting with a digital computer", J. SIAM 5 (1957) 74-88.
 * On a FATAL or TERMINAL condition B, SSQPOL and STAT are left as they were. */
TARNFIT_API void DRCURV(const int* NOBS, const double* XDATA, const double* YDATA, const int* NDEG, double* B,
                        double* SSQPOL, double* STAT);

/* DUMPOL: minimum of FCN by the downhill simplex method of Nelder and Mead.
 *
 * FCN    in   objective routine.
 * N      in   number of variables (>= 1).
 * XGUESS in   start point, N values.
 * S      in   side of the initial simplex; <= 0 selects a random simplex around XGUESS
 *             (every coordinate of vertices 2..N+1 is XGUESS(j)*(1+r), r uniform in (0,1)
 *             from the kernel's generator, whose state is restored afterwards, so the
 *             simplex is the same on every call).
 *        out  the average Euclidean distance of the final vertices from their centroid.
 * FTOL   in   function tolerance (>= 0).
 * MAXFCN in   maximum number of objective evaluations; out: the number used.
 * X      out  best vertex, N values.
 * FVALUE out  objective value at X.
 *
 * Method: vertices x0 and x0 + S e_j; reflection 1, expansion 2, contraction 0.5 (towards
 * the reflected point or the worst vertex), shrink halfway towards the best vertex. Stops
 * when f_worst - f_best < FTOL (1 + |f_best|) (tested before each step) or when the
 * standard deviation of the N+1 values is at most FTOL (tested after each step). Both tests
 * see function values only, and a symmetric simplex can show equal values far from a
 * minimum (x1^2 + x2^2 from (1, 1) with S = 1 reaches three vertices of value 0.5): a stop
 * after at least one step is therefore checked by probing the best vertex at +-delta along
 * each axis (delta = 0.001 times the simplex size, 2N evaluations, skipped when they would
 * exceed MAXFCN); a point lower by more than FTOL (1 + |f_best|) starts a new run from there
 * with a simplex built as at the start (R. O'Neill, Algorithm AS 47, Applied Statistics 20
 * (1971) 338-345). When the evaluations used exceed MAXFCN after a step it posts 204
 * [FATAL] and returns; X, FVALUE, MAXFCN and S then describe the simplex reached. NaN
 * objective values count as +infinity when vertices are compared. A constant objective
 * stops at the first test with X = XGUESS and MAXFCN = N+1. Reference: J. A. Nelder,
 * R. Mead, "A simplex method for function minimization", Computer Journal 7 (1965)
 * 308-313. On a TERMINAL condition the outputs are left as they were. */
TARNFIT_API void DUMPOL(TarnfitObjective FCN, const int* N, const double* XGUESS, double* S, const double* FTOL,
                        int* MAXFCN, double* X, double* FVALUE);

/* DUMINF: minimum of FCN by a quasi-Newton method with BFGS updates of a factored Hessian,
 * a backtracking line search and finite-difference gradients.
 *
 * FCN    in   objective routine.
 * N      in   number of variables (>= 1).
 * XGUESS in   start point, N values.
 * XSCALE in   N positive scale factors of the variables (typical 1/|x_i|); any entry <= 0
 *             makes all of them 1.0 (303). May be NULL: all 1.0, no message.
 * FSCALE in   typical magnitude of the objective near the minimum (> 0); <= 0 uses 1.0
 *             (304). May be NULL: 1.0, no message.
 * IPARAM in/out 7 integer options: (1) initialisation flag, 0 = fill IPARAM and RPARAM
 *             with the defaults first (then set to 1); (2) FDIGIT, good digits of the
 *             objective, default 15; (3) MXITER, default 100; (4) MAXFCN, default 400;
 *             (5) MAXGRD, default 400; (6) Hessian initialisation, 0 (default) =
 *             max(|f(x0)|, FSCALE) diag(XSCALE^2), otherwise the identity; (7) MAXHES,
 *             default 100, not used. On return (3), (4), (5) hold the numbers of iterations,
 *             objective evaluations and gradient estimates used: the evaluations count
 *             the start point and the line-search trials; the N or 2N evaluations of a
 *             gradient estimate are counted as one gradient evaluation.
 *             May be NULL: defaults, nothing written.
 * RPARAM in/out 7 real options (eps = 2^-52): (1) GRADTL eps^(1/3); (2) STEPTL eps^(2/3);
 *             (3) RFTOL max(eps^(2/3), 1e-20); (4) AFTOL max(eps^2, 1e-20); (5) FALSTL
 *             100 eps; (6) STEPMX -9999 (<= 0: 1000 max(||XSCALE*XGUESS||, 1));
 *             (7) DELTA -9999 (trust radius; not used by this line-search method).
 *             May be NULL: defaults.
 * X      out  last accepted point, N values.
 * FVALUE out  objective value at X.
 *
 * Method (Dennis and Schnabel, "Numerical Methods for Unconstrained Optimization and
 * Nonlinear Equations", 1983: A6.3.1mod line search, A9.4.2 BFGS on the Cholesky factor,
 * A5.6.3/A5.6.4 finite differences, A7.2.1 stopping). Line search along the quasi-Newton
 * direction p (shortened to STEPMX): trial lambda = 1, accepted when
 * f(x + lambda p) <= f(x) + 1e-4 lambda g'p; a full step whose end still has slope below
 * 0.9 g'p is doubled (never beyond STEPMX) while that test holds and the value keeps
 * falling; a failed trial backtracks to the minimiser of the interpolating quadratic (first)
 * or cubic (later), clamped to [0.1, 0.5] lambda; the search fails when the relative step
 * falls below max(STEPTL, FALSTL). eta = max(10^-FDIGIT, eps). Forward
 * differences with step sqrt(eta) max(|x_i|, 1/XSCALE_i); central differences with step
 * eta^(1/3) max(|x_i|, 1/XSCALE_i) once the scaled gradient falls to 0.1 or after a failed
 * line search. Scaled gradient: max_i |g_i| max(|x_i|, 1/XSCALE_i) / max(|f|, FSCALE);
 * scaled step: max_i |dx_i| / max(|x_i|, 1/XSCALE_i). Stopping tests after each accepted
 * step, in this order: scaled gradient <= GRADTL (no message); |f| <= AFTOL (no message);
 * scaled step <= STEPTL (321 alert); both the actual relative reduction (f_old - f)/|f| and
 * the reduction the quadratic model predicts for the next step, g' B^-1 g / 2 / |f|, at most
 * RFTOL (322 warning); iterations >= MXITER (325), evaluations >= MAXFCN (326), gradient
 * estimates >= MAXGRD (327), five consecutive steps longer than 0.99 STEPMX (328), all fatal.
 * A line search that fails with central differences ends the run at the current point with
 * 323 (no lower point, warning) when STEPTL >= FALSTL (the defaults), and with 324 (false
 * convergence, fatal) when STEPTL was set below FALSTL, so that the search went down to
 * relative steps of FALSTL without finding a lower point. A trial point whose objective
 * value is not finite, or at which a value that its gradient estimate needs is not finite,
 * is a failed trial: the step is cut to a tenth and the interpolation starts afresh; where
 * central differences cannot be formed at the current point the search counts as failed
 * with forward ones, and where they cannot be formed at an accepted point the forward
 * estimate stays. Only a start point whose value or forward-difference gradient is not
 * finite ends the run with 329 (fatal), at the start point. When the objective's last call
 * gave no finite value, FCN is called once more at X before the return, so that an
 * objective that keeps what its last call computed ends on X.
 * On a TERMINAL condition X and FVALUE are left as they were. */
TARNFIT_API void DUMINF(TarnfitObjective FCN, const int* N, const double* XGUESS, const double* XSCALE,
                        const double* FSCALE, int* IPARAM, double* RPARAM, double* X, double* FVALUE);

/* DLSARG: solution of a real general linear system with iterative refinement.
 *
 * N      in   order of the system (>= 1).
 * A      in   N x N matrix, column-major with leading dimension LDA; not changed.
 * LDA    in   leading dimension of A (>= N).
 * B      in   right-hand side, N values; not changed (may be the same array as X).
 * IPATH  in   1: solve A x = b; 2: solve A' x = b.
 * X      out  solution, N values.
 *
 * Method: a copy of A is factored as P A = L U by Gaussian elimination with partial
 * pivoting. A pivot |u_kk| <= eps * max_i |a_ik| (zero to working precision relative to its
 * column) makes the matrix singular: 404 [FATAL], no solution is computed and X is left as
 * it was. Otherwise the reciprocal L1 condition number RCOND = 1 / (||A||_1 est(||A^-1||_1))
 * is estimated with Hager's method as refined by Higham (LAPACK xLACN2; N. J. Higham, ACM
 * TOMS 14 (1988) 381-396), the system is solved with the factors and the solution improved
 * by iterative refinement with residuals b - op(A) x computed against the unfactored A in
 * extended precision (long double): corrections are applied while each is at most half the
 * previous one (the first at most half of |x|), until one is below eps |x|, the residual
 * is 0, or after 10 corrections. RCOND < 2^-52 posts 405 [WARNING]; X holds the refined solution. */
TARNFIT_API void DLSARG(const int* N, const double* A, const int* LDA, const double* B, const int* IPATH, double* X);

/* DEVLSF: all eigenvalues of a real symmetric matrix.
 *
 * N      in   order of the matrix (>= 1).
 * A      in/out N x N symmetric matrix, column-major with leading dimension LDA. Only the
 *             upper triangle (diagonal included) is read and it is never written; the
 *             strict lower triangle is work space and is rewritten from the upper triangle
 *             before returning, so a symmetric A is unchanged on return (also on the
 *             non-convergence warning). On a TERMINAL condition A is not touched.
 * LDA    in   leading dimension of A (>= N).
 * EVAL   out  the N eigenvalues in decreasing order of magnitude, signs kept (ties in
 *             magnitude: the positive one first).
 *
 * Method: the upper triangle divided by its largest magnitude is copied into the strict
 * lower triangle and a diagonal vector, reduced to tridiagonal form by Householder
 * transformations (Wilkinson and Reinsch, Handbook for Automatic Computation II, tred1) and
 * the tridiagonal eigenvalues found by the implicit QL method with at most 100 iterations
 * per eigenvalue (tql1); the scale is undone on the eigenvalues. An eigenvalue that does not
 * converge posts 503 [WARNING] and the values reached are returned, sorted as above. */
TARNFIT_API void DEVLSF(const int* N, double* A, const int* LDA, double* EVAL);

/* DRLSE: multiple linear regression by least squares.
 *
 * NROW   in   number of observations (>= 1).
 * Y      in   responses, NROW values.
 * NIND   in   number of independent variables (>= 0, NIND + INTCEP >= 1).
 * X      in   NROW x NIND regressors, column-major with leading dimension LDX (not read
 *             when NIND = 0).
 * LDX    in   leading dimension of X (>= NROW when NIND >= 1).
 * INTCEP in   1: the model has an intercept; 0: it has none.
 * B      out  INTCEP + NIND coefficients, the intercept first when INTCEP = 1.
 * SST    out  total sum of squares of Y: about the mean when INTCEP = 1, about 0 otherwise.
 * SSE    out  sum of squared residuals.
 *
 * Method: the upper-triangular factor R of [1 | X | y] is accumulated row by row with
 * Givens rotations, observation after observation. Column k is declared linearly dependent
 * on the columns before it when R_kk^2 <= 100 eps S_k, S_k its sum of squares (about the
 * mean when INTCEP = 1 and k is not the intercept), that is when 1 - R^2 of column k on the
 * earlier columns is at most 100 eps. A rank below INTCEP + NIND posts 605 [WARNING]; the
 * coefficients of the dependent columns are then 0 and the others are the least-squares
 * solution without them (the factor is re-triangularised without the dependent columns).
 * B by back-substitution; SSE is the square of the last diagonal element of the factor.
 * Reference: W. M. Gentleman, "Least squares computations by Givens transformations
 * without square roots", J. Inst. Maths Applics 12 (1973) 329-336 (the plain-rotation
 * form). On a TERMINAL condition B, SST and SSE are left as they were. */
TARNFIT_API void DRLSE(const int* NROW, const double* Y, const int* NIND, const double* X, const int* LDX,
                       const int* INTCEP, double* B, double* SST, double* SSE);

/* Severity (0..7) and code of the condition that the most recent top-level kernel call
 * handed to its caller; 0 when it posted none. A top-level call is one made by the engine
 * (or by an objective routine) directly; read them right after the call. */
TARNFIT_API int TarnfitKernelSeverity(void);
TARNFIT_API int TarnfitKernelCode(void);

#ifdef __cplusplus
}
#endif
