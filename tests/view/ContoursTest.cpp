// Contour lines, regions and labels of functions whose contours are known.

#include "vornel/view/Contours.h"

#include <gtest/gtest.h>

#include <cmath>

// Contours of f = x + 2y on [0,4] x [0,2] and of f = x^2 + y^2 on [-1,1]^2.
TEST(Contours, LinesAndRegionsOfKnownFunctions) {
    const auto grid = [](int n, double dLo, double dHi, double dYHi, auto f) {
        CContourGrid g;
        for (int k = 0; k < n; ++k)
            g.m_aX.push_back(dLo + (dHi - dLo) * k / (n - 1));
        for (int k = 0; k < n; ++k)
            g.m_aY.push_back(dLo * dYHi / dHi + (dYHi - dLo * dYHi / dHi) * k / (n - 1));
        for (double y : g.m_aY)
            for (double x : g.m_aX)
                g.m_aValues.push_back(f(x, y));
        return g;
    };
    const auto area = [](const std::vector<CContourPath>& aPolygons) {
        double dArea = 0;
        for (const CContourPath& p : aPolygons)
            for (std::size_t i = 0; i < p.size(); ++i)
                dArea += (p[i].m_dX * p[(i + 1) % p.size()].m_dY - p[(i + 1) % p.size()].m_dX * p[i].m_dY) / 2;
        return dArea;
    };
    const CContourGrid plane = grid(9, 0.0, 4.0, 2.0, [](double x, double y) { return x + 2 * y; });
    const std::vector<CContourPath> aLines = ContourLines(plane, 3.0);
    ASSERT_EQ(aLines.size(), 1u);
    for (const CContourPoint& p : aLines[0])
        EXPECT_NEAR(p.m_dX + 2 * p.m_dY, 3.0, 1e-12);
    // Below x + 2y = 3 lies the triangle of legs 3 and 1.5, below x + 2y = 5 an area of 5.75.
    EXPECT_NEAR(area(ContourRegion(plane, -HUGE_VAL, 3.0)), 2.25, 1e-12);
    EXPECT_NEAR(area(ContourRegion(plane, 3.0, 5.0)), 3.5, 1e-12);
    EXPECT_NEAR(area(ContourRegion(plane, -HUGE_VAL, HUGE_VAL)), 8.0, 1e-12);
    EXPECT_EQ(ContourLevels(plane, 4), (std::vector<double>{0, 2, 4, 6, 8}));
    const auto label = ContourLabelPlace(plane, aLines[0], 0.2);
    ASSERT_TRUE(label.has_value());
    EXPECT_NEAR(label->m_at.m_dX, 1.5, 1e-12);
    EXPECT_FALSE(ContourLabelPlace(plane, aLines[0], 2.0).has_value());

    CContourGrid bowl = grid(81, -1.0, 1.0, 1.0, [](double x, double y) { return x * x + y * y; });
    const std::vector<CContourPath> aCircle = ContourLines(bowl, 0.25);
    ASSERT_EQ(aCircle.size(), 1u);
    EXPECT_NEAR(aCircle[0].front().m_dX, aCircle[0].back().m_dX, 1e-12); // closed
    for (const CContourPoint& p : aCircle[0])
        EXPECT_NEAR(std::hypot(p.m_dX, p.m_dY), 0.5, 1e-3);
    EXPECT_NEAR(area(ContourRegion(bowl, -HUGE_VAL, 0.25)), M_PI / 4, 2e-3);
    // A corner without a value takes the six triangles around it out of the region.
    bowl.m_aValues[40 * 81 + 40] = NAN;
    EXPECT_NEAR(area(ContourRegion(bowl, -HUGE_VAL, 0.25)), M_PI / 4 - 6 * 0.025 * 0.025 / 2, 2e-3);
    EXPECT_EQ(ContourLines(bowl, 0.25).size(), 1u);
}
