#include "vornel/intake/CurveIntake.h"

#include "vornel/intake/ColumnFile.h"
#include "vornel/intake/CurveImport.h"
#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "vornel/document/InputRanges.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// One line of a list: FILE (everything before the last two fields, blanks included), T and
// H, then values "key=value". Nothing for a blank line or a comment; the reason for a line
// that is none of these.
struct SListLine {
    bool m_bEntry = false;
    std::string m_strFile, m_strTemp, m_strRate;
    std::vector<CCurveValue> m_aValues;
};

std::string SplitListLine(const std::string& strLine, SListLine& line) {
    line = {};
    // The fields with where they start.
    std::vector<std::pair<std::size_t, std::string>> aTokens;
    for (std::size_t i = 0; i < strLine.size();) {
        i = strLine.find_first_not_of(" \t\r", i);
        if (i == std::string::npos)
            break;
        const std::size_t nEnd = std::min(strLine.find_first_of(" \t\r", i), strLine.size());
        aTokens.emplace_back(i, strLine.substr(i, nEnd - i));
        i = nEnd;
    }
    if (aTokens.empty() || aTokens.front().second.front() == '#')
        return {};
    std::size_t nFields = aTokens.size();
    while (nFields > 3 && aTokens[nFields - 1].second.find('=') != std::string::npos)
        --nFields;
    if (nFields < 3)
        return "expected \"FILE T H\"";
    for (std::size_t k = nFields; k < aTokens.size(); ++k) {
        const std::string& strToken = aTokens[k].second;
        const std::string strKey = strToken.substr(0, strToken.find('='));
        const std::string strValue = strToken.substr(strToken.find('=') + 1);
        if (std::find(std::begin(kCurveValueKeys), std::end(kCurveValueKeys), strKey) == std::end(kCurveValueKeys)) {
            std::string strKeys;
            for (const char* sz : kCurveValueKeys)
                strKeys += (strKeys.empty() ? "" : ", ") + std::string(sz);
            return "\"" + strKey + "\" is not a value a curve can carry; give " + strKeys;
        }
        double dValue = 0;
        if (!ParseUserNumber(strValue, dValue) || dValue < 0)
            return strKey + ": \"" + strValue + "\" is not a number of at least 0";
        line.m_aValues.push_back({strKey, dValue});
    }
    const std::size_t nFirst = aTokens.front().first;
    const std::size_t nFileEnd = aTokens[nFields - 3].first + aTokens[nFields - 3].second.size();
    line.m_bEntry = true;
    line.m_strFile = strLine.substr(nFirst, nFileEnd - nFirst);
    line.m_strTemp = aTokens[nFields - 2].second;
    line.m_strRate = aTokens[nFields - 1].second;
    return {};
}

std::string Resolved(const fs::path& folder, const std::string& strFile) {
    fs::path path(strFile);
    if (path.is_relative())
        path = folder / path;
    return path.string();
}

// The same file, however the two paths spell it.
std::string Identity(const std::string& strPath) {
    std::error_code ec;
    const fs::path path = fs::weakly_canonical(fs::absolute(strPath, ec), ec);
    return ec ? fs::absolute(strPath).lexically_normal().string() : path.string();
}

// The entries of strPath when it is a conditions list (every line a list line whose T and H
// are numbers, at least one entry), else nothing. Stops reading at the first line that is
// not, so a data file costs one line.
std::optional<std::vector<CCurveListEntry>> TryConditionsList(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxListBytes || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<CCurveListEntry> aEntries;
    int nLine = 0;
    for (std::string strLine; std::getline(in, strLine);) {
        ++nLine;
        if (nLine == 1 && strLine.starts_with("\xEF\xBB\xBF"))
            strLine.erase(0, 3);
        SListLine line;
        double dValue = 0;
        if (!SplitListLine(strLine, line).empty() ||
            (line.m_bEntry && (!ParseUserNumber(line.m_strTemp, dValue) || !ParseUserNumber(line.m_strRate, dValue))))
            return std::nullopt;
        if (line.m_bEntry)
            aEntries.push_back({Resolved(path.parent_path(), line.m_strFile), line.m_strTemp, line.m_strRate, nLine,
                                line.m_aValues});
    }
    if (aEntries.empty())
        return std::nullopt;
    return aEntries;
}

