// Import of experiment data files as curves.

#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "vornel/document/InputRanges.h"
#include "vornel/session/Stage.h"
#include "TestSupport.h"
#include "formats/FileError.h"

using vornel_test::ScratchTest;
using vornel_test::Utf16;
using vornel_test::WriteText;

namespace {

const std::string kHeader = "Test record\nn strain stress\n- - MPa\n";

std::vector<CCurvePoint> Parse(const std::string& strText) {
    return ParseExperimentData(strText.data(), strText.data() + strText.size());
}

} // namespace

TEST(ParseExperimentData, AcceptanceRulesAtTheirBoundaries) {
    CImportSummary summary;
    const std::string strText = kHeader +
                                "1 0.0 0.0005\n"     // stress below 0.001: dropped
                                "2 0.0 0.001\n"      // exactly 0.001 after widening: taken
                                "3 -0.01 120\n"      // negative strain: dropped
                                "4 0.0 120\n"        // zero strain: taken
                                "5 nan 50\n"         // not a strain: dropped
                                "6 0.2 -3\n"         // negative stress: dropped
                                "7 0.1 0.0009999\n"  // the float just below 0.001: dropped
                                "8 inf 50\n"         // infinite strain: dropped
                                "9 0.3 inf\n";       // infinite stress: dropped
    const auto aPoints = ParseExperimentData(strText.data(), strText.data() + strText.size(), &summary);
    ASSERT_EQ(aPoints.size(), 2u);
    EXPECT_EQ(aPoints[0].m_dStress, static_cast<double>(0.001f));
    EXPECT_EQ(aPoints[1].m_dStrain, 0.0);
    EXPECT_EQ(aPoints[1].m_dStress, 120.0);
    EXPECT_EQ(summary.m_nTaken, 2);
    EXPECT_EQ(summary.m_nBadStrain, 3);
    EXPECT_EQ(summary.m_nLowStress, 4);
    EXPECT_FALSE(summary.StoppedEarly());
    EXPECT_EQ(summary.StopDescription(), "");
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
    // An empty file read into a buffer that never held anything: no bytes, no storage.
    CImportSummary summary;
    EXPECT_TRUE(ParseExperimentData(nullptr, nullptr, &summary).empty());
    EXPECT_FALSE(summary.StoppedEarly());
}

struct SStop {
    const char* m_szName;
    std::string m_strData; // after the header
    int m_nTaken;
    int m_nStopLine; // 0: read to the end
    std::string m_strStopText;
};

void PrintTo(const SStop& p, std::ostream* os) { *os << p.m_szName; }

class ReadingStops : public ::testing::TestWithParam<SStop> {};

// Reading stops at the first row without three numbers and names the line that stopped it
// (the row's first line when the end of the file cut it short).
TEST_P(ReadingStops, AtTheFirstRowWithoutThreeNumbers) {
    const SStop& c = GetParam();
    const std::string strText = kHeader + c.m_strData;
    CImportSummary summary;
    EXPECT_EQ(ParseExperimentData(strText.data(), strText.data() + strText.size(), &summary).size(),
              static_cast<std::size_t>(c.m_nTaken));
    EXPECT_EQ(summary.m_nTaken, c.m_nTaken);
    EXPECT_EQ(summary.m_nStopLine, c.m_nStopLine);
    EXPECT_EQ(summary.m_strStopText, c.m_strStopText);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadingStops,
    ::testing::Values(SStop{"Letter", "1 0.1 10\n2 0.2 x\n3 0.3 30\n", 1, 5, "2 0.2 x"},
                      SStop{"Word", "1 0.1 10\nend of test\r\n3 0.3 30\n", 1, 5, "end of test"},
                      SStop{"CutShort", "1 0.1 10\n2 0.2\n\n", 1, 5, "2 0.2"},
                      SStop{"DecimalComma", "1 0,000000 4,617122\n2 0,001000 38,2\n", 0, 4, "1 0,000000 4,617122"},
                      SStop{"TextAfterHeader", "strain stress\n1 0.1 10\n", 0, 4, "strain stress"},
                      SStop{"ControlBytes", "1 0.1 10\n\x01\tdata\n", 1, 5, "? data"},
                      SStop{"LongLine", "1 0.1 10\n" + std::string(100, 'x') + "\n", 1, 5,
                            std::string(57, 'x') + "..."},
                      SStop{"ToTheEnd", "1 0.1 10\n2 0.2 20\n  \n", 2, 0, ""},
                      SStop{"HeaderOnly", "", 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.m_szName); });

