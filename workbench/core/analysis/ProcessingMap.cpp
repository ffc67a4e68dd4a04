#include "vornel/analysis/ProcessingMap.h"

#include "vornel/document/Text.h"
#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/document/InputRanges.h"
#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"
#include "vornel/model/ModelCatalogue.h"

#include <Eigen/Dense>
#include <boost/math/interpolators/barycentric_rational.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CProcessingMap Refuse(CProcessingMap map, std::string strMessage) {
    map.m_eStatus = EMapStatus::Refused;
    map.m_strMessage = std::move(strMessage);
    map.m_aM.clear();
    map.m_aEta.clear();
    map.m_aXi.clear();
    return map;
}

// eta and xi of a point from m and dm/d ln H.
void Dissipation(CProcessingMap& map, std::size_t k, double m, double dSlope) {
    map.m_aM[k] = m;
    map.m_aEta[k] = 2 * m / (m + 1);
    const double dDenominator = m * (m + 1);
    map.m_aXi[k] = dDenominator != 0 ? dSlope / dDenominator + m : kNaN;
    if (!std::isfinite(map.m_aXi[k]))
        map.m_aXi[k] = kNaN;
}

// m = d ln Ks / d ln H of the material's law at (E, t) and ln H.
double LawSensitivity(const CMaterial& material, double dStrain, double dTemp, double dLnRate) {
    const double dRate = std::exp(dLnRate);
    const CLawValue value = EvaluateLaw(material.m_nFunction, material.m_dCoef.data(), dStrain, dTemp, dRate);
    return value.m_slopes.m_dRate * dRate / value.m_dStress;
}

CProcessingMap LawMap(const CMaterial& material, CProcessingMap map) {
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    if (!pModel || material.m_nCoef <= 0)
        return Refuse(std::move(map), "the material has no fitted law; fit one, or draw the map from the measured "
                                      "curves");
    map.m_nModel = pModel->m_nNumber;
    bool bVaries = false;
    for (std::size_t r = 0; r < map.Rows(); ++r) {
        const double x = std::log(map.m_aRates[r]);
        for (std::size_t c = 0; c < map.Columns(); ++c) {
            const double t = map.m_aTemps[c];
            const auto m = [&](double dLnRate) { return LawSensitivity(material, map.m_dStrain, t, dLnRate); };
            const double h = kLawStep;
            const double dNear = (m(x + h) - m(x - h)) / (2 * h);
            const double dFar = (m(x + 2 * h) - m(x - 2 * h)) / (4 * h);
            const double dM = m(x);
            bVaries = bVaries || dM != 0;
            Dissipation(map, map.At(r, c), std::isfinite(dM) ? dM : kNaN, (4 * dNear - dFar) / 3);
        }
    }
    if (!bVaries)
        return Refuse(std::move(map), FormatText("the law of model %d does not change with the strain rate (m = 0 "
                                             "everywhere), so it has no processing map",
                                             map.m_nModel));
    return map;
}

