#include "BatchMode.h"

#include "vornel/session/FolderLock.h"

#include "vornel/run/Approximation.h"
#include "vornel/intake/CurveIntake.h"
#include "vornel/fit/FitReport.h"
#include "vornel/run/HoldOut.h"
#include "vornel/export/LawExport.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/session/Operations.h"
#include "vornel/view/PlotGroups.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string_view>

namespace {

constexpr const char* kDefaultName = "material";

// A usage or input error: the message names the argument or file.
class CBatchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Seconds a run waits for another run in its folder to end: by default, and at most.
constexpr double kDefaultLockWait = 60;
constexpr double kMaxLockWait = 86400;

// One --export FORMAT FILE.
struct SExport {
    const CExportFormat* m_pFormat = nullptr;
    std::string m_strFile;
};

struct SOptions {
    bool m_bHelp = false;
    std::string m_strModel;      // "1".."18" or "best"
    bool m_bName = false;
    std::string m_strName;
    std::string m_strOpen;
    std::vector<CCurveSpec> m_aCurves; // in command-line order, lists expanded
    bool m_bRefine = false;            // refine the log-space laws on the stresses
    bool m_bReport = false;            // print the fit report
    bool m_bValidate = false;          // print the held-out RMS
    std::string m_strPlot;             // draw the plot into this file
    double m_dLockWait = kDefaultLockWait; // s to wait for another run in the folder
    std::optional<double> m_dSurfaceTemp; // temperature of visual.tmp, deg C
    EPlotView m_ePlotView = EPlotView::Single; // in this view
    bool m_bPlotView = false;          // --plot-view was given
    std::vector<SExport> m_aExports;   // the law's exports, in command-line order
    CExportGridOptions m_exportGrid;   // the table grid as the --export-* options set it
    int m_nExportId = kExportFirstId;  // first LS-DYNA id
};

double ParseNumber(const std::string& strText, const std::string& strWhat) {
    double dValue = 0;
    if (!ParseUserNumber(strText, dValue))
        throw CBatchError(strWhat + ": \"" + strText + "\" is not a number");
    return dValue;
}

std::string FormatNumber(double dValue) {
    char szText[64];
    std::snprintf(szText, sizeof szText, "%.17g", dValue);
    return szText;
}

// Temperature and strain rate of a curve from their texts, checked against their ranges;
// a problem is named with strWhere.
CCurveSpec MakeCurveSpec(const std::string& strFile, const std::string& strTemp, const std::string& strRate,
                         const std::string& strWhere) {
    CCurveSpec entry;
    entry.m_strFile = strFile;
    entry.m_dTemp = ParseNumber(strTemp, strWhere + ": temperature");
    entry.m_dRate = ParseNumber(strRate, strWhere + ": strain rate");
    try {
        CheckCurveConditions(entry.m_dTemp, entry.m_dRate);
    } catch (const CInputError& e) {
        throw CBatchError(strWhere + ": " + e.what());
    }
    return entry;
}

// The curves of a list file (CurveIntake.h), each checked as --curve checks its values.
void AddCurveList(const std::string& strList, std::vector<CCurveSpec>& aCurves) {
    std::vector<CCurveListEntry> aEntries;
    try {
        aEntries = ReadCurveList(strList);
    } catch (const CInputError& e) {
        throw CBatchError(e.what());
    }
    for (const CCurveListEntry& entry : aEntries)
        aCurves.push_back(MakeCurveSpec(entry.m_strFile, entry.m_strTemp, entry.m_strRate,
                                        strList + ":" + std::to_string(entry.m_nLine)));
}

SOptions ParseOptions(const std::vector<std::string>& aArgs) {
    SOptions options;
    auto need = [&](std::size_t i, std::size_t nValues, const std::string& strOption) {
        if (i + nValues >= aArgs.size())
            throw CBatchError(strOption + " needs " +
                              (nValues == 1 ? std::string("a value") : std::to_string(nValues) + " values"));
    };
    for (std::size_t i = 0; i < aArgs.size(); ++i) {
        const std::string& strArg = aArgs[i];
        if (strArg == "--help" || strArg == "-h") {
            options.m_bHelp = true;
        } else if (strArg == "--fit") {
            need(i, 1, strArg);
            if (!options.m_strModel.empty())
                throw CBatchError("--fit is given twice");
            options.m_strModel = aArgs[++i];
        } else if (strArg == "--name") {
            need(i, 1, strArg);
            options.m_bName = true;
            options.m_strName = aArgs[++i];
        } else if (strArg == "--open") {
            need(i, 1, strArg);
            if (!options.m_strOpen.empty())
                throw CBatchError("--open is given twice");
            options.m_strOpen = aArgs[++i];
        } else if (strArg == "--curve") {
            need(i, 3, strArg);
            options.m_aCurves.push_back(
                MakeCurveSpec(aArgs[i + 1], aArgs[i + 2], aArgs[i + 3], "--curve " + aArgs[i + 1]));
            i += 3;
        } else if (strArg == "--curves") {
            need(i, 1, strArg);
            AddCurveList(aArgs[++i], options.m_aCurves);
        } else if (strArg == "--refine") {
            options.m_bRefine = true;
        } else if (strArg == "--report") {
            options.m_bReport = true;
        } else if (strArg == "--validate") {
            options.m_bValidate = true;
        } else if (strArg == "--lock-wait") {
            need(i, 1, strArg);
            options.m_dLockWait = ParseNumber(aArgs[++i], strArg);
            if (!(options.m_dLockWait >= 0 && options.m_dLockWait <= kMaxLockWait))
                throw CBatchError("--lock-wait: " + aArgs[i] + " is outside 0.." + FormatNumber(kMaxLockWait) + " s");
        } else if (strArg == "--surface-temperature") {
            need(i, 1, strArg);
            const double dTemp = ParseNumber(aArgs[++i], strArg);
            try {
                CheckTemp3d(dTemp);
            } catch (const CInputError& e) {
                throw CBatchError(strArg + ": " + e.what());
            }
            options.m_dSurfaceTemp = dTemp;
        } else if (strArg == "--export") {
            need(i, 2, strArg);
            const CExportFormat* pFormat = FindExportFormat(aArgs[i + 1]);
            if (!pFormat)
                throw CBatchError("--export: \"" + aArgs[i + 1] + "\" is not a format; give " + ExportFormatNames());
            options.m_aExports.push_back({pFormat, aArgs[i + 2]});
            i += 2;
        } else if (strArg == "--export-id") {
            need(i, 1, strArg);
            const std::string& strId = aArgs[++i];
            int nId = 0;
            const auto [pStop, ec] = std::from_chars(strId.data(), strId.data() + strId.size(), nId);
            if (strId.empty() || ec != std::errc() || pStop != strId.data() + strId.size() || nId < 1)
                throw CBatchError("--export-id: \"" + strId + "\" is not a whole number from 1 to " +
                                  std::to_string(std::numeric_limits<int>::max()));
            options.m_nExportId = nId;
        } else if (strArg == "--export-strains" || strArg == "--export-rates" || strArg == "--export-temperatures") {
            need(i, 1, strArg);
            const std::string& strValue = aArgs[++i];
            try {
                if (strArg == "--export-strains")
                    options.m_exportGrid.SetStrains(strValue);
                else if (strArg == "--export-rates")
                    options.m_exportGrid.SetRates(strValue);
                else
                    options.m_exportGrid.SetTemps(strValue);
            } catch (const CExportError& e) {
                throw CBatchError(strArg + ": " + e.what());
            }
        } else if (strArg == "--plot") {
            need(i, 1, strArg);
            if (!options.m_strPlot.empty())
                throw CBatchError("--plot is given twice");
            options.m_strPlot = aArgs[++i];
        } else if (strArg == "--plot-view") {
            need(i, 1, strArg);
            if (!FindPlotView(aArgs[++i], options.m_ePlotView))
                throw CBatchError("--plot-view: \"" + aArgs[i] + "\" is not a view; give single, temperatures or deviations");
            options.m_bPlotView = true;
        } else {
            throw CBatchError("unknown argument \"" + strArg + "\"");
        }
    }
    if (!options.m_bHelp && options.m_strModel.empty())
        throw CBatchError("--fit MODEL is missing");
    if (options.m_bPlotView && options.m_strPlot.empty())
        throw CBatchError("--plot-view needs --plot FILE");
    return options;
}

// 1..19, or 0 for "best".
int ParseModel(const std::string& strModel) {
    if (strModel == "best")
        return 0;
    int nModel = 0;
    const auto [pStop, ec] = std::from_chars(strModel.data(), strModel.data() + strModel.size(), nModel);
    if (ec != std::errc() || pStop != strModel.data() + strModel.size() || !FindModel(nModel))
        throw CBatchError("--fit: \"" + strModel + "\" is not a model; give 1..19 or best");
    return nModel;
}

void PrintResult(const CMaterial& material, std::ostream& out) {
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    out << "Model: " << (pModel ? pModel->m_szLabel : "none") << '\n';
    for (int k = 0; k < material.m_nCoef; ++k)
        out << 'A' << k + 1 << " = " << FormatNumber(material.m_dCoef[static_cast<std::size_t>(k)]) << '\n';
    out << "ErrorSr= " << FormatNumber(material.m_dErrorSr) << '\n';
    out << "ErrorMax= " << FormatNumber(material.m_dErrorMax) << '\n';
}

// The fit report: over the measured points, then one line per curve.
void PrintReport(const CFitReport& report, std::ostream& out) {
    out << "RMS= " << FormatNumber(report.m_all.m_dRms) << '\n';
    out << "MARE= " << FormatNumber(report.m_all.m_dMare) << '\n';
    out << "MaxAbs= " << FormatNumber(report.m_all.m_dMaxAbs) << '\n';
    for (std::size_t k = 0; k < report.m_aCurves.size(); ++k) {
        const CCurveFit& curve = report.m_aCurves[k];
        out << "curve " << k + 1 << " t= " << FormatNumber(curve.m_dTemp) << " H= " << FormatNumber(curve.m_dRate)
            << " RMS= " << FormatNumber(curve.m_stats.m_dRms) << " MaxAbs= " << FormatNumber(curve.m_stats.m_dMaxAbs)
            << " at E= " << FormatNumber(curve.m_stats.m_dStrainAtMax) << '\n';
    }
}

// The confidence intervals of the refined coefficients, after the report's curve lines: one
// "CI A<k>= <low> <high>" per coefficient, then "IllDetermined= A<i> A<j>" per pair of
// coefficients correlated beyond 0.999, or "IllDetermined= none"; intervals that cannot be
// formed are said on the error stream.
void PrintConfidence(const std::optional<CRefinementResult>& refinement, std::ostream& out, std::ostream& err) {
    if (!refinement || !refinement->m_confidence)
        return;
    const CConfidenceIntervals& ci = *refinement->m_confidence;
    if (!ci.Ok()) {
        err << "vornel: " << ci.m_strMessage << '\n';
        return;
    }
    for (const CCoefficientInterval& coef : ci.m_aCoef)
        out << "CI A" << coef.m_nNumber << "= " << FormatNumber(coef.Low()) << ' ' << FormatNumber(coef.High()) << '\n';
    if (ci.m_aIllDetermined.empty())
        out << "IllDetermined= none\n";
    for (const CIllDeterminedPair& pair : ci.m_aIllDetermined)
        out << "IllDetermined= A" << pair.m_nFirst << " A" << pair.m_nSecond << '\n';
}

// The held-out RMS (NaN when no held-out fit delivered a law); the refused held-out fits on
// the error stream.
void PrintHoldOut(const CHoldOutReport& report, std::ostream& out, std::ostream& err) {
    for (std::size_t k = 0; k < report.m_aCurves.size(); ++k)
        if (!report.m_aCurves[k].Ok())
            err << "vornel: without curve " << k + 1 << ": " << report.m_aCurves[k].m_strMessage << '\n';
    const double dNone = std::numeric_limits<double>::quiet_NaN();
    out << "HeldOutRMS mean= " << FormatNumber(report.m_nFitted > 0 ? report.m_dMeanRms : dNone)
        << " max= " << FormatNumber(report.m_nFitted > 0 ? report.m_dMaxRms : dNone) << '\n';
}

// What the refinement did, on the error stream.
void PrintRefinement(const std::optional<CRefinementResult>& refinement, const std::string& strWhere,
                     std::ostream& err) {
    if (refinement)
        err << "vornel: " << strWhere << refinement->m_strMessage << '\n';
}

// The engine's lines of one call on the error stream, each as "vornel: <strWhere><line>".
void PrintMessages(const CFitOutcome& messages, const std::string& strWhere, std::ostream& err) {
    const auto print = [&](const std::string& strLine) {
        const std::size_t nStart = strLine.find_first_not_of(' ');
        err << "vornel: " << strWhere << (nStart == std::string::npos ? std::string() : strLine.substr(nStart)) << '\n';
    };
    for (const std::string& strLine : messages.m_aWarnings)
        print(strLine);
    if (!messages.m_strMessage.empty())
        print(messages.m_strMessage);
}

// Writes the exports of the fitted law and, with --report, prints its law check over the
// table grid ("LawCheck= ok" or "LawCheck= N findings"). The findings go to the error
// stream, once per grid: the table grid's when a table is written or the report asks, the
// subroutine grid's when a subroutine is written. Returns false when an export could not be
// made or written (each named with the reason; the others are written all the same).
bool ExportLaw(const SOptions& options, bool bFitted, std::ostream& out, std::ostream& err) {
    if (!options.m_bReport && options.m_aExports.empty())
        return true;
    if (!bFitted) {
        if (!options.m_aExports.empty())
            err << "vornel: --export: the fit delivered no law; nothing was exported\n";
        return true;
    }
    std::optional<CLawExport> law;
    try {
        law = MakeLawExport(*g_pMaterial, options.m_exportGrid, options.m_nExportId);
    } catch (const CExportError& e) {
        err << "vornel: --export: " << e.what() << '\n';
        return false;
    }
    if (options.m_bReport)
        out << "LawCheck= "
            << (law->m_aTableCheck.empty() ? std::string("ok") : std::to_string(law->m_aTableCheck.size()) + " findings")
            << '\n';
    bool bWritten = true;
    bool bTableChecked = options.m_bReport;
    bool bSubroutineChecked = false;
    for (const SExport& entry : options.m_aExports) {
        try {
            WriteLawExport(*entry.m_pFormat, *law, entry.m_strFile);
        } catch (const std::runtime_error& e) { // CFileError, CExportError
            err << "vornel: " << e.what() << '\n';
            bWritten = false;
            continue;
        }
        (entry.m_pFormat->m_bSubroutine ? bSubroutineChecked : bTableChecked) = true;
    }
    std::vector<std::string> aPrinted;
    const auto print = [&](const std::vector<CLawFinding>& aFindings) {
        for (const CLawFinding& finding : aFindings)
            if (std::find(aPrinted.begin(), aPrinted.end(), finding.Message()) == aPrinted.end()) {
                aPrinted.push_back(finding.Message());
                err << "vornel: " << aPrinted.back() << '\n';
            }
    };
    if (bTableChecked)
        print(law->m_aTableCheck);
    if (bSubroutineChecked)
        print(law->m_aSubroutineCheck);
    return bWritten;
}

} // namespace

