#include "vornel/export/FortranExport.h"

#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <charconv>

std::string FortranDouble(double dValue) {
    // std::to_chars rounds as printf does and ignores the process locale.
    char szText[64];
    const std::to_chars_result result =
        std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::scientific, 16);
    std::string strText(szText, result.ptr);
    if (const std::size_t nExponent = strText.find('e'); nExponent != std::string::npos)
        strText[nExponent] = 'D';
    return strText;
}

std::vector<std::string> FortranDataStatements(const double* pCoef, int nCoef) {
    std::vector<std::string> aStatements;
    for (int nFirst = 1; nFirst <= nCoef; nFirst += kFortranDataValues) {
        const int nLast = std::min(nCoef, nFirst + kFortranDataValues - 1);
        std::string strStatement = "data A(" + std::to_string(nFirst) + ":" + std::to_string(nLast) + ") / ";
        for (int n = nFirst; n <= nLast; ++n)
            strStatement += FortranDouble(pCoef[n - 1]) + (n < nLast ? ", " : " /");
        aStatements.push_back(std::move(strStatement));
    }
    return aStatements;
}

std::string FortranText(int nFunction, const double* pCoef) {
    const CModelInfo* pModel = FindModel(nFunction);
    std::string strText =
        "SUBROUTINE CalcKiv(H,Eps,t,Ks);\n"
        "implicit none;\n"
        "real*8 :: H,Eps,t,Ks;\n"
        "real*8 :: A(" + std::to_string(FortranCoefficientCount(pModel)) + ");\n";
    if (pModel) {
        if (pModel->m_bFortranData)
            for (const std::string& strData : FortranDataStatements(pCoef, pModel->m_nCoef))
                strText += strData + '\n';
        else
            for (int n = 1; n <= pModel->m_nCoef; ++n)
                strText += "A(" + std::to_string(n) + ")= " + FortranDouble(pCoef[n - 1]) + '\n';
        // The law sees Eps and H bounded as CMaterial::Evaluate bounds them (a NaN included);
        // the associated names are copies, so the caller's arguments stay unchanged.
        const std::string strMinStrain = FortranDouble(kEvaluateMinStrain);
        const std::string strMinRate = FortranDouble(kEvaluateMinRate);
        strText += "associate (Eps => merge(Eps, " + strMinStrain + ", Eps > " + strMinStrain + "), &\n";
        strText += "    H => merge(H, " + strMinRate + ", H > " + strMinRate + "))\n";
        // A law with local variables declares them in a block of its own.
        if (pModel->m_szFortranLocals)
            strText += std::string("block\nreal*8 :: ") + pModel->m_szFortranLocals + "\n";
        if (pModel->m_szFortranLocals && pModel->m_szFortranIntegers)
            strText += std::string("integer :: ") + pModel->m_szFortranIntegers + "\n";
        for (const char* szLine : pModel->m_aFortran) {
            if (!szLine)
                break;
            strText += szLine;
            strText += '\n';
        }
        if (pModel->m_szFortranLocals)
            strText += "end block\n";
        strText += "end associate\n";
    }
    strText += "END SUBROUTINE CalcKiv;\n";
    return strText;
}

void CMaterial::WriteFortran() const {
    WriteTextFile(WorkPath(kFortranFileName), FortranText(m_nFunction, m_dCoef.data()));
}
