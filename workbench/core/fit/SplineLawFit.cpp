#include "vornel/fit/SplineLawFit.h"

#include "vornel/document/Text.h"
#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"
#include "vornel/export/LawCheck.h"
#include "vornel/export/LawExport.h"
#include "vornel/fit/SinhLawFit.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SplineLaw.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <span>

namespace {

constexpr int kGrid = kSplineGridCoef;
constexpr int kAlongU = kSplineCount[0];                                  // coefficients along u
constexpr int kTerms = 64;                                               // B-splines not 0 at a point

// The search of the smoothing weights: steps of log10, and the bounds of g.
constexpr std::array<double, 4> kWeightSteps = {2.0, 1.0, 0.5, 0.25};
// From a like material's weights: on the steel set, folds searched from scratch held out
// 1.47 MPa on the mean, from the whole material's weights 1.29 MPa.
constexpr std::array<double, 2> kStartSteps = {0.5, 0.25};
constexpr double kMinLogWeight = -6.0;
constexpr double kMaxLogWeight = 8.0;

// Monotonicity: the weight of the asymmetric penalty relative to the mean diagonal of X'WX,
// the margins tried in turn (a share of the backbone's slope), and the rounds of the penalty
// at one margin.
constexpr double kBoundWeight = 1e6;
constexpr std::array<double, 5> kMargins = {0.05, 0.2, 0.5, 1.0, 2.0};
constexpr int kMaxBoundRounds = 60;
// Samples of the backbone's slopes per span and axis where their least over a support is
// sought.
constexpr int kSlopeSamples = 4;

// Index of coefficient (i, j, k) in the grid, i along u fastest.
constexpr int GridIndex(int i, int j, int k) { return i + kSplineCount[0] * (j + kSplineCount[1] * k); }

// One measured point as the fit uses it: its B-splines along u (4, from coefficient m_nSpanU)
// and over (v, w) (16 pairs, from the block of m_nSpanV, m_nSpanW), the target ln s - ln Kb,
// the weight s^2 and its condition.
struct SRow {
    int m_nSpanU = 0, m_nSpanV = 0, m_nSpanW = 0;
    std::array<double, 4> m_adU{};
    std::array<double, 16> m_adVw{}; // (b, c): b along v fastest
    double m_dTarget = 0;
    double m_dWeight = 0;
    int m_nGroup = 0;

    int Block(int b, int c) const { return m_nSpanV + b + kSplineCount[1] * (m_nSpanW + c); }

