#include "vornel/analysis/ActivationEnergy.h"

#include "vornel/document/Text.h"
#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SinhLaw.h"

#include <Eigen/Dense>
#include <boost/math/tools/minima.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ln sinh(x) for x > 0, without overflow for large x nor cancellation for small x:
// x - ln 2 + ln(1 - e^(-2x)).
double LnSinh(double x) { return x - std::log(2.0) + std::log(-std::expm1(-2.0 * x)); }

double InverseKelvin(double dTemp) { return 1.0 / (dTemp + kCelsiusToKelvin); }

// The least-squares line through (x, y).
CRegressionLine FitLine(double dKey, std::vector<double> x, std::vector<double> y) {
    CRegressionLine line;
    line.m_dKey = dKey;
    const double n = static_cast<double>(x.size());
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        mx += x[i] / n;
        my += y[i] / n;
    }
    double sxy = 0, sxx = 0, syy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    line.m_dSlope = sxy / sxx;
    line.m_dIntercept = my - line.m_dSlope * mx;
    line.m_dR2 = syy > 0 ? sxy * sxy / (sxx * syy) : kNaN;
    line.m_aX = std::move(x);
    line.m_aY = std::move(y);
    return line;
}

// The points grouped by one condition (temperature, or strain rate): per distinct value with
// at least 2 distinct values of the other condition, the indices of its points.
struct SGroup {
    double m_dKey = 0;
    std::vector<std::size_t> m_aMembers;
};

std::vector<SGroup> Groups(const std::vector<CActivationPoint>& aPoints, bool bByTemp) {
    const auto key = [&](const CActivationPoint& p) { return bByTemp ? p.m_dTemp : p.m_dRate; };
    const auto other = [&](const CActivationPoint& p) { return bByTemp ? p.m_dRate : p.m_dTemp; };
    std::vector<SGroup> aGroups;
    for (std::size_t i = 0; i < aPoints.size(); ++i) {
        auto it = std::find_if(aGroups.begin(), aGroups.end(),
                               [&](const SGroup& g) { return SameCondition(g.m_dKey, key(aPoints[i])); });
        if (it == aGroups.end())
            it = aGroups.insert(aGroups.end(), SGroup{key(aPoints[i]), {}});
        it->m_aMembers.push_back(i);
    }
    std::erase_if(aGroups, [&](const SGroup& g) {
        const double dFirst = other(aPoints[g.m_aMembers.front()]);
        return std::all_of(g.m_aMembers.begin(), g.m_aMembers.end(),
                           [&](std::size_t i) { return SameCondition(other(aPoints[i]), dFirst); });
    });
    std::sort(aGroups.begin(), aGroups.end(), [](const SGroup& a, const SGroup& b) { return a.m_dKey < b.m_dKey; });
    return aGroups;
}

// A plot of y(point) over x(point), a line per group, and the mean of their slopes.
template <class X, class Y>
CSlopePlot MakePlot(ESlopePlot eKind, double dAlpha, const std::vector<CActivationPoint>& aPoints,
                    const std::vector<SGroup>& aGroups, X x, Y y) {
    CSlopePlot plot;
    plot.m_eKind = eKind;
    plot.m_dAlpha = dAlpha;
    double dSum = 0;
    for (const SGroup& group : aGroups) {
        std::vector<double> ax, ay;
        for (std::size_t i : group.m_aMembers) {
            ax.push_back(x(aPoints[i]));
            ay.push_back(y(aPoints[i]));
        }
        plot.m_aLines.push_back(FitLine(group.m_dKey, std::move(ax), std::move(ay)));
        dSum += plot.m_aLines.back().m_dSlope;
    }
    plot.m_dMeanSlope = dSum / static_cast<double>(aGroups.size());
    return plot;
}

// R^2 of ln H as the law with these constants gives it, over the points.
double LawR2(const std::vector<CActivationPoint>& aPoints, const CActivationConstants& c) {
    double dMean = 0;
    for (const CActivationPoint& p : aPoints)
        dMean += std::log(p.m_dRate) / static_cast<double>(aPoints.size());
    double dRes = 0, dTot = 0;
    for (const CActivationPoint& p : aPoints) {
        const double y = std::log(p.m_dRate);
        const double f = c.m_dLnA + c.m_dN * LnSinh(c.m_dAlpha * p.m_dStress) -
                         c.m_dQ * 1000.0 / kGasConstant * InverseKelvin(p.m_dTemp);
        dRes += (y - f) * (y - f);
        dTot += (y - dMean) * (y - dMean);
    }
    return dTot > 0 ? 1 - dRes / dTot : kNaN;
}

