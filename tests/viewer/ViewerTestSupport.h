#pragma once
// Surface files for the viewer's tests, made with the surface-file writer of formats/.

#include "formats/SurfaceFile.h"

#include <cmath>
#include <string>

namespace viewer_test {

// A surface as the workbench writes it: a side x side grid over strain 0.1..0.5 and strain
// rate 1..10, the stress 100 + 300 E + 10 H at 1000 deg C in the node values Vx, Vy, Vz, Ti
// and T, the coordinates normalised to -0.5..0.5; every grid cell as two triangles, each in
// both windings; mesh 2 the backdrop of three walls, each as two triangles in both windings.
inline CSurfaceFileData WorkbenchLikeSurface(int nSide = 10) {
    CSurfaceFileData data;
    const double dStress0 = 100 + 300 * 0.1 + 10 * 1, dStress1 = 100 + 300 * 0.5 + 10 * 10;
    data.m_dCentreX = 0.3;
    data.m_dCentreY = 5.5;
    data.m_dCentreZ = (dStress0 + dStress1) / 2;
    data.m_dScale = 0.4;
    data.m_aFlags = {1, 1, 0};
    CSurfaceMesh& surface = data.m_aMeshes[0];
    for (int i = 0; i < nSide; ++i)
        for (int j = 0; j < nSide; ++j) {
            const double dE = 0.1 + 0.4 * i / (nSide - 1), dH = 1 + 9.0 * j / (nSide - 1);
            const double dS = 100 + 300 * dE + 10 * dH;
            CSurfaceNode node;
            node.m_dX = (dE - 0.3) / 0.4;
            node.m_dY = (dH - 5.5) / 9;
            node.m_dZ = (dS - data.m_dCentreZ) / (dStress1 - dStress0);
            node.m_aValues = {dE, dH, dS, dS, 1000.0};
            surface.m_aNodes.push_back(node);
        }
    for (int r = 0; r + 1 < nSide; ++r)
        for (int c = 0; c + 1 < nSide; ++c) {
            const int a = nSide * r + c, b = a + 1, d = a + nSide, e = d + 1;
            surface.m_aFaces.push_back({a, b, e});
            surface.m_aFaces.push_back({a, e, b});
            surface.m_aFaces.push_back({a, e, d});
            surface.m_aFaces.push_back({a, d, e});
        }
    // Walls at strain -0.5, strain rate -0.5 and stress -0.5.
    CSurfaceMesh& walls = data.m_aMeshes[1];
    const double aCorners[7][3] = {{-0.5, 0.5, -0.5}, {-0.5, -0.5, -0.5}, {0.5, -0.5, -0.5}, {0.5, 0.5, -0.5},
                                   {-0.5, 0.5, 0.5},  {-0.5, -0.5, 0.5},  {0.5, -0.5, 0.5}};
    for (const auto& corner : aCorners) {
        CSurfaceNode node;
        node.m_dX = corner[0];
        node.m_dY = corner[1];
        node.m_dZ = corner[2];
        walls.m_aNodes.push_back(node);
    }
    const int aFaces[12][3] = {{1, 5, 2}, {5, 6, 2}, {1, 2, 5}, {5, 2, 6}, {2, 6, 7}, {2, 7, 3},
                               {2, 7, 6}, {2, 3, 7}, {1, 2, 4}, {4, 2, 3}, {1, 4, 2}, {4, 3, 2}};
    for (const auto& face : aFaces)
        walls.m_aFaces.push_back({face[0] - 1, face[1] - 1, face[2] - 1});
    return data;
}

} // namespace viewer_test
