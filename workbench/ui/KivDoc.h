#pragma once
// The document shell of the workbench. The material itself is g_pMaterial (Material.h);
// the document only remembers whether the material holds curves that its file does not
// have yet, so that nothing is discarded without asking.

class CKivDoc {
public:
    // True after Add File or Remove curve, until the material file is written or another
    // material takes the place of this one.
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified) { m_bModified = bModified; }

private:
    bool m_bModified = false;
};
