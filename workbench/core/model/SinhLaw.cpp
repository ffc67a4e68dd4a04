#include "vornel/model/SinhLaw.h"

#include <algorithm>
#include <cmath>

double SinhPolynomial(const double* pPoly, int nOrder, double dE) {
    double dSum = pPoly[nOrder];
    for (int k = nOrder - 1; k >= 0; --k)
        dSum = pPoly[k] + dE * dSum;
    return dSum;
}

double SinhPolynomialSlope(const double* pPoly, int nOrder, double dE) {
    if (nOrder < 1)
        return 0.0;
    double dSum = nOrder * pPoly[nOrder];
    for (int k = nOrder - 1; k >= 1; --k)
        dSum = k * pPoly[k] + dE * dSum;
    return dSum;
}

CSinhTerms SinhTerms(const double* A, int nOrder, double dE, double dH, double dT) {
    // The order of every operation is the Fortran text's (ModelCatalogue.cpp), so that the
    // exported subroutine returns the very same value.
    const int nPoly = nOrder + 1;
    const double dMinStrain = A[4 * nPoly];
    const double dMaxStrain = A[4 * nPoly + 1];
    CSinhTerms terms;
    terms.m_dStrain = std::min(std::max(dE, dMinStrain), dMaxStrain);
    terms.m_bStrainInside = dE > dMinStrain && dE < dMaxStrain;
    const double Ec = terms.m_dStrain;
    terms.m_dAlpha = SinhPolynomial(A, nOrder, Ec);
    terms.m_dN = SinhPolynomial(A + nPoly, nOrder, Ec);
    terms.m_dQ = SinhPolynomial(A + 2 * nPoly, nOrder, Ec);
    terms.m_dLnA = SinhPolynomial(A + 3 * nPoly, nOrder, Ec);
    terms.m_dY = (std::log(dH) + 1000.0 * terms.m_dQ / (kGasConstant * (dT + kCelsiusToKelvin)) - terms.m_dLnA) /
                 terms.m_dN;
    const double y = terms.m_dY;
    const double m = std::max(y, 0.0);
    const double dNear = std::exp(y - m);
    const double dRoot = std::sqrt(std::exp(2.0 * (y - m)) + std::exp(-2.0 * m));
    terms.m_dAsinh = m + std::log(dNear + dRoot);
    terms.m_dAsinhSlope = dNear / dRoot;
    terms.m_dStress = terms.m_dAsinh / terms.m_dAlpha;
    return terms;
}

CLawSlopes SinhSlopes(const double* A, const CSinhTerms& s, double dH, double dT) {
    const double Ec = s.m_dStrain;
    const double dRT = kGasConstant * (dT + kCelsiusToKelvin);
    const double dStrainSlope =
        s.m_bStrainInside
            ? (s.m_dAsinhSlope *
                   ((1000.0 * SinhPolynomialSlope(A + 2 * kSinhPolyCoef, kSinhOrder, Ec) / dRT -
                     SinhPolynomialSlope(A + 3 * kSinhPolyCoef, kSinhOrder, Ec) -
                     s.m_dY * SinhPolynomialSlope(A + kSinhPolyCoef, kSinhOrder, Ec)) /
                    s.m_dN) -
               s.m_dStress * SinhPolynomialSlope(A, kSinhOrder, Ec)) /
                  s.m_dAlpha
            : 0.0;
    return CLawSlopes{dStrainSlope, s.m_dAsinhSlope / (s.m_dN * dH) / s.m_dAlpha,
                      -s.m_dAsinhSlope * 1000.0 * s.m_dQ / (dRT * (dT + kCelsiusToKelvin)) / s.m_dN / s.m_dAlpha};
}
