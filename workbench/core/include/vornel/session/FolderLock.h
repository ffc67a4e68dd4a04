#pragma once
// One run at a time per work folder. Every run writes the folder's exchange file
// "temp.mat", lets the engine fit on it and reads it back, then writes "progr.f90",
// "visual.tmp" and the material file: two runs in one folder would read each other's
// fits. A run therefore holds an exclusive advisory lock (flock) on the lock file
// "temp.mat.lock" beside "temp.mat" from before it writes "temp.mat" until it has written
// its last file. The system releases it when the process ends, also when it dies; the lock
// file itself stays. Runs in different folders never wait for each other.
//
// Within one process the lock of a folder is taken once: a CFolderLock of a folder the
// process already holds (the batch mode holds its folder for the whole run, Calc takes it
// again) only counts. A run that cannot take the lock never runs: when the lock file cannot
// be opened or created (a missing or read-only folder, a folder or a pipe of that name) the
// lock throws CFileError naming the lock file and the reason. Taking a folder's lock also
// removes the temporary files that killed runs left there (RemoveStaleTemporaryFiles).

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

// The lock file's name in the work folder.
inline constexpr const char* kFolderLockFileName = "temp.mat.lock";

// Another process holds the folder's lock. what(): "another run uses the folder <folder>".
class CFolderBusy : public std::runtime_error {
public:
    explicit CFolderBusy(const std::string& strFolder);
    const std::string& Folder() const { return m_strFolder; }

private:
    std::string m_strFolder;
};

// How long a run waits for the lock, and what it does once when it has to wait (called with
// the folder's absolute path before the first pause).
struct CFolderLockWait {
    std::chrono::milliseconds m_wait{0};
    std::function<void(const std::string& strFolder)> m_onWait;
};

class CFolderLock {
public:
    // Takes the lock of strFolder (empty: the current folder), waiting as wait says
    // (polling every 20 ms; no wait by default, so that the window never hangs). Throws
    // CFolderBusy when another process still holds it then, CFileError when the lock file
    // cannot be opened.
    explicit CFolderLock(const std::string& strFolder, const CFolderLockWait& wait = {});
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

private:
    std::string m_strKey; // the folder's absolute path while this lock counts
};
