// The solver exports of the fitted law. The subroutines are compiled by gfortran and called
// by small driver programs at 1000 points against CMaterial::Evaluate and its central
// differences, for every model fitted to a measured set and to a generated one; the tables
// are read back by parsers of each format's layout and every value is held against
// Evaluate at its node; the law check finds laws built to fail it.

#include "vornel/export/LawExport.h"
#include "LawSamples.h"
#include "MeasuredSets.h"
#include "RecordFiles.h"
#include "TestSupport.h"
#include "vornel/export/FortranExport.h"
#include "vornel/document/Material.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

using namespace vornel_test;

namespace {

// A generated material unlike the steel set: an aluminium-like steady-state stress of the
// hyperbolic-sine law, sigma = asinh((Z / A)^(1/n)) / alpha with Z = H exp(Q / (R T)),
// over 350..500 deg C and 0.01..10 1/s, hardening to it over the first strains, with 1 %
// noise. Writes the records and their conditions.txt into strFolder.
void WriteGeneratedSet(const std::string& strFolder) {
    std::filesystem::create_directories(strFolder);
    const RecordLaw law = [](double E, double H, double t) {
        const double dZ = H * std::exp(156000.0 / (8.314 * (t + 273.15)));
        const double dSteady = std::asinh(std::pow(dZ / 1.3e12, 0.2)) / 0.045;
        return dSteady * (0.6 + 0.4 * (1 - std::exp(-E / 0.05)));
    };
    std::string strList;
    unsigned nSeed = 1;
    for (double dTemp : {350.0, 400.0, 450.0, 500.0})
        for (double dRate : {0.01, 0.1, 1.0, 10.0}) {
            const std::string strFile = "gen_" + std::to_string(nSeed) + ".asc";
            WriteRecord(strFolder + "/" + strFile, law, dTemp, dRate, 300, 0.7, 10, 15, 0.01, nSeed++);
            strList += strFile + " " + Digits17(dTemp) + " " + Digits17(dRate) + "\n";
        }
    WriteText(strFolder + "/conditions.txt", strList);
}

// The material of set strSet (a measured set beside the checkout, or "generated") with
// model nModel fitted (the Johnson-Cook law with the melting temperature of steel or of
// aluminium); null when the measured set is absent.
std::unique_ptr<CMaterial> FittedMaterial(const std::string& strSet, int nModel) {
    std::string strFolder;
    if (strSet == "generated") {
        strFolder = "generated";
        WriteGeneratedSet(strFolder);
    } else {
        strFolder = SharedDataSet(strSet);
        if (strFolder.empty())
            return nullptr;
    }
    auto pMaterial = LoadMeasuredSet(strFolder);
    pMaterial->m_strName = strSet;
    pMaterial->m_nFunction = nModel;
    pMaterial->m_johnsonCook.m_dMeltTemp = strSet == "generated" ? 660.0 : 1500.0;
    const CFitOutcome outcome = pMaterial->FitModel();
    EXPECT_TRUE(outcome.Ok()) << strSet << " model " << nModel << ": " << outcome.m_strMessage;
    return pMaterial;
}

bool Run(const std::string& strCommand) { return std::system((strCommand + " > run.log 2>&1").c_str()) == 0; }

// The file strSource compiled as the solver's users compile it, beside ABA_PARAM.INC and
// VABA_PARAM.INC holding the implicit typing of the solver, and linked with the driver.
::testing::AssertionResult CompileWithDriver(const std::string& strSource, const std::string& strDriver,
                                             const std::string& strProgram) {
#ifdef VORNEL_GFORTRAN
    WriteText("ABA_PARAM.INC", "      implicit real*8(a-h,o-z)\n");
    WriteText("VABA_PARAM.INC", "      implicit real*8(a-h,o-z)\n");
    const std::string strCompiler = std::string("\"") + VORNEL_GFORTRAN + "\"";
    if (!Run(strCompiler + " -c -ffixed-form -o " + strProgram + "_law.o " + strSource))
        return ::testing::AssertionFailure() << FileText("run.log") << "\n" << FileText(strSource);
    if (!Run(strCompiler + " -o " + strProgram + " " + strDriver + " " + strProgram + "_law.o"))
        return ::testing::AssertionFailure() << FileText("run.log");
    return ::testing::AssertionSuccess();
#else
    (void)strSource, (void)strDriver, (void)strProgram;
    return ::testing::AssertionFailure() << "no gfortran";
#endif
}

// Calls UHARD once per point of points.txt ("n", then "EQPLAS EQPLASRT TEMP" lines) and
// prints SYIELD and HARD(1..3).
constexpr const char* kUhardDriver = R"(program uhard_driver
implicit none
real*8 :: syield, hard(3), eqplas, eqplasrt, time(2), dtime, temp, dtemp
real*8 :: statev(1), predef(1), dpred(1), props(1)
integer :: noel, npt, layer, kspt, kstep, kinc, nstatv, numfieldv, numprops, i, n
character*80 :: cmname
cmname = 'MATERIAL-1'
time = 0; dtime = 0.01; dtemp = 0; noel = 1; npt = 1; layer = 1; kspt = 1; kstep = 1; kinc = 1
nstatv = 1; numfieldv = 1; numprops = 0; statev = 0; predef = 0; dpred = 0; props = 0
open(10, file='points.txt', status='old')
read(10, *) n
do i = 1, n
  read(10, *) eqplas, eqplasrt, temp
  call uhard(syield, hard, eqplas, eqplasrt, time, dtime, temp, dtemp, noel, npt, layer, kspt, &
             kstep, kinc, cmname, nstatv, statev, numfieldv, predef, dpred, numprops, props)
  write(*, '(4ES26.17E3)') syield, hard
end do
end program uhard_driver
)";

