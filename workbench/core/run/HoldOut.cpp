#include "vornel/run/HoldOut.h"

#include "vornel/run/Approximation.h"
#include "vornel/document/Material.h"
#include "vornel/fit/ModelFit.h"
#include "vornel/model/ModelCatalogue.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

// The material without curve nSkip: its other curves in order, the same model, preparation
// state and what the Johnson-Cook law takes from the user, no fit, working in strFolder.
std::unique_ptr<CMaterial> WithoutCurve(const CMaterial& material, int nSkip, const std::string& strFolder) {
    auto pReduced = std::make_unique<CMaterial>();
    pReduced->m_strWorkFolder = strFolder;
    pReduced->m_strName = material.m_strName;
    pReduced->m_nPrepared = material.m_nPrepared;
    pReduced->m_nFunction = material.m_nFunction;
    pReduced->m_johnsonCook = material.m_johnsonCook;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (i != nSkip)
            pReduced->Curve(pReduced->m_nCurves++) = material.Curve(i);
    pReduced->m_nPoints = pReduced->CountPoints();
    return pReduced;
}

} // namespace

CHoldOutReport ValidateByHoldOut(const CMaterial& material, const CFitOptions& options) {
    CHoldOutReport report;
    if (!FindModel(material.m_nFunction))
        return report;
    CScratchFolder scratch("holdout");
    double dSumRms = 0;
    for (int k = 0; k < material.m_nCurves; ++k) {
        std::unique_ptr<CMaterial> pReduced = WithoutCurve(material, k, scratch.Path());
        const CFitOutcome outcome = pReduced->FitModel(options);

        CHoldOutCurve held;
        if (outcome.Ok()) {
            // The held-out curve goes into the free slot after the others, measured under
            // the reduced material's law.
            const int nSlot = pReduced->m_nCurves;
            pReduced->Curve(nSlot) = material.Curve(k);
            held.m_eStatus = EFitStatus::Fitted;
            held.m_stats = CurveDeviations(*pReduced, nSlot);
            ++report.m_nFitted;
            dSumRms += held.m_stats.m_dRms;
            if (std::isnan(held.m_stats.m_dRms) || held.m_stats.m_dRms > report.m_dMaxRms)
                report.m_dMaxRms = held.m_stats.m_dRms; // a NaN stays
        } else {
            held.m_strMessage = outcome.m_strMessage;
        }
        report.m_aCurves.push_back(held);
    }
    if (report.m_nFitted > 0)
        report.m_dMeanRms = dSumRms / report.m_nFitted;
    return report;
}
