// LS-DYNA keyword deck: per temperature of the grid a material card and the law as keyword
// tables of the yield stress. The cards are *MAT_PIECEWISE_LINEAR_PLASTICITY_LOG_INTERPOLATION
// (*MAT_024), whose LCSS points at the temperature's *DEFINE_TABLE of strain rates and which
// interpolates between the rates in their logarithm; for the Johnson-Cook law (model 20)
// *MAT_SIMPLIFIED_JOHNSON_COOK (*MAT_098), LS-DYNA's own form of the law at one temperature.
// Per temperature a *DEFINE_TABLE (card 1: TBID, SFA, OFFA; then one strain rate per card,
// ascending), followed by one *DEFINE_CURVE per rate (card 1: LCID, SIDR, SFA, SFO, OFFA, OFFO,
// DATTYP; then one "plastic strain, stress" pair per card); then one *DEFINE_TABLE_3D (card 1:
// TBID, SFA, OFFA; then per temperature its value and the id of its *DEFINE_TABLE) for cards
// that read the whole law. Fixed-width fields, numbers right-aligned: 10 characters on the
// header and material cards, 20 on the value cards.
//
// Ids, from the first id N: the material card of the i-th temperature (from 0) is N + i; the
// *DEFINE_TABLE_3D is N; the table of the i-th temperature is N + i (R + 1) + 1 and its curves
// follow it, R being the count of strain rates.
//
// Why one isothermal *MAT_024 per temperature rather than *MAT_TABULATED_JOHNSON_COOK
// (*MAT_224): *MAT_224 takes the temperature through a table of its own (LCKT) beside the
// rate table (LCK1), a product of a rate part and a temperature part; the cards here hold the
// law at their temperature exactly. What that product would cost is measured for the file's
// law and grid and stated in its comments (SplitCost).

#include "ExportText.h"

#include "vornel/model/JohnsonCookLaw.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::size_t kHeaderField = 10;
constexpr std::size_t kValueField = 20;
// Significant digits of a value card: the longest number, -1.23456789012e-100, keeps a
// blank in its 20 columns.
constexpr int kDigits = 12;

void AppendField(std::string& strOut, const std::string& strValue, std::size_t nWidth) {
    if (strValue.size() < nWidth)
        strOut.append(nWidth - strValue.size(), ' ');
    strOut += strValue;
}

// A header or material card: the fields, 10 characters each.
void AppendHeaderCard(std::string& strOut, std::initializer_list<std::string> aFields) {
    for (const std::string& strField : aFields)
        AppendField(strOut, strField, kHeaderField);
    strOut += '\n';
}

// A value card: the numbers, 20 characters each.
void AppendValueCard(std::string& strOut, std::initializer_list<std::string> aFields) {
    for (const std::string& strField : aFields)
        AppendField(strOut, strField, kValueField);
    strOut += '\n';
}

// dValue in a 10-character field with a blank before it: the most significant digits that fit.
std::string ShortNumber(double dValue) {
    for (int nDigits = 9; nDigits > 1; --nDigits)
        if (const std::string strText = Significant(dValue, nDigits); strText.size() < kHeaderField)
            return strText;
    return Significant(dValue, 1);
}

