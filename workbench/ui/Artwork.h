#pragma once
// The pictures the workbench draws for itself: the toolbar icons and the program picture
// (a press squeezing a specimen, beside a small chart of flow curves) shown in the
// conditions dialog, the material name dialog and the about box.

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

// The toolbar buttons, left to right.
enum class EToolIcon {
    NewMaterial,
    OpenFile,
    Save,
    AddFile,
    SelectFileList,
    ProcessingDialog,
    Graf,
    Visualization3d,
    Exit,
    About,
};

// The icon of a toolbar button, drawn at 16, 24 and 32 pixels (and twice that for
// high-density screens).
QIcon ToolIcon(EToolIcon eIcon);

// Draws the program picture into rect, keeping its aspect ratio (100 wide to 84 high)
// and centring it.
void DrawProgramPicture(QPainter& painter, const QRectF& rect);

// The program picture as a pixmap of the given size, transparent around the drawing.
QPixmap ProgramPicture(int nWidth, int nHeight);
