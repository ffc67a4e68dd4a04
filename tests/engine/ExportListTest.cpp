// libtarnfit.so exports exactly its entry points and kernels, with C linkage, and nothing of
// its internals.

#include "TestSupport.h"

#include <array>
#include <cstdio>
#include <dlfcn.h>
#include <set>
#include <string>

namespace {

const std::set<std::string> kExported = {
    "TARNFIT",       "KIVHOTHALVEKALL", "KIVHENZSPITTMNK", "KIVSENDARMNK",  "KIVLINEHOT___",
    "KIVFORGEMNK",   "KIVHOTPRAVEL1",   "KIVHOTHALVEK1",   "KIVHOTHALVEK2", "KIVHOTHALVEK3",
    "KIVHOTHALVEK4", "KIVHOTHALVEK5",   "KIVHOTHALVEK6",   "KIVHOTGRIDAN",  "KIVCOOLEXP2",
    "KIVCOOLPOLY1",  "KIVCOOLPOLY2",    "KIVCOOLPOLY3",    "KIVCOOLPOLY4",  "KIVCOOLPOLY5",
    "KIVCOOLPOLY6",  "KIVCOOL3",        "KIVLINEHOT",      "DRCURV",        "DUMPOL",
    "DUMINF",        "DLSARG",          "DEVLSF",          "DRLSE",         "TarnfitKernelSeverity",
    "TarnfitKernelCode", "TarnfitSetMessageSink", "TarnfitLastOutcome",
};

} // namespace

TEST(ExportList, EveryNameResolvesThroughTheDynamicLoader) {
    void* pLibrary = ::dlopen(VORNEL_TARNFIT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(pLibrary, nullptr) << ::dlerror();
    for (const std::string& strName : kExported)
        EXPECT_NE(::dlsym(pLibrary, strName.c_str()), nullptr) << strName;
    EXPECT_EQ(::dlsym(pLibrary, "_ZN7tarnfit6EngineEv"), nullptr); // tarnfit::Engine()
    ::dlclose(pLibrary);
}

TEST(ExportList, NothingElseIsExported) {
#ifdef VORNEL_NM
    const std::string strCommand = std::string("'") + VORNEL_NM + "' -D --defined-only '" + VORNEL_TARNFIT_LIBRARY + "'";
    std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
    ASSERT_NE(pPipe, nullptr);
    std::set<std::string> names;
    std::array<char, 512> line{};
    while (std::fgets(line.data(), static_cast<int>(line.size()), pPipe)) {
        std::string strLine(line.data());
        while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r'))
            strLine.pop_back();
        const std::size_t nBlank = strLine.find_last_of(' ');
        names.insert(strLine.substr(nBlank + 1));
    }
    ASSERT_EQ(::pclose(pPipe), 0);
    EXPECT_EQ(names, kExported);
#else
    SkipOrFailWithoutOracle("nm, which lists the dynamic symbols, was not found when the tests were configured");
#endif
}
