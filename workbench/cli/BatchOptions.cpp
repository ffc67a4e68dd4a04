#include "BatchOptions.h"

#include "BatchPrint.h"
#include "vornel/document/InputRanges.h"
#include "vornel/intake/CurveIntake.h"
#include "vornel/export/FortranExport.h"
#include "vornel/export/SurfaceExport.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/session/FolderLock.h"
#include "formats/BinaryFile.h"
#include "formats/ExchangeFile.h"

#include <charconv>
#include <limits>

namespace {

double ParseNumber(const std::string& strText, const std::string& strWhat) {
    double dValue = 0;
    if (!ParseUserNumber(strText, dValue))
        throw CBatchError(strWhat + ": \"" + strText + "\" is not a number");
    return dValue;
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

// The curves of a list file (intake/CurveIntake.h), each checked as --curve checks its values.
void AddCurveList(const std::string& strList, std::vector<CCurveSpec>& aCurves) {
    std::vector<CCurveListEntry> aEntries;
    try {
        aEntries = ReadCurveList(strList);
    } catch (const CInputError& e) {
        throw CBatchError(e.what());
    }
    for (const CCurveListEntry& entry : aEntries) {
        aCurves.push_back(MakeCurveSpec(entry.m_strFile, entry.m_strTemp, entry.m_strRate,
                                        strList + ":" + std::to_string(entry.m_nLine)));
        aCurves.back().m_aValues = entry.m_aValues;
    }
}

} // namespace

CBatchOptions ParseOptions(const std::vector<std::string>& aArgs) {
    CBatchOptions options;
    std::vector<std::size_t> aToFind; // the curves of --add, whose conditions are found at the end
    bool bMapOption = false; // --map-strains or --map-source
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
            options.m_aLists.push_back(aArgs[++i]);
            AddCurveList(options.m_aLists.back(), options.m_aCurves);
        } else if (strArg == "--add") {
            need(i, 1, strArg);
            aToFind.push_back(options.m_aCurves.size());
            options.m_aCurves.push_back({aArgs[++i], 0, 0, {}});
        } else if (strArg == "--profile") {
            need(i, 1, strArg);
            if (options.m_profile)
                throw CBatchError("--profile is given twice");
            try {
                options.m_profile = ReadImportProfile(aArgs[++i]);
            } catch (const CInputError& e) {
                throw CBatchError(std::string("--profile: ") + e.what());
            }
        } else if (strArg == "--write-curves") {
            need(i, 1, strArg);
            if (!options.m_strWriteCurves.empty())
                throw CBatchError("--write-curves is given twice");
            options.m_strWriteCurves = aArgs[++i];
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
        } else if (strArg == "--units" || strArg == "--elastic" || strArg == "--density" ||
                   strArg == "--heat-fraction" || strArg == "--export-rate") {
            need(i, 1, strArg);
            const std::string& strValue = aArgs[++i];
            try {
                if (strArg == "--units")
                    options.m_deck.SetUnits(strValue);
                else if (strArg == "--elastic")
                    options.m_deck.SetElastic(strValue);
                else if (strArg == "--density")
                    options.m_deck.SetDensity(strValue);
                else if (strArg == "--heat-fraction")
                    options.m_deck.SetHeatFraction(strValue);
                else
                    options.m_deck.SetRate(strValue);
            } catch (const CExportError& e) {
                throw CBatchError(strArg + ": " + e.what());
            }
        } else if (strArg == "--melt-temperature" || strArg == "--reference-temperature") {
            need(i, 1, strArg);
            const double dTemp = ParseNumber(aArgs[++i], strArg);
            if (!(dTemp > -273.15))
                throw CBatchError(strArg + ": " + aArgs[i] + " deg C is not above -273.15 deg C");
            (strArg == "--melt-temperature" ? options.m_johnsonCook.m_dMeltTemp : options.m_johnsonCook.m_dRefTemp) =
                dTemp;
        } else if (strArg == "--reference-rate") {
            need(i, 1, strArg);
            const double dRate = ParseNumber(aArgs[++i], strArg);
            if (!(dRate > 0))
                throw CBatchError(strArg + ": " + aArgs[i] + " 1/s is not above 0");
            options.m_johnsonCook.m_dRefRate = dRate;
        } else if (strArg == "--plot") {
            need(i, 1, strArg);
            if (options.m_bPlot)
                throw CBatchError("--plot is given twice");
            options.m_strPlot = aArgs[++i];
            if (options.m_strPlot.empty())
                throw CBatchError("--plot needs a file name; it is empty");
            options.m_bPlot = true;
        } else if (strArg == "--plot-view") {
            need(i, 1, strArg);
            if (!FindPlotView(aArgs[++i], options.m_ePlotView))
                throw CBatchError("--plot-view: \"" + aArgs[i] + "\" is not a view; give single, temperatures or deviations");
            options.m_bPlotView = true;
        } else if (strArg == "--map" || strArg == "--map-csv") {
            need(i, 1, strArg);
            std::string& strFile = strArg == "--map" ? options.m_strMap : options.m_strMapCsv;
            if (!strFile.empty())
                throw CBatchError(strArg + " is given twice");
            strFile = aArgs[++i];
            if (strFile.empty())
                throw CBatchError(strArg + " needs a file name; it is empty");
        } else if (strArg == "--map-strains") {
            need(i, 1, strArg);
            try {
                options.m_aMapStrains = ParseStrainList(aArgs[++i]);
            } catch (const CInputError& e) {
                throw CBatchError(strArg + ": " + e.what());
            }
            bMapOption = true;
        } else if (strArg == "--map-source") {
            need(i, 1, strArg);
            if (!ParseMapSource(aArgs[++i], options.m_eMapSource))
                throw CBatchError("--map-source: \"" + aArgs[i] + "\" is not a source; give law or data");
            bMapOption = true;
        } else {
            throw CBatchError("unknown argument \"" + strArg + "\"");
        }
    }
    if (!options.m_bHelp && options.m_strModel.empty() && options.m_strWriteCurves.empty())
        throw CBatchError("--fit MODEL is missing");
    for (std::size_t k : aToFind) {
        CCurveSpec& spec = options.m_aCurves[k];
        try {
            spec = SpecForFile(spec.m_strFile, options.m_profile ? &*options.m_profile : nullptr);
        } catch (const CInputError& e) {
            throw CBatchError(std::string("--add ") + e.what());
        }
    }
    if (options.m_bPlotView && options.m_strPlot.empty())
        throw CBatchError("--plot-view needs --plot FILE");
    if (bMapOption && options.m_strMap.empty() && options.m_strMapCsv.empty())
        throw CBatchError("--map-strains and --map-source need --map FILE or --map-csv FILE");
    return options;
}