CActivationEnergy Refuse(CActivationEnergy result, std::string strMessage) {
    result.m_eStatus = EActivation::Refused;
    result.m_strMessage = std::move(strMessage);
    return result;
}

} // namespace

std::string SlopePlotTitle(const CSlopePlot& plot) {
    switch (plot.m_eKind) {
    case ESlopePlot::LnRateOverLnStress:
        return FormatText("n1 = %.4g (mean slope)", plot.m_dMeanSlope);
    case ESlopePlot::LnRateOverStress:
        return FormatText("beta = %.4g (mean slope)", plot.m_dMeanSlope);
    case ESlopePlot::LnRateOverLnSinh:
        return FormatText("n = %.4g at alpha = %.4g", plot.m_dMeanSlope, plot.m_dAlpha);
    case ESlopePlot::LnSinhOverInverseT:
        return FormatText("Q/(R n) = %.4g K at alpha = %.4g", plot.m_dMeanSlope * 1000.0, plot.m_dAlpha);
    }
    return {};
}

std::string SlopePlotXLabel(ESlopePlot eKind) {
    switch (eKind) {
    case ESlopePlot::LnRateOverLnStress:
        return "ln s";
    case ESlopePlot::LnRateOverStress:
        return "s";
    case ESlopePlot::LnRateOverLnSinh:
        return "ln sinh(alpha s)";
    case ESlopePlot::LnSinhOverInverseT:
        return "1000/T (1/K)";
    }
    return {};
}

std::string SlopePlotYLabel(ESlopePlot eKind) {
    return eKind == ESlopePlot::LnSinhOverInverseT ? "ln sinh(alpha s)" : "ln H";
}

