#include "vornel/intake/ColumnFile.h"

#include "vornel/document/Material.h"

#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

constexpr int kMaxHeaderLines = 1000; // lines searched for the first row
constexpr int kRowsToAgree = 3;       // rows that must split alike to count as data

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string str(s);
    for (char& c : str)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}

// The line that starts at offset n of text (without its break) and the offset after it.
std::string_view LineAt(std::string_view text, std::size_t& n) {
    const std::size_t nStart = n;
    const void* pBreak = std::memchr(text.data() + n, '\n', text.size() - n);
    const std::size_t nEnd = pBreak ? static_cast<std::size_t>(static_cast<const char*>(pBreak) - text.data()) : text.size();
    n = pBreak ? nEnd + 1 : text.size();
    std::string_view line = text.substr(nStart, nEnd - nStart);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

char DelimiterChar(EDelimiter e) {
    switch (e) {
    case EDelimiter::Comma:
        return ',';
    case EDelimiter::Semicolon:
        return ';';
    case EDelimiter::Tab:
        return '\t';
    default:
        return ' ';
    }
}

// The closing quote of the quoted field that opens at nOpen ("" inside stands for a quote),
// or npos.
std::size_t ClosingQuote(std::string_view line, std::size_t nOpen) {
    for (std::size_t q = line.find('"', nOpen + 1); q != std::string_view::npos; q = line.find('"', q + 2))
        if (q + 1 >= line.size() || line[q + 1] != '"')
            return q;
    return std::string_view::npos;
}

// The fields of a line; with white space, runs of blanks and tabs separate them; otherwise
// the delimiter does, blanks around a field are dropped and an empty last field (a line that
// ends in the delimiter) does not count. A field in double quotes, as spreadsheets and
// test programs write them, is what stands between its quotes, delimiters included.
template <class Visit>
int ForEachField(std::string_view line, EDelimiter eDelimiter, Visit visit) {
    int nField = 0;
    std::size_t i = 0;
    if (eDelimiter == EDelimiter::Whitespace) {
        while (i < line.size()) {
            while (i < line.size() && IsBlank(line[i]))
                ++i;
            if (i >= line.size())
                break;
            const std::size_t nStart = i;
            if (line[i] == '"') {
                const std::size_t nClose = ClosingQuote(line, i);
                if (nClose != std::string_view::npos && (nClose + 1 == line.size() || IsBlank(line[nClose + 1]))) {
                    i = nClose + 1;
                    if (!visit(nField++, line.substr(nStart + 1, nClose - nStart - 1), i))
                        return nField;
                    continue;
                }
            }
            while (i < line.size() && !IsBlank(line[i]))
                ++i;
            if (!visit(nField++, line.substr(nStart, i - nStart), i))
                return nField;
        }
        return nField;
    }
    const char cDelimiter = DelimiterChar(eDelimiter);
    if (Trim(line).empty())
        return 0;
    while (true) {
        std::size_t nFrom = i;   // where the delimiter is looked for
        std::optional<std::string_view> quoted;
        std::size_t nOpen = i;
        while (nOpen < line.size() && IsBlank(line[nOpen]))
            ++nOpen;
        if (nOpen < line.size() && line[nOpen] == '"')
            if (const std::size_t nClose = ClosingQuote(line, nOpen); nClose != std::string_view::npos) {
                quoted = Trim(line.substr(nOpen + 1, nClose - nOpen - 1));
                nFrom = nClose + 1;
            }
        const std::size_t nStop = line.find(cDelimiter, nFrom);
        const std::size_t nEnd = nStop == std::string_view::npos ? line.size() : nStop;
        const std::string_view field = quoted ? *quoted : Trim(line.substr(i, nEnd - i));
        if (nStop == std::string_view::npos && field.empty() && !quoted && nField > 0)
            break;
        if (!visit(nField++, field, nEnd))
            return nField;
        if (nStop == std::string_view::npos)
            break;
        i = nStop + 1;
    }
    return nField;
}

// A number as rows write it: optional sign, digits with the decimal mark, optional
// exponent; finite.
bool ParseField(std::string_view field, EDecimal eDecimal, double& dValue) {
    if (field.empty())
        return false;
    if (field.front() == '+')
        field.remove_prefix(1);
    const char* pBegin = field.data();
    const char* pEnd = pBegin + field.size();
    char szBuffer[64];
    if (eDecimal == EDecimal::Comma) {
        if (field.size() >= sizeof szBuffer || field.find('.') != std::string_view::npos)
            return false;
        std::memcpy(szBuffer, field.data(), field.size());
        std::replace(szBuffer, szBuffer + field.size(), ',', '.');
        pBegin = szBuffer;
        pEnd = szBuffer + field.size();
    }
    if (!(std::isdigit(static_cast<unsigned char>(*pBegin)) || *pBegin == '-' || *pBegin == '.'))
        return false;
    const auto [pStop, ec] = std::from_chars(pBegin, pEnd, dValue, std::chars_format::general);
    return ec == std::errc() && pStop == pEnd && std::isfinite(dValue);
}

// A clock time or a date as data loggers write them beside their numbers ("16:33:21.5",
// "08.12.2026", "2026-12-08T16:33:21"): digits and the separators : . / - , T, with a colon
// or two date separators of one kind.
bool IsClockOrDate(std::string_view field) {
    if (field.empty() || !std::isdigit(static_cast<unsigned char>(field.front())))
        return false;
    if (!std::all_of(field.begin(), field.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || std::strchr(":./-,T", c) != nullptr;
        }))
        return false;
    const auto count = [&](char c) { return std::count(field.begin(), field.end(), c); };
    return count(':') > 0 || count('.') == 2 || count('/') == 2 || count('-') == 2;
}

