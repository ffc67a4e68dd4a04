#include "orbiq/OrbiqScene.h"

#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"
#include "formats/TextFile.h"

#include <Eigen/Dense>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

constexpr CVec3 kAxisX{1, 0, 0};
constexpr CVec3 kAxisY{0, 1, 0};

constexpr CColour kSurfaceColour{1, 0, 0};
// Mesh 3 holds the markers of the measured points, black so that they stand out from the
// surface whatever it is coloured by.
constexpr std::array<CColour, 3> kMeshColours{{{1, 0, 0}, {0.2265f, 0.85f, 0.867f}, {0, 0, 0}}};

// "%5.3lf": three decimals, at least five characters, blanks in front.
std::string Fixed3(double dValue) {
    char sz[400];
    const auto [pEnd, ec] = std::to_chars(sz, sz + sizeof sz, dValue, std::chars_format::fixed, 3);
    std::string str(sz, ec == std::errc() ? pEnd : sz);
    if (str.size() < 5)
        str.insert(0, 5 - str.size(), ' ');
    return str;
}

struct CBuiltMesh {
    std::unique_ptr<CMeshBuilder> pSolid;
    std::unique_ptr<CMeshBuilder> pWire;
};

// Mesh nMesh of a surface file as a solid mesh in its colour and its black wireframe copy.
CBuiltMesh BuildMesh(const CSurfaceMeshContent& content) {
    std::vector<CVec3> aVertices;
    aVertices.reserve(content.m_aVertices.size());
    for (const std::array<float, 3>& v : content.m_aVertices)
        aVertices.push_back({v[0], v[1], v[2]});

    CBuiltMesh built;
    built.pSolid = std::make_unique<CMeshBuilder>();
    if (content.m_nMesh == 1)
        built.pSolid->SetColorSource(EColourSource::Face);
    built.pSolid->AddFaces(aVertices, content.m_aFaceList);
    const CColour colour = kMeshColours[static_cast<std::size_t>(content.m_nMesh - 1)];
    built.pSolid->SetColorRGB(colour.r, colour.g, colour.b);

    for (CVec3& v : aVertices)
        v = v * kWireScale;
    built.pWire = std::make_unique<CMeshBuilder>();
    built.pWire->AddFaces(aVertices, content.m_aFaceList);
    built.pWire->SetColorRGB(0, 0, 0);
    built.pWire->SetQuality(kQualityWireframe);
    return built;
}

} // namespace

COrbiqScene::COrbiqScene() { CreateScene(); }

COrbiqScene::~COrbiqScene() = default;

void COrbiqScene::Reset() {
    m_pViewport.reset();
    m_pScene.reset();
    m_pWorld = nullptr;
    m_apMeshFrames = {};
    m_pCamera = nullptr;
    for (auto& p : m_apMeshes)
        p.reset();
    for (auto& p : m_apWireMeshes)
        p.reset();
    m_bSceneLoaded = false;
    m_strPath.clear();
    m_strText.clear();
    m_afHeader = {1, 1, 1, 1};
    m_aFaceTable.clear();
    m_aPositions.clear();
    m_store = NodeValueStore();
    m_axes = CAxisSet();
    m_bSolidMode = true;
    m_bMesh2Shown = true;
    m_bMesh3Shown = true;
    m_bSurfaceWire = false;
    m_bWallWires = false;
}