// Calls VUHARD once with all points of points.txt as its block and prints YIELD,
// DYIELDDEQPS(k,1), DYIELDDEQPS(k,2) and DYIELDDTEMP per point; stops with 3 when STATENEW
// is not STATEOLD.
constexpr const char* kVuhardDriver = R"(program vuhard_driver
implicit none
integer, parameter :: nstatev = 2, nfieldv = 1, nprops = 1
integer :: nblock, i, kintpt, klayer, ksecpt, lanneal
integer, allocatable :: jelem(:)
real*8 :: steptime, totaltime, dt, props(nprops)
real*8, allocatable :: tempold(:), tempnew(:), fieldold(:,:), fieldnew(:,:), stateold(:,:), statenew(:,:)
real*8, allocatable :: eqps(:), eqpsrate(:), yield(:), dyielddtemp(:), dyielddeqps(:,:)
character*80 :: cmname
cmname = 'MATERIAL-1'
open(10, file='points.txt', status='old')
read(10, *) nblock
allocate(jelem(nblock), tempold(nblock), tempnew(nblock), fieldold(nblock, nfieldv), fieldnew(nblock, nfieldv))
allocate(stateold(nblock, nstatev), statenew(nblock, nstatev), eqps(nblock), eqpsrate(nblock))
allocate(yield(nblock), dyielddtemp(nblock), dyielddeqps(nblock, 2))
do i = 1, nblock
  read(10, *) eqps(i), eqpsrate(i), tempnew(i)
  jelem(i) = i
  stateold(i, 1) = 1.5d0 * i
  stateold(i, 2) = -2.0d0 * i
end do
tempold = tempnew - 1; fieldold = 0; fieldnew = 0; statenew = 0; props = 0
kintpt = 1; klayer = 1; ksecpt = 1; lanneal = 0; steptime = 1; totaltime = 1; dt = 1d-5
call vuhard(nblock, jelem, kintpt, klayer, ksecpt, lanneal, steptime, totaltime, dt, cmname, &
            nstatev, nfieldv, nprops, props, tempold, tempnew, fieldold, fieldnew, stateold, &
            eqps, eqpsrate, yield, dyielddtemp, dyielddeqps, statenew)
if (any(statenew /= stateold)) stop 3
do i = 1, nblock
  write(*, '(4ES26.17E3)') yield(i), dyielddeqps(i, 1), dyielddeqps(i, 2), dyielddtemp(i)
end do
end program vuhard_driver
)";

struct SPoint {
    double m_dE, m_dH, m_dT;
};

