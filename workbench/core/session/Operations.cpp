#include "vornel/session/Operations.h"

#include "vornel/document/Material.h"
#include "vornel/export/SurfaceExport.h"
#include "vornel/fit/ModelFit.h"
#include "vornel/intake/Import.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/session/FolderLock.h"
#include "vornel/session/History.h"
#include "vornel/session/Stage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

namespace {

CMaterial& Current() {
    if (!g_pMaterial)
        throw CInputError("there is no material yet: create one with New material or open a material file");
    return *g_pMaterial;
}

// A copy of material without the curves' points (the curve slots keep their rate,
// temperature and label): the backup of a command. The points of raw records run to tens of
// MB, and a command either leaves them alone or reads them back from "temp.mat".
CMaterial CopyWithoutPoints(CMaterial& material) {
    std::array<std::vector<CCurvePoint>, kMaxExchangeCurves> aPoints;
    for (std::size_t i = 0; i < aPoints.size(); ++i)
        aPoints[i] = std::move(material.m_aCurves[i].m_pPoints);
    struct CPutBack {
        CMaterial& m_material;
        std::array<std::vector<CCurvePoint>, kMaxExchangeCurves>& m_aPoints;
        ~CPutBack() {
            for (std::size_t i = 0; i < m_aPoints.size(); ++i)
                m_material.m_aCurves[i].m_pPoints = std::move(m_aPoints[i]);
        }
    } putBack{material, aPoints};
    return material;
}

// Puts back everything of material but the curves' points from saved.
void RestoreWithoutPoints(CMaterial& material, CMaterial&& saved) noexcept {
    for (std::size_t i = 0; i < saved.m_aCurves.size(); ++i)
        saved.m_aCurves[i].m_pPoints = std::move(material.m_aCurves[i].m_pPoints);
    material = std::move(saved);
}

// Runs step, which must leave the curves' points alone, on the current material; when it
// throws, the material and the stage are put back as they were before.
template <class Step>
auto KeepOnFailure(Step step) {
    CMaterial& material = Current();
    CMaterial saved = CopyWithoutPoints(material);
    const int nStage = g_nStage;
    try {
        return step(material);
    } catch (...) {
        RestoreWithoutPoints(material, std::move(saved));
        g_nStage = nStage;
        throw;
    }
}

// Takes the work folder's lock (CFolderLock: throws CFolderBusy when another run holds it),
// writes "temp.mat" from the current material (write(material)), then runs run on it, which
// reads the curves back from that file; when anything throws, the material and the stage
// are put back as they were before. The raw records run to tens of MB: while the engine
// works on them they are held once, by the backup, and not copied.
template <class Write, class Run>
auto RunOnExchangeFile(Write write, Run run) {
    CMaterial& material = Current();
    const CFolderLock lock(material.m_strWorkFolder);
    write(material);
    CMaterial saved = CopyWithoutPoints(material);
    for (std::size_t i = 0; i < saved.m_aCurves.size(); ++i)
        saved.m_aCurves[i].m_pPoints = std::move(material.m_aCurves[i].m_pPoints);
    const int nStage = g_nStage;
    try {
        return run(material);
    } catch (...) {
        material = std::move(saved);
        g_nStage = nStage;
        throw;
    }
}

// Appends the curves read from their files (aRead, their summaries aSummaries) to the
// material; stage 2. Curves added to a material whose curves are prepared are prepared the
// same way first (PrepareCurves), so that a material never mixes raw records with prepared
// curves; each summary then says so.
void AppendCurves(CMaterial& material, std::vector<CCurve> aRead, std::vector<CImportSummary>& aSummaries) {
    if (material.m_nPrepared != 0) {
        PrepareCurves(aRead);
        if (aSummaries.size() == aRead.size()) // else repeats were averaged: no curve is one file's
            for (std::size_t i = 0; i < aRead.size(); ++i)
                aSummaries[i].m_nPrepared = aRead[i].PointCount();
    }
    for (CCurve& curve : aRead)
        AppendCurve(material, std::move(curve));
    g_nStage = StageAfter(EStageEvent::AddFile);
}

// Throws CInputError unless nCurve (1-based) is a curve of material.
void CheckCurveNumber(const CMaterial& material, int nCurve) {
    if (nCurve < 1 || nCurve > material.m_nCurves)
        throw CInputError("curve " + std::to_string(nCurve) + " does not exist: the material holds " +
                          std::to_string(material.m_nCurves) + " curve" + (material.m_nCurves == 1 ? "" : "s") +
                          (material.m_nCurves > 0 ? ", numbered 1.." + std::to_string(material.m_nCurves) : ""));
}

std::string AbsoluteFolder(const std::string& strFolder) {
    if (strFolder.empty())
        return strFolder;
    return std::filesystem::absolute(strFolder).lexically_normal().string();
}

void OpenInto(const std::string& strFileName, const std::string& strWorkFolder) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strFileName = strFileName;
    pMaterial->m_strWorkFolder = strWorkFolder;
    pMaterial->ReadMaterialFile(1);
    pMaterial->m_dTemp3d = RunSurfaceTemperature(*pMaterial).m_dTemp;
    g_pMaterial = std::move(pMaterial);
    g_history.Clear();
    g_nStage = StageAfter(EStageEvent::OpenFile);
}

} // namespace

