#pragma once
// The batch mode's command line (vornel --help, BatchUsage, says every option): what a run
// is asked to do, read from the program's arguments.

#include "vornel/analysis/ProcessingMap.h"
#include "vornel/document/JohnsonCookInputs.h"
#include "vornel/export/LawExport.h"
#include "vornel/intake/Import.h"
#include "vornel/intake/ImportProfile.h"
#include "vornel/view/PlotGroups.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A usage or input error: the message names the argument or file.
class CBatchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The material's name when neither --name nor --open gives one.
inline constexpr const char* kDefaultMaterialName = "material";

// Seconds a run waits for another run in its folder to end: by default, and at most.
constexpr double kDefaultLockWait = 60;
constexpr double kMaxLockWait = 86400;

// One --export FORMAT FILE.
struct CBatchExport {
    const CExportFormat* m_pFormat = nullptr;
    std::string m_strFile;
};


struct CBatchOptions {
    bool m_bHelp = false;
    std::string m_strModel;      // a model number or "best"
    bool m_bName = false;
    std::string m_strName;
    std::string m_strOpen;
    std::vector<CCurveSpec> m_aCurves; // in command-line order, lists expanded, --add resolved
    std::vector<std::string> m_aLists; // the list files of --curves
    std::optional<CImportProfile> m_profile; // --profile FILE
    std::string m_strWriteCurves;      // --write-curves FOLDER
    bool m_bRefine = false;            // refine the log-space laws on the stresses
    bool m_bReport = false;            // print the fit report
    bool m_bValidate = false;          // print the held-out RMS
    std::string m_strPlot;             // draw the plot into this file
    bool m_bPlot = false;              // --plot was given
    double m_dLockWait = kDefaultLockWait; // s to wait for another run in the folder
    std::optional<double> m_dSurfaceTemp; // temperature of visual.tmp, deg C
    EPlotView m_ePlotView = EPlotView::Single; // in this view
    bool m_bPlotView = false;          // --plot-view was given
    std::vector<CBatchExport> m_aExports;   // the law's exports, in command-line order
    CExportGridOptions m_exportGrid;   // the table grid as the --export-* options set it
    int m_nExportId = kExportFirstId;  // first LS-DYNA id
    std::string m_strMap;              // draw the processing maps into this file
    std::string m_strMapCsv;           // write the processing maps' grid into this file
    std::vector<double> m_aMapStrains; // at these strains (empty: DefaultMapStrain)
    EMapSource m_eMapSource = EMapSource::Law; // from the law or the measured curves
    CDeckOptions m_deck;               // --units, --elastic, --density, --heat-fraction, --export-rate
    CJohnsonCookInputs m_johnsonCook;  // --melt-temperature, --reference-temperature, --reference-rate
};

// The options of the arguments (without the program's name), every value checked: a curve's
// conditions against their ranges, a list file read, the profile read, the conditions of
// every --add FILE found (with the profile's order of sources). Throws CBatchError naming the
// argument (or the list's or profile's file and line), CFileError for a list or profile that
// cannot be read.
CBatchOptions ParseOptions(const std::vector<std::string>& aArgs);

// The material file the run writes: NAME.mat of --name, else the file of --open, else
// "material.mat".
std::string MaterialFileOf(const CBatchOptions& options);

// Throws CBatchError unless every file the run writes is its own: two outputs (--export,
// --plot, --map, --map-csv) naming one file, or an output naming an input (a data file, a list, the material
// opened), the material file, the exchange file "temp.mat", "progr.f90", "visual.tmp" or
// the folder's lock file are refused before anything is done; so is a material file that is
// one of the run's own files or an input.
void CheckOutputNames(const CBatchOptions& options);

// The model of --fit: a number of the catalogue, or 0 for "best". Throws CBatchError for anything else.
int ParseModel(const std::string& strModel);
