#include "orbiq/Scene.h"

#include <algorithm>
#include <cmath>

namespace {

// A visual with the transformation from its frame into camera coordinates.
struct CPlacedVisual {
    const CFrame* pFrame;
    const CMeshBuilder* pMesh;
    CMatrix4 toCamera;
};

struct CPlacedLight {
    CLight light;
    CVec3 position;   // camera coordinates
};

void Collect(const CFrame& frame, const CMatrix4& parentToCamera, std::vector<CPlacedVisual>& aVisuals,
             std::vector<CPlacedLight>& aLights) {
    const CMatrix4 toCamera = frame.Transform() * parentToCamera;
    for (const CMeshBuilder* pMesh : frame.Visuals())
        aVisuals.push_back({&frame, pMesh, toCamera});
    for (const CLight& light : frame.Lights())
        aLights.push_back({light, toCamera.TransformPoint({})});
    for (const auto& pChild : frame.Children())
        Collect(*pChild, toCamera, aVisuals, aLights);
}

struct CTriangle {
    CVec3 v[3];
    CVec3 normal;   // (v1 - v0) x (v2 - v0): towards the viewer when the face is seen clockwise
};

CTriangle PlacedFace(const CPlacedVisual& visual, int nFace) {
    const CMeshBuilder::CFace& face = visual.pMesh->Face(nFace);
    const std::vector<CVec3>& aVertices = visual.pMesh->Vertices();
    CTriangle t;
    for (int k = 0; k < 3; ++k)
        t.v[k] = visual.toCamera.TransformPoint(aVertices[static_cast<std::size_t>(face.aVertices[static_cast<std::size_t>(k)])]);
    t.normal = Cross(t.v[1] - t.v[0], t.v[2] - t.v[0]);
    return t;
}

// The camera sits at the origin of its coordinates, so a face is seen from its front when
// its normal points back towards the origin.
bool FacesCamera(const CTriangle& t) { return Dot(t.normal, t.v[0]) < 0; }

CColour Lit(CColour colour, const CTriangle& t, const std::vector<CPlacedLight>& aLights) {
    const CVec3 n = Normalised(t.normal);
    const CVec3 centre = (t.v[0] + t.v[1] + t.v[2]) * (1.0f / 3.0f);
    CColour sum{0, 0, 0};
    for (const CPlacedLight& placed : aLights) {
        float fFactor = 1;
        if (placed.light.eType == ELightType::Point)
            fFactor = std::max(0.0f, Dot(n, Normalised(placed.position - centre)));
        sum.r += placed.light.colour.r * fFactor;
        sum.g += placed.light.colour.g * fFactor;
        sum.b += placed.light.colour.b * fFactor;
    }
    return {std::min(1.0f, colour.r * sum.r), std::min(1.0f, colour.g * sum.g), std::min(1.0f, colour.b * sum.b)};
}

CRenderVertex Vertex(CVec3 p, CColour c) { return {p.x, p.y, p.z, c.r, c.g, c.b}; }

} // namespace

void CViewport::SetRect(int nX, int nY, int nWidth, int nHeight) {
    m_nX = nX;
    m_nY = nY;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
}

int CViewport::Width() const { return m_nWidth > 0 ? m_nWidth : std::max(1, m_pDevice->m_nWidth); }

int CViewport::Height() const { return m_nHeight > 0 ? m_nHeight : std::max(1, m_pDevice->m_nHeight); }

float CViewport::PixelScale() const { return static_cast<float>(std::min(Width(), Height())) / (2 * m_fField); }

CMatrix4 CViewport::SceneToCamera() const { return m_pCamera->WorldTransform().InverseAffine(); }

std::optional<std::array<float, 2>> CViewport::Project(CVec3 p) const { return ProjectCamera(SceneToCamera().TransformPoint(p)); }

std::optional<std::array<float, 2>> CViewport::ProjectCamera(CVec3 c) const {
    if (!(c.z >= m_fFront))
        return std::nullopt;
    const float s = PixelScale();
    return std::array<float, 2>{static_cast<float>(m_nX) + Width() * 0.5f + c.x / c.z * s,
                                static_cast<float>(m_nY) + Height() * 0.5f - c.y / c.z * s};
}

