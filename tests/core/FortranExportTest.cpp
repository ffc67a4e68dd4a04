// The Fortran export: the exact text for the edge cases, the assignment lines against the
// C library's "%f", refusal to lose a failed write silently, and for every model a
// subroutine that gfortran compiles and that returns what CMaterial::Evaluate returns.

#include "vornel/FortranExport.h"
#include "LawSamples.h"
#include "vornel/Material.h"
#include "vornel/ModelCatalogue.h"
#include "TestSupport.h"
#include "formats/FileError.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

using vornel_test::Lines;
using vornel_test::FileText;
using vornel_test::Near;
using vornel_test::ScratchTest;
using vornel_test::WriteText;

namespace {

const std::string kHeader =
    "SUBROUTINE CalcKiv(H,Eps,t,Ks);\n"
    "implicit none;\n"
    "real*8 :: H,Eps,t,Ks;\n"
    "real*8 :: A(10);\n";
const std::string kEnd = "END SUBROUTINE CalcKiv;\n";

CMaterial MaterialWith(int nFunction, const std::vector<double>& aCoef) {
    CMaterial material;
    material.m_nFunction = nFunction;
    material.m_nCoef = static_cast<int>(aCoef.size());
    std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
    return material;
}

std::string PrintfFixed(double dValue) {
    char sz[400];
    std::snprintf(sz, sizeof sz, "%f", dValue);
    return sz;
}

} // namespace

class FortranExport : public ScratchTest {};

TEST_F(FortranExport, WritesEightLinesForModel1) {
    MaterialWith(1, {150.5, 0.25}).WriteFortran();
    EXPECT_EQ(FileText("progr.f90"), kHeader +
                                         "A(1)= 150.500000\n"
                                         "A(2)= 0.250000\n"
                                         "Ks=A(1)*Eps**A(2)\n" +
                                         kEnd);
}

TEST_F(FortranExport, WritesHeaderAndEndOnlyWithoutAModel) {
    for (int n : {0, 19, -3}) {
        MaterialWith(n, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).WriteFortran();
        EXPECT_EQ(FileText("progr.f90"), kHeader + kEnd) << "model " << n;
    }
}

TEST_F(FortranExport, WritesTinyCoefficientsAsSignedZero) {
    MaterialWith(2, {4e-7, -4.9e-7}).WriteFortran();
    const std::vector<std::string> aLines = Lines(FileText("progr.f90"));
    ASSERT_EQ(aLines.size(), 8u);
    EXPECT_EQ(aLines[4], "A(1)= 0.000000");
    EXPECT_EQ(aLines[5], "A(2)= -0.000000");
}

TEST_F(FortranExport, RewritesTheFileOnEveryRun) {
    MaterialWith(16, {1, 2, 3, 4, 5, 6, 7, 8, 9}).WriteFortran();
    MaterialWith(0, {}).WriteFortran();
    EXPECT_EQ(FileText("progr.f90"), kHeader + kEnd);
}

TEST_F(FortranExport, ReportsAFileItCannotWrite) {
    // A folder in the file's place cannot be replaced by a file.
    std::filesystem::create_directory("progr.f90");
    try {
        MaterialWith(1, {150.5, 0.25}).WriteFortran();
        FAIL() << "the failed write went unreported";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "progr.f90");
    }
    EXPECT_TRUE(std::filesystem::is_directory("progr.f90"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1) << "a temporary file was left behind";
}

TEST(FortranText, AssignsEveryCoefficientOfTheModelWithPrintfDigits) {
    std::mt19937 rng(3);
    for (int nModel = 1; nModel <= 18; ++nModel) {
        std::vector<double> aCoef = vornel_test::TypicalCoefficients(nModel, rng);
        aCoef.resize(10, 777.0); // beyond K: never written
        aCoef[0] *= 1e7;         // large values keep all their integer digits
        const std::vector<std::string> aLines = Lines(FortranText(nModel, aCoef.data()));
        const CModelInfo& model = *FindModel(nModel);
        std::size_t nFormula = 0;
        while (nFormula < model.m_aFortran.size() && model.m_aFortran[nFormula])
            ++nFormula;
        ASSERT_EQ(aLines.size(), 4 + static_cast<std::size_t>(model.m_nCoef) + nFormula + 1) << "model " << nModel;
        for (int n = 1; n <= model.m_nCoef; ++n)
            EXPECT_EQ(aLines[static_cast<std::size_t>(3 + n)], "A(" + std::to_string(n) + ")= " + PrintfFixed(aCoef[static_cast<std::size_t>(n - 1)]));
        EXPECT_EQ(aLines.back() + "\n", kEnd);
        const std::string strFirst = aLines[static_cast<std::size_t>(4 + model.m_nCoef)];
        EXPECT_TRUE(strFirst.starts_with(nModel <= 9 || nModel == 13 ? "Ks=" : "Ks = ")) << strFirst;
    }
}

