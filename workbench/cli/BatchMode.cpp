#include "BatchMode.h"

#include "BatchOptions.h"
#include "BatchPrint.h"
#include "vornel/document/Material.h"
#include "vornel/export/LawExport.h"
#include "vornel/fit/FitReport.h"
#include "vornel/run/HoldOut.h"
#include "vornel/run/RunMessages.h"
#include "vornel/session/FolderLock.h"
#include "vornel/session/Operations.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

// Writes the exports of the fitted law and, with --report, prints its law check over the
// table grid ("LawCheck= ok" or "LawCheck= N findings"). The findings go to the error
// stream, once per grid: the table grid's when a table is written or the report asks, the
// subroutine grid's when a subroutine is written. Returns false when an export could not be
// made or written (each named with the reason; the others are written all the same).
bool ExportLaw(const CBatchOptions& options, bool bFitted, std::ostream& out, std::ostream& err) {
    if (!options.m_bReport && options.m_aExports.empty())
        return true;
    if (!bFitted) {
        if (!options.m_aExports.empty())
            err << "vornel: --export: the fit delivered no law; nothing was exported\n";
        return true;
    }
    std::optional<CLawExport> law;
    try {
        law = MakeLawExport(*g_pMaterial, options.m_exportGrid, options.m_nExportId, options.m_deck);
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
    for (const CBatchExport& entry : options.m_aExports) {
        try {
            WriteLawExport(*entry.m_pFormat, *law, entry.m_strFile);
        } catch (const CExportError& e) { // the law does not fit the format: nothing is written
            err << "vornel: --export " << entry.m_pFormat->m_szName << " " << entry.m_strFile << ": " << e.what() << '\n';
            bWritten = false;
            continue;
        } catch (const std::runtime_error& e) { // CFileError, naming the file
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

int RunBatch(const std::vector<std::string>& aArgs, std::ostream& out, std::ostream& err,
             const BatchPlotWriter& writePlot) {
    try {
        const CBatchOptions options = ParseOptions(aArgs);
        if (options.m_bHelp) {
            out << BatchUsage();
            return kBatchFitted;
        }
        if (options.m_bPlot && !writePlot)
            throw CBatchError("--plot: this vornel was built without its window and cannot draw plots");
        const int nModel = ParseModel(options.m_strModel);
        CheckOutputNames(options);

        if (options.m_strOpen.empty()) {
            NewMaterial(options.m_bName ? options.m_strName : kDefaultMaterialName);
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
        g_pMaterial->m_johnsonCook = options.m_johnsonCook;
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
            for (const CCandidateReport& report : best.m_aCandidates)
                PrintLines(CandidateLines(report), "model " + std::to_string(report.m_nModel) + ": ", err);
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
        PrintLines(RunLines(result), "", err);
        if (!result.Ok())
            err << kNoFitMessage << '\n';
        bool bPlotFailed = false;
        if (options.m_bPlot) {
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
