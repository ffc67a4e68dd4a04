// Laws of the strain alone over the pooled points of all curves (SingleCurveFits.h).
//
// The power law and the polynomials are least-squares polynomials of the member's degree
// (DRCURV): on (ln E, ln s) for A1 E^A2 (A1 = exp(B1), A2 = B2), on (E, s) for the
// polynomials (A(k+1) = B(k+1), the coefficient of E^k). A1 + A2 E^A3 minimises the
// penalised sum F(A1, A2, A3) = sum (d^2 + p^2) with the quasi-Newton minimiser DUMINF from
// (10, 1, 0.5); its fitted stresses and errors are recomputed at the minimiser delivered,
// so that they belong to the coefficients written.

#include "SingleCurveFits.h"

#include "EntryFrame.h"
#include "tarnfit/tarnfit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace tarnfit {

namespace {

constexpr CSingleCurveMember kMembers[] = {
    {ESingleCurveFit::CoolExp2, "KIVCOOLEXP2", ESingleCurveLaw::Power, 1, 2},
    {ESingleCurveFit::CoolPoly1, "KIVCOOLPOLY1", ESingleCurveLaw::Polynomial, 1, 2},
    {ESingleCurveFit::CoolPoly2, "KIVCOOLPOLY2", ESingleCurveLaw::Polynomial, 2, 3},
    {ESingleCurveFit::CoolPoly3, "KIVCOOLPOLY3", ESingleCurveLaw::Polynomial, 3, 4},
    {ESingleCurveFit::CoolPoly4, "KIVCOOLPOLY4", ESingleCurveLaw::Polynomial, 4, 5},
    {ESingleCurveFit::CoolPoly5, "KIVCOOLPOLY5", ESingleCurveLaw::Polynomial, 5, 6},
    {ESingleCurveFit::CoolPoly6, "KIVCOOLPOLY6", ESingleCurveLaw::Polynomial, 8, 9},
    {ESingleCurveFit::Cool3, "KIVCOOL3", ESingleCurveLaw::RootPower, 0, 3},
};

constexpr int kMaxSingleCoef = 9;

// DUMINF settings of A1 + A2 E^A3: start point, scaling of the variables (typical 1/|A_i|)
// and typical magnitude of F, the scalings as single-precision literals widened to double.
constexpr double kRootPowerStart[3] = {10.0, 1.0, 0.5};
constexpr double kRootPowerXScale[3] = {static_cast<double>(0.01f), static_cast<double>(0.01f),
                                        static_cast<double>(0.001f)};
constexpr double kRootPowerFScale = static_cast<double>(0.0001f); // 9.999999747378752e-05
constexpr double kPreferredExponent = 0.5;
constexpr double kPenaltyWeight = 0.5;
constexpr int kOptionCount = 7;

// Value of A1 + A2 e + ... + A(n) e^(n-1), by Horner's rule.
double PolynomialValue(const double* pA, int nCoef, double e) {
    double s = pA[nCoef - 1];
    for (int k = nCoef - 2; k >= 0; --k)
        s = s * e + pA[k];
    return s;
}

// The pooled regression pairs of a DRCURV member in table order: (E, s), or (ln E, ln s) for
// the power law. A pair with a value that is not finite (the logarithm of a strain or
// stress at or below 0, or a non-finite datum) becomes NaN, which DRCURV leaves out; a line
// to the message sink says how many were left out. Returns false when the polynomial cannot
// be fitted; the coefficients B(1..d+1) are in pB otherwise.
bool FitPolynomial(CEngineState& state, const CSingleCurveMember& member, double* pB) {
    const bool bLog = member.m_eLaw == ESingleCurveLaw::Power;
    const std::size_t n = state.m_aPoints.size();
    std::vector<double> aX(n);
    std::vector<double> aY(n);
    int nLeftOut = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const CExchangePoint& p = state.m_aPoints[i].m_ex;
        double x = bLog ? std::log(p.m_dStrain) : p.m_dStrain;
        double y = bLog ? std::log(p.m_dStress) : p.m_dStress;
        if (!std::isfinite(x) || !std::isfinite(y)) {
            x = y = std::nan("");
            ++nLeftOut;
        }
        aX[i] = x;
        aY[i] = y;
    }
    if (nLeftOut > 0)
        Report(member.m_szName, std::to_string(nLeftOut) + " of " + std::to_string(n) + " points have a " +
                                    (bLog ? "strain or stress at or below 0 (no logarithm) or not finite"
                                          : "strain or stress that is not finite") +
                                    "; they are left out of the fit");

