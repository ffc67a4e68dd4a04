// The workbench's reader of material files and of the exchange file "temp.mat" on arbitrary
// bytes, and what an opened material feeds: the Fortran text and the surface file.
//
// A file the reader refuses leaves the material exactly as it was, with a message naming
// the file. A file it takes gives consistent counts and labels, leaves the slots and fields
// the reader does not own alone, holds only values the program takes elsewhere, and is
// written back with fields 1 to 9 byte for byte as they stood in the file and its sections
// (the confidence intervals) as they were. The surface file written for any material that
// was read must be readable by the viewer's reader.

#include "FuzzSupport.h"

#include "vornel/export/FortranExport.h"
#include "vornel/document/Material.h"
#include "formats/BinaryFile.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

#include <cstring>
#include <stdexcept>

namespace {

// Two curves with a fit of model 9, a third slot beyond them in use from an earlier life,
// and the fields the reader must not touch set away from their defaults.
const CMaterial& Baseline() {
    static const CMaterial s_material = [] {
        CMaterial material;
        for (int i = 0; i < 3; ++i) {
            CCurve& curve = material.Curve(i);
            curve.m_dTemp = 900 + 100 * i;
            curve.m_dRate = 0.1 * (i + 1);
            curve.m_strLabel = "curve" + std::to_string(i) + ".asc";
            for (int j = 0; j < 4; ++j) {
                CCurvePoint point;
                point.m_dStrain = 0.1 * j;
                point.m_dStress = 100.0 + j;
                point.m_dFitStress = 101.0 + j;
                point.m_dRate = curve.m_dRate;
                point.m_dTemp = curve.m_dTemp;
                curve.m_pPoints.push_back(point);
            }
        }
        material.m_nCurves = 2;
        material.m_nPoints = 8;
        material.m_nFunction = 9;
        material.m_nCoef = 4;
        material.m_dCoef[0] = 2000;
        material.m_dCoef[1] = 0.2;
        material.m_dCoef[2] = 0.12;
        material.m_dCoef[3] = 0.0025;
        material.m_dErrorSr = 1.5;
        material.m_dErrorMax = 4.5;
        material.m_nSelectedCurve = 2;
        material.m_dTemp3d = 1100;
        material.m_strName = "baseline";
        material.m_strWorkFolder = vornel_fuzz::ScratchFolder().string();
        material.m_strFileName = "input.mat";
        return material;
    }();
    return s_material;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckTaken(const CMaterial& material, const std::vector<unsigned char>& aInput) {
    const CMaterial& before = Baseline();
    FUZZ_CHECK(material.m_nCurves >= 0 && material.m_nCurves <= kMaxExchangeCurves, "a curve count beyond the table");
    FUZZ_CHECK(material.m_nCoef >= 0 && material.m_nCoef <= CMaterial::kMaxCoef, "a coefficient count beyond the table");
    FUZZ_CHECK(material.m_nPoints == material.CountPoints(), "the point count is not the sum of the curves'");
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CCurve& curve = material.Curve(i);
        if (curve.m_pPoints.empty()) {
            FUZZ_CHECK(SameBits(curve.m_dRate, before.Curve(i).m_dRate) && SameBits(curve.m_dTemp, before.Curve(i).m_dTemp) &&
                           curve.m_strLabel == before.Curve(i).m_strLabel,
                       "a curve read without points lost its conditions or label");
            continue;
        }
        FUZZ_CHECK(SameBits(curve.m_dRate, curve.m_pPoints.back().m_dRate) &&
                       SameBits(curve.m_dTemp, curve.m_pPoints.back().m_dTemp),
                   "a curve's conditions are not those of its last point");
        FUZZ_CHECK(curve.m_strLabel == RateTempLabel(curve.m_dRate, curve.m_dTemp), "a curve's label does not follow its conditions");
    }
    for (int i = material.m_nCurves; i < kMaxExchangeCurves; ++i)
        FUZZ_CHECK(material.Curve(i) == before.Curve(i), "reading changed a curve slot beyond the file's curves");
    FUZZ_CHECK(material.m_nSelectedCurve == before.m_nSelectedCurve && material.m_dTemp3d == before.m_dTemp3d &&
                   material.m_strFileName == before.m_strFileName && material.m_strName == before.m_strName &&
                   material.m_aSurfaceNodes == before.m_aSurfaceNodes,
               "reading changed a field the file does not hold");

    // Every value taken is one the program takes anywhere else (temperature, strain rate,
    // finite strains and stresses, the prepared flag).
    FUZZ_CHECK(CheckMaterialValues(material.ExchangeView()).Ok(), "a material took values the program refuses elsewhere");
    // What the sections held comes back from a written file as it was.
    CMaterial copy = material;
    copy.m_strFileName = "written.mat";
    copy.WriteMaterialFile(1);
    CMaterial reread = Baseline();
    reread.m_strFileName = "written.mat";
    reread.ReadMaterialFile(1);
    FUZZ_CHECK(reread.m_confidence == material.m_confidence, "the confidence intervals do not survive a write and a read");
    // Written back without its sections, fields 1 to 9 stand byte for byte as they stood in
    // the file; the workbench's trailer of one word per curve follows.
    copy.m_confidence.reset();
    copy.WriteMaterialFile(1);
    const std::vector<unsigned char> aWritten = ReadFileBytes(copy.FilePath(1));
    const std::size_t nTrailer = 4 * static_cast<std::size_t>(material.m_nCurves);
    FUZZ_CHECK(aWritten.size() >= nTrailer && aWritten.size() - nTrailer <= aInput.size(), "the written file has an impossible length");
    const std::size_t nFields = aWritten.size() - nTrailer;
    FUZZ_CHECK(std::memcmp(aWritten.data(), aInput.data(), nFields) == 0, "fields 1 to 9 do not survive a read and a write");
    for (std::size_t k = nFields; k < aWritten.size(); ++k)
        FUZZ_CHECK(aWritten[k] == 0, "the workbench's trailer is not zero");
}

// What an opened material feeds: the Fortran text of its law and the surface file, which
// the viewer's reader must take back whatever the numbers.
void CheckExports(CMaterial& material) {
    (void)FortranText(material.m_nFunction, material.m_dCoef.data());
    const CSurfaceExportStatus status = material.WriteSurfaceFile(material.m_dTemp3d);
    if (!status.Ok())
        return;
    try {
        const CSurfaceFileContent content = ReadSurfaceFile(material.WorkPath(kSurfaceFileName));
        // The surface and the walls, and the markers of the measured points when curves were
        // measured at the surface's temperature.
        FUZZ_CHECK(content.m_aMeshes.size() == 2 || content.m_aMeshes.size() == 3,
                   "the written surface file does not hold the surface and the walls");
    } catch (const CFileError& e) {
        vornel_fuzz::Broken(__FILE__, __LINE__, std::string("the viewer refuses the surface file written: ") + e.what());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string strPath = vornel_fuzz::WriteInput("input.mat", pData, nSize);
    CMaterial material = Baseline();
    try {
        material.ReadMaterialFile(1);
    } catch (const CFileError& e) {
        FUZZ_CHECK(e.Path() == strPath && !e.Reason().empty(), "a refusal that does not name the file and the reason");
        FUZZ_CHECK(material == Baseline(), std::string("a refused file changed the material: ") + e.what());
        return 0;
    }
    CheckTaken(material, std::vector<unsigned char>(pData, pData + nSize));
    CheckExports(material);
    return 0;
}
