// The approximation run through the engine, and the choice of the best model.

#include "vornel/run/Approximation.h"
#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SinhLaw.h"
#include "FitQuality.h"
#include "RecordFiles.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <cstring>
#include <filesystem>

using namespace vornel_test;

namespace {

const double kTemps[] = {900, 1000, 1100, 1200};
const double kRates[] = {0.1, 1.0, 10.0};

// Twelve raw curves (4 temperatures x 3 strain rates) of the Hensel-Spittel law.
std::unique_ptr<CMaterial> RawMaterial() {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strName = "STAL_45";
    pMaterial->m_strFileName = "STAL_45.mat";
    for (double dTemp : kTemps)
        for (double dRate : kRates) {
            const std::string strFile = "c_" + std::to_string(static_cast<int>(dTemp)) + "_" + std::to_string(dRate) + ".asc";
            WriteRecord(strFile, HenselSpittelLaw, dTemp, dRate);
            AddCurveFromFile(*pMaterial, strFile, dTemp, dRate);
        }
    return pMaterial;
}

// Already prepared curves (flag 1) of 30 points straight from a law, so that a fit can
// reproduce the law exactly.
std::unique_ptr<CMaterial> PreparedMaterial(const RecordLaw& law) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strFileName = "prepared.mat";
    pMaterial->m_nPrepared = 1;
    for (double dTemp : kTemps)
        for (double dRate : kRates) {
            CCurve& curve = pMaterial->Curve(pMaterial->m_nCurves++);
            curve.m_dTemp = dTemp;
            curve.m_dRate = dRate;
            for (int j = 1; j <= 30; ++j) {
                CCurvePoint p;
                p.m_dStrain = 0.8 * j / 30;
                p.m_dRate = dRate;
                p.m_dTemp = dTemp;
                p.m_dStress = law(p.m_dStrain, dRate, dTemp);
                curve.m_pPoints.push_back(p);
            }
            pMaterial->m_nPoints += 30;
        }
    return pMaterial;
}

int LineCount(const std::string& strText) { return static_cast<int>(std::count(strText.begin(), strText.end(), '\n')); }

} // namespace

// Tests that work in a fresh scratch folder.
class Approximation : public ScratchTest {};

TEST_F(Approximation, RunWithoutModelWritesEveryFileAndNoFit) {
    auto pMaterial = PreparedMaterial(HenselSpittelLaw);
    pMaterial->m_nFunction = 0;
    // A fit left from before must not come back as this run's.
    pMaterial->m_nCoef = 4;
    pMaterial->m_dCoef[0] = 5000;
    pMaterial->m_dErrorSr = 1.5;
    pMaterial->m_dErrorMax = 3.5;
    pMaterial->Curve(2).m_pPoints[4].m_dFitStress = 77;
    pMaterial->m_nSelectedCurve = 3;
    const CRunResult result = pMaterial->RunApproximation();
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.m_strMessage, "no model is chosen");
    EXPECT_EQ(pMaterial->m_nCoef, 0);
    EXPECT_EQ(pMaterial->m_dCoef[0], 0.0);
    EXPECT_EQ(pMaterial->m_dErrorMax, 0.0);
    EXPECT_EQ(pMaterial->Curve(2).m_pPoints[4].m_dFitStress, 0.0);
    EXPECT_EQ(pMaterial->m_nSelectedCurve, 3);
    EXPECT_EQ(LineCount(FileText("progr.f90")), 5);
    ASSERT_EQ(result.m_aOutputs.size(), 3u);
    for (const COutputFile& output : result.m_aOutputs)
        EXPECT_EQ(output.m_eStatus, EOutputStatus::Written) << output.m_strPath;
    EXPECT_TRUE(std::filesystem::exists("visual.tmp"));
    // Nothing called the engine: the exchange file holds what the workbench wrote.
    EXPECT_EQ(FileBytes("temp.mat"), FileBytes("prepared.mat"));
}

