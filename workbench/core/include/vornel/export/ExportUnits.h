#pragma once
// The unit systems a solver deck is written in. The law is fitted in the units of the data
// files: stress as measured (taken as MPa), strain rate in 1/s, temperature in deg C. A deck
// converts what it writes into the system the solver model uses: stresses (the tables, the
// yield stresses of native cards, the subroutines' result and derivatives), strain rates
// (the tables' rates, reference rates, the subroutines' argument) and temperatures (the
// tables' temperatures, the native cards' temperatures, the subroutines' argument). Lengths
// and masses enter only through what the user gives in the system's units (the elastic
// modulus, the density), which are written as given.
//
// Systems (stress, length, time; the density's unit follows):
//   MPa-mm-s    the default: stress in the data's units, taken as MPa; density t/mm^3
//   Pa-m-s      SI; density kg/m^3
//   GPa-mm-ms   LS-DYNA's usual set; density kg/mm^3
// each with the temperature in deg C (the default, "-C" or nothing after the system) or in K
// ("-K"): "Pa-m-s-K".

#include <span>
#include <string>
#include <string_view>

struct CUnitSystem {
    const char* m_szName;    // "MPa-mm-s"
    const char* m_szStress;  // "MPa"
    const char* m_szTime;    // "s"
    const char* m_szDensity; // "t/mm^3"
    double m_dStressPerMPa;  // the system's stress unit per MPa: 1, 1e6, 1e-3
    double m_dSecondsPerTime; // its time unit in s: 1, 1, 1e-3
};

// The three systems, the default first.
std::span<const CUnitSystem> UnitSystems();

inline constexpr double kCelsiusOffset = 273.15; // T [K] = t [deg C] + 273.15

// A system with its temperature unit, and the conversions from the law's units.
struct CExportUnits {
    const CUnitSystem* m_pSystem = &UnitSystems().front();
    bool m_bKelvin = false;

    // "MPa-mm-s" (deg C) or "Pa-m-s-K".
    std::string Name() const;
    // "stress MPa, strain rate 1/s, temperature deg C (MPa-mm-s)".
    std::string Describe() const;
    const char* TempUnit() const { return m_bKelvin ? "K" : "deg C"; }
    std::string RateUnit() const { return std::string("1/") + m_pSystem->m_szTime; }
    bool IsDefault() const { return m_pSystem == &UnitSystems().front() && !m_bKelvin; }

    double Stress(double dMPa) const { return dMPa * m_pSystem->m_dStressPerMPa; }
    double Rate(double dPerSecond) const { return dPerSecond * m_pSystem->m_dSecondsPerTime; }
    double Temp(double dCelsius) const { return m_bKelvin ? dCelsius + kCelsiusOffset : dCelsius; }
};

// The units named by strText ("GPa-mm-ms", "Pa-m-s-K", ...; blanks around it allowed, case
// as written here), or throws CExportError naming the text and the choices.
CExportUnits ParseExportUnits(std::string_view strText);

// Every name ParseExportUnits takes, "MPa-mm-s, MPa-mm-s-K, Pa-m-s, ..." for messages and
// choice lists.
std::string ExportUnitNames();