// The count of fields when every field of line is a number (or a clock time or date, as
// long as two are numbers), else 0.
int NumberFields(std::string_view line, EDelimiter eDelimiter, EDecimal eDecimal) {
    bool bAll = true;
    int nNumbers = 0;
    const int nFields = ForEachField(line, eDelimiter, [&](int, std::string_view field, std::size_t) {
        double d = 0;
        if (ParseField(field, eDecimal, d))
            ++nNumbers;
        else
            bAll = IsClockOrDate(field);
        return bAll;
    });
    return bAll && nNumbers >= 2 ? nFields : 0;
}

bool IsUnitToken(std::string_view token) {
    static const std::array<const char*, 50> aUnits = {
        "s",    "sec",  "ms",  "min", "h",   "°c",  "c",      "k",     "degc",  "deg c",
        "-",    "1",    "%",   "mpa", "kpa", "pa",  "gpa",    "n/mm²", "n/mm2", "n/mm^2",
        "n",    "kn",   "mn",  "mm",  "µm",  "um",  "m",      "1/s",   "s-1",   "/s",
        "s^-1", "mm/s", "v",   "kg",  "°",   "j",   "w",      "hz",    "psi",   "ksi",
        "lbf",  "kgf",  "kip", "in",  "cm",  "in/s", "mm/mm", "in/in", "kgf/mm²", "kgf/mm2"};
    std::string str = Lower(Trim(token));
    if (str.size() > 2 && ((str.front() == '(' && str.back() == ')') || (str.front() == '[' && str.back() == ']')))
        str = str.substr(1, str.size() - 2);
    // "µ" written in Latin-1 and decoded, or as the Greek letter mu.
    if (str.rfind("\xce\xbc", 0) == 0)
        str = "\xc2\xb5" + str.substr(2);
    return std::find(aUnits.begin(), aUnits.end(), str) != aUnits.end();
}