CProcessingMap DataMap(const CMaterial& material, CProcessingMap map) {
    // Per measured temperature: (ln H, ln s) of the curves that reach the strain.
    struct STemperature {
        double m_dTemp = 0;
        std::vector<double> m_aX, m_aY;
        std::vector<double> m_aRates; // distinct
    };
    std::vector<STemperature> aTemps;
    std::vector<int> aShort;
    for (const CFlowCurve& curve : FlowCurves(material)) {
        if (curve.m_aStrain.empty() || !(curve.m_dRate > 0) || !std::isfinite(curve.m_dRate) ||
            !std::isfinite(curve.m_dTemp))
            continue;
        const double s = StressAtStrain(curve, map.m_dStrain);
        if (!(s > 0)) {
            aShort.push_back(curve.m_nCurve + 1);
            continue;
        }
        auto it = std::find_if(aTemps.begin(), aTemps.end(),
                               [&](const STemperature& g) { return SameCondition(g.m_dTemp, curve.m_dTemp); });
        if (it == aTemps.end())
            it = aTemps.insert(aTemps.end(), STemperature{curve.m_dTemp, {}, {}, {}});
        it->m_aX.push_back(std::log(curve.m_dRate));
        it->m_aY.push_back(std::log(s));
        if (ConditionIndex(it->m_aRates, curve.m_dRate) < 0)
            it->m_aRates.push_back(curve.m_dRate);
    }
    if (!aShort.empty()) {
        std::string strList;
        for (int n : aShort)
            strList += (strList.empty() ? "" : ", ") + std::to_string(n);
        map.m_aNotes.push_back(FormatText("curve%s %s %s no stress above 0 at strain %g and %s left out",
                                      aShort.size() == 1 ? "" : "s", strList.c_str(),
                                      aShort.size() == 1 ? "has" : "have", map.m_dStrain,
                                      aShort.size() == 1 ? "is" : "are"));
    }
    std::sort(aTemps.begin(), aTemps.end(), [](const auto& a, const auto& b) { return a.m_dTemp < b.m_dTemp; });
    for (auto it = aTemps.begin(); it != aTemps.end();) {
        if (it->m_aRates.size() < 2) {
            map.m_aNotes.push_back(FormatText("at t= %g fewer than 2 strain rates reach strain %g: the temperature is left "
                                          "out",
                                          it->m_dTemp, map.m_dStrain));
            it = aTemps.erase(it);
        } else {
            ++it;
        }
    }
    if (aTemps.size() < 2)
        return Refuse(std::move(map), FormatText("at strain %g fewer than 2 temperatures have curves at 2 or more strain "
                                             "rates",
                                             map.m_dStrain));

    // ln s = c0 + c1 x + c2 x^2 + c3 x^3 at each temperature, x = ln H.
    std::vector<Eigen::Vector4d> aPoly;
    for (const STemperature& g : aTemps) {
        const int nDegree = std::min(kMapDataDegree, static_cast<int>(g.m_aRates.size()) - 1);
        const Eigen::Index n = static_cast<Eigen::Index>(g.m_aX.size());
        Eigen::MatrixXd V(n, nDegree + 1);
        Eigen::VectorXd y(n);
        for (Eigen::Index i = 0; i < n; ++i) {
            double dPower = 1;
            for (int k = 0; k <= nDegree; ++k, dPower *= g.m_aX[static_cast<std::size_t>(i)])
                V(i, k) = dPower;
            y(i) = g.m_aY[static_cast<std::size_t>(i)];
        }
        const Eigen::VectorXd c = V.colPivHouseholderQr().solve(y);
        Eigen::Vector4d poly = Eigen::Vector4d::Zero();
        poly.head(nDegree + 1) = c;
        aPoly.push_back(poly);
        map.m_aDegrees.push_back(nDegree);
        map.m_aDataTemps.push_back(g.m_dTemp);
    }

    // Weights of the measured temperatures at each grid temperature: the interpolant of the
    // j-th unit vector.
    const std::size_t nT = aTemps.size();
    const std::size_t nOrder = std::min<std::size_t>(3, nT - 1);
    std::vector<std::vector<double>> aWeights(map.Columns(), std::vector<double>(nT));
    for (std::size_t j = 0; j < nT; ++j) {
        std::vector<double> aUnit(nT, 0.0);
        aUnit[j] = 1;
        const boost::math::barycentric_rational<double> unit(map.m_aDataTemps.begin(), map.m_aDataTemps.end(),
                                                             aUnit.begin(), nOrder);
        for (std::size_t c = 0; c < map.Columns(); ++c)
            aWeights[c][j] = unit(map.m_aTemps[c]);
    }
    for (std::size_t r = 0; r < map.Rows(); ++r) {
        const double x = std::log(map.m_aRates[r]);
        std::vector<double> aM(nT), aSlope(nT);
        for (std::size_t j = 0; j < nT; ++j) {
            const Eigen::Vector4d& c = aPoly[j];
            aM[j] = c(1) + x * (2 * c(2) + x * 3 * c(3));
            aSlope[j] = 2 * c(2) + x * 6 * c(3);
        }
        for (std::size_t c = 0; c < map.Columns(); ++c) {
            double m = 0, dSlope = 0;
            for (std::size_t j = 0; j < nT; ++j) {
                m += aWeights[c][j] * aM[j];
                dSlope += aWeights[c][j] * aSlope[j];
            }
            Dissipation(map, map.At(r, c), m, dSlope);
        }
    }
    return map;
}

} // namespace

bool ParseMapSource(const std::string& strText, EMapSource& eSource) {
    if (strText == "law")
        eSource = EMapSource::Law;
    else if (strText == "data")
        eSource = EMapSource::Data;
    else
        return false;
    return true;
}

const char* MapSourceName(EMapSource eSource) { return eSource == EMapSource::Law ? "law" : "data"; }

CProcessingMap MakeProcessingMap(const CMaterial& material, double dStrain, EMapSource eSource, int nTemps, int nRates) {
    CProcessingMap map;
    map.m_dStrain = dStrain;
    map.m_eSource = eSource;
    std::vector<double> aTemps, aRates;
    for (const CFlowCurve& curve : FlowCurves(material)) {
        if (curve.m_aStrain.empty() || !(curve.m_dRate > 0) || !std::isfinite(curve.m_dRate) ||
            !std::isfinite(curve.m_dTemp))
            continue;
        if (std::none_of(map.m_aMeasured.begin(), map.m_aMeasured.end(), [&](const CMapCondition& c) {
                return SameCondition(c.m_dTemp, curve.m_dTemp) && SameCondition(c.m_dRate, curve.m_dRate);
            }))
            map.m_aMeasured.push_back({curve.m_dTemp, curve.m_dRate});
        if (ConditionIndex(aTemps, curve.m_dTemp) < 0)
            aTemps.push_back(curve.m_dTemp);
        if (ConditionIndex(aRates, curve.m_dRate) < 0)
            aRates.push_back(curve.m_dRate);
    }
    if (!(dStrain > 0) || !std::isfinite(dStrain))
        return Refuse(std::move(map), FormatText("the strain %g of a map must be a number above 0", dStrain));
    if (aTemps.size() < 2 || aRates.size() < 2)
        return Refuse(std::move(map), "a processing map needs curves at 2 or more temperatures and 2 or more strain "
                                      "rates above 0");
    const auto [itTempLo, itTempHi] = std::minmax_element(aTemps.begin(), aTemps.end());
    const auto [itRateLo, itRateHi] = std::minmax_element(aRates.begin(), aRates.end());
    nTemps = std::max(nTemps, 2);
    nRates = std::max(nRates, 2);
    for (int k = 0; k < nTemps; ++k)
        map.m_aTemps.push_back(*itTempLo + (*itTempHi - *itTempLo) * k / (nTemps - 1));
    for (int k = 0; k < nRates; ++k) {
        map.m_aLogRates.push_back(std::log10(*itRateLo) + (std::log10(*itRateHi) - std::log10(*itRateLo)) * k / (nRates - 1));
        map.m_aRates.push_back(k == 0 ? *itRateLo : k == nRates - 1 ? *itRateHi : std::pow(10.0, map.m_aLogRates.back()));
    }
    map.m_aM.assign(map.Rows() * map.Columns(), kNaN);
    map.m_aEta = map.m_aXi = map.m_aM;
    return eSource == EMapSource::Law ? LawMap(material, std::move(map)) : DataMap(material, std::move(map));
}

