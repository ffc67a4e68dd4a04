// The kernel's random number generator (see KernelSupport.h).
// Reference: S. K. Park, K. W. Miller, "Random number generators: good ones are hard to
// find", Comm. ACM 31 (1988) 1192-1201.

#include "kernels/KernelSupport.h"

#include <cstdint>

namespace tarnfit::kernels {

namespace {
constexpr std::int64_t kModulus = 2147483647; // 2^31 - 1
constexpr std::int64_t kMultiplier = 16807;
thread_local std::int64_t t_nSeed = 1234567;
} // namespace

int RNGET() { return static_cast<int>(t_nSeed); }

void RNSET(int nSeed) {
    std::int64_t n = static_cast<std::int64_t>(nSeed) % kModulus;
    if (n < 0)
        n += kModulus;
    if (n == 0)
        n = 1234567;
    t_nSeed = n;
}

double DRNUNF() {
    t_nSeed = (kMultiplier * t_nSeed) % kModulus;
    return static_cast<double>(t_nSeed) / static_cast<double>(kModulus);
}

} // namespace tarnfit::kernels
