#include "vornel/fit/Refinement.h"

#include "vornel/document/Text.h"
#include "vornel/fit/FitReport.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMaxLogCoef = 9;

// One law s = c A1 exp(sum_{k=2..K} A_k phi_k(E, H, t)); the models differ only by their rows.
struct SLogLaw {
    int m_nModel;
    double m_dFactor;          // c
    bool m_bRootMeanSquare;    // ErrorSr = sqrt(sum d^2 / N), else sqrt(sum d^2) / N
    // phi_2..phi_K at the bounded strain E, strain rate H [1/s] and temperature t [deg C].
    void (*m_pfnBasis)(double E, double H, double t, double* phi);
};

const SLogLaw kLogLaws[] = {
    // A1 E^A2 H^A3 exp(A4 t)
    {9, 1.0, true,
     [](double E, double H, double t, double* phi) {
         phi[0] = std::log(E);
         phi[1] = std::log(H);
         phi[2] = t;
     }},
    // 1.73 A1 E^A2 H^A3 exp(A4 / t)
    {13, 1.73, true,
     [](double E, double H, double t, double* phi) {
         phi[0] = std::log(E);
         phi[1] = std::log(H);
         phi[2] = 1.0 / t;
     }},
    // A1 E^A2 exp(A3 E) H^A4 exp(A5 t)
    {14, 1.0, false,
     [](double E, double H, double t, double* phi) {
         phi[0] = std::log(E);
         phi[1] = E;
         phi[2] = std::log(H);
         phi[3] = t;
     }},
    // A1 E^(A2 + A3 t + A4 H) exp(A5 E) H^(A6 + A7 t) exp(A8 t)
    {17, 1.0, false,
     [](double E, double H, double t, double* phi) {
         const double lnE = std::log(E);
         const double lnH = std::log(H);
         phi[0] = lnE;
         phi[1] = t * lnE;
         phi[2] = H * lnE;
         phi[3] = E;
         phi[4] = lnH;
         phi[5] = t * lnH;
         phi[6] = t;
     }},
    // A1 E^A2 exp(A3/E) exp(A4 E) (1+E)^(A5 t) H^A6 H^(A7 t) t^A8 exp(A9 t)
    {18, 1.0, false,
     [](double E, double H, double t, double* phi) {
         const double lnH = std::log(H);
         phi[0] = std::log(E);
         phi[1] = 1.0 / E;
         phi[2] = E;
         phi[3] = t * std::log(1.0 + E);
         phi[4] = lnH;
         phi[5] = t * lnH;
         phi[6] = std::log(t);
         phi[7] = t;
     }},
};

const SLogLaw* FindLogLaw(int nModel) {
    for (const SLogLaw& law : kLogLaws)
        if (law.m_nModel == nModel)
            return &law;
    return nullptr;
}

// The residuals r_i = c exp(p_1 + sum_k p_k phi_ik) - s_i of the measured points and their
// Jacobian, for Eigen's Levenberg-Marquardt. Rows of m_basis: (1, phi_2, ..., phi_K).
struct CStressResiduals : Eigen::DenseFunctor<double> {
    CStressResiduals(Eigen::MatrixXd basis, Eigen::VectorXd stress, double dLogFactor)
        : Eigen::DenseFunctor<double>(static_cast<int>(basis.cols()), static_cast<int>(basis.rows())),
          m_basis(std::move(basis)), m_stress(std::move(stress)), m_dLogFactor(dLogFactor) {}

    Eigen::ArrayXd Law(const Eigen::VectorXd& p) const { return ((m_basis * p).array() + m_dLogFactor).exp(); }

    int operator()(const Eigen::VectorXd& p, Eigen::VectorXd& r) const {
        r = Law(p).matrix() - m_stress;
        return 0;
    }
    int df(const Eigen::VectorXd& p, Eigen::MatrixXd& J) const {
        J = m_basis.array().colwise() * Law(p);
        return 0;
    }

    Eigen::MatrixXd m_basis;
    Eigen::VectorXd m_stress;
    double m_dLogFactor;
};

// Sum of squared deviations of the material's current law over its measured points.
double MeasuredSumSq(const CMaterial& material) {
    const CDeviationStats all = MakeFitReport(material).m_all;
    return all.m_dRms * all.m_dRms * all.m_nPoints;
}

CRefinementResult Keep(CRefinementResult result, ERefinement eStatus, std::string strMessage) {
    result.m_eStatus = eStatus;
    result.m_strMessage = std::move(strMessage);
    result.m_dSumSq = result.m_dStartSumSq;
    return result;
}

} // namespace

bool IsRefinableModel(int nModel) { return FindLogLaw(nModel) != nullptr; }

void StoreLawStresses(CMaterial& material, bool bRootMeanSquare) {
    double dSumSq = 0;
    double dMax = 0;
    int nPoints = 0;
    for (int i = 0; i < material.m_nCurves; ++i)
        for (CCurvePoint& p : material.Curve(i).m_pPoints) {
            p.m_dFitStress = material.Evaluate(p.m_dStrain, p.m_dTemp, p.m_dRate);
            const double d = p.m_dFitStress - p.m_dStress;
            dSumSq += d * d;
            dMax = std::max(dMax, std::fabs(d));
            ++nPoints;
        }
    material.m_dErrorMax = dMax;
    material.m_dErrorSr = nPoints == 0      ? 0.0
                          : bRootMeanSquare ? std::sqrt(dSumSq / nPoints)
                                            : std::sqrt(dSumSq) / nPoints;
}