std::string Utf8FromLatin1(std::string_view s) {
    std::string str;
    str.reserve(s.size() + 8);
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            str += c;
        } else {
            str += static_cast<char>(0xC0 | (u >> 6));
            str += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return str;
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto u = static_cast<unsigned char>(s[i]);
        int nMore = u < 0x80 ? 0 : (u >> 5) == 6 ? 1 : (u >> 4) == 14 ? 2 : (u >> 3) == 30 ? 3 : -1;
        if (nMore < 0 || (u >= 0x80 && u < 0xC2))
            return false;
        if (i + static_cast<std::size_t>(nMore) >= s.size() + (nMore == 0 ? 1 : 0))
            return false;
        for (int k = 1; k <= nMore; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) >> 6) != 2)
                return false;
        i += static_cast<std::size_t>(nMore) + 1;
    }
    return true;
}

// The UTF-8 characters of s up to byte n (each code point counts once).
std::size_t CharColumn(std::string_view s, std::size_t n) {
    std::size_t nChars = 0;
    for (std::size_t i = 0; i < n && i < s.size(); ++i)
        nChars += (static_cast<unsigned char>(s[i]) >> 6) != 2;
    return nChars;
}

std::vector<std::string> SplitOn(std::string_view line, std::string_view separator) {
    std::vector<std::string> a;
    std::size_t i = 0;
    while (true) {
        const std::size_t n = line.find(separator, i);
        a.emplace_back(Trim(line.substr(i, n == std::string_view::npos ? std::string_view::npos : n - i)));
        if (n == std::string_view::npos)
            break;
        i = n + separator.size();
    }
    return a;
}

std::vector<std::string> SplitOnBlankRuns(std::string_view line, std::size_t nMinRun) {
    std::vector<std::string> a;
    line = Trim(line);
    std::size_t i = 0, nStart = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            std::size_t j = i;
            while (j < line.size() && IsBlank(line[j]))
                ++j;
            if (j - i >= nMinRun || line[i] == '\t') {
                a.emplace_back(line.substr(nStart, i - nStart));
                nStart = j;
            }
            i = j;
        } else {
            ++i;
        }
    }
    if (!line.empty())
        a.emplace_back(line.substr(nStart));
    return a;
}

// Titles (or units) of fixed-width rows: each word joins the column whose number ends at or
// after the word's end (and after the previous column's end). aEnds are the character
// columns where the first row's fields end.
std::vector<std::string> SplitByPosition(std::string_view line, const std::vector<std::size_t>& aEnds) {
    std::vector<std::string> a(aEnds.size());
    ForEachField(line, EDelimiter::Whitespace, [&](int, std::string_view word, std::size_t nAfter) {
        const std::size_t nEnd = CharColumn(line, nAfter);
        std::size_t k = 0;
        while (k + 1 < aEnds.size() && nEnd > aEnds[k])
            ++k;
        std::string& str = a[k];
        if (!str.empty())
            str += ' ';
        str.append(word);
        return true;
    });
    return a;
}

// The fields of a title or units line, nColumns or nColumns - 1 of them, or nothing.
std::vector<std::string> SplitHeader(std::string_view line, const CColumnLayout& layout, std::size_t nColumns,
                                     const std::vector<std::size_t>& aEnds) {
    const auto fits = [&](const std::vector<std::string>& a) { return a.size() == nColumns || a.size() + 1 == nColumns; };
    if (layout.m_eDelimiter != EDelimiter::Whitespace) {
        std::vector<std::string> a;
        ForEachField(line, layout.m_eDelimiter, [&](int, std::string_view field, std::size_t) {
            a.emplace_back(field);
            return true;
        });
        if (fits(a))
            return a;
        if (a.size() > nColumns && std::all_of(a.begin() + static_cast<std::ptrdiff_t>(nColumns), a.end(),
                                               [](const std::string& s) { return s.empty(); })) {
            a.resize(nColumns);
            return a;
        }
        return {};
    }
    if (line.find(" / ") != std::string_view::npos) {
        auto a = SplitOn(Trim(line), " / ");
        if (fits(a))
            return a;
    }
    if (auto a = SplitOnBlankRuns(line, 2); fits(a))
        return a;
    if (!aEnds.empty())
        return SplitByPosition(line, aEnds);
    if (auto a = SplitOnBlankRuns(line, 1); fits(a))
        return a;
    return {};
}