// The largest departure, over law's grid, of the product of the rate curves at the lowest
// temperature and the temperature curves at the lowest rate (scaled to meet at the corner),
// the best a card that multiplies a rate table by a temperature table can do with tables
// taken there: |law(E, H, t0) law(E, H0, t) / law(E, H0, t0) - law(E, H, t)| over |law|, or
// over 1 % of the largest |law| where the law is smaller (as GridRefinement.h measures).
double SplitCost(const CLawExport& law) {
    const CExportGrid& grid = law.m_grid;
    double dLargest = 0;
    for (const CLawValue& value : law.m_aValues)
        if (std::isfinite(value.m_dStress))
            dLargest = std::max(dLargest, std::fabs(value.m_dStress));
    double dWorst = 0;
    for (std::size_t iTemp = 0; iTemp < grid.m_aTemps.size(); ++iTemp)
        for (std::size_t iRate = 0; iRate < grid.m_aRates.size(); ++iRate)
            for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain) {
                const double dCorner = law.At(0, 0, iStrain).m_dStress;
                const double dLaw = law.At(iTemp, iRate, iStrain).m_dStress;
                const double dSplit = law.At(0, iRate, iStrain).m_dStress * law.At(iTemp, 0, iStrain).m_dStress / dCorner;
                if (const double d = std::fabs(dSplit - dLaw) / std::max(std::fabs(dLaw), 0.01 * dLargest);
                    std::isfinite(d))
                    dWorst = std::max(dWorst, d);
            }
    return dWorst;
}

// The fields RO, E, PR of a material card: the deck's values or *PARAMETER references.
std::string RhoField(const CDeckOptions& deck) { return deck.m_dDensity ? ShortNumber(*deck.m_dDensity) : "&RHO"; }
std::string ModulusField(const CDeckOptions& deck) {
    return deck.m_dYoungsModulus ? ShortNumber(*deck.m_dYoungsModulus) : "&EMOD";
}
std::string PoissonField(const CDeckOptions& deck) { return deck.m_dPoisson ? ShortNumber(*deck.m_dPoisson) : "&PR"; }

} // namespace