// 1000 points over the range the law check covers for the subroutines (strains 0 to twice
// the largest measured, rates a tenth of the smallest to ten times the largest, log-spaced,
// temperatures over the measured range), with strain 0, rate 0, both, and strains and rates
// below their bounds among them; written to points.txt.
std::vector<SPoint> WritePoints(const CMeasuredRanges& measured, unsigned nSeed) {
    std::mt19937 rng(nSeed);
    std::uniform_real_distribution<double> strain(0.0, 2 * measured.m_dMaxStrain);
    std::uniform_real_distribution<double> logRate(std::log(0.1 * measured.m_aRates.front()),
                                                   std::log(10 * measured.m_aRates.back()));
    std::uniform_real_distribution<double> temp(measured.m_aTemps.front(), measured.m_aTemps.back());
    std::vector<SPoint> aPoints;
    std::string strText = "1000\n";
    for (int i = 0; i < 1000; ++i) {
        SPoint p{strain(rng), std::exp(logRate(rng)), temp(rng)};
        if (i % 10 == 1 || i % 10 == 3)
            p.m_dE = 0.0;
        if (i % 10 == 2 || i % 10 == 3)
            p.m_dH = 0.0;
        if (i % 10 == 4)
            p.m_dE = 0.0009 * p.m_dE / measured.m_dMaxStrain;
        if (i % 10 == 5)
            p.m_dH = 0.00005;
        aPoints.push_back(p);
        char sz[128];
        std::snprintf(sz, sizeof sz, "%.17g %.17g %.17g\n", p.m_dE, p.m_dH, p.m_dT);
        strText += sz;
    }
    WriteText("points.txt", strText);
    return aPoints;
}

// The driver's output against Evaluate: the value to 1e-12 relative, each derivative to
// 1e-6 relative against central differences where no bound lies within their steps, and 0
// with respect to an argument a bound holds.
void ExpectEvaluateAndSlopes(const CMaterial& material, const std::vector<SPoint>& aPoints,
                             const std::string& strOutput, const std::string& strWhat) {
    std::istringstream values(strOutput);
    int nChecked = 0;
    for (const SPoint& p : aPoints) {
        std::string astr[4];
        ASSERT_TRUE(values >> astr[0] >> astr[1] >> astr[2] >> astr[3]) << strWhat << ": fewer values than points";
        double ad[4];
        for (int k = 0; k < 4; ++k)
            ad[k] = std::strtod(astr[k].c_str(), nullptr);
        const double dExpected = material.Evaluate(p.m_dE, p.m_dT, p.m_dH);
        const std::string strAt = strWhat + " at E=" + Digits17(p.m_dE) + " H=" + Digits17(p.m_dH) +
                                  " t=" + Digits17(p.m_dT);
        ASSERT_TRUE(std::isfinite(dExpected)) << strAt;
        EXPECT_TRUE(Near(ad[0], dExpected, 1e-12)) << strAt;
        const SCentralSlopes central = CentralSlopes(material, p.m_dE, p.m_dT, p.m_dH);
        const double adArg[3] = {p.m_dE, p.m_dH, p.m_dT};
        const bool abHeld[3] = {!(p.m_dE > kEvaluateMinStrain), !(p.m_dH > kEvaluateMinRate), false};
        for (int k = 0; k < 3; ++k) {
            if (abHeld[k]) {
                EXPECT_EQ(ad[k + 1], 0.0) << strAt << ", derivative " << k + 1;
            } else if (central.m_abUsable[k]) {
                EXPECT_TRUE(SlopeNear(ad[k + 1], central.m_adSlope[k], dExpected, adArg[k], 1e-6))
                    << strAt << ", derivative " << k + 1;
                ++nChecked;
            }
        }
    }
    EXPECT_GT(nChecked, 2000) << strWhat;
}

// The subroutines of every model, fitted to the measured steel set and to the generated set.
struct SSubroutineCase {
    std::string m_strSet;
    int m_nModel;
};

void PrintTo(const SSubroutineCase& c, std::ostream* os) { *os << c.m_strSet << " model " << c.m_nModel; }

class Subroutines : public ScratchTest, public ::testing::WithParamInterface<SSubroutineCase> {};