void NewMaterial(const std::string& strName, const std::string& strWorkFolder) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strName = strName;
    pMaterial->m_strFileName = strName + ".mat";
    pMaterial->m_strWorkFolder = AbsoluteFolder(strWorkFolder);
    g_pMaterial = std::move(pMaterial);
    g_history.Clear();
    g_nStage = StageAfter(EStageEvent::NewMaterial);
}

void OpenMaterial(const std::string& strPath) {
    const std::filesystem::path path = std::filesystem::absolute(strPath).lexically_normal();
    OpenInto(path.string(), path.parent_path().string());
}

void OpenMaterial(const std::string& strPath, const std::string& strWorkFolder) {
    if (strWorkFolder.empty())
        OpenInto(strPath, strWorkFolder);
    else
        OpenInto(std::filesystem::absolute(strPath).lexically_normal().string(), AbsoluteFolder(strWorkFolder));
}

void NameMaterial(const std::string& strName) {
    CMaterial& material = Current();
    std::string strFileName = strName + ".mat";
    material.m_strName = strName;
    material.m_strFileName = std::move(strFileName);
}

void ChooseModel(int nModel) {
    CMaterial& material = Current();
    if (!FindModel(nModel))
        throw CInputError("model " + std::to_string(nModel) + " is not one of the models " + ModelNumbersText());
    material.m_nFunction = nModel;
    material.ClearFit();
    g_nStage = StageAfter(EStageEvent::ModelChosen);
}

CImportSummary AddCurve(const std::string& strPath, double dTemp, double dRate) {
    CMaterial& material = Current();
    CheckCurveConditions(dTemp, dRate);
    CheckRoomForCurves(material, 1, strPath);
    std::vector<CImportSummary> aSummaries(1);
    AppendCurves(material, {ReadCurveFile(strPath, dTemp, dRate, &aSummaries[0])}, aSummaries);
    return aSummaries[0];
}

