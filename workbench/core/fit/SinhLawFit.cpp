#include "vornel/fit/SinhLawFit.h"

#include "vornel/document/Text.h"
#include "vornel/fit/FitReport.h"
#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SinhLaw.h"
#include "formats/ExchangeFile.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

// A measured point at the bounds Evaluate applies.
struct SPoint {
    double E, H, t, s;
};

// The measured points (FitReport.h) of the curves with points, curve by curve.
std::vector<std::vector<SPoint>> MeasuredCurves(const CMaterial& material) {
    std::vector<std::vector<SPoint>> aCurves;
    for (int i = 0; i < material.m_nCurves; ++i) {
        std::vector<SPoint> aPoints;
        const CCurve& curve = material.Curve(i);
        for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j) {
            const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
            aPoints.push_back({!(p.m_dStrain > kEvaluateMinStrain) ? kEvaluateMinStrain : p.m_dStrain,
                               !(p.m_dRate > kEvaluateMinRate) ? kEvaluateMinRate : p.m_dRate, p.m_dTemp, p.m_dStress});
        }
        if (!aPoints.empty())
            aCurves.push_back(std::move(aPoints));
    }
    return aCurves;
}

// Stress of a curve at strain dE, linear between its points (sorted by strain).
double StressAt(const std::vector<SPoint>& aSorted, double dE) {
    const auto it = std::lower_bound(aSorted.begin(), aSorted.end(), dE, [](const SPoint& p, double e) { return p.E < e; });
    if (it == aSorted.begin())
        return it->s;
    if (it == aSorted.end())
        return aSorted.back().s;
    const SPoint& a = *(it - 1);
    const SPoint& b = *it;
    return b.E > a.E ? a.s + (b.s - a.s) * (dE - a.E) / (b.E - a.E) : b.s;
}

// Least-squares slope of y over x.
double Slope(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= n;
    my /= n;
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    return sxy / sxx;
}

// ln sinh(x) for x > 0 without overflow: x - ln 2 + ln(1 - e^(-2x)).
double LnSinh(double x) { return x - std::log(2.0) + std::log1p(-std::exp(-2.0 * x)); }

// The curves grouped by one condition (temperature or strain rate): indices of the curves
// of each value with at least 2 distinct values of the other condition.
std::vector<std::vector<std::size_t>> Groups(const std::vector<double>& aKey, const std::vector<double>& aOther) {
    std::map<double, std::vector<std::size_t>> byKey;
    for (std::size_t i = 0; i < aKey.size(); ++i)
        byKey[aKey[i]].push_back(i);
    std::vector<std::vector<std::size_t>> aGroups;
    for (auto& [dKey, aMembers] : byKey) {
        const double dFirst = aOther[aMembers.front()];
        if (std::any_of(aMembers.begin(), aMembers.end(), [&](std::size_t i) { return aOther[i] != dFirst; }))
            aGroups.push_back(aMembers);
    }
    return aGroups;
}

// Mean over the groups of the slope of y over x within each group.
double MeanSlope(const std::vector<std::vector<std::size_t>>& aGroups, const std::vector<double>& x,
                 const std::vector<double>& y) {
    double dSum = 0;
    for (const std::vector<std::size_t>& aMembers : aGroups) {
        std::vector<double> gx, gy;
        for (std::size_t i : aMembers) {
            gx.push_back(x[i]);
            gy.push_back(y[i]);
        }
        dSum += Slope(gx, gy);
    }
    return dSum / static_cast<double>(aGroups.size());
}

// Least-squares polynomial of order nOrder through (x, y), lowest power first.
Eigen::VectorXd PolynomialFit(const std::vector<double>& x, const std::vector<double>& y, int nOrder) {
    const Eigen::Index n = static_cast<Eigen::Index>(x.size());
    Eigen::MatrixXd V(n, nOrder + 1);
    Eigen::VectorXd b(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        double dPower = 1;
        for (int k = 0; k <= nOrder; ++k, dPower *= x[static_cast<std::size_t>(i)])
            V(i, k) = dPower;
        b(i) = y[static_cast<std::size_t>(i)];
    }
    return V.colPivHouseholderQr().solve(b);
}

// The residuals s(A) - s_i of the measured points over the fitted coefficients and their
// Jacobian, for Eigen's Levenberg-Marquardt; the strain range stays as given.
struct CSinhResiduals : Eigen::DenseFunctor<double> {
    CSinhResiduals(std::vector<SPoint> aPoints, int nOrder, double dMinStrain, double dMaxStrain)
        : Eigen::DenseFunctor<double>(SinhFitCoefCount(nOrder), static_cast<int>(aPoints.size())),
          m_aPoints(std::move(aPoints)), m_nOrder(nOrder), m_aCoef(static_cast<std::size_t>(SinhCoefCount(nOrder))) {
        m_aCoef[static_cast<std::size_t>(SinhFitCoefCount(nOrder))] = dMinStrain;
        m_aCoef[static_cast<std::size_t>(SinhFitCoefCount(nOrder)) + 1] = dMaxStrain;
    }

