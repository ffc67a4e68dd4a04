#pragma once
// Coefficient sets for the flow-stress models that keep every law finite and of a moderate
// size for strains 0.01..1.2, strain rates 0.001..100 1/s and temperatures 700..1250 deg C:
// each coefficient drawn uniformly between 0.5 and 1.5 times a typical magnitude of its own
// (model 19: polynomials whose constant terms dominate, and a strain range within
// 0.025..1.05; model 20: H0 = 0.01 1/s, tr = 600 and tm = 1600 deg C; model 21: such a
// backbone, the spline's ranges over sqrt of that strain range, ln H of 0.01..10 1/s and
// 850..1150 deg C, and its coefficients between -0.15 and 0.15).

#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SplineLaw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace vornel_test {

// The numbers of the catalogue's models, in order.
inline std::vector<int> CatalogueNumbers() {
    std::vector<int> aNumbers;
    for (const CModelInfo& model : ModelCatalogue())
        aNumbers.push_back(model.m_nNumber);
    return aNumbers;
}

inline std::vector<double> TypicalCoefficients(int nModel, std::mt19937& rng) {
    static const std::vector<std::vector<double>> s_aScales = {
        {200, 0.2},
        {50, 300},
        {50, 300, -150},
        {50, 300, -150, 40},
        {50, 300, -150, 40, -8},
        {50, 300, -150, 40, -8, 2},
        {40, 150, 0.3},
        {400, 80, 2, -0.25},
        {5000, 0.2, 0.12, -0.0025},
        {300, 50, 3, -0.2, 1, 0.05, -0.001, -30, -0.02, 0.00005},
        {300, 50, 3, -0.2, -30, -0.02, 0.00005},
        {300, 50, 3, -0.2, 0.001},
        {20, 0.2, 0.12, 3000},
        {3000, 0.25, -0.4, 0.12, -0.0022},
        {300, 50, 3, -0.2, -30, -0.02, 0.00005, 10},
        {300, 50, 3, -0.2, -30, -0.02, 0.00005, 10, -4},
        {3000, 0.3, -0.0001, 0.001, -0.3, 0.1, 0.00002, -0.0025},
        {30000, 0.2, -0.005, -0.3, 0.0001, 0.1, 0.00002, -0.5, -0.002},
        {0.012, 0.002, -0.001, 0.0005, -0.0002, 0.0001, 5, -1, 0.5, -0.2, 0.1, -0.05, 400, -60, 30, -10, 5, -2,
         35, -5, 2.5, -1, 0.5, -0.2, 0.05, 0.7},
        {20, 300, 0.3, 0.05, 1, 0.01, 600, 1600},
    };
    std::uniform_real_distribution<double> factor(0.5, 1.5);
    std::vector<double> aCoef;
    for (double dScale : s_aScales.at(static_cast<std::size_t>(nModel == kSplineModel ? kSinhModel - 1 : nModel - 1)))
        aCoef.push_back(dScale * factor(rng));
    if (nModel == 20) // the reference rate and temperatures as given, tm above every test temperature
        std::copy_n(s_aScales.at(19).begin() + 5, 3, aCoef.begin() + 5);
    if (nModel == kSplineModel) {
        const double adRange[6] = {std::sqrt(aCoef[24]), std::sqrt(aCoef[25]), std::log(0.01), std::log(10.0),
                                   1000 / (1150 + 273.15), 1000 / (850 + 273.15)};
        aCoef.insert(aCoef.end(), std::begin(adRange), std::end(adRange));
        std::uniform_real_distribution<double> spline(-0.15, 0.15);
        while (aCoef.size() < static_cast<std::size_t>(kSplineCoef))
            aCoef.push_back(spline(rng));
    }
    return aCoef;
}

// dValue with 17 significant digits, which reads back as dValue.
inline std::string Digits17(double dValue) {
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.17g", dValue);
    return szText;
}

// Central differences of CMaterial::Evaluate at (dE, dT, dH), Richardson-extrapolated from
// the steps h and 2h, h being 1e-3 times the argument (1e-6 at least), so that their error
// is of order h^4 and rounding stays small also for laws that change little with an
// argument: dKs/dE, dKs/dH, dKs/dt, and whether the difference may be taken as the
// derivative, which it may not where a bound of Evaluate (strain 0.001, rate 0.0001) lies
// within the steps (nor, for models 19 and 21, the ends of the strain range A25 and A26, nor
// for model 21 the knots of its spline, where its third derivative jumps), nor where the law
// curves so sharply that the difference of the two steps is not small.
struct SCentralSlopes {
    double m_adSlope[3] = {};
    bool m_abUsable[3] = {true, true, true};
};

