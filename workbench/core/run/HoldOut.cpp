#include "vornel/run/HoldOut.h"

#include "vornel/run/Approximation.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "formats/FileError.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A fresh temporary folder, removed with everything in it at the end, also on an exception.
class CScratchFolder {
public:
    // "vornel-holdout-<pid>-XXXXXX" in the temporary folder; the folders of processes that
    // no longer exist (killed during a validation) go first.
    CScratchFolder() {
        std::error_code ec;
        fs::path temp = fs::temp_directory_path(ec);
        if (ec)
            temp = "/tmp";
        RemoveLeftovers(temp);
        std::string strTemplate = (temp / (kPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
        if (!::mkdtemp(strTemplate.data()))
            throw CFileError(strTemplate, "cannot create a scratch folder for the held-out fits");
        m_path = strTemplate;
    }
    ~CScratchFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const fs::path& Path() const { return m_path; }

private:
    static constexpr const char* kPrefix = "vornel-holdout-";

    static void RemoveLeftovers(const fs::path& temp) {
        std::error_code ec;
        for (fs::directory_iterator it(temp, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string strName = it->path().filename().string();
            if (!strName.starts_with(kPrefix) || !it->is_directory(ec))
                continue;
            const pid_t nPid = static_cast<pid_t>(std::atol(strName.c_str() + std::strlen(kPrefix)));
            std::error_code ecRemove;
            if (nPid > 0 && ::kill(nPid, 0) != 0 && errno == ESRCH)
                fs::remove_all(it->path(), ecRemove);
        }
    }

    fs::path m_path;
};

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
    CScratchFolder scratch;
    double dSumRms = 0;
    for (int k = 0; k < material.m_nCurves; ++k) {
        std::unique_ptr<CMaterial> pReduced = WithoutCurve(material, k, scratch.Path().string());
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
