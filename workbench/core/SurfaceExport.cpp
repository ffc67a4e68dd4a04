#include "vornel/SurfaceExport.h"

#include "vornel/Material.h"
#include "formats/SurfaceFile.h"

#include <algorithm>

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
    const double dRateStep = (m_ranges.m_dMaxRate - m_ranges.m_dMinRate) * kSurfaceGridStepFactor;

    std::vector<CCurvePoint> aNodes(n * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            CCurvePoint& node = aNodes[static_cast<std::size_t>(n * i + j)];
            node.m_dStrain = m_ranges.m_dMinStrain + i * dStrainStep;
            node.m_dRate = m_ranges.m_dMinRate + j * dRateStep;
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
        return {false, kNoMeasuredPointsMessage};

    UpdateDataRanges();
    BuildSurfaceGrid(dTemp);
    UpdateDataRanges();

    const CValueRanges& r = m_ranges;
    const double dCentreX = (r.m_dMinStrain + r.m_dMaxStrain) * 0.5;
    const double dCentreY = (r.m_dMinRate + r.m_dMaxRate) * 0.5;
    const double dCentreZ = (r.m_dMinFitStress + r.m_dMaxFitStress) * 0.5;
    const auto floored = [](double dRange) { return dRange < kSurfaceMinRange ? kSurfaceMinRange : dRange; };
    const double dRangeX = floored(r.m_dMaxStrain - r.m_dMinStrain);
    const double dRangeY = floored(r.m_dMaxRate - r.m_dMinRate);
    const double dRangeZ = floored(r.m_dMaxFitStress - r.m_dMinFitStress);
    const auto normalised = [&](double dStrain, double dRate, double dStress) {
        CSurfaceNode node;
        node.m_dX = (dStrain - dCentreX) / dRangeX;
        node.m_dY = (dRate - dCentreY) / dRangeY;
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

    WriteSurfaceData(WorkPath(kSurfaceFileName), data);
    return {true, {}};
}
