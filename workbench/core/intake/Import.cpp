#include "vornel/intake/Import.h"

#include "vornel/intake/ColumnFile.h"

#include "vornel/document/Material.h"
#include "vornel/document/InputRanges.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The C library's white space: blank, and tab, line feed, vertical tab, form feed, carriage
// return (9 to 13).
bool IsSpace(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t'; }

const char* SkipSpace(const char* p, const char* pEnd) {
    while (p < pEnd && IsSpace(*p))
        ++p;
    return p;
}

// "%d": optional sign and decimal digits. Returns false when no integer stands at p.
bool ScanInt(const char*& p, const char* pEnd) {
    p = SkipSpace(p, pEnd);
    const char* q = p;
    if (q < pEnd && (*q == '+' || *q == '-'))
        ++q;
    const char* pDigits = q;
    while (q < pEnd && *q >= '0' && *q <= '9')
        ++q;
    if (q == pDigits)
        return false;
    p = q;
    return true;
}

// "%f" after blanks: a real read in single precision (see ScanFloat).
bool ScanReal(const char*& p, const char* pEnd, float& fValue) {
    const char* pStop = ScanFloat(SkipSpace(p, pEnd), pEnd, fValue);
    if (!pStop)
        return false;
    p = pStop;
    return true;
}

// The smallest stress a row may carry: 0.001, compared after widening. No float lies
// between the double 0.001 and the float nearest it, so the widened literal is the same
// boundary and a stress read as "0.001" lies exactly on it.
constexpr double kMinStress = static_cast<double>(0.001f); // 0.0010000000474974513
constexpr std::size_t kMaxQuoted = 60;

// The 1-based number and the printable text of the line that holds pAt.
void DescribeLine(const char* pBegin, const char* pEnd, const char* pAt, CImportSummary& summary) {
    summary.m_nStopLine = 1 + static_cast<int>(std::count(pBegin, pAt, '\n'));
    const char* pStart = pAt;
    while (pStart > pBegin && pStart[-1] != '\n')
        --pStart;
    const char* pStop = static_cast<const char*>(std::memchr(pStart, '\n', static_cast<std::size_t>(pEnd - pStart)));
    if (!pStop)
        pStop = pEnd;
    std::string strText(pStart, pStop);
    while (!strText.empty() && IsSpace(strText.back()))
        strText.pop_back();
    for (char& c : strText)
        if (c == '\t')
            c = ' ';
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    if (strText.size() > kMaxQuoted)
        strText = strText.substr(0, kMaxQuoted - 3) + "...";
    summary.m_strStopText = strText;
}

} // namespace

std::string CImportSummary::StopDescription() const {
    if (!StoppedEarly())
        return {};
    return "reading stopped at line " + std::to_string(m_nStopLine) + ": \"" + m_strStopText + "\"";
}

std::vector<CCurvePoint> ParseExperimentData(const char* pBegin, const char* pEnd, CImportSummary* pSummary) {
    CImportSummary summary;
    std::vector<CCurvePoint> aPoints;
    const char* p = pBegin;
    for (int nLine = 0; nLine < 3 && p < pEnd; ++nLine) {
        const void* pBreak = std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p));
        p = pBreak ? static_cast<const char*>(pBreak) + 1 : pEnd;
    }
    // One row a line, as files are written: the line count bounds the points.
    std::size_t nLines = 1;
    for (const char* q = p;
         q < pEnd && (q = static_cast<const char*>(std::memchr(q, '\n', static_cast<std::size_t>(pEnd - q))));
         ++q)
        ++nLines;
    aPoints.reserve(nLines);
    for (;;) {
        const char* pRow = SkipSpace(p, pEnd);
        if (pRow == pEnd)
            break;
        float fStrain = 0;
        float fStress = 0;
        if (!ScanInt(p, pEnd) || !ScanReal(p, pEnd, fStrain) || !ScanReal(p, pEnd, fStress)) {
            // A token that is not a number, or a row cut short by the end of the file.
            const char* pFail = SkipSpace(p, pEnd);
            DescribeLine(pBegin, pEnd, pFail < pEnd ? pFail : pRow, summary);
            break;
        }
        const double dStrain = fStrain;
        const double dStress = fStress;
        // A number beyond the single-precision range reads as infinite: no measurement.
        if (!(dStrain >= 0) || std::isinf(dStrain)) {
            ++summary.m_nBadStrain;
        } else if (!(dStress >= kMinStress) || std::isinf(dStress)) {
            ++summary.m_nLowStress;
        } else {
            CCurvePoint point;
            point.m_dStrain = dStrain;
            point.m_dStress = dStress;
            aPoints.push_back(point);
        }
    }
    summary.m_nTaken = static_cast<int>(aPoints.size());
    if (pSummary)
        *pSummary = summary;
    return aPoints;
}

