#pragma once
// A material of the hyperbolic-sine law without strain dependence, whose rate sensitivity
// is known in closed form: the oracle of the processing maps and the activation energy.

#include "vornel/document/Material.h"
#include "vornel/model/SinhLaw.h"

#include <cmath>

namespace vornel_test {

// The sinh law without strain dependence: alpha 1/MPa, n, Q kJ/mol, ln A.
constexpr double kAlpha = 0.0135, kN = 4.5, kQ = 350.0, kLnA = 30.0;

inline double SinhArgument(double H, double t) { // u = (Z/A)^(1/n)
    return std::exp((std::log(H) + 1000 * kQ / (kGasConstant * (t + kCelsiusToKelvin)) - kLnA) / kN);
}
inline double SinhStress(double H, double t) { return std::asinh(SinhArgument(H, t)) / kAlpha; }
// m = d ln s / d ln H = u / (n sqrt(1 + u^2) asinh(u)).
inline double SinhM(double H, double t) {
    const double u = SinhArgument(H, t);
    return u / (kN * std::sqrt(1 + u * u) * std::asinh(u));
}

// Flat raw curves (strain 0.05..0.8) of that law at the conditions of the Gleeble steel set
// (5 temperatures x 6 strain rates, alpha s from 0.13 to 1.5), the law itself fitted as model
// 19 with constant polynomials. (Over a wider range of alpha s, 0.2 to 2.2, the cubic's slope
// at the ends of the rates misses m by up to 4 %.)
inline CMaterial SinhMaterial() {
    CMaterial material;
    material.m_nFunction = kSinhModel;
    material.m_nCoef = kSinhCoef;
    material.m_dCoef[0] = kAlpha;
    material.m_dCoef[6] = kN;
    material.m_dCoef[12] = kQ;
    material.m_dCoef[18] = kLnA;
    material.m_dCoef[24] = 0.02;
    material.m_dCoef[25] = 0.8;
    for (double t : {1050.0, 1100.0, 1150.0, 1200.0, 1250.0})
        for (double H : {0.001, 0.01, 0.1, 1.0, 2.0, 5.0}) {
            CCurve& curve = material.Curve(material.m_nCurves++);
            curve.m_dTemp = t;
            curve.m_dRate = H;
            for (int k = 1; k <= 16; ++k)
                curve.m_pPoints.push_back({0, SinhStress(H, t), 0, t, 0.05 * k, H, 0});
        }
    material.m_nPoints = material.CountPoints();
    return material;
}

} // namespace vornel_test
