// Timing of the refinement on stress and of the leave-one-curve-out validation, on the 30
// measured curves of steel-gleeble prepared by the engine (skipped when the set is absent).
//
// - Refine/<model>: RefineFit from the engine's log-space coefficients, the 870 measured
//   points; the coefficients are put back before each repetition.
// - HoldOut/<model>/<log|refined>: ValidateByHoldOut, 30 fits of 29 curves each through
//   the exchange file and the engine, refined or not.
// - Fit/19: model 19's fit (start and Levenberg-Marquardt) on the 870 measured points;
//   HoldOut/19: its leave-one-curve-out validation through the exchange file.
// - SinhOrder/<set>/<order>: the hyperbolic-sine law with polynomials of order 3..7 on
//   both measured sets, fitted without each curve in turn: counters RMS (all curves
//   fitted), meanRMS and maxRMS (the held-out curves), which order generalises best.

#include "vornel/run/HoldOut.h"
#include "vornel/document/Material.h"
#include "vornel/fit/Refinement.h"
#include "vornel/fit/FitReport.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SinhLaw.h"
#include "vornel/fit/SinhLawFit.h"
#include "BenchSupport.h"
#include "MeasuredSets.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace {

using vornel_bench::CBenchFolder;
using vornel_bench::CQuietStdout;
using vornel_bench::FittedGleeble;
using vornel_bench::FittedMeasuredSet;

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
    if (!result.Ok())
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

void FitSinh(benchmark::State& state) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = FittedGleeble(kSinhModel, strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    CRefinementResult result;
    for (auto _ : state) {
        result = FitSinhLaw(*pMaterial);
        benchmark::DoNotOptimize(result);
    }
    if (!result.Ok())
        state.SkipWithError(result.m_strMessage.c_str());
    state.counters["points"] = result.m_nPoints;
    state.counters["evaluations"] = result.m_nEvaluations;
    state.counters["RMS"] = MakeFitReport(*pMaterial).m_all.m_dRms;
}

// RMS of curve nCurve's measured points under the law of order nOrder with aCoef.
double HeldOutRms(const CMaterial& material, int nCurve, int nOrder, const std::vector<double>& aCoef) {
    double dSumSq = 0;
    int nPoints = 0;
    const CCurve& curve = material.Curve(nCurve);
    for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j, ++nPoints) {
        const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
        const double E = std::max(p.m_dStrain, kEvaluateMinStrain);
        const double H = std::max(p.m_dRate, kEvaluateMinRate);
        const double d = SinhTerms(aCoef.data(), nOrder, E, H, p.m_dTemp).m_dStress - p.m_dStress;
        dSumSq += d * d;
    }
    return std::sqrt(dSumSq / nPoints);
}

void SinhOrder(benchmark::State& state, const std::string& strSet, int nOrder) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = FittedMeasuredSet(strSet, kSinhModel, strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    double dMean = 0, dMax = 0;
    for (auto _ : state) {
        dMean = 0;
        dMax = 0;
        for (int k = 0; k < pMaterial->m_nCurves; ++k) {
            auto pReduced = std::make_unique<CMaterial>();
            pReduced->m_nPrepared = pMaterial->m_nPrepared;
            for (int i = 0; i < pMaterial->m_nCurves; ++i)
                if (i != k)
                    pReduced->Curve(pReduced->m_nCurves++) = pMaterial->Curve(i);
            const CSinhFit fit = FitSinhLawOfOrder(*pReduced, nOrder);
            if (!fit.Ok()) {
                state.SkipWithError(fit.m_strMessage.c_str());
                return;
            }
            const double dRms = HeldOutRms(*pMaterial, k, nOrder, fit.m_aCoef);
            dMean += dRms / pMaterial->m_nCurves;
            dMax = std::max(dMax, dRms);
        }
    }
    const CSinhFit all = FitSinhLawOfOrder(*pMaterial, nOrder);
    state.counters["RMS"] = std::sqrt(all.m_dSumSq / all.m_nPoints);
    state.counters["meanRMS"] = dMean;
    state.counters["maxRMS"] = dMax;
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
    benchmark::RegisterBenchmark("Fit/19", FitSinh)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("HoldOut/19", HoldOut, kSinhModel, false)->Unit(benchmark::kMillisecond);
    for (const char* szSet : {"steel-gleeble", "bst-compression"})
        for (int nOrder = 3; nOrder <= 7; ++nOrder)
            benchmark::RegisterBenchmark(("SinhOrder/" + std::string(szSet) + "/" + std::to_string(nOrder)).c_str(),
                                         SinhOrder, std::string(szSet), nOrder)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
    return vornel_bench::RunBenchmarks(argc, argv);
}
