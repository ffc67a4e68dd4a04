// Reading and preparing test-machine records against reading the same numbers in the
// experiment data format: 200 simulator records of 20,000 rows (force, jaw stroke and
// temperature among six columns, 10 temperatures x 10 strain rates, each condition twice)
// with every step on (segment, sign, true values from force and stroke, foot, friction,
// adiabatic correction, repeats), and their strain and stress as 200 experiment data files.
// ImportPrepared / ImportExperimentFormat is the cost of the column files and the
// preparation over the plain import (the aim: at most 2; 7.6 measured, 1.26 s against
// 0.165 s, medians of 3; 21 before the adiabatic correction's tables kept their order
// between rounds, see README).

#include "vornel/session/Operations.h"
#include "RecordFiles.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 200;
constexpr int kRows = 20000;

class CRecords {
public:
    CRecords() {
        std::string strTemplate = (fs::temp_directory_path() / "vornel-intake-bench-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = strTemplate;
        vornel_test::CSimulatorTest test;
        test.m_nRise = kRows - 70;
        test.m_dFriction = 0.2;
        for (int i = 0; i < kRecords; ++i) {
            const double dTemp = 800 + 50 * (i % 10);
            const double dRate = 0.001 * std::pow(10.0, (i / 10 % 10) * 0.4);
            const std::string strCsv = (m_folder / ("sim_" + std::to_string(i) + ".csv")).string();
            vornel_test::WriteSimulatorRecord(strCsv, vornel_test::SofteningLaw, dTemp, dRate, test);
            m_aColumn.push_back({strCsv, dTemp, dRate, {}});
            // The same rows' true strain and stress in the experiment data format.
            const std::string strAsc = (m_folder / ("sim_" + std::to_string(i) + ".asc")).string();
            std::FILE* pFile = std::fopen(strAsc.c_str(), "w");
            std::fprintf(pFile, "t=%g H=%g\nn strain stress\n- - MPa\n", dTemp, dRate);
            for (int j = 1; j <= kRows; ++j) {
                const double dE = test.m_dMaxStrain * j / kRows;
                std::fprintf(pFile, "%d %f %f\n", j, dE, vornel_test::SofteningLaw(dE, dRate, dTemp));
            }
            std::fclose(pFile);
            m_aPart.push_back({strAsc, dTemp, dRate, {}});
        }
        m_profile = ParseImportProfile("force = Force\nstroke = Jaw\nheight0 = 12\ndiameter0 = 10\nsegment = yes\n"
                                       "foot = yes\nfriction_m = 0.2\nadiabatic = rate\ndensity = 7800\n"
                                       "heat_capacity = 600\nrepeats = average\n",
                                       "bench.profile");
    }
    ~CRecords() {
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
    fs::path m_folder;
    std::vector<CCurveSpec> m_aColumn, m_aPart;
    CImportProfile m_profile;
};

const CRecords& Records() {
    static const CRecords records;
    return records;
}

void Import(benchmark::State& state, const std::vector<CCurveSpec>& aSpecs, const CImportProfile* pProfile) {
    for (auto _ : state) {
        NewMaterial("bench");
        const CImportedCurves imported = AddCurves(aSpecs, pProfile);
        benchmark::DoNotOptimize(g_pMaterial->m_nPoints);
    }
    state.counters["curves"] = g_pMaterial->m_nCurves;
    state.counters["points"] = g_pMaterial->m_nPoints;
}

void BM_ImportExperimentFormat(benchmark::State& state) { Import(state, Records().m_aPart, nullptr); }
void BM_ImportPrepared(benchmark::State& state) { Import(state, Records().m_aColumn, &Records().m_profile); }

BENCHMARK(BM_ImportExperimentFormat)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImportPrepared)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
