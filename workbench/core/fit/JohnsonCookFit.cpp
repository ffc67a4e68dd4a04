#include "vornel/fit/JohnsonCookFit.h"

#include "vornel/document/Text.h"
#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"
#include "vornel/fit/FitReport.h"
#include "vornel/model/JohnsonCookLaw.h"
#include "vornel/model/ModelCatalogue.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

// A measured point with what the law needs of it besides the fitted coefficients.
struct SPoint {
    double m_dLnE;     // ln E of the bounded strain
    double m_dLogRate; // ln(max(H/H0, 1))
    double m_dTh;      // T* within [0, 1]
    double m_dStress;  // measured
};

// The law and its Jacobian over p = (A, B, n, C, m) at one point.
struct SValue {
    double m_dStress;
    std::array<double, kJohnsonCookFitCoef> m_adSlope;
};

SValue LawAt(const SPoint& pt, const double* p) {
    const double dPower = std::exp(p[2] * pt.m_dLnE); // E^n
    const double dHard = p[0] + p[1] * dPower;
    const double dRate = 1.0 + p[3] * pt.m_dLogRate;
    const double dThm = pt.m_dTh > 0 ? std::exp(p[4] * std::log(pt.m_dTh)) : 0.0;
    const double dTemp = pt.m_dTh > 0 ? 1.0 - dThm : 1.0;
    return {dHard * dRate * dTemp,
            {dRate * dTemp, dPower * dRate * dTemp, p[1] * dPower * pt.m_dLnE * dRate * dTemp,
             dHard * pt.m_dLogRate * dTemp, pt.m_dTh > 0 ? -dHard * dRate * dThm * std::log(pt.m_dTh) : 0.0}};
}

// The coefficients that may not fall below 0: A, B, C, m (indices into p).
constexpr std::array<int, 4> kBounded = {0, 1, 3, 4};

// Residuals over the free coefficients (the others held at their values in m_p).
struct CResiduals : Eigen::DenseFunctor<double> {
    CResiduals(const std::vector<SPoint>& aPoints, std::vector<int> aFree, std::array<double, kJohnsonCookFitCoef> p)
        : Eigen::DenseFunctor<double>(static_cast<int>(aFree.size()), static_cast<int>(aPoints.size())),
          m_aPoints(aPoints), m_aFree(std::move(aFree)), m_p(p) {}

    const double* Full(const Eigen::VectorXd& x) const {
        for (std::size_t k = 0; k < m_aFree.size(); ++k)
            m_p[static_cast<std::size_t>(m_aFree[k])] = x(static_cast<Eigen::Index>(k));
        return m_p.data();
    }
    int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& r) const {
        const double* p = Full(x);
        for (std::size_t i = 0; i < m_aPoints.size(); ++i) {
            const double d = LawAt(m_aPoints[i], p).m_dStress - m_aPoints[i].m_dStress;
            r(static_cast<Eigen::Index>(i)) = std::isfinite(d) ? d : 1e50; // a step the minimiser rejects
        }
        return 0;
    }
    int df(const Eigen::VectorXd& x, Eigen::MatrixXd& J) const {
        const double* p = Full(x);
        for (std::size_t i = 0; i < m_aPoints.size(); ++i) {
            const SValue value = LawAt(m_aPoints[i], p);
            for (std::size_t k = 0; k < m_aFree.size(); ++k)
                J(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(k)) =
                    value.m_adSlope[static_cast<std::size_t>(m_aFree[k])];
        }
        return 0;
    }

    const std::vector<SPoint>& m_aPoints;
    std::vector<int> m_aFree;
    mutable std::array<double, kJohnsonCookFitCoef> m_p;
};

double SumSq(const std::vector<SPoint>& aPoints, const double* p) {
    double dSum = 0;
    for (const SPoint& pt : aPoints) {
        const double d = LawAt(pt, p).m_dStress - pt.m_dStress;
        dSum += d * d;
    }
    return dSum;
}

