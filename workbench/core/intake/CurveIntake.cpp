#include "vornel/intake/CurveIntake.h"

#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "vornel/document/InputRanges.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// One line of a list: FILE (everything before the last two fields, blanks included), T and
// H. Nothing for a blank line or a comment; false for a line of fewer than three fields.
struct SListLine {
    bool m_bEntry = false;
    std::string m_strFile, m_strTemp, m_strRate;
};

bool SplitListLine(const std::string& strLine, SListLine& line) {
    line = {};
    std::vector<std::string> aTokens;
    std::istringstream tokens(strLine);
    for (std::string strToken; tokens >> strToken;)
        aTokens.push_back(strToken);
    if (aTokens.empty() || aTokens.front().front() == '#')
        return true;
    if (aTokens.size() < 3)
        return false;
    const std::size_t nFirst = strLine.find_first_not_of(" \t");
    std::size_t nEnd = strLine.find_last_not_of(" \t\r");
    for (int nField = 0; nField < 2; ++nField) {
        nEnd = strLine.find_last_of(" \t", nEnd);
        nEnd = strLine.find_last_not_of(" \t", nEnd);
    }
    line.m_bEntry = true;
    line.m_strFile = strLine.substr(nFirst, nEnd - nFirst + 1);
    line.m_strTemp = aTokens[aTokens.size() - 2];
    line.m_strRate = aTokens.back();
    return true;
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
        if (!SplitListLine(strLine, line) ||
            (line.m_bEntry && (!ParseUserNumber(line.m_strTemp, dValue) || !ParseUserNumber(line.m_strRate, dValue))))
            return std::nullopt;
        if (line.m_bEntry)
            aEntries.push_back({Resolved(path.parent_path(), line.m_strFile), line.m_strTemp, line.m_strRate, nLine});
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

// The number after "<cKey>=" in strLine (blanks allowed around "="), where cKey starts a
// word; empty when there is none.
std::string KeyedNumber(const std::string& strLine, char cKey) {
    const auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::size_t i = 0; i < strLine.size(); ++i) {
        if (strLine[i] != cKey || (i > 0 && isWordChar(strLine[i - 1])))
            continue;
        std::size_t j = i + 1;
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
        if (ec == std::errc() && pStop != pBegin && std::isfinite(dValue))
            return std::string(pBegin, pStop);
    }
    return {};
}

// What the import will read from the row's file, and the file's first line.
std::string Preview(CIntakeRow& row) {
    std::vector<unsigned char> aBytes;
    try {
        aBytes = ReadFileBytes(row.m_strFile);
    } catch (const CFileError& e) {
        row.m_eStatus = ECheck::Refused;
        row.m_strMessage = e.Reason();
        return {};
    }
    const char* pBegin = reinterpret_cast<const char*>(aBytes.data());
    const char* pEnd = pBegin + aBytes.size();
    CImportSummary summary;
    ParseExperimentData(pBegin, pEnd, &summary);
    row.m_nPoints = summary.m_nTaken;
    const CCheck read = CheckHasPoints(summary);
    row.m_eStatus = read.m_eStatus;
    row.m_strMessage = read.m_strMessage;
    const char* pBreak = std::find(pBegin, pEnd, '\n');
    std::string strFirst(pBegin, pBreak);
    if (!strFirst.empty() && strFirst.back() == '\r')
        strFirst.pop_back();
    return strFirst;
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
    std::string strText(aBytes.begin(), aBytes.end());
    // A list saved by an editor that marks UTF-8 with a byte-order mark reads the same.
    if (strText.starts_with("\xEF\xBB\xBF"))
        strText.erase(0, 3);
    const fs::path folder = fs::path(strList).parent_path();
    std::vector<CCurveListEntry> aEntries;
    std::istringstream lines(strText);
    std::string strLine;
    for (int nLine = 1; std::getline(lines, strLine); ++nLine) {
        SListLine line;
        if (!SplitListLine(strLine, line))
            throw CInputError(strList + ":" + std::to_string(nLine) + ": expected \"FILE T H\"");
        if (line.m_bEntry)
            aEntries.push_back({Resolved(folder, line.m_strFile), line.m_strTemp, line.m_strRate, nLine});
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
    strTemp = KeyedNumber(strLine, 't');
    strRate = KeyedNumber(strLine, 'H');
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

std::vector<CIntakeRow> RowsForFiles(const std::vector<std::string>& aFiles) {
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
        const std::string strHeader = Preview(row);

        const fs::path parent = fs::path(aFiles[i]).parent_path();
        const std::string strFolder = Identity(parent.empty() ? std::string(".") : parent.string());
        auto folder = std::find_if(aFolders.begin(), aFolders.end(), [&](const auto& f) { return f.first == strFolder; });
        if (folder == aFolders.end())
            folder = aFolders.insert(aFolders.end(), {strFolder, ConditionsLists(strFolder)});
        const std::string strIdentity = Identity(aFiles[i]);
        const std::vector<SFolderList>& aLists = folder->second;
        for (std::size_t k = 0; k < aLists.size() && !placed.m_bListed; ++k)
            for (std::size_t j = 0; j < aLists[k].m_aEntries.size(); ++j)
                if (aLists[k].m_aIdentities[j] == strIdentity) {
                    const CCurveListEntry& entry = aLists[k].m_aEntries[j];
                    row.m_eSource = EConditionSource::List;
                    row.m_strSource = aLists[k].m_strPath;
                    row.m_strTemp = entry.m_strTemp;
                    row.m_strRate = entry.m_strRate;
                    placed.m_bListed = true;
                    placed.m_nFolder = static_cast<std::size_t>(folder - aFolders.begin());
                    placed.m_nList = k;
                    placed.m_nLine = entry.m_nLine;
                    break;
                }
        if (!placed.m_bListed && ConditionsFromFileName(aFiles[i], row.m_strTemp, row.m_strRate))
            row.m_eSource = EConditionSource::FileName;
        if (row.m_eSource == EConditionSource::None) {
            ConditionsFromHeader(strHeader, row.m_strTemp, row.m_strRate);
            if (!row.m_strTemp.empty() || !row.m_strRate.empty())
                row.m_eSource = EConditionSource::Header;
        }
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

std::vector<CIntakeRow> RowsFromList(const std::string& strList) {
    std::vector<CIntakeRow> aRows;
    for (const CCurveListEntry& entry : ReadCurveList(strList)) {
        CIntakeRow row;
        row.m_strFile = entry.m_strFile;
        row.m_strTemp = entry.m_strTemp;
        row.m_strRate = entry.m_strRate;
        row.m_eSource = EConditionSource::List;
        row.m_strSource = strList;
        Preview(row);
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
        if (row.m_bInclude && ParseUserNumber(row.m_strTemp, spec.m_dTemp) && ParseUserNumber(row.m_strRate, spec.m_dRate))
            aSpecs.push_back(std::move(spec));
    }
    return aSpecs;
}
