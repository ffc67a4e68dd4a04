// The batch mode: options, outputs, files written and exit statuses, in process and through
// the vornel program itself.

#include "BatchMode.h"
#include "vornel/analysis/ProcessingMap.h"
#include "vornel/session/FolderLock.h"
#include "vornel/fit/FitReport.h"
#include "vornel/run/HoldOut.h"
#include "vornel/export/LawExport.h"
#include "vornel/document/Material.h"
#include "vornel/view/PlotGroups.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"
#include "MeasuredSets.h"
#include "RecordFiles.h"
#include "TestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#include <sys/wait.h>

using namespace vornel_test;

namespace {

struct SRun {
    int m_nStatus;
    std::string m_strOut;
    std::string m_strErr;
};

SRun Batch(const std::vector<std::string>& aArgs) {
    std::ostringstream out;
    std::ostringstream err;
    ::testing::internal::CaptureStdout();
    const int nStatus = RunBatch(aArgs, out, err);
    // The engine's and the kernels' lines go to the error stream, never to standard output.
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    return {nStatus, out.str(), err.str()};
}

// Writes twelve records (4 temperatures x 3 strain rates) of law and their list file into
// folder, one of them with a blank in its name; returns the list's path.
std::string WriteMaterial(const std::string& strFolder, const RecordLaw& law = HenselSpittelLaw) {
    std::filesystem::create_directories(strFolder);
    std::string strList = "# test material\n\n";
    for (double dTemp : {900.0, 1000.0, 1100.0, 1200.0})
        for (double dRate : {0.1, 1.0, 10.0}) {
            const std::string strFile = "rec " + std::to_string(static_cast<int>(dTemp)) + "_" + std::to_string(dRate) + ".asc";
            WriteRecord(strFolder + "/" + strFile, law, dTemp, dRate);
            strList += strFile + "  " + std::to_string(dTemp) + "\t" + std::to_string(dRate) + "\r\n";
        }
    WriteText(strFolder + "/curves.txt", strList);
    return strFolder + "/curves.txt";
}

} // namespace

TEST(BatchMode, HelpExplainsEveryOption) {
    const SRun run = Batch({"--help"});
    EXPECT_EQ(run.m_nStatus, 0);
    for (const char* szOption : {"--fit", "--name", "--curve ", "--curves", "--open", "best", "progr.f90", "visual.tmp",
                                 "--refine", "--report", "--validate", "--plot", "--surface-temperature",
                                 "--lock-wait", "--export ", "--export-id", "--export-strains", "--export-rates",
                                 "--export-temperatures", "LawCheck=", "--map ", "--map-csv", "--map-strains",
                                 "--map-source", "peak curve k:", "Q= v kJ/mol", "--export-rate ", "--units", "--elastic",
                                 "--density", "--heat-fraction", "--melt-temperature", "calculix", "openradioss"})
        EXPECT_NE(run.m_strOut.find(szOption), std::string::npos) << szOption;
}

// Tests that work in a fresh scratch folder.
class BatchRun : public ScratchTest {};

TEST_F(BatchRun, FitsAModelAndWritesTheFilesOfARun) {
    const std::string strList = WriteMaterial("data");
    const SRun run = Batch({"--fit", "9", "--name", "STAL_45", "--curves", strList});
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const std::vector<std::string> aLines = Lines(run.m_strOut);
    ASSERT_EQ(aLines.size(), 7u) << run.m_strOut;
    EXPECT_EQ(aLines[0], "Model: 9. (Henz-Spit) Ts=a1*E**a2*H**a3*exp(-a4*t)");
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(aLines[static_cast<std::size_t>(k)].rfind("A" + std::to_string(k) + " = ", 0), 0u) << aLines[static_cast<std::size_t>(k)];
    EXPECT_EQ(aLines[5].rfind("ErrorSr= ", 0), 0u);
    EXPECT_EQ(aLines[6].rfind("ErrorMax= ", 0), 0u);
    // 17 significant digits: the printed A2 reads back as the stored coefficient.
    const double dA2 = std::stod(aLines[2].substr(5));
    EXPECT_NEAR(dA2, 0.2, 0.06);
    for (const char* szFile : {"temp.mat", "progr.f90", "visual.tmp", "STAL_45.mat"})
        EXPECT_TRUE(std::filesystem::exists(szFile)) << szFile;
}