TEST(ParseExperimentData, NumberFormsOfTheCLibrary) {
    const auto aPoints = Parse(kHeader + "+1 +1e-1 1.5E2\n-2 .25 3.\n3 1e50 7\n4 0.3 1e-50\n");
    // The third row's strain lies beyond single precision and reads as infinite, the last
    // row's stress underflows to 0: both rows are dropped.
    ASSERT_EQ(aPoints.size(), 2u);
    EXPECT_EQ(aPoints[0].m_dStrain, static_cast<double>(0.1f));
    EXPECT_EQ(aPoints[0].m_dStress, 150.0);
    EXPECT_EQ(aPoints[1].m_dStrain, 0.25);
    EXPECT_EQ(aPoints[1].m_dStress, 3.0);
}

// Tests that work in a fresh scratch folder.
class ImportFromFile : public ScratchTest {};

TEST_F(ImportFromFile, AddFileAppendsACurveWithItsConditions) {
    WriteText("a.asc", kHeader + "1 0.0 50\n2 0.1 80\n3 0.2 95\n");
    WriteText("b.asc", kHeader + "1 0.05 60\n");
    CMaterial material;
    AddCurveFromFile(material, "a.asc", 1000.0, 0.1);
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
    // The same rows saved as UTF-16 ("Unicode") read the same.
    WriteText("c.asc", Utf16(u"t=1000\nn strain stress\n- - MPa\n1 0.0 50\n2 0.1 80\n3 0.2 95\n", true, true));
    AddCurveFromFile(material, "c.asc", 1000.0, 0.1);
    ASSERT_EQ(material.m_nCurves, 3);
    EXPECT_EQ(material.Curve(2).m_pPoints, first.m_pPoints);
}

struct SNoPoint {
    const char* m_szName;
    std::string m_strText;
    const char* m_szReason;
};

void PrintTo(const SNoPoint& p, std::ostream* os) { *os << p.m_szName; }

class FilesWithoutPoints : public ScratchTest, public ::testing::WithParamInterface<SNoPoint> {};

// A file that yields no point is refused with the reason; the material stays as it was.
TEST_P(FilesWithoutPoints, AreRefusedAndAddNothing) {
    WriteText("a.asc", kHeader + "1 0.0 50\n2 0.1 80\n");
    WriteText("bad.asc", GetParam().m_strText);
    CMaterial material;
    AddCurveFromFile(material, "a.asc", 1000.0, 0.1);
    g_nStage = 3;
    try {
        AddCurveFromFile(material, "bad.asc", 1100.0, 1.0);
        FAIL() << "the file was added";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "bad.asc");
        EXPECT_NE(e.Reason().find(GetParam().m_szReason), std::string::npos) << e.Reason();
    }
    EXPECT_EQ(material.m_nCurves, 1);
    EXPECT_EQ(material.m_nPoints, 2);
    EXPECT_TRUE(material.Curve(1).m_pPoints.empty());
    EXPECT_EQ(g_nStage, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FilesWithoutPoints,
    ::testing::Values(SNoPoint{"HeaderOnly", kHeader, "no row of three numbers"},
                      SNoPoint{"Empty", "", "no row of three numbers"},
                      SNoPoint{"DecimalComma", kHeader + "1 0,000000 4,617122\n",
                               "no row of three numbers (row number, strain, stress) after the three header lines; "
                               "reading stopped at line 4: \"1 0,000000 4,617122\""},
                      SNoPoint{"EveryRowSkipped", kHeader + "1 -0.1 10\n2 0.1 0\n3 0.2 0.0001\n",
                               "every row was skipped (1 with a strain below 0, 2 with a stress below 0.001)"}),
    [](const auto& info) { return std::string(info.param.m_szName); });

TEST_F(ImportFromFile, AddFileReturnsWhatItRead) {
    WriteText("c.asc", kHeader + "1 0.0 0.0001\n2 0.1 80\n3 -1 80\n4 0.2 90\n-- end --\n5 0.3 95\n");
    CMaterial material;
    const CImportSummary summary = AddCurveFromFile(material, "c.asc", 1000.0, 0.1);
    EXPECT_EQ(summary.m_nTaken, 2);
    EXPECT_EQ(summary.m_nBadStrain, 1);
    EXPECT_EQ(summary.m_nLowStress, 1);
    EXPECT_EQ(summary.StopDescription(), "reading stopped at line 8: \"-- end --\"");
    EXPECT_EQ(material.Curve(0).PointCount(), 2);
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
    for (int i = 0; i < kMaxExchangeCurves; ++i)
        AddCurveFromFile(material, "c.asc", 1000, 1);
    EXPECT_EQ(material.m_nCurves, 200);
    try {
        AddCurveFromFile(material, "c.asc", 1000, 1);
        FAIL();
    } catch (const CInputError& e) {
        EXPECT_NE(std::string(e.what()).find("maximum of 200 curves"), std::string::npos);
    }
    EXPECT_EQ(material.m_nCurves, 200);
    EXPECT_EQ(material.m_nPoints, 200);
}