std::string LsDynaText(const CLawExport& tableLaw) {
    // LS-DYNA's log interpolation needs rates above 0; the law is the same at every rate up
    // to its bound 0.0001 1/s, which stands for a rate of 0.
    CExportGrid base = tableLaw.m_baseGrid;
    for (double& dRate : base.m_aRates)
        dRate = std::max(dRate, kEvaluateMinRate);
    base.m_aRates.erase(std::unique(base.m_aRates.begin(), base.m_aRates.end()), base.m_aRates.end());
    const CLawExport law = LawOnGrid(tableLaw, base, ERateAxis::Log);
    const CExportGrid& grid = law.m_grid;
    const CDeckOptions& deck = law.m_deck;
    const CExportUnits& units = deck.m_units;
    const long long nRates = static_cast<long long>(grid.m_aRates.size());
    const long long nTemps = static_cast<long long>(grid.m_aTemps.size());
    const long long nLastId = law.m_nFirstId + nTemps * (nRates + 1);
    if (nLastId > std::numeric_limits<int>::max())
        throw CExportError("the LS-DYNA ids " + std::to_string(law.m_nFirstId) + " to " + std::to_string(nLastId) +
                           " pass " + std::to_string(std::numeric_limits<int>::max()) + "; choose a smaller first id");
    const auto id = [](long long nId) { return std::to_string(nId); };
    const bool bJohnsonCook = law.m_pModel->m_nNumber == kJohnsonCookModel;

    CFileHeader header;
    header.m_strPrefix = "$ ";
    header.m_strWhat = bJohnsonCook ? "LS-DYNA *MAT_SIMPLIFIED_JOHNSON_COOK (*MAT_098) cards, one per temperature, "
                                      "and the law as keyword tables"
                                    : "LS-DYNA *MAT_PIECEWISE_LINEAR_PLASTICITY_LOG_INTERPOLATION (*MAT_024) cards, "
                                      "one per temperature, on keyword tables of the yield stress";
    header.m_strOutside =
        "Outside the grid: below the lowest and above the highest strain rate of a table LS-DYNA takes its first or "
        "last curve; beyond the last plastic strain it continues a curve with the slope of its last segment (give "
        "--export-strains up to the largest strain the model reaches); each card holds the law at its temperature "
        "whatever the model's temperature.";
    const double dSplit = SplitCost(law);
    const std::string strSplit = dSplit < 1e-9 ? std::string("0") : Significant(100 * dSplit, 2);
    if (bJohnsonCook) {
        const std::vector<double>& A = law.m_aCoef;
        header.m_aLines = {
            "Card of the i-th temperature: MID = N + i; A and B are the law's times 1 - T*^m at the card's "
            "temperature (*MAT_098 has no temperature term), N, C and EPS0 = H0 as fitted, VP = 0. Below EPS0 the "
            "card's rate term is LS-DYNA's own (1 + C ln(rate/EPS0) as its manual gives it), where the law here "
            "holds it at 1: keep the model's rates at or above the lowest measured one.",
            "For a thermally coupled run *MAT_JOHNSON_COOK (*MAT_015) takes the law whole: A = " +
                Significant(units.Stress(A[0]), 9) + ", B = " + Significant(units.Stress(A[1]), 9) +
                ", N = " + Significant(A[2], 9) + ", C = " + Significant(A[3], 9) + ", M = " + Significant(A[4], 9) +
                ", TM = " + Significant(units.Temp(A[7]), 9) + ", TR = " + Significant(units.Temp(A[6]), 9) +
                ", EPSO = " + Significant(units.Rate(A[5]), 9) + " (in the units of this file)."};
    } else {
        header.m_aLines = {
            "Card of the i-th temperature: MID = N + i, LCSS = its *DEFINE_TABLE, VP = 1 (the tables' rates are "
            "plastic strain rates); each holds the law at its temperature exactly. A card that multiplies a rate "
            "table by a temperature table (*MAT_TABULATED_JOHNSON_COOK, *MAT_224, with LCK1 and LCKT), the rate "
            "curves taken at the lowest temperature and the temperature curves at the lowest rate, would miss this "
            "law by up to " + strSplit + " % on this grid."};
    }
    header.m_aLines.push_back("Ids from N = " + id(law.m_nFirstId) + " (--export-id): the *DEFINE_TABLE_3D is N, "
                              "the table of the i-th temperature N + i (R + 1) + 1 and its R curves after it, rates "
                              "in the tables' order. Include the file with *INCLUDE; choose N so that no id "
                              "collides with the model's own.");
    if (!deck.m_dYoungsModulus || !deck.m_dDensity)
        header.m_aLines.push_back(std::string("Still to set: ") + (deck.m_dDensity ? "" : "&RHO (--density rho) ") +
                                  (deck.m_dYoungsModulus ? "" : "&EMOD, &PR (--elastic E,nu) ") +
                                  "in the units of this file: define them with *PARAMETER or replace them; LS-DYNA "
                                  "stops on a parameter that is not defined.");
    header.m_strSources = "Sources: LS-DYNA Keyword User's Manual, Vol. I (*DEFINE_CURVE, *DEFINE_TABLE, "
                          "*DEFINE_TABLE_3D, *PARAMETER) and Vol. II (*MAT_024 and its LOG_INTERPOLATION option, "
                          "*MAT_015, *MAT_098, *MAT_224); Altair Radioss, LS-DYNA input reference, *MAT_024 "
                          "(LOG_INTERPOLATION: logarithmic strain rate interpolation between stress-strain curves).";

    std::string strText = "*KEYWORD\n" + CommentBlock(law, header);
    for (long long iTemp = 0; iTemp < nTemps; ++iTemp) {
        const double dTemp = grid.m_aTemps[static_cast<std::size_t>(iTemp)];
        const std::string strMid = id(law.m_nFirstId + iTemp);
        if (bJohnsonCook) {
            const std::vector<double>& A = law.m_aCoef;
            const double dQ = JohnsonCookTerms(A.data(), 1.0, A[5], dTemp).m_dTempFactor;
            strText += "*MAT_SIMPLIFIED_JOHNSON_COOK\n";
            strText += "$ temperature " + Significant(units.Temp(dTemp), 9) + " " + units.TempUnit() + "\n";
            strText += "$      MID        RO         E        PR        VP\n";
            AppendHeaderCard(strText, {strMid, RhoField(deck), ModulusField(deck), PoissonField(deck), "0"});
            strText += "$        A         B         N         C    PSFAIL    SIGMAX    SIGSAT      EPS0\n";
            AppendHeaderCard(strText, {ShortNumber(units.Stress(A[0] * dQ)), ShortNumber(units.Stress(A[1] * dQ)),
                                       ShortNumber(A[2]), ShortNumber(A[3]), "1.0E+17", "1.0E+28", "1.0E+28",
                                       ShortNumber(units.Rate(A[5]))});
        } else {
            strText += "*MAT_PIECEWISE_LINEAR_PLASTICITY_LOG_INTERPOLATION\n";
            strText += "$ temperature " + Significant(units.Temp(dTemp), 9) + " " + units.TempUnit() + "\n";
            strText += "$      MID        RO         E        PR      SIGY      ETAN      FAIL      TDEL\n";
            AppendHeaderCard(strText, {strMid, RhoField(deck), ModulusField(deck), PoissonField(deck), "0.0", "0.0",
                                       "1.0E+21", "0.0"});
            strText += "$        C         P      LCSS      LCSR        VP\n";
            AppendHeaderCard(strText, {"0.0", "0.0", id(law.m_nFirstId + iTemp * (nRates + 1) + 1), "0", "1.0"});
            strText += "$     EPS1      EPS2      EPS3      EPS4      EPS5      EPS6      EPS7      EPS8\n";
            AppendHeaderCard(strText, {"0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"});
            strText += "$      ES1       ES2       ES3       ES4       ES5       ES6       ES7       ES8\n";
            AppendHeaderCard(strText, {"0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"});
        }
    }
    for (long long iTemp = 0; iTemp < nTemps; ++iTemp) {
        const long long nTable = law.m_nFirstId + iTemp * (nRates + 1) + 1;
        strText += "*DEFINE_TABLE\n";
        strText += "$ temperature " + Significant(units.Temp(grid.m_aTemps[static_cast<std::size_t>(iTemp)]), 9) + " " +
                   units.TempUnit() + "\n";
        strText += "$     TBID       SFA      OFFA\n";
        AppendHeaderCard(strText, {id(nTable), "1.0", "0.0"});
        strText += "$         STRAIN RATE\n";
        for (double dRate : grid.m_aRates)
            AppendValueCard(strText, {Significant(units.Rate(dRate), kDigits)});
        for (long long iRate = 0; iRate < nRates; ++iRate) {
            strText += "*DEFINE_CURVE\n";
            strText += "$     LCID      SIDR       SFA       SFO      OFFA      OFFO    DATTYP\n";
            AppendHeaderCard(strText, {id(nTable + 1 + iRate), "0", "1.0", "1.0", "0.0", "0.0", "0"});
            strText += "$      PLASTIC STRAIN              STRESS\n";
            for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain)
                AppendValueCard(strText,
                                {Significant(grid.m_aStrains[iStrain], kDigits),
                                 Significant(units.Stress(law.At(static_cast<std::size_t>(iTemp),
                                                                 static_cast<std::size_t>(iRate), iStrain)
                                                              .m_dStress),
                                             kDigits)});
        }
    }
    strText += "*DEFINE_TABLE_3D\n";
    strText += "$     TBID       SFA      OFFA\n";
    AppendHeaderCard(strText, {id(law.m_nFirstId), "1.0", "0.0"});
    strText += "$         TEMPERATURE               TABLE\n";
    for (long long iTemp = 0; iTemp < nTemps; ++iTemp)
        AppendValueCard(strText, {Significant(units.Temp(grid.m_aTemps[static_cast<std::size_t>(iTemp)]), kDigits),
                                  id(law.m_nFirstId + iTemp * (nRates + 1) + 1)});
    strText += "*END\n";
    return strText;
}
