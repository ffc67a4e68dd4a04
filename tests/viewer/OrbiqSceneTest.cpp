// The viewer's scene as a whole: reading surface files into it, colouring, the read-out of
// a picked face, and the key and mouse actions.

#include "TestSupport.h"
#include "ViewerTestSupport.h"
#include "orbiq/OrbiqScene.h"

#include <Eigen/Geometry>

#include <cstdio>

using vornel_test::Near;
using vornel_test::ScratchTest;
using vornel_test::WriteText;
using viewer_test::WorkbenchLikeSurface;

namespace {

// The smallest file the reader takes: one triangle in mesh 1.
std::string MinimalFile() {
    std::string str = "0 0 0 1\n1\n1 0 0\n3 1\n";
    const float aCorners[3][3] = {{0, 0, 0}, {0, 0.5f, 0}, {0.5f, 0, 0}};
    for (int n = 0; n < 3; ++n) {
        char sz[64];
        std::snprintf(sz, sizeof sz, "%f %f %f", aCorners[n][0], aCorners[n][1], aCorners[n][2]);
        str += sz;
        for (int v = 0; v < 15; ++v)
            str += " " + std::to_string(10 * n + v);
        str += "\n";
    }
    return str + "3\n1\n2\n3\n";
}

// The world frame's transformation after the initial attitude and a scale of fScale before
// it, computed with Eigen: turns of -1.71 about X and 0.57 about Y, then (0, 0.2, 0).
Eigen::Matrix4d InitialWorld(double dScale) {
    Eigen::Matrix3d l = dScale * Eigen::Matrix3d::Identity();
    l = l * Eigen::AngleAxisd(-1.71, Eigen::Vector3d::UnitX()).toRotationMatrix().transpose();
    l = l * Eigen::AngleAxisd(0.57, Eigen::Vector3d::UnitY()).toRotationMatrix().transpose();
    Eigen::Matrix4d m = Eigen::Matrix4d::Identity();
    m.topLeftCorner<3, 3>() = l;
    m(3, 1) = 0.2;
    return m;
}

::testing::AssertionResult WorldIs(const COrbiqScene& scene, const Eigen::Matrix4d& expected) {
    const CMatrix4& m = scene.World().Transform();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!Near(m.m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)], expected(i, j), 2e-6))
                return ::testing::AssertionFailure() << "world element (" << i << ", " << j << ") is "
                                                     << m.m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]
                                                     << ", expected " << expected(i, j);
    return ::testing::AssertionSuccess();
}

// The world's transformation turned by fAngle about an axis of the scene through its origin.
Eigen::Matrix4d Turned(const COrbiqScene& scene, Eigen::Vector3d axis, double dAngle) {
    Eigen::Matrix4d m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m(i, j) = scene.World().Transform().m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    m.topLeftCorner<3, 3>() = m.topLeftCorner<3, 3>() * Eigen::AngleAxisd(dAngle, axis).toRotationMatrix().transpose();
    return m;
}

class OrbiqScene : public ScratchTest {
protected:
    void SetUp() override {
        WriteSurfaceData("visual.tmp", WorkbenchLikeSurface());
        m_scene.SetViewportSize(800, 600);
        m_scene.SetScreenSize(1280, 1024);
        ASSERT_TRUE(m_scene.ReadSurfaceFile("visual.tmp").bOk);
    }

    // The pixel nearest to the centre of surface face nFace.
    std::array<int, 2> FaceCentrePixel(int nFace) const {
        const CMeshBuilder& mesh = *m_scene.Mesh(1);
        const CMatrix4 toScene = m_scene.MeshFrame(1).WorldTransform();
        CVec3 centre{};
        for (std::int32_t nVertex : mesh.Face(nFace).aVertices)
            centre = centre + toScene.TransformPoint(mesh.Vertices()[static_cast<std::size_t>(nVertex)]) * (1.0f / 3);
        const auto pixel = m_scene.Viewport().Project(centre);
        return {static_cast<int>(std::lround((*pixel)[0])), static_cast<int>(std::lround((*pixel)[1]))};
    }

