// The law on the grid as comma-separated values: "#" comment lines, the header line, then
// one row per node (temperature outermost, then strain rate, then strain), numbers with 17
// significant digits, which read back as the doubles Vornel computed.

#include "ExportText.h"

namespace {
constexpr int kDigits = 17;
}

std::string CsvText(const CLawExport& law) {
    const CExportGrid& grid = law.m_grid;
    std::string strText = CommentBlock(law, false, "table of the law (comma-separated values)", "", "# ");
    strText += "temperature_C,strain_rate_1/s,strain,stress\n";
    for (std::size_t iTemp = 0; iTemp < grid.m_aTemps.size(); ++iTemp) {
        const std::string strTemp = Significant(grid.m_aTemps[iTemp], kDigits) + ',';
        for (std::size_t iRate = 0; iRate < grid.m_aRates.size(); ++iRate) {
            const std::string strRate = Significant(grid.m_aRates[iRate], kDigits) + ',';
            for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain) {
                strText += strTemp;
                strText += strRate;
                strText += Significant(grid.m_aStrains[iStrain], kDigits);
                strText += ',';
                strText += Significant(law.At(iTemp, iRate, iStrain).m_dStress, kDigits);
                strText += '\n';
            }
        }
    }
    return strText;
}
