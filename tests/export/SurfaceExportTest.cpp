// The 3D surface export: value ranges over the measured points, the 10 x 10 grid and its
// quads (linear, or logarithmic in the strain rate over decades), the exact layout of
// "visual.tmp" with its backdrop and its measured-point markers, reading it back through
// the surface-file reader, the temperature a run draws it at, and the refusals (no measured
// point, a file that cannot be written).

#include "vornel/document/Material.h"
#include "vornel/export/SurfaceExport.h"
#include "TestSupport.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

using vornel_test::Lines;
using vornel_test::FileText;
using vornel_test::Near;
using vornel_test::ScratchTest;
using vornel_test::WriteText;

namespace {

struct CSample {
    double m_dStrain, m_dRate, m_dFitStress;
};

// Model 8, Ts = A1 + A2 E + A3 H + A4 t, whose grid values are easy to state exactly.
constexpr double kA[4] = {200, 100, 3, -0.1};

// A material with model 8 whose curves hold the given points (one curve per point list).
CMaterial MaterialOf(const std::vector<std::vector<CSample>>& aCurves) {
    CMaterial material;
    material.m_nFunction = 8;
    material.m_nCoef = 4;
    std::copy(std::begin(kA), std::end(kA), material.m_dCoef.begin());
    for (const std::vector<CSample>& aSamples : aCurves) {
        CCurve& curve = material.Curve(material.m_nCurves++);
        curve.m_dRate = aSamples.empty() ? 0 : aSamples.front().m_dRate;
        for (const CSample& s : aSamples) {
            CCurvePoint p;
            p.m_dStrain = s.m_dStrain;
            p.m_dRate = s.m_dRate;
            p.m_dFitStress = s.m_dFitStress;
            p.m_dStress = 1e6; // measured stress: never part of the ranges
            curve.m_pPoints.push_back(p);
        }
        material.m_nPoints += curve.PointCount();
    }
    return material;
}

// Curves of model 8 at the given (temperature, strain rate) pairs, each with the points
// strain 0.1, 0.3, 0.5 and measured stresses 150, 160, 170.
CMaterial MaterialAt(const std::vector<std::pair<double, double>>& aConditions) {
    CMaterial material;
    material.m_nFunction = 8;
    material.m_nCoef = 4;
    std::copy(std::begin(kA), std::end(kA), material.m_dCoef.begin());
    for (const auto& [dTemp, dRate] : aConditions) {
        CCurve& curve = material.Curve(material.m_nCurves++);
        curve.m_dTemp = dTemp;
        curve.m_dRate = dRate;
        for (int k = 0; k < 3; ++k) {
            CCurvePoint p;
            p.m_dStrain = 0.1 + 0.2 * k;
            p.m_dRate = dRate;
            p.m_dTemp = dTemp;
            p.m_dStress = 150 + 10 * k;
            p.m_dFitStress = 140 + 20 * k;
            curve.m_pPoints.push_back(p);
        }
        material.m_nPoints += curve.PointCount();
    }
    return material;
}

// Strains 0..0.9 at rates 1 and 10, fitted stresses 100..300.
CMaterial BoxMaterial() {
    return MaterialOf({{{0.0, 1, 150}, {0.45, 1, 100}, {0.9, 1, 220}}, {{0.1, 10, 300}, {0.5, 10, 250}, {0.8, 10, 180}}});
}

double Model8(double E, double H, double t) { return kA[0] + kA[1] * E + kA[2] * H + kA[3] * t; }

std::vector<std::string> Tokens(const std::string& strLine) {
    std::vector<std::string> aTokens;
    std::istringstream in(strLine);
    for (std::string s; in >> s;)
        aTokens.push_back(s);
    return aTokens;
}

std::string Fixed(double dValue) {
    char sz[400];
    std::snprintf(sz, sizeof sz, "%f", dValue);
    return sz;
}

// Line numbers (zero-based) of the written layout.
constexpr std::size_t kFirstNodeLine = 4;
constexpr std::size_t kFirstFaceLine = kFirstNodeLine + 100;
constexpr std::size_t kMesh2CountLine = kFirstFaceLine + 324 * 4;
constexpr std::size_t kFirstBackdropLine = kMesh2CountLine + 1;
constexpr std::size_t kLineCount = kFirstBackdropLine + 7 + 12 * 4;

} // namespace

