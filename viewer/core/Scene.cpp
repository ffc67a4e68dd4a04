#include "orbiq/Scene.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

float Dot(CVec3 a, CVec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

CVec3 Cross(CVec3 a, CVec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

float Length(CVec3 a) { return std::sqrt(Dot(a, a)); }

CVec3 Normalised(CVec3 a) {
    const float fLength = Length(a);
    return fLength > 0 ? a * (1.0f / fLength) : CVec3{};
}

// ---------------------------------------------------------------------------------------
// Matrices
// ---------------------------------------------------------------------------------------

CMatrix4 CMatrix4::Identity() {
    CMatrix4 r;
    for (int i = 0; i < 4; ++i)
        r.m[i][i] = 1;
    return r;
}

CMatrix4 CMatrix4::Translation(CVec3 v) {
    CMatrix4 r = Identity();
    r.m[3] = {v.x, v.y, v.z, 1};
    return r;
}

CMatrix4 CMatrix4::Scale(CVec3 s) {
    CMatrix4 r = Identity();
    r.m[0][0] = s.x;
    r.m[1][1] = s.y;
    r.m[2][2] = s.z;
    return r;
}

CMatrix4 CMatrix4::Rotation(CVec3 axis, float fAngle) {
    const CVec3 k = Normalised(axis);
    if (Length(k) == 0)
        return Identity();
    const float c = std::cos(fAngle), s = std::sin(fAngle), t = 1 - c;
    // Row i is the image of the i-th unit vector under the Rodrigues formula.
    const float kk[3] = {k.x, k.y, k.z};
    CMatrix4 r = Identity();
    for (int i = 0; i < 3; ++i) {
        CVec3 e{};
        (i == 0 ? e.x : i == 1 ? e.y : e.z) = 1;
        const CVec3 img = e * c + Cross(k, e) * s + k * (kk[i] * t);
        r.m[i][0] = img.x;
        r.m[i][1] = img.y;
        r.m[i][2] = img.z;
    }
    return r;
}

CMatrix4 CMatrix4::operator*(const CMatrix4& rhs) const {
    CMatrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float f = 0;
            for (int k = 0; k < 4; ++k)
                f += m[i][k] * rhs.m[k][j];
            r.m[i][j] = f;
        }
    return r;
}

CVec3 CMatrix4::TransformPoint(CVec3 p) const {
    return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
            p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
            p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

CVec3 CMatrix4::TransformVector(CVec3 v) const {
    return {v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0],
            v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1],
            v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2]};
}

