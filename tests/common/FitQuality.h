#pragma once
// Materials and an independent least-squares fit for the tests of the refinement, the fit
// report and the held-out validation.

#include "MeasuredSets.h"
#include "vornel/fit/FitReport.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>
#include <unsupported/Eigen/NumericalDiff>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace vornel_test {

// A prepared material (flag 1) of 5 temperatures x 4 strain rates, 30 points per curve
// shaped as the engine's preparation leaves them: 29 points at the strains 0.8 k / 29 with
// the stress of model nModel's law times (1 + dNoise g), g standard normal from a fixed seed,
// and before them the preparation's own first point, half of the second in strain and stress.
inline std::unique_ptr<CMaterial> NoisyPreparedMaterial(int nModel, const std::vector<double>& aCoef, double dNoise,
                                                       unsigned nSeed) {
    CMaterial law;
    law.m_nFunction = nModel;
    law.m_nCoef = static_cast<int>(aCoef.size());
    std::copy(aCoef.begin(), aCoef.end(), law.m_dCoef.begin());
    std::mt19937 rng(nSeed);
    std::normal_distribution<double> gauss;

    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strFileName = "noisy.mat";
    pMaterial->m_nPrepared = 1;
    pMaterial->m_nFunction = nModel;
    for (double dTemp : {850.0, 950.0, 1050.0, 1150.0, 1250.0})
        for (double dRate : {0.01, 0.1, 1.0, 10.0}) {
            CCurve& curve = pMaterial->Curve(pMaterial->m_nCurves++);
            curve.m_dTemp = dTemp;
            curve.m_dRate = dRate;
            curve.m_pPoints.resize(30);
            for (int k = 1; k < 30; ++k) {
                CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(k)];
                p.m_dStrain = 0.8 * k / 29;
                p.m_dStress = law.Evaluate(p.m_dStrain, dTemp, dRate) * (1 + dNoise * gauss(rng));
            }
            curve.m_pPoints[0].m_dStrain = curve.m_pPoints[1].m_dStrain / 2;
            curve.m_pPoints[0].m_dStress = curve.m_pPoints[1].m_dStress / 2;
            for (CCurvePoint& p : curve.m_pPoints) {
                p.m_dRate = dRate;
                p.m_dTemp = dTemp;
            }
            pMaterial->m_nPoints += 30;
        }
    return pMaterial;
}

// Residuals of a catalogue law in its plain coefficients A1..AK over the measured points
// (the strain and strain-rate bounds of Evaluate applied), for a forward-difference
// Levenberg-Marquardt fit that shares nothing with the refinement but the law.
// With aFree, only the coefficients of those indices are fitted, the others held at their
// values in aAll.
struct COracleResiduals : Eigen::DenseFunctor<double> {
    COracleResiduals(const CMaterial& material, int nCoef, std::vector<double> aAll = {}, std::vector<int> aFree = {})
        : Eigen::DenseFunctor<double>(nCoef, MeasuredCount(material)), m_pfnLaw(FindModel(material.m_nFunction)->m_pfnLaw),
          m_aAll(std::move(aAll)), m_aFree(std::move(aFree)) {
        for (int i = 0; i < material.m_nCurves; ++i) {
            const CCurve& curve = material.Curve(i);
            for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j) {
                const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
                m_aPoints.push_back({std::max(p.m_dStrain, kEvaluateMinStrain), std::max(p.m_dRate, kEvaluateMinRate),
                                     p.m_dTemp, p.m_dStress});
            }
        }
    }
    static int MeasuredCount(const CMaterial& material) {
        int n = 0;
        for (int i = 0; i < material.m_nCurves; ++i)
            n += material.Curve(i).PointCount() - FirstMeasuredPoint(material);
        return n;
    }
    int operator()(const Eigen::VectorXd& a, Eigen::VectorXd& r) const {
        std::vector<double> aCoef = m_aAll.empty() ? std::vector<double>(a.data(), a.data() + a.size()) : m_aAll;
        for (std::size_t k = 0; k < m_aFree.size(); ++k)
            aCoef[static_cast<std::size_t>(m_aFree[k])] = a(static_cast<Eigen::Index>(k));
        for (std::size_t i = 0; i < m_aPoints.size(); ++i) {
            const SPoint& p = m_aPoints[i];
            r(static_cast<Eigen::Index>(i)) = m_pfnLaw(aCoef.data(), p.E, p.H, p.t) - p.s;
        }
        return 0;
    }
    struct SPoint {
        double E, H, t, s;
    };
    std::vector<SPoint> m_aPoints;
    double (*m_pfnLaw)(const double*, double, double, double);
    std::vector<double> m_aAll;
    std::vector<int> m_aFree;
};

