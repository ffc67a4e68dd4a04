#pragma once
// Export of the fitted law as the Fortran 90 subroutine CalcKiv(H,Eps,t,Ks) in "progr.f90":
// strain rate H [1/s], strain Eps and temperature t [deg C] in, flow stress Ks out, all
// real*8, with the fitted coefficients as literal numbers.
//
// Layout, every line ended by a line break:
//   SUBROUTINE CalcKiv(H,Eps,t,Ks);
//   implicit none;
//   real*8 :: H,Eps,t,Ks;
//   real*8 :: A(10);                      A(K) for a model of more than 10 coefficients
//   A(n)= 1.2345678901234567D+03          for n = 1..K of the model, or for a law of
//                                         hundreds (model 21) DATA statements of four each:
//   data A(1:4) / 1.2345678901234567D+03, ..., ... /
//   associate (Eps => merge(Eps, 1.0000000000000000D-03, Eps > 1.0000000000000000D-03), &
//       H => merge(H, 1.0000000000000000D-04, H > 1.0000000000000000D-04))
//   block                                 for a law with local variables (models 19, 21):
//   real*8 :: Ec, Al, ...                 its locals (CModelInfo::m_szFortranLocals)
//   integer :: Iu, ...                    its integer locals, when it has any (model 21)
//   the model's statement lines (ModelCatalogue.h)
//   end block                             for a law with local variables
//   end associate
//   END SUBROUTINE CalcKiv;
// A model number the catalogue does not hold writes the header and the end line only.
// Each coefficient is a double-precision literal of 17 significant digits (FortranDouble),
// which reads back as the very double the material holds. Inside the associate block the
// law sees copies of Eps and H bounded below as CMaterial::Evaluate bounds them (a strain
// not above 0.001, NaN included, as 0.001; a strain rate not above 0.0001 as 0.0001), so
// the subroutine returns what Evaluate returns and leaves its arguments unchanged.

#include <string>
#include <vector>

inline constexpr const char* kFortranFileName = "progr.f90";

// dValue as a Fortran double-precision literal with 17 significant digits and a D exponent
// ("%.16E" in the C locale with the E replaced by D): -1.2345678901234567D+03.
std::string FortranDouble(double dValue);

// Coefficients per DATA statement.
inline constexpr int kFortranDataValues = 4;

// DATA statements setting A(1..nCoef) to pCoef, kFortranDataValues a statement:
// "data A(1:4) / 1.0000000000000000D+00, ..., 4.0000000000000000D+00 /".
std::vector<std::string> FortranDataStatements(const double* pCoef, int nCoef);

// The text of the subroutine for model nFunction with coefficients pCoef (A1 first; at
// least the model's K entries are read).
std::string FortranText(int nFunction, const double* pCoef);

// CMaterial::WriteFortran(): writes FortranText(m_nFunction, m_dCoef) to "progr.f90" in the
// work folder (CMaterial::WorkPath) through a temporary file renamed over it, so it always
// holds a whole subroutine. Throws CFileError naming "progr.f90" when it cannot be created
// or written.
