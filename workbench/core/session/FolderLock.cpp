#include "vornel/session/FolderLock.h"

#include "formats/BinaryFile.h"
#include "formats/FileError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The folders this process holds: the lock file's descriptor and how many CFolderLocks
// count on it.
struct SHeld {
    int m_nFd = -1;
    int m_nCount = 0;
};

std::map<std::string, SHeld>& HeldFolders() {
    static std::map<std::string, SHeld> s_held;
    return s_held;
}

std::string AbsoluteFolder(const std::string& strFolder) {
    std::error_code ec;
    const std::filesystem::path folder = strFolder.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(strFolder);
    std::filesystem::path absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
    if (ec)
        absolute = std::filesystem::absolute(folder, ec).lexically_normal();
    return absolute.string();
}

// The lock file strFile opened (created when missing), or CFileError naming it: a run that
// cannot hold the folder's lock does not run. A lock file this user may not write (another
// user's) is locked through a descriptor for reading, which flock takes all the same; what
// is not a regular file (a folder, a pipe) is refused, and nothing waits on it.
int OpenLockFile(const std::string& strFile) {
    int nFd = ::open(strFile.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (nFd < 0 && errno == EACCES)
        nFd = ::open(strFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        throw CFileError(strFile, std::string("cannot take the folder's lock, so this run does nothing: ") +
                                      std::strerror(errno));
    struct stat st {};
    if (::fstat(nFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(nFd);
        throw CFileError(strFile, "cannot take the folder's lock, so this run does nothing: not a regular file");
    }
    return nFd;
}

// flock without waiting, retried when a signal interrupts it.
bool TryLock(int nFd) {
    for (;;) {
        if (::flock(nFd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

} // namespace

CFolderBusy::CFolderBusy(const std::string& strFolder)
    : std::runtime_error("another run uses the folder " + strFolder), m_strFolder(strFolder) {}

CFolderLock::CFolderLock(const std::string& strFolder, const CFolderLockWait& wait) {
    std::string strKey = AbsoluteFolder(strFolder);
    auto& held = HeldFolders();
    if (auto it = held.find(strKey); it != held.end()) {
        ++it->second.m_nCount;
        m_strKey = std::move(strKey);
        return;
    }
    const std::string strFile = (std::filesystem::path(strKey) / kFolderLockFileName).string();
    const int nFd = OpenLockFile(strFile);
    if (!TryLock(nFd)) {
        const auto deadline = std::chrono::steady_clock::now() + wait.m_wait;
        bool bLocked = false;
        if (wait.m_wait.count() > 0) {
            if (wait.m_onWait)
                wait.m_onWait(strKey);
            while (!bLocked && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                bLocked = TryLock(nFd);
            }
        }
        if (!bLocked) {
            ::close(nFd);
            throw CFolderBusy(strKey);
        }
    }
    held.emplace(strKey, SHeld{nFd, 1});
    // The folder is this run's now: what killed runs left of their writes goes.
    RemoveStaleTemporaryFiles(strKey);
    m_strKey = std::move(strKey);
}

CFolderLock::~CFolderLock() {
    if (m_strKey.empty())
        return;
    auto& held = HeldFolders();
    const auto it = held.find(m_strKey);
    if (it == held.end() || --it->second.m_nCount > 0)
        return;
    ::close(it->second.m_nFd); // releases the flock
    held.erase(it);
}
