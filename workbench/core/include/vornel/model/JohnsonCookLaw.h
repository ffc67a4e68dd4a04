#pragma once
// Model 20: the Johnson-Cook law,
//
//     Ts = (A + B E^n) (1 + C ln(H/H0)) (1 - T*^m),   T* = (t - tr)/(tm - tr),
//
// with the coefficients A1 = A [stress], A2 = B [stress], A3 = n, A4 = C, A5 = m, and the
// three values the law is referred to: A6 = H0 [1/s], A7 = tr and A8 = tm [deg C] (the
// reference strain rate, the reference or transition temperature and the melting
// temperature; they are given, not fitted). As the solvers that have the law built in
// define it (Abaqus Analysis User's Guide, "Johnson-Cook plasticity" and "Rate-dependent
// yield"): below H0 the rate term is 1 (ln(H/H0) is taken as 0), below tr T* is 0 and above
// tm it is 1, where the stress is 0. Powers are exp(y ln x); T*^m is computed only for
// T* > 0.
//
// Reference: G. R. Johnson, W. H. Cook, A constitutive model and data for metals subjected
// to large strains, high strain rates and high temperatures, Proc. 7th Int. Symp. on
// Ballistics, The Hague (1983) 541-547.

inline constexpr int kJohnsonCookModel = 20;
inline constexpr int kJohnsonCookCoef = 8;    // A1..A8
inline constexpr int kJohnsonCookFitCoef = 5; // A1..A5 are fitted

// The law's parts at strain dE > 0, strain rate dH > 0 [1/s] and temperature dT [deg C] with
// coefficients pCoef (A1..A8).
struct CJohnsonCookTerms {
    double m_dHardening = 0;  // A + B E^n
    double m_dLogRate = 0;    // ln(max(H/H0, 1))
    double m_dRateFactor = 0; // 1 + C ln(max(H/H0, 1))
    double m_dHomologous = 0; // T* held within [0, 1]
    double m_dTempFactor = 0; // 1 - T*^m, 1 where T* is 0
    double m_dStress = 0;     // the product of the three factors
};
CJohnsonCookTerms JohnsonCookTerms(const double* pCoef, double dE, double dH, double dT);
