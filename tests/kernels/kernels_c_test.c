/* Calls every exported kernel of libtarnfit.so through its C signature, as a C (or
 * Fortran) program would, and checks the results; and sets the message sink from C.
 * Exit status 0 when all checks pass. */

#include "tarnfit/tarnfit.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

static int g_nFailures = 0;

static void Check(int bOk, const char* pszWhat) {
    if (!bOk) {
        ++g_nFailures;
        fprintf(stderr, "FAILED: %s\n", pszWhat);
    }
}

static int Near(double a, double b, double tol) { return fabs(a - b) <= tol * (fabs(b) > 1.0 ? fabs(b) : 1.0); }

static void Valley(const int* n, const double* x, double* f) {
    (void)n;
    *f = (x[0] - 1.0) * (x[0] - 1.0) + 10.0 * (x[1] - 2.0) * (x[1] - 2.0);
}

static void TestDlsarg(void) {
    /* Column-major 3 x 3: A = [2 1 1; 4 -6 0; -2 7 2], solution (1, 2, 3). */
    const double a[9] = {2, 4, -2, 1, -6, 7, 1, 0, 2};
    const double b[3] = {2 + 2 + 3, 4 - 12, -2 + 14 + 6};
    const double bt[3] = {2 * 1 + 4 * 2 - 2 * 3, 1 * 1 - 6 * 2 + 7 * 3, 1 * 1 + 0 + 2 * 3};
    double x[3] = {0, 0, 0};
    const int n = 3, lda = 3, ipath1 = 1, ipath2 = 2;
    DLSARG(&n, a, &lda, b, &ipath1, x);
    Check(Near(x[0], 1, 1e-14) && Near(x[1], 2, 1e-14) && Near(x[2], 3, 1e-14), "DLSARG IPATH 1");
    Check(TarnfitKernelSeverity() == 0, "DLSARG IPATH 1 without condition");
    DLSARG(&n, a, &lda, bt, &ipath2, x);
    Check(Near(x[0], 1, 1e-14) && Near(x[1], 2, 1e-14) && Near(x[2], 3, 1e-14), "DLSARG IPATH 2");

    {
        const double s[4] = {1, 2, 2, 4};
        const double bs[2] = {1, 1};
        double xs[2] = {42, 42};
        const int n2 = 2;
        DLSARG(&n2, s, &n2, bs, &ipath1, xs);
        Check(TarnfitKernelSeverity() == 4 && TarnfitKernelCode() == TARNFIT_DLSARG_SINGULAR, "DLSARG singular fatal");
        Check(TARNFIT_KERNEL_FAILED(TarnfitKernelSeverity()), "DLSARG singular counts as failed");
        Check(xs[0] == 42 && xs[1] == 42, "DLSARG singular leaves X");
    }
}

static void TestDevlsf(void) {
    double a[9] = {1, 0, 0, 0, -5, 0, 0, 0, 3};
    double ev[3];
    const int n = 3, lda = 3;
    DEVLSF(&n, a, &lda, ev);
    Check(ev[0] == -5 && ev[1] == 3 && ev[2] == 1, "DEVLSF diag(1,-5,3)");
    Check(a[0] == 1 && a[4] == -5 && a[8] == 3 && a[1] == 0 && a[3] == 0, "DEVLSF leaves A");
    Check(TarnfitKernelSeverity() == 0, "DEVLSF without condition");
}

static void TestDrlse(void) {
    double x[2 * 6], y[6], b[3], sst = -1, sse = -1;
    const int nrow = 6, nind = 2, ldx = 6, intcep = 1;
    int i;
    for (i = 0; i < 6; ++i) {
        x[i] = i;
        x[6 + i] = (i * i) % 5;
        y[i] = 2 + 3 * x[i] - x[6 + i];
    }
    DRLSE(&nrow, y, &nind, x, &ldx, &intcep, b, &sst, &sse);
    Check(Near(b[0], 2, 1e-13) && Near(b[1], 3, 1e-13) && Near(b[2], -1, 1e-13), "DRLSE coefficients");
    Check(sse < 1e-20 && sst > 0, "DRLSE sums of squares");
}

static void TestDrcurv(void) {
    const double x[4] = {0, 1, 2, 3};
    const double y[4] = {1, 6, 17, 34}; /* 1 + 2x + 3x^2 */
    double b[3], ssq[3], stat[10];
    const int nobs = 4, ndeg = 2;
    DRCURV(&nobs, x, y, &ndeg, b, ssq, stat);
    Check(Near(b[0], 1, 1e-13) && Near(b[1], 2, 1e-13) && Near(b[2], 3, 1e-13), "DRCURV coefficients");
    Check(stat[9] == 0, "DRCURV NaN count");
    Check(TarnfitKernelSeverity() == 6, "DRCURV exact fit is an immediate warning");
}

static void TestDumpol(void) {
    const double x0[2] = {0.3, -0.2};
    double s = 1.0, x[2], f;
    const double ftol = 1e-10;
    int maxfcn = 500;
    const int n = 2;
    DUMPOL(Valley, &n, x0, &s, &ftol, &maxfcn, x, &f);
    Check(Near(x[0], 1, 1e-3) && Near(x[1], 2, 1e-3), "DUMPOL minimum");
    Check(maxfcn > 3 && maxfcn < 500, "DUMPOL evaluations");
    Check(TarnfitKernelSeverity() == 0, "DUMPOL without condition");
}

static void TestDuminf(void) {
    const double x0[2] = {0, 0}, xscale[2] = {1, 1}, fscale = 1.0;
    int iparam[7] = {0, 0, 1000, 1000, 1000, 0, 0};
    double rparam[7] = {0}, x[2], f;
    const int n = 2;
    DUMINF(Valley, &n, x0, xscale, &fscale, iparam, rparam, x, &f);
    Check(Near(x[0], 1, 1e-5) && Near(x[1], 2, 1e-5), "DUMINF minimum");
    Check(TarnfitKernelSeverity() == 0 && TarnfitKernelCode() == 0, "DUMINF without condition");
    Check(iparam[0] == 1 && iparam[1] == 15 && iparam[2] < 100, "DUMINF options and counts");
}

static char g_szLastLine[512];

static void CollectLine(const char* szLine, void* pUser) {
    ++*(int*)pUser;
    snprintf(g_szLastLine, sizeof g_szLastLine, "%s", szLine);
}

static void TestMessageSink(void) {
    const double x[3] = {0, 1, 2};
    const double y[3] = {1, 3, 5}; /* 1 + 2x: a perfect fit, reported at once */
    double b[2], ssq[2], stat[10];
    const int nobs = 3, ndeg = 1;
    int nCalls = 0;
    TarnfitSetMessageSink(CollectLine, &nCalls);
    DRCURV(&nobs, x, y, &ndeg, b, ssq, stat);
    TarnfitSetMessageSink(NULL, NULL);
    Check(nCalls == 1, "the sink receives one line");
    Check(strncmp(g_szLastLine, " *** WARNING ERROR 109 from DRCURV.  ", 37) == 0, "the sink receives the DRCURV line");
}

int main(void) {
    TestDlsarg();
    TestDevlsf();
    TestDrlse();
    TestDrcurv();
    TestDumpol();
    TestDuminf();
    TestMessageSink();
    if (g_nFailures) {
        fprintf(stderr, "%d check(s) failed\n", g_nFailures);
        return 1;
    }
    printf("all kernel checks passed\n");
    return 0;
}
