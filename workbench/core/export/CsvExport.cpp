// The law on the grid as comma-separated values: "#" comment lines, the header line naming
// the units, then one row per node (temperature outermost, then strain rate, then strain),
// in the deck's units, numbers with 17 significant digits, which read back as the doubles
// Vornel computed (exactly so in the default units, where nothing is converted).

#include "ExportText.h"

namespace {
constexpr int kDigits = 17;
}

std::string CsvText(const CLawExport& law) {
    const CExportGrid& grid = law.m_grid;
    const CExportUnits& units = law.m_deck.m_units;
    CFileHeader header;
    header.m_strWhat = "table of the law (comma-separated values)";
    header.m_strPrefix = "# ";
    header.m_strOutside = "Outside the grid the table says nothing of the law.";
    std::string strText = CommentBlock(law, header);
    strText += std::string("temperature_") + (units.m_bKelvin ? "K" : "C") + ",strain_rate_" + units.RateUnit() +
               ",strain,stress_" + units.m_pSystem->m_szStress + "\n";
    for (std::size_t iTemp = 0; iTemp < grid.m_aTemps.size(); ++iTemp) {
        const std::string strTemp = Significant(units.Temp(grid.m_aTemps[iTemp]), kDigits) + ',';
        for (std::size_t iRate = 0; iRate < grid.m_aRates.size(); ++iRate) {
            const std::string strRate = Significant(units.Rate(grid.m_aRates[iRate]), kDigits) + ',';
            for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain) {
                strText += strTemp;
                strText += strRate;
                strText += Significant(grid.m_aStrains[iStrain], kDigits);
                strText += ',';
                strText += Significant(units.Stress(law.At(iTemp, iRate, iStrain).m_dStress), kDigits);
                strText += '\n';
            }
        }
    }
    return strText;
}
