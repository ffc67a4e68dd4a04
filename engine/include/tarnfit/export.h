#pragma once
// Marks a name that libtarnfit.so exports (C linkage, default visibility).

#ifdef __cplusplus
#define TARNFIT_EXTERN_C extern "C"
#else
#define TARNFIT_EXTERN_C
#endif

#define TARNFIT_API TARNFIT_EXTERN_C __attribute__((visibility("default")))
