#pragma once
// The workbench window as a module that the program loads when it needs Qt: to open the
// window, or to draw a plot for --plot or the processing maps for --map. The batch mode without --plot never loads it, so
// it starts without the dozens of libraries Qt brings.
//
// The functions have C linkage, so that the program finds them with dlsym.

#include <vector>

class CMaterial;
struct CProcessingMap;

// The module's file name; it lies beside the vornel program.
inline constexpr const char* kWindowModuleName = "libvornel_window.so";

extern "C" {

// Opens the workbench window with the program's arguments; returns the exit status.
using WindowMainFunction = int (*)(int argc, char** argv);
inline constexpr const char* kWindowMainName = "VornelWindowMain";

// Draws the plot of *pMaterial in the view nView (an EPlotView, vornel/PlotGroups.h) into
// the file szPath (PNG or SVG by its ending) offscreen. Returns null when it was written,
// else the message naming the file and the problem (valid until the next call).
using WritePlotFunction = const char* (*)(const CMaterial* pMaterial, const char* szPath, int nView);
inline constexpr const char* kWritePlotName = "VornelWritePlot";

// Draws the processing maps *pMaps into the file szPath (PNG or SVG by its ending)
// offscreen, a panel per map. Returns null when it was written, else the message naming the
// file and the problem (valid until the next call).
using WriteMapFunction = const char* (*)(const std::vector<CProcessingMap>* pMaps, const char* szPath);
inline constexpr const char* kWriteMapName = "VornelWriteMap";

} // extern "C"
