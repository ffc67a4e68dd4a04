// Abaqus/Standard user subroutine UHARD: the yield stress SYIELD and its derivatives
// HARD(1..3) with respect to the equivalent plastic strain, its rate and the temperature.

#include "ExportText.h"

std::string UhardText(const CLawExport& law) {
    CFileHeader header;
    header.m_strWhat = "Abaqus/Standard user subroutine UHARD (fixed-form Fortran)";
    header.m_strPrefix = "C ";
    header.m_bComputed = true;
    header.m_bTables = false;
    header.m_bCoefficientLines = false;
    header.m_aLines = {"The strain is the equivalent plastic strain EQPLAS, the strain rate EQPLASRT and the "
                       "temperature TEMP; SYIELD is the law, HARD(1), HARD(2), HARD(3) its derivatives with respect "
                       "to them. The material needs *PLASTIC, HARDENING=USER; run the job with user=<this file>.",
                       kSubroutineUnits};
    header.m_strSources = "Sources: Abaqus User Subroutines Reference Guide, UHARD.";
    std::string strText = CommentBlock(law, header);
    AppendFixedForm(strText, "SUBROUTINE UHARD(SYIELD,HARD,EQPLAS,EQPLASRT,TIME,DTIME,TEMP,DTEMP,NOEL,NPT,LAYER,"
                             "KSPT,KSTEP,KINC,CMNAME,NSTATV,STATEV,NUMFIELDV,PREDEF,DPRED,NUMPROPS,PROPS)");
    AppendFixedForm(strText, "INCLUDE 'ABA_PARAM.INC'");
    AppendFixedForm(strText, "CHARACTER*80 CMNAME");
    AppendFixedForm(strText, "DIMENSION HARD(3),STATEV(NSTATV),TIME(*),PREDEF(NUMFIELDV),DPRED(*),PROPS(*)");
    AppendFortranLawSetup(strText, law);
    AppendFortranLawPoint(strText, law, "EQPLAS", "EQPLASRT", "TEMP", 0);
    AppendFixedForm(strText, "SYIELD = SFAC*KS");
    AppendFixedForm(strText, "HARD(1) = SFAC*DKDE");
    AppendFixedForm(strText, "HARD(2) = SFAC*RFAC*DKDH");
    AppendFixedForm(strText, "HARD(3) = SFAC*DKDT");
    AppendFixedForm(strText, "RETURN");
    AppendFixedForm(strText, "END");
    return strText;
}
