#include "formats/TextFile.h"

#include "formats/BinaryFile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

void AppendFixed(std::string& strOut, double dValue, int nPrecision, int nWidth) {
    // A finite double has at most 309 integer digits; std::to_chars with an explicit
    // precision rounds exactly as printf does in the C locale.
    char szBuffer[400 + kMaxFixedPrecision];
    const char* pEnd = szBuffer;
    if (std::isnan(dValue)) {
        const char* szNan = std::signbit(dValue) ? "-nan" : "nan";
        pEnd = std::copy(szNan, szNan + std::strlen(szNan), szBuffer);
    } else {
        pEnd = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, dValue, std::chars_format::fixed,
                             std::clamp(nPrecision, 0, kMaxFixedPrecision))
                   .ptr;
    }
    const auto nLength = static_cast<int>(pEnd - szBuffer);
    if (nWidth > nLength)
        strOut.append(static_cast<std::size_t>(nWidth - nLength), ' ');
    strOut.append(szBuffer, static_cast<std::size_t>(nLength));
}

void AppendFixed6(std::string& strOut, double dValue) { AppendFixed(strOut, dValue, 6); }

namespace {

// Powers of ten that float and double hold exactly.
constexpr float kFloatPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr double kDoublePowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Reads the run of decimal digits at q into nMantissa (times ten per digit, which may wrap
// past 64 bits: the caller counts the digits). Returns the end of the run.
const char* ScanDigits(const char* q, const char* pEnd, std::uint64_t& nMantissa) {
    while (q < pEnd && static_cast<unsigned char>(*q - '0') < 10)
        nMantissa = nMantissa * 10 + static_cast<unsigned char>(*q++ - '0');
    return q;
}

// The plain decimal "digits[.digits]" at p (no sign, no exponent), the form data files and
// "%f" write, converted without the general algorithm where that is exact: the digits as an
// integer m, the number m / 10^k. A float quotient of float-exact m and 10^k is the correctly
// rounded float (one IEEE operation, W. D. Clinger, How to read floating point numbers
// accurately, PLDI 1990); a double quotient of double-exact operands is the correctly rounded
// double d, and rounding d to float gives the float nearest the number unless d is the
// midpoint of two floats. Returns the end of the number, or null to leave the number to the
// general conversion (an exponent, more than 19 significant digits, a midpoint, a value
// outside the normal float range).
const char* ScanPlainDecimal(const char* p, const char* pEnd, float& fValue) {
    constexpr int kMaxDigits = 19; // 10^19 - 1 < 2^64
    std::uint64_t nMantissa = 0;
    const char* q = ScanDigits(p, pEnd, nMantissa);
    auto nDigits = q - p;
    int nFraction = 0;
    if (q < pEnd && *q == '.') {
        const char* pFraction = ++q;
        q = ScanDigits(q, pEnd, nMantissa);
        nFraction = static_cast<int>(q - pFraction);
        nDigits += nFraction;
    }
    if (nDigits == 0 || nDigits > kMaxDigits || nFraction > 22 ||
        (q < pEnd && (*q == '.' || *q == 'e' || *q == 'E')))
        return nullptr;
    if (nMantissa <= (std::uint64_t{1} << 24) && nFraction <= 10) {
        fValue = static_cast<float>(nMantissa) / kFloatPowers[nFraction];
        return q;
    }
    if (nMantissa > (std::uint64_t{1} << 53))
        return nullptr;
    const double d = static_cast<double>(nMantissa) / kDoublePowers[nFraction];
    // Within the normal float range, d is the midpoint of two floats when the 29 bits of
    // its significand beyond a float's are 1 followed by zeros.
    if (!(d >= std::numeric_limits<float>::min() && d <= std::numeric_limits<float>::max()))
        return nullptr;
    constexpr std::uint64_t kBeyondFloat = (std::uint64_t{1} << 29) - 1;
    if ((std::bit_cast<std::uint64_t>(d) & kBeyondFloat) == (std::uint64_t{1} << 28))
        return nullptr;
    fValue = static_cast<float>(d);
    return q;
}

// The general conversion of the number at p (no sign) into single precision, as ScanFloat
// describes; out of line, so that the plain decimals take a lean path.
[[gnu::noinline]] const char* ScanFloatGeneral(const char* p, const char* pEnd, float& fValue) {
    float fParsed = 0;
    auto [pStop, ec] = std::from_chars(p, pEnd, fParsed, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Outside the float range: the double value tells inf, 0 or a subnormal float, and
        // a double overflow or underflow goes by the exponent's sign.
        double dParsed = 0;
        auto [pStopD, ecD] = std::from_chars(p, pEnd, dParsed, std::chars_format::general);
        if (ecD == std::errc::result_out_of_range) {
            const std::string_view strNumber(p, static_cast<std::size_t>(pStopD - p));
            const std::size_t nExp = strNumber.find_first_of("eE");
            const bool bTiny = nExp != std::string_view::npos && nExp + 1 < strNumber.size() && strNumber[nExp + 1] == '-';
            dParsed = bTiny ? 0.0 : std::numeric_limits<double>::infinity();
        } else if (ecD != std::errc()) {
            return nullptr;
        }
        fParsed = static_cast<float>(dParsed);
        pStop = pStopD;
    } else if (ec != std::errc()) {
        return nullptr;
    }
    fValue = fParsed;
    return pStop;
}

} // namespace

const char* ScanFloat(const char* p, const char* pEnd, float& fValue) {
    bool bNegative = false;
    if (p < pEnd && (*p == '+' || *p == '-')) {
        bNegative = *p == '-';
        ++p;
    }
    if (p == pEnd || *p == '+' || *p == '-')
        return nullptr;
    float fParsed = 0;
    const char* pStop = ScanPlainDecimal(p, pEnd, fParsed);
    if (!pStop)
        pStop = ScanFloatGeneral(p, pEnd, fParsed);
    if (pStop)
        fValue = bNegative ? -fParsed : fParsed;
    return pStop;
}

void AppendInt(std::string& strOut, std::int64_t nValue) {
    char szBuffer[24];
    const std::to_chars_result result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, nValue);
    strOut.append(szBuffer, result.ptr);
}

void WriteTextFile(const std::string& strPath, std::string_view strText) {
    CBinaryFile file(strPath);
    file.Write(strText.data(), strText.size());
    file.Close();
}
