#include "vornel/view/PlotGroups.h"

#include "vornel/document/Material.h"

#include <algorithm>
#include <cmath>

namespace {

bool SameValue(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b)); }

template <class Value>
std::vector<double> Distinct(const CMaterial& material, Value value) {
    std::vector<double> aValues;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (std::isfinite(value(material.Curve(i)))) // a material file may hold anything
            aValues.push_back(value(material.Curve(i)));
    std::sort(aValues.begin(), aValues.end());
    aValues.erase(std::unique(aValues.begin(), aValues.end(), SameValue), aValues.end());
    return aValues;
}

} // namespace

const char* PlotViewName(EPlotView eView) {
    switch (eView) {
    case EPlotView::Temperatures:
        return "temperatures";
    case EPlotView::Deviations:
        return "deviations";
    case EPlotView::Single:
        break;
    }
    return "single";
}

bool FindPlotView(const std::string& strName, EPlotView& eView) {
    for (EPlotView e : {EPlotView::Single, EPlotView::Temperatures, EPlotView::Deviations})
        if (strName == PlotViewName(e)) {
            eView = e;
            return true;
        }
    return false;
}

std::vector<double> CurveTemperatures(const CMaterial& material) {
    return Distinct(material, [](const CCurve& curve) { return curve.m_dTemp; });
}

std::vector<double> CurveRates(const CMaterial& material) {
    return Distinct(material, [](const CCurve& curve) { return curve.m_dRate; });
}

int DistinctIndex(const std::vector<double>& aDistinct, double dValue) {
    for (std::size_t k = 0; k < aDistinct.size(); ++k)
        if (SameValue(aDistinct[k], dValue))
            return static_cast<int>(k);
    return -1;
}

std::vector<CTemperatureGroup> GroupByTemperature(const CMaterial& material) {
    const std::vector<double> aTemps = CurveTemperatures(material);
    const std::vector<double> aRates = CurveRates(material);
    std::vector<CTemperatureGroup> aGroups(aTemps.size());
    for (std::size_t k = 0; k < aTemps.size(); ++k)
        aGroups[k].m_dTemp = aTemps[k];
    for (int i = 0; i < material.m_nCurves; ++i)
        if (const int k = DistinctIndex(aTemps, material.Curve(i).m_dTemp); k >= 0)
            aGroups[static_cast<std::size_t>(k)].m_aCurves.push_back(i);
    for (CTemperatureGroup& group : aGroups)
        std::stable_sort(group.m_aCurves.begin(), group.m_aCurves.end(), [&](int a, int b) {
            return DistinctIndex(aRates, material.Curve(a).m_dRate) < DistinctIndex(aRates, material.Curve(b).m_dRate);
        });
    return aGroups;
}
