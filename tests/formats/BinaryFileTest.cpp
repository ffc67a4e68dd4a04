// Whole files read and written under every fault: what is not a regular file is refused at
// once (a named pipe never waited on), an output never replaces anything but a regular file
// and follows a symbolic link to the file it names, the temporary files of killed writers
// are cleaned up, and two names of one file are known as one.

#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

using namespace vornel_test;
namespace fs = std::filesystem;

namespace {

struct SSpecialFile {
    const char* m_szName;
    std::function<std::string()> m_make; // makes the file, returns its path
};

void PrintTo(const SSpecialFile& p, std::ostream* os) { *os << p.m_szName; }

class SpecialFiles : public ScratchTest, public ::testing::WithParamInterface<SSpecialFile> {};

} // namespace

// Neither read nor replaced: each is refused naming the path, and stays what it was.
TEST_P(SpecialFiles, AreNeitherReadNorReplaced) {
    const std::string strPath = GetParam().m_make();
    try {
        ReadFileBytes(strPath);
        ADD_FAILURE() << "read";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), strPath);
        EXPECT_NE(e.Reason().find("not a regular file"), std::string::npos) << e.what();
    }
    if (strPath == "/dev/zero")
        return; // not ours to try to replace
    struct stat before {};
    ASSERT_EQ(::stat(strPath.c_str(), &before), 0);
    try {
        WriteTextFile(strPath, "replaced");
        ADD_FAILURE() << "written";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), strPath);
        EXPECT_NE(e.Reason().find("not a regular file"), std::string::npos) << e.what();
    }
    struct stat after {};
    ASSERT_EQ(::stat(strPath.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator("."))
        EXPECT_NE(entry.path().extension(), ".part") << "a temporary file was left: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialFiles,
    ::testing::Values(SSpecialFile{"Pipe", [] { ::mkfifo("pipe", 0666); return std::string("pipe"); }},
                      SSpecialFile{"Folder", [] { fs::create_directory("folder"); return std::string("folder"); }},
                      SSpecialFile{"LinkToAPipe",
                                   [] {
                                       fs::create_directory("d");
                                       ::mkfifo("d/pipe", 0666);
                                       fs::create_symlink("d/pipe", "link");
                                       return std::string("link");
                                   }},
                      SSpecialFile{"Device", [] { return std::string("/dev/zero"); }}),
    [](const auto& info) { return std::string(info.param.m_szName); });

// A symbolic link is followed: the file it names gets the new content, the link stays a
// link; a dangling link makes the file it names.
TEST_F(ScratchTest, WritesThroughSymbolicLinks) {
    fs::create_directory("data");
    WriteText("data/real.mat", "old");
    fs::create_symlink("data/real.mat", "alias.mat");
    WriteTextFile("alias.mat", "new");
    EXPECT_TRUE(fs::is_symlink("alias.mat"));
    EXPECT_EQ(FileText("data/real.mat"), "new");
    fs::create_symlink("data/later.mat", "dangling.mat");
    WriteTextFile("dangling.mat", "made");
    EXPECT_TRUE(fs::is_symlink("dangling.mat"));
    EXPECT_EQ(FileText("data/later.mat"), "made");
    EXPECT_TRUE(SameFile("alias.mat", "./data/real.mat"));
    EXPECT_TRUE(SameFile("absent.mat", "data/../absent.mat"));
    EXPECT_FALSE(SameFile("alias.mat", "dangling.mat"));
}

// The temporary files of a writer that died go at the next clean-up; a living writer's stay.
TEST_F(ScratchTest, TemporaryFilesOfDeadWritersAreRemoved) {
    const pid_t nChild = ::fork();
    if (nChild == 0)
        ::_exit(0);
    ASSERT_GT(nChild, 0);
    ::waitpid(nChild, nullptr, 0);
    const std::string strDead = "temp.mat." + std::to_string(nChild) + ".0.part";
    const std::string strAlive = "temp.mat." + std::to_string(::getpid()) + ".7.part";
    const std::string strParent = "temp.mat." + std::to_string(::getppid()) + ".3.part";
    for (const std::string& strFile : {strDead, strAlive, strParent, std::string("notes.part")})
        WriteText(strFile, "x");
    EXPECT_EQ(RemoveStaleTemporaryFiles(""), 1);
    EXPECT_FALSE(fs::exists(strDead));
    for (const std::string& strFile : {strAlive, strParent, std::string("notes.part")})
        EXPECT_TRUE(fs::exists(strFile)) << strFile;
}
