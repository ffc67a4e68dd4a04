#pragma once
// Exports of the fitted law for forming solvers: subroutines that compute the law and its
// derivatives (Abaqus UHARD and VUHARD, fixed-form Fortran), material decks a solver's
// include statement takes as they are (Abaqus *MATERIAL with *PLASTIC tables, its CalculiX
// variant at one strain rate, LS-DYNA *MAT cards wired to keyword tables, OpenRadioss
// /MAT/LAW103 where the law is its Hensel-Spittel form), native Johnson-Cook cards for model
// 20, and the law as a CSV table.
//
// Every export is built on one CLawExport: the law (model, coefficients) with the measured
// ranges of its material and the table grid, refined where the law bends (GridRefinement.h),
// on which the law and its derivatives are evaluated once (EvaluateLaw, ModelCatalogue.h,
// the law CMaterial::Evaluate computes, with its bounds). The formats are rows of one table
// (ExportFormats), each a function from a CLawExport to the file's text, in a file of its
// own; adding a model to the catalogue needs nothing here.
//
// The law's units: stress in the units of the data files (taken as MPa), strain rate 1/s,
// temperature deg C; the grid options are given in them. A file is written in the unit
// system of its deck options (ExportUnits.h), which its comments name. Every file starts
// with comment lines that name the model, its label, the material, the measured ranges, the
// units, what the solver does outside the grid or the measured ranges, the largest
// interpolation error of its tables, and what the law check (LawCheck.h) found.

#include "vornel/document/Status.h"
#include "vornel/export/ExportUnits.h"
#include "vornel/export/GridRefinement.h"
#include "vornel/export/LawCheck.h"
#include "vornel/model/ModelCatalogue.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CMaterial;

// An export that cannot be made: no fitted law, no measured curve, a grid value that is not
// acceptable. what() is a sentence for the user; it names the value or the field.
class CExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Defaults of the table grid and the LS-DYNA ids.
inline constexpr int kExportStrainSteps = 40;  // strains 0 and 40 equal steps
inline constexpr int kExportFirstId = 1000;    // first id of the LS-DYNA materials, tables and curves,
                                               // and of the OpenRadioss material
inline constexpr int kMaxExportStrainSteps = 10000;

// The conditions of the material's curves that have points: distinct temperatures [deg C]
// and strain rates [1/s] of the curves, ascending, and the range of the points' strains.
struct CMeasuredRanges {
    std::vector<double> m_aTemps;
    std::vector<double> m_aRates;
    double m_dMinStrain = 0;
    double m_dMaxStrain = 0;
};

// Throws CExportError when no curve of the material has a point.
CMeasuredRanges MeasuredRanges(const CMaterial& material);

// What the user sets of the table grid; what is left unset comes from the measured ranges.
// The setters take the texts of the batch options and the export dialog's fields and throw
// CExportError naming the text (the caller adds which option or field it was); an empty
// text (blanks only) leaves the value unset.
struct CExportGridOptions {
    double m_dMaxStrain = 0;   // > 0 when set by "MAX:N"
    int m_nStrainSteps = 0;    // N, 1..kMaxExportStrainSteps, when set
    std::vector<double> m_aRates; // ascending, distinct, >= 0; empty: the measured rates
    std::vector<double> m_aTemps; // ascending, distinct; empty: the measured temperatures

    // "MAX:N": strains 0 and N equal steps up to MAX (MAX > 0 finite, N an integer).
    void SetStrains(std::string_view strText);
    // "R1,R2,...": strain rates, finite and not negative; sorted, repeats dropped.
    void SetRates(std::string_view strText);
    // "T1,T2,...": temperatures, finite; sorted, repeats dropped.
    void SetTemps(std::string_view strText);
};

// What a deck holds beside the law, as the user sets it; the setters take the texts of the
// batch options and the export dialog's fields and throw CExportError naming the text (the
// caller adds which option or field it was); an empty text leaves the value unset. Elastic
// modulus and density are in the deck's unit system, as the user's model has them.
struct CDeckOptions {
    CExportUnits m_units;                   // the system the deck is written in
    std::optional<double> m_dYoungsModulus; // E, stress unit of m_units; unset: a placeholder
    std::optional<double> m_dPoisson;       // nu
    std::optional<double> m_dDensity;       // rho, density unit of m_units; unset: a placeholder
    std::optional<double> m_dHeatFraction;  // inelastic heat fraction 0..1; unset: none written
    std::optional<double> m_dRate;          // the CalculiX deck's one strain rate, 1/s

    // "MPa-mm-s", "Pa-m-s-K", ... (ExportUnits.h); empty: the default system.
    void SetUnits(std::string_view strText);
    // "E,nu": E above 0, nu above -1 and below 0.5.
    void SetElastic(std::string_view strText);
    // "rho": above 0.
    void SetDensity(std::string_view strText);
    // "f": 0..1.
    void SetHeatFraction(std::string_view strText);
    // "R": a strain rate, 1/s, 0 or above.
    void SetRate(std::string_view strText);
};

