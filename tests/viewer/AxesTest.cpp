// The viewer's axes: the scale read from the surface's nodes (linear, logarithmic, none for
// plain geometry), round tick values, the axes of a surface file, and where they lie in the
// picture as the model turns.

#include "TestSupport.h"
#include "ViewerTestSupport.h"
#include "orbiq/Axes.h"
#include "orbiq/OrbiqScene.h"

#include <cmath>

using vornel_test::Near;
using vornel_test::ScratchTest;
using viewer_test::WorkbenchLikeSurface;

namespace {

std::vector<std::string> Labels(const std::vector<CAxisTick>& aTicks) {
    std::vector<std::string> aLabels;
    for (const CAxisTick& tick : aTicks)
        aLabels.push_back(tick.m_strLabel);
    return aLabels;
}

// Nodes c = -0.5 .. 0.5 in ten steps with values value(c), rounded to the file's six
// decimals and read back in single precision, as the viewer gets them.
template <class F>
std::vector<std::array<double, 2>> Nodes(F value) {
    std::vector<std::array<double, 2>> aNodes;
    for (int j = 0; j < 10; ++j) {
        const double c = j / 9.0 - 0.5;
        const auto stored = [](double d) { return static_cast<double>(static_cast<float>(std::round(d * 1e6) / 1e6)); };
        aNodes.push_back({stored(c), stored(value(c))});
    }
    return aNodes;
}

float& At(CVec3& p, std::size_t k) { return k == 0 ? p.x : k == 1 ? p.y : p.z; }
float At(const CVec3& p, std::size_t k) { return k == 0 ? p.x : k == 1 ? p.y : p.z; }

double LogRate(double c) { return std::exp(std::log(0.001) + (c + 0.5) * (std::log(5.0) - std::log(0.001))); }

} // namespace

TEST(AxisScale, IsReadFromTheNodesLinearOrLogarithmicOrNotAtAll) {
    const std::optional<CAxisScale> linear = FitAxisScale(Nodes([](double c) { return 0.3 + 0.4 * c; }));
    ASSERT_TRUE(linear);
    EXPECT_FALSE(linear->m_bLog);
    EXPECT_TRUE(Near(linear->ValueAt(0.5), 0.5, 1e-6));
    EXPECT_TRUE(Near(linear->CoordinateAt(0.1), -0.5, 1e-6));

    // Rates spaced evenly in their logarithm, 0.001 to 5, as the workbench writes them.
    const std::optional<CAxisScale> logarithmic = FitAxisScale(Nodes(LogRate));
    ASSERT_TRUE(logarithmic);
    EXPECT_TRUE(logarithmic->m_bLog);
    EXPECT_TRUE(Near(logarithmic->ValueAt(-0.5), 0.001, 1e-8));
    EXPECT_TRUE(Near(logarithmic->ValueAt(0.5), 5, 1e-5));
    EXPECT_TRUE(Near(logarithmic->CoordinateAt(0.1), (std::log(0.1) - std::log(0.001)) / (std::log(5.0) - std::log(0.001)) - 0.5, 1e-6));

    // Rates 1 to 5 on the Part's linear grid stay linear, though every value is positive.
    const std::optional<CAxisScale> rates = FitAxisScale(Nodes([](double c) { return 3 + 4 * c; }));
    ASSERT_TRUE(rates);
    EXPECT_FALSE(rates->m_bLog);

    // Values that do not vary, coordinates that do not, values unrelated to the coordinates.
    EXPECT_FALSE(FitAxisScale(Nodes([](double) { return 0.0; })));
    EXPECT_FALSE(FitAxisScale({{0.2, 1}, {0.2, 5}, {0.2, 3}}));
    EXPECT_FALSE(FitAxisScale(Nodes([](double c) { return std::cos(20 * c); })));
}

struct CTickCase {
    double m_dMin, m_dMax;
    bool m_bLog;
    std::vector<std::string> m_aLabels;
};

void PrintTo(const CTickCase& c, std::ostream* os) { *os << c.m_dMin << ".." << c.m_dMax << (c.m_bLog ? " log" : ""); }

class Ticks : public ::testing::TestWithParam<CTickCase> {};

