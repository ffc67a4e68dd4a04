#include "vornel/Approximation.h"

#include "vornel/Material.h"
#include "vornel/ModelCatalogue.h"

void CMaterial::ClearFit() {
    m_dCoef.fill(0.0);
    m_nCoef = 0;
    m_dErrorSr = 0;
    m_dErrorMax = 0;
    m_nSelectedCurve = 0;
}

void CallModelEngine(int nModel) {
    if (const CModelInfo* pModel = FindModel(nModel))
        pModel->m_pfnEntry();
}

CRunResult CMaterial::RunApproximation() {
    WriteMaterialFile(0);
    CallModelEngine(m_nFunction);
    ReadMaterialFile(0);
    WriteFortran();
    const CSurfaceExportStatus surface = WriteSurfaceFile(kRunSurfaceTemp);
    WriteMaterialFile(1);

    CRunResult result;
    result.m_bFitted = m_nCoef > 0;
    result.m_bSurfaceWritten = surface.m_bWritten;
    result.m_strSurfaceMessage = surface.m_strMessage;
    return result;
}

void CMaterial::FindBestModel() { FindBestModelWith(CallModelEngine); }

void CMaterial::FindBestModelWith(const ModelEngineCall& callEngine) {
    m_dErrorMax = kNoCandidateError;
    double dBest = kNoCandidateError;
    int nChosen = 0;
    WriteMaterialFile(0);
    for (int nModel : kBestModelCandidates) {
        callEngine(nModel);
        ReadMaterialFile(0);
        if (m_dErrorMax < dBest) {
            dBest = m_dErrorMax;
            nChosen = nModel;
        }
    }
    m_nFunction = nChosen;
}
