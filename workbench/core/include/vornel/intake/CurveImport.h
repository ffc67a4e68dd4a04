#pragma once
// From the test machine's file to the flow curve: reads each file of a campaign (in the
// experiment data format, or as a column file with an import profile), prepares it
// (Preparation.h) and makes the curves to add, each with the record of its source file,
// profile and steps. Also the way back out: every curve of a material as an experiment data
// file (WriteCurveFiles).
//
// A file in the experiment data format is read exactly as that format is (Import.h); a
// profile's column keys do not apply to it, its preparation does. A column file needs a
// profile: without one it is refused, naming the columns it has. Nothing is added when one
// file fails: the message names the file, and the line, column or key.

#include "vornel/intake/ImportProfile.h"
#include "vornel/intake/Preparation.h"

#include <string>
#include <vector>

class CCurve;
class CMaterial;

// The columns a column file is read from, as the profile and the titles decide them.
struct CColumnPick {
    int m_nStrain = -1, m_nStress = -1, m_nForce = -1, m_nStroke = -1, m_nTemperature = -1, m_nTime = -1; // zero-based
    double m_dStrainFactor = 1, m_dStressFactor = 1, m_dForceFactor = 1, m_dStrokeFactor = 1;
    bool m_bKelvin = false; // the temperature column is in K
    bool FromForce() const { return m_nForce >= 0; }
};

// The columns of layout that profile reads (nullptr: the titles alone). Throws CInputError
// naming the profile's key (a column that does not exist, a unit that does not fit) or the
// file (no strain or stress column found; the file's columns listed).
CColumnPick PickColumns(const CColumnLayout& layout, const CImportProfile* pProfile, const std::string& strFile);

// Whether a file's text (TextOfBytes) is read as a column file: IsColumnFile, or, with a
// profile, when its rows of numbers begin before line 4 or the profile names the columns to
// read (strain and stress, or force and stroke) by titles the file's title line holds. The
// experiment data format has three header lines and no titles: a three-column tab file
// "Time Strain Stress" with one or two header lines would otherwise lose its first rows to
// that header and read the time as the row number.
bool ReadsAsColumnFile(std::string_view text, const CImportProfile* pProfile);

// One file read and prepared by steps a to e (the steps over several curves, f and g, are
// ImportCurves'): the curve's rows, the reading's summary and the lines of its record.
struct CSourceCurve {
    CPrepCurve m_curve;
    CImportSummary m_summary;
    bool m_bColumnFile = false;
};

// Reads strFile at temperature dTemp and rate dRate (values: the list's per-curve values,
// height1=... ). Throws CFileError naming the file (cannot be read, no rows, a column file
// without a profile) or CInputError (a profile that does not fit it, a step that cannot be
// made, naming the line or key).
CSourceCurve ReadSourceCurve(const std::string& strFile, double dTemp, double dRate,
                             const std::vector<CCurveValue>& aValues, const CImportProfile* pProfile);

// What importing a campaign gives: the curves in order (averaged repeats in place of their
// first), what reading each file gave (in the order of aSpecs), and lines for the user
// (temperature differences, the scatter of repeats).
struct CImportedCurves {
    std::vector<CCurve> m_aCurves;
    std::vector<CImportSummary> m_aSummaries;
    std::vector<std::string> m_aNotes;
};

// Reads and prepares every file of aSpecs with pProfile (nullptr: the experiment data
// format only, unprepared, exactly as Add File reads it). The adiabatic correction takes the
// temperature sensitivity from these curves and from the material's curves at the same
// rate. Throws as ReadSourceCurve; nothing is changed.
CImportedCurves ImportCurves(const std::vector<CCurveSpec>& aSpecs, const CImportProfile* pProfile,
                             const CMaterial& material);

// Writes every curve of material into strFolder (created when missing) as an experiment
// data file "curve_<k>_<t>_<H>.asc": first header line "Vornel curve k of <material> t=<t>
// H=<H>", the second its preparation record, the third "n strain stress", then one row per
// point, each number the shortest text that reads back as the same single-precision value;
// and the list "curves.txt" of "FILE T H" lines. The curves are written as they stand (after
// import and preparation; after a fit, the engine's resampled curves). Returns the paths
// written; throws CFileError naming a file that cannot be written.
std::vector<std::string> WriteCurveFiles(const CMaterial& material, const std::string& strFolder);
