#pragma once
// The catalogue of the 18 flow-stress models: one row per model with its list label, its
// coefficient count, its law with its three partial derivatives, and the Fortran text of
// both.
//
// Symbols: E = true strain, H = strain rate [1/s], t = temperature [deg C], Ts = flow
// stress in the units of the data files, A1..A10 = CMaterial::m_dCoef[0..9].
// Models 1..7 depend on the strain only; models 8..18 on strain, strain rate and
// temperature. Model numbers run 1..18; 0 means that no model is chosen.

#include <array>
#include <span>
#include <string>

// The partial derivatives of a law: dKs/dE, dKs/dH [per 1/s] and dKs/dt [per deg C], in the
// stress units of the data files.
struct CLawSlopes {
    double m_dStrain = 0;
    double m_dRate = 0;
    double m_dTemp = 0;
};

// One model. The rows are aggregates in number order, so a further column can be added at
// the end without touching the others.
struct CModelInfo {
    int m_nNumber;              // 1..18
    const char* m_szLabel;      // entry of the work window's model list, exactly as shown
    int m_nCoef;                // K: coefficients A1..AK the model has
    // The law at bounded arguments: pCoef = A1..A10 (at least K valid entries), dE > 0,
    // dH > 0, dT in deg C; no further guard, so a law that divides by t or takes a power of
    // t yields what IEEE arithmetic gives (inf or NaN) at t <= 0. Powers x^y are computed
    // as exp(y ln x).
    double (*m_pfnLaw)(const double* pCoef, double dE, double dH, double dT);
    // Statement lines of the law in the exported subroutine, in order; unused slots null.
    // The subroutine's arguments are H, Eps, t and Ks, its coefficient array A(1..10).
    std::array<const char*, 3> m_aFortran;
    // The engine entry point that fits the law through the exchange file "temp.mat".
    int (*m_pfnEntry)(void);
    // The law's exact partial derivatives at the same bounded arguments as m_pfnLaw, given
    // the law's value dKs there (m_pfnLaw's result, so products can use Ks * d(ln Ks)/dx).
    // A law without a variable returns 0 for it.
    CLawSlopes (*m_pfnSlopes)(const double* pCoef, double dE, double dH, double dT, double dKs);
    // The same derivatives as Fortran expressions, dKs/dE, dKs/dH, dKs/dt in this order, over
    // the bounded variables EPS, H, T, the law's value KS and the coefficients A(1..K); any
    // length (the solver exports wrap them), no statement marks.
    std::array<const char*, 3> m_aFortranSlopes;
};

// The 18 rows, model 1 first.
std::span<const CModelInfo> ModelCatalogue();

// The row of model nNumber, or null for a number outside 1..18.
const CModelInfo* FindModel(int nNumber);

// Lower bounds CMaterial::Evaluate puts on its arguments: a strain not above kMinStrain
// (NaN included) is taken as kMinStrain, a strain rate not above kMinRate as kMinRate [1/s].
inline constexpr double kEvaluateMinStrain = 0.001;
inline constexpr double kEvaluateMinRate = 0.0001;

// The law of model nFunction with coefficients pCoef (A1 first) and its partial derivatives at
// strain dStrain, temperature dTemp [deg C] and strain rate dRate [1/s], bounded as
// CMaterial::Evaluate bounds them: m_dStress is bit for bit what Evaluate returns; where a
// bound holds the strain (rate) the derivative with respect to it is 0, since the law does
// not change with that argument there. pCoef holds at least the model's K coefficients; a
// model number outside 1..18 gives A10 (pCoef[9]) and slopes 0.
struct CLawValue {
    double m_dStress = 0;
    CLawSlopes m_slopes;
};
CLawValue EvaluateLaw(int nFunction, const double* pCoef, double dStrain, double dTemp, double dRate);

// The law's statement of model pModel as one Fortran expression, the right-hand side of its
// progr.f90 statement lines joined (continuation marks, "Ks=" and a closing ";" removed),
// over Eps, H, t and A(1..K).
std::string FortranLawExpression(const CModelInfo& model);

// CMaterial::Evaluate(dStrain, dTemp, dRate) with dStrain, dRate bounded as above:
//   the law of m_nFunction with the coefficients m_dCoef, or A10 (m_dCoef[9]) for a model
//   number outside 1..18 (0 after a cleared fit).
// The polynomial models 3..6 and the strain parts of models 15 and 16 use Horner's scheme,
// A1 + E (A2 + E (A3 + ...)).
