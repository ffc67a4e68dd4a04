#include "vornel/view/PlotGeometry.h"

#include "vornel/document/Material.h"

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

CPanelGrid PanelGrid(int nPanels, int nWidth, int nHeight) {
    CPanelGrid best;
    double dBest = -1;
    int nBestEmpty = 0;
    for (int nColumns = 1; nColumns <= std::max(1, nPanels); ++nColumns) {
        const int nRows = (std::max(1, nPanels) + nColumns - 1) / nColumns;
        const double dBox = std::min(static_cast<double>(nWidth) / nColumns, 4.0 / 3.0 * nHeight / nRows);
        const int nEmpty = nColumns * nRows - nPanels;
        if (dBox > dBest + 1e-9 || (std::fabs(dBox - dBest) <= 1e-9 && nEmpty < nBestEmpty)) {
            dBest = dBox;
            nBestEmpty = nEmpty;
            best = {nColumns, nRows};
        }
    }
    return best;
}

CPlotRect PanelCell(const CPanelGrid& grid, int k, int nLeft, int nTop, int nWidth, int nHeight) {
    const int nColumn = k % grid.m_nColumns;
    const int nRow = k / grid.m_nColumns;
    CPlotRect cell;
    cell.m_nLeft = nLeft + nColumn * nWidth / grid.m_nColumns;
    cell.m_nRight = nLeft + (nColumn + 1) * nWidth / grid.m_nColumns;
    cell.m_nTop = nTop + nRow * nHeight / grid.m_nRows;
    cell.m_nBottom = nTop + (nRow + 1) * nHeight / grid.m_nRows;
    return cell;
}

CLegendGrid LegendGrid(int nEntries, int nEntryWidth, int nWidth, int nMaxRows) {
    CLegendGrid grid;
    if (nEntries <= 0)
        return grid;
    grid.m_nColumns = std::clamp(nWidth / std::max(1, nEntryWidth), 1, nEntries);
    grid.m_nRows = (nEntries + grid.m_nColumns - 1) / grid.m_nColumns;
    grid.m_nShown = nEntries;
    if (grid.m_nRows > std::max(1, nMaxRows)) {
        grid.m_nRows = std::max(1, nMaxRows);
        grid.m_nShown = grid.m_nRows * grid.m_nColumns - 1;
    }
    return grid;
}

CNiceAxis NiceAxis(double dLo, double dHi, int nCells) {
    if (!std::isfinite(dLo) || !std::isfinite(dHi) || dHi < dLo)
        dLo = dHi = 0;
    double dSpan = dHi - dLo;
    if (!(dSpan > 1e-12 * std::max(1.0, std::max(std::fabs(dLo), std::fabs(dHi))))) {
        const double dAround = std::max(std::fabs(dHi) * 0.1, 1e-3);
        dLo -= dAround;
        dHi += dAround;
        dSpan = dHi - dLo;
    }
    const double dRaw = dSpan / std::max(1, nCells);
    const double dPower = std::pow(10.0, std::floor(std::log10(dRaw)));
    double dStep = 10 * dPower;
    for (double dFactor : {1.0, 2.0, 2.5, 5.0})
        if (dRaw <= dFactor * dPower * (1 + 1e-9)) {
            dStep = dFactor * dPower;
            break;
        }
    CNiceAxis axis;
    axis.m_dStep = dStep;
    axis.m_dMin = std::floor(dLo / dStep + 1e-9) * dStep;
    axis.m_dMax = std::ceil(dHi / dStep - 1e-9) * dStep;
    axis.m_nCells = std::max(1, static_cast<int>(std::lround((axis.m_dMax - axis.m_dMin) / dStep)));
    return axis;
}

CPlotAxes ZoomAxes(const CPlotAxes& full, const CPlotZoom& zoom) {
    const double dStrain = full.m_dMaxStrain - full.m_dMinStrain;
    const double dStress = full.m_dTopStress - full.m_dMinStress;
    return {full.m_dMinStrain + dStrain * zoom.m_dX0, full.m_dMinStrain + dStrain * zoom.m_dX1,
            full.m_dMinStress + dStress * zoom.m_dY0, full.m_dMinStress + dStress * zoom.m_dY1};
}

CPlotZoom SubZoom(const CPlotZoom& zoom, double dX0, double dX1, double dY0, double dY1) {
    // One axis: the part a..b of lo..hi, its span kept within the limits about its middle.
    const auto part = [](double dLo, double dHi, double a, double b, double& dNewLo, double& dNewHi) {
        if (!std::isfinite(a) || !std::isfinite(b) || b <= a) {
            dNewLo = dLo, dNewHi = dHi;
            return;
        }
        const double dSpan = std::clamp((dHi - dLo) * (b - a), 1e-6, 1e3);
        const double dMiddle = dLo + (dHi - dLo) * (a + b) / 2;
        dNewLo = dMiddle - dSpan / 2, dNewHi = dMiddle + dSpan / 2;
    };
    CPlotZoom result;
    part(zoom.m_dX0, zoom.m_dX1, dX0, dX1, result.m_dX0, result.m_dX1);
    part(zoom.m_dY0, zoom.m_dY1, dY0, dY1, result.m_dY0, result.m_dY1);
    return result;
}