    // A residual that is not a number (alpha or n crossing 0 on a trial step) is taken as
    // one so large that the minimiser rejects the step.
    static constexpr double kRejected = 1e50;

    const double* Coefficients(const Eigen::VectorXd& x) const {
        std::copy(x.data(), x.data() + x.size(), m_aCoef.begin());
        return m_aCoef.data();
    }

    int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& r) const {
        const double* A = Coefficients(x);
        for (std::size_t i = 0; i < m_aPoints.size(); ++i) {
            const SPoint& p = m_aPoints[i];
            const double d = SinhTerms(A, m_nOrder, p.E, p.H, p.t).m_dStress - p.s;
            r(static_cast<Eigen::Index>(i)) = std::isfinite(d) ? d : kRejected;
        }
        return 0;
    }

    int df(const Eigen::VectorXd& x, Eigen::MatrixXd& J) const {
        const double* A = Coefficients(x);
        const int nPoly = m_nOrder + 1;
        for (std::size_t i = 0; i < m_aPoints.size(); ++i) {
            const SPoint& p = m_aPoints[i];
            const CSinhTerms s = SinhTerms(A, m_nOrder, p.E, p.H, p.t);
            const double dScale = s.m_dAsinhSlope / (s.m_dAlpha * s.m_dN); // g / (alpha n)
            const double dAlpha = -s.m_dStress / s.m_dAlpha;
            const double dN = -dScale * s.m_dY;
            const double dQ = dScale * 1000.0 / (kGasConstant * (p.t + kCelsiusToKelvin));
            const double dLnA = -dScale;
            const Eigen::Index nRow = static_cast<Eigen::Index>(i);
            double dPower = 1;
            for (int k = 0; k < nPoly; ++k, dPower *= s.m_dStrain) {
                J(nRow, k) = dAlpha * dPower;
                J(nRow, nPoly + k) = dN * dPower;
                J(nRow, 2 * nPoly + k) = dQ * dPower;
                J(nRow, 3 * nPoly + k) = dLnA * dPower;
            }
        }
        return 0;
    }

    double SumSq(const Eigen::VectorXd& x) const {
        Eigen::VectorXd r(values());
        (*this)(x, r);
        return r.squaredNorm();
    }

    std::vector<SPoint> m_aPoints;
    int m_nOrder;
    mutable std::vector<double> m_aCoef;
};

CSinhFit Refuse(CSinhFit fit, ERefinement eStatus, std::string strMessage) {
    fit.m_eStatus = eStatus;
    fit.m_strMessage = std::move(strMessage);
    fit.m_aCoef.clear();
    return fit;
}

} // namespace