    const int nObs = state.m_nTotal;
    const int nDeg = member.m_nDegree;
    std::array<double, kMaxSingleCoef> aSsq{};
    std::array<double, 10> aStat{};
    DRCURV(&nObs, aX.data(), aY.data(), &nDeg, pB, aSsq.data(), aStat.data());
    if (KernelFailed()) {
        RefuseFit(state, member.m_szName,
                  "the polynomial of degree " + std::to_string(nDeg) + " cannot be fitted to the points (kernel condition " +
                      std::to_string(TarnfitKernelCode()) + ", reported above); the fit is refused");
        return false;
    }
    return true;
}

// E^A3 with ln E given: exp(A3 ln E) for E > 0, which costs a fraction of pow and differs
// from it by a few units in the last place; pow for other E (0^A3, NaN).
inline double StrainPower(double E, double dLogE, double dExponent) {
    return E > 0 ? std::exp(dExponent * dLogE) : std::pow(E, dExponent);
}

inline double LogOrNaN(double E) { return E > 0 ? std::log(E) : std::nan(""); }

// Fitted stress, deviation d and penalty p of A1 + A2 E^A3 at one point, from u = E^A3.
struct CRootPowerTerm {
    double m_dFitted;
    double m_dDeviation;
    double m_dPenalty;
};

inline CRootPowerTerm RootPowerTerm(const double* pA, double u, double dStress) {
    const double dFitted = pA[0] + pA[1] * u;
    return {dFitted, dFitted - dStress, kPenaltyWeight * (kPreferredExponent - pA[2]) * dFitted};
}

} // namespace

CRootPowerObjective::CRootPowerObjective(const CEngineState& state) {
    for (std::size_t i = 0; i < state.m_aPoints.size(); ++i) {
        const CExchangePoint& p = state.m_aPoints[i].m_ex;
        m_aStrain.push_back(p.m_dStrain);
        m_aLogStrain.push_back(LogOrNaN(p.m_dStrain));
        m_aStress.push_back(p.m_dStress);
        if (p.m_dStrain > 0)
            m_dMaxAbsLog = std::max(m_dMaxAbsLog, std::fabs(m_aLogStrain.back()));
        else
            m_anNoLog.push_back(i);
    }
    m_aNearPower.resize(m_aStrain.size());
    m_aReferencePower.resize(m_aStrain.size());
    m_pPower = m_aReferencePower.data();
}

double CRootPowerObjective::operator()(const double* pA) {
    UpdatePowers(pA[2]);
    // Four partial sums (points i mod 4), so that the additions need not wait for each other.
    const std::size_t n = m_aStrain.size();
    double f0 = 0, f1 = 0, f2 = 0, f3 = 0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        f0 += Square(pA, i);
        f1 += Square(pA, i + 1);
        f2 += Square(pA, i + 2);
        f3 += Square(pA, i + 3);
    }
    for (; i < n; ++i)
        f0 += Square(pA, i);
    return (f0 + f1) + (f2 + f3);
}

void CRootPowerObjective::UpdatePowers(double dExponent) {
    if (dExponent == m_dExponent)
        return;
    const double dDelta = dExponent - m_dReferenceExponent;
    const std::size_t n = m_aStrain.size();
    if (std::fabs(dDelta) * m_dMaxAbsLog <= kNearReference) {
        for (std::size_t i = 0; i < n; ++i) {
            const double t = dDelta * m_aLogStrain[i];
            const double e =
                1 + t * (1 + t * (1.0 / 2 + t * (1.0 / 6 + t * (1.0 / 24 + t * (1.0 / 120 + t * (1.0 / 720 +
                    t * (1.0 / 5040 + t * (1.0 / 40320 + t * (1.0 / 362880)))))))));
            m_aNearPower[i] = m_aReferencePower[i] * e;
        }
        m_pPower = m_aNearPower.data();
    } else {
        for (std::size_t i = 0; i < n; ++i)
            m_aReferencePower[i] = StrainPower(m_aStrain[i], m_aLogStrain[i], dExponent);
        m_dReferenceExponent = dExponent;
        m_pPower = m_aReferencePower.data();
    }
    for (std::size_t i : m_anNoLog)
        m_pPower[i] = std::pow(m_aStrain[i], dExponent);
    m_dExponent = dExponent;
}

double CRootPowerObjective::Square(const double* pA, std::size_t i) const {
    const CRootPowerTerm t = RootPowerTerm(pA, m_pPower[i], m_aStress[i]);
    return t.m_dDeviation * t.m_dDeviation + t.m_dPenalty * t.m_dPenalty;
}

