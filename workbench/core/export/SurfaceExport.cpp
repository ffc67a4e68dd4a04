#include "vornel/export/SurfaceExport.h"

#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"
#include "formats/SurfaceFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// "%g": 1150, 0.001, 1000.5.
std::string Number(double dValue) {
    char sz[64];
    std::snprintf(sz, sizeof sz, "%g", dValue);
    return sz;
}

std::string RangeText(const CTemperatureRange& range) {
    return Number(range.m_dMin) + ".." + Number(range.m_dMax) + " deg C";
}

// The ends of the rate axis in the unit the grid and the Y coordinate are evenly spaced in:
// the rate itself, or its logarithm on a logarithmic grid.
double RateAxisValue(double dRate, bool bLog) { return bLog ? std::log(dRate) : dRate; }

} // namespace

bool LogRateGrid(const CValueRanges& ranges) {
    return ranges.m_dMinRate > 0 && ranges.m_dMaxRate > kLogRateRatio * ranges.m_dMinRate;
}

std::optional<CTemperatureRange> MeasuredTemperatures(const CMaterial& material) {
    const std::vector<double> aTemps = MeasuredConditions(material).m_aTemps;
    if (aTemps.empty())
        return std::nullopt;
    return CTemperatureRange{aTemps.front(), aTemps.back()};
}

CSurfaceTemperature RunSurfaceTemperature(const CMaterial& material) {
    const std::optional<CTemperatureRange> range = MeasuredTemperatures(material);
    if (!range || (kRunSurfaceTemp >= range->m_dMin && kRunSurfaceTemp <= range->m_dMax))
        return {};
    const double dMiddle = (range->m_dMin + range->m_dMax) * 0.5;
    return {dMiddle, "the surface is drawn at " + Number(dMiddle) + " deg C, the middle of the measured temperatures " +
                         RangeText(*range) + ", which do not include " + Number(kRunSurfaceTemp) + " deg C"};
}

CSurfaceExportStatus WriteRunSurface(CMaterial& material, std::optional<double> dTemp) {
    const CSurfaceTemperature chosen = dTemp ? CSurfaceTemperature{*dTemp, {}} : RunSurfaceTemperature(material);
    CSurfaceExportStatus status = material.WriteSurfaceFile(chosen.m_dTemp);
    if (status.Ok()) {
        material.m_dTemp3d = chosen.m_dTemp;
        if (status.m_strMessage.empty())
            status.m_strMessage = chosen.m_strNote;
    }
    return status;
}

void CMaterial::UpdateDataRanges() {
    CValueRanges r;
    r.m_dMinStrain = r.m_dMinRate = r.m_dMinFitStress = 1.0e10;
    r.m_dMaxStrain = r.m_dMaxRate = r.m_dMaxFitStress = -1.0e10;
    const auto widen = [](double dValue, double& dMin, double& dMax) {
        if (dValue > dMax)
            dMax = dValue;
        if (dValue < dMin)
            dMin = dValue;
    };
    for (int i = 0; i < m_nCurves; ++i)
        for (const CCurvePoint& p : Curve(i).m_pPoints) {
            widen(p.m_dStrain, r.m_dMinStrain, r.m_dMaxStrain);
            widen(p.m_dRate, r.m_dMinRate, r.m_dMaxRate);
            widen(p.m_dFitStress, r.m_dMinFitStress, r.m_dMaxFitStress);
        }
    m_ranges = r;
}