// A title's unit in brackets at its end ("Force(kN)", "Stress [MPa]"), taken off the title.
std::string TakeBracketUnit(std::string& strTitle) {
    const std::string_view title = Trim(strTitle);
    if (title.size() < 3 || (title.back() != ')' && title.back() != ']'))
        return {};
    const char cOpen = title.back() == ')' ? '(' : '[';
    const std::size_t nOpen = title.rfind(cOpen);
    if (nOpen == std::string_view::npos || nOpen == 0)
        return {};
    const std::string_view unit = title.substr(nOpen + 1, title.size() - nOpen - 2);
    if (!IsUnitToken(unit))
        return {};
    std::string strUnit(Trim(unit));
    strTitle = std::string(Trim(title.substr(0, nOpen)));
    return strUnit;
}

bool HasLetter(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || (c & 0x80); });
}

bool IsUnitLine(std::string_view line) {
    bool bAny = false;
    for (const std::string& token : SplitOnBlankRuns(line, 1)) {
        if (!IsUnitToken(token))
            return false;
        bAny = true;
    }
    return bAny;
}

struct SSynonym {
    const char* m_sz;
    EColumnRole m_eRole;
    int m_nRank;
};

// Most specific first within a role.
constexpr SSynonym kSynonyms[] = {
    {"true strain", EColumnRole::Strain, 0},      {"log strain", EColumnRole::Strain, 0},
    {"phi", EColumnRole::Strain, 1},              {"umformgrad", EColumnRole::Strain, 1},
    {"epsilon", EColumnRole::Strain, 2},          {"strain", EColumnRole::Strain, 3},
    {"dehnung", EColumnRole::Strain, 3},          {"true stress", EColumnRole::Stress, 0},
    {"flow stress", EColumnRole::Stress, 0},      {"kf", EColumnRole::Stress, 1},
    {"fließspannung", EColumnRole::Stress, 1},    {"fliessspannung", EColumnRole::Stress, 1},
    {"sigma", EColumnRole::Stress, 2},            {"stress", EColumnRole::Stress, 3},
    {"spannung", EColumnRole::Stress, 3},         {"time", EColumnRole::Time, 0},
    {"zeit", EColumnRole::Time, 0},               {"temperature", EColumnRole::Temperature, 0},
    {"temperatur", EColumnRole::Temperature, 0},  {"temp", EColumnRole::Temperature, 1},
    {"tc", EColumnRole::Temperature, 2},          {"tem", EColumnRole::Temperature, 2},
    {"force", EColumnRole::Force, 0},             {"kraft", EColumnRole::Force, 0},
    {"load", EColumnRole::Force, 0},              {"stroke", EColumnRole::Stroke, 0},
    {"jaw", EColumnRole::Stroke, 0},              {"displacement", EColumnRole::Stroke, 0},
    {"weg", EColumnRole::Stroke, 0},              {"dl", EColumnRole::Stroke, 0},
};

// word is synonym, or synonym followed by a number or punctuation only ("tem.1", "tc1").
bool WordMatches(const std::string& strWord, std::string_view synonym) {
    if (strWord.compare(0, synonym.size(), synonym) != 0)
        return false;
    return std::all_of(strWord.begin() + static_cast<std::ptrdiff_t>(synonym.size()), strWord.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '#'; });
}

} // namespace

const char* RoleName(EColumnRole eRole) {
    switch (eRole) {
    case EColumnRole::Strain:
        return "strain";
    case EColumnRole::Stress:
        return "stress";
    case EColumnRole::Time:
        return "time";
    case EColumnRole::Temperature:
        return "temperature";
    case EColumnRole::Force:
        return "force";
    case EColumnRole::Stroke:
        return "stroke";
    case EColumnRole::None:
        break;
    }
    return "";
}

