#pragma once
// How the plot views group a material's curves: by temperature into panels, by strain rate
// and by temperature into colours. No Qt: the views (workbench/ui/PlotViews.h) draw what
// these decide.
//
// Views: Single is the plot of every curve in the slot colours ("All grafics", the
// default); Temperatures one panel per measured temperature, the curves coloured by strain
// rate; Deviations the fitted minus the measured stress over strain, coloured by
// temperature.

#include <string>
#include <vector>

class CMaterial;

enum class EPlotView { Single, Temperatures, Deviations };

// The view's name as --plot-view takes it: "single", "temperatures", "deviations".
const char* PlotViewName(EPlotView eView);
// The view named strName; false for any other name.
bool FindPlotView(const std::string& strName, EPlotView& eView);

// The distinct temperatures (deg C) and strain rates (1/s) of the used curves, ascending,
// values that are not finite left out.
// Two values count as one when they differ by at most 1e-9 of the larger, so a rate typed
// as 0.1 and one read back from a file stay one condition.
std::vector<double> CurveTemperatures(const CMaterial& material);
std::vector<double> CurveRates(const CMaterial& material);

// The position of dValue among aDistinct (as above); -1 when it is none of them.
int DistinctIndex(const std::vector<double>& aDistinct, double dValue);

// One panel of the Temperatures view: a temperature and its curves (zero-based), by
// ascending strain rate, curves of one rate in curve order.
struct CTemperatureGroup {
    double m_dTemp = 0;
    std::vector<int> m_aCurves;
};
// The panels, by ascending temperature; a curve whose temperature is not finite is in none.
std::vector<CTemperatureGroup> GroupByTemperature(const CMaterial& material);
