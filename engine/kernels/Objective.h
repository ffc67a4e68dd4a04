#pragma once
// Calls a caller's objective routine with the user-code switch of the error mechanism set
// while it runs.

#include "kernels/ErrorMechanism.h"
#include "tarnfit/kernels.h"

#include <limits>

namespace tarnfit::kernels {

class CObjective {
public:
    CObjective(TarnfitObjective fcn, int n) : m_fcn(fcn), m_n(n) {}

    // f(x); NaN when the routine leaves F unset.
    double operator()(const double* x) const {
        CUserCodeScope user;
        const int n = m_n; // a fresh copy, so that a routine that writes N cannot harm us
        double f = std::numeric_limits<double>::quiet_NaN();
        m_fcn(&n, x, &f);
        return f;
    }

private:
    TarnfitObjective m_fcn;
    int m_n;
};

} // namespace tarnfit::kernels
