#pragma once
// The engine-wide state: one exchange file's content while an entry point runs.
//
// Every entry point fills the state from "temp.mat" (ReadExchangeFile), fits, and writes
// it back (WriteExchangeFile). Raw curves (prepared flag 0) are prepared once while
// reading: trimmed, smoothed and resampled to 30 points (PrepareCurve.h).

#include "formats/ExchangeFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnfit {

inline constexpr int kMaxCoef = 56;

// One record of the point table.
struct CEnginePoint {
    // Working copies: strain, strain rate [1/s], temperature [deg C], time [s].
    double m_dE = 0;
    double m_dH = 0;
    double m_dT = 0;
    double m_dTime = 0;
    // The seven exchange values in file order; the fits write m_dFitStress.
    CExchangePoint m_ex;
    // Weight NTOTAL / n(curve): every curve carries the same total weight.
    double m_dW = 0;
};

// How reading the exchange file ended.
enum class EReadStatus {
    Ready,             // the state holds the file (prepared when it was raw)
    PreparationRefused, // a raw curve could not be prepared; the state holds the file as read
    Unusable,          // the file is missing or breaks the layout's limits; leave it alone
};

struct CEngineState {
    std::int32_t m_nPrepared = 0;
    std::int32_t m_nCurves = 0;                 // N
    std::int32_t m_nTotal = 0;                  // NTOTAL, the size of the point table
    std::array<std::int32_t, kMaxExchangeCurves> m_anCount{}; // points per curve
    std::vector<CEnginePoint> m_aPoints;        // curve after curve, file order
    std::int32_t m_nFunction = 0;               // workbench model number, carried through
    std::int32_t m_nCoef = 0;                   // NCOEF
    std::array<double, kMaxCoef> m_dA{};        // A1..A(NCOEF)
    double m_dErrorSr = 0;
    double m_dErrorMax = 0;
    std::string m_strProblem;                   // why reading ended other than Ready

    // Index of the first point of curve i (0-based) in the point table.
    std::size_t FirstPoint(int i) const;
};

// The one engine-wide state.
CEngineState& Engine();

// Fills the engine state from the exchange file, preparing raw curves. On Unusable and
// PreparationRefused m_strProblem says why. Never throws.
EReadStatus ReadExchangeFile();

// Writes the engine state to the exchange file (trailer: the two errors again) and
// releases the point table. Throws CFileError when the file cannot be written; the previous
// file then stays as it was.
void WriteExchangeFile();

// The refusal result: NCOEF 0, both errors 100000.0; coefficients and fitted stresses stay.
void SetRefusal(CEngineState& state);

// Builds the state from a file's content, preparing raw curves from their records where
// they lie (the view's storage is only read). Data with more than kMaxExchangeCurves curves, more
// than kMaxCoef coefficients or more than 2^31 - 1 points are Unusable (m_strProblem says
// why), never copied past the tables. A raw curve that cannot be prepared gives
// PreparationRefused with the point table holding the file's points as they are.
EReadStatus LoadState(CEngineState& state, const CExchangeView& view);
EReadStatus LoadState(CEngineState& state, const CExchangeData& data);
// The state as the file content it writes, by reference into the point table.
CExchangeView StateView(const CEngineState& state);

} // namespace tarnfit
