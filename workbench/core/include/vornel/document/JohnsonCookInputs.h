#pragma once
// What the Johnson-Cook law (model 20) takes from the user rather than from the curves: the
// melting temperature tm, and optionally the reference temperature tr and strain rate H0,
// which are otherwise the lowest measured ones. The window asks for tm when model 20 is
// fitted, the batch mode takes --melt-temperature, --reference-temperature and
// --reference-rate. A fitted law keeps them as its coefficients A6..A8.

#include <optional>

struct CJohnsonCookInputs {
    std::optional<double> m_dMeltTemp; // tm, deg C
    std::optional<double> m_dRefTemp;  // tr, deg C; none: the lowest measured temperature
    std::optional<double> m_dRefRate;  // H0, 1/s; none: the lowest measured strain rate above 0

    bool operator==(const CJohnsonCookInputs&) const = default;
};
