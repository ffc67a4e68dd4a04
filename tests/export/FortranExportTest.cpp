// The Fortran export: the exact text for the edge cases, literals that read back as the
// coefficients, refusal to lose a failed write silently, and for every model a subroutine
// that gfortran compiles and that returns what CMaterial::Evaluate returns.

#include "vornel/export/FortranExport.h"
#include "LawSamples.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "TestSupport.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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
const std::string kBounds =
    "associate (Eps => merge(Eps, 1.0000000000000000D-03, Eps > 1.0000000000000000D-03), &\n"
    "    H => merge(H, 1.0000000000000000D-04, H > 1.0000000000000000D-04))\n";

CMaterial MaterialWith(int nFunction, const std::vector<double>& aCoef) {
    CMaterial material;
    material.m_nFunction = nFunction;
    material.m_nCoef = static_cast<int>(aCoef.size());
    std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
    return material;
}

// The double a Fortran compiler reads from a literal "1.2345678901234567D+03".
double ReadFortranDouble(std::string strLiteral) {
    std::replace(strLiteral.begin(), strLiteral.end(), 'D', 'E');
    char* pEnd = nullptr;
    const double dValue = std::strtod(strLiteral.c_str(), &pEnd);
    EXPECT_EQ(*pEnd, '\0') << strLiteral;
    return dValue;
}

} // namespace

class FortranExport : public ScratchTest {};

TEST_F(FortranExport, WritesModel1WithFullDigitsAndBoundedArguments) {
    MaterialWith(1, {150.5, 0.25}).WriteFortran();
    EXPECT_EQ(FileText("progr.f90"), kHeader +
                                         "A(1)= 1.5050000000000000D+02\n"
                                         "A(2)= 2.5000000000000000D-01\n" +
                                         kBounds +
                                         "Ks=A(1)*Eps**A(2)\n"
                                         "end associate\n" +
                                         kEnd);
}

TEST_F(FortranExport, WritesHeaderAndEndOnlyWithoutAModel) {
    for (int n : {0, 99, -3}) {
        MaterialWith(n, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).WriteFortran();
        EXPECT_EQ(FileText("progr.f90"), kHeader + kEnd) << "model " << n;
    }
}

TEST(FortranDouble, LiteralsReadBackAsTheSameDouble) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-300, 300);
    std::vector<double> aValues = {0.0, -0.0, 1.0, -1.0, 0.00039234752, 1e-7, -4.9e-7, 1.7976931348623157e308,
                                   2.2250738585072014e-308, 0.1, 1.0 / 3.0};
    for (int i = 0; i < 2000; ++i)
        aValues.push_back(std::ldexp(mantissa(rng), exponent(rng)));
    for (double dValue : aValues) {
        const std::string strLiteral = FortranDouble(dValue);
        const double dBack = ReadFortranDouble(strLiteral);
        EXPECT_EQ(std::memcmp(&dBack, &dValue, sizeof dValue), 0) << strLiteral << " for " << dValue;
        EXPECT_EQ(strLiteral.find_first_of("eE,"), std::string::npos) << strLiteral;
    }
    EXPECT_EQ(FortranDouble(-1234.5678901234567), "-1.2345678901234567D+03");
    EXPECT_EQ(FortranDouble(0.00039234752), "3.9234752000000001D-04");
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

TEST(FortranText, AssignsEveryCoefficientOfTheModelAndBoundsTheArguments) {
    std::mt19937 rng(3);
    for (int nModel = 1; nModel <= 18; ++nModel) {
        std::vector<double> aCoef = vornel_test::TypicalCoefficients(nModel, rng);
        aCoef.resize(10, 777.0); // beyond K: never written
        aCoef[0] *= 1e7;
        const std::vector<std::string> aLines = Lines(FortranText(nModel, aCoef.data()));
        const CModelInfo& model = *FindModel(nModel);
        std::size_t nFormula = 0;
        while (nFormula < model.m_aFortran.size() && model.m_aFortran[nFormula])
            ++nFormula;
        const auto K = static_cast<std::size_t>(model.m_nCoef);
        ASSERT_EQ(aLines.size(), 4 + K + 2 + nFormula + 1 + 1) << "model " << nModel;
        for (std::size_t n = 1; n <= K; ++n) {
            const std::string strPrefix = "A(" + std::to_string(n) + ")= ";
            ASSERT_TRUE(aLines[3 + n].starts_with(strPrefix)) << aLines[3 + n];
            EXPECT_EQ(ReadFortranDouble(aLines[3 + n].substr(strPrefix.size())), aCoef[n - 1]) << "model " << nModel;
        }
        EXPECT_EQ(aLines[4 + K] + "\n" + aLines[5 + K] + "\n", kBounds);
        for (std::size_t k = 0; k < nFormula; ++k)
            EXPECT_EQ(aLines[6 + K + k], model.m_aFortran[k]);
        EXPECT_EQ(aLines[6 + K + nFormula], "end associate");
        EXPECT_EQ(aLines.back() + "\n", kEnd);
        const std::string strFirst = aLines[6 + K];
        EXPECT_TRUE(strFirst.starts_with(nModel <= 9 || nModel == 13 ? "Ks=" : "Ks = ")) << strFirst;
    }
}