std::array<float, 16> CViewport::ProjectionMatrix() const {
    // clip = (x s / (w/2), y s / (h/2), z (f + n)/(f - n) - 2 f n/(f - n), z): the division
    // by w = z gives the pixel formula above and maps depth n..f onto -1..1.
    const float s = PixelScale();
    const float n = m_fFront, f = m_fBack;
    std::array<float, 16> a{};
    a[0] = s / (Width() * 0.5f);
    a[5] = s / (Height() * 0.5f);
    a[10] = (f + n) / (f - n);
    a[11] = 1;
    a[14] = -2 * f * n / (f - n);
    return a;
}

CRenderList CViewport::Render(const CFrame& root) const {
    CRenderList list;
    list.background = root.SceneBackground();
    std::vector<CPlacedVisual> aVisuals;
    std::vector<CPlacedLight> aLights;
    Collect(root, SceneToCamera(), aVisuals, aLights);

    for (const CPlacedVisual& visual : aVisuals) {
        const int nQuality = EffectiveQuality(m_pDevice->m_nQuality, visual.pMesh->Quality());
        const int nFill = nQuality & 0xC0;
        const bool bLights = (nQuality & kLightOn) != 0;
        if (nFill == kFillPoints)
            continue;
        for (int f = 0; f < visual.pMesh->GetFaceCount(); ++f) {
            const CTriangle t = PlacedFace(visual, f);
            const CColour colour = visual.pMesh->DrawnColour(f);
            if (nFill == kFillSolid) {
                if (!FacesCamera(t))
                    continue;
                const CColour shown = bLights ? Lit(colour, t, aLights) : colour;
                for (const CVec3& v : t.v)
                    list.aTriangles.push_back(Vertex(v, shown));
            } else {
                for (int k = 0; k < 3; ++k) {
                    list.aLines.push_back(Vertex(t.v[k], colour));
                    list.aLines.push_back(Vertex(t.v[(k + 1) % 3], colour));
                }
            }
        }
    }
    return list;
}

std::optional<CPickHit> CViewport::Pick(const CFrame& root, float x, float y) const {
    const float s = PixelScale();
    const CVec3 dir{(x - static_cast<float>(m_nX) - Width() * 0.5f) / s, (Height() * 0.5f - (y - static_cast<float>(m_nY))) / s, 1};
    std::vector<CPlacedVisual> aVisuals;
    std::vector<CPlacedLight> aLights;
    Collect(root, SceneToCamera(), aVisuals, aLights);

    std::optional<CPickHit> best;
    for (const CPlacedVisual& visual : aVisuals) {
        for (int f = 0; f < visual.pMesh->GetFaceCount(); ++f) {
            const CTriangle t = PlacedFace(visual, f);
            if (!FacesCamera(t))
                continue;
            // Moeller and Trumbore, "Fast, minimum storage ray-triangle intersection" (1997),
            // for the ray from the camera's origin along dir; dir.z = 1, so the ray
            // parameter is the depth.
            const CVec3 e1 = t.v[1] - t.v[0], e2 = t.v[2] - t.v[0];
            const CVec3 p = Cross(dir, e2);
            const float fDet = Dot(e1, p);
            if (fDet == 0 || !std::isfinite(fDet))
                continue;
            const float fInv = 1.0f / fDet;
            const CVec3 tv = CVec3{} - t.v[0];
            const float u = Dot(tv, p) * fInv;
            if (u < 0 || u > 1)
                continue;
            const CVec3 q = Cross(tv, e1);
            const float v = Dot(dir, q) * fInv;
            if (v < 0 || u + v > 1)
                continue;
            const float fDepth = Dot(e2, q) * fInv;
            if (fDepth < m_fFront || fDepth > m_fBack)
                continue;
            if (!best || fDepth < best->fDepth) {
                CPickHit hit;
                hit.pFrame = visual.pFrame;
                hit.pVisual = visual.pMesh;
                hit.nFace = f;
                hit.fDepth = fDepth;
                hit.position = m_pCamera->WorldTransform().TransformPoint(dir * fDepth);
                best = hit;
            }
        }
    }
    return best;
}