EColumnRole ColumnRoleOfTitle(const std::string& strTitle, int* pRank) {
    // Words of the title without bracketed parts, lower case.
    std::string strPlain;
    int nDepth = 0;
    for (const char c : Lower(strTitle)) {
        if (c == '(' || c == '[')
            ++nDepth;
        else if ((c == ')' || c == ']') && nDepth > 0)
            --nDepth;
        else if (nDepth == 0)
            strPlain += (c == '_' || c == '/' || c == '-') ? ' ' : c;
    }
    std::vector<std::string> aWords;
    for (const std::string& strWord : SplitOnBlankRuns(strPlain, 1))
        aWords.push_back(strWord);
    for (const SSynonym& synonym : kSynonyms) {
        const std::vector<std::string> aSyn = SplitOnBlankRuns(synonym.m_sz, 1);
        for (std::size_t i = 0; i + aSyn.size() <= aWords.size(); ++i) {
            bool bMatch = true;
            for (std::size_t k = 0; k < aSyn.size() && bMatch; ++k)
                bMatch = k + 1 < aSyn.size() ? aWords[i + k] == aSyn[k] : WordMatches(aWords[i + k], aSyn[k]);
            if (bMatch) {
                if (pRank)
                    *pRank = synonym.m_nRank;
                return synonym.m_eRole;
            }
        }
    }
    return EColumnRole::None;
}

int CColumnLayout::Find(EColumnRole eRole) const {
    int nBest = -1;
    int nBestRank = 1000;
    for (std::size_t k = 0; k < m_aColumns.size(); ++k) {
        int nRank = 0;
        if (m_aColumns[k].m_eRole == eRole && ColumnRoleOfTitle(m_aColumns[k].m_strTitle, &nRank) == eRole &&
            nRank < nBestRank) {
            nBest = static_cast<int>(k);
            nBestRank = nRank;
        }
    }
    return nBest;
}

std::string CColumnLayout::Describe(bool bRoles) const {
    std::string str;
    for (std::size_t k = 0; k < m_aColumns.size(); ++k) {
        const CColumn& column = m_aColumns[k];
        if (k > 0)
            str += ", ";
        str += std::to_string(k + 1) + ": " + (column.m_strTitle.empty() ? std::string("(untitled)") : column.m_strTitle);
        if (!column.m_strUnit.empty())
            str += " (" + column.m_strUnit + ")";
        if (bRoles && column.m_eRole != EColumnRole::None && Find(column.m_eRole) == static_cast<int>(k))
            str += std::string(" = ") + RoleName(column.m_eRole);
    }
    return str;
}

std::string_view TextOfBytes(std::string_view bytes, std::string& strDecoded) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    bool bLittle = false, bBig = false;
    std::size_t nStart = 0;
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        bLittle = true;
        nStart = 2;
    } else if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        bBig = true;
        nStart = 2;
    } else {
        // Without a mark: the first line (at least four characters) is ASCII, one zero byte
        // to each character, on the same side throughout.
        std::size_t nPairs = 0;
        bool bLow = true, bHigh = true;   // the zero byte after / before each character
        for (std::size_t i = 0; i + 1 < bytes.size() && nPairs < 200; i += 2, ++nPairs) {
            const unsigned char a = byte(i), b = byte(i + 1);
            bLow = bLow && a != 0 && a < 0x80 && b == 0;
            bHigh = bHigh && b != 0 && b < 0x80 && a == 0;
            if ((bLow ? a : b) == '\n' || !(bLow || bHigh))
                break;
        }
        bLittle = bLow && nPairs >= 4;
        bBig = bHigh && nPairs >= 4;
    }
    if (!bLittle && !bBig)
        return bytes;
    strDecoded.clear();
    strDecoded.reserve(bytes.size() / 2 + bytes.size() / 8);
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        return bLittle ? byte(i) | static_cast<std::uint32_t>(byte(i + 1)) << 8 : static_cast<std::uint32_t>(byte(i)) << 8 | byte(i + 1);
    };
    for (std::size_t i = nStart; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            strDecoded += static_cast<char>(c);
        } else if (c < 0x800) {
            strDecoded += static_cast<char>(0xC0 | c >> 6);
            strDecoded += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            strDecoded += static_cast<char>(0xE0 | c >> 12);
            strDecoded += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            strDecoded += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            strDecoded += static_cast<char>(0xF0 | c >> 18);
            strDecoded += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            strDecoded += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            strDecoded += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return strDecoded;
}

