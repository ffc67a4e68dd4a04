#include "vornel/view/Contours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

// A corner of a triangle: its position and value, and its grid index (for the edges).
struct SCorner {
    CContourPoint m_at;
    double m_dValue = 0;
    std::int64_t m_nIndex = 0;
};

// The two triangles of cell (c, r), corners counter-clockwise in grid coordinates.
std::array<std::array<SCorner, 3>, 2> CellTriangles(const CContourGrid& grid, std::size_t c, std::size_t r) {
    const std::size_t nColumns = grid.m_aX.size();
    const auto corner = [&](std::size_t cc, std::size_t rr) {
        const std::size_t k = rr * nColumns + cc;
        return SCorner{{grid.m_aX[cc], grid.m_aY[rr]}, grid.m_aValues[k], static_cast<std::int64_t>(k)};
    };
    const SCorner a = corner(c, r), b = corner(c + 1, r), d = corner(c + 1, r + 1), e = corner(c, r + 1);
    return {{{a, b, d}, {a, d, e}}};
}

bool Finite(const std::array<SCorner, 3>& t) {
    return std::isfinite(t[0].m_dValue) && std::isfinite(t[1].m_dValue) && std::isfinite(t[2].m_dValue);
}

// Where the interpolant between p and q takes dLevel.
CContourPoint Crossing(const CContourPoint& p, double vp, const CContourPoint& q, double vq, double dLevel) {
    const double t = vq != vp ? (dLevel - vp) / (vq - vp) : 0.5;
    return {p.m_dX + t * (q.m_dX - p.m_dX), p.m_dY + t * (q.m_dY - p.m_dY)};
}

// A polygon with the interpolant's value at each vertex.
struct SValuedPolygon {
    std::vector<CContourPoint> m_aPoints;
    std::vector<double> m_aValues;
};

// The part of the polygon where sign (v - dLevel) >= 0 (bKeepAbove) or <= 0.
SValuedPolygon Clip(const SValuedPolygon& polygon, double dLevel, bool bKeepAbove) {
    SValuedPolygon out;
    const std::size_t n = polygon.m_aPoints.size();
    const auto inside = [&](double v) { return bKeepAbove ? v >= dLevel : v <= dLevel; };
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        const double vi = polygon.m_aValues[i], vj = polygon.m_aValues[j];
        if (inside(vi)) {
            out.m_aPoints.push_back(polygon.m_aPoints[i]);
            out.m_aValues.push_back(vi);
        }
        if (inside(vi) != inside(vj)) {
            out.m_aPoints.push_back(Crossing(polygon.m_aPoints[i], vi, polygon.m_aPoints[j], vj, dLevel));
            out.m_aValues.push_back(dLevel);
        }
    }
    return out;
}

} // namespace