void COrbiqScene::CreateScene() {
    m_pScene = std::make_unique<CFrame>();
    m_pScene->SetSceneBackgroundRGB(1, 1, 1);
    m_pWorld = m_pScene->CreateChild();
    for (CFrame*& pFrame : m_apMeshFrames)
        pFrame = m_pWorld->CreateChild();
    m_pCamera = m_pScene->CreateChild();

    // Point lights shine from their frame's origin in every direction.
    const CFrame* pScene = m_pScene.get();
    CFrame* pLight1 = m_pScene->CreateChild();
    pLight1->SetPosition(pScene, {-5, 0, -2});
    pLight1->AddLight({ELightType::Point, {0.9f, 0.9f, 0.9f}});
    CFrame* pLight2 = m_pScene->CreateChild();
    pLight2->SetPosition(pScene, {5, 0, -2});
    pLight2->AddLight({ELightType::Point, {0.9f, 0.9f, 0.9f}});
    CFrame* pLight3 = m_pScene->CreateChild();
    pLight3->SetPosition(pScene, {0, 0, -2});
    pLight3->AddLight({ELightType::Ambient, {0.5f, 0.5f, 0.5f}});

    m_device.m_nQuality = kQualitySolid;
    m_pViewport = std::make_unique<CViewport>(m_device, *m_pCamera);
    ResetAttitude();
}

void COrbiqScene::ResetAttitude() {
    // The stress axis (Z of the file) upwards, the strain axis to the right and towards the
    // viewer.
    const CFrame* pScene = m_pScene.get();
    m_pCamera->SetPosition(pScene, {0, 0, -8});
    m_pWorld->AddTranslation(ECombine::Replace, {});
    m_pWorld->SetRotation(pScene, kAxisX, -1.71f);
    Tick();
    m_pWorld->SetRotation(pScene, kAxisY, 0.57f);
    Tick();
    m_pWorld->SetRotation(pScene, {}, 0);
    m_pWorld->AddTranslation(ECombine::After, {0, 0.2f, 0});
    Tick();
    if (m_bSceneLoaded)
        m_pWorld->AddScale(ECombine::Before, {2, 2, 2});
}

std::optional<std::array<float, 4>> COrbiqScene::PictureBounds() const {
    std::array<float, 4> afBox{};
    bool bAny = false;
    for (std::size_t k = 0; k < m_apMeshes.size(); ++k) {
        if (!m_apMeshes[k])
            continue;
        // One transformation for all of a mesh's vertices: projected one by one, each would
        // invert the camera's anew, made a fit on the steel set's surface (1151 vertices)
        // take 2.1 ms instead of 0.41.
        const CMatrix4 toCamera = m_apMeshFrames[k]->WorldTransform() * m_pViewport->SceneToCamera();
        for (const CVec3& v : m_apMeshes[k]->Vertices()) {
            const std::optional<std::array<float, 2>> pixel = m_pViewport->ProjectCamera(toCamera.TransformPoint(v));
            if (!pixel || !std::isfinite((*pixel)[0]) || !std::isfinite((*pixel)[1]))
                return std::nullopt;
            const float x = (*pixel)[0], y = (*pixel)[1];
            afBox = bAny ? std::array<float, 4>{std::min(afBox[0], x), std::min(afBox[1], y), std::max(afBox[2], x), std::max(afBox[3], y)}
                         : std::array<float, 4>{x, y, x, y};
            bAny = true;
        }
    }
    if (!bAny)
        return std::nullopt;
    return afBox;
}