TEST_F(BatchRun, BestModelIsChosenAndReopenedMaterialsFitAgain) {
    const std::string strList = WriteMaterial("data");
    const SRun best = Batch({"--fit", "best", "--curves", strList});
    ASSERT_EQ(best.m_nStatus, 0) << best.m_strErr;
    EXPECT_EQ(best.m_strOut.rfind("Model: ", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists("material.mat"));

    // The saved material holds the prepared curves; fitting it again needs no data files.
    std::filesystem::remove_all("data");
    const SRun again = Batch({"--fit", "14", "--open", "material.mat"});
    ASSERT_EQ(again.m_nStatus, 0) << again.m_strErr;
    EXPECT_EQ(Lines(again.m_strOut)[0], "Model: 14. (Sendar). Ts=A1 * E**A2 *exp(a3*E) *H**A4 * exp(A5*t)");
    EXPECT_EQ(Lines(again.m_strOut).size(), 8u);
}

// --refine changes the law only when given; --report and --validate add their lines after
// the errors, with the values of the core's report and held-out validation.
TEST_F(BatchRun, RefineReportAndValidateAddToTheResult) {
    const std::string strList = WriteMaterial("data");
    const SRun plain = Batch({"--fit", "17", "--curves", strList});
    ASSERT_EQ(plain.m_nStatus, 0) << plain.m_strErr;
    const SRun reported = Batch({"--fit", "17", "--report", "--validate", "--curves", strList});
    ASSERT_EQ(reported.m_nStatus, 0) << reported.m_strErr;
    const std::vector<std::string> aPlain = Lines(plain.m_strOut);
    const std::vector<std::string> aReported = Lines(reported.m_strOut);
    ASSERT_EQ(aPlain.size(), 11u);
    // Per curve its peak and steady state, and the activation energy in two lines, before the
    // law check.
    ASSERT_EQ(aReported.size(), 11u + 3 + 12 + 12 * 2 + 2 + 1 + 1) << reported.m_strOut;
    EXPECT_EQ(aReported[52], "LawCheck= ok");
    // The law's curves harden to their end.
    EXPECT_EQ(aReported[26], "peak curve 1: no peak");
    EXPECT_EQ(aReported[27], "steady curve 1: none");
    EXPECT_EQ(aReported[50].rfind("beta/n1: Q= ", 0), 0u);
    EXPECT_EQ(aReported[51].rfind("Q= ", 0), 0u);
    EXPECT_NE(aReported[51].find(" kJ/mol n= "), std::string::npos);
    EXPECT_TRUE(std::equal(aPlain.begin(), aPlain.end(), aReported.begin()));

    const SRun refined = Batch({"--fit", "17", "--refine", "--report", "--validate", "--curves", strList});
    ASSERT_EQ(refined.m_nStatus, 0) << refined.m_strErr;
    EXPECT_NE(refined.m_strErr.find("vornel: Refined on the stresses of 348 measured points"), std::string::npos)
        << refined.m_strErr;
    const std::vector<std::string> aLines = Lines(refined.m_strOut);
    // The refined law has confidence intervals: "CI A<k>= low high" around each of its 8
    // coefficients after the curve lines, then the ill-determined pairs, then the law check.
    std::size_t nAt = 26;
    for (int k = 1; k <= 8; ++k, ++nAt) {
        ASSERT_LT(nAt, aLines.size());
        std::istringstream fields(aLines[nAt]);
        std::string strCi, strKey;
        double dLow = 0, dHigh = 0;
        ASSERT_TRUE(fields >> strCi >> strKey >> dLow >> dHigh) << aLines[nAt];
        EXPECT_EQ(strCi + " " + strKey, "CI A" + std::to_string(k) + "=");
        const double dCoef = g_pMaterial->m_dCoef[static_cast<std::size_t>(k - 1)];
        EXPECT_LT(dLow, dHigh) << aLines[nAt];
        EXPECT_NEAR((dLow + dHigh) / 2, dCoef, 1e-9 * (dHigh - dLow) + 1e-12 * std::fabs(dCoef)) << aLines[nAt];
    }
    ASSERT_LT(nAt, aLines.size());
    EXPECT_EQ(aLines[nAt].rfind("IllDetermined= ", 0), 0u) << aLines[nAt];
    while (nAt < aLines.size() && aLines[nAt].starts_with("IllDetermined= "))
        ++nAt;
    nAt += 12 * 2 + 2;
    ASSERT_LT(nAt, aLines.size());
    EXPECT_EQ(aLines[nAt], "LawCheck= ok");
    ASSERT_EQ(aLines.size(), nAt + 2) << refined.m_strOut;
    EXPECT_EQ(aLines[0], aPlain[0]);
    EXPECT_NE(aLines[1], aPlain[1]);
    const auto value = [](const std::string& strLine, const std::string& strKey) {
        const std::size_t nAt = strLine.find(strKey);
        return nAt == std::string::npos ? std::nan("") : std::stod(strLine.substr(nAt + strKey.size()));
    };
    EXPECT_LT(value(aLines[11], "RMS= "), value(aReported[11], "RMS= "));

    const CFitReport report = MakeFitReport(*g_pMaterial);
    EXPECT_EQ(value(aLines[11], "RMS= "), report.m_all.m_dRms);
    EXPECT_EQ(value(aLines[12], "MARE= "), report.m_all.m_dMare);
    EXPECT_EQ(value(aLines[13], "MaxAbs= "), report.m_all.m_dMaxAbs);
    EXPECT_EQ(aLines[14].rfind("curve 1 t= 900 H= 0.10000000000000001 RMS= ", 0), 0u) << aLines[14];
    for (std::size_t k = 0; k < 12; ++k) {
        const std::string& strLine = aLines[14 + k];
        const CCurveFit& curve = report.m_aCurves[k];
        EXPECT_EQ(value(strLine, " RMS= "), curve.m_stats.m_dRms) << strLine;
        EXPECT_EQ(value(strLine, " MaxAbs= "), curve.m_stats.m_dMaxAbs) << strLine;
        EXPECT_EQ(value(strLine, " at E= "), curve.m_stats.m_dStrainAtMax) << strLine;
    }
    const CHoldOutReport heldOut = ValidateByHoldOut(*g_pMaterial, CFitOptions{true});
    EXPECT_EQ(aLines.back().rfind("HeldOutRMS mean= ", 0), 0u) << aLines.back();
    EXPECT_EQ(value(aLines.back(), "mean= "), heldOut.m_dMeanRms);
    EXPECT_EQ(value(aLines.back(), "max= "), heldOut.m_dMaxRms);
    EXPECT_LT(heldOut.m_dMeanRms, value(aReported.back(), "mean= "));
}

// Models 19 and 21 print all their coefficients, and with --report the intervals of the 24
// of model 19's law they fit on the stresses (model 21 says its spline has none); the
// subroutine and the material file hold them all.
class LawsFittedByTheWorkbench : public BatchRun, public ::testing::WithParamInterface<int> {};

TEST_P(LawsFittedByTheWorkbench, ReportTheIntervalsOfTheirFittedCoefficients) {
    const int nModel = GetParam();
    const int K = FindModel(nModel)->m_nCoef;
    const std::string strList = WriteMaterial("data");
    const SRun run = Batch({"--fit", std::to_string(nModel), "--report", "--curves", strList});
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const std::vector<std::string> aLines = Lines(run.m_strOut);
    EXPECT_EQ(aLines[0], "Model: " + std::string(FindModel(nModel)->m_szLabel));
    EXPECT_EQ(aLines[static_cast<std::size_t>(K)].rfind("A" + std::to_string(K) + " = ", 0), 0u);
    const auto nIntervals = std::count_if(aLines.begin(), aLines.end(), [](const std::string& s) { return s.starts_with("CI A"); });
    EXPECT_EQ(nIntervals, 24);
    EXPECT_EQ(std::count_if(aLines.begin(), aLines.end(), [](const std::string& s) { return s.starts_with("CI A25="); }), 0);
    EXPECT_TRUE(std::any_of(aLines.begin(), aLines.end(), [](const std::string& s) { return s.starts_with("IllDetermined= "); }));
    EXPECT_EQ(std::count(aLines.begin(), aLines.end(),
                         "CI none for A33..A362: the spline's coefficients are smoothed, not estimated"),
              nModel == 21 ? 1 : 0);
    EXPECT_NE(std::find(aLines.begin(), aLines.end(), "LawCheck= ok"), aLines.end());
    EXPECT_NE(FileText("progr.f90").find("real*8 :: A(" + std::to_string(K) + ");\n"), std::string::npos);
    CMaterial saved;
    saved.m_strFileName = "material.mat";
    saved.ReadMaterialFile(1);
    EXPECT_EQ(saved.m_nFunction, nModel);
    EXPECT_EQ(saved.m_nCoef, K);
    EXPECT_EQ(saved.m_dCoef, g_pMaterial->m_dCoef);
}

INSTANTIATE_TEST_SUITE_P(Models, LawsFittedByTheWorkbench, ::testing::Values(19, 21),
                         [](const ::testing::TestParamInfo<int>& info) { return "Model" + std::to_string(info.param); });

// --surface-temperature writes the run's surface at that temperature, and one outside the
// measured temperatures is said to be extrapolated.
TEST_F(BatchRun, SurfaceTemperatureIsChosenOnTheCommandLine) {
    const std::string strList = WriteMaterial("data");
    const SRun run = Batch({"--fit", "9", "--curves", strList, "--surface-temperature", "300"});
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("vornel: visual.tmp: the surface at 300 deg C lies outside the measured temperatures "
                                "900..1200 deg C: it is extrapolated"),
              std::string::npos)
        << run.m_strErr;
    const std::string strNode = Lines(FileText("visual.tmp")).at(4);
    EXPECT_NE(strNode.find(" 300.000000 "), std::string::npos) << strNode;
    // Without it the measured temperatures hold 1000 deg C, and nothing is said.
    const SRun plain = Batch({"--fit", "9", "--curves", strList});
    EXPECT_EQ(plain.m_strErr.find("visual.tmp"), std::string::npos) << plain.m_strErr;
    EXPECT_NE(Lines(FileText("visual.tmp")).at(4).find(" 1000.000000 "), std::string::npos);
}

TEST_F(BatchRun, SingleCurvesAddedOneByOne) {
    WriteMaterial("data");
    std::vector<std::string> aArgs = {"--fit", "2"};
    for (const char* szFile : {"data/rec 900_0.100000.asc", "data/rec 1000_1.000000.asc"})
        for (const std::string& s : {std::string("--curve"), std::string(szFile), std::string("1000"), std::string("1")})
            aArgs.push_back(s);
    const SRun run = Batch(aArgs);
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(Lines(run.m_strOut).size(), 5u);
}

