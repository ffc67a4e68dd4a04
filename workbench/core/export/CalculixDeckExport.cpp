// CalculiX material deck: the *MATERIAL block of the Abaqus deck (*ELASTIC, *DENSITY) with
// one *PLASTIC block, the law at the one strain rate of the deck options, since CalculiX
// takes a single hardening table per material and knows no strain rate. Every model, the
// Johnson-Cook law included, is written as the table: CalculiX 2.20 has no Johnson-Cook
// plasticity.

#include "ExportText.h"

#include "vornel/model/JohnsonCookLaw.h"

std::string CalculixDeckText(const CLawExport& law) {
    if (!law.m_deck.m_dRate)
        throw CExportError("the CalculiX deck holds the law at one strain rate: give it (--export-rate R, or the "
                           "export dialog's field)");
    const double dRate = *law.m_deck.m_dRate;
    CExportGrid base = law.m_baseGrid;
    base.m_aRates = {dRate};
    const CLawExport atRate = LawOnGrid(law, base, ERateAxis::AsGiven);
    CFileHeader header;
    header.m_strWhat = "CalculiX *MATERIAL deck, the law at the strain rate " + Significant(dRate, 6) + " 1/s";
    header.m_strPrefix = "** ";
    header.m_strOutside = "Outside the grid CalculiX holds the end values: beyond the last plastic strain the yield "
                          "stress stays at its last value, beyond the grid's temperatures the nearest curve is taken. "
                          "CalculiX knows no strain rate: the deck holds the law at " +
                          Significant(dRate, 6) + " 1/s whatever the model's rate.";
    header.m_aLines = {"Include it in the model, outside any *MATERIAL: *INCLUDE, INPUT=<this file>; the sections "
                       "refer to MATERIAL=" + DeckName(law.m_strMaterial) + "."};
    if (!law.m_deck.m_dYoungsModulus || !law.m_deck.m_dDensity)
        header.m_aLines.push_back(std::string("Still to set: ") +
                                  (law.m_deck.m_dYoungsModulus ? "" : "<YOUNGS_MODULUS>, <POISSON_RATIO> (--elastic E,nu) ") +
                                  (law.m_deck.m_dDensity ? "" : "<DENSITY> (--density rho) ") +
                                  "in the units of this file; CalculiX stops on them until they are numbers.");
    if (law.m_pModel->m_nNumber == kJohnsonCookModel)
        header.m_aLines.push_back("CalculiX 2.20 has no Johnson-Cook plasticity (it reads *PLASTIC, HARDENING=JOHNSON "
                                  "COOK as a table of one point), so the law is written as the table.");
    header.m_strSources = "Sources: CalculiX CrunchiX User's Manual (version 2.20), *MATERIAL, *ELASTIC, *DENSITY, "
                          "*PLASTIC.";
    return CommentBlock(atRate, header) + MaterialHeadCards(atRate) + "*PLASTIC\n" + PlasticDataLines(atRate, 0);
}
