#pragma once
// Hot-deformation laws fitted to all points of all curves by one weighted linear
// least-squares problem (normal equations, DEVLSF's condition check, DLSARG); HotFits.cpp
// gives each member's basis and the scaling of the temperature.

namespace tarnfit {

// The members, each fitted by the entry point of the same name (KIVHOT...).
enum class EHotFit {
    Pravel1, // KIVHOTPRAVEL1
    Halvek1, // KIVHOTHALVEK1
    Halvek2, // KIVHOTHALVEK2
    Halvek3, // KIVHOTHALVEK3
    Halvek4, // KIVHOTHALVEK4
    Halvek6, // KIVHOTHALVEK6
    Halvek5, // KIVHOTHALVEK5
    Gridan,  // KIVHOTGRIDAN
};

// Runs the member eFit in the entry points' frame (RunEntryPoint): reads "temp.mat", fits,
// writes the result or the refusal back. Returns 0, the entry point's result.
int RunHotFit(EHotFit eFit);

} // namespace tarnfit
