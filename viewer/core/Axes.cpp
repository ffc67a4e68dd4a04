#include "orbiq/Axes.h"

#include "formats/SurfaceFile.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kFitTolerance = 0.01;   // of the value range, see FitAxisScale
// A tick value this close to an end of the range (relative to the range, or in the
// logarithm) still counts as inside: the file's six decimals move the ends of the box by
// about a millionth of its size.
constexpr double kEndSlack = 1e-4;

// Decimals that show every multiple of dStep (a round step) exactly.
int DecimalsOf(double dStep) {
    int nDecimals = 0;
    while (nDecimals < 12 && std::abs(dStep * std::pow(10.0, nDecimals) - std::round(dStep * std::pow(10.0, nDecimals))) >
                                 1e-9 * dStep * std::pow(10.0, nDecimals))
        ++nDecimals;
    return nDecimals;
}

std::string Label(double dValue, int nDecimals) {
    std::string str;
    // A multiple of the step computed as 0.30000000000000004 or -0.0 shows as the round value.
    AppendFixed(str, std::abs(dValue) < 1e-12 ? 0.0 : dValue, nDecimals);
    return str;
}

// Largest distance of the nodes from the line through the first and last of them (by
// coordinate) in f(v), relative to the range of f(v); infinity when that range is 0.
template <class F>
double Misfit(const std::vector<std::array<double, 2>>& aNodes, std::size_t nLo, std::size_t nHi, F f, CAxisScale& scale) {
    const double c0 = aNodes[nLo][0], c1 = aNodes[nHi][0];
    const double f0 = f(aNodes[nLo][1]), f1 = f(aNodes[nHi][1]);
    if (!(std::abs(f1 - f0) > 0) || !std::isfinite(f1 - f0))
        return std::numeric_limits<double>::infinity();
    scale.m_dB = (f1 - f0) / (c1 - c0);
    scale.m_dA = f0 - scale.m_dB * c0;
    double dWorst = 0;
    for (const auto& node : aNodes)
        dWorst = std::max(dWorst, std::abs(f(node[1]) - (scale.m_dA + scale.m_dB * node[0])));
    return dWorst / std::abs(f1 - f0);
}

// The pixel of point p of frame, or nothing before the front clipping plane (or far off
// any picture).
std::optional<std::array<float, 2>> Pixel(const CFrame& frame, const CViewport& viewport, CVec3 p) {
    const std::optional<std::array<float, 2>> pixel = viewport.Project(frame.WorldTransform().TransformPoint(p));
    if (!pixel || !(std::abs((*pixel)[0]) < 1e6f) || !(std::abs((*pixel)[1]) < 1e6f))
        return std::nullopt;
    return pixel;
}

// Coordinate nAxis of p.
float& At(CVec3& p, int nAxis) { return nAxis == kAxisStrain ? p.x : nAxis == kAxisRate ? p.y : p.z; }
float At(const CVec3& p, int nAxis) { return nAxis == kAxisStrain ? p.x : nAxis == kAxisRate ? p.y : p.z; }

} // namespace

double CAxisScale::ValueAt(double dCoordinate) const {
    const double d = m_dA + m_dB * dCoordinate;
    return m_bLog ? std::exp(d) : d;
}

double CAxisScale::CoordinateAt(double dValue) const {
    return ((m_bLog ? std::log(dValue) : dValue) - m_dA) / m_dB;
}

std::optional<CAxisScale> FitAxisScale(const std::vector<std::array<double, 2>>& aNodes) {
    if (aNodes.size() < 2)
        return std::nullopt;
    std::size_t nLo = 0, nHi = 0;
    bool bPositive = true;
    for (std::size_t i = 0; i < aNodes.size(); ++i) {
        if (!std::isfinite(aNodes[i][0]) || !std::isfinite(aNodes[i][1]))
            return std::nullopt;
        if (aNodes[i][0] < aNodes[nLo][0])
            nLo = i;
        if (aNodes[i][0] > aNodes[nHi][0])
            nHi = i;
        bPositive = bPositive && aNodes[i][1] > 0;
    }
    if (!(aNodes[nHi][0] - aNodes[nLo][0] > 1e-6))
        return std::nullopt;
    CAxisScale linear, logarithmic;
    logarithmic.m_bLog = true;
    const double dLinear = Misfit(aNodes, nLo, nHi, [](double v) { return v; }, linear);
    const double dLog = bPositive ? Misfit(aNodes, nLo, nHi, [](double v) { return std::log(v); }, logarithmic)
                                  : std::numeric_limits<double>::infinity();
    const bool bLog = dLog < 0.5 * dLinear;
    if (!((bLog ? dLog : dLinear) <= kFitTolerance))
        return std::nullopt;
    return bLog ? logarithmic : linear;
}

