// Laws fitted to all points of all curves by one multiple linear regression with intercept
// (DRLSE) after a transformation that makes them linear in their coefficients.
//
//   KIVHENZSPITTMNK  s = A1 E^A2 H^A3 exp(A4 t)        ln max(s, 0.1) on ln max(E, 0.001), ln H, t
//   KIVSENDARMNK     s = A1 E^A2 exp(A3 E) H^A4 exp(A5 t)  ln s on ln max(E, 0.001), E, ln H, t
//   KIVLINEHOT___    s = A1 + A2 E + A3 H + A4 t          s on E, H, t
//   KIVFORGEMNK      s = 1.73 A1 E^A2 H^A3 exp(A4 / t)    ln max(s, 0.1) on ln max(E, 0.001), ln H, 1/t
//
// E strain, H strain rate [1/s], t temperature [deg C], s stress. The members differ only by
// their rows of kMembers below. Fitted stresses take the strain as stored, unbounded.

#include "RegressionFits.h"

#include "EntryFrame.h"
#include "FitCommon.h"
#include "tarnfit/tarnfit.h"

#include <cmath>
#include <vector>

namespace tarnfit {

namespace {

constexpr double kMinStress = static_cast<double>(0.1f);   // 0.10000000149011612
constexpr double kModel13Factor = 1.73; // the law's factor, close to sqrt(3)

struct SRegressionMember {
    ERegressionFit m_eFit;
    const char* m_szName;
    int m_nColumns;                                 // regressors k; the law has k + 1 coefficients
    unsigned m_nGuards;                             // EQuantity bits: finite and above 0 at every point
    // Regressors x[0..k-1] and target y at one point.
    void (*m_pfnRow)(const CExchangePoint& p, double* x, double& y);
    bool m_bExpIntercept;                           // A1 = exp(b0) / m_dA1Divisor, else A1 = b0
    double m_dA1Divisor;
    // Fitted stress at one point from A1..A(k+1), with the member's precision.
    double (*m_pfnFitted)(const double* a, const CExchangePoint& p);
    EErrorSr m_eErrorSr;
};

constexpr SRegressionMember kMembers[] = {
    {ERegressionFit::HenzSpitt, "KIVHENZSPITTMNK", 3, kGuardRate,
     [](const CExchangePoint& p, double* x, double& y) {
         x[0] = LogStrain(p.m_dStrain);
         x[1] = std::log(p.m_dRate);
         x[2] = p.m_dTemp;
         y = std::log(std::max(p.m_dStress, kMinStress));
     },
     true, 1.0,
     // E as stored, H and t in single precision, the stress in double.
     [](const double* a, const CExchangePoint& p) {
         return a[0] * std::pow(p.m_dStrain, a[1]) * std::pow(Single(p.m_dRate), a[2]) *
                std::exp(a[3] * Single(p.m_dTemp));
     },
     EErrorSr::RootMeanSquare},
    {ERegressionFit::Sendar, "KIVSENDARMNK", 4, kGuardRate | kGuardStress,
     [](const CExchangePoint& p, double* x, double& y) {
         x[0] = LogStrain(p.m_dStrain);
         x[1] = p.m_dStrain;
         x[2] = std::log(p.m_dRate);
         x[3] = p.m_dTemp;
         y = std::log(p.m_dStress);
     },
     true, 1.0,
     // E, H, t and the stress in single precision, the factors multiplied in this order.
     [](const double* a, const CExchangePoint& p) {
         const double e = Single(p.m_dStrain);
         double s = a[0] * std::pow(e, a[1]);
         s *= std::exp(a[2] * e);
         s *= std::pow(Single(p.m_dRate), a[3]);
         s *= std::exp(a[4] * Single(p.m_dTemp));
         return Single(s);
     },
     EErrorSr::RootSumOverCount},
    {ERegressionFit::Linear, "KIVLINEHOT___", 3, 0,
     [](const CExchangePoint& p, double* x, double& y) {
         x[0] = p.m_dStrain;
         x[1] = p.m_dRate;
         x[2] = p.m_dTemp;
         y = p.m_dStress;
     },
     false, 1.0,
     [](const double* a, const CExchangePoint& p) {
         return Single(a[0] + a[1] * Single(p.m_dStrain) + a[2] * Single(p.m_dRate) + a[3] * Single(p.m_dTemp));
     },
     EErrorSr::RootSumOverCount},
    {ERegressionFit::Forge, "KIVFORGEMNK", 3, kGuardRate | kGuardTemperature,
     [](const CExchangePoint& p, double* x, double& y) {
         x[0] = LogStrain(p.m_dStrain);
         x[1] = std::log(p.m_dRate);
         x[2] = 1.0 / p.m_dTemp;
         y = std::log(std::max(p.m_dStress, kMinStress));
     },
     true, kModel13Factor,
     [](const double* a, const CExchangePoint& p) {
         return kModel13Factor * a[0] * std::pow(p.m_dStrain, a[1]) * std::pow(Single(p.m_dRate), a[2]) *
                std::exp(a[3] / Single(p.m_dTemp));
     },
     EErrorSr::RootMeanSquare},
};

constexpr int kMinCurves = 4;
constexpr int kMaxColumns = 4;

void FitRegression(CEngineState& state, const SRegressionMember& member) {
    const int n = state.m_nTotal;
    const int k = member.m_nColumns;
    if (!GuardPositive(member.m_szName, state, member.m_nGuards))
        return;

    // Regressors column by column (leading dimension NTOTAL) and the target, in one pass
    // that also tracks the spread of temperature and strain rate.
    std::vector<double> X(static_cast<std::size_t>(n) * static_cast<std::size_t>(k));
    std::vector<double> y(static_cast<std::size_t>(n));
    CSpread spread;
    for (int i = 0; i < n; ++i) {
        const CExchangePoint& p = state.m_aPoints[static_cast<std::size_t>(i)].m_ex;
        double x[kMaxColumns];
        member.m_pfnRow(p, x, y[static_cast<std::size_t>(i)]);
        for (int c = 0; c < k; ++c)
            X[static_cast<std::size_t>(c) * static_cast<std::size_t>(n) + static_cast<std::size_t>(i)] = x[c];
        spread.Add(p.m_dRate, p.m_dTemp);
    }
    if (const std::string strWhy = SpreadProblem(spread, state.m_nCurves, kMinCurves); !strWhy.empty()) {
        Refuse(state, member.m_szName, strWhy);
        return;
    }

    double b[kMaxColumns + 1] = {};
    double dSst = 0;
    double dSse = 0;
    const int nIntercept = 1;
    DRLSE(&n, y.data(), &k, X.data(), &n, &nIntercept, b, &dSst, &dSse);
    if (KernelFailed()) {
        Refuse(state, member.m_szName,
               "the regression failed (kernel condition " + std::to_string(TarnfitKernelCode()) + ", reported above)");
        return;
    }

    double a[kMaxColumns + 1];
    a[0] = member.m_bExpIntercept ? std::exp(b[0]) / member.m_dA1Divisor : b[0];
    for (int c = 1; c <= k; ++c)
        a[c] = b[c];

    CErrorSum errors;
    for (CEnginePoint& point : state.m_aPoints) {
        const double dFitted = member.m_pfnFitted(a, point.m_ex);
        point.m_ex.m_dFitStress = dFitted;
        errors.Add(dFitted - Single(point.m_ex.m_dStress));
    }
    StoreResult(state, a, k + 1, errors, member.m_eErrorSr);
}

} // namespace

int RunRegressionFit(ERegressionFit eFit) { return RunFamilyMember<kMembers, FitRegression>(eFit); }

} // namespace tarnfit
