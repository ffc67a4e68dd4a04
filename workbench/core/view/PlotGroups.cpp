#include "vornel/view/PlotGroups.h"

#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"

#include <algorithm>

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

std::vector<CTemperatureGroup> GroupByTemperature(const CMaterial& material) {
    const CMeasuredConditions measured = MeasuredConditions(material);
    const std::vector<double>& aTemps = measured.m_aTemps;
    const std::vector<double>& aRates = measured.m_aRates;
    std::vector<CTemperatureGroup> aGroups(aTemps.size());
    for (std::size_t k = 0; k < aTemps.size(); ++k)
        aGroups[k].m_dTemp = aTemps[k];
    for (int i = 0; i < material.m_nCurves; ++i)
        if (const int k = ConditionIndex(aTemps, material.Curve(i).m_dTemp); k >= 0)
            aGroups[static_cast<std::size_t>(k)].m_aCurves.push_back(i);
    for (CTemperatureGroup& group : aGroups)
        std::stable_sort(group.m_aCurves.begin(), group.m_aCurves.end(), [&](int a, int b) {
            return ConditionIndex(aRates, material.Curve(a).m_dRate) < ConditionIndex(aRates, material.Curve(b).m_dRate);
        });
    return aGroups;
}