std::string DecodeText(std::string_view bytes, EEncoding eEncoding, EEncoding* pFound) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    EEncoding eFound = eEncoding;
    if (eFound == EEncoding::Auto)
        eFound = IsValidUtf8(bytes) ? EEncoding::Utf8 : EEncoding::Latin1;
    if (pFound)
        *pFound = eFound;
    return eFound == EEncoding::Latin1 ? Utf8FromLatin1(bytes) : std::string(bytes);
}

CColumnLayout DetectLayout(std::string_view text, const CTextOptions& options, const std::string& strPath) {
    CColumnLayout layout;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        layout.m_bByteOrderMark = true;
        text.remove_prefix(3);
    }
    // The lines to search, with their offsets.
    std::vector<std::pair<std::size_t, std::string_view>> aLines;
    for (std::size_t n = 0; n < text.size() && aLines.size() < kMaxHeaderLines + kRowsToAgree;) {
        const std::size_t nStart = n;
        aLines.emplace_back(nStart, LineAt(text, n));
    }
    // Delimiters and decimal marks in the order they are tried.
    std::vector<std::pair<EDelimiter, EDecimal>> aTries;
    for (EDelimiter eDelimiter : {EDelimiter::Tab, EDelimiter::Semicolon, EDelimiter::Comma, EDelimiter::Whitespace})
        for (EDecimal eDecimal : {EDecimal::Point, EDecimal::Comma})
            if ((options.m_eDelimiter == EDelimiter::Auto || options.m_eDelimiter == eDelimiter) &&
                (options.m_eDecimal == EDecimal::Auto || options.m_eDecimal == eDecimal) &&
                !(eDelimiter == EDelimiter::Comma && eDecimal == EDecimal::Comma))
                aTries.emplace_back(eDelimiter, eDecimal);
    int nFirst = -1;
    int nColumns = 0;
    for (const auto& [eDelimiter, eDecimal] : aTries) {
        for (std::size_t i = 0; i + kRowsToAgree <= aLines.size() && nFirst < 0; ++i) {
            const int nFields = NumberFields(aLines[i].second, eDelimiter, eDecimal);
            if (nFields < 2)
                continue;
            bool bAgree = true;
            for (std::size_t k = 1; k < kRowsToAgree && bAgree; ++k)
                bAgree = NumberFields(aLines[i + k].second, eDelimiter, eDecimal) == nFields;
            if (bAgree) {
                nFirst = static_cast<int>(i);
                nColumns = nFields;
            }
        }
        if (nFirst >= 0) {
            layout.m_eDelimiter = eDelimiter;
            layout.m_eDecimal = eDecimal;
            break;
        }
    }
    if (nFirst < 0)
        throw CFileError(strPath, "no rows of numbers: no three lines in a row split into the same number of numbers "
                                  "(at least two) in the first " +
                                      std::to_string(kMaxHeaderLines) + " lines");
    layout.m_nFirstRowLine = nFirst + 1;
    layout.m_nFirstRowOffset = aLines[static_cast<std::size_t>(nFirst)].first + (layout.m_bByteOrderMark ? 3 : 0);
    // The header, decoded as one text so that its encoding is judged as a whole.
    const std::string_view headerBytes = text.substr(0, aLines[static_cast<std::size_t>(nFirst)].first);
    const std::string strHeader = DecodeText(headerBytes, options.m_eEncoding, &layout.m_eEncoding);
    for (std::size_t n = 0; n < strHeader.size();)
        layout.m_aHeader.emplace_back(LineAt(strHeader, n));

    // Where the fields of the first row end (fixed-width titles are aligned with them).
    std::vector<std::size_t> aEnds;
    if (layout.m_eDelimiter == EDelimiter::Whitespace)
        ForEachField(aLines[static_cast<std::size_t>(nFirst)].second, layout.m_eDelimiter,
                     [&](int, std::string_view, std::size_t nEnd) {
                         aEnds.push_back(nEnd);
                         return true;
                     });
    // Titles and units: the last lines with letters before the rows.
    std::vector<std::string> aTitles, aUnits;
    for (int i = static_cast<int>(layout.m_aHeader.size()) - 1; i >= 0; --i) {
        const std::string& strLine = layout.m_aHeader[static_cast<std::size_t>(i)];
        if (!HasLetter(strLine) && Trim(strLine).find('-') == std::string_view::npos && Trim(strLine).find('%') == std::string_view::npos)
            continue;
        if (layout.m_nUnitLine == 0 && layout.m_nTitleLine == 0 && IsUnitLine(strLine)) {
            aUnits = SplitHeader(strLine, layout, static_cast<std::size_t>(nColumns), aEnds);
            if (!aUnits.empty()) {
                layout.m_nUnitLine = i + 1;
                continue;
            }
        }
        if (!HasLetter(strLine))
            continue;
        aTitles = SplitHeader(strLine, layout, static_cast<std::size_t>(nColumns), aEnds);
        if (!aTitles.empty())
            layout.m_nTitleLine = i + 1;
        break;
    }
    layout.m_aColumns.resize(static_cast<std::size_t>(nColumns));
    const auto place = [&](const std::vector<std::string>& a, auto member) {
        const std::size_t nShift = a.size() + 1 == static_cast<std::size_t>(nColumns) ? 1 : 0;
        for (std::size_t k = 0; k < a.size(); ++k)
            layout.m_aColumns[k + nShift].*member = a[k];
    };
    place(aTitles, &CColumn::m_strTitle);
    place(aUnits, &CColumn::m_strUnit);
    for (CColumn& column : layout.m_aColumns) {
        for (std::string* pText : {&column.m_strTitle, &column.m_strUnit})
            if (pText->size() >= 2 && pText->front() == '"' && pText->back() == '"')
                *pText = pText->substr(1, pText->size() - 2);
        column.m_strWritten = column.m_strTitle;
        std::string strUnit = TakeBracketUnit(column.m_strTitle);
        if (column.m_strUnit.empty())
            column.m_strUnit = strUnit;
        column.m_eRole = ColumnRoleOfTitle(column.m_strTitle);
    }
    return layout;
}

