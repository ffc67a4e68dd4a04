// The workbench's commands on g_pMaterial: what they change, the stage they set, the work
// folder, and that a failing command leaves everything as it was.

#include "vornel/session/Operations.h"
#include "vornel/session/FolderLock.h"
#include "vornel/fit/FitReport.h"
#include "RecordFiles.h"
#include "SessionSupport.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"

#include <filesystem>
#include <functional>

using namespace vornel_test;
namespace fs = std::filesystem;

namespace {

// Five curves at distinct conditions, so each curve's label tells which it is.
const double kTemps[] = {900, 1000, 1100, 1200, 1250};
const double kRates[] = {0.1, 1.0, 10.0, 0.1, 1.0};

std::string CurveFile(int i) { return "c" + std::to_string(i + 1) + ".asc"; }

// Writes the five records; record i has 200 + 10 i rising samples.
void WriteFiveRecords() {
    for (int i = 0; i < 5; ++i)
        WriteRecord(CurveFile(i), HenselSpittelLaw, kTemps[i], kRates[i], 200 + 10 * i);
}

// A scratch folder with no material and stage 0 before and after each test.
class Operations : public SessionTest {
protected:
    // New material with the five raw curves, stage 2.
    static void FiveCurveMaterial() {
        WriteFiveRecords();
        NewMaterial("STAL_45");
        for (int i = 0; i < 5; ++i)
            AddCurve(CurveFile(i), kTemps[i], kRates[i]);
    }
};

} // namespace

TEST_F(Operations, NewMaterialOpenAndSaveAsFollowTheWorkFolderRule) {
    // The batch mode's empty work folder is the current folder.
    NewMaterial("STAL_45");
    EXPECT_EQ(g_nStage, 1);
    EXPECT_EQ(g_pMaterial->m_strName, "STAL_45");
    EXPECT_EQ(g_pMaterial->FilePath(1), "STAL_45.mat");

    // The window's start-up folder, made absolute.
    fs::create_directory("start");
    NewMaterial("", "start");
    EXPECT_EQ(g_pMaterial->FilePath(1), (fs::absolute("start") / ".mat").string());
    EXPECT_EQ(g_pMaterial->FilePath(0), (fs::absolute("start") / "temp.mat").string());

    // Save As moves the material file and the work folder; Open File takes the file's folder.
    fs::create_directory("other");
    SaveMaterialAs("other/x.mat");
    EXPECT_EQ(g_pMaterial->m_strFileName, fs::absolute("other/x.mat").string());
    EXPECT_EQ(g_pMaterial->m_strWorkFolder, fs::absolute("other").string());
    EXPECT_TRUE(fs::is_regular_file("other/x.mat"));
    g_nStage = 2;
    OpenMaterial("other/x.mat");
    EXPECT_EQ(g_nStage, 3);
    EXPECT_EQ(g_pMaterial->m_strName, "");
    EXPECT_EQ(g_pMaterial->m_strWorkFolder, fs::absolute("other").string());
    // The batch mode keeps the current folder and the name as given.
    OpenMaterial("other/x.mat", {});
    EXPECT_EQ(g_pMaterial->m_strWorkFolder, "");
    EXPECT_EQ(g_pMaterial->FilePath(1), "other/x.mat");
}

// A material opened proposes the temperature its surface would be drawn at for the 3D
// view: here the middle of 1100..1250 deg C, which do not include 1000.
TEST_F(Operations, AnOpenedMaterialProposesATemperatureOfItsData) {
    WriteFiveRecords();
    NewMaterial("hot");
    for (int i = 2; i < 5; ++i)
        AddCurve(CurveFile(i), kTemps[i], kRates[i]);
    SaveMaterialAs("hot.mat");
    OpenMaterial("hot.mat");
    EXPECT_EQ(g_pMaterial->m_dTemp3d, 1175.0);
    // A curve added to the opened material (stage 3) takes the stage back to 2.
    AddCurve(CurveFile(0), kTemps[0], kRates[0]);
    EXPECT_EQ(g_nStage, 2);
}

