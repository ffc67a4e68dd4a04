#pragma once
/* Tarnfit: the fitting engine.
 *
 * Each entry point takes no arguments and returns 0. It reads the exchange file "temp.mat"
 * in the current working directory (preparing raw curves once: trimmed, smoothed and
 * resampled to 30 points each), fits its law and writes the result back to the same file:
 * coefficient count and coefficients, ErrorSr and ErrorMax, the fitted stress of every
 * point. A fit that does not accept its data writes coefficient count 0 and both errors
 * 100000.0. A file that breaks the layout's limits is left untouched.
 *
 * Messages. An entry point that refuses its data or leaves the file alone says why in one
 * line "<ENTRY POINT>: <reason>", for example
 *     "KIVHENZSPITTMNK: the exchange file holds 3 curves; the law needs at least 4; the fit is refused"
 * (TarnfitLastOutcome tells a program the outcome and that reason without reading lines),
 * and the numerical kernels report their conditions in lines of the form
 *     " *** WARNING ERROR 323 from DUMINF.  <text>"
 * (tarnfit/kernels.h). Every such line goes to the message sink, or to the C stdio
 * standard output (one line each, flushed) when no sink is set.
 *
 * One thread. The engine's state, the exchange file in the current directory and the
 * message sink are process-wide and unprotected: call the entry points, and set the sink,
 * from one thread, one call at a time. */

#include "tarnfit/export.h"
#include "tarnfit/kernels.h"

/* Receives one line of the engine or the kernels: szLine without a line break (valid only
 * during the call) and the pUser given to TarnfitSetMessageSink. A kernel message that
 * spans several lines arrives as several calls, in order. The sink must return normally:
 * it must not throw, longjmp or call back into the engine. */
typedef void (*TarnfitMessageSink)(const char* szLine, void* pUser);

/* Sends every following line of the engine and the kernels to pfnSink with pUser; a null
 * pfnSink restores the default, standard output. */
TARNFIT_API void TarnfitSetMessageSink(TarnfitMessageSink pfnSink, void* pUser);

/* What the last entry-point call of this process came to. */
typedef enum TarnfitOutcome {
    /* No entry point has run yet, or the last one fits nothing (TARNFIT; KIVHOTHALVEKALL
     * after preparing the curves). */
    TARNFIT_NOTHING_DONE = 0,
    /* The law was fitted: its coefficients, both errors and every fitted stress are finite
     * numbers, and they are in the exchange file (KIVLINEHOT keeps its result instead). */
    TARNFIT_FITTED = 1,
    /* The fit refused the data, or a raw curve could not be prepared: the refusal result
     * (coefficient count 0, both errors 100000) was written. */
    TARNFIT_REFUSED = 2,
    /* The exchange file was missing or broke the layout's limits (it was left as it was), or
     * the result could not be written back to it. */
    TARNFIT_FILE_UNUSABLE = 3
} TarnfitOutcome;

/* The outcome of the last entry-point call, callable after any entry point. When ppszReason
 * is not null it receives why the call did not fit, as the engine's line says it (for
 * example "KIVHENZSPITTMNK: the exchange file holds 3 curves; the law needs at least 4; the
 * fit is refused"), or "" after a fit or when nothing was done; the text stays valid until
 * the next entry-point call. */
TARNFIT_API TarnfitOutcome TarnfitLastOutcome(const char** ppszReason);

/* Does nothing. */
TARNFIT_API int TARNFIT(void);
/* Reads the exchange file, prepares raw curves, writes it back; the fit passes unchanged. */
TARNFIT_API int KIVHOTHALVEKALL(void);

/* Laws over all curves by multiple linear regression (E strain, H strain rate [1/s],
 * t temperature [deg C]); each needs at least 4 curves and a spread of temperature and
 * strain rate. */
/* A1 E^A2 H^A3 exp(A4 t), regression of ln max(s, 0.1) on ln max(E, 0.001), ln H, t. */
TARNFIT_API int KIVHENZSPITTMNK(void);
/* A1 E^A2 exp(A3 E) H^A4 exp(A5 t), regression of ln s on ln E, E, ln H, t. */
TARNFIT_API int KIVSENDARMNK(void);
/* A1 + A2 E + A3 H + A4 t. */
TARNFIT_API int KIVLINEHOT___(void);
/* 1.73 A1 E^A2 H^A3 exp(A4 / t), regression of ln max(s, 0.1) on ln max(E, 0.001), ln H,
 * 1/t; needs temperatures above 0. */
TARNFIT_API int KIVFORGEMNK(void);

/* Hot-deformation laws by weighted normal equations (every curve carries the same total
 * weight); at least 5 curves (6 for KIVHOTHALVEK6, 9 for KIVHOTPRAVEL1). */
/* A1 + A2 E + A3 H + A4 t + A5 E H + A6 E t + A7 t H + A8 E^2 + A9 H^2 + A10 t^2 */
TARNFIT_API int KIVHOTPRAVEL1(void);
/* A1 + A2 E + A3 H + A4 t + A5 E^2 + A6 H^2 + A7 t^2 */
TARNFIT_API int KIVHOTHALVEK1(void);
/* A1 + A2 E + A3 H + A4 t + A5 E H t */
TARNFIT_API int KIVHOTHALVEK2(void);
/* KIVHOTHALVEK1's law + A8 E^3 */
TARNFIT_API int KIVHOTHALVEK3(void);
/* KIVHOTHALVEK3's law + A9 E^4 */
TARNFIT_API int KIVHOTHALVEK4(void);
/* A1 E^(A2 + A3 t + A4 H) exp(A5 E) H^(A6 + A7 t) exp(A8 t), fitted on ln s */
TARNFIT_API int KIVHOTHALVEK5(void);
/* KIVHOTHALVEK4's law + A10 E^5 */
TARNFIT_API int KIVHOTHALVEK6(void);
/* A1 E^A2 exp(A3/E) exp(A4 E) (1+E)^(A5 t) H^A6 H^(A7 t) t^A8 exp(A9 t), fitted on ln s with
 * E >= 0.01, evaluated with E >= 0.001 */
TARNFIT_API int KIVHOTGRIDAN(void);

/* Laws of the strain alone, fitted to the pooled points of all curves. */
/* A1 E^A2, by a straight line through (ln E, ln s). */
TARNFIT_API int KIVCOOLEXP2(void);
/* Polynomials A1 + A2 E + ... of degree 1, 2, 3, 4, 5 and 8. */
TARNFIT_API int KIVCOOLPOLY1(void);
TARNFIT_API int KIVCOOLPOLY2(void);
TARNFIT_API int KIVCOOLPOLY3(void);
TARNFIT_API int KIVCOOLPOLY4(void);
TARNFIT_API int KIVCOOLPOLY5(void);
TARNFIT_API int KIVCOOLPOLY6(void);
/* A1 + A2 E^A3, by quasi-Newton minimisation with a penalty pulling A3 towards 0.5. */
TARNFIT_API int KIVCOOL3(void);

/* State-variable law with eleven parameters, fitted by grid search and minimisation; the
 * exchange file is read but not written back. */
TARNFIT_API int KIVLINEHOT(void);
