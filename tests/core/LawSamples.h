#pragma once
// Coefficient sets for the 18 flow-stress models that keep every law finite and of a
// moderate size for strains 0.01..1.2, strain rates 0.001..100 1/s and temperatures
// 700..1250 deg C: each coefficient drawn uniformly between 0.5 and 1.5 times a typical
// magnitude of its own.

#include <random>
#include <vector>

namespace vornel_test {

inline std::vector<double> TypicalCoefficients(int nModel, std::mt19937& rng) {
    static const std::vector<std::vector<double>> s_aScales = {
        {200, 0.2},
        {50, 300},
        {50, 300, -150},
        {50, 300, -150, 40},
        {50, 300, -150, 40, -8},
        {50, 300, -150, 40, -8, 2},
        {40, 150, 0.3},
        {400, 80, 2, -0.25},
        {5000, 0.2, 0.12, -0.0025},
        {300, 50, 3, -0.2, 1, 0.05, -0.001, -30, -0.02, 0.00005},
        {300, 50, 3, -0.2, -30, -0.02, 0.00005},
        {300, 50, 3, -0.2, 0.001},
        {20, 0.2, 0.12, 3000},
        {3000, 0.25, -0.4, 0.12, -0.0022},
        {300, 50, 3, -0.2, -30, -0.02, 0.00005, 10},
        {300, 50, 3, -0.2, -30, -0.02, 0.00005, 10, -4},
        {3000, 0.3, -0.0001, 0.001, -0.3, 0.1, 0.00002, -0.0025},
        {30000, 0.2, -0.005, -0.3, 0.0001, 0.1, 0.00002, -0.5, -0.002},
    };
    std::uniform_real_distribution<double> factor(0.5, 1.5);
    std::vector<double> aCoef;
    for (double dScale : s_aScales.at(static_cast<std::size_t>(nModel - 1)))
        aCoef.push_back(dScale * factor(rng));
    return aCoef;
}

} // namespace vornel_test