int ParseModel(const std::string& strModel) {
    if (strModel == "best")
        return 0;
    int nModel = 0;
    const auto [pStop, ec] = std::from_chars(strModel.data(), strModel.data() + strModel.size(), nModel);
    if (ec != std::errc() || pStop != strModel.data() + strModel.size() || !FindModel(nModel))
        throw CBatchError("--fit: \"" + strModel + "\" is not a model; give " + ModelNumbersText() + " or best");
    return nModel;
}

std::string MaterialFileOf(const CBatchOptions& options) {
    if (options.m_bName)
        return options.m_strName + ".mat";
    return options.m_strOpen.empty() ? std::string(kDefaultMaterialName) + ".mat" : options.m_strOpen;
}

void CheckOutputNames(const CBatchOptions& options) {
    // Every file the run reads or writes besides the outputs, with what it is.
    struct SNamed {
        std::string m_strFile;
        std::string m_strWhat;
    };
    std::vector<SNamed> aTaken;
    const std::string strMaterial = MaterialFileOf(options);
    for (const char* szFile : {kExchangeFileName, kFortranFileName, kSurfaceFileName, kFolderLockFileName})
        aTaken.push_back({szFile, std::string("the run's own file ") + szFile});
    for (const CCurveSpec& curve : options.m_aCurves)
        aTaken.push_back({curve.m_strFile, "the data file " + curve.m_strFile});
    for (const std::string& strList : options.m_aLists)
        aTaken.push_back({strList, "the list of curves " + strList});
    if (!options.m_strOpen.empty() && !SameFile(options.m_strOpen, strMaterial))
        aTaken.push_back({options.m_strOpen, "the material opened, " + options.m_strOpen});
    // The material file itself may be the one opened, nothing else of the run's.
    for (const SNamed& taken : aTaken)
        if (SameFile(strMaterial, taken.m_strFile))
            throw CBatchError("the material file " + strMaterial + " would be " + taken.m_strWhat +
                              "; give another --name");
    aTaken.push_back({strMaterial, "the material file " + strMaterial});
    const auto claim = [&](const std::string& strOption, const std::string& strFile) {
        for (const SNamed& taken : aTaken)
            if (SameFile(strFile, taken.m_strFile))
                throw CBatchError(strOption + " " + strFile + ": this file is " + taken.m_strWhat +
                                  "; give the output another name");
        aTaken.push_back({strFile, "the output of " + strOption});
    };
    for (const CBatchExport& entry : options.m_aExports)
        claim(std::string("--export ") + entry.m_pFormat->m_szName, entry.m_strFile);
    if (options.m_bPlot)
        claim("--plot", options.m_strPlot);
    if (!options.m_strMap.empty())
        claim("--map", options.m_strMap);
    if (!options.m_strMapCsv.empty())
        claim("--map-csv", options.m_strMapCsv);
}
