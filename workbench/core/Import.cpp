#include "vornel/Import.h"

#include "vornel/Material.h"
#include "vornel/Stage.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <cstring>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

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

} // namespace

std::vector<CCurvePoint> ParseExperimentData(const char* pBegin, const char* pEnd) {
    std::vector<CCurvePoint> aPoints;
    const char* p = pBegin;
    for (int nLine = 0; nLine < 3 && p < pEnd; ++nLine) {
        const void* pBreak = std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p));
        p = pBreak ? static_cast<const char*>(pBreak) + 1 : pEnd;
    }
    aPoints.reserve(static_cast<std::size_t>(pEnd - p) / 16);
    for (;;) {
        float fStrain = 0;
        float fStress = 0;
        if (!ScanInt(p, pEnd) || !ScanReal(p, pEnd, fStrain) || !ScanReal(p, pEnd, fStress))
            break;
        const double dStrain = fStrain;
        const double dStress = fStress;
        if (dStrain >= 0 && dStress >= 0.001) {
            CCurvePoint point;
            point.m_dStrain = dStrain;
            point.m_dStress = dStress;
            aPoints.push_back(point);
        }
    }
    return aPoints;
}

void ImportCurve(CCurve& curve, const std::string& strPath) {
    const std::vector<unsigned char> aText = ReadFileBytes(strPath);
    const char* pBegin = reinterpret_cast<const char*>(aText.data());
    curve.m_pPoints = ParseExperimentData(pBegin, pBegin + aText.size());
}

void AddCurveFromFile(CMaterial& material, const std::string& strPath, double dTemp, double dRate) {
    if (material.m_nCurves >= CMaterial::kMaxCurves)
        throw CFileError(strPath, "not added: the material already holds its maximum of " +
                                      std::to_string(CMaterial::kMaxCurves) + " curves");
    CCurve fresh;
    ImportCurve(fresh, strPath);
    fresh.m_dTemp = dTemp;
    fresh.m_dRate = dRate;
    fresh.m_strLabel = strPath;
    for (CCurvePoint& point : fresh.m_pPoints) {
        point.m_dRate = dRate;
        point.m_dTemp = dTemp;
    }
    CCurve& slot = material.Curve(material.m_nCurves);
    slot = std::move(fresh);
    material.m_nPoints += slot.PointCount();
    ++material.m_nCurves;
    g_nStage = StageAfter(EStageEvent::AddFile);
}