    // The 64 B-splines with their coefficients' indices, as the law adds them (SplineLaw.h).
    template <class Visit>
    void ForEachTerm(Visit visit) const {
        for (int c = 0; c < 4; ++c)
            for (int b = 0; b < 4; ++b)
                for (int a = 0; a < 4; ++a)
                    visit(m_nSpanU + a + kAlongU * Block(b, c),
                          m_adVw[static_cast<std::size_t>(b + 4 * c)] * m_adU[static_cast<std::size_t>(a)]);
    }
    double Product(const Eigen::VectorXd& c) const {
        double dSum = 0;
        ForEachTerm([&](int nIndex, double dValue) { dSum += dValue * c(nIndex); });
        return dSum;
    }
};

// Rows of one condition that share their strain rate and temperature exactly: their
// B-splines are B (u) times one vector k over the (v, w) blocks, so that their part of the
// hat matrix is B (K M^-1 K') B' with K = I (x) k' (11 x p): the leave-one-out algebra works
// on 11 x 11 matrices.
struct SPart {
    std::vector<int> m_aRows;
    Eigen::MatrixXd m_b; // rows x kAlongU
};

struct SGroup {
    std::vector<SPart> m_aParts;
    int m_nRows = 0;
};

// One difference of neighbouring coefficients along the strain rate or temperature axis,
// c(m_nUpper) - c(m_nLower), which must stay at or above -h min b over its support.
struct SDifference {
    int m_nLower = 0;
    int m_nUpper = 0;
    double m_dLeastSlope = 0; // min of the backbone's logarithmic slope b over the support
    double m_dSpan = 0;       // h of the axis
};

class CSplineProblem {
public:
    CSplineProblem(const std::vector<SRow>& aRows, int nGroups) : m_aRows(aRows) {
        m_g = Eigen::MatrixXd::Zero(kGrid, kGrid);
        m_rhs = Eigen::VectorXd::Zero(kGrid);
        std::array<int, kTerms> aIndex{};
        std::array<double, kTerms> adValue{};
        for (const SRow& row : m_aRows) {
            int n = 0;
            row.ForEachTerm([&](int nIndex, double dValue) {
                aIndex[static_cast<std::size_t>(n)] = nIndex;
                adValue[static_cast<std::size_t>(n++)] = dValue;
            });
            for (std::size_t a = 0; a < kTerms; ++a) {
                const double dWx = row.m_dWeight * adValue[a];
                m_rhs(aIndex[a]) += dWx * row.m_dTarget;
                for (std::size_t b = 0; b < kTerms; ++b)
                    m_g(aIndex[a], aIndex[b]) += dWx * adValue[b];
            }
        }
        const double dMeanDiagonal = m_g.trace() / kGrid;
        for (int nAxis = 0; nAxis < kSplineAxes; ++nAxis) {
            m_aPenalty[static_cast<std::size_t>(nAxis)] = SecondDifferences(nAxis);
            m_adScale[static_cast<std::size_t>(nAxis)] =
                dMeanDiagonal * kGrid / m_aPenalty[static_cast<std::size_t>(nAxis)].trace();
        }
        m_dBoundWeight = kBoundWeight * dMeanDiagonal;
        // The groups and their parts.
        m_aGroups.resize(static_cast<std::size_t>(nGroups));
        for (int r = 0; r < static_cast<int>(m_aRows.size()); ++r) {
            const SRow& row = m_aRows[static_cast<std::size_t>(r)];
            SGroup& group = m_aGroups[static_cast<std::size_t>(row.m_nGroup)];
            const auto same = [&](const SPart& part) {
                const SRow& first = m_aRows[static_cast<std::size_t>(part.m_aRows.front())];
                return first.m_nSpanV == row.m_nSpanV && first.m_nSpanW == row.m_nSpanW && first.m_adVw == row.m_adVw;
            };
            auto it = std::find_if(group.m_aParts.begin(), group.m_aParts.end(), same);
            if (it == group.m_aParts.end())
                it = group.m_aParts.insert(group.m_aParts.end(), SPart{});
            it->m_aRows.push_back(r);
            ++group.m_nRows;
        }
        for (SGroup& group : m_aGroups)
            for (SPart& part : group.m_aParts) {
                part.m_b = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(part.m_aRows.size()), kAlongU);
                for (std::size_t i = 0; i < part.m_aRows.size(); ++i) {
                    const SRow& row = m_aRows[static_cast<std::size_t>(part.m_aRows[i])];
                    for (int a = 0; a < 4; ++a)
                        part.m_b(static_cast<Eigen::Index>(i), row.m_nSpanU + a) = row.m_adU[static_cast<std::size_t>(a)];
                }
            }
    }

    // X'WX + P of the smoothing weights 10^g (relative), plus the bound penalties of aActive.
    Eigen::MatrixXd Normal(const std::array<double, 3>& adLogWeight, std::span<const SDifference> aActive) const {
        Eigen::MatrixXd m = m_g;
        for (std::size_t k = 0; k < 3; ++k)
            m += std::pow(10.0, adLogWeight[k]) * m_adScale[k] * m_aPenalty[k];
        for (const SDifference& d : aActive) {
            m(d.m_nLower, d.m_nLower) += m_dBoundWeight;
            m(d.m_nUpper, d.m_nUpper) += m_dBoundWeight;
            m(d.m_nLower, d.m_nUpper) -= m_dBoundWeight;
            m(d.m_nUpper, d.m_nLower) -= m_dBoundWeight;
        }
        return m;
    }