// dS/dp_k at p, 2 sum r_i dKs_i/dp_k.
double Gradient(const std::vector<SPoint>& aPoints, const double* p, int k) {
    double dSum = 0;
    for (const SPoint& pt : aPoints) {
        const SValue value = LawAt(pt, p);
        dSum += 2 * (value.m_dStress - pt.m_dStress) * value.m_adSlope[static_cast<std::size_t>(k)];
    }
    return dSum;
}

// The best start on the grid of n, C and m, A and B by least squares at 0 or above.
std::array<double, kJohnsonCookFitCoef> GridStart(const std::vector<SPoint>& aPoints) {
    std::array<double, kJohnsonCookFitCoef> best = {0, 0, 0.2, 0, 1};
    double dBest = HUGE_VAL;
    for (double n : {0.05, 0.1, 0.15, 0.2, 0.3, 0.4, 0.5, 0.7, 1.0})
        for (double C : {0.0, 0.02, 0.05, 0.1, 0.2, 0.4})
            for (double m : {0.3, 0.6, 1.0, 1.5, 2.0, 3.0, 5.0}) {
                // Normal equations of s = A f + B g.
                double ff = 0, fg = 0, gg = 0, fs = 0, gs = 0;
                for (const SPoint& pt : aPoints) {
                    const double f = LawAt(pt, std::array<double, 5>{1, 0, n, C, m}.data()).m_dStress;
                    const double g = f * std::exp(n * pt.m_dLnE);
                    ff += f * f, fg += f * g, gg += g * g, fs += f * pt.m_dStress, gs += g * pt.m_dStress;
                }
                const double dDet = ff * gg - fg * fg;
                std::array<std::array<double, 2>, 3> aCandidates = {{{0, gg > 0 ? std::max(0.0, gs / gg) : 0},
                                                                     {ff > 0 ? std::max(0.0, fs / ff) : 0, 0},
                                                                     {0, 0}}};
                if (dDet > 0)
                    aCandidates[2] = {(fs * gg - gs * fg) / dDet, (gs * ff - fs * fg) / dDet};
                for (const auto& ab : aCandidates) {
                    if (ab[0] < 0 || ab[1] < 0)
                        continue;
                    const std::array<double, kJohnsonCookFitCoef> p = {ab[0], ab[1], n, C, m};
                    const double dSum = SumSq(aPoints, p.data());
                    if (dSum < dBest) {
                        dBest = dSum;
                        best = p;
                    }
                }
            }
    return best;
}

CJohnsonCookFit Refuse(CJohnsonCookFit fit, ERefinement eStatus, std::string strMessage) {
    fit.m_eStatus = eStatus;
    fit.m_strMessage = "model 20: " + std::move(strMessage) + "; the fit is refused";
    fit.m_aCoef.clear();
    return fit;
}

} // namespace

