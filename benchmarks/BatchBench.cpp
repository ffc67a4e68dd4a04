// Timing of the whole Optimization in the batch mode, from the experiment files to the written
// results: 200 raw records of 2000 samples each are imported, written to "temp.mat", prepared
// and fitted with the fourteen candidate models, the chosen model is fitted again, and
// "progr.f90", "visual.tmp" and the material file are written.

#include "BatchMode.h"
#include "RecordFiles.h"
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using vornel_bench::CQuietStdout;

constexpr int kCurves = 200;
constexpr int kSamples = 2000;

// The records and their list in a temporary folder, made once per process.
class CRecordSet {
public:
    CRecordSet() {
        std::string strTemplate = (fs::temp_directory_path() / "vornel-batch-bench-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = strTemplate;
        vornel_test::WriteRecordSet(m_folder.string(), kCurves, kSamples);
    }
    ~CRecordSet() {
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
    std::string List() const { return (m_folder / "curves.txt").string(); }
    const fs::path& Folder() const { return m_folder; }

private:
    fs::path m_folder;
};

void BM_BatchOptimization(benchmark::State& state) {
    static const CRecordSet records;
    const fs::path previous = fs::current_path();
    const fs::path run = records.Folder() / "run";
    fs::create_directories(run);
    fs::current_path(run);
    std::ostringstream out;
    std::ostringstream err;
    int nStatus = 0;
    for (auto _ : state) {
        CQuietStdout quiet;
        nStatus = RunBatch({"--fit", "best", "--name", "bench", "--curves", records.List()}, out, err);
    }
    fs::current_path(previous);
    if (nStatus != kBatchFitted)
        state.SkipWithError(("the batch run failed: " + err.str()).c_str());
    state.counters["curves"] = kCurves;
    state.counters["samples"] = kCurves * kSamples;
}

} // namespace

BENCHMARK(BM_BatchOptimization)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