    // X'Wy plus the pull of the bound penalties of aActive towards their bounds.
    Eigen::VectorXd Rhs(std::span<const SDifference> aActive, std::span<const double> adBound) const {
        Eigen::VectorXd rhs = m_rhs;
        for (std::size_t k = 0; k < aActive.size(); ++k) {
            rhs(aActive[k].m_nUpper) += m_dBoundWeight * adBound[k];
            rhs(aActive[k].m_nLower) -= m_dBoundWeight * adBound[k];
        }
        return rhs;
    }

    // The leave-one-condition-out root mean square of s (ln s - prediction) of the weights
    // 10^g; infinite when the normal equations are singular. With M = L L', each part's
    // Z = L^-1 K' (p x 11), and the hat matrix of a group is S = [B_a Z_a' Z_b B_b'] W.
    double CrossValidation(const std::array<double, 3>& adLogWeight) const {
        const Eigen::LLT<Eigen::MatrixXd> llt(Normal(adLogWeight, {}));
        if (llt.info() != Eigen::Success)
            return std::numeric_limits<double>::infinity();
        const Eigen::VectorXd c = llt.solve(m_rhs);
        const Eigen::MatrixXd lowerInverse = llt.matrixL().solve(Eigen::MatrixXd::Identity(kGrid, kGrid));
        double dSum = 0;
        std::vector<Eigen::MatrixXd> aZ;
        for (const SGroup& group : m_aGroups) {
            aZ.clear();
            for (const SPart& part : group.m_aParts) {
                const SRow& first = m_aRows[static_cast<std::size_t>(part.m_aRows.front())];
                Eigen::MatrixXd z = Eigen::MatrixXd::Zero(kGrid, kAlongU);
                for (int c4 = 0; c4 < 4; ++c4)
                    for (int b = 0; b < 4; ++b)
                        z += first.m_adVw[static_cast<std::size_t>(b + 4 * c4)] *
                             lowerInverse.middleCols(kAlongU * first.Block(b, c4), kAlongU);
                aZ.push_back(std::move(z));
            }
            const Eigen::Index n = group.m_nRows;
            Eigen::MatrixXd s(n, n);
            Eigen::VectorXd e(n), w(n);
            Eigen::Index nRow = 0;
            for (std::size_t a = 0; a < group.m_aParts.size(); ++a) {
                const SPart& part = group.m_aParts[a];
                const auto nA = static_cast<Eigen::Index>(part.m_aRows.size());
                Eigen::Index nColumn = 0;
                for (std::size_t b = 0; b < group.m_aParts.size(); ++b) {
                    const SPart& other = group.m_aParts[b];
                    const auto nB = static_cast<Eigen::Index>(other.m_aRows.size());
                    s.block(nRow, nColumn, nA, nB) = part.m_b * (aZ[a].transpose() * aZ[b]) * other.m_b.transpose();
                    nColumn += nB;
                }
                for (Eigen::Index i = 0; i < nA; ++i) {
                    const SRow& row = m_aRows[static_cast<std::size_t>(part.m_aRows[static_cast<std::size_t>(i)])];
                    e(nRow + i) = row.m_dTarget - row.Product(c);
                    w(nRow + i) = row.m_dWeight;
                }
                nRow += nA;
            }
            const Eigen::MatrixXd iMinusS = Eigen::MatrixXd::Identity(n, n) - s * w.asDiagonal();
            const Eigen::VectorXd left = iMinusS.partialPivLu().solve(e);
            dSum += (left.array().square() * w.array()).sum();
        }
        return std::sqrt(dSum / static_cast<double>(m_aRows.size()));
    }

private:
    // The second differences along nAxis, squared and summed: D'D along the axis, the
    // identity along the others.
    static Eigen::MatrixXd SecondDifferences(int nAxis) {
        Eigen::MatrixXd p = Eigen::MatrixXd::Zero(kGrid, kGrid);
        const int n = kSplineCount[static_cast<std::size_t>(nAxis)];
        for (int k = 0; k < kSplineCount[2]; ++k)
            for (int j = 0; j < kSplineCount[1]; ++j)
                for (int i = 0; i < kSplineCount[0]; ++i) {
                    const std::array<int, 3> at = {i, j, k};
                    if (at[static_cast<std::size_t>(nAxis)] + 2 >= n)
                        continue;
                    std::array<int, 3> aIndex{};
                    for (int d = 0; d < 3; ++d) {
                        std::array<int, 3> step = at;
                        step[static_cast<std::size_t>(nAxis)] += d;
                        aIndex[static_cast<std::size_t>(d)] = GridIndex(step[0], step[1], step[2]);
                    }
                    constexpr double adD[3] = {1.0, -2.0, 1.0};
                    for (std::size_t a = 0; a < 3; ++a)
                        for (std::size_t b = 0; b < 3; ++b)
                            p(aIndex[a], aIndex[b]) += adD[a] * adD[b];
                }
        return p;
    }