TEST(FortranText, StatesTheFittedTemperatureFactorOfModels9And13) {
    const double aCoef[10] = {5000, 0.2, 0.12, -0.0025};
    EXPECT_EQ(Lines(FortranText(9, aCoef))[8], "Ks=A(1)*Eps**A(2)*H**A(3)*exp(A(4)*t)");
    EXPECT_EQ(Lines(FortranText(13, aCoef))[8], "Ks=1.73D0*A(1)*Eps**A(2)*H**A(3)*exp(A(4)/t)");
}

// Every model's subroutine, compiled by gfortran and called from a driver program, against
// CMaterial::Evaluate. The exported literals "A(n)= %f" are default-kind reals in Fortran,
// that is the coefficient rounded to six decimals and then to single precision; the
// reference evaluation takes the same coefficients, so the two agree to rounding.
class FortranSubroutine : public ScratchTest, public ::testing::WithParamInterface<int> {};

TEST_P(FortranSubroutine, ReturnsWhatEvaluateReturns) {
#ifndef VORNEL_GFORTRAN
    GTEST_SKIP() << "gfortran was not found when the tests were configured";
#else
    const int nModel = GetParam();
    std::mt19937 rng(500u + static_cast<unsigned>(nModel));
    const std::vector<double> aCoef = vornel_test::TypicalCoefficients(nModel, rng);
    CMaterial material = MaterialWith(nModel, aCoef);
    material.WriteFortran();

    struct CPoint {
        double m_dE, m_dH, m_dT;
    };
    std::vector<CPoint> aPoints;
    for (double E : {0.05, 0.3, 0.75, 1.1})
        for (double H : {0.01, 1.0, 15.0})
            for (double t : {800.0, 1000.0, 1200.0})
                aPoints.push_back({E, H, t});

    std::string strDriver = "program driver\nimplicit none\nreal*8 :: H, Eps, t, Ks\n";
    for (const CPoint& p : aPoints) {
        char sz[256];
        std::snprintf(sz, sizeof sz, "Eps = %.17gD0\nH = %.17gD0\nt = %.17gD0\n", p.m_dE, p.m_dH, p.m_dT);
        strDriver += sz;
        strDriver += "call CalcKiv(H, Eps, t, Ks)\nwrite(*, '(ES26.17E3)') Ks\n";
    }
    strDriver += "end program driver\n";
    WriteText("driver.f90", strDriver);

    const std::string strCompile =
        std::string("\"") + VORNEL_GFORTRAN + "\" -o driver driver.f90 progr.f90 > compile.log 2>&1";
    ASSERT_EQ(std::system(strCompile.c_str()), 0) << FileText("compile.log") << "\n" << FileText("progr.f90");
    ASSERT_EQ(std::system("./driver > values.txt 2> run.log"), 0) << FileText("run.log");

    CMaterial reference = material;
    for (int n = 0; n < material.m_nCoef; ++n) {
        double& dCoef = reference.m_dCoef[static_cast<std::size_t>(n)];
        dCoef = static_cast<double>(std::strtof(PrintfFixed(dCoef).c_str(), nullptr));
    }
    std::istringstream values(FileText("values.txt"));
    for (const CPoint& p : aPoints) {
        std::string strValue;
        ASSERT_TRUE(values >> strValue) << "the driver printed fewer values than it has points";
        const double dFortran = std::strtod(strValue.c_str(), nullptr);
        const double dExpected = reference.Evaluate(p.m_dE, p.m_dT, p.m_dH);
        ASSERT_TRUE(std::isfinite(dExpected));
        EXPECT_TRUE(Near(dFortran, dExpected, 1e-10)) << "model " << nModel << " at E=" << p.m_dE << " H=" << p.m_dH
                                                    << " t=" << p.m_dT;
        // Against the coefficients as fitted, the rounding of the literals is all that differs.
        EXPECT_TRUE(Near(dFortran, material.Evaluate(p.m_dE, p.m_dT, p.m_dH), 1e-2));
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(AllModels, FortranSubroutine, ::testing::Range(1, 19),
                         [](const ::testing::TestParamInfo<int>& info) { return "Model" + std::to_string(info.param); });
