#include "vornel/FortranExport.h"

#include "vornel/Material.h"
#include "vornel/ModelCatalogue.h"
#include "formats/TextFile.h"

std::string FortranText(int nFunction, const double* pCoef) {
    std::string strText =
        "SUBROUTINE CalcKiv(H,Eps,t,Ks);\n"
        "implicit none;\n"
        "real*8 :: H,Eps,t,Ks;\n"
        "real*8 :: A(10);\n";
    if (const CModelInfo* pModel = FindModel(nFunction)) {
        for (int n = 1; n <= pModel->m_nCoef; ++n) {
            strText += "A(" + std::to_string(n) + ")= ";
            AppendFixed6(strText, pCoef[n - 1]);
            strText += '\n';
        }
        for (const char* szLine : pModel->m_aFortran) {
            if (!szLine)
                break;
            strText += szLine;
            strText += '\n';
        }
    }
    strText += "END SUBROUTINE CalcKiv;\n";
    return strText;
}

void CMaterial::WriteFortran() const {
    WriteTextFile(WorkPath(kFortranFileName), FortranText(m_nFunction, m_dCoef.data()));
}
