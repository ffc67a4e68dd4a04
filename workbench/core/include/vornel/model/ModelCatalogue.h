#pragma once
// The catalogue of the flow-stress models: one row per model with its list label, its
// coefficient count, its law with its three partial derivatives and the Fortran text of
// both.
//
// Symbols: E = true strain, H = strain rate [1/s], t = temperature [deg C], Ts = flow
// stress in the units of the data files, A1..AK = CMaterial::m_dCoef[0..K-1].
// Models 1..7 depend on the strain only; models 8 and above on strain, strain rate and
// temperature. Model numbers run 1..21; 0 means that no model is chosen. Model 19 is the
// strain-compensated hyperbolic-sine law (SinhLaw.h), model 20 the Johnson-Cook law
// (JohnsonCookLaw.h), model 21 model 19's law corrected by a tensor spline (SplineLaw.h).
// How a law is fitted is not the catalogue's business (fit/ModelFit.h).

#include <array>
#include <span>
#include <string>
#include <vector>

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
    int m_nNumber;              // 1..21
    const char* m_szLabel;      // entry of the work window's model list, exactly as shown
    int m_nCoef;                // K: coefficients A1..AK the model has
    // The law at bounded arguments: pCoef = A1..AK (at least K valid entries), dE > 0,
    // dH > 0, dT in deg C; no further guard, so a law that divides by t or takes a power of
    // t yields what IEEE arithmetic gives (inf or NaN) at t <= 0. Powers x^y are computed
    // as exp(y ln x).
    double (*m_pfnLaw)(const double* pCoef, double dE, double dH, double dT);
    // Statement lines of the law in the exported subroutine, in order; unused slots null.
    // The subroutine's arguments are H, Eps, t and Ks, its coefficient array A(1..K). A line
    // ending in "&" continues on the next; the last statement assigns Ks, any before it
    // is a statement of the law's own (an assignment of one of its local variables,
    // m_szFortranLocals, a DO loop or an IF).
    std::array<const char*, 40> m_aFortran;
    // The engine entry point called on the exchange file "temp.mat": it prepares raw curves
    // and fits the law, or, for a law the workbench fits itself (fit/ModelFit.h), only
    // prepares them.
    int (*m_pfnEntry)(void);
    // The law's exact partial derivatives at the same bounded arguments as m_pfnLaw, given
    // the law's value dKs there (m_pfnLaw's result, so products can use Ks * d(ln Ks)/dx).
    // A law without a variable returns 0 for it.
    CLawSlopes (*m_pfnSlopes)(const double* pCoef, double dE, double dH, double dT, double dKs);
    // The same derivatives as Fortran expressions, dKs/dE, dKs/dH, dKs/dt in this order, over
    // the bounded variables EPS, H, T, the law's value KS, its local variables and the
    // coefficients A(1..K); any length (the solver exports wrap them), no statement marks.
    std::array<const char*, 3> m_aFortranSlopes;
    // The law's local variables of double precision, "Ec, Al" (names that are no argument
    // of a solver's subroutine), or null for a law of one statement.
    const char* m_szFortranLocals = nullptr;
    // Statements the solver exports run after Ks and before its derivatives (model 21's
    // spline slopes), their further double-precision locals, and the law's integer locals;
    // none for the other laws.
    std::array<const char*, 32> m_aFortranSlopeSteps{};
    const char* m_szFortranSlopeLocals = nullptr;
    const char* m_szFortranIntegers = nullptr;
    // The exported Fortran sets the coefficients by DATA statements instead of one assignment
    // each (a law of hundreds of coefficients: they are set once, not at every call).
    bool m_bFortranData = false;
    // The law in words for the exports' comments, where its statements do not read as a
    // formula; null: the statements themselves.
    const char* m_szLawText = nullptr;
    // A law of more coefficients than the material file's table holds (kMaxFileCoef): the
    // model whose law its first coefficients state (model 21's backbone, model 19), which the
    // file names in its place for the readers that do not know this one (document/Material.h).
    int m_nFileModel = 0;
};

// The most coefficients a law may have: the size of the material's coefficient table.
inline constexpr int kMaxLawCoef = 512;

// The most coefficients the layout of a material file holds in its coefficient table; a law
// of more keeps the rest after the file's trailer (document/Material.h).
inline constexpr int kMaxFileCoef = 100;

// The rows in number order, model 1 first.
std::span<const CModelInfo> ModelCatalogue();

// The row of model nNumber, or null for a number the catalogue does not hold.
const CModelInfo* FindModel(int nNumber);

// The model numbers in words for messages: "1..21"; with gaps "1..19 or 21".
std::string ModelNumbersText();

// Lower bounds CMaterial::Evaluate puts on its arguments: a strain not above kMinStrain
// (NaN included) is taken as kMinStrain, a strain rate not above kMinRate as kMinRate [1/s].
inline constexpr double kEvaluateMinStrain = 0.001;
inline constexpr double kEvaluateMinRate = 0.0001;

// The law of model nFunction with coefficients pCoef (A1 first) and its partial derivatives at
// strain dStrain, temperature dTemp [deg C] and strain rate dRate [1/s], bounded as
// CMaterial::Evaluate bounds them: m_dStress is bit for bit what Evaluate returns; where a
// bound holds the strain (rate) the derivative with respect to it is 0, since the law does
// not change with that argument there. pCoef holds at least the model's K coefficients; a
// model number the catalogue does not hold gives A10 (pCoef[9]) and slopes 0.
struct CLawValue {
    double m_dStress = 0;
    CLawSlopes m_slopes;
};
CLawValue EvaluateLaw(int nFunction, const double* pCoef, double dStrain, double dTemp, double dRate);

// The stress alone, m_dStress of EvaluateLaw: what CMaterial::Evaluate returns.
double EvaluateLawStress(int nFunction, const double* pCoef, double dStrain, double dTemp, double dRate);

// The statements of the law of model pModel, its progr.f90 statement lines with continued
// lines joined (continuation marks and closing ";" removed): "Ks=A(1)*Eps**A(2)" for a law
// of one statement; the local variables' assignments first for a law with locals.
std::vector<std::string> FortranLawStatements(const CModelInfo& model);

// The law's value as one Fortran expression, the right-hand side of its last statement (the
// one that assigns Ks), over Eps, H, t, A(1..K) and the law's local variables.
std::string FortranLawExpression(const CModelInfo& model);

// The statements before it, each "Name = expression", in order; none for a law without
// local variables.
std::vector<std::string> FortranLawSteps(const CModelInfo& model);

// The statements the solver exports run between Ks and its derivatives
// (m_aFortranSlopeSteps), joined as above; none for most laws.
std::vector<std::string> FortranSlopeSteps(const CModelInfo& model);

// Size of the coefficient array A of the exported subroutine: 10, as the one-statement laws
// have always declared it, or K when the model has more coefficients.
int FortranCoefficientCount(const CModelInfo* pModel);

// CMaterial::Evaluate(dStrain, dTemp, dRate) with dStrain, dRate bounded as above:
//   the law of m_nFunction with the coefficients m_dCoef, or A10 (m_dCoef[9]) for a model
//   number the catalogue does not hold (0 after a cleared fit).
// The polynomial models 3..6 and the strain parts of models 15 and 16 use Horner's scheme,
// A1 + E (A2 + E (A3 + ...)).
