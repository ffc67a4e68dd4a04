#include "formats/SurfaceFile.h"

#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

// ---------------------------------------------------------------------------------------
// Writer
// ---------------------------------------------------------------------------------------

namespace {

void AppendMesh(std::string& strOut, int nMesh, const CSurfaceMesh& mesh) {
    const std::int64_t nNodes = static_cast<std::int64_t>(mesh.m_aNodes.size());
    AppendInt(strOut, nNodes);
    strOut += ' ';
    AppendInt(strOut, static_cast<std::int64_t>(mesh.m_aFaces.size()));
    strOut += "\n ";

    const int nExtras = SurfaceRecordWidth(nMesh) - 3;
    for (const CSurfaceNode& node : mesh.m_aNodes) {
        AppendFixed6(strOut, node.m_dX);
        strOut += ' ';
        AppendFixed6(strOut, node.m_dY);
        strOut += ' ';
        AppendFixed6(strOut, node.m_dZ);
        for (int i = 0; i < nExtras; ++i) {
            strOut += ' ';
            AppendFixed6(strOut, node.m_aValues[static_cast<std::size_t>(i)]);
        }
        // Mesh 1: no blank before the break; meshes 2 and 3: "%f " nine times.
        strOut += nMesh == 1 ? "\n" : " \n";
    }

    for (std::size_t f = 0; f < mesh.m_aFaces.size(); ++f) {
        strOut += "3\n";
        for (std::int32_t nIndex : mesh.m_aFaces[f]) {
            if (nIndex < 0 || nIndex >= nNodes)
                throw std::invalid_argument("surface file: face " + std::to_string(f + 1) + " of mesh " +
                                            std::to_string(nMesh) + " refers to node " +
                                            std::to_string(static_cast<long long>(nIndex) + 1) + " of " +
                                            std::to_string(nNodes));
            AppendInt(strOut, static_cast<std::int64_t>(nIndex) + 1);
            strOut += '\n';
        }
    }
}

} // namespace

std::string SurfaceFileText(const CSurfaceFileData& data) {
    std::string strOut;
    std::size_t nReserve = 128;
    for (const CSurfaceMesh& mesh : data.m_aMeshes)
        nReserve += mesh.m_aNodes.size() * 18 * 12 + mesh.m_aFaces.size() * 24;
    strOut.reserve(nReserve);

    AppendFixed6(strOut, data.m_dCentreX);
    strOut += ' ';
    AppendFixed6(strOut, data.m_dCentreY);
    strOut += ' ';
    AppendFixed6(strOut, data.m_dCentreZ);
    strOut += ' ';
    AppendFixed6(strOut, data.m_dScale);
    strOut += '\n';
    AppendInt(strOut, data.m_nCount);
    strOut += '\n';
    for (int m = 0; m < kSurfaceMeshCount; ++m) {
        if (m)
            strOut += ' ';
        AppendInt(strOut, data.m_aFlags[static_cast<std::size_t>(m)]);
    }
    strOut += '\n';
    for (int m = 0; m < kSurfaceMeshCount; ++m)
        if (data.m_aFlags[static_cast<std::size_t>(m)] == 1)
            AppendMesh(strOut, m + 1, data.m_aMeshes[static_cast<std::size_t>(m)]);
    return strOut;
}

void WriteSurfaceData(const std::string& strPath, const CSurfaceFileData& data) {
    WriteTextFile(strPath, SurfaceFileText(data));
}

// ---------------------------------------------------------------------------------------
// Reader
// ---------------------------------------------------------------------------------------

const CSurfaceMeshContent* CSurfaceFileContent::Mesh(int nMesh) const {
    for (const CSurfaceMeshContent& mesh : m_aMeshes)
        if (mesh.m_nMesh == nMesh)
            return &mesh;
    return nullptr;
}

