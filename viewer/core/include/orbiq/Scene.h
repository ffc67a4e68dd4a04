#pragma once
// A small retained-mode 3D scene: frames in a tree, each with a transformation relative to
// its parent and a rotation applied once per tick; lights carried by frames; mesh builders
// (triangles with per-face colours and a render quality) shown by the frames they are
// added to as visuals; a device with a render quality and a viewport that looks through a
// camera frame, renders the scene into a list of coloured triangles and lines and picks the
// face under a pixel.
//
// Coordinates are left-handed as the viewer's scenes are built: x to the right, y up, z
// into the screen, so the camera at (0, 0, -8) looks along +z at the origin. A point p of a
// frame maps to its parent as the row vector p * M, M being the frame's transformation
// (the translation in row 3). Angles are in radians; a positive angle turns y towards z
// about the x axis, z towards x about the y axis and x towards y about the z axis.
//
// Ownership: a frame owns its child frames and its lights; mesh builders belong to whoever
// created them and must outlive every frame they are added to.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct CVec3 {
    float x = 0, y = 0, z = 0;

    friend CVec3 operator+(CVec3 a, CVec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend CVec3 operator-(CVec3 a, CVec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend CVec3 operator*(CVec3 a, float f) { return {a.x * f, a.y * f, a.z * f}; }
    friend bool operator==(CVec3 a, CVec3 b) = default;
};

float Dot(CVec3 a, CVec3 b);
CVec3 Cross(CVec3 a, CVec3 b);
float Length(CVec3 a);
// a / |a|, or the zero vector when a has no length.
CVec3 Normalised(CVec3 a);

// An affine transformation for row vectors: p' = p * M, m[3][0..2] the translation,
// the last column (0, 0, 0, 1).
struct CMatrix4 {
    std::array<std::array<float, 4>, 4> m{};

    static CMatrix4 Identity();
    static CMatrix4 Translation(CVec3 v);
    static CMatrix4 Scale(CVec3 v);
    // Rotation by fAngle about the unit direction of axis (through the origin), by the
    // Rodrigues formula p' = p cos a + (k x p) sin a + k (k . p)(1 - cos a). The identity
    // when the axis has no length.
    static CMatrix4 Rotation(CVec3 axis, float fAngle);

    // First this transformation, then rhs.
    CMatrix4 operator*(const CMatrix4& rhs) const;
    CVec3 TransformPoint(CVec3 p) const;
    CVec3 TransformVector(CVec3 v) const;   // without the translation
    // Inverse of an affine transformation with an invertible linear part (the identity's
    // inverse when it is singular).
    CMatrix4 InverseAffine() const;

    friend bool operator==(const CMatrix4&, const CMatrix4&) = default;
};

struct CColour {
    float r = 0, g = 0, b = 0;
    friend bool operator==(CColour, CColour) = default;
};

// Render quality: a fill mode, a lighting switch and a shade mode added together; a visual
// is drawn at the lesser of its own and the device's quality, field by field.
inline constexpr int kFillPoints = 0;
inline constexpr int kFillWireframe = 64;
inline constexpr int kFillSolid = 128;
inline constexpr int kLightOn = 8;
inline constexpr int kShadeFlat = 0;
inline constexpr int kQualitySolid = kFillSolid | kLightOn | kShadeFlat;   // 136
inline constexpr int kQualityWireframe = kFillWireframe | kShadeFlat;      // 64

int EffectiveQuality(int nDeviceQuality, int nVisualQuality);

enum class EColourSource { Face, Vertex };

// A triangle mesh. Faces are drawn in their own colour (colour source Face) or in the
// colour of their first vertex (Vertex).
class CMeshBuilder {
public:
    struct CFace {
        std::array<std::int32_t, 3> aVertices{};   // zero-based vertex indices
        CColour colour{1, 1, 1};
    };

    // Adds the vertices and the faces of aFaceList, the list a surface-file reader hands
    // over: per face a vertex count k = 3 and k pairs (vertex index, normal index), both
    // zero-based into the vertices added by this call, closed by a single 0. Normals come
    // from the faces themselves (flat shading), so the normal indices are only checked.
    // New faces and vertices take the mesh's colour. Throws std::invalid_argument, adding
    // nothing, when the list is not of that form.
    void AddFaces(const std::vector<CVec3>& aVertices, const std::vector<std::int32_t>& aFaceList);

    // Colours every face and every vertex.
    void SetColorRGB(float r, float g, float b);
    void SetColorSource(EColourSource eSource) { m_eColourSource = eSource; }
    EColourSource ColorSource() const { return m_eColourSource; }
    void SetQuality(int nQuality) { m_nQuality = nQuality; }
    int Quality() const { return m_nQuality; }

    int GetFaceCount() const { return static_cast<int>(m_aFaces.size()); }
    const CFace& Face(int nFace) const { return m_aFaces[static_cast<std::size_t>(nFace)]; }
    void SetFaceColor(int nFace, CColour colour) { m_aFaces[static_cast<std::size_t>(nFace)].colour = colour; }
    const std::vector<CVec3>& Vertices() const { return m_aVertices; }
    // The colour face nFace is drawn in, by the colour source.
    CColour DrawnColour(int nFace) const;

private:
    std::vector<CVec3> m_aVertices;
    std::vector<CColour> m_aVertexColours;
    std::vector<CFace> m_aFaces;
    CColour m_colour{1, 1, 1};
    EColourSource m_eColourSource = EColourSource::Face;
    int m_nQuality = kQualitySolid;
};

enum class ELightType { Ambient, Point };

// A light at the origin of the frame that carries it. Point lights shine equally in every
// direction without falling off with distance.
struct CLight {
    ELightType eType = ELightType::Ambient;
    CColour colour{1, 1, 1};
};

// How a new transformation joins a frame's current one.
enum class ECombine { Replace, Before, After };

class CFrame {
public:
    CFrame() = default;
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    // A new child frame with the identity transformation, owned by this frame.
    CFrame* CreateChild();
    CFrame* Parent() const { return m_pParent; }
    const std::vector<std::unique_ptr<CFrame>>& Children() const { return m_aChildren; }

    // Local-to-parent transformation, and local-to-root (the root's coordinates are the
    // scene's).
    const CMatrix4& Transform() const { return m_transform; }
    CMatrix4 WorldTransform() const;

    // In the following, pReference names the frame whose coordinates the arguments are
    // given in; null means the parent.
    // Places the frame's origin at point pos.
    void SetPosition(const CFrame* pReference, CVec3 pos);
    // Turns the frame so that its z axis points along dir and its y axis as close to up
    // as it can; any scale of the frame is dropped. Nothing changes when dir has no length
    // or is parallel to up.
    void SetOrientation(const CFrame* pReference, CVec3 dir, CVec3 up);
    // The rotation that every Move applies: fAngle radians per unit of time about axis
    // through the frame's origin. An angle of 0 stops it.
    void SetRotation(const CFrame* pReference, CVec3 axis, float fAngle);
    CVec3 RotationAxis() const { return m_rotationAxis; }   // in the parent's coordinates
    float RotationAngle() const { return m_fRotationAngle; }
    // Before: the new transformation acts first, in the frame's own coordinates (a scale
    // before keeps the frame's origin where it is); After: it acts last, in the parent's
    // coordinates; Replace: it becomes the transformation.
    void AddTranslation(ECombine eCombine, CVec3 v);
    void AddScale(ECombine eCombine, CVec3 s);
    // One tick: turns the frame about its rotation axis by the angle times fDelta, about
    // its own origin; its position stays.
    void Move(float fDelta);

    void AddLight(CLight light) { m_aLights.push_back(light); }
    const std::vector<CLight>& Lights() const { return m_aLights; }

    // Shows a mesh in this frame; adding one already shown changes nothing.
    void AddVisual(const CMeshBuilder* pMesh);
    // Stops showing it; false when it was not shown here.
    bool DeleteVisual(const CMeshBuilder* pMesh);
    bool HasVisual(const CMeshBuilder* pMesh) const;
    const std::vector<const CMeshBuilder*>& Visuals() const { return m_aVisuals; }

    // Background colour of a scene (meaningful for a root frame).
    void SetSceneBackgroundRGB(float r, float g, float b) { m_background = {r, g, b}; }
    CColour SceneBackground() const { return m_background; }

private:
    // Transformation from pReference's coordinates into the parent's.
    CMatrix4 ReferenceToParent(const CFrame* pReference) const;

    CFrame* m_pParent = nullptr;
    std::vector<std::unique_ptr<CFrame>> m_aChildren;
    CMatrix4 m_transform = CMatrix4::Identity();
    CVec3 m_rotationAxis{};
    float m_fRotationAngle = 0;
    std::vector<CLight> m_aLights;
    std::vector<const CMeshBuilder*> m_aVisuals;
    CColour m_background{0, 0, 0};
};

// The render target: its size in pixels and the quality it renders at.
struct CDevice {
    int m_nWidth = 1;
    int m_nHeight = 1;
    int m_nQuality = kQualitySolid;
};

// One vertex of the render list: a position in camera coordinates (x right, y up, z the
// depth along the view) and the colour it is drawn in.
struct CRenderVertex {
    float x = 0, y = 0, z = 0;
    float r = 0, g = 0, b = 0;
};

// What a frame of the scene looks like: the background, triangles (three vertices each,
// lit and culled) and line segments (two vertices each) of the wireframe visuals.
struct CRenderList {
    CColour background{0, 0, 0};
    std::vector<CRenderVertex> aTriangles;
    std::vector<CRenderVertex> aLines;
};

// The closest face under a pixel.
struct CPickHit {
    const CFrame* pFrame = nullptr;           // the frame the mesh is a visual of
    const CMeshBuilder* pVisual = nullptr;
    int nFace = -1;
    float fDepth = 0;                         // distance along the view, camera coordinates
    CVec3 position;                           // hit point in scene coordinates
};

// A perspective view of a scene through a camera frame: the camera looks along its z axis
// with its y axis up. A point at depth z (camera coordinates, between the front and back
// clipping planes) lies on pixel
//     sx = x0 + w/2 + (x / z) s,   sy = y0 + h/2 - (y / z) s,   s = min(w, h) / (2 field),
// so that the field is the half extent of the smaller side of the view at depth 1.
class CViewport {
public:
    CViewport(const CDevice& device, const CFrame& camera) : m_pDevice(&device), m_pCamera(&camera) {}

    // Origin and size in pixels; the size follows the device's unless set.
    void SetRect(int nX, int nY, int nWidth, int nHeight);
    int Width() const;
    int Height() const;

    float Field() const { return m_fField; }
    float Front() const { return m_fFront; }
    float Back() const { return m_fBack; }

    // Scene coordinates into the camera's.
    CMatrix4 SceneToCamera() const;
    // The pixel that scene point p projects to; nothing when it lies before the front
    // clipping plane.
    std::optional<std::array<float, 2>> Project(CVec3 p) const;
    // The same for a point c already in camera coordinates (SceneToCamera), for callers that
    // project many points through one transformation.
    std::optional<std::array<float, 2>> ProjectCamera(CVec3 c) const;
    // Column-major 4 x 4 matrix taking camera coordinates to OpenGL clip coordinates with
    // the projection above (depth from the front to the back clipping plane onto -1..1).
    std::array<float, 16> ProjectionMatrix() const;

    // Everything the frames below root show, as the device's quality and each visual's
    // quality allow. Solid faces are culled when they face away from the camera (a face's
    // front is the side from which its vertices run clockwise) and lit flat: the face colour
    // times the sum of the ambient lights' colours and, per point light, its colour times
    // the cosine between the face normal and the direction to the light (at least 0); each
    // channel at most 1. Lights off: the face colour as it is. Wireframe visuals give the
    // three edges of every face in the face colour, unlit.
    CRenderList Render(const CFrame& root) const;

    // The front-facing face of a visual below root that the ray through pixel (x, y) meets
    // first between the clipping planes (Moeller-Trumbore ray-triangle test), or nothing.
    std::optional<CPickHit> Pick(const CFrame& root, float x, float y) const;

private:
    float PixelScale() const;

    const CDevice* m_pDevice;
    const CFrame* m_pCamera;
    int m_nX = 0, m_nY = 0;
    int m_nWidth = 0, m_nHeight = 0;   // 0: the device's
    float m_fField = 0.5f;
    float m_fFront = 1.0f;
    float m_fBack = 100.0f;
};
