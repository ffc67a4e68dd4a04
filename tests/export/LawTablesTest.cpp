// The solver tables of the fitted law (Abaqus *PLASTIC, LS-DYNA keywords, CSV), read back by
// parsers of each layout: every value equals CMaterial::Evaluate at its node to the printed
// precision, the nodes are the grid's, the LS-DYNA fields sit in their columns. Then the
// grid and its options and the refusals of MakeLawExport.

#include "vornel/export/LawExport.h"
#include "LawSamples.h"
#include "TestSupport.h"
#include "vornel/document/Material.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <tuple>

using namespace vornel_test;

namespace {

// The number that is the whole of text (blanks around it allowed).
double Number(const std::string& strText) {
    const std::size_t nFirst = strText.find_first_not_of(' ');
    const std::size_t nLast = strText.find_last_not_of(' ');
    EXPECT_NE(nFirst, std::string::npos) << "an empty field";
    if (nFirst == std::string::npos)
        return std::nan("");
    const std::string strNumber = strText.substr(nFirst, nLast - nFirst + 1);
    char* pEnd = nullptr;
    const double dValue = std::strtod(strNumber.c_str(), &pEnd);
    EXPECT_EQ(*pEnd, '\0') << "\"" << strNumber << "\" is not a number";
    return dValue;
}

std::vector<std::string> Split(const std::string& strLine, char cSeparator) {
    std::vector<std::string> aFields;
    std::size_t nStart = 0;
    for (std::size_t nEnd; (nEnd = strLine.find(cSeparator, nStart)) != std::string::npos; nStart = nEnd + 1)
        aFields.push_back(strLine.substr(nStart, nEnd - nStart));
    aFields.push_back(strLine.substr(nStart));
    return aFields;
}

// dPrinted is dExact written with nDigits significant digits.
::testing::AssertionResult Printed(double dPrinted, double dExact, int nDigits) {
    if (dExact == 0)
        return dPrinted == 0 ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << dPrinted << " for 0";
    const double dUnit = std::pow(10.0, std::floor(std::log10(std::fabs(dExact))) - nDigits + 1);
    if (std::fabs(dPrinted - dExact) <= 0.5 * dUnit * (1 + 1e-9))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << dPrinted << " is not " << Digits17(dExact) << " to " << nDigits
                                         << " digits";
}

// The lines that are not comments (comment marks: "#", "**", "$").
std::vector<std::string> Cards(const std::string& strText, const std::string& strComment) {
    std::vector<std::string> aCards;
    for (const std::string& strLine : Lines(strText))
        if (!strLine.starts_with(strComment))
            aCards.push_back(strLine);
    return aCards;
}

// The cases: a few laws, with the measured grid and with a grid the user set.
struct STableCase {
    const char* m_szName;
    int m_nModel;
    const char* m_szStrains;
    const char* m_szRates;
    const char* m_szTemps;
};

void PrintTo(const STableCase& c, std::ostream* os) { *os << c.m_szName; }

class LawTables : public ::testing::TestWithParam<STableCase> {
protected:
    void SetUp() override {
        const STableCase& c = GetParam();
        std::mt19937 rng(static_cast<unsigned>(c.m_nModel));
        m_material = TableMaterial(c.m_nModel, TypicalCoefficients(c.m_nModel, rng));
        CExportGridOptions options;
        options.SetStrains(c.m_szStrains);
        options.SetRates(c.m_szRates);
        options.SetTemps(c.m_szTemps);
        m_law = MakeLawExport(m_material, options, 5000);
        m_grid = m_law.m_grid;
    }

    double Evaluate(std::size_t iTemp, std::size_t iRate, std::size_t iStrain) const {
        return m_material.Evaluate(m_grid.m_aStrains[iStrain], m_grid.m_aTemps[iTemp], m_grid.m_aRates[iRate]);
    }
    std::string Text(const char* szFormat) const { return FindExportFormat(szFormat)->m_pfnText(m_law); }

