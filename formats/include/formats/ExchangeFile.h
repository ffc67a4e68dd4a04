#pragma once
// The binary layout shared by material files "*.mat" and the exchange file "temp.mat".
//
// Little-endian, no header magic, no padding:
//   int32 prepared flag, int32 curve count N, int32 total point count,
//   N x { int32 point count n, n x 7 doubles (strain, strain rate [1/s], auxiliary,
//         temperature [deg C], time [s], fitted stress, measured stress) },
//   int32 function number, int32 coefficient count K, K doubles A1..AK,
//   double ErrorSr, double ErrorMax,
//   trailer that no reader uses: N int32 words (workbench) or ErrorSr, ErrorMax again (engine),
//   then, in a file the workbench writes, optionally its sections (CExchangeSection).

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class CByteBuffer;

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

// What the workbench keeps with a material beyond the layout's fields (a fit's confidence
// intervals, ...), as named texts after the workbench's trailer:
//   8 bytes "VORNELSX", int32 section count S, S x { int32 name length, the name's bytes,
//   int32 text length, the text's bytes }.
// A reader that stops after field 9 (the engine, an older Vornel) never sees them; this one
// takes them when the 8 bytes after the trailer words are the mark, and refuses a file whose
// sections are cut short. The engine writes none, so "temp.mat" read back carries none.
struct CExchangeSection {
    std::string m_strName; // 1..kMaxSectionName bytes
    std::string m_strText;
    bool operator==(const CExchangeSection&) const = default;
};
inline constexpr std::size_t kMaxSectionName = 64;
inline constexpr std::int32_t kMaxSections = 64;

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
    std::vector<CExchangeSection> m_aSections; // after the trailer

    // Sum of the curves' point counts: the total point count field.
    std::int64_t TotalPoints() const;
};

// The most curves a material and an exchange file hold: the workbench's curve table and the
// engine's count table have this many slots.
inline constexpr int kMaxExchangeCurves = 200;

// Both error values of the refusal result: the coefficient count 0 says that the fit
// refused its data, and ErrorSr and ErrorMax hold this value.
inline constexpr double kRefusalError = 100000.0;

// Limits a reader enforces. The workbench holds 200 curves and 100 coefficients, the
// engine 200 curves and 56 coefficients.
struct CExchangeLimits {
    std::int32_t m_nMaxCurves = kMaxExchangeCurves;
    std::int32_t m_nMaxCoef = 100;
};

// Where the seven values of a point record lie in memory: the byte offsets of strain, strain
// rate, auxiliary, temperature, time, fitted stress and measured stress within a record
// (value v at m_aOffset[v]), and the bytes from one record to the next. The default is the
// file's own: seven doubles in file order, 56 bytes a record.
struct CRecordLayout {
    std::size_t m_nStride = 7 * sizeof(double);
    std::array<std::size_t, 7> m_aOffset = {0, 8, 16, 24, 32, 40, 48};

    // The file's layout: the records can go to a file as they lie.
    bool IsFileLayout() const { return *this == CRecordLayout{}; }
    bool operator==(const CRecordLayout&) const = default;
};

// Positions of values in a record, in file order (CRecordLayout::m_aOffset).
inline constexpr std::size_t kStrainValue = 0;
inline constexpr std::size_t kStressValue = 6;

// One curve's point records as they lie in a file image or in memory, m_nPoints records
// laid out as m_layout says; the doubles need not be aligned.
struct CRecordBlock {
    const unsigned char* m_pFirst = nullptr;
    CRecordLayout m_layout;
    std::int32_t m_nPoints = 0;

    // Value v (file order) of record j (0-based).
    double Value(std::size_t j, std::size_t v) const {
        double d;
        std::memcpy(&d, m_pFirst + j * m_layout.m_nStride + m_layout.m_aOffset[v], sizeof d);
        return d;
    }
    // Record j as the seven values in file order.
    CExchangePoint Point(std::size_t j) const {
        double aValues[7];
        for (std::size_t v = 0; v < 7; ++v)
            aValues[v] = Value(j, v);
        CExchangePoint point;
        std::memcpy(&point, aValues, sizeof point);
        return point;
    }
};

