#pragma once
// The pictures of the hot-working analyses, drawn with QPainter into any paint device (the
// analysis windows, their picture files, --map). The numbers come from the core
// (vornel/analysis/), the contour geometry from vornel/view/Contours.h; this only paints.
//
// A processing map: the title (strain, source, model) above; over temperature (deg C, to the
// right) and strain rate (1/s, logarithmic, upwards) the efficiency eta in percent as filled
// contours between round levels with the levels' lines labelled, the region where xi < 0
// (unstable flow) hatched and bordered, and the measured conditions marked with white
// circles; a colour bar of the levels and a key of the hatching and the marks at the right.
// A map that could not be formed shows its title and the reason.
//
// The slope plots of the activation energy: a panel per plot (ActivationEnergy.h), the
// points of each temperature or strain rate with their least-squares line in its colour,
// the mean slope in the panel's title and a key of the colours below it.

#include <QColor>
#include <QRect>
#include <QSize>

#include <string>
#include <vector>

class QPainter;
struct CActivationEnergy;
struct CProcessingMap;

// Colour of eta at dShare (0 the lowest level, 1 the highest): blue over pale yellow to red.
QColor EfficiencyColour(double dShare);

// One map into rect.
void DrawProcessingMap(QPainter& painter, const QRect& rect, const CProcessingMap& map);
// The maps in a grid of panels over rect.
void DrawProcessingMaps(QPainter& painter, const QRect& rect, const std::vector<CProcessingMap>& aMaps);

// The slope plots in a grid of panels over rect (a refused analysis: its reason).
void DrawSlopePlots(QPainter& painter, const QRect& rect, const CActivationEnergy& energy);

// Size of a picture file of one map panel; more maps add panels of this size.
inline constexpr int kMapPanelWidth = 900;
inline constexpr int kMapPanelHeight = 700;
QSize MapPictureSize(std::size_t nMaps);

// Writes the maps (PNG or SVG by the ending of strPath; WritePictureFile) at MapPictureSize.
void WriteMapFile(const std::vector<CProcessingMap>& aMaps, const std::string& strPath);
// Writes the slope plots likewise, 1200 x 800.
void WriteSlopePlotFile(const CActivationEnergy& energy, const std::string& strPath);