// A run in a work folder writes every file of the run there, and the engine finds
// "temp.mat" there; the process's current folder is the same afterwards.
TEST_F(Operations, RunFilesLiveInTheWorkFolder) {
    WriteFiveRecords();
    fs::create_directory("work");
    NewMaterial("STAL_45", "work");
    for (int i = 0; i < 5; ++i)
        AddCurve(CurveFile(i), kTemps[i], kRates[i]);
    ChooseModel(9);
    const fs::path before = fs::current_path();
    const CRunResult result = Calc();
    EXPECT_EQ(fs::current_path(), before);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(g_nStage, 3);
    EXPECT_EQ(g_pMaterial->m_nPrepared, 1);
    for (const char* szFile : {"temp.mat", "progr.f90", "visual.tmp", "STAL_45.mat"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::path("work") / szFile)) << szFile;
        EXPECT_FALSE(fs::exists(szFile)) << szFile;
    }
    EXPECT_EQ(result.m_aOutputs[0].m_strPath, (fs::absolute("work") / "progr.f90").string());

    CSurfaceExportStatus status = ExportSurface3D(850);
    EXPECT_TRUE(status.Ok());
    EXPECT_EQ(g_pMaterial->m_dTemp3d, 850);
    EXPECT_NE(FileText("work/visual.tmp").find(" 850.000000 "), std::string::npos);
}

TEST_F(Operations, RemovingTheThirdOfFiveCurvesKeepsTheOthersInOrder) {
    FiveCurveMaterial();
    ChooseModel(2);
    ASSERT_TRUE(Calc().Ok()); // prepares the curves: 30 points each
    std::vector<std::string> aLabels;
    for (int i = 0; i < 5; ++i)
        aLabels.push_back(g_pMaterial->Curve(i).m_strLabel);
    g_pMaterial->m_nSelectedCurve = 4;

    RemoveCurve(3);
    const CMaterial& m = *g_pMaterial;
    ASSERT_EQ(m.m_nCurves, 4);
    EXPECT_EQ(m.Curve(0).m_strLabel, aLabels[0]);
    EXPECT_EQ(m.Curve(1).m_strLabel, aLabels[1]);
    EXPECT_EQ(m.Curve(2).m_strLabel, aLabels[3]);
    EXPECT_EQ(m.Curve(3).m_strLabel, aLabels[4]);
    EXPECT_EQ(m.Curve(4), CCurve()); // the freed slot
    EXPECT_EQ(m.m_nPoints, 4 * 30);
    EXPECT_EQ(m.m_nPoints, m.CountPoints());
    EXPECT_EQ(m.m_nCoef, 0);
    EXPECT_EQ(m.m_dErrorMax, 0);
    EXPECT_EQ(m.m_nSelectedCurve, 0);
    EXPECT_EQ(m.m_nPrepared, 1);
    EXPECT_EQ(m.m_nFunction, 2);
    EXPECT_EQ(g_nStage, 2);

    // The next fit works on the four curves.
    ASSERT_TRUE(Calc().Ok());
    EXPECT_EQ(g_pMaterial->m_nCurves, 4);
    EXPECT_EQ(ReadExchangeData("temp.mat", CExchangeLimits{}).m_aCurves.size(), 4u);
}

TEST_F(Operations, RemovingFromRawCurvesSubtractsThePointCount) {
    FiveCurveMaterial();
    const int nFirst = g_pMaterial->Curve(0).PointCount();
    RemoveCurve(1);
    RemoveCurve(4); // the last one
    EXPECT_EQ(g_pMaterial->m_nCurves, 3);
    EXPECT_EQ(g_pMaterial->Curve(0).m_strLabel, CurveFile(1));
    EXPECT_EQ(g_pMaterial->Curve(2).m_strLabel, CurveFile(3));
    EXPECT_EQ(g_pMaterial->m_nPoints, g_pMaterial->CountPoints());
    EXPECT_GT(nFirst, 0);
}

TEST_F(Operations, OptimizationReportsEachCandidateAsItFinishes) {
    FiveCurveMaterial();
    std::vector<int> aSeen;
    ::testing::internal::CaptureStdout();
    const COptimizationResult result = Optimization([&](const CCandidateReport& report) {
        aSeen.push_back(report.m_nModel);
        // The window reads the material while the search runs.
        EXPECT_EQ(g_pMaterial->m_nCoef, report.m_nCoef);
    });
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(aSeen, std::vector<int>(kBestModelCandidates.begin(), kBestModelCandidates.end()));
    ASSERT_EQ(result.m_aCandidates.size(), kBestModelCandidates.size());
    // Model 10, seventh candidate, needs nine curves and says so.
    const CCandidateReport& ten = result.m_aCandidates[6];
    EXPECT_EQ(ten.m_nModel, 10);
    EXPECT_EQ(ten.m_nCoef, 0);
    EXPECT_EQ(ten.m_strMessage, "KIVHOTPRAVEL1: the exchange file holds 5 curves; the law needs at least 9; the fit is refused");
    EXPECT_EQ(result.m_aCandidates[5].m_strMessage, ""); // model 9 fits
    ASSERT_NE(result.m_nChosen, 0);
    EXPECT_EQ(g_pMaterial->m_nFunction, result.m_nChosen);
    double dSmallest = 1e10;
    for (const CCandidateReport& report : result.m_aCandidates)
        dSmallest = std::min(dSmallest, report.m_dErrorMax);
    EXPECT_EQ(g_pMaterial->m_dErrorMax, dSmallest);
    EXPECT_TRUE(result.m_run.Ok());
    EXPECT_EQ(g_nStage, 3);
}

