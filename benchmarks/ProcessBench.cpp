// Timing of the whole program as the user runs it: one `vornel --fit best --curves LIST`
// child process per run on N raw records of S samples each (N = 20, 50, 100, 200; S = 500,
// 2000, 8000), the page cache warm (one untimed run first), the median of 5 to 41 runs.
//
// Reported per case:
//   - the wall time of the raw run (the benchmark's time) and its peak resident memory
//     (peak_RSS_MB, the child's maximum resident set);
//   - open_ms: the same fit started from the material file the raw run wrote (--open), whose
//     curves are already prepared: the process start and the fourteen fits without the raw
//     path;
//   - ms_per_Msample: (raw - open) per million raw samples, the cost of the raw path
//     (reading the records, the exchange file both ways, the preparation) with its part
//     that does not grow with the samples (the files' opening, the first use of its code
//     and buffers), which weighs on the small cases;
//   - raw_cpu_ms: the raw run's processor time (user and system);
//   - after all cases, the cost per million raw samples between records of 500, 2000 and
//     8000 samples for each record count, (raw(N, S2) - raw(N, S1)) / (N (S2 - S1)), from
//     rounds of raw runs fitting model 2 only on the three sizes in turn: the growth of the
//     raw path with the samples alone, the program's start, the fit and the per-record work
//     (opening the files) being equal on both sides;
//   - for 200 x 2000, when the numpy/scipy script of the same job exists beside the checkout
//     (VORNEL_PEER_PIPELINE) and VORNEL_PEER_PYTHON runs it: peer_ms, its median wall time
//     measured between the same runs, and peer_ratio = peer_ms / raw time.

#include "RecordFiles.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs per case: at least kMinRuns pairs of raw and open runs, more for quick cases until
// the raw runs took kMinSeconds, at most kMaxRuns.
constexpr int kMinRuns = 5;
constexpr int kMaxRuns = 41;
constexpr double kMinSeconds = 1.5;
// Runs of the numpy/scipy script (about a second each).
constexpr int kPeerRuns = 5;

// One finished child: wall time, processor time (user and system) and peak resident set.
struct SRun {
    double m_dSeconds = 0;
    double m_dCpuSeconds = 0;
    double m_dPeakMB = 0;
    int m_nStatus = -1;
};

// Runs aArgs[0] with the arguments aArgs in folder, standard output and error to /dev/null.
SRun RunChild(const std::vector<std::string>& aArgs, const fs::path& folder) {
    std::vector<char*> aArgv;
    for (const std::string& strArg : aArgs)
        aArgv.push_back(const_cast<char*>(strArg.c_str()));
    aArgv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    SRun run;
    const auto tStart = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int nErr = posix_spawnp(&pid, aArgv[0], &actions, nullptr, aArgv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nErr != 0)
        return run;
    int nStatus = 0;
    rusage usage{};
    if (::wait4(pid, &nStatus, 0, &usage) != pid)
        return run;
    run.m_dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    run.m_dCpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1.0e6;
    run.m_dPeakMB = static_cast<double>(usage.ru_maxrss) / 1024.0; // KiB
    run.m_nStatus = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return run;
}

double Median(std::vector<double> a) {
    std::sort(a.begin(), a.end());
    const std::size_t n = a.size();
    return n % 2 ? a[n / 2] : 0.5 * (a[n / 2 - 1] + a[n / 2]);
}