// Model 19 declares its 26 coefficients and computes its law through local variables in a
// block of their own, every statement as the catalogue states it.
TEST(FortranText, WritesModel19WithItsLocalVariables) {
    std::mt19937 rng(19);
    const std::vector<double> aCoef = vornel_test::TypicalCoefficients(19, rng);
    const std::vector<std::string> aLines = Lines(FortranText(19, aCoef.data()));
    const CModelInfo& model = *FindModel(19);
    ASSERT_EQ(aLines.size(), 4u + 26 + 2 + 2 + 8 + 1 + 1 + 1);
    EXPECT_EQ(aLines[3], "real*8 :: A(26);");
    EXPECT_EQ(aLines[29], "A(26)= " + FortranDouble(aCoef[25]));
    EXPECT_EQ(aLines[32], "block");
    EXPECT_EQ(aLines[33], "real*8 :: Ec, Al, Rn, Qa, LnA, Y, Ym");
    for (std::size_t k = 0; k < 8; ++k)
        EXPECT_EQ(aLines[34 + k], model.m_aFortran[k]);
    EXPECT_EQ(aLines[42], "end block");
    EXPECT_EQ(aLines[43], "end associate");
    EXPECT_EQ(FortranLawSteps(model).size(), 7u);
    EXPECT_EQ(FortranLawExpression(model), "(Ym + log(exp(Y-Ym) + sqrt(exp(2D0*(Y-Ym)) + exp(-2D0*Ym))))/Al");
}

// Model 21 sets its 362 coefficients by DATA statements of four, which read back as them, and
// declares its integer locals beside its real ones.
TEST(FortranText, SetsModel21sCoefficientsByDataStatements) {
    std::mt19937 rng(21);
    const std::vector<double> aCoef = vornel_test::TypicalCoefficients(21, rng);
    const std::vector<std::string> aLines = Lines(FortranText(21, aCoef.data()));
    EXPECT_EQ(aLines[3], "real*8 :: A(362);");
    std::vector<double> aRead;
    std::size_t n = 4;
    for (; aLines[n].starts_with("data A("); ++n) {
        std::string strValues = aLines[n].substr(aLines[n].find('/') + 1);
        strValues.erase(strValues.rfind('/'));
        std::istringstream values(strValues);
        for (std::string strValue; std::getline(values, strValue, ',');)
            aRead.push_back(ReadFortranDouble(std::string(strValue.begin() + strValue.find_first_not_of(' '),
                                                          strValue.begin() + strValue.find_last_not_of(' ') + 1)));
    }
    EXPECT_EQ(aRead, aCoef);
    EXPECT_EQ(n, 4u + 91);
    EXPECT_EQ(aLines[n + 3], "real*8 :: " + std::string(FindModel(21)->m_szFortranLocals));
    EXPECT_EQ(aLines[n + 4], "integer :: Iu, Ir, Ix, La, Lb, Lc");
}

TEST(FortranText, StatesTheFittedTemperatureFactorOfModels9And13) {
    const double aCoef[10] = {5000, 0.2, 0.12, -0.0025};
    EXPECT_EQ(Lines(FortranText(9, aCoef))[10], "Ks=A(1)*Eps**A(2)*H**A(3)*exp(A(4)*t)");
    EXPECT_EQ(Lines(FortranText(13, aCoef))[10], "Ks=1.73D0*A(1)*Eps**A(2)*H**A(3)*exp(A(4)/t)");
}

