#include "vornel/HoldOut.h"

#include "vornel/Approximation.h"
#include "vornel/Material.h"
#include "vornel/ModelCatalogue.h"
#include "vornel/Refinement.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

// A fresh temporary folder that is the current directory while the object lives; the
// previous directory is restored and the folder removed at the end, also on an exception.
class CScratchFolder {
public:
    CScratchFolder() {
        std::error_code ec;
        const fs::path temp = fs::temp_directory_path(ec);
        std::string strTemplate = ((ec ? fs::path("/tmp") : temp) / "vornel-holdout-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw CFileError(strTemplate, "cannot create a scratch folder for the held-out fits");
        m_path = strTemplate;
        m_previous = fs::current_path();
        fs::current_path(m_path, ec);
        if (ec) {
            fs::remove_all(m_path, ec);
            throw CFileError(m_path.string(), "cannot enter the scratch folder for the held-out fits");
        }
    }
    ~CScratchFolder() {
        std::error_code ec;
        fs::current_path(m_previous, ec);
        fs::remove_all(m_path, ec);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

private:
    fs::path m_path;
    fs::path m_previous;
};

// The material without curve nSkip: its other curves in order, the same model and
// preparation state, no fit.
std::unique_ptr<CMaterial> WithoutCurve(const CMaterial& material, int nSkip) {
    auto pReduced = std::make_unique<CMaterial>();
    pReduced->m_strName = material.m_strName;
    pReduced->m_nPrepared = material.m_nPrepared;
    pReduced->m_nFunction = material.m_nFunction;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (i != nSkip)
            pReduced->Curve(pReduced->m_nCurves++) = material.Curve(i);
    pReduced->m_nPoints = pReduced->CountPoints();
    return pReduced;
}

} // namespace

CHoldOutReport ValidateByHoldOut(const CMaterial& material, bool bRefine) {
    CHoldOutReport report;
    if (!FindModel(material.m_nFunction))
        return report;
    CScratchFolder scratch;
    double dSumRms = 0;
    for (int k = 0; k < material.m_nCurves; ++k) {
        std::unique_ptr<CMaterial> pReduced = WithoutCurve(material, k);
        pReduced->WriteMaterialFile(0);
        CallModelEngine(pReduced->m_nFunction);
        pReduced->ReadMaterialFile(0);
        if (bRefine)
            RefineFit(*pReduced);

        CHoldOutCurve held;
        if (pReduced->m_nCoef > 0) {
            // The held-out curve goes into the free slot after the others, measured under
            // the reduced material's law.
            const int nSlot = pReduced->m_nCurves;
            pReduced->Curve(nSlot) = material.Curve(k);
            held.m_bFitted = true;
            held.m_stats = CurveDeviations(*pReduced, nSlot);
            ++report.m_nFitted;
            dSumRms += held.m_stats.m_dRms;
            if (std::isnan(held.m_stats.m_dRms) || held.m_stats.m_dRms > report.m_dMaxRms)
                report.m_dMaxRms = held.m_stats.m_dRms; // a NaN stays
        } else {
            held.m_strReason = "the engine refused the fit without this curve";
        }
        report.m_aCurves.push_back(held);
    }
    if (report.m_nFitted > 0)
        report.m_dMeanRms = dSumRms / report.m_nFitted;
    return report;
}