TEST(SurfaceGrid, RangesCoverTheFittedStressOfTheUsedCurves) {
    CMaterial material = BoxMaterial();
    // A slot beyond m_nCurves is not part of the material.
    material.Curve(material.m_nCurves).m_pPoints.push_back({5000, 5000, 0, 0, 50, 50, 0});
    material.UpdateDataRanges();
    const CValueRanges& r = material.m_ranges;
    EXPECT_EQ(r.m_dMinStrain, 0.0);
    EXPECT_EQ(r.m_dMaxStrain, 0.9);
    EXPECT_EQ(r.m_dMinRate, 1.0);
    EXPECT_EQ(r.m_dMaxRate, 10.0);
    EXPECT_EQ(r.m_dMinFitStress, 100.0);
    EXPECT_EQ(r.m_dMaxFitStress, 300.0);

    CMaterial empty;
    empty.UpdateDataRanges();
    EXPECT_EQ(empty.m_ranges.m_dMinStrain, 1.0e10);
    EXPECT_EQ(empty.m_ranges.m_dMaxFitStress, -1.0e10);
}

TEST(SurfaceGrid, SamplesTheLawOnTenByTenNodes) {
    CMaterial material = BoxMaterial();
    material.BuildSurfaceGrid(950.0);
    material.BuildSurfaceGrid(950.0); // a rebuild replaces the grid
    ASSERT_EQ(material.m_aSurfaceNodes.size(), 100u);
    ASSERT_EQ(material.m_aSurfaceQuads.size(), 81u);

    const CCurvePoint& node23 = material.m_aSurfaceNodes[23];
    EXPECT_TRUE(Near(node23.m_dStrain, 0.2, 1e-14));
    EXPECT_TRUE(Near(node23.m_dRate, 4.0, 1e-14));
    EXPECT_EQ(material.m_aSurfaceNodes[0].m_dStrain, 0.0);
    EXPECT_EQ(material.m_aSurfaceNodes[0].m_dRate, 1.0);
    EXPECT_TRUE(Near(material.m_aSurfaceNodes[99].m_dStrain, 0.9, 1e-14));
    EXPECT_TRUE(Near(material.m_aSurfaceNodes[99].m_dRate, 10.0, 1e-14));
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            const CCurvePoint& node = material.m_aSurfaceNodes[static_cast<std::size_t>(10 * i + j)];
            EXPECT_TRUE(Near(node.m_dStrain, 0.1 * i, 1e-13));
            EXPECT_TRUE(Near(node.m_dRate, 1.0 + j, 1e-13));
            EXPECT_EQ(node.m_dTemp, 950.0);
            // Evaluate bounds the strain at 0.001 (node strain 0 included).
            EXPECT_TRUE(Near(node.m_dFitStress, Model8(std::max(node.m_dStrain, 0.001), node.m_dRate, 950.0), 1e-13));
        }

    // Each quad: the node, one strain-rate step on, one step on in both, one strain step on.
    for (std::size_t q = 0; q < 81; ++q) {
        const CSurfaceQuad& quad = material.m_aSurfaceQuads[q];
        EXPECT_EQ(quad.m_nCorners, 4);
        EXPECT_EQ(quad.m_nIndex, static_cast<int>(q));
        const auto at = [&](int k) { return material.m_aSurfaceNodes[static_cast<std::size_t>(quad.m_aNodes[static_cast<std::size_t>(k)])]; };
        EXPECT_TRUE(Near(at(0).m_dStrain, 0.1 * static_cast<double>(q / 9), 1e-13));
        EXPECT_TRUE(Near(at(0).m_dRate, 1.0 + static_cast<double>(q % 9), 1e-13));
        EXPECT_TRUE(Near(at(1).m_dStrain, at(0).m_dStrain, 1e-13) && Near(at(1).m_dRate, at(0).m_dRate + 1, 1e-13));
        EXPECT_TRUE(Near(at(2).m_dStrain, at(0).m_dStrain + 0.1, 1e-13) && Near(at(2).m_dRate, at(0).m_dRate + 1, 1e-13));
        EXPECT_TRUE(Near(at(3).m_dStrain, at(0).m_dStrain + 0.1, 1e-13) && Near(at(3).m_dRate, at(0).m_dRate, 1e-13));
    }
}

