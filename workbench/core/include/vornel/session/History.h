#pragma once
// Undo and redo of the changes the user makes to the material: adding and removing curves,
// leaving curves out of the fit, correcting a curve's conditions, choosing a law. Each
// step is a snapshot of the whole material (CMaterial, compared with operator==) and the
// stage, taken before the change; undoing puts the snapshot back and keeps the present
// state for redo. The material's identity (name, file, work folder) is never undone: a
// Save As stays. New material and Open File start with an empty history (Clear).
//
// Snapshots of raw records run to tens of MB, so at most kDepth steps are kept.

#include "vornel/document/Material.h"

#include <deque>
#include <functional>
#include <memory>

class CMaterialHistory {
public:
    static constexpr std::size_t kDepth = 30;

    // Runs change, which acts on g_pMaterial; when it returns and the material is no longer
    // what it was, the state before becomes the step Undo returns to and the redo steps are
    // dropped. What change throws passes through; nothing is recorded then.
    void Record(const std::function<void()>& change);

    bool CanUndo() const { return !m_aUndo.empty(); }
    bool CanRedo() const { return !m_aRedo.empty(); }
    // The material and stage before the last change (Undo) or after the last undone one
    // (Redo); nothing when there is none.
    void Undo();
    void Redo();
    void Clear();

private:
    struct SState {
        std::unique_ptr<CMaterial> m_pMaterial;
        int m_nStage = 0;
    };
    static SState Now();
    // Puts state in place of the present one, which goes onto aOther.
    static void Restore(std::deque<SState>& aFrom, std::deque<SState>& aOther);

    std::deque<SState> m_aUndo, m_aRedo;
};

// The history of the window's material.
extern CMaterialHistory g_history;
