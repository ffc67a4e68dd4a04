#include "vornel/model/ModelCatalogue.h"

#include "vornel/model/JohnsonCookLaw.h"
#include "vornel/model/SinhLaw.h"
#include "vornel/model/SplineLaw.h"
#include "tarnfit/tarnfit.h"

#include <cmath>
#include <string_view>

namespace {

// x^y as exp(y ln x): the one power every law uses (x > 0 after the argument bounds; a
// non-positive temperature base gives what IEEE arithmetic gives).
double Pow(double dX, double dY) { return std::exp(dY * std::log(dX)); }

// A1 + E (A2 + E (A3 + ... + E An)) for the coefficients A1..An of the polynomial models.
double Horner(const double* pCoef, int nCoef, double dE) {
    double dSum = pCoef[nCoef - 1];
    for (int i = nCoef - 2; i >= 0; --i)
        dSum = pCoef[i] + dE * dSum;
    return dSum;
}

// Strain rate and temperature part shared by models 15 and 16:
// A3 H + A4 t + A6 H^2 + A7 t^2.
double RateTempQuadratic(const double* A, double H, double t) { return A[2] * H + A[3] * t + A[5] * H * H + A[6] * t * t; }

// d/dE of Horner(pCoef, nCoef, E): A2 + E (2 A3 + E (3 A4 + ... + E (n-1) An)).
double HornerSlope(const double* pCoef, int nCoef, double dE) {
    double dSum = (nCoef - 1) * pCoef[nCoef - 1];
    for (int i = nCoef - 2; i >= 1; --i)
        dSum = i * pCoef[i] + dE * dSum;
    return dSum;
}

// Slopes of a law of the strain alone.
CLawSlopes StrainSlope(double dSlope) { return {dSlope, 0, 0}; }

// Slopes of a product law Ks = exp(sum of terms) from its logarithmic derivatives:
// dKs/dx = Ks d(ln Ks)/dx, exact also where Ks is 0.
CLawSlopes LogSlopes(double dKs, double dLnE, double dLnH, double dLnT) { return {dKs * dLnE, dKs * dLnH, dKs * dLnT}; }

// d/dH and d/dt of RateTempQuadratic.
CLawSlopes RateTempQuadraticSlopes(const double* A, double dStrainSlope, double H, double t) {
    return {dStrainSlope, A[2] + 2 * A[5] * H, A[3] + 2 * A[6] * t};
}

// Model 19's law and its derivatives in Fortran, which model 21 computes as its backbone: the
// statements up to y and its max with 0, the stress, and the derivatives with respect to E
// (of a stress named KS), H and t.
#define SINH_STEPS                                                                                                     \
    "Ec = min(max(Eps, A(25)), A(26))", "Al = A(1)+Ec*(A(2)+Ec*(A(3)+Ec*(A(4)+Ec*(A(5)+Ec*A(6)))))",                 \
        "Rn = A(7)+Ec*(A(8)+Ec*(A(9)+Ec*(A(10)+Ec*(A(11)+Ec*A(12)))))",                                               \
        "Qa = A(13)+Ec*(A(14)+Ec*(A(15)+Ec*(A(16)+Ec*(A(17)+Ec*A(18)))))",                                            \
        "LnA = A(19)+Ec*(A(20)+Ec*(A(21)+Ec*(A(22)+Ec*(A(23)+Ec*A(24)))))",                                           \
        "Y = (log(H) + 1000D0*Qa/(8.314462618D0*(t+273.15D0)) - LnA)/Rn", "Ym = max(Y, 0D0)"
#define SINH_STRESS "(Ym + log(exp(Y-Ym) + sqrt(exp(2D0*(Y-Ym)) + exp(-2D0*Ym))))/Al"
#define SINH_SLOPE_E(KS)                                                                                               \
    "MERGE((EXP(Y-YM)/SQRT(EXP(2D0*(Y-YM)) + EXP(-2D0*YM))*((1000D0*(A(14)+EC*(2D0*A(15)+EC*(3D0*A(16)+"              \
    "EC*(4D0*A(17)+EC*5D0*A(18)))))/(8.314462618D0*(T+273.15D0)) - (A(20)+EC*(2D0*A(21)+EC*(3D0*A(22)+"              \
    "EC*(4D0*A(23)+EC*5D0*A(24))))) - Y*(A(8)+EC*(2D0*A(9)+EC*(3D0*A(10)+EC*(4D0*A(11)+EC*5D0*A(12))))))/RN)"         \
    " - " KS "*(A(2)+EC*(2D0*A(3)+EC*(3D0*A(4)+EC*(4D0*A(5)+EC*5D0*A(6))))))/AL, 0D0,"                                \
    " EPS .GT. A(25) .AND. EPS .LT. A(26))"
#define SINH_SLOPE_H "EXP(Y-YM)/SQRT(EXP(2D0*(Y-YM)) + EXP(-2D0*YM))/(RN*H)/AL"
#define SINH_SLOPE_T                                                                                                   \
    "-EXP(Y-YM)/SQRT(EXP(2D0*(Y-YM)) + EXP(-2D0*YM))*1000D0*QA/(8.314462618D0*(T+273.15D0)*(T+273.15D0))/RN/AL"

// Model 21's spline along one axis (SplineLaw.h): its argument V held within [A(LO), A(HI)]
// as x in spans, the span Q, f, and the weights W of its four B-splines; M spans (a
// literal "8D0"), M - 1 (a literal "7").
#define SPLINE_AXIS(F, Q, W, V, LO, HI, M, M1)                                                                         \
    F " = (min(max(" V ", A(" LO ")), A(" HI ")) - A(" LO "))*(" M "/(A(" HI ") - A(" LO ")))",                      \
        "if (.not. (" F " >= 0D0)) " F " = 0D0", Q " = min(int(min(" F ", " M ")), " M1 ")", F " = " F " - " Q,      \
        W " = (/ (1D0-" F ")*(1D0-" F ")*(1D0-" F ")/6D0, (" F "*" F "*(3D0*" F " - 6D0) + 4D0)/6D0, &",             \
        "    (((-3D0*" F " + 3D0)*" F " + 3D0)*" F " + 1D0)/6D0, " F "*" F "*" F "/6D0 /)"
// The slopes of its four B-splines in f.
#define SPLINE_AXIS_SLOPES(F, W)                                                                                       \
    W " = (/ -(1D0-" F ")*(1D0-" F ")/2D0, " F "*(3D0*" F " - 4D0)/2D0, &",                                          \
        "    (" F "*(-3D0*" F " + 2D0) + 1D0)/2D0, " F "*" F "/2D0 /)"
// The 64 coefficients of a point, w outermost, then v, then u.
#define SPLINE_LOOPS "do Lc = 0, 3", "do Lb = 0, 3", "do La = 0, 3"
#define SPLINE_END_LOOPS "end do", "end do", "end do"
#define SPLINE_COEF "A(33+Iu+La+11*(Ir+Lb+5*(Ix+Lc)))"

// Indices below are zero-based: A[0] is A1. Each row: number, label, K, law, progr.f90 text,
// engine entry point, slopes, Fortran slopes.
constexpr CModelInfo kModels[] = {
    {1, "1. Ts=a1*E**a2", 2,
     [](const double* A, double E, double, double) { return A[0] * Pow(E, A[1]); },
     {"Ks=A(1)*Eps**A(2)"}, KIVCOOLEXP2,
     [](const double* A, double E, double, double, double Ks) { return LogSlopes(Ks, A[1] / E, 0, 0); },
     {"KS*A(2)/EPS", "0D0", "0D0"}},
    {2, "2. Ts=a1+a2*E", 2,
     [](const double* A, double E, double, double) { return Horner(A, 2, E); },
     {"Ks=A(1) + A(2)*Eps"}, KIVCOOLPOLY1,
     [](const double* A, double E, double, double, double) { return StrainSlope(HornerSlope(A, 2, E)); },
     {"A(2)", "0D0", "0D0"}},
    {3, "3. Ts=a1+a2*E+a3*E**2", 3,
     [](const double* A, double E, double, double) { return Horner(A, 3, E); },
     {"Ks=A(1) + A(2)*Eps + A(3)*Eps**2"}, KIVCOOLPOLY2,
     [](const double* A, double E, double, double, double) { return StrainSlope(HornerSlope(A, 3, E)); },
     {"A(2) + EPS*2D0*A(3)", "0D0", "0D0"}},
    {4, "4. Ts=a1+a2*E+a3*E**2+a4*E**3", 4,
     [](const double* A, double E, double, double) { return Horner(A, 4, E); },
     {"Ks=A(1) + A(2)*Eps + A(3)*Eps**2 + A(4)*Eps**3"}, KIVCOOLPOLY3,
     [](const double* A, double E, double, double, double) { return StrainSlope(HornerSlope(A, 4, E)); },
     {"A(2) + EPS*(2D0*A(3) + EPS*3D0*A(4))", "0D0", "0D0"}},
    {5, "5. Ts=a1+a2*E+a3*E**2+a4*E**3+a5*E**4", 5,
     [](const double* A, double E, double, double) { return Horner(A, 5, E); },
     {"Ks=A(1) + A(2)*Eps + A(3)*Eps**2 + A(4)*Eps**3 &", " + A(5)*Eps**4"}, KIVCOOLPOLY4,
     [](const double* A, double E, double, double, double) { return StrainSlope(HornerSlope(A, 5, E)); },
     {"A(2) + EPS*(2D0*A(3) + EPS*(3D0*A(4) + EPS*4D0*A(5)))", "0D0", "0D0"}},
    {6, "6. Ts=a1+a2*E+a3*E**2+a4*E**3+a5*E**4+a6*E**5", 6,
     [](const double* A, double E, double, double) { return Horner(A, 6, E); },
     {"Ks=A(1) + A(2)*Eps + A(3)*Eps**2 + A(4)*Eps**3 &", " + A(5)*Eps**4 + A(6)*Eps**5"}, KIVCOOLPOLY5,
     [](const double* A, double E, double, double, double) { return StrainSlope(HornerSlope(A, 6, E)); },
     {"A(2) + EPS*(2D0*A(3) + EPS*(3D0*A(4) + EPS*(4D0*A(5) + EPS*5D0*A(6))))", "0D0", "0D0"}},
    {7, "7. Ts=A1 + A2*E**A3", 3,
     [](const double* A, double E, double, double) { return A[0] + A[1] * Pow(E, A[2]); },
     {"Ks=A(1) + A(2)*Eps**A(3)"}, KIVCOOL3,
     [](const double* A, double E, double, double, double) { return StrainSlope(A[1] * A[2] * Pow(E, A[2]) / E); },
     {"A(2)*A(3)*EPS**A(3)/EPS", "0D0", "0D0"}},
    {8, "8. Ts=a1+a2*E+a3*H+a4*t", 4,
     [](const double* A, double E, double H, double t) { return A[0] + A[1] * E + A[2] * H + A[3] * t; },
     {"Ks=A(1) + A(2)*Eps + A(3)*H + A(4)*t"}, KIVLINEHOT___,
     [](const double* A, double, double, double, double) { return CLawSlopes{A[1], A[2], A[3]}; },
     {"A(2)", "A(3)", "A(4)"}},
    // Hensel-Spittel law; the temperature factor is exp(+A4 t), as fitted.
    {9, "9. (Henz-Spit) Ts=a1*E**a2*H**a3*exp(-a4*t)", 4,
     [](const double* A, double E, double H, double t) {
         return A[0] * Pow(E, A[1]) * Pow(H, A[2]) * std::exp(A[3] * t);
     },
     {"Ks=A(1)*Eps**A(2)*H**A(3)*exp(A(4)*t)"}, KIVHENZSPITTMNK,
     [](const double* A, double E, double H, double, double Ks) { return LogSlopes(Ks, A[1] / E, A[2] / H, A[3]); },
     {"KS*A(2)/EPS", "KS*A(3)/H", "KS*A(4)"}},
    {10, "10. Ts=a1+a2*E+a3*H+a4*t+a5*E*H+a6*E*t+a7*t*H+a8*E**2+a9*H**2+a10*t**2", 10,
     [](const double* A, double E, double H, double t) {
         return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * E * H + A[5] * E * t + A[6] * t * H +
                A[7] * E * E + A[8] * H * H + A[9] * t * t;
     },
     {"Ks = A(1) + A(2)*Eps + A(3)*H + A(4)*t + &", "    A(5)*Eps*H + A(6)*Eps*t + A(7)*t*H + &",
      "    A(8)*Eps*Eps + A(9)*H*H + A(10)*t*t;"}, KIVHOTPRAVEL1,
     [](const double* A, double E, double H, double t, double) {
         return CLawSlopes{A[1] + A[4] * H + A[5] * t + 2 * A[7] * E, A[2] + A[4] * E + A[6] * t + 2 * A[8] * H,
                           A[3] + A[5] * E + A[6] * H + 2 * A[9] * t};
     },
     {"A(2) + A(5)*H + A(6)*T + 2D0*A(8)*EPS", "A(3) + A(5)*EPS + A(7)*T + 2D0*A(9)*H",
      "A(4) + A(6)*EPS + A(7)*H + 2D0*A(10)*T"}},
    {11, "11. Ts=a1+a2*E+a3*H+a4*t+a5*E**2+a6*H**2+a7*t**2  ", 7,
     [](const double* A, double E, double H, double t) {
         return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * E * E + A[5] * H * H + A[6] * t * t;
     },
     {"Ks = A(1) + A(2)*Eps + A(3)*H + A(4)*t + &", "    A(5)*Eps*Eps + A(6)*H*H + A(7)*t*t;"}, KIVHOTHALVEK1,
     [](const double* A, double E, double H, double t, double) {
         return RateTempQuadraticSlopes(A, A[1] + 2 * A[4] * E, H, t);
     },
     {"A(2) + 2D0*A(5)*EPS", "A(3) + 2D0*A(6)*H", "A(4) + 2D0*A(7)*T"}},
    {12, "12. Ts=a1+a2*E+a3*H+a4*t+a5*E*H*t", 5,
     [](const double* A, double E, double H, double t) {
         return A[0] + A[1] * E + A[2] * H + A[3] * t + A[4] * E * H * t;
     },
     {"Ks = A(1)+A(2)*Eps+A(3)*H+A(4)*t+A(5)*Eps*H*t;"}, KIVHOTHALVEK2,
     [](const double* A, double E, double H, double t, double) {
         return CLawSlopes{A[1] + A[4] * H * t, A[2] + A[4] * E * t, A[3] + A[4] * E * H};
     },
     {"A(2) + A(5)*H*T", "A(3) + A(5)*EPS*T", "A(4) + A(5)*EPS*H"}},
    // The factor is 1.73 exactly, as the law was fitted (not sqrt(3) = 1.7320508...).
    {13, "13. (Forge). Ts=sqrt(3)*A1 * E**A2 * H**A3 * exp(A4/t)   ", 4,
     [](const double* A, double E, double H, double t) {
         return 1.73 * A[0] * Pow(E, A[1]) * Pow(H, A[2]) * std::exp(A[3] / t);
     },
     {"Ks=1.73D0*A(1)*Eps**A(2)*H**A(3)*exp(A(4)/t)"}, KIVFORGEMNK,
     [](const double* A, double E, double H, double t, double Ks) {
         return LogSlopes(Ks, A[1] / E, A[2] / H, -A[3] / (t * t));
     },
     {"KS*A(2)/EPS", "KS*A(3)/H", "-KS*A(4)/(T*T)"}},
    {14, "14. (Sendar). Ts=A1 * E**A2 *exp(a3*E) *H**A4 * exp(A5*t)", 5,
     [](const double* A, double E, double H, double t) {
         return A[0] * Pow(E, A[1]) * std::exp(A[2] * E) * Pow(H, A[3]) * std::exp(A[4] * t);
     },
     {"Ks = A(1)*Eps**A(2)*exp(A(3)*Eps)*H**A(4)*exp(A(5)*t);"}, KIVSENDARMNK,
     [](const double* A, double E, double H, double, double Ks) {
         return LogSlopes(Ks, A[1] / E + A[2], A[3] / H, A[4]);
     },
     {"KS*(A(2)/EPS + A(3))", "KS*A(4)/H", "KS*A(5)"}},
    {15, "15. Ts=a1+a2*E+a3*H+a4*t+a5*E**2+a6*H**2+a7*t**2+a8*E**3", 8,
     [](const double* A, double E, double H, double t) {
         return A[0] + E * (A[1] + E * (A[4] + E * A[7])) + RateTempQuadratic(A, H, t);
     },
     {"Ks = A(1) + A(2)*Eps + A(3)*H + A(4)*t + &", "    A(5)*Eps**2 + A(6)*H**2 + A(7)*t**2 + A(8)*Eps**3;"}, KIVHOTHALVEK3,
     [](const double* A, double E, double H, double t, double) {
         return RateTempQuadraticSlopes(A, A[1] + E * (2 * A[4] + E * 3 * A[7]), H, t);
     },
     {"A(2) + EPS*(2D0*A(5) + EPS*3D0*A(8))", "A(3) + 2D0*A(6)*H", "A(4) + 2D0*A(7)*T"}},
    {16, "16. Ts=a1+a2*E+a3*H+a4*t+a5*E**2+a6*H**2+a7*t**2+a8*E**3+a9*E**4", 9,
     [](const double* A, double E, double H, double t) {
         return A[0] + E * (A[1] + E * (A[4] + E * (A[7] + E * A[8]))) + RateTempQuadratic(A, H, t);
     },
     {"Ks = A(1) + A(2)*Eps + A(3)*H + A(4)*t + &", "    A(5)*Eps**2 + A(6)*H**2 + A(7)*t**2 + A(8)*Eps**3 + &",
      "    A(9)*Eps**4"}, KIVHOTHALVEK4,
     [](const double* A, double E, double H, double t, double) {
         return RateTempQuadraticSlopes(A, A[1] + E * (2 * A[4] + E * (3 * A[7] + E * 4 * A[8])), H, t);
     },
     {"A(2) + EPS*(2D0*A(5) + EPS*(3D0*A(8) + EPS*4D0*A(9)))", "A(3) + 2D0*A(6)*H", "A(4) + 2D0*A(7)*T"}},
    {17, "17. Ts=a1 * E**(a2+a3*t+a4*H) *exp(a5*E) *H**(a6+a7*t) * exp(a8*t)", 8,
     [](const double* A, double E, double H, double t) {
         return A[0] * Pow(E, A[1] + A[2] * t + A[3] * H) * std::exp(A[4] * E) * Pow(H, A[5] + A[6] * t) *
                std::exp(A[7] * t);
     },
     {"Ks = A(1) * Eps**(A(2)+A(3)*t+A(4)*H) * exp(A(5)*Eps) * &", "    H**(A(6)+A(7)*t) * exp(A(8)*t);"}, KIVHOTHALVEK5,
     [](const double* A, double E, double H, double t, double Ks) {
         return LogSlopes(Ks, (A[1] + A[2] * t + A[3] * H) / E + A[4], A[3] * std::log(E) + (A[5] + A[6] * t) / H,
                          A[2] * std::log(E) + A[6] * std::log(H) + A[7]);
     },
     {"KS*((A(2) + A(3)*T + A(4)*H)/EPS + A(5))", "KS*(A(4)*LOG(EPS) + (A(6) + A(7)*T)/H)",
      "KS*(A(3)*LOG(EPS) + A(7)*LOG(H) + A(8))"}},
    {18, "18. (Gridan) Ts=a1*E**a2*exp(a3/E)*exp(a4*E)*(1+E)**(a5*t)*H**a6*H**(a7*t)*t**a8*exp(a9*t)", 9,
     [](const double* A, double E, double H, double t) {
         return A[0] * Pow(E, A[1]) * std::exp(A[2] / E) * std::exp(A[3] * E) * Pow(1 + E, A[4] * t) *
                Pow(H, A[5]) * Pow(H, A[6] * t) * Pow(t, A[7]) * std::exp(A[8] * t);
     },
     {"Ks = A(1)*Eps**A(2)*exp(A(3)/Eps)*exp(A(4)*Eps)*(1+Eps)**(A(5)*t) * &",
      "  H**A(6)*H**(A(7)*t)*t**A(8)*exp(A(9)*t);"}, KIVHOTGRIDAN,
     [](const double* A, double E, double H, double t, double Ks) {
         return LogSlopes(Ks, A[1] / E - A[2] / (E * E) + A[3] + A[4] * t / (1 + E), (A[5] + A[6] * t) / H,
                          A[4] * std::log(1 + E) + A[6] * std::log(H) + A[7] / t + A[8]);
     },
     {"KS*(A(2)/EPS - A(3)/(EPS*EPS) + A(4) + A(5)*T/(1D0 + EPS))", "KS*(A(6) + A(7)*T)/H",
      "KS*(A(5)*LOG(1D0 + EPS) + A(7)*LOG(H) + A(8)/T + A(9))"}},
    // Strain-compensated hyperbolic-sine law (SinhLaw.h); the engine prepares the curves,
    // the workbench fits the law (SinhLawFit.h).
    {19, "19. Ts=1/alpha*asinh((Z/A)**(1/n)), Z=H*exp(Q/(R*(t+273.15))), alpha, n, Q, lnA polynomials of E",
     kSinhCoef,
     [](const double* A, double E, double H, double t) { return SinhTerms(A, kSinhOrder, E, H, t).m_dStress; },
     {SINH_STEPS, "Ks = " SINH_STRESS},
     KIVHOTHALVEKALL,
     [](const double* A, double E, double H, double t, double) {
         return SinhSlopes(A, SinhTerms(A, kSinhOrder, E, H, t), H, t);
     },
     {SINH_SLOPE_E("KS"), SINH_SLOPE_H, SINH_SLOPE_T},
     "Ec, Al, Rn, Qa, LnA, Y, Ym"},
    // Johnson-Cook law (JohnsonCookLaw.h); the engine prepares the curves, the workbench fits
    // A1..A5 (JohnsonCookFit.h) with A6 = H0, A7 = tr, A8 = tm given.
    {20, "20. (Johnson-Cook) Ts=(A1+A2*E**A3)*(1+A4*ln(H/A6))*(1-((t-A7)/(A8-A7))**A5)", kJohnsonCookCoef,
     [](const double* A, double E, double H, double t) { return JohnsonCookTerms(A, E, H, t).m_dStress; },
     {"Th = min(max((t-A(7))/(A(8)-A(7)), 0D0), 1D0)",
      "Ks = (A(1)+A(2)*Eps**A(3))*(1D0+A(4)*log(max(H/A(6), 1D0)))*merge(1D0, 1D0-Th**A(5), Th .le. 0D0)"},
     KIVHOTHALVEKALL,
     [](const double* A, double E, double H, double t, double) {
         const CJohnsonCookTerms s = JohnsonCookTerms(A, E, H, t);
         const bool bSoftening = s.m_dHomologous > 0 && s.m_dHomologous < 1;
         return CLawSlopes{A[1] * A[2] * Pow(E, A[2]) / E * s.m_dRateFactor * s.m_dTempFactor,
                           H > A[5] ? s.m_dHardening * A[3] / H * s.m_dTempFactor : 0.0,
                           bSoftening ? -s.m_dHardening * s.m_dRateFactor * A[4] * Pow(s.m_dHomologous, A[4]) /
                                            s.m_dHomologous / (A[7] - A[6])
                                      : 0.0};
     },
     {"A(2)*A(3)*EPS**(A(3)-1D0)*(1D0+A(4)*LOG(MAX(H/A(6),1D0)))*MERGE(1D0,1D0-TH**A(5),TH .LE. 0D0)",
      "MERGE((A(1)+A(2)*EPS**A(3))*A(4)/H*MERGE(1D0,1D0-TH**A(5),TH .LE. 0D0),0D0,H .GT. A(6))",
      "MERGE(-(A(1)+A(2)*EPS**A(3))*(1D0+A(4)*LOG(MAX(H/A(6),1D0)))*A(5)*TH**(A(5)-1D0)/(A(8)-A(7)),0D0,"
      "TH .GT. 0D0 .AND. TH .LT. 1D0)"},
     "Th"},
    // Model 19's law times exp of a tensor spline (SplineLaw.h); the engine prepares the
    // curves, the workbench fits the law (SplineLawFit.h).
    {kSplineModel, "21. Ts=Kb*exp(s(sqrt(E),ln H,1000/(t+273.15))), Kb the law of model 19, s a cubic tensor spline",
     kSplineCoef,
     [](const double* A, double E, double H, double t) { return SplineTerms(A, E, H, t).m_dStress; },
     {SINH_STEPS, "Kb = " SINH_STRESS,
      SPLINE_AXIS("Fu", "Iu", "Wu", "sqrt(Ec)", "27", "28", "8D0", "7"),
      SPLINE_AXIS("Fr", "Ir", "Wr", "log(H)", "29", "30", "2D0", "1"),
      SPLINE_AXIS("Fx", "Ix", "Wx", "1000D0/(t+273.15D0)", "31", "32", "3D0", "2"),
      "Sp = 0D0", SPLINE_LOOPS, "Sp = Sp + Wx(Lc)*Wr(Lb)*Wu(La)*" SPLINE_COEF, SPLINE_END_LOOPS,
      "Ks = Kb*exp(Sp)"},
     KIVHOTHALVEKALL,
     [](const double* A, double E, double H, double t, double) {
         return SplineSlopes(A, SplineTerms(A, E, H, t), E, H, t);
     },
     {"EXP(SP)*(" SINH_SLOPE_E("KB") " + KB*SU)", "EXP(SP)*(" SINH_SLOPE_H " + KB*SR)",
      "EXP(SP)*(" SINH_SLOPE_T " + KB*SX)"},
     "Ec, Al, Rn, Qa, LnA, Y, Ym, Kb, Sp, Fu, Fr, Fx, Wu(0:3), Wr(0:3), Wx(0:3)",
     {SPLINE_AXIS_SLOPES("Fu", "Vu"), SPLINE_AXIS_SLOPES("Fr", "Vr"), SPLINE_AXIS_SLOPES("Fx", "Vx"), "Su = 0D0",
      "Sr = 0D0", "Sx = 0D0", SPLINE_LOOPS, "Ca = " SPLINE_COEF, "Su = Su + Wx(Lc)*Wr(Lb)*Vu(La)*Ca",
      "Sr = Sr + Wx(Lc)*Vr(Lb)*Wu(La)*Ca", "Sx = Sx + Vx(Lc)*Wr(Lb)*Wu(La)*Ca", SPLINE_END_LOOPS,
      "Su = merge(Su*(8D0/(A(28) - A(27)))*0.5D0/sqrt(Ec), 0D0, &",
      "    sqrt(Ec) > A(27) .and. sqrt(Ec) < A(28) .and. Eps > A(25) .and. Eps < A(26))",
      "Sr = merge(Sr*(2D0/(A(30) - A(29)))/H, 0D0, log(H) > A(29) .and. log(H) < A(30))",
      "Sx = merge(-Sx*(3D0/(A(32) - A(31)))*1000D0/((t+273.15D0)*(t+273.15D0)), 0D0, &",
      "    1000D0/(t+273.15D0) > A(31) .and. 1000D0/(t+273.15D0) < A(32))"},
     "Su, Sr, Sx, Ca, Vu(0:3), Vr(0:3), Vx(0:3)",
     "Iu, Ir, Ix, La, Lb, Lc",
     true,
     "Ks = Kb exp(s(sqrt(Ec), ln H, 1000/(t+273.15))), Kb the law of model 19 with A(1)..A(26), Ec the strain "
     "held within A(25)..A(26), s the tensor product of uniform cubic B-splines with 11 x 5 x 6 coefficients "
     "A(33)..A(362) (A(33 + i + 11 (j + 5 k)) for the i-th along sqrt(Ec), the j-th along ln H and the k-th along "
     "1000/(t+273.15)) over the ranges A(27)..A(28), A(29)..A(30) and A(31)..A(32), each argument held within its "
     "range",
     kSinhModel},
};

constexpr int kModelCount = static_cast<int>(std::size(kModels));

constexpr bool NumbersInOrder() {
    for (int i = 0; i < kModelCount; ++i) {
        const CModelInfo& model = kModels[i];
        if ((i > 0 && model.m_nNumber <= kModels[i - 1].m_nNumber) || model.m_nCoef < 1 ||
            model.m_nCoef > kMaxLawCoef || !model.m_pfnLaw || !model.m_pfnSlopes)
            return false;
        if (model.m_nCoef > kMaxFileCoef && model.m_nFileModel == 0)
            return false;
    }
    return true;
}
static_assert(NumbersInOrder(), "the rows ascend by number, each with its law, its slopes and at most kMaxLawCoef "
                                "coefficients, and a law beyond the file's table names the model the file states");

// Whether Evaluate's lower bound holds the strain or the strain rate: !(x > bound) also
// catches NaN.
bool StrainHeld(double dStrain) { return !(dStrain > kEvaluateMinStrain); }
bool RateHeld(double dRate) { return !(dRate > kEvaluateMinRate); }

} // namespace