// A plain decimal number: digits with at most one decimal point between digits, and a
// leading minus sign when bSigned.
bool IsPlainDecimal(const std::string& str, bool bSigned) {
    std::size_t i = bSigned && !str.empty() && str[0] == '-' ? 1 : 0;
    const std::size_t nStart = i;
    bool bPoint = false;
    for (; i < str.size(); ++i) {
        if (str[i] == '.') {
            if (bPoint || i == nStart || i + 1 == str.size())
                return false;
            bPoint = true;
        } else if (!std::isdigit(static_cast<unsigned char>(str[i]))) {
            return false;
        }
    }
    return i > nStart;
}

// The number after "<key>=" in strLine (blanks allowed around "="), where the key starts a
// word, for the first of aKeys found (case matters for one-letter keys only), and the unit
// word that follows it; empty when there is none.
std::string KeyedNumber(const std::string& strLine, std::initializer_list<const char*> aKeys, std::string* pUnit = nullptr) {
    const auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80); };
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    for (std::size_t i = 0; i < strLine.size(); ++i) {
        if (i > 0 && isWordChar(strLine[i - 1]))
            continue;
        for (const char* szKey : aKeys) {
            const std::size_t nKey = std::strlen(szKey);
            if (strLine.size() - i < nKey)
                continue;
            const bool bMatch = nKey == 1 ? strLine[i] == szKey[0]
                                          : std::equal(szKey, szKey + nKey, strLine.begin() + static_cast<std::ptrdiff_t>(i), sameLetter);
            if (!bMatch)
                continue;
            std::size_t j = i + nKey;
            while (j < strLine.size() && (strLine[j] == ' ' || strLine[j] == '\t'))
                ++j;
            if (j >= strLine.size() || strLine[j] != '=')
                continue;
            ++j;
            while (j < strLine.size() && (strLine[j] == ' ' || strLine[j] == '\t'))
                ++j;
            double dValue = 0;
            const char* pBegin = strLine.data() + j;
            const auto [pStop, ec] = std::from_chars(pBegin, strLine.data() + strLine.size(), dValue);
            if (ec != std::errc() || pStop == pBegin || !std::isfinite(dValue))
                continue;
            if (pUnit) {
                std::size_t k = static_cast<std::size_t>(pStop - strLine.data());
                while (k < strLine.size() && strLine[k] == ' ')
                    ++k;
                const std::size_t nEnd = std::min(strLine.find_first_of(" \t,;", k), strLine.size());
                *pUnit = strLine.substr(k, nEnd - k);
            }
            return std::string(pBegin, pStop);
        }
    }
    return {};
}

// The conditions lists of a folder, in the order of their names.
struct SFolderList {
    std::string m_strPath;
    std::vector<CCurveListEntry> m_aEntries;
    std::vector<std::string> m_aIdentities; // of the entries' files
};

std::vector<SFolderList> ConditionsLists(const fs::path& folder) {
    std::vector<fs::path> aFiles;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec))
        aFiles.push_back(it->path());
    std::sort(aFiles.begin(), aFiles.end());
    std::vector<SFolderList> aLists;
    for (const fs::path& file : aFiles)
        if (std::optional<std::vector<CCurveListEntry>> entries = TryConditionsList(file)) {
            SFolderList& list = aLists.emplace_back();
            list.m_strPath = file.string();
            list.m_aEntries = std::move(*entries);
            for (const CCurveListEntry& entry : list.m_aEntries)
                list.m_aIdentities.push_back(Identity(entry.m_strFile));
        }
    return aLists;
}

} // namespace

std::vector<CCurveListEntry> ReadCurveList(const std::string& strList) {
    const std::vector<unsigned char> aBytes = ReadFileBytes(strList);
    std::string strDecoded;
    std::string strText(TextOfBytes({reinterpret_cast<const char*>(aBytes.data()), aBytes.size()}, strDecoded));
    // A list saved by an editor that marks UTF-8 with a byte-order mark, or as UTF-16, reads
    // the same.
    if (strText.starts_with("\xEF\xBB\xBF"))
        strText.erase(0, 3);
    const fs::path folder = fs::path(strList).parent_path();
    std::vector<CCurveListEntry> aEntries;
    std::istringstream lines(strText);
    std::string strLine;
    for (int nLine = 1; std::getline(lines, strLine); ++nLine) {
        SListLine line;
        if (const std::string strWhy = SplitListLine(strLine, line); !strWhy.empty())
            throw CInputError(strList + ":" + std::to_string(nLine) + ": " + strWhy);
        if (line.m_bEntry)
            aEntries.push_back({Resolved(folder, line.m_strFile), line.m_strTemp, line.m_strRate, nLine, line.m_aValues});
    }
    return aEntries;
}

