#pragma once
/* Tarnfit: the fitting engine.
 *
 * Each entry point takes no arguments and returns 0. It reads the exchange file "temp.mat"
 * in the current working directory (preparing raw curves once: trimmed, smoothed and
 * resampled to 30 points each), fits its law and writes the result back to the same file:
 * coefficient count and coefficients, ErrorSr and ErrorMax, the fitted stress of every
 * point. A fit that does not accept its data writes coefficient count 0 and both errors
 * 100000.0. A file that breaks the layout's limits is left untouched. A line on standard
 * output says why a call refused or left the file alone. */

#include "tarnfit/export.h"
#include "tarnfit/kernels.h"

/* Does nothing. */
TARNFIT_API int TARNFIT(void);
/* Reads the exchange file, prepares raw curves, writes it back; the fit passes unchanged. */
TARNFIT_API int KIVHOTHALVEKALL(void);
