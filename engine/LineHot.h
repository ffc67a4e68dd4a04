#pragma once
// KIVLINEHOT: a state-variable flow-stress law with eleven parameters x1..x11, fitted to
// all curves by a coordinate grid search, the simplex minimiser DUMPOL and the quasi-Newton
// minimiser DUMINF. The exchange file is read but never written back; the parameters stay
// in the engine (LastLineHotResult).
//
// The law along one curve at strain rate H [1/s] and temperature t [deg C], T = t / 1500:
//   K1 = x1 exp(-x2 T) H^x3,  K2 = x4 exp(-x5 T),  K3 = x7 exp(-x8 T),  K4 = x9 exp(-x10 T)
//   d rho / d tau = K1 - K2 rho^x6   (rho a dimensionless state variable, tau time [s])
//   s = K3 + K4 rho^x11              (s stress)
// integrated by 100 explicit Euler steps of dtau = (Emax / H) / 99 from rho = 0, with rho
// held at no less than 1e-10 (single-precision literal widened) after every step. Each curve
// is first condensed into its least-squares polynomial of degree 5, sp(E), through its
// (strain, stress) points (DRCURV); step s = 1..100 compares the law with sp at the strain
// E = s dtau H. The objective is the root mean square of the deviations,
//   f(x) = sqrt( sum over curves and steps (s - sp)^2 / (100 N) ),   N curves.

#include "EngineState.h"

#include <array>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace tarnfit {

inline constexpr int kLineHotParams = 11;
inline constexpr int kLineHotSteps = 100;
inline constexpr int kGridTrials = 100;
inline constexpr int kGridSweeps = 5;

using CLineHotVector = std::array<double, kLineHotParams>;

// One curve condensed for the objective.
struct CLineHotCurve {
    double m_dRate = 0;        // H [1/s], of the curve's last point
    double m_dScaledTemp = 0;  // T = t / 1500, t [deg C] of the curve's last point
    double m_dStep = 0;        // dtau = (Emax / H) / 99 [s]
    std::array<double, kLineHotSteps> m_aPoly{}; // sp at the strains of steps 1..100
};

// How the last call of KIVLINEHOT ended.
enum class ELineHotStatus {
    NotRun,            // no call yet, or the exchange file could not be read or prepared
    CurveRefused,      // no curves, or a curve that cannot be condensed (m_strProblem)
    SimplexFailed,     // DUMPOL stopped on a fatal condition; its best vertex is kept
    QuasiNewtonFailed, // DUMINF stopped on a fatal condition; its last point is kept
    Done,              // all three stages ran
};

// Everything the last call found. Values of stages that did not run are NaN.
struct CLineHotResult {
    static constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

    ELineHotStatus m_eStatus = ELineHotStatus::NotRun;
    std::string m_strProblem;          // why the call ended early
    int m_nKernelCode = 0;             // kernel condition that ended it (SimplexFailed, ...)
    CLineHotVector m_xGrid{};          // best vector of the grid search
    double m_dGridValue = kNoValue;    // f there
    CLineHotVector m_xSimplex{};       // DUMPOL's minimiser from m_xGrid
    double m_dSimplexValue = kNoValue;
    int m_nSimplexEvaluations = 0;     // objective evaluations DUMPOL used
    CLineHotVector m_xQuasiNewton{};   // DUMINF's minimiser from m_xGrid: the fitted law
    double m_dQuasiNewtonValue = kNoValue; // the final objective value
};

// Runs the fit in the entry points' frame (RunEntryPoint) without writing the exchange file
// back; the result is then LastLineHotResult(). Returns 0, the entry point's result.
int RunLineHot();

// The result of the last KIVLINEHOT call in this process (engine-lifetime storage).
const CLineHotResult& LastLineHotResult();

// Range (low, high) of parameter i (0-based) in the grid search; every low is the
// single-precision literal 0.01 widened (0.009999999776482582).
double GridLow(int i);
double GridHigh(int i);
// Trial k = 0..99 of parameter i: low + k (high - low) / 99 (trial 99 is high).
double GridTrialValue(int i, int k);

// Coordinate grid search: 5 sweeps over i = 1..11 in order; each coordinate takes its 100
// trial values with the others held (earlier ones at this sweep's best, later ones at the
// previous sweep's), keeps the first trial whose value is strictly below the best so far
// (started at 1e10; later ties and NaN never replace it) and is then set to that trial. A
// coordinate without such a trial keeps its previous value. x starts at the lows; on return
// x holds the best vector found.
void GridSearch(const std::function<double(const double*)>& f, CLineHotVector& x);

// Condenses the state's curves (N >= 1 curves, each with at least one point, a finite
// strain rate above 0, a finite temperature and a finite polynomial through its points).
// Returns false with strProblem naming the curve and the reason otherwise.
bool CondenseLineHotCurves(const CEngineState& state, std::vector<CLineHotCurve>& aCurves, std::string& strProblem);

// Sum of (s - sp)^2 over the 100 steps of one curve at x (11 values); writes rho after each
// step into pRho[0..99] when it is not null.
double LineHotCurveSquares(const CLineHotCurve& curve, const double* x, double* pRho = nullptr);

// The objective f at x (11 values) over all curves.
double LineHotObjective(const std::vector<CLineHotCurve>& aCurves, const double* x);

} // namespace tarnfit