// The Johnson-Cook law needs the melting temperature; given it, the law comes with tr and H0
// as the lowest measured and Abaqus's own card.
TEST_F(BatchRun, JohnsonCookTakesTheMeltingTemperature) {
    const std::string strList = WriteMaterial("data");
    const SRun refused = Batch({"--fit", "20", "--curves", strList});
    EXPECT_EQ(refused.m_nStatus, 1);
    EXPECT_NE(refused.m_strErr.find("model 20: the Johnson-Cook law needs the melting temperature"), std::string::npos)
        << refused.m_strErr;
    const SRun run = Batch({"--fit", "20", "--melt-temperature", "1500", "--curves", strList, "--export", "abaqus",
                            "jc.inp"});
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    for (const char* szLine : {"A6 = 0.10000000000000001\n", "A7 = 900\n", "A8 = 1500\n"})
        EXPECT_NE(run.m_strOut.find(szLine), std::string::npos) << szLine << run.m_strOut;
    EXPECT_NE(FileText("jc.inp").find("*PLASTIC, HARDENING=JOHNSON COOK\n"), std::string::npos);
    EXPECT_NE(FileText("jc.inp").find("*RATE DEPENDENT, TYPE=JOHNSON COOK\n"), std::string::npos);
}

TEST_F(BatchRun, RefusedFitEndsWithStatusOneAndTheWarning) {
    const std::string strList = WriteMaterial("data");
    // three curves are too few for the regression
    const SRun run = Batch({"--fit", "9", "--curve", "data/rec 900_0.100000.asc", "900", "0.1", "--curve",
                            "data/rec 1000_1.000000.asc", "1000", "1", "--curve", "data/rec 1100_10.000000.asc", "1100", "10"});
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_NE(run.m_strErr.find("vornel: KIVHENZSPITTMNK: the exchange file holds 3 curves; the law needs at least 4"),
              std::string::npos)
        << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("Need data or select enather function for approximation!!!"), std::string::npos);
    EXPECT_NE(run.m_strOut.find("ErrorMax= 100000"), std::string::npos);
}

TEST_F(BatchRun, UnwritableOutputEndsWithStatusTwoAfterWritingTheOthers) {
    const std::string strList = WriteMaterial("data");
    std::filesystem::create_directory("progr.f90");
    const SRun run = Batch({"--fit", "9", "--curves", strList});
    EXPECT_EQ(run.m_nStatus, 2);
    EXPECT_NE(run.m_strErr.find("progr.f90: not a regular file"), std::string::npos)
        << run.m_strErr;
    EXPECT_EQ(Lines(run.m_strOut).size(), 7u) << run.m_strOut; // the fit itself
    EXPECT_TRUE(std::filesystem::is_regular_file("visual.tmp"));
    EXPECT_TRUE(std::filesystem::is_regular_file("material.mat"));
}

TEST_F(BatchRun, AFileWithoutPointsLeavesTheMaterialFileAsItWas) {
    const std::string strList = WriteMaterial("data");
    ASSERT_EQ(Batch({"--fit", "9", "--name", "steel", "--curves", strList}).m_nStatus, 0);
    const std::vector<unsigned char> aSaved = FileBytes("steel.mat");
    WriteText("comma.asc", "h\nh\nh\n1 0,000000 4,617122\n");
    const SRun run = Batch({"--fit", "9", "--open", "steel.mat", "--curve", "comma.asc", "900", "1"});
    EXPECT_EQ(run.m_nStatus, 2);
    EXPECT_NE(run.m_strErr.find("comma.asc: no data"), std::string::npos) << run.m_strErr;
    EXPECT_EQ(FileBytes("steel.mat"), aSaved);
}

TEST_F(BatchRun, ReadingThatStopsEarlyIsReported) {
    WriteMaterial("data");
    std::string strText = FileText("data/rec 900_0.100000.asc");
    WriteText("cut.asc", strText.substr(0, strText.size() / 2) + "\n*** test aborted ***\n1 0.9 100\n");
    const SRun run = Batch({"--fit", "2", "--curve", "cut.asc", "900", "0.1"});
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("vornel: cut.asc: reading stopped at line "), std::string::npos) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find(": \"*** test aborted ***\"; "), std::string::npos) << run.m_strErr;
}

// Every format is written after the fit, with the grid and the first id as asked: each file
// is the core's text of the fitted law on that grid.
TEST_F(BatchRun, ExportsTheLawInEveryFormatOnTheGridAsked) {
    const std::string strList = WriteMaterial("data");
    const std::vector<std::pair<std::string, std::string>> aExports = {
        {"uhard", "law_uhard.f"}, {"vuhard", "law_vuhard.f"}, {"abaqus", "law.inp"}, {"calculix", "law_ccx.inp"},
        {"lsdyna", "law.k"},      {"openradioss", "law.rad"},   {"csv", "law.csv"}};
    std::vector<std::string> aArgs = {"--fit", "9", "--report", "--curves", strList, "--export-id", "7000",
                                      "--export-strains", "1:10", "--export-rates", "1,0.1", "--export-temperatures",
                                      "950,1150", "--units", "GPa-mm-ms-K", "--elastic", "120,0.3", "--density",
                                      "7.8e-6", "--heat-fraction", "0.9", "--export-rate", "0.5"};
    for (const auto& [strFormat, strFile] : aExports)
        aArgs.insert(aArgs.end(), {"--export", strFormat, strFile});
    const SRun run = Batch(aArgs);
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(Lines(run.m_strOut).back(), "LawCheck= ok");
    EXPECT_EQ(run.m_strErr.find("law check"), std::string::npos) << run.m_strErr;
    CExportGridOptions grid;
    grid.SetStrains("1:10");
    grid.SetRates("0.1,1");
    grid.SetTemps("950,1150");
    CDeckOptions deck;
    deck.SetUnits("GPa-mm-ms-K");
    deck.SetElastic("120,0.3");
    deck.SetDensity("7.8e-6");
    deck.SetHeatFraction("0.9");
    deck.SetRate("0.5");
    const CLawExport law = MakeLawExport(*g_pMaterial, grid, 7000, deck);
    EXPECT_EQ(law.m_baseGrid.NodeCount(), 2u * 2 * 11);
    for (const char* szDeck : {"120, 0.3\n*DENSITY\n7.8e-06\n", "*INELASTIC HEAT FRACTION\n0.9\n"})
        EXPECT_NE(FileText("law.inp").find(szDeck), std::string::npos) << szDeck;
    for (const auto& [strFormat, strFile] : aExports)
        EXPECT_EQ(FileText(strFile), FindExportFormat(strFormat)->m_pfnText(law)) << strFormat;
}