std::vector<CContourPath> ContourLines(const CContourGrid& grid, double dLevel) {
    const std::size_t nColumns = grid.m_aX.size(), nRows = grid.m_aY.size();
    if (nColumns < 2 || nRows < 2 || grid.m_aValues.size() != nColumns * nRows || !std::isfinite(dLevel))
        return {};
    // The pieces, each between two crossed edges (an edge keyed by its corners' indices).
    struct SPiece {
        std::int64_t m_anEdge[2];
        CContourPoint m_aAt[2];
    };
    std::vector<SPiece> aPieces;
    const std::int64_t nCorners = static_cast<std::int64_t>(nColumns * nRows);
    const auto edgeKey = [nCorners](std::int64_t a, std::int64_t b) { return std::min(a, b) * nCorners + std::max(a, b); };
    for (std::size_t r = 0; r + 1 < nRows; ++r)
        for (std::size_t c = 0; c + 1 < nColumns; ++c)
            for (const auto& t : CellTriangles(grid, c, r)) {
                if (!Finite(t))
                    continue;
                SPiece piece{};
                int nFound = 0;
                for (int i = 0; i < 3; ++i) {
                    const SCorner& p = t[static_cast<std::size_t>(i)];
                    const SCorner& q = t[static_cast<std::size_t>((i + 1) % 3)];
                    if ((p.m_dValue >= dLevel) != (q.m_dValue >= dLevel) && nFound < 2) {
                        piece.m_anEdge[nFound] = edgeKey(p.m_nIndex, q.m_nIndex);
                        piece.m_aAt[nFound] = Crossing(p.m_at, p.m_dValue, q.m_at, q.m_dValue, dLevel);
                        ++nFound;
                    }
                }
                if (nFound == 2)
                    aPieces.push_back(piece);
            }
    // Join the pieces through their shared edges: open lines from an edge of one piece
    // (on the grid's border or next to a missing value) first, then the closed ones.
    std::unordered_map<std::int64_t, std::vector<std::size_t>> byEdge;
    for (std::size_t i = 0; i < aPieces.size(); ++i)
        for (std::int64_t nEdge : aPieces[i].m_anEdge)
            byEdge[nEdge].push_back(i);
    std::vector<bool> abUsed(aPieces.size(), false);
    std::vector<CContourPath> aLines;
    const auto follow = [&](std::size_t nStart, int nFromSide) {
        CContourPath line{aPieces[nStart].m_aAt[nFromSide]};
        std::size_t i = nStart;
        int nSide = nFromSide;
        while (true) {
            abUsed[i] = true;
            const int nOut = 1 - nSide;
            line.push_back(aPieces[i].m_aAt[nOut]);
            const std::int64_t nEdge = aPieces[i].m_anEdge[nOut];
            std::size_t nNext = aPieces.size();
            for (std::size_t j : byEdge[nEdge])
                if (!abUsed[j])
                    nNext = j;
            if (nNext == aPieces.size())
                break;
            nSide = aPieces[nNext].m_anEdge[0] == nEdge ? 0 : 1;
            line.back() = aPieces[nNext].m_aAt[nSide]; // the same point, computed from the other side
            i = nNext;
        }
        aLines.push_back(std::move(line));
    };
    for (std::size_t i = 0; i < aPieces.size(); ++i)
        for (int nSide = 0; nSide < 2 && !abUsed[i]; ++nSide)
            if (byEdge[aPieces[i].m_anEdge[nSide]].size() == 1)
                follow(i, nSide);
    for (std::size_t i = 0; i < aPieces.size(); ++i)
        if (!abUsed[i])
            follow(i, 0);
    return aLines;
}

std::vector<CContourPath> ContourRegion(const CContourGrid& grid, double dLo, double dHi) {
    const std::size_t nColumns = grid.m_aX.size(), nRows = grid.m_aY.size();
    std::vector<CContourPath> aPolygons;
    if (nColumns < 2 || nRows < 2 || grid.m_aValues.size() != nColumns * nRows || !(dLo <= dHi))
        return aPolygons;
    const auto within = [&](double v) { return v >= dLo && v <= dHi; };
    for (std::size_t r = 0; r + 1 < nRows; ++r) {
        std::size_t nRunStart = nColumns; // first column of a run of whole cells
        const auto closeRun = [&](std::size_t nEnd) {
            if (nRunStart < nEnd)
                aPolygons.push_back({{grid.m_aX[nRunStart], grid.m_aY[r]},
                                     {grid.m_aX[nEnd], grid.m_aY[r]},
                                     {grid.m_aX[nEnd], grid.m_aY[r + 1]},
                                     {grid.m_aX[nRunStart], grid.m_aY[r + 1]}});
            nRunStart = nColumns;
        };
        for (std::size_t c = 0; c + 1 < nColumns; ++c) {
            const auto value = [&](std::size_t cc, std::size_t rr) { return grid.m_aValues[rr * nColumns + cc]; };
            if (within(value(c, r)) && within(value(c + 1, r)) && within(value(c + 1, r + 1)) && within(value(c, r + 1))) {
                if (nRunStart == nColumns)
                    nRunStart = c;
                continue;
            }
            closeRun(c);
            for (const auto& t : CellTriangles(grid, c, r)) {
                if (!Finite(t))
                    continue;
                SValuedPolygon polygon;
                for (const SCorner& corner : t) {
                    polygon.m_aPoints.push_back(corner.m_at);
                    polygon.m_aValues.push_back(corner.m_dValue);
                }
                if (std::isfinite(dLo))
                    polygon = Clip(polygon, dLo, true);
                if (std::isfinite(dHi) && polygon.m_aPoints.size() >= 3)
                    polygon = Clip(polygon, dHi, false);
                if (polygon.m_aPoints.size() >= 3)
                    aPolygons.push_back(std::move(polygon.m_aPoints));
            }
        }
        closeRun(nColumns - 1);
    }
    return aPolygons;
}

