// Import of experiment data files as curves.

#include "vornel/Import.h"
#include "vornel/Material.h"
#include "vornel/Stage.h"
#include "TestSupport.h"
#include "formats/FileError.h"

using vornel_test::ScratchTest;
using vornel_test::WriteText;

namespace {

const std::string kHeader = "Test record\nn strain stress\n- - MPa\n";

std::vector<CCurvePoint> Parse(const std::string& strText) {
    return ParseExperimentData(strText.data(), strText.data() + strText.size());
}

} // namespace

TEST(ParseExperimentData, AcceptanceRulesAtTheirBoundaries) {
    const auto aPoints = Parse(kHeader +
                               "1 0.0 0.0005\n"  // stress below 0.001: dropped
                               "2 0.0 0.001\n"   // exactly 0.001 after widening: taken
                               "3 -0.01 120\n"   // negative strain: dropped
                               "4 0.0 120\n"     // zero strain: taken
                               "5 nan 50\n"      // not a strain: dropped
                               "6 0.2 -3\n");    // negative stress: dropped
    ASSERT_EQ(aPoints.size(), 2u);
    EXPECT_EQ(aPoints[0].m_dStress, static_cast<double>(0.001f));
    EXPECT_EQ(aPoints[1].m_dStrain, 0.0);
    EXPECT_EQ(aPoints[1].m_dStress, 120.0);
}

TEST(ParseExperimentData, ValuesCarrySinglePrecision) {
    const auto aPoints = Parse(kHeader + "1 0.1 123.456789\n");
    ASSERT_EQ(aPoints.size(), 1u);
    EXPECT_EQ(aPoints[0].m_dStrain, 0.10000000149011612);
    EXPECT_EQ(aPoints[0].m_dStress, static_cast<double>(123.456789f));
    EXPECT_EQ(aPoints[0].m_dFitStress, 0.0);
    EXPECT_EQ(aPoints[0].m_dAux, 0.0);
    EXPECT_EQ(aPoints[0].m_dTime, 0.0);
}

TEST(ParseExperimentData, LineBreaksOnlySeparateNumbers) {
    const auto aWithBreak = Parse(kHeader + "1 0.1 10\n2 0.2 20\n");
    const auto aWithout = Parse(kHeader + "1 0.1 10\n2 0.2 20");
    const auto aSpread = Parse(kHeader + "1\n0.1\n10 2\t0.2\r\n20\r\n\r\n");
    ASSERT_EQ(aWithBreak.size(), 2u);
    ASSERT_EQ(aWithout.size(), 2u);
    ASSERT_EQ(aSpread.size(), 2u);
    EXPECT_EQ(aSpread[1].m_dStress, 20.0);
}

TEST(ParseExperimentData, HeaderLinesAreSkippedWholeWhateverTheirLength) {
    const std::string strLong(1000, '7'); // digits: read as data if split into pieces
    const auto aPoints = Parse(strLong + "\n" + strLong + "\n3 4 5\n1 0.5 100\n");
    ASSERT_EQ(aPoints.size(), 1u);
    EXPECT_EQ(aPoints[0].m_dStress, 100.0);
    EXPECT_TRUE(Parse("only one line\n").empty());
    EXPECT_TRUE(Parse("").empty());
}

TEST(ParseExperimentData, StopsAtTheFirstRowWithoutThreeNumbers) {
    EXPECT_EQ(Parse(kHeader + "1 0.1 10\n2 0.2 x\n3 0.3 30\n").size(), 1u);
    EXPECT_EQ(Parse(kHeader + "1 0.1 10\nend\n3 0.3 30\n").size(), 1u);
    EXPECT_EQ(Parse(kHeader + "1 0.1 10\n2 0.2\n").size(), 1u);
}

TEST(ParseExperimentData, NumberFormsOfTheCLibrary) {
    const auto aPoints = Parse(kHeader + "+1 +1e-1 1.5E2\n-2 .25 3.\n3 1e50 7\n4 0.3 1e-50\n");
    ASSERT_EQ(aPoints.size(), 3u);
    EXPECT_EQ(aPoints[0].m_dStrain, static_cast<double>(0.1f));
    EXPECT_EQ(aPoints[0].m_dStress, 150.0);
    EXPECT_EQ(aPoints[1].m_dStrain, 0.25);
    EXPECT_EQ(aPoints[1].m_dStress, 3.0);
    EXPECT_TRUE(std::isinf(aPoints[2].m_dStrain)); // beyond single precision, as the C library reads it
    // the last row's stress underflows to 0 and is dropped
}

// Tests that work in a fresh scratch folder.
class ImportFromFile : public ScratchTest {};

TEST_F(ImportFromFile, AddFileAppendsACurveWithItsConditions) {
    WriteText("a.asc", kHeader + "1 0.0 50\n2 0.1 80\n3 0.2 95\n");
    WriteText("b.asc", kHeader + "1 0.05 60\n");
    CMaterial material;
    g_nStage = 3;
    AddCurveFromFile(material, "a.asc", 1000.0, 0.1);
    EXPECT_EQ(g_nStage, 2);
    AddCurveFromFile(material, "b.asc", 1100.0, 10.0);
    ASSERT_EQ(material.m_nCurves, 2);
    EXPECT_EQ(material.m_nPoints, 4);
    EXPECT_EQ(material.CountPoints(), 4);
    const CCurve& first = material.Curve(0);
    EXPECT_EQ(first.m_strLabel, "a.asc");
    EXPECT_EQ(first.m_dTemp, 1000.0);
    EXPECT_EQ(first.m_dRate, 0.1);
    for (const CCurvePoint& p : first.m_pPoints) {
        EXPECT_EQ(p.m_dTemp, 1000.0);
        EXPECT_EQ(p.m_dRate, 0.1);
    }
    EXPECT_EQ(material.Curve(1).m_pPoints[0].m_dRate, 10.0);
}

TEST_F(ImportFromFile, HeaderOnlyFileAddsAnEmptyCurve) {
    WriteText("empty.asc", kHeader);
    CMaterial material;
    g_nStage = 1;
    AddCurveFromFile(material, "empty.asc", 0, 0);
    EXPECT_EQ(material.m_nCurves, 1);
    EXPECT_EQ(material.Curve(0).PointCount(), 0);
    EXPECT_EQ(g_nStage, 2);
}

TEST_F(ImportFromFile, UnreadableFileAddsNothing) {
    CMaterial material;
    g_nStage = 1;
    try {
        AddCurveFromFile(material, "absent.asc", 1000, 1);
        FAIL();
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "absent.asc");
    }
    EXPECT_EQ(material.m_nCurves, 0);
    EXPECT_EQ(material.m_nPoints, 0);
    EXPECT_EQ(g_nStage, 1);
}

TEST_F(ImportFromFile, TheTwoHundredAndFirstCurveIsRefused) {
    WriteText("c.asc", kHeader + "1 0.1 10\n");
    CMaterial material;
    for (int i = 0; i < CMaterial::kMaxCurves; ++i)
        AddCurveFromFile(material, "c.asc", 1000, 1);
    EXPECT_EQ(material.m_nCurves, 200);
    try {
        AddCurveFromFile(material, "c.asc", 1000, 1);
        FAIL();
    } catch (const CFileError& e) {
        EXPECT_NE(e.Reason().find("maximum of 200 curves"), std::string::npos);
    }
    EXPECT_EQ(material.m_nCurves, 200);
    EXPECT_EQ(material.m_nPoints, 200);
}
