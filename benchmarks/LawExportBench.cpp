// Timing of the solver exports of one fitted law, on the 30 measured curves of
// steel-gleeble (skipped when the set is absent):
//
// - Prepare/<model>: MakeLawExport, the grid asked for (5 temperatures x 6 rates x 41
//   strains) refined where the law bends, the law and its derivatives on it and both law
//   checks (the subroutines' grid holds 41 x 25 x 21 nodes);
// - Texts/<model>: Prepare, then the text of every format that takes the law (the CalculiX
//   deck at 0.1 1/s; OpenRadioss's card only for model 9);
// - Files/<model>: Prepare, then those files written (each through a temporary file
//   renamed over it), as --export writes them.

#include "vornel/export/LawExport.h"
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <string_view>

namespace {

using vornel_bench::CBenchFolder;
using vornel_bench::FittedGleeble;

enum class EStage { Prepare, Texts, Files };

void Export(benchmark::State& state, int nModel, EStage eStage) {
    std::string strProblem;
    const std::unique_ptr<CMaterial> pMaterial = FittedGleeble(nModel, strProblem);
    if (!pMaterial) {
        state.SkipWithError(strProblem.c_str());
        return;
    }
    CDeckOptions deck;
    deck.SetRate("0.1");
    std::size_t nBytes = 0;
    for (auto _ : state) {
        const CLawExport law = MakeLawExport(*pMaterial, {}, kExportFirstId, deck);
        nBytes = 0;
        for (const CExportFormat& format : ExportFormats()) {
            if (std::string_view(format.m_szName) == "openradioss" && nModel != 9)
                continue; // the card holds only the Hensel-Spittel laws
            if (eStage == EStage::Texts) {
                const std::string strText = format.m_pfnText(law);
                nBytes += strText.size();
                benchmark::DoNotOptimize(strText.data());
            } else if (eStage == EStage::Files) {
                WriteLawExport(format, law, std::string("law.") + format.m_szName);
            }
        }
        benchmark::DoNotOptimize(law.m_aValues.data());
    }
    if (eStage == EStage::Texts)
        state.counters["bytes"] = static_cast<double>(nBytes);
}

} // namespace

int main(int argc, char** argv) {
    CBenchFolder folder;
    for (int nModel : {9, 16, 18}) {
        const std::string strModel = std::to_string(nModel);
        benchmark::RegisterBenchmark(("Prepare/" + strModel).c_str(), Export, nModel, EStage::Prepare)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Texts/" + strModel).c_str(), Export, nModel, EStage::Texts)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Files/" + strModel).c_str(), Export, nModel, EStage::Files)
            ->Unit(benchmark::kMillisecond);
    }
    return vornel_bench::RunBenchmarks(argc, argv);
}