bool IsExperimentFormat(std::string_view text) {
    if (RowsHoldMoreThanThree(text))
        return false;
    CImportSummary summary;
    ParseExperimentData(text.data(), text.data() + text.size(), &summary);
    return summary.m_nTaken > 0;
}

bool IsColumnFile(std::string_view text) {
    if (RowsHoldMoreThanThree(text))
        return true;
    if (IsExperimentFormat(text))
        return false;
    try {
        DetectLayout(text, {}, {});
        return true;
    } catch (const CFileError&) {
        return false;
    }
}

std::string ColumnFileReason(std::string_view text, const std::string& strPath) {
    std::string strWhat = "not in the experiment data format (three header lines, then rows \"n strain stress\")";
    try {
        const CColumnLayout layout = DetectLayout(text, {}, strPath);
        strWhat += ": its rows hold " + std::to_string(layout.m_aColumns.size()) + " numbers, in the columns " +
                   layout.Describe();
    } catch (const CFileError&) {
        strWhat += ", and no rows of numbers were found";
    }
    return strWhat + "; read it with an import profile (--profile) that names its columns";
}

bool RowsHoldMoreThanThree(std::string_view text) {
    std::size_t n = 0;
    for (int nLine = 0; nLine < 3 && n < text.size(); ++nLine)
        LineAt(text, n);
    std::string_view line;
    while (n < text.size() && Trim(line = LineAt(text, n)).empty()) {
    }
    int nNumbers = 0;
    ForEachField(line, EDelimiter::Whitespace, [&](int, std::string_view field, std::size_t) {
        float f = 0;
        const char* pStop = ScanFloat(field.data(), field.data() + field.size(), f);
        nNumbers += pStop == field.data() + field.size();
        return true;
    });
    return nNumbers > 3;
}