    CMaterial m_material;
    CLawExport m_law;
    CExportGrid m_grid;
};

} // namespace

// The grid asked for is the measured one unless set; the tables' grid holds its every node,
// the strain bound 0.001 and the nodes the refinement added, ascending.
TEST_P(LawTables, TheGridIsTheMeasuredOneUnlessSetRefinedWhereTheLawBends) {
    const STableCase& c = GetParam();
    const CExportGrid& base = m_law.m_baseGrid;
    if (*c.m_szTemps == '\0') {
        EXPECT_EQ(base.m_aTemps, (std::vector<double>{900, 1000, 1150}));
        EXPECT_EQ(base.m_aRates, (std::vector<double>{0.01, 1, 10}));
        ASSERT_EQ(base.m_aStrains.size(), 41u);
        EXPECT_EQ(base.m_aStrains.back(), 0.8);
        EXPECT_NEAR(base.m_aStrains[1], 0.02, 1e-15);
    }
    const auto holds = [](const std::vector<double>& aGrid, const std::vector<double>& aNodes) {
        return std::is_sorted(aGrid.begin(), aGrid.end()) &&
               std::all_of(aNodes.begin(), aNodes.end(), [&](double d) {
                   return std::find(aGrid.begin(), aGrid.end(), d) != aGrid.end();
               });
    };
    EXPECT_TRUE(holds(m_grid.m_aStrains, base.m_aStrains));
    EXPECT_TRUE(holds(m_grid.m_aStrains, {0.0, kEvaluateMinStrain}));
    EXPECT_TRUE(holds(m_grid.m_aRates, base.m_aRates));
    EXPECT_TRUE(holds(m_grid.m_aTemps, base.m_aTemps));
    EXPECT_GT(m_grid.m_aStrains.size(), base.m_aStrains.size());
    EXPECT_LE(m_law.m_interpolation.m_dRelative, kTableTolerance);
}

TEST_P(LawTables, CsvHoldsEveryNodeToSeventeenDigits) {
    const std::vector<std::string> aCards = Cards(Text("csv"), "#");
    ASSERT_EQ(aCards.size(), 1 + m_grid.NodeCount());
    EXPECT_EQ(aCards[0], "temperature_C,strain_rate_1/s,strain,stress_MPa");
    std::size_t nRow = 1;
    for (std::size_t iTemp = 0; iTemp < m_grid.m_aTemps.size(); ++iTemp)
        for (std::size_t iRate = 0; iRate < m_grid.m_aRates.size(); ++iRate)
            for (std::size_t iStrain = 0; iStrain < m_grid.m_aStrains.size(); ++iStrain, ++nRow) {
                const std::vector<std::string> aFields = Split(aCards[nRow], ',');
                ASSERT_EQ(aFields.size(), 4u) << aCards[nRow];
                EXPECT_EQ(Number(aFields[0]), m_grid.m_aTemps[iTemp]);
                EXPECT_EQ(Number(aFields[1]), m_grid.m_aRates[iRate]);
                EXPECT_EQ(Number(aFields[2]), m_grid.m_aStrains[iStrain]);
                EXPECT_EQ(Number(aFields[3]), Evaluate(iTemp, iRate, iStrain)) << aCards[nRow];
            }
}

