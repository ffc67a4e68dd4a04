#pragma once
// Everything the viewer shows and does, without a window: the scene built from a surface
// file (the coloured surface, the backdrop walls and their wireframe copies, lights and
// camera), colouring by node value, the read-out of the face under the mouse and the key
// and mouse actions that turn, move and scale the model.
//
// The scene: a root with a white background; under it the world frame, which carries the
// three mesh frames and which navigation moves; the camera at (0, 0, -8), where FitView
// moves it from to fit the model to the window; point lights of
// colour 0.9 at (-5, 0, -2) and (5, 0, -2) and an ambient light of 0.5. Mesh 1 (the
// surface) is red, mesh 2 (the walls) pale cyan and mesh 3 (the markers of the measured
// points) black; each mesh has a black wireframe copy, its vertices scaled by 1.004 so it
// lies just outside, shown on request. The axes of strain, strain rate and stress run
// along the edges of the data box (Axes.h).
// Initial attitude of the world frame: a turn of -1.71 about X, one of 0.57 about Y, a
// translation (0, 0.2, 0); after a file is read, a scale of 2 before all that.

#include "orbiq/Axes.h"
#include "orbiq/ColourMap.h"
#include "orbiq/NodeValueStore.h"
#include "orbiq/Scene.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The keys the view acts on.
enum class EOrbiqKey {
    Escape,          // colour by "Vx"
    Up, Down,        // turn about X by +0.1 / -0.1
    Left, Right,     // turn about Y by +0.1 / -0.1
    A, D,            // move along X by -0.5 / +0.5
    W, S,            // move along Y by +0.1 / -0.1
    Home, End,       // move along Z by +0.1 / -0.1
    Plus, Minus,     // scale by 2 / 0.5
    One,             // switch between solid and wireframe display
    Three, Four,     // show or hide mesh 2 / mesh 3
    F2,              // show or hide the wireframe copy of the surface
    F3               // show or hide the wireframe copies of the walls
};

// Mouse buttons and keys held during a mouse move, added together.
inline constexpr int kMouseLeft = 0x01;
inline constexpr int kMouseRight = 0x02;
inline constexpr int kMouseShift = 0x04;
inline constexpr int kMouseControl = 0x08;
inline constexpr int kMouseMiddle = 0x10;

// The outcome of colouring the surface.
struct CColourResult {
    std::string strMessage;          // for the message pane
    bool bResetFunctionBox = false;  // the values do not vary: the function box goes back to "None"
};

// The status bar after a mouse move: message pane, then the X, Y and Z panes.
struct CReadout {
    std::array<std::string, 4> aPanes;
};

// Outcome of reading a surface file.
struct CReadStatus {
    bool bOk = false;
    std::string strMessage;   // on failure: "<path>: <what is wrong>"
};

inline constexpr float kWireScale = 1.004f;      // wireframe copies lie this much outside
inline constexpr float kRotationStep = 0.1f;     // radians per key press or mouse step

class COrbiqScene {
public:
    // An empty scene in its initial attitude.
    COrbiqScene();
    ~COrbiqScene();
    COrbiqScene(const COrbiqScene&) = delete;
    COrbiqScene& operator=(const COrbiqScene&) = delete;

    // Reads the surface file at strPath. On success the scene is built anew from it (initial
    // attitude, scale 2, solid display, walls shown, no wireframe copies, red surface). On
    // failure (the file cannot be read or is malformed) nothing changes.
    CReadStatus ReadSurfaceFile(const std::string& strPath);
    // Back to the empty scene in its initial attitude.
    void Clear();

    bool SceneLoaded() const { return m_bSceneLoaded; }
    const std::string& Path() const { return m_strPath; }   // of the file read, else empty
    const std::string& FileText() const { return m_strText; }

    // The render target's size in pixels (the view's client area).
    void SetViewportSize(int nWidth, int nHeight);
    // The screen's size: a mouse that has not moved yet is taken to be at its centre.
    void SetScreenSize(int nWidth, int nHeight);

    // The initial attitude (the turns and the translation above, and the scale 2 once a
    // file is read) and the camera back at (0, 0, -8), whatever the keys, the mouse and
    // FitView did since.
    void ResetAttitude();
    // The smallest rectangle (left, top, right, bottom, in the viewport's pixels) that holds
    // the picture of every mesh's vertices; nothing for an empty scene or when a vertex lies
    // before the front clipping plane.
    std::optional<std::array<float, 4>> PictureBounds() const;
    // Moves the camera, along the view and across it, until PictureBounds fills afRect
    // (left, top, right, bottom, in pixels) as far as its proportions allow, centred in it;
    // the model, and so its lighting, stay. False, changing nothing, for an empty scene,
    // an empty rectangle or a picture of one point.
    bool FitView(const std::array<float, 4>& afRect);
    // Where the camera is, in the scene's coordinates.
    CVec3 CameraPosition() const { return m_pCamera->WorldTransform().TransformPoint({}); }