    const std::vector<SRow>& m_aRows;
    Eigen::MatrixXd m_g;
    Eigen::VectorXd m_rhs;
    std::array<Eigen::MatrixXd, 3> m_aPenalty;
    std::array<double, 3> m_adScale{};
    double m_dBoundWeight = 0;
    std::vector<SGroup> m_aGroups;
};

// The weights g minimising the cross-validation, by steps of the given sizes one axis at a
// time from adStart, each step size until no step of it lowers the score.
struct SWeightSearch {
    std::array<double, 3> m_adLog{};
    double m_dScore = 0;
    int m_nTrials = 0;
};

SWeightSearch SearchWeights(const CSplineProblem& problem, const std::array<double, 3>& adStart,
                            std::span<const double> aSteps) {
    std::map<std::array<double, 3>, double> aTried;
    const auto score = [&](const std::array<double, 3>& ad) {
        if (const auto it = aTried.find(ad); it != aTried.end())
            return it->second;
        const double dScore = problem.CrossValidation(ad);
        aTried.emplace(ad, dScore);
        return dScore;
    };
    SWeightSearch search;
    search.m_adLog = adStart;
    search.m_dScore = score(adStart);
    for (double dStep : aSteps)
        for (bool bMoved = true; bMoved;) {
            bMoved = false;
            for (std::size_t k = 0; k < 3; ++k)
                for (double dSign : {-1.0, 1.0}) {
                    std::array<double, 3> ad = search.m_adLog;
                    ad[k] = std::clamp(ad[k] + dSign * dStep, kMinLogWeight, kMaxLogWeight);
                    if (const double dScore = score(ad); dScore < search.m_dScore) {
                        search.m_adLog = ad;
                        search.m_dScore = dScore;
                        bMoved = true;
                    }
                }
        }
    search.m_nTrials = static_cast<int>(aTried.size());
    return search;
}

// A measured point at the bounds Evaluate applies, and its condition.
struct SPoint {
    double E, H, t, s;
    int m_nCondition;
};

CSplineFit Refuse(CSplineFit fit, ERefinement eStatus, std::string strMessage) {
    fit.m_eStatus = eStatus;
    fit.m_strMessage = std::move(strMessage);
    fit.m_aCoef.clear();
    return fit;
}

// The range [lo, hi] of aValues, widened by 0.5 on each side when it is one value.
std::array<double, 2> AxisRange(const std::vector<double>& aValues) {
    const auto [itLow, itHigh] = std::minmax_element(aValues.begin(), aValues.end());
    double dLow = *itLow, dHigh = *itHigh;
    if (!(dHigh - dLow > 1e-9 * std::max(1.0, std::fabs(dLow)))) {
        dLow -= 0.5;
        dHigh += 0.5;
    }
    return {dLow, dHigh};
}