CSinhStart SinhStart(const CMaterial& material, int nOrder) {
    CSinhStart start;
    std::vector<std::vector<SPoint>> aCurves = MeasuredCurves(material);
    if (aCurves.empty()) {
        start.m_eStatus = ECheck::Refused;
        start.m_strMessage = "the material has no measured points";
        return start;
    }
    std::vector<double> aTemp, aKelvin, aLnRate;
    double dLow = -HUGE_VAL, dHigh = HUGE_VAL, dMin = HUGE_VAL, dMax = -HUGE_VAL;
    for (std::vector<SPoint>& aPoints : aCurves) {
        std::stable_sort(aPoints.begin(), aPoints.end(), [](const SPoint& a, const SPoint& b) { return a.E < b.E; });
        dLow = std::max(dLow, aPoints.front().E);
        dHigh = std::min(dHigh, aPoints.back().E);
        dMin = std::min(dMin, aPoints.front().E);
        dMax = std::max(dMax, aPoints.back().E);
        aTemp.push_back(aPoints.front().t);
        aKelvin.push_back(aPoints.front().t + kCelsiusToKelvin);
        aLnRate.push_back(std::log(aPoints.front().H));
    }
    const auto aByTemp = Groups(aTemp, aLnRate);
    const auto aByRate = Groups(aLnRate, aTemp);
    if (aByTemp.empty() || aByRate.empty()) {
        start.m_eStatus = ECheck::Refused;
        start.m_strMessage = "the start needs at least 2 strain rates at one temperature and 2 temperatures at one "
                             "strain rate";
        return start;
    }
    if (!(dHigh > dLow)) {
        start.m_eStatus = ECheck::Refused;
        start.m_strMessage = FormatText("the curves share no strain range (the common range would be %g to %g)", dLow, dHigh);
        return start;
    }
    std::vector<double> aInverseT;
    for (double dKelvin : aKelvin)
        aInverseT.push_back(1.0 / dKelvin);

    std::vector<double> aLevels, aAlpha, aN, aQ, aLnA;
    for (int j = 0; j < kSinhLevels; ++j) {
        const double dE = dLow + (dHigh - dLow) * j / (kSinhLevels - 1);
        std::vector<double> aStress, aLnStress;
        for (std::size_t c = 0; c < aCurves.size(); ++c) {
            const double s = StressAt(aCurves[c], dE);
            if (!(s > 0)) {
                start.m_eStatus = ECheck::Refused;
                start.m_strMessage = FormatText("the stress of the curve at t= %g, H= %g is not above 0 at strain %g",
                                            aTemp[c], std::exp(aLnRate[c]), dE);
                return start;
            }
            aStress.push_back(s);
            aLnStress.push_back(std::log(s));
        }
        const double n1 = MeanSlope(aByTemp, aLnStress, aLnRate);
        const double beta = MeanSlope(aByTemp, aStress, aLnRate);
        const double alpha = beta / n1;
        if (!(n1 > 0) || !(beta > 0) || !std::isfinite(alpha)) {
            start.m_eStatus = ECheck::Refused;
            start.m_strMessage = FormatText("at strain %g the stresses do not rise with the strain rate (n1= %g, beta= %g), "
                                        "so the hyperbolic sine has no usable slope",
                                        dE, n1, beta);
            return start;
        }
        std::vector<double> aLnSinh;
        for (double s : aStress)
            aLnSinh.push_back(LnSinh(alpha * s));
        const double n = MeanSlope(aByTemp, aLnSinh, aLnRate);
        if (!(n > 0) || !std::isfinite(n)) {
            start.m_eStatus = ECheck::Refused;
            start.m_strMessage = FormatText("at strain %g ln sinh(alpha s) does not rise with ln H (n= %g)", dE, n);
            return start;
        }
        const double dQ = kGasConstant * n * MeanSlope(aByRate, aInverseT, aLnSinh); // J/mol
        double dLnA = 0;
        for (std::size_t c = 0; c < aCurves.size(); ++c)
            dLnA += aLnRate[c] + dQ / (kGasConstant * aKelvin[c]) - n * aLnSinh[c];
        dLnA /= static_cast<double>(aCurves.size());
        if (!std::isfinite(dQ) || !std::isfinite(dLnA)) {
            start.m_eStatus = ECheck::Refused;
            start.m_strMessage = FormatText("at strain %g the activation energy cannot be formed", dE);
            return start;
        }
        aLevels.push_back(dE);
        aAlpha.push_back(alpha);
        aN.push_back(n);
        aQ.push_back(dQ / 1000.0);
        aLnA.push_back(dLnA);
    }
    // Beyond the common range the polynomials would extrapolate the level values, wildly
    // at order 5 where some curves reach far beyond it. The start holds them at the end
    // levels' values instead: further points at the level spacing out to the smallest and
    // largest measured strain carry those values.
    const double dStep = (dHigh - dLow) / (kSinhLevels - 1);
    const auto hold = [&](double dFrom, double dTo, std::size_t nLevel) {
        const int nHeld = std::min(kSinhLevels, static_cast<int>(std::floor(std::fabs(dTo - dFrom) / dStep)));
        for (int k = 1; k <= nHeld; ++k) {
            aLevels.push_back(dFrom + (dTo - dFrom) * k / nHeld);
            for (std::vector<double>* pValues : {&aAlpha, &aN, &aQ, &aLnA})
                pValues->push_back((*pValues)[nLevel]);
        }
    };
    hold(dHigh, dMax, static_cast<std::size_t>(kSinhLevels - 1));
    hold(dLow, dMin, 0);
    start.m_aCoef.assign(static_cast<std::size_t>(SinhCoefCount(nOrder)), 0.0);
    std::size_t nAt = 0;
    for (const std::vector<double>* pValues : {&aAlpha, &aN, &aQ, &aLnA}) {
        const Eigen::VectorXd c = PolynomialFit(aLevels, *pValues, nOrder);
        for (int k = 0; k <= nOrder; ++k)
            start.m_aCoef[nAt++] = c(k);
    }
    start.m_aCoef[nAt++] = dMin;
    start.m_aCoef[nAt] = dMax;
    return start;
}

