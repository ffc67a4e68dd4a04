// LS-DYNA keyword input of the law as a table of temperature, strain rate and plastic
// strain: per temperature a *DEFINE_TABLE of the strain rates, each followed by its
// *DEFINE_CURVE of (plastic strain, stress) pairs, and one *DEFINE_TABLE_3D of the
// temperatures that points at those tables. Fixed-width fields, numbers right-aligned: 10
// characters on the header cards, 20 on the value cards.
//
// Ids, from the first id N: the *DEFINE_TABLE_3D is N; the table of the i-th temperature
// (from 0) is N + i (R + 1) + 1 and its curves follow it, R being the count of strain rates.

#include "ExportText.h"

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

// A header card: the fields, 10 characters each.
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

} // namespace

std::string LsDynaText(const CLawExport& law) {
    const CExportGrid& grid = law.m_grid;
    const long long nRates = static_cast<long long>(grid.m_aRates.size());
    const long long nTemps = static_cast<long long>(grid.m_aTemps.size());
    const long long nLastId = law.m_nFirstId + nTemps * (nRates + 1);
    if (nLastId > std::numeric_limits<int>::max())
        throw CExportError("the LS-DYNA ids " + std::to_string(law.m_nFirstId) + " to " + std::to_string(nLastId) +
                           " pass " + std::to_string(std::numeric_limits<int>::max()) + "; choose a smaller first id");
    const auto id = [](long long nId) { return std::to_string(nId); };

    std::string strText = "*KEYWORD\n";
    strText += CommentBlock(law, false, "LS-DYNA tables of the yield stress",
                            "*DEFINE_TABLE_3D " + id(law.m_nFirstId) +
                                ": temperature -> *DEFINE_TABLE of strain rates -> *DEFINE_CURVE of plastic "
                                "strain and stress.",
                            "$ ");
    for (long long iTemp = 0; iTemp < nTemps; ++iTemp) {
        const long long nTable = law.m_nFirstId + iTemp * (nRates + 1) + 1;
        strText += "*DEFINE_TABLE\n";
        strText += "$ temperature " + Significant(grid.m_aTemps[static_cast<std::size_t>(iTemp)], 9) + " deg C\n";
        strText += "$     TBID       SFA      OFFA\n";
        AppendHeaderCard(strText, {id(nTable), "1.0", "0.0"});
        strText += "$         STRAIN RATE\n";
        for (double dRate : grid.m_aRates)
            AppendValueCard(strText, {Significant(dRate, kDigits)});
        for (long long iRate = 0; iRate < nRates; ++iRate) {
            strText += "*DEFINE_CURVE\n";
            strText += "$     LCID      SIDR       SFA       SFO      OFFA      OFFO    DATTYP\n";
            AppendHeaderCard(strText, {id(nTable + 1 + iRate), "0", "1.0", "1.0", "0.0", "0.0", "0"});
            strText += "$      PLASTIC STRAIN              STRESS\n";
            for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain)
                AppendValueCard(strText,
                                {Significant(grid.m_aStrains[iStrain], kDigits),
                                 Significant(law.At(static_cast<std::size_t>(iTemp), static_cast<std::size_t>(iRate),
                                                    iStrain)
                                                 .m_dStress,
                                             kDigits)});
        }
    }
    strText += "*DEFINE_TABLE_3D\n";
    strText += "$     TBID       SFA      OFFA\n";
    AppendHeaderCard(strText, {id(law.m_nFirstId), "1.0", "0.0"});
    strText += "$         TEMPERATURE               TABLE\n";
    for (long long iTemp = 0; iTemp < nTemps; ++iTemp)
        AppendValueCard(strText, {Significant(grid.m_aTemps[static_cast<std::size_t>(iTemp)], kDigits),
                                  id(law.m_nFirstId + iTemp * (nRates + 1) + 1)});
    strText += "*END\n";
    return strText;
}