TEST_P(Subroutines, ReturnEvaluateAndItsDerivatives) {
#ifndef VORNEL_GFORTRAN
    SkipOrFailWithoutOracle("gfortran was not found when the tests were configured");
#else
    const SSubroutineCase& c = GetParam();
    const std::unique_ptr<CMaterial> pMaterial = FittedMaterial(c.m_strSet, c.m_nModel);
    if (!pMaterial)
        SkipOrFailWithoutOracle(std::string("the measured set ") + c.m_strSet + " is not beside the checkout (../shared/data)");
    ASSERT_GT(pMaterial->m_nCoef, 0);
    const CLawExport law = MakeLawExport(*pMaterial);
    const std::vector<SPoint> aPoints = WritePoints(law.m_measured, 100u + static_cast<unsigned>(c.m_nModel));
    WriteText("uhard_driver.f90", kUhardDriver);
    WriteText("vuhard_driver.f90", kVuhardDriver);
    for (const char* szFormat : {"uhard", "vuhard"}) {
        const std::string strFile = std::string(szFormat) + ".f";
        WriteLawExport(*FindExportFormat(szFormat), law, strFile);
        ASSERT_TRUE(CompileWithDriver(strFile, std::string(szFormat) + "_driver.f90", szFormat));
        ASSERT_EQ(std::system((std::string("./") + szFormat + " > values.txt 2> run.log").c_str()), 0)
            << FileText("run.log");
        ExpectEvaluateAndSlopes(*pMaterial, aPoints, FileText("values.txt"),
                                c.m_strSet + " model " + std::to_string(c.m_nModel) + " " + szFormat);
    }
#endif
}

std::vector<SSubroutineCase> SubroutineCases() {
    std::vector<SSubroutineCase> aCases;
    for (const char* szSet : {"steel-gleeble", "generated"})
        for (int nModel : CatalogueNumbers())
            aCases.push_back({szSet, nModel});
    return aCases;
}

INSTANTIATE_TEST_SUITE_P(FittedModels, Subroutines, ::testing::ValuesIn(SubroutineCases()),
                         [](const ::testing::TestParamInfo<SSubroutineCase>& info) {
                             std::string strName = info.param.m_strSet + "_Model" + std::to_string(info.param.m_nModel);
                             std::replace(strName.begin(), strName.end(), '-', '_');
                             return strName;
                         });

// The tables of every model fitted to both measured sets, interpolated linearly between
// neighbouring nodes and checked at 40 points within every interval against Evaluate:
// along the strains and the temperatures within kTableTolerance, along the strain rates of
// the LS-DYNA deck (in their logarithm, as *MAT_024_LOG_INTERPOLATION takes them) within 1 %.
class TablesOfFittedLaws : public ScratchTest, public ::testing::WithParamInterface<SSubroutineCase> {};

TEST_P(TablesOfFittedLaws, StayNearTheLawBetweenTheirNodes) {
    const SSubroutineCase& c = GetParam();
    const std::unique_ptr<CMaterial> pMaterial = FittedMaterial(c.m_strSet, c.m_nModel);
    if (!pMaterial)
        SkipOrFailWithoutOracle(std::string("the measured set ") + c.m_strSet + " is not beside the checkout (../shared/data)");
    ASSERT_GT(pMaterial->m_nCoef, 0);
    const CLawExport law = MakeLawExport(*pMaterial);
    CExportGrid base = law.m_baseGrid;
    const CLawExport dyna = LawOnGrid(law, base, ERateAxis::Log);
    double dLargest = 0;
    for (const CLawValue& value : law.m_aValues)
        dLargest = std::max(dLargest, std::fabs(value.m_dStress));
    // The largest departure along axis k (0 strain, 1 rate, 2 temperature) of the table t.
    const auto worst = [&](const CLawExport& t, int k, bool bLog) {
        const CExportGrid& g = t.m_grid;
        const std::vector<double>* apAxes[3] = {&g.m_aStrains, &g.m_aRates, &g.m_aTemps};
        double dWorst = 0;
        for (std::size_t i0 = 0; i0 < g.m_aTemps.size(); ++i0)
            for (std::size_t i1 = 0; i1 < g.m_aRates.size(); ++i1)
                for (std::size_t i2 = 0; i2 < g.m_aStrains.size(); ++i2) {
                    std::size_t an[3] = {i2, i1, i0};
                    if (an[k] + 1 >= apAxes[k]->size())
                        continue;
                    const double a = (*apAxes[k])[an[k]], b = (*apAxes[k])[an[k] + 1];
                    const double fa = t.At(i0, i1, i2).m_dStress;
                    ++an[k];
                    const double fb = t.At(an[2], an[1], an[0]).m_dStress;
                    for (int j = 1; j < 40; ++j) {
                        double ad[3] = {g.m_aStrains[i2], g.m_aRates[i1], g.m_aTemps[i0]};
                        ad[k] = a + (b - a) * j / 40.0;
                        const double dShare = bLog ? std::log(ad[k] / a) / std::log(b / a) : (ad[k] - a) / (b - a);
                        const double f = pMaterial->Evaluate(ad[0], ad[2], ad[1]);
                        dWorst = std::max(dWorst, std::fabs(fa + (fb - fa) * dShare - f) /
                                                      std::max(std::fabs(f), 0.01 * dLargest));
                    }
                }
        return dWorst;
    };
    const double dStrains = worst(law, 0, false), dTemps = worst(law, 2, false), dDynaRates = worst(dyna, 1, true);
    std::printf("%s model %d: strains %.3f %%, temperatures %.3f %%, LS-DYNA rates %.3f %% (stated %s)\n",
                c.m_strSet.c_str(), c.m_nModel, 100 * dStrains, 100 * dTemps, 100 * dDynaRates,
                law.m_interpolation.Describe().c_str());
    EXPECT_LE(dStrains, kTableTolerance);
    EXPECT_LE(dTemps, kTableTolerance);
    EXPECT_LE(dDynaRates, 0.01);
    EXPECT_LE(worst(law, 1, false), kTableTolerance);
    EXPECT_LE(worst(law, 1, true), kTableTolerance);
}