class SurfaceExport : public ScratchTest {};

TEST_F(SurfaceExport, WritesTheSurfaceAndTheBackdrop) {
    CMaterial material = BoxMaterial();
    material.m_dTemp3d = 500.0;
    const CSurfaceExportStatus status = material.WriteSurfaceFile(1000.0);
    ASSERT_TRUE(status.Ok()) << status.m_strMessage;

    const std::string strText = FileText("visual.tmp");
    const std::vector<std::string> aLines = Lines(strText);
    ASSERT_EQ(aLines.size(), kLineCount);
    EXPECT_EQ(strText.back(), '\n');
    // Centres 0.45, 5.5 and 200, the strain range 0.9 as the scale.
    EXPECT_EQ(aLines[0], "0.450000 5.500000 200.000000 0.900000");
    EXPECT_EQ(aLines[1], "1");
    EXPECT_EQ(aLines[2], "1 1 0");
    EXPECT_EQ(aLines[3], "100 324");
    EXPECT_EQ(aLines[kFirstNodeLine][0], ' ');

    for (std::size_t n = 0; n < 100; ++n) {
        const std::vector<std::string> aTokens = Tokens(aLines[kFirstNodeLine + n]);
        ASSERT_EQ(aTokens.size(), 18u) << "node " << n;
        const CCurvePoint& node = material.m_aSurfaceNodes[n];
        EXPECT_EQ(aTokens[0], Fixed((node.m_dStrain - 0.45) / 0.9));
        EXPECT_EQ(aTokens[1], Fixed((node.m_dRate - 5.5) / 9.0));
        EXPECT_EQ(aTokens[2], Fixed((node.m_dFitStress - 200.0) / 200.0));
        EXPECT_EQ(aTokens[3], Fixed(node.m_dStrain));
        EXPECT_EQ(aTokens[4], Fixed(node.m_dRate));
        EXPECT_EQ(aTokens[5], Fixed(node.m_dFitStress));
        EXPECT_EQ(aTokens[6], Fixed(node.m_dFitStress));
        EXPECT_EQ(aTokens[7], "1000.000000");
        for (std::size_t k = 8; k < 18; ++k)
            EXPECT_EQ(aTokens[k], "0.000000");
    }
    EXPECT_EQ(aLines[kFirstNodeLine], " -0.500000 -0.500000 -0.484500 0.000000 1.000000 103.100000 103.100000 1000.000000"
                                      " 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000");

    // The first quad (nodes 1, 2, 12, 11 one-based) as four triangles, one number a line.
    const std::vector<std::string> aFirstQuad = {"3", "1", "2", "12", "3", "1", "12", "2",
                                                 "3", "1", "12", "11", "3", "1", "11", "12"};
    for (std::size_t k = 0; k < aFirstQuad.size(); ++k)
        EXPECT_EQ(aLines[kFirstFaceLine + k], aFirstQuad[k]) << "face line " << k;
    // The last quad: nodes 89, 90, 100, 99.
    const std::vector<std::string> aLastQuad = {"3", "89", "90", "100", "3", "89", "100", "90",
                                                "3", "89", "100", "99", "3", "89", "99", "100"};
    for (std::size_t k = 0; k < aLastQuad.size(); ++k)
        EXPECT_EQ(aLines[kMesh2CountLine - 16 + k], aLastQuad[k]);

    EXPECT_EQ(aLines[kMesh2CountLine], "7 12");
    // Backdrop in real units (strain, rate, stress) with minimum strain and stress at 0.
    const double aBackdrop[7][3] = {{0, 10, 0}, {0, 1, 0}, {0.9, 1, 0}, {0.9, 10, 0}, {0, 10, 300}, {0, 1, 300}, {0.9, 1, 300}};
    for (std::size_t n = 0; n < 7; ++n) {
        std::string strExpected = n == 0 ? " " : "";
        strExpected += Fixed((aBackdrop[n][0] - 0.45) / 0.9) + " " + Fixed((aBackdrop[n][1] - 5.5) / 9.0) + " " +
                       Fixed((aBackdrop[n][2] - 200.0) / 200.0) + " 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 ";
        EXPECT_EQ(aLines[kFirstBackdropLine + n], strExpected) << "backdrop node " << n + 1;
    }
    const int aBackdropFaces[12][3] = {{1, 5, 2}, {5, 6, 2}, {1, 2, 5}, {5, 2, 6}, {2, 6, 7}, {2, 7, 3},
                                       {2, 7, 6}, {2, 3, 7}, {1, 2, 4}, {4, 2, 3}, {1, 4, 2}, {4, 3, 2}};
    for (std::size_t f = 0; f < 12; ++f) {
        const std::size_t nLine = kFirstBackdropLine + 7 + 4 * f;
        EXPECT_EQ(aLines[nLine], "3");
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_EQ(aLines[nLine + 1 + k], std::to_string(aBackdropFaces[f][k])) << "backdrop face " << f + 1;
    }

    // The backdrop's minima stay in the ranges until the next update.
    EXPECT_EQ(material.m_ranges.m_dMinStrain, 0.0);
    EXPECT_EQ(material.m_ranges.m_dMinFitStress, 0.0);
    EXPECT_EQ(material.m_ranges.m_dMinRate, 1.0);
    EXPECT_EQ(material.m_dTemp3d, 500.0);
}

