#include "formats/TextFile.h"

#include "formats/BinaryFile.h"

#include <charconv>
#include <cmath>
#include <limits>

void AppendFixed6(std::string& strOut, double dValue) {
    if (std::isnan(dValue)) {
        strOut += std::signbit(dValue) ? "-nan" : "nan";
        return;
    }
    // A finite double has at most 309 integer digits; std::to_chars with an explicit
    // precision rounds exactly as printf does in the C locale.
    char szBuffer[400];
    const std::to_chars_result result =
        std::to_chars(szBuffer, szBuffer + sizeof szBuffer, dValue, std::chars_format::fixed, 6);
    strOut.append(szBuffer, result.ptr);
}

const char* ScanFloat(const char* p, const char* pEnd, float& fValue) {
    bool bNegative = false;
    if (p < pEnd && (*p == '+' || *p == '-')) {
        bNegative = *p == '-';
        ++p;
    }
    if (p == pEnd || *p == '+' || *p == '-')
        return nullptr;
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
    fValue = bNegative ? -fParsed : fParsed;
    return pStop;
}

void AppendInt(std::string& strOut, std::int64_t nValue) {
    char szBuffer[24];
    const std::to_chars_result result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, nValue);
    strOut.append(szBuffer, result.ptr);
}

void WriteTextFile(const std::string& strPath, std::string_view strText) {
    CBinaryFile file(strPath, CBinaryFile::EMode::Write);
    file.Write(strText.data(), strText.size());
    file.Close();
}