std::vector<SSubroutineCase> MeasuredSetCases() {
    std::vector<SSubroutineCase> aCases;
    for (const char* szSet : {"steel-gleeble", "bst-compression"})
        for (int nModel = 1; nModel <= static_cast<int>(ModelCatalogue().size()); ++nModel)
            aCases.push_back({szSet, nModel});
    return aCases;
}

INSTANTIATE_TEST_SUITE_P(MeasuredSets, TablesOfFittedLaws, ::testing::ValuesIn(MeasuredSetCases()),
                         [](const ::testing::TestParamInfo<SSubroutineCase>& info) {
                             std::string strName = info.param.m_strSet + "_Model" + std::to_string(info.param.m_nModel);
                             std::replace(strName.begin(), strName.end(), '-', '_');
                             return strName;
                         });

// UHARD and VUHARD written for temperatures in K, and for GPa, 1/ms and K, give at T + 273.15
// and at the rate in 1/ms what the deg C subroutines give, converted, to 1e-12.
TEST_F(Subroutines, InOtherUnitsAreTheLawConverted) {
#ifndef VORNEL_GFORTRAN
    SkipOrFailWithoutOracle("gfortran was not found when the tests were configured");
#else
    const std::unique_ptr<CMaterial> pMaterial = FittedMaterial("generated", 17);
    const CLawExport law = MakeLawExport(*pMaterial);
    const std::vector<SPoint> aPoints = WritePoints(law.m_measured, 117u);
    WriteText("uhard_driver.f90", kUhardDriver);
    WriteText("vuhard_driver.f90", kVuhardDriver);
    const auto run = [&](const char* szFormat, const char* szUnits, const std::vector<SPoint>& aAt) {
        CDeckOptions deck;
        deck.SetUnits(szUnits);
        CLawExport converted = law;
        converted.m_deck = deck;
        std::string strPoints = std::to_string(aAt.size()) + "\n";
        for (const SPoint& p : aAt)
            strPoints += Digits17(p.m_dE) + " " + Digits17(p.m_dH) + " " + Digits17(p.m_dT) + "\n";
        WriteText("points.txt", strPoints);
        WriteLawExport(*FindExportFormat(szFormat), converted, "law.f");
        EXPECT_TRUE(CompileWithDriver("law.f", std::string(szFormat) + "_driver.f90", szFormat));
        EXPECT_EQ(std::system((std::string("./") + szFormat + " > values.txt 2> run.log").c_str()), 0);
        std::vector<double> aValues;
        std::istringstream in(FileText("values.txt"));
        for (double d; in >> d;)
            aValues.push_back(d);
        EXPECT_EQ(aValues.size(), 4 * aAt.size());
        return aValues;
    };
    for (const char* szFormat : {"uhard", "vuhard"}) {
        const std::vector<double> aCelsius = run(szFormat, "", aPoints);
        for (const auto& [szUnits, dStress, dRate] : {std::tuple{"MPa-mm-s-K", 1.0, 1.0}, {"GPa-mm-ms-K", 1e-3, 1e-3}}) {
            std::vector<SPoint> aShifted = aPoints;
            for (SPoint& p : aShifted) {
                p.m_dT += 273.15;
                p.m_dH *= dRate;
            }
            const std::vector<double> aKelvin = run(szFormat, szUnits, aShifted);
            const double adFactor[4] = {dStress, dStress, dStress / dRate, dStress};
            for (std::size_t i = 0; i < std::min(aKelvin.size(), aCelsius.size()); ++i)
                EXPECT_TRUE(Near(aKelvin[i], adFactor[i % 4] * aCelsius[i], 1e-12))
                    << szFormat << " " << szUnits << ", value " << i % 4 << " of point " << i / 4;
        }
    }
#endif
}