CActivationConstants FitSinhPlane(const std::vector<CActivationPoint>& aPoints, double dAlpha, double* pSumSq) {
    CActivationConstants c;
    if (pSumSq)
        *pSumSq = kNaN;
    if (!(dAlpha > 0) || aPoints.size() < 4)
        return c;
    const Eigen::Index nRows = static_cast<Eigen::Index>(aPoints.size());
    Eigen::MatrixXd V(nRows, 3);
    Eigen::VectorXd y(nRows);
    for (Eigen::Index i = 0; i < nRows; ++i) {
        const CActivationPoint& p = aPoints[static_cast<std::size_t>(i)];
        V(i, 0) = 1;
        V(i, 1) = LnSinh(dAlpha * p.m_dStress);
        V(i, 2) = InverseKelvin(p.m_dTemp) * 1000.0;
        y(i) = std::log(p.m_dRate);
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(V);
    if (qr.rank() < 3)
        return c;
    const Eigen::Vector3d b = qr.solve(y);
    c.m_dAlpha = dAlpha;
    c.m_dLnA = b(0);
    c.m_dN = b(1);
    c.m_dQ = -b(2) * kGasConstant; // b(2) = -Q/R per 1000/T, so Q in kJ/mol
    const double dSumSq = (V * b - y).squaredNorm();
    const double dTot = (y.array() - y.mean()).matrix().squaredNorm();
    c.m_dR2 = dTot > 0 ? 1 - dSumSq / dTot : kNaN;
    if (pSumSq)
        *pSumSq = dSumSq;
    return c;
}

CActivationEnergy AnalyseActivationEnergy(const CMaterial& material, const CStressBasis& basis) {
    CActivationEnergy result;
    result.m_basis = basis;
    int nStandIns = 0;
    std::vector<int> aShort, aUnusable;
    for (const CCurveCharacteristics& c : CurveCharacteristics(
             material, basis.m_eBasis == EStressBasis::Strain ? std::vector<double>{basis.m_dStrain} : std::vector<double>{})) {
        if (c.m_nPoints == 0)
            continue;
        CActivationPoint p{c.m_nCurve, c.m_dTemp, c.m_dRate, 0, 0};
        if (basis.m_eBasis == EStressBasis::Strain) {
            p.m_dStress = c.m_aStressAt.front();
            p.m_dStrain = basis.m_dStrain;
            if (std::isnan(p.m_dStress)) {
                aShort.push_back(c.m_nCurve + 1);
                continue;
            }
        } else if (c.m_bPeak) {
            p.m_dStress = c.m_dPeakStress;
            p.m_dStrain = c.m_dPeakStrain;
        } else {
            p.m_dStress = c.m_dMaxStress;
            p.m_dStrain = c.m_dMaxStrain;
            ++nStandIns;
        }
        if (!(p.m_dStress > 0) || !(p.m_dRate > 0) || !std::isfinite(p.m_dRate) ||
            !(p.m_dTemp + kCelsiusToKelvin > 0)) {
            aUnusable.push_back(c.m_nCurve + 1);
            continue;
        }
        result.m_aPoints.push_back(p);
    }
    const auto list = [](const std::vector<int>& a) {
        std::string strList;
        for (int n : a)
            strList += (strList.empty() ? "" : ", ") + std::to_string(n);
        return strList;
    };
    if (nStandIns > 0)
        result.m_aNotes.push_back(FormatText("%d curve%s without a peak contribute%s the largest stress", nStandIns,
                                         nStandIns == 1 ? "" : "s", nStandIns == 1 ? "s" : ""));
    if (!aShort.empty())
        result.m_aNotes.push_back("curves " + list(aShort) + " end before strain " + FormatText("%g", basis.m_dStrain) +
                                  " and are left out");
    if (!aUnusable.empty())
        result.m_aNotes.push_back("curves " + list(aUnusable) +
                                  " have a strain rate or stress not above 0 and are left out");

    const std::vector<CActivationPoint>& aPoints = result.m_aPoints;
    const std::vector<SGroup> aByTemp = Groups(aPoints, true);
    const std::vector<SGroup> aByRate = Groups(aPoints, false);
    if (aByTemp.empty() || aByRate.empty())
        return Refuse(std::move(result), "the activation energy needs curves at 2 or more strain rates at one "
                                         "temperature and at 2 or more temperatures at one strain rate");
    const auto lnRate = [](const CActivationPoint& p) { return std::log(p.m_dRate); };
    result.m_aPlots[0] = MakePlot(ESlopePlot::LnRateOverLnStress, kNaN, aPoints, aByTemp,
                                  [](const CActivationPoint& p) { return std::log(p.m_dStress); }, lnRate);
    result.m_aPlots[1] = MakePlot(ESlopePlot::LnRateOverStress, kNaN, aPoints, aByTemp,
                                  [](const CActivationPoint& p) { return p.m_dStress; }, lnRate);
    result.m_dN1 = result.m_aPlots[0].m_dMeanSlope;
    result.m_dBeta = result.m_aPlots[1].m_dMeanSlope;
    const double dAlpha0 = result.m_dBeta / result.m_dN1;
    if (!(result.m_dN1 > 0) || !(result.m_dBeta > 0) || !std::isfinite(dAlpha0))
        return Refuse(std::move(result), FormatText("the stresses do not rise with the strain rate (n1= %g, beta= %g), so "
                                                "the hyperbolic sine has no usable slope",
                                                result.m_dN1, result.m_dBeta));

    // The sinh plots at one alpha: n and Q / (R n), with the constants of the standard procedure.
    const auto sinhPlots = [&](double dAlpha, CSlopePlot& nPlot, CSlopePlot& qPlot) {
        const auto lnSinh = [dAlpha](const CActivationPoint& p) { return LnSinh(dAlpha * p.m_dStress); };
        nPlot = MakePlot(ESlopePlot::LnRateOverLnSinh, dAlpha, aPoints, aByTemp, lnSinh, lnRate);
        qPlot = MakePlot(ESlopePlot::LnSinhOverInverseT, dAlpha, aPoints, aByRate,
                         [](const CActivationPoint& p) { return 1000.0 * InverseKelvin(p.m_dTemp); }, lnSinh);
    };
    sinhPlots(dAlpha0, result.m_aPlots[2], result.m_aPlots[3]);
    CActivationConstants& standard = result.m_standard;
    standard.m_dAlpha = dAlpha0;
    standard.m_dN = result.m_aPlots[2].m_dMeanSlope;
    if (!(standard.m_dN > 0) || !std::isfinite(standard.m_dN))
        return Refuse(std::move(result),
                      FormatText("ln sinh(alpha s) does not rise with ln H at alpha = beta/n1 = %g (n= %g)", dAlpha0,
                             standard.m_dN));
    // Q = R n S with S per 1000/T: J/mol x 1000 / 1000 = kJ/mol.
    standard.m_dQ = kGasConstant * standard.m_dN * result.m_aPlots[3].m_dMeanSlope;
    standard.m_dLnA = 0;
    for (const CActivationPoint& p : aPoints)
        standard.m_dLnA += (std::log(p.m_dRate) + standard.m_dQ * 1000.0 / kGasConstant * InverseKelvin(p.m_dTemp) -
                            standard.m_dN * LnSinh(dAlpha0 * p.m_dStress)) /
                           static_cast<double>(aPoints.size());
    standard.m_dR2 = LawR2(aPoints, standard);

    // The alpha of the most nearly linear plane: a scan over ln alpha, then Brent's method
    // between the neighbours of the best scanned point.
    const auto sumSq = [&](double dLnAlpha) {
        double d = kNaN;
        FitSinhPlane(aPoints, std::exp(dLnAlpha), &d);
        return std::isfinite(d) ? d : HUGE_VAL;
    };
    const double dLo = std::log(dAlpha0 / kAlphaSpan);
    const double dStep = 2 * std::log(kAlphaSpan) / (kAlphaScan - 1);
    int nBest = 0;
    double dBest = HUGE_VAL;
    for (int k = 0; k < kAlphaScan; ++k)
        if (const double d = sumSq(dLo + k * dStep); d < dBest) {
            dBest = d;
            nBest = k;
        }
    if (!std::isfinite(dBest))
        return Refuse(std::move(result), "ln H cannot be fitted over ln sinh(alpha s) and 1/T: the curves' stresses or "
                                         "temperatures do not vary enough");
    result.m_bAlphaAtEnd = nBest == 0 || nBest == kAlphaScan - 1;
    const auto [dLnAlpha, dSumSq] =
        boost::math::tools::brent_find_minima(sumSq, dLo + std::max(0, nBest - 1) * dStep,
                                              dLo + std::min(kAlphaScan - 1, nBest + 1) * dStep, 40);
    (void)dSumSq;
    result.m_searched = FitSinhPlane(aPoints, std::exp(dLnAlpha));
    sinhPlots(result.m_searched.m_dAlpha, result.m_aPlots[4], result.m_aPlots[5]);
    if (result.m_bAlphaAtEnd)
        result.m_aNotes.push_back(FormatText("the search for alpha ended at the end of its range (beta/n1 / %g to x %g)",
                                         kAlphaSpan, kAlphaSpan));

    if (material.m_nFunction == kSinhModel && material.m_nCoef == kSinhCoef) {
        double dStrain = basis.m_dStrain;
        if (basis.m_eBasis == EStressBasis::Peak) {
            dStrain = 0;
            for (const CActivationPoint& p : aPoints)
                dStrain += p.m_dStrain / static_cast<double>(aPoints.size());
        }
        result.m_dModelStrain = dStrain;
        result.m_dModelQ = SinhTerms(material.m_dCoef.data(), kSinhOrder, std::max(dStrain, kEvaluateMinStrain), 1.0,
                                     1000.0)
                               .m_dQ;
    }
    return result;
}

std::string ActivationEnergyCsv(const CActivationEnergy& energy) {
    const auto number = [](double d) { return std::isnan(d) ? std::string("nan") : FormatText("%.17g", d); };
    std::string strText = energy.m_basis.m_eBasis == EStressBasis::Peak
                              ? std::string("# from the peak stresses\n")
                              : "# from the stresses at strain " + number(energy.m_basis.m_dStrain) + "\n";
    if (!energy.Ok())
        strText += "# not formed: " + energy.m_strMessage + "\n";
    for (const std::string& strNote : energy.m_aNotes)
        strText += "# " + strNote + "\n";
    strText += "# n1= " + number(energy.m_dN1) + " beta= " + number(energy.m_dBeta) + "\n";
    if (std::isfinite(energy.m_dModelQ))
        strText += "# model 19: Q= " + number(energy.m_dModelQ) + " kJ/mol at strain " + number(energy.m_dModelStrain) + "\n";
    strText += "procedure,alpha,n,Q_kJ/mol,lnA,R2\n";
    for (const auto& [szName, pConstants] : {std::pair{"beta/n1", &energy.m_standard}, std::pair{"searched", &energy.m_searched}})
        strText += std::string(szName) + ',' + number(pConstants->m_dAlpha) + ',' + number(pConstants->m_dN) + ',' +
                   number(pConstants->m_dQ) + ',' + number(pConstants->m_dLnA) + ',' + number(pConstants->m_dR2) + '\n';
    strText += "plot,alpha,line_at,slope,intercept,R2\n";
    static const char* const s_aszPlot[] = {"n1", "beta", "n", "Q/(R n)"};
    for (const CSlopePlot& plot : energy.m_aPlots)
        for (const CRegressionLine& line : plot.m_aLines)
            strText += std::string(s_aszPlot[static_cast<int>(plot.m_eKind)]) + ',' + number(plot.m_dAlpha) + ',' +
                       (plot.m_eKind == ESlopePlot::LnSinhOverInverseT ? "H=" : "t=") + number(line.m_dKey) + ',' +
                       number(line.m_dSlope) + ',' + number(line.m_dIntercept) + ',' + number(line.m_dR2) + '\n';
    return strText;
}