bool COrbiqScene::FitView(const std::array<float, 4>& afRect) {
    const double dWidth = afRect[2] - afRect[0], dHeight = afRect[3] - afRect[1];
    if (!(dWidth > 0 && dHeight > 0))
        return false;
    const std::optional<std::array<float, 4>> start = PictureBounds();
    if (!start || !((*start)[2] > (*start)[0] || (*start)[3] > (*start)[1]))
        return false;   // nothing shown, or a single point
    // The camera moves, not the model, so that the lights fall on the model as before.
    // Unknowns: the camera's position. Residuals: the logarithm of how much larger the
    // picture is than the rectangle allows (0 when it just touches two opposite sides), and
    // the offset of its centre from the rectangle's, in pixels at depth 1. Perspective
    // makes them nonlinear in the position (the near points grow faster than the far
    // ones), so Newton's method with a forward-difference Jacobian and a halving line
    // search solves them (Nocedal and Wright, "Numerical Optimization", 2006, ch. 11).
    // On the workbench's surfaces it settles to 0.02 pixels in three to five steps.
    const float fPixelScale = static_cast<float>(std::min(m_pViewport->Width(), m_pViewport->Height())) / (2 * m_pViewport->Field());
    const CVec3 centre = m_pWorld->WorldTransform().TransformPoint({});
    const auto place = [&](const Eigen::Vector3d& x) {
        m_pCamera->SetPosition(m_pScene.get(), {static_cast<float>(x[0]), static_cast<float>(x[1]), static_cast<float>(x[2])});
    };
    const auto residual = [&](const Eigen::Vector3d& x) -> std::optional<Eigen::Vector3d> {
        place(x);
        const std::optional<std::array<float, 4>> box = PictureBounds();
        if (!box)
            return std::nullopt;
        const double dLarger = std::max(((*box)[2] - (*box)[0]) / dWidth, ((*box)[3] - (*box)[1]) / dHeight);
        if (!(dLarger > 0))
            return std::nullopt;
        return Eigen::Vector3d(std::log(dLarger), (((*box)[0] + (*box)[2]) - (afRect[0] + afRect[2])) * 0.5 / fPixelScale,
                               (((*box)[1] + (*box)[3]) - (afRect[1] + afRect[3])) * 0.5 / fPixelScale);
    };
    // The start: as if every point lay at the depth of the world's origin, where the picture
    // is as much smaller as the depth is larger and a camera moving across by depth / scale
    // moves it by a pixel; backed off first while some of the model lies before the front
    // clipping plane.
    const CVec3 camera = CameraPosition();
    Eigen::Vector3d x(camera.x, camera.y, camera.z);
    std::optional<Eigen::Vector3d> r = residual(x);
    for (int nBack = 0; !r && nBack < 20; ++nBack) {
        x[2] = centre.z - 2 * std::max<double>(centre.z - x[2], m_pViewport->Front());
        r = residual(x);
    }
    if (!r)
        return false;
    const double dDepth = centre.z - x[2];
    x = Eigen::Vector3d(x[0] + (*r)[1] * dDepth, x[1] - (*r)[2] * dDepth, centre.z - dDepth * std::exp((*r)[0]));
    if (std::optional<Eigen::Vector3d> guessed = residual(x); guessed)
        r = guessed;
    else
        x = Eigen::Vector3d(camera.x, camera.y, camera.z);
    const double dTolerance = 0.02 / fPixelScale;
    for (int nStep = 0; nStep < 20; ++nStep) {
        if (std::abs((*r)[0]) < 1e-5 && std::abs((*r)[1]) < dTolerance && std::abs((*r)[2]) < dTolerance)
            break;
        const double h = 1e-3 * std::max<double>(centre.z - x[2], m_pViewport->Front());
        Eigen::Matrix3d jacobian;
        bool bJacobian = true;
        for (int k = 0; k < 3 && bJacobian; ++k) {
            const std::optional<Eigen::Vector3d> shifted = residual(x + h * Eigen::Vector3d::Unit(k));
            bJacobian = shifted.has_value();
            if (shifted)
                jacobian.col(k) = (*shifted - *r) / h;
        }
        if (!bJacobian)
            break;
        const Eigen::Vector3d step = jacobian.colPivHouseholderQr().solve(-*r);
        bool bTaken = false;
        for (double t = 1; t > 1.0 / 64 && !bTaken; t /= 2) {
            const std::optional<Eigen::Vector3d> tried = residual(x + t * step);
            if (tried && tried->norm() < r->norm()) {
                x += t * step;
                r = tried;
                bTaken = true;
            }
        }
        if (!bTaken)
            break;
    }
    place(x);
    return true;
}

