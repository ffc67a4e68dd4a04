#pragma once
// The material document: its flow curves, the chosen model and the last fit.
//
// One CMaterial exists at a time, owned by g_pMaterial and replaced by New material and
// Open File. Curves live in a fixed table of kMaxExchangeCurves slots; slots 0..m_nCurves-1 are
// in use. No Qt here: the window shell shows what these operations throw.

#include "vornel/document/FitResults.h"
#include "vornel/document/JohnsonCookInputs.h"
#include "vornel/model/ModelCatalogue.h"
#include "formats/ExchangeFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct CExchangeData;
struct CExchangeView;

// One point of a flow curve. Stress in the units of the data files, strain rate in 1/s,
// temperature in deg C, time in s. Every point of a curve carries the curve's strain rate
// and temperature. A plain value (held by the thousand in arrays), so no virtual members.
struct CCurvePoint {
    double m_dFitStress = 0; // fitted stress, written by the engine
    double m_dStress = 0;    // measured yield stress
    double m_dAux = 0;       // auxiliary value, carried through unchanged
    double m_dTemp = 0;      // temperature, deg C
    double m_dStrain = 0;    // true strain
    double m_dRate = 0;      // strain rate, 1/s
    double m_dTime = 0;      // strain / strain rate, written by the engine

    bool operator==(const CCurvePoint&) const = default;
};

// One measured flow curve at one temperature and one strain rate.
class CCurve {
public:
    CCurve() = default;
    CCurve(const CCurve&) = default;
    CCurve(CCurve&&) noexcept = default;
    CCurve& operator=(const CCurve&) = default;
    CCurve& operator=(CCurve&&) noexcept = default;
    virtual ~CCurve() = default;

    int PointCount() const { return static_cast<int>(m_pPoints.size()); }

    double m_dRate = 0;                  // strain rate H, 1/s
    double m_dTemp = 0;                  // temperature t, deg C
    std::vector<CCurvePoint> m_pPoints;  // the points, owned
    std::string m_strLabel;              // data file path after import, "H= ... Temp= ... " after a read
    std::string m_strFile;               // the data file the curve was added from (kept while the
                                         // material lives; a material file does not store it)
    std::string m_strPrep;               // how it was read and prepared: source file, profile and
                                         // every step with its parameters; "" for a file read as
                                         // the experiment data format without preparation (kept
                                         // in the material file's section "preparation")
    bool m_bLeftOut = false;             // left out of the fit: kept, shown, not fitted on (kept
                                         // in the material file's section "left out")

    bool operator==(const CCurve&) const = default;
};

// One cell of the 3D surface grid: four zero-based node indices and its own index.
struct CSurfaceQuad {
    std::int32_t m_nCorners = 4;
    std::array<std::int32_t, 4> m_aNodes{};
    std::int32_t m_nIndex = 0;

    bool operator==(const CSurfaceQuad&) const = default;
};

// Minimum and maximum of strain, strain rate and fitted stress over all measured points.
struct CValueRanges {
    double m_dMinStrain = 0, m_dMaxStrain = 0;
    double m_dMinRate = 0, m_dMaxRate = 0;
    double m_dMinFitStress = 0, m_dMaxFitStress = 0;

    bool operator==(const CValueRanges&) const = default;
};

class CMaterial {
public:
    static constexpr int kMaxCoef = kMaxLawCoef;

    CMaterial();
    CMaterial(const CMaterial&);
    CMaterial(CMaterial&&) noexcept;
    CMaterial& operator=(const CMaterial&);
    CMaterial& operator=(CMaterial&&) noexcept;
    virtual ~CMaterial();

    // Writes the material in the exchange layout: flag 0 to "temp.mat", flag 1 to
    // m_strFileName, both in the work folder (FilePath), with its sections
    // (MaterialSections). A law of more than kMaxFileCoef coefficients (model 21) goes whole
    // into the section "law", and fields 5..9 state the law its first coefficients are, the
    // catalogue's m_nFileModel (model 19, the backbone), with that law's errors: what a
    // reader that does not know the section (an older Vornel, the engine) takes. The file is replaced only when the
    // whole write succeeded; throws CFileError otherwise (the old file then stays as it was).
    void WriteMaterialFile(int nFlag) const;

