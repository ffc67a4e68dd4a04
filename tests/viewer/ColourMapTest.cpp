// Colours by node value, face values, the legend's labels and its colour bar.

#include "TestSupport.h"
#include "orbiq/ColourMap.h"

#include <random>

using vornel_test::Near;

struct CColourCase {
    const char* szName;
    float a, b, v;
    int nType;
    CColour expected;
};
void PrintTo(const CColourCase& c, std::ostream* os) { *os << c.szName; }

class FaceColourScale : public ::testing::TestWithParam<CColourCase> {};

TEST_P(FaceColourScale, GivesTheColourOfTheScale) {
    const CColourCase& c = GetParam();
    const CColour colour = FaceColour(c.a, c.b, c.v, c.nType);
    EXPECT_TRUE(Near(colour.r, c.expected.r, 1e-6)) << "red " << colour.r;
    EXPECT_TRUE(Near(colour.g, c.expected.g, 1e-6)) << "green " << colour.g;
    EXPECT_TRUE(Near(colour.b, c.expected.b, 1e-6)) << "blue " << colour.b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FaceColourScale,
    ::testing::Values(
        // Four bands over 0..8: blue, cyan, green, yellow, red at the band limits.
        CColourCase{"FourBand0", 0, 8, 0, kValueVz, {0, 0, 1}}, CColourCase{"FourBand1", 0, 8, 1, kValueVz, {0, 0.5f, 1}},
        CColourCase{"FourBand2", 0, 8, 2, kValueVz, {0, 1, 1}}, CColourCase{"FourBand3", 0, 8, 3, kValueVx, {0, 1, 0.5f}},
        CColourCase{"FourBand4", 0, 8, 4, kValueVz, {0, 1, 0}}, CColourCase{"FourBand5", 0, 8, 5, kValueVy, {0.5f, 1, 0}},
        CColourCase{"FourBand6", 0, 8, 6, kValueVz, {1, 1, 0}}, CColourCase{"FourBand7", 0, 8, 7, 15, {1, 0.5f, 0}},
        CColourCase{"FourBand8", 0, 8, 8, kValueVz, {1, 0, 0}},
        // The temperature scale over 100..300: dark red, red, yellow.
        CColourCase{"Temperature100", 100, 300, 100, kValueT, {0.5f, 0, 0}},
        CColourCase{"Temperature150", 100, 300, 150, kValueT, {0.75f, 0, 0}},
        CColourCase{"Temperature200", 100, 300, 200, kValueT, {1, 0, 0}},
        CColourCase{"Temperature250", 100, 300, 250, kValueT, {1, 0.5f, 0}},
        CColourCase{"Temperature300", 100, 300, 300, kValueT, {1, 1, 0}},
        // Outside the scale, not a number, or a scale without width: the colour of an end.
        CColourCase{"BelowScale", 0, 8, -3, kValueVz, {0, 0, 1}}, CColourCase{"AboveScale", 0, 8, 9, kValueVz, {1, 0, 0}},
        CColourCase{"NotANumber", 0, 8, std::nanf(""), kValueVz, {0, 0, 1}},
        CColourCase{"NoWidth", 5, 5, 5, kValueVz, {0, 0, 1}}, CColourCase{"NoWidthTemperature", 5, 5, 5, kValueT, {0.5f, 0, 0}}),
    [](const auto& info) { return std::string(info.param.szName); });