TEST_P(LawTables, AbaqusHoldsOnePlasticBlockPerRate) {
    const std::vector<std::string> aCards = Cards(Text("abaqus"), "**");
    const std::vector<std::string> aHead = {"*MATERIAL, NAME=table_test", "*ELASTIC", "<YOUNGS_MODULUS>, <POISSON_RATIO>",
                                            "*DENSITY", "<DENSITY>"};
    ASSERT_GT(aCards.size(), aHead.size());
    EXPECT_EQ(std::vector<std::string>(aCards.begin(), aCards.begin() + 5), aHead);
    std::size_t nCard = aHead.size();
    for (std::size_t iRate = 0; iRate < m_grid.m_aRates.size(); ++iRate) {
        ASSERT_LT(nCard, aCards.size());
        ASSERT_TRUE(aCards[nCard].starts_with("*PLASTIC, RATE=")) << aCards[nCard];
        EXPECT_TRUE(Printed(Number(aCards[nCard].substr(15)), m_grid.m_aRates[iRate], 9));
        ++nCard;
        for (std::size_t iTemp = 0; iTemp < m_grid.m_aTemps.size(); ++iTemp)
            for (std::size_t iStrain = 0; iStrain < m_grid.m_aStrains.size(); ++iStrain, ++nCard) {
                ASSERT_LT(nCard, aCards.size());
                const std::vector<std::string> aFields = Split(aCards[nCard], ',');
                ASSERT_EQ(aFields.size(), 3u) << aCards[nCard];
                EXPECT_TRUE(Printed(Number(aFields[0]), Evaluate(iTemp, iRate, iStrain), 9)) << aCards[nCard];
                EXPECT_TRUE(Printed(Number(aFields[1]), m_grid.m_aStrains[iStrain], 9)) << aCards[nCard];
                EXPECT_TRUE(Printed(Number(aFields[2]), m_grid.m_aTemps[iTemp], 9)) << aCards[nCard];
            }
    }
    EXPECT_EQ(nCard, aCards.size());
}

