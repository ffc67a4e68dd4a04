// One run at a time per work folder: the folder lock.

#include "vornel/session/FolderLock.h"
#include "SessionSupport.h"

#include <filesystem>

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
        ASSERT_TRUE(outer.Held());
        {
            const CFolderLock inner("a/../a");
            CLockedByAnother other("a");
            EXPECT_FALSE(other.Take());
        }
        CLockedByAnother other("a");
        EXPECT_FALSE(other.Take()) << "the outer hold still counts";
        const CFolderLock b("b");
        EXPECT_TRUE(b.Held());
    }
    CLockedByAnother other("a");
    EXPECT_TRUE(other.Take()) << "released with the last hold";
    try {
        const CFolderLock a("a");
        ADD_FAILURE() << "the folder was taken";
    } catch (const CFolderBusy& e) {
        EXPECT_EQ(std::string(e.what()), "another run uses the folder " + fs::absolute("a").string());
    }
    EXPECT_FALSE(CFolderLock("missing").Held());
}