std::vector<CProcessingMap> MakeProcessingMaps(const CMaterial& material, const std::vector<double>& aStrains,
                                               EMapSource eSource) {
    std::vector<CProcessingMap> aMaps;
    for (double dStrain : aStrains)
        aMaps.push_back(MakeProcessingMap(material, dStrain, eSource));
    return aMaps;
}

std::string MapTitle(const CProcessingMap& map) {
    std::string strTitle = FormatText("Processing map at strain %g, ", map.m_dStrain);
    if (map.m_eSource == EMapSource::Law)
        return strTitle + (map.m_nModel > 0 ? FormatText("law of model %d", map.m_nModel) : std::string("fitted law"));
    const auto [itLo, itHi] = std::minmax_element(map.m_aDegrees.begin(), map.m_aDegrees.end());
    static const char* const s_aszDegree[] = {"constant", "linear", "quadratic", "cubic"};
    std::string strDegree = "polynomial";
    if (itLo != map.m_aDegrees.end())
        strDegree = *itLo == *itHi ? s_aszDegree[*itLo] : FormatText("degree %d to %d", *itLo, *itHi);
    return strTitle + "measured curves (" + strDegree + " in ln H)";
}

double DefaultMapStrain(const CMaterial& material) {
    double dReach = HUGE_VAL;
    for (const CFlowCurve& curve : FlowCurves(material))
        if (!curve.m_aStrain.empty())
            dReach = std::min(dReach, curve.m_aStrain.back());
    if (!std::isfinite(dReach) || !(dReach > 0))
        return 0;
    const double dHalf = dReach / 2;
    const double dRounded = std::floor(dHalf / 0.05 + 1e-9) * 0.05;
    return dRounded >= 0.05 ? std::round(dRounded * 100) / 100 : dHalf;
}

std::vector<double> ParseStrainList(const std::string& strText) {
    std::vector<double> aStrains;
    std::string strEntry;
    const auto take = [&] {
        if (strEntry.empty())
            return;
        double dValue = 0;
        if (!ParseUserNumber(strEntry, dValue) || !(dValue > 0))
            throw CInputError("strain \"" + strEntry + "\" is not a number above 0");
        aStrains.push_back(dValue);
        strEntry.clear();
    };
    for (char ch : strText) {
        if (ch == ',' || ch == ' ' || ch == '\t')
            take();
        else
            strEntry += ch;
    }
    take();
    if (aStrains.empty())
        throw CInputError("no strain is given: type one or more strains above 0, separated by commas");
    return aStrains;
}

std::string ProcessingMapCsv(const std::vector<CProcessingMap>& aMaps) {
    const auto number = [](double d) { return std::isnan(d) ? std::string("nan") : FormatText("%.17g", d); };
    std::string strText = "# Processing maps of the dynamic materials model: m = d ln s / d ln H, eta = 2m/(m+1), "
                          "xi = d ln(m/(m+1))/d ln H + m (unstable where xi < 0)\n";
    for (const CProcessingMap& map : aMaps) {
        strText += "# " + MapTitle(map) + (map.Ok() ? "" : ": not drawn: " + map.m_strMessage) + "\n";
        for (const std::string& strNote : map.m_aNotes)
            strText += "#   " + strNote + "\n";
    }
    strText += "strain,temperature_C,strain_rate_1/s,m,eta,xi\n";
    for (const CProcessingMap& map : aMaps) {
        if (!map.Ok())
            continue;
        for (std::size_t c = 0; c < map.Columns(); ++c)
            for (std::size_t r = 0; r < map.Rows(); ++r) {
                const std::size_t k = map.At(r, c);
                strText += number(map.m_dStrain) + ',' + number(map.m_aTemps[c]) + ',' +
                           number(map.m_aRates[r]) + ',' + number(map.m_aM[k]) + ',' +
                           number(map.m_aEta[k]) + ',' + number(map.m_aXi[k]) + '\n';
            }
    }
    return strText;
}
