#pragma once
// The grid of the solver tables, refined where the law bends. A solver interpolates a table
// linearly between its points; where the law curves (near strain 0, where a power of the
// strain rises steeply, at a peak, between two temperatures or decades of strain rate) a
// straight line between the user's points departs from it. The rule:
//
//   the strain 0.001 and the strain rate 0.0001 1/s, where CMaterial::Evaluate's bounds put a
//   kink into every law, are nodes wherever the grid spans them; then, axis by axis (strain,
//   temperature, strain rate), an interval between neighbouring nodes is halved (the strain
//   rates at their geometric mean) while, at some node of the other two axes, the table's
//   straight line departs from the law by more than kRefineTolerance at one of 7 evenly
//   spaced points within it (for the strain rates also at 7 log-spaced points, and the line
//   drawn in the logarithm of the rate where the solver interpolates so); the axes are
//   visited again until no node is added (at most 2000 nodes an axis, intervals no shorter
//   than a millionth of the strain range, 1e-6 deg C or a ratio of 1 + 1e-9 of rates).
//
// The departure is |table - law| / max(|law|, 1 % of the largest |law| at the grid's nodes),
// so that a law crossing 0 (a polynomial) is held to a fraction of its size; where the law is
// not a finite number it is left to the law check. The nodes the user gave stay; only nodes
// are added. Measured on both measured sets: every model's tables come within 0.2..0.4 % of
// their laws with 42 to 85 strains (41 asked for) and 5 to 47 temperatures (5 measured); for
// the steel set's 6 measured rates the laws of powers of the rate (models 9, 13, 14, 17..19)
// take 29 to 31 rates when linear and log interpolation must both hold, 15 to 19 for log
// interpolation alone, the laws polynomial in the rate up to 93 (LawExportTest's
// TablesOfFittedLaws prints the departures).

#include <string>
#include <vector>

struct CExportGrid;

// What every table promises between neighbouring nodes, and what the refinement aims at so
// that a point between the checked ones keeps the promise.
inline constexpr double kTableTolerance = 0.005;
inline constexpr double kRefineTolerance = 0.004;

// How a solver interpolates between the strain rates of a table.
enum class ERateAxis {
    LinearOrLog, // linearly in the rate or in its logarithm: the table holds for either
    Log,         // in the logarithm of the rate
    AsGiven,     // not at all (one rate): no rate is added
};

// The largest departure between neighbouring nodes, and where.
struct CInterpolationError {
    double m_dRelative = 0;          // as defined above
    const char* m_szAxis = "strain"; // between nodes of "strain", "temperature" or "strain rate"
    double m_dStrain = 0, m_dRate = 0, m_dTemp = 0;
    // "0.41 % (between strains, at E=0.0012, H=0.1, t=1100)"
    std::string Describe() const;
};

// Refines grid for the law of model nModel with coefficients pCoef (A1 first) as above, the
// strain rates as eRates allows, and returns the largest departure over the refined grid,
// checked at 15 points within each interval.
CInterpolationError RefineGrid(int nModel, const double* pCoef, CExportGrid& grid, ERateAxis eRates);

// The largest departure over grid as it stands (15 points within each interval).
CInterpolationError InterpolationError(int nModel, const double* pCoef, const CExportGrid& grid, ERateAxis eRates);
