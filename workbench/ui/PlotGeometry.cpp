#include "PlotGeometry.h"

#include "vornel/Material.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// A pixel offset from a fraction of a span: truncated toward zero, and kept within a
// range an int holds (a value far outside the plot lands far outside, not at a wrapped
// position).
int Offset(double dFraction, int nLength) {
    const double dPixels = dFraction * nLength;
    if (!std::isfinite(dPixels))
        return 0;
    // A millionth of a pixel outward, so a value on a grid line, whose fraction carries a
    // rounding error, lands on that line's pixel.
    return static_cast<int>(std::clamp(std::trunc(dPixels + std::copysign(1.0e-6, dPixels)), -1.0e6, 1.0e6));
}

double Fraction(double dValue, double dMin, double dSpan) {
    if (!(dSpan > 0) || !std::isfinite(dSpan))
        return 0;
    return (dValue - dMin) / dSpan;
}

} // namespace

CPlotAxes FindPlotAxes(const CMaterial& material) {
    double dMinStrain = 1.0e10, dMaxStrain = -1.0e10;
    double dMinStress = 1.0e10, dMaxStress = -1.0e10;
    for (int i = 0; i < material.m_nCurves; ++i)
        for (const CCurvePoint& p : material.Curve(i).m_pPoints) {
            if (p.m_dStrain > dMaxStrain)
                dMaxStrain = p.m_dStrain;
            if (p.m_dStrain < dMinStrain)
                dMinStrain = p.m_dStrain;
            if (p.m_dStress > dMaxStress)
                dMaxStress = p.m_dStress;
            if (p.m_dStress < dMinStress)
                dMinStress = p.m_dStress;
        }
    CPlotAxes axes;
    axes.m_dMinStrain = dMinStrain;
    axes.m_dMaxStrain = dMaxStrain;
    axes.m_dMinStress = dMinStress;
    axes.m_dTopStress = dMaxStress + (dMaxStress - dMinStress) * kStressHeadroom;
    return axes;
}

CPlotRect PlotRect(int nClientLeft, int nClientTop, int nClientRight, int nClientBottom, int nFontHeight,
                   int nFontWidth, int nStressLabelWidth) {
    CPlotRect rect;
    rect.m_nLeft = nClientLeft + std::max(nFontWidth + kPlotLeftMargin, nStressLabelWidth + 8);
    rect.m_nRight = nClientRight - nFontWidth - kPlotGap;
    rect.m_nTop = nClientTop + nFontHeight + kPlotGap;
    rect.m_nBottom = nClientBottom - nFontHeight - kPlotGap;
    return rect;
}

double StrainTick(const CPlotAxes& axes, int k, int nCells) {
    return axes.m_dMinStrain + (axes.m_dMaxStrain - axes.m_dMinStrain) * k / nCells;
}

double StressTick(const CPlotAxes& axes, int k, int nCells) {
    return axes.m_dMinStress + (axes.m_dTopStress - axes.m_dMinStress) * k / nCells;
}

int StrainTickX(const CPlotRect& rect, int k, int nCells) {
    return rect.m_nLeft + (k * std::abs(rect.m_nRight - rect.m_nLeft)) / nCells;
}

int StressTickY(const CPlotRect& rect, int k, int nCells) {
    return rect.m_nBottom - (k * std::abs(rect.m_nBottom - rect.m_nTop)) / nCells;
}

int PlaceStrain(const CPlotRect& rect, const CPlotAxes& axes, double dStrain) {
    const double dSpan = axes.m_dMaxStrain - axes.m_dMinStrain;
    return rect.m_nLeft + Offset(Fraction(dStrain, axes.m_dMinStrain, dSpan), rect.m_nRight - rect.m_nLeft);
}

int PlaceStress(const CPlotRect& rect, const CPlotAxes& axes, double dStress) {
    const double dSpan = axes.m_dTopStress - axes.m_dMinStress;
    return rect.m_nBottom + Offset(Fraction(dStress, axes.m_dMinStress, dSpan), rect.m_nTop - rect.m_nBottom);
}

std::string FormatPlotNumber(double dValue) {
    char szText[64];
    std::snprintf(szText, sizeof szText, "%3.3lf", dValue);
    return szText;
}

int CurveSlot(int nCurve) { return ((nCurve - 1) % kCurveSlots + kCurveSlots) % kCurveSlots + 1; }

int FileListRowTop(int nRow, int nFontHeight, int nClientTop) { return nRow * (nFontHeight + 3) + nClientTop + 15; }

int FileListRowAt(int nY, int nRows, int nFontHeight, int nClientTop) {
    for (int i = 1; i <= nRows; ++i) {
        const int nTop = FileListRowTop(i, nFontHeight, nClientTop);
        if (nY >= nTop - 1 && nY < nTop + nFontHeight + 2)
            return i;
    }
    return 0;
}