CReadStatus COrbiqScene::ReadSurfaceFile(const std::string& strPath) {
    std::string strText;
    CSurfaceFileContent content;
    std::array<CBuiltMesh, 3> aBuilt;
    try {
        const std::vector<unsigned char> aBytes = ReadFileBytes(strPath);
        strText.assign(aBytes.begin(), aBytes.end());
        content = ParseSurfaceText(strText, strPath);
        for (const CSurfaceMeshContent& mesh : content.m_aMeshes)
            aBuilt[Slot(mesh.m_nMesh)] = BuildMesh(mesh);
    } catch (const CFileError& e) {
        return {false, e.what()};
    } catch (const std::invalid_argument& e) {
        return {false, strPath + ": " + e.what()};
    } catch (const std::bad_alloc&) {
        return {false, strPath + ": the file is too large to show"};
    }

    Reset();
    CreateScene();
    m_afHeader = {content.m_fCentreX, content.m_fCentreY, content.m_fCentreZ, content.m_fScale};
    m_axes = MakeAxes(content);
    if (const CSurfaceMeshContent* pSurface = content.Mesh(1)) {
        m_aFaceTable = pSurface->m_aFaceTable;
        for (const std::array<float, 3>& v : pSurface->m_aVertices)
            m_aPositions.push_back({v[0], v[1], v[2]});
        m_store.Allocate(static_cast<int>(pSurface->m_aNodeValues.size()));
        for (std::size_t n = 0; n < pSurface->m_aNodeValues.size(); ++n)
            m_store.Store(static_cast<int>(n), pSurface->m_aNodeValues[n]);
    }
    for (std::size_t k = 0; k < aBuilt.size(); ++k) {
        m_apMeshes[k] = std::move(aBuilt[k].pSolid);
        m_apWireMeshes[k] = std::move(aBuilt[k].pWire);
        m_apMeshFrames[k]->AddVisual(m_apMeshes[k].get());
    }
    m_bSceneLoaded = true;
    m_strPath = strPath;
    m_strText = std::move(strText);
    ResetAttitude();
    return {true, {}};
}

void COrbiqScene::Clear() {
    Reset();
    CreateScene();
}

void COrbiqScene::SetViewportSize(int nWidth, int nHeight) {
    m_device.m_nWidth = std::max(1, nWidth);
    m_device.m_nHeight = std::max(1, nHeight);
}

void COrbiqScene::SetScreenSize(int nWidth, int nHeight) {
    m_nScreenWidth = nWidth;
    m_nScreenHeight = nHeight;
}

void COrbiqScene::Tick() { m_pWorld->Move(1.0f); }

void COrbiqScene::Turn(CVec3 axis, float fAngle) {
    m_pWorld->SetRotation(m_pScene.get(), axis, fAngle);
    Tick();
    m_pWorld->SetRotation(m_pScene.get(), {}, 0);
    Tick();
}

void COrbiqScene::MoveWorld(CVec3 v) {
    m_pWorld->SetRotation(m_pScene.get(), {}, 0);
    m_pWorld->AddTranslation(ECombine::After, v);
    Tick();
}

bool COrbiqScene::MeshShown(int nMesh) const {
    if (nMesh == 2)
        return m_bMesh2Shown;
    if (nMesh == 3)
        return m_bMesh3Shown;
    return true;
}

void COrbiqScene::ShowVisual(int nMesh, const CMeshBuilder* pMesh, bool bShow) {
    if (!pMesh)
        return;
    CFrame& frame = *m_apMeshFrames[Slot(nMesh)];
    if (bShow)
        frame.AddVisual(pMesh);
    else
        frame.DeleteVisual(pMesh);
}

