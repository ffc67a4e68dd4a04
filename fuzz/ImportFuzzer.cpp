// Experiment data import on arbitrary bytes: the text parser in memory (on the bytes as
// every reader decodes them) and Add File on the same bytes as a file.
//
// Every point taken must pass the acceptance test (a finite strain >= 0, a finite stress
// >= 0.001 after widening) with its other fields 0; the summary must count what it says;
// Add File either appends exactly the parsed points as a new curve or refuses the file with
// a message naming it and leaves the material as it was; it refuses a file whose first row
// holds more than three numbers (a column file) even where the parser would take points.

#include "FuzzSupport.h"

#include "vornel/intake/ColumnFile.h"
#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

// A material with one curve already in it, so a refusal has something to keep.
const CMaterial& Baseline() {
    static const CMaterial s_material = [] {
        CMaterial material;
        CCurve& curve = material.Curve(0);
        curve.m_dTemp = 1000;
        curve.m_dRate = 1;
        curve.m_strLabel = "first.asc";
        for (int j = 0; j < 5; ++j) {
            CCurvePoint point;
            point.m_dStrain = 0.1 * j;
            point.m_dStress = 100.0 + j;
            point.m_dRate = 1;
            point.m_dTemp = 1000;
            curve.m_pPoints.push_back(point);
        }
        material.m_nCurves = 1;
        material.m_nPoints = 5;
        return material;
    }();
    return s_material;
}

void CheckPoints(const std::vector<CCurvePoint>& aPoints) {
    const double dMinStress = static_cast<double>(0.001f);
    for (const CCurvePoint& point : aPoints) {
        FUZZ_CHECK(std::isfinite(point.m_dStrain) && point.m_dStrain >= 0, "a point with a strain below 0 or not finite");
        FUZZ_CHECK(std::isfinite(point.m_dStress) && point.m_dStress >= dMinStress,
                   "a point with a stress below 0.001 or not finite");
        FUZZ_CHECK(point.m_dStrain == static_cast<double>(static_cast<float>(point.m_dStrain)),
                   "a strain that is not a widened single-precision value");
        FUZZ_CHECK(point.m_dFitStress == 0 && point.m_dAux == 0 && point.m_dTime == 0 && point.m_dRate == 0 &&
                       point.m_dTemp == 0,
                   "a parsed point with fields other than strain and stress set");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    // The file's text as Add File reads it (UTF-16 decoded).
    std::string strDecoded;
    const std::string_view text = TextOfBytes({reinterpret_cast<const char*>(pData), nSize}, strDecoded);
    const char* pBegin = text.data();
    const char* pEnd = pBegin + text.size();
    CImportSummary summary;
    const std::vector<CCurvePoint> aPoints = ParseExperimentData(pBegin, pEnd, &summary);
    CheckPoints(aPoints);
    FUZZ_CHECK(summary.m_nTaken == static_cast<int>(aPoints.size()), "the summary miscounts the points taken");
    FUZZ_CHECK(summary.m_nBadStrain >= 0 && summary.m_nLowStress >= 0, "a negative count of skipped rows");
    if (summary.StoppedEarly()) {
        const int nLines = 1 + static_cast<int>(std::count(pBegin, pEnd, '\n'));
        FUZZ_CHECK(summary.m_nStopLine >= 4 && summary.m_nStopLine <= nLines,
                   "the stop line " + std::to_string(summary.m_nStopLine) + " is not a data line of the file");
        FUZZ_CHECK(summary.m_strStopText.size() <= 60, "the quoted stop line is longer than 60 characters");
        for (char c : summary.m_strStopText)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f, "the quoted stop line holds a control character");
    } else {
        FUZZ_CHECK(summary.m_strStopText.empty() && summary.StopDescription().empty(),
                   "a stop text for a file read to its end");
    }

    // Add File on the same bytes.
    const bool bColumnFile = RowsHoldMoreThanThree(text);
    const std::string strPath = vornel_fuzz::WriteInput("input.asc", pData, nSize);
    CMaterial material = Baseline();
    try {
        const CImportSummary fileSummary = AddCurveFromFile(material, strPath, 900, 0.1);
        FUZZ_CHECK(!aPoints.empty(), "a file without points was added");
        FUZZ_CHECK(!bColumnFile, "a file whose rows hold more than three numbers was added");
        FUZZ_CHECK(fileSummary.m_nTaken == summary.m_nTaken, "the file and the text give different points");
        FUZZ_CHECK(material.m_nCurves == 2 && material.m_nPoints == material.CountPoints(),
                   "the counts do not follow the added curve");
        const CCurve& curve = material.Curve(1);
        FUZZ_CHECK(curve.m_strLabel == strPath && curve.m_dTemp == 900 && curve.m_dRate == 0.1,
                   "the added curve's label or conditions differ");
        FUZZ_CHECK(curve.PointCount() == static_cast<int>(aPoints.size()), "the added curve lost points");
        for (std::size_t j = 0; j < aPoints.size(); ++j) {
            const CCurvePoint& point = curve.m_pPoints[j];
            FUZZ_CHECK(point.m_dStrain == aPoints[j].m_dStrain && point.m_dStress == aPoints[j].m_dStress &&
                           point.m_dTemp == 900 && point.m_dRate == 0.1,
                       "an added point differs from the parsed one");
        }
        FUZZ_CHECK(material.Curve(0) == Baseline().Curve(0), "adding a curve changed the curve before it");
    } catch (const CFileError& e) {
        FUZZ_CHECK(aPoints.empty() || bColumnFile, std::string("a file with points was refused: ") + e.what());
        FUZZ_CHECK(e.Path() == strPath && !e.Reason().empty(), "the refusal does not name the file and the reason");
        FUZZ_CHECK(material == Baseline(), "a refused file changed the material");
    }
    return 0;
}
