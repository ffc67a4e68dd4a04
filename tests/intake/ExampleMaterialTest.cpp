// The bundled example material: its list names twelve records (four temperatures x three
// strain rates) that Add File imports whole, each shaped like a test record (dwell at zero
// strain, steady rise following the stated law within its noise, tail at the maximum
// strain), and the committed files are exactly what the generator writes.

#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "TestSupport.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using vornel_test::FileText;
using vornel_test::ScratchTest;

namespace {

const std::filesystem::path kFolder = std::filesystem::path(VORNEL_EXAMPLES_DIR) / "hensel-spittel-steel";

struct CListed {
    std::string m_strFile;
    double m_dTemp, m_dRate;
};

std::vector<CListed> ReadList(const std::filesystem::path& path) {
    std::vector<CListed> aListed;
    std::istringstream in(FileText(path.string()));
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.empty() || strLine[0] == '#')
            continue;
        std::istringstream fields(strLine);
        CListed listed{};
        fields >> listed.m_strFile >> listed.m_dTemp >> listed.m_dRate;
        EXPECT_TRUE(fields) << "line \"" << strLine << "\"";
        aListed.push_back(listed);
    }
    return aListed;
}

// The law the records were generated from: A1 = 2000 MPa, A2 = 0.2, A3 = 0.12, A4 = -0.0025.
double HenselSpittel(double E, double H, double t) {
    return 2000.0 * std::pow(E, 0.2) * std::pow(H, 0.12) * std::exp(-0.0025 * t);
}

} // namespace

TEST(ExampleMaterial, ImportsTwelveRecordsShapedLikeTests) {
    const std::vector<CListed> aListed = ReadList(kFolder / "curves.txt");
    ASSERT_EQ(aListed.size(), 12u);
    std::set<std::pair<double, double>> conditions;
    CMaterial material;
    for (const CListed& listed : aListed) {
        conditions.insert({listed.m_dTemp, listed.m_dRate});
        AddCurveFromFile(material, (kFolder / listed.m_strFile).string(), listed.m_dTemp, listed.m_dRate);
    }
    EXPECT_EQ(conditions.size(), 12u);
    ASSERT_EQ(material.m_nCurves, 12);

    for (int c = 0; c < material.m_nCurves; ++c) {
        const CCurve& curve = material.Curve(c);
        const std::vector<CCurvePoint>& p = curve.m_pPoints;
        ASSERT_GE(p.size(), 300u);
        ASSERT_LE(p.size(), 600u);
        // Dwell at zero strain under a small preload.
        EXPECT_EQ(p[0].m_dStrain, 0.0);
        EXPECT_LT(p[0].m_dStress, 10.0);
        double dMaxStrain = 0;
        std::size_t nRise = 0;
        double dSumRelative = 0;
        for (std::size_t i = 1; i < p.size(); ++i) {
            ASSERT_GE(p[i].m_dStrain, p[i - 1].m_dStrain) << curve.m_strLabel << " row " << i + 1;
            dMaxStrain = std::max(dMaxStrain, p[i].m_dStrain);
            if (p[i].m_dStrain > p[i - 1].m_dStrain) {
                // Steady deformation: the law plus noise of 0.5 % + 0.3 MPa (5 standard deviations).
                const double dLaw = HenselSpittel(p[i].m_dStrain, curve.m_dRate, curve.m_dTemp);
                EXPECT_LT(std::fabs(p[i].m_dStress - dLaw), 5 * (0.005 * dLaw + 0.3) + 1e-3) << curve.m_strLabel << " row " << i + 1;
                dSumRelative += (p[i].m_dStress - dLaw) / dLaw;
                ++nRise;
            }
        }
        EXPECT_GE(nRise, 250u);
        EXPECT_LT(std::fabs(dSumRelative / static_cast<double>(nRise)), 0.002) << curve.m_strLabel;
        // A tail after the end of deformation: strain held at its maximum, load released.
        EXPECT_EQ(p.back().m_dStrain, dMaxStrain);
        EXPECT_EQ(p[p.size() - 10].m_dStrain, dMaxStrain);
        EXPECT_LT(p.back().m_dStress, 0.05 * HenselSpittel(dMaxStrain, curve.m_dRate, curve.m_dTemp));
    }
}

class ExampleGenerator : public ScratchTest {};

TEST_F(ExampleGenerator, WritesTheCommittedFiles) {
#ifndef VORNEL_EXAMPLE_GENERATOR
    GTEST_SKIP() << "the generator is not part of this build";
#else
    const std::string strCommand = std::string("\"") + VORNEL_EXAMPLE_GENERATOR + "\" generated > run.log 2>&1";
    ASSERT_EQ(std::system(strCommand.c_str()), 0) << FileText("run.log");
    std::size_t nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator("generated")) {
        const std::filesystem::path committed = kFolder / entry.path().filename();
        ASSERT_TRUE(std::filesystem::exists(committed)) << committed;
        EXPECT_TRUE(FileText(entry.path().string()) == FileText(committed.string())) << committed << " differs";
        ++nFiles;
    }
    EXPECT_EQ(nFiles, 13u);
#endif
}