CJohnsonCookFit FitJohnsonCookLaw(const CMaterial& material) {
    CJohnsonCookFit fit;
    const CJohnsonCookInputs& inputs = material.m_johnsonCook;
    const CMeasuredConditions measured = MeasuredConditions(material);
    if (measured.m_aTemps.empty())
        return Refuse(fit, ERefinement::NoStart, "the material has no measured points");
    if (!inputs.m_dMeltTemp)
        return Refuse(fit, ERefinement::NoStart,
                      "the Johnson-Cook law needs the melting temperature of the material (--melt-temperature T, or "
                      "the work window asks for it)");
    const double dMelt = *inputs.m_dMeltTemp;
    const double dRef = inputs.m_dRefTemp.value_or(measured.m_aTemps.front());
    double dRefRate = kEvaluateMinRate;
    for (double dRate : measured.m_aRates)
        if (dRate > kEvaluateMinRate) {
            dRefRate = dRate;
            break;
        }
    dRefRate = inputs.m_dRefRate.value_or(dRefRate);
    if (!std::isfinite(dMelt) || !(dMelt > measured.m_aTemps.back()))
        return Refuse(fit, ERefinement::NoStart,
                      FormatText("the melting temperature %g deg C is not above the highest measured temperature %g deg C",
                             dMelt, measured.m_aTemps.back()));
    if (!std::isfinite(dRef) || !(dRef < dMelt))
        return Refuse(fit, ERefinement::NoStart,
                      FormatText("the reference temperature %g deg C is not below the melting temperature %g deg C", dRef,
                             dMelt));
    if (!std::isfinite(dRefRate) || !(dRefRate > 0))
        return Refuse(fit, ERefinement::NoStart, FormatText("the reference strain rate %g 1/s is not above 0", dRefRate));

    std::vector<SPoint> aPoints;
    for (int c = 0; c < material.m_nCurves; ++c) {
        const CCurve& curve = material.Curve(c);
        for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j) {
            const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
            const double E = !(p.m_dStrain > kEvaluateMinStrain) ? kEvaluateMinStrain : p.m_dStrain;
            const double H = !(p.m_dRate > kEvaluateMinRate) ? kEvaluateMinRate : p.m_dRate;
            aPoints.push_back({std::log(E), std::log(std::max(H / dRefRate, 1.0)),
                               std::min(std::max((p.m_dTemp - dRef) / (dMelt - dRef), 0.0), 1.0), p.m_dStress});
            if (!std::isfinite(aPoints.back().m_dLnE + aPoints.back().m_dTh + p.m_dStress))
                return Refuse(fit, ERefinement::NotFinite,
                              FormatText("the point at strain %g of curve %d is not a finite number", p.m_dStrain, c + 1));
        }
    }
    fit.m_nPoints = static_cast<int>(aPoints.size());
    if (fit.m_nPoints <= kJohnsonCookFitCoef)
        return Refuse(fit, ERefinement::TooFewPoints,
                      FormatText("%d measured points do not determine %d coefficients", fit.m_nPoints, kJohnsonCookFitCoef));

    std::array<double, kJohnsonCookFitCoef> p = GridStart(aPoints);
    fit.m_dStartSumSq = SumSq(aPoints, p.data());
    std::vector<int> aHeld;
    for (int k : kBounded)
        if (p[static_cast<std::size_t>(k)] == 0)
            aHeld.push_back(k);
    bool bSolverFailed = false;
    // The coefficients fitted while those in aHeld are held: n not while B is held at 0,
    // since a term that is 0 has no exponent to speak of (n then stays at its start).
    const auto freeOf = [](const std::vector<int>& aHeldNow) {
        std::vector<int> aFree;
        for (int k = 0; k < kJohnsonCookFitCoef; ++k) {
            const bool bHeld = std::find(aHeldNow.begin(), aHeldNow.end(), k) != aHeldNow.end();
            const bool bIdle = k == 2 && std::find(aHeldNow.begin(), aHeldNow.end(), 1) != aHeldNow.end();
            if (!bHeld && !bIdle)
                aFree.push_back(k);
        }
        return aFree;
    };
    for (int nRound = 0; nRound < 2 * kJohnsonCookFitCoef; ++nRound) {
        const std::vector<int> aFree = freeOf(aHeld);
        CResiduals residuals(aPoints, aFree, p);
        Eigen::VectorXd x(static_cast<Eigen::Index>(aFree.size()));
        for (std::size_t k = 0; k < aFree.size(); ++k)
            x(static_cast<Eigen::Index>(k)) = p[static_cast<std::size_t>(aFree[k])];
        Eigen::LevenbergMarquardt<CResiduals> solver(residuals);
        solver.setMaxfev(200 * (kJohnsonCookFitCoef + 1));
        const Eigen::LevenbergMarquardtSpace::Status eStatus = solver.minimize(x);
        fit.m_nEvaluations += static_cast<int>(solver.nfev() + solver.njev());
        if (!x.allFinite() ||
            (eStatus != Eigen::LevenbergMarquardtSpace::TooManyFunctionEvaluation && solver.info() != Eigen::Success)) {
            bSolverFailed = true;
            break;
        }
        std::copy(residuals.Full(x), residuals.Full(x) + kJohnsonCookFitCoef, p.begin());
        // Coefficients the step took below their bound are held there; else a held one
        // whose rise lowers S is released.
        bool bChanged = false;
        for (int k : kBounded)
            if (p[static_cast<std::size_t>(k)] < 0) {
                p[static_cast<std::size_t>(k)] = 0;
                aHeld.push_back(k);
                bChanged = true;
            }
        if (!bChanged) {
            int nRelease = -1;
            double dSteepest = 0;
            for (int k : aHeld)
                if (const double g = Gradient(aPoints, p.data(), k); g < dSteepest) {
                    dSteepest = g;
                    nRelease = k;
                }
            if (nRelease >= 0) {
                aHeld.erase(std::find(aHeld.begin(), aHeld.end(), nRelease));
                p[static_cast<std::size_t>(nRelease)] = 1e-6; // off the bound, into the side S falls to
                bChanged = true;
            }
        }
        if (!bChanged)
            break;
    }
    fit.m_dSumSq = SumSq(aPoints, p.data());
    if (bSolverFailed || !(fit.m_dSumSq <= fit.m_dStartSumSq))
        return Refuse(fit, ERefinement::SolverFailed, "the least-squares fit failed on a singular or undefined Jacobian");

    std::sort(aHeld.begin(), aHeld.end());
    fit.m_aCoef = {p[0], p[1], p[2], p[3], p[4], dRefRate, dRef, dMelt};
    const std::vector<int> aFree = freeOf(aHeld);
    Eigen::MatrixXd J(fit.m_nPoints, static_cast<Eigen::Index>(aFree.size()));
    Eigen::VectorXd values(static_cast<Eigen::Index>(aFree.size()));
    for (std::size_t k = 0; k < aFree.size(); ++k)
        values(static_cast<Eigen::Index>(k)) = p[static_cast<std::size_t>(aFree[k])];
    CResiduals(aPoints, aFree, p).df(values, J);
    CConfidenceIntervals ci = MakeConfidenceIntervals(J.data(), fit.m_nPoints, static_cast<int>(aFree.size()),
                                                      values.data(), fit.m_dSumSq);
    // MakeConfidenceIntervals numbers the free coefficients 1, 2, ...; they are A<k + 1>.
    for (CCoefficientInterval& interval : ci.m_aCoef)
        interval.m_nNumber = aFree[static_cast<std::size_t>(interval.m_nNumber - 1)] + 1;
    for (CIllDeterminedPair& pair : ci.m_aIllDetermined) {
        pair.m_nFirst = aFree[static_cast<std::size_t>(pair.m_nFirst - 1)] + 1;
        pair.m_nSecond = aFree[static_cast<std::size_t>(pair.m_nSecond - 1)] + 1;
    }
    fit.m_confidence = std::move(ci);
    std::string strHeld;
    for (int k : aHeld) {
        fit.m_aHeld.push_back(k + 1);
        strHeld += (strHeld.empty() ? "; held at their bound 0: A" : ", A") + std::to_string(k + 1);
    }
    if (p[1] == 0)
        strHeld += "; A3 stays at its start, the exponent of a term that is 0";
    fit.m_eStatus = ERefinement::Refined;
    fit.m_strMessage = FormatText("Fitted on the stresses of %d measured points with tm= %g, tr= %g deg C and H0= %g 1/s: "
                              "RMS %.6g -> %.6g (%d evaluations%s).",
                              fit.m_nPoints, dMelt, dRef, dRefRate, std::sqrt(fit.m_dStartSumSq / fit.m_nPoints),
                              std::sqrt(fit.m_dSumSq / fit.m_nPoints), fit.m_nEvaluations, strHeld.c_str());
    return fit;
}

CRefinementResult FitJohnsonCook(CMaterial& material, const CCoreFitStart*) {
    CJohnsonCookFit fit = FitJohnsonCookLaw(material);
    return TakeWorkbenchFit(material, std::move(fit), fit.m_aCoef);
}