std::string BatchUsage() {
    return R"(Usage: vornel --fit MODEL [--name NAME] [--curve FILE T H]... [--curves LIST] [--open FILE.mat]
              [--refine] [--report] [--validate] [--plot FILE [--plot-view VIEW]]
              [--surface-temperature T] [--lock-wait S]
              [--export FORMAT FILE]... [--export-id N] [--export-strains MAX:N]
              [--export-rates R1,R2,...] [--export-temperatures T1,T2,...]
       vornel --help

Fits a flow-stress model to measured flow curves and writes the results to the
current folder, as a fit in the workbench window does:
  temp.mat    the exchange file with the engine
  progr.f90   the fitted law as the Fortran 90 subroutine CalcKiv(H,Eps,t,Ks)
  visual.tmp  the fitted stress surface for the 3D viewer orbiq, at 1000 deg C
              when that lies within the measured temperatures, else at their
              middle (the error stream says so)
  NAME.mat    the material file: the curves (resampled to 30 points each by the
              first fit), the model, its coefficients and errors

Options:
  --fit MODEL        the model 1..19, or "best": fit models 1, 2, 3, 4, 7, 9, 10,
                     11, 12, 14, 15, 16, 17 and 18 in turn and keep the one with the
                     smallest maximum error (as the Optimization button does);
                     model 19 is the strain-compensated hyperbolic-sine law, fitted
                     on the measured stresses
  --curve FILE T H   add the experiment data file FILE measured at temperature T
                     (deg C, -200..2600) and strain rate H (1/s, 0..10000);
                     may be repeated
  --curves LIST      add every curve of the text file LIST, one "FILE T H" per
                     line; blank lines and lines starting with # are skipped and
                     FILE is relative to the folder of LIST
  --open FILE.mat    start from a saved material instead of an empty one; curves
                     given with --curve or --curves are added to it
  --name NAME        the material's name; its file is NAME.mat (default: the
                     opened file, else "material.mat")
  --refine           refine the laws fitted on the logarithm of the stress
                     (models 9, 13, 14, 17, 18) by least squares on the measured
                     stresses; with "best" every such candidate is refined,
                     model 19 competes too, and the candidates are ranked by
                     their RMS (below) instead
  --report           after the errors, "RMS= ", "MARE= " (mean absolute relative
                     error, %) and "MaxAbs= " over the measured points (every
                     prepared point but the first of each curve), then per curve
                     "curve k t= T H= H RMS= v MaxAbs= v at E= strain", then
                     for model 19 and the refined models the 95 % confidence
                     interval of each fitted coefficient "CI A<k>= low high"
                     and "IllDetermined= A<i> A<j>" for each pair of them
                     correlated beyond 0.999 (or "IllDetermined= none"), then
                     "LawCheck= ok" or "LawCheck= N findings" over the grid of
                     the tables (--export)
  --validate         fit the material without each curve in turn and measure
                     that curve: "HeldOutRMS mean= v max= v"
  --plot FILE        also draw the plot of the material (measured points and
                     fitted curves of all curves, 1200 x 800, as the window's
                     Graf shows it) into FILE: an SVG drawing when its name ends
                     in .svg, else a PNG image (the name must end in .png)
  --lock-wait S      how long to wait, in seconds, when another run uses the
                     current folder (default 60): runs in one folder take turns,
                     since each writes and reads its temp.mat; after S seconds
                     the run ends with status 2 without doing anything
  --surface-temperature T
                     write visual.tmp at temperature T (deg C, 0..1600) instead;
                     a T outside the measured temperatures is said to be
                     extrapolated
  --plot-view VIEW   the picture --plot draws: "single" (the default, as above),
                     "temperatures" (a panel per measured temperature, curves
                     coloured by strain rate, with a legend of the rates) or
                     "deviations" (fitted minus measured stress over strain,
                     coloured by temperature, with a zero line)
  --export FORMAT FILE
                     also write the fitted law for a forming solver into FILE;
                     may be repeated. FORMAT is one of
                       uhard   Abaqus/Standard user subroutine UHARD (Fortran)
                       vuhard  Abaqus/Explicit user subroutine VUHARD (Fortran)
                       abaqus  Abaqus *PLASTIC tables, one per strain rate
                       lsdyna  LS-DYNA *DEFINE_TABLE_3D of tables of curves
                       csv     comma-separated table of the law
                     The subroutines compute the law and its derivatives; the
                     tables hold the law on a grid of the measured temperatures
                     and strain rates and 41 strains from 0 to the largest
                     measured. The law check (positive, finite, not rising with
                     temperature, not falling with strain rate) names each
                     property the law fails on the error stream.
  --export-id N      first id of the LS-DYNA tables and curves (default 1000)
  --export-strains MAX:N
                     table strains 0 and N equal steps up to MAX
  --export-rates R1,R2,...
                     table strain rates (1/s) instead of the measured ones
  --export-temperatures T1,T2,...
                     table temperatures (deg C) instead of the measured ones
  --help             this text

