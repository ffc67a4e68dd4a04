#include "vornel/analysis/CurveCharacteristics.h"

#include "vornel/document/Material.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Strain and stress of the vertex of the parabola through three points of ascending
// strain, held within their strains; the middle point when they are not curved downwards.
// Newton's form p(x) = y0 + f01 (x - x0) + a (x - x0)(x - x1) has its vertex at
// x = (x0 + x1) / 2 - f01 / (2 a).
std::pair<double, double> Vertex(double x0, double y0, double x1, double y1, double x2, double y2) {
    if (!(x1 > x0) || !(x2 > x1))
        return {x1, y1};
    const double f01 = (y1 - y0) / (x1 - x0);
    const double f12 = (y2 - y1) / (x2 - x1);
    const double a = (f12 - f01) / (x2 - x0);
    if (!(a < 0))
        return {x1, y1};
    const double x = std::clamp((x0 + x1) / 2 - f01 / (2 * a), x0, x2);
    return {x, y0 + f01 * (x - x0) + a * (x - x0) * (x - x1)};
}

} // namespace

std::vector<CFlowCurve> FlowCurves(const CMaterial& material) {
    std::vector<CFlowCurve> aCurves;
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CCurve& curve = material.Curve(i);
        CFlowCurve flow;
        flow.m_nCurve = i;
        flow.m_dTemp = curve.m_dTemp;
        flow.m_dRate = curve.m_dRate;
        std::vector<std::pair<double, double>> aPoints;
        for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j) {
            const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
            if (std::isfinite(p.m_dStrain) && std::isfinite(p.m_dStress))
                aPoints.emplace_back(p.m_dStrain, p.m_dStress);
        }
        std::stable_sort(aPoints.begin(), aPoints.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [dStrain, dStress] : aPoints) {
            flow.m_aStrain.push_back(dStrain);
            flow.m_aStress.push_back(dStress);
        }
        aCurves.push_back(std::move(flow));
    }
    return aCurves;
}

double StressAtStrain(const CFlowCurve& curve, double dStrain) {
    const std::vector<double>& e = curve.m_aStrain;
    if (e.empty() || !(dStrain >= e.front() && dStrain <= e.back()))
        return kNaN;
    const auto it = std::lower_bound(e.begin(), e.end(), dStrain);
    const std::size_t k = static_cast<std::size_t>(it - e.begin());
    if (k == 0 || e[k] == dStrain)
        return curve.m_aStress[k];
    const double t = (dStrain - e[k - 1]) / (e[k] - e[k - 1]);
    return curve.m_aStress[k - 1] + t * (curve.m_aStress[k] - curve.m_aStress[k - 1]);
}

CCurveCharacteristics Characterise(const CFlowCurve& curve, const std::vector<double>& aStrains) {
    CCurveCharacteristics c;
    c.m_nCurve = curve.m_nCurve;
    c.m_dTemp = curve.m_dTemp;
    c.m_dRate = curve.m_dRate;
    const std::vector<double>& e = curve.m_aStrain;
    const std::vector<double>& s = curve.m_aStress;
    c.m_nPoints = static_cast<int>(e.size());
    for (double dStrain : aStrains)
        c.m_aStressAt.push_back(StressAtStrain(curve, dStrain));
    if (e.empty()) {
        c.m_dMaxStress = c.m_dMaxStrain = kNaN;
        return c;
    }
    const std::size_t n = e.size();
    const std::size_t k = static_cast<std::size_t>(std::max_element(s.begin(), s.end()) - s.begin());
    c.m_dMaxStress = s[k];
    c.m_dMaxStrain = e[k];
    const double dLowestAfter = *std::min_element(s.begin() + static_cast<std::ptrdiff_t>(k), s.end());
    c.m_bPeak = k > 0 && k + 1 < n && dLowestAfter <= (1 - kPeakDrop) * s[k];
    if (c.m_bPeak)
        std::tie(c.m_dPeakStrain, c.m_dPeakStress) = Vertex(e[k - 1], s[k - 1], e[k], s[k], e[k + 1], s[k + 1]);

    // The steady-state window and the least-squares line through it.
    const double dFrom = c.m_bPeak ? c.m_dPeakStrain : e.front();
    const double dStart = e.back() - kSteadyShare * (e.back() - dFrom);
    std::size_t nFirst = static_cast<std::size_t>(std::lower_bound(e.begin(), e.end(), dStart) - e.begin());
    nFirst = std::min(nFirst, n >= static_cast<std::size_t>(kSteadyPoints) ? n - kSteadyPoints : 0);
    const std::size_t nWindow = n - nFirst;
    const double dSpan = e.back() - e[nFirst];
    if (nWindow < static_cast<std::size_t>(kSteadyPoints) || !(dSpan > 0))
        return c;
    const double mx = std::accumulate(e.begin() + static_cast<std::ptrdiff_t>(nFirst), e.end(), 0.0) / nWindow;
    const double my = std::accumulate(s.begin() + static_cast<std::ptrdiff_t>(nFirst), s.end(), 0.0) / nWindow;
    double sxy = 0, sxx = 0;
    for (std::size_t j = nFirst; j < n; ++j) {
        sxy += (e[j] - mx) * (s[j] - my);
        sxx += (e[j] - mx) * (e[j] - mx);
    }
    const double dChange = std::fabs(sxy / sxx) * dSpan;
    c.m_bSteady = my > 0 && dChange <= kSteadyChange * my;
    if (c.m_bSteady)
        c.m_dSteadyStress = my;
    return c;
}

std::vector<CCurveCharacteristics> CurveCharacteristics(const CMaterial& material, const std::vector<double>& aStrains) {
    std::vector<CCurveCharacteristics> aResult;
    for (const CFlowCurve& curve : FlowCurves(material))
        aResult.push_back(Characterise(curve, aStrains));
    return aResult;
}

std::string CurveCharacteristicsCsv(const std::vector<CCurveCharacteristics>& aCurves, const std::vector<double>& aStrains) {
    const auto number = [](double d) {
        if (std::isnan(d))
            return std::string();
        char szText[40];
        std::snprintf(szText, sizeof szText, "%.17g", d);
        return std::string(szText);
    };
    std::string strText = "curve,temperature_C,strain_rate_1/s,peak_stress,peak_strain,steady_stress";
    for (double dStrain : aStrains)
        strText += ",stress_at_" + number(dStrain);
    strText += '\n';
    for (const CCurveCharacteristics& c : aCurves) {
        strText += std::to_string(c.m_nCurve + 1) + ',' + number(c.m_dTemp) + ',' + number(c.m_dRate) + ',' +
                   (c.m_bPeak ? number(c.m_dPeakStress) + ',' + number(c.m_dPeakStrain) : std::string(",")) + ',' +
                   (c.m_bSteady ? number(c.m_dSteadyStress) : std::string());
        for (double dStress : c.m_aStressAt)
            strText += ',' + number(dStress);
        strText += '\n';
    }
    return strText;
}