void CMaterial::BuildSurfaceGrid(double dTemp) {
    UpdateDataRanges();
    constexpr int n = kSurfaceGridSide;
    const double dStrainStep = (m_ranges.m_dMaxStrain - m_ranges.m_dMinStrain) * kSurfaceGridStepFactor;
    const bool bLog = LogRateGrid(m_ranges);
    const double dRateMin = RateAxisValue(m_ranges.m_dMinRate, bLog);
    const double dRateStep = (RateAxisValue(m_ranges.m_dMaxRate, bLog) - dRateMin) * kSurfaceGridStepFactor;
    const auto rate = [&](int j) {
        if (!bLog)
            return m_ranges.m_dMinRate + j * dRateStep;
        return j == 0 ? m_ranges.m_dMinRate : j == n - 1 ? m_ranges.m_dMaxRate : std::exp(dRateMin + j * dRateStep);
    };

    std::vector<CCurvePoint> aNodes(n * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            CCurvePoint& node = aNodes[static_cast<std::size_t>(n * i + j)];
            node.m_dStrain = m_ranges.m_dMinStrain + i * dStrainStep;
            node.m_dRate = rate(j);
            node.m_dTemp = dTemp;
            node.m_dFitStress = Evaluate(node.m_dStrain, dTemp, node.m_dRate);
        }

    std::vector<CSurfaceQuad> aQuads((n - 1) * (n - 1));
    for (int r = 0; r < n - 1; ++r)
        for (int c = 0; c < n - 1; ++c) {
            CSurfaceQuad& quad = aQuads[static_cast<std::size_t>((n - 1) * r + c)];
            quad.m_nCorners = 4;
            quad.m_aNodes = {n * r + c, n * r + c + 1, n * (r + 1) + c + 1, n * (r + 1) + c};
            quad.m_nIndex = (n - 1) * r + c;
        }
    m_aSurfaceNodes = std::move(aNodes);
    m_aSurfaceQuads = std::move(aQuads);
}

