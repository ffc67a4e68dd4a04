// The rows of the curve table.

#include "vornel/view/CurveTable.h"
#include "RecordFiles.h"
#include "SessionSupport.h"

using namespace vornel_test;

namespace {

class CurveTable : public SessionTest {};

} // namespace

TEST_F(CurveTable, RowsNameTheFileAndCarryTheReport) {
    WriteRecord("r.asc", HenselSpittelLaw, 900, 1, 40);
    NewMaterial("M");
    AddCurve("r.asc", 900, 1);
    CMaterial& material = *g_pMaterial;
    material.Curve(1).m_strLabel = RateTempLabel(2, 950); // as read from a material file
    material.Curve(1).m_dTemp = 950;
    material.Curve(1).m_dRate = 2;
    material.Curve(1).m_pPoints = material.Curve(0).m_pPoints;
    material.m_nCurves = 2;
    std::vector<CCurveRow> aRows = CurveRows(material);
    ASSERT_EQ(aRows.size(), 2u);
    EXPECT_EQ(aRows[0].m_strName, "r.asc");
    EXPECT_EQ(aRows[1].m_strName, RateTempLabel(2, 950));
    EXPECT_EQ(aRows[1].m_nCurve, 2);
    EXPECT_EQ(aRows[0].m_nPoints, material.Curve(0).PointCount());
    EXPECT_FALSE(aRows[0].m_bFitted);
    // A constant law (model 1 with A2 = 0) of stress 100: the report's deviations.
    material.m_nFunction = 1;
    material.m_nCoef = 2;
    material.m_dCoef[0] = 100;
    aRows = CurveRows(material);
    const CFitReport report = MakeFitReport(material);
    ASSERT_TRUE(aRows[1].m_bFitted);
    EXPECT_EQ(aRows[1].m_stats.m_dRms, report.m_aCurves[1].m_stats.m_dRms);
    EXPECT_EQ(aRows[1].m_stats.m_dMaxAbs, report.m_aCurves[1].m_stats.m_dMaxAbs);
}
