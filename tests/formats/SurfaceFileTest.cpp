// The surface file: the writer's exact layout, reading back what was written (against the
// C library's "%f" and strtof as oracle), the reader's face list and face table, line
// breaks that carry no meaning, and refusal of malformed files with the line and the item.

#include "TestSupport.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

using vornel_test::Lines;
using vornel_test::FileText;
using vornel_test::ScratchTest;
using vornel_test::WriteText;

namespace {

// A node record of nWidth numbers, each "%f".
std::string Record(int nWidth, double dFirst) {
    std::string str;
    for (int i = 0; i < nWidth; ++i) {
        char sz[64];
        std::snprintf(sz, sizeof sz, "%s%f", i ? " " : "", dFirst + i);
        str += sz;
    }
    return str + "\n";
}

// The minimal valid file: one triangle in mesh 1.
std::string MinimalFile() {
    return "0 0 0 1\n1\n1 0 0\n3 1\n" + Record(18, 0.5) + Record(18, 10.5) + Record(18, 20.5) + "3\n1\n2\n3\n";
}

// What "%f" and then "%f" read into a float make of dValue: the reference for a round trip.
float PrintedAndScanned(double dValue) {
    char sz[400];
    std::snprintf(sz, sizeof sz, "%f", dValue);
    return std::strtof(sz, nullptr);
}

CSurfaceFileData RandomData(unsigned nSeed, int nNodes1, int nNodes2, int nNodes3, std::array<std::int32_t, 3> aFlags) {
    std::mt19937 rng(nSeed);
    std::uniform_real_distribution<double> value(-1500.0, 1500.0);
    CSurfaceFileData data;
    data.m_dCentreX = value(rng);
    data.m_dCentreY = value(rng);
    data.m_dCentreZ = value(rng);
    data.m_dScale = 0.37;
    data.m_nCount = 1;
    data.m_aFlags = aFlags;
    const int aNodes[3] = {nNodes1, nNodes2, nNodes3};
    for (int m = 0; m < 3; ++m) {
        CSurfaceMesh& mesh = data.m_aMeshes[static_cast<std::size_t>(m)];
        std::uniform_int_distribution<std::int32_t> index(0, aNodes[m] - 1);
        for (int n = 0; n < aNodes[m]; ++n) {
            CSurfaceNode node;
            node.m_dX = value(rng) / 1000;
            node.m_dY = value(rng) / 1000;
            node.m_dZ = value(rng) / 1000;
            for (double& d : node.m_aValues)
                d = value(rng);
            mesh.m_aNodes.push_back(node);
        }
        for (int f = 0; f < 2 * aNodes[m]; ++f)
            mesh.m_aFaces.push_back({index(rng), index(rng), index(rng)});
    }
    return data;
}

// The message of the CFileError that parsing strText raises, or "" when it parses.
std::string ParseError(const std::string& strText) {
    try {
        ParseSurfaceText(strText, "visual.tmp");
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "visual.tmp");
        return e.what();
    }
    return "";
}

} // namespace

TEST(SurfaceFileWriter, WritesTheExactLayout) {
    CSurfaceFileData data;
    data.m_dCentreX = 0.5;
    data.m_dCentreY = -0.25;
    data.m_dCentreZ = 100;
    data.m_dScale = 2;
    data.m_aFlags = {1, 1, 0};
    CSurfaceNode a;
    a.m_dX = -0.5;
    a.m_aValues = {1, 2, 3, 4, 5};
    CSurfaceNode b;
    b.m_dY = 0.125;
    b.m_dZ = 1e-7;
    b.m_aValues = {-1e-7, 0.0000005, 1234567.25};
    data.m_aMeshes[0].m_aNodes = {a, b, a};
    data.m_aMeshes[0].m_aFaces = {{0, 1, 2}};
    data.m_aMeshes[1].m_aNodes = {b};
    data.m_aMeshes[1].m_aFaces = {{0, 0, 0}};
    data.m_aMeshes[2].m_aNodes = {a}; // flag 0: not written
    const std::string strTen = " 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000";
    const std::string strExpected =
        "0.500000 -0.250000 100.000000 2.000000\n"
        "1\n"
        "1 1 0\n"
        "3 1\n"
        " -0.500000 0.000000 0.000000 1.000000 2.000000 3.000000 4.000000 5.000000" + strTen + "\n"
        "0.000000 0.125000 0.000000 -0.000000 0.000000 1234567.250000 0.000000 0.000000" + strTen + "\n"
        "-0.500000 0.000000 0.000000 1.000000 2.000000 3.000000 4.000000 5.000000" + strTen + "\n"
        "3\n1\n2\n3\n"
        "1 1\n"
        " 0.000000 0.125000 0.000000 -0.000000 0.000000 1234567.250000 0.000000 0.000000 0.000000 \n"
        "3\n1\n1\n1\n";
    EXPECT_EQ(SurfaceFileText(data), strExpected);
}