// The lines of a fixed-form file: comments with C in column 1, statements in columns 7 to
// 72, continuation marks in column 6; and its statements with their continuations joined.
std::vector<std::string> FixedFormStatements(const std::string& strText) {
    std::vector<std::string> aStatements;
    for (const std::string& strLine : Lines(strText)) {
        EXPECT_LE(strLine.size(), 72u) << strLine;
        if (strLine.starts_with("C")) {
            EXPECT_TRUE(strLine.size() == 1 || strLine[1] == ' ') << strLine;
            continue;
        }
        EXPECT_EQ(strLine.substr(0, 5), "     ") << strLine;
        EXPECT_TRUE(strLine[5] == ' ' || strLine[5] == '&') << strLine;
        if (strLine[5] == '&') {
            EXPECT_FALSE(aStatements.empty());
            aStatements.back() += strLine.substr(6);
        } else {
            aStatements.push_back(strLine.substr(6));
        }
    }
    for (std::string& strStatement : aStatements)
        strStatement.erase(std::remove(strStatement.begin(), strStatement.end(), ' '), strStatement.end());
    return aStatements;
}

// A law of 26 coefficients (a polynomial of degree 25 in the strain times a power of the
// strain rate, Horner's scheme) as a catalogue row would hold it.
double Poly26(const double* A, double E, double H, double) {
    double dSum = A[24];
    for (int i = 23; i >= 0; --i)
        dSum = A[i] + E * dSum;
    return dSum * std::pow(H, A[25]);
}

} // namespace

class SubroutineLayout : public ScratchTest {};

