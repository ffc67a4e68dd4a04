#include "vornel/session/History.h"

#include "vornel/session/Stage.h"

CMaterialHistory g_history;

CMaterialHistory::SState CMaterialHistory::Now() {
    return {g_pMaterial ? std::make_unique<CMaterial>(*g_pMaterial) : nullptr, g_nStage};
}

void CMaterialHistory::Record(const std::function<void()>& change) {
    SState before = Now();
    change();
    if (before.m_pMaterial && g_pMaterial && *before.m_pMaterial == *g_pMaterial && before.m_nStage == g_nStage)
        return;
    m_aUndo.push_back(std::move(before));
    if (m_aUndo.size() > kDepth)
        m_aUndo.pop_front();
    m_aRedo.clear();
}

void CMaterialHistory::Restore(std::deque<SState>& aFrom, std::deque<SState>& aOther) {
    if (aFrom.empty())
        return;
    SState state = std::move(aFrom.back());
    aFrom.pop_back();
    SState present = Now();
    if (state.m_pMaterial && g_pMaterial) {
        state.m_pMaterial->m_strName = g_pMaterial->m_strName;
        state.m_pMaterial->m_strFileName = g_pMaterial->m_strFileName;
        state.m_pMaterial->m_strWorkFolder = g_pMaterial->m_strWorkFolder;
    }
    g_pMaterial = std::move(state.m_pMaterial);
    g_nStage = state.m_nStage;
    aOther.push_back(std::move(present));
}

void CMaterialHistory::Undo() { Restore(m_aUndo, m_aRedo); }
void CMaterialHistory::Redo() { Restore(m_aRedo, m_aUndo); }

void CMaterialHistory::Clear() {
    m_aUndo.clear();
    m_aRedo.clear();
}