    // Reads "temp.mat" (flag 0) or m_strFileName (flag 1). The file is read and validated
    // completely before anything changes, so a CFileError leaves the material exactly as it
    // was. On success fields 1..9 replace the material's: the counts, each used curve's
    // points, rate, temperature and label "H= %5.3lf Temp= %5.1lf " (a curve read with no
    // points keeps its rate, temperature and label), the function number, coefficients and
    // errors (those of the section "law" in place of fields 5..9 when the file has one), and
    // what the file's other sections hold: m_confidence (none when the file has no such
    // section, as "temp.mat" read back from the engine) and the curves' preparation records
    // (kept as they are when the file has none). Curve slots from m_nCurves on, the
    // selected curve, m_dTemp3d, the surface grid and m_strFileName stay as they were. Throws
    // CFileError also for a file whose point values CheckMaterialValues refuses or whose
    // sections cannot be read.
    void ReadMaterialFile(int nFlag);

    // The material in the neutral exchange structure, and back (the reading rules above).
    // Counts beyond the tables (more than kMaxExchangeCurves curves or kMaxCoef coefficients, or a
    // negative count) throw std::invalid_argument before anything is copied or changed. A law
    // of more than kMaxFileCoef coefficients travels in the section "law" as above.
    CExchangeData ToExchangeData() const;
    void TakeExchangeData(const CExchangeData& data);
    // The same by reference: the view points into the curves' own point arrays and the
    // coefficient table (valid while they are not changed), and taking a view copies each
    // point once from wherever the view points.
    CExchangeView ExchangeView() const;
    void TakeExchangeView(const CExchangeView& view);

    // Path of the file that flag selects: WorkPath("temp.mat") for 0, WorkPath(m_strFileName)
    // for 1.
    std::string FilePath(int nFlag) const;

    // strName resolved against the work folder: as it stands when it is absolute or the work
    // folder is empty (the process's current folder), else m_strWorkFolder / strName.
    std::string WorkPath(const std::string& strName) const;

    // Curve slots in use.
    CCurve& Curve(int i) { return m_aCurves.at(static_cast<std::size_t>(i)); }
    const CCurve& Curve(int i) const { return m_aCurves.at(static_cast<std::size_t>(i)); }

    // Sum of the used curves' point counts (what m_nPoints must equal).
    int CountPoints() const;

    // Flow stress of the current model with the current coefficients at strain dStrain,
    // temperature dTemp (deg C) and strain rate dRate (1/s); see model/ModelCatalogue.h.
    double Evaluate(double dStrain, double dTemp, double dRate) const;

    // All coefficients 0, m_nCoef 0, both errors 0, m_nSelectedCurve 0 (choosing a model).
    void ClearFit();

    // The approximation run (run/Approximation.h; the fit itself in fit/ModelFit.cpp).
    CFitOutcome FitModel(const CFitOptions& options = {});
    CRunResult RunApproximation(const CFitOptions& options = {});
    std::vector<CCandidateReport> FindBestModel(const CandidateCallback& onCandidate = {},
                                                const CFitOptions& options = {});
    std::vector<CCandidateReport> FindBestModelWith(const ModelEngineCall& callEngine,
                                                    const CandidateCallback& onCandidate = {},
                                                    const CFitOptions& options = {});
    // The same in two steps: the exchange file a run starts from, written from this
    // material, and the run on it (FitModel is WriteRunExchangeFile, then FitOnExchangeFile;
    // RunApproximation is WriteRunExchangeFile, then RunOnExchangeFile; FindBestModelWith is
    // WriteMaterialFile(0), then FindBestModelOnExchangeFile). The second step needs none of
    // the curves' points, since reading the file back replaces them.
    void WriteRunExchangeFile() const;
    CFitOutcome FitOnExchangeFile(const CFitOptions& options = {});
    CRunResult RunOnExchangeFile(const CFitOptions& options = {});
    // Step 5 of RunApproximation: "progr.f90", the surface file and the material file, each
    // reported in result.
    void WriteRunOutputs(CRunResult& result, const CFitOptions& options = {});
    std::vector<CCandidateReport> FindBestModelOnExchangeFile(const ModelEngineCall& callEngine,
                                                              const CandidateCallback& onCandidate = {},
                                                              const CFitOptions& options = {});
    // The one road of every fit on "temp.mat": callEngine(nModel) in the work folder, the file
    // read back and, for a model the workbench fits itself (FindCoreFit, fit/ModelFit.h)
    // whose entry point prepared the curves and fitted nothing, that fit on the material
    // (its result in coreFit), written back to "temp.mat". Returns the call's outcome, the
    // workbench's fit counting as the engine's: fitted, or refused with the fit's reason.
    // Throws CFileError naming "temp.mat" when the engine could not use it (read it, or
    // write its result back).
    CEngineStatus FitModelOnExchangeFile(const ModelEngineCall& callEngine, int nModel,
                                         std::optional<CRefinementResult>& coreFit);