inline SCentralSlopes CentralSlopes(const CMaterial& material, double dE, double dT, double dH) {
    SCentralSlopes slopes;
    const double adArg[3] = {dE, dH, dT};
    const double adBound[3] = {kEvaluateMinStrain, kEvaluateMinRate, -1e300};
    const auto evaluate = [&](int k, double dArg) {
        double ad[3] = {dE, dH, dT};
        ad[k] = dArg;
        return material.Evaluate(ad[0], ad[2], ad[1]);
    };
    for (int k = 0; k < 3; ++k) {
        const double h = std::max(1e-6, 1e-3 * std::fabs(adArg[k]));
        const auto within = [&](double dBound) { return adArg[k] - 2 * h <= dBound && dBound <= adArg[k] + 2 * h; };
        slopes.m_abUsable[k] = !within(adBound[k]);
        const bool bSinh = material.m_nFunction == kSinhModel || material.m_nFunction == kSplineModel;
        if (k == 0 && bSinh)
            slopes.m_abUsable[k] = slopes.m_abUsable[k] && !within(material.m_dCoef[24]) && !within(material.m_dCoef[25]);
        if (material.m_nFunction == kSplineModel) {
            // The ends of the spline's range along the argument and its knots between them,
            // where the spline's third derivative jumps.
            const double lo = material.m_dCoef[static_cast<std::size_t>(kSplineRangeAt + 2 * k)];
            const double hi = material.m_dCoef[static_cast<std::size_t>(kSplineRangeAt + 2 * k + 1)];
            const int nSpans = kSplineCount[static_cast<std::size_t>(k)] - 3;
            for (int q = 0; q <= nSpans; ++q) {
                const double z = lo + (hi - lo) * q / nSpans;
                const double dKnot = k == 0 ? z * z : k == 1 ? std::exp(z) : 1000 / z - kCelsiusToKelvin;
                slopes.m_abUsable[k] = slopes.m_abUsable[k] && !within(dKnot);
            }
        }
        const double dNear = (evaluate(k, adArg[k] + h) - evaluate(k, adArg[k] - h)) / (2 * h);
        const double dFar = (evaluate(k, adArg[k] + 2 * h) - evaluate(k, adArg[k] - 2 * h)) / (4 * h);
        slopes.m_adSlope[k] = (4 * dNear - dFar) / 3;
        // Where the h^2 term the extrapolation removes is not small against the slope, the
        // law curves too sharply within the steps for the h^4 rest to be negligible.
        const double dScale = std::max(std::fabs(slopes.m_adSlope[k]),
                                       1e-4 * std::fabs(evaluate(k, adArg[k])) / std::max(std::fabs(adArg[k]), 1e-3));
        if (std::fabs(dNear - dFar) > 2e-4 * dScale)
            slopes.m_abUsable[k] = false;
    }
    return slopes;
}

// dSlope against the central difference dCentral of a law of stress dStress in the argument
// dArg, to dTol relative; a derivative smaller than 1e-4 of the stress per unit of the
// argument counts as of that size, so that a slope crossing 0 is compared as a slope.
inline ::testing::AssertionResult SlopeNear(double dSlope, double dCentral, double dStress, double dArg, double dTol) {
    const double dScale = std::max(std::fabs(dCentral), 1e-4 * std::fabs(dStress) / std::max(std::fabs(dArg), 1e-3));
    if (std::fabs(dSlope - dCentral) <= dTol * dScale)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << dSlope << " differs from the central difference " << dCentral << " by "
                                         << std::fabs(dSlope - dCentral) << " (tolerance " << dTol * dScale << ")";
}

// A material with model nModel and coefficients aCoef, and one curve per temperature and
// rate whose points reach the strain 0.8 (their stresses play no part in the exports).
inline CMaterial TableMaterial(int nModel, const std::vector<double>& aCoef) {
    CMaterial material;
    material.m_strName = "table test";
    material.m_nFunction = nModel;
    material.m_nCoef = static_cast<int>(aCoef.size());
    std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
    for (double dTemp : {1150.0, 900.0, 1000.0})
        for (double dRate : {10.0, 0.01, 1.0}) {
            CCurve& curve = material.Curve(material.m_nCurves++);
            curve.m_dTemp = dTemp;
            curve.m_dRate = dRate;
            for (int j = 0; j <= 8; ++j)
                curve.m_pPoints.push_back(CCurvePoint{.m_dTemp = dTemp, .m_dStrain = 0.1 * j, .m_dRate = dRate});
        }
    material.m_nPoints = material.CountPoints();
    return material;
}

} // namespace vornel_test