TEST_P(Ticks, FallOnRoundValuesWithinTheRange) {
    const CTickCase& c = GetParam();
    const std::vector<CAxisTick> aTicks = c.m_bLog ? DecadeTicks(c.m_dMin, c.m_dMax) : LinearTicks(c.m_dMin, c.m_dMax);
    EXPECT_EQ(Labels(aTicks), c.m_aLabels);
    for (const CAxisTick& tick : aTicks) {
        EXPECT_GE(tick.m_dValue, c.m_dMin - 1e-4 * (c.m_dMax - c.m_dMin));
        EXPECT_LE(tick.m_dValue, c.m_dMax * (1 + 1e-4));
        EXPECT_TRUE(Near(tick.m_dValue, std::stod(tick.m_strLabel), 1e-12 * std::max(1.0, std::abs(tick.m_dValue))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, Ticks,
    ::testing::Values(
        // Strain from 0 (the wall) to 0.6755; the box's end read back 1e-6 off 0 still ticks 0.
        CTickCase{0.0, 0.6755, false, {"0.0", "0.2", "0.4", "0.6"}},
        CTickCase{1e-6, 0.6755, false, {"0.0", "0.2", "0.4", "0.6"}},
        CTickCase{0.1, 0.5, false, {"0.1", "0.2", "0.3", "0.4", "0.5"}},
        CTickCase{0.0, 150.4, false, {"0", "50", "100", "150"}},
        CTickCase{200, 325, false, {"200", "225", "250", "275", "300", "325"}},
        CTickCase{-1, 1, false, {"-1.0", "-0.5", "0.0", "0.5", "1.0"}},
        CTickCase{1, 10, false, {"2", "4", "6", "8", "10"}},
        CTickCase{5, 5, false, {}},
        // Strain rates over decades: the powers of ten, 1, 2 and 5 when there are few.
        CTickCase{0.001, 5, true, {"0.001", "0.01", "0.1", "1"}},
        CTickCase{0.0010000001, 4.9999, true, {"0.001", "0.01", "0.1", "1"}},
        CTickCase{0.1, 10, true, {"0.1", "1", "10"}},
        CTickCase{0.2, 3, true, {"0.2", "0.5", "1", "2"}},
        CTickCase{1e-4, 1e6, true, {"0.0001", "0.01", "1", "100", "10000", "1000000"}},
        CTickCase{0, 5, true, {}}));

class SurfaceAxes : public ScratchTest {};

TEST_F(SurfaceAxes, FollowTheNodeValuesOfTheSurface) {
    WriteSurfaceData("visual.tmp", WorkbenchLikeSurface());
    const CAxisSet axes = MakeAxes(ReadSurfaceFile("visual.tmp"));
    // The box of the walls, -0.5 .. 0.5 on every axis.
    EXPECT_EQ(axes.box.lo, (CVec3{-0.5f, -0.5f, -0.5f}));
    EXPECT_EQ(axes.box.hi, (CVec3{0.5f, 0.5f, 0.5f}));
    ASSERT_EQ(axes.aAxes.size(), 3u);
    EXPECT_EQ(axes.aAxes[0].m_strTitle, "strain");
    EXPECT_EQ(axes.aAxes[1].m_strTitle, "strain rate, 1/s");
    EXPECT_EQ(axes.aAxes[2].m_strTitle, "stress, MPa");
    // Strain 0.1..0.5 and rate 1..10 over the box; stress 140..350.
    EXPECT_EQ(Labels(axes.aAxes[0].m_aTicks), (std::vector<std::string>{"0.1", "0.2", "0.3", "0.4", "0.5"}));
    EXPECT_EQ(Labels(axes.aAxes[1].m_aTicks), (std::vector<std::string>{"2", "4", "6", "8", "10"}));
    EXPECT_EQ(Labels(axes.aAxes[2].m_aTicks), (std::vector<std::string>{"150", "200", "250", "300", "350"}));
    for (const CAxis& axis : axes.aAxes)
        EXPECT_FALSE(axis.m_scale.m_bLog);

    // A logarithmic rate grid (0.001 to 5), and a file whose node values are all 0.
    CSurfaceFileData data = WorkbenchLikeSurface();
    for (std::size_t n = 0; n < data.m_aMeshes[0].m_aNodes.size(); ++n) {
        CSurfaceNode& node = data.m_aMeshes[0].m_aNodes[n];
        node.m_aValues[1] = LogRate(node.m_dY);
    }
    WriteSurfaceData("log.tmp", data);
    const CAxisSet logAxes = MakeAxes(ReadSurfaceFile("log.tmp"));
    ASSERT_EQ(logAxes.aAxes.size(), 3u);
    EXPECT_TRUE(logAxes.aAxes[1].m_scale.m_bLog);
    EXPECT_EQ(Labels(logAxes.aAxes[1].m_aTicks), (std::vector<std::string>{"0.001", "0.01", "0.1", "1"}));
    for (CSurfaceNode& node : data.m_aMeshes[0].m_aNodes)
        node.m_aValues = {};
    WriteSurfaceData("plain.tmp", data);
    EXPECT_TRUE(MakeAxes(ReadSurfaceFile("plain.tmp")).aAxes.empty());
}

TEST_F(SurfaceAxes, LieOnTheOuterEdgesOfTheBoxAsItTurns) {
    WriteSurfaceData("visual.tmp", WorkbenchLikeSurface());
    COrbiqScene scene;
    scene.SetViewportSize(800, 600);
    ASSERT_TRUE(scene.ReadSurfaceFile("visual.tmp").bOk);
    const CFrame& frame = scene.MeshFrame(1);
    const auto pixel = [&](CVec3 p) { return *scene.Viewport().Project(frame.WorldTransform().TransformPoint(p)); };
    const CDataBox& box = scene.Axes().box;
    std::vector<std::array<float, 2>> aBefore;
    for (int nTurn = 0; nTurn < 4; ++nTurn) {
        const std::vector<CAxisOverlay> aOverlay = scene.AxisOverlay();
        ASSERT_EQ(aOverlay.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            const CAxisOverlay& axis = aOverlay[k];
            // The score of an edge: lowest in the picture for strain and rate, leftmost for
            // stress; no edge parallel to the axis scores better than the one taken.
            const auto score = [&](std::array<float, 2> a, std::array<float, 2> b) {
                return k == 2 ? -(a[0] + b[0]) : a[1] + b[1];
            };
            for (int nCorner = 0; nCorner < 4; ++nCorner) {
                CVec3 a = box.lo;
                At(a, (k + 1) % 3) = At((nCorner & 1) ? box.hi : box.lo, (k + 1) % 3);
                At(a, (k + 2) % 3) = At((nCorner & 2) ? box.hi : box.lo, (k + 2) % 3);
                CVec3 b = a;
                At(b, k) = At(box.hi, k);
                EXPECT_LE(score(pixel(a), pixel(b)), score(axis.from, axis.to) + 1e-3f) << "axis " << k << " turn " << nTurn;
            }
            // Ticks on the edge, the outward direction across it and away from the box.
            const float ex = axis.to[0] - axis.from[0], ey = axis.to[1] - axis.from[1];
            for (const CAxisOverlay::CTickMark& tick : axis.aTicks)
                EXPECT_NEAR(ex * (tick.at[1] - axis.from[1]) - ey * (tick.at[0] - axis.from[0]), 0, 1e-2 * std::hypot(ex, ey));
            EXPECT_NEAR(std::hypot(axis.outward[0], axis.outward[1]), 1, 1e-5);
            EXPECT_NEAR(axis.outward[0] * ex + axis.outward[1] * ey, 0, 1e-3 * std::hypot(ex, ey));
            const std::array<float, 2> centre = pixel((box.lo + box.hi) * 0.5f);
            EXPECT_GT(axis.outward[0] * ((axis.from[0] + axis.to[0]) / 2 - centre[0]) +
                          axis.outward[1] * ((axis.from[1] + axis.to[1]) / 2 - centre[1]),
                      0);
            // The axes follow the model: a turn moves them.
            if (nTurn > 0) {
                EXPECT_NE(axis.aTicks.front().at, aBefore[k]) << "axis " << k;
            }
        }
        aBefore.clear();
        for (const CAxisOverlay& axis : aOverlay)
            aBefore.push_back(axis.aTicks.front().at);
        scene.Turn({0, 1, 0}, 0.7f);
    }
    // The empty scene has no axes.
    scene.Clear();
    EXPECT_TRUE(scene.AxisOverlay().empty());
}