CColourResult COrbiqScene::ColourByValue(int nType) {
    CMeshBuilder* pSurface = m_apMeshes[0].get();
    if (nType == kValueNone) {
        if (pSurface) {
            pSurface->SetColorSource(EColourSource::Face);
            pSurface->SetColorRGB(kSurfaceColour.r, kSurfaceColour.g, kSurfaceColour.b);
        }
        return {"Restore standard color", false};
    }
    CColourResult result{"Function " + NodeValueStore::ValueName(nType), false};
    if (!(m_store.ValueMax(nType) - m_store.ValueMin(nType) > 0)) {
        if (pSurface)
            pSurface->SetColorRGB(kSurfaceColour.r, kSurfaceColour.g, kSurfaceColour.b);
        result.bResetFunctionBox = true;
        return result;
    }
    if (!pSurface)
        return result;
    pSurface->SetColorSource(EColourSource::Face);
    const int nFaces = std::min(pSurface->GetFaceCount(), static_cast<int>(m_aFaceTable.size()));
    std::vector<float> aValues(static_cast<std::size_t>(nFaces));
    float fMin = 0, fMax = 0;
    for (int f = 0; f < nFaces; ++f) {
        const float fValue = FaceValue(m_store, m_aFaceTable[static_cast<std::size_t>(f)], nType);
        aValues[static_cast<std::size_t>(f)] = fValue;
        if (f == 0 || fValue < fMin)
            fMin = fValue;
        if (f == 0 || fValue > fMax)
            fMax = fValue;
    }
    for (int f = 0; f < nFaces; ++f)
        pSurface->SetFaceColor(f, FaceColour(fMin, fMax, aValues[static_cast<std::size_t>(f)], nType));
    return result;
}

CLegendValues COrbiqScene::LegendFor(int nType) const {
    return SetLegendValues(m_store.ValueMin(nType), m_store.ValueMax(nType), NodeValueStore::ValueName(nType));
}

std::optional<CColourResult> COrbiqScene::KeyDown(EOrbiqKey eKey) {
    const CFrame* pScene = m_pScene.get();
    switch (eKey) {
    case EOrbiqKey::Escape:
        return ColourByValue(kValueVx);
    case EOrbiqKey::Up:
    case EOrbiqKey::Down:
        m_pWorld->SetRotation(pScene, kAxisX, eKey == EOrbiqKey::Up ? kRotationStep : -kRotationStep);
        Tick();
        break;
    case EOrbiqKey::Left:
    case EOrbiqKey::Right:
        m_pWorld->SetRotation(pScene, kAxisY, eKey == EOrbiqKey::Left ? kRotationStep : -kRotationStep);
        Tick();
        break;
    case EOrbiqKey::A: MoveWorld({-0.5f, 0, 0}); break;
    case EOrbiqKey::D: MoveWorld({0.5f, 0, 0}); break;
    case EOrbiqKey::W: MoveWorld({0, 0.1f, 0}); break;
    case EOrbiqKey::S: MoveWorld({0, -0.1f, 0}); break;
    case EOrbiqKey::Home: MoveWorld({0, 0, 0.1f}); break;
    case EOrbiqKey::End: MoveWorld({0, 0, -0.1f}); break;
    case EOrbiqKey::Plus: m_pWorld->AddScale(ECombine::Before, {2, 2, 2}); break;
    case EOrbiqKey::Minus: m_pWorld->AddScale(ECombine::Before, {0.5f, 0.5f, 0.5f}); break;
    case EOrbiqKey::One:
        for (int n = 1; n <= 3; ++n)
            ShowVisual(n, WireMesh(n), false);
        m_bSurfaceWire = false;
        m_bWallWires = false;
        m_device.m_nQuality = m_bSolidMode ? kQualityWireframe : kQualitySolid;
        m_bSolidMode = !m_bSolidMode;
        m_pWorld->SetRotation(pScene, {}, 0);
        m_pWorld->AddTranslation(ECombine::After, {0, 0, 0});
        break;
    case EOrbiqKey::Three:
    case EOrbiqKey::Four: {
        const int nMesh = eKey == EOrbiqKey::Three ? 2 : 3;
        bool& bShown = nMesh == 2 ? m_bMesh2Shown : m_bMesh3Shown;
        bShown = !bShown;
        ShowVisual(nMesh, Mesh(nMesh), bShown);
        if (m_bWallWires)
            ShowVisual(nMesh, WireMesh(nMesh), bShown);
        break;
    }
    case EOrbiqKey::F2:
        m_bSurfaceWire = !m_bSurfaceWire;
        ShowVisual(1, WireMesh(1), m_bSurfaceWire);
        break;
    case EOrbiqKey::F3:
        m_bWallWires = !m_bWallWires;
        for (int nMesh = 2; nMesh <= 3; ++nMesh)
            if (MeshShown(nMesh))
                ShowVisual(nMesh, WireMesh(nMesh), m_bWallWires);
        break;
    }
    return std::nullopt;
}

