// Files that cannot be written: a missing work folder, a read-only one and a full disk. The
// command that writes fails with the file and the reason, and nothing is lost: the material
// in memory, the stage and every file already on disk stay exactly as they were, and no
// half-written file is left behind.

#include "vornel/session/Operations.h"
#include "RecordFiles.h"
#include "TestSupport.h"
#include "formats/FileError.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <linux/capability.h>
#include <map>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace vornel_test;
namespace fs = std::filesystem;

namespace {

// While it lives, the calling thread lacks the capability to write where the permission
// bits forbid it (root's CAP_DAC_OVERRIDE), so a read-only folder is read-only to it too.
class CPermissionBitsHold {
public:
    CPermissionBitsHold() {
        if (::syscall(SYS_capget, &m_header, m_aSaved) != 0)
            return;
        __user_cap_data_struct aReduced[2] = {m_aSaved[0], m_aSaved[1]};
        aReduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_bChanged = ::syscall(SYS_capset, &m_header, aReduced) == 0;
    }
    ~CPermissionBitsHold() {
        if (m_bChanged)
            ::syscall(SYS_capset, &m_header, m_aSaved);
    }
    CPermissionBitsHold(const CPermissionBitsHold&) = delete;
    CPermissionBitsHold& operator=(const CPermissionBitsHold&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_aSaved[2]{};
    bool m_bChanged = false;
};

// Every regular file under folder with its bytes.
std::map<std::string, std::vector<unsigned char>> Snapshot(const fs::path& folder) {
    std::map<std::string, std::vector<unsigned char>> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = FileBytes(entry.path().string());
    return files;
}

enum class EBlock { MissingFolder, ReadOnlyFolder, FullDisk };

const char* BlockName(EBlock eBlock) {
    switch (eBlock) {
    case EBlock::MissingFolder: return "MissingFolder";
    case EBlock::ReadOnlyFolder: return "ReadOnlyFolder";
    case EBlock::FullDisk: return "FullDisk";
    }
    return "";
}

// The reason the system gives for each block.
const char* BlockReason(EBlock eBlock) {
    switch (eBlock) {
    case EBlock::MissingFolder: return "No such file or directory";
    case EBlock::ReadOnlyFolder: return "Permission denied";
    case EBlock::FullDisk: return "File too large";
    }
    return "";
}

// The folder "work" blocked for writing while it lives, as eBlock says; a full disk takes
// every file beyond nFullBytes.
class CBlockedFolder {
public:
    CBlockedFolder(EBlock eBlock, rlim_t nFullBytes = 64) {
        switch (eBlock) {
        case EBlock::MissingFolder:
            fs::remove_all("work");
            break;
        case EBlock::ReadOnlyFolder:
            fs::permissions("work", fs::perms::owner_read | fs::perms::owner_exec);
            m_pHold = std::make_unique<CPermissionBitsHold>();
            break;
        case EBlock::FullDisk:
            m_pLimit = std::make_unique<CFileSizeLimit>(nFullBytes);
            break;
        }
    }
    ~CBlockedFolder() {
        m_pHold.reset();
        m_pLimit.reset();
        std::error_code ec;
        if (fs::exists("work", ec))
            fs::permissions("work", fs::perms::owner_all, ec);
    }
    CBlockedFolder(const CBlockedFolder&) = delete;
    CBlockedFolder& operator=(const CBlockedFolder&) = delete;

    // False when this user can write into the read-only folder all the same.
    static bool Holds(EBlock eBlock) { return eBlock != EBlock::ReadOnlyFolder || !CanCreateIn("work"); }

    // Whether a file can be created in folder (the probe is removed again).
    static bool CanCreateIn(const fs::path& folder) {
        const std::string strProbe = (folder / "probe").string();
        std::FILE* pFile = std::fopen(strProbe.c_str(), "w");
        if (!pFile)
            return false;
        std::fclose(pFile);
        std::remove(strProbe.c_str());
        return true;
    }

private:
    std::unique_ptr<CPermissionBitsHold> m_pHold;
    std::unique_ptr<CFileSizeLimit> m_pLimit;
};

const double kTemps[] = {900, 1000, 1100, 1200};
const double kRates[] = {0.1, 1.0, 10.0, 1.0};

// A fitted material "steel" in the work folder "work", whose run wrote every file there.
class WriteFailure : public ScratchTest {
protected:
    void SetUp() override {
        g_pMaterial.reset();
        g_nStage = 0;
        fs::create_directory("work");
        NewMaterial("steel", "work");
        for (int i = 0; i < 4; ++i) {
            const std::string strFile = "c" + std::to_string(i + 1) + ".asc";
            WriteRecord(strFile, HenselSpittelLaw, kTemps[i], kRates[i]);
            AddCurve(strFile, kTemps[i], kRates[i]);
        }
        ChooseModel(9);
        ASSERT_TRUE(Calc().Ok());
        ASSERT_TRUE(fs::is_regular_file("work/steel.mat"));
    }
    void TearDown() override {
        g_pMaterial.reset();
        g_nStage = 0;
    }
};

struct SCommand {
    const char* m_szName;
    std::function<void()> m_run;
    const char* m_szFile; // the file the message must name
};

void PrintTo(const SCommand& command, std::ostream* os) { *os << command.m_szName; }

const SCommand kCommands[] = {
    {"Save", [] { SaveMaterial(); }, "steel.mat"},
    {"SaveAs", [] { SaveMaterialAs("work/copy.mat"); }, "copy.mat"},
    {"Surface3D", [] { (void)ExportSurface3D(850); }, "visual.tmp"},
    {"Calc", [] { (void)Calc(); }, "temp.mat"},
    {"Optimization", [] { (void)Optimization(); }, "temp.mat"},
};

class FailedCommand : public WriteFailure, public ::testing::WithParamInterface<std::tuple<SCommand, EBlock>> {};

} // namespace

TEST_P(FailedCommand, NamesFileAndReasonAndLosesNothing) {
    const auto& [command, eBlock] = GetParam();
    const CMaterial* pBefore = g_pMaterial.get();
    const CMaterial copy = *g_pMaterial;
    const int nStage = g_nStage;
    const auto files = Snapshot("work");

    {
        CBlockedFolder blocked(eBlock);
        if (!CBlockedFolder::Holds(eBlock))
            GTEST_SKIP() << "this user can write into a read-only folder";
        try {
            command.m_run();
            ADD_FAILURE() << "no error";
        } catch (const CFileError& e) {
            EXPECT_NE(e.Path().find(command.m_szFile), std::string::npos) << e.what();
            EXPECT_NE(e.Reason().find(BlockReason(eBlock)), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(e.Path() + ": ", 0), 0u) << e.what();
        }
    }
    EXPECT_EQ(g_pMaterial.get(), pBefore);
    EXPECT_TRUE(*g_pMaterial == copy);
    EXPECT_EQ(g_nStage, nStage);
    if (eBlock == EBlock::MissingFolder)
        EXPECT_FALSE(fs::exists("work"));
    else
        EXPECT_EQ(Snapshot("work"), files); // every file as it was, no temporary left
}

INSTANTIATE_TEST_SUITE_P(
    EachCommandAndBlock, FailedCommand,
    ::testing::Combine(::testing::ValuesIn(kCommands),
                       ::testing::Values(EBlock::MissingFolder, EBlock::ReadOnlyFolder, EBlock::FullDisk)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).m_szName) + "_" + BlockName(std::get<1>(info.param));
    });

