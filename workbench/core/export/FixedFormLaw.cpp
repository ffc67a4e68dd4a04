// The law and its derivatives as fixed-form Fortran, shared by the UHARD and VUHARD exports.

#include "ExportText.h"

#include "vornel/export/FortranExport.h"

#include <cctype>

namespace {

// Statement text per line: columns 7 to 72.
constexpr std::size_t kStatementColumns = 66;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Where to end the first line of text, which has nRoom columns: after a comma or a blank,
// or before a "+" or "-" that is not the sign of an exponent (1.5D-03), the last such place
// within the room; the room itself when there is none.
std::size_t BreakPoint(std::string_view text, std::size_t nRoom) {
    for (std::size_t n = nRoom; n > nRoom / 2; --n) {
        const char cBefore = text[n - 1];
        const char cAfter = text[n];
        if (cBefore == ',' || cBefore == ' ')
            return n;
        const bool bExponentSign = n >= 2 && (cBefore == 'D' || cBefore == 'E') && IsDigit(text[n - 2]);
        if ((cAfter == '+' || cAfter == '-') && !bExponentSign)
            return n;
    }
    return nRoom;
}

std::string Upper(std::string_view text) {
    std::string strText(text);
    for (char& c : strText)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return strText;
}

} // namespace

void AppendFixedForm(std::string& strOut, std::string_view strStatement, int nIndent) {
    const std::size_t nIndentFirst = static_cast<std::size_t>(nIndent);
    const std::size_t nIndentNext = nIndentFirst + 2;
    bool bFirst = true;
    do {
        const std::size_t nRoom = kStatementColumns - (bFirst ? nIndentFirst : nIndentNext);
        const std::size_t nTake = strStatement.size() <= nRoom ? strStatement.size() : BreakPoint(strStatement, nRoom);
        strOut += bFirst ? "      " : "     &";
        strOut.append(bFirst ? nIndentFirst : nIndentNext, ' ');
        strOut.append(strStatement.substr(0, nTake));
        while (strOut.back() == ' ')
            strOut.pop_back();
        strOut += '\n';
        strStatement.remove_prefix(nTake);
        while (!strStatement.empty() && strStatement.front() == ' ')
            strStatement.remove_prefix(1);
        bFirst = false;
    } while (!strStatement.empty());
}

void AppendFortranLawSetup(std::string& strOut, const CLawExport& law) {
    const std::size_t nCoef = law.m_aCoef.size();
    const CModelInfo& model = *law.m_pModel;
    const char* szLocals = model.m_szFortranLocals;
    const char* szSlopeLocals = model.m_szFortranSlopeLocals;
    const CExportUnits& units = law.m_deck.m_units;
    AppendFixedForm(strOut, "DOUBLE PRECISION A(" + std::to_string(nCoef) +
                                "), EPSMIN, HMIN, SFAC, RFAC, TOFF, EPS, H, T, KS, DKDE, DKDH, DKDT" +
                                (szLocals ? ", " + Upper(szLocals) : std::string()) +
                                (szSlopeLocals ? ", " + Upper(szSlopeLocals) : std::string()));
    if (model.m_szFortranIntegers)
        AppendFixedForm(strOut, "INTEGER " + Upper(model.m_szFortranIntegers));
    AppendFixedForm(strOut, "PARAMETER (EPSMIN = " + FortranDouble(kEvaluateMinStrain) +
                                ", HMIN = " + FortranDouble(kEvaluateMinRate) + ")");
    AppendFixedForm(strOut, "PARAMETER (SFAC = " + FortranDouble(units.Stress(1.0)) + ", RFAC = " +
                                FortranDouble(1.0 / units.Rate(1.0)) + ", TOFF = " +
                                FortranDouble(units.m_bKelvin ? -kCelsiusOffset : 0.0) + ")");
    if (model.m_bFortranData) {
        for (const std::string& strData : FortranDataStatements(law.m_aCoef.data(), static_cast<int>(nCoef)))
            AppendFixedForm(strOut, Upper(strData));
        return;
    }
    for (std::size_t k = 0; k < nCoef; ++k)
        AppendFixedForm(strOut, "A(" + std::to_string(k + 1) + ") = " + FortranDouble(law.m_aCoef[k]));
}

void AppendFortranLawPoint(std::string& strOut, const CLawExport& law, std::string_view strStrain,
                           std::string_view strRate, std::string_view strTemp, int nIndent) {
    const std::string strE(strStrain), strH(strRate), strT(strTemp);
    const auto statement = [&](const std::string& strText) { AppendFixedForm(strOut, strText, nIndent); };
    // !(x > bound) also holds for NaN, as in CMaterial::Evaluate; the bounded argument then
    // equals its bound, and only then.
    statement("EPS = " + strE);
    statement("IF (.NOT. (EPS .GT. EPSMIN)) EPS = EPSMIN");
    statement("H = " + strH + "*RFAC");
    statement("IF (.NOT. (H .GT. HMIN)) H = HMIN");
    statement("T = " + strT + " + TOFF");
    for (const std::string& strStep : FortranLawSteps(*law.m_pModel))
        statement(Upper(strStep));
    statement("KS = " + Upper(FortranLawExpression(*law.m_pModel)));
    for (const std::string& strStep : FortranSlopeSteps(*law.m_pModel))
        statement(Upper(strStep));
    const char* const aszNames[] = {"DKDE", "DKDH", "DKDT"};
    for (std::size_t k = 0; k < 3; ++k)
        statement(std::string(aszNames[k]) + " = " + law.m_pModel->m_aFortranSlopes[k]);
    statement("IF (EPS .EQ. EPSMIN) DKDE = 0D0");
    statement("IF (H .EQ. HMIN) DKDH = 0D0");
}
