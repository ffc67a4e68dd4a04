// The exported entry points of libtarnfit.so.

#include "tarnfit/tarnfit.h"

int TARNFIT(void) { return 0; }
