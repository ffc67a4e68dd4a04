#include "BatchMode.h"

#include "BatchOptions.h"
#include "BatchPrint.h"
#include "vornel/analysis/ProcessingMap.h"
#include "vornel/document/Material.h"
#include "vornel/export/LawExport.h"
#include "vornel/fit/FitReport.h"
#include "vornel/run/HoldOut.h"
#include "vornel/run/RunMessages.h"
#include "vornel/session/FolderLock.h"
#include "vornel/session/Operations.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

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

// --map and --map-csv: the processing maps at the strains asked (or the default one), from
// the source asked. A map that cannot be formed is named with its reason; the files are
// written when at least one map was formed. Returns false when a file was not written.
bool WriteMaps(const CBatchOptions& options, const BatchMapWriter& writeMap, std::ostream& err) {
    if (options.m_strMap.empty() && options.m_strMapCsv.empty())
        return true;
    std::vector<double> aStrains = options.m_aMapStrains;
    if (aStrains.empty())
        aStrains.push_back(DefaultMapStrain(*g_pMaterial));
    const std::vector<CProcessingMap> aMaps = MakeProcessingMaps(*g_pMaterial, aStrains, options.m_eMapSource);
    bool bAny = false;
    for (const CProcessingMap& map : aMaps) {
        for (const std::string& strNote : map.m_aNotes)
            err << "vornel: " << MapTitle(map) << ": " << strNote << '\n';
        if (!map.Ok())
            err << "vornel: " << MapTitle(map) << ": not drawn: " << map.m_strMessage << '\n';
        bAny = bAny || map.Ok();
    }
    bool bWritten = true;
    for (const std::string* pFile : {&options.m_strMapCsv, &options.m_strMap}) {
        if (pFile->empty())
            continue;
        if (!bAny) {
            err << "vornel: " << *pFile << ": not written: no processing map could be formed\n";
            bWritten = false;
            continue;
        }
        try {
            if (pFile == &options.m_strMap)
                writeMap(aMaps, *pFile);
            else
                WriteTextFile(*pFile, ProcessingMapCsv(aMaps));
        } catch (const std::runtime_error& e) { // CFileError
            err << "vornel: " << e.what() << '\n';
            bWritten = false;
        }
    }
    return bWritten;
}

} // namespace

int RunBatch(const std::vector<std::string>& aArgs, std::ostream& out, std::ostream& err,
             const BatchPlotWriter& writePlot, const BatchMapWriter& writeMap) {
    try {
        const CBatchOptions options = ParseOptions(aArgs);
        if (options.m_bHelp) {
            out << BatchUsage();
            return kBatchFitted;
        }
        if (options.m_bPlot && !writePlot)
            throw CBatchError("--plot: this vornel was built without its window and cannot draw plots");
        if (!options.m_strMap.empty() && !writeMap)
            throw CBatchError("--map: this vornel was built without its window and cannot draw maps; --map-csv "
                              "writes the maps' values");
        const int nModel = options.m_strModel.empty() ? -1 : ParseModel(options.m_strModel);
        CheckOutputNames(options);

        if (options.m_strOpen.empty()) {
            NewMaterial(options.m_bName ? options.m_strName : kDefaultMaterialName);
        } else {
            OpenMaterial(options.m_strOpen, {});
            if (options.m_bName)
                NameMaterial(options.m_strName);
        }
        const CImportProfile* pProfile = options.m_profile ? &*options.m_profile : nullptr;
        // Curves in the experiment data format without a profile are added one by one, as Add
        // File adds them; with a profile every curve is read and prepared first, and all are
        // added or none.
        const auto reportStops = [&](const std::vector<CCurveSpec>& aSpecs, const std::vector<CImportSummary>& aSummaries) {
            for (std::size_t k = 0; k < aSummaries.size() && k < aSpecs.size(); ++k)
                if (aSummaries[k].StoppedEarly())
                    err << "vornel: " << aSpecs[k].m_strFile << ": " << aSummaries[k].StopDescription() << "; "
                        << aSummaries[k].m_nTaken << " points taken before it\n";
        };
        if (!pProfile) {
            for (const CCurveSpec& entry : options.m_aCurves)
                reportStops({entry}, {AddCurve(entry.m_strFile, entry.m_dTemp, entry.m_dRate)});
        } else if (!options.m_aCurves.empty()) {
            const CImportedCurves imported = AddCurves(options.m_aCurves, pProfile);
            reportStops(options.m_aCurves, imported.m_aSummaries);
            for (const std::string& strNote : imported.m_aNotes)
                err << "vornel: " << strNote << '\n';
        }
        if (!options.m_strWriteCurves.empty()) {
            const std::vector<std::string> aWritten = ExportCurves(options.m_strWriteCurves);
            err << "vornel: --write-curves: " << aWritten.size() - 1 << " curves written to " << options.m_strWriteCurves
                << " (as read and prepared, before any fit), with their list curves.txt\n";
            if (nModel < 0)
                return kBatchFitted;
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
            PrintPreparation(*g_pMaterial, out);
        }
        if (options.m_bReport)
            PrintHotWorking(*g_pMaterial, out, err);
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
        const bool bMapsWritten = WriteMaps(options, writeMap, err);
        if (result.AnyOutputFailed() || bPlotFailed || !bExported || !bMapsWritten)
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
