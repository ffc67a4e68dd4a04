#pragma once
// Test support of the commands on the current material (session/Operations.h): a scratch
// folder with no material and stage 0 before and after each test, and the folder lock held
// as another process holds it.

#include "vornel/session/FolderLock.h"
#include "vornel/session/Operations.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace vornel_test {

class SessionTest : public ScratchTest {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        g_pMaterial.reset();
        g_nStage = 0;
    }
};

// The lock of a folder's runs held through a descriptor of its own, as another process
// holds it; true when it could be taken.
class CLockedByAnother {
public:
    explicit CLockedByAnother(const std::string& strFolder = ".")
        : m_nFd(::open((std::filesystem::path(strFolder) / kFolderLockFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC,
                       0666)) {}
    ~CLockedByAnother() { ::close(m_nFd); }
    CLockedByAnother(const CLockedByAnother&) = delete;
    CLockedByAnother& operator=(const CLockedByAnother&) = delete;
    bool Take() { return ::flock(m_nFd, LOCK_EX | LOCK_NB) == 0; }

private:
    int m_nFd;
};

} // namespace vornel_test