CMatrix4 CMatrix4::InverseAffine() const {
    // Inverse of the 3 x 3 linear part by its adjugate, in double.
    double a[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            a[i][j] = m[i][j];
    const double dDet = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                        a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                        a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (dDet == 0 || !std::isfinite(dDet))
        return Identity();
    CMatrix4 r = Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            // Cofactor of a[j][i], divided by the determinant.
            const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
            r.m[i][j] = static_cast<float>((a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / dDet);
        }
    const CVec3 t = r.TransformVector({m[3][0], m[3][1], m[3][2]});
    r.m[3] = {-t.x, -t.y, -t.z, 1};
    return r;
}

int EffectiveQuality(int nDeviceQuality, int nVisualQuality) {
    const int nFill = std::min(nDeviceQuality & 0xC0, nVisualQuality & 0xC0);
    const int nLight = std::min(nDeviceQuality & 0x08, nVisualQuality & 0x08);
    const int nShade = std::min(nDeviceQuality & 0x07, nVisualQuality & 0x07);
    return nFill | nLight | nShade;
}

// ---------------------------------------------------------------------------------------
// Mesh builder
// ---------------------------------------------------------------------------------------

void CMeshBuilder::AddFaces(const std::vector<CVec3>& aVertices, const std::vector<std::int32_t>& aFaceList) {
    const std::int64_t nVertices = static_cast<std::int64_t>(aVertices.size());
    const std::int32_t nBase = static_cast<std::int32_t>(m_aVertices.size());
    std::vector<CFace> aFaces;
    std::size_t i = 0;
    auto Fail = [&](const std::string& strWhat) {
        throw std::invalid_argument("face list, item " + std::to_string(i + 1) + ": " + strWhat);
    };
    for (;;) {
        if (i >= aFaceList.size())
            Fail("the list ends without its closing 0");
        const std::int32_t nCount = aFaceList[i];
        if (nCount == 0)
            break;
        if (nCount != 3)
            Fail("a face has " + std::to_string(nCount) + " vertices; only triangles are taken");
        if (aFaceList.size() - i < 7)
            Fail("the list ends inside a face");
        CFace face;
        face.colour = m_colour;
        for (int k = 0; k < 3; ++k) {
            const std::int32_t nVertex = aFaceList[i + 1 + 2 * static_cast<std::size_t>(k)];
            const std::int32_t nNormal = aFaceList[i + 2 + 2 * static_cast<std::size_t>(k)];
            if (nVertex < 0 || nVertex >= nVertices || nNormal < 0 || nNormal >= nVertices)
                Fail("an index lies outside 0.." + std::to_string(nVertices - 1));
            face.aVertices[static_cast<std::size_t>(k)] = nBase + nVertex;
        }
        aFaces.push_back(face);
        i += 7;
    }
    m_aVertices.insert(m_aVertices.end(), aVertices.begin(), aVertices.end());
    m_aVertexColours.resize(m_aVertices.size(), m_colour);
    m_aFaces.insert(m_aFaces.end(), aFaces.begin(), aFaces.end());
}

void CMeshBuilder::SetColorRGB(float r, float g, float b) {
    m_colour = {r, g, b};
    std::fill(m_aVertexColours.begin(), m_aVertexColours.end(), m_colour);
    for (CFace& face : m_aFaces)
        face.colour = m_colour;
}

CColour CMeshBuilder::DrawnColour(int nFace) const {
    const CFace& face = Face(nFace);
    if (m_eColourSource == EColourSource::Vertex)
        return m_aVertexColours[static_cast<std::size_t>(face.aVertices[0])];
    return face.colour;
}

// ---------------------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------------------

CFrame* CFrame::CreateChild() {
    m_aChildren.push_back(std::make_unique<CFrame>());
    m_aChildren.back()->m_pParent = this;
    return m_aChildren.back().get();
}

CMatrix4 CFrame::WorldTransform() const {
    CMatrix4 world = m_transform;
    for (const CFrame* p = m_pParent; p; p = p->m_pParent)
        world = world * p->m_transform;
    return world;
}

CMatrix4 CFrame::ReferenceToParent(const CFrame* pReference) const {
    if (!pReference || pReference == m_pParent)
        return CMatrix4::Identity();
    const CMatrix4 parentWorld = m_pParent ? m_pParent->WorldTransform() : CMatrix4::Identity();
    return pReference->WorldTransform() * parentWorld.InverseAffine();
}

void CFrame::SetPosition(const CFrame* pReference, CVec3 pos) {
    const CVec3 p = ReferenceToParent(pReference).TransformPoint(pos);
    m_transform.m[3] = {p.x, p.y, p.z, 1};
}

void CFrame::SetOrientation(const CFrame* pReference, CVec3 dir, CVec3 up) {
    const CMatrix4 toParent = ReferenceToParent(pReference);
    const CVec3 z = Normalised(toParent.TransformVector(dir));
    const CVec3 upParent = toParent.TransformVector(up);
    const CVec3 y = Normalised(upParent - z * Dot(upParent, z));
    if (Length(z) == 0 || Length(y) == 0)
        return;
    const CVec3 x = Cross(y, z);
    m_transform.m[0] = {x.x, x.y, x.z, 0};
    m_transform.m[1] = {y.x, y.y, y.z, 0};
    m_transform.m[2] = {z.x, z.y, z.z, 0};
}

void CFrame::SetRotation(const CFrame* pReference, CVec3 axis, float fAngle) {
    m_rotationAxis = ReferenceToParent(pReference).TransformVector(axis);
    m_fRotationAngle = fAngle;
}

namespace {

void Combine(CMatrix4& current, ECombine eCombine, const CMatrix4& added) {
    switch (eCombine) {
    case ECombine::Replace: current = added; break;
    case ECombine::Before: current = added * current; break;
    case ECombine::After: current = current * added; break;
    }
}

} // namespace

void CFrame::AddTranslation(ECombine eCombine, CVec3 v) { Combine(m_transform, eCombine, CMatrix4::Translation(v)); }

void CFrame::AddScale(ECombine eCombine, CVec3 s) { Combine(m_transform, eCombine, CMatrix4::Scale(s)); }

void CFrame::Move(float fDelta) {
    const float fAngle = m_fRotationAngle * fDelta;
    if (fAngle == 0 || Length(m_rotationAxis) == 0)
        return;
    // Turn about the frame's own origin: the rotation acts after the linear part only.
    const std::array<float, 4> position = m_transform.m[3];
    m_transform.m[3] = {0, 0, 0, 1};
    m_transform = m_transform * CMatrix4::Rotation(m_rotationAxis, fAngle);
    m_transform.m[3] = position;
}

void CFrame::AddVisual(const CMeshBuilder* pMesh) {
    if (pMesh && !HasVisual(pMesh))
        m_aVisuals.push_back(pMesh);
}

bool CFrame::DeleteVisual(const CMeshBuilder* pMesh) {
    const auto it = std::find(m_aVisuals.begin(), m_aVisuals.end(), pMesh);
    if (it == m_aVisuals.end())
        return false;
    m_aVisuals.erase(it);
    return true;
}

bool CFrame::HasVisual(const CMeshBuilder* pMesh) const {
    return std::find(m_aVisuals.begin(), m_aVisuals.end(), pMesh) != m_aVisuals.end();
}
