#pragma once
// Adding the curves of a test campaign in one step: list files, where a data file's
// temperature t and strain rate H come from, and the rows the multi-file dialog shows and
// checks. No Qt: the dialog shows these rows, forwards the user's edits and adds the curves
// with AddCurves (Operations.h).
//
// List files ("--curves LIST" and File > Add curves from list...): one "FILE T H" per line,
// FILE relative to the list's folder and possibly with blanks (everything before the last
// two fields), blank lines and lines whose first field starts with # skipped. After H a line
// may give the curve values "key=value" (kCurveValueKeys, mm or the friction factor):
// "BST_1000_1a.asc 1000 1 height1=7.9 diameter_top=11.2 diameter_max=12.6".
//
// Conditions of a data file, the first source that has them (in this order unless an import
// profile orders them otherwise):
//   1. a conditions list in the file's folder or the folder above it: any text file there (of
//      at most kMaxListBytes) whose every line is a list line with numbers for T and H, and one
//      of whose lines names the file; the folder's lists are tried in the order of their names,
//      then those of the folder above;
//   2. the file's name, when it ends in _T_H before its extension, both plain decimal numbers
//      (digits with at most one decimal point, T possibly negative): steel_1050_0.001.asc
//      gives t = 1050 and H = 0.001;
//   3. keyed values in the header lines ("... t=1000 C H=0.1 1/s", "T=350°C phi°=0.001"):
//      the temperature after "t=", "T=" or "Temp=" (deg C; K when "K" follows the number),
//      the strain rate after "H=", "phi°=", "phip=" or "rate=" (1/s); each taken from the first
//      line that has it;
//   otherwise nothing, and the row's cells stay empty.
// The texts are kept as the source writes them, so a value reads exactly as --curves reads
// it.

#include "vornel/document/Status.h"
#include "vornel/intake/Import.h"

#include <cstddef>
#include <string>
#include <vector>

struct CImportProfile;

// The values a list line may give its curve: the specimen's height and diameter before the
// test, its height, contact-face diameter and largest diameter after it (mm), its friction
// factor.
inline constexpr const char* kCurveValueKeys[] = {"height0", "diameter0", "height1", "diameter_top", "diameter_max",
                                                 "friction_m"};

// One line of a list file.
struct CCurveListEntry {
    std::string m_strFile; // the data file, resolved against the list's folder
    std::string m_strTemp; // T as written
    std::string m_strRate; // H as written
    int m_nLine = 0;       // 1-based line of the list
    std::vector<CCurveValue> m_aValues; // key=value after T and H
};

// The curves of the list file strList. Throws CFileError when it cannot be read and
// CInputError "<list>:<line>: expected \"FILE T H\"" for a line of fewer than three fields.
// T and H are not checked here.
std::vector<CCurveListEntry> ReadCurveList(const std::string& strList);

// The largest file a folder's conditions list is looked for in.
inline constexpr std::size_t kMaxListBytes = std::size_t{1} << 20;

// Where a row's conditions came from.
enum class EConditionSource { None, List, FileName, Header };

// t and H of the file at strPath from its name (source 2 above); false when the name does
// not end in _T_H.
bool ConditionsFromFileName(const std::string& strPath, std::string& strTemp, std::string& strRate);

// t and H from a header line (source 3 above); each stays empty when the line has none. A
// temperature in K comes out in deg C.
void ConditionsFromHeader(const std::string& strLine, std::string& strTemp, std::string& strRate);

// One file of the multi-file dialog.
struct CIntakeRow {
    std::string m_strFile;     // the data file's path
    std::string m_strTemp;     // t, deg C, as text (the cell the user edits)
    std::string m_strRate;     // H, 1/s, as text
    EConditionSource m_eSource = EConditionSource::None;
    std::string m_strSource;   // the list's path for source List
    bool m_bInclude = true;    // false: left out by the user
    std::vector<CCurveValue> m_aValues; // the list's values for the curve
    bool m_bColumnFile = false; // not in the experiment data format: read with a profile
    // What the import will read: Ok with its points, or Refused with the import's reason.
    ECheck m_eStatus = ECheck::Refused;
    std::string m_strMessage;
    int m_nPoints = 0;
    bool Ok() const { return m_eStatus == ECheck::Ok; }
};

// "conditions.txt", "file name", "header" or "" for the row's source.
std::string SourceText(const CIntakeRow& row);

// The rows of files chosen together (Add File with several files, files dropped on the
// window): conditions as above (in the profile's order), what the import will read with
// pProfile (column files are refused without one). Files that a conditions list names
// come first, in the order of the lists and their lines (the campaign's order, as --curves
// with that list adds them); the others follow in the order given.
std::vector<CIntakeRow> RowsForFiles(const std::vector<std::string>& aFiles, const CImportProfile* pProfile = nullptr);

// The rows of a list file, in its order, with its conditions (source List). Throws as
// ReadCurveList does.
std::vector<CIntakeRow> RowsFromList(const std::string& strList, const CImportProfile* pProfile = nullptr);

// What the import will read from the row's file with pProfile: sets the row's status,
// message, points and m_bColumnFile. Returns the file's header lines (UTF-8).
std::vector<std::string> PreviewRow(CIntakeRow& row, const CImportProfile* pProfile);

// --add FILE: the curve of the file with its conditions found as above. Throws CInputError
// naming the file when no temperature and strain rate are found, or they are out of range.
CCurveSpec SpecForFile(const std::string& strFile, const CImportProfile* pProfile);

// A row OK cannot take: the row (zero-based), which cell, and the sentence.
enum class EIntakeCell { File, Temp, Rate };
struct CIntakeProblem {
    int m_nRow = 0;
    EIntakeCell m_eCell = EIntakeCell::File;
    std::string m_strMessage;
};

// The problems of the included rows, in row order, when nCurvesNow curves are already in
// the material: t or H that is not a number or lies outside its range (CheckCurveConditions),
// a file the import refuses, and rows beyond the room of the material. Empty: OK can add
// them.
std::vector<CIntakeProblem> CheckIntakeRows(const std::vector<CIntakeRow>& aRows, int nCurvesNow);

// The curves the included rows add, in row order. Rows whose t or H is not a number are
// not taken (CheckIntakeRows names them).
std::vector<CCurveSpec> SpecsOfRows(const std::vector<CIntakeRow>& aRows);
