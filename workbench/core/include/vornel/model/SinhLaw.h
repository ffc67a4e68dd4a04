#pragma once
// Model 19: the strain-compensated hyperbolic-sine law (Sellars-Tegart with strain
// compensation),
//
//     Z  = H exp(1000 Q / (R T)),   T = t + 273.15 K,  R = 8.314462618 J/(mol K),
//     Ts = (1/alpha) asinh((Z/A)^(1/n)),
//
// alpha [1/stress], n, Q [kJ/mol] and ln A [ln(1/s)] polynomials of order 5 in the strain Ec
// held within the strains of the fit [A25, A26] (so the law neither blows up beyond the
// measured strains nor below them):
//     alpha = A1 + A2 Ec + ... + A6 Ec^5,     n    = A7  + ... + A12 Ec^5,
//     Q     = A13 + ... + A18 Ec^5,           ln A = A19 + ... + A24 Ec^5.
// With y = ln(Z/A)/n = (ln H + 1000 Q/(R T) - ln A)/n the stress is asinh(e^y)/alpha, and
// asinh(e^y) is computed in logarithms, without overflow for any y:
//     asinh(e^y) = m + ln(e^(y-m) + sqrt(e^(2(y-m)) + e^(-2m))),  m = max(y, 0),
// whose every exponential is at most 1. The exported Fortran computes the very same
// expression in the same order (ModelCatalogue.cpp).
//
// References: C. M. Sellars, W. J. McG. Tegart, Mem. Sci. Rev. Metall. 63 (1966) 731-746;
// Y. C. Lin, M.-S. Chen, J. Zhong, Comput. Mater. Sci. 42 (2008) 470-477 (the strain
// compensation by polynomials of the strain).

#include "vornel/model/ModelCatalogue.h"

// The fit itself works with polynomials of any order o (SinhLawFit.h): the coefficients are
// then the four polynomials of o + 1 coefficients each, lowest power first, in the order
// alpha, n, Q, ln A, followed by the smallest and largest strain; model 19 is order 5.
inline constexpr int kSinhModel = 19;
inline constexpr int kSinhOrder = 5;
inline constexpr int kSinhPolyCoef = kSinhOrder + 1;       // coefficients of each polynomial
inline constexpr int kSinhFitCoef = 4 * kSinhPolyCoef;     // A1..A24, the refined ones
inline constexpr int kSinhCoef = kSinhFitCoef + 2;         // with A25, A26 the strain range
inline constexpr double kGasConstant = 8.314462618;        // R, J/(mol K)
inline constexpr double kCelsiusToKelvin = 273.15;         // T = t + 273.15

// Coefficients of the law of polynomial order nOrder: fitted ones, and all of them.
constexpr int SinhFitCoefCount(int nOrder) { return 4 * (nOrder + 1); }
constexpr int SinhCoefCount(int nOrder) { return SinhFitCoefCount(nOrder) + 2; }

// The law's parts at one point (strain and strain rate already bounded as Evaluate bounds
// them, dT in deg C).
struct CSinhTerms {
    double m_dStrain = 0;        // Ec, the strain held within [A25, A26]
    bool m_bStrainInside = false; // A25 < E < A26: the law changes with the strain there
    double m_dAlpha = 0, m_dN = 0, m_dQ = 0, m_dLnA = 0; // the polynomials at Ec
    double m_dY = 0;             // ln(Z/A)/n
    double m_dAsinh = 0;         // asinh(e^y)
    double m_dAsinhSlope = 0;    // d asinh(e^y)/dy = e^y / sqrt(e^(2y) + 1), in (0, 1)
    double m_dStress = 0;        // asinh(e^y) / alpha
};

// The parts of the law of order nOrder with coefficients pCoef (SinhCoefCount(nOrder) of
// them) at strain dE > 0, strain rate dH > 0 [1/s] and temperature dT [deg C].
CSinhTerms SinhTerms(const double* pCoef, int nOrder, double dE, double dH, double dT);

// The polynomial c0 + E (c1 + ... + E c_o) by Horner's scheme, and its derivative in E.
double SinhPolynomial(const double* pPoly, int nOrder, double dE);
double SinhPolynomialSlope(const double* pPoly, int nOrder, double dE);

// The exact partial derivatives of model 19's law (order kSinhOrder) with coefficients A at
// strain rate dH > 0 [1/s] and temperature dT [deg C], terms its parts there: with
// g = d asinh(e^y)/dy and T = t + 273.15,
//   dKs/dE = (g (1000 Q'/(R T) - lnA' - y n')/n - Ks alpha')/alpha  (0 where Ec is held),
//   dKs/dH = g / (n H alpha),   dKs/dt = -g 1000 Q / (R T^2 n alpha),
// the primes derivatives of the polynomials in the strain.
CLawSlopes SinhSlopes(const double* A, const CSinhTerms& terms, double dH, double dT);
