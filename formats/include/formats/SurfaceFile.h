#pragma once
// The surface file "visual.tmp": up to three triangle meshes in normalised coordinates,
// written by the workbench and read by the 3D viewer.
//
// A stream of decimal numbers; the reader separates them by any blank, tab or line break.
//   header      centre X, centre Y, centre Z, scale               "%f %f %f %f\n"
//   count       one integer, carried but never interpreted        "%d\n"
//   mesh flags  one per mesh; exactly 1 means the block follows   "%d %d %d\n"
//   per mesh whose flag is 1, in the order mesh 1, 2, 3:
//     N F                                                         "%d %d\n " (a blank opens the next line)
//     N node records: X, Y, Z, then
//       mesh 1:    15 node values (Vx, Vy, Vz, Ti, T, Def, EpsX, EpsY, EpsZ, RoDisl, S0,
//                  Sx, Sy, Sz, M), 18 "%f" on one line, blank separated
//       meshes 2-3: 6 further numbers, "%f " nine times and a line break
//     F face records: k = 3, then three one-based node indices of the same mesh, every
//                  integer "%d\n" on a line of its own
// Coordinates are stored normalised; real = stored x scale + centre on each axis.
// Reals are written with six decimals and read into single-precision floats.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The surface file's name in the folder of a run.
inline constexpr const char* kSurfaceFileName = "visual.tmp";

inline constexpr int kSurfaceMeshCount = 3;
inline constexpr int kSurfaceNodeValues = 15;   // node values of a mesh-1 record
inline constexpr int kSurfacePlainExtras = 6;   // numbers after X, Y, Z in a mesh-2/3 record

// Numbers in one node record of mesh nMesh (1..3): 18 for mesh 1, 9 otherwise.
constexpr int SurfaceRecordWidth(int nMesh) {
    return 3 + (nMesh == 1 ? kSurfaceNodeValues : kSurfacePlainExtras);
}

// One node as the writer takes it. Mesh 1 writes all 15 values; meshes 2 and 3 write the
// first six and ignore the rest.
struct CSurfaceNode {
    double m_dX = 0, m_dY = 0, m_dZ = 0;          // normalised coordinates
    std::array<double, kSurfaceNodeValues> m_aValues{};
};

// A triangle as three zero-based node indices of its own mesh.
using CSurfaceTriangle = std::array<std::int32_t, 3>;

struct CSurfaceMesh {
    std::vector<CSurfaceNode> m_aNodes;
    std::vector<CSurfaceTriangle> m_aFaces;
};

// The whole file as the writer takes it. A mesh block is written exactly when its flag is 1;
// the mesh arrays of other flags are ignored.
struct CSurfaceFileData {
    double m_dCentreX = 0, m_dCentreY = 0, m_dCentreZ = 0;
    double m_dScale = 1;
    std::int32_t m_nCount = 1;
    std::array<std::int32_t, kSurfaceMeshCount> m_aFlags{1, 1, 0};
    std::array<CSurfaceMesh, kSurfaceMeshCount> m_aMeshes; // mesh 1 first
};

// The text of the file, byte for byte (line breaks "\n"). Throws std::invalid_argument when
// a face of a written mesh refers to a node that mesh does not have.
std::string SurfaceFileText(const CSurfaceFileData& data);

// Writes SurfaceFileText(data) to strPath through a temporary file renamed over it.
// Throws CFileError naming strPath when it cannot be created or written; a previous file
// then stays as it was.
void WriteSurfaceData(const std::string& strPath, const CSurfaceFileData& data);

// One present mesh as the reader hands it over.
struct CSurfaceMeshContent {
    int m_nMesh = 0;                                        // 1, 2 or 3
    std::vector<std::array<float, 3>> m_aVertices;          // N x (X, Y, Z), normalised
    std::vector<std::array<float, kSurfaceNodeValues>> m_aNodeValues; // mesh 1: N x 15; else empty
    std::vector<CSurfaceTriangle> m_aFaceTable;             // F x 3 zero-based node indices
    // The face list for a mesh builder: per face k = 3 and k pairs (vertex index, normal
    // index = vertex index), both zero-based; a single 0 closes the list (7 F + 1 integers).
    std::vector<std::int32_t> m_aFaceList;
};

struct CSurfaceFileContent {
    float m_fCentreX = 0, m_fCentreY = 0, m_fCentreZ = 0;
    float m_fScale = 0;
    std::int32_t m_nCount = 0;
    std::array<std::int32_t, kSurfaceMeshCount> m_aFlags{};
    std::vector<CSurfaceMeshContent> m_aMeshes; // the present meshes in file order

    // The mesh numbered nMesh (1..3), or null when its flag is not 1.
    const CSurfaceMeshContent* Mesh(int nMesh) const;
};

// Reads the surface file at strPath. Throws CFileError naming the file, and the line and the
// item, when it cannot be read or is malformed: a number missing or not a number (a file
// that ends early), a negative count, mesh 1 with fewer than 2 nodes, a face with k other
// than 3, or a face index outside 1..N of its mesh. Numbers after the last mesh block are
// ignored. Reals are converted locale-independently; "inf" and "nan" are taken as such.
CSurfaceFileContent ReadSurfaceFile(const std::string& strPath);

// The same for text already in memory; strPath only names the file in messages.
CSurfaceFileContent ParseSurfaceText(std::string_view strText, const std::string& strPath);
