#include "BatchPrint.h"

#include "vornel/analysis/ActivationEnergy.h"
#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/document/Material.h"
#include "vornel/fit/FitReport.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/run/HoldOut.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>

std::string FormatNumber(double dValue) {
    char szText[64];
    std::snprintf(szText, sizeof szText, "%.17g", dValue);
    return szText;
}

void PrintResult(const CMaterial& material, std::ostream& out) {
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    out << "Model: " << (pModel ? pModel->m_szLabel : "none") << '\n';
    for (int k = 0; k < material.m_nCoef; ++k)
        out << 'A' << k + 1 << " = " << FormatNumber(material.m_dCoef[static_cast<std::size_t>(k)]) << '\n';
    out << "ErrorSr= " << FormatNumber(material.m_dErrorSr) << '\n';
    out << "ErrorMax= " << FormatNumber(material.m_dErrorMax) << '\n';
}

void PrintReport(const CFitReport& report, std::ostream& out) {
    out << "RMS= " << FormatNumber(report.m_all.m_dRms) << '\n';
    out << "MARE= " << FormatNumber(report.m_all.m_dMare) << '\n';
    out << "MaxAbs= " << FormatNumber(report.m_all.m_dMaxAbs) << '\n';
    for (std::size_t k = 0; k < report.m_aCurves.size(); ++k) {
        const CCurveFit& curve = report.m_aCurves[k];
        out << "curve " << k + 1 << " t= " << FormatNumber(curve.m_dTemp) << " H= " << FormatNumber(curve.m_dRate)
            << " RMS= " << FormatNumber(curve.m_stats.m_dRms) << " MaxAbs= " << FormatNumber(curve.m_stats.m_dMaxAbs)
            << " at E= " << FormatNumber(curve.m_stats.m_dStrainAtMax) << '\n';
    }
}

void PrintConfidence(const std::optional<CRefinementResult>& refinement, std::ostream& out, std::ostream& err) {
    if (!refinement || !refinement->m_confidence)
        return;
    const CConfidenceIntervals& ci = *refinement->m_confidence;
    if (!ci.Ok()) {
        err << "vornel: " << ci.m_strMessage << '\n';
        return;
    }
    for (const CCoefficientInterval& coef : ci.m_aCoef)
        out << "CI A" << coef.m_nNumber << "= " << FormatNumber(coef.Low()) << ' ' << FormatNumber(coef.High()) << '\n';
    if (ci.m_aIllDetermined.empty())
        out << "IllDetermined= none\n";
    for (const CIllDeterminedPair& pair : ci.m_aIllDetermined)
        out << "IllDetermined= A" << pair.m_nFirst << " A" << pair.m_nSecond << '\n';
    if (!refinement->m_strNoIntervals.empty())
        out << "CI none for " << refinement->m_strNoIntervals << '\n';
}

void PrintHoldOut(const CHoldOutReport& report, std::ostream& out, std::ostream& err) {
    for (std::size_t k = 0; k < report.m_aCurves.size(); ++k)
        if (!report.m_aCurves[k].Ok())
            err << "vornel: without curve " << k + 1 << ": " << report.m_aCurves[k].m_strMessage << '\n';
    const double dNone = std::numeric_limits<double>::quiet_NaN();
    out << "HeldOutRMS mean= " << FormatNumber(report.m_nFitted > 0 ? report.m_dMeanRms : dNone)
        << " max= " << FormatNumber(report.m_nFitted > 0 ? report.m_dMaxRms : dNone) << '\n';
}

void PrintHotWorking(const CMaterial& material, std::ostream& out, std::ostream& err) {
    for (const CCurveCharacteristics& c : CurveCharacteristics(material)) {
        const int k = c.m_nCurve + 1;
        if (c.m_bPeak)
            out << "peak curve " << k << ": stress= " << FormatNumber(c.m_dPeakStress)
                << " strain= " << FormatNumber(c.m_dPeakStrain) << '\n';
        else
            out << "peak curve " << k << ": no peak\n";
        if (c.m_bSteady)
            out << "steady curve " << k << ": stress= " << FormatNumber(c.m_dSteadyStress) << '\n';
        else
            out << "steady curve " << k << ": none\n";
    }
    const CActivationEnergy q = AnalyseActivationEnergy(material);
    for (const std::string& strNote : q.m_aNotes)
        err << "vornel: activation energy: " << strNote << '\n';
    if (!q.Ok())
        err << "vornel: activation energy: " << q.m_strMessage << '\n';
    const auto print = [&](const char* szPrefix, const CActivationConstants& c) {
        out << szPrefix << "Q= " << FormatNumber(c.m_dQ) << " kJ/mol n= " << FormatNumber(c.m_dN)
            << " alpha= " << FormatNumber(c.m_dAlpha) << " lnA= " << FormatNumber(c.m_dLnA) << '\n';
    };
    print("beta/n1: ", q.Ok() ? q.m_standard : CActivationConstants{});
    print("", q.Ok() ? q.m_searched : CActivationConstants{});
    if (std::isfinite(q.m_dModelQ))
        out << "Q19= " << FormatNumber(q.m_dModelQ) << " kJ/mol at E= " << FormatNumber(q.m_dModelStrain) << '\n';
}

void PrintLines(const std::vector<CRunLine>& aLines, const std::string& strWhere, std::ostream& err) {
    for (const CRunLine& line : aLines)
        err << "vornel: " << strWhere << line.m_strText << '\n';
}

void PrintPreparation(const CMaterial& material, std::ostream& out) {
    for (int i = 0; i < material.m_nCurves; ++i)
        if (!material.Curve(i).m_strPrep.empty())
            out << "prep curve " << i + 1 << ": " << material.Curve(i).m_strPrep << '\n';
}