    // Writes the current law as the Fortran 90 subroutine "progr.f90"; see export/FortranExport.h.
    void WriteFortran() const;

    // The 3D surface of the current law; see export/SurfaceExport.h.
    void UpdateDataRanges();
    void BuildSurfaceGrid(double dTemp);
    [[nodiscard]] CSurfaceExportStatus WriteSurfaceFile(double dTemp);

    double m_dTemp3d = 1000.0;               // temperature of the 3D surface, deg C
    std::vector<CCurvePoint> m_aSurfaceNodes; // surface grid nodes (100 after a build)
    std::vector<CSurfaceQuad> m_aSurfaceQuads; // surface grid cells (81 after a build)
    int m_nSelectedCurve = 0;                // 0 = all curves, k = the k-th curve
    int m_nPoints = 0;                       // total points over the used curves
    int m_nCurves = 0;                       // curves in use, 0..kMaxExchangeCurves
    int m_nPrepared = 0;                     // 1 once the engine resampled the curves
    std::array<CCurve, kMaxExchangeCurves> m_aCurves; // the curve table, never compacted
    std::string m_strName;                   // material name as typed
    std::string m_strFileName = "temp.mat";  // material file, relative to the work folder unless absolute
    std::string m_strWorkFolder;             // folder of the run's files; empty: the current folder
    int m_nFunction = 0;                     // model of the catalogue (1..21), 0 = none
    int m_nCoef = 0;                         // number of fitted coefficients
    std::array<double, kMaxCoef> m_dCoef{};  // A1, A2, ...
    double m_dErrorSr = 0;                   // mean error of the last fit
    double m_dErrorMax = 0;                  // maximum error of the last fit
    // The 95 % confidence intervals of the fitted coefficients, when the fit has them (model
    // 19, a refined law); kept in the material file's section "confidence" and cleared with
    // the fit.
    std::optional<CConfidenceIntervals> m_confidence;
    CValueRanges m_ranges;                   // set by UpdateDataRanges
    CJohnsonCookInputs m_johnsonCook;        // tm, tr, H0 of model 20's fit (not stored in the file)

    // Every field equal (a NaN is never equal).
    bool operator==(const CMaterial&) const = default;
};

// The label a curve gets when it is read from a file: "H= %5.3lf Temp= %5.1lf ".
std::string RateTempLabel(double dRate, double dTemp);

// Whether the values of a material file's points are ones the program takes anywhere else:
// the prepared flag 0 or 1; per point a temperature and a strain rate within the ranges of
// InputRanges.h and equal to those of the curve's other points, strain, stress and fitted
// stress finite numbers, strain and stress not below 0. Refused with the curve and point
// named: "curve 3, point 12: temperature inf is outside -200..2600 deg C". ReadMaterialFile
// refuses a file that fails it.
CCheck CheckMaterialValues(const CExchangeView& view);

// A law of more coefficients than the file's table holds (model 21), as the file's section
// "law" keeps it.
struct CStoredLaw {
    int m_nFunction = 0;
    std::vector<double> m_aCoef; // A1..AK
    double m_dErrorSr = 0;
    double m_dErrorMax = 0;
};

// What the material keeps beyond the layout's fields, as the sections of its file hold it
// (document/MaterialSections.cpp).
struct CMaterialSections {
    std::optional<CConfidenceIntervals> m_confidence;
    std::vector<std::string> m_aPrep; // the curves' preparation records, curve order; empty
                                      // when the file holds none
    std::optional<CStoredLaw> m_law;
    std::vector<int> m_aLeftOut;      // curves (1-based) left out of the fit, ascending
};
// The sections of the material's file.
std::vector<CExchangeSection> MaterialSections(const CMaterial& material);
// What sections hold (nothing for a section that is absent); a section that cannot be read
// throws std::invalid_argument naming it and its line.
CMaterialSections ParseMaterialSections(const std::vector<CExchangeSection>& aSections);

// Index of the first measured point of every curve: 1 for a prepared material, whose first
// point of each curve is the preparation's own (half the second point in strain and stress,
// not a measurement), 0 for raw curves.
int FirstMeasuredPoint(const CMaterial& material);

// The current material (null until New material or Open File). The application owns it; the
// core reads it and the commands (session/Operations.h) replace it.
extern std::unique_ptr<CMaterial> g_pMaterial;