// Every model's subroutine, compiled by gfortran and called from a driver program at 1000
// points, against CMaterial::Evaluate with the coefficients as the material holds them
// (model 21's set by DATA statements, its spline's arguments inside and beyond its ranges).
// The points include strain 0, strains below 0.001, strain rate 0 and strain rates below
// 0.0001, where both bound their arguments; the driver also checks that the subroutine
// leaves its arguments unchanged.
class FortranSubroutine : public ScratchTest, public ::testing::WithParamInterface<int> {};

TEST_P(FortranSubroutine, ReturnsWhatEvaluateReturns) {
#ifndef VORNEL_GFORTRAN
    SkipOrFailWithoutOracle("gfortran was not found when the tests were configured");
#else
    const int nModel = GetParam();
    std::mt19937 rng(500u + static_cast<unsigned>(nModel));
    const std::vector<double> aCoef = vornel_test::TypicalCoefficients(nModel, rng);
    CMaterial material = MaterialWith(nModel, aCoef);
    material.WriteFortran();

    struct CPoint {
        double m_dE, m_dH, m_dT;
    };
    std::uniform_real_distribution<double> strain(0.0, 1.2);
    std::uniform_real_distribution<double> logRate(std::log(1e-5), std::log(100.0));
    std::uniform_real_distribution<double> temp(700.0, 1250.0);
    std::vector<CPoint> aPoints;
    for (int i = 0; i < 1000; ++i) {
        CPoint p{strain(rng), std::exp(logRate(rng)), temp(rng)};
        if (i % 10 == 1)
            p.m_dE = 0.0;
        if (i % 10 == 2)
            p.m_dE *= 0.001; // below the strain bound
        if (i % 10 == 3 || i % 20 == 1)
            p.m_dH = 0.0;
        aPoints.push_back(p);
    }
    std::string strPoints = std::to_string(aPoints.size()) + "\n";
    for (const CPoint& p : aPoints) {
        char sz[128];
        std::snprintf(sz, sizeof sz, "%.17g %.17g %.17g\n", p.m_dE, p.m_dH, p.m_dT);
        strPoints += sz;
    }
    WriteText("points.txt", strPoints);
    WriteText("driver.f90", "program driver\n"
                            "implicit none\n"
                            "real*8 :: H, Eps, t, Ks, H0, Eps0\n"
                            "integer :: i, n\n"
                            "open(10, file='points.txt', status='old')\n"
                            "read(10, *) n\n"
                            "do i = 1, n\n"
                            "  read(10, *) Eps, H, t\n"
                            "  Eps0 = Eps\n"
                            "  H0 = H\n"
                            "  call CalcKiv(H, Eps, t, Ks)\n"
                            "  if (Eps /= Eps0 .or. H /= H0) stop 3\n"
                            "  write(*, '(ES26.17E3)') Ks\n"
                            "end do\n"
                            "end program driver\n");

    const std::string strCompile =
        std::string("\"") + VORNEL_GFORTRAN + "\" -o driver driver.f90 progr.f90 > compile.log 2>&1";
    ASSERT_EQ(std::system(strCompile.c_str()), 0) << FileText("compile.log") << "\n" << FileText("progr.f90");
    ASSERT_EQ(std::system("./driver > values.txt 2> run.log"), 0) << FileText("run.log");

    std::istringstream values(FileText("values.txt"));
    for (const CPoint& p : aPoints) {
        std::string strValue;
        ASSERT_TRUE(values >> strValue) << "the driver printed fewer values than it has points";
        const double dFortran = std::strtod(strValue.c_str(), nullptr);
        const double dExpected = material.Evaluate(p.m_dE, p.m_dT, p.m_dH);
        ASSERT_TRUE(std::isfinite(dExpected));
        EXPECT_TRUE(Near(dFortran, dExpected, 1e-12))
            << "model " << nModel << " at E=" << p.m_dE << " H=" << p.m_dH << " t=" << p.m_dT;
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(AllModels, FortranSubroutine, ::testing::ValuesIn(vornel_test::CatalogueNumbers()),
                         [](const ::testing::TestParamInfo<int>& info) { return "Model" + std::to_string(info.param); });
