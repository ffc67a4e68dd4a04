#pragma once
// Export of the fitted law as the Fortran 90 subroutine CalcKiv(H,Eps,t,Ks) in "progr.f90":
// strain rate H [1/s], strain Eps and temperature t [deg C] in, flow stress Ks out, all
// real*8, with the fitted coefficients as literal numbers.
//
// Layout, every line ended by a line break:
//   SUBROUTINE CalcKiv(H,Eps,t,Ks);
//   implicit none;
//   real*8 :: H,Eps,t,Ks;
//   real*8 :: A(10);
//   A(n)= %f                  for n = 1..K of the model (six decimals, C locale)
//   the model's statement lines (ModelCatalogue.h)
//   END SUBROUTINE CalcKiv;
// A model number outside 1..18 writes the header and the end line only.
// The literals carry six decimals and, being default-kind reals in Fortran, about seven
// significant digits.

#include <string>

inline constexpr const char* kFortranFileName = "progr.f90";

// The text of the subroutine for model nFunction with coefficients pCoef (A1 first; at
// least the model's K entries are read).
std::string FortranText(int nFunction, const double* pCoef);

// CMaterial::WriteFortran(): writes FortranText(m_nFunction, m_dCoef) to "progr.f90" in the
// work folder (CMaterial::WorkPath) through a temporary file renamed over it, so it always
// holds a whole subroutine. Throws CFileError naming "progr.f90" when it cannot be created
// or written.
