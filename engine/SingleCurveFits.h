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

#include <span>

namespace tarnfit {

enum class ESingleCurveLaw {
    Power,      // A1 E^A2
    Polynomial, // A1 + A2 E + ... + A(d+1) E^d
    RootPower,  // A1 + A2 E^A3, exponent pulled towards 0.5
};

struct CSingleCurveMember {
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
// point and both errors (StoreSingleCurveResult), or the refusal result with a line on
// standard output when there are no points or the kernel cannot deliver a result
// (constant strains, no pair with finite values, a minimisation that stops on a limit).
void FitSingleCurve(CEngineState& state, const CSingleCurveMember& member);

// Stores the member's result at the coefficients pA[0..m_nCoef-1]: NCOEF, the coefficients,
// the fitted stress of every point and both errors over all points (unweighted).
// - Power, Polynomial: E and s rounded to single precision (E_s, s_s); fitted stress =
//   law(E_s) rounded to single precision; d = fitted - s_s; ErrorMax = max |d|;
//   ErrorSr = sqrt(sum d^2) / NTOTAL.
// - RootPower: RootPowerSums with the fitted stresses stored; ErrorMax = max |d|;
//   ErrorSr = sqrt(F / NTOTAL).
void StoreSingleCurveResult(CEngineState& state, const CSingleCurveMember& member, const double* pA);

// The penalised sums of s = A1 + A2 E^A3 at pA = (A1, A2, A3), all in double precision:
// fitted = A1 + A2 E^A3, d = fitted - s, p = 0.5 (0.5 - A3) fitted. Returns m_dSumSq =
// F = sum (d^2 + p^2), the objective KIVCOOL3 minimises, and m_dMax = max |d|. The penalty
// vanishes at A3 = 0.5 and otherwise grows with the fitted stress. Writes each point's fitted
// stress when bStoreFitted.
CErrorSum RootPowerSums(CEngineState& state, const double* pA, bool bStoreFitted);

} // namespace tarnfit
