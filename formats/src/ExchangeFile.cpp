#include "formats/ExchangeFile.h"

#include "formats/BinaryFile.h"
#include "formats/FileError.h"

#include <string>

std::int64_t CExchangeData::TotalPoints() const {
    std::int64_t nTotal = 0;
    for (const CExchangeCurve& curve : m_aCurves)
        nTotal += static_cast<std::int64_t>(curve.m_aPoints.size());
    return nTotal;
}

namespace {

constexpr std::size_t kPointBytes = sizeof(CExchangePoint);

[[noreturn]] void Refuse(const CBinaryFile& file, const std::string& strReason) {
    throw CFileError(file.Path(), strReason);
}

std::int32_t ReadCount(CBinaryFile& file, const char* szField, std::int32_t nMax) {
    const std::int32_t nValue = file.ReadInt32(szField);
    if (nValue < 0)
        Refuse(file, std::string("the ") + szField + " is negative (" + std::to_string(nValue) + ")");
    if (nValue > nMax)
        Refuse(file, std::string("the ") + szField + " " + std::to_string(nValue) + " exceeds the limit of " +
                         std::to_string(nMax));
    return nValue;
}

} // namespace

CExchangeData ReadExchangeData(const std::string& strPath, const CExchangeLimits& limits,
                               std::vector<unsigned char>* pBuffer) {
    CBinaryFile file(strPath, CBinaryFile::EMode::Read, pBuffer);
    CExchangeData data;
    data.m_nPrepared = file.ReadInt32("prepared flag");
    const std::int32_t nCurves = ReadCount(file, "curve count", limits.m_nMaxCurves);
    const std::int32_t nTotal = file.ReadInt32("total point count");
    if (nTotal < 0)
        Refuse(file, "the total point count is negative (" + std::to_string(nTotal) + ")");

    data.m_aCurves.resize(static_cast<std::size_t>(nCurves));
    for (std::int32_t i = 0; i < nCurves; ++i) {
        const std::string strCurve = "curve " + std::to_string(i + 1);
        const std::int32_t n = file.ReadInt32((std::string("point count of ") + strCurve).c_str());
        if (n < 0)
            Refuse(file, "the point count of " + strCurve + " is negative (" + std::to_string(n) + ")");
        // Check before allocating, so a corrupt count cannot ask for gigabytes.
        if (static_cast<std::size_t>(n) > file.Remaining() / kPointBytes)
            Refuse(file, "the file ends inside the points of " + strCurve + ", which announces " +
                             std::to_string(n) + " points");
        std::vector<CExchangePoint>& aPoints = data.m_aCurves[static_cast<std::size_t>(i)].m_aPoints;
        aPoints.resize(static_cast<std::size_t>(n));
        file.ReadDoubles(reinterpret_cast<double*>(aPoints.data()), aPoints.size() * 7, "the point records");
    }
    if (data.TotalPoints() != nTotal)
        Refuse(file, "the total point count " + std::to_string(nTotal) + " differs from the sum of the curve counts " +
                         std::to_string(data.TotalPoints()));

    data.m_nFunction = file.ReadInt32("function number");
    const std::int32_t nCoef = ReadCount(file, "coefficient count", limits.m_nMaxCoef);
    data.m_aCoef.resize(static_cast<std::size_t>(nCoef));
    file.ReadDoubles(data.m_aCoef.data(), data.m_aCoef.size(), "the coefficients");
    data.m_dErrorSr = file.ReadDouble("ErrorSr");
    data.m_dErrorMax = file.ReadDouble("ErrorMax");
    file.Close();
    return data;
}

std::size_t ExchangeFileSize(const CExchangeData& data, EExchangeTrailer eTrailer) {
    const std::size_t nCurves = data.m_aCurves.size();
    std::size_t nBytes = 12 + nCurves * 4 + static_cast<std::size_t>(data.TotalPoints()) * kPointBytes + 8 +
                         8 * data.m_aCoef.size() + 16;
    nBytes += eTrailer == EExchangeTrailer::CurveWords ? 4 * nCurves : 16;
    return nBytes;
}

void WriteExchangeData(const std::string& strPath, const CExchangeData& data, EExchangeTrailer eTrailer) {
    CBinaryFile file(strPath, CBinaryFile::EMode::Write);
    file.WriteInt32(data.m_nPrepared);
    file.WriteInt32(static_cast<std::int32_t>(data.m_aCurves.size()));
    file.WriteInt32(static_cast<std::int32_t>(data.TotalPoints()));
    for (const CExchangeCurve& curve : data.m_aCurves) {
        file.WriteInt32(static_cast<std::int32_t>(curve.m_aPoints.size()));
        file.Write(curve.m_aPoints.data(), curve.m_aPoints.size() * kPointBytes);
    }
    file.WriteInt32(data.m_nFunction);
    file.WriteInt32(static_cast<std::int32_t>(data.m_aCoef.size()));
    file.WriteDoubles(data.m_aCoef.data(), data.m_aCoef.size());
    file.WriteDouble(data.m_dErrorSr);
    file.WriteDouble(data.m_dErrorMax);
    if (eTrailer == EExchangeTrailer::CurveWords) {
        for (std::size_t i = 0; i < data.m_aCurves.size(); ++i)
            file.WriteInt32(0);
    } else {
        file.WriteDouble(data.m_dErrorSr);
        file.WriteDouble(data.m_dErrorMax);
    }
    file.Close();
}