TEST(SurfaceFileWriter, FormatsRealsAsTheCLibraryDoes) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-9, 12);
    for (int i = 0; i < 2000; ++i) {
        CSurfaceFileData data;
        data.m_aFlags = {0, 0, 0};
        data.m_dCentreX = mantissa(rng) * std::pow(10.0, exponent(rng));
        char sz[400];
        std::snprintf(sz, sizeof sz, "%f 0.000000 0.000000 1.000000\n1\n0 0 0\n", data.m_dCentreX);
        ASSERT_EQ(SurfaceFileText(data), sz);
    }
}

TEST(SurfaceFileWriter, RefusesAFaceOutsideItsMesh) {
    CSurfaceFileData data;
    data.m_aMeshes[0].m_aNodes.resize(3);
    data.m_aMeshes[0].m_aFaces = {{0, 1, 3}};
    EXPECT_THROW(SurfaceFileText(data), std::invalid_argument);
    data.m_aMeshes[0].m_aFaces = {{0, -1, 2}};
    EXPECT_THROW(SurfaceFileText(data), std::invalid_argument);
}

TEST(SurfaceFileReader, ReadsTheMinimalFile) {
    const CSurfaceFileContent content = ParseSurfaceText(MinimalFile(), "visual.tmp");
    EXPECT_EQ(content.m_fScale, 1.0f);
    ASSERT_EQ(content.m_aMeshes.size(), 1u);
    const CSurfaceMeshContent* pMesh = content.Mesh(1);
    ASSERT_NE(pMesh, nullptr);
    EXPECT_EQ(content.Mesh(2), nullptr);
    EXPECT_EQ(pMesh->m_aFaceList, (std::vector<std::int32_t>{3, 0, 0, 1, 1, 2, 2, 0}));
    ASSERT_EQ(pMesh->m_aFaceTable.size(), 1u);
    EXPECT_EQ(pMesh->m_aFaceTable[0], (CSurfaceTriangle{0, 1, 2}));
    ASSERT_EQ(pMesh->m_aVertices.size(), 3u);
    EXPECT_EQ(pMesh->m_aVertices[1], (std::array<float, 3>{10.5f, 11.5f, 12.5f}));
    ASSERT_EQ(pMesh->m_aNodeValues.size(), 3u);
    EXPECT_EQ(pMesh->m_aNodeValues[2][0], 23.5f);  // Vx: the 4th number of the record
    EXPECT_EQ(pMesh->m_aNodeValues[2][14], 37.5f); // M: the 18th
}

TEST(SurfaceFileReader, ReadsOnlyMeshesFlaggedOne) {
    // Flags 1 2 1: mesh 2 is absent, mesh 3 follows mesh 1 and its indices restart at 1.
    const std::string strText = "0 0 0 1\n-7\n1 2 1\n2 1\n" + Record(18, 0) + Record(18, 1) + "3\n1\n2\n2\n" + "4 2\n" +
                                Record(9, 100) + Record(9, 200) + Record(9, 300) + Record(9, 400) +
                                "3\n4\n3\n1\n3\n1\n2\n3\n";
    const CSurfaceFileContent content = ParseSurfaceText(strText, "visual.tmp");
    EXPECT_EQ(content.m_nCount, -7);
    EXPECT_EQ(content.m_aFlags, (std::array<std::int32_t, 3>{1, 2, 1}));
    ASSERT_EQ(content.m_aMeshes.size(), 2u);
    EXPECT_EQ(content.Mesh(2), nullptr);
    const CSurfaceMeshContent* p3 = content.Mesh(3);
    ASSERT_NE(p3, nullptr);
    EXPECT_TRUE(p3->m_aNodeValues.empty());
    ASSERT_EQ(p3->m_aVertices.size(), 4u);
    EXPECT_EQ(p3->m_aVertices[3], (std::array<float, 3>{400, 401, 402}));
    EXPECT_EQ(p3->m_aFaceList, (std::vector<std::int32_t>{3, 3, 3, 2, 2, 0, 0, 3, 0, 0, 1, 1, 2, 2, 0}));
    EXPECT_EQ(p3->m_aFaceList.size(), 7 * p3->m_aFaceTable.size() + 1);
}

class SurfaceFileRoundTrip : public ScratchTest, public ::testing::WithParamInterface<std::array<std::int32_t, 3>> {};