// The nodes of a grid, each list ascending.
struct CExportGrid {
    std::vector<double> m_aTemps;   // deg C
    std::vector<double> m_aRates;   // 1/s
    std::vector<double> m_aStrains; // from 0
    std::size_t NodeCount() const { return m_aTemps.size() * m_aRates.size() * m_aStrains.size(); }
};

// The grid in words: "strain 0 to 0.8 (41 values), strain rate 0.01 to 10 1/s (3),
// temperature 900 to 1150 deg C (3)" (numbers with six significant digits).
std::string DescribeGrid(const CExportGrid& grid);

// The grid the tables start from: the measured temperatures and strain rates, strains 0 and
// kExportStrainSteps equal steps up to the largest measured strain; options replace each.
// The tables hold it refined where the law bends (GridRefinement.h).
CExportGrid TableGrid(const CMeasuredRanges& measured, const CExportGridOptions& options = {});

// The grid the law check covers for the subroutines, which the solver may call anywhere:
// strains 0 to twice the largest measured in 40 equal steps; 25 strain rates log-spaced
// from a tenth of the smallest measured (the smallest above 0; the rate bound 0.0001 when
// every curve was measured at rate 0) to ten times the largest; 21 temperatures evenly over
// the measured range.
CExportGrid SubroutineCheckGrid(const CMeasuredRanges& measured);

// The law of a material ready for export, evaluated on its table grid.
struct CLawExport {
    const CModelInfo* m_pModel = nullptr; // the row of the fitted model, never null
    std::vector<double> m_aCoef;          // A1..AK
    std::string m_strMaterial;            // the material's name, else its file's name
    CMeasuredRanges m_measured;
    CExportGrid m_baseGrid;               // the grid asked for (TableGrid)
    CExportGrid m_grid;                   // the table grid: m_baseGrid refined for m_eRateAxis
    ERateAxis m_eRateAxis = ERateAxis::LinearOrLog;
    CInterpolationError m_interpolation;  // the largest interpolation error over m_grid
    CDeckOptions m_deck;
    // The law at every node of m_grid: temperature outermost, then strain rate, then strain.
    std::vector<CLawValue> m_aValues;
    int m_nFirstId = kExportFirstId;      // first LS-DYNA id
    // The law check over the table grid and over SubroutineCheckGrid(m_measured).
    std::vector<CLawFinding> m_aTableCheck;
    std::vector<CLawFinding> m_aSubroutineCheck;

    const CLawValue& At(std::size_t iTemp, std::size_t iRate, std::size_t iStrain) const {
        return m_aValues[(iTemp * m_grid.m_aRates.size() + iRate) * m_grid.m_aStrains.size() + iStrain];
    }
};

// Whether the material's law can be exported; refused with a sentence for the user: no
// model, a coefficient count other than the model's, a coefficient that is not a finite
// number, no curve with a point.
CCheck CheckLawExport(const CMaterial& material);

// The material's fitted law on the table grid of options refined for rates interpolated
// linearly or in their logarithm, with both law checks and the deck's options. Throws
// CExportError when the material holds no usable law (no model, a coefficient count other
// than the model's, a coefficient that is not a finite number), when no curve has a point,
// or when nFirstId is below 1.
CLawExport MakeLawExport(const CMaterial& material, const CExportGridOptions& options = {},
                         int nFirstId = kExportFirstId, const CDeckOptions& deck = {});

// The same law on grid base refined for eRates (a format whose solver interpolates rates
// otherwise, or a deck at one rate), its values and interpolation error anew; the law checks
// stay the table grid's.
CLawExport LawOnGrid(const CLawExport& law, CExportGrid base, ERateAxis eRates);

// One export format.
struct CExportFormat {
    const char* m_szName;       // the batch name: "uhard", "abaqus", "lsdyna", ...
    const char* m_szFilter;     // the file dialog's filter: "Abaqus/Standard UHARD subroutine (*.f)"
    const char* m_szSuffix;     // the file name's ending without the dot
    bool m_bSubroutine;         // the solver computes the law anywhere: checked on SubroutineCheckGrid
    // The whole text of the file. Throws CExportError when the law does not fit the format
    // (LS-DYNA ids beyond 10 digits, a CalculiX deck without its strain rate, a law that is
    // not OpenRadioss's Hensel-Spittel form).
    std::string (*m_pfnText)(const CLawExport& law);
};

// The formats: uhard, vuhard, abaqus, calculix, lsdyna, openradioss, csv.
std::span<const CExportFormat> ExportFormats();

// The format named strName (as in ExportFormats), or null.
const CExportFormat* FindExportFormat(std::string_view strName);

// The names of the formats, "uhard, vuhard, abaqus, ...", for messages.
std::string ExportFormatNames();

// The law check a format's file is written with: the table grid's or the subroutine grid's.
const std::vector<CLawFinding>& CheckLawFor(const CExportFormat& format, const CLawExport& law);

// Writes format's text of law to strPath, through a temporary file renamed over it (so a
// failed write leaves the previous file). Throws CFileError naming strPath, or CExportError.
void WriteLawExport(const CExportFormat& format, const CLawExport& law, const std::string& strPath);
