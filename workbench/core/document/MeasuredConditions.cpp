#include "vornel/document/MeasuredConditions.h"

#include "vornel/document/Material.h"

#include <algorithm>
#include <cmath>

namespace {

// The distinct finite values of value(curve) over the curves that hold points, ascending.
template <class Value>
std::vector<double> Distinct(const CMaterial& material, Value value) {
    std::vector<double> aValues;
    for (int i = 0; i < material.m_nCurves; ++i)
        if (const CCurve& curve = material.Curve(i); !curve.m_pPoints.empty() && std::isfinite(value(curve)))
            aValues.push_back(value(curve));
    std::sort(aValues.begin(), aValues.end());
    aValues.erase(std::unique(aValues.begin(), aValues.end(), SameCondition), aValues.end());
    return aValues;
}

} // namespace

bool SameCondition(double a, double b) {
    return std::fabs(a - b) <= kConditionTolerance * std::max(std::fabs(a), std::fabs(b));
}

CMeasuredConditions MeasuredConditions(const CMaterial& material) {
    return {Distinct(material, [](const CCurve& curve) { return curve.m_dTemp; }),
            Distinct(material, [](const CCurve& curve) { return curve.m_dRate; })};
}

int ConditionIndex(const std::vector<double>& aDistinct, double dValue) {
    for (std::size_t k = 0; k < aDistinct.size(); ++k)
        if (SameCondition(aDistinct[k], dValue))
            return static_cast<int>(k);
    return -1;
}