CImportedCurves AddCurves(const std::vector<CCurveSpec>& aCurves, const CImportProfile* pProfile) {
    CMaterial& material = Current();
    for (const CCurveSpec& curve : aCurves) {
        const CConditionsProblem problem = FindConditionsProblem(curve.m_dTemp, curve.m_dRate);
        if (problem.m_eField != EConditionField::None)
            throw CInputError(curve.m_strFile + ": " + problem.m_strMessage);
    }
    if (aCurves.empty())
        return {};
    const auto checkRoom = [&](const auto& aAdded, auto file) {
        const int nRoom = kMaxExchangeCurves - material.m_nCurves;
        CheckRoomForCurves(material, static_cast<int>(aAdded.size()),
                           file(aAdded[static_cast<std::size_t>(std::clamp(nRoom, 0, static_cast<int>(aAdded.size()) - 1))]));
    };
    const bool bAverages = pProfile && pProfile->m_prep.m_bAverageRepeats;
    if (!bAverages) // else fewer curves may come out than files go in
        checkRoom(aCurves, [](const CCurveSpec& spec) { return spec.m_strFile; });
    // Every file is read before the material changes.
    CImportedCurves imported;
    if (pProfile) {
        imported = ImportCurves(aCurves, pProfile, material);
    } else {
        imported.m_aSummaries.resize(aCurves.size());
        imported.m_aCurves.reserve(aCurves.size());
        for (std::size_t i = 0; i < aCurves.size(); ++i)
            imported.m_aCurves.push_back(ReadCurveFile(aCurves[i].m_strFile, aCurves[i].m_dTemp, aCurves[i].m_dRate,
                                                       &imported.m_aSummaries[i]));
    }
    if (bAverages)
        checkRoom(imported.m_aCurves, [](const CCurve& curve) { return curve.m_strFile; });
    AppendCurves(material, std::move(imported.m_aCurves), imported.m_aSummaries);
    imported.m_aCurves.clear();
    return imported;
}

std::vector<std::string> ExportCurves(const std::string& strFolder) { return WriteCurveFiles(Current(), strFolder); }

CMaterial WithCandidateLaw(const CMaterial& material, const CCandidateReport& candidate) {
    if (candidate.m_aCoef.empty() || !FindModel(candidate.m_nModel) ||
        candidate.m_aCoef.size() > static_cast<std::size_t>(CMaterial::kMaxCoef))
        throw CInputError("model " + std::to_string(candidate.m_nModel) + " was refused for these curves: it has no law");
    CMaterial result = material;
    result.m_nFunction = candidate.m_nModel;
    result.m_nCoef = static_cast<int>(candidate.m_aCoef.size());
    result.m_dCoef.fill(0);
    std::copy(candidate.m_aCoef.begin(), candidate.m_aCoef.end(), result.m_dCoef.begin());
    result.m_dErrorSr = candidate.m_dErrorSr;
    result.m_dErrorMax = candidate.m_dErrorMax;
    result.m_confidence = candidate.m_confidence;
    for (int i = 0; i < result.m_nCurves; ++i)
        for (CCurvePoint& point : result.Curve(i).m_pPoints)
            point.m_dFitStress = result.Evaluate(point.m_dStrain, point.m_dTemp, point.m_dRate);
    return result;
}

void UseCandidateLaw(const CCandidateReport& candidate) {
    CMaterial& material = Current();
    material = WithCandidateLaw(material, candidate);
    g_nStage = StageAfter(EStageEvent::FitSucceeded);
}

void LeaveOutCurve(int nCurve, bool bLeftOut) {
    CMaterial& material = Current();
    CheckCurveNumber(material, nCurve);
    if (material.Curve(nCurve - 1).m_bLeftOut == bLeftOut)
        return;
    material.Curve(nCurve - 1).m_bLeftOut = bLeftOut;
    material.ClearFit();
    g_nStage = StageAfter(EStageEvent::AddFile);
}

int CurvesFittedOn(const CMaterial& material) {
    int n = 0;
    for (int i = 0; i < material.m_nCurves; ++i)
        n += !material.Curve(i).m_bLeftOut;
    return n;
}

void SetCurveConditions(int nCurve, double dTemp, double dRate) {
    CMaterial& material = Current();
    CheckCurveNumber(material, nCurve);
    CheckCurveConditions(dTemp, dRate);
    CCurve& curve = material.Curve(nCurve - 1);
    if (curve.m_strLabel == RateTempLabel(curve.m_dRate, curve.m_dTemp))
        curve.m_strLabel = RateTempLabel(dRate, dTemp);
    curve.m_dTemp = dTemp;
    curve.m_dRate = dRate;
    for (CCurvePoint& point : curve.m_pPoints) {
        point.m_dTemp = dTemp;
        point.m_dRate = dRate;
        if (material.m_nPrepared != 0)
            point.m_dTime = point.m_dStrain / dRate;
    }
    material.ClearFit();
    g_nStage = StageAfter(EStageEvent::AddFile);
}