// A whole file's fields 1..9 by reference: the point records are not copied. A view read
// from a file points into the bytes it was read from; one made for writing points into the
// writer's own storage, which must outlive it.
struct CExchangeView {
    std::int32_t m_nPrepared = 0;
    std::vector<CRecordBlock> m_aCurves;
    std::int32_t m_nFunction = 0;
    const unsigned char* m_pCoef = nullptr; // A1..AK, K = m_nCoef doubles, maybe unaligned
    std::int32_t m_nCoef = 0;
    double m_dErrorSr = 0;
    double m_dErrorMax = 0;
    std::vector<CExchangeSection> m_aSections; // after the trailer (copies: they are small)

    std::int64_t TotalPoints() const;
    double Coef(std::size_t k) const {
        double d;
        std::memcpy(&d, m_pCoef + k * sizeof(double), sizeof d);
        return d;
    }
};

// Parses and validates the file image pBytes[0..nBytes) read from strPath (the name the
// errors carry). Throws CFileError naming the file and the field when a count is negative
// or above the limits, the total point count is not the sum of the curve counts, or the
// image is shorter than its counts announce, or when its sections are cut short. The trailer
// is skipped; the view points into the image.
CExchangeView ParseExchangeImage(const unsigned char* pBytes, std::size_t nBytes, const std::string& strPath,
                                 const CExchangeLimits& limits);

// Reads the whole file at strPath into buffer with one read and parses it (as above; also
// when it cannot be opened). The view points into buffer.
CExchangeView ReadExchangeView(const std::string& strPath, const CExchangeLimits& limits, CByteBuffer& buffer);

// The view of data, for writing it or reading it in place.
CExchangeView ViewOf(const CExchangeData& data);

// The view's content as a neutral structure (a copy).
CExchangeData DataOf(const CExchangeView& view);

// How a write replaces an existing file: see CBinaryFile::EReplace.
enum class EExchangeReplace {
    Atomic,      // the user's material files
    RemoveFirst, // the exchange file "temp.mat", rewritten before and after every engine call
};

// Writes view to strPath with gathered writes: header, counts and record blocks in the
// file's layout go to the file from where they lie (all of a file in one system call when
// every block does); blocks in another layout are put into file order through a staging
// buffer of kStagingBytes, written whenever it fills. Through a temporary file renamed over
// strPath, so a failure (CFileError) leaves any previous file intact. The total point count
// is derived from the curves.
inline constexpr std::size_t kStagingBytes = std::size_t{256} << 10;
void WriteExchangeView(const std::string& strPath, const CExchangeView& view, EExchangeTrailer eTrailer,
                       EExchangeReplace eReplace = EExchangeReplace::Atomic);

// Length in bytes of the file WriteExchangeView writes.
std::size_t ExchangeFileSize(const CExchangeView& view, EExchangeTrailer eTrailer);

// Reads and validates a whole file. Throws CFileError naming the file and the field when
// it cannot be opened, a count is negative or above the limits, the total point count is
// not the sum of the curve counts, or the file is shorter than its counts announce.
// The trailer is skipped; sections after it are read (CExchangeSection).
CExchangeData ReadExchangeData(const std::string& strPath, const CExchangeLimits& limits);

// Writes the whole file through a temporary file renamed over strPath, so a failure
// (CFileError) leaves any previous file intact. The total point count is derived from the
// curves.
void WriteExchangeData(const std::string& strPath, const CExchangeData& data, EExchangeTrailer eTrailer);

// Length in bytes of the file WriteExchangeData writes.
std::size_t ExchangeFileSize(const CExchangeData& data, EExchangeTrailer eTrailer);