// No law, no export; an export that cannot be written is named, and the others are written.
TEST_F(BatchRun, ExportsNeedAFitAndReportWhatCannotBeWritten) {
    const std::string strList = WriteMaterial("data");
    const SRun refused = Batch({"--fit", "9", "--curve", "data/rec 900_0.100000.asc", "900", "0.1", "--export", "csv", "law.csv"});
    EXPECT_EQ(refused.m_nStatus, 1);
    EXPECT_NE(refused.m_strErr.find("vornel: --export: the fit delivered no law; nothing was exported"), std::string::npos)
        << refused.m_strErr;
    EXPECT_FALSE(std::filesystem::exists("law.csv"));

    std::filesystem::create_directory("law.f");
    const SRun blocked = Batch({"--fit", "9", "--curves", strList, "--export", "uhard", "law.f", "--export", "csv", "law.csv"});
    EXPECT_EQ(blocked.m_nStatus, 2);
    EXPECT_NE(blocked.m_strErr.find("vornel: law.f: "), std::string::npos) << blocked.m_strErr;
    EXPECT_TRUE(std::filesystem::is_directory("law.f"));
    EXPECT_TRUE(std::filesystem::is_regular_file("law.csv"));

    // A deck the law does not fit is named with the reason.
    const SRun unfit = Batch({"--fit", "8", "--curves", strList, "--export", "calculix", "ccx.inp", "--export",
                              "openradioss", "law.rad", "--export", "abaqus", "law.inp"});
    EXPECT_EQ(unfit.m_nStatus, 2);
    EXPECT_NE(unfit.m_strErr.find("vornel: --export calculix ccx.inp: the CalculiX deck holds the law at one strain "
                                  "rate: give it (--export-rate R"),
              std::string::npos)
        << unfit.m_strErr;
    EXPECT_NE(unfit.m_strErr.find("vornel: --export openradioss law.rad: OpenRadioss /MAT/LAW103 holds"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("ccx.inp") || std::filesystem::exists("law.rad"));
    EXPECT_TRUE(std::filesystem::is_regular_file("law.inp"));
}

// A material whose stress grows with temperature: its law check names the worst point on
// the error stream, in the report and in the file, and the file is written all the same.
TEST_F(BatchRun, ALawThatRisesWithTemperatureIsNamedByTheLawCheck) {
    std::filesystem::create_directories("data");
    std::string strList;
    for (double dTemp : {900.0, 1000.0, 1100.0})
        for (double dRate : {0.1, 1.0, 10.0}) {
            const std::string strFile = "data/hot_" + std::to_string(static_cast<int>(dTemp)) + "_" + std::to_string(dRate) + ".asc";
            WriteRecord(strFile, [](double E, double H, double t) { return 20 * std::pow(E, 0.2) * std::pow(H, 0.1) * std::exp(0.002 * t); },
                        dTemp, dRate);
            strList += strFile + " " + std::to_string(dTemp) + " " + std::to_string(dRate) + "\n";
        }
    WriteText("hot.txt", strList);
    const SRun run = Batch({"--fit", "9", "--report", "--curves", "hot.txt", "--export", "uhard", "hot.f"});
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(Lines(run.m_strOut).back(), "LawCheck= 1 findings");
    // The worst point of the tables: the largest strain (that of the prepared curves), the
    // fastest and hottest test.
    const std::size_t nLine = run.m_strErr.find("vornel: law check: the stress rises with temperature at E=");
    ASSERT_NE(nLine, std::string::npos) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find(", H=10, t=1100 (dKs/dt = ", nLine), std::string::npos) << run.m_strErr;
    EXPECT_NE(FileText("hot.f").find("C law check: the stress rises with temperature at E="), std::string::npos);
}

// The fitted Hensel-Spittel law of the measured steel set passes the law check.
TEST_F(BatchRun, TheSteelSetsHenselSpittelLawPassesTheLawCheck) {
    const std::filesystem::path list = std::filesystem::path(VORNEL_SHARED_DATA) / "steel-gleeble" / "conditions.txt";
    if (!std::filesystem::exists(list))
        SkipOrFailWithoutOracle(std::string("the measured steel set is not at ") + std::string(list));
    const SRun run = Batch({"--fit", "9", "--report", "--curves", list.string(), "--export", "vuhard", "steel.f"});
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(Lines(run.m_strOut).back(), "LawCheck= ok");
    EXPECT_EQ(run.m_strErr.find("law check"), std::string::npos) << run.m_strErr;
}

struct SBadArgs {
    const char* m_szName;
    std::vector<std::string> m_aArgs;
    const char* m_szMessage;
    std::function<void()> m_setup = {}; // what the case needs beyond the common files
};

// A material file of one curve of two points at 1000 deg C and 1 1/s whose first point is
// changed by change, written as the engine and the workbench write them.
void WriteMaterialWith(const std::string& strPath, const std::function<void(CExchangeData&)>& change) {
    CExchangeData data;
    data.m_aCurves.resize(1);
    for (double dStrain : {0.1, 0.2})
        data.m_aCurves[0].m_aPoints.push_back(
            {.m_dStrain = dStrain, .m_dRate = 1, .m_dTemp = 1000, .m_dStress = 100 + 100 * dStrain});
    change(data);
    WriteExchangeData(strPath, data, EExchangeTrailer::CurveWords);
}

void PrintTo(const SBadArgs& p, std::ostream* os) { *os << p.m_szName; }

class BatchErrors : public ScratchTest, public ::testing::WithParamInterface<SBadArgs> {};