CSinhFit FitSinhLawOfOrder(const CMaterial& material, int nOrder, const double* pStart) {
    CSinhFit fit;
    const int nFit = SinhFitCoefCount(nOrder);
    const CSinhStart start = SinhStart(material, nOrder);
    if (!start.Ok())
        return Refuse(fit, ERefinement::NoStart, "model 19: " + start.m_strMessage + "; the fit is refused");
    fit.m_aStart = start.m_aCoef;
    std::vector<SPoint> aPoints;
    for (const std::vector<SPoint>& aCurve : MeasuredCurves(material))
        aPoints.insert(aPoints.end(), aCurve.begin(), aCurve.end());
    fit.m_nPoints = static_cast<int>(aPoints.size());
    if (fit.m_nPoints <= nFit)
        return Refuse(fit, ERefinement::TooFewPoints,
                      FormatText("model 19: %d measured points do not determine %d coefficients; the fit is refused",
                             fit.m_nPoints, nFit));
    const double dMinStrain = start.m_aCoef[static_cast<std::size_t>(nFit)];
    const double dMaxStrain = start.m_aCoef[static_cast<std::size_t>(nFit) + 1];
    CSinhResiduals residuals(std::move(aPoints), nOrder, dMinStrain, dMaxStrain);
    Eigen::VectorXd x = Eigen::Map<const Eigen::VectorXd>(start.m_aCoef.data(), nFit);
    fit.m_dStartSumSq = residuals.SumSq(x);
    // A given start is taken when it meets these points better than the standard one.
    bool bGiven = false;
    if (pStart) {
        const Eigen::VectorXd given = Eigen::Map<const Eigen::VectorXd>(pStart, nFit);
        if (const double dGiven = residuals.SumSq(given); dGiven < fit.m_dStartSumSq) {
            x = given;
            fit.m_dStartSumSq = dGiven;
            bGiven = true;
            std::copy(pStart, pStart + nFit, fit.m_aStart.begin());
        }
    }
    if (!(fit.m_dStartSumSq < CSinhResiduals::kRejected))
        return Refuse(fit, ERefinement::NotFinite,
                      "model 19: the starting law is not finite at some measured point (alpha or n of the start "
                      "cross 0 within the measured strains); the fit is refused");
    Eigen::LevenbergMarquardt<CSinhResiduals> solver(residuals);
    solver.setMaxfev(100 * (nFit + 1));
    const Eigen::LevenbergMarquardtSpace::Status eStatus = solver.minimize(x);
    fit.m_nEvaluations = static_cast<int>(solver.nfev() + solver.njev());
    fit.m_dSumSq = residuals.SumSq(x);
    if (!x.allFinite() || !(fit.m_dSumSq <= fit.m_dStartSumSq) ||
        (eStatus != Eigen::LevenbergMarquardtSpace::TooManyFunctionEvaluation && solver.info() != Eigen::Success))
        return Refuse(fit, ERefinement::SolverFailed,
                      "model 19: the least-squares fit failed on a singular or undefined Jacobian; the fit is refused");
    fit.m_aCoef = start.m_aCoef;
    std::copy(x.data(), x.data() + nFit, fit.m_aCoef.begin());
    Eigen::MatrixXd J(residuals.values(), nFit);
    residuals.df(x, J);
    fit.m_confidence = MakeConfidenceIntervals(J.data(), fit.m_nPoints, nFit, x.data(), fit.m_dSumSq);
    fit.m_eStatus = ERefinement::Refined;
    fit.m_strMessage = FormatText("Fitted on the stresses of %d measured points from %s: RMS %.6g -> %.6g (%d "
                              "evaluations%s).",
                              fit.m_nPoints,
                              bGiven ? "the fit of a like material"
                                     : FormatText("the start at %d strain levels", kSinhLevels).c_str(),
                              std::sqrt(fit.m_dStartSumSq / fit.m_nPoints),
                              std::sqrt(fit.m_dSumSq / fit.m_nPoints), fit.m_nEvaluations,
                              eStatus == Eigen::LevenbergMarquardtSpace::TooManyFunctionEvaluation
                                  ? ", stopped at the evaluation limit"
                                  : "");
    return fit;
}

CRefinementResult FitSinhLaw(CMaterial& material, const CCoreFitStart* pStart) {
    const bool bStart = pStart && pStart->m_aCoef.size() >= static_cast<std::size_t>(kSinhFitCoef);
    CSinhFit fit = FitSinhLawOfOrder(material, kSinhOrder, bStart ? pStart->m_aCoef.data() : nullptr);
    return TakeWorkbenchFit(material, std::move(fit), fit.m_aCoef);
}