namespace {

// The objective DUMINF calls, set only while DUMINF runs.
CRootPowerObjective* g_pRootPowerObjective = nullptr;

void RootPowerObjective(const int* /*N*/, const double* X, double* F) { *F = (*g_pRootPowerObjective)(X); }

// Minimises F of A1 + A2 E^A3 with DUMINF from (10, 1, 0.5), default options. Returns false
// when the minimiser stops without a result (a limit reached, false convergence, values
// that are not finite); the minimiser X is in pA otherwise.
bool MinimiseRootPower(CEngineState& state, const CSingleCurveMember& member, double* pA) {
    CRootPowerObjective objective(state);
    struct CObjectiveScope {
        explicit CObjectiveScope(CRootPowerObjective& objective) { g_pRootPowerObjective = &objective; }
        ~CObjectiveScope() { g_pRootPowerObjective = nullptr; }
    } scope(objective);

    const int n = 3;
    double dFScale = kRootPowerFScale;
    std::array<int, kOptionCount> aIParam{}; // entry 1 = 0: all options at their defaults
    std::array<double, kOptionCount> aRParam{};
    double dF = 0;
    DUMINF(RootPowerObjective, &n, kRootPowerStart, kRootPowerXScale, &dFScale, aIParam.data(), aRParam.data(), pA,
           &dF);
    if (KernelFailed()) {
        RefuseFit(state, member.m_szName,
                  "the minimisation stopped without a result (kernel condition " + std::to_string(TarnfitKernelCode()) +
                      ", reported above); the fit is refused");
        return false;
    }
    return true;
}

} // namespace

std::span<const CSingleCurveMember> SingleCurveMembers() { return kMembers; }

const CSingleCurveMember* FindSingleCurveMember(const char* szName) {
    for (const CSingleCurveMember& member : kMembers)
        if (std::strcmp(member.m_szName, szName) == 0)
            return &member;
    return nullptr;
}

CErrorSum RootPowerSums(CEngineState& state, const double* pA, bool bStoreFitted) {
    CErrorSum sums;
    for (CEnginePoint& point : state.m_aPoints) {
        const double E = point.m_ex.m_dStrain;
        const CRootPowerTerm t = RootPowerTerm(pA, StrainPower(E, LogOrNaN(E), pA[2]), point.m_ex.m_dStress);
        if (bStoreFitted)
            point.m_ex.m_dFitStress = t.m_dFitted;
        sums.Add(t.m_dDeviation);
        sums.m_dSumSq += t.m_dPenalty * t.m_dPenalty;
    }
    return sums;
}

void StoreSingleCurveResult(CEngineState& state, const CSingleCurveMember& member, const double* pA) {
    if (member.m_eLaw == ESingleCurveLaw::RootPower) {
        StoreResult(state, pA, member.m_nCoef, RootPowerSums(state, pA, true), EErrorSr::RootMeanSquare);
        return;
    }
    CErrorSum errors;
    for (CEnginePoint& point : state.m_aPoints) {
        const double e = Single(point.m_ex.m_dStrain);
        const double dLaw = member.m_eLaw == ESingleCurveLaw::Power ? pA[0] * std::pow(e, pA[1])
                                                                     : PolynomialValue(pA, member.m_nCoef, e);
        const double dFitted = Single(dLaw);
        point.m_ex.m_dFitStress = dFitted;
        errors.Add(dFitted - Single(point.m_ex.m_dStress));
    }
    StoreResult(state, pA, member.m_nCoef, errors, EErrorSr::RootSumOverCount);
}

void FitSingleCurve(CEngineState& state, const CSingleCurveMember& member) {
    if (state.m_nTotal <= 0) {
        Refuse(state, member.m_szName, "the exchange file holds no points");
        return;
    }
    std::array<double, kMaxSingleCoef> a{};
    const bool bFitted = member.m_eLaw == ESingleCurveLaw::RootPower ? MinimiseRootPower(state, member, a.data())
                                                                      : FitPolynomial(state, member, a.data());
    if (!bFitted)
        return;
    if (member.m_eLaw == ESingleCurveLaw::Power)
        a[0] = std::exp(a[0]); // the line's intercept is ln A1
    StoreSingleCurveResult(state, member, a.data());
}

int RunSingleCurveFit(ESingleCurveFit eFit) { return RunFamilyMember<kMembers, FitSingleCurve>(eFit); }

} // namespace tarnfit
