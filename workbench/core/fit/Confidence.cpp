#include "vornel/fit/Confidence.h"

#include <Eigen/Dense>
#include <boost/math/distributions/students_t.hpp>

#include <cmath>
#include <cstdio>

double StudentQuantile(double dProbability, int nDegrees) {
    return boost::math::quantile(boost::math::students_t_distribution<double>(nDegrees), dProbability);
}

CConfidenceIntervals MakeConfidenceIntervals(const double* pJacobian, int nPoints, int nCoef, const double* pValues,
                                             double dSumSq, int nFirstNumber) {
    CConfidenceIntervals ci;
    ci.m_nPoints = nPoints;
    if (nPoints <= nCoef) {
        ci.m_eStatus = EConfidence::TooFewPoints;
        char szText[160];
        std::snprintf(szText, sizeof szText,
                      "no confidence intervals: %d measured points leave no degree of freedom for %d coefficients",
                      nPoints, nCoef);
        ci.m_strMessage = szText;
        return ci;
    }
    const Eigen::Map<const Eigen::MatrixXd> J(pJacobian, nPoints, nCoef);
    const Eigen::VectorXd norms = J.colwise().norm().transpose();
    if (!J.allFinite() || (norms.array() <= 0).any()) {
        ci.m_eStatus = EConfidence::Singular;
        ci.m_strMessage = "no confidence intervals: some coefficient does not change the fitted stresses";
        return ci;
    }
    const Eigen::MatrixXd scaled = J * norms.cwiseInverse().asDiagonal();
    const Eigen::BDCSVD<Eigen::MatrixXd> svd(scaled, Eigen::ComputeThinV);
    const Eigen::VectorXd sv = svd.singularValues();
    // Beyond this condition the inverse is rounding noise.
    if (!(sv(nCoef - 1) > 1e-13 * sv(0))) {
        ci.m_eStatus = EConfidence::Singular;
        ci.m_strMessage = "no confidence intervals: the coefficients are not all determined by the data "
                          "(the Jacobian is singular)";
        return ci;
    }
    // Covariance of the scaled coefficients, then of the coefficients themselves.
    const Eigen::MatrixXd V = svd.matrixV();
    const Eigen::MatrixXd scaledInverse = V * sv.array().square().inverse().matrix().asDiagonal() * V.transpose();
    const int nDegrees = nPoints - nCoef;
    const double dSigma2 = dSumSq / nDegrees;
    ci.m_eStatus = EConfidence::Formed;
    ci.m_dSigma = std::sqrt(dSigma2);
    ci.m_dQuantile = StudentQuantile(0.975, nDegrees);
    for (int k = 0; k < nCoef; ++k) {
        const double dStdError = std::sqrt(dSigma2 * scaledInverse(k, k)) / norms(k);
        ci.m_aCoef.push_back({nFirstNumber + k, pValues[k], ci.m_dQuantile * dStdError});
    }
    for (int i = 0; i < nCoef; ++i)
        for (int j = i + 1; j < nCoef; ++j) {
            const double r = scaledInverse(i, j) / std::sqrt(scaledInverse(i, i) * scaledInverse(j, j));
            if (std::fabs(r) > kIllDeterminedCorrelation)
                ci.m_aIllDetermined.push_back({nFirstNumber + i, nFirstNumber + j, r});
        }
    return ci;
}
