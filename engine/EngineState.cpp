#include "EngineState.h"

#include "PrepareCurve.h"
#include "formats/FileError.h"

#include <limits>
#include <new>

namespace tarnfit {

CEngineState& Engine() {
    static CEngineState s_state;
    return s_state;
}

std::size_t CEngineState::FirstPoint(int i) const {
    std::size_t nFirst = 0;
    for (int c = 0; c < i; ++c)
        nFirst += static_cast<std::size_t>(m_anCount[static_cast<std::size_t>(c)]);
    return nFirst;
}

void SetRefusal(CEngineState& state) {
    state.m_nCoef = 0;
    state.m_dErrorSr = kRefusedError;
    state.m_dErrorMax = kRefusedError;
}

namespace {

// Storage the engine keeps between calls, so that repeated calls on the same material do
// not allocate and fault in their buffers anew; larger buffers are released.
constexpr std::size_t kKeptBytes = std::size_t{16} << 20;

template <typename T>
void ReleaseIfLarge(std::vector<T>& aStorage) {
    if (aStorage.capacity() * sizeof(T) > kKeptBytes)
        std::vector<T>().swap(aStorage);
}

// Rebuilds the point table from the prepared curves: 30 points per curve with the curve's
// strain rate and temperature (those of its last raw point), time = strain / rate.
void TakePreparedCurves(CEngineState& state, const std::vector<CPreparedCurve>& aPrepared,
                        const std::vector<CExchangePoint>& aLastRaw) {
    state.m_nTotal = kPreparedPoints * state.m_nCurves;
    state.m_aPoints.assign(static_cast<std::size_t>(state.m_nTotal), CEnginePoint{});
    const double dWeight = static_cast<double>(state.m_nTotal) / kPreparedPoints;
    std::size_t iPoint = 0;
    for (int i = 0; i < state.m_nCurves; ++i) {
        const CPreparedCurve& curve = aPrepared[static_cast<std::size_t>(i)];
        const CExchangePoint& last = aLastRaw[static_cast<std::size_t>(i)];
        state.m_anCount[static_cast<std::size_t>(i)] = kPreparedPoints;
        for (int j = 0; j < kPreparedPoints; ++j, ++iPoint) {
            CEnginePoint& point = state.m_aPoints[iPoint];
            point.m_ex.m_dStrain = curve.m_x[static_cast<std::size_t>(j)];
            point.m_ex.m_dRate = last.m_dRate;
            point.m_ex.m_dTemp = last.m_dTemp;
            point.m_ex.m_dTime = point.m_ex.m_dStrain / last.m_dRate;
            point.m_ex.m_dStress = curve.m_y[static_cast<std::size_t>(j)];
            point.m_dE = point.m_ex.m_dStrain;
            point.m_dH = point.m_ex.m_dRate;
            point.m_dT = point.m_ex.m_dTemp;
            point.m_dTime = point.m_ex.m_dTime;
            point.m_dW = dWeight;
        }
    }
    state.m_nPrepared = 1;
}

} // namespace

EReadStatus LoadState(CEngineState& state, const CExchangeData& data) {
    // A fresh state that keeps the point table's storage: the next call needs it again.
    std::vector<CEnginePoint> aStorage = std::move(state.m_aPoints);
    aStorage.clear();
    state = CEngineState{};
    state.m_aPoints = std::move(aStorage);
    // The fixed tables hold kMaxCurves curve counts and kMaxCoef coefficients.
    if (data.m_aCurves.size() > static_cast<std::size_t>(kMaxCurves)) {
        state.m_strProblem = "the data hold " + std::to_string(data.m_aCurves.size()) + " curves, more than the " +
                             std::to_string(kMaxCurves) + " the engine takes";
        return EReadStatus::Unusable;
    }
    if (data.m_aCoef.size() > static_cast<std::size_t>(kMaxCoef)) {
        state.m_strProblem = "the data hold " + std::to_string(data.m_aCoef.size()) + " coefficients, more than the " +
                             std::to_string(kMaxCoef) + " the engine takes";
        return EReadStatus::Unusable;
    }
    if (data.TotalPoints() > std::numeric_limits<std::int32_t>::max()) {
        state.m_strProblem = "the data hold more points than a 32-bit count can tell";
        return EReadStatus::Unusable;
    }
    state.m_nPrepared = data.m_nPrepared;
    state.m_nCurves = static_cast<std::int32_t>(data.m_aCurves.size());
    state.m_nTotal = static_cast<std::int32_t>(data.TotalPoints());
    state.m_aPoints.reserve(static_cast<std::size_t>(state.m_nTotal));

    const bool bPrepare = data.m_nPrepared == 0;
    std::vector<CPreparedCurve> aPrepared;
    std::vector<CExchangePoint> aLastRaw;
    std::vector<double> aX;
    std::vector<double> aY;
    for (int i = 0; i < state.m_nCurves; ++i) {
        const std::vector<CExchangePoint>& aRaw = data.m_aCurves[static_cast<std::size_t>(i)].m_aPoints;
        const auto n = static_cast<std::int32_t>(aRaw.size());
        state.m_anCount[static_cast<std::size_t>(i)] = n;
        const double dWeight = n > 0 ? static_cast<double>(state.m_nTotal) / n : 0.0;
        for (const CExchangePoint& raw : aRaw) {
            CEnginePoint point;
            point.m_ex = raw;
            point.m_dE = raw.m_dStrain;
            point.m_dH = raw.m_dRate;
            point.m_dT = raw.m_dTemp;
            point.m_dTime = raw.m_dTime;
            point.m_dW = dWeight;
            state.m_aPoints.push_back(point);
        }
        if (bPrepare && state.m_strProblem.empty()) {
            aX.resize(aRaw.size());
            aY.resize(aRaw.size());
            for (std::size_t j = 0; j < aRaw.size(); ++j) {
                aX[j] = aRaw[j].m_dStrain;
                aY[j] = aRaw[j].m_dStress;
            }
            aPrepared.push_back(PrepareCurve(aX.data(), aY.data(), n));
            aLastRaw.push_back(aRaw.empty() ? CExchangePoint{} : aRaw.back());
            if (!aPrepared.back().m_bOk)
                state.m_strProblem = "curve " + std::to_string(i + 1) + " cannot be prepared: " +
                                     aPrepared.back().m_strReason;
        }
    }
    state.m_nFunction = data.m_nFunction;
    state.m_nCoef = static_cast<std::int32_t>(data.m_aCoef.size());
    std::copy(data.m_aCoef.begin(), data.m_aCoef.end(), state.m_dA.begin());
    state.m_dErrorSr = data.m_dErrorSr;
    state.m_dErrorMax = data.m_dErrorMax;

    if (!state.m_strProblem.empty())
        return EReadStatus::PreparationRefused;
    if (bPrepare)
        TakePreparedCurves(state, aPrepared, aLastRaw);
    return EReadStatus::Ready;
}

CExchangeData StateToData(const CEngineState& state) {
    CExchangeData data;
    data.m_nPrepared = state.m_nPrepared;
    data.m_aCurves.resize(static_cast<std::size_t>(state.m_nCurves));
    std::size_t iPoint = 0;
    for (int i = 0; i < state.m_nCurves; ++i) {
        const auto n = static_cast<std::size_t>(state.m_anCount[static_cast<std::size_t>(i)]);
        std::vector<CExchangePoint>& aOut = data.m_aCurves[static_cast<std::size_t>(i)].m_aPoints;
        aOut.reserve(n);
        for (std::size_t j = 0; j < n; ++j, ++iPoint)
            aOut.push_back(state.m_aPoints[iPoint].m_ex);
    }
    data.m_nFunction = state.m_nFunction;
    data.m_aCoef.assign(state.m_dA.begin(), state.m_dA.begin() + state.m_nCoef);
    data.m_dErrorSr = state.m_dErrorSr;
    data.m_dErrorMax = state.m_dErrorMax;
    return data;
}

EReadStatus ReadExchangeFile() {
    CEngineState& state = Engine();
    try {
        // The file's bytes land in storage kept from call to call (up to kKeptBytes).
        static std::vector<unsigned char> s_aFileBytes;
        const CExchangeData data =
            ReadExchangeData(kExchangeFileName, CExchangeLimits{kMaxCurves, kMaxCoef}, &s_aFileBytes);
        ReleaseIfLarge(s_aFileBytes);
        return LoadState(state, data);
    } catch (const CFileError& e) {
        state = CEngineState{};
        state.m_strProblem = e.what();
    } catch (const std::bad_alloc&) {
        state = CEngineState{};
        state.m_strProblem = std::string(kExchangeFileName) + ": not enough memory to read it";
    }
    return EReadStatus::Unusable;
}

void WriteExchangeFile() {
    CEngineState& state = Engine();
    WriteExchangeData(kExchangeFileName, StateToData(state), EExchangeTrailer::ErrorsAgain);
    state.m_aPoints.clear(); // the storage stays for the next call
    ReleaseIfLarge(state.m_aPoints);
}

} // namespace tarnfit
