// The engine's intake of the exchange file "temp.mat" and the preparation of raw curves, on
// arbitrary bytes with the prepared flag set to 0.
//
// A file the layout refuses leaves the engine with nothing and "temp.mat" untouched. A raw
// curve the preparation refuses leaves the file's points as read. Otherwise every curve
// comes out as 30 prepared points: finite strains not below 0, finite stresses between 0
// and 1.5 times the largest stress of the curve's own record, the strain rate and
// temperature of the record's last point, time = strain / strain rate and the weight of a
// 30-point curve; and the written file reads back as the state that wrote it.

#include "FuzzSupport.h"

#include "EngineState.h"
#include "formats/BinaryFile.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using tarnfit::CEngineState;
using tarnfit::EReadStatus;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string Where(std::size_t nCurve, std::size_t j) {
    return " (curve " + std::to_string(nCurve + 1) + ", point " + std::to_string(j + 1) + ")";
}

void CheckPrepared(const CEngineState& state, const CExchangeData& raw) {
    FUZZ_CHECK(state.m_nPrepared == 1, "prepared curves without the prepared flag");
    FUZZ_CHECK(state.m_nCurves == static_cast<std::int32_t>(raw.m_aCurves.size()), "the curve count changed");
    FUZZ_CHECK(state.m_nTotal == 30 * state.m_nCurves &&
                   state.m_aPoints.size() == static_cast<std::size_t>(state.m_nTotal),
               "the point table does not hold 30 points per curve");
    std::size_t iPoint = 0;
    for (std::size_t i = 0; i < raw.m_aCurves.size(); ++i) {
        const std::vector<CExchangePoint>& aRaw = raw.m_aCurves[i].m_aPoints;
        FUZZ_CHECK(!aRaw.empty() && state.m_anCount[i] == 30, "a prepared curve without 30 points" + Where(i, 0));
        double dLargest = 0;
        for (const CExchangePoint& point : aRaw)
            if (point.m_dStress > dLargest)
                dLargest = point.m_dStress;
        const CExchangePoint& last = aRaw.back();
        for (std::size_t j = 0; j < 30; ++j, ++iPoint) {
            const tarnfit::CEnginePoint& point = state.m_aPoints[iPoint];
            const CExchangePoint& ex = point.m_ex;
            FUZZ_CHECK(std::isfinite(ex.m_dStrain) && ex.m_dStrain >= 0,
                       "a prepared strain below 0 or not finite" + Where(i, j));
            FUZZ_CHECK(std::isfinite(ex.m_dStress) && ex.m_dStress >= 0 && ex.m_dStress <= 1.5 * dLargest,
                       "a prepared stress outside 0 to 1.5 times the record's largest" + Where(i, j));
            FUZZ_CHECK(SameBits(ex.m_dRate, last.m_dRate) && SameBits(ex.m_dTemp, last.m_dTemp),
                       "a prepared point without the record's last strain rate and temperature" + Where(i, j));
            FUZZ_CHECK(SameBits(ex.m_dTime, ex.m_dStrain / ex.m_dRate), "time is not strain / strain rate" + Where(i, j));
            FUZZ_CHECK(SameBits(point.m_dE, ex.m_dStrain) && SameBits(point.m_dH, ex.m_dRate) &&
                           SameBits(point.m_dT, ex.m_dTemp) && SameBits(point.m_dTime, ex.m_dTime),
                       "working copies differ from the exchange values" + Where(i, j));
            FUZZ_CHECK(point.m_dW == static_cast<double>(state.m_nTotal) / 30, "a prepared point's weight" + Where(i, j));
        }
    }
}