TEST_P(BatchErrors, EndWithStatusTwoAndNameTheProblem) {
    WriteText("ok.asc", "h\nh\nh\n1 0.1 100\n");
    WriteText("bad-list.txt", "ok.asc 900\n");
    WriteText("hot-list.txt", "ok.asc 3000 1\n");
    WriteText("broken.mat", "not a material");
    WriteText("comma.asc", "h\nh\nh\n1 0,000000 4,617122\n2 0,001000 38,204520\n");
    WriteText("header.asc", "h\nh\nh\n");
    if (GetParam().m_setup)
        GetParam().m_setup();
    const SRun run = Batch(GetParam().m_aArgs);
    EXPECT_EQ(run.m_nStatus, 2);
    EXPECT_NE(run.m_strErr.find(GetParam().m_szMessage), std::string::npos) << run.m_strErr;
    EXPECT_TRUE(run.m_strOut.empty());
    EXPECT_FALSE(std::filesystem::exists("temp.mat"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BatchErrors,
    ::testing::Values(
        SBadArgs{"NoModel", {"--curve", "ok.asc", "900", "1"}, "--fit MODEL is missing"},
        SBadArgs{"UnknownModel", {"--fit", "99"}, "\"99\" is not a model"},
        SBadArgs{"WordModel", {"--fit", "nine"}, "\"nine\" is not a model"},
        SBadArgs{"UnknownOption", {"--fit", "9", "--bogus"}, "unknown argument \"--bogus\""},
        SBadArgs{"MissingValues", {"--fit", "9", "--curve", "ok.asc", "900"}, "--curve needs 3 values"},
        SBadArgs{"NotANumber", {"--fit", "9", "--curve", "ok.asc", "9OO", "1"}, "temperature: \"9OO\" is not a number"},
        SBadArgs{"TooHot", {"--fit", "9", "--curve", "ok.asc", "2601", "1"}, "temperature 2601 is outside -200..2600"},
        SBadArgs{"NegativeRate", {"--fit", "9", "--curve", "ok.asc", "900", "-1"}, "strain rate -1 is outside 0..10000"},
        SBadArgs{"MissingDataFile", {"--fit", "9", "--curve", "absent.asc", "900", "1"}, "absent.asc: cannot open"},
        SBadArgs{"MissingList", {"--fit", "9", "--curves", "absent.txt"}, "absent.txt: cannot open"},
        SBadArgs{"ShortListLine", {"--fit", "9", "--curves", "bad-list.txt"}, "bad-list.txt:1: expected \"FILE T H\""},
        SBadArgs{"ListOutOfRange", {"--fit", "9", "--curves", "hot-list.txt"}, "hot-list.txt:1: temperature 3000"},
        SBadArgs{"BrokenMaterial", {"--fit", "9", "--open", "broken.mat"}, "broken.mat: "},
        SBadArgs{"TwiceFit", {"--fit", "9", "--fit", "best"}, "--fit is given twice"},
        SBadArgs{"SurfaceTooHot", {"--fit", "9", "--surface-temperature", "1601"},
                 "--surface-temperature: temperature 1601 is outside 0..1600 deg C"},
        SBadArgs{"DecimalComma", {"--fit", "2", "--curve", "comma.asc", "900", "1"},
                 "comma.asc: no data: no row of three numbers (row number, strain, stress) after the three header "
                 "lines; reading stopped at line 4: \"1 0,000000 4,617122\""},
        SBadArgs{"UnknownView", {"--fit", "2", "--plot", "p.png", "--plot-view", "panels"}, "\"panels\" is not a view"},
        SBadArgs{"ViewWithoutPlot", {"--fit", "2", "--plot-view", "deviations"}, "--plot-view needs --plot FILE"},
        SBadArgs{"UnknownFormat", {"--fit", "9", "--export", "abq", "law.inp"},
                 "--export: \"abq\" is not a format; give uhard, vuhard, abaqus, calculix, lsdyna, openradioss, csv"},
        SBadArgs{"UnknownUnits", {"--fit", "9", "--units", "MPa-cm-s"},
                 "--units: \"MPa-cm-s\" is not a unit system; give MPa-mm-s, MPa-mm-s-K, Pa-m-s, Pa-m-s-K, "
                 "GPa-mm-ms, GPa-mm-ms-K"},
        SBadArgs{"ElasticWithoutPoisson", {"--fit", "9", "--elastic", "210000"}, "--elastic: \"210000\" is not E,nu"},
        SBadArgs{"PoissonTooLarge", {"--fit", "9", "--elastic", "210000,0.5"},
                 "--elastic: Poisson's ratio 0.5 is not above -1 and below 0.5"},
        SBadArgs{"NegativeDensity", {"--fit", "9", "--density", "-7.8e-9"}, "--density: the density -7.8e-09 is not above 0"},
        SBadArgs{"HeatFractionAboveOne", {"--fit", "9", "--heat-fraction", "1.5"},
                 "--heat-fraction: the inelastic heat fraction 1.5 is outside 0..1"},
        SBadArgs{"NegativeDeckRate", {"--fit", "9", "--export-rate", "-1"}, "--export-rate: the strain rate -1 is below 0"},
        SBadArgs{"MeltBelowAbsoluteZero", {"--fit", "20", "--melt-temperature", "-300"},
                 "--melt-temperature: -300 deg C is not above -273.15 deg C"},
        SBadArgs{"ReferenceRateZero", {"--fit", "20", "--reference-rate", "0"}, "--reference-rate: 0 1/s is not above 0"},
        SBadArgs{"ExportWithoutFile", {"--fit", "9", "--export", "csv"}, "--export needs 2 values"},
        SBadArgs{"StrainsWithoutSteps", {"--fit", "9", "--export-strains", "0.8"}, "--export-strains: \"0.8\" is not MAX:N"},
        SBadArgs{"NegativeTableRate", {"--fit", "9", "--export-rates", "1,-2"}, "--export-rates: the strain rate -2 is below 0"},
        SBadArgs{"WordTemperature", {"--fit", "9", "--export-temperatures", "hot"},
                 "--export-temperatures: \"hot\" is not a number"},
        SBadArgs{"IdZero", {"--fit", "9", "--export-id", "0"}, "--export-id: \"0\" is not a whole number from 1 to 2147483647"},
        SBadArgs{"UnknownMapSource", {"--fit", "2", "--map", "m.png", "--map-source", "both"},
                 "--map-source: \"both\" is not a source; give law or data"},
        SBadArgs{"MapStrainsWithoutMap", {"--fit", "2", "--map-strains", "0.3"}, "--map-strains and --map-source need"},
        SBadArgs{"MapStrainBelowZero", {"--fit", "2", "--map", "m.png", "--map-strains", "0.3,-1"},
                 "--map-strains: strain \"-1\" is not a number above 0"},
        SBadArgs{"MapTwice", {"--fit", "2", "--map-csv", "a.csv", "--map-csv", "b.csv"}, "--map-csv is given twice"},
        SBadArgs{"MapOverExport", {"--fit", "2", "--export", "csv", "m.csv", "--map-csv", "m.csv"},
                 "--map-csv m.csv: this file is the output of --export csv"},
        SBadArgs{"HeaderOnly", {"--fit", "2", "--curve", "ok.asc", "900", "1", "--curve", "header.asc", "900", "1"},
                 "header.asc: no data: no row of three numbers"},
        // Inputs that are no regular files are refused at once; a pipe is never waited on.
        SBadArgs{"PipeAsDataFile", {"--fit", "9", "--curve", "pipe", "900", "1"}, "pipe: not a regular file",
                 [] { ::mkfifo("pipe", 0666); }},
        SBadArgs{"PipeAsList", {"--fit", "9", "--curves", "pipe"}, "pipe: not a regular file", [] { ::mkfifo("pipe", 0666); }},
        SBadArgs{"PipeAsMaterial", {"--fit", "9", "--open", "pipe"}, "pipe: not a regular file",
                 [] { ::mkfifo("pipe", 0666); }},
        SBadArgs{"FolderAsDataFile", {"--fit", "9", "--curve", "folder", "900", "1"}, "folder: not a regular file",
                 [] { std::filesystem::create_directory("folder"); }},
        SBadArgs{"DeviceAsDataFile", {"--fit", "9", "--curve", "/dev/zero", "900", "1"}, "/dev/zero: not a regular file"},
        // Outputs that would lose data are refused before anything is done.
        SBadArgs{"ExportOverMaterial", {"--fit", "9", "--name", "mine", "--export", "csv", "mine.mat"},
                 "--export csv mine.mat: this file is the material file mine.mat"},
        SBadArgs{"TwoExportsOneFile", {"--fit", "9", "--export", "csv", "a.csv", "--export", "abaqus", "./a.csv"},
                 "--export abaqus ./a.csv: this file is the output of --export csv"},
        SBadArgs{"ExportOverExchange", {"--fit", "9", "--export", "csv", "temp.mat"}, "the run's own file temp.mat"},
        SBadArgs{"ExportOverData", {"--fit", "9", "--curve", "ok.asc", "900", "1", "--export", "lsdyna", "ok.asc"},
                 "this file is the data file ok.asc"},
        SBadArgs{"ExportOverLock", {"--fit", "9", "--export", "csv", "temp.mat.lock"}, "the run's own file temp.mat.lock"},
        SBadArgs{"NamedTemp", {"--fit", "9", "--name", "temp"}, "the material file temp.mat would be the run's own file"},
        SBadArgs{"EmptyPlot", {"--fit", "9", "--plot", ""}, "--plot needs a file name; it is empty"},
        SBadArgs{"OverflowingStrains", {"--fit", "9", "--export-strains", "1e308:10"},
                 "gives strains that are not finite numbers"},
        // A material file holds only values the program takes anywhere else.
        SBadArgs{"InfiniteTemperature", {"--fit", "9", "--open", "bad.mat"},
                 "bad.mat: curve 1, point 1: temperature inf is outside -200..2600 deg C",
                 [] { WriteMaterialWith("bad.mat", [](CExchangeData& d) { d.m_aCurves[0].m_aPoints[0].m_dTemp = HUGE_VAL; }); }},
        SBadArgs{"NegativeRateInFile", {"--fit", "9", "--open", "bad.mat"},
                 "bad.mat: curve 1, point 1: strain rate -5 is outside 0..10000 1/s",
                 [] { WriteMaterialWith("bad.mat", [](CExchangeData& d) {
                     for (CExchangePoint& p : d.m_aCurves[0].m_aPoints)
                         p.m_dRate = -5;
                 }); }},
        SBadArgs{"NegativeStress", {"--fit", "9", "--open", "bad.mat"}, "curve 1, point 1: stress -3 is below 0",
                 [] { WriteMaterialWith("bad.mat", [](CExchangeData& d) { d.m_aCurves[0].m_aPoints[0].m_dStress = -3; }); }},
        SBadArgs{"PreparedFlagSeven", {"--fit", "9", "--open", "bad.mat"}, "the prepared flag is 7, not 0 or 1",
                 [] { WriteMaterialWith("bad.mat", [](CExchangeData& d) { d.m_nPrepared = 7; }); }},
        // A folder whose lock cannot be taken is not run in.
        SBadArgs{"LockFileIsAFolder", {"--fit", "9", "--curve", "ok.asc", "900", "1"},
                 "temp.mat.lock: cannot take the folder's lock, so this run does nothing",
                 [] { std::filesystem::create_directory("temp.mat.lock"); }}),
    [](const auto& info) { return std::string(info.param.m_szName); });

// --plot hands the material of the run to the plot writer once, after the run; a writer
// that fails, or none at all, ends with status 2 and a message naming the file or option.
TEST_F(BatchRun, PlotGoesToThePlotWriterAfterTheRun) {
    WriteMaterial("data");
    int nCalls = 0;
    std::string strPath;
    int nCoef = 0;
    EPlotView eView = EPlotView::Deviations;
    const auto writer = [&](const CMaterial& material, const std::string& strFile, EPlotView eDrawn) {
        ++nCalls;
        strPath = strFile;
        nCoef = material.m_nCoef;
        eView = eDrawn;
        EXPECT_TRUE(std::filesystem::exists("material.mat")); // the run's files come first
    };
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch({"--fit", "11", "--curves", "data/curves.txt", "--plot", "fit.png"}, out, err, writer), 0)
        << err.str();
    EXPECT_EQ(nCalls, 1);
    EXPECT_EQ(strPath, "fit.png");
    EXPECT_EQ(nCoef, 7);
    EXPECT_EQ(eView, EPlotView::Single);
    // --plot-view chooses the picture, by the names the core knows them by.
    for (EPlotView eWanted : {EPlotView::Temperatures, EPlotView::Deviations, EPlotView::Single}) {
        std::ostringstream out1, err1;
        EXPECT_EQ(RunBatch({"--fit", "11", "--curves", "data/curves.txt", "--plot", "fit.png", "--plot-view",
                            PlotViewName(eWanted)},
                           out1, err1, writer),
                  0);
        EXPECT_EQ(eView, eWanted);
    }

    const auto failing = [](const CMaterial&, const std::string& strFile, EPlotView) {
        throw CFileError(strFile, "cannot be created: no room");
    };
    std::ostringstream out2, err2;
    EXPECT_EQ(RunBatch({"--fit", "11", "--curves", "data/curves.txt", "--plot", "fit.png"}, out2, err2, failing), 2);
    EXPECT_NE(err2.str().find("vornel: fit.png: cannot be created: no room"), std::string::npos) << err2.str();

    const SRun without = Batch({"--fit", "11", "--curves", "data/curves.txt", "--plot", "fit.png"});
    EXPECT_EQ(without.m_nStatus, 2);
    EXPECT_NE(without.m_strErr.find("--plot"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("fit.png"));
}

// --map and --map-csv: the maps at the strains and from the source asked, the picture
// through the map writer and the grid as text; a map that cannot be formed is named, and
// with none formed nothing is written.
TEST_F(BatchRun, MapsGoToTheMapWriterAndTheCsv) {
    WriteMaterial("data");
    std::vector<CProcessingMap> aDrawn;
    const auto writer = [&](const std::vector<CProcessingMap>& aMaps, const std::string& strFile) {
        aDrawn = aMaps;
        WriteText(strFile, "drawn");
    };
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch({"--fit", "9", "--curves", "data/curves.txt", "--map", "m.png", "--map-csv", "m.csv",
                        "--map-strains", "0.2,0.4", "--map-source", "data"},
                       out, err, {}, writer),
              0)
        << err.str();
    ASSERT_EQ(aDrawn.size(), 2u);
    EXPECT_EQ(aDrawn[1].m_dStrain, 0.4);
    EXPECT_EQ(aDrawn[0].m_eSource, EMapSource::Data);
    EXPECT_EQ(aDrawn[0].m_aDegrees, std::vector<int>(4, 2)); // 3 strain rates: quadratics
    EXPECT_EQ(FileText("m.csv"), ProcessingMapCsv(aDrawn));
    // The default strain, from the law; a strain beyond the curves forms no map from them.
    std::ostringstream out2, err2;
    EXPECT_EQ(RunBatch({"--fit", "9", "--open", "material.mat", "--map", "m.png"}, out2, err2, {}, writer), 0);
    ASSERT_EQ(aDrawn.size(), 1u);
    EXPECT_EQ(aDrawn[0].m_nModel, 9);
    std::ostringstream out3, err3;
    EXPECT_EQ(RunBatch({"--fit", "9", "--open", "material.mat", "--map-csv", "far.csv", "--map-strains", "2",
                        "--map-source", "data"},
                       out3, err3, {}, writer),
              2);
    EXPECT_NE(err3.str().find("strain 2, measured curves (polynomial in ln H): not drawn: at strain 2 fewer than 2"),
              std::string::npos)
        << err3.str();
    EXPECT_NE(err3.str().find("far.csv: not written"), std::string::npos) << err3.str();
    EXPECT_FALSE(std::filesystem::exists("far.csv"));
    const SRun without = Batch({"--fit", "9", "--open", "material.mat", "--map", "x.png"});
    EXPECT_EQ(without.m_nStatus, 2);
    EXPECT_NE(without.m_strErr.find("--map: this vornel was built without its window"), std::string::npos);
}

#ifdef VORNEL_PROGRAM
namespace {

// Runs the vornel program with a shell command line; returns status and standard output.
SRun Program(const std::string& strArgs) {
    const std::string strCommand = std::string("'") + VORNEL_PROGRAM + "' " + strArgs + " 2>err.txt";
    std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
    std::string strOut;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pPipe))
        strOut.append(buffer.data(), n);
    const int nStatus = ::pclose(pPipe);
    return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, strOut, FileText("err.txt")};
}

} // namespace

