#include "vornel/export/LawCheck.h"

#include "vornel/export/LawExport.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// The worst node of one property so far.
struct SWorst {
    bool m_bFound = false;
    std::size_t m_nNode = 0;
    const char* m_szQuantity = "Ks";
    double m_dValue = 0;

    // Keeps the node when it is the first or worse than the kept one.
    void Offer(std::size_t nNode, const char* szQuantity, double dValue, bool bWorse) {
        if (m_bFound && !bWorse)
            return;
        m_bFound = true;
        m_nNode = nNode;
        m_szQuantity = szQuantity;
        m_dValue = dValue;
    }
};

struct SQuantity {
    const char* m_szName;
    double m_dValue;
};

// The first quantity of a value that is not a finite number, if any.
std::optional<SQuantity> FirstNotFinite(const CLawValue& value) {
    const SQuantity aQuantities[] = {{"Ks", value.m_dStress},
                                     {"dKs/dE", value.m_slopes.m_dStrain},
                                     {"dKs/dH", value.m_slopes.m_dRate},
                                     {"dKs/dt", value.m_slopes.m_dTemp}};
    for (const SQuantity& quantity : aQuantities)
        if (!std::isfinite(quantity.m_dValue))
            return quantity;
    return std::nullopt;
}

} // namespace

std::string CLawFinding::Message() const {
    const char* szWhat = "the stress is not a finite number above 0";
    if (m_eProperty == ELawProperty::TempSoftening)
        szWhat = "the stress rises with temperature";
    else if (m_eProperty == ELawProperty::RateHardening)
        szWhat = "the stress falls with strain rate";
    char szText[256];
    std::snprintf(szText, sizeof szText, "law check: %s at E=%g, H=%g, t=%g (%s = %g)", szWhat, m_dStrain, m_dRate,
                  m_dTemp, m_szQuantity, m_dValue);
    return szText;
}

std::vector<CLawValue> EvaluateOnGrid(int nModel, const double* pCoef, const CExportGrid& grid) {
    std::vector<CLawValue> aValues;
    aValues.reserve(grid.NodeCount());
    for (double dTemp : grid.m_aTemps)
        for (double dRate : grid.m_aRates)
            for (double dStrain : grid.m_aStrains)
                aValues.push_back(EvaluateLaw(nModel, pCoef, dStrain, dTemp, dRate));
    return aValues;
}

std::vector<CLawFinding> CheckLawValues(const CExportGrid& grid, const std::vector<CLawValue>& aValues) {
    SWorst finite;    // a value that is not finite
    SWorst positive;  // the smallest stress not above 0
    SWorst temp;      // the largest dKs/dt above 0
    SWorst rate;      // the most negative dKs/dH
    for (std::size_t n = 0; n < aValues.size() && n < grid.NodeCount(); ++n) {
        const CLawValue& value = aValues[n];
        if (const std::optional<SQuantity> notFinite = FirstNotFinite(value)) {
            finite.Offer(n, notFinite->m_szName, notFinite->m_dValue, false);
            continue;
        }
        if (!(value.m_dStress > 0))
            positive.Offer(n, "Ks", value.m_dStress, value.m_dStress < positive.m_dValue);
        if (value.m_slopes.m_dTemp > 0)
            temp.Offer(n, "dKs/dt", value.m_slopes.m_dTemp, value.m_slopes.m_dTemp > temp.m_dValue);
        if (value.m_slopes.m_dRate < 0)
            rate.Offer(n, "dKs/dH", value.m_slopes.m_dRate, value.m_slopes.m_dRate < rate.m_dValue);
    }
    const std::size_t nStrains = grid.m_aStrains.size();
    const std::size_t nRates = grid.m_aRates.size();
    std::vector<CLawFinding> aFindings;
    auto add = [&](ELawProperty eProperty, const SWorst& worst) {
        if (!worst.m_bFound)
            return;
        CLawFinding finding;
        finding.m_eProperty = eProperty;
        finding.m_dStrain = grid.m_aStrains[worst.m_nNode % nStrains];
        finding.m_dRate = grid.m_aRates[worst.m_nNode / nStrains % nRates];
        finding.m_dTemp = grid.m_aTemps[worst.m_nNode / (nStrains * nRates)];
        finding.m_szQuantity = worst.m_szQuantity;
        finding.m_dValue = worst.m_dValue;
        aFindings.push_back(finding);
    };
    add(ELawProperty::FinitePositive, finite.m_bFound ? finite : positive);
    add(ELawProperty::TempSoftening, temp);
    add(ELawProperty::RateHardening, rate);
    return aFindings;
}

std::vector<CLawFinding> CheckLaw(int nModel, const double* pCoef, const CExportGrid& grid) {
    return CheckLawValues(grid, EvaluateOnGrid(nModel, pCoef, grid));
}

std::vector<CLawFinding> CheckLaw(const CLawExport& law) { return CheckLawValues(law.m_grid, law.m_aValues); }
