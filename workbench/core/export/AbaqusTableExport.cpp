// Abaqus tabular plasticity: one *PLASTIC block per strain rate of the grid, ascending, its
// data lines "yield stress, plastic strain, temperature", temperatures ascending and within
// each temperature the plastic strains ascending from 0. Numbers with 9 significant digits.

#include "ExportText.h"

namespace {
constexpr int kDigits = 9;
}

std::string AbaqusTableText(const CLawExport& law) {
    const CExportGrid& grid = law.m_grid;
    std::string strText =
        CommentBlock(law, false, "Abaqus *PLASTIC tables, one per strain rate",
                     "Data lines: yield stress, plastic strain, temperature. Include the file under the "
                     "*MATERIAL, after its *ELASTIC (*INCLUDE, INPUT=<this file>).",
                     "** ");
    for (std::size_t iRate = 0; iRate < grid.m_aRates.size(); ++iRate) {
        strText += "*PLASTIC, RATE=" + Significant(grid.m_aRates[iRate], kDigits) + '\n';
        for (std::size_t iTemp = 0; iTemp < grid.m_aTemps.size(); ++iTemp) {
            const std::string strTemp = Significant(grid.m_aTemps[iTemp], kDigits);
            for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain) {
                strText += Significant(law.At(iTemp, iRate, iStrain).m_dStress, kDigits);
                strText += ", ";
                strText += Significant(grid.m_aStrains[iStrain], kDigits);
                strText += ", ";
                strText += strTemp;
                strText += '\n';
            }
        }
    }
    return strText;
}