std::span<const CModelInfo> ModelCatalogue() { return kModels; }

const CModelInfo* FindModel(int nNumber) {
    for (const CModelInfo& model : kModels)
        if (model.m_nNumber == nNumber)
            return &model;
    return nullptr;
}

std::string ModelNumbersText() {
    // Runs of consecutive numbers as "first..last", joined by ", " and a last " or ".
    std::vector<std::string> aRuns;
    for (int i = 0; i < kModelCount;) {
        int j = i;
        while (j + 1 < kModelCount && kModels[j + 1].m_nNumber == kModels[j].m_nNumber + 1)
            ++j;
        aRuns.push_back(j == i ? std::to_string(kModels[i].m_nNumber)
                               : std::to_string(kModels[i].m_nNumber) + ".." + std::to_string(kModels[j].m_nNumber));
        i = j + 1;
    }
    std::string strText;
    for (std::size_t k = 0; k < aRuns.size(); ++k)
        strText += (k == 0 ? "" : k + 1 == aRuns.size() ? " or " : ", ") + aRuns[k];
    return strText;
}

CLawValue EvaluateLaw(int nFunction, const double* pCoef, double dStrain, double dTemp, double dRate) {
    const bool bStrainHeld = StrainHeld(dStrain);
    const bool bRateHeld = RateHeld(dRate);
    const double dE = bStrainHeld ? kEvaluateMinStrain : dStrain;
    const double dH = bRateHeld ? kEvaluateMinRate : dRate;
    const CModelInfo* pModel = FindModel(nFunction);
    if (!pModel)
        return {pCoef[9], {}};
    CLawValue value;
    value.m_dStress = pModel->m_pfnLaw(pCoef, dE, dH, dTemp);
    value.m_slopes = pModel->m_pfnSlopes(pCoef, dE, dH, dTemp, value.m_dStress);
    if (bStrainHeld)
        value.m_slopes.m_dStrain = 0;
    if (bRateHeld)
        value.m_slopes.m_dRate = 0;
    return value;
}