TEST_F(SurfaceExport, PutsTheBackdropFloorBelowTheSurface) {
    CMaterial material = MaterialOf({{{0.2, 0.5, 100}, {0.6, 0.5, 300}}, {{0.3, 2, 180}}});
    ASSERT_TRUE(material.WriteSurfaceFile(1100.0).Ok());
    const std::vector<std::string> aLines = Lines(FileText("visual.tmp"));
    ASSERT_EQ(aLines.size(), kLineCount);
    for (std::size_t n = 0; n < 4; ++n)
        EXPECT_EQ(Tokens(aLines[kFirstBackdropLine + n])[2], "-1.000000") << "floor node " << n + 1;
    for (std::size_t n = 4; n < 7; ++n)
        EXPECT_EQ(Tokens(aLines[kFirstBackdropLine + n])[2], "0.500000") << "top node " << n + 1;
    // The wall at strain 0 lies before the smallest measured strain 0.2: (0 - 0.4) / 0.4.
    EXPECT_EQ(Tokens(aLines[kFirstBackdropLine])[0], "-1.000000");
}

TEST_F(SurfaceExport, FloorsARangeOfZero) {
    // All curves at one strain rate: the rate range 0 is written as 0.00001.
    CMaterial material = MaterialOf({{{0.1, 2.5, 120}, {0.7, 2.5, 160}}, {{0.2, 2.5, 90}}});
    ASSERT_TRUE(material.WriteSurfaceFile(1000.0).Ok());
    for (const CCurvePoint& node : material.m_aSurfaceNodes)
        EXPECT_EQ(node.m_dRate, 2.5);
    const std::vector<std::string> aLines = Lines(FileText("visual.tmp"));
    ASSERT_EQ(aLines.size(), kLineCount);
    for (std::size_t n = 0; n < 100; ++n)
        EXPECT_EQ(Tokens(aLines[kFirstNodeLine + n])[1], "0.000000") << "node " << n;
    for (std::size_t n = 0; n < 7; ++n)
        EXPECT_EQ(Tokens(aLines[kFirstBackdropLine + n])[1], "0.000000") << "backdrop node " << n + 1;

    // A single point: every range is 0 and the scale becomes 0.00001.
    CMaterial single = MaterialOf({{{0.3, 1, 150}}});
    ASSERT_TRUE(single.WriteSurfaceFile(1000.0).Ok());
    EXPECT_EQ(Lines(FileText("visual.tmp"))[0], "0.300000 1.000000 150.000000 0.000010");
}