Experiment data files have three header lines, then rows "n strain stress".

Output: "Model: <label>", one line "A<n> = <value>" per coefficient, then
"ErrorSr= <value>" and "ErrorMax= <value>", then the lines of --report and
--validate, values with 17 significant digits.
Everything else (why a fit was refused, the conditions the numerical kernels
report, what the refinement did, files that could not be written) goes to the
error stream.
Exit status: 0 after a fit; 1 when the fit ends without coefficients; 2 for a
usage or input error, when a file of the run cannot be written (the others
are written all the same), or when another run kept the folder longer than
--lock-wait allows.
)";
}

int RunBatch(const std::vector<std::string>& aArgs, std::ostream& out, std::ostream& err,
             const BatchPlotWriter& writePlot) {
    try {
        const SOptions options = ParseOptions(aArgs);
        if (options.m_bHelp) {
            out << BatchUsage();
            return kBatchFitted;
        }
        if (!options.m_strPlot.empty() && !writePlot)
            throw CBatchError("--plot: this vornel was built without its window and cannot draw plots");
        const int nModel = ParseModel(options.m_strModel);

        if (options.m_strOpen.empty()) {
            NewMaterial(options.m_bName ? options.m_strName : kDefaultName);
        } else {
            OpenMaterial(options.m_strOpen, {});
            if (options.m_bName)
                NameMaterial(options.m_strName);
        }
        for (const CCurveSpec& entry : options.m_aCurves) {
            const CImportSummary summary = AddCurve(entry.m_strFile, entry.m_dTemp, entry.m_dRate);
            if (summary.StoppedEarly())
                err << "vornel: " << entry.m_strFile << ": " << summary.StopDescription() << "; "
                    << summary.m_nTaken << " points taken before it\n";
        }
        // The folder is this run's from the first write of "temp.mat" to its last file.
        const std::string strFolder = g_pMaterial->m_strWorkFolder;
        const CFolderLockWait wait{std::chrono::milliseconds(std::llround(options.m_dLockWait * 1000)),
                                   [&](const std::string& strAbsolute) {
                                       char szWait[32];
                                       const auto [pEnd, ec] = std::to_chars(szWait, szWait + sizeof szWait,
                                                                             options.m_dLockWait);
                                       err << "vornel: another run uses the folder " << strAbsolute
                                           << "; waiting up to " << std::string_view(szWait, pEnd - szWait)
                                           << " s for it to end\n";
                                   }};
        const CFolderLock lock(strFolder, wait);
        const CFitOptions fit{options.m_bRefine, options.m_dSurfaceTemp};
        CRunResult result;
        if (nModel == 0) {
            const COptimizationResult best = Optimization({}, fit);
            for (const CCandidateReport& report : best.m_aCandidates) {
                const std::string strWhere = "model " + std::to_string(report.m_nModel) + ": ";
                PrintMessages(report, strWhere, err);
                if (report.m_refinement && !report.m_refinement->Ok())
                    PrintRefinement(report.m_refinement, strWhere, err);
            }
            result = best.m_run;
        } else {
            ChooseModel(nModel);
            result = Calc(fit);
        }

        PrintResult(*g_pMaterial, out);
        if (result.Ok() && options.m_bReport) {
            PrintReport(MakeFitReport(*g_pMaterial), out);
            PrintConfidence(result.m_refinement, out, err);
        }
        const bool bExported = ExportLaw(options, result.Ok(), out, err);
        if (result.Ok() && options.m_bValidate)
            PrintHoldOut(ValidateByHoldOut(*g_pMaterial, fit), out, err);
        PrintMessages(result, "", err);
        PrintRefinement(result.m_refinement, "", err);
        for (const COutputFile& output : result.m_aOutputs) {
            if (output.m_eStatus != EOutputStatus::Written)
                err << "vornel: " << output.m_strPath << ": " << output.m_strMessage << '\n';
            else if (!output.m_strMessage.empty())
                err << "vornel: " << output.m_strPath << ": " << output.m_strMessage << '\n';
        }
        if (!result.Ok())
            err << kNoFitMessage << '\n';
        bool bPlotFailed = false;
        if (!options.m_strPlot.empty()) {
            try {
                writePlot(*g_pMaterial, options.m_strPlot, options.m_ePlotView);
            } catch (const std::runtime_error& e) { // CFileError
                err << "vornel: " << e.what() << '\n';
                bPlotFailed = true;
            }
        }
        if (result.AnyOutputFailed() || bPlotFailed || !bExported)
            return kBatchError;
        return result.Ok() ? kBatchFitted : kBatchNoFit;
    } catch (const CBatchError& e) {
        err << "vornel: " << e.what() << "\n(vornel --help explains the options)\n";
    } catch (const CFolderBusy& e) {
        err << "vornel: " << e.what() << "; it did not end in time, so this run did nothing (--lock-wait sets how long to wait)\n";
    } catch (const std::runtime_error& e) { // CFileError, CInputError
        err << "vornel: " << e.what() << '\n';
    } catch (const std::bad_alloc&) {
        err << "vornel: not enough memory\n";
    } catch (const std::exception& e) {
        err << "vornel: " << e.what() << '\n';
    }
    return kBatchError;
}
