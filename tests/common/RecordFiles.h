#pragma once
// Experiment data files made from a known law, shaped like real test records: a dwell at
// strain 0 while the load builds up, a steady rise, and a tail at the largest strain.

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