TEST_F(BatchRun, TheProgramRunsTheBatchMode) {
    const std::string strList = WriteMaterial("data");
    const SRun fit = Program("--fit 11 --curves data/curves.txt");
    EXPECT_EQ(fit.m_nStatus, 0) << fit.m_strErr;
    EXPECT_EQ(Lines(fit.m_strOut).front(), "Model: 11. Ts=a1+a2*E+a3*H+a4*t+a5*E**2+a6*H**2+a7*t**2  ");
    EXPECT_EQ(Program("--fit").m_nStatus, 2);
    const SRun unknown = Program("--fitt 9");
    EXPECT_EQ(unknown.m_nStatus, 2);
    EXPECT_NE(unknown.m_strErr.find("vornel --help"), std::string::npos);
    // Without arguments vornel opens its window; with no display to open it on, it says so.
    const std::string strNoDisplay = "< /dev/null env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
    const SRun bare = [&] {
        const std::string strCommand = strNoDisplay + " '" + VORNEL_PROGRAM + "' 2>err.txt";
        std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
        const int nStatus = ::pclose(pPipe);
        return SRun{WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, "", FileText("err.txt")};
    }();
    EXPECT_EQ(bare.m_nStatus, 2);
#ifdef VORNEL_HAS_WINDOW
    EXPECT_NE(bare.m_strErr.find("no display"), std::string::npos) << bare.m_strErr;
#else
    EXPECT_NE(bare.m_strErr.find("this build has no workbench window"), std::string::npos) << bare.m_strErr;
#endif
    EXPECT_EQ(Program("--help").m_nStatus, 0);
}