namespace {

struct SFailure {
    const char* m_szName;
    std::function<void()> m_operation;
    const char* m_szNamed; // what the message must name
};

void PrintTo(const SFailure& p, std::ostream* os) { *os << p.m_szName; }

class FailingOperation : public Operations, public ::testing::WithParamInterface<SFailure> {};

} // namespace

// A command that fails throws a message naming the value or file, and the material (the
// same object, equal to a copy taken before) and the stage stay as they were.
TEST_P(FailingOperation, NamesTheProblemAndLeavesTheMaterialAsItWas) {
    FiveCurveMaterial();
    ChooseModel(9);
    g_pMaterial->m_nSelectedCurve = 2;
    WriteText("broken.mat", "not a material");
    fs::create_directory("temp.mat.d");
    const CMaterial* pBefore = g_pMaterial.get();
    const CMaterial copy = *g_pMaterial;
    const int nStage = g_nStage;

    try {
        GetParam().m_operation();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().m_szNamed), std::string::npos) << e.what();
    }
    EXPECT_EQ(g_pMaterial.get(), pBefore);
    EXPECT_TRUE(*g_pMaterial == copy);
    EXPECT_EQ(g_nStage, nStage);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FailingOperation,
    ::testing::Values(
        SFailure{"OpenMalformedFile", [] { OpenMaterial("broken.mat"); }, "broken.mat"},
        SFailure{"OpenMissingFile", [] { OpenMaterial("absent.mat", {}); }, "absent.mat"},
        SFailure{"AddTooHot", [] { AddCurve("c1.asc", 2601, 1); }, "temperature 2601 is outside -200..2600 deg C"},
        SFailure{"AddNegativeRate", [] { AddCurve("c1.asc", 900, -1); }, "strain rate -1 is outside 0..10000 1/s"},
        SFailure{"AddMissingFile", [] { AddCurve("absent.asc", 900, 1); }, "absent.asc"},
        SFailure{"RemoveCurve0", [] { RemoveCurve(0); }, "curve 0 does not exist"},
        SFailure{"RemoveCurve201", [] { RemoveCurve(201); }, "curve 201 does not exist"},
        SFailure{"RemoveCurve6", [] { RemoveCurve(6); }, "numbered 1..5"},
        SFailure{"SelectCurve6", [] { SelectCurve(6); }, "curve 6"},
        SFailure{"ChooseModel99", [] { ChooseModel(99); }, "model 99"},
        SFailure{"SaveAsIntoMissingFolder", [] { SaveMaterialAs("no-such-folder/x.mat"); }, "no-such-folder"},
        SFailure{"SurfaceTooHot", [] { ExportSurface3D(1601); }, "temperature 1601 is outside 0..1600 deg C"},
        SFailure{"CalcWithoutExchangeFile",
                 [] {
                     fs::rename("temp.mat.d", "temp.mat");
                     Calc();
                 },
                 "temp.mat"},
        SFailure{"OptimizationWithoutExchangeFile",
                 [] {
                     fs::rename("temp.mat.d", "temp.mat");
                     Optimization();
                 },
                 "temp.mat"},
        SFailure{"CalcWhileAnotherRunUsesTheFolder",
                 [] {
                     CLockedByAnother other;
                     ASSERT_TRUE(other.Take());
                     Calc();
                 },
                 "another run uses the folder "},
        SFailure{"OptimizationWhileAnotherRunUsesTheFolder",
                 [] {
                     CLockedByAnother other;
                     ASSERT_TRUE(other.Take());
                     Optimization();
                 },
                 "another run uses the folder "},
        SFailure{"OptimizationStoppedByTheWindow",
                 [] { Optimization([](const CCandidateReport&) { throw std::runtime_error("stopped at model 1"); }); },
                 "model 1"}),
    [](const auto& info) { return std::string(info.param.m_szName); });