std::vector<CAxisTick> LinearTicks(double dMin, double dMax, int nTarget) {
    std::vector<CAxisTick> aTicks;
    const double dRange = dMax - dMin;
    if (!(dRange > 0) || !std::isfinite(dRange))
        return aTicks;
    const double dSlack = kEndSlack * dRange;
    double dBestStep = 0;
    long long nBestCount = 0;
    const int nDecade = static_cast<int>(std::floor(std::log10(dRange)));
    for (int k = nDecade - 2; k <= nDecade + 1; ++k)
        for (double dMantissa : {1.0, 2.0, 2.5, 5.0}) {
            const double dStep = dMantissa * std::pow(10.0, k);
            const long long nCount = static_cast<long long>(std::floor((dMax + dSlack) / dStep)) -
                                     static_cast<long long>(std::ceil((dMin - dSlack) / dStep)) + 1;
            const long long nMiss = std::llabs(nCount - nTarget), nBestMiss = std::llabs(nBestCount - nTarget);
            if (dBestStep == 0 || nMiss < nBestMiss || (nMiss == nBestMiss && dStep > dBestStep)) {
                dBestStep = dStep;
                nBestCount = nCount;
            }
        }
    const int nDecimals = DecimalsOf(dBestStep);
    for (long long n = static_cast<long long>(std::ceil((dMin - dSlack) / dBestStep));
         n * dBestStep <= dMax + dSlack; ++n) {
        const double dValue = static_cast<double>(n) * dBestStep;
        aTicks.push_back({dValue, Label(dValue, nDecimals)});
    }
    return aTicks;
}

std::vector<CAxisTick> DecadeTicks(double dMin, double dMax) {
    std::vector<CAxisTick> aTicks;
    if (!(dMin > 0) || !(dMax > dMin) || !std::isfinite(dMax))
        return aTicks;
    const double dSlack = kEndSlack;
    const int nFirst = static_cast<int>(std::ceil(std::log10(dMin) - dSlack));
    const int nLast = static_cast<int>(std::floor(std::log10(dMax) + dSlack));
    const int nPowers = nLast - nFirst + 1;
    const auto add = [&](double dValue, int nExponent) {
        if (std::log10(dValue) >= std::log10(dMin) - dSlack && std::log10(dValue) <= std::log10(dMax) + dSlack)
            aTicks.push_back({dValue, Label(dValue, std::max(0, -nExponent))});
    };
    if (nPowers >= 3) {
        const int nEvery = (nPowers + 6) / 7;
        for (int k = nFirst; k <= nLast; k += nEvery)
            add(std::pow(10.0, k), k);
    } else {
        for (int k = nFirst - 1; k <= nLast; ++k)
            for (double dMantissa : {1.0, 2.0, 5.0})
                add(dMantissa * std::pow(10.0, k), k);
    }
    return aTicks;
}

CAxisSet MakeAxes(const CSurfaceFileContent& content) {
    CAxisSet axes;
    const CSurfaceMeshContent* pSurface = content.Mesh(1);
    if (!pSurface || pSurface->m_aVertices.empty())
        return axes;
    const CSurfaceMeshContent* pBoxMesh = content.Mesh(2) && !content.Mesh(2)->m_aVertices.empty() ? content.Mesh(2) : pSurface;
    const float fInf = std::numeric_limits<float>::infinity();
    axes.box = {{fInf, fInf, fInf}, {-fInf, -fInf, -fInf}};
    for (const std::array<float, 3>& v : pBoxMesh->m_aVertices)
        for (int k = 0; k < 3; ++k) {
            At(axes.box.lo, k) = std::min(At(axes.box.lo, k), v[static_cast<std::size_t>(k)]);
            At(axes.box.hi, k) = std::max(At(axes.box.hi, k), v[static_cast<std::size_t>(k)]);
        }

    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(At(axes.box.lo, k)) || !std::isfinite(At(axes.box.hi, k)))
            return {};
    static const char* const kaszTitles[3] = {"strain", "strain rate, 1/s", "stress, MPa"};
    for (int k = 0; k < 3; ++k) {
        std::vector<std::array<double, 2>> aNodes;
        aNodes.reserve(pSurface->m_aVertices.size());
        for (std::size_t n = 0; n < pSurface->m_aVertices.size() && n < pSurface->m_aNodeValues.size(); ++n)
            aNodes.push_back({pSurface->m_aVertices[n][static_cast<std::size_t>(k)], pSurface->m_aNodeValues[n][static_cast<std::size_t>(k)]});
        const std::optional<CAxisScale> scale = FitAxisScale(aNodes);
        if (!scale)
            continue;
        CAxis axis;
        axis.m_nAxis = k;
        axis.m_strTitle = kaszTitles[k];
        axis.m_scale = *scale;
        const double dFrom = scale->ValueAt(At(axes.box.lo, k)), dTo = scale->ValueAt(At(axes.box.hi, k));
        axis.m_aTicks = scale->m_bLog ? DecadeTicks(std::min(dFrom, dTo), std::max(dFrom, dTo))
                                      : LinearTicks(std::min(dFrom, dTo), std::max(dFrom, dTo));
        axes.aAxes.push_back(std::move(axis));
    }
    return axes;
}