// Both neighbouring formulas give the same colour at a band limit: the scale is continuous.
TEST(FaceColour, IsContinuousAcrossEveryBandLimit) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-500, 500);
    for (int nTrial = 0; nTrial < 50; ++nTrial) {
        const float a = u(rng), b = a + 1 + std::fabs(u(rng));
        for (int nType : {kValueVz, kValueT}) {
            const int nBands = nType == kValueT ? 2 : 4;
            for (int k = 1; k < nBands; ++k) {
                const float fLimit = a + (b - a) * static_cast<float>(k) / static_cast<float>(nBands);
                const float fEps = (b - a) * 1e-4f;
                const CColour below = FaceColour(a, b, fLimit - fEps, nType);
                const CColour above = FaceColour(a, b, fLimit + fEps, nType);
                EXPECT_NEAR(below.r, above.r, 2e-3) << a << " " << b << " band " << k;
                EXPECT_NEAR(below.g, above.g, 2e-3) << a << " " << b << " band " << k;
                EXPECT_NEAR(below.b, above.b, 2e-3) << a << " " << b << " band " << k;
            }
        }
    }
}

TEST(FaceValue, IsTheMeanOfItsNodesInSinglePrecision) {
    NodeValueStore store;
    store.Allocate(3);
    store.Store(0, {0.1f, 1, 0, 0, 900});
    store.Store(1, {0.2f, 2, 0, 0, 1000});
    store.Store(2, {0.4f, 4, 0, 0, 1100});
    const std::array<std::int32_t, 3> aNodes{2, 0, 1};   // P, Q, R
    // (v(R) + v(Q) + v(P)) x 0.33333334, in float: R = node 1, Q = node 0, P = node 2.
    EXPECT_EQ(FaceValue(store, aNodes, kValueVx), (0.2f + 0.1f + 0.4f) * 0.33333334f);
    EXPECT_EQ(FaceValue(store, aNodes, kValueVy), 7.0f * 0.33333334f);
    EXPECT_EQ(FaceValue(store, aNodes, kValueT), 3000.0f * 0.33333334f);
    EXPECT_EQ(FaceValue(store, aNodes, kValueNone), 0.0f);
}

TEST(LegendValues, SixEqualStepsAsTheColoursRun) {
    const CLegendValues legend = SetLegendValues(0, 6, "Vz");
    EXPECT_EQ(legend.aLabels, (std::array<std::string, 7>{"0.000000", "1.000000", "2.000000", "3.000000", "4.000000",
                                                           "5.000000", "6.000000"}));
    // The labels at the ends and the middle are the values of the bar's band boundaries
    // there: blue, green, red.
    const auto colour = [](const std::string& strLabel) { return FaceColour(66.1f, 163.02f, std::stof(strLabel), 1); };
    const CLegendValues measured = SetLegendValues(66.1f, 163.02f, "Sigma");
    EXPECT_EQ(colour(measured.aLabels[0]).g, 0.0f);
    EXPECT_NEAR(colour(measured.aLabels[3]).r, 0.0f, 1e-5);
    EXPECT_NEAR(colour(measured.aLabels[3]).b, 0.0f, 1e-5);
    EXPECT_NEAR(colour(measured.aLabels[6]).g, 0.0f, 1e-5);
    EXPECT_NEAR(std::stod(measured.aLabels[5]) - std::stod(measured.aLabels[4]), (163.02 - 66.1) / 6, 1e-4);
    EXPECT_EQ(legend.strTitle, "View legend: function Vz");
    EXPECT_FALSE(legend.bTemperature);

    const CLegendValues temperature = SetLegendValues(-70, 0, "T");
    EXPECT_EQ(temperature.aLabels[0], "-70.000000");
    EXPECT_EQ(temperature.aLabels[3], "-35.000000");
    EXPECT_EQ(temperature.aLabels[6], "0.000000");
    EXPECT_TRUE(temperature.bTemperature);
    EXPECT_EQ(SetLegendValues(0, 0, "None").strTitle, "View legend: function None");
}

