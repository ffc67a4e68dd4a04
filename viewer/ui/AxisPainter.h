#pragma once
// Draws the axes of the scene (strain, strain rate, stress) over a picture of it with a
// QPainter: each axis as a line along its box edge, a short tick and a label at each tick
// value, and its title beyond the labels, all on the side away from the box. The same
// drawing serves the window's OpenGL view and the --snapshot picture.

#include "orbiq/OrbiqScene.h"

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
