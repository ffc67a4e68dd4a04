// Hot-deformation laws fitted to all points of all curves by one weighted linear least-squares
// problem: the normal equations M x = r with M(i,j) = sum w phi_i phi_j and r(i) = sum w phi_i y
// over the points (w = NTOTAL / points of the point's curve), refused when the spectral
// condition number |lambda_max / lambda_min| of M (DEVLSF) leaves [1e-15, 1e15], solved by
// DLSARG. Polynomial members fit y = s in the basis phi; log-linear members fit y = ln s.
//
// Temperature enters the basis scaled, t' = t / h with h the first point's temperature (the
// largest absolute temperature when that is 0), and the coefficients of terms in t' and t'^2
// are divided by h and h^2 afterwards, so A1..An apply to raw temperatures.
// E strain, H strain rate [1/s], t temperature [deg C], s stress.

#include "HotFits.h"

#include "EntryFrame.h"
#include "FitCommon.h"
#include "tarnfit/tarnfit.h"

#include <array>
#include <cmath>

namespace tarnfit {

namespace {

constexpr int kMaxTerms = 10;
constexpr double kMinGridanFitStrain = static_cast<double>(0.01f);   // 0.009999999776482582
constexpr double kMinGridanEvalStrain = static_cast<double>(0.001f); // 0.0010000000474974513
constexpr double kMinConditionRatio = static_cast<double>(1.0e-15f); // 1.0000000036274937e-15
constexpr double kMaxConditionRatio = static_cast<double>(1.0e15f);  // 999999986991104.0

using Basis = std::array<double, kMaxTerms>;

struct SHotMember {
    EHotFit m_eFit;
    const char* m_szName;
    int m_nTerms;                    // n, the number of coefficients
    int m_nMinCurves;
    bool m_bLogTarget;               // fit ln s (log-linear members) instead of s
    bool m_bScaleTemperature;        // basis in t' = t / h
    unsigned m_nGuards;              // EQuantity bits: finite and above 0 at every point
    // Basis phi_1..phi_n at (E, H, T); T is t' while fitting.
    void (*m_pfnBasis)(double E, double H, double T, Basis& phi);
    // Power of h that divides each coefficient after the solve (0, 1 or 2).
    std::array<int, kMaxTerms> m_anTemperaturePower;
    // Fitted stress from A1..An at raw (E, H, t); null: sum A_i phi_i(E, H, t).
    double (*m_pfnLaw)(const double* a, double E, double H, double t);
};

// The terms 1, E, H, t', E^2, H^2, t'^2 that most polynomial members start with.
void QuadraticStart(double E, double H, double T, Basis& phi) {
    phi[0] = 1;
    phi[1] = E;
    phi[2] = H;
    phi[3] = T;
    phi[4] = E * E;
    phi[5] = H * H;
    phi[6] = T * T;
}

constexpr SHotMember kMembers[] = {
    {EHotFit::Pravel1, "KIVHOTPRAVEL1", 10, 9, false, true, 0,
     [](double E, double H, double T, Basis& phi) {
         phi = {1, E, H, T, E * H, E * T, H * T, E * E, H * H, T * T};
     },
     {0, 0, 0, 1, 0, 1, 1, 0, 0, 2}, nullptr},
    {EHotFit::Halvek1, "KIVHOTHALVEK1", 7, 5, false, true, 0, QuadraticStart, {0, 0, 0, 1, 0, 0, 2}, nullptr},
    {EHotFit::Halvek2, "KIVHOTHALVEK2", 5, 5, false, true, 0,
     [](double E, double H, double T, Basis& phi) { phi = {1, E, H, T, E * H * T}; },
     {0, 0, 0, 1, 1}, nullptr},
    {EHotFit::Halvek3, "KIVHOTHALVEK3", 8, 5, false, true, 0,
     [](double E, double H, double T, Basis& phi) {
         QuadraticStart(E, H, T, phi);
         phi[7] = E * E * E;
     },
     {0, 0, 0, 1, 0, 0, 2, 0}, nullptr},
    {EHotFit::Halvek4, "KIVHOTHALVEK4", 9, 5, false, true, 0,
     [](double E, double H, double T, Basis& phi) {
         QuadraticStart(E, H, T, phi);
         phi[7] = E * E * E;
         phi[8] = E * E * E * E;
     },
     {0, 0, 0, 1, 0, 0, 2, 0, 0}, nullptr},
    {EHotFit::Halvek6, "KIVHOTHALVEK6", 10, 6, false, true, 0,
     [](double E, double H, double T, Basis& phi) {
         QuadraticStart(E, H, T, phi);
         phi[7] = E * E * E;
         phi[8] = E * E * E * E;
         phi[9] = E * E * E * E * E;
     },
     {0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, nullptr},
    // s = a1 E^(a2 + a3 t + a4 H) exp(a5 E) H^(a6 + a7 t) exp(a8 t), ln max(E, 0.001) in the
    // fit, E as stored in the fitted stress
    {EHotFit::Halvek5, "KIVHOTHALVEK5", 8, 5, true, true, kGuardRate | kGuardStress,
     [](double E, double H, double T, Basis& phi) {
         const double lnE = LogStrain(E);
         const double lnH = std::log(H);
         phi = {1, lnE, T * lnE, H * lnE, E, lnH, T * lnH, T};
     },
     {0, 0, 1, 0, 0, 0, 1, 1},
     [](const double* a, double E, double H, double t) {
         return a[0] * std::pow(E, a[1] + a[2] * t + a[3] * H) * std::exp(a[4] * E) * std::pow(H, a[5] + a[6] * t) *
                std::exp(a[7] * t);
     }},
    // s = a1 E^a2 exp(a3/E) exp(a4 E) (1+E)^(a5 t) H^a6 H^(a7 t) t^a8 exp(a9 t), E >= 0.01 in the fit
    {EHotFit::Gridan, "KIVHOTGRIDAN", 9, 5, true, false, kGuardRate | kGuardTemperature | kGuardStress,
     [](double E, double H, double T, Basis& phi) {
         const double e = std::max(E, kMinGridanFitStrain);
         const double lnH = std::log(H);
         phi = {1, std::log(e), 1 / e, e, T * std::log(1 + e), lnH, T * lnH, std::log(T), T};
     },
     {0, 0, 0, 0, 0, 0, 0, 0, 0},
     [](const double* a, double E, double H, double t) {
         const double e = std::max(E, kMinGridanEvalStrain);
         return a[0] * std::pow(e, a[1]) * std::exp(a[2] / e) * std::exp(a[3] * e) * std::pow(1 + e, a[4] * t) *
                std::pow(H, a[5]) * std::pow(H, a[6] * t) * std::pow(t, a[7]) * std::exp(a[8] * t);
     }},
};

// Temperature scale: the first point's temperature, or the largest absolute temperature
// when that is 0.
double TemperatureScale(const CEngineState& state) {
    const double h = state.m_aPoints.front().m_ex.m_dTemp;
    if (h != 0)
        return h;
    double dLargest = 0;
    for (const CEnginePoint& point : state.m_aPoints)
        dLargest = std::max(dLargest, std::fabs(point.m_ex.m_dTemp));
    return dLargest;
}

void FitHot(CEngineState& state, const SHotMember& member) {
    const int n = member.m_nTerms;
    std::array<double, kMaxTerms * kMaxTerms> M{};
    std::array<double, kMaxTerms> r{};
    if (!GuardPositive(member.m_szName, state, member.m_nGuards))
        return;

    const double h = state.m_aPoints.empty() || !member.m_bScaleTemperature ? 1.0 : TemperatureScale(state);
    CSpread spread;
    Basis phi{};
    for (const CEnginePoint& point : state.m_aPoints) {
        const CExchangePoint& p = point.m_ex;
        member.m_pfnBasis(p.m_dStrain, p.m_dRate, p.m_dTemp / h, phi);
        const double y = member.m_bLogTarget ? std::log(p.m_dStress) : p.m_dStress;
        for (int i = 0; i < n; ++i) {
            const double wPhi = point.m_dW * phi[static_cast<std::size_t>(i)];
            for (int j = 0; j < n; ++j)
                M[static_cast<std::size_t>(j * n + i)] += wPhi * phi[static_cast<std::size_t>(j)];
            r[static_cast<std::size_t>(i)] += wPhi * y;
        }
        spread.Add(p.m_dRate, p.m_dTemp);
    }
    if (const std::string strWhy = SpreadProblem(spread, state.m_nCurves, member.m_nMinCurves); !strWhy.empty()) {
        Refuse(state, member.m_szName, strWhy);
        return;
    }

    std::array<double, kMaxTerms> lambda{};
    DEVLSF(&n, M.data(), &n, lambda.data());
    if (KernelFailed()) {
        Refuse(state, member.m_szName,
               "the eigenvalues of the normal equations could not be computed (kernel condition " +
                   std::to_string(TarnfitKernelCode()) + ", reported above)");
        return;
    }
    const double q = std::fabs(lambda[0] / lambda[static_cast<std::size_t>(n - 1)]);
    if (!(q >= kMinConditionRatio && q <= kMaxConditionRatio)) {
        Refuse(state, member.m_szName,
               "the normal equations are too ill-conditioned: the ratio of their extreme eigenvalues lies outside "
               "1e-15..1e15");
        return;
    }

    std::array<double, kMaxTerms> x{};
    const int nPath = 1;
    DLSARG(&n, M.data(), &n, r.data(), &nPath, x.data());
    if (KernelFailed()) {
        Refuse(state, member.m_szName,
               "the normal equations could not be solved (kernel condition " + std::to_string(TarnfitKernelCode()) +
                   ", reported above)");
        return;
    }

    std::array<double, kMaxTerms> a{};
    for (int i = 0; i < n; ++i)
        a[static_cast<std::size_t>(i)] =
            x[static_cast<std::size_t>(i)] / std::pow(h, member.m_anTemperaturePower[static_cast<std::size_t>(i)]);
    if (member.m_bLogTarget)
        a[0] = std::exp(x[0]);

    CErrorSum errors;
    for (CEnginePoint& point : state.m_aPoints) {
        const CExchangePoint& p = point.m_ex;
        double dFitted = 0;
        if (member.m_pfnLaw) {
            dFitted = member.m_pfnLaw(a.data(), p.m_dStrain, p.m_dRate, p.m_dTemp);
        } else {
            member.m_pfnBasis(p.m_dStrain, p.m_dRate, p.m_dTemp, phi);
            for (int i = 0; i < n; ++i)
                dFitted += a[static_cast<std::size_t>(i)] * phi[static_cast<std::size_t>(i)];
        }
        point.m_ex.m_dFitStress = dFitted;
        errors.Add(dFitted - p.m_dStress);
    }
    StoreResult(state, a.data(), n, errors, EErrorSr::RootSumOverCount);
}

} // namespace

int RunHotFit(EHotFit eFit) { return RunFamilyMember<kMembers, FitHot>(eFit); }

} // namespace tarnfit
