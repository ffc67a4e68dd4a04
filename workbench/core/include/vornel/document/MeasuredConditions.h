#pragma once
// The conditions a material was measured at: the distinct temperatures and strain rates of
// its curves that hold points. The plot views, the solver exports, the surface and the
// analyses all take them from here, so they agree on what counts as one condition.

#include <vector>

class CMaterial;

// Two temperatures or strain rates are one condition when they differ by at most this much
// of the larger: a rate typed as 0.1 and one read back from a file stay one condition.
inline constexpr double kConditionTolerance = 1e-9;

// Whether a and b are one condition (kConditionTolerance).
bool SameCondition(double a, double b);

struct CMeasuredConditions {
    std::vector<double> m_aTemps; // deg C, ascending
    std::vector<double> m_aRates; // 1/s, ascending
};

// The distinct temperatures and strain rates of the used curves that hold points, ascending;
// values that are not finite numbers are left out (a material file may hold anything), and
// of values that are one condition the smallest stands for them.
CMeasuredConditions MeasuredConditions(const CMaterial& material);

// The position of dValue among aDistinct (as MeasuredConditions gives them), -1 when it is
// none of them.
int ConditionIndex(const std::vector<double>& aDistinct, double dValue);