TEST_F(SurfaceExport, ReadsBackThroughTheSurfaceFileReader) {
    CMaterial material = BoxMaterial();
    ASSERT_TRUE(material.WriteSurfaceFile(1000.0).Ok());
    const CSurfaceFileContent content = ReadSurfaceFile("visual.tmp");
    EXPECT_EQ(content.m_fScale, 0.9f);
    EXPECT_EQ(content.m_fCentreY, 5.5f);
    ASSERT_EQ(content.m_aMeshes.size(), 2u);
    const CSurfaceMeshContent& surface = *content.Mesh(1);
    ASSERT_EQ(surface.m_aVertices.size(), 100u);
    ASSERT_EQ(surface.m_aFaceTable.size(), 324u);
    EXPECT_EQ(surface.m_aFaceTable[0], (CSurfaceTriangle{0, 1, 11}));
    EXPECT_EQ(surface.m_aFaceTable[1], (CSurfaceTriangle{0, 11, 1}));
    for (std::size_t n = 0; n < 100; ++n) {
        const CCurvePoint& node = material.m_aSurfaceNodes[n];
        const auto& values = surface.m_aNodeValues[n];
        EXPECT_TRUE(Near(values[0], node.m_dStrain, 1e-6));    // Vx
        EXPECT_TRUE(Near(values[1], node.m_dRate, 1e-6));      // Vy
        EXPECT_TRUE(Near(values[2], node.m_dFitStress, 1e-6)); // Vz
        EXPECT_TRUE(Near(values[3], node.m_dFitStress, 1e-6)); // Ti
        EXPECT_EQ(values[4], 1000.0f);                         // T
        for (std::size_t k = 5; k < values.size(); ++k)
            EXPECT_EQ(values[k], 0.0f);
        // real = stored x range + centre on the strain axis, whose range is the scale.
        EXPECT_TRUE(Near(surface.m_aVertices[n][0] * content.m_fScale + content.m_fCentreX, node.m_dStrain, 1e-6));
    }
    const CSurfaceMeshContent& backdrop = *content.Mesh(2);
    EXPECT_EQ(backdrop.m_aVertices.size(), 7u);
    ASSERT_EQ(backdrop.m_aFaceTable.size(), 12u);
    EXPECT_EQ(backdrop.m_aFaceTable[0], (CSurfaceTriangle{0, 4, 1}));
    EXPECT_EQ(backdrop.m_aFaceList.size(), 7u * 12u + 1u);
}

TEST_F(SurfaceExport, WritesNothingWithoutMeasuredPoints) {
    WriteText("visual.tmp", "previous surface");
    for (CMaterial material : {CMaterial(), MaterialOf({{}, {}})}) {
        const CSurfaceExportStatus status = material.WriteSurfaceFile(1000.0);
        EXPECT_FALSE(status.Ok());
        EXPECT_EQ(status.m_strMessage, "No measured points to show");
        EXPECT_EQ(FileText("visual.tmp"), "previous surface");
    }
}

TEST_F(SurfaceExport, ReportsAFileItCannotWrite) {
    std::filesystem::create_directory("visual.tmp");
    CMaterial material = BoxMaterial();
    try {
        (void)material.WriteSurfaceFile(1000.0);
        FAIL() << "the failed write went unreported";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "visual.tmp");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1) << "a temporary file was left behind";
}