TEST_F(Approximation, FirstRunPreparesTheCurvesAndFitsTheLaw) {
    auto pMaterial = RawMaterial();
    pMaterial->m_nFunction = 9;
    pMaterial->ClearFit();
    const CRunResult result = pMaterial->RunApproximation();
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(pMaterial->m_nPrepared, 1);
    EXPECT_EQ(pMaterial->m_nPoints, 12 * 30);
    EXPECT_EQ(pMaterial->Curve(0).m_strLabel, "H= 0.100 Temp= 900.0 ");
    ASSERT_EQ(pMaterial->m_nCoef, 4);
    // The law comes back up to what the preparation changes: the first prepared point of
    // each curve, half of the second in strain and stress, lies below E^0.2 and pulls the
    // strain exponent up.
    EXPECT_NEAR(pMaterial->m_dCoef[1], 0.2, 0.06);
    EXPECT_NEAR(pMaterial->m_dCoef[2], 0.12, 0.01);
    EXPECT_NEAR(pMaterial->m_dCoef[3], -0.0025, 0.0002);
    // The material file holds the run's result.
    CMaterial saved;
    saved.m_strFileName = "STAL_45.mat";
    saved.ReadMaterialFile(1);
    EXPECT_EQ(saved.m_dCoef, pMaterial->m_dCoef);
    EXPECT_NE(FileText("progr.f90").find("Ks=A(1)*Eps**A(2)*H**A(3)*exp(A(4)*t)"), std::string::npos);

    // A second run fits the prepared curves as they are.
    const std::vector<CCurvePoint> aBefore = pMaterial->Curve(5).m_pPoints;
    pMaterial->RunApproximation();
    const std::vector<CCurvePoint>& aAfter = pMaterial->Curve(5).m_pPoints;
    ASSERT_EQ(aAfter.size(), aBefore.size());
    for (std::size_t j = 0; j < aAfter.size(); ++j)
        EXPECT_EQ(aAfter[j].m_dStrain, aBefore[j].m_dStrain);
}

struct SModelLaw {
    int m_nModel;
    std::vector<double> m_aCoef;
};

void PrintTo(const SModelLaw& p, std::ostream* os) { *os << "model " << p.m_nModel; }

class RunModel : public ScratchTest, public ::testing::WithParamInterface<SModelLaw> {};

// Model 8 fits the linear law it evaluates and exports; model 13 fits 1.73 A1 E^A2 H^A3
// exp(A4/t) and keeps A1 as fitted. Evaluate then reproduces the data.
TEST_P(RunModel, EvaluateReproducesTheFittedData) {
    const SModelLaw& c = GetParam();
    const CModelInfo* pModel = FindModel(c.m_nModel);
    ASSERT_NE(pModel, nullptr);
    auto law = [&](double E, double H, double t) { return pModel->m_pfnLaw(c.m_aCoef.data(), E, H, t); };
    auto pMaterial = PreparedMaterial(law);
    pMaterial->m_nFunction = c.m_nModel;
    ASSERT_TRUE(pMaterial->RunApproximation().Ok());
    ASSERT_EQ(pMaterial->m_nCoef, pModel->m_nCoef);
    for (int k = 0; k < pMaterial->m_nCoef; ++k)
        EXPECT_TRUE(Near(pMaterial->m_dCoef[static_cast<std::size_t>(k)], c.m_aCoef[static_cast<std::size_t>(k)], 1e-6))
            << "A" << k + 1;
    for (const CCurvePoint& p : pMaterial->Curve(7).m_pPoints)
        EXPECT_TRUE(Near(pMaterial->Evaluate(p.m_dStrain, p.m_dTemp, p.m_dRate), p.m_dStress, 1e-6));
}

INSTANTIATE_TEST_SUITE_P(Models, RunModel,
                         ::testing::Values(SModelLaw{8, {300, 120, 2.5, -0.2}}, SModelLaw{13, {0.05, 0.2, 0.12, 9000}},
                                           SModelLaw{9, {5000, 0.2, 0.12, -0.0025}},
                                           SModelLaw{14, {4000, 0.25, -0.3, 0.1, -0.0022}},
                                           SModelLaw{16, {400, 150, 3, -0.25, -80, -0.02, 0.00005, 30, -10}}));

TEST_F(Approximation, RefusedFitLeavesNoCoefficients) {
    auto pMaterial = PreparedMaterial(HenselSpittelLaw);
    pMaterial->m_nCurves = 3; // three curves: the regression refuses
    pMaterial->m_nPoints = 90;
    pMaterial->m_nFunction = 9;
    ::testing::internal::CaptureStdout();
    const CRunResult result = pMaterial->RunApproximation();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(pMaterial->m_dErrorMax, 100000.0);
    // The three curves share one temperature.
    EXPECT_EQ(result.m_strMessage, "KIVHENZSPITTMNK: the temperatures of the points span 0 deg C; the law needs a "
                                   "spread of at least 0.1 deg C; the fit is refused");
    EXPECT_TRUE(result.m_aWarnings.empty());
}

