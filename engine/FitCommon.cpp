#include "FitCommon.h"

#include "EntryFrame.h"
#include "tarnfit/kernels.h"

#include <cmath>
#include <cstdio>

namespace tarnfit {

void CSpread::Add(double dH, double dT) {
    if (dT > m_dMaxT)
        m_dMaxT = dT;
    if (dT < m_dMinT)
        m_dMinT = dT;
    if (dH > m_dMaxH)
        m_dMaxH = dH;
    if (dH < m_dMinH)
        m_dMinH = dH;
}

namespace {

std::string Number(double dValue) {
    char szValue[64];
    std::snprintf(szValue, sizeof szValue, "%g", dValue);
    return szValue;
}

} // namespace

std::string SpreadProblem(const CSpread& spread, int nCurves, int nMinCurves) {
    const double dTempSpread = spread.m_dMaxT - spread.m_dMinT;
    if (!(dTempSpread >= kMinTempSpread)) {
        if (dTempSpread < 0)
            return "the exchange file holds no points";
        return "the temperatures of the points span " + Number(dTempSpread) +
               " deg C; the law needs a spread of at least " + Number(kMinTempSpread) + " deg C";
    }
    if (nCurves < nMinCurves)
        return "the exchange file holds " + std::to_string(nCurves) + (nCurves == 1 ? " curve" : " curves") +
               "; the law needs at least " + std::to_string(nMinCurves);
    const double dRateSpread = spread.m_dMaxH - spread.m_dMinH;
    if (!(dRateSpread >= kMinRateSpread))
        return "the strain rates of the points span " + Number(dRateSpread) +
               " 1/s; the law needs a spread of at least " + Number(kMinRateSpread) + " 1/s";
    return {};
}

void Refuse(CEngineState& state, const char* szMember, const std::string& strWhy) {
    RefuseFit(state, szMember, strWhy + "; the fit is refused");
}

namespace {

struct SGuard {
    EQuantity m_eFlag;
    double CExchangePoint::*m_pValue;
    const char* m_szName;
    const char* m_szUse;
};

constexpr SGuard kGuards[] = {
    {kGuardRate, &CExchangePoint::m_dRate, "strain rate", "its logarithm"},
    {kGuardTemperature, &CExchangePoint::m_dTemp, "temperature", "its logarithm or reciprocal"},
    {kGuardStress, &CExchangePoint::m_dStress, "measured stress", "its logarithm"},
};

} // namespace

bool GuardPositive(const char* szMember, CEngineState& state, unsigned nQuantities) {
    for (std::size_t i = 0; i < state.m_aPoints.size(); ++i) {
        for (const SGuard& guard : kGuards) {
            if (!(nQuantities & guard.m_eFlag))
                continue;
            const double dValue = state.m_aPoints[i].m_ex.*guard.m_pValue;
            if (std::isfinite(dValue) && dValue > 0)
                continue;
            RefuseFit(state, szMember,
                      std::string("the ") + guard.m_szName + " of point " + std::to_string(i + 1) + " is " +
                          Number(dValue) + "; the law needs " + guard.m_szUse +
                          ", so it must be a finite number above 0. The fit is refused.");
            return false;
        }
    }
    return true;
}

void CErrorSum::Add(double d) {
    m_dSumSq += d * d;
    if (std::fabs(d) > m_dMax)
        m_dMax = std::fabs(d);
}

double CErrorSum::ErrorSr(EErrorSr eKind, int nTotal) const {
    return eKind == EErrorSr::RootMeanSquare ? std::sqrt(m_dSumSq / nTotal) : std::sqrt(m_dSumSq) / nTotal;
}

void StoreResult(CEngineState& state, const double* pA, int nCoef, const CErrorSum& errors, EErrorSr eKind) {
    if (nCoef < 0 || nCoef > kMaxCoef) {
        Refuse(state, "TARNFIT",
               "a law with " + std::to_string(nCoef) + " coefficients does not fit the engine's " +
                   std::to_string(kMaxCoef) + " slots");
        return;
    }
    state.m_nCoef = nCoef;
    for (int k = 0; k < nCoef; ++k)
        state.m_dA[static_cast<std::size_t>(k)] = pA[k];
    state.m_dErrorSr = errors.ErrorSr(eKind, state.m_nTotal);
    state.m_dErrorMax = errors.m_dMax;
}

bool KernelFailed() { return TARNFIT_KERNEL_FAILED(TarnfitKernelSeverity()); }

} // namespace tarnfit