// N records of S samples and their list "curves.txt" in a temporary folder, with a "run"
// folder for the files of the runs; removed with the object.
class CRecordSet {
public:
    CRecordSet(int nCurves, int nSamples) {
        std::string strTemplate = (fs::temp_directory_path() / "vornel-process-bench-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = strTemplate;
        fs::create_directory(m_folder / "run");
        vornel_test::WriteRecordSet(m_folder.string(), nCurves, nSamples);
    }
    ~CRecordSet() {
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
    CRecordSet(const CRecordSet&) = delete;
    CRecordSet& operator=(const CRecordSet&) = delete;

    std::string List() const { return (m_folder / "curves.txt").string(); }
    fs::path RunFolder() const { return m_folder / "run"; }

private:
    fs::path m_folder;
};

// The record sets, made when a case first needs them and kept for its repetitions.
const CRecordSet& Records(int nCurves, int nSamples) {
    static std::map<std::pair<int, int>, std::unique_ptr<CRecordSet>> s_sets;
    auto& pSet = s_sets[{nCurves, nSamples}];
    if (!pSet)
        pSet = std::make_unique<CRecordSet>(nCurves, nSamples);
    return *pSet;
}

bool PeerAvailable() {
    static const bool s_bAvailable = [] {
        if (!fs::exists(VORNEL_PEER_PIPELINE))
            return false;
        const SRun probe = RunChild({VORNEL_PEER_PYTHON, "-c", "import numpy, scipy"}, fs::temp_directory_path());
        return probe.m_nStatus == 0;
    }();
    return s_bAvailable;
}

void BM_Process(benchmark::State& state) {
    const int nCurves = static_cast<int>(state.range(0));
    const int nSamples = static_cast<int>(state.range(1));
    const CRecordSet& records = Records(nCurves, nSamples);
    const fs::path run = records.RunFolder();
    const std::vector<std::string> aRaw = {VORNEL_PROGRAM, "--fit", "best", "--name", "bench", "--curves", records.List()};
    const std::vector<std::string> aOpen = {VORNEL_PROGRAM, "--fit", "best", "--open", "bench.mat"};
    const bool bPeer = nCurves == 200 && nSamples == 2000 && PeerAvailable();
    const std::vector<std::string> aPeer = {VORNEL_PEER_PYTHON, VORNEL_PEER_PIPELINE, records.List()};

    // Warm the page cache and check that the program works on this set.
    if (RunChild(aRaw, run).m_nStatus != 0 || RunChild(aOpen, run).m_nStatus != 0) {
        state.SkipWithError("vornel did not fit the records");
        return;
    }
    if (bPeer)
        (void)RunChild(aPeer, run);

    std::vector<double> aRawSeconds, aRawCpuSeconds, aOpenSeconds, aPeakMB, aPeerSeconds;
    for (auto _ : state) {
        double dTotal = 0;
        for (int r = 0; r < kMaxRuns && (r < kMinRuns || dTotal < kMinSeconds); ++r) {
            const SRun raw = RunChild(aRaw, run);
            const SRun open = RunChild(aOpen, run);
            if (raw.m_nStatus != 0 || open.m_nStatus != 0) {
                state.SkipWithError("a run of vornel failed");
                return;
            }
            aRawSeconds.push_back(raw.m_dSeconds);
            aRawCpuSeconds.push_back(raw.m_dCpuSeconds);
            aOpenSeconds.push_back(open.m_dSeconds);
            aPeakMB.push_back(raw.m_dPeakMB);
            dTotal += raw.m_dSeconds;
            // The script's runs interleave with the first ones of the program, so that both
            // meet the same load of the machine.
            if (bPeer && r < kPeerRuns)
                aPeerSeconds.push_back(RunChild(aPeer, run).m_dSeconds);
        }
        state.SetIterationTime(Median(aRawSeconds));
    }
    const double dRaw = Median(aRawSeconds);
    const double dOpen = Median(aOpenSeconds);
    state.counters["raw_cpu_ms"] = 1000.0 * Median(aRawCpuSeconds);
    const double dMegaSamples = nCurves * static_cast<double>(nSamples) / 1.0e6;
    state.counters["open_ms"] = 1000.0 * dOpen;
    state.counters["ms_per_Msample"] = 1000.0 * (dRaw - dOpen) / dMegaSamples;
    state.counters["peak_RSS_MB"] = Median(aPeakMB);
    state.counters["runs"] = static_cast<double>(aRawSeconds.size());
    if (!aPeerSeconds.empty()) {
        state.counters["peer_ms"] = 1000.0 * Median(aPeerSeconds);
        state.counters["peer_ratio"] = Median(aPeerSeconds) / dRaw;
    }
}

constexpr int kRecordCounts[] = {20, 50, 100, 200};
constexpr int kSampleCounts[] = {500, 2000, 8000};

// The growth of the raw path's cost with the samples alone: for each record count, rounds of
// raw runs on records of every size in turn (so that a change in the machine's load meets
// all sizes alike), each fitting model 2 only. Its fit is a straight line through the
// prepared points, whose cost does not depend on the records; the fourteen fits of
// "best" do (their minimisers take more or fewer steps on each size's prepared curves)
// by more than the raw path of a small set costs. From the medians, the cost per million
// samples between sizes, in wall and in processor time.
void PrintGrowthPerSample() {
    constexpr std::size_t kSizes = std::size(kSampleCounts);
    // Small sets differ between sizes by a few milliseconds: they get more rounds (75 for
    // 20 records, 15 for 200), so that every record count spends about the same time.
    const auto rounds = [](int nCurves) { return std::clamp(3000 / nCurves, 15, 75); };
    std::vector<std::array<double, kSizes>> aWall(std::size(kRecordCounts)), aCpu(std::size(kRecordCounts));
    for (std::size_t r = 0; r < std::size(kRecordCounts); ++r) {
        const int nCurves = kRecordCounts[r];
        std::array<std::vector<double>, kSizes> aWallRuns, aCpuRuns;
        for (int nRound = 0; nRound < rounds(nCurves); ++nRound)
            for (std::size_t k = 0; k < kSizes; ++k) {
                const CRecordSet& records = Records(nCurves, kSampleCounts[k]);
                const SRun run = RunChild({VORNEL_PROGRAM, "--fit", "2", "--name", "bench", "--curves", records.List()},
                                          records.RunFolder());
                aWallRuns[k].push_back(run.m_dSeconds);
                aCpuRuns[k].push_back(run.m_dCpuSeconds);
            }
        for (std::size_t k = 0; k < kSizes; ++k) {
            aWall[r][k] = Median(aWallRuns[k]);
            aCpu[r][k] = Median(aCpuRuns[k]);
        }
    }
    for (const bool bCpu : {false, true}) {
        std::printf("\nRaw run of model 2, %s ms per million raw samples between record sizes,\n"
                    "(raw(N, S2) - raw(N, S1)) / (N (S2 - S1)):\n",
                    bCpu ? "processor" : "wall");
        std::printf("%8s", "records");
        for (std::size_t k = 0; k + 1 < kSizes; ++k)
            std::printf("  %6d -> %-6d", kSampleCounts[k], kSampleCounts[k + 1]);
        std::printf("\n");
        for (std::size_t r = 0; r < std::size(kRecordCounts); ++r) {
            std::printf("%8d", kRecordCounts[r]);
            const auto& aTime = bCpu ? aCpu[r] : aWall[r];
            for (std::size_t k = 0; k + 1 < kSizes; ++k) {
                const double dMegaSamples =
                    kRecordCounts[r] * static_cast<double>(kSampleCounts[k + 1] - kSampleCounts[k]) / 1.0e6;
                std::printf("  %16.1f", 1000.0 * (aTime[k + 1] - aTime[k]) / dMegaSamples);
            }
            std::printf("\n");
        }
    }
}

} // namespace

BENCHMARK(BM_Process)
    ->ArgNames({"records", "samples"})
    ->ArgsProduct({{std::begin(kRecordCounts), std::end(kRecordCounts)},
                   {std::begin(kSampleCounts), std::end(kSampleCounts)}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintGrowthPerSample();
    return 0;
}