// The differences along the strain rate and the temperature axes, each with the least
// logarithmic slope of the backbone over its support: b_v = d ln Kb / d ln H and
// b_w = d ln Kb / dw = -(dKb/dt) 1000 / (w^2 Kb), sampled kSlopeSamples times a span.
std::vector<SDifference> MonotoneDifferences(const std::vector<double>& aCoef) {
    const double* A = aCoef.data();
    std::array<int, 3> aSpans{}, aSamples{};
    std::array<double, 3> adSpan{};
    for (std::size_t k = 0; k < 3; ++k) {
        aSpans[k] = kSplineCount[k] - 3;
        aSamples[k] = kSlopeSamples * aSpans[k] + 1;
        adSpan[k] = (A[kSplineRangeAt + 2 * k + 1] - A[kSplineRangeAt + 2 * k]) / aSpans[k];
    }
    const std::size_t nSamples = static_cast<std::size_t>(aSamples[0] * aSamples[1] * aSamples[2]);
    std::vector<double> aSlopeV(nSamples), aSlopeW(nSamples);
    for (int k = 0; k < aSamples[2]; ++k)
        for (int j = 0; j < aSamples[1]; ++j)
            for (int i = 0; i < aSamples[0]; ++i) {
                const double u = A[kSplineRangeAt] + adSpan[0] * i / kSlopeSamples;
                const double v = A[kSplineRangeAt + 2] + adSpan[1] * j / kSlopeSamples;
                const double w = A[kSplineRangeAt + 4] + adSpan[2] * k / kSlopeSamples;
                const double E = u * u, H = std::exp(v), t = 1000.0 / w - kCelsiusToKelvin;
                const CSinhTerms terms = SinhTerms(A, kSinhOrder, E, H, t);
                const CLawSlopes slopes = SinhSlopes(A, terms, H, t);
                const std::size_t at = static_cast<std::size_t>(i + aSamples[0] * (j + aSamples[1] * k));
                aSlopeV[at] = H * slopes.m_dRate / terms.m_dStress;
                aSlopeW[at] = -slopes.m_dTemp * 1000.0 / (w * w) / terms.m_dStress;
            }
    std::vector<SDifference> aDifferences;
    for (std::size_t nAxis : {std::size_t{1}, std::size_t{2}}) {
        const std::vector<double>& aSlope = nAxis == 1 ? aSlopeV : aSlopeW;
        for (int k = 0; k < kSplineCount[2]; ++k)
            for (int j = 0; j < kSplineCount[1]; ++j)
                for (int i = 0; i < kSplineCount[0]; ++i) {
                    const std::array<int, 3> at = {i, j, k};
                    if (at[nAxis] == 0)
                        continue;
                    // Supports in spans: the cubic B-spline of coefficient q covers [q-3, q+1],
                    // the quadratic one of the difference of q-1 and q along the axis [q-3, q].
                    std::array<int, 3> aFrom{}, aTo{};
                    for (std::size_t d = 0; d < 3; ++d) {
                        aFrom[d] = std::max(0, at[d] - 3) * kSlopeSamples;
                        aTo[d] = std::min(aSpans[d], at[d] + (d == nAxis ? 0 : 1)) * kSlopeSamples;
                    }
                    double dLeast = std::numeric_limits<double>::infinity();
                    for (int c = aFrom[2]; c <= aTo[2]; ++c)
                        for (int b = aFrom[1]; b <= aTo[1]; ++b)
                            for (int a = aFrom[0]; a <= aTo[0]; ++a)
                                dLeast = std::min(
                                    dLeast, aSlope[static_cast<std::size_t>(a + aSamples[0] * (b + aSamples[1] * c))]);
                    std::array<int, 3> lower = at;
                    lower[nAxis] -= 1;
                    aDifferences.push_back(
                        {GridIndex(lower[0], lower[1], lower[2]), GridIndex(i, j, k), dLeast, adSpan[nAxis]});
                }
    }
    return aDifferences;
}

