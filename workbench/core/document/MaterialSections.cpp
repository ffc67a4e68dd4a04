#include "vornel/document/Material.h"

#include "formats/ExchangeFile.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

// The sections a material file carries after the layout's fields (CExchangeSection): what the
// material holds beyond them, as text a person can read in the file.
//
// "confidence": the confidence intervals of the fitted coefficients, one item a line,
// numbers with 17 significant digits:
//   status <EConfidence as a number>
//   points <N>
//   sigma <s>
//   quantile <t>
//   message <the sentence, to the end of the line>
//   coef <k> <value> <half-width>          per coefficient
//   ill <i> <j> <correlation>              per ill-determined pair

namespace {

constexpr const char* kConfidenceSection = "confidence";

std::string Number(double dValue) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.17g", dValue);
    return sz;
}

std::string ConfidenceText(const CConfidenceIntervals& ci) {
    std::string strText = "status " + std::to_string(static_cast<int>(ci.m_eStatus)) + "\npoints " +
                          std::to_string(ci.m_nPoints) + "\nsigma " + Number(ci.m_dSigma) + "\nquantile " +
                          Number(ci.m_dQuantile) + "\nmessage " + ci.m_strMessage + "\n";
    for (const CCoefficientInterval& coef : ci.m_aCoef)
        strText += "coef " + std::to_string(coef.m_nNumber) + " " + Number(coef.m_dValue) + " " +
                   Number(coef.m_dHalfWidth) + "\n";
    for (const CIllDeterminedPair& pair : ci.m_aIllDetermined)
        strText += "ill " + std::to_string(pair.m_nFirst) + " " + std::to_string(pair.m_nSecond) + " " +
                   Number(pair.m_dCorrelation) + "\n";
    return strText;
}

CConfidenceIntervals ParseConfidence(const std::string& strText) {
    CConfidenceIntervals ci;
    std::istringstream lines(strText);
    std::string strLine;
    for (int nLine = 1; std::getline(lines, strLine); ++nLine) {
        std::istringstream in(strLine);
        std::string strKey;
        in >> strKey;
        bool bOk = true;
        if (strKey == "status") {
            int nStatus = -1;
            bOk = static_cast<bool>(in >> nStatus) && nStatus >= 0 && nStatus <= static_cast<int>(EConfidence::Singular);
            ci.m_eStatus = static_cast<EConfidence>(nStatus);
        } else if (strKey == "points") {
            bOk = static_cast<bool>(in >> ci.m_nPoints);
        } else if (strKey == "sigma") {
            bOk = static_cast<bool>(in >> ci.m_dSigma);
        } else if (strKey == "quantile") {
            bOk = static_cast<bool>(in >> ci.m_dQuantile);
        } else if (strKey == "message") {
            ci.m_strMessage = strLine.size() > 8 ? strLine.substr(8) : std::string();
        } else if (strKey == "coef") {
            CCoefficientInterval& coef = ci.m_aCoef.emplace_back();
            bOk = static_cast<bool>(in >> coef.m_nNumber >> coef.m_dValue >> coef.m_dHalfWidth);
        } else if (strKey == "ill") {
            CIllDeterminedPair& pair = ci.m_aIllDetermined.emplace_back();
            bOk = static_cast<bool>(in >> pair.m_nFirst >> pair.m_nSecond >> pair.m_dCorrelation);
        } else {
            bOk = false;
        }
        if (!bOk)
            throw std::invalid_argument(std::string("section ") + kConfidenceSection + ", line " +
                                        std::to_string(nLine) + ": \"" + strLine.substr(0, 60) + "\" cannot be read");
    }
    return ci;
}

} // namespace

std::vector<CExchangeSection> MaterialSections(const CMaterial& material) {
    std::vector<CExchangeSection> aSections;
    if (material.m_confidence)
        aSections.push_back({kConfidenceSection, ConfidenceText(*material.m_confidence)});
    return aSections;
}

CMaterialSections ParseMaterialSections(const std::vector<CExchangeSection>& aSections) {
    CMaterialSections content;
    for (const CExchangeSection& section : aSections)
        if (section.m_strName == kConfidenceSection)
            content.m_confidence = ParseConfidence(section.m_strText);
    return content;
}
