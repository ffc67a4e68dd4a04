#pragma once
// Small pieces the kernels share: machine constants, per-call workspace, the kernel's
// random number generator.

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace tarnfit::kernels {

// Machine epsilon of double precision, 2^-52.
constexpr double kEps = std::numeric_limits<double>::epsilon();

// A block of uninitialised workspace allocated once per call. Allocate() returns false when
// the storage cannot be had (including a size that overflows), so that the kernel can post
// its storage message instead of throwing.
template <class T>
class CWorkspace {
public:
    bool Allocate(std::size_t nCount) {
        if (nCount == 0)
            nCount = 1;
        if (nCount > std::numeric_limits<std::size_t>::max() / sizeof(T))
            return false;
        m_p.reset(new (std::nothrow) T[nCount]);
        return m_p != nullptr;
    }
    T* Get() { return m_p.get(); }

private:
    std::unique_ptr<T[]> m_p;
};

// The kernel's uniform random number generator: the minimal standard generator of Park and
// Miller, seed_{k+1} = 16807 seed_k mod (2^31 - 1), returning seed/(2^31 - 1) in (0, 1).
// Its state is per thread and starts at 1234567.
int RNGET();          // current seed
void RNSET(int nSeed); // set the seed (1 .. 2^31 - 2; other values are reduced into that range)
double DRNUNF();      // next number in (0, 1)

} // namespace tarnfit::kernels