// The coefficients c with the asymmetric penalty on every difference below its bound,
// repeated until the set of such differences no longer changes; how many it holds.
Eigen::VectorXd MonotoneSolve(const CSplineProblem& problem, const std::array<double, 3>& adLogWeight,
                              const std::vector<SDifference>& aDifferences, const std::vector<double>& adBound,
                              int& nHeld) {
    std::vector<char> abActive(aDifferences.size(), 0);
    Eigen::VectorXd c;
    for (int nRound = 0; nRound < kMaxBoundRounds; ++nRound) {
        std::vector<SDifference> aActive;
        std::vector<double> adActiveBound;
        for (std::size_t k = 0; k < aDifferences.size(); ++k)
            if (abActive[k]) {
                aActive.push_back(aDifferences[k]);
                adActiveBound.push_back(adBound[k]);
            }
        const Eigen::LLT<Eigen::MatrixXd> llt(problem.Normal(adLogWeight, aActive));
        c = llt.solve(problem.Rhs(aActive, adActiveBound));
        bool bChanged = false;
        for (std::size_t k = 0; k < aDifferences.size(); ++k) {
            const bool bBelow = c(aDifferences[k].m_nUpper) - c(aDifferences[k].m_nLower) < adBound[k];
            bChanged = bChanged || bBelow != static_cast<bool>(abActive[k]);
            abActive[k] = bBelow;
        }
        if (!bChanged)
            break;
    }
    nHeld = static_cast<int>(std::count(abActive.begin(), abActive.end(), 1));
    return c;
}

} // namespace

