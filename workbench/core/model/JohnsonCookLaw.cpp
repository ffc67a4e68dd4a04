#include "vornel/model/JohnsonCookLaw.h"

#include <algorithm>
#include <cmath>

CJohnsonCookTerms JohnsonCookTerms(const double* A, double dE, double dH, double dT) {
    CJohnsonCookTerms terms;
    terms.m_dHardening = A[0] + A[1] * std::exp(A[2] * std::log(dE));
    terms.m_dLogRate = std::log(std::max(dH / A[5], 1.0));
    terms.m_dRateFactor = 1.0 + A[3] * terms.m_dLogRate;
    terms.m_dHomologous = std::min(std::max((dT - A[6]) / (A[7] - A[6]), 0.0), 1.0);
    terms.m_dTempFactor = terms.m_dHomologous > 0 ? 1.0 - std::exp(A[4] * std::log(terms.m_dHomologous)) : 1.0;
    terms.m_dStress = terms.m_dHardening * terms.m_dRateFactor * terms.m_dTempFactor;
    return terms;
}