TEST_P(SurfaceFileRoundTrip, ReadsBackWhatWasWritten) {
    const std::array<std::int32_t, 3> aFlags = GetParam();
    const CSurfaceFileData data = RandomData(11, 100, 7, 5, aFlags);
    WriteSurfaceData("visual.tmp", data);
    const CSurfaceFileContent content = ReadSurfaceFile("visual.tmp");

    EXPECT_EQ(content.m_fCentreX, PrintedAndScanned(data.m_dCentreX));
    EXPECT_EQ(content.m_fCentreY, PrintedAndScanned(data.m_dCentreY));
    EXPECT_EQ(content.m_fCentreZ, PrintedAndScanned(data.m_dCentreZ));
    EXPECT_EQ(content.m_fScale, PrintedAndScanned(data.m_dScale));
    EXPECT_EQ(content.m_aFlags, aFlags);
    std::size_t nPresent = 0;
    for (int m = 1; m <= 3; ++m) {
        const CSurfaceMeshContent* pMesh = content.Mesh(m);
        ASSERT_EQ(pMesh != nullptr, aFlags[static_cast<std::size_t>(m - 1)] == 1) << "mesh " << m;
        if (!pMesh)
            continue;
        ++nPresent;
        const CSurfaceMesh& written = data.m_aMeshes[static_cast<std::size_t>(m - 1)];
        ASSERT_EQ(pMesh->m_aVertices.size(), written.m_aNodes.size());
        for (std::size_t n = 0; n < written.m_aNodes.size(); ++n) {
            const CSurfaceNode& node = written.m_aNodes[n];
            EXPECT_EQ(pMesh->m_aVertices[n][0], PrintedAndScanned(node.m_dX));
            EXPECT_EQ(pMesh->m_aVertices[n][1], PrintedAndScanned(node.m_dY));
            EXPECT_EQ(pMesh->m_aVertices[n][2], PrintedAndScanned(node.m_dZ));
            if (m == 1) {
                for (std::size_t v = 0; v < node.m_aValues.size(); ++v)
                    EXPECT_EQ(pMesh->m_aNodeValues[n][v], PrintedAndScanned(node.m_aValues[v]));
            }
        }
        EXPECT_EQ(pMesh->m_aFaceTable, written.m_aFaces);
        ASSERT_EQ(pMesh->m_aFaceList.size(), 7 * written.m_aFaces.size() + 1);
        EXPECT_EQ(pMesh->m_aFaceList.back(), 0);
    }
    EXPECT_EQ(content.m_aMeshes.size(), nPresent);
}

INSTANTIATE_TEST_SUITE_P(Flags, SurfaceFileRoundTrip,
                         ::testing::Values(std::array<std::int32_t, 3>{1, 1, 0}, std::array<std::int32_t, 3>{1, 0, 0},
                                           std::array<std::int32_t, 3>{1, 1, 1}, std::array<std::int32_t, 3>{2, 1, 1},
                                           std::array<std::int32_t, 3>{0, 0, 0}));

TEST(SurfaceFileReader, LineBreaksCarryNoMeaning) {
    const std::string strText = SurfaceFileText(RandomData(5, 12, 7, 4, {1, 1, 1}));
    std::string strOneLine;
    std::string strOneNumberPerLine;
    std::istringstream in(strText);
    for (std::string strToken; in >> strToken;) {
        strOneLine += strToken + " ";
        strOneNumberPerLine += "\t" + strToken + "\r\n\n";
    }
    const CSurfaceFileContent expected = ParseSurfaceText(strText, "a");
    for (const std::string& strVariant : {strOneLine, strOneNumberPerLine}) {
        const CSurfaceFileContent content = ParseSurfaceText(strVariant, "b");
        ASSERT_EQ(content.m_aMeshes.size(), expected.m_aMeshes.size());
        for (std::size_t m = 0; m < content.m_aMeshes.size(); ++m) {
            EXPECT_EQ(content.m_aMeshes[m].m_aVertices, expected.m_aMeshes[m].m_aVertices);
            EXPECT_EQ(content.m_aMeshes[m].m_aNodeValues, expected.m_aMeshes[m].m_aNodeValues);
            EXPECT_EQ(content.m_aMeshes[m].m_aFaceList, expected.m_aMeshes[m].m_aFaceList);
        }
    }
}

TEST(SurfaceFileReader, TakesTheNumberFormsOfTheCScanner) {
    // Signs, exponents, no decimals, and magnitudes beyond the float range.
    std::string strText = "+1.5 -2e-1 3E2 4\n+1\n+1 0 0\n2 0\n";
    strText += "1e39 -1e39 1e-50 inf -inf nan 7 8 9 10 11 12 13 14 15 16 17 18\n";
    strText += Record(18, 0);
    const CSurfaceFileContent content = ParseSurfaceText(strText, "v");
    EXPECT_EQ(content.m_fCentreX, 1.5f);
    EXPECT_EQ(content.m_fCentreY, -0.2f);
    EXPECT_EQ(content.m_fCentreZ, 300.0f);
    EXPECT_EQ(content.m_fScale, 4.0f);
    const auto& v = content.Mesh(1)->m_aVertices[0];
    EXPECT_TRUE(std::isinf(v[0]) && v[0] > 0);
    EXPECT_TRUE(std::isinf(v[1]) && v[1] < 0);
    EXPECT_EQ(v[2], 0.0f);
    const auto& values = content.Mesh(1)->m_aNodeValues[0];
    EXPECT_TRUE(std::isinf(values[0]));
    EXPECT_TRUE(std::isnan(values[2]));
    EXPECT_EQ(values[14], 18.0f);
}