namespace {

std::string Ordinal(long long n) {
    const long long nTens = n % 100;
    const char* szSuffix = "th";
    if (nTens < 11 || nTens > 13) {
        switch (n % 10) {
        case 1: szSuffix = "st"; break;
        case 2: szSuffix = "nd"; break;
        case 3: szSuffix = "rd"; break;
        default: break;
        }
    }
    return std::to_string(n) + szSuffix;
}

// Whitespace-separated tokens of the text with the line each starts on, and the
// conversions "%d" and "%f" applied to a whole token.
class CSurfaceScanner {
public:
    CSurfaceScanner(std::string_view strText, const std::string& strPath) : m_strText(strText), m_strPath(strPath) {}

    // The next integer; strWhat names the item for a message ("mesh 1's node count").
    std::int32_t Int(const std::string& strWhat) {
        const std::string_view strToken = Next(strWhat);
        std::string_view strDigits = strToken;
        if (strDigits.size() > 1 && strDigits.front() == '+')
            strDigits.remove_prefix(1);
        std::int32_t nValue = 0;
        const auto [pEnd, ec] = std::from_chars(strDigits.data(), strDigits.data() + strDigits.size(), nValue);
        if (ec != std::errc() || pEnd != strDigits.data() + strDigits.size())
            Fail(strWhat + " (found \"" + std::string(Clip(strToken)) + "\", not an integer)");
        return nValue;
    }

    // The next real, in single precision as "%f" reads it. Magnitudes beyond the float
    // range become infinite, magnitudes below it zero.
    float Real(const std::string& strWhat) {
        const std::string_view strToken = Next(strWhat);
        float fValue = 0;
        const char* pEnd = strToken.data() + strToken.size();
        if (ScanFloat(strToken.data(), pEnd, fValue) != pEnd)
            Fail(strWhat + " (found \"" + std::string(Clip(strToken)) + "\", not a number)");
        return fValue;
    }

    // Line of the token read last (or of the end of the text).
    long long Line() const { return m_nTokenLine; }

    // Bytes not yet scanned (an upper bound for what the rest can hold).
    std::size_t Remaining() const { return m_strText.size() - m_nPos; }

    [[noreturn]] void Fail(const std::string& strWhat) const {
        throw CFileError(m_strPath, "line " + std::to_string(m_nTokenLine) + ": " + strWhat);
    }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

    static std::string_view Clip(std::string_view str) { return str.substr(0, 40); }

    std::string_view Next(const std::string& strWhat) {
        while (m_nPos < m_strText.size() && IsSpace(m_strText[m_nPos])) {
            if (m_strText[m_nPos] == '\n')
                ++m_nLine;
            ++m_nPos;
        }
        if (m_nPos == m_strText.size()) {
            m_nTokenLine = m_nLastTokenEndLine;
            Fail(strWhat + " (the file ends here)");
        }
        const std::size_t nStart = m_nPos;
        while (m_nPos < m_strText.size() && !IsSpace(m_strText[m_nPos]))
            ++m_nPos;
        m_nTokenLine = m_nLine;
        m_nLastTokenEndLine = m_nLine;
        return m_strText.substr(nStart, m_nPos - nStart);
    }

