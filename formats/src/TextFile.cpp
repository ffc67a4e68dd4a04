#include "formats/TextFile.h"

#include "formats/BinaryFile.h"

#include <charconv>
#include <cmath>

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