namespace {

// Starts the vornel program with a shell command line without waiting for it; Finish
// collects its status and standard output, its error stream going to strErrFile.
struct CStarted {
    std::FILE* m_pPipe;
    std::string m_strErrFile;
};

CStarted Start(const std::string& strArgs, const std::string& strErrFile) {
    const std::string strCommand = std::string("'") + VORNEL_PROGRAM + "' " + strArgs + " 2>" + strErrFile;
    return {::popen(strCommand.c_str(), "r"), strErrFile};
}

SRun Finish(const CStarted& started) {
    std::string strOut;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), started.m_pPipe))
        strOut.append(buffer.data(), n);
    const int nStatus = ::pclose(started.m_pPipe);
    return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, strOut, FileText(started.m_strErrFile)};
}

} // namespace

// Runs in one folder take turns, since each writes and reads the folder's temp.mat: ten
// runs started at once on two materials each print what the same run prints alone. A run
// that finds the folder taken for longer than --lock-wait ends with status 2, names the
// folder and writes nothing.
TEST_F(BatchRun, RunsInOneFolderTakeTurns) {
    WriteMaterial("a");
    WriteMaterial("b", [](double E, double H, double t) {
        return 900 * std::pow(E, 0.3) * std::pow(H, 0.08) * std::exp(-0.0015 * t);
    });
    const std::string aArgs[2] = {"--fit best --curves a/curves.txt --name a", "--fit best --curves b/curves.txt --name b"};
    std::string aAlone[2];
    for (int m = 0; m < 2; ++m) {
        const SRun alone = Program(aArgs[m]);
        ASSERT_EQ(alone.m_nStatus, 0) << alone.m_strErr;
        aAlone[m] = alone.m_strOut;
    }
    ASSERT_NE(aAlone[0], aAlone[1]);
    for (int nRound = 0; nRound < 3; ++nRound) {
        std::vector<CStarted> aStarted;
        for (int i = 0; i < 10; ++i)
            aStarted.push_back(Start(aArgs[i % 2] + std::to_string(i), "err" + std::to_string(i) + ".txt"));
        for (int i = 0; i < 10; ++i) {
            const SRun run = Finish(aStarted[static_cast<std::size_t>(i)]);
            EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
            EXPECT_EQ(run.m_strOut, aAlone[i % 2]) << "run " << i << " of round " << nRound;
        }
    }

    std::filesystem::remove("temp.mat");
    const int nFd = ::open(kFolderLockFileName, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(nFd, 0);
    ASSERT_EQ(::flock(nFd, LOCK_EX), 0); // another run holds the folder
    const SRun busy = Program("--fit 11 --curves a/curves.txt --name busy --lock-wait 0.3");
    ::close(nFd);
    EXPECT_EQ(busy.m_nStatus, 2);
    const std::string strFolder = std::filesystem::current_path().string();
    EXPECT_NE(busy.m_strErr.find("another run uses the folder " + strFolder + "; waiting up to 0.3 s"), std::string::npos)
        << busy.m_strErr;
    EXPECT_NE(busy.m_strErr.find("it did not end in time"), std::string::npos) << busy.m_strErr;
    EXPECT_EQ(busy.m_strOut, "");
    EXPECT_FALSE(std::filesystem::exists("temp.mat"));
    EXPECT_FALSE(std::filesystem::exists("busy.mat"));
}

namespace {

// Width and height from the header of a PNG file (0, 0 when it is not one).
std::pair<unsigned, unsigned> PngSize(const std::string& strPath) {
    const std::vector<unsigned char> a = FileBytes(strPath);
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (a.size() < 24 || !std::equal(kSignature, kSignature + 8, a.begin()))
        return {0, 0};
    const auto be32 = [&](std::size_t i) {
        return (unsigned(a[i]) << 24) | (unsigned(a[i + 1]) << 16) | (unsigned(a[i + 2]) << 8) | unsigned(a[i + 3]);
    };
    return {be32(16), be32(20)};
}

} // namespace

// The program draws the plot as a PNG or an SVG file by the name's ending; a build without
// the window says that it cannot, and draws nothing.
TEST_F(BatchRun, TheProgramDrawsThePlot) {
    WriteMaterial("data");
#ifndef VORNEL_HAS_WINDOW
    const SRun none = Program("--fit 11 --curves data/curves.txt --plot fit.png");
    EXPECT_EQ(none.m_nStatus, 2);
    EXPECT_NE(none.m_strErr.find("--plot: this vornel was built without its window"), std::string::npos) << none.m_strErr;
    EXPECT_FALSE(std::filesystem::exists("fit.png"));
    return;
#endif
    const SRun png = Program("--fit 11 --curves data/curves.txt --plot fit.png");
    EXPECT_EQ(png.m_nStatus, 0) << png.m_strErr;
    EXPECT_EQ(PngSize("fit.png"), std::make_pair(1200u, 800u));
    const SRun svg = Program("--fit 11 --curves data/curves.txt --plot fit.svg");
    EXPECT_EQ(svg.m_nStatus, 0) << svg.m_strErr;
    EXPECT_NE(FileText("fit.svg").find("<svg"), std::string::npos);
    const SRun jpg = Program("--fit 11 --curves data/curves.txt --plot fit.jpg");
    EXPECT_EQ(jpg.m_nStatus, 2);
    EXPECT_NE(jpg.m_strErr.find("fit.jpg: a plot is written as PNG or SVG"), std::string::npos) << jpg.m_strErr;
    EXPECT_FALSE(std::filesystem::exists("fit.jpg"));
    EXPECT_EQ(Lines(jpg.m_strOut).front().rfind("Model: 11.", 0), 0u);
    // Every view comes out as a picture of the same size, each its own.
    std::vector<std::vector<unsigned char>> aPictures{FileBytes("fit.png")};
    for (const char* szView : {"temperatures", "deviations"}) {
        const std::string strFile = std::string(szView) + ".png";
        const SRun view = Program("--fit 11 --curves data/curves.txt --plot " + strFile + " --plot-view " + szView);
        EXPECT_EQ(view.m_nStatus, 0) << view.m_strErr;
        EXPECT_EQ(PngSize(strFile), std::make_pair(1200u, 800u)) << szView;
        aPictures.push_back(FileBytes(strFile));
    }
    EXPECT_NE(aPictures[0], aPictures[1]);
    EXPECT_NE(aPictures[1], aPictures[2]);
    // The processing maps, a panel each.
    const SRun maps = Program("--fit 11 --open material.mat --map maps.png --map-strains 0.2,0.4");
    EXPECT_EQ(maps.m_nStatus, 0) << maps.m_strErr;
    EXPECT_EQ(PngSize("maps.png"), std::make_pair(1800u, 700u));
    EXPECT_EQ(Program("--fit 11 --open material.mat --map maps.svg --map-source data").m_nStatus, 0);
    EXPECT_NE(FileText("maps.svg").find("Processing map at strain 0.35, measured curves"), std::string::npos);
}

// On measured curves the kernels report conditions (DUMINF's for model 7, among others);
// standard output still holds nothing but the result.
TEST_F(BatchRun, MeasuredSetPrintsOnlyTheResultOnStandardOutput) {
    const std::filesystem::path list = std::filesystem::path(VORNEL_SHARED_DATA) / "steel-gleeble" / "conditions.txt";
    if (!std::filesystem::exists(list))
        SkipOrFailWithoutOracle(std::string("the measured steel set is not at ") + std::string(list));
#ifdef VORNEL_HAS_WINDOW
    const SRun run = Program("--fit best --curves '" + list.string() + "' --plot steel.png");
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(PngSize("steel.png"), std::make_pair(1200u, 800u));
#else
    const SRun run = Program("--fit best --curves '" + list.string() + "'");
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
#endif
    const std::vector<std::string> aLines = Lines(run.m_strOut);
    ASSERT_GE(aLines.size(), 4u);
    EXPECT_EQ(aLines.front().rfind("Model: ", 0), 0u);
    for (std::size_t i = 1; i + 2 < aLines.size(); ++i)
        EXPECT_EQ(aLines[i].rfind("A" + std::to_string(i) + " = ", 0), 0u) << aLines[i];
    EXPECT_EQ(aLines[aLines.size() - 2].rfind("ErrorSr= ", 0), 0u);
    EXPECT_EQ(aLines.back().rfind("ErrorMax= ", 0), 0u);
    EXPECT_NE(run.m_strErr.find("vornel: model 7: *** WARNING ERROR"), std::string::npos) << run.m_strErr;
    // Measured at 1050..1250 deg C and 0.001..5 1/s: the surface lies at 1150 deg C, which
    // standard error explains, on rates evenly spaced in their logarithm.
    EXPECT_NE(run.m_strErr.find("vornel: visual.tmp: the surface is drawn at 1150 deg C"), std::string::npos) << run.m_strErr;
    const std::vector<std::string> aSurface = Lines(FileText("visual.tmp"));
    ASSERT_GT(aSurface.size(), 14u);
    EXPECT_EQ(aSurface[2], "1 1 1");   // the curves at 1150 deg C are marked
    const char* const aszRates[10] = {"0.001000", "0.002576", "0.006637", "0.017100", "0.044054",
                                      "0.113497", "0.292402", "0.753315", "1.940767", "5.000000"};
    for (std::size_t j = 0; j < 10; ++j) {
        std::istringstream node(aSurface[4 + j]);
        std::string strX, strY, strZ, strStrain, strRate, strStress, strTi, strTemp;
        node >> strX >> strY >> strZ >> strStrain >> strRate >> strStress >> strTi >> strTemp;
        EXPECT_EQ(strRate, aszRates[j]) << "node " << j;
        EXPECT_EQ(strTemp, "1150.000000") << "node " << j;
    }
}

// 200 raw records of 2000 samples, 22 MB in the exchange layout, are held once by the
// workbench and once by the engine: the whole run stays within 64 MB.
TEST_F(BatchRun, TwoHundredRawRecordsRunWithinSixtyFourMegabytes) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's shadow memory counts as resident";
#endif
    WriteRecordSet(".", 200, 2000);
    const SRun run = Program("--fit best --curves curves.txt");
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LE(usage.ru_maxrss, 64 * 1024) << "peak resident memory in KiB";
}
#endif

