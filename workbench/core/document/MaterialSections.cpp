#include "vornel/document/Material.h"

#include "formats/ExchangeFile.h"

#include <algorithm>
#include <charconv>
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
//
// "preparation": the preparation record of every curve that has one (CCurve::m_strPrep), a
// line "<curve number> <record>" each (a record's line breaks become blanks).
//
// "law": a law of more coefficients than the layout's table holds (kMaxFileCoef; model 21),
// whole, numbers with 17 significant digits:
//   model <number>
//   errors <ErrorSr> <ErrorMax>
//   coef <k> <A_k>                         for k = 1..K in order
//
// "left out": the curves left out of the fit (CCurve::m_bLeftOut), their numbers on one
// line; no section when every curve is fitted on.

namespace {

constexpr const char* kConfidenceSection = "confidence";
constexpr const char* kPrepSection = "preparation";
constexpr const char* kLawSection = "law";
constexpr const char* kLeftOutSection = "left out";

std::vector<int> ParseLeftOut(const std::string& strText) {
    std::vector<int> aCurves;
    std::istringstream in(strText);
    std::string strWord;
    while (in >> strWord) {
        int nCurve = 0;
        const auto [pEnd, ec] = std::from_chars(strWord.data(), strWord.data() + strWord.size(), nCurve);
        if (ec != std::errc() || pEnd != strWord.data() + strWord.size() || nCurve < 1 || nCurve > kMaxExchangeCurves ||
            (!aCurves.empty() && nCurve <= aCurves.back()))
            throw std::invalid_argument(std::string("section ") + kLeftOutSection + ": \"" + strWord.substr(0, 20) +
                                        "\" is not a curve number after the previous one");
        aCurves.push_back(nCurve);
    }
    return aCurves;
}

std::string PrepText(const CMaterial& material) {
    std::string strText;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (std::string strRecord = material.Curve(i).m_strPrep; !strRecord.empty()) {
            std::replace(strRecord.begin(), strRecord.end(), '\n', ' ');
            strText += std::to_string(i + 1) + " " + strRecord + "\n";
        }
    return strText;
}

std::vector<std::string> ParsePrep(const std::string& strText) {
    std::vector<std::string> aPrep;
    std::istringstream lines(strText);
    std::string strLine;
    for (int nLine = 1; std::getline(lines, strLine); ++nLine) {
        const std::size_t nBlank = strLine.find(' ');
        int nCurve = 0;
        const auto [pEnd, ec] = std::from_chars(strLine.data(), strLine.data() + std::min(nBlank, strLine.size()), nCurve);
        if (nBlank == std::string::npos || ec != std::errc() || pEnd != strLine.data() + nBlank || nCurve < 1 ||
            nCurve > kMaxExchangeCurves)
            throw std::invalid_argument(std::string("section ") + kPrepSection + ", line " + std::to_string(nLine) +
                                        ": \"" + strLine.substr(0, 60) + "\" does not start with a curve number");
        if (aPrep.size() < static_cast<std::size_t>(nCurve))
            aPrep.resize(static_cast<std::size_t>(nCurve));
        aPrep[static_cast<std::size_t>(nCurve - 1)] = strLine.substr(nBlank + 1);
    }
    return aPrep;
}

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

// A double with 17 significant digits, whatever the process's locale.
std::string ExactNumber(double dValue) {
    char sz[32];
    const std::to_chars_result result = std::to_chars(sz, sz + sizeof sz, dValue, std::chars_format::general, 17);
    return std::string(sz, result.ptr);
}

std::string LawText(const CMaterial& material) {
    std::string strText = "model " + std::to_string(material.m_nFunction) + "\nerrors " +
                          ExactNumber(material.m_dErrorSr) + " " + ExactNumber(material.m_dErrorMax) + "\n";
    for (int k = 0; k < material.m_nCoef; ++k)
        strText += "coef " + std::to_string(k + 1) + " " + ExactNumber(material.m_dCoef[static_cast<std::size_t>(k)]) +
                   "\n";
    return strText;
}

CStoredLaw ParseLaw(const std::string& strText) {
    CStoredLaw law;
    bool bModel = false;
    std::istringstream lines(strText);
    std::string strLine;
    int nLine = 1;
    const auto refuse = [&](const std::string& strWhy) {
        throw std::invalid_argument(std::string("section ") + kLawSection + ", line " + std::to_string(nLine) + ": \"" +
                                    strLine.substr(0, 60) + "\" " + strWhy);
    };
    // The words of a line after its key, each a number read whatever the locale.
    const auto numbers = [&](std::size_t nCount) {
        std::vector<double> ad;
        std::istringstream in(strLine);
        std::string strWord;
        in >> strWord;
        while (in >> strWord) {
            double d = 0;
            const auto [pEnd, ec] = std::from_chars(strWord.data(), strWord.data() + strWord.size(), d);
            if (ec != std::errc() || pEnd != strWord.data() + strWord.size())
                refuse("cannot be read");
            ad.push_back(d);
        }
        if (ad.size() != nCount)
            refuse("cannot be read");
        return ad;
    };
    for (; std::getline(lines, strLine); ++nLine) {
        const std::string strKey = strLine.substr(0, strLine.find(' '));
        if (strKey == "model") {
            law.m_nFunction = static_cast<int>(numbers(1)[0]);
            bModel = true;
        } else if (strKey == "errors") {
            const std::vector<double> ad = numbers(2);
            law.m_dErrorSr = ad[0];
            law.m_dErrorMax = ad[1];
        } else if (strKey == "coef") {
            const std::vector<double> ad = numbers(2);
            if (ad[0] != static_cast<double>(law.m_aCoef.size() + 1))
                refuse("is not the coefficient after A" + std::to_string(law.m_aCoef.size()));
            if (law.m_aCoef.size() >= static_cast<std::size_t>(kMaxLawCoef))
                refuse("goes beyond the " + std::to_string(kMaxLawCoef) + " coefficients a law may have");
            law.m_aCoef.push_back(ad[1]);
        } else {
            refuse("cannot be read");
        }
    }
    if (!bModel || law.m_aCoef.empty())
        throw std::invalid_argument(std::string("section ") + kLawSection + " names no model or no coefficient");
    return law;
}

} // namespace

