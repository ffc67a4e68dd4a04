#pragma once
// Helpers the benchmark programs share: a temporary working folder, a quiet standard
// output (the engine's and the kernels' lines would drown the report) and the measured
// steel set fitted by the engine.

#include "MeasuredSets.h"
#include "vornel/document/Material.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace vornel_bench {

// A fresh temporary folder that the process works in while the object lives.
class CBenchFolder {
public:
    CBenchFolder() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "vornel-bench-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_path = strTemplate;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~CBenchFolder() {
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    CBenchFolder(const CBenchFolder&) = delete;
    CBenchFolder& operator=(const CBenchFolder&) = delete;

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// Standard output goes to /dev/null while an instance lives.
class CQuietStdout {
public:
    CQuietStdout() {
        std::fflush(stdout);
        m_nSaved = ::dup(STDOUT_FILENO);
        const int nNull = ::open("/dev/null", O_WRONLY);
        ::dup2(nNull, STDOUT_FILENO);
        ::close(nNull);
    }
    ~CQuietStdout() {
        std::fflush(stdout);
        ::dup2(m_nSaved, STDOUT_FILENO);
        ::close(m_nSaved);
    }
    CQuietStdout(const CQuietStdout&) = delete;
    CQuietStdout& operator=(const CQuietStdout&) = delete;

private:
    int m_nSaved;
};

// The measured set strSet fitted with nModel (the engine's fit), or null (with the reason)
// when absent.
inline std::unique_ptr<CMaterial> FittedMeasuredSet(const std::string& strSet, int nModel, std::string& strProblem) {
    const std::string strFolder = vornel_test::SharedDataSet(strSet);
    if (strFolder.empty()) {
        strProblem = "no measured curves at " + std::string(VORNEL_SHARED_DATA) + "/" + strSet;
        return nullptr;
    }
    std::unique_ptr<CMaterial> pMaterial = vornel_test::LoadMeasuredSet(strFolder);
    pMaterial->m_nFunction = nModel;
    CQuietStdout quiet;
    if (!pMaterial->RunApproximation().Ok()) {
        strProblem = "the engine refused model " + std::to_string(nModel);
        return nullptr;
    }
    return pMaterial;
}

// The Gleeble steel set fitted with nModel.
inline std::unique_ptr<CMaterial> FittedGleeble(int nModel, std::string& strProblem) {
    return FittedMeasuredSet("steel-gleeble", nModel, strProblem);
}

// Runs the registered benchmarks with the command line's options; 1 for an option Google
// Benchmark does not know.
inline int RunBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vornel_bench
