// The retained-mode scene layer: frame transformations against Eigen's rotations and
// affine algebra, the viewport's projection, picking and rendering (culling, lighting,
// render quality).

#include "TestSupport.h"
#include "orbiq/Scene.h"

#include <Eigen/Geometry>


using vornel_test::Near;

namespace {

// Row-vector matrices as Eigen matrices acting on row vectors.
Eigen::Matrix4d ToEigen(const CMatrix4& m) {
    Eigen::Matrix4d e;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            e(i, j) = m.m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    return e;
}

::testing::AssertionResult MatrixNear(const CMatrix4& actual, const Eigen::Matrix4d& expected, double dTol = 2e-6) {
    const Eigen::Matrix4d a = ToEigen(actual);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!Near(a(i, j), expected(i, j), dTol))
                return ::testing::AssertionFailure() << "element (" << i << ", " << j << "): " << a(i, j) << " instead of "
                                                     << expected(i, j) << "\n" << a << "\nexpected\n" << expected;
    return ::testing::AssertionSuccess();
}

// Eigen's rotation matrices act on column vectors; on row vectors the same rotation is their
// transpose.
Eigen::Matrix3d RowRotation(Eigen::Vector3d axis, double dAngle) {
    return Eigen::AngleAxisd(dAngle, axis.normalized()).toRotationMatrix().transpose();
}

