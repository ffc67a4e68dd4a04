// Timing of the refinement on stress and of the leave-one-curve-out validation, on the 30
// measured curves of steel-gleeble prepared by the engine (skipped when the set is absent).
//
// - Refine/<model>: RefineFit from the engine's log-space coefficients, the 870 measured
//   points; the coefficients are put back before each repetition.
// - HoldOut/<model>/<log|refined>: ValidateByHoldOut, 30 fits of 29 curves each through
//   the exchange file and the engine, refined or not.

#include "vornel/HoldOut.h"
#include "vornel/Material.h"
#include "vornel/Refinement.h"
#include "BenchSupport.h"
#include "MeasuredSets.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using vornel_bench::CBenchFolder;
using vornel_bench::CQuietStdout;
using vornel_bench::FittedGleeble;

void Refine(benchmark::State& state, int nModel) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = FittedGleeble(nModel, strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    const auto aLogSpace = pMaterial->m_dCoef;
    CRefinementResult result;
    for (auto _ : state) {
        pMaterial->m_dCoef = aLogSpace;
        result = RefineFit(*pMaterial);
        benchmark::DoNotOptimize(result);
    }
    if (!result.Refined())
        state.SkipWithError(result.m_strMessage.c_str());
    state.counters["points"] = result.m_nPoints;
    state.counters["evaluations"] = result.m_nEvaluations;
}

void HoldOut(benchmark::State& state, int nModel, bool bRefine) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = FittedGleeble(nModel, strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    CHoldOutReport report;
    for (auto _ : state) {
        CQuietStdout quiet;
        report = ValidateByHoldOut(*pMaterial, CFitOptions{bRefine});
    }
    state.counters["fits"] = report.m_nFitted;
    state.counters["meanRMS"] = report.m_dMeanRms;
    state.counters["maxRMS"] = report.m_dMaxRms;
}

} // namespace

int main(int argc, char** argv) {
    CBenchFolder folder;
    for (int nModel : {9, 13, 14, 17, 18}) {
        const std::string strModel = std::to_string(nModel);
        benchmark::RegisterBenchmark(("Refine/" + strModel).c_str(), Refine, nModel)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("HoldOut/" + strModel + "/log").c_str(), HoldOut, nModel, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("HoldOut/" + strModel + "/refined").c_str(), HoldOut, nModel, true)
            ->Unit(benchmark::kMillisecond);
    }
    return vornel_bench::RunBenchmarks(argc, argv);
}
