#pragma once
// Pieces the regression fits share: the acceptance tests on the spread of the data, guards
// for logarithms, the two error values and the storing of a result.

#include "EngineState.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tarnfit {

// Thresholds of the acceptance tests, single-precision literals widened to double.
inline constexpr double kMinTempSpread = static_cast<double>(0.1f);     // deg C
inline constexpr double kMinRateSpread = static_cast<double>(0.00001f); // 1/s

// Lower bound of a strain that enters a logarithm, 0.001 widened (0.0010000000474974513).
inline constexpr double kMinLogStrain = static_cast<double>(0.001f);

// ln max(E, 0.001): the logarithm of a strain as every log-law member takes it, so that a
// prepared strain of 0 (the start of a curve after a dwell) enters as ln 0.001.
inline double LogStrain(double dStrain) { return std::log(std::max(dStrain, kMinLogStrain)); }

// A value rounded to single precision, as the fits' evaluations use it.
inline double Single(double dValue) { return static_cast<double>(static_cast<float>(dValue)); }

// Smallest and largest temperature and strain rate over the points; an empty table gives
// spreads of -2e10.
struct CSpread {
    double m_dMinT = 1.0e10, m_dMaxT = -1.0e10;
    double m_dMinH = 1.0e10, m_dMaxH = -1.0e10;
    void Add(double dH, double dT);
};

// The acceptance tests in their order: temperature spread at least 0.1 (NaN fails), at
// least nMinCurves curves, strain-rate spread at least 0.00001. Returns why the data are
// refused ("the exchange file holds 3 curves; the law needs at least 4"), or an empty text
// when they are accepted.
std::string SpreadProblem(const CSpread& spread, int nCurves, int nMinCurves);

// The refusal result (SetRefusal), with the line "<szMember>: <strWhy>; the fit is refused"
// to the message sink as the call's reason (RefuseFit).
void Refuse(CEngineState& state, const char* szMember, const std::string& strWhy);

// Quantities of a point that a fit takes the logarithm of (or divides by), as bit flags.
enum EQuantity : unsigned {
    kGuardRate = 1u,
    kGuardTemperature = 2u,
    kGuardStress = 4u,
};

// Checks that the flagged quantities (EQuantity bits) are finite and above 0 at every
// point. When one is not, gives the refusal result with the line "<szMember>: ..." naming
// the quantity and the point (RefuseFit) and returns false.
bool GuardPositive(const char* szMember, CEngineState& state, unsigned nQuantities);

// How ErrorSr is formed from the deviations d = fitted - measured over NTOTAL points.
enum class EErrorSr {
    RootMeanSquare,   // sqrt(sum d^2 / NTOTAL)
    RootSumOverCount, // sqrt(sum d^2) / NTOTAL
};

struct CErrorSum {
    double m_dSumSq = 0;
    double m_dMax = 0;
    void Add(double d);
    double ErrorSr(EErrorSr eKind, int nTotal) const;
};

// Stores NCOEF = nCoef, A1..A(nCoef) from pA and both errors. A count outside 0..kMaxCoef
// is refused (Refuse) instead of overrunning the coefficient slots.
void StoreResult(CEngineState& state, const double* pA, int nCoef, const CErrorSum& errors, EErrorSr eKind);

// True when the last top-level kernel call handed a fatal or terminal condition to the engine.
bool KernelFailed();

} // namespace tarnfit
