#pragma once
// The workbench window as a module that the program loads when it needs Qt: to open the
// window, or to draw a plot for --plot. The batch mode without --plot never loads it, so
// it starts without the dozens of libraries Qt brings.
//
// Both functions have C linkage, so that the program finds them with dlsym.

class CMaterial;

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

} // extern "C"