CRefinementResult TakeWorkbenchFit(CMaterial& material, CRefinementResult&& fit, const std::vector<double>& aCoef) {
    material.m_dCoef.fill(0.0);
    if (!fit.Ok()) {
        material.m_nCoef = 0;
        material.m_dErrorSr = kRefusalError;
        material.m_dErrorMax = kRefusalError;
        return std::move(fit);
    }
    std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
    material.m_nCoef = static_cast<int>(aCoef.size());
    StoreLawStresses(material, true);
    return std::move(fit);
}

CRefinementResult RefineFit(CMaterial& material) {
    CRefinementResult result;
    const SLogLaw* pLaw = FindLogLaw(material.m_nFunction);
    if (!pLaw)
        return Keep(result, ERefinement::NotALogLaw,
                    FormatText("Model %d is fitted on the stresses themselves; refinement applies to models 9, 13, 14, 17 "
                           "and 18.",
                           material.m_nFunction));
    const int nCoef = FindModel(pLaw->m_nModel)->m_nCoef;
    if (material.m_nCoef != nCoef)
        return Keep(result, ERefinement::NoFit, "There is no fit to refine.");
    const std::array<double, CMaterial::kMaxCoef> aStart = material.m_dCoef;
    const bool bFiniteStart = std::all_of(aStart.begin(), aStart.begin() + nCoef, [](double a) { return std::isfinite(a); });
    if (!bFiniteStart || !(aStart[0] > 0))
        return Keep(result, ERefinement::NotFinite,
                    "The fitted coefficients are not finite, or A1 is not above 0; the log-space fit is kept.");

    // The measured points: basis rows at the bounds Evaluate applies, and their stresses.
    int nPoints = 0;
    for (int i = 0; i < material.m_nCurves; ++i)
        nPoints += std::max(0, material.Curve(i).PointCount() - FirstMeasuredPoint(material));
    result.m_nPoints = nPoints;
    if (nPoints < nCoef)
        return Keep(result, ERefinement::TooFewPoints,
                    FormatText("Refinement needs at least %d measured points, the material has %d; the log-space fit is "
                           "kept.",
                           nCoef, nPoints));
    Eigen::MatrixXd basis(nPoints, nCoef);
    Eigen::VectorXd stress(nPoints);
    int nRow = 0;
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CCurve& curve = material.Curve(i);
        for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j, ++nRow) {
            const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
            const double E = !(p.m_dStrain > kEvaluateMinStrain) ? kEvaluateMinStrain : p.m_dStrain;
            const double H = !(p.m_dRate > kEvaluateMinRate) ? kEvaluateMinRate : p.m_dRate;
            double phi[kMaxLogCoef] = {};
            pLaw->m_pfnBasis(E, H, p.m_dTemp, phi);
            basis(nRow, 0) = 1.0;
            for (int k = 1; k < nCoef; ++k)
                basis(nRow, k) = phi[k - 1];
            stress(nRow) = p.m_dStress;
            const double dStart = material.Evaluate(p.m_dStrain, p.m_dTemp, p.m_dRate);
            if (!basis.row(nRow).allFinite() || !std::isfinite(dStart) || !std::isfinite(p.m_dStress))
                return Keep(result, ERefinement::NotFinite,
                            FormatText("The law is not finite at strain %g, t= %g, H= %g of curve %d; the log-space fit "
                                   "is kept.",
                                   p.m_dStrain, p.m_dTemp, p.m_dRate, i + 1));
        }
    }
    result.m_dStartSumSq = MeasuredSumSq(material);

    CStressResiduals residuals(std::move(basis), std::move(stress), std::log(pLaw->m_dFactor));
    Eigen::LevenbergMarquardt<CStressResiduals> solver(residuals);
    solver.setMaxfev(100 * (nCoef + 1));
    Eigen::VectorXd p(nCoef);
    p(0) = std::log(aStart[0]);
    for (int k = 1; k < nCoef; ++k)
        p(k) = aStart[static_cast<std::size_t>(k)];
    const Eigen::LevenbergMarquardtSpace::Status eStatus = solver.minimize(p);
    result.m_nEvaluations = static_cast<int>(solver.nfev() + solver.njev());
    if (eStatus == Eigen::LevenbergMarquardtSpace::TooManyFunctionEvaluation)
        return Keep(result, ERefinement::SolverFailed,
                    FormatText("The refinement did not converge within %d evaluations; the log-space fit is kept.",
                           result.m_nEvaluations));
    if (solver.info() != Eigen::Success || !p.allFinite())
        return Keep(result, ERefinement::SolverFailed,
                    "The refinement failed on a singular or undefined Jacobian; the log-space fit is kept.");

    material.m_dCoef[0] = std::exp(p(0));
    for (int k = 1; k < nCoef; ++k)
        material.m_dCoef[static_cast<std::size_t>(k)] = p(k);
    const double dSumSq = MeasuredSumSq(material);
    if (!(dSumSq < result.m_dStartSumSq)) {
        material.m_dCoef = aStart;
        return Keep(result, ERefinement::NoImprovement,
                    "The refinement did not lower the sum of squared stress deviations; the log-space fit is kept.");
    }
    StoreLawStresses(material, pLaw->m_bRootMeanSquare);
    // The Jacobian in the coefficients as stored: ds/dA1 = (ds/d ln A1) / A1.
    Eigen::MatrixXd J(nPoints, nCoef);
    residuals.df(p, J);
    J.col(0) /= material.m_dCoef[0];
    result.m_confidence = MakeConfidenceIntervals(J.data(), nPoints, nCoef, material.m_dCoef.data(), dSumSq);
    result.m_eStatus = ERefinement::Refined;
    result.m_dSumSq = dSumSq;
    result.m_strMessage = FormatText("Refined on the stresses of %d measured points: RMS %.6g -> %.6g (%d evaluations).",
                                 nPoints, std::sqrt(result.m_dStartSumSq / nPoints), std::sqrt(dSumSq / nPoints),
                                 result.m_nEvaluations);
    return result;
}