CColumnValues ReadColumnValues(std::string_view text, const CColumnLayout& layout, const std::vector<int>& aColumns) {
    CColumnValues values;
    values.m_aValues.resize(aColumns.size());
    int nLast = 0;
    for (int nColumn : aColumns)
        nLast = std::max(nLast, nColumn);
    // Which wanted column each field is, -1 for the others.
    std::vector<int> aSlot(static_cast<std::size_t>(nLast) + 1, -1);
    for (std::size_t k = 0; k < aColumns.size(); ++k)
        aSlot[static_cast<std::size_t>(aColumns[k])] = static_cast<int>(k);
    const std::size_t nEstimate = static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(std::min(layout.m_nFirstRowOffset, text.size())), text.end(), '\n')) + 1;
    for (auto& a : values.m_aValues)
        a.reserve(nEstimate);
    values.m_aLines.reserve(nEstimate);
    std::vector<double> aRow(aColumns.size());
    int nLine = layout.m_nFirstRowLine;
    for (std::size_t n = layout.m_nFirstRowOffset; n < text.size(); ++nLine) {
        const std::size_t nStart = n;
        const std::string_view line = LineAt(text, n);
        if (Trim(line).empty())
            continue;
        int nFound = 0;
        bool bBad = false;
        ForEachField(line, layout.m_eDelimiter, [&](int nField, std::string_view field, std::size_t) {
            if (nField > nLast)
                return false;
            const int nSlot = aSlot[static_cast<std::size_t>(nField)];
            if (nSlot >= 0) {
                if (!ParseField(field, layout.m_eDecimal, aRow[static_cast<std::size_t>(nSlot)])) {
                    bBad = true;
                    return false;
                }
                ++nFound;
            }
            return true;
        });
        if (bBad || nFound < static_cast<int>(aColumns.size())) {
            values.m_summary.m_nStopLine = nLine;
            std::string strText(Trim(text.substr(nStart, n - nStart)));
            for (char& c : strText)
                if (static_cast<unsigned char>(c) < 0x20)
                    c = ' ';
            values.m_summary.m_strStopText = strText.size() > 60 ? strText.substr(0, 57) + "..." : strText;
            break;
        }
        for (std::size_t k = 0; k < aRow.size(); ++k)
            values.m_aValues[k].push_back(aRow[k]);
        values.m_aLines.push_back(nLine);
    }
    values.m_summary.m_nTaken = static_cast<int>(values.m_aLines.size());
    return values;
}

std::vector<std::vector<std::string>> PreviewRows(std::string_view text, const CColumnLayout& layout, int nRows) {
    std::vector<std::vector<std::string>> aRows;
    for (std::size_t n = layout.m_nFirstRowOffset; n < text.size() && static_cast<int>(aRows.size()) < nRows;) {
        const std::string_view line = LineAt(text, n);
        if (Trim(line).empty())
            continue;
        std::vector<std::string> aFields;
        ForEachField(line, layout.m_eDelimiter, [&](int, std::string_view field, std::size_t) {
            aFields.emplace_back(field);
            return true;
        });
        aRows.push_back(std::move(aFields));
    }
    return aRows;
}
