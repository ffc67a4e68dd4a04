// vornel: the workbench window without arguments or with one material file, the batch mode
// with options (vornel --help).

#include "vornel/BatchMode.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#ifdef VORNEL_HAS_WINDOW
#include "CurvePlot.h"
#include "KivApp.h"

#include <QGuiApplication>

namespace {

// --plot: draws the material's plot into a file. Only images are drawn, so the offscreen
// platform serves with or without a display.
void WritePlotOffscreen(const CMaterial& material, const std::string& strPath) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The error stream carries the batch mode's own messages; Qt's remarks on its
    // environment (runtime folder, fonts) are not the user's business here.
    qInstallMessageHandler([](QtMsgType eType, const QMessageLogContext&, const QString& strText) {
        if (eType == QtCriticalMsg || eType == QtFatalMsg)
            std::cerr << "vornel: " << strText.toStdString() << '\n';
    });
    int argc = 1;
    char szName[] = "vornel";
    char* argv[] = {szName, nullptr};
    const QGuiApplication app(argc, argv);
    WritePlotFile(material, strPath);
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
// pages, so that it faults in 2 MiB at a time. Without huge pages or with another C library
// the program works all the same; only slower.
void PrepareHeap() {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    constexpr std::size_t kReserve = std::size_t{256} << 20;
    constexpr std::size_t kProbe = std::size_t{1} << 20;
    constexpr int kDefaultTopPad = 128 << 10;
    (void)mallopt(M_MMAP_THRESHOLD, 32 << 20); // glibc's largest
    (void)mallopt(M_TRIM_THRESHOLD, 1 << 30);
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
    PrepareHeap();
    const bool bWindow = argc == 1 || (argc == 2 && argv[1][0] != '-');
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
        return RunWorkbenchWindow(argc, argv);
    }
#else
    if (bWindow) {
        std::cerr << "vornel: this build has no workbench window; the batch mode is described by vornel --help\n";
        return kBatchError;
    }
#endif
    const std::vector<std::string> aArgs(argv + 1, argv + argc);
#ifdef VORNEL_HAS_WINDOW
    return RunBatch(aArgs, std::cout, std::cerr, WritePlotOffscreen);
#else
    return RunBatch(aArgs, std::cout, std::cerr);
#endif
}
