#pragma once
// Laws fitted to all points of all curves by one multiple linear regression with intercept
// (DRLSE) after a transformation that makes them linear in their coefficients;
// RegressionFits.cpp gives each member's transformation.

namespace tarnfit {

// The members, each fitted by the entry point named beside it.
enum class ERegressionFit {
    HenzSpitt, // KIVHENZSPITTMNK  s = A1 E^A2 H^A3 exp(A4 t)
    Sendar,    // KIVSENDARMNK     s = A1 E^A2 exp(A3 E) H^A4 exp(A5 t)
    Linear,    // KIVLINEHOT___    s = A1 + A2 E + A3 H + A4 t
    Forge,     // KIVFORGEMNK      s = 1.73 A1 E^A2 H^A3 exp(A4 / t)
};

// Runs the member eFit in the entry points' frame (RunEntryPoint): reads "temp.mat", fits,
// writes the result or the refusal back. Returns 0, the entry point's result.
int RunRegressionFit(ERegressionFit eFit);

} // namespace tarnfit
