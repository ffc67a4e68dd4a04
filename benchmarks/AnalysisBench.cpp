// Timing of the hot-working analyses on materials of 30 curves:
//
// - Map/<law|data>/synthetic: the processing map at one strain (61 x 61 points) of 30
//   prepared curves (5 temperatures x 6 strain rates, 30 points each) of a model 19 law
//   whose polynomials depend on the strain, from the law and from the curves;
// - Map/<law|data>/steel: the same on the Gleeble steel set fitted with model 19 (skipped
//   when the set is absent);
// - Curves/steel and ActivationEnergy/steel: each curve's characteristics, and the
//   activation energy from the peak stresses with its search for alpha.
// The map of a 30-curve material at one strain is to take under 50 ms.

#include "vornel/analysis/ActivationEnergy.h"
#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/analysis/ProcessingMap.h"
#include "vornel/document/Material.h"
#include "vornel/model/SinhLaw.h"
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// 30 prepared curves of a model 19 law (alpha, n, Q and ln A of typical size, all changing
// with the strain), the law fitted.
const CMaterial& SyntheticMaterial() {
    static const CMaterial s_material = [] {
        const std::vector<double> aCoef = {0.012, 0.002, -0.001, 0.0005, -0.0002, 0.0001, 5,  -1,   0.5,
                                           -0.2,  0.1,   -0.05,  400,    -60,     30,     -10, 5,  -2,
                                           35,    -5,    2.5,    -1,     0.5,     -0.2,   0.05, 0.7};
        CMaterial material;
        material.m_nFunction = kSinhModel;
        material.m_nCoef = kSinhCoef;
        std::copy(aCoef.begin(), aCoef.end(), material.m_dCoef.begin());
        material.m_nPrepared = 1;
        for (double t : {900.0, 975.0, 1050.0, 1125.0, 1200.0})
            for (double H : {0.001, 0.01, 0.1, 1.0, 5.0, 10.0}) {
                CCurve& curve = material.Curve(material.m_nCurves++);
                curve.m_dTemp = t;
                curve.m_dRate = H;
                for (int k = 0; k < 30; ++k) {
                    const double E = 0.8 * (k + 1) / 30;
                    curve.m_pPoints.push_back({0, material.Evaluate(E, t, H), 0, t, E, H, 0});
                }
            }
        material.m_nPoints = material.CountPoints();
        return material;
    }();
    return s_material;
}

// The steel set fitted with model 19, or null with the reason.
const CMaterial* SteelMaterial(std::string& strProblem) {
    static std::string s_strProblem;
    static const std::unique_ptr<CMaterial> s_pMaterial = [] {
        vornel_bench::CBenchFolder folder;
        return vornel_bench::FittedGleeble(kSinhModel, s_strProblem);
    }();
    strProblem = s_strProblem;
    return s_pMaterial.get();
}

void Map(benchmark::State& state, EMapSource eSource, bool bSteel) {
    std::string strProblem;
    const CMaterial* pMaterial = bSteel ? SteelMaterial(strProblem) : &SyntheticMaterial();
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    CProcessingMap map;
    for (auto _ : state) {
        map = MakeProcessingMap(*pMaterial, 0.3, eSource);
        benchmark::DoNotOptimize(map);
    }
    if (!map.Ok())
        state.SkipWithError(map.m_strMessage.c_str());
    state.counters["curves"] = pMaterial->m_nCurves;
    state.counters["points"] = static_cast<double>(map.m_aM.size());
}

void Curves(benchmark::State& state) {
    std::string strProblem;
    const CMaterial* pMaterial = SteelMaterial(strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(CurveCharacteristics(*pMaterial, {0.1, 0.3, 0.5}));
}

void ActivationEnergy(benchmark::State& state) {
    std::string strProblem;
    const CMaterial* pMaterial = SteelMaterial(strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    CActivationEnergy energy;
    for (auto _ : state) {
        energy = AnalyseActivationEnergy(*pMaterial);
        benchmark::DoNotOptimize(energy);
    }
    state.counters["Q_kJ/mol"] = energy.m_searched.m_dQ;
    state.counters["n"] = energy.m_searched.m_dN;
}

} // namespace

BENCHMARK_CAPTURE(Map, law/synthetic, EMapSource::Law, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Map, data/synthetic, EMapSource::Data, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Map, law/steel, EMapSource::Law, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Map, data/steel, EMapSource::Data, true)->Unit(benchmark::kMillisecond);
BENCHMARK(Curves)->Name("Curves/steel")->Unit(benchmark::kMicrosecond);
BENCHMARK(ActivationEnergy)->Name("ActivationEnergy/steel")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return vornel_bench::RunBenchmarks(argc, argv); }
