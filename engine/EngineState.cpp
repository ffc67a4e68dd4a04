#include "EngineState.h"

#include "PrepareCurve.h"
#include "formats/BinaryFile.h"
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
    state.m_dErrorSr = kRefusalError;
    state.m_dErrorMax = kRefusalError;
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
    state.m_aPoints.clear();
    state.m_aPoints.reserve(static_cast<std::size_t>(state.m_nTotal));
    const double dWeight = static_cast<double>(state.m_nTotal) / kPreparedPoints;
    for (int i = 0; i < state.m_nCurves; ++i) {
        const CPreparedCurve& curve = aPrepared[static_cast<std::size_t>(i)];
        const CExchangePoint& last = aLastRaw[static_cast<std::size_t>(i)];
        state.m_anCount[static_cast<std::size_t>(i)] = kPreparedPoints;
        for (int j = 0; j < kPreparedPoints; ++j) {
            CEnginePoint& point = state.m_aPoints.emplace_back();
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

// Fills the point table with the file's points as they stand, each curve's points weighted
// NTOTAL / n.
void TakeFilePoints(CEngineState& state, const CExchangeView& view) {
    state.m_aPoints.clear();
    state.m_aPoints.reserve(static_cast<std::size_t>(state.m_nTotal));
    for (int i = 0; i < state.m_nCurves; ++i) {
        const CRecordBlock& block = view.m_aCurves[static_cast<std::size_t>(i)];
        const std::int32_t n = block.m_nPoints;
        state.m_anCount[static_cast<std::size_t>(i)] = n;
        const double dWeight = n > 0 ? static_cast<double>(state.m_nTotal) / n : 0.0;
        for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
            CEnginePoint& point = state.m_aPoints.emplace_back();
            point.m_ex = block.Point(j);
            point.m_dE = point.m_ex.m_dStrain;
            point.m_dH = point.m_ex.m_dRate;
            point.m_dT = point.m_ex.m_dTemp;
            point.m_dTime = point.m_ex.m_dTime;
            point.m_dW = dWeight;
        }
    }
}

} // namespace

EReadStatus LoadState(CEngineState& state, const CExchangeView& view) {
    // A fresh state that keeps the point table's storage: the next call needs it again.
    std::vector<CEnginePoint> aStorage = std::move(state.m_aPoints);
    aStorage.clear();
    state = CEngineState{};
    state.m_aPoints = std::move(aStorage);
    // The fixed tables hold kMaxExchangeCurves curve counts and kMaxCoef coefficients.
    if (view.m_aCurves.size() > static_cast<std::size_t>(kMaxExchangeCurves)) {
        state.m_strProblem = "the data hold " + std::to_string(view.m_aCurves.size()) + " curves, more than the " +
                             std::to_string(kMaxExchangeCurves) + " the engine takes";
        return EReadStatus::Unusable;
    }
    if (view.m_nCoef > kMaxCoef) {
        state.m_strProblem = "the data hold " + std::to_string(view.m_nCoef) + " coefficients, more than the " +
                             std::to_string(kMaxCoef) + " the engine takes";
        return EReadStatus::Unusable;
    }
    if (view.TotalPoints() > std::numeric_limits<std::int32_t>::max()) {
        state.m_strProblem = "the data hold more points than a 32-bit count can tell";
        return EReadStatus::Unusable;
    }
    state.m_nPrepared = view.m_nPrepared;
    state.m_nCurves = static_cast<std::int32_t>(view.m_aCurves.size());
    state.m_nTotal = static_cast<std::int32_t>(view.TotalPoints());
    state.m_nFunction = view.m_nFunction;
    state.m_nCoef = view.m_nCoef;
    for (std::size_t k = 0; k < static_cast<std::size_t>(view.m_nCoef); ++k)
        state.m_dA[k] = view.Coef(k);
    state.m_dErrorSr = view.m_dErrorSr;
    state.m_dErrorMax = view.m_dErrorMax;

    if (view.m_nPrepared != 0) {
        TakeFilePoints(state, view);
        return EReadStatus::Ready;
    }

    // Raw curves are prepared from the file's records where they lie; the raw point table
    // is built only when a curve cannot be prepared, since the file is then written back as
    // it was read.
    std::vector<CPreparedCurve> aPrepared;
    std::vector<CExchangePoint> aLastRaw;
    aPrepared.reserve(static_cast<std::size_t>(state.m_nCurves));
    aLastRaw.reserve(static_cast<std::size_t>(state.m_nCurves));
    for (int i = 0; i < state.m_nCurves; ++i) {
        const CRecordBlock& block = view.m_aCurves[static_cast<std::size_t>(i)];
        const auto n = static_cast<std::size_t>(block.m_nPoints);
        const unsigned char* pFirst = block.m_pFirst;
        const CRecordLayout& layout = block.m_layout;
        const CRawSeries record{pFirst ? pFirst + layout.m_aOffset[kStrainValue] : nullptr,
                                pFirst ? pFirst + layout.m_aOffset[kStressValue] : nullptr, layout.m_nStride,
                                block.m_nPoints};
        aPrepared.push_back(PrepareCurve(record));
        aLastRaw.push_back(n == 0 ? CExchangePoint{} : block.Point(n - 1));
        if (!aPrepared.back().m_bOk) {
            state.m_strProblem = "curve " + std::to_string(i + 1) + " cannot be prepared: " + aPrepared.back().m_strReason;
            TakeFilePoints(state, view);
            return EReadStatus::PreparationRefused;
        }
    }
    TakePreparedCurves(state, aPrepared, aLastRaw);
    return EReadStatus::Ready;
}

