// Abaqus material deck: a *MATERIAL block with *ELASTIC and *DENSITY (the user's values or
// placeholders), the plasticity and, when given, *INELASTIC HEAT FRACTION. The plasticity is
// one *PLASTIC block per strain rate of the grid, ascending, its data lines "yield stress,
// plastic strain, temperature", temperatures ascending and within each temperature the
// plastic strains ascending from 0, numbers with 9 significant digits; for the Johnson-Cook
// law (model 20) Abaqus's own: *PLASTIC, HARDENING=JOHNSON COOK with A, B, n, m, tm, tr and
// *RATE DEPENDENT, TYPE=JOHNSON COOK with C and H0. Everything in the deck's units.

#include "ExportText.h"

#include "vornel/model/JohnsonCookLaw.h"

namespace {

constexpr int kDigits = 9;

// "Set <YOUNGS_MODULUS>, ... before the run" for the placeholders the deck holds, or empty.
std::string PlaceholderLine(const CDeckOptions& deck) {
    std::string strNames;
    if (!deck.m_dYoungsModulus)
        strNames = "<YOUNGS_MODULUS>, <POISSON_RATIO> (--elastic E,nu)";
    if (!deck.m_dDensity)
        strNames += (strNames.empty() ? "" : " and ") + std::string("<DENSITY> (--density rho)");
    if (strNames.empty())
        return {};
    return "Still to set: " + strNames + ", in the units of this file; the solver stops on them until they are "
           "replaced by numbers (Abaqus also takes them from *PARAMETER definitions of those names).";
}

} // namespace

std::string AbaqusDeckText(const CLawExport& law) {
    const CExportUnits& units = law.m_deck.m_units;
    const bool bJohnsonCook = law.m_pModel->m_nNumber == kJohnsonCookModel;
    CFileHeader header;
    header.m_strWhat = bJohnsonCook ? "Abaqus *MATERIAL deck with Abaqus's Johnson-Cook plasticity"
                                    : "Abaqus *MATERIAL deck with *PLASTIC tables, one per strain rate";
    header.m_strPrefix = "** ";
    header.m_bComputed = bJohnsonCook;
    header.m_bTables = !bJohnsonCook;
    header.m_strOutside =
        bJohnsonCook
            ? "Abaqus computes the Johnson-Cook law itself at any plastic strain, strain rate and temperature, as the "
              "law here does (no rate effect below H0, no softening below tr, no strength above tm), except below a "
              "plastic strain of 0.001, which the law here takes as 0.001 and Abaqus as it is (A + B ep^n)."
            : "Outside the grid Abaqus holds the end values: beyond the last plastic strain the yield stress stays "
              "at its last value, beyond the grid's temperatures and strain rates the nearest are taken. Between "
              "the strain rates Abaqus interpolates; rates are added to the grid so that the tables hold whether it "
              "interpolates linearly in the rate or in its logarithm.";
    header.m_aLines = {"Include it in the model, outside any *MATERIAL: *INCLUDE, INPUT=<this file>; the sections "
                       "refer to MATERIAL=" + DeckName(law.m_strMaterial) + "."};
    if (const std::string strPlaceholders = PlaceholderLine(law.m_deck); !strPlaceholders.empty())
        header.m_aLines.push_back(strPlaceholders);
    if (bJohnsonCook)
        header.m_aLines.push_back("Not for CalculiX: CalculiX 2.20 reads *PLASTIC, HARDENING=JOHNSON COOK without "
                                  "complaint as a table of one point; give it the calculix deck.");
    header.m_strSources = "Sources: Abaqus Analysis User's Guide, Classical metal plasticity, Rate-dependent yield, "
                          "Johnson-Cook plasticity; Abaqus Keywords Reference Guide, *MATERIAL, *ELASTIC, *DENSITY, "
                          "*PLASTIC, *RATE DEPENDENT, *INELASTIC HEAT FRACTION.";
    std::string strText = CommentBlock(law, header) + MaterialHeadCards(law);
    if (bJohnsonCook) {
        const std::vector<double>& A = law.m_aCoef;
        strText += "*PLASTIC, HARDENING=JOHNSON COOK\n";
        strText += Significant(units.Stress(A[0]), kDigits) + ", " + Significant(units.Stress(A[1]), kDigits) + ", " +
                   Significant(A[2], kDigits) + ", " + Significant(A[4], kDigits) + ", " +
                   Significant(units.Temp(A[7]), kDigits) + ", " + Significant(units.Temp(A[6]), kDigits) + '\n';
        strText += "*RATE DEPENDENT, TYPE=JOHNSON COOK\n";
        strText += Significant(A[3], kDigits) + ", " + Significant(units.Rate(A[5]), kDigits) + '\n';
    } else {
        for (std::size_t iRate = 0; iRate < law.m_grid.m_aRates.size(); ++iRate)
            strText += "*PLASTIC, RATE=" + Significant(units.Rate(law.m_grid.m_aRates[iRate]), kDigits) + '\n' +
                       PlasticDataLines(law, iRate);
    }
    if (law.m_deck.m_dHeatFraction)
        strText += "*INELASTIC HEAT FRACTION\n" + Significant(*law.m_deck.m_dHeatFraction, kDigits) + '\n';
    return strText;
}