// A kernel condition during a fit reaches the result, not standard output.
TEST_F(Approximation, KernelWarningGoesIntoTheResult) {
    auto pMaterial = PreparedMaterial([](double E, double, double) { return 100 + 50 * E; });
    pMaterial->m_nFunction = 2; // the straight line fits exactly
    ::testing::internal::CaptureStdout();
    const CRunResult result = pMaterial->RunApproximation();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(result.m_strMessage, "");
    ASSERT_EQ(result.m_aWarnings.size(), 1u);
    EXPECT_EQ(result.m_aWarnings[0].rfind(" *** WARNING ERROR 109 from DRCURV.  ", 0), 0u) << result.m_aWarnings[0];
}

class BlockedOutput : public ScratchTest, public ::testing::WithParamInterface<int> {};

// An output that cannot be written (a folder stands in its place) is reported with its
// reason; the run still writes the other two and keeps the fit.
TEST_P(BlockedOutput, IsReportedAndTheOthersAreWritten) {
    const std::array<std::string, 3> aNames = {"progr.f90", "visual.tmp", "prepared.mat"};
    const std::size_t nBlocked = static_cast<std::size_t>(GetParam());
    std::filesystem::create_directory(aNames[nBlocked]);
    auto pMaterial = PreparedMaterial(HenselSpittelLaw);
    pMaterial->m_nFunction = 9;
    const CRunResult result = pMaterial->RunApproximation();
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(pMaterial->m_nCoef, 4);
    EXPECT_TRUE(result.AnyOutputFailed());
    ASSERT_EQ(result.m_aOutputs.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const COutputFile& output = result.m_aOutputs[i];
        EXPECT_EQ(output.m_strPath, aNames[i]);
        if (i == nBlocked) {
            EXPECT_EQ(output.m_eStatus, EOutputStatus::Failed);
            EXPECT_NE(output.m_strMessage.find("not a regular file"), std::string::npos) << output.m_strMessage;
        } else {
            EXPECT_EQ(output.m_eStatus, EOutputStatus::Written);
            EXPECT_TRUE(std::filesystem::is_regular_file(aNames[i])) << aNames[i];
        }
    }
}

const char* const kOutputNames[] = {"Fortran", "Surface", "MaterialFile"};
INSTANTIATE_TEST_SUITE_P(EachOutput, BlockedOutput, ::testing::Values(0, 1, 2),
                         [](const auto& info) { return std::string(kOutputNames[info.param]); });

namespace {

// A stand-in engine: writes into "temp.mat" a fit of the candidate's coefficient count
// with ErrorMax from a table, or the refusal result or a wrong coefficient count for the
// candidates listed there, and says so as the engine does. A candidate listed as refused
// with a small ErrorMax stands for a fit the engine found not finite. It counts its calls
// in the first point's auxiliary value (so each call must see the file the previous one
// wrote) and records the order of the calls.
struct CFakeEngine {
    std::map<int, double> m_errors;
    std::set<int> m_refused;
    std::set<int> m_wrongCount;
    std::set<int> m_fullDisk; // cannot write its result back
    std::vector<int> m_aCalls;
    CEngineStatus operator()(int nModel) {
        m_aCalls.push_back(nModel);
        if (m_fullDisk.count(nModel))
            return {TARNFIT_FILE_UNUSABLE, "FAKE: temp.mat: cannot write the file: No space left on device"};
        CExchangeData data = ReadExchangeData("temp.mat", CExchangeLimits{});
        CExchangePoint& first = data.m_aCurves[0].m_aPoints[0];
        first.m_dAux += 1;
        first.m_dFitStress = 1.0;
        data.m_dErrorMax = m_errors.count(nModel) ? m_errors[nModel] : 500.0;
        data.m_aCoef.assign(static_cast<std::size_t>(FindModel(nModel)->m_nCoef + (m_wrongCount.count(nModel) ? 1 : 0)), 1.0);
        CEngineStatus status{TARNFIT_FITTED, ""};
        if (m_refused.count(nModel)) {
            data.m_aCoef.clear();
            data.m_dErrorSr = 100000.0;
            status = {TARNFIT_REFUSED, "FAKE" + std::to_string(nModel) + ": refused"};
        }
        WriteExchangeData("temp.mat", data, EExchangeTrailer::ErrorsAgain);
        return status;
    }
};

} // namespace