    std::string_view m_strText;
    const std::string& m_strPath;
    std::size_t m_nPos = 0;
    long long m_nLine = 1;
    long long m_nTokenLine = 1;
    long long m_nLastTokenEndLine = 1;
};

CSurfaceMeshContent ReadMesh(CSurfaceScanner& scan, int nMesh) {
    const std::string strMesh = "mesh " + std::to_string(nMesh);
    const std::int32_t nNodes = scan.Int(strMesh + " is missing its node count");
    const std::int32_t nFaces = scan.Int(strMesh + " is missing its face count");
    if (nNodes < 0)
        scan.Fail(strMesh + " has a negative node count (" + std::to_string(nNodes) + ")");
    if (nFaces < 0)
        scan.Fail(strMesh + " has a negative face count (" + std::to_string(nFaces) + ")");
    if (nMesh == 1 && nNodes < 2)
        scan.Fail(strMesh + " has " + std::to_string(nNodes) + (nNodes == 1 ? " node" : " nodes") +
                  "; it needs at least 2");

    CSurfaceMeshContent mesh;
    mesh.m_nMesh = nMesh;
    // Every number takes at least two bytes, so a count beyond what the rest of the text can
    // hold never reserves memory; such a file fails at its first missing number.
    const int nWidth = SurfaceRecordWidth(nMesh);
    const std::size_t nNodeRoom = scan.Remaining() / (2 * static_cast<std::size_t>(nWidth));
    mesh.m_aVertices.reserve(std::min(static_cast<std::size_t>(nNodes), nNodeRoom));
    if (nMesh == 1)
        mesh.m_aNodeValues.reserve(mesh.m_aVertices.capacity());

    for (std::int32_t n = 0; n < nNodes; ++n) {
        const std::string strNode = "node " + std::to_string(n + 1) + " of " + strMesh;
        std::array<float, 18> aRecord{};
        for (int i = 0; i < nWidth; ++i)
            aRecord[static_cast<std::size_t>(i)] = scan.Real(strNode + " is missing its " + Ordinal(i + 1) + " number");
        mesh.m_aVertices.push_back({aRecord[0], aRecord[1], aRecord[2]});
        if (nMesh == 1) {
            std::array<float, kSurfaceNodeValues> aValues{};
            std::copy(aRecord.begin() + 3, aRecord.begin() + 3 + kSurfaceNodeValues, aValues.begin());
            mesh.m_aNodeValues.push_back(aValues);
        }
    }

    const std::size_t nFaceRoom = scan.Remaining() / 8;
    mesh.m_aFaceTable.reserve(std::min(static_cast<std::size_t>(nFaces), nFaceRoom));
    mesh.m_aFaceList.reserve(7 * mesh.m_aFaceTable.capacity() + 1);
    for (std::int32_t f = 0; f < nFaces; ++f) {
        const std::string strFace = "face " + std::to_string(f + 1) + " of " + strMesh;
        const std::int32_t nCorners = scan.Int(strFace + " is missing its vertex count k");
        if (nCorners != 3)
            scan.Fail(strFace + " has k = " + std::to_string(nCorners) + "; only triangles are supported");
        CSurfaceTriangle triangle{};
        for (int i = 0; i < 3; ++i) {
            const std::int32_t nIndex = scan.Int(strFace + " is missing its " + Ordinal(i + 1) + " node index");
            if (nIndex < 1 || nIndex > nNodes)
                scan.Fail(strFace + " refers to node " + std::to_string(nIndex) + ", outside 1.." +
                          std::to_string(nNodes));
            triangle[static_cast<std::size_t>(i)] = nIndex - 1;
        }
        mesh.m_aFaceTable.push_back(triangle);
        mesh.m_aFaceList.push_back(3);
        for (std::int32_t nVertex : triangle) {
            mesh.m_aFaceList.push_back(nVertex);
            mesh.m_aFaceList.push_back(nVertex);
        }
    }
    mesh.m_aFaceList.push_back(0);
    return mesh;
}

} // namespace

CSurfaceFileContent ParseSurfaceText(std::string_view strText, const std::string& strPath) {
    CSurfaceScanner scan(strText, strPath);
    CSurfaceFileContent content;
    content.m_fCentreX = scan.Real("the header is missing its 1st number (centre X)");
    content.m_fCentreY = scan.Real("the header is missing its 2nd number (centre Y)");
    content.m_fCentreZ = scan.Real("the header is missing its 3rd number (centre Z)");
    content.m_fScale = scan.Real("the header is missing its 4th number (scale)");
    content.m_nCount = scan.Int("the count after the header is missing");
    for (int m = 0; m < kSurfaceMeshCount; ++m)
        content.m_aFlags[static_cast<std::size_t>(m)] = scan.Int("the flag of mesh " + std::to_string(m + 1) + " is missing");
    for (int m = 0; m < kSurfaceMeshCount; ++m)
        if (content.m_aFlags[static_cast<std::size_t>(m)] == 1)
            content.m_aMeshes.push_back(ReadMesh(scan, m + 1));
    return content;
}

CSurfaceFileContent ReadSurfaceFile(const std::string& strPath) {
    const std::vector<unsigned char> aBytes = ReadFileBytes(strPath);
    const std::string_view strText(reinterpret_cast<const char*>(aBytes.data()), aBytes.size());
    return ParseSurfaceText(strText, strPath);
}
