#pragma once
// Experiment data files made from a known law, shaped like real test records: a dwell at
// strain 0 while the load builds up, a steady rise, and a tail at the largest strain.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>

namespace vornel_test {

// Stress s(E, H, t): strain, strain rate [1/s], temperature [deg C].
using RecordLaw = std::function<double(double E, double H, double t)>;

inline double HenselSpittelLaw(double E, double H, double t) {
    return 2000.0 * std::pow(E, 0.2) * std::pow(H, 0.12) * std::exp(-0.0025 * t);
}

// Writes a record of nRise samples rising evenly to dMaxStrain, after nDwell samples at
// strain exactly 0 whose stress climbs elastically from a fifth of the first rise sample's
// stress to all of it, and followed by nTail samples at dMaxStrain at 98 % of the last
// stress. Stresses carry Gaussian noise of relative standard deviation dNoise (seeded by
// nSeed); every stress stays at or above 0.01.
inline void WriteRecord(const std::string& strPath, const RecordLaw& law, double dTemp, double dRate,
                        int nRise = 200, double dMaxStrain = 0.8, int nDwell = 10, int nTail = 15,
                        double dNoise = 0.0, unsigned nSeed = 1) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "w");
    if (!pFile)
        throw std::runtime_error("cannot write " + strPath);
    std::mt19937 rng(nSeed);
    std::normal_distribution<double> normal(0.0, 1.0);
    auto noisy = [&](double dStress) { return std::max(0.01, dStress * (1 + dNoise * normal(rng))); };
    std::fprintf(pFile, "Test record t=%g H=%g\nn strain stress\n- - MPa\n", dTemp, dRate);
    int nRow = 1;
    const double dFirstStress = law(dMaxStrain / nRise, dRate, dTemp);
    for (int j = 0; j < nDwell; ++j, ++nRow)
        std::fprintf(pFile, "%d %f %f\n", nRow, 0.0, noisy(dFirstStress * (0.2 + 0.8 * (j + 1) / nDwell)));
    for (int j = 1; j <= nRise; ++j, ++nRow) {
        const double dStrain = dMaxStrain * j / nRise;
        std::fprintf(pFile, "%d %f %f\n", nRow, dStrain, noisy(law(dStrain, dRate, dTemp)));
    }
    for (int j = 0; j < nTail; ++j, ++nRow)
        std::fprintf(pFile, "%d %f %f\n", nRow, dMaxStrain, noisy(law(dMaxStrain, dRate, dTemp) * 0.98));
    std::fclose(pFile);
}

// Writes nCurves records of nSamples samples each into strFolder, shaped like test-machine
// output (100 samples of dwell, the rise to a strain of 0.9, 50 samples of tail) after
// HenselSpittelLaw at temperatures 800..1275 deg C and strain rates 0.01..~40 1/s, and their
// list "curves.txt" ("FILE T H" a line). Returns the list's path. Record i has the
// temperature i mod 20 and the rate (i + i / 20) mod 10 of those steps: every block of 20
// records spans all ten rates, so that a small set is already a material every model can
// fit, and 200 records hold each of the 200 conditions once.
inline std::string WriteRecordSet(const std::string& strFolder, int nCurves, int nSamples) {
    const std::string strList = strFolder + "/curves.txt";
    std::FILE* pList = std::fopen(strList.c_str(), "w");
    if (!pList)
        throw std::runtime_error("cannot write " + strList);
    for (int i = 0; i < nCurves; ++i) {
        const double dTemp = 800 + 25 * (i % 20);
        const double dRate = 0.01 * std::pow(10.0, ((i + i / 20) % 10) * 0.4);
        const std::string strFile = "record_" + std::to_string(i) + ".asc";
        WriteRecord(strFolder + "/" + strFile, HenselSpittelLaw, dTemp, dRate, nSamples - 150, 0.9, 100, 50);
        std::fprintf(pList, "%s %.17g %.17g\n", strFile.c_str(), dTemp, dRate);
    }
    std::fclose(pList);
    return strList;
}

} // namespace vornel_test

