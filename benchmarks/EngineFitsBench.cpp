// Timing of the engine's strain-only fits and of the state-variable fit, each a whole
// entry-point call as the workbench makes it (read "temp.mat", fit, write it back).
//
// - KIVCOOLEXP2, KIVCOOLPOLY1..6, KIVCOOL3 on 200 prepared synthetic curves of 30 points.
// - KIVLINEHOT on the 30 measured curves of steel-gleeble (imported as the workbench
//   imports them, prepared once by KIVHOTHALVEKALL); skipped when the folder is absent.
//
// The benchmarks run in a temporary folder; kernel messages printed during the timed calls
// are sent to /dev/null so that they do not drown the report.

#include "vornel/document/Material.h"
#include "formats/ExchangeFile.h"
#include "tarnfit/tarnfit.h"
#include "BenchSupport.h"
#include "MeasuredSets.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using vornel_bench::CBenchFolder;
using vornel_bench::CQuietStdout;

// 200 prepared curves of 30 evenly spaced strains from 0.01 to a last strain between 0.6
// and 1.0 (no two curves share a strain): a hardening and softening flow curve
// s = 120 (1 + 2 sqrt(E)) exp(-0.4 E) [MPa] scaled per curve, with 1 % noise.
CExchangeData SyntheticCurves() {
    constexpr int kCurves = 200;
    constexpr int kPoints = 30;
    std::mt19937 rng(7u);
    std::normal_distribution<double> noise(0.0, 0.01);
    CExchangeData data;
    data.m_nPrepared = 1;
    data.m_nFunction = 1;
    for (int c = 0; c < kCurves; ++c) {
        const double dTemp = 800.0 + 2.5 * c;             // deg C
        const double dRate = std::pow(10.0, -2 + c % 5);  // 1/s
        const double dLevel = 0.6 + 0.004 * c;
        const double dLastStrain = 0.6 + 0.002 * c;
        CExchangeCurve curve;
        for (int j = 0; j < kPoints; ++j) {
            CExchangePoint p;
            p.m_dStrain = 0.01 + (dLastStrain - 0.01) * j / (kPoints - 1);
            p.m_dRate = dRate;
            p.m_dTemp = dTemp;
            p.m_dTime = p.m_dStrain / dRate;
            p.m_dStress = dLevel * 120.0 * (1 + 2 * std::sqrt(p.m_dStrain)) * std::exp(-0.4 * p.m_dStrain) *
                          (1 + noise(rng));
            curve.m_aPoints.push_back(p);
        }
        data.m_aCurves.push_back(curve);
    }
    return data;
}

void SingleCurveFit(benchmark::State& state, int (*pfnEntry)(void)) {
    WriteExchangeData("temp.mat", SyntheticCurves(), EExchangeTrailer::CurveWords);
    for (auto _ : state) {
        CQuietStdout quiet;
        pfnEntry();
    }
    const CExchangeData back = ReadExchangeData("temp.mat", CExchangeLimits{200, 56});
    state.counters["NCOEF"] = static_cast<double>(back.m_aCoef.size());
    state.counters["ErrorSr"] = back.m_dErrorSr;
    state.counters["ErrorMax"] = back.m_dErrorMax;
}

// Imports the measured Gleeble curves and writes them raw to "temp.mat". False when the
// set is absent.
bool WriteGleebleMaterial(std::string& strProblem) {
    const std::string strFolder = vornel_test::SharedDataSet("steel-gleeble");
    if (strFolder.empty()) {
        strProblem = "no measured curves at " + std::string(VORNEL_SHARED_DATA) + "/steel-gleeble";
        return false;
    }
    vornel_test::LoadMeasuredSet(strFolder)->WriteMaterialFile(0);
    return true;
}

void LineHotFit(benchmark::State& state) {
    std::string strProblem;
    if (!WriteGleebleMaterial(strProblem)) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    {
        CQuietStdout quiet;
        KIVHOTHALVEKALL(); // prepares the curves once; KIVLINEHOT never writes the file
    }
    for (auto _ : state) {
        CQuietStdout quiet;
        KIVLINEHOT();
    }
    state.counters["curves"] = static_cast<double>(ReadExchangeData("temp.mat", CExchangeLimits{200, 56}).m_aCurves.size());
}

struct SEntry {
    const char* m_szName;
    int (*m_pfnEntry)(void);
};

const SEntry kSingleCurveEntries[] = {
    {"KIVCOOLEXP2", KIVCOOLEXP2},   {"KIVCOOLPOLY1", KIVCOOLPOLY1}, {"KIVCOOLPOLY2", KIVCOOLPOLY2},
    {"KIVCOOLPOLY3", KIVCOOLPOLY3}, {"KIVCOOLPOLY4", KIVCOOLPOLY4}, {"KIVCOOLPOLY5", KIVCOOLPOLY5},
    {"KIVCOOLPOLY6", KIVCOOLPOLY6}, {"KIVCOOL3", KIVCOOL3},
};

} // namespace

int main(int argc, char** argv) {
    CBenchFolder folder;
    for (const SEntry& entry : kSingleCurveEntries)
        benchmark::RegisterBenchmark((std::string(entry.m_szName) + "/200x30").c_str(), SingleCurveFit, entry.m_pfnEntry)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("KIVLINEHOT/steel-gleeble", LineHotFit)->Unit(benchmark::kMillisecond);
    return vornel_bench::RunBenchmarks(argc, argv);
}
