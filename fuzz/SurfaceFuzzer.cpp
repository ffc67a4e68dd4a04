// The surface file "visual.tmp" on arbitrary bytes: the reader of the file layout, and the
// viewer's scene built from what it reads, coloured by every value type, picked at points
// of the view, turned, moved and scaled.
//
// The reader either refuses the file with a message naming it or hands over meshes whose
// faces are triangles of their own nodes. The viewer builds a scene exactly from the files
// the reader takes; a file it refuses leaves the viewer's scene empty.

#include "FuzzSupport.h"

#include "orbiq/OrbiqScene.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

#include <cmath>
#include <string_view>

namespace {

void CheckContent(const CSurfaceFileContent& content) {
    int nPrevious = 0;
    for (const CSurfaceMeshContent& mesh : content.m_aMeshes) {
        FUZZ_CHECK(mesh.m_nMesh > nPrevious && mesh.m_nMesh <= 3 &&
                       content.m_aFlags[static_cast<std::size_t>(mesh.m_nMesh - 1)] == 1,
                   "a mesh handed over whose flag is not 1, or out of order");
        nPrevious = mesh.m_nMesh;
        const std::size_t nNodes = mesh.m_aVertices.size();
        FUZZ_CHECK(mesh.m_nMesh != 1 || (nNodes >= 2 && mesh.m_aNodeValues.size() == nNodes),
                   "mesh 1 without its node values or with fewer than 2 nodes");
        FUZZ_CHECK(mesh.m_nMesh == 1 || mesh.m_aNodeValues.empty(), "node values for a wall mesh");
        FUZZ_CHECK(mesh.m_aFaceList.size() == 7 * mesh.m_aFaceTable.size() + 1 && mesh.m_aFaceList.back() == 0,
                   "a face list that is not 7 F + 1 integers closed by 0");
        for (std::size_t f = 0; f < mesh.m_aFaceTable.size(); ++f) {
            FUZZ_CHECK(mesh.m_aFaceList[7 * f] == 3, "a face list entry that is not a triangle");
            for (std::size_t k = 0; k < 3; ++k) {
                const std::int32_t nNode = mesh.m_aFaceTable[f][k];
                FUZZ_CHECK(nNode >= 0 && static_cast<std::size_t>(nNode) < nNodes, "a face refers to a node its mesh lacks");
                FUZZ_CHECK(mesh.m_aFaceList[7 * f + 1 + 2 * k] == nNode && mesh.m_aFaceList[7 * f + 2 + 2 * k] == nNode,
                           "the face list differs from the face table");
            }
        }
    }
}

// Everything a user can do to a scene in the viewer.
void Exercise(COrbiqScene& scene) {
    scene.SetViewportSize(320, 240);
    for (int nType = 0; nType <= kValueTypeCount; ++nType) {
        (void)scene.ColourByValue(nType);
        (void)scene.LegendFor(nType);
    }
    for (int y = 30; y < 240; y += 60)
        for (int x = 40; x < 320; x += 80)
            (void)scene.PickReadout(x, y, kValueVz);
    (void)scene.Render();
    for (EOrbiqKey eKey : {EOrbiqKey::Up, EOrbiqKey::Left, EOrbiqKey::D, EOrbiqKey::W, EOrbiqKey::Home, EOrbiqKey::Plus,
                           EOrbiqKey::One, EOrbiqKey::Three, EOrbiqKey::Four, EOrbiqKey::F2, EOrbiqKey::F3,
                           EOrbiqKey::Escape})
        (void)scene.KeyDown(eKey);
    (void)scene.MouseMove(100, 100, kMouseLeft, kValueVz);
    (void)scene.MouseMove(140, 90, kMouseLeft, kValueVz);
    (void)scene.Render();
    for (const CAxisOverlay& axis : scene.AxisOverlay()) {
        FUZZ_CHECK(axis.aTicks.size() <= 20, "an axis has more ticks than a picture can label");
        for (float f : {axis.from[0], axis.from[1], axis.to[0], axis.to[1], axis.outward[0], axis.outward[1]})
            FUZZ_CHECK(std::isfinite(f), "an axis lies nowhere in the picture");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view strText(reinterpret_cast<const char*>(pData), nSize);
    bool bTaken = true;
    try {
        CheckContent(ParseSurfaceText(strText, kSurfaceFileName));
    } catch (const CFileError& e) {
        FUZZ_CHECK(e.Path() == kSurfaceFileName && !e.Reason().empty(), "a refusal that does not name the file and the reason");
        bTaken = false;
    }

    const std::string strPath = vornel_fuzz::WriteInput(kSurfaceFileName, pData, nSize);
    COrbiqScene scene;
    const CReadStatus status = scene.ReadSurfaceFile(strPath);
    FUZZ_CHECK(status.bOk == bTaken, "the viewer and the reader disagree about the file: " + status.strMessage);
    if (!status.bOk) {
        FUZZ_CHECK(status.strMessage.rfind(strPath, 0) == 0, "the viewer's message does not name the file");
        FUZZ_CHECK(!scene.SceneLoaded() && scene.Path().empty() && scene.Mesh(1) == nullptr,
                   "a refused file left something in the scene");
        return 0;
    }
    FUZZ_CHECK(scene.SceneLoaded() && scene.FileText() == strText, "the scene does not hold the file it read");
    Exercise(scene);
    return 0;
}
