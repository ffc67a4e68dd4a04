#pragma once
// Import of experiment data files: one file is one flow curve.
//
// File layout: three header lines (skipped whole, whatever their length), then rows of
// three whitespace-separated numbers read as "%d %f %f": a row number (ignored), the true
// strain and the yield stress. Line breaks only separate numbers. Both reals are read in
// single precision and widened to double (0.1 reads as 0.10000000149011612). A row becomes a
// point only when strain >= 0 and stress >= 0.001 (compared after widening). Reading stops
// at the end of the file or at the first row that does not yield three numbers.

#include <string>
#include <vector>

class CCurve;
class CMaterial;
struct CCurvePoint;

// The accepted (strain, stress) points of the file's text, other fields 0.
std::vector<CCurvePoint> ParseExperimentData(const char* pBegin, const char* pEnd);

// Replaces the curve's points by those of the file at strPath. Throws CFileError when the
// file cannot be opened or read; the curve is then unchanged.
void ImportCurve(CCurve& curve, const std::string& strPath);

// Add File: appends the file at strPath as a new curve at temperature dTemp (deg C) and
// strain rate dRate (1/s): label = the path, every point carries dTemp and dRate, the
// material's point and curve counts grow, the stage becomes 2. Throws CFileError naming the
// file when it cannot be read or the material already holds CMaterial::kMaxCurves curves;
// the material is then unchanged.
void AddCurveFromFile(CMaterial& material, const std::string& strPath, double dTemp, double dRate);