// While the engine works on the raw records, the command holds them once: set aside, not
// copied; the window sees the curves the engine returned, and a command that fails puts
// the same arrays back.
TEST_F(Operations, AFailedRunPutsTheSameRawArraysBack) {
    FiveCurveMaterial();
    std::vector<const CCurvePoint*> aBefore;
    for (int i = 0; i < 5; ++i)
        aBefore.push_back(g_pMaterial->Curve(i).m_pPoints.data());
    const CMaterial copy = *g_pMaterial;
    std::size_t nSeen = 0;
    EXPECT_THROW(Optimization([&](const CCandidateReport&) {
                     nSeen = g_pMaterial->Curve(0).m_pPoints.size();
                     throw std::runtime_error("stopped");
                 }),
                 std::runtime_error);
    EXPECT_EQ(nSeen, 30u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(g_pMaterial->Curve(i).m_pPoints.data(), aBefore[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(*g_pMaterial == copy);
}


TEST_F(Operations, CommandsNeedAMaterial) {
    EXPECT_THROW(AddCurve("c1.asc", 900, 1), CInputError);
    EXPECT_THROW(Calc(), CInputError);
    EXPECT_THROW(RemoveCurve(1), CInputError);
    EXPECT_EQ(g_pMaterial, nullptr);
    EXPECT_EQ(g_nStage, 0);
}

// Several files are added at once or not at all.
TEST_F(Operations, AddCurvesAddsEveryCurveOrNone) {
    for (int i = 0; i < 3; ++i)
        WriteRecord("r" + std::to_string(i) + ".asc", HenselSpittelLaw, 900 + 100 * i, 1, 40);
    WriteText("empty.asc", "h\nh\nh\n");
    NewMaterial("M");
    AddCurve("r0.asc", 900, 1);
    g_nStage = 3;
    const CMaterial before = *g_pMaterial;
    const std::vector<std::vector<CCurveSpec>> aRefused = {
        {{"r1.asc", 1000, 1}, {"empty.asc", 1000, 1}, {"r2.asc", 1100, 1}},
        {{"r1.asc", 1000, 1}, {"absent.asc", 1000, 1}},
        {{"r1.asc", 1000, 1}, {"r2.asc", 2700, 1}},
    };
    const char* aszNamed[] = {"empty.asc", "absent.asc", "r2.asc: temperature 2700"};
    for (std::size_t k = 0; k < aRefused.size(); ++k) {
        try {
            AddCurves(aRefused[k]);
            ADD_FAILURE() << "added " << k;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(aszNamed[k]), std::string::npos) << e.what();
        }
        EXPECT_TRUE(*g_pMaterial == before) << k;
        EXPECT_EQ(g_nStage, 3);
    }
    const std::vector<CImportSummary> aAdded = AddCurves({{"r2.asc", 1100, 1}, {"r1.asc", 1000, 1}}).m_aSummaries;
    ASSERT_EQ(aAdded.size(), 2u);
    EXPECT_EQ(g_pMaterial->m_nCurves, 3);
    EXPECT_EQ(g_pMaterial->Curve(1).m_strFile, "r2.asc");
    EXPECT_EQ(g_pMaterial->Curve(2).m_dTemp, 1000.0);
    EXPECT_EQ(g_pMaterial->m_nPoints, g_pMaterial->CountPoints());
    EXPECT_EQ(g_nStage, 2);
    // More than the material has room for: none.
    g_pMaterial->m_nCurves = kMaxExchangeCurves - 1;
    EXPECT_THROW(AddCurves({{"r1.asc", 1000, 1}, {"r2.asc", 1100, 1}}), CInputError);
    EXPECT_EQ(g_pMaterial->m_nCurves, kMaxExchangeCurves - 1);
}

TEST_F(Operations, CorrectedConditionsReachEveryPointAndClearTheFit) {
    WriteRecord("r.asc", HenselSpittelLaw, 900, 1, 40);
    NewMaterial("M");
    AddCurve("r.asc", 900, 1);
    AddCurve("r.asc", 1000, 1);
    CMaterial& material = *g_pMaterial;
    material.m_nPrepared = 1;
    material.m_nFunction = 9;
    material.m_nCoef = 4;
    material.m_dCoef[0] = 3;
    material.Curve(1).m_strLabel = RateTempLabel(1, 1000);
    g_nStage = 3;
    SetCurveConditions(2, 1050, 0.5);
    const CCurve& curve = material.Curve(1);
    EXPECT_EQ(curve.m_dTemp, 1050.0);
    EXPECT_EQ(curve.m_strLabel, RateTempLabel(0.5, 1050));
    for (const CCurvePoint& p : curve.m_pPoints) {
        EXPECT_EQ(p.m_dTemp, 1050.0);
        EXPECT_EQ(p.m_dRate, 0.5);
        EXPECT_EQ(p.m_dTime, p.m_dStrain / 0.5);
    }
    EXPECT_EQ(material.m_nCoef, 0);
    EXPECT_EQ(material.m_dCoef[0], 0.0);
    EXPECT_EQ(material.m_nFunction, 9);
    EXPECT_EQ(g_nStage, 2);
    EXPECT_EQ(material.Curve(0).m_dTemp, 900.0);
    // Out of range or no such curve: nothing changes.
    const CMaterial before = material;
    EXPECT_THROW(SetCurveConditions(1, 900, -1), CInputError);
    EXPECT_THROW(SetCurveConditions(3, 900, 1), CInputError);
    EXPECT_TRUE(*g_pMaterial == before);
}

// A curve left out stays in the material and its file but not in the fit: Calc and the
// Optimization give what they give on the material of the other curves alone.
TEST_F(Operations, ALeftOutCurveIsKeptButNotFittedOn) {
    WriteFiveRecords();
    const auto fit = [](bool bOptimize) {
        ChooseModel(9);
        if (bOptimize)
            EXPECT_TRUE(Optimization({}, CFitOptions{true}).m_run.Ok());
        else
            EXPECT_TRUE(Calc().Ok());
        return *g_pMaterial;
    };
    std::vector<CMaterial> aReference;
    NewMaterial("four");
    for (int i : {0, 1, 3, 4})
        AddCurve(CurveFile(i), kTemps[i], kRates[i]);
    SaveMaterialAs("four.mat");
    EXPECT_EQ(FileText("four.mat").find("left out"), std::string::npos); // no section without one
    for (bool bOptimize : {false, true})
        aReference.push_back(fit(bOptimize));

    FiveCurveMaterial();
    LeaveOutCurve(3, true);
    EXPECT_EQ(g_nStage, 2);
    EXPECT_EQ(CurvesFittedOn(*g_pMaterial), 4);
    for (bool bOptimize : {false, true}) {
        const CMaterial& reference = aReference[bOptimize];
        const CMaterial fitted = fit(bOptimize);
        EXPECT_EQ(fitted.m_nCurves, 5);
        EXPECT_EQ(fitted.m_nFunction, reference.m_nFunction);
        for (int k = 0; k < reference.m_nCoef; ++k)
            EXPECT_DOUBLE_EQ(fitted.m_dCoef[k], reference.m_dCoef[k]) << k;
        const CFitReport report = MakeFitReport(fitted);
        EXPECT_EQ(report.m_nUsed, 4);
        EXPECT_DOUBLE_EQ(report.m_all.m_dRms, MakeFitReport(reference).m_all.m_dRms);
        EXPECT_DOUBLE_EQ(fitted.m_dErrorMax, reference.m_dErrorMax);
        // The left-out curve is prepared as the others and carries the law's stresses.
        const CCurve& left = fitted.Curve(2);
        EXPECT_TRUE(left.m_bLeftOut);
        EXPECT_EQ(left.PointCount(), fitted.Curve(1).PointCount());
        EXPECT_DOUBLE_EQ(left.m_pPoints[10].m_dFitStress,
                         fitted.Evaluate(left.m_pPoints[10].m_dStrain, kTemps[2], kRates[2]));
        EXPECT_EQ(fitted.Curve(3).m_strFile, CurveFile(3));
    }
    // The mark goes through the material file; with every curve out Calc refuses.
    OpenMaterial("STAL_45.mat");
    EXPECT_TRUE(g_pMaterial->Curve(2).m_bLeftOut);
    EXPECT_EQ(CurvesFittedOn(*g_pMaterial), 4);
    for (int n = 1; n <= 5; ++n)
        LeaveOutCurve(n, true);
    const CMaterial before = *g_pMaterial;
    EXPECT_THROW(Calc(), CInputError);
    EXPECT_TRUE(*g_pMaterial == before);
}