// The keyword file read by its fixed columns: header cards of 10-character fields, value
// cards of 20, each field right-aligned, and the ids tying the tables together.
TEST_P(LawTables, LsDynaTablesSitInTheirColumns) {
    const std::vector<std::string> aCards = Cards(Text("lsdyna"), "$");
    // The deck's grid: its rates refined for log interpolation, a rate 0 as the bound 0.0001.
    CExportGrid base = m_law.m_baseGrid;
    for (double& dRate : base.m_aRates)
        dRate = std::max(dRate, kEvaluateMinRate);
    base.m_aRates.erase(std::unique(base.m_aRates.begin(), base.m_aRates.end()), base.m_aRates.end());
    m_grid = LawOnGrid(m_law, base, ERateAxis::Log).m_grid;
    ASSERT_GE(aCards.size(), 2u);
    EXPECT_EQ(aCards.front(), "*KEYWORD");
    EXPECT_EQ(aCards.back(), "*END");
    const auto fields = [](const std::string& strCard, std::size_t nCount, std::size_t nWidth) {
        std::vector<double> aValues;
        EXPECT_EQ(strCard.size(), nCount * nWidth) << "\"" << strCard << "\"";
        for (std::size_t k = 0; k < nCount && (k + 1) * nWidth <= strCard.size(); ++k) {
            const std::string strField = strCard.substr(k * nWidth, nWidth);
            EXPECT_NE(strField.back(), ' ') << "not right-aligned: \"" << strCard << "\"";
            aValues.push_back(Number(strField));
        }
        aValues.resize(nCount, std::nan(""));
        return aValues;
    };
    std::map<int, std::vector<double>> tables;                   // id -> rates
    std::map<int, std::vector<std::pair<double, double>>> curves; // id -> (strain, stress)
    std::vector<int> aOrder;                                       // ids as defined
    std::vector<std::pair<double, int>> aTable3d;
    std::vector<std::pair<int, int>> aMaterials; // MID, LCSS
    int nTable3d = 0;
    for (std::size_t n = 1; n + 1 < aCards.size();) {
        const std::string strKeyword = aCards[n++];
        std::vector<std::string> aBody;
        while (n + 1 < aCards.size() && !aCards[n].starts_with("*"))
            aBody.push_back(aCards[n++]);
        ASSERT_FALSE(aBody.empty()) << strKeyword;
        if (strKeyword == "*MAT_PIECEWISE_LINEAR_PLASTICITY_LOG_INTERPOLATION") {
            ASSERT_EQ(aBody.size(), 4u);
            EXPECT_TRUE(aBody[0].starts_with(std::string(10 - std::to_string(5000 + aMaterials.size()).size(), ' ') +
                                             std::to_string(5000 + aMaterials.size()) + "      &RHO     &EMOD       &PR"))
                << aBody[0];
            aMaterials.push_back({5000 + static_cast<int>(aMaterials.size()), static_cast<int>(fields(aBody[1], 5, 10)[2])});
        } else if (strKeyword == "*DEFINE_TABLE" || strKeyword == "*DEFINE_TABLE_3D") {
            const std::vector<double> aHead = fields(aBody[0], 3, 10);
            EXPECT_EQ(aHead[1], 1.0);
            EXPECT_EQ(aHead[2], 0.0);
            const int nId = static_cast<int>(aHead[0]);
            aOrder.push_back(nId);
            for (std::size_t k = 1; k < aBody.size(); ++k) {
                if (strKeyword == "*DEFINE_TABLE") {
                    tables[nId].push_back(fields(aBody[k], 1, 20)[0]);
                } else {
                    const std::vector<double> aCard = fields(aBody[k], 2, 20);
                    aTable3d.push_back({aCard[0], static_cast<int>(aCard[1])});
                }
            }
            if (strKeyword == "*DEFINE_TABLE_3D")
                nTable3d = nId;
        } else {
            ASSERT_EQ(strKeyword, "*DEFINE_CURVE");
            const std::vector<double> aHead = fields(aBody[0], 7, 10);
            EXPECT_EQ(std::vector<double>(aHead.begin() + 1, aHead.end()), (std::vector<double>{0, 1, 1, 0, 0, 0}));
            const int nId = static_cast<int>(aHead[0]);
            aOrder.push_back(nId);
            for (std::size_t k = 1; k < aBody.size(); ++k) {
                const std::vector<double> aPair = fields(aBody[k], 2, 20);
                curves[nId].push_back({aPair[0], aPair[1]});
            }
        }
    }
    // Ids from the first one, each once: the 3D table, then each table followed by its curves.
    EXPECT_EQ(nTable3d, 5000);
    EXPECT_EQ(std::set<int>(aOrder.begin(), aOrder.end()).size(), aOrder.size());
    ASSERT_EQ(aTable3d.size(), m_grid.m_aTemps.size());
    ASSERT_EQ(aMaterials.size(), m_grid.m_aTemps.size());
    for (std::size_t iTemp = 0; iTemp < m_grid.m_aTemps.size(); ++iTemp) {
        EXPECT_TRUE(Printed(aTable3d[iTemp].first, m_grid.m_aTemps[iTemp], 12));
        const int nTable = aTable3d[iTemp].second;
        EXPECT_EQ(aMaterials[iTemp].second, nTable) << "the card of the temperature points at its table";
        ASSERT_EQ(tables.count(nTable), 1u) << nTable;
        const std::vector<double>& aRates = tables[nTable];
        ASSERT_EQ(aRates.size(), m_grid.m_aRates.size());
        const auto itTable = std::find(aOrder.begin(), aOrder.end(), nTable);
        for (std::size_t iRate = 0; iRate < aRates.size(); ++iRate) {
            EXPECT_TRUE(Printed(aRates[iRate], m_grid.m_aRates[iRate], 12));
            // The curves follow their table in the order of its rates.
            ASSERT_LT(static_cast<std::size_t>(itTable - aOrder.begin()) + 1 + iRate, aOrder.size());
            const int nCurve = *(itTable + 1 + static_cast<std::ptrdiff_t>(iRate));
            const std::vector<std::pair<double, double>>& aPairs = curves[nCurve];
            ASSERT_EQ(aPairs.size(), m_grid.m_aStrains.size()) << nCurve;
            for (std::size_t iStrain = 0; iStrain < aPairs.size(); ++iStrain) {
                EXPECT_TRUE(Printed(aPairs[iStrain].first, m_grid.m_aStrains[iStrain], 12));
                EXPECT_TRUE(Printed(aPairs[iStrain].second, Evaluate(iTemp, iRate, iStrain), 12)) << nCurve;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Laws, LawTables,
                         ::testing::Values(STableCase{"HenselSpittel", 9, "", "", ""},
                                           STableCase{"Polynomial", 16, "", "", ""},
                                           STableCase{"Gridan", 18, "", "", ""},
                                           STableCase{"GridanOnAGridOfItsOwn", 18, "1.5:15", "0.001, 100,0.5,0.5",
                                                      "1250,800"},
                                           STableCase{"RateZero", 17, "0.3:3", "0,0.00005,2", "1000"},
                                           STableCase{"SinhBeyondItsStrains", 19, "1.5:15", "0,0.01,10", "900,1200"}),
                         [](const ::testing::TestParamInfo<STableCase>& info) { return info.param.m_szName; });

// ---- grid options and refusals ---------------------------------------------------------

// The texts of the grid options: what each sets, or the words of its refusal.
TEST(ExportGridOptions, TakeTheirTextsOrNameWhatIsWrong) {
    struct SCase {
        const char* m_szField; // "strains", "rates" or "temps"
        const char* m_szText;
        std::vector<double> m_aExpected; // strains: MAX, N
        const char* m_szError;           // null when accepted
    };
    const SCase aCases[] = {
        {"strains", "1.2:12", {1.2, 12}, nullptr},
        {"strains", " 0.5 : 3 ", {0.5, 3}, nullptr},
        {"strains", "", {0, 0}, nullptr},
        {"strains", "1.2", {}, "\"1.2\" is not MAX:N"},
        {"strains", "0:10", {}, "the largest strain 0 is not a finite number above 0"},
        {"strains", "1:0", {}, "the number of steps \"0\" is not a whole number from 1 to 10000"},
        {"strains", "1:2.5", {}, "the number of steps \"2.5\""},
        {"strains", "x:4", {}, "\"x\" is not a number"},
        {"rates", "10, 0.1,1,1", {0.1, 1, 10}, nullptr},
        {"rates", "+2", {2}, nullptr},
        {"rates", "-1,2", {}, "the strain rate -1 is below 0"},
        {"rates", "1,,2", {}, "\"\" is not a number"},
        {"rates", "nan", {}, "nan is not a finite number"},
        {"rates", "1;2", {}, "\"1;2\" is not a number"},
        {"temps", "1100,900", {900, 1100}, nullptr},
        {"temps", "  ", {}, nullptr},
        {"temps", "1e999", {}, "\"1e999\" is not a number"},
    };
    for (const SCase& c : aCases) {
        CExportGridOptions options;
        const std::string strField = c.m_szField;
        try {
            if (strField == "strains")
                options.SetStrains(c.m_szText);
            else if (strField == "rates")
                options.SetRates(c.m_szText);
            else
                options.SetTemps(c.m_szText);
            EXPECT_EQ(c.m_szError, nullptr) << c.m_szText << " was accepted";
        } catch (const CExportError& e) {
            ASSERT_NE(c.m_szError, nullptr) << c.m_szText << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.m_szError), std::string::npos) << e.what();
            continue;
        }
        if (strField == "strains")
            EXPECT_EQ((std::vector<double>{options.m_dMaxStrain, static_cast<double>(options.m_nStrainSteps)}),
                      c.m_aExpected)
                << c.m_szText;
        else
            EXPECT_EQ(strField == "rates" ? options.m_aRates : options.m_aTemps, c.m_aExpected) << c.m_szText;
    }
}

TEST(MakeLawExport, RefusesWhatCannotBeExported) {
    const auto refusal = [](const CMaterial& material) {
        try {
            MakeLawExport(material);
        } catch (const CExportError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    CMaterial material = TableMaterial(9, {5000, 0.2, 0.12, -0.0025});
    EXPECT_EQ(refusal(material), "accepted");
    CMaterial noModel = material;
    noModel.m_nFunction = 0;
    EXPECT_EQ(refusal(noModel), "there is no fitted law to export: no model is chosen");
    CMaterial cleared = material;
    cleared.ClearFit();
    EXPECT_EQ(refusal(cleared),
              "there is no fitted law to export: model 9 has 4 coefficients, the material holds 0 (fit the model first)");
    CMaterial notFinite = material;
    notFinite.m_dCoef[2] = std::nan("");
    EXPECT_EQ(refusal(notFinite), "there is no fitted law to export: model 9: coefficient A3 is nan, not a finite number");
    CMaterial noCurves = material;
    for (int c = 0; c < noCurves.m_nCurves; ++c)
        noCurves.Curve(c).m_pPoints.clear();
    EXPECT_EQ(refusal(noCurves), "the material has no measured curve to take the ranges of the law from");
    EXPECT_THROW(MakeLawExport(material, {}, 0), CExportError);
    // The LS-DYNA ids must stay within 32-bit integers.
    const CLawExport law = MakeLawExport(material, {}, 2147483640);
    EXPECT_THROW(FindExportFormat("lsdyna")->m_pfnText(law), CExportError);
}

// ---- unit systems and native cards ---------------------------------------------------------

// The CSV, the Abaqus deck and the LS-DYNA deck in SI with kelvin and in GPa-mm-ms are the
// default ones with every number converted by what it is (stress, strain rate, temperature;
// strains and ids as they are), to the digits printed.
TEST(ExportUnits, DecksInOtherSystemsAreTheDefaultConverted) {
    std::mt19937 rng(17);
    const CLawExport law = MakeLawExport(TableMaterial(17, TypicalCoefficients(17, rng)));
    for (const char* szUnits : {"Pa-m-s-K", "GPa-mm-ms"}) {
        CLawExport other = law;
        other.m_deck.SetUnits(szUnits);
        const CExportUnits& units = other.m_deck.m_units;
        const auto convert = [&](char cKind, double d) {
            return cKind == 's' ? units.Stress(d) : cKind == 'r' ? units.Rate(d) : cKind == 't' ? units.Temp(d) : d;
        };
        for (const auto& [szFormat, szComment] : {std::pair{"csv", "#"}, {"abaqus", "**"}, {"lsdyna", "$"}}) {
            const std::vector<std::string> aOld = Cards(FindExportFormat(szFormat)->m_pfnText(law), szComment);
            const std::vector<std::string> aNew = Cards(FindExportFormat(szFormat)->m_pfnText(other), szComment);
            ASSERT_EQ(aOld.size(), aNew.size()) << szFormat;
            std::string strKeyword;
            for (std::size_t n = 1; n < aOld.size(); ++n) {
                // What each field of the line is, and the fields.
                std::string strKinds;
                std::vector<std::string> aFieldsOld, aFieldsNew;
                if (aOld[n].starts_with("*PLASTIC, RATE=")) {
                    strKinds = "r";
                    aFieldsOld = {aOld[n].substr(15)};
                    aFieldsNew = {aNew[n].substr(15)};
                } else if (aOld[n].starts_with("*") || aOld[n].starts_with("<")) {
                    strKeyword = aOld[n];
                    EXPECT_EQ(aNew[n], aOld[n]);
                    continue;
                } else if (std::string(szFormat) != "lsdyna") {
                    strKinds = std::string(szFormat) == "csv" ? "tres" : "set";
                    aFieldsOld = Split(aOld[n], ',');
                    aFieldsNew = Split(aNew[n], ',');
                } else if (aOld[n].size() == 20 || aOld[n].size() == 40) { // a value card
                    strKinds = strKeyword == "*DEFINE_TABLE" ? "r" : strKeyword == "*DEFINE_CURVE" ? "es" : "te";
                    for (std::size_t k = 0; k < aOld[n].size(); k += 20) {
                        aFieldsOld.push_back(aOld[n].substr(k, 20));
                        aFieldsNew.push_back(aNew[n].substr(k, 20));
                    }
                } else {
                    EXPECT_EQ(aNew[n], aOld[n]);
                    continue;
                }
                ASSERT_EQ(aFieldsOld.size(), strKinds.size()) << szFormat << ": " << aOld[n];
                for (std::size_t k = 0; k < strKinds.size(); ++k) {
                    const double dExpected = convert(strKinds[k], Number(aFieldsOld[k]));
                    EXPECT_NEAR(Number(aFieldsNew[k]), dExpected, 1e-8 * std::fabs(dExpected))
                        << szFormat << " " << szUnits << ": " << aOld[n] << " -> " << aNew[n];
                }
            }
        }
    }
}

// The /MAT/LAW103 card of models 9, 14 and 18 (its A7 and A8 0), read back and evaluated by
// the card's formula as OpenRadioss computes it (sigeps103.F: eps = EPS_0 + plastic strain,
// T = the model's temperature in K - 273.15, the strain rate in 1/s), gives Evaluate at 1000
// points of plastic strain 0.001 and above, strain rate 0.0001 1/s and above, in MPa-mm-s
// and in GPa-mm-ms; other laws are refused with the reason.
TEST(OpenRadiossCard, GivesTheLawAtAThousandPoints) {
    std::mt19937 rng(103);
    for (int nModel : {9, 14, 18}) {
        std::vector<double> aCoef = TypicalCoefficients(nModel, rng);
        if (nModel == 18)
            aCoef[6] = aCoef[7] = 0;
        const CMaterial material = TableMaterial(nModel, aCoef);
        for (const char* szUnits : {"", "GPa-mm-ms"}) {
            CDeckOptions deck;
            deck.SetUnits(szUnits);
            const CLawExport law = MakeLawExport(material, {}, 5000, deck);
            const std::string strText = FindExportFormat("openradioss")->m_pfnText(law);
            std::vector<std::string> aCards = Cards(strText.substr(strText.find("/MAT/LAW103/5000\n")), "#");
            ASSERT_EQ(aCards.size(), 8u) << strText;
            const auto field = [&](std::size_t nCard, std::size_t k) {
                const std::size_t nStart = nCard == 6 && k > 0 ? 10 + 20 * (k - 1) : 20 * k;
                return Number(aCards[nCard].substr(nStart, nCard == 6 && k == 0 ? 10 : 20));
            };
            const double A0 = field(4, 0), m1 = field(4, 1), m2 = field(4, 2), m3 = field(4, 3), m4 = field(4, 4);
            const double m5 = field(5, 0), m7 = field(5, 1), dEps0 = field(6, 2);
            std::uniform_real_distribution<double> strain(0.001, 1.2), logRate(std::log(1e-4), std::log(100.0)),
                kelvin(700 + 273.15, 1250 + 273.15);
            for (int i = 0; i < 1000; ++i) {
                const double dPlastic = strain(rng), dRate = std::exp(logRate(rng)), dKelvin = kelvin(rng);
                const double eps = dEps0 + dPlastic, T = dKelvin - 273.15;
                const double dCard = A0 * std::exp(m1 * T) * std::pow(eps, m2) * std::pow(dRate, m3) *
                                     std::exp(m4 / eps) * std::pow(1 + eps, m5 * T) * std::exp(m7 * eps);
                EXPECT_TRUE(Near(dCard, deck.m_units.Stress(material.Evaluate(dPlastic, T, dRate)), 1e-9))
                    << "model " << nModel << " " << szUnits << " at " << dPlastic << ", " << dRate << ", " << dKelvin;
            }
        }
    }
    std::vector<double> aGridan = TypicalCoefficients(18, rng);
    for (const auto& [nModel, aCoef, szReason] :
         {std::tuple{17, TypicalCoefficients(17, rng), "model 17's law is not of that form"},
          {18, aGridan, "model 18's A7 = "}}) {
        const CLawExport law = MakeLawExport(TableMaterial(nModel, aCoef));
        try {
            FindExportFormat("openradioss")->m_pfnText(law);
            ADD_FAILURE() << "model " << nModel << " was written";
        } catch (const CExportError& e) {
            EXPECT_NE(std::string(e.what()).find(szReason), std::string::npos) << e.what();
        }
    }
}

// The native Johnson-Cook cards of model 20, in GPa-mm-ms-K: Abaqus's *PLASTIC, HARDENING=
// JOHNSON COOK and *RATE DEPENDENT hold A, B, n, m, tm, tr and C, H0; each LS-DYNA *MAT_098
// card holds A and B times 1 - T*^m at its temperature, N, C and EPS0 = H0 (its stress at
// the card's temperature and H0 is the law's there).
TEST(JohnsonCookCards, HoldTheLawConverted) {
    std::mt19937 rng(20);
    const std::vector<double> A = TypicalCoefficients(20, rng);
    CDeckOptions deck;
    deck.SetUnits("GPa-mm-ms-K");
    const CLawExport law = MakeLawExport(TableMaterial(20, A), {}, 5000, deck);
    const std::vector<std::string> aAbaqus = Cards(FindExportFormat("abaqus")->m_pfnText(law), "**");
    const auto at = std::find(aAbaqus.begin(), aAbaqus.end(), "*PLASTIC, HARDENING=JOHNSON COOK");
    ASSERT_TRUE(at != aAbaqus.end() && at + 3 < aAbaqus.end());
    ASSERT_EQ(*(at + 2), "*RATE DEPENDENT, TYPE=JOHNSON COOK");
    const std::vector<std::string> aPlastic = Split(*(at + 1), ','), aRate = Split(*(at + 3), ',');
    ASSERT_EQ(aPlastic.size(), 6u);
    ASSERT_EQ(aRate.size(), 2u);
    const double adPlastic[6] = {1e-3 * A[0], 1e-3 * A[1], A[2], A[4], A[7] + 273.15, A[6] + 273.15};
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_TRUE(Printed(Number(aPlastic[k]), adPlastic[k], 9)) << *(at + 1);
    EXPECT_TRUE(Printed(Number(aRate[0]), A[3], 9));
    EXPECT_TRUE(Printed(Number(aRate[1]), 1e-3 * A[5], 9));

    const std::vector<std::string> aDyna = Cards(FindExportFormat("lsdyna")->m_pfnText(law), "$");
    const std::vector<double> aTemps = LawOnGrid(law, law.m_baseGrid, ERateAxis::Log).m_grid.m_aTemps;
    std::size_t nCards = 0;
    for (std::size_t n = 0; n + 2 < aDyna.size(); ++n) {
        if (aDyna[n] != "*MAT_SIMPLIFIED_JOHNSON_COOK")
            continue;
        ASSERT_LT(nCards, aTemps.size());
        const double dTemp = aTemps[nCards]; // the cards follow the deck's grid temperatures
        EXPECT_EQ(Number(aDyna[n + 1].substr(0, 10)), 5000.0 + static_cast<double>(nCards++));
        double adCard[8];
        for (std::size_t k = 0; k < 8; ++k)
            adCard[k] = Number(aDyna[n + 2].substr(10 * k, 10));
        const double dLaw = 1e-3 * TableMaterial(20, A).Evaluate(1.0, dTemp, A[5]);
        EXPECT_NEAR(adCard[0] + adCard[1], dLaw, 1e-6 * dLaw) << "t = " << dTemp;
        EXPECT_NEAR(adCard[2], A[2], 1e-6 * A[2]);
        EXPECT_NEAR(adCard[3], A[3], 1e-6 * A[3]);
        EXPECT_NEAR(adCard[7], 1e-3 * A[5], 1e-12);
    }
    EXPECT_EQ(nCards, aTemps.size());
}