bool ConditionsFromFileName(const std::string& strPath, std::string& strTemp, std::string& strRate) {
    const fs::path path(strPath);
    // The extension ends the name only when it is not a number itself (steel_1050_0.001).
    const std::string strExtension = path.extension().string();
    const bool bNumericExtension =
        strExtension.size() > 1 && std::all_of(strExtension.begin() + 1, strExtension.end(),
                                               [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    const std::string strBase = bNumericExtension ? path.filename().string() : path.stem().string();
    const std::size_t nRate = strBase.rfind('_');
    if (nRate == std::string::npos || nRate == 0)
        return false;
    const std::size_t nTemp = strBase.rfind('_', nRate - 1);
    if (nTemp == std::string::npos)
        return false;
    const std::string strT = strBase.substr(nTemp + 1, nRate - nTemp - 1);
    const std::string strH = strBase.substr(nRate + 1);
    if (!IsPlainDecimal(strT, true) || !IsPlainDecimal(strH, false))
        return false;
    strTemp = strT;
    strRate = strH;
    return true;
}

void ConditionsFromHeader(const std::string& strLine, std::string& strTemp, std::string& strRate) {
    std::string strUnit;
    strTemp = KeyedNumber(strLine, {"t", "T", "Temp"}, &strUnit);
    if (!strTemp.empty() && (strUnit == "K" || strUnit == "k")) {
        char sz[32];
        std::snprintf(sz, sizeof sz, "%.10g", std::stod(strTemp) - 273.15);
        strTemp = sz;
    }
    strRate = KeyedNumber(strLine, {"H", "phi\xc2\xb0", "phip", "rate"});
}

std::vector<std::string> PreviewRow(CIntakeRow& row, const CImportProfile* pProfile) {
    std::vector<std::string> aHeader;
    std::vector<unsigned char> aBytes;
    try {
        aBytes = ReadFileBytes(row.m_strFile);
    } catch (const CFileError& e) {
        row.m_eStatus = ECheck::Refused;
        row.m_strMessage = e.Reason();
        return aHeader;
    }
    std::string strDecoded;
    const std::string_view text = TextOfBytes({reinterpret_cast<const char*>(aBytes.data()), aBytes.size()}, strDecoded);
    row.m_bColumnFile = ReadsAsColumnFile(text, pProfile);
    if (row.m_bColumnFile) {
        try {
            aHeader = DetectLayout(text, pProfile ? pProfile->m_text : CTextOptions{}, row.m_strFile).m_aHeader;
        } catch (const CFileError&) {
        }
    } else {
        std::size_t n = 0;
        for (int k = 0; k < 3 && n < text.size(); ++k) {
            const std::size_t nBreak = std::min(text.find('\n', n), text.size());
            std::string strLine(text.substr(n, nBreak - n));
            if (!strLine.empty() && strLine.back() == '\r')
                strLine.pop_back();
            aHeader.push_back(DecodeText(strLine, EEncoding::Auto));
            n = nBreak + 1;
        }
    }
    if (!row.m_bColumnFile && !pProfile) {
        CImportSummary summary;
        ParseExperimentData(text.data(), text.data() + text.size(), &summary);
        row.m_nPoints = summary.m_nTaken;
        const CCheck read = CheckHasPoints(summary);
        row.m_eStatus = read.m_eStatus;
        row.m_strMessage = read.m_strMessage;
        return aHeader;
    }
    double dTemp = 0, dRate = 0;
    ParseUserNumber(row.m_strTemp, dTemp);
    ParseUserNumber(row.m_strRate, dRate);
    try {
        const CSourceCurve source = ReadSourceCurve(row.m_strFile, dTemp, dRate, row.m_aValues, pProfile);
        row.m_nPoints = static_cast<int>(source.m_curve.Size());
        row.m_eStatus = ECheck::Ok;
        row.m_strMessage.clear();
    } catch (const CFileError& e) {
        row.m_eStatus = ECheck::Refused;
        row.m_strMessage = e.Reason();
    } catch (const std::runtime_error& e) {
        row.m_eStatus = ECheck::Refused;
        row.m_strMessage = e.what();
    }
    return aHeader;
}

std::string SourceText(const CIntakeRow& row) {
    switch (row.m_eSource) {
    case EConditionSource::List:
        return fs::path(row.m_strSource).filename().string();
    case EConditionSource::FileName:
        return "file name";
    case EConditionSource::Header:
        return "header";
    case EConditionSource::None:
        break;
    }
    return {};
}

std::vector<CIntakeRow> RowsForFiles(const std::vector<std::string>& aFiles, const CImportProfile* pProfile) {
    // The conditions lists of each folder met, read once; folders ranked as first met.
    std::vector<std::pair<std::string, std::vector<SFolderList>>> aFolders;
    struct SPlaced {
        CIntakeRow m_row;
        bool m_bListed = false;
        std::size_t m_nFolder = 0, m_nList = 0; // the list that names the file
        int m_nLine = 0;
        std::size_t m_nGiven = 0;
    };
    std::vector<SPlaced> aPlaced;
    for (std::size_t i = 0; i < aFiles.size(); ++i) {
        SPlaced placed;
        placed.m_nGiven = i;
        CIntakeRow& row = placed.m_row;
        row.m_strFile = aFiles[i];

        const fs::path parent = fs::path(aFiles[i]).parent_path();
        const std::string strFolder = Identity(parent.empty() ? std::string(".") : parent.string());
        auto folder = std::find_if(aFolders.begin(), aFolders.end(), [&](const auto& f) { return f.first == strFolder; });
        if (folder == aFolders.end()) {
            std::vector<SFolderList> aLists = ConditionsLists(strFolder);
            for (SFolderList& list : ConditionsLists(fs::path(strFolder).parent_path()))
                aLists.push_back(std::move(list));
            folder = aFolders.insert(aFolders.end(), {strFolder, std::move(aLists)});
        }
        const std::string strIdentity = Identity(aFiles[i]);
        const std::vector<SFolderList>& aLists = folder->second;
        const std::vector<EConditionSource> aOrder =
            pProfile ? pProfile->m_aConditions
                     : std::vector<EConditionSource>{EConditionSource::List, EConditionSource::FileName, EConditionSource::Header};
        const bool bLists = std::find(aOrder.begin(), aOrder.end(), EConditionSource::List) != aOrder.end();
        for (std::size_t k = 0; bLists && k < aLists.size() && !placed.m_bListed; ++k)
            for (std::size_t j = 0; j < aLists[k].m_aEntries.size(); ++j)
                if (aLists[k].m_aIdentities[j] == strIdentity) {
                    const CCurveListEntry& entry = aLists[k].m_aEntries[j];
                    row.m_eSource = EConditionSource::List;
                    row.m_strSource = aLists[k].m_strPath;
                    row.m_strTemp = entry.m_strTemp;
                    row.m_strRate = entry.m_strRate;
                    row.m_aValues = entry.m_aValues;
                    placed.m_bListed = true;
                    placed.m_nFolder = static_cast<std::size_t>(folder - aFolders.begin());
                    placed.m_nList = k;
                    placed.m_nLine = entry.m_nLine;
                    break;
                }
        const std::vector<std::string> aHeader = PreviewRow(row, nullptr);
        const std::string strListTemp = row.m_strTemp, strListRate = row.m_strRate;
        row.m_eSource = EConditionSource::None;
        for (EConditionSource eSource : aOrder) {
            if (eSource == EConditionSource::List && placed.m_bListed) {
                row.m_strTemp = strListTemp;
                row.m_strRate = strListRate;
                row.m_eSource = EConditionSource::List;
            } else if (eSource == EConditionSource::FileName &&
                       ConditionsFromFileName(aFiles[i], row.m_strTemp, row.m_strRate)) {
                row.m_eSource = EConditionSource::FileName;
            } else if (eSource == EConditionSource::Header) {
                std::string strTemp, strRate;
                for (const std::string& strLine : aHeader) {
                    std::string strT, strH;
                    ConditionsFromHeader(strLine, strT, strH);
                    if (strTemp.empty())
                        strTemp = strT;
                    if (strRate.empty())
                        strRate = strH;
                }
                if (!strTemp.empty() || !strRate.empty()) {
                    row.m_strTemp = strTemp;
                    row.m_strRate = strRate;
                    row.m_eSource = EConditionSource::Header;
                }
            }
            if (row.m_eSource != EConditionSource::None)
                break;
        }
        if (row.m_eSource != EConditionSource::List)
            placed.m_bListed = false;
        if (row.m_eSource == EConditionSource::None)
            row.m_strTemp.clear(), row.m_strRate.clear();
        if (pProfile) // what the import reads with the profile, at the conditions found
            PreviewRow(row, pProfile);
        aPlaced.push_back(std::move(placed));
    }
    std::stable_sort(aPlaced.begin(), aPlaced.end(), [](const SPlaced& a, const SPlaced& b) {
        if (a.m_bListed != b.m_bListed)
            return a.m_bListed;
        if (!a.m_bListed)
            return a.m_nGiven < b.m_nGiven;
        return std::tie(a.m_nFolder, a.m_nList, a.m_nLine) < std::tie(b.m_nFolder, b.m_nList, b.m_nLine);
    });
    std::vector<CIntakeRow> aRows;
    aRows.reserve(aPlaced.size());
    for (SPlaced& placed : aPlaced)
        aRows.push_back(std::move(placed.m_row));
    return aRows;
}

std::vector<CIntakeRow> RowsFromList(const std::string& strList, const CImportProfile* pProfile) {
    std::vector<CIntakeRow> aRows;
    for (const CCurveListEntry& entry : ReadCurveList(strList)) {
        CIntakeRow row;
        row.m_strFile = entry.m_strFile;
        row.m_strTemp = entry.m_strTemp;
        row.m_strRate = entry.m_strRate;
        row.m_eSource = EConditionSource::List;
        row.m_strSource = strList;
        row.m_aValues = entry.m_aValues;
        PreviewRow(row, pProfile);
        aRows.push_back(std::move(row));
    }
    return aRows;
}

std::vector<CIntakeProblem> CheckIntakeRows(const std::vector<CIntakeRow>& aRows, int nCurvesNow) {
    std::vector<CIntakeProblem> aProblems;
    int nIncluded = 0;
    for (std::size_t i = 0; i < aRows.size(); ++i) {
        const CIntakeRow& row = aRows[i];
        if (!row.m_bInclude)
            continue;
        ++nIncluded;
        const int nRow = static_cast<int>(i);
        double dTemp = 0;
        double dRate = 0;
        const bool bTemp = ParseUserNumber(row.m_strTemp, dTemp);
        const bool bRate = ParseUserNumber(row.m_strRate, dRate);
        const auto notANumber = [](const char* szWhat, const std::string& strText) {
            return strText.find_first_not_of(" \t") == std::string::npos
                       ? std::string(szWhat) + " is missing"
                       : std::string(szWhat) + " \"" + strText + "\" is not a number";
        };
        if (!bTemp)
            aProblems.push_back({nRow, EIntakeCell::Temp, notANumber("temperature", row.m_strTemp)});
        if (!bRate)
            aProblems.push_back({nRow, EIntakeCell::Rate, notANumber("strain rate", row.m_strRate)});
        if (bTemp && bRate) {
            const CConditionsProblem problem = FindConditionsProblem(dTemp, dRate);
            if (problem.m_eField != EConditionField::None)
                aProblems.push_back({nRow, problem.m_eField == EConditionField::Temp ? EIntakeCell::Temp : EIntakeCell::Rate,
                                     problem.m_strMessage});
        }
        if (!row.Ok())
            aProblems.push_back({nRow, EIntakeCell::File, row.m_strMessage});
        if (nCurvesNow + nIncluded == kMaxExchangeCurves + 1)
            aProblems.push_back({nRow, EIntakeCell::File,
                                 "the material holds " + std::to_string(nCurvesNow) + " curves and takes at most " +
                                     std::to_string(kMaxExchangeCurves) + ": this row and the ones after it find no room"});
    }
    return aProblems;
}

std::vector<CCurveSpec> SpecsOfRows(const std::vector<CIntakeRow>& aRows) {
    std::vector<CCurveSpec> aSpecs;
    for (const CIntakeRow& row : aRows) {
        CCurveSpec spec;
        spec.m_strFile = row.m_strFile;
        spec.m_aValues = row.m_aValues;
        if (row.m_bInclude && ParseUserNumber(row.m_strTemp, spec.m_dTemp) && ParseUserNumber(row.m_strRate, spec.m_dRate))
            aSpecs.push_back(std::move(spec));
    }
    return aSpecs;
}

CCurveSpec SpecForFile(const std::string& strFile, const CImportProfile* pProfile) {
    const CIntakeRow row = RowsForFiles({strFile}, pProfile).front();
    CCurveSpec spec;
    spec.m_strFile = strFile;
    spec.m_aValues = row.m_aValues;
    const bool bTemp = ParseUserNumber(row.m_strTemp, spec.m_dTemp);
    const bool bRate = ParseUserNumber(row.m_strRate, spec.m_dRate);
    if (!bTemp || !bRate)
        throw CInputError(strFile + ": no " +
                          std::string(!bTemp && !bRate ? "temperature and strain rate" : !bTemp ? "temperature" : "strain rate") +
                          " found: no conditions list in its folder or the folder above names it, its name does not "
                          "end in _T_H, and its header lines do not give it (T=, H=); add it with --curve FILE T H or "
                          "through a list");
    const CConditionsProblem problem = FindConditionsProblem(spec.m_dTemp, spec.m_dRate);
    if (problem.m_eField != EConditionField::None)
        throw CInputError(strFile + ": " + problem.m_strMessage + " (from its " + SourceText(row) + ")");
    return spec;
}