TEST_F(Approximation, BestModelTriesTheCandidatesInOrderAndKeepsTheStrictlySmallest) {
    auto pMaterial = PreparedMaterial(HenselSpittelLaw);
    CFakeEngine engine;
    engine.m_errors = {{3, 20.0}, {11, 20.0}, {5, 1.0}, {8, 1.0}, {13, 1.0}, {17, 30.0}};
    pMaterial->FindBestModelWith(std::ref(engine));
    EXPECT_EQ(engine.m_aCalls, (std::vector<int>(kBestModelCandidates.begin(), kBestModelCandidates.end())));
    EXPECT_EQ(pMaterial->m_nFunction, 3); // 11 ties with 3 and comes later; 5, 8, 13 never run
    EXPECT_EQ(pMaterial->Curve(0).m_pPoints[0].m_dAux, 14.0);
}

// Only a usable fit competes, whatever its error: a refusal's 100000 is no error of a fit
// (stresses in Pa have larger errors), and neither a refusal behind a small ErrorMax nor a
// result with another model's coefficient count is a fit of the candidate.
TEST_F(Approximation, BestModelChoosesOnlyAmongUsableFits) {
    auto pMaterial = PreparedMaterial(HenselSpittelLaw);
    CFakeEngine engine;
    for (int nModel : kBestModelCandidates) {
        engine.m_refused.insert(nModel);
        engine.m_errors[nModel] = 100000.0;
    }
    pMaterial->m_nFunction = 9;
    pMaterial->FindBestModelWith(std::ref(engine));
    EXPECT_EQ(pMaterial->m_nFunction, 0) << "every candidate was refused";

    engine.m_refused.erase(14);
    engine.m_errors[14] = 3.0e12; // fitted, in Pa, above the refusal value and above 1e10
    engine.m_errors[7] = 1.0; // still refused
    engine.m_refused.erase(16);
    engine.m_wrongCount.insert(16);
    engine.m_errors[16] = 1.0;
    const std::vector<CCandidateReport> aReports = pMaterial->FindBestModelWith(std::ref(engine));
    EXPECT_EQ(pMaterial->m_nFunction, 14);
    ASSERT_EQ(aReports.size(), kBestModelCandidates.size());
    EXPECT_EQ(aReports[4].m_nModel, 7);
    EXPECT_EQ(aReports[4].m_nCoef, 0);
    EXPECT_EQ(aReports[4].m_strMessage, "FAKE7: refused");
    EXPECT_EQ(aReports[11].m_strMessage, "model 16: the engine returned 10 coefficients instead of 9");
    EXPECT_EQ(aReports[9].m_strMessage, "");

    // An engine that cannot write its result back stops the search as a file error.
    engine.m_fullDisk.insert(10);
    try {
        pMaterial->FindBestModelWith(std::ref(engine));
        ADD_FAILURE() << "a search without the engine's results went on";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), pMaterial->FilePath(0));
        EXPECT_NE(e.Reason().find("No space left on device"), std::string::npos) << e.what();
    }
}

namespace {

// Twelve records (4 temperatures x 3 strain rates) shaped like test-machine output: dwells
// of 3 to 15 samples at strain exactly 0, rises of 40 to 300 samples, tails of 2 to 20
// samples, stresses from the Hensel-Spittel law times dScale with 0.4 % noise.
std::unique_ptr<CMaterial> DwellMaterial(double dScale) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strFileName = "dwell.mat";
    const int aDwell[] = {3, 15, 7, 12, 4, 9, 15, 5, 10, 3, 8, 13};
    const int aRise[] = {40, 300, 52, 45, 120, 60, 41, 75, 58, 200, 47, 55};
    const int aTail[] = {2, 20, 5, 11, 3, 17, 8, 2, 20, 6, 14, 9};
    auto law = [dScale](double E, double H, double t) { return dScale * HenselSpittelLaw(E, H, t); };
    int i = 0;
    for (double dTemp : kTemps)
        for (double dRate : kRates) {
            const std::string strFile = "d" + std::to_string(i) + ".asc";
            WriteRecord(strFile, law, dTemp, dRate, aRise[i], 0.6 + 0.05 * i, aDwell[i], aTail[i], 0.004, 100u + i);
            AddCurveFromFile(*pMaterial, strFile, dTemp, dRate);
            ++i;
        }
    return pMaterial;
}

} // namespace