    // One tick: the world frame turns once by its rotation.
    void Tick();
    // A turn: rotation about axis by fAngle, tick, rotation 0, tick.
    void Turn(CVec3 axis, float fAngle);

    // Colours the surface by value type nType (0..15, see NodeValueStore.h): 0 restores
    // red; a type whose node values do not vary leaves it red and asks for "None" in the
    // function box; otherwise every face is coloured by FaceColour over the range of the
    // face values.
    CColourResult ColourByValue(int nType);
    // The legend of value type nType: the range of its node values.
    CLegendValues LegendFor(int nType) const;

    // A key pressed in the view; for Escape the result of colouring by "Vx".
    std::optional<CColourResult> KeyDown(EOrbiqKey eKey);

    // The mouse moved to pixel (x, y) of the view with the buttons and keys nFlags held,
    // while the function box shows value type nFunction. First the read-out of the face
    // under the mouse (nothing when no face is there, empty panes when it is not the
    // surface's), then, with exactly the left button held, a turn by the rotation step:
    // about Y when the mouse moved more sideways than up or down (positive to the left),
    // else about X (positive upwards).
    std::optional<CReadout> MouseMove(int x, int y, int nFlags, int nFunction);
    // The read-out alone.
    std::optional<CReadout> PickReadout(int x, int y, int nFunction) const;

    // What the viewport sees, and its projection (see CViewport).
    CRenderList Render() const { return m_pViewport->Render(*m_pScene); }
    // The axes of the file read (none for the empty scene), and where they lie in the
    // viewport's picture now.
    const CAxisSet& Axes() const { return m_axes; }
    std::vector<CAxisOverlay> AxisOverlay() const { return ProjectAxes(m_axes, *m_apMeshFrames[0], *m_pViewport); }
    std::array<float, 16> ProjectionMatrix() const { return m_pViewport->ProjectionMatrix(); }

    // State, for the window and for tests.
    const CFrame& SceneFrame() const { return *m_pScene; }
    const CFrame& World() const { return *m_pWorld; }
    const CFrame& MeshFrame(int nMesh) const { return *m_apMeshFrames[Slot(nMesh)]; }
    const CMeshBuilder* Mesh(int nMesh) const { return m_apMeshes[Slot(nMesh)].get(); }          // null when absent
    const CMeshBuilder* WireMesh(int nMesh) const { return m_apWireMeshes[Slot(nMesh)].get(); }  // null when absent
    const CViewport& Viewport() const { return *m_pViewport; }
    const CDevice& Device() const { return m_device; }
    const NodeValueStore& Store() const { return m_store; }
    const std::vector<std::array<std::int32_t, 3>>& FaceTable() const { return m_aFaceTable; }
    const std::vector<CVec3>& Positions() const { return m_aPositions; }
    const std::array<float, 4>& Header() const { return m_afHeader; }   // centre X, Y, Z, scale
    bool SolidMode() const { return m_bSolidMode; }
    bool MeshShown(int nMesh) const;           // meshes 2 and 3; mesh 1 always
    bool SurfaceWireShown() const { return m_bSurfaceWire; }
    bool WallWiresShown() const { return m_bWallWires; }

private:
    static std::size_t Slot(int nMesh) { return static_cast<std::size_t>(nMesh - 1); }

    // Releases every scene object and resets the state to its initial values.
    void Reset();
    // The frames, lights and camera, and the world frame's initial attitude.
    void CreateScene();
    // Rotation 0, a translation after the current transformation, tick.
    void MoveWorld(CVec3 v);
    // Shows or hides mesh nMesh's solid mesh or wire copy on its frame.
    void ShowVisual(int nMesh, const CMeshBuilder* pMesh, bool bShow);

    std::unique_ptr<CFrame> m_pScene;
    CFrame* m_pWorld = nullptr;
    std::array<CFrame*, 3> m_apMeshFrames{};
    CFrame* m_pCamera = nullptr;
    CDevice m_device;
    std::unique_ptr<CViewport> m_pViewport;
    std::array<std::unique_ptr<CMeshBuilder>, 3> m_apMeshes;
    std::array<std::unique_ptr<CMeshBuilder>, 3> m_apWireMeshes;

    bool m_bSceneLoaded = false;
    std::string m_strPath;
    std::string m_strText;
    std::array<float, 4> m_afHeader{1, 1, 1, 1};
    std::vector<std::array<std::int32_t, 3>> m_aFaceTable;
    std::vector<CVec3> m_aPositions;
    NodeValueStore m_store;
    CAxisSet m_axes;
    bool m_bSolidMode = true;
    bool m_bMesh2Shown = true;
    bool m_bMesh3Shown = true;
    bool m_bSurfaceWire = false;
    bool m_bWallWires = false;

    int m_nLastX = 0, m_nLastY = 0;
    int m_nScreenWidth = 1024, m_nScreenHeight = 768;
};
