#pragma once
// Laws of the strain alone, fitted to the pooled (strain, stress) points of all curves;
// strain rate and temperature play no part. E strain, s stress (units of the data).
//
//   KIVCOOLEXP2       s = A1 E^A2                        straight line through (ln E, ln s)
//   KIVCOOLPOLY1..6   s = A1 + A2 E + ... + A(d+1) E^d     d = 1, 2, 3, 4, 5, 8 (DRCURV)
//   KIVCOOL3          s = A1 + A2 E^A3                    penalised least squares (DUMINF)
//
// The members differ only by their rows of SingleCurveMembers().

#include "EngineState.h"
#include "FitCommon.h"

#include <limits>
#include <span>
#include <vector>

namespace tarnfit {

// The members, each fitted by the entry point of the same name (KIVCOOL...).
enum class ESingleCurveFit {
    CoolExp2,  // KIVCOOLEXP2
    CoolPoly1, // KIVCOOLPOLY1
    CoolPoly2, // KIVCOOLPOLY2
    CoolPoly3, // KIVCOOLPOLY3
    CoolPoly4, // KIVCOOLPOLY4
    CoolPoly5, // KIVCOOLPOLY5
    CoolPoly6, // KIVCOOLPOLY6
    Cool3,     // KIVCOOL3
};

enum class ESingleCurveLaw {
    Power,      // A1 E^A2
    Polynomial, // A1 + A2 E + ... + A(d+1) E^d
    RootPower,  // A1 + A2 E^A3, exponent pulled towards 0.5
};

struct CSingleCurveMember {
    ESingleCurveFit m_eFit;
    const char* m_szName;
    ESingleCurveLaw m_eLaw;
    int m_nDegree; // degree of the polynomial fitted by DRCURV (0 for RootPower)
    int m_nCoef;   // NCOEF of the fitted law
};

// The eight members, in the order KIVCOOLEXP2, KIVCOOLPOLY1..6, KIVCOOL3.
std::span<const CSingleCurveMember> SingleCurveMembers();

// The member called szName; null when there is none.
const CSingleCurveMember* FindSingleCurveMember(const char* szName);

// Fits the member to the state's points: NCOEF, A1..A(NCOEF), the fitted stress of every
// point and both errors (StoreSingleCurveResult), or the refusal result with a line to the
// message sink when there are no points or the kernel cannot deliver a result
// (constant strains, no pair with finite values, a minimisation that stops on a limit).
void FitSingleCurve(CEngineState& state, const CSingleCurveMember& member);

// Runs the member eFit in the entry points' frame (RunEntryPoint): reads "temp.mat", fits,
// writes the result or the refusal back. Returns 0, the entry point's result.
int RunSingleCurveFit(ESingleCurveFit eFit);

// Stores the member's result at the coefficients pA[0..m_nCoef-1]: NCOEF, the coefficients,
// the fitted stress of every point and both errors over all points (unweighted).
// - Power, Polynomial: E and s rounded to single precision (E_s, s_s); fitted stress =
//   law(E_s) rounded to single precision; d = fitted - s_s; ErrorMax = max |d|;
//   ErrorSr = sqrt(sum d^2) / NTOTAL.
// - RootPower: RootPowerSums with the fitted stresses stored; ErrorMax = max |d|;
//   ErrorSr = sqrt(F / NTOTAL).
void StoreSingleCurveResult(CEngineState& state, const CSingleCurveMember& member, const double* pA);

// The penalised sums of s = A1 + A2 E^A3 at pA = (A1, A2, A3), all in double precision:
// fitted = A1 + A2 E^A3 (E^A3 as exp(A3 ln E) for E > 0, pow otherwise), d = fitted - s,
// p = 0.5 (0.5 - A3) fitted. Returns m_dSumSq =
// F = sum (d^2 + p^2), the objective KIVCOOL3 minimises, and m_dMax = max |d|. The penalty
// vanishes at A3 = 0.5 and otherwise grows with the fitted stress. Writes each point's fitted
// stress when bStoreFitted.
CErrorSum RootPowerSums(CEngineState& state, const double* pA, bool bStoreFitted);

// The objective F of KIVCOOL3 over one state's points, as DUMINF calls it:
// RootPowerSums(state, pA, false).m_dSumSq up to rounding (a few units in the last place).
// Most of its cost lies in the powers u = E^A3, so it keeps them:
// - for the last exponent: the finite-difference steps in A1 and A2 of the minimiser's
//   gradient estimates leave A3 unchanged and cost no power at all;
// - for a reference exponent A3r computed as exp(A3r ln E): an exponent close to it,
//   |A3 - A3r| max|ln E| <= 1/32 (the steps in A3 of gradient estimates, the short steps
//   near convergence), gives u = u_r exp(t), t = (A3 - A3r) ln E, with exp(t) by its Taylor
//   polynomial of degree 9 (truncation below 3e-22 relative): a few multiplications instead
//   of an exponential per point. Any other exponent becomes the new reference.
// Strains at or below 0 (no logarithm) take pow at every exponent. The state's strains and
// stresses are copied at construction; later changes of the state are not seen.
class CRootPowerObjective {
public:
    explicit CRootPowerObjective(const CEngineState& state);
    // F at pA = (A1, A2, A3).
    double operator()(const double* pA);

private:
    static constexpr double kNearReference = 1.0 / 32.0;

    void UpdatePowers(double dExponent);
    double Square(const double* pA, std::size_t i) const; // d^2 + p^2 at point i

    std::vector<double> m_aStrain;
    std::vector<double> m_aLogStrain;      // ln E, NaN for E <= 0
    std::vector<double> m_aStress;
    std::vector<std::size_t> m_anNoLog;    // points with E <= 0
    double m_dMaxAbsLog = 0;               // max |ln E| over E > 0
    std::vector<double> m_aReferencePower; // E^A3r for A3r = m_dReferenceExponent
    double m_dReferenceExponent = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> m_aNearPower;      // E^A3 from the reference, for A3 near A3r
    double* m_pPower = nullptr;            // E^A3 for A3 = m_dExponent: into one of the two above
    double m_dExponent = std::numeric_limits<double>::quiet_NaN();
};

} // namespace tarnfit