std::vector<CAxisOverlay> ProjectAxes(const CAxisSet& axes, const CFrame& frame, const CViewport& viewport) {
    std::vector<CAxisOverlay> aOverlays;
    const CVec3 centre = (axes.box.lo + axes.box.hi) * 0.5f;
    const std::optional<std::array<float, 2>> centrePixel = Pixel(frame, viewport, centre);
    if (!centrePixel)
        return aOverlays;
    for (const CAxis& axis : axes.aAxes) {
        const int k = axis.m_nAxis;
        const int u = (k + 1) % 3, w = (k + 2) % 3;   // the two other axes
        std::optional<CAxisOverlay> best;
        float fBest = 0;
        CVec3 bestStart;
        for (int nCorner = 0; nCorner < 4; ++nCorner) {
            CVec3 start = axes.box.lo;
            At(start, u) = At((nCorner & 1) ? axes.box.hi : axes.box.lo, u);
            At(start, w) = At((nCorner & 2) ? axes.box.hi : axes.box.lo, w);
            CVec3 end = start;
            At(end, k) = At(axes.box.hi, k);
            const auto from = Pixel(frame, viewport, start), to = Pixel(frame, viewport, end);
            if (!from || !to)
                continue;
            // Lowest in the picture for the horizontal axes, leftmost for stress.
            const float fScore = k == kAxisStress ? -((*from)[0] + (*to)[0]) : (*from)[1] + (*to)[1];
            if (best && !(fScore > fBest))
                continue;
            fBest = fScore;
            bestStart = start;
            best = CAxisOverlay{};
            best->from = *from;
            best->to = *to;
        }
        if (!best)
            continue;
        CAxisOverlay& overlay = *best;
        overlay.strTitle = axis.m_strTitle;
        // Across the edge, away from the box's centre; down (or left for stress) when the
        // edge runs through the centre in the picture.
        float ex = overlay.to[0] - overlay.from[0], ey = overlay.to[1] - overlay.from[1];
        const float fLength = std::hypot(ex, ey);
        if (fLength > 0) {
            ex /= fLength;
            ey /= fLength;
        }
        float ox = (overlay.from[0] + overlay.to[0]) * 0.5f - (*centrePixel)[0];
        float oy = (overlay.from[1] + overlay.to[1]) * 0.5f - (*centrePixel)[1];
        const float fAlong = ox * ex + oy * ey;
        ox -= fAlong * ex;
        oy -= fAlong * ey;
        float fOut = std::hypot(ox, oy);
        if (!(fOut > 1e-3f)) {
            ox = k == kAxisStress ? -1.0f : 0.0f;
            oy = k == kAxisStress ? 0.0f : 1.0f;
            fOut = 1;
        }
        overlay.outward = {ox / fOut, oy / fOut};
        for (const CAxisTick& tick : axis.m_aTicks) {
            CVec3 p = bestStart;
            At(p, k) = static_cast<float>(axis.m_scale.CoordinateAt(tick.m_dValue));
            if (const auto pixel = Pixel(frame, viewport, p))
                overlay.aTicks.push_back({*pixel, tick.m_strLabel});
        }
        aOverlays.push_back(std::move(overlay));
    }
    return aOverlays;
}