Eigen::Matrix4d RowAffine(const Eigen::Matrix3d& linear, const Eigen::Vector3d& t) {
    Eigen::Matrix4d m = Eigen::Matrix4d::Identity();
    m.topLeftCorner<3, 3>() = linear;
    m.block<1, 3>(3, 0) = t.transpose();
    return m;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------------------

struct CTurnCase {
    const char* szName;
    CVec3 axis;
    float fAngle;
    float fDelta;
};
void PrintTo(const CTurnCase& c, std::ostream* os) { *os << c.szName; }

class FrameMove : public ::testing::TestWithParam<CTurnCase> {};

// A tick turns the frame about the axis through its own origin, after what it already is;
// its position stays.
TEST_P(FrameMove, TurnsAboutItsOwnOriginLikeEigensAngleAxis) {
    const CTurnCase& c = GetParam();
    // A frame with a scale, a turn and a position.
    CFrame frame;
    frame.AddScale(ECombine::Replace, {1.5f, 0.5f, 2});
    frame.SetRotation(nullptr, {0.3f, -0.4f, 0.5f}, 0.8f);
    frame.Move(1);
    frame.AddTranslation(ECombine::After, {0.7f, -1.1f, 2.5f});
    const Eigen::Matrix3d l = Eigen::Vector3d(1.5, 0.5, 2).asDiagonal() * RowRotation({0.3, -0.4, 0.5}, 0.8);
    ASSERT_TRUE(MatrixNear(frame.Transform(), RowAffine(l, {0.7, -1.1, 2.5})));

    frame.SetRotation(nullptr, c.axis, c.fAngle);
    frame.Move(c.fDelta);
    const Eigen::Matrix3d expected = l * RowRotation({c.axis.x, c.axis.y, c.axis.z}, double(c.fAngle) * c.fDelta);
    EXPECT_TRUE(MatrixNear(frame.Transform(), RowAffine(expected, {0.7, -1.1, 2.5})));
    // Another tick turns once more; an angle of 0 stops the turning.
    frame.Move(c.fDelta);
    const Eigen::Matrix3d twice = l * RowRotation({c.axis.x, c.axis.y, c.axis.z}, 2.0 * c.fAngle * c.fDelta);
    EXPECT_TRUE(MatrixNear(frame.Transform(), RowAffine(twice, {0.7, -1.1, 2.5}), 1e-5));
    frame.SetRotation(nullptr, c.axis, 0);
    const CMatrix4 stopped = frame.Transform();
    frame.Move(1);
    EXPECT_EQ(frame.Transform(), stopped);
}

INSTANTIATE_TEST_SUITE_P(Axes, FrameMove,
                         ::testing::Values(CTurnCase{"X", {1, 0, 0}, 0.1f, 1}, CTurnCase{"Y", {0, 1, 0}, -0.1f, 1},
                                           CTurnCase{"Z", {0, 0, 2}, 1.2f, 1}, CTurnCase{"Oblique", {1, 2, -3}, -2.5f, 1},
                                           CTurnCase{"HalfTick", {0, 1, 1}, 0.6f, 0.5f}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST(Frame, CombinesTranslationsAndScalesBeforeOrAfter) {
    CFrame frame;
    frame.SetRotation(nullptr, {0, 0, 1}, 0.5f);
    frame.Move(1);
    frame.AddTranslation(ECombine::After, {1, 2, 3});
    const Eigen::Matrix3d r = RowRotation({0, 0, 1}, 0.5);
    ASSERT_TRUE(MatrixNear(frame.Transform(), RowAffine(r, {1, 2, 3})));

    // A scale before acts in the frame's own coordinates: the origin stays.
    frame.AddScale(ECombine::Before, {2, 2, 2});
    ASSERT_TRUE(MatrixNear(frame.Transform(), RowAffine(2 * r, {1, 2, 3})));
    // A scale after acts in the parent's: the position scales too.
    frame.AddScale(ECombine::After, {1, 1, 0.5f});
    const Eigen::Matrix3d after = Eigen::Vector3d(1, 1, 0.5).asDiagonal();
    ASSERT_TRUE(MatrixNear(frame.Transform(), RowAffine(2 * r * after, {1, 2, 1.5})));
    // A translation before moves along the frame's own (turned and scaled) axes.
    frame.AddTranslation(ECombine::Before, {1, 0, 0});
    const Eigen::RowVector3d moved = Eigen::RowVector3d(1, 0, 0) * (2 * r * after);
    EXPECT_TRUE(MatrixNear(frame.Transform(), RowAffine(2 * r * after, Eigen::Vector3d(1 + moved(0), 2 + moved(1), 1.5 + moved(2)))));
    frame.AddTranslation(ECombine::Replace, {0, 0, 0});
    EXPECT_EQ(frame.Transform(), CMatrix4::Identity());
}

TEST(Frame, WorldTransformComposesTheChainAndInvertsExactly) {
    CFrame root;
    CFrame* pChild = root.CreateChild();
    CFrame* pGrandChild = pChild->CreateChild();
    // Frames get their transformations from turns, scales and moves.
    root.SetRotation(nullptr, {1, 1, 0}, 0.4f);
    root.Move(1);
    root.AddTranslation(ECombine::After, {0.5f, 0, 0});
    pChild->AddScale(ECombine::Before, {2, 3, 4});
    pChild->AddTranslation(ECombine::After, {0, -1, 2});
    pGrandChild->SetRotation(nullptr, {0, 0, 1}, -1.0f);
    pGrandChild->Move(1);
    pGrandChild->AddTranslation(ECombine::After, {3, 0, 0});

    const Eigen::Matrix4d expected = ToEigen(pGrandChild->Transform()) * ToEigen(pChild->Transform()) * ToEigen(root.Transform());
    EXPECT_TRUE(MatrixNear(pGrandChild->WorldTransform(), expected, 1e-5));
    EXPECT_TRUE(MatrixNear(pGrandChild->WorldTransform().InverseAffine(), expected.inverse(), 1e-5));

    // Positions and rotation axes given relative to another frame land where that frame says.
    CFrame* pOther = root.CreateChild();
    pGrandChild->SetPosition(pOther, {0, 0, 0});
    const CVec3 origin = pGrandChild->WorldTransform().TransformPoint({});
    const CVec3 otherOrigin = pOther->WorldTransform().TransformPoint({});
    EXPECT_TRUE(Near(origin.x, otherOrigin.x, 1e-5) && Near(origin.y, otherOrigin.y, 1e-5) && Near(origin.z, otherOrigin.z, 1e-5));
    pChild->SetRotation(&root, {0, 1, 0}, 0.2f);
    const CVec3 axis = pChild->RotationAxis();
    EXPECT_TRUE(Near(axis.x, 0, 1e-6) && Near(axis.y, 1, 1e-6) && Near(axis.z, 0, 1e-6));
}

TEST(Frame, OrientationPointsZAlongTheDirectionAndIgnoresADegenerateOne) {
    EXPECT_EQ(CMatrix4::Rotation({0, 0, 0}, 1.0f), CMatrix4::Identity());
    CFrame frame;
    frame.SetOrientation(nullptr, {0, 0, 0}, {0.3f, 0.3f, 0});
    EXPECT_EQ(frame.Transform(), CMatrix4::Identity());
    frame.SetOrientation(nullptr, {1, 0, 0}, {0, 2, 0});
    const CVec3 z = frame.Transform().TransformVector({0, 0, 1});
    const CVec3 y = frame.Transform().TransformVector({0, 1, 0});
    const CVec3 x = frame.Transform().TransformVector({1, 0, 0});
    EXPECT_EQ(z, (CVec3{1, 0, 0}));
    EXPECT_EQ(y, (CVec3{0, 1, 0}));
    EXPECT_EQ(x, (CVec3{0, 0, -1}));   // left-handed: x = y x z
}

// ---------------------------------------------------------------------------------------
// Mesh builders
// ---------------------------------------------------------------------------------------

TEST(MeshBuilder, TakesTheReadersFaceListAndRefusesAMalformedOne) {
    CMeshBuilder mesh;
    mesh.SetColorRGB(0.5f, 0.25f, 1);
    mesh.AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3, 0, 0, 1, 1, 2, 2, 0});
    ASSERT_EQ(mesh.GetFaceCount(), 1);
    EXPECT_EQ(mesh.Face(0).aVertices, (std::array<std::int32_t, 3>{0, 1, 2}));
    EXPECT_EQ(mesh.Face(0).colour, (CColour{0.5f, 0.25f, 1}));
    // Faces added later refer to their own vertices.
    mesh.AddFaces({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {3, 2, 2, 1, 1, 0, 0, 0});
    EXPECT_EQ(mesh.Face(1).aVertices, (std::array<std::int32_t, 3>{5, 4, 3}));

    const std::vector<CVec3> aTriangle{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (const std::vector<std::int32_t>& aBad : {std::vector<std::int32_t>{3, 0, 0, 1, 1, 2, 2},   // no closing 0
                                                   std::vector<std::int32_t>{4, 0, 0, 1, 1, 2, 2, 0, 0, 0},
                                                   std::vector<std::int32_t>{3, 0, 0, 1, 1, 3, 3, 0},
                                                   std::vector<std::int32_t>{3, 0, 0, 1, 1, 2}}) {
        EXPECT_THROW(mesh.AddFaces(aTriangle, aBad), std::invalid_argument);
        EXPECT_EQ(mesh.GetFaceCount(), 2);
        EXPECT_EQ(mesh.Vertices().size(), 6u);
    }

    // Colour sources: the face's own colour, or that of its first vertex.
    mesh.SetFaceColor(0, {0, 1, 0});
    EXPECT_EQ(mesh.DrawnColour(0), (CColour{0, 1, 0}));
    mesh.SetColorSource(EColourSource::Vertex);
    EXPECT_EQ(mesh.DrawnColour(0), (CColour{0.5f, 0.25f, 1}));
}

TEST(RenderQuality, IsTheLesserOfDeviceAndVisualFieldByField) {
    EXPECT_EQ(EffectiveQuality(kQualitySolid, kQualitySolid), 136);
    EXPECT_EQ(EffectiveQuality(kQualitySolid, kQualityWireframe), 64);
    EXPECT_EQ(EffectiveQuality(kQualityWireframe, kQualitySolid), 64);
    EXPECT_EQ(EffectiveQuality(kFillSolid | kLightOn | 1, kFillWireframe | kLightOn | 2), kFillWireframe | kLightOn | 1);
}

// ---------------------------------------------------------------------------------------
// Viewport
// ---------------------------------------------------------------------------------------

namespace {

// A camera at (0, 0, -8) and a frame to put meshes in, as in the viewer.
struct CTestScene {
    CFrame root;
    CFrame* pCamera = root.CreateChild();
    CFrame* pFrame = root.CreateChild();
    CDevice device{400, 300, kQualitySolid};
    CViewport viewport{device, *pCamera};
    CTestScene() { pCamera->SetPosition(nullptr, {0, 0, -8}); }
};

// A triangle in the plane z = fZ, clockwise as seen from the camera (its front), and the
// same triangle counter-clockwise.
const std::vector<std::int32_t> kFront{3, 0, 0, 1, 1, 2, 2, 0};
const std::vector<std::int32_t> kBack{3, 0, 0, 2, 2, 1, 1, 0};
std::vector<CVec3> Triangle(float fZ, float fSize = 1) { return {{0, 0, fZ}, {0, fSize, fZ}, {fSize, 0, fZ}}; }

} // namespace

TEST(Viewport, ProjectsAndPicksAlongTheSameRays) {
    CTestScene scene;
    CMeshBuilder mesh;
    mesh.AddFaces(Triangle(0), kFront);
    scene.pFrame->AddVisual(&mesh);

    // s = min(400, 300) / (2 x 0.5) = 300 pixels per unit at depth 1; the origin at depth 8.
    const auto pixel = scene.viewport.Project({1, 1, 0});
    ASSERT_TRUE(pixel);
    EXPECT_FLOAT_EQ((*pixel)[0], 200 + 300.0f / 8);
    EXPECT_FLOAT_EQ((*pixel)[1], 150 - 300.0f / 8);
    EXPECT_FALSE(scene.viewport.Project({0, 0, -7.5f}));   // before the front clipping plane

    // The projection matrix puts the point on the same pixel.
    const std::array<float, 16> p = scene.viewport.ProjectionMatrix();
    const CVec3 c = scene.viewport.SceneToCamera().TransformPoint({1, 1, 0});
    const float fClipX = p[0] * c.x + p[12], fClipY = p[5] * c.y + p[13], fW = p[3] * c.x + p[7] * c.y + p[11] * c.z + p[15];
    EXPECT_FLOAT_EQ((fClipX / fW + 1) * 200, (*pixel)[0]);
    EXPECT_FLOAT_EQ((1 - fClipY / fW) * 150, (*pixel)[1]);
    const float fNear = (p[10] * 1 + p[14]) / 1, fFar = (p[10] * 100 + p[14]) / 100;
    EXPECT_FLOAT_EQ(fNear, -1);
    EXPECT_FLOAT_EQ(fFar, 1);

    // The centre of the triangle is picked, a pixel beside it is not.
    const auto centre = scene.viewport.Project({1.0f / 3, 1.0f / 3, 0});
    const auto hit = scene.viewport.Pick(scene.root, (*centre)[0], (*centre)[1]);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->pFrame, scene.pFrame);
    EXPECT_EQ(hit->pVisual, &mesh);
    EXPECT_EQ(hit->nFace, 0);
    EXPECT_TRUE(Near(hit->fDepth, 8, 1e-5));
    EXPECT_TRUE(Near(hit->position.x, 1.0 / 3, 1e-4) && Near(hit->position.y, 1.0 / 3, 1e-4));
    const auto beside = scene.viewport.Project({-0.2f, 0.5f, 0});
    EXPECT_FALSE(scene.viewport.Pick(scene.root, (*beside)[0], (*beside)[1]));
}

TEST(Viewport, PicksTheNearestFrontFace) {
    CTestScene scene;
    CMeshBuilder far, back, near;
    far.AddFaces(Triangle(2, 2), kFront);
    back.AddFaces(Triangle(-3, 2), kBack);   // nearest, but seen from behind
    near.AddFaces(Triangle(-1, 2), kFront);
    CFrame* pOther = scene.root.CreateChild();
    scene.pFrame->AddVisual(&far);
    scene.pFrame->AddVisual(&back);
    pOther->AddVisual(&near);
    const auto pixel = scene.viewport.Project({0.3f, 0.3f, -1});
    const auto hit = scene.viewport.Pick(scene.root, (*pixel)[0], (*pixel)[1]);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->pVisual, &near);
    EXPECT_EQ(hit->pFrame, pOther);
    EXPECT_TRUE(Near(hit->fDepth, 7, 1e-5));
    // Without it the far one, never the back face.
    pOther->DeleteVisual(&near);
    EXPECT_EQ(scene.viewport.Pick(scene.root, (*pixel)[0], (*pixel)[1])->pVisual, &far);
}

TEST(Viewport, RendersFrontFacesLitFlatAndWireframesUnlit) {
    CTestScene scene;
    CFrame* pLight = scene.root.CreateChild();
    pLight->SetPosition(nullptr, {0, 0, -5});
    pLight->AddLight({ELightType::Point, {0.25f, 0.5f, 1.0f}});
    scene.root.CreateChild()->AddLight({ELightType::Ambient, {0.5f, 0.25f, 0.125f}});
    scene.root.SetSceneBackgroundRGB(1, 1, 1);

    CMeshBuilder both;   // one triangle in both windings, on the z = 0 plane
    both.AddFaces(Triangle(0, 0.01f), kFront);
    both.AddFaces(Triangle(0, 0.01f), kBack);
    both.SetColorRGB(1, 0.8f, 0.5f);
    scene.pFrame->AddVisual(&both);

    CRenderList list = scene.viewport.Render(scene.root);
    EXPECT_EQ(list.background, (CColour{1, 1, 1}));
    ASSERT_EQ(list.aTriangles.size(), 3u);   // the back face is culled
    EXPECT_TRUE(list.aLines.empty());
    // The light straight in front: cosine 1 (almost: the triangle is 0.01 wide).
    const CRenderVertex& v = list.aTriangles[0];
    EXPECT_TRUE(Near(v.r, std::min(1.0, 1 * (0.5 + 0.25)), 1e-4));
    EXPECT_TRUE(Near(v.g, 0.8 * (0.25 + 0.5), 1e-4));
    EXPECT_TRUE(Near(v.b, std::min(1.0, 0.5 * (0.125 + 1.0)), 1e-4));
    EXPECT_FLOAT_EQ(v.z, 8);   // camera coordinates

    // A light behind the face adds nothing.
    pLight->SetPosition(nullptr, {0, 0, 5});
    list = scene.viewport.Render(scene.root);
    EXPECT_TRUE(Near(list.aTriangles[0].r, 0.5, 1e-6));

    // The device in wireframe: every edge of both faces, in the face colour, unlit.
    scene.device.m_nQuality = kQualityWireframe;
    list = scene.viewport.Render(scene.root);
    EXPECT_TRUE(list.aTriangles.empty());
    ASSERT_EQ(list.aLines.size(), 12u);
    EXPECT_EQ((CColour{list.aLines[0].r, list.aLines[0].g, list.aLines[0].b}), (CColour{1, 0.8f, 0.5f}));

    // A wireframe visual on a solid device; points are not drawn.
    scene.device.m_nQuality = kQualitySolid;
    both.SetQuality(kQualityWireframe);
    EXPECT_EQ(scene.viewport.Render(scene.root).aLines.size(), 12u);
    both.SetQuality(kFillPoints);
    list = scene.viewport.Render(scene.root);
    EXPECT_TRUE(list.aLines.empty() && list.aTriangles.empty());
}