EReadStatus LoadState(CEngineState& state, const CExchangeData& data) { return LoadState(state, ViewOf(data)); }

namespace {

// Where the exchange values of a point-table record lie: in file order from m_ex on.
const CRecordLayout kEnginePointLayout{sizeof(CEnginePoint), {0, 8, 16, 24, 32, 40, 48}};

} // namespace

CExchangeView StateView(const CEngineState& state) {
    CExchangeView view;
    view.m_nPrepared = state.m_nPrepared;
    view.m_aCurves.reserve(static_cast<std::size_t>(state.m_nCurves));
    std::size_t iPoint = 0;
    for (int i = 0; i < state.m_nCurves; ++i) {
        const std::int32_t n = state.m_anCount[static_cast<std::size_t>(i)];
        const auto* pFirst = n > 0 ? reinterpret_cast<const unsigned char*>(&state.m_aPoints[iPoint].m_ex) : nullptr;
        view.m_aCurves.push_back({pFirst, kEnginePointLayout, n});
        iPoint += static_cast<std::size_t>(n);
    }
    view.m_nFunction = state.m_nFunction;
    view.m_pCoef = reinterpret_cast<const unsigned char*>(state.m_dA.data());
    view.m_nCoef = state.m_nCoef;
    view.m_dErrorSr = state.m_dErrorSr;
    view.m_dErrorMax = state.m_dErrorMax;
    return view;
}

EReadStatus ReadExchangeFile() {
    CEngineState& state = Engine();
    // The file's bytes land in storage kept from call to call (up to kKeptBytes); the
    // preparation reads the raw records from there.
    static CByteBuffer s_fileBytes;
    const CReleaseIfLarger release(s_fileBytes, kKeptBytes);
    try {
        return LoadState(state, ReadExchangeView(kExchangeFileName, CExchangeLimits{kMaxExchangeCurves, kMaxCoef}, s_fileBytes));
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
    WriteExchangeView(kExchangeFileName, StateView(state), EExchangeTrailer::ErrorsAgain, EExchangeReplace::RemoveFirst);
    state.m_aPoints.clear(); // the storage stays for the next call
    ReleaseIfLarge(state.m_aPoints);
}

} // namespace tarnfit
