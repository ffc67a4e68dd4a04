// The law check on laws built to fail each property, on the tables' grid and beyond the
// measured ranges.

#include "vornel/export/LawCheck.h"
#include "vornel/export/LawExport.h"
#include "LawSamples.h"

#include <cmath>

using namespace vornel_test;

TEST(LawCheck, FindsEachPropertyAtItsWorstNode) {
    CExportGrid grid;
    grid.m_aTemps = {900, 1000, 1100};
    grid.m_aRates = {0.1, 1, 10};
    grid.m_aStrains = {0, 0.5, 1};
    const auto hs = [](double A4, double A3, double E, double H, double t) {
        return 5000 * std::pow(E, 0.2) * std::pow(H, A3) * std::exp(A4 * t);
    };
    struct SCase {
        const char* m_szName;
        int m_nModel;
        std::vector<double> m_aCoef;
        std::vector<double> m_aTemps; // empty: the grid's
        std::vector<std::string> m_aMessages;
    };
    char szRise[160], szFall[160];
    std::snprintf(szRise, sizeof szRise,
                  "law check: the stress rises with temperature at E=1, H=10, t=1100 (dKs/dt = %g)",
                  0.002 * hs(0.002, 0.12, 1, 10, 1100));
    std::snprintf(szFall, sizeof szFall, "law check: the stress falls with strain rate at E=1, H=0.1, t=900 (dKs/dH = %g)",
                  -0.1 * hs(-0.0025, -0.1, 1, 0.1, 900) / 0.1);
    const SCase aCases[] = {
        {"a fitted steel law", 9, {5000, 0.2, 0.12, -0.0025}, {}, {}},
        {"a law of the strain alone", 1, {200, 0.2}, {}, {}},
        {"a law that rises with temperature", 9, {5000, 0.2, 0.12, 0.002}, {}, {szRise}},
        {"a law that falls with strain rate", 9, {5000, 0.2, -0.1, -0.0025}, {}, {szFall}},
        {"a line below 0 at small strains", 2, {-50, 100}, {},
         {"law check: the stress is not a finite number above 0 at E=0, H=0.1, t=900 (Ks = -49.9)"}},
        {"a pole at t = 0", 13, {20, 0.2, 0.12, 3000}, {-100, 0, 100},
         {"law check: the stress is not a finite number above 0 at E=0, H=0.1, t=0 (Ks = inf)"}},
    };
    for (const SCase& c : aCases) {
        CExportGrid caseGrid = grid;
        if (!c.m_aTemps.empty())
            caseGrid.m_aTemps = c.m_aTemps;
        std::vector<std::string> aMessages;
        for (const CLawFinding& finding : CheckLaw(c.m_nModel, c.m_aCoef.data(), caseGrid))
            aMessages.push_back(finding.Message());
        EXPECT_EQ(aMessages, c.m_aMessages) << c.m_szName;
    }
}

// The subroutines are checked beyond the measured ranges, where a law may fail that passes
// on the tables.
TEST(LawCheck, CoversTheSubroutinesBeyondTheMeasuredRanges) {
    // 5 + 100 E - 50 E^2 stays above 0 up to twice the measured strain 0.8 (its root is at
    // 2.05); 5 + 100 E - 80 E^2 passes on the tables but falls below 0 at 1.30.
    const CMaterial material = TableMaterial(3, {5, 100, -50});
    const CLawExport law = MakeLawExport(material);
    EXPECT_TRUE(law.m_aTableCheck.empty());
    EXPECT_TRUE(law.m_aSubroutineCheck.empty());
    const CExportGrid grid = SubroutineCheckGrid(law.m_measured);
    EXPECT_DOUBLE_EQ(grid.m_aStrains.back(), 1.6);
    EXPECT_EQ(grid.m_aStrains.size(), 41u);
    EXPECT_NEAR(grid.m_aRates.front(), 0.001, 1e-15);
    EXPECT_NEAR(grid.m_aRates.back(), 100, 1e-12);
    EXPECT_EQ(grid.m_aRates.size(), 25u);
    EXPECT_EQ(grid.m_aTemps.front(), 900);
    EXPECT_EQ(grid.m_aTemps.back(), 1150);
    const CMaterial steeper = TableMaterial(3, {5, 100, -80});
    const CLawExport steeperLaw = MakeLawExport(steeper);
    EXPECT_TRUE(steeperLaw.m_aTableCheck.empty());
    ASSERT_EQ(steeperLaw.m_aSubroutineCheck.size(), 1u);
    EXPECT_EQ(steeperLaw.m_aSubroutineCheck[0].m_eProperty, ELawProperty::FinitePositive);
    EXPECT_DOUBLE_EQ(steeperLaw.m_aSubroutineCheck[0].m_dStrain, 1.6);
    const std::string strUhard = FindExportFormat("uhard")->m_pfnText(steeperLaw);
    EXPECT_NE(strUhard.find("C law check: the stress is not a finite number above 0 at E=1.6"), std::string::npos);
}
