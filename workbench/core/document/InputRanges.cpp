#include "vornel/document/InputRanges.h"

#include <charconv>
#include <cmath>

namespace {

// The sentence that refuses dValue outside dMin..dMax (NaN included), empty within.
std::string RangeProblem(const char* szWhat, double dValue, double dMin, double dMax, const char* szUnit) {
    if (dValue >= dMin && dValue <= dMax)
        return {};
    return std::string(szWhat) + " " + ShortestNumber(dValue) + " is outside " + ShortestNumber(dMin) + ".." + ShortestNumber(dMax) + " " +
           szUnit;
}

} // namespace

CConditionsProblem FindConditionsProblem(double dTemp, double dRate) {
    CConditionsProblem problem;
    problem.m_strMessage = RangeProblem("temperature", dTemp, kMinCurveTemp, kMaxCurveTemp, "deg C");
    if (!problem.m_strMessage.empty()) {
        problem.m_eField = EConditionField::Temp;
        return problem;
    }
    problem.m_strMessage = RangeProblem("strain rate", dRate, kMinCurveRate, kMaxCurveRate, "1/s");
    if (!problem.m_strMessage.empty())
        problem.m_eField = EConditionField::Rate;
    return problem;
}

void CheckCurveConditions(double dTemp, double dRate) {
    const CConditionsProblem problem = FindConditionsProblem(dTemp, dRate);
    if (problem.m_eField != EConditionField::None)
        throw CInputError(problem.m_strMessage);
}

void CheckTemp3d(double dTemp) {
    const std::string strProblem = RangeProblem("temperature", dTemp, kMinTemp3d, kMaxTemp3d, "deg C");
    if (!strProblem.empty())
        throw CInputError(strProblem);
}

bool ParseUserNumber(const std::string& strText, double& dValue) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const char* pBegin = strText.data();
    const char* pEnd = pBegin + strText.size();
    while (pBegin < pEnd && isBlank(*pBegin))
        ++pBegin;
    while (pEnd > pBegin && isBlank(pEnd[-1]))
        --pEnd;
    // from_chars takes a minus sign but no plus sign.
    if (pBegin < pEnd && *pBegin == '+' && (pEnd - pBegin < 2 || pBegin[1] != '-'))
        ++pBegin;
    if (pBegin == pEnd)
        return false;
    double dRead = 0;
    const auto [pStop, ec] = std::from_chars(pBegin, pEnd, dRead);
    if (ec != std::errc() || pStop != pEnd || !std::isfinite(dRead))
        return false;
    dValue = dRead;
    return true;
}

std::string ShortestNumber(double dValue) {
    char sz[64];
    const auto res = std::to_chars(sz, sz + sizeof sz, dValue);
    return std::string(sz, res.ptr);
}
