#pragma once
// Experiment data files made from a known law, shaped like real test records: a dwell at
// strain 0, a steady rise, and a tail at the largest strain.

#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace vornel_test {

// Stress s(E, H, t): strain, strain rate [1/s], temperature [deg C].
using RecordLaw = std::function<double(double E, double H, double t)>;

inline double HenselSpittelLaw(double E, double H, double t) {
    return 2000.0 * std::pow(E, 0.2) * std::pow(H, 0.12) * std::exp(-0.0025 * t);
}

// Writes a record of nRise samples rising to dMaxStrain, after nDwell samples at strain 0
// and followed by nTail samples at dMaxStrain.
inline void WriteRecord(const std::string& strPath, const RecordLaw& law, double dTemp, double dRate,
                        int nRise = 200, double dMaxStrain = 0.8, int nDwell = 10, int nTail = 15) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "w");
    if (!pFile)
        throw std::runtime_error("cannot write " + strPath);
    std::fprintf(pFile, "Test record t=%g H=%g\nn strain stress\n- - MPa\n", dTemp, dRate);
    int nRow = 1;
    for (int j = 0; j < nDwell; ++j, ++nRow)
        std::fprintf(pFile, "%d %f %f\n", nRow, 0.0, law(0.0, dRate, dTemp));
    for (int j = 1; j <= nRise; ++j, ++nRow) {
        const double dStrain = dMaxStrain * j / nRise;
        std::fprintf(pFile, "%d %f %f\n", nRow, dStrain, law(dStrain, dRate, dTemp));
    }
    for (int j = 0; j < nTail; ++j, ++nRow)
        std::fprintf(pFile, "%d %f %f\n", nRow, dMaxStrain, law(dMaxStrain, dRate, dTemp) * 0.98);
    std::fclose(pFile);
}

} // namespace vornel_test