TEST_F(SurfaceExport, SpacesRatesOverDecadesInTheirLogarithm) {
    // Rates 0.001 to 5, as on the Gleeble steel set: ten rates evenly spaced in ln H, the
    // measured ends exactly, Y normalised in ln H; the node value stays the rate.
    CMaterial material = MaterialAt({{1000, 0.001}, {1000, 0.1}, {1000, 5}});
    ASSERT_TRUE(material.WriteSurfaceFile(1000.0).Ok());
    const double dLnMin = std::log(0.001), dLnMax = std::log(5.0);
    EXPECT_EQ(material.m_aSurfaceNodes[0].m_dRate, 0.001);
    EXPECT_EQ(material.m_aSurfaceNodes[9].m_dRate, 5.0);
    const std::vector<std::string> aLines = Lines(FileText("visual.tmp"));
    EXPECT_EQ(aLines[0], "0.300000 2.500500 160.000000 0.400000");   // the header keeps the rate centre
    for (std::size_t j = 0; j < 10; ++j) {
        const double dRate = material.m_aSurfaceNodes[j].m_dRate;
        EXPECT_TRUE(Near(std::log(dRate), dLnMin + (dLnMax - dLnMin) * static_cast<double>(j) / 9, 1e-12)) << j;
        const std::vector<std::string> aNode = Tokens(aLines[kFirstNodeLine + j]);
        EXPECT_EQ(aNode[1], Fixed(static_cast<double>(j) / 9 - 0.5)) << j;
        EXPECT_EQ(aNode[4], Fixed(dRate)) << j;
    }
    // The walls at the smallest and the largest rate lie at -0.5 and 0.5.
    const CSurfaceFileContent content = ReadSurfaceFile("visual.tmp");
    const CSurfaceMeshContent& walls = *content.Mesh(2);
    EXPECT_EQ(walls.m_aVertices[0][1], 0.5f);
    EXPECT_EQ(walls.m_aVertices[1][1], -0.5f);

    // At most ten times the smallest rate, or a smallest rate of 0: the linear grid.
    for (const auto& aConditions : {std::vector<std::pair<double, double>>{{1000, 1}, {1000, 5}},
                                    std::vector<std::pair<double, double>>{{1000, 0}, {1000, 5}}}) {
        CMaterial linear = MaterialAt(aConditions);
        linear.BuildSurfaceGrid(1000.0);
        for (std::size_t j = 0; j < 10; ++j)
            EXPECT_TRUE(Near(linear.m_aSurfaceNodes[j].m_dRate,
                             aConditions.front().second + (5 - aConditions.front().second) * static_cast<double>(j) / 9, 1e-12));
    }
}

TEST_F(SurfaceExport, MarksTheMeasuredPointsOfTheCurvesAtItsTemperature) {
    // Two curves at 1000 deg C and one at 1100; a prepared material, whose first point of
    // every curve is made by the preparation rather than measured.
    CMaterial material = MaterialAt({{1000, 1}, {1100, 2}, {1000, 4}});
    material.m_nPrepared = 1;
    ASSERT_TRUE(material.WriteSurfaceFile(1000.3).Ok());
    const CSurfaceFileContent content = ReadSurfaceFile("visual.tmp");
    EXPECT_EQ(content.m_aFlags, (std::array<std::int32_t, 3>{1, 1, 1}));
    const CSurfaceMeshContent* pMarkers = content.Mesh(3);
    ASSERT_TRUE(pMarkers);
    ASSERT_EQ(pMarkers->m_aVertices.size(), 2u * 2u * 6u);   // 2 curves x 2 measured points x 6 nodes
    ASSERT_EQ(pMarkers->m_aFaceTable.size(), 2u * 2u * 4u);
    // The first marker: curve 1's second point (strain 0.3, rate 1, measured stress 160),
    // normalised as the surface (centres 0.3, 2.5, 160; ranges 0.4, 3, 40).
    const float x = 0.0f, y = static_cast<float>((1 - 2.5) / 3), z = 0.0f;
    const float h = static_cast<float>(kMarkerHalfSize);
    const std::array<std::array<float, 3>, 6> aExpected = {
        {{x - h, y, z - h}, {x + h, y, z - h}, {x, y, z + h}, {x, y - h, z - h}, {x, y + h, z - h}, {x, y, z + h}}};
    for (std::size_t n = 0; n < 6; ++n)
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_TRUE(Near(pMarkers->m_aVertices[n][k], aExpected[n][k], 2e-6)) << "node " << n << " axis " << k;
    // Each triangle in both windings.
    EXPECT_EQ(pMarkers->m_aFaceTable[0], (CSurfaceTriangle{0, 1, 2}));
    EXPECT_EQ(pMarkers->m_aFaceTable[1], (CSurfaceTriangle{0, 2, 1}));
    EXPECT_EQ(pMarkers->m_aFaceTable[2], (CSurfaceTriangle{3, 4, 5}));
    EXPECT_EQ(pMarkers->m_aFaceTable[3], (CSurfaceTriangle{3, 5, 4}));

    // No curve within 0.5 deg C: no mesh 3, the Part's flags.
    ASSERT_TRUE(material.WriteSurfaceFile(1000.6).Ok());
    EXPECT_EQ(Lines(FileText("visual.tmp"))[2], "1 1 0");
    EXPECT_EQ(ReadSurfaceFile("visual.tmp").Mesh(3), nullptr);
}

