// Abaqus/Explicit user subroutine VUHARD: for each of the NBLOCK material points the yield
// stress and its derivatives with respect to the equivalent plastic strain and its rate
// (DYIELDDEQPS(K,1), (K,2)) and the temperature (DYIELDDTEMP(K)); the state is carried over.

#include "ExportText.h"

std::string VuhardText(const CLawExport& law) {
    CFileHeader header;
    header.m_strWhat = "Abaqus/Explicit user subroutine VUHARD (fixed-form Fortran)";
    header.m_strPrefix = "C ";
    header.m_bComputed = true;
    header.m_bTables = false;
    header.m_bCoefficientLines = false;
    header.m_aLines = {"The strain is the equivalent plastic strain EQPS(K), the strain rate EQPSRATE(K) and the "
                       "temperature TEMPNEW(K); YIELD(K) is the law, DYIELDDEQPS(K,1), DYIELDDEQPS(K,2) and "
                       "DYIELDDTEMP(K) its derivatives with respect to them; STATENEW is STATEOLD. The material needs "
                       "*PLASTIC, HARDENING=USER; run the job with user=<this file>.",
                       kSubroutineUnits};
    header.m_strSources = "Sources: Abaqus User Subroutines Reference Guide, VUHARD.";
    std::string strText = CommentBlock(law, header);
    AppendFixedForm(strText, "SUBROUTINE VUHARD(NBLOCK,JELEM,KINTPT,KLAYER,KSECPT,LANNEAL,STEPTIME,TOTALTIME,DT,"
                             "CMNAME,NSTATEV,NFIELDV,NPROPS,PROPS,TEMPOLD,TEMPNEW,FIELDOLD,FIELDNEW,STATEOLD,EQPS,"
                             "EQPSRATE,YIELD,DYIELDDTEMP,DYIELDDEQPS,STATENEW)");
    AppendFixedForm(strText, "INCLUDE 'VABA_PARAM.INC'");
    AppendFixedForm(strText, "CHARACTER*80 CMNAME");
    AppendFixedForm(strText, "DIMENSION PROPS(NPROPS),TEMPOLD(NBLOCK),TEMPNEW(NBLOCK),FIELDOLD(NBLOCK,NFIELDV),"
                             "FIELDNEW(NBLOCK,NFIELDV),STATEOLD(NBLOCK,NSTATEV),EQPS(NBLOCK),EQPSRATE(NBLOCK),"
                             "YIELD(NBLOCK),DYIELDDTEMP(NBLOCK),DYIELDDEQPS(NBLOCK,2),STATENEW(NBLOCK,NSTATEV),"
                             "JELEM(NBLOCK)");
    AppendFixedForm(strText, "INTEGER K, J");
    AppendFortranLawSetup(strText, law);
    AppendFixedForm(strText, "DO K = 1, NBLOCK");
    AppendFortranLawPoint(strText, law, "EQPS(K)", "EQPSRATE(K)", "TEMPNEW(K)", 2);
    AppendFixedForm(strText, "YIELD(K) = SFAC*KS", 2);
    AppendFixedForm(strText, "DYIELDDEQPS(K,1) = SFAC*DKDE", 2);
    AppendFixedForm(strText, "DYIELDDEQPS(K,2) = SFAC*RFAC*DKDH", 2);
    AppendFixedForm(strText, "DYIELDDTEMP(K) = SFAC*DKDT", 2);
    AppendFixedForm(strText, "DO J = 1, NSTATEV", 2);
    AppendFixedForm(strText, "STATENEW(K,J) = STATEOLD(K,J)", 4);
    AppendFixedForm(strText, "END DO", 2);
    AppendFixedForm(strText, "END DO");
    AppendFixedForm(strText, "RETURN");
    AppendFixedForm(strText, "END");
    return strText;
}
