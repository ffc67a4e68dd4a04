#pragma once
// How the plot views group a material's curves: by temperature into panels, by strain rate
// and by temperature into colours. No Qt: the views (workbench/ui/PlotViews.h) draw what
// these decide.
//
// Views: Single is the plot of every curve in the slot colours ("All grafics", the
// default); Temperatures one panel per measured temperature, the curves coloured by strain
// rate; Deviations the fitted minus the measured stress over strain, coloured by
// temperature.

#include "vornel/document/MeasuredConditions.h"

#include <string>
#include <vector>

class CMaterial;

enum class EPlotView { Single, Temperatures, Deviations };

// The view's name as --plot-view takes it: "single", "temperatures", "deviations".
const char* PlotViewName(EPlotView eView);
// The view named strName; false for any other name.
bool FindPlotView(const std::string& strName, EPlotView& eView);

// One panel of the Temperatures view: a temperature and its curves (zero-based), by
// ascending strain rate, curves of one rate in curve order.
struct CTemperatureGroup {
    double m_dTemp = 0;
    std::vector<int> m_aCurves;
};
// The panels, by ascending measured temperature (document/MeasuredConditions.h); a curve
// whose temperature is not one of them (not finite, no points) is in none.
std::vector<CTemperatureGroup> GroupByTemperature(const CMaterial& material);