CSurfaceExportStatus CMaterial::WriteSurfaceFile(double dTemp) {
    if (CountPoints() == 0)
        return {EOutputStatus::Skipped, kNoMeasuredPointsMessage};

    UpdateDataRanges();
    BuildSurfaceGrid(dTemp);
    UpdateDataRanges();

    const CValueRanges& r = m_ranges;
    const bool bLog = LogRateGrid(r);
    const double dCentreX = (r.m_dMinStrain + r.m_dMaxStrain) * 0.5;
    const double dCentreY = (r.m_dMinRate + r.m_dMaxRate) * 0.5;
    const double dCentreZ = (r.m_dMinFitStress + r.m_dMaxFitStress) * 0.5;
    const auto floored = [](double dRange) { return dRange < kSurfaceMinRange ? kSurfaceMinRange : dRange; };
    const double dRangeX = floored(r.m_dMaxStrain - r.m_dMinStrain);
    const double dRangeZ = floored(r.m_dMaxFitStress - r.m_dMinFitStress);
    // The Y coordinate in the unit the grid is spaced in.
    const double dAxisMinY = RateAxisValue(r.m_dMinRate, bLog), dAxisMaxY = RateAxisValue(r.m_dMaxRate, bLog);
    const double dAxisCentreY = bLog ? (dAxisMinY + dAxisMaxY) * 0.5 : dCentreY;
    const double dRangeY = floored(dAxisMaxY - dAxisMinY);
    const auto normalised = [&](double dStrain, double dRate, double dStress) {
        CSurfaceNode node;
        node.m_dX = (dStrain - dCentreX) / dRangeX;
        node.m_dY = (RateAxisValue(dRate, bLog) - dAxisCentreY) / dRangeY;
        node.m_dZ = (dStress - dCentreZ) / dRangeZ;
        return node;
    };

    CSurfaceFileData data;
    data.m_dCentreX = dCentreX;
    data.m_dCentreY = dCentreY;
    data.m_dCentreZ = dCentreZ;
    data.m_dScale = dRangeX;
    data.m_nCount = 1;
    data.m_aFlags = {1, 1, 0};

    // Mesh 1: the sampled surface. Node values Vx, Vy, Vz, Ti, T.
    CSurfaceMesh& surface = data.m_aMeshes[0];
    surface.m_aNodes.reserve(m_aSurfaceNodes.size());
    for (const CCurvePoint& p : m_aSurfaceNodes) {
        CSurfaceNode node = normalised(p.m_dStrain, p.m_dRate, p.m_dFitStress);
        node.m_aValues[0] = p.m_dStrain;
        node.m_aValues[1] = p.m_dRate;
        node.m_aValues[2] = p.m_dFitStress;
        node.m_aValues[3] = p.m_dFitStress;
        node.m_aValues[4] = dTemp;
        surface.m_aNodes.push_back(node);
    }
    surface.m_aFaces.reserve(4 * m_aSurfaceQuads.size());
    for (const CSurfaceQuad& quad : m_aSurfaceQuads) {
        const auto [a, b, c, d] = quad.m_aNodes;
        surface.m_aFaces.insert(surface.m_aFaces.end(), {{a, b, c}, {a, c, b}, {a, c, d}, {a, d, c}});
    }

    // Mesh 2: the backdrop walls at strain 0, at the minimum strain rate and at stress 0.
    m_ranges.m_dMinStrain = 0;
    m_ranges.m_dMinFitStress = 0;
    struct CCorner {
        bool m_bMaxStrain, m_bMaxRate, m_bMaxStress;
    };
    static constexpr CCorner kBackdrop[7] = {
        {false, true, false}, {false, false, false}, {true, false, false}, {true, true, false},
        {false, true, true},  {false, false, true},  {true, false, true},
    };
    // One-based corners of the twelve triangles: wall at strain 0, wall at the minimum
    // strain rate, floor at stress 0; each face in both windings.
    static constexpr int kBackdropFaces[12][3] = {
        {1, 5, 2}, {5, 6, 2}, {1, 2, 5}, {5, 2, 6}, {2, 6, 7}, {2, 7, 3},
        {2, 7, 6}, {2, 3, 7}, {1, 2, 4}, {4, 2, 3}, {1, 4, 2}, {4, 3, 2},
    };
    CSurfaceMesh& backdrop = data.m_aMeshes[1];
    for (const CCorner& corner : kBackdrop)
        backdrop.m_aNodes.push_back(normalised(corner.m_bMaxStrain ? m_ranges.m_dMaxStrain : m_ranges.m_dMinStrain,
                                               corner.m_bMaxRate ? m_ranges.m_dMaxRate : m_ranges.m_dMinRate,
                                               corner.m_bMaxStress ? m_ranges.m_dMaxFitStress
                                                                   : m_ranges.m_dMinFitStress));
    for (const auto& face : kBackdropFaces)
        backdrop.m_aFaces.push_back({face[0] - 1, face[1] - 1, face[2] - 1});

    // Mesh 3: the measured points of the curves measured at this temperature.
    CSurfaceMesh& markers = data.m_aMeshes[2];
    for (int c = 0; c < m_nCurves; ++c) {
        const CCurve& curve = Curve(c);
        if (!(std::abs(curve.m_dTemp - dTemp) <= kMarkerTempTolerance))
            continue;
        for (int j = FirstMeasuredPoint(*this); j < curve.PointCount(); ++j) {
            const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
            const CSurfaceNode at = normalised(p.m_dStrain, p.m_dRate, p.m_dStress);
            const auto corner = [&](double dx, double dy, double dz) {
                CSurfaceNode node;
                node.m_dX = at.m_dX + dx * kMarkerHalfSize;
                node.m_dY = at.m_dY + dy * kMarkerHalfSize;
                node.m_dZ = at.m_dZ + dz * kMarkerHalfSize;
                return node;
            };
            const auto n0 = static_cast<std::int32_t>(markers.m_aNodes.size());
            markers.m_aNodes.insert(markers.m_aNodes.end(), {corner(-1, 0, -1), corner(1, 0, -1), corner(0, 0, 1),
                                                             corner(0, -1, -1), corner(0, 1, -1), corner(0, 0, 1)});
            markers.m_aFaces.insert(markers.m_aFaces.end(), {{n0, n0 + 1, n0 + 2}, {n0, n0 + 2, n0 + 1},
                                                             {n0 + 3, n0 + 4, n0 + 5}, {n0 + 3, n0 + 5, n0 + 4}});
        }
    }
    if (!markers.m_aNodes.empty())
        data.m_aFlags[2] = 1;

    WriteSurfaceData(WorkPath(kSurfaceFileName), data);
    CSurfaceExportStatus status{EOutputStatus::Written, {}};
    const std::optional<CTemperatureRange> range = MeasuredTemperatures(*this);
    if (range && !(dTemp >= range->m_dMin && dTemp <= range->m_dMax))
        status.m_strMessage = "the surface at " + Number(dTemp) + " deg C lies outside the measured temperatures " +
                              RangeText(*range) + ": it is extrapolated";
    return status;
}
