// One run at a time per work folder: the folder lock.

#include "vornel/session/FolderLock.h"
#include "SessionSupport.h"

#include "formats/FileError.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

using namespace vornel_test;
namespace fs = std::filesystem;

class FolderLock : public ScratchTest {};

// A process takes a folder's lock once and counts its nested holds; runs in other folders
// never wait for it, and a folder where no lock file can be made is not locked.
TEST_F(FolderLock, NestsWithinAProcessAndNeverSpansFolders) {
    fs::create_directory("a");
    fs::create_directory("b");
    {
        const CFolderLock outer("a");
        {
            const CFolderLock inner("a/../a");
            CLockedByAnother other("a");
            EXPECT_FALSE(other.Take());
        }
        CLockedByAnother other("a");
        EXPECT_FALSE(other.Take()) << "the outer hold still counts";
        const CFolderLock b("b");
        CLockedByAnother otherB("b");
        EXPECT_FALSE(otherB.Take());
    }
    CLockedByAnother other("a");
    EXPECT_TRUE(other.Take()) << "released with the last hold";
    try {
        const CFolderLock a("a");
        ADD_FAILURE() << "the folder was taken";
    } catch (const CFolderBusy& e) {
        EXPECT_EQ(std::string(e.what()), "another run uses the folder " + fs::absolute("a").string());
    }
}

// A folder whose lock file cannot be opened is never run in: the lock names its file.
TEST_F(FolderLock, ThatCannotBeOpenedStopsTheRun) {
    const std::vector<std::pair<const char*, std::function<void()>>> aCases = {
        {"missing", [] {}},
        {"folder", [] { fs::create_directories("folder/temp.mat.lock"); }},
        {"pipe", [] {
             fs::create_directory("pipe");
             ASSERT_EQ(::mkfifo("pipe/temp.mat.lock", 0666), 0);
         }},
        {"dangling", [] {
             fs::create_directory("dangling");
             fs::create_symlink("../nowhere/lock", "dangling/temp.mat.lock");
         }},
    };
    for (const auto& [szFolder, make] : aCases) {
        make();
        try {
            const CFolderLock lock(szFolder);
            ADD_FAILURE() << szFolder << " was locked";
        } catch (const CFileError& e) {
            EXPECT_EQ(e.Path(), (fs::absolute(szFolder) / kFolderLockFileName).string()) << e.what();
        }
    }
}