std::vector<CExchangeSection> MaterialSections(const CMaterial& material) {
    std::vector<CExchangeSection> aSections;
    if (material.m_confidence)
        aSections.push_back({kConfidenceSection, ConfidenceText(*material.m_confidence)});
    if (std::string strPrep = PrepText(material); !strPrep.empty())
        aSections.push_back({kPrepSection, std::move(strPrep)});
    if (material.m_nCoef > kMaxFileCoef)
        aSections.push_back({kLawSection, LawText(material)});
    std::string strLeftOut;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (material.Curve(i).m_bLeftOut)
            strLeftOut += (strLeftOut.empty() ? "" : " ") + std::to_string(i + 1);
    if (!strLeftOut.empty())
        aSections.push_back({kLeftOutSection, strLeftOut + "\n"});
    return aSections;
}

CMaterialSections ParseMaterialSections(const std::vector<CExchangeSection>& aSections) {
    CMaterialSections content;
    for (const CExchangeSection& section : aSections)
        if (section.m_strName == kConfidenceSection)
            content.m_confidence = ParseConfidence(section.m_strText);
        else if (section.m_strName == kPrepSection)
            content.m_aPrep = ParsePrep(section.m_strText);
        else if (section.m_strName == kLawSection)
            content.m_law = ParseLaw(section.m_strText);
        else if (section.m_strName == kLeftOutSection)
            content.m_aLeftOut = ParseLeftOut(section.m_strText);
    return content;
}