namespace vornel_test {

// Flow stress of a law that softens with temperature as hot metals do: Hensel-Spittel with
// ln(stress) linear in t, so that the temperature sensitivity d ln(stress)/dt is -0.0025 1/K.
inline double SofteningLaw(double E, double H, double t) { return HenselSpittelLaw(std::max(E, 1e-4), H, t); }

// A deformation dilatometer's export as Latin-1 text: the test's settings in the first line
// ("S07_DIL_1.asc    T=350°C    phi°=0.001    Yield=0.23"), the column titles
// "Zeit / Temperatur / Phi / Fließspannung kf", the units "s  °C  -  MPa", then rows
// "n time temperature strain stress" (the row number untitled) from strain 0 to dMaxStrain
// at the law's stress.
inline void WriteDilatometerRecord(const std::string& strPath, const RecordLaw& law, double dTemp, double dRate,
                                   int nRows = 300, double dMaxStrain = 0.7) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        throw std::runtime_error("cannot write " + strPath);
    std::fprintf(pFile, "S07_DIL_average.asc    T=%g\xb0" "C    phi\xb0=%g    Yield=0.23\r\n", dTemp, dRate);
    std::fprintf(pFile, "Zeit / Temperatur / Phi / Flie\xdfspannung kf\r\n s  \xb0" "C  -  MPa\r\n");
    for (int j = 0; j < nRows; ++j) {
        const double dStrain = dMaxStrain * j / (nRows - 1);
        std::fprintf(pFile, "%6d %10.4f %8.2f %9.5f %9.3f\r\n", j + 1, dStrain / dRate, dTemp + 0.3 * std::sin(j),
                     dStrain, law(dStrain, dRate, dTemp));
    }
    std::fclose(pFile);
}

// A thermomechanical simulator's CSV record of a compression test on a cylinder of
// dHeight0 x dDiameter0 mm ("Time(sec), Force(kN), Jaw(mm), Strain, Stress(MPa), TC1(C)"):
// 40 rows of dwell, the deformation to true strain dMaxStrain at rate dRate in nRise rows,
// 30 rows of unloading; force and jaw stroke negative in compression. The specimen heats by
// eta 0.95 W / (density c) with W the work of the law's stress and eta the Goetz-Semiatin
// rule of the rate, and the law is taken at that temperature; the force carries the
// platens' friction m by Avitzur's p = stress (1 + 2 m R / (3 sqrt(3) h)).
struct CSimulatorTest {
    double m_dHeight0 = 12, m_dDiameter0 = 10; // mm
    double m_dDensity = 7800, m_dHeatCapacity = 600; // kg/m3, J/(kg K)
    double m_dFriction = 0;
    double m_dMaxStrain = 0.8;
    int m_nRise = 1500;
};
inline void WriteSimulatorRecord(const std::string& strPath, const RecordLaw& law, double dTemp, double dRate,
                                 const CSimulatorTest& test = {}) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        throw std::runtime_error("cannot write " + strPath);
    std::fprintf(pFile, "Time(sec), Force(kN), Jaw(mm), Strain, Stress(MPa), TC1(C)\n");
    const double dEta = std::clamp((std::log10(dRate) + 3) / 4, 0.0, 1.0);
    const double dArea0 = M_PI * test.m_dDiameter0 * test.m_dDiameter0 / 4;
    double dTime = 0, dWork = 0, dRise = 0, dLastStress = 0, dLastStrain = 0, dForce = 0, dStroke = 0;
    const auto row = [&](double dF, double dS, double dE, double dStress, double dT) {
        std::fprintf(pFile, "%.6f, %.7f, %.7f, %.7f, %.5f, %.4f\n", dTime, dF, dS, dE, dStress, dT);
    };
    for (int j = 0; j < 40; ++j, dTime += 0.05)
        row(-0.01 * j / 40, 0.0, 0.0, 0.0, dTemp);
    for (int j = 1; j <= test.m_nRise; ++j) {
        const double dE = test.m_dMaxStrain * j / test.m_nRise;
        dTime = 2 + dE / dRate;
        const double h = test.m_dHeight0 * std::exp(-dE);
        double dStress = law(dE, dRate, dTemp + dRise);
        for (int k = 0; k < 3; ++k) { // the rise at this row's own work
            const double dW = dWork + 0.5 * (dStress + dLastStress) * (dE - dLastStrain);
            dStress = law(dE, dRate, dTemp + dEta * 0.95 * dW * 1e6 / (test.m_dDensity * test.m_dHeatCapacity));
        }
        dWork += 0.5 * (dStress + dLastStress) * (dE - dLastStrain);
        dRise = dEta * 0.95 * dWork * 1e6 / (test.m_dDensity * test.m_dHeatCapacity);
        dLastStress = dStress;
        dLastStrain = dE;
        const double dR = test.m_dDiameter0 / 2 * std::exp(dE / 2);
        const double dPressure = dStress * (1 + 2 * test.m_dFriction * dR / (3 * std::sqrt(3.0) * h));
        dForce = -dPressure * dArea0 * test.m_dHeight0 / h / 1000;
        dStroke = -(test.m_dHeight0 - h);
        row(dForce, dStroke, -(1 - h / test.m_dHeight0), -dPressure, dTemp + dRise);
    }
    for (int j = 1; j <= 30; ++j, dTime += 0.01)
        row(dForce * (1 - j / 30.0), dStroke + 0.002 * j / 30, -(1 - (test.m_dHeight0 + dStroke) / test.m_dHeight0), 0, dTemp + dRise);
    std::fclose(pFile);
}

} // namespace vornel_test