// Dilatometer exports added with --add and a profile: conditions from their headers; a file
// of more than three numbers a row without a profile is refused naming its columns; the
// prepared curves go out with --write-curves and, read back with --curves, give the same
// material.
TEST_F(BatchRun, ColumnFilesAreAddedPreparedWrittenAndReadBack) {
    std::vector<std::string> aAdd;
    for (double dTemp : {300.0, 350.0, 400.0})
        for (double dRate : {0.001, 0.01, 0.1, 1.0}) {
            aAdd.push_back("--add");
            aAdd.push_back("S07_" + std::to_string(aAdd.size() / 2) + ".asc");
            WriteDilatometerRecord(aAdd.back(), SofteningLaw, dTemp, dRate);
        }
    SRun run = Batch({"--fit", "9", "--add", "S07_0.asc"});
    EXPECT_EQ(run.m_nStatus, kBatchError);
    EXPECT_NE(run.m_strErr.find("S07_0.asc: not in the experiment data format"), std::string::npos) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("4: Phi (-) = strain, 5: Flie\xc3\x9fspannung kf (MPa) = stress"), std::string::npos) << run.m_strErr;

    WriteText("dil.profile", "# deformation dilatometer\nsegment = yes\n");
    const auto withAdds = [&](std::vector<std::string> aArgs) {
        aArgs.insert(aArgs.end(), aAdd.begin(), aAdd.end());
        return aArgs;
    };
    run = Batch(withAdds({"--fit", "9", "--report", "--profile", "dil.profile"}));
    ASSERT_EQ(run.m_nStatus, kBatchFitted) << run.m_strErr;
    EXPECT_NE(run.m_strOut.find("prep curve 12: source S07_11.asc (column file, profile dil:"), std::string::npos);

    run = Batch(withAdds({"--profile", "dil.profile", "--write-curves", "out"}));
    ASSERT_EQ(run.m_nStatus, kBatchFitted) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("--write-curves: 12 curves written to out"), std::string::npos);
    const CMaterial prepared = *g_pMaterial;
    run = Batch({"--write-curves", "again", "--curves", "out/curves.txt"});
    ASSERT_EQ(run.m_nStatus, kBatchFitted) << run.m_strErr;
    ASSERT_EQ(g_pMaterial->m_nCurves, 12);
    for (int i = 0; i < 12; ++i) {
        const CCurve& curve = g_pMaterial->Curve(i);
        EXPECT_EQ(curve.m_dTemp, prepared.Curve(i).m_dTemp);
        EXPECT_EQ(curve.m_dRate, prepared.Curve(i).m_dRate);
        ASSERT_EQ(curve.PointCount(), prepared.Curve(i).PointCount());
        for (int k = 0; k < curve.PointCount(); ++k) {
            const CCurvePoint& point = prepared.Curve(i).m_pPoints[static_cast<std::size_t>(k)];
            EXPECT_EQ(curve.m_pPoints[static_cast<std::size_t>(k)].m_dStrain, static_cast<float>(point.m_dStrain));
            EXPECT_EQ(curve.m_pPoints[static_cast<std::size_t>(k)].m_dStress, static_cast<float>(point.m_dStress));
        }
    }
}

// The measured bst set with repeats a and b: averaged into 15 curves, the scatter of each
// pair printed.
TEST_F(BatchRun, RepeatsOfTheBstSetAverageIntoFifteenCurves) {
    const std::string strSet = SharedDataSet("bst-compression");
    if (strSet.empty())
        SkipOrFailWithoutOracle("the measured bst set is absent");
    WriteText("avg.profile", "repeats = average\n");
    const SRun run = Batch({"--write-curves", "out", "--profile", "avg.profile", "--curves", strSet + "/conditions.txt"});
    ASSERT_EQ(run.m_nStatus, kBatchFitted) << run.m_strErr;
    EXPECT_EQ(g_pMaterial->m_nCurves, 15);
    std::size_t nScatter = 0;
    for (const std::string& strLine : Lines(run.m_strErr))
        nScatter += strLine.find(": 2 curves averaged on strain 0..") != std::string::npos &&
                    strLine.find("; scatter largest ") != std::string::npos;
    EXPECT_EQ(nScatter, 15u) << run.m_strErr;
}