std::vector<double> ContourLevels(const CContourGrid& grid, int nCells) {
    double dMin = HUGE_VAL, dMax = -HUGE_VAL;
    for (double v : grid.m_aValues)
        if (std::isfinite(v)) {
            dMin = std::min(dMin, v);
            dMax = std::max(dMax, v);
        }
    if (!(dMin <= dMax))
        return {};
    const CNiceAxis axis = NiceAxis(dMin, dMax, nCells);
    std::vector<double> aLevels;
    for (int k = 0; k <= axis.m_nCells; ++k) {
        const double dLevel = axis.m_dMin + k * axis.m_dStep;
        aLevels.push_back(std::fabs(dLevel) < 1e-9 * axis.m_dStep ? 0.0 : dLevel);
    }
    return aLevels;
}

std::vector<CContourSegment> HatchConvexPolygons(const std::vector<CContourPath>& aPolygons, double dSpacing) {
    std::vector<CContourSegment> aSegments;
    if (!(dSpacing > 0))
        return aSegments;
    for (const CContourPath& polygon : aPolygons) {
        if (polygon.size() < 3)
            continue;
        double dLo = HUGE_VAL, dHi = -HUGE_VAL;
        for (const CContourPoint& p : polygon) {
            dLo = std::min(dLo, p.m_dX + p.m_dY);
            dHi = std::max(dHi, p.m_dX + p.m_dY);
        }
        for (double k = std::ceil(dLo / dSpacing); k * dSpacing <= dHi; ++k) {
            const double c = k * dSpacing;
            // Where the line crosses the polygon's edges; a convex polygon is entered once
            // and left once, so the crossings of smallest and largest x bound its piece.
            CContourSegment piece{{HUGE_VAL, 0}, {-HUGE_VAL, 0}};
            for (std::size_t i = 0; i < polygon.size(); ++i) {
                const CContourPoint& a = polygon[i];
                const CContourPoint& b = polygon[(i + 1) % polygon.size()];
                const double sa = a.m_dX + a.m_dY - c, sb = b.m_dX + b.m_dY - c;
                if ((sa > 0 && sb > 0) || (sa < 0 && sb < 0) || sa == sb)
                    continue;
                const double t = sa / (sa - sb);
                const CContourPoint at{a.m_dX + t * (b.m_dX - a.m_dX), a.m_dY + t * (b.m_dY - a.m_dY)};
                if (at.m_dX < piece.m_from.m_dX)
                    piece.m_from = at;
                if (at.m_dX > piece.m_to.m_dX)
                    piece.m_to = at;
            }
            if (piece.m_from.m_dX < piece.m_to.m_dX)
                aSegments.push_back(piece);
        }
    }
    return aSegments;
}

std::optional<CContourLabel> ContourLabelPlace(const CContourGrid& grid, const CContourPath& line, double dMinShare) {
    if (line.size() < 2 || grid.m_aX.size() < 2 || grid.m_aY.size() < 2)
        return std::nullopt;
    const double dWidth = grid.m_aX.back() - grid.m_aX.front();
    const double dHeight = grid.m_aY.back() - grid.m_aY.front();
    if (!(dWidth > 0) || !(dHeight > 0))
        return std::nullopt;
    const auto length = [&](const CContourPoint& a, const CContourPoint& b) {
        return std::hypot((b.m_dX - a.m_dX) / dWidth, (b.m_dY - a.m_dY) / dHeight);
    };
    double dTotal = 0;
    for (std::size_t i = 1; i < line.size(); ++i)
        dTotal += length(line[i - 1], line[i]);
    if (!(dTotal >= dMinShare))
        return std::nullopt;
    // The point at half the length, and the point a fortieth of the length further on.
    const auto pointAt = [&](double dAlong) {
        double dWalked = 0;
        for (std::size_t i = 1; i < line.size(); ++i) {
            const double d = length(line[i - 1], line[i]);
            if (dWalked + d >= dAlong && d > 0) {
                const double t = (dAlong - dWalked) / d;
                return CContourPoint{line[i - 1].m_dX + t * (line[i].m_dX - line[i - 1].m_dX),
                                     line[i - 1].m_dY + t * (line[i].m_dY - line[i - 1].m_dY)};
            }
            dWalked += d;
        }
        return line.back();
    };
    CContourLabel label;
    label.m_at = pointAt(dTotal / 2);
    label.m_toward = pointAt(std::min(dTotal, dTotal / 2 + dTotal / 40));
    return label;
}