struct COracleFit {
    std::vector<double> m_aCoef;
    double m_dSumSq = 0;
};

// Least squares of the material's law on its measured points from aStart; with aFree over
// the coefficients of those indices only, aStart holding all of them (the fitted ones come
// back in the order of aFree).
inline COracleFit OracleFit(const CMaterial& material, const std::vector<double>& aStart,
                            const std::vector<int>& aFree = {}) {
    std::vector<double> aFitted;
    for (int k : aFree)
        aFitted.push_back(aStart[static_cast<std::size_t>(k)]);
    const std::vector<double>& aFirst = aFree.empty() ? aStart : aFitted;
    Eigen::NumericalDiff<COracleResiduals> residuals(COracleResiduals(
        material, static_cast<int>(aFirst.size()), aFree.empty() ? std::vector<double>{} : aStart, aFree));
    Eigen::LevenbergMarquardt<Eigen::NumericalDiff<COracleResiduals>> solver(residuals);
    solver.setFtol(1e-14);
    solver.setXtol(1e-14);
    solver.setMaxfev(20000);
    Eigen::VectorXd a = Eigen::Map<const Eigen::VectorXd>(aFirst.data(), static_cast<Eigen::Index>(aFirst.size()));
    solver.minimize(a);
    Eigen::VectorXd r(residuals.values());
    residuals(a, r);
    return {std::vector<double>(a.data(), a.data() + a.size()), r.squaredNorm()};
}

// Coefficients A1..AK the material holds.
inline std::vector<double> Coefficients(const CMaterial& material) {
    return std::vector<double>(material.m_dCoef.begin(), material.m_dCoef.begin() + material.m_nCoef);
}

// A law of the kind hot-worked steels show, model 19: alpha, n, Q [kJ/mol] and ln A falling
// with the strain, then levelling off; strains 0.02..0.8.
inline const std::vector<double> kSinhSteelLaw = {0.012, -0.004, 0.002, 0,   0,  0, 5.0, -2.0, 1.2,  0,   0, 0,  420,
                                                  -150,  100,    0,     0,   0,  38, -12, 8,    0,   0, 0,  0.02, 0.8};

// A material that holds only the law of model nModel (no curves): to evaluate the law.
inline CMaterial LawMaterial(int nModel, const std::vector<double>& aCoef) {
    CMaterial law;
    law.m_nFunction = nModel;
    law.m_nCoef = static_cast<int>(aCoef.size());
    std::copy(aCoef.begin(), aCoef.end(), law.m_dCoef.begin());
    return law;
}

// NoisyPreparedMaterial's material of model nModel with the stresses of the law plus dNoise
// (stress units) times a standard normal: noise that does not scale with the stress.
inline std::unique_ptr<CMaterial> AdditiveNoiseMaterial(int nModel, const std::vector<double>& aCoef, double dNoise,
                                                        unsigned nSeed) {
    auto pMaterial = NoisyPreparedMaterial(nModel, aCoef, 0.0, nSeed);
    std::mt19937 rng(nSeed);
    std::normal_distribution<double> gauss;
    for (int i = 0; i < pMaterial->m_nCurves; ++i)
        for (int j = 1; j < 30; ++j)
            pMaterial->Curve(i).m_pPoints[static_cast<std::size_t>(j)].m_dStress += dNoise * gauss(rng);
    return pMaterial;
}

} // namespace vornel_test
