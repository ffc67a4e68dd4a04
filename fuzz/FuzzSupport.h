#pragma once
// Helpers shared by the libFuzzer harnesses: a scratch folder for the files a harness feeds
// to the readers, and a check that stops the run with a message libFuzzer shows beside the
// crashing input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vornel_fuzz {

// Prints "invariant broken: <what>" and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void Broken(const char* szFile, int nLine, const std::string& strWhat) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", szFile, nLine, strWhat.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, what)                                   \
    do {                                                              \
        if (!(condition))                                             \
            ::vornel_fuzz::Broken(__FILE__, __LINE__, (what));        \
    } while (false)

// A folder of this process's own (under /dev/shm when it exists, so the files stay in
// memory), where the harnesses write their inputs. It is removed when the process ends
// normally; a crashing run leaves it for inspection.
inline const std::filesystem::path& ScratchFolder() {
    // Never destroyed, so the removal at exit still finds it.
    static const std::filesystem::path* s_pPath = [] {
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                      : std::filesystem::temp_directory_path();
        std::string strTemplate = (base / "vornel-fuzz-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data())) {
            std::perror("vornel fuzz: cannot create a scratch folder");
            std::abort();
        }
        return new std::filesystem::path(strTemplate);
    }();
    static const bool s_bRemoveAtExit = [] {
        return std::atexit([] {
            std::error_code ec;
            std::filesystem::current_path("/", ec);
            std::filesystem::remove_all(*s_pPath, ec);
        }) == 0;
    }();
    (void)s_bRemoveAtExit;
    return *s_pPath;
}

// The scratch folder as the current folder while it lives (libFuzzer itself reads and
// writes its corpus by the paths it was given, relative to the folder it started in).
class CInScratchFolder {
public:
    CInScratchFolder() : m_previous(std::filesystem::current_path()) { std::filesystem::current_path(ScratchFolder()); }
    ~CInScratchFolder() { std::filesystem::current_path(m_previous); }
    CInScratchFolder(const CInScratchFolder&) = delete;
    CInScratchFolder& operator=(const CInScratchFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

// Writes the fuzzer's bytes to strName in the scratch folder and returns its path.
inline std::string WriteInput(const std::string& strName, const std::uint8_t* pData, std::size_t nSize) {
    const std::string strPath = (ScratchFolder() / strName).string();
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile || (nSize && std::fwrite(pData, 1, nSize, pFile) != nSize) || std::fclose(pFile) != 0) {
        std::perror(strPath.c_str());
        std::abort();
    }
    return strPath;
}

} // namespace vornel_fuzz
