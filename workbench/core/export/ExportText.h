#pragma once
// What the export formats share: the comment block every file starts with, numbers with a
// given count of significant digits, the cards of an Abaqus or CalculiX *MATERIAL block, and
// the fixed-form Fortran of the law for the two subroutines. One text function per format
// (its own file) turns a CLawExport into the file.

#include "vornel/export/LawExport.h"

#include <string>
#include <string_view>
#include <vector>

// The texts of the formats, the rows of ExportFormats().
std::string UhardText(const CLawExport& law);
std::string VuhardText(const CLawExport& law);
std::string AbaqusDeckText(const CLawExport& law);
std::string CalculixDeckText(const CLawExport& law);
std::string LsDynaText(const CLawExport& law);
std::string OpenRadiossText(const CLawExport& law);
std::string CsvText(const CLawExport& law);

// dValue with nDigits significant digits as printf's "%.<nDigits>g" writes it, in the C
// locale whatever the process's: 1050, 0.001, 1.23456789e-05.
std::string Significant(double dValue, int nDigits);

// What a file's comment block says beside what every file says.
struct CFileHeader {
    std::string m_strWhat;          // "Abaqus *MATERIAL deck", first line
    std::string m_strPrefix;        // the comment mark and a blank: "C ", "** ", "$ ", "# "
    bool m_bComputed = false;       // the solver computes the law itself (a subroutine, a native card)
    bool m_bTables = true;          // it holds tables on the grid (not a native card)
    bool m_bCoefficientLines = true; // the coefficients as comment lines (a subroutine assigns them)
    std::string m_strOutside;       // what the solver does outside the grid or the measured ranges
    std::vector<std::string> m_aLines; // the solver's variables, the include line, placeholders
    std::string m_strSources;       // "Sources: ..." where the cards' meaning is documented
};

// The subroutines' line on units and held arguments.
extern const char* const kSubroutineUnits;

// The comment lines a file starts with, each prefixed with m_strPrefix and wrapped to at most
// 72 characters: what the file is, the material, the model, its label and its law as
// evaluated (with the coefficients unless a subroutine assigns them), the measured ranges,
// the units of the law and of the file, the bounds of Evaluate, what happens outside, the
// grid with the largest interpolation error of its tables (for a file of tables), the
// header's lines, its sources, and what the law check found: over SubroutineCheckGrid where
// the solver computes the law, else over the grid of the tables.
std::string CommentBlock(const CLawExport& law, const CFileHeader& header);

// The lines of a *MATERIAL block up to its plasticity, as Abaqus and CalculiX read them:
// *MATERIAL, NAME=<name>, *ELASTIC and *DENSITY with the deck's values, or with the
// placeholders <YOUNGS_MODULUS>, <POISSON_RATIO>, <DENSITY>, which no solver reads as a
// number (Abaqus takes them for undefined *PARAMETER names, CalculiX stops on them).
std::string MaterialHeadCards(const CLawExport& law);

// The material's name as a solver's keyword takes it: letters, digits, "_" and "-", starting
// with a letter ("MATERIAL" when nothing is left).
std::string DeckName(const std::string& strName);

// The data lines "yield stress, plastic strain, temperature" of one *PLASTIC block at rate
// index iRate of law's grid, temperatures ascending and within each the strains ascending,
// in the deck's units; numbers with 9 significant digits.
std::string PlasticDataLines(const CLawExport& law, std::size_t iRate);

// ---- fixed-form Fortran (columns 7 to 72, "&" in column 6 on continuation lines) ---------

// Appends one statement, indented by nIndent blanks after column 6 and broken over
// continuation lines where it passes column 72 (after a comma or blank, or before an
// operator, never inside a number).
void AppendFixedForm(std::string& strOut, std::string_view strStatement, int nIndent = 0);

// The declarations of the law's variables (coefficients A(1..K), the bounds, the unit
// conversions, the bounded arguments EPS, H, T, the stress KS and its derivatives DKDE,
// DKDH, DKDT, the law's local variables), then the coefficient assignments, each a
// double-precision literal of 17 significant digits. The conversions are parameters of the
// deck's unit system: SFAC the solver's stress per unit of the law's (MPa), RFAC the law's
// strain rate (1/s) per unit of the solver's, TOFF what turns the solver's temperature into
// deg C (-273.15 for K, else 0).
void AppendFortranLawSetup(std::string& strOut, const CLawExport& law);

// The statements that compute the law's local variables, KS, DKDE, DKDH and DKDT in the
// law's units from the solver's strain, strain rate and temperature (Fortran expressions
// such as "EQPS(K)", in the deck's units), bounded as CMaterial::Evaluate bounds them, the
// derivative with respect to a held argument 0. The solver's stress is SFAC*KS, its
// derivatives SFAC*DKDE, SFAC*RFAC*DKDH and SFAC*DKDT.
void AppendFortranLawPoint(std::string& strOut, const CLawExport& law, std::string_view strStrain,
                           std::string_view strRate, std::string_view strTemp, int nIndent);
