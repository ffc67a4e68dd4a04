#pragma once
// The batch mode of the vornel program: load curves, fit a model, write the results, all
// from the command line and in the current folder.
//
//   vornel --fit MODEL [--name NAME] [--curve FILE T H]... [--curves LIST] [--open FILE.mat]
//          [--refine] [--report] [--validate] [--plot FILE [--plot-view single|temperatures|deviations]]
//          [--surface-temperature T] [--lock-wait S]
//          [--export FORMAT FILE]... [--export-id N] [--export-strains MAX:N]
//          [--export-rates R1,...] [--export-temperatures T1,...]
//          [--map FILE] [--map-csv FILE] [--map-strains E1,...] [--map-source law|data]
//
// It runs the workbench's operations (Operations.h) in the order a user would: New material
// or Open File, Add File per curve, then the model's Calc or the Optimization, then the
// exports of the fitted law (LawExport.h) in the order given, then the processing maps
// (analysis/ProcessingMap.h).
//
// Exit status: 0 after a fit, 1 when the run ends without coefficients, 2 for a usage or
// input error (the message on the error stream names the file or argument) or when an
// output of the run could not be written (named with the reason; the others are written).

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class CMaterial;
struct CProcessingMap;
enum class EPlotView;

// Exit statuses.
inline constexpr int kBatchFitted = 0;
inline constexpr int kBatchNoFit = 1;
inline constexpr int kBatchError = 2;

// The text of vornel --help.
std::string BatchUsage();

// Draws the plot of a material in the view eView into the file strPath (--plot FILE
// --plot-view VIEW); throws CFileError naming the file when it cannot be written. The
// program that has a drawing library passes one.
using BatchPlotWriter = std::function<void(const CMaterial& material, const std::string& strPath, EPlotView eView)>;

// Draws processing maps into the file strPath (--map FILE), a panel per map; throws
// CFileError naming the file when it cannot be written.
using BatchMapWriter = std::function<void(const std::vector<CProcessingMap>& aMaps, const std::string& strPath)>;

// Runs the batch mode on the program's arguments (without the program name): results on
// out, messages on err. Replaces g_pMaterial. With --plot FILE the plot of the material is
// drawn through writePlot after the run (also after a refused fit: the measured points),
// with --map FILE the processing maps through writeMap; without a writer either is a usage
// error. Returns the exit status.
int RunBatch(const std::vector<std::string>& aArgs, std::ostream& out, std::ostream& err,
             const BatchPlotWriter& writePlot = {}, const BatchMapWriter& writeMap = {});