CSplineFit FitSplineLawTo(const CMaterial& material, const CCoreFitStart* pStart) {
    CSplineFit fit;
    const bool bStart = pStart && pStart->m_aCoef.size() >= static_cast<std::size_t>(kSinhFitCoef);
    const CSinhFit backbone = FitSinhLawOfOrder(material, kSinhOrder, bStart ? pStart->m_aCoef.data() : nullptr);
    if (!backbone.Ok()) {
        std::string strReason = backbone.m_strMessage;
        if (strReason.starts_with("model 19: "))
            strReason.erase(0, 10);
        return Refuse(fit, backbone.m_eStatus, "model 21: its backbone, model 19's law: " + strReason);
    }
    fit.m_confidence = backbone.m_confidence;
    fit.m_strNoIntervals = FormatText("A%d..A%d: the spline's coefficients are smoothed, not estimated", kSplineGridAt + 1,
                                  kSplineCoef);
    fit.m_nEvaluations = backbone.m_nEvaluations;
    fit.m_dBackboneRms = std::sqrt(backbone.m_dSumSq / backbone.m_nPoints);
    std::vector<double> aCoef(static_cast<std::size_t>(kSplineCoef), 0.0);
    std::copy(backbone.m_aCoef.begin(), backbone.m_aCoef.end(), aCoef.begin());

    // The measured points with a stress above 0, and their conditions.
    const CMeasuredConditions conditions = MeasuredConditions(material);
    std::vector<SPoint> aPoints;
    std::vector<double> aRateArgs, aTempArgs;
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CCurve& curve = material.Curve(i);
        const int nTemp = ConditionIndex(conditions.m_aTemps, curve.m_dTemp);
        const int nRate = ConditionIndex(conditions.m_aRates, curve.m_dRate);
        for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j) {
            const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
            if (!(p.m_dStress > 0) || !std::isfinite(p.m_dStress) || !std::isfinite(p.m_dTemp) || nTemp < 0 ||
                nRate < 0)
                continue;
            const double E = !(p.m_dStrain > kEvaluateMinStrain) ? kEvaluateMinStrain : p.m_dStrain;
            const double H = !(p.m_dRate > kEvaluateMinRate) ? kEvaluateMinRate : p.m_dRate;
            aPoints.push_back({E, H, p.m_dTemp, p.m_dStress, nTemp * static_cast<int>(conditions.m_aRates.size()) + nRate});
            aRateArgs.push_back(std::log(H));
            aTempArgs.push_back(1000.0 / (p.m_dTemp + kCelsiusToKelvin));
        }
    }
    fit.m_nPoints = static_cast<int>(aPoints.size());
    if (aPoints.empty())
        return Refuse(fit, ERefinement::TooFewPoints,
                      "model 21: no measured point has a stress above 0; the fit is refused");
    const std::array<double, 2> aRate = AxisRange(aRateArgs);
    const std::array<double, 2> aTemp = AxisRange(aTempArgs);
    const double adRange[6] = {std::sqrt(aCoef[kSinhCoef - 2]), std::sqrt(aCoef[kSinhCoef - 1]), aRate[0], aRate[1],
                               aTemp[0], aTemp[1]};
    if (!(adRange[1] > adRange[0]))
        return Refuse(fit, ERefinement::NoStart, "model 21: the measured strains span no range; the fit is refused");
    std::copy(std::begin(adRange), std::end(adRange), aCoef.begin() + kSplineRangeAt);

    // Rows: the B-splines of each point, the target ln s - ln Kb and the weight s^2.
    std::vector<SRow> aRows;
    std::map<int, int> aGroupOf;
    double dBackboneSq = 0;
    for (const SPoint& p : aPoints) {
        const CSplineTerms terms = SplineTerms(aCoef.data(), p.E, p.H, p.t);
        const double Kb = terms.m_backbone.m_dStress;
        if (!(Kb > 0) || !std::isfinite(Kb))
            return Refuse(fit, ERefinement::NotFinite,
                          FormatText("model 21: its backbone is not a stress above 0 at strain %g, t= %g, H= %g; the fit "
                                 "is refused",
                                 p.E, p.t, p.H));
        SRow row;
        row.m_nSpanU = terms.m_aAxes[0].m_nSpan;
        row.m_nSpanV = terms.m_aAxes[1].m_nSpan;
        row.m_nSpanW = terms.m_aAxes[2].m_nSpan;
        row.m_adU = terms.m_aAxes[0].m_adWeight;
        for (std::size_t c = 0; c < 4; ++c)
            for (std::size_t b = 0; b < 4; ++b)
                row.m_adVw[b + 4 * c] = terms.m_aAxes[2].m_adWeight[c] * terms.m_aAxes[1].m_adWeight[b];
        row.m_dTarget = std::log(p.s) - std::log(Kb);
        row.m_dWeight = p.s * p.s;
        row.m_nGroup = aGroupOf.try_emplace(p.m_nCondition, static_cast<int>(aGroupOf.size())).first->second;
        dBackboneSq += (Kb - p.s) * (Kb - p.s);
        aRows.push_back(row);
    }
    fit.m_nConditions = static_cast<int>(aGroupOf.size());
    if (fit.m_nConditions < 2)
        return Refuse(fit, ERefinement::TooFewPoints,
                      "model 21: its smoothing is chosen by leaving out one condition at a time, and the curves hold "
                      "fewer than 2 conditions; the fit is refused");

    // The smoothing weights, from a like material's when given.
    const CSplineProblem problem(aRows, fit.m_nConditions);
    const bool bWeights = pStart && pStart->m_aTuning.size() == 3;
    const SWeightSearch search =
        bWeights ? SearchWeights(problem, {pStart->m_aTuning[0], pStart->m_aTuning[1], pStart->m_aTuning[2]},
                                 kStartSteps)
                 : SearchWeights(problem, {0.0, 0.0, 0.0}, kWeightSteps);
    if (!std::isfinite(search.m_dScore))
        return Refuse(fit, ERefinement::SolverFailed,
                      "model 21: the spline's normal equations are singular for every smoothing tried; the fit is "
                      "refused");
    fit.m_adLogWeight = search.m_adLog;
    fit.m_aTuning.assign(search.m_adLog.begin(), search.m_adLog.end());
    fit.m_dCrossValidationRms = search.m_dScore;
    fit.m_nWeightTrials = search.m_nTrials;

    // Monotonicity, with margins growing until the law check passes over the grid of the
    // tables and the range of the subroutines.
    CMeasuredRanges measured;
    try {
        measured = MeasuredRanges(material);
    } catch (const CExportError& e) {
        return Refuse(fit, ERefinement::NoStart, std::string("model 21: ") + e.what() + "; the fit is refused");
    }
    const std::vector<SDifference> aDifferences = MonotoneDifferences(aCoef);
    const CExportGrid aGrids[2] = {TableGrid(measured), SubroutineCheckGrid(measured)};
    bool bMonotone = false;
    for (double dMargin : kMargins) {
        std::vector<double> adBound;
        for (const SDifference& d : aDifferences)
            adBound.push_back(d.m_dSpan * (-d.m_dLeastSlope + dMargin * std::fabs(d.m_dLeastSlope)));
        const Eigen::VectorXd c = MonotoneSolve(problem, search.m_adLog, aDifferences, adBound, fit.m_nConstrained);
        std::copy(c.data(), c.data() + kGrid, aCoef.begin() + kSplineGridAt);
        fit.m_dMargin = dMargin;
        bMonotone = std::all_of(std::begin(aGrids), std::end(aGrids), [&](const CExportGrid& grid) {
            const std::vector<CLawFinding> aFindings = CheckLaw(kSplineModel, aCoef.data(), grid);
            return std::all_of(aFindings.begin(), aFindings.end(), [](const CLawFinding& finding) {
                return finding.m_eProperty == ELawProperty::FinitePositive;
            });
        });
        if (bMonotone)
            break;
    }

    double dSumSq = 0;
    for (const SPoint& p : aPoints) {
        const double d = SplineTerms(aCoef.data(), p.E, p.H, p.t).m_dStress - p.s;
        dSumSq += d * d;
    }
    if (!std::isfinite(dSumSq))
        return Refuse(fit, ERefinement::NotFinite,
                      "model 21: the fitted law is not finite at some measured point; the fit is refused");
    fit.m_dStartSumSq = dBackboneSq;
    fit.m_dSumSq = dSumSq;
    fit.m_aCoef = std::move(aCoef);
    fit.m_eStatus = ERefinement::Refined;
    fit.m_strMessage = FormatText(
        "Fitted on the stresses of %d measured points: the backbone (model 19) RMS %.6g, with the spline %.6g; smoothing "
        "weights 10^%g, 10^%g, 10^%g (strain, strain rate, temperature) by leaving out each of %d conditions in turn "
        "(their RMS %.6g); %d coefficient differences held for monotonicity%s. The spline's coefficients have no "
        "confidence intervals.",
        fit.m_nPoints, fit.m_dBackboneRms, std::sqrt(dSumSq / fit.m_nPoints), fit.m_adLogWeight[0], fit.m_adLogWeight[1],
        fit.m_adLogWeight[2], fit.m_nConditions, fit.m_dCrossValidationRms, fit.m_nConstrained,
        bMonotone ? "" : ", and still the law rises with temperature or falls with strain rate somewhere (law check)");
    return fit;
}

CRefinementResult FitSplineLaw(CMaterial& material, const CCoreFitStart* pStart) {
    CSplineFit fit = FitSplineLawTo(material, pStart);
    return TakeWorkbenchFit(material, std::move(fit), fit.m_aCoef);
}
