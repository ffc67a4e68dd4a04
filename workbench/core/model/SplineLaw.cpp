#include "vornel/model/SplineLaw.h"

#include <algorithm>
#include <cmath>

// The order of every operation below is the Fortran text's (ModelCatalogue.cpp), so that the
// exported subroutine returns the very same value.

CSplineAxis SplineAxis(double dValue, double dLow, double dHigh, int nCount) {
    const int nSpans = nCount - 3;
    CSplineAxis axis;
    axis.m_bInside = dValue > dLow && dValue < dHigh;
    axis.m_dScale = nSpans / (dHigh - dLow);
    double x = (std::min(std::max(dValue, dLow), dHigh) - dLow) * axis.m_dScale;
    if (!(x >= 0.0)) // NaN
        x = 0.0;
    axis.m_nSpan = std::min(static_cast<int>(std::min(x, static_cast<double>(nSpans))), nSpans - 1);
    const double f = x - axis.m_nSpan;
    const double r = 1.0 - f;
    axis.m_adWeight = {r * r * r / 6.0, (f * f * (3.0 * f - 6.0) + 4.0) / 6.0,
                       (((-3.0 * f + 3.0) * f + 3.0) * f + 1.0) / 6.0, f * f * f / 6.0};
    axis.m_adSlope = {-r * r / 2.0, f * (3.0 * f - 4.0) / 2.0, (f * (-3.0 * f + 2.0) + 1.0) / 2.0, f * f / 2.0};
    return axis;
}

std::array<double, kSplineAxes> SplineArguments(double dHeldStrain, double dH, double dT) {
    return {std::sqrt(dHeldStrain), std::log(dH), 1000.0 / (dT + kCelsiusToKelvin)};
}

namespace {

// The sum over the 64 coefficients of a point of wu(a) wv(b) ww(c) c(q_u + a, q_v + b,
// q_w + c), with the weights of each axis chosen by pick (the B-splines or their slopes).
template <class Pick>
double SplineSum(const double* pGrid, const std::array<CSplineAxis, kSplineAxes>& aAxes, Pick pick) {
    const std::array<double, 4>& wu = pick(0);
    const std::array<double, 4>& wv = pick(1);
    const std::array<double, 4>& ww = pick(2);
    double dSum = 0.0;
    for (int c = 0; c < 4; ++c)
        for (int b = 0; b < 4; ++b)
            for (int a = 0; a < 4; ++a)
                dSum += ww[static_cast<std::size_t>(c)] * wv[static_cast<std::size_t>(b)] *
                        wu[static_cast<std::size_t>(a)] *
                        pGrid[aAxes[0].m_nSpan + a +
                              kSplineCount[0] * (aAxes[1].m_nSpan + b + kSplineCount[1] * (aAxes[2].m_nSpan + c))];
    return dSum;
}

} // namespace

CSplineTerms SplineTerms(const double* A, double dE, double dH, double dT) {
    CSplineTerms terms;
    terms.m_backbone = SinhTerms(A, kSinhOrder, dE, dH, dT);
    const std::array<double, kSplineAxes> aArgs = SplineArguments(terms.m_backbone.m_dStrain, dH, dT);
    for (int k = 0; k < kSplineAxes; ++k)
        terms.m_aAxes[static_cast<std::size_t>(k)] =
            SplineAxis(aArgs[static_cast<std::size_t>(k)], A[kSplineRangeAt + 2 * k], A[kSplineRangeAt + 2 * k + 1],
                       kSplineCount[static_cast<std::size_t>(k)]);
    terms.m_dCorrection = SplineSum(A + kSplineGridAt, terms.m_aAxes,
                                    [&](int k) -> const std::array<double, 4>& {
                                        return terms.m_aAxes[static_cast<std::size_t>(k)].m_adWeight;
                                    });
    terms.m_dStress = terms.m_backbone.m_dStress * std::exp(terms.m_dCorrection);
    return terms;
}

CLawSlopes SplineSlopes(const double* A, const CSplineTerms& terms, double dE, double dH, double dT) {
    (void)dE;
    const CLawSlopes backbone = SinhSlopes(A, terms.m_backbone, dH, dT);
    // ds/dz along each axis: the slopes of that axis' B-splines, the others' values.
    std::array<double, kSplineAxes> adSlope{};
    for (int k = 0; k < kSplineAxes; ++k) {
        const CSplineAxis& axis = terms.m_aAxes[static_cast<std::size_t>(k)];
        if (!axis.m_bInside)
            continue;
        adSlope[static_cast<std::size_t>(k)] =
            axis.m_dScale * SplineSum(A + kSplineGridAt, terms.m_aAxes, [&](int j) -> const std::array<double, 4>& {
                const CSplineAxis& other = terms.m_aAxes[static_cast<std::size_t>(j)];
                return j == k ? other.m_adSlope : other.m_adWeight;
            });
    }
    const double dKelvin = dT + kCelsiusToKelvin;
    const double dStrainSlope =
        terms.m_backbone.m_bStrainInside ? adSlope[0] * 0.5 / std::sqrt(terms.m_backbone.m_dStrain) : 0.0;
    const double dRateSlope = adSlope[1] / dH;
    const double dTempSlope = -adSlope[2] * 1000.0 / (dKelvin * dKelvin);
    const double dFactor = std::exp(terms.m_dCorrection);
    const double Kb = terms.m_backbone.m_dStress;
    return CLawSlopes{dFactor * (backbone.m_dStrain + Kb * dStrainSlope), dFactor * (backbone.m_dRate + Kb * dRateSlope),
                      dFactor * (backbone.m_dTemp + Kb * dTempSlope)};
}
