// Processing maps against the exact rate sensitivity of a hyperbolic-sine material: from
// the law to 1e-6, from the curves' cubics to 2 %; what cannot be mapped, the CSV text and
// the strains a user types.

#include "vornel/analysis/ProcessingMap.h"
#include "vornel/document/InputRanges.h"
#include "SinhMaterial.h"
#include "TestSupport.h"

#include <algorithm>
#include <cmath>

using namespace vornel_test;

TEST(ProcessingMap, FromTheLawEqualsTheAnalyticRateSensitivity) {
    const CMaterial material = SinhMaterial();
    const CMaterial before = material;
    const CProcessingMap map = MakeProcessingMap(material, 0.3, EMapSource::Law);
    ASSERT_TRUE(map.Ok()) << map.m_strMessage;
    EXPECT_TRUE(material == before);
    EXPECT_EQ(map.m_aTemps.front(), 1050.0);
    EXPECT_EQ(map.m_aRates.back(), 5.0);
    EXPECT_EQ(map.m_aMeasured.size(), 30u);
    EXPECT_EQ(MapTitle(map), "Processing map at strain 0.3, law of model 19");
    for (std::size_t r = 0; r < map.Rows(); ++r)
        for (std::size_t c = 0; c < map.Columns(); ++c) {
            const double H = map.m_aRates[r], t = map.m_aTemps[c];
            const double m = SinhM(H, t);
            // xi from the closed-form m by central differences over ln H.
            const double h = 1e-4;
            const double dSlope = (SinhM(H * std::exp(h), t) - SinhM(H * std::exp(-h), t)) / (2 * h);
            const std::size_t k = map.At(r, c);
            ASSERT_NEAR(map.m_aM[k], m, 1e-6) << "t= " << t << " H= " << H;
            ASSERT_NEAR(map.m_aEta[k], 2 * m / (m + 1), 1e-6);
            ASSERT_NEAR(map.m_aXi[k], dSlope / (m * (m + 1)) + m, 1e-6);
        }
}

TEST(ProcessingMap, FromTheCurvesIsWithinTwoPercentOfTheLaw) {
    const CMaterial material = SinhMaterial();
    for (double dStrain : {0.3, 0.5}) {
        const CProcessingMap map = MakeProcessingMap(material, dStrain, EMapSource::Data);
        ASSERT_TRUE(map.Ok()) << map.m_strMessage;
        EXPECT_EQ(map.m_aDegrees, std::vector<int>(5, 3));
        double dWorst = 0;
        for (std::size_t r = 0; r < map.Rows(); ++r)
            for (std::size_t c = 0; c < map.Columns(); ++c) {
                const double m = SinhM(map.m_aRates[r], map.m_aTemps[c]);
                const std::size_t k = map.At(r, c);
                dWorst = std::max({dWorst, std::fabs(map.m_aM[k] / m - 1),
                                   std::fabs(map.m_aEta[k] / (2 * m / (m + 1)) - 1)});
            }
        EXPECT_LT(dWorst, 0.02) << "strain " << dStrain;
    }
}

TEST(ProcessingMap, RefusesWhatItCannotMapWithTheReason) {
    const CMaterial sinh = SinhMaterial();
    CMaterial unfitted = sinh;
    unfitted.m_nCoef = 0;
    CMaterial strainOnly = sinh;
    strainOnly.m_nFunction = 2;
    strainOnly.m_nCoef = 2;
    strainOnly.m_dCoef[0] = 50;
    CMaterial oneTemp = sinh;
    oneTemp.m_nCurves = 6;
    CMaterial twoRates = sinh; // rate 0.001 only at 1050 deg C: that temperature is left out
    for (int i = 1; i < 6; ++i)
        twoRates.Curve(i).m_dRate = 0.001;
    const struct {
        const CMaterial* m_pMaterial;
        double m_dStrain;
        EMapSource m_eSource;
        const char* m_szReason; // empty: drawn
    } aCases[] = {
        {&unfitted, 0.3, EMapSource::Law, "the material has no fitted law"},
        {&unfitted, 0.3, EMapSource::Data, ""},
        {&strainOnly, 0.3, EMapSource::Law, "does not change with the strain rate"},
        {&oneTemp, 0.3, EMapSource::Data, "2 or more temperatures"},
        {&sinh, 0.9, EMapSource::Data, "fewer than 2 temperatures"},
        {&sinh, 0.0, EMapSource::Law, "must be a number above 0"},
        {&twoRates, 0.3, EMapSource::Data, ""},
    };
    for (const auto& test : aCases) {
        const CProcessingMap map = MakeProcessingMap(*test.m_pMaterial, test.m_dStrain, test.m_eSource, 11, 11);
        EXPECT_EQ(map.Ok(), !*test.m_szReason) << map.m_strMessage;
        EXPECT_NE(map.m_strMessage.find(test.m_szReason), std::string::npos) << map.m_strMessage;
    }
    const CProcessingMap partial = MakeProcessingMap(twoRates, 0.3, EMapSource::Data, 11, 11);
    EXPECT_EQ(partial.m_aDataTemps.size(), 4u);
    ASSERT_EQ(partial.m_aNotes.size(), 1u);
    EXPECT_NE(partial.m_aNotes[0].find("t= 1050"), std::string::npos);
}

TEST(ProcessingMap, CsvHoldsEveryGridPointOfEveryStrain) {
    const CMaterial material = SinhMaterial();
    const std::vector<CProcessingMap> aMaps = {MakeProcessingMap(material, 0.3, EMapSource::Law, 5, 4),
                                               MakeProcessingMap(material, 0.0, EMapSource::Law, 5, 4)};
    const std::vector<std::string> aLines = Lines(ProcessingMapCsv(aMaps));
    const auto header = std::find(aLines.begin(), aLines.end(), "strain,temperature_C,strain_rate_1/s,m,eta,xi");
    ASSERT_NE(header, aLines.end());
    EXPECT_EQ(aLines.end() - header - 1, 20); // the refused map adds its reason, no rows
    EXPECT_NE(aLines[2].find("not drawn: the strain 0"), std::string::npos);
    std::istringstream row(*(header + 1));
    std::vector<double> a;
    for (std::string strField; std::getline(row, strField, ',');)
        a.push_back(std::stod(strField));
    ASSERT_EQ(a.size(), 6u);
    EXPECT_EQ(a[0], 0.3);
    EXPECT_EQ(a[1], 1050.0);
    EXPECT_EQ(a[2], 0.001);
    EXPECT_EQ(a[3], aMaps[0].m_aM[0]);
    EXPECT_EQ(a[4], aMaps[0].m_aEta[0]);
}

TEST(ProcessingMap, StrainListsAndDefaultStrain) {
    EXPECT_EQ(ParseStrainList(" 0.3, 0.5 0.7"), (std::vector<double>{0.3, 0.5, 0.7}));
    for (const char* szBad : {"", "0.3,x", "0", "-0.1", "0.3,,nan"})
        EXPECT_THROW(ParseStrainList(szBad), CInputError) << szBad;
    EXPECT_EQ(DefaultMapStrain(SinhMaterial()), 0.4);
    EXPECT_EQ(DefaultMapStrain(CMaterial()), 0.0);
}