// The statements the solvers call, as they must stand, in fixed form; and a law of more
// than ten coefficients compiles and computes the law.
TEST_F(SubroutineLayout, StatesTheSolverInterfaceInFixedForm) {
    CMaterial material;
    material.m_strName = "layout";
    material.m_nFunction = 18;
    material.m_nCoef = 9;
    const double aCoef[9] = {30000, 0.2, -0.005, -0.3, 0.0001, 0.1, 0.00002, -0.5, -0.002};
    std::copy(std::begin(aCoef), std::end(aCoef), material.m_dCoef.begin());
    material.m_nCurves = 1;
    material.Curve(0).m_dTemp = 1000;
    material.Curve(0).m_dRate = 1;
    material.Curve(0).m_pPoints = {CCurvePoint{.m_dStrain = 0.5}};
    const CLawExport law = MakeLawExport(material);
    const std::vector<std::string> aUhard = FixedFormStatements(FindExportFormat("uhard")->m_pfnText(law));
    ASSERT_GE(aUhard.size(), 4u);
    EXPECT_EQ(aUhard[0], "SUBROUTINEUHARD(SYIELD,HARD,EQPLAS,EQPLASRT,TIME,DTIME,TEMP,DTEMP,NOEL,NPT,LAYER,KSPT,KSTEP,KINC,"
                         "CMNAME,NSTATV,STATEV,NUMFIELDV,PREDEF,DPRED,NUMPROPS,PROPS)");
    EXPECT_EQ(aUhard[1], "INCLUDE'ABA_PARAM.INC'");
    EXPECT_EQ(aUhard[2], "CHARACTER*80CMNAME");
    EXPECT_EQ(aUhard[3], "DIMENSIONHARD(3),STATEV(NSTATV),TIME(*),PREDEF(NUMFIELDV),DPRED(*),PROPS(*)");
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(std::count(aUhard.begin(), aUhard.end(),
                             "A(" + std::to_string(k) + ")=" + FortranDouble(aCoef[k - 1])),
                  1);
    const std::vector<std::string> aVuhard = FixedFormStatements(FindExportFormat("vuhard")->m_pfnText(law));
    ASSERT_GE(aVuhard.size(), 4u);
    EXPECT_EQ(aVuhard[0], "SUBROUTINEVUHARD(NBLOCK,JELEM,KINTPT,KLAYER,KSECPT,LANNEAL,STEPTIME,TOTALTIME,DT,CMNAME,"
                          "NSTATEV,NFIELDV,NPROPS,PROPS,TEMPOLD,TEMPNEW,FIELDOLD,FIELDNEW,STATEOLD,EQPS,EQPSRATE,YIELD,"
                          "DYIELDDTEMP,DYIELDDEQPS,STATENEW)");
    EXPECT_EQ(aVuhard[1], "INCLUDE'VABA_PARAM.INC'");
    EXPECT_EQ(aVuhard[3], "DIMENSIONPROPS(NPROPS),TEMPOLD(NBLOCK),TEMPNEW(NBLOCK),FIELDOLD(NBLOCK,NFIELDV),"
                          "FIELDNEW(NBLOCK,NFIELDV),STATEOLD(NBLOCK,NSTATEV),EQPS(NBLOCK),EQPSRATE(NBLOCK),"
                          "YIELD(NBLOCK),DYIELDDTEMP(NBLOCK),DYIELDDEQPS(NBLOCK,2),STATENEW(NBLOCK,NSTATEV),"
                          "JELEM(NBLOCK)");
    const std::string strHeader = FindExportFormat("uhard")->m_pfnText(law);
    for (const char* szNamed : {"Model 18: 18. (Gridan)", "Material: layout", "*PLASTIC, HARDENING=USER",
                                "extrapolated", "Units of the law: stress in the units of the data files"})
        EXPECT_NE(strHeader.find(szNamed), std::string::npos) << szNamed;

#ifdef VORNEL_GFORTRAN
    // A row of 26 coefficients, its law one statement of several hundred characters.
    std::string strLaw = "(A(1)";
    std::string strClose = ")";
    std::string strSlope = "A(2)";
    for (int k = 2; k <= 25; ++k) {
        strLaw += " + Eps*(A(" + std::to_string(k) + ")";
        strClose += ")";
    }
    for (int k = 3; k <= 25; ++k)
        strSlope += " + " + std::to_string(k - 1) + "D0*A(" + std::to_string(k) + ")*EPS**" + std::to_string(k - 2);
    strLaw += strClose + "*H**A(26)";
    const std::string strFortran = "Ks = " + strLaw;
    const std::string strSlopeE = "(" + strSlope + ")*H**A(26)";
    const std::string strSlopeH = "KS*A(26)/H";
    const CModelInfo wide{19, "19. a law of 26 coefficients", 26, Poly26, {strFortran.c_str()}, nullptr,
                          nullptr, {strSlopeE.c_str(), strSlopeH.c_str(), "0D0"}};
    CLawExport wideLaw = law;
    wideLaw.m_pModel = &wide;
    std::mt19937 rng(26);
    std::uniform_real_distribution<double> coef(-1, 1);
    wideLaw.m_aCoef.clear();
    for (int k = 0; k < 26; ++k)
        wideLaw.m_aCoef.push_back(k < 25 ? 100 * coef(rng) : 0.1);
    WriteText("uhard.f", FindExportFormat("uhard")->m_pfnText(wideLaw));
    WriteText("uhard_driver.f90", kUhardDriver);
    ASSERT_TRUE(CompileWithDriver("uhard.f", "uhard_driver.f90", "uhard"));
    WriteText("points.txt", "3\n0.5 2 1000\n0.25 0.5 900\n1.5 10 1100\n");
    ASSERT_EQ(std::system("./uhard > values.txt 2> run.log"), 0) << FileText("run.log");
    std::istringstream values(FileText("values.txt"));
    for (const SPoint& p : {SPoint{0.5, 2, 1000}, SPoint{0.25, 0.5, 900}, SPoint{1.5, 10, 1100}}) {
        double dValue = 0, dE = 0, dH = 0, dT = 0;
        ASSERT_TRUE(values >> dValue >> dE >> dH >> dT);
        const double dExpected = Poly26(wideLaw.m_aCoef.data(), p.m_dE, p.m_dH, p.m_dT);
        EXPECT_TRUE(Near(dValue, dExpected, 1e-12)) << p.m_dE;
        EXPECT_TRUE(Near(dH, dExpected * 0.1 / p.m_dH, 1e-12)) << p.m_dE;
    }
#endif
}