CCheck CheckHasPoints(const CImportSummary& summary) {
    if (summary.m_nTaken > 0)
        return {};
    if (summary.m_nBadStrain + summary.m_nLowStress == 0) {
        std::string strWhy = "no data: no row of three numbers (row number, strain, stress) after the three header lines";
        if (summary.StoppedEarly())
            strWhy += "; " + summary.StopDescription();
        return CCheck::Refuse(strWhy);
    }
    return CCheck::Refuse("no data: every row was skipped (" + std::to_string(summary.m_nBadStrain) +
                          " with a strain below 0, " + std::to_string(summary.m_nLowStress) + " with a stress below 0.001)");
}

CImportSummary ImportCurve(CCurve& curve, const std::string& strPath) {
    // The text lands in a buffer kept for the next file (curves are added by the hundred).
    thread_local CByteBuffer s_text;
    const CReleaseIfLarger release(s_text, std::size_t{4} << 20);
    ReadFileBytes(strPath, s_text);
    std::string strDecoded;
    const std::string_view text = TextOfBytes({reinterpret_cast<const char*>(s_text.Data()), s_text.Size()}, strDecoded);
    if (RowsHoldMoreThanThree(text))
        throw CFileError(strPath, ColumnFileReason(text, strPath) + "; the curve is not added");
    CImportSummary summary;
    std::vector<CCurvePoint> aPoints = ParseExperimentData(text.data(), text.data() + text.size(), &summary);
    if (aPoints.empty())
        throw CFileError(strPath, CheckHasPoints(summary).m_strMessage + "; the curve is not added");
    curve.m_pPoints = std::move(aPoints);
    return summary;
}

CCurve ReadCurveFile(const std::string& strPath, double dTemp, double dRate, CImportSummary* pSummary) {
    CCurve curve;
    const CImportSummary summary = ImportCurve(curve, strPath);
    curve.m_dTemp = dTemp;
    curve.m_dRate = dRate;
    curve.m_strLabel = strPath;
    curve.m_strFile = strPath;
    for (CCurvePoint& point : curve.m_pPoints) {
        point.m_dRate = dRate;
        point.m_dTemp = dTemp;
    }
    if (pSummary)
        *pSummary = summary;
    return curve;
}

void CheckRoomForCurves(const CMaterial& material, int nMore, const std::string& strFirstBeyond) {
    if (nMore <= kMaxExchangeCurves - material.m_nCurves)
        return;
    const std::string strMax = std::to_string(kMaxExchangeCurves);
    if (material.m_nCurves >= kMaxExchangeCurves)
        throw CInputError(strFirstBeyond + ": not added: the material already holds its maximum of " + strMax +
                          " curves");
    throw CInputError(strFirstBeyond + ": not added: the material holds " + std::to_string(material.m_nCurves) +
                      " curves, and " + std::to_string(nMore) + " more would pass its maximum of " + strMax);
}

void AppendCurve(CMaterial& material, CCurve&& curve) {
    CCurve& slot = material.Curve(material.m_nCurves);
    slot = std::move(curve);
    material.m_nPoints += slot.PointCount();
    ++material.m_nCurves;
}

CImportSummary AddCurveFromFile(CMaterial& material, const std::string& strPath, double dTemp, double dRate) {
    CheckRoomForCurves(material, 1, strPath);
    CImportSummary summary;
    AppendCurve(material, ReadCurveFile(strPath, dTemp, dRate, &summary));
    return summary;
}
