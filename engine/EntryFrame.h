#pragma once
// The frame every entry point runs in: read the exchange file, fit, write it back.

#include "EngineState.h"

#include <array>
#include <cstddef>
#include <iterator>
#include <utility>

namespace tarnfit {

// A fit over the engine state. It sets NCOEF, the coefficients, both errors and the fitted
// stresses, or the refusal result (SetRefusal).
using FitFunction = void (*)(CEngineState& state);

enum class EWriteBack { Yes, No };

// Reads "temp.mat" into the engine state and runs pfnFit, then writes the state back unless
// eWriteBack is No.
// - A missing file, or one that breaks the layout's limits, is left untouched.
// - A raw curve that cannot be prepared gives the refusal result without running the fit;
//   the curves are written back as they were read (prepared flag 0).
// - A fit with coefficients, fitted stresses or error values that are not all finite
//   numbers becomes the refusal result (RefuseUnlessFinite).
// Each such case, and a failure to write, sends one line that starts with szName to the
// message sink (Report). The call's outcome is what TarnfitLastOutcome then reports: fitted
// when the fit left coefficients and no refusal (for eWriteBack No: no refusal), refused,
// file unusable (also when writing back failed), or nothing done for a null pfnFit. Never
// throws. Returns 0, the entry points' result.
int RunEntryPoint(const char* szName, FitFunction pfnFit, EWriteBack eWriteBack = EWriteBack::Yes);

// Turns a fit whose coefficients, fitted stresses or error values are not all finite into
// the refusal result, with its fitted stresses set to 0 and a line "<szName>: ..." (Report)
// naming the first such value. Returns false then; true for a finite fit or a refusal.
// The one place that decides whether a fit's numbers are usable.
bool RefuseUnlessFinite(const char* szName, CEngineState& state);

// The refusal result (SetRefusal) of the running entry point, with the line
// "<szName>: <strText>" (Report), which is also the reason TarnfitLastOutcome gives.
void RefuseFit(CEngineState& state, const char* szName, const std::string& strText);

// Records that the running entry point does nothing (TARNFIT).
void RecordNothingDone();

// Records that the running entry point refuses its data without writing the exchange file
// (KIVLINEHOT), with the line "<szName>: <strText>" (Report) as the reason.
void RecordRefusal(const char* szName, const std::string& strText);

// The entry point of member kIndex of a family table: runs pfnFit(state, kTable[kIndex]) in
// the frame under the member's name (the rows carry m_szName).
template <const auto& kTable, int kIndex, auto pfnFit>
int RunMember() {
    return RunEntryPoint(kTable[kIndex].m_szName, [](CEngineState& state) { pfnFit(state, kTable[kIndex]); });
}

// Whether every row of kTable sits at the index of its own enumerator (m_eFit), so that an
// enumerator names its row.
template <const auto& kTable>
consteval bool RowsInEnumeratorOrder() {
    for (std::size_t i = 0; i < std::size(kTable); ++i)
        if (static_cast<std::size_t>(kTable[i].m_eFit) != i)
            return false;
    return true;
}

// The entry point of the member eFit of a family table whose rows carry their enumerator
// (m_eFit) in the enumerators' order: RunMember of that row.
template <const auto& kTable, auto pfnFit, typename TFit>
int RunFamilyMember(TFit eFit) {
    static_assert(RowsInEnumeratorOrder<kTable>(), "the family's rows must follow its enumerators");
    static constexpr auto kRunners = []<std::size_t... kRow>(std::index_sequence<kRow...>) {
        return std::array{&RunMember<kTable, static_cast<int>(kRow), pfnFit>...};
    }(std::make_index_sequence<std::size(kTable)>{});
    return kRunners[static_cast<std::size_t>(eFit)]();
}

// Sends the line "<szName>: <text>" to the message sink (standard output when the host set
// none); a text with line breaks goes as several lines.
void Report(const char* szName, const std::string& strText);

} // namespace tarnfit
