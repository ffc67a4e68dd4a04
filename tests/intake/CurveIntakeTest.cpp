// Adding a test campaign in one step: where a file's conditions come from and the rows the
// multi-file dialog checks.

#include "vornel/intake/CurveIntake.h"
#include "TestSupport.h"
#include "vornel/session/Operations.h"
#include "MeasuredSets.h"
#include "RecordFiles.h"
#include "SessionSupport.h"
#include "formats/FileError.h"

#include <algorithm>
#include <filesystem>

using namespace vornel_test;
namespace fs = std::filesystem;

namespace {

class CurveIntake : public SessionTest {};

std::string Abs(const std::string& strFile) { return fs::absolute(strFile).string(); }

} // namespace

struct SNameCase {
    const char* m_szName;
    bool m_bFound;
    const char* m_szTemp;
    const char* m_szRate;
};

class ConditionsFromNames : public ::testing::TestWithParam<SNameCase> {};

TEST_P(ConditionsFromNames, EndInTemperatureAndRate) {
    std::string strTemp = "unchanged", strRate = "unchanged";
    const SNameCase& c = GetParam();
    EXPECT_EQ(ConditionsFromFileName(std::string("/data/") + c.m_szName, strTemp, strRate), c.m_bFound);
    EXPECT_EQ(strTemp, c.m_bFound ? c.m_szTemp : "unchanged");
    EXPECT_EQ(strRate, c.m_bFound ? c.m_szRate : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ConditionsFromNames,
    ::testing::Values(SNameCase{"steel_1050_0.001.asc", true, "1050", "0.001"},
                      SNameCase{"steel_1250_5.asc", true, "1250", "5"},
                      SNameCase{"cold_-20_0.5.asc", true, "-20", "0.5"},
                      SNameCase{"steel_1050_0.001", true, "1050", "0.001"}, // no extension: ".001" is the rate's
                      SNameCase{"run 3_900.5_10.txt", true, "900.5", "10"},
                      SNameCase{"BST_800_01a.asc", false, "", ""},          // a repeat letter, not a number
                      SNameCase{"BST_800_1a_00.asc", false, "", ""},
                      SNameCase{"steel_1050_-1.asc", false, "", ""},        // no sign on a rate
                      SNameCase{"steel_10.5.0_1.asc", false, "", ""},
                      SNameCase{"steel_1050.asc", false, "", ""},
                      SNameCase{"1050_0.1.asc", false, "", ""}));

TEST(ConditionsFromHeaders, TakeTheNumbersAfterTAndH) {
    const struct {
        const char* m_szLine;
        const char* m_szTemp;
        const char* m_szRate;
    } aCases[] = {
        {"Hot compression, material bst, t=1000 C H=0.1 1/s", "1000", "0.1"},
        {"Test record t=900 H=1e-05", "900", "1e-05"},
        {"t = -20.5; H= 3", "-20.5", "3"},
        {"Test=5 width=3 tH=2", "", ""}, // "t" and "H" inside words
        {"T=900 h=1", "900", ""},
        {"H=10 only", "", "10"},
        {"S07_DIL_average.asc    T=350\xc2\xb0""C    phi\xc2\xb0=0.001    Yield=0.23", "350", "0.001"},
        {"Temp = 623.15 K, rate=0.1", "350", "0.1"},
        {"TEMP=1000 PHIP=10", "1000", "10"},
    };
    for (const auto& c : aCases) {
        std::string strTemp, strRate;
        ConditionsFromHeader(c.m_szLine, strTemp, strRate);
        EXPECT_EQ(strTemp, c.m_szTemp) << c.m_szLine;
        EXPECT_EQ(strRate, c.m_szRate) << c.m_szLine;
    }
}

TEST_F(CurveIntake, ListFilesReadAsTheBatchModeReadsThem) {
    fs::create_directory("d");
    WriteText("d/list.txt", "# campaign\n\nrec one.asc  900\t0.1\r\n  b.asc 1e3 +1  \n# b.asc 5 5\n");
    const std::vector<CCurveListEntry> aEntries = ReadCurveList("d/list.txt");
    ASSERT_EQ(aEntries.size(), 2u);
    EXPECT_EQ(aEntries[0].m_strFile, (fs::path("d") / "rec one.asc").string());
    EXPECT_EQ(aEntries[0].m_strTemp, "900");
    EXPECT_EQ(aEntries[0].m_strRate, "0.1");
    EXPECT_EQ(aEntries[0].m_nLine, 3);
    EXPECT_EQ(aEntries[1].m_strRate, "+1");
    // An editor's UTF-8 byte-order mark before the first name changes nothing.
    WriteText("d/marked.txt", "\xEF\xBB\xBFrec one.asc 900 0.1\n");
    EXPECT_EQ(ReadCurveList("d/marked.txt").front().m_strFile, aEntries[0].m_strFile);
    WriteText("short.txt", "a.asc 900\n");
    try {
        ReadCurveList("short.txt");
        FAIL();
    } catch (const CInputError& e) {
        EXPECT_STREQ(e.what(), "short.txt:1: expected \"FILE T H\"");
    }
    EXPECT_THROW(ReadCurveList("absent.txt"), CFileError);
}

// The list in the folder beats the name, the name beats the header; listed files come first
// in the list's order; a file that yields no point is shown with the import's reason.
TEST_F(CurveIntake, RowsTakeTheFirstSourceThatHasTheConditions) {
    WriteRecord("a_900_1.asc", HenselSpittelLaw, 900, 1, 30);   // header says t=900 H=1
    WriteRecord("b_1000_10.asc", HenselSpittelLaw, 1000, 10, 30);
    WriteRecord("c.asc", HenselSpittelLaw, 1100, 0.1, 30);
    WriteRecord("plain.asc", HenselSpittelLaw, 1200, 5, 30);
    WriteText("notes.txt", "These records were measured in May.\n");
    WriteText("empty.asc", "h\nh\nh\n");
    WriteText("z-list.txt", "c.asc 1150 0.5\nb_1000_10.asc 1005 11\n");
    WriteText("plain.asc", "raw record\nn strain stress\n- - MPa\n1 0.1 100\n2 0.2 120\n");

    const std::vector<CIntakeRow> aRows =
        RowsForFiles({Abs("plain.asc"), "a_900_1.asc", Abs("c.asc"), "b_1000_10.asc", "empty.asc"});
    ASSERT_EQ(aRows.size(), 5u);
    const struct {
        const char* m_szFile;
        EConditionSource m_eSource;
        const char* m_szTemp;
        const char* m_szRate;
        int m_nPoints;
    } aExpected[] = {
        {"c.asc", EConditionSource::List, "1150", "0.5", 10 + 30 + 15}, // dwell, rise, tail
        {"b_1000_10.asc", EConditionSource::List, "1005", "11", 55},
        {"plain.asc", EConditionSource::None, "", "", 2},
        {"a_900_1.asc", EConditionSource::FileName, "900", "1", 55},
        {"empty.asc", EConditionSource::None, "", "", 0},
    };
    for (std::size_t i = 0; i < aRows.size(); ++i) {
        SCOPED_TRACE(aExpected[i].m_szFile);
        EXPECT_EQ(fs::path(aRows[i].m_strFile).filename(), aExpected[i].m_szFile);
        EXPECT_EQ(aRows[i].m_eSource, aExpected[i].m_eSource);
        EXPECT_EQ(aRows[i].m_strTemp, aExpected[i].m_szTemp);
        EXPECT_EQ(aRows[i].m_strRate, aExpected[i].m_szRate);
        EXPECT_EQ(aRows[i].m_nPoints, aExpected[i].m_nPoints);
        EXPECT_EQ(aRows[i].Ok(), aExpected[i].m_nPoints > 0);
        EXPECT_TRUE(aRows[i].m_bInclude);
    }
    EXPECT_EQ(SourceText(aRows[0]), "z-list.txt");
    EXPECT_EQ(SourceText(aRows[3]), "file name");
    EXPECT_EQ(aRows[4].m_strMessage.rfind("no data: no row of three numbers", 0), 0u) << aRows[4].m_strMessage;
    // Without the list, the header of the first line speaks for c.asc.
    fs::remove("z-list.txt");
    const std::vector<CIntakeRow> aAgain = RowsForFiles({"c.asc"});
    EXPECT_EQ(aAgain[0].m_eSource, EConditionSource::Header);
    EXPECT_EQ(SourceText(aAgain[0]), "header");
    EXPECT_EQ(aAgain[0].m_strTemp, "1100");
    EXPECT_EQ(aAgain[0].m_strRate, "0.1");
}

// The 30 hot-compression files in the order a file dialog lists them give the curves
// --curves conditions.txt adds, in its order and with its numbers.
TEST_F(CurveIntake, MeasuredFilesFollowTheirConditionsList) {
    const std::string strSet = SharedDataSet("bst-compression");
    if (strSet.empty())
        SkipOrFailWithoutOracle("the measured hot-compression set is absent");
    std::vector<std::string> aFiles;
    for (const fs::directory_entry& entry : fs::directory_iterator(strSet))
        if (entry.path().extension() == ".asc")
            aFiles.push_back(entry.path().string());
    std::sort(aFiles.begin(), aFiles.end());
    ASSERT_EQ(aFiles.size(), 30u);
    const std::vector<CIntakeRow> aRows = RowsForFiles(aFiles);
    const std::vector<CCurveListEntry> aList = ReadCurveList(strSet + "/conditions.txt");
    ASSERT_EQ(aRows.size(), aList.size());
    for (std::size_t i = 0; i < aRows.size(); ++i) {
        EXPECT_EQ(fs::path(aRows[i].m_strFile).filename(), fs::path(aList[i].m_strFile).filename());
        EXPECT_EQ(aRows[i].m_strTemp, aList[i].m_strTemp);
        EXPECT_EQ(aRows[i].m_strRate, aList[i].m_strRate);
        EXPECT_TRUE(aRows[i].Ok());
    }
    EXPECT_TRUE(CheckIntakeRows(aRows, 0).empty());
}

TEST_F(CurveIntake, RowChecksNameEachBadRow) {
    CIntakeRow good;
    good.m_strFile = "a.asc";
    good.m_strTemp = "1000";
    good.m_strRate = "0.1";
    good.m_eStatus = ECheck::Ok;
    const auto row = [&](const char* szTemp, const char* szRate, bool bReadable = true, bool bInclude = true) {
        CIntakeRow r = good;
        r.m_strTemp = szTemp;
        r.m_strRate = szRate;
        r.m_eStatus = bReadable ? ECheck::Ok : ECheck::Refused;
        r.m_strMessage = bReadable ? "" : "cannot open: no such file";
        r.m_bInclude = bInclude;
        return r;
    };
    const std::vector<CIntakeRow> aRows = {row("1000", "0.1"),  row("3000", "1"),  row("", "1"),
                                           row("hot", "-2"),    row("900", "1", false),
                                           row("5000", "x", true, false), row(" 2600 ", "10000")};
    const std::vector<CIntakeProblem> aProblems = CheckIntakeRows(aRows, 0);
    const struct {
        int m_nRow;
        EIntakeCell m_eCell;
        const char* m_szMessage;
    } aExpected[] = {
        {1, EIntakeCell::Temp, "temperature 3000 is outside -200..2600 deg C"},
        {2, EIntakeCell::Temp, "temperature is missing"},
        {3, EIntakeCell::Temp, "temperature \"hot\" is not a number"},
        {4, EIntakeCell::File, "cannot open: no such file"},
    };
    ASSERT_EQ(aProblems.size(), std::size(aExpected));
    for (std::size_t k = 0; k < aProblems.size(); ++k) {
        EXPECT_EQ(aProblems[k].m_nRow, aExpected[k].m_nRow);
        EXPECT_EQ(aProblems[k].m_eCell, aExpected[k].m_eCell);
        EXPECT_EQ(aProblems[k].m_strMessage, aExpected[k].m_szMessage);
    }
    // Both cells that are no numbers are named.
    const std::vector<CIntakeProblem> aBoth = CheckIntakeRows({row("hot", "0,1")}, 0);
    ASSERT_EQ(aBoth.size(), 2u);
    EXPECT_EQ(aBoth[1].m_eCell, EIntakeCell::Rate);
    // The room of the material: 198 curves take two more rows, the third is named.
    const std::vector<CIntakeProblem> aFull = CheckIntakeRows({good, good, good, good}, 198);
    ASSERT_EQ(aFull.size(), 1u);
    EXPECT_EQ(aFull[0].m_nRow, 2);
    EXPECT_NE(aFull[0].m_strMessage.find("at most 200"), std::string::npos);
    // What OK adds: the included rows, their values as --curves reads them.
    const std::vector<CCurveSpec> aSpecs = SpecsOfRows(aRows);
    ASSERT_EQ(aSpecs.size(), 4u); // rows 0, 1, 4 and 6; the others hold no numbers or are left out
    EXPECT_EQ(aSpecs[3].m_dTemp, 2600.0);
    EXPECT_EQ(aSpecs[3].m_dRate, 10000.0);
}
