// Timing of the refinement on stress and of the leave-one-curve-out validation, on the 30
// measured curves of steel-gleeble prepared by the engine (skipped when the set is absent).
//
// - Refine/<model>: RefineFit from the engine's log-space coefficients, the 870 measured
//   points; the coefficients are put back before each repetition.
// - HoldOut/<model>/<log|refined>: ValidateByHoldOut, 30 fits of 29 curves each through
//   the exchange file and the engine, refined or not.
// - Fit/19: model 19's fit (start and Levenberg-Marquardt) on the 870 measured points;
//   HoldOut/19: its leave-one-curve-out validation, the folds in memory on every processor.
// - Fit/21, HoldOut/21: the same of model 21 (backbone, smoothing weights by
//   leave-one-condition-out cross-validation, monotone spline).
// - Fit91/<model>, HoldOut91/<model>: models 19 and 21 on 91 generated records (13
//   temperatures x 7 strain rates of a hyperbolic-sine law whose stress exponent changes
//   with the temperature, hardening then softening, 1 % noise), prepared by the engine.
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
#include "vornel/fit/ModelFit.h"
#include "vornel/fit/SplineLawFit.h"
#include "vornel/model/SplineLaw.h"
#include "BenchSupport.h"
#include "MeasuredSets.h"
#include "RecordFiles.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <memory>
#include <string>

namespace {

using vornel_bench::CBenchFolder;
using vornel_bench::CQuietStdout;
using vornel_bench::FittedGleeble;
using vornel_bench::FittedMeasuredSet;

// The 91 generated records of the Fit91 and HoldOut91 benchmarks, written once into the
// benchmark's folder, fitted with nModel.
std::unique_ptr<CMaterial> Fitted91(int nModel, std::string& strProblem) {
    const std::string strFolder = "records-91";
    if (!std::filesystem::exists(strFolder + "/conditions.txt")) {
        std::filesystem::create_directory(strFolder);
        const vornel_test::RecordLaw law = [](double E, double H, double t) {
            const double dN = 3.5 + 0.006 * (t - 850);
            const double dZ = H * std::exp(380000.0 / (8.314 * (t + 273.15)));
            const double dSteady = std::asinh(std::pow(dZ / 4e13, 1 / dN)) / 0.012;
            return dSteady * (0.55 + 0.45 * (1 - std::exp(-E / 0.06))) * (1 - 0.12 * (1 - std::exp(-E / 0.3)));
        };
        std::string strList;
        for (int t = 0; t < 13; ++t)
            for (int h = 0; h < 7; ++h) {
                const double dTemp = 850 + 25 * t, dRate = 0.001 * std::pow(10.0, 0.5 * h);
                const std::string strFile = "rec_" + std::to_string(t) + "_" + std::to_string(h) + ".asc";
                vornel_test::WriteRecord(strFolder + "/" + strFile, law, dTemp, dRate, 200, 0.8, 10, 15, 0.01,
                                         static_cast<unsigned>(7 * t + h + 1));
                strList += strFile + " " + std::to_string(dTemp) + " " + std::to_string(dRate) + "\n";
            }
        std::ofstream(strFolder + "/conditions.txt") << strList;
    }
    std::unique_ptr<CMaterial> pMaterial = vornel_test::LoadMeasuredSet(strFolder);
    pMaterial->m_nFunction = nModel;
    CQuietStdout quiet;
    if (!pMaterial->RunApproximation().Ok()) {
        strProblem = "model " + std::to_string(nModel) + " was refused on the 91 records";
        return nullptr;
    }
    return pMaterial;
}

using MaterialSource = std::unique_ptr<CMaterial> (*)(int nModel, std::string& strProblem);

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

void HoldOut(benchmark::State& state, MaterialSource source, int nModel, bool bRefine) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = source(nModel, strProblem);
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

// The workbench's own fit of model nModel, repeated on the material as prepared.
void FitCore(benchmark::State& state, MaterialSource source, int nModel) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = source(nModel, strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    CRefinementResult result;
    for (auto _ : state) {
        result = FindCoreFit(nModel)(*pMaterial, nullptr);
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
        benchmark::RegisterBenchmark(("HoldOut/" + strModel + "/log").c_str(), HoldOut, FittedGleeble, nModel, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("HoldOut/" + strModel + "/refined").c_str(), HoldOut, FittedGleeble, nModel,
                                     true)
            ->Unit(benchmark::kMillisecond);
    }
    for (int nModel : {kSinhModel, kSplineModel}) {
        const std::string strModel = std::to_string(nModel);
        benchmark::RegisterBenchmark(("Fit/" + strModel).c_str(), FitCore, FittedGleeble, nModel)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("HoldOut/" + strModel).c_str(), HoldOut, FittedGleeble, nModel, false)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        benchmark::RegisterBenchmark(("Fit91/" + strModel).c_str(), FitCore, Fitted91, nModel)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("HoldOut91/" + strModel).c_str(), HoldOut, Fitted91, nModel, false)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime()
            ->Iterations(1);
    }
    for (const char* szSet : {"steel-gleeble", "bst-compression"})
        for (int nOrder = 3; nOrder <= 7; ++nOrder)
            benchmark::RegisterBenchmark(("SinhOrder/" + std::string(szSet) + "/" + std::to_string(nOrder)).c_str(),
                                         SinhOrder, std::string(szSet), nOrder)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
    return vornel_bench::RunBenchmarks(argc, argv);
}