    COrbiqScene m_scene;
};

} // namespace

// ---------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------

TEST_F(OrbiqScene, ReadsTheMinimalFileIntoOneTriangle) {
    WriteText("minimal.tmp", MinimalFile());
    ASSERT_TRUE(m_scene.ReadSurfaceFile("minimal.tmp").bOk);
    const CMeshBuilder* pSurface = m_scene.Mesh(1);
    ASSERT_NE(pSurface, nullptr);
    ASSERT_EQ(pSurface->GetFaceCount(), 1);
    EXPECT_EQ(pSurface->Face(0).aVertices, (std::array<std::int32_t, 3>{0, 1, 2}));
    EXPECT_EQ(pSurface->DrawnColour(0), (CColour{1, 0, 0}));
    EXPECT_EQ(m_scene.FaceTable(), (std::vector<std::array<std::int32_t, 3>>{{0, 1, 2}}));
    EXPECT_EQ(m_scene.Positions()[1], (CVec3{0, 0.5f, 0}));
    EXPECT_EQ(m_scene.Header(), (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(m_scene.Store().NodeCount(), 3);
    EXPECT_EQ(m_scene.Store().NodeValue(2, kValueVz), 22);
    // Flags 1 0 0: only the surface; the other frames stay empty.
    EXPECT_EQ(m_scene.Mesh(2), nullptr);
    EXPECT_TRUE(m_scene.MeshFrame(2).Visuals().empty());
    EXPECT_TRUE(m_scene.MeshFrame(3).Visuals().empty());
    EXPECT_EQ(m_scene.MeshFrame(1).Visuals(), (std::vector<const CMeshBuilder*>{pSurface}));
}

TEST_F(OrbiqScene, MakesWireframeCopiesJustOutsideAndShowsThemOnlyOnRequest) {
    const CMeshBuilder* pWalls = m_scene.Mesh(2);
    const CMeshBuilder* pWire = m_scene.WireMesh(2);
    ASSERT_TRUE(pWalls && pWire);
    EXPECT_EQ(pWalls->DrawnColour(0), (CColour{0.2265f, 0.85f, 0.867f}));
    EXPECT_EQ(pWire->DrawnColour(0), (CColour{0, 0, 0}));
    EXPECT_EQ(pWire->Quality(), kQualityWireframe);
    EXPECT_EQ(pWire->GetFaceCount(), pWalls->GetFaceCount());
    // The wall corner (0.5, -0.5, -0.5) of the file lies at 1.004 times that in the copy.
    EXPECT_EQ(pWire->Vertices()[2], (CVec3{0.5f * 1.004f, -0.5f * 1.004f, -0.5f * 1.004f}));
    for (int nMesh = 1; nMesh <= 3; ++nMesh)
        for (const CMeshBuilder* pShown : m_scene.MeshFrame(nMesh).Visuals())
            EXPECT_NE(pShown, m_scene.WireMesh(nMesh));
}

TEST_F(OrbiqScene, DrawsTheMarkersOfMeasuredPointsBlack) {
    CSurfaceFileData data = WorkbenchLikeSurface();
    data.m_aFlags = {1, 1, 1};
    for (const CVec3& v : {CVec3{-0.01f, 0, -0.01f}, CVec3{0.01f, 0, -0.01f}, CVec3{0, 0, 0.01f}}) {
        CSurfaceNode node;
        node.m_dX = v.x;
        node.m_dY = v.y;
        node.m_dZ = v.z;
        data.m_aMeshes[2].m_aNodes.push_back(node);
    }
    data.m_aMeshes[2].m_aFaces = {{0, 1, 2}, {0, 2, 1}};
    WriteSurfaceData("marked.tmp", data);
    ASSERT_TRUE(m_scene.ReadSurfaceFile("marked.tmp").bOk);
    ASSERT_NE(m_scene.Mesh(3), nullptr);
    EXPECT_EQ(m_scene.Mesh(3)->DrawnColour(0), (CColour{0, 0, 0}));
    // Lit, black stays black: the render list holds the marker's front face in black.
    int nBlack = 0;
    const CRenderList list = m_scene.Render();
    for (const CRenderVertex& v : list.aTriangles)
        nBlack += v.r == 0 && v.g == 0 && v.b == 0;
    EXPECT_EQ(nBlack, 3);
}

TEST_F(OrbiqScene, StartsEveryFileFromTheInitialAttitudeAndScale) {
    EXPECT_TRUE(WorldIs(m_scene, InitialWorld(2)));
    // Navigation of every kind, then the same file again.
    for (EOrbiqKey eKey : {EOrbiqKey::Up, EOrbiqKey::A, EOrbiqKey::Plus, EOrbiqKey::Home, EOrbiqKey::One, EOrbiqKey::F2})
        m_scene.KeyDown(eKey);
    m_scene.MouseMove(300, 300, 0, 0);
    m_scene.MouseMove(340, 310, kMouseLeft, 0);
    ASSERT_FALSE(WorldIs(m_scene, InitialWorld(2)));
    ASSERT_TRUE(m_scene.ReadSurfaceFile("visual.tmp").bOk);
    EXPECT_TRUE(WorldIs(m_scene, InitialWorld(2)));
    EXPECT_TRUE(m_scene.SolidMode());
    EXPECT_EQ(m_scene.Device().m_nQuality, kQualitySolid);
    EXPECT_FALSE(m_scene.SurfaceWireShown());
    // An empty scene has the attitude without the scale.
    m_scene.Clear();
    EXPECT_TRUE(WorldIs(m_scene, InitialWorld(1)));
    EXPECT_FALSE(m_scene.SceneLoaded());
}

// The camera comes as near and stands as far across as it must for the picture to fill
// the rectangle in one direction, centred in both; the model and so its lighting stay, and
// the first attitude brings the camera back.
TEST_F(OrbiqScene, FitsThePictureToARectangleByMovingTheCamera) {
    const std::array<std::array<float, 4>, 4> aRects{{{0, 0, 800, 600}, {100, 50, 700, 550}, {390, 290, 410, 310}, {600, 0, 800, 600}}};
    for (const std::array<float, 4>& rect : aRects) {
        SCOPED_TRACE(testing::Message() << rect[0] << " " << rect[1] << " " << rect[2] << " " << rect[3]);
        m_scene.KeyDown(EOrbiqKey::Left);
        const CMatrix4 world = m_scene.World().Transform();
        ASSERT_TRUE(m_scene.FitView(rect));
        EXPECT_TRUE(m_scene.World().Transform() == world);
        const std::array<float, 4> box = *m_scene.PictureBounds();
        EXPECT_NEAR((box[0] + box[2]) / 2, (rect[0] + rect[2]) / 2, 0.05);
        EXPECT_NEAR((box[1] + box[3]) / 2, (rect[1] + rect[3]) / 2, 0.05);
        EXPECT_LE(box[2] - box[0], rect[2] - rect[0] + 0.05f);
        EXPECT_LE(box[3] - box[1], rect[3] - rect[1] + 0.05f);
        EXPECT_NEAR(std::max((box[2] - box[0]) / (rect[2] - rect[0]), (box[3] - box[1]) / (rect[3] - rect[1])), 1, 1e-4);
    }
    m_scene.ResetAttitude();
    EXPECT_TRUE(WorldIs(m_scene, InitialWorld(2)));
    EXPECT_TRUE(m_scene.CameraPosition() == (CVec3{0, 0, -8}));
    EXPECT_FALSE(m_scene.FitView({10, 10, 10, 50}));
    COrbiqScene empty;
    EXPECT_FALSE(empty.FitView({0, 0, 800, 600}));
    EXPECT_TRUE(empty.CameraPosition() == (CVec3{0, 0, -8}));
}

TEST_F(OrbiqScene, KeepsTheSceneWhenAFileCannotBeRead) {
    m_scene.KeyDown(EOrbiqKey::Left);
    m_scene.ColourByValue(kValueVz);
    const CMatrix4 world = m_scene.World().Transform();
    const CMeshBuilder* pSurface = m_scene.Mesh(1);
    const CColour colour = pSurface->DrawnColour(0);

    WriteText("broken.tmp", MinimalFile().substr(0, 60));
    const CReadStatus broken = m_scene.ReadSurfaceFile("broken.tmp");
    EXPECT_FALSE(broken.bOk);
    EXPECT_EQ(broken.strMessage.rfind("broken.tmp: line ", 0), 0u) << broken.strMessage;
    const CReadStatus missing = m_scene.ReadSurfaceFile("absent.tmp");
    EXPECT_FALSE(missing.bOk);
    EXPECT_EQ(missing.strMessage.rfind("absent.tmp: cannot open", 0), 0u) << missing.strMessage;

    EXPECT_TRUE(m_scene.SceneLoaded());
    EXPECT_EQ(m_scene.Path(), "visual.tmp");
    EXPECT_EQ(m_scene.World().Transform(), world);
    EXPECT_EQ(m_scene.Mesh(1), pSurface);
    EXPECT_EQ(pSurface->DrawnColour(0), colour);
}

TEST(OrbiqSceneEmpty, IsAWhiteSceneWithNothingInIt) {
    COrbiqScene scene;
    const CRenderList list = scene.Render();
    EXPECT_EQ(list.background, (CColour{1, 1, 1}));
    EXPECT_TRUE(list.aTriangles.empty() && list.aLines.empty());
    EXPECT_FALSE(scene.MouseMove(10, 10, kMouseLeft, 0));
    // Nothing to colour: the function box goes back to "None".
    EXPECT_TRUE(scene.ColourByValue(kValueVz).bResetFunctionBox);
    for (EOrbiqKey eKey : {EOrbiqKey::Three, EOrbiqKey::F2, EOrbiqKey::F3, EOrbiqKey::One, EOrbiqKey::Escape})
        scene.KeyDown(eKey);
    EXPECT_TRUE(scene.Render().aTriangles.empty());
}

TEST_F(OrbiqScene, ShowsEveryFaceOnceFromItsFrontSide) {
    // Every triangle of the file is written in both windings; one of each pair faces the camera.
    const CRenderList list = m_scene.Render();
    EXPECT_EQ(list.aTriangles.size(), 3u * (324 + 12) / 2);
    EXPECT_TRUE(list.aLines.empty());
}

// ---------------------------------------------------------------------------------------
// Colouring
// ---------------------------------------------------------------------------------------

TEST_F(OrbiqScene, ColoursTheSurfaceOverTheRangeOfItsFaceValues) {
    const CColourResult result = m_scene.ColourByValue(kValueVz);
    EXPECT_EQ(result.strMessage, "Function Vz");
    EXPECT_FALSE(result.bResetFunctionBox);
    // The stress grows with strain and strain rate: the face at the smallest corner has the
    // lowest face value (blue), the face at the largest corner the highest (red).
    const CMeshBuilder& surface = *m_scene.Mesh(1);
    EXPECT_EQ(surface.DrawnColour(0), (CColour{0, 0, 1}));
    EXPECT_EQ(surface.DrawnColour(surface.GetFaceCount() - 2), (CColour{1, 0, 0}));
    const CColour middle = surface.DrawnColour(surface.GetFaceCount() / 2);
    EXPECT_FALSE(middle == (CColour{0, 0, 1}) || middle == (CColour{1, 0, 0}));

    const CLegendValues legend = m_scene.LegendFor(kValueVz);
    EXPECT_EQ(legend.aLabels[0], "140.000000");
    EXPECT_EQ(legend.aLabels[6], "350.000000");

    const CColourResult none = m_scene.ColourByValue(kValueNone);
    EXPECT_EQ(none.strMessage, "Restore standard color");
    for (int f = 0; f < surface.GetFaceCount(); ++f)
        ASSERT_EQ(surface.DrawnColour(f), (CColour{1, 0, 0}));
}

TEST_F(OrbiqScene, LeavesTheSurfaceRedWhenTheValuesDoNotVary) {
    m_scene.ColourByValue(kValueVx);
    for (int nType : {kValueT, 6, 15}) {   // one temperature, and the unused values
        const CColourResult result = m_scene.ColourByValue(nType);
        EXPECT_EQ(result.strMessage, "Function " + NodeValueStore::ValueName(nType));
        EXPECT_TRUE(result.bResetFunctionBox);
        EXPECT_EQ(m_scene.Mesh(1)->DrawnColour(0), (CColour{1, 0, 0}));
    }
    // Escape colours by Vx whatever was chosen.
    const std::optional<CColourResult> escape = m_scene.KeyDown(EOrbiqKey::Escape);
    ASSERT_TRUE(escape);
    EXPECT_EQ(escape->strMessage, "Function Vx");
    EXPECT_EQ(m_scene.Mesh(1)->DrawnColour(0), (CColour{0, 0, 1}));
}

// ---------------------------------------------------------------------------------------
// Picking and read-out
// ---------------------------------------------------------------------------------------

TEST_F(OrbiqScene, PicksTheSurfaceFaceUnderTheMouseAndReadsOutItsValues) {
    // Face 0 of a cell is (a, b, e) and face 1 (a, e, b): one of them faces the camera.
    for (int nFace : {40 * 4, 40 * 4 + 1, 57 * 4 + 2, 57 * 4 + 3}) {
        const std::array<int, 2> pixel = FaceCentrePixel(nFace);
        const auto hit = m_scene.Viewport().Pick(m_scene.SceneFrame(), static_cast<float>(pixel[0]), static_cast<float>(pixel[1]));
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->pFrame, &m_scene.MeshFrame(1));
        EXPECT_EQ(hit->nFace / 2, nFace / 2) << "face " << nFace;   // the triangle or its twin

        const std::optional<CReadout> readout = m_scene.PickReadout(pixel[0], pixel[1], kValueVz);
        ASSERT_TRUE(readout);
        const std::array<std::int32_t, 3>& aNodes = m_scene.FaceTable()[static_cast<std::size_t>(hit->nFace)];
        const NodeValueStore& store = m_scene.Store();
        char sz[4][80];
        std::snprintf(sz[0], sizeof sz[0], "Function Vz=%f", FaceValue(store, aNodes, kValueVz));
        for (int i = 0; i < 3; ++i)
            std::snprintf(sz[i + 1], sizeof sz[i + 1], "%c= %5.3lf", "XYZ"[i],
                          static_cast<double>(FaceValue(store, aNodes, kValueVx + i)));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(readout->aPanes[static_cast<std::size_t>(i)], sz[i]);
        // The stress reads the same in the Z pane and the function's, to the Z pane's digits.
        EXPECT_NEAR(std::stod(readout->aPanes[3].substr(3)), std::stod(readout->aPanes[0].substr(12)), 5e-4);
    }
    // The function box at "None": the value is 0.
    const std::array<int, 2> pixel = FaceCentrePixel(0);
    EXPECT_EQ(m_scene.PickReadout(pixel[0], pixel[1], kValueNone)->aPanes[0], "Function None=0.000000");
    // Nothing under the mouse: the status bar stays.
    EXPECT_FALSE(m_scene.PickReadout(2, 2, kValueVz));
}

TEST_F(OrbiqScene, ReadsOutCoordinatesWhenTheNodeValuesSayNothing) {
    // A file whose node values are all 0: the position times the scale plus the centre.
    CSurfaceFileData data = WorkbenchLikeSurface(4);
    for (CSurfaceNode& node : data.m_aMeshes[0].m_aNodes)
        node.m_aValues = {};
    data.m_aFlags = {1, 0, 0};
    WriteSurfaceData("plain.tmp", data);
    ASSERT_TRUE(m_scene.ReadSurfaceFile("plain.tmp").bOk);
    const std::array<int, 2> pixel = FaceCentrePixel(0);
    const std::optional<CReadout> readout = m_scene.PickReadout(pixel[0], pixel[1], kValueNone);
    ASSERT_TRUE(readout);
    const CVec3 p = m_scene.Positions()[0];
    char sz[80];
    std::snprintf(sz, sizeof sz, "X= %5.3lf", static_cast<double>(p.x * 0.4f + 0.3f));
    EXPECT_EQ(readout->aPanes[1], sz);
    std::snprintf(sz, sizeof sz, "Y= %5.3lf", static_cast<double>(p.y * 0.4f + 5.5f));
    EXPECT_EQ(readout->aPanes[2], sz);
}

TEST_F(OrbiqScene, ClearsTheReadOutOverAWall) {
    // The walls moved clear of the surface, to the right.
    CSurfaceFileData data = WorkbenchLikeSurface(4);
    for (CSurfaceNode& node : data.m_aMeshes[1].m_aNodes)
        node.m_dX += 1.5;
    WriteSurfaceData("walls.tmp", data);
    ASSERT_TRUE(m_scene.ReadSurfaceFile("walls.tmp").bOk);
    const CMeshBuilder& walls = *m_scene.Mesh(2);
    const CMatrix4 toScene = m_scene.MeshFrame(2).WorldTransform();
    int nChecked = 0;
    for (int f = 0; f < walls.GetFaceCount(); ++f) {
        CVec3 centre{};
        for (std::int32_t nVertex : walls.Face(f).aVertices)
            centre = centre + toScene.TransformPoint(walls.Vertices()[static_cast<std::size_t>(nVertex)]) * (1.0f / 3);
        const auto pixel = m_scene.Viewport().Project(centre);
        const int x = static_cast<int>(std::lround((*pixel)[0])), y = static_cast<int>(std::lround((*pixel)[1]));
        const auto hit = m_scene.Viewport().Pick(m_scene.SceneFrame(), static_cast<float>(x), static_cast<float>(y));
        if (!hit || hit->pFrame != &m_scene.MeshFrame(2))
            continue;   // seen edge-on or behind another wall's edge
        const std::optional<CReadout> readout = m_scene.PickReadout(x, y, kValueVz);
        ASSERT_TRUE(readout);
        EXPECT_EQ(readout->aPanes, (std::array<std::string, 4>{}));
        ++nChecked;
    }
    EXPECT_GT(nChecked, 0);
}

// ---------------------------------------------------------------------------------------
// Navigation
// ---------------------------------------------------------------------------------------

struct CDragCase {
    const char* szName;
    int dx, dy;
    int nFlags;
    Eigen::Vector3d axis;   // zero: no turn
    double dAngle;
};
void PrintTo(const CDragCase& c, std::ostream* os) { *os << c.szName; }

class MouseDrag : public OrbiqScene, public ::testing::WithParamInterface<CDragCase> {};

TEST_P(MouseDrag, TurnsByTheRotationStepAboutTheAxisOfTheLargerMovement) {
    const CDragCase& c = GetParam();
    m_scene.MouseMove(400, 300, 0, 0);   // the last position
    const Eigen::Matrix4d expected = c.axis.isZero() ? Turned(m_scene, Eigen::Vector3d::UnitX(), 0)
                                                     : Turned(m_scene, c.axis, c.dAngle);
    m_scene.MouseMove(400 + c.dx, 300 + c.dy, c.nFlags, 0);
    EXPECT_TRUE(WorldIs(m_scene, expected));
    EXPECT_EQ(m_scene.World().RotationAngle(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, MouseDrag,
    ::testing::Values(CDragCase{"RightAndABitDown", 5, 1, kMouseLeft, Eigen::Vector3d::UnitY(), -0.1},
                      CDragCase{"LeftAndABitUp", -5, -1, kMouseLeft, Eigen::Vector3d::UnitY(), 0.1},
                      CDragCase{"AsMuchRightAsUp", 3, -3, kMouseLeft, Eigen::Vector3d::UnitX(), 0.1},
                      CDragCase{"Down", 0, 4, kMouseLeft, Eigen::Vector3d::UnitX(), -0.1},
                      CDragCase{"LeftAndRightButtons", 5, 1, kMouseLeft | kMouseRight, Eigen::Vector3d::Zero(), 0},
                      CDragCase{"LeftButtonAndShift", 5, 1, kMouseLeft | kMouseShift, Eigen::Vector3d::Zero(), 0},
                      CDragCase{"NoButton", 5, 1, 0, Eigen::Vector3d::Zero(), 0},
                      CDragCase{"NoMovement", 0, 0, kMouseLeft, Eigen::Vector3d::Zero(), 0}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST_F(OrbiqScene, TakesTheFirstMouseToBeAtTheScreensCentre) {
    // Screen 1280 x 1024: the first move from (640, 512) to (600, 500) is a drag to the left.
    const Eigen::Matrix4d expected = Turned(m_scene, Eigen::Vector3d::UnitY(), 0.1);
    m_scene.MouseMove(600, 500, kMouseLeft, 0);
    EXPECT_TRUE(WorldIs(m_scene, expected));
}

struct CKeyCase {
    const char* szName;
    EOrbiqKey eKey;
    Eigen::Vector3d axis;     // turn about this axis by dAngle, or
    double dAngle;
    Eigen::Vector3d move;     // move by this, or
    double dScale;            // scale by this
};
void PrintTo(const CKeyCase& c, std::ostream* os) { *os << c.szName; }

class KeyNavigation : public OrbiqScene, public ::testing::WithParamInterface<CKeyCase> {};

TEST_P(KeyNavigation, TurnsMovesOrScalesTheWorld) {
    const CKeyCase& c = GetParam();
    Eigen::Matrix4d expected = Turned(m_scene, c.axis.isZero() ? Eigen::Vector3d::UnitX() : c.axis, c.dAngle);
    expected.topLeftCorner<3, 3>() *= c.dScale;
    expected.block<1, 3>(3, 0) += c.move.transpose();
    EXPECT_FALSE(m_scene.KeyDown(c.eKey));
    EXPECT_TRUE(WorldIs(m_scene, expected));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyNavigation,
    ::testing::Values(CKeyCase{"Up", EOrbiqKey::Up, Eigen::Vector3d::UnitX(), 0.1, {0, 0, 0}, 1},
                      CKeyCase{"Down", EOrbiqKey::Down, Eigen::Vector3d::UnitX(), -0.1, {0, 0, 0}, 1},
                      CKeyCase{"Left", EOrbiqKey::Left, Eigen::Vector3d::UnitY(), 0.1, {0, 0, 0}, 1},
                      CKeyCase{"Right", EOrbiqKey::Right, Eigen::Vector3d::UnitY(), -0.1, {0, 0, 0}, 1},
                      CKeyCase{"A", EOrbiqKey::A, {0, 0, 0}, 0, {-0.5, 0, 0}, 1},
                      CKeyCase{"D", EOrbiqKey::D, {0, 0, 0}, 0, {0.5, 0, 0}, 1},
                      CKeyCase{"W", EOrbiqKey::W, {0, 0, 0}, 0, {0, 0.1, 0}, 1},
                      CKeyCase{"S", EOrbiqKey::S, {0, 0, 0}, 0, {0, -0.1, 0}, 1},
                      CKeyCase{"Home", EOrbiqKey::Home, {0, 0, 0}, 0, {0, 0, 0.1}, 1},
                      CKeyCase{"End", EOrbiqKey::End, {0, 0, 0}, 0, {0, 0, -0.1}, 1},
                      CKeyCase{"Plus", EOrbiqKey::Plus, {0, 0, 0}, 0, {0, 0, 0}, 2},
                      CKeyCase{"Minus", EOrbiqKey::Minus, {0, 0, 0}, 0, {0, 0, 0}, 0.5}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST_F(OrbiqScene, MoveAfterATurnKeyTurnsNoFurther) {
    m_scene.KeyDown(EOrbiqKey::Up);
    Eigen::Matrix4d expected = Turned(m_scene, Eigen::Vector3d::UnitX(), 0);
    expected(3, 0) += 0.5;
    m_scene.KeyDown(EOrbiqKey::D);
    EXPECT_TRUE(WorldIs(m_scene, expected));
}

TEST_F(OrbiqScene, SwitchesDisplayAndOverlaysByKey) {
    const CFrame& surfaceFrame = m_scene.MeshFrame(1);
    const CFrame& wallFrame = m_scene.MeshFrame(2);
    auto Shown = [](const CFrame& frame, const CMeshBuilder* p) { return frame.HasVisual(p); };

    m_scene.KeyDown(EOrbiqKey::F2);
    EXPECT_TRUE(Shown(surfaceFrame, m_scene.WireMesh(1)));
    m_scene.KeyDown(EOrbiqKey::F3);
    EXPECT_TRUE(Shown(wallFrame, m_scene.WireMesh(2)));
    // 3 hides the walls and their wireframe; again brings both back.
    m_scene.KeyDown(EOrbiqKey::Three);
    EXPECT_FALSE(m_scene.MeshShown(2));
    EXPECT_TRUE(wallFrame.Visuals().empty());
    m_scene.KeyDown(EOrbiqKey::Three);
    EXPECT_TRUE(Shown(wallFrame, m_scene.Mesh(2)) && Shown(wallFrame, m_scene.WireMesh(2)));
    // F3 leaves a hidden mesh hidden.
    m_scene.KeyDown(EOrbiqKey::F3);
    m_scene.KeyDown(EOrbiqKey::Three);
    m_scene.KeyDown(EOrbiqKey::F3);
    EXPECT_TRUE(wallFrame.Visuals().empty());
    m_scene.KeyDown(EOrbiqKey::Three);
    m_scene.KeyDown(EOrbiqKey::Four);   // mesh 3 is absent: only its flag changes
    EXPECT_FALSE(m_scene.MeshShown(3));

    // 1 switches to wireframe and removes every overlay; twice back to solid, no overlays.
    const CMatrix4 world = m_scene.World().Transform();
    m_scene.KeyDown(EOrbiqKey::One);
    EXPECT_FALSE(m_scene.SolidMode());
    EXPECT_EQ(m_scene.Device().m_nQuality, kQualityWireframe);
    EXPECT_FALSE(m_scene.SurfaceWireShown() || m_scene.WallWiresShown());
    EXPECT_FALSE(Shown(surfaceFrame, m_scene.WireMesh(1)) || Shown(wallFrame, m_scene.WireMesh(2)));
    const CRenderList wire = m_scene.Render();
    EXPECT_TRUE(wire.aTriangles.empty());
    EXPECT_EQ(wire.aLines.size(), 6u * (324 + 12));
    EXPECT_EQ((CColour{wire.aLines[0].r, wire.aLines[0].g, wire.aLines[0].b}), (CColour{1, 0, 0}));
    m_scene.KeyDown(EOrbiqKey::F2);
    m_scene.KeyDown(EOrbiqKey::One);
    EXPECT_TRUE(m_scene.SolidMode());
    EXPECT_EQ(m_scene.Device().m_nQuality, kQualitySolid);
    EXPECT_FALSE(m_scene.SurfaceWireShown() || m_scene.WallWiresShown());
    EXPECT_EQ(surfaceFrame.Visuals(), (std::vector<const CMeshBuilder*>{m_scene.Mesh(1)}));
    EXPECT_EQ(wallFrame.Visuals(), (std::vector<const CMeshBuilder*>{m_scene.Mesh(2)}));
    EXPECT_EQ(m_scene.World().Transform(), world);
}
