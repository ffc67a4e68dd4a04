#include "vornel/view/CurveTable.h"

#include "vornel/document/Material.h"

#include <filesystem>

std::vector<CCurveRow> CurveRows(const CMaterial& material) {
    const CFitReport report = MakeFitReport(material);
    std::vector<CCurveRow> aRows;
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CCurve& curve = material.Curve(i);
        CCurveRow row;
        row.m_nCurve = i + 1;
        row.m_strPath = curve.m_strFile.empty() ? curve.m_strLabel : curve.m_strFile;
        row.m_strName =
            curve.m_strFile.empty() ? curve.m_strLabel : std::filesystem::path(curve.m_strFile).filename().string();
        row.m_strPrep = curve.m_strPrep;
        row.m_dTemp = curve.m_dTemp;
        row.m_dRate = curve.m_dRate;
        row.m_nPoints = curve.PointCount();
        row.m_bPrepared = material.m_nPrepared != 0;
        row.m_bFitted = report.m_bFitted;
        if (report.m_bFitted)
            row.m_stats = report.m_aCurves[static_cast<std::size_t>(i)].m_stats;
        aRows.push_back(std::move(row));
    }
    return aRows;
}
