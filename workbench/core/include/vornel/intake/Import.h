#pragma once
// Import of experiment data files: one file is one flow curve.
//
// File layout: three header lines (skipped whole, whatever their length), then rows of
// three whitespace-separated numbers read as "%d %f %f": a row number (ignored), the true
// strain and the yield stress. Line breaks only separate numbers. Both reals are read in
// single precision and widened to double (0.1 reads as 0.10000000149011612). A row becomes a
// point only when strain >= 0 and stress >= 0.001 (compared after widening), both finite (a
// number beyond the single-precision range, such as 1e39, is not). Reading stops
// at the end of the file or at the first row that does not yield three numbers. A file
// that yields no point is refused.

#include "vornel/document/Status.h"

#include <string>
#include <vector>

class CCurve;
class CMaterial;
struct CCurvePoint;

// One curve to add: its experiment data file, temperature t (deg C) and strain rate (1/s).
struct CCurveSpec {
    std::string m_strFile;
    double m_dTemp = 0;
    double m_dRate = 0;
};

// What reading one experiment data file gave.
struct CImportSummary {
    int m_nTaken = 0;            // rows that became points
    int m_nBadStrain = 0;        // rows skipped for a strain below 0 (or not a finite number)
    int m_nLowStress = 0;        // rows skipped for a stress below 0.001 (or not a finite number)
    int m_nStopLine = 0;         // 1-based line at which reading stopped before the end of
                                 // the file (a token that is not a number, or a row cut
                                 // short by the end); 0 when it read to the end
    std::string m_strStopText;   // that line, printable and at most 60 characters
    int m_nPrepared = 0;         // the curve's points after it was prepared on adding it to a
                                 // material whose curves are prepared; 0 when it was not

    bool StoppedEarly() const { return m_nStopLine > 0; }
    // "reading stopped at line 7: \"1 0,000000 4,617122\"", empty when it read to the end.
    std::string StopDescription() const;
};

// The accepted (strain, stress) points of the file's text, other fields 0; *pSummary, when
// given, receives what the reading gave.
std::vector<CCurvePoint> ParseExperimentData(const char* pBegin, const char* pEnd, CImportSummary* pSummary = nullptr);

// Whether a file that gave summary yields a point; refused with why not ("no data: ...").
CCheck CheckHasPoints(const CImportSummary& summary);

// Replaces the curve's points by those of the file at strPath and returns what the reading
// gave. Throws CFileError when the file cannot be opened or read, or yields no point (the
// message says why: no row of three numbers after the three header lines, quoting the line
// that stopped the reading, or every row skipped); the curve is then unchanged.
CImportSummary ImportCurve(CCurve& curve, const std::string& strPath);

// A fresh curve of the file at strPath at temperature dTemp (deg C) and strain rate dRate
// (1/s): label and file = the path, every point carries dTemp and dRate; *pSummary, when
// given, receives what the reading gave. Throws CFileError as ImportCurve does.
CCurve ReadCurveFile(const std::string& strPath, double dTemp, double dRate, CImportSummary* pSummary = nullptr);

// Throws CInputError naming strFirstBeyond unless the material has room for nMore curves
// (a full material is the user's input to mend, not a file's fault).
void CheckRoomForCurves(const CMaterial& material, int nMore, const std::string& strFirstBeyond);

// Appends curve to the material's used slots: the point and curve counts grow. The caller
// made sure there is room; the stage is the command's business (session/Operations.h).
void AppendCurve(CMaterial& material, CCurve&& curve);

// Add File: appends the file at strPath as a new curve at temperature dTemp (deg C) and
// strain rate dRate (1/s): label = the path, every point carries dTemp and dRate, the
// material's point and curve counts grow. Returns what the reading gave. Throws CFileError
// naming the file when it cannot be read or yields no point, CInputError when the material
// already holds kMaxExchangeCurves curves; the material is then unchanged.
CImportSummary AddCurveFromFile(CMaterial& material, const std::string& strPath, double dTemp, double dRate);
