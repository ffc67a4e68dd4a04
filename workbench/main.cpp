// vornel: the workbench window without arguments or with one material file, the batch mode
// with options (vornel --help).

#include "BatchMode.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#ifdef VORNEL_HAS_WINDOW
#include "WindowModule.h"
#include "formats/FileError.h"
#include "vornel/view/PlotGroups.h"

#include <dlfcn.h>

#include <filesystem>

namespace {

// The window module beside this program, loaded on first use; null (and strError says
// why) when it cannot be loaded.
void* WindowModule(std::string& strError) {
    static void* s_pModule = nullptr;
    static std::string s_strError;
    static bool s_bTried = false;
    if (!s_bTried) {
        s_bTried = true;
        std::error_code ec;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
        const std::filesystem::path module = program.parent_path() / kWindowModuleName;
        s_pModule = ec ? nullptr : ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!s_pModule)
            s_strError = "the window module cannot be loaded: " +
                         (ec ? "/proc/self/exe: " + ec.message() : std::string(::dlerror()));
    }
    strError = s_strError;
    return s_pModule;
}

template <class Function>
Function FindInWindowModule(const char* szName, std::string& strError) {
    void* pModule = WindowModule(strError);
    if (!pModule)
        return nullptr;
    auto pFunction = reinterpret_cast<Function>(::dlsym(pModule, szName));
    if (!pFunction)
        strError = std::string("the window module has no ") + szName;
    return pFunction;
}

// --plot: draws the material's plot in the view eView into a file through the window module.
void WritePlotThroughModule(const CMaterial& material, const std::string& strPath, EPlotView eView) {
    std::string strError;
    const auto pWritePlot = FindInWindowModule<WritePlotFunction>(kWritePlotName, strError);
    if (!pWritePlot)
        throw CFileError(strPath, "not drawn: " + strError);
    if (const char* szMessage = pWritePlot(&material, strPath.c_str(), static_cast<int>(eView)))
        throw std::runtime_error(szMessage);
}

// --map: draws the processing maps into a file through the window module.
void WriteMapThroughModule(const std::vector<CProcessingMap>& aMaps, const std::string& strPath) {
    std::string strError;
    const auto pWriteMap = FindInWindowModule<WriteMapFunction>(kWriteMapName, strError);
    if (!pWriteMap)
        throw CFileError(strPath, "not drawn: " + strError);
    if (const char* szMessage = pWriteMap(&aMaps, strPath.c_str()))
        throw std::runtime_error(szMessage);
}

} // namespace
#endif

namespace {

// Sets up the heap for raw records of tens of MB. A fresh 4 KiB page costs a fault on its
// first touch (microseconds each in a virtual machine), and glibc maps every block above
// 128 KiB on its own and unmaps it when freed, each unmap flushing the TLB. So blocks below
// 32 MiB (a curve of a few hundred KiB, a file's bytes) come from the heap, the heap keeps
// what is freed for the next command instead of giving it back, and a first stretch of it
// (kReserve of address space, resident only where touched) is offered transparent huge
// pages, so that it faults in 2 MiB at a time. That stretch starts on a 2 MiB boundary: the
// program break is first moved up to the next one (address space only, never touched), else
// the heap would grow through 0 to 2 MiB of small pages first, as many as the randomised
// start of the heap leaves, and the cost of a run would vary by up to 512 faults. glibc
// takes a break moved by another as the start of a new stretch of its heap. Without huge
// pages or with another C library the program works all the same; only slower.
// Measured with bench_process, raw runs with and without it interleaved in one run (medians
// of 21 or more): 200 records of 2000 samples 62.8 ms against 74.8 ms without (15 % less),
// 20 records of 500 samples 6.5 ms against 6.6 ms. So the batch mode sets it up; the
// window, whose commands wait on the user, does not.
void PrepareHeap() {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    constexpr std::size_t kReserve = std::size_t{256} << 20;
    constexpr std::size_t kProbe = std::size_t{1} << 20;
    constexpr int kDefaultTopPad = 128 << 10;
    (void)mallopt(M_MMAP_THRESHOLD, 32 << 20); // glibc's largest
    (void)mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const auto nBreak = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    if (const std::uintptr_t nGap = (kHugePage - nBreak % kHugePage) % kHugePage)
        (void)::sbrk(static_cast<std::intptr_t>(nGap));
    // One growth of the heap by kReserve beyond a probe larger than its free top.
    const auto nBefore = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    (void)mallopt(M_TOP_PAD, static_cast<int>(kReserve));
    void* volatile pProbe = std::malloc(kProbe); // volatile: the pair must not be optimised away
    std::free(pProbe);
    (void)mallopt(M_TOP_PAD, kDefaultTopPad);
    const auto nAfter = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    const std::uintptr_t nStart = (nBefore + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t nEnd = nAfter / kHugePage * kHugePage;
    if (nEnd > nStart)
        (void)::madvise(reinterpret_cast<void*>(nStart), nEnd - nStart, MADV_HUGEPAGE);
}

} // namespace

int main(int argc, char** argv) {
    const bool bWindow = argc == 1 || (argc == 2 && argv[1][0] != '-');
    if (!bWindow)
        PrepareHeap();
#ifdef VORNEL_HAS_WINDOW
    if (bWindow) {
        // Without a display Qt would abort; say what to do instead.
        const auto unset = [](const char* szName) {
            const char* szValue = std::getenv(szName);
            return !szValue || !*szValue;
        };
        if (unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM")) {
            std::cerr << "vornel: there is no display to open the window on (DISPLAY is not set); "
                         "the batch mode is described by vornel --help\n";
            return kBatchError;
        }
        std::string strError;
        const auto pWindowMain = FindInWindowModule<WindowMainFunction>(kWindowMainName, strError);
        if (!pWindowMain) {
            std::cerr << "vornel: " << strError << '\n';
            return kBatchError;
        }
        return pWindowMain(argc, argv);
    }
#else
    if (bWindow) {
        std::cerr << "vornel: this build has no workbench window; the batch mode is described by vornel --help\n";
        return kBatchError;
    }
#endif
    const std::vector<std::string> aArgs(argv + 1, argv + argc);
#ifdef VORNEL_HAS_WINDOW
    return RunBatch(aArgs, std::cout, std::cerr, WritePlotThroughModule, WriteMapThroughModule);
#else
    return RunBatch(aArgs, std::cout, std::cerr);
#endif
}