std::optional<CReadout> COrbiqScene::PickReadout(int x, int y, int nFunction) const {
    const std::optional<CPickHit> hit = m_pViewport->Pick(*m_pScene, static_cast<float>(x), static_cast<float>(y));
    if (!hit)
        return std::nullopt;
    CReadout readout;
    if (hit->pFrame != m_apMeshFrames[0] || hit->nFace < 0 || static_cast<std::size_t>(hit->nFace) >= m_aFaceTable.size())
        return readout;
    const std::array<std::int32_t, 3>& aNodes = m_aFaceTable[static_cast<std::size_t>(hit->nFace)];
    const int nP = aNodes[0];
    // The node values Vx, Vy, Vz carry strain, strain rate and stress in their own units;
    // the header's one scale fits all three axes only when their ranges are equal, so the
    // coordinates serve only a file whose node values say nothing. The values are the
    // triangle's, as the function's value and its colour are, so that one picked point
    // reads the same in every pane (Z and "Function Vz").
    std::array<double, 3> aShown{};
    bool bValues = false;
    for (int t = kValueVx; t <= kValueVz; ++t)
        bValues = bValues || m_store.ValueMax(t) - m_store.ValueMin(t) > 0;
    for (int i = 0; i < 3; ++i) {
        if (bValues) {
            aShown[static_cast<std::size_t>(i)] = FaceValue(m_store, aNodes, kValueVx + i);
        } else {
            const CVec3& p = m_aPositions[static_cast<std::size_t>(nP)];
            const float fStored = i == 0 ? p.x : i == 1 ? p.y : p.z;
            aShown[static_cast<std::size_t>(i)] = fStored * m_afHeader[3] + m_afHeader[static_cast<std::size_t>(i)];
        }
    }
    readout.aPanes[1] = "X= " + Fixed3(aShown[0]);
    readout.aPanes[2] = "Y= " + Fixed3(aShown[1]);
    readout.aPanes[3] = "Z= " + Fixed3(aShown[2]);
    readout.aPanes[0] = "Function " + NodeValueStore::ValueName(nFunction) + "=";
    AppendFixed6(readout.aPanes[0], FaceValue(m_store, aNodes, nFunction));
    return readout;
}

std::optional<CReadout> COrbiqScene::MouseMove(int x, int y, int nFlags, int nFunction) {
    std::optional<CReadout> readout = PickReadout(x, y, nFunction);
    if (m_nLastX == 0 && m_nLastY == 0) {
        m_nLastX = m_nScreenWidth / 2;
        m_nLastY = m_nScreenHeight / 2;
    }
    if (nFlags == kMouseLeft) {
        const int dx = std::abs(x - m_nLastX);
        const int dy = std::abs(y - m_nLastY);
        if (dx > dy)
            Turn(kAxisY, x < m_nLastX ? kRotationStep : -kRotationStep);
        else if (dy > 0)
            Turn(kAxisX, y < m_nLastY ? kRotationStep : -kRotationStep);
    }
    m_nLastX = x;
    m_nLastY = y;
    return readout;
}
