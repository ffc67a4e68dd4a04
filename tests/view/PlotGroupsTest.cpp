// How the plot views group a material's curves.

#include "vornel/view/PlotGroups.h"
#include "vornel/document/Material.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

// A campaign of 13 temperatures x 7 strain rates, added in shuffled order: 13 panels of 7
// curves, each by ascending rate, and 7 rate colours.
TEST(PlotGroups, NinetyOneCurvesMakeThirteenPanelsOfSeven) {
    CMaterial material;
    std::vector<std::pair<double, double>> aConditions;
    for (int t = 0; t < 13; ++t)
        for (int h = 0; h < 7; ++h)
            aConditions.emplace_back(250 + 25 * t, 0.001 * std::pow(10.0, 0.5 * h));
    std::shuffle(aConditions.begin(), aConditions.end(), std::mt19937(5));
    for (std::size_t i = 0; i < aConditions.size(); ++i) {
        material.Curve(static_cast<int>(i)).m_dTemp = aConditions[i].first;
        // The rate as a file gives it back: within rounding of the typed one.
        material.Curve(static_cast<int>(i)).m_dRate = aConditions[i].second * (1 + 1e-15 * (i % 3));
        material.Curve(static_cast<int>(i)).m_pPoints.resize(1); // measured: a curve with points
    }
    material.m_nCurves = 91;
    material.Curve(90).m_dTemp = std::nan(""); // in no panel
    const std::vector<CTemperatureGroup> aGroups = GroupByTemperature(material);
    ASSERT_EQ(aGroups.size(), 13u);
    EXPECT_EQ(MeasuredConditions(material).m_aRates.size(), 7u);
    int nCurves = 0;
    for (std::size_t k = 0; k < aGroups.size(); ++k) {
        EXPECT_EQ(aGroups[k].m_dTemp, 250 + 25.0 * static_cast<double>(k));
        for (std::size_t j = 1; j < aGroups[k].m_aCurves.size(); ++j)
            EXPECT_LT(material.Curve(aGroups[k].m_aCurves[j - 1]).m_dRate, material.Curve(aGroups[k].m_aCurves[j]).m_dRate);
        nCurves += static_cast<int>(aGroups[k].m_aCurves.size());
    }
    EXPECT_EQ(nCurves, 90);
    EXPECT_EQ(ConditionIndex(MeasuredConditions(material).m_aRates, 0.001 * std::pow(10.0, 1.5)), 3);
    for (EPlotView eView : {EPlotView::Single, EPlotView::Temperatures, EPlotView::Deviations}) {
        EPlotView eFound = EPlotView::Single;
        EXPECT_TRUE(FindPlotView(PlotViewName(eView), eFound));
        EXPECT_EQ(eFound, eView);
    }
    EPlotView eNone = EPlotView::Deviations;
    EXPECT_FALSE(FindPlotView("Temperatures", eNone));
}
