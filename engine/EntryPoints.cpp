// The exported entry points of libtarnfit.so. Each runs one fit in the common frame.

#include "EntryFrame.h"
#include "tarnfit/tarnfit.h"

using namespace tarnfit;

int TARNFIT(void) {
    RecordNothingDone();
    return 0;
}

int KIVHOTHALVEKALL(void) { return RunEntryPoint("KIVHOTHALVEKALL", nullptr); }