struct CTemperatureCase {
    const char* m_szName;
    std::vector<double> m_aCurveTemps;  // deg C, one curve each
    double m_dChosen;                   // the run's surface temperature
    const char* m_szNote;               // "" when none
};

void PrintTo(const CTemperatureCase& c, std::ostream* os) { *os << c.m_szName; }

class RunSurfaceTemperatures : public ScratchTest, public ::testing::WithParamInterface<CTemperatureCase> {};

// 1000 deg C when the measured temperatures include it, else their middle with a note; the
// run's surface is written at it and the 3D prompt starts there.
TEST_P(RunSurfaceTemperatures, ChooseTheDataOrSayWhy) {
    std::vector<std::pair<double, double>> aConditions;
    for (double dTemp : GetParam().m_aCurveTemps)
        aConditions.push_back({dTemp, 1 + static_cast<double>(aConditions.size())});
    CMaterial material = MaterialAt(aConditions);
    const CSurfaceTemperature chosen = RunSurfaceTemperature(material);
    EXPECT_EQ(chosen.m_dTemp, GetParam().m_dChosen);
    EXPECT_EQ(chosen.m_strNote, GetParam().m_szNote);

    const CSurfaceExportStatus status = WriteRunSurface(material, std::nullopt);
    ASSERT_TRUE(status.Ok());
    EXPECT_EQ(status.m_strMessage, GetParam().m_szNote);
    EXPECT_EQ(material.m_dTemp3d, GetParam().m_dChosen);
    EXPECT_EQ(Tokens(Lines(FileText("visual.tmp"))[kFirstNodeLine])[7], Fixed(GetParam().m_dChosen));
}

INSTANTIATE_TEST_SUITE_P(
    Materials, RunSurfaceTemperatures,
    ::testing::Values(
        CTemperatureCase{"GleebleSteel", {1050, 1100, 1150, 1200, 1250}, 1150,
                         "the surface is drawn at 1150 deg C, the middle of the measured temperatures 1050..1250 deg C, "
                         "which do not include 1000 deg C"},
        CTemperatureCase{"HotCompression", {800, 900, 1000, 1100, 1200}, 1000, ""},
        CTemperatureCase{"EndsAtThousand", {1000, 1150}, 1000, ""},
        CTemperatureCase{"Aluminium", {500, 200, 350}, 350,
                         "the surface is drawn at 350 deg C, the middle of the measured temperatures 200..500 deg C, "
                         "which do not include 1000 deg C"},
        CTemperatureCase{"OneTemperature", {20}, 20,
                         "the surface is drawn at 20 deg C, the middle of the measured temperatures 20..20 deg C, "
                         "which do not include 1000 deg C"}),
    [](const auto& info) { return std::string(info.param.m_szName); });

TEST_F(SurfaceExport, ATemperatureOutsideTheDataIsDrawnAndSaidToBeExtrapolated) {
    CMaterial material = MaterialAt({{1050, 1}, {1250, 5}});
    const CSurfaceExportStatus outside = WriteRunSurface(material, 300.0);
    ASSERT_TRUE(outside.Ok());
    EXPECT_EQ(outside.m_strMessage, "the surface at 300 deg C lies outside the measured temperatures 1050..1250 deg C: it is "
                                 "extrapolated");
    EXPECT_EQ(material.m_dTemp3d, 300.0);
    EXPECT_EQ(Tokens(Lines(FileText("visual.tmp"))[kFirstNodeLine])[7], "300.000000");
    const CSurfaceExportStatus inside = material.WriteSurfaceFile(1250.0);
    EXPECT_TRUE(inside.Ok() && inside.m_strMessage.empty());
    // Without measured points nothing is written and the prompt's temperature stays.
    CMaterial empty;
    EXPECT_FALSE(WriteRunSurface(empty, 300.0).Ok());
    EXPECT_EQ(empty.m_dTemp3d, 1000.0);
}
