#pragma once
// What the export formats share: the comment block every file starts with, numbers with a
// given count of significant digits, and the fixed-form Fortran of the law for the two
// subroutines. One text function per format (its own file) turns a CLawExport into the
// file.

#include "vornel/export/LawExport.h"

#include <string>
#include <string_view>

// The texts of the five formats, the rows of ExportFormats().
std::string UhardText(const CLawExport& law);
std::string VuhardText(const CLawExport& law);
std::string AbaqusTableText(const CLawExport& law);
std::string LsDynaText(const CLawExport& law);
std::string CsvText(const CLawExport& law);

// dValue with nDigits significant digits as printf's "%.<nDigits>g" writes it, in the C
// locale whatever the process's: 1050, 0.001, 1.23456789e-05.
std::string Significant(double dValue, int nDigits);

// The comment lines a file starts with, each prefixed with strPrefix ("C ", "** ", "$ ",
// "# ") and wrapped to at most 72 characters: what the file is (strWhat), the material, the
// model, its label and its law as evaluated, the measured ranges, the units, what happens
// outside the measured ranges (the subroutines extrapolate the law; the tables hold their
// end values), the table grid or the solver's variables (strVariables), and what the law
// check found over the grid of the format (CheckLawFor).
std::string CommentBlock(const CLawExport& law, bool bSubroutine, std::string_view strWhat,
                         std::string_view strVariables, std::string_view strPrefix);

// ---- fixed-form Fortran (columns 7 to 72, "&" in column 6 on continuation lines) ---------

// Appends one statement, indented by nIndent blanks after column 6 and broken over
// continuation lines where it passes column 72 (after a comma or blank, or before an
// operator, never inside a number).
void AppendFixedForm(std::string& strOut, std::string_view strStatement, int nIndent = 0);

// The declarations of the law's variables (coefficients A(1..K), the bounds, the bounded
// arguments EPS, H, T, the stress KS and its derivatives DKDE, DKDH, DKDT, the law's local
// variables), then the
// coefficient assignments, each a double-precision literal of 17 significant digits.
void AppendFortranLawSetup(std::string& strOut, const CLawExport& law);

// The statements that compute the law's local variables, KS, DKDE, DKDH and DKDT from the solver's strain, strain
// rate and temperature (Fortran expressions such as "EQPS(K)"), bounded as
// CMaterial::Evaluate bounds them, the derivative with respect to a held argument 0.
void AppendFortranLawPoint(std::string& strOut, const CLawExport& law, std::string_view strStrain,
                           std::string_view strRate, std::string_view strTemp, int nIndent);
