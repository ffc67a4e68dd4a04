// The CalculiX deck of a fitted law, run by CalculiX: a unit cube of one C3D8 element, held on
// its three symmetry planes and compressed to 50 % true strain (its height to e^-0.5) with
// NLGEOM, at a grid temperature and at one between two grid temperatures. The stress CalculiX
// prints at every increment is the law at the equivalent plastic strain it prints, within 1 %
// from a plastic strain of 0.002 to 0.5. And a deck with its placeholders is refused.

#include "vornel/export/LawExport.h"
#include "MeasuredSets.h"
#include "TestSupport.h"
#include "vornel/document/Material.h"

#include <cmath>
#include <cstdio>
#include <regex>

using namespace vornel_test;

namespace {

// The cube around the deck "material.inp" of the material named strName, at dTemp deg C.
std::string CubeModel(const std::string& strName, double dTemp) {
    char szModel[1600];
    std::snprintf(szModel, sizeof szModel,
                  "*NODE, NSET=NALL\n1, 0, 0, 0\n2, 1, 0, 0\n3, 1, 1, 0\n4, 0, 1, 0\n"
                  "5, 0, 0, 1\n6, 1, 0, 1\n7, 1, 1, 1\n8, 0, 1, 1\n"
                  "*ELEMENT, TYPE=C3D8, ELSET=EALL\n1, 1, 2, 3, 4, 5, 6, 7, 8\n"
                  "*NSET, NSET=X0\n1, 4, 5, 8\n*NSET, NSET=Y0\n1, 2, 5, 6\n*NSET, NSET=Z0\n1, 2, 3, 4\n"
                  "*NSET, NSET=TOP\n5, 6, 7, 8\n*INCLUDE, INPUT=material.inp\n"
                  "*SOLID SECTION, ELSET=EALL, MATERIAL=%s\n*INITIAL CONDITIONS, TYPE=TEMPERATURE\nNALL, %.17g\n"
                  "*STEP, NLGEOM, INC=1000\n*STATIC\n0.005, 1, 1e-6, 0.005\n*BOUNDARY\nX0, 1, 1, 0\nY0, 2, 2, 0\n"
                  "Z0, 3, 3, 0\nTOP, 3, 3, %.17g\n*TEMPERATURE\nNALL, %.17g\n*EL PRINT, ELSET=EALL\nS, PEEQ\n"
                  "*END STEP\n",
                  strName.c_str(), dTemp, std::exp(-0.5) - 1, dTemp);
    return szModel;
}

// (equivalent plastic strain, |S33|) of the first integration point at every increment.
std::vector<std::pair<double, double>> PrintedStates(const std::string& strDat) {
    const std::regex stress(R"(stresses \(elem[^\n]*\n\n\s+1\s+1\s+\S+\s+\S+\s+(\S+))");
    const std::regex plastic(R"(equivalent plastic strain \(elem[^\n]*\n\n\s+1\s+1\s+(\S+))");
    std::vector<double> aStress, aPlastic;
    for (auto it = std::sregex_iterator(strDat.begin(), strDat.end(), stress); it != std::sregex_iterator(); ++it)
        aStress.push_back(std::fabs(std::stod((*it)[1])));
    for (auto it = std::sregex_iterator(strDat.begin(), strDat.end(), plastic); it != std::sregex_iterator(); ++it)
        aPlastic.push_back(std::stod((*it)[1]));
    std::vector<std::pair<double, double>> aStates;
    for (std::size_t i = 0; i < std::min(aStress.size(), aPlastic.size()); ++i)
        aStates.push_back({aPlastic[i], aStress[i]});
    return aStates;
}

// Runs the model strName.inp; false when CalculiX stopped with an error.
bool RunCalculix(const std::string& strName) {
#ifdef VORNEL_CCX
    return std::system((std::string("\"") + VORNEL_CCX + "\" " + strName + " > " + strName + ".log 2>&1").c_str()) == 0;
#else
    (void)strName;
    return false;
#endif
}

class CalculixDeck : public ScratchTest, public ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(CalculixDeck, CompressedInCalculixFollowsTheLaw) {
#ifndef VORNEL_CCX
    SkipOrFailWithoutOracle("ccx (CalculiX) was not found when the tests were configured; scripts/install-deps.sh installs "
                            "Debian's calculix-ccx");
#else
    const std::string strFolder = SharedDataSet("steel-gleeble");
    if (strFolder.empty())
        SkipOrFailWithoutOracle("the measured set steel-gleeble is not beside the checkout (../shared/data)");
    const int nModel = GetParam();
    auto pMaterial = LoadMeasuredSet(strFolder);
    pMaterial->m_strName = "steel";
    pMaterial->m_nFunction = nModel;
    pMaterial->m_johnsonCook.m_dMeltTemp = 1500;
    ASSERT_TRUE(pMaterial->FitModel(CFitOptions{true}).Ok());
    constexpr double kRate = 0.1;
    CDeckOptions deck;
    deck.SetElastic("150000,0.3");
    deck.SetDensity("7.8e-9");
    deck.SetRate("0.1");
    WriteLawExport(*FindExportFormat("calculix"), MakeLawExport(*pMaterial, {}, kExportFirstId, deck), "material.inp");
    for (double dTemp : {1100.0, 1125.0}) {
        WriteText("cube.inp", CubeModel("steel", dTemp));
        ASSERT_TRUE(RunCalculix("cube")) << FileText("cube.log");
        double dWorst = 0, dAt = 0;
        int nCompared = 0;
        for (const auto& [dPlastic, dStress] : PrintedStates(FileText("cube.dat"))) {
            if (dPlastic < 0.002 || dPlastic > 0.5)
                continue;
            const double dLaw = pMaterial->Evaluate(dPlastic, dTemp, kRate);
            if (const double d = std::fabs(dStress - dLaw) / dLaw; d > dWorst)
                dWorst = d, dAt = dPlastic;
            ++nCompared;
        }
        std::printf("model %d at %g deg C: %d increments, largest deviation %.3f %% at plastic strain %.4g\n", nModel,
                    dTemp, nCompared, 100 * dWorst, dAt);
        EXPECT_GT(nCompared, 50);
        EXPECT_LE(dWorst, 0.01) << "model " << nModel << " at " << dTemp << " deg C, plastic strain " << dAt;
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(SteelSet, CalculixDeck, ::testing::Values(9, 17, 19, 20),
                         [](const ::testing::TestParamInfo<int>& info) { return "Model" + std::to_string(info.param); });

// Without --elastic and --density the deck holds placeholders that CalculiX stops on.
TEST_F(ScratchTest, CalculixStopsOnThePlaceholders) {
#ifndef VORNEL_CCX
    SkipOrFailWithoutOracle("ccx (CalculiX) was not found when the tests were configured");
#else
    CMaterial material;
    material.m_strName = "plain";
    material.m_nFunction = 1;
    material.m_nCoef = 2;
    material.m_dCoef[0] = 200;
    material.m_dCoef[1] = 0.2;
    material.m_nCurves = 1;
    material.Curve(0).m_dTemp = 1100;
    material.Curve(0).m_dRate = 0.1;
    material.Curve(0).m_pPoints = {CCurvePoint{.m_dTemp = 1100, .m_dStrain = 0.6, .m_dRate = 0.1}};
    CDeckOptions deck;
    deck.SetRate("0.1");
    WriteLawExport(*FindExportFormat("calculix"), MakeLawExport(material, {}, kExportFirstId, deck), "material.inp");
    WriteText("cube.inp", CubeModel("plain", 1100));
    EXPECT_FALSE(RunCalculix("cube"));
    EXPECT_NE(FileText("cube.log").find("*ERROR reading *ELASTIC"), std::string::npos) << FileText("cube.log");
#endif
}
