#include "vornel/Material.h"

#include "formats/ExchangeFile.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>

std::unique_ptr<CMaterial> g_pMaterial;
int g_nStage = 0;

CMaterial::CMaterial() = default;
CMaterial::CMaterial(const CMaterial&) = default;
CMaterial::CMaterial(CMaterial&&) noexcept = default;
CMaterial& CMaterial::operator=(const CMaterial&) = default;
CMaterial& CMaterial::operator=(CMaterial&&) noexcept = default;
CMaterial::~CMaterial() = default;

std::string RateTempLabel(double dRate, double dTemp) {
    char szRate[512];
    char szTemp[512];
    std::snprintf(szRate, sizeof szRate, "H= %5.3lf ", dRate);
    std::snprintf(szTemp, sizeof szTemp, "Temp= %5.1lf ", dTemp);
    return std::string(szRate) + szTemp;
}

std::string CMaterial::WorkPath(const std::string& strName) const {
    const std::filesystem::path name(strName);
    if (m_strWorkFolder.empty() || name.is_absolute())
        return strName;
    return (std::filesystem::path(m_strWorkFolder) / name).string();
}

std::string CMaterial::FilePath(int nFlag) const { return WorkPath(nFlag == 0 ? kExchangeFileName : m_strFileName); }

int CMaterial::CountPoints() const {
    int nTotal = 0;
    for (int i = 0; i < m_nCurves; ++i)
        nTotal += Curve(i).PointCount();
    return nTotal;
}

namespace {

void CheckCount(const char* szWhat, std::size_t nCount, int nMax) {
    if (nCount > static_cast<std::size_t>(nMax))
        throw std::invalid_argument(std::string("the material holds at most ") + std::to_string(nMax) + " " + szWhat +
                                    ", not " + std::to_string(nCount));
}

void CheckCount(const char* szWhat, int nCount, int nMax) {
    if (nCount < 0)
        throw std::invalid_argument(std::string("the material's count of ") + szWhat + " is negative (" +
                                    std::to_string(nCount) + ")");
    CheckCount(szWhat, static_cast<std::size_t>(nCount), nMax);
}

} // namespace

CExchangeData CMaterial::ToExchangeData() const {
    CheckCount("curves", m_nCurves, kMaxCurves);
    CheckCount("coefficients", m_nCoef, kMaxCoef);
    CExchangeData data;
    data.m_nPrepared = m_nPrepared;
    data.m_aCurves.resize(static_cast<std::size_t>(m_nCurves));
    for (int i = 0; i < m_nCurves; ++i) {
        const CCurve& curve = Curve(i);
        std::vector<CExchangePoint>& aOut = data.m_aCurves[static_cast<std::size_t>(i)].m_aPoints;
        aOut.reserve(curve.m_pPoints.size());
        for (const CCurvePoint& p : curve.m_pPoints)
            aOut.push_back({p.m_dStrain, p.m_dRate, p.m_dAux, p.m_dTemp, p.m_dTime, p.m_dFitStress, p.m_dStress});
    }
    data.m_nFunction = m_nFunction;
    data.m_aCoef.assign(m_dCoef.begin(), m_dCoef.begin() + m_nCoef);
    data.m_dErrorSr = m_dErrorSr;
    data.m_dErrorMax = m_dErrorMax;
    return data;
}

void CMaterial::TakeExchangeData(const CExchangeData& data) {
    CheckCount("curves", data.m_aCurves.size(), kMaxCurves);
    CheckCount("coefficients", data.m_aCoef.size(), kMaxCoef);
    if (data.TotalPoints() > std::numeric_limits<int>::max())
        throw std::invalid_argument("the material holds more points than an int can count");
    m_nPrepared = data.m_nPrepared;
    m_nCurves = static_cast<int>(data.m_aCurves.size());
    m_nPoints = static_cast<int>(data.TotalPoints());
    for (int i = 0; i < m_nCurves; ++i) {
        const std::vector<CExchangePoint>& aIn = data.m_aCurves[static_cast<std::size_t>(i)].m_aPoints;
        CCurve& curve = Curve(i);
        curve.m_pPoints.clear();
        curve.m_pPoints.reserve(aIn.size());
        for (const CExchangePoint& p : aIn)
            curve.m_pPoints.push_back({p.m_dFitStress, p.m_dStress, p.m_dAux, p.m_dTemp, p.m_dStrain, p.m_dRate, p.m_dTime});
        if (!aIn.empty()) {
            curve.m_dRate = aIn.back().m_dRate;
            curve.m_dTemp = aIn.back().m_dTemp;
            curve.m_strLabel = RateTempLabel(curve.m_dRate, curve.m_dTemp);
        }
    }
    m_nFunction = data.m_nFunction;
    m_nCoef = static_cast<int>(data.m_aCoef.size());
    std::copy(data.m_aCoef.begin(), data.m_aCoef.end(), m_dCoef.begin());
    m_dErrorSr = data.m_dErrorSr;
    m_dErrorMax = data.m_dErrorMax;
}

void CMaterial::WriteMaterialFile(int nFlag) const {
    WriteExchangeData(FilePath(nFlag), ToExchangeData(), EExchangeTrailer::CurveWords);
}

void CMaterial::ReadMaterialFile(int nFlag) {
    const CExchangeData data = ReadExchangeData(FilePath(nFlag), CExchangeLimits{kMaxCurves, kMaxCoef});
    TakeExchangeData(data);
}
