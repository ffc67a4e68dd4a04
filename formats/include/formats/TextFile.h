#pragma once
// Text shared by the text files (experiment data, "visual.tmp", "progr.f90"): numbers in
// the C library's "%f" and "%d" forms independent of the process locale, read and written,
// and a whole-file write that never leaves a half-written file behind.

#include <cstdint>
#include <string>
#include <string_view>

// Appends dValue as "%<nWidth>.<nPrecision>f" in the C locale: fixed notation with
// nPrecision decimals (0 .. kMaxFixedPrecision), never an exponent, "-" for negative values
// (also -0.000), "inf", "-inf", "nan" or "-nan" for values that are not finite, right-aligned
// with blanks in at least nWidth characters.
inline constexpr int kMaxFixedPrecision = 30;
void AppendFixed(std::string& strOut, double dValue, int nPrecision, int nWidth = 0);

// Appends dValue as "%f": AppendFixed with six decimals.
void AppendFixed6(std::string& strOut, double dValue);

// Reads the real that starts at p (no blanks skipped) as the C library's "%f" conversion
// does, into single precision: an optional sign, then a decimal number with optional
// exponent, "inf"/"infinity" or "nan". Magnitudes beyond the float range become +-inf,
// magnitudes below it 0. Returns the end of the number, or null when no number starts at p
// (fValue is then unchanged).
const char* ScanFloat(const char* p, const char* pEnd, float& fValue);

// Appends nValue as "%d".
void AppendInt(std::string& strOut, std::int64_t nValue);

// Writes strText to strPath through a temporary file in the same folder that is renamed
// over strPath, so strPath holds either its previous content or all of strText. Throws
// CFileError naming strPath when the file cannot be created, written or replaced.
void WriteTextFile(const std::string& strPath, std::string_view strText);
