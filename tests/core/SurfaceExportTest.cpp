// The 3D surface export: value ranges over the measured points, the 10 x 10 grid and its
// quads, the exact layout of "visual.tmp" with its backdrop, reading it back through the
// surface-file reader, and the refusals (no measured point, a file that cannot be written).

#include "vornel/Material.h"
#include "vornel/SurfaceExport.h"
#include "TestSupport.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

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
    ASSERT_TRUE(status.m_bWritten) << status.m_strMessage;
    EXPECT_TRUE(status.m_strMessage.empty());

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
    ASSERT_TRUE(material.WriteSurfaceFile(1100.0).m_bWritten);
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
    ASSERT_TRUE(material.WriteSurfaceFile(1000.0).m_bWritten);
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
    ASSERT_TRUE(single.WriteSurfaceFile(1000.0).m_bWritten);
    EXPECT_EQ(Lines(FileText("visual.tmp"))[0], "0.300000 1.000000 150.000000 0.000010");
}

TEST_F(SurfaceExport, ReadsBackThroughTheSurfaceFileReader) {
    CMaterial material = BoxMaterial();
    ASSERT_TRUE(material.WriteSurfaceFile(1000.0).m_bWritten);
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
        EXPECT_FALSE(status.m_bWritten);
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