void RemoveCurve(int nCurve) {
    CMaterial& material = Current();
    CheckCurveNumber(material, nCurve);
    const auto first = material.m_aCurves.begin() + (nCurve - 1);
    const auto end = material.m_aCurves.begin() + material.m_nCurves;
    const int nPoints = first->PointCount();
    std::move(first + 1, end, first); // CCurve moves without throwing
    *(end - 1) = CCurve();
    --material.m_nCurves;
    material.m_nPoints -= nPoints;
    material.ClearFit();
    g_nStage = StageAfter(EStageEvent::AddFile);
}

void SelectCurve(int nCurve) {
    CMaterial& material = Current();
    if (nCurve < 0 || nCurve > material.m_nCurves)
        throw CInputError("curve " + std::to_string(nCurve) + " does not exist: choose 0 (all curves) or 1.." +
                          std::to_string(material.m_nCurves));
    material.m_nSelectedCurve = nCurve;
}

void SaveMaterial() { Current().WriteMaterialFile(1); }

void SaveMaterialAs(const std::string& strPath) {
    KeepOnFailure([&](CMaterial& material) {
        const std::filesystem::path path = std::filesystem::absolute(strPath).lexically_normal();
        material.m_strFileName = path.string();
        material.m_strWorkFolder = path.parent_path().string();
        material.WriteMaterialFile(1);
    });
}

// ---- fitting on the curves not left out ------------------------------------------------

namespace {

bool AnyLeftOut(const CMaterial& material) { return CurvesFittedOn(material) < material.m_nCurves; }

// The material of the curves not left out alone, in their order, to fit on: the engine
// fits what it is given.
CMaterial UsedCurvesOnly(CMaterial& material) {
    CMaterial subset = CopyWithoutPoints(material);
    for (CCurve& curve : subset.m_aCurves)
        curve = CCurve();
    subset.m_nCurves = 0;
    subset.m_nSelectedCurve = 0;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (!material.Curve(i).m_bLeftOut)
            subset.Curve(subset.m_nCurves++) = material.Curve(i);
    if (subset.m_nCurves == 0)
        throw CInputError("every curve is left out of the fit: tick at least one curve in the curve table");
    subset.m_nPoints = subset.CountPoints();
    return subset;
}

// What the fit on subset (UsedCurvesOnly of material, fitted) gave, back into material: the
// law, its errors and intervals and whatever else the run set, the fitted curves (as the run
// read them back) in their slots, and the left-out curves as they were, prepared as the run
// prepared the others (PrepareCurves, which may throw: before material changes), with the
// law's stresses at their points.
void TakeFitBack(CMaterial& material, CMaterial&& subset) {
    std::vector<CCurve> aLeft;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (material.Curve(i).m_bLeftOut)
            aLeft.push_back(material.Curve(i));
    if (subset.m_nPrepared != 0 && material.m_nPrepared == 0)
        PrepareCurves(aLeft);
    const int nCurves = material.m_nCurves;
    const int nSelected = material.m_nSelectedCurve;
    std::vector<bool> abLeftOut;
    for (int i = 0; i < nCurves; ++i)
        abLeftOut.push_back(material.Curve(i).m_bLeftOut);
    CMaterial merged = std::move(subset);
    std::size_t nUsed = 0, nLeft = 0;
    std::vector<CCurve> aAll;
    for (int i = 0; i < nCurves; ++i)
        aAll.push_back(abLeftOut[static_cast<std::size_t>(i)] ? std::move(aLeft[nLeft++])
                                                               : std::move(merged.Curve(static_cast<int>(nUsed++))));
    for (int i = 0; i < nCurves; ++i) {
        CCurve& curve = merged.Curve(i) = std::move(aAll[static_cast<std::size_t>(i)]);
        curve.m_bLeftOut = abLeftOut[static_cast<std::size_t>(i)];
        if (curve.m_bLeftOut)
            for (CCurvePoint& point : curve.m_pPoints)
                point.m_dFitStress = merged.m_nCoef > 0 ? merged.Evaluate(point.m_dStrain, point.m_dTemp, point.m_dRate) : 0;
    }
    merged.m_nCurves = nCurves;
    merged.m_nSelectedCurve = nSelected;
    merged.m_nPoints = merged.CountPoints();
    material = std::move(merged);
}

CRunResult& RunOf(CRunResult& result) { return result; }
CRunResult& RunOf(COptimizationResult& result) { return result.m_run; }

// Calc or the Optimization (fit(subset), which fills the result and fits subset without
// writing the run's outputs) on the curves not left out, under the work folder's lock; then
// the run's outputs from the whole material. The material changes only once the fit is done.
template <class Result, class Fit>
Result FitOnUsedCurves(Fit fit, const CFitOptions& options) {
    CMaterial& material = Current();
    const CFolderLock lock(material.m_strWorkFolder);
    CMaterial subset = UsedCurvesOnly(material);
    Result result = fit(subset);
    TakeFitBack(material, std::move(subset));
    CRunResult& run = RunOf(result);
    material.WriteRunOutputs(run, options);
    if (run.Ok())
        g_nStage = StageAfter(EStageEvent::FitSucceeded);
    return result;
}

} // namespace