// A run whose material file cannot be written (its folder became read-only or vanished
// while the run's files go to a work folder of their own) keeps the new fit in memory,
// writes the run's other files, reports the material file with the reason and leaves the
// file on disk as it was.
TEST_F(WriteFailure, RunKeepsTheFitWhenTheMaterialFileCannotBeWritten) {
    fs::create_directory("saved");
    SaveMaterialAs("saved/steel.mat");
    OpenMaterial("saved/steel.mat", "work");
    ChooseModel(14);
    const auto saved = Snapshot("saved");
    fs::permissions("saved", fs::perms::owner_read | fs::perms::owner_exec);
    CRunResult result;
    {
        CPermissionBitsHold hold;
        if (CBlockedFolder::CanCreateIn("saved")) {
            fs::permissions("saved", fs::perms::owner_all);
            GTEST_SKIP() << "this user can write into a read-only folder";
        }
        result = Calc();
    }
    fs::permissions("saved", fs::perms::owner_all);
    ASSERT_TRUE(result.Ok()) << result.m_strMessage;
    EXPECT_EQ(g_pMaterial->m_nFunction, 14);
    EXPECT_EQ(g_pMaterial->m_nCoef, 5);
    ASSERT_EQ(result.m_aOutputs.size(), 3u);
    EXPECT_EQ(result.m_aOutputs[0].m_eStatus, EOutputStatus::Written);
    EXPECT_EQ(result.m_aOutputs[1].m_eStatus, EOutputStatus::Written);
    EXPECT_EQ(result.m_aOutputs[2].m_eStatus, EOutputStatus::Failed);
    EXPECT_EQ(result.m_aOutputs[2].m_strPath, fs::absolute("saved/steel.mat").string());
    EXPECT_NE(result.m_aOutputs[2].m_strMessage.find("Permission denied"), std::string::npos)
        << result.m_aOutputs[2].m_strMessage;
    EXPECT_EQ(Snapshot("saved"), saved);
}

// A disk that fills up in the middle of a run: the small files (the exchange file, the
// Fortran text, the material file) still fit, the surface file does not. The run keeps its
// fit, reports "visual.tmp" with the reason and leaves the previous surface file in place.
TEST_F(WriteFailure, RunReportsTheSurfaceFileThatNoLongerFits) {
    ChooseModel(14);
    const auto aSurfaceBefore = FileBytes("work/visual.tmp");
    const std::size_t nRoom = FileBytes("work/steel.mat").size() + 1024;
    ASSERT_GT(aSurfaceBefore.size(), nRoom) << "the surface file must be the largest";
    CRunResult result;
    {
        CFileSizeLimit full(static_cast<rlim_t>(nRoom));
        result = Calc();
    }
    ASSERT_TRUE(result.Ok()) << result.m_strMessage;
    ASSERT_EQ(result.m_aOutputs.size(), 3u);
    EXPECT_EQ(result.m_aOutputs[0].m_eStatus, EOutputStatus::Written);
    EXPECT_EQ(result.m_aOutputs[1].m_eStatus, EOutputStatus::Failed);
    EXPECT_NE(result.m_aOutputs[1].m_strMessage.find("File too large"), std::string::npos)
        << result.m_aOutputs[1].m_strMessage;
    EXPECT_EQ(result.m_aOutputs[2].m_eStatus, EOutputStatus::Written);
    EXPECT_EQ(FileBytes("work/visual.tmp"), aSurfaceBefore);
    for (const auto& [strName, aBytes] : Snapshot("work"))
        EXPECT_EQ(strName.find(".part"), std::string::npos) << strName;
}