TEST(LegendLines, PaintFourBandsFromRedAtTheBottomToBlueAtTheTop) {
    // Framed area 100 x 440 at (5, 7): the bar spans x 15..94 and y 22..431, H = 409, q = 102.
    const std::vector<CLegendLine> aLines = LegendLines(5, 7, 104, 446, false);
    ASSERT_EQ(aLines.size(), 1024u);
    for (const CLegendLine& line : aLines) {
        EXPECT_EQ(line.nLeft, 15);
        EXPECT_EQ(line.nRight, 94);
        EXPECT_GE(line.nY, 431 - 4 * 102);
        EXPECT_LE(line.nY, 431);
    }
    auto Colour = [](const CLegendLine& line) { return std::array<int, 3>{line.r, line.g, line.b}; };
    EXPECT_EQ(aLines.front().nY, 431);
    EXPECT_EQ(Colour(aLines.front()), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(aLines[255].nY, 431 - 102);
    EXPECT_EQ(Colour(aLines[255]), (std::array<int, 3>{255, 255, 0}));
    EXPECT_EQ(Colour(aLines[256]), (std::array<int, 3>{255, 255, 0}));
    EXPECT_EQ(Colour(aLines[512 + 255]), (std::array<int, 3>{0, 255, 255}));
    EXPECT_EQ(aLines.back().nY, 431 - 4 * 102);
    EXPECT_EQ(Colour(aLines.back()), (std::array<int, 3>{0, 0, 255}));
    // Line i of band k lies at bottom - k q - i q / 255 (integer division).
    EXPECT_EQ(aLines[2 * 256 + 128].nY, 431 - 2 * 102 - 128 * 102 / 255);
}

TEST(LegendLines, PaintTheTemperatureScaleFromBlackAtTheTopToYellow) {
    const std::vector<CLegendLine> aLines = LegendLines(0, 0, 99, 331, true);   // H = 301, h = 150
    ASSERT_EQ(aLines.size(), 512u);
    EXPECT_EQ(aLines.front().nY, 15);
    EXPECT_EQ((std::array<int, 3>{aLines.front().r, aLines.front().g, aLines.front().b}), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(aLines[255].nY, 15 + 150);
    EXPECT_EQ(aLines[255].r, 255);
    EXPECT_EQ(aLines[256].nY, 15 + 150);
    EXPECT_EQ(aLines.back().nY, 15 + 300);
    EXPECT_EQ((std::array<int, 3>{aLines.back().r, aLines.back().g, aLines.back().b}), (std::array<int, 3>{255, 255, 0}));
}

TEST(NodeValueStore, KeepsTheRangeOfEveryTypeAndNamesThem) {
    NodeValueStore store;
    store.Allocate(1);
    EXPECT_EQ(store.NodeCount(), 0);   // fewer than 2 nodes: nothing
    store.Allocate(3);
    std::array<float, kValueTypeCount> aValues{};
    for (int n = 0; n < 3; ++n) {
        for (int t = 0; t < kValueTypeCount; ++t)
            aValues[static_cast<std::size_t>(t)] = static_cast<float>((n == 1 ? -1 : 1) * (t + 1) * (n + 1));
        store.Store(n, aValues);
    }
    EXPECT_EQ(store.ValueMin(1), -2);
    EXPECT_EQ(store.ValueMax(1), 3);
    EXPECT_EQ(store.ValueMin(15), -30);
    EXPECT_EQ(store.ValueMax(15), 45);
    EXPECT_EQ(store.NodeValue(2, 4), 12);
    for (int nOutside : {0, 16, -1}) {
        EXPECT_EQ(store.ValueMin(nOutside), 0);
        EXPECT_EQ(store.ValueMax(nOutside), 0);
        EXPECT_EQ(store.NodeValue(1, nOutside), 0);
        EXPECT_EQ(NodeValueStore::ValueName(nOutside), "None");
    }
    EXPECT_EQ(store.NodeValue(3, 1), 0);
    std::string strNames;
    for (int t = 1; t <= kValueTypeCount; ++t)
        strNames += NodeValueStore::ValueName(t) + " ";
    EXPECT_EQ(strNames, "Vx Vy Vz Ti T Def EpsX EpsY EpsZ RoDisl S0 Sx Sy Sz M ");
}
