#pragma once
// Building exchange files of prepared curves from known laws, and running an entry point.

#include "TestSupport.h"
#include "formats/ExchangeFile.h"

#include <functional>
#include <random>

namespace vornel_test {

// A law s(E, H, t): strain, strain rate [1/s], temperature [deg C].
using Law = std::function<double(double E, double H, double t)>;

struct SCondition {
    double m_dTemp;
    double m_dRate;
};

// nT temperatures x nH strain rates, all distinct.
inline std::vector<SCondition> Grid(int nT, int nH) {
    const double aTemp[] = {850, 940, 1010, 1120, 1190, 1260};
    const double aRate[] = {0.05, 0.7, 3.0, 11.0, 25.0};
    std::vector<SCondition> aConditions;
    for (int i = 0; i < nT; ++i)
        for (int j = 0; j < nH; ++j)
            aConditions.push_back({aTemp[i], aRate[j]});
    return aConditions;
}

// Prepared curves (flag 1) of nPoints each at strains 0.05..0.8, stresses from the law.
inline CExchangeData LawMaterial(const Law& law, const std::vector<SCondition>& aConditions, int nPoints = 12) {
    CExchangeData data;
    data.m_nPrepared = 1;
    data.m_nFunction = 9;
    for (const SCondition& c : aConditions) {
        CExchangeCurve curve;
        for (int j = 0; j < nPoints; ++j) {
            CExchangePoint p;
            p.m_dStrain = 0.05 + 0.75 * j / std::max(1, nPoints - 1);
            p.m_dRate = c.m_dRate;
            p.m_dTemp = c.m_dTemp;
            p.m_dTime = p.m_dStrain / p.m_dRate;
            p.m_dStress = law(p.m_dStrain, p.m_dRate, p.m_dTemp);
            p.m_dFitStress = -1.0; // marks "not written by the fit"
            curve.m_aPoints.push_back(p);
        }
        data.m_aCurves.push_back(curve);
    }
    return data;
}

// Adds normal noise of the given standard deviation to every measured stress.
inline void AddNoise(CExchangeData& data, double dSigma, unsigned nSeed) {
    std::mt19937 rng(nSeed);
    std::normal_distribution<double> noise(0.0, dSigma);
    for (CExchangeCurve& curve : data.m_aCurves)
        for (CExchangePoint& p : curve.m_aPoints)
            p.m_dStress += noise(rng);
}

// Writes data as "temp.mat", runs the entry point and reads the result back.
inline CExchangeData RunOn(const CExchangeData& data, int (*pfnEntry)(void)) {
    WriteExchangeData("temp.mat", data, EExchangeTrailer::CurveWords);
    pfnEntry();
    return ReadExchangeData("temp.mat", CExchangeLimits{200, 56});
}

inline bool IsRefusal(const CExchangeData& data) {
    return data.m_aCoef.empty() && data.m_dErrorSr == 100000.0 && data.m_dErrorMax == 100000.0;
}

} // namespace vornel_test
