#pragma once
// The binary layout shared by material files "*.mat" and the exchange file "temp.mat".
//
// Little-endian, no header magic, no padding:
//   int32 prepared flag, int32 curve count N, int32 total point count,
//   N x { int32 point count n, n x 7 doubles (strain, strain rate [1/s], auxiliary,
//         temperature [deg C], time [s], fitted stress, measured stress) },
//   int32 function number, int32 coefficient count K, K doubles A1..AK,
//   double ErrorSr, double ErrorMax,
//   trailer that no reader uses: N int32 words (workbench) or ErrorSr, ErrorMax again (engine).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The exchange file through which the workbench and the engine talk, in the folder of the run.
inline constexpr const char* kExchangeFileName = "temp.mat";

// One point record, in file order.
struct CExchangePoint {
    double m_dStrain = 0;
    double m_dRate = 0;      // strain rate, 1/s
    double m_dAux = 0;       // carried through, never interpreted
    double m_dTemp = 0;      // temperature, deg C
    double m_dTime = 0;      // strain / strain rate, s
    double m_dFitStress = 0; // written by the engine's fits
    double m_dStress = 0;    // measured yield stress
};
static_assert(sizeof(CExchangePoint) == 7 * sizeof(double), "a point record is 56 bytes");

struct CExchangeCurve {
    std::vector<CExchangePoint> m_aPoints;
};

// What follows field 9. Readers never look at it.
enum class EExchangeTrailer {
    CurveWords,  // one int32 (0) per curve: files written by the workbench
    ErrorsAgain, // ErrorSr and ErrorMax a second time: files written by the engine
};

struct CExchangeData {
    std::int32_t m_nPrepared = 0;
    std::vector<CExchangeCurve> m_aCurves;
    std::int32_t m_nFunction = 0;
    std::vector<double> m_aCoef; // A1..AK
    double m_dErrorSr = 0;
    double m_dErrorMax = 0;

    // Sum of the curves' point counts: the total point count field.
    std::int64_t TotalPoints() const;
};

// Limits a reader enforces. The workbench holds 200 curves and 100 coefficients, the
// engine 200 curves and 56 coefficients.
struct CExchangeLimits {
    std::int32_t m_nMaxCurves = 200;
    std::int32_t m_nMaxCoef = 100;
};

// Reads and validates a whole file. Throws CFileError naming the file and the field when
// it cannot be opened, a count is negative or above the limits, the total point count is
// not the sum of the curve counts, or the file is shorter than its counts announce.
// Bytes after field 9 are ignored. pBuffer, when given, receives the file's bytes and is
// reused by a caller that reads many files.
CExchangeData ReadExchangeData(const std::string& strPath, const CExchangeLimits& limits,
                               std::vector<unsigned char>* pBuffer = nullptr);

// Writes the whole file through a temporary file renamed over strPath, so a failure
// (CFileError) leaves any previous file intact. The total point count is derived from the
// curves.
void WriteExchangeData(const std::string& strPath, const CExchangeData& data, EExchangeTrailer eTrailer);

// Length in bytes of the file WriteExchangeData writes.
std::size_t ExchangeFileSize(const CExchangeData& data, EExchangeTrailer eTrailer);