// Every model fits the dwell records; the prepared curves stay within the records' stresses
// and at strains of at least 0.
TEST_F(Approximation, DwellRecordsPrepareToPlausibleCurvesThatEveryModelFits) {
    auto pMaterial = DwellMaterial(1.0);
    std::vector<double> aLargest;
    for (int c = 0; c < pMaterial->m_nCurves; ++c) {
        double dLargest = 0;
        for (const CCurvePoint& p : pMaterial->Curve(c).m_pPoints)
            dLargest = std::max(dLargest, p.m_dStress);
        aLargest.push_back(dLargest);
    }
    pMaterial->m_nFunction = 2;
    ASSERT_TRUE(pMaterial->RunApproximation().Ok()); // prepares the curves once
    ASSERT_EQ(pMaterial->m_nPrepared, 1);
    for (int c = 0; c < pMaterial->m_nCurves; ++c)
        for (const CCurvePoint& p : pMaterial->Curve(c).m_pPoints) {
            EXPECT_GE(p.m_dStrain, 0.0) << "curve " << c + 1;
            EXPECT_GE(p.m_dStress, 0.0) << "curve " << c + 1;
            EXPECT_LE(p.m_dStress, 1.5 * aLargest[static_cast<std::size_t>(c)]) << "curve " << c + 1;
        }
    for (int nModel = 1; nModel <= 19; ++nModel) {
        CMaterial single = *pMaterial;
        single.m_nFunction = nModel;
        const CRunResult result = single.RunApproximation();
        EXPECT_TRUE(result.Ok()) << "model " << nModel << ": " << result.m_strMessage;
        // A law through the data: it deviates from no point by as much as the largest stress.
        EXPECT_LT(single.m_dErrorMax, *std::max_element(aLargest.begin(), aLargest.end())) << "model " << nModel;
    }
}

// With the real engine, the chosen model has the smallest ErrorMax of the candidates fitted
// one by one on the same prepared curves, with the stresses in MPa and in Pa alike.
class BestModel : public ScratchTest, public ::testing::WithParamInterface<double> {};

TEST_P(BestModel, MatchesTheCandidatesFittedOneByOne) {
    auto pMaterial = DwellMaterial(GetParam());
    pMaterial->m_nFunction = 2;
    ASSERT_TRUE(pMaterial->RunApproximation().Ok()); // prepares the curves once
    double dBest = INFINITY;
    int nBest = 0;
    for (int nModel : kBestModelCandidates) {
        CMaterial single = *pMaterial;
        single.m_nFunction = nModel;
        single.ClearFit();
        if (single.RunApproximation().Ok() && single.m_dErrorMax < dBest) {
            dBest = single.m_dErrorMax;
            nBest = nModel;
        }
    }
    ASSERT_NE(nBest, 0);
    pMaterial->FindBestModel();
    EXPECT_EQ(pMaterial->m_nFunction, nBest);
    ASSERT_TRUE(pMaterial->RunApproximation().Ok());
    EXPECT_EQ(pMaterial->m_dErrorMax, dBest);
}

INSTANTIATE_TEST_SUITE_P(StressUnits, BestModel, ::testing::Values(1.0, 1.0e6),
                         [](const auto& info) { return info.param == 1.0 ? std::string("MPa") : std::string("Pa"); });

// The Optimization ranks model 19 with the refined candidates and leaves it out otherwise.
TEST_F(ScratchTest, OptimizationTriesModel19OnlyWhenRefining) {
    auto pMaterial = NoisyPreparedMaterial(kSinhModel, kSinhSteelLaw, 0.003, 3);
    const std::vector<CCandidateReport> aPlain = CMaterial(*pMaterial).FindBestModel();
    ASSERT_EQ(aPlain.size(), kBestModelCandidates.size());
    EXPECT_NE(aPlain.back().m_nModel, kSinhModel);

    const std::vector<CCandidateReport> aRefined = pMaterial->FindBestModel({}, CFitOptions{true});
    ASSERT_EQ(aRefined.size(), kRefinedModelCandidates.size());
    const CCandidateReport& sinh = aRefined.back();
    EXPECT_EQ(sinh.m_nModel, kSinhModel);
    EXPECT_EQ(sinh.m_nCoef, kSinhCoef);
    ASSERT_TRUE(sinh.m_refinement && sinh.m_refinement->m_confidence);
    for (const CCandidateReport& report : aRefined) {
        if (report.m_nCoef > 0 && report.m_nModel != kSinhModel) {
            EXPECT_LT(sinh.m_dRms, report.m_dRms) << "model " << report.m_nModel;
        }
    }
    EXPECT_EQ(pMaterial->m_nFunction, kSinhModel);
    const CRunResult run = pMaterial->RunApproximation(CFitOptions{true});
    ASSERT_TRUE(run.Ok());
    EXPECT_DOUBLE_EQ(MakeFitReport(*pMaterial).m_all.m_dRms, sinh.m_dRms);
}