CRunResult Calc(const CFitOptions& options) {
    if (g_pMaterial && AnyLeftOut(*g_pMaterial))
        return FitOnUsedCurves<CRunResult>(
            [&](CMaterial& subset) {
                subset.WriteRunExchangeFile();
                CRunResult result;
                static_cast<CFitOutcome&>(result) = subset.FitOnExchangeFile(options);
                return result;
            },
            options);
    return RunOnExchangeFile([](const CMaterial& material) { material.WriteRunExchangeFile(); },
                             [&](CMaterial& material) {
                                 CRunResult result = material.RunOnExchangeFile(options);
                                 if (result.Ok())
                                     g_nStage = StageAfter(EStageEvent::FitSucceeded);
                                 return result;
                             });
}

COptimizationResult Optimization(const CandidateCallback& onCandidate, const CFitOptions& options) {
    if (g_pMaterial && AnyLeftOut(*g_pMaterial))
        return FitOnUsedCurves<COptimizationResult>(
            [&](CMaterial& subset) {
                subset.WriteMaterialFile(0);
                COptimizationResult result;
                result.m_aCandidates = subset.FindBestModelOnExchangeFile(CallModelEngine, onCandidate, options);
                result.m_nChosen = subset.m_nFunction;
                subset.WriteRunExchangeFile();
                static_cast<CFitOutcome&>(result.m_run) = subset.FitOnExchangeFile(options);
                if (result.m_nChosen == 0)
                    result.m_run.m_strMessage = "every candidate model was refused";
                return result;
            },
            options);
    return RunOnExchangeFile([](const CMaterial& material) { material.WriteMaterialFile(0); },
                             [&](CMaterial& material) {
                                 COptimizationResult result;
                                 result.m_aCandidates =
                                     material.FindBestModelOnExchangeFile(CallModelEngine, onCandidate, options);
                                 result.m_nChosen = material.m_nFunction;
                                 result.m_run = material.RunApproximation(options);
                                 if (result.m_nChosen == 0)
                                     result.m_run.m_strMessage = "every candidate model was refused";
                                 if (result.m_run.Ok())
                                     g_nStage = StageAfter(EStageEvent::FitSucceeded);
                                 return result;
                             });
}

CSurfaceExportStatus ExportSurface3D(double dTemp) {
    CheckTemp3d(dTemp);
    return KeepOnFailure([&](CMaterial& material) {
        material.m_dTemp3d = dTemp;
        return material.WriteSurfaceFile(dTemp);
    });
}