void CheckAsRead(const CEngineState& state, const CExchangeData& raw) {
    FUZZ_CHECK(!state.m_strProblem.empty(), "a refused preparation without its reason");
    FUZZ_CHECK(state.m_nPrepared == 0, "a refused preparation set the prepared flag");
    std::size_t iPoint = 0;
    for (std::size_t i = 0; i < raw.m_aCurves.size(); ++i)
        for (const CExchangePoint& point : raw.m_aCurves[i].m_aPoints) {
            FUZZ_CHECK(iPoint < state.m_aPoints.size() &&
                           std::memcmp(&state.m_aPoints[iPoint].m_ex, &point, sizeof point) == 0,
                       "a refused preparation changed the points read" + Where(i, 0));
            ++iPoint;
        }
    FUZZ_CHECK(iPoint == state.m_aPoints.size(), "a refused preparation changed the point count");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    std::vector<std::uint8_t> aBytes(pData, pData + nSize);
    for (std::size_t k = 0; k < std::min<std::size_t>(aBytes.size(), 4); ++k)
        aBytes[k] = 0; // the prepared flag 0: raw curves
    // The engine reads and writes "temp.mat" in the current folder.
    const vornel_fuzz::CInScratchFolder inScratch;
    const std::string strPath = vornel_fuzz::WriteInput(kExchangeFileName, aBytes.data(), aBytes.size());

    // The same file as the layout's reader sees it, with the engine's limits.
    bool bReadable = true;
    CExchangeData raw;
    try {
        raw = ReadExchangeData(strPath, CExchangeLimits{kMaxExchangeCurves, tarnfit::kMaxCoef});
    } catch (const CFileError&) {
        bReadable = false;
    }

    const EReadStatus eStatus = tarnfit::ReadExchangeFile();
    const CEngineState& state = tarnfit::Engine();
    switch (eStatus) {
    case EReadStatus::Unusable:
        FUZZ_CHECK(!bReadable, "the engine refused a file the layout takes: " + state.m_strProblem);
        FUZZ_CHECK(!state.m_strProblem.empty(), "an unusable file without its reason");
        return 0;
    case EReadStatus::PreparationRefused:
        FUZZ_CHECK(bReadable, "the engine took a file the layout refuses");
        CheckAsRead(state, raw);
        break;
    case EReadStatus::Ready:
        FUZZ_CHECK(bReadable, "the engine took a file the layout refuses");
        CheckPrepared(state, raw);
        break;
    }

    // Written back, the file reads as the state that wrote it.
    std::vector<CExchangePoint> aWrittenFrom;
    for (const tarnfit::CEnginePoint& point : state.m_aPoints)
        aWrittenFrom.push_back(point.m_ex);
    const std::int32_t nPrepared = state.m_nPrepared;
    tarnfit::WriteExchangeFile();
    const CExchangeData back = ReadExchangeData(strPath, CExchangeLimits{kMaxExchangeCurves, tarnfit::kMaxCoef});
    FUZZ_CHECK(back.m_nPrepared == nPrepared && back.m_aCurves.size() == raw.m_aCurves.size(),
               "the written file's header differs from the state");
    std::size_t iPoint = 0;
    for (const CExchangeCurve& curve : back.m_aCurves)
        for (const CExchangePoint& point : curve.m_aPoints) {
            FUZZ_CHECK(iPoint < aWrittenFrom.size() && std::memcmp(&aWrittenFrom[iPoint], &point, sizeof point) == 0,
                       "the written points differ from the state's");
            ++iPoint;
        }
    FUZZ_CHECK(iPoint == aWrittenFrom.size(), "the written file lost points");
    FUZZ_CHECK(back.m_aCoef.size() == raw.m_aCoef.size() &&
                   (raw.m_aCoef.empty() ||
                    std::memcmp(back.m_aCoef.data(), raw.m_aCoef.data(), raw.m_aCoef.size() * sizeof(double)) == 0) &&
                   SameBits(back.m_dErrorSr, raw.m_dErrorSr) && SameBits(back.m_dErrorMax, raw.m_dErrorMax) &&
                   back.m_nFunction == raw.m_nFunction,
               "the model, coefficients or errors did not pass through unchanged");
    return 0;
}
