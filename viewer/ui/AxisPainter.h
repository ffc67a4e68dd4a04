#pragma once
// Draws the axes of the scene (strain, strain rate, stress) over a picture of it with a
// QPainter: each axis as a line along its box edge, a short tick and a label at each tick
// value, and its title beyond the labels, all on the side away from the box. The same
// drawing serves the window's OpenGL view and the --snapshot picture.

#include "orbiq/OrbiqScene.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;

// A text as drawn, in the painter's coordinates.
struct CDrawnText {
    QString strText;
    QRect rect;
};

// Draws scene.AxisOverlay() with the painter's font, in black; the painter's coordinates
// are the viewport's pixels. Returns every label and title drawn.
std::vector<CDrawnText> DrawAxes(QPainter& painter, const COrbiqScene& scene);

// Where DrawAxes would put the labels and titles with font, without drawing them.
std::vector<CDrawnText> AxisTexts(const COrbiqScene& scene, const QFont& font);

// Scales and moves the scene (COrbiqScene::FitView) so that its picture, with the axes'
// labels and titles drawn in font, fills area (the viewport's pixels) as far as its
// proportions allow; the texts' room is left on the sides they stand on. False when there
// is nothing to fit.
bool FitSceneWithAxes(COrbiqScene& scene, QRect area, const QFont& font);
