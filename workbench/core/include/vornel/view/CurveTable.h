#pragma once
// The rows of the curve table ("Select file list"): what the user reads of each curve, and
// after a fit how far the law lies from it (FitReport.h).

#include "vornel/fit/FitReport.h"

#include <string>
#include <vector>

class CMaterial;

struct CCurveRow {
    int m_nCurve = 0;        // 1-based
    std::string m_strName;   // the data file's name, or the curve's label when it came from a material file
    std::string m_strPath;   // the data file's path, or the label
    std::string m_strPrep;   // how the curve was read and prepared (CCurve::m_strPrep)
    double m_dTemp = 0;      // t, deg C
    double m_dRate = 0;      // H, 1/s
    int m_nPoints = 0;
    bool m_bPrepared = false; // the material's curves are prepared (resampled by the engine)
    bool m_bFitted = false;   // the material holds a fitted law; m_stats are then set
    CDeviationStats m_stats;  // the curve's deviations from the law (FitReport.h)
};

// One row per used curve, in curve order.
std::vector<CCurveRow> CurveRows(const CMaterial& material);
