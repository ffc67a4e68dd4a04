#pragma once
// Column files: the delimited text that test machines write (a dilatometer's fixed-width
// rows, a simulator's CSV, a universal machine's semicolon file with decimal commas), read
// into the columns a flow curve needs.
//
// A column file is any number of header lines, then rows of numbers, one row a line:
//   - encoding: UTF-8 (a byte-order mark is skipped) or Latin-1, detected from the header
//     (text that is not valid UTF-8 is Latin-1); the header is kept as UTF-8;
//   - delimiter: tab, semicolon, comma or white space, detected from the rows (the first of
//     these that splits three rows in a row into the same number, at least two, of numbers);
//   - decimal mark: point, or comma when the delimiter is not a comma and the numbers carry
//     a comma;
//   - the last header line before the rows that holds letters is the line of column titles,
//     unless it is a units line (every field a unit: "s  °C  -  MPa"), in which case the
//     titles are the line above it. A title may carry its unit in brackets, "Force(kN)" or
//     "Stress [MPa]". With white space between the numbers the titles are split where the
//     rows are: at " / ", at runs of two or more blanks, or, for fixed-width rows whose
//     titles hold single blanks ("kf (Def.)"), by the column each title ends in. One title
//     fewer than columns means an untitled row number first.
// A file in the experiment data format (Import.h) is a column file too, but it is read as
// that format: IsExperimentFormat tells which is which.

#include "vornel/intake/Import.h"

#include <string>
#include <string_view>
#include <vector>

enum class EDelimiter { Auto, Whitespace, Comma, Semicolon, Tab };
enum class EDecimal { Auto, Point, Comma };
enum class EEncoding { Auto, Utf8, Latin1 };

// What a column holds, found from its title (ColumnRoleOfTitle) or chosen by the user.
enum class EColumnRole { None, Strain, Stress, Time, Temperature, Force, Stroke };

// "strain", "stress", ... as the profiles and messages name the roles; "" for None.
const char* RoleName(EColumnRole eRole);

// How to read a column file; Auto detects.
struct CTextOptions {
    EDelimiter m_eDelimiter = EDelimiter::Auto;
    EDecimal m_eDecimal = EDecimal::Auto;
    EEncoding m_eEncoding = EEncoding::Auto;
};

struct CColumn {
    std::string m_strTitle;                 // as the file writes it (UTF-8) less a unit in brackets,
                                            // "" when untitled
    std::string m_strWritten;               // the title with its brackets, as written
    std::string m_strUnit;                  // from the units line or the title's brackets
    EColumnRole m_eRole = EColumnRole::None; // what the title says
};

// What a column file is laid out as.
struct CColumnLayout {
    EEncoding m_eEncoding = EEncoding::Utf8;
    EDelimiter m_eDelimiter = EDelimiter::Whitespace;
    EDecimal m_eDecimal = EDecimal::Point;
    bool m_bByteOrderMark = false;
    std::vector<std::string> m_aHeader; // the lines before the first row, UTF-8
    int m_nTitleLine = 0;               // 1-based, 0: none
    int m_nUnitLine = 0;                // 1-based, 0: none
    int m_nFirstRowLine = 0;            // 1-based line of the first row
    std::size_t m_nFirstRowOffset = 0;  // its byte offset in the file
    std::vector<CColumn> m_aColumns;

    // The first column whose title says eRole, or -1. Among several strain or stress
    // columns the most specific title wins ("Phi" before "Strain", "kf" before "Stress").
    int Find(EColumnRole eRole) const;
    // "1: No., 2: Time (s), 3: Tem.1 (°C) ..." the columns as a user reads them; with
    // bRoles, each found role after its column ("8: Phi (D) = strain").
    std::string Describe(bool bRoles = true) const;
};

// The role a title names: the usual English and German titles (strain, true strain, phi,
// epsilon, Dehnung, Umformgrad; stress, true stress, flow stress, kf, Fliessspannung,
// sigma; time, Zeit; temperature, Temperatur, TC1; force, Kraft, load; stroke, jaw,
// displacement, Weg, DL). Case and a trailing number or bracket ("Tem.1", "TC1",
// "Phi (D)") do not matter. *pRank, when given, receives how specific the match is (lower
// is better).
EColumnRole ColumnRoleOfTitle(const std::string& strTitle, int* pRank = nullptr);

// The text of a file's bytes for every reader: UTF-16 text, as Windows programs write
// "Unicode" exports (a byte-order mark FF FE or FE FF, or none while the first line's
// characters are ASCII each paired with a zero byte), decoded into strDecoded as UTF-8 and
// returned from there; any other bytes returned as they are. Unpaired surrogates become
// U+FFFD; an odd last byte is dropped.
std::string_view TextOfBytes(std::string_view bytes, std::string& strDecoded);

// The file's text as UTF-8 where it is Latin-1 (or as it stands), without a byte-order
// mark; the encoding found in *pFound.
std::string DecodeText(std::string_view bytes, EEncoding eEncoding, EEncoding* pFound = nullptr);

// The layout of the column file whose bytes are text; throws CFileError naming strPath when
// no three rows of numbers are found in its first 1000 lines.
CColumnLayout DetectLayout(std::string_view text, const CTextOptions& options, const std::string& strPath);

// Whether the file's bytes are in the experiment data format: the first line after the three
// header lines holds at most three numbers and the format's reader takes a point from them.
bool IsExperimentFormat(std::string_view text);

// Whether the file is read as a column file: its rows hold more than three numbers, or the
// experiment data format's reader takes no point from it while rows of numbers are found
// (a semicolon file with decimal commas). Everything else, also a file with no rows at all,
// is read (or refused) as the experiment data format.
bool IsColumnFile(std::string_view text);

// Whether the first line after the three header lines holds more than three numbers: such a
// file is never read as rows of "n strain stress".
bool RowsHoldMoreThanThree(std::string_view text);

// Why a file is not read as the experiment data format, naming the columns found: "not in the
// experiment data format (...): its rows hold 13 numbers, in the columns 1: No., ...; read it
// with an import profile (--profile) that names its columns".
std::string ColumnFileReason(std::string_view text, const std::string& strPath);

// The values of the columns aColumns (zero-based) of every row, in file order: m_aValues[k]
// for aColumns[k]. Reading stops at the end or at the first row that lacks a number in one of
// these columns (m_nStopLine, m_strStopText as CImportSummary describes them).
struct CColumnValues {
    std::vector<std::vector<double>> m_aValues;
    std::vector<int> m_aLines;  // the 1-based line of each row
    CImportSummary m_summary;   // m_nTaken rows; where reading stopped
};
CColumnValues ReadColumnValues(std::string_view text, const CColumnLayout& layout, const std::vector<int>& aColumns);

// The fields of the first nRows rows as written (for the column-choice table).
std::vector<std::vector<std::string>> PreviewRows(std::string_view text, const CColumnLayout& layout, int nRows);