TEST(SurfaceFileReader, NamesAFileItCannotOpen) {
    try {
        ReadSurfaceFile("no-such-folder/visual.tmp");
        FAIL() << "a missing file was read";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "no-such-folder/visual.tmp");
    }
}

struct CMalformed {
    const char* m_szName;
    std::string m_strText;
    std::string m_strMessage; // the whole what() after "visual.tmp: "
};

class SurfaceFileMalformed : public ::testing::TestWithParam<CMalformed> {};

TEST_P(SurfaceFileMalformed, IsRefusedNamingLineAndItem) {
    EXPECT_EQ(ParseError(GetParam().m_strText), "visual.tmp: " + GetParam().m_strMessage);
}

namespace {

// The minimal file with line nLine (1-based) replaced by strLine.
std::string MinimalWithLine(int nLine, const std::string& strLine) {
    std::vector<std::string> aLines = Lines(MinimalFile());
    aLines[static_cast<std::size_t>(nLine - 1)] = strLine;
    std::string str;
    for (const std::string& s : aLines)
        str += s + "\n";
    return str;
}

std::string Truncated(std::size_t nDropTokens) {
    std::istringstream in(MinimalFile());
    std::vector<std::string> aTokens;
    for (std::string s; in >> s;)
        aTokens.push_back(s);
    // Keep the layout's lines: cut the text right after the last token kept.
    const std::string strText = MinimalFile();
    std::size_t nPos = 0;
    for (std::size_t i = 0; i + nDropTokens < aTokens.size(); ++i)
        nPos = strText.find(aTokens[i], nPos) + aTokens[i].size();
    return strText.substr(0, nPos);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Cases, SurfaceFileMalformed,
    ::testing::Values(
        CMalformed{"Empty", "", "line 1: the header is missing its 1st number (centre X) (the file ends here)"},
        CMalformed{"HeaderWord", "0 0 zero 1\n", "line 1: the header is missing its 3rd number (centre Z) (found \"zero\", not a number)"},
        CMalformed{"NoFlags", "0 0 0 1\n1\n", "line 2: the flag of mesh 1 is missing (the file ends here)"},
        CMalformed{"RealFlag", "0 0 0 1\n1\n1.0 0 0\n", "line 3: the flag of mesh 1 is missing (found \"1.0\", not an integer)"},
        CMalformed{"NodeCut", Truncated(4 + 2 * 18 + 10),
                   "line 5: node 1 of mesh 1 is missing its 9th number (the file ends here)"},
        CMalformed{"FaceCut", Truncated(1), "line 10: face 1 of mesh 1 is missing its 3rd node index (the file ends here)"},
        CMalformed{"NoFaces", Truncated(4), "line 7: face 1 of mesh 1 is missing its vertex count k (the file ends here)"},
        CMalformed{"Quad", MinimalWithLine(8, "4"), "line 8: face 1 of mesh 1 has k = 4; only triangles are supported"},
        CMalformed{"IndexZero", MinimalWithLine(9, "0"), "line 9: face 1 of mesh 1 refers to node 0, outside 1..3"},
        CMalformed{"IndexBeyond", MinimalWithLine(11, "4"), "line 11: face 1 of mesh 1 refers to node 4, outside 1..3"},
        CMalformed{"OneNode", "0 0 0 1\n1\n1 0 0\n1 0\n" + Record(18, 0), "line 4: mesh 1 has 1 node; it needs at least 2"},
        CMalformed{"NegativeFaces", "0 0 0 1\n1\n0 1 0\n2 -1\n", "line 4: mesh 2 has a negative face count (-1)"},
        CMalformed{"WordInNode", MinimalWithLine(6, "1 2 3 4 5 6 7 x"),
                   "line 6: node 2 of mesh 1 is missing its 8th number (found \"x\", not a number)"},
        CMalformed{"ShortMesh2", "0 0 0 1\n1\n0 1 0\n1 0\n1 2 3 4 5 6 7 8\n",
                   "line 5: node 1 of mesh 2 is missing its 9th number (the file ends here)"},
        CMalformed{"HugeCount", "0 0 0 1\n1\n1 0 0\n2000000000 2000000000\n1 2\n",
                   "line 5: node 1 of mesh 1 is missing its 3rd number (the file ends here)"}),
    [](const ::testing::TestParamInfo<CMalformed>& info) { return std::string(info.param.m_szName); });