namespace {

// Statement lines joined over their continuation marks, without the marks and a closing ";".
std::vector<std::string> JoinedStatements(std::span<const char* const> aLines) {
    std::vector<std::string> aStatements;
    bool bContinued = false;
    for (const char* szLine : aLines) {
        if (!szLine)
            break;
        std::string_view line = szLine;
        while (!line.empty() && line.back() == ' ')
            line.remove_suffix(1);
        const bool bContinues = !line.empty() && line.back() == '&';
        while (!line.empty() && (line.back() == ' ' || line.back() == '&' || line.back() == ';'))
            line.remove_suffix(1);
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        if (!bContinued)
            aStatements.emplace_back();
        else if (!aStatements.back().empty())
            aStatements.back() += ' ';
        aStatements.back() += line;
        bContinued = bContinues;
    }
    return aStatements;
}

} // namespace

std::vector<std::string> FortranLawStatements(const CModelInfo& model) { return JoinedStatements(model.m_aFortran); }

std::vector<std::string> FortranSlopeSteps(const CModelInfo& model) {
    return JoinedStatements(model.m_aFortranSlopeSteps);
}

namespace {

// The right-hand side of the statement "Name = expression" ("Ks=..." or "Ks = ...").
std::string RightHandSide(const std::string& strStatement) {
    const std::size_t nEquals = strStatement.find('=');
    std::size_t nStart = nEquals == std::string::npos ? 0 : nEquals + 1;
    while (nStart < strStatement.size() && strStatement[nStart] == ' ')
        ++nStart;
    return strStatement.substr(nStart);
}

} // namespace

std::string FortranLawExpression(const CModelInfo& model) {
    const std::vector<std::string> aStatements = FortranLawStatements(model);
    return aStatements.empty() ? std::string() : RightHandSide(aStatements.back());
}

std::vector<std::string> FortranLawSteps(const CModelInfo& model) {
    std::vector<std::string> aStatements = FortranLawStatements(model);
    if (!aStatements.empty())
        aStatements.pop_back();
    return aStatements;
}

int FortranCoefficientCount(const CModelInfo* pModel) { return pModel && pModel->m_nCoef > 10 ? pModel->m_nCoef : 10; }

double EvaluateLawStress(int nFunction, const double* pCoef, double dStrain, double dTemp, double dRate) {
    const double dE = StrainHeld(dStrain) ? kEvaluateMinStrain : dStrain;
    const double dH = RateHeld(dRate) ? kEvaluateMinRate : dRate;
    const CModelInfo* pModel = FindModel(nFunction);
    if (!pModel)
        return pCoef[9];
    return pModel->m_pfnLaw(pCoef, dE, dH, dTemp);
}
