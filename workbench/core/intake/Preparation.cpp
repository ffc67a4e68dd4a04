#include "vornel/intake/Preparation.h"

#include "vornel/document/InputRanges.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numeric>

namespace {

constexpr double kUnconnected = -200.0; // deg C: a thermocouple reading below is no reading

std::string Num(double d, const char* szFormat = "%.4g") {
    char sz[48];
    std::snprintf(sz, sizeof sz, szFormat, d);
    return sz;
}

// The stress of a curve at a strain, interpolated linearly on its rows sorted by strain;
// nAt is where the last call for this curve ended (0 at first), from where a larger strain
// is found by walking forward.
inline double StressAt(const std::vector<std::pair<double, double>>& aSorted, double dStrain, std::size_t& nAt) {
    const auto before = [](const std::pair<double, double>& row, double d) { return row.first < d; };
    std::size_t n = nAt;
    if (n > 0 && !before(aSorted[n - 1], dStrain))
        n = static_cast<std::size_t>(std::lower_bound(aSorted.begin(), aSorted.end(), dStrain, before) - aSorted.begin());
    while (n < aSorted.size() && before(aSorted[n], dStrain))
        ++n;
    nAt = n;
    if (n == 0)
        return aSorted.front().second;
    if (n == aSorted.size())
        return aSorted.back().second;
    const auto& [x1, y1] = aSorted[n];
    const auto& [x0, y0] = aSorted[n - 1];
    return x1 > x0 ? y0 + (y1 - y0) * (dStrain - x0) / (x1 - x0) : y1;
}

// ln(stress) of a curve at any strain: the rows sorted by strain (rows of one strain by
// their ln(stress)), interpolated linearly (StressAt), held at the ends. The strains' order
// is found once; Update takes new stresses of the same rows, so the rounds of the adiabatic
// correction do not sort again. At walks forward from the last strain asked for, as the
// rows of a curve are asked for in order: 200 simulator records of 20,000 rows took 2.2 s
// of the correction with a binary search and a sort per round, 0.3 s this way.
class CLogStress {
public:
    explicit CLogStress(const CPrepCurve& curve) {
        for (std::size_t i = 0; i < curve.Size(); ++i)
            if (curve.m_aStress[i] > 0 && std::isfinite(curve.m_aStrain[i]))
                m_aRow.push_back(i);
        std::stable_sort(m_aRow.begin(), m_aRow.end(),
                         [&](std::size_t a, std::size_t b) { return curve.m_aStrain[a] < curve.m_aStrain[b]; });
        m_aXY.resize(m_aRow.size());
        for (std::size_t k = 0; k < m_aRow.size(); ++k)
            m_aXY[k].first = curve.m_aStrain[m_aRow[k]];
        Update(curve);
    }
    // ln(stress) of the same rows from the curve's present stresses (all of them above 0).
    void Update(const CPrepCurve& curve) {
        for (std::size_t k = 0; k < m_aRow.size(); ++k)
            m_aXY[k].second = std::log(curve.m_aStress[m_aRow[k]]);
        for (std::size_t k = 0; k < m_aXY.size();) { // rows of one strain, by ln(stress)
            std::size_t j = k + 1;
            while (j < m_aXY.size() && m_aXY[j].first == m_aXY[k].first)
                ++j;
            if (j - k > 1)
                std::sort(m_aXY.begin() + static_cast<std::ptrdiff_t>(k), m_aXY.begin() + static_cast<std::ptrdiff_t>(j));
            k = j;
        }
        m_nAt = 0;
    }
    bool Empty() const { return m_aXY.empty(); }
    double At(double dStrain) const { return StressAt(m_aXY, dStrain, m_nAt); }

private:
    std::vector<std::size_t> m_aRow;                 // the rows taken, by strain
    std::vector<std::pair<double, double>> m_aXY;    // their strain and ln(stress)
    mutable std::size_t m_nAt = 0;                   // where the last At ended
};

bool SameCondition(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)}); }

} // namespace

void CPrepCurve::KeepRows(std::size_t nFirst, std::size_t nLast) {
    const auto keep = [&](auto& a) {
        if (a.empty())
            return;
        a.erase(a.begin() + static_cast<std::ptrdiff_t>(nLast) + 1, a.end());
        a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(nFirst));
    };
    keep(m_aStrain);
    keep(m_aStress);
    keep(m_aTemp);
    keep(m_aLine);
}

std::string CPrepCurve::Where(std::size_t i) const {
    if (i < m_aLine.size())
        return "line " + std::to_string(m_aLine[i]);
    return "row " + std::to_string(i + 1);
}

CRowRange FindDeformation(const std::vector<double>& aX) {
    CRowRange range;
    if (aX.empty())
        return range;
    std::size_t nMax = 0;
    for (std::size_t i = 1; i < aX.size(); ++i)
        if (std::fabs(aX[i]) > std::fabs(aX[nMax]))
            nMax = i;
    double dMin = std::fabs(aX[0]);
    for (std::size_t i = 0; i <= nMax; ++i)
        dMin = std::min(dMin, std::fabs(aX[i]));
    const double dTol = 1e-3 * (std::fabs(aX[nMax]) - dMin);
    std::size_t nLast = nMax;
    for (std::size_t i = 0; i <= nMax; ++i)
        if (std::fabs(aX[i]) >= std::fabs(aX[nMax]) - dTol) {
            nLast = i;
            break;
        }
    std::size_t nFirst = 0;
    for (std::size_t i = nLast; i-- > 0;)
        if (std::fabs(aX[i]) <= dMin + dTol) {
            nFirst = i;
            break;
        }
    range.m_nFirst = nFirst;
    range.m_nLast = nLast;
    return range;
}

bool MakePositive(std::vector<double>& aValues) {
    if (aValues.empty())
        return false;
    const auto it = std::max_element(aValues.begin(), aValues.end(),
                                     [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    if (!(*it < 0))
        return false;
    for (double& d : aValues)
        d = -d;
    return true;
}

void TrueFromEngineering(CPrepCurve& curve) {
    for (std::size_t i = 0; i < curve.Size(); ++i) {
        const double e = curve.m_aStrain[i];
        if (!(e < 1))
            throw CInputError(curve.m_strName + ": " + curve.Where(i) + ": an engineering strain of " + Num(e) +
                              " leaves the specimen no height");
        curve.m_aStrain[i] = -std::log1p(-e);
        curve.m_aStress[i] *= 1 - e;
    }
}

void TrueFromForceStroke(CPrepCurve& curve, const std::vector<double>& aForceN, const std::vector<double>& aStrokeMm,
                         double dHeight0, double dDiameter0) {
    const double dArea0 = M_PI * dDiameter0 * dDiameter0 / 4;
    curve.m_aStrain.resize(aStrokeMm.size());
    curve.m_aStress.resize(aStrokeMm.size());
    for (std::size_t i = 0; i < aStrokeMm.size(); ++i) {
        const double h = dHeight0 - aStrokeMm[i];
        if (!(h > 0))
            throw CInputError(curve.m_strName + ": " + curve.Where(i) + ": a stroke of " + Num(aStrokeMm[i]) +
                              " mm reaches the height0 of " + Num(dHeight0) + " mm");
        curve.m_aStrain[i] = std::log(dHeight0 / h);
        curve.m_aStress[i] = aForceN[i] * h / (dArea0 * dHeight0);
    }
}

double FootStrain(const std::vector<double>& aStrain, const std::vector<double>& aStress) {
    const std::size_t n = aStrain.size();
    if (n < 4)
        return 0;
    const double dPeak = *std::max_element(aStress.begin(), aStress.end());
    std::size_t nEnd = 0;
    while (nEnd < n && aStress[nEnd] < 0.9 * dPeak)
        ++nEnd;
    const std::size_t w = std::max<std::size_t>(1, n / 100);
    double dBest = 0;
    std::size_t nBest = 0;
    for (std::size_t i = 0; i + w <= nEnd && i + w < n; ++i) {
        const double dx = aStrain[i + w] - aStrain[i];
        if (dx > 0) {
            const double dSlope = (aStress[i + w] - aStress[i]) / dx;
            if (dSlope > dBest) {
                dBest = dSlope;
                nBest = i;
            }
        }
    }
    if (!(dBest > 0))
        return 0;
    const double dX = 0.5 * (aStrain[nBest] + aStrain[nBest + w]);
    const double dY = 0.5 * (aStress[nBest] + aStress[nBest + w]);
    return dX - dY / dBest;
}

double FrictionFactorFromBarrel(const CSpecimen& s, const std::string& strCurve) {
    const auto fail = [&](const std::string& strWhy) -> double {
        throw CInputError(strCurve + ": the barrelling makes no sense: " + strWhy);
    };
    if (!(s.m_dHeight0 > 0) || !(s.m_dDiameter0 > 0))
        fail("height0 and diameter0 of the specimen are needed (mm, above 0)");
    if (!(s.m_dHeight1 > 0) || !(s.m_dHeight1 < s.m_dHeight0))
        fail("height1 = " + Num(s.m_dHeight1) + " mm is not between 0 and height0 = " + Num(s.m_dHeight0) + " mm");
    if (!(s.m_dDiameterTop > 0) || !(s.m_dDiameterMax > 0) || s.m_dDiameterTop > s.m_dDiameterMax)
        fail("diameter_top = " + Num(s.m_dDiameterTop) + " mm must lie above 0 and not above diameter_max = " +
             Num(s.m_dDiameterMax) + " mm");
    const double dR = 0.5 * s.m_dDiameter0 * std::sqrt(s.m_dHeight0 / s.m_dHeight1);
    if (2 * dR < s.m_dDiameterTop || 2 * dR > s.m_dDiameterMax)
        fail("the mean diameter at constant volume, " + Num(2 * dR) + " mm, lies outside diameter_top.." +
             "diameter_max = " + Num(s.m_dDiameterTop) + ".." + Num(s.m_dDiameterMax) + " mm");
    const double dDeltaR = 0.5 * (s.m_dDiameterMax - s.m_dDiameterTop);
    const double b = 4 * (dDeltaR / dR) * (s.m_dHeight1 / (s.m_dHeight0 - s.m_dHeight1));
    const double dDenominator = 4 / std::sqrt(3.0) - 2 * b / (3 * std::sqrt(3.0));
    const double m = dDenominator > 0 ? (dR / s.m_dHeight1) * b / dDenominator : std::numeric_limits<double>::infinity();
    if (!(m >= 0 && m <= 1))
        fail("it gives a friction factor m = " + Num(m) + " (barrelling b = " + Num(b) + "), outside 0..1");
    return m;
}

double BarrelPressureRatio(double m, double dRh) {
    if (!(m > 0))
        return 1;
    const double s3 = std::sqrt(3.0);
    const double b = (4 * m / s3) / (dRh + 2 * m / (3 * s3));
    const double x = 1 / (dRh * b); // h / (R b)
    const double dEb = std::exp(-b / 2);
    // (1/12 + x^2)^(3/2) - x^3 = a^3 - x^3 = (a - x)(a^2 + a x + x^2) with a = sqrt(1/12 + x^2)
    // and a - x = (1/12) / (a + x): no digits lost for the large x of a small b.
    const double a = std::sqrt(1.0 / 12 + x * x);
    const double dCubes = (1.0 / 12) / (a + x) * (a * a + a * x + x * x);
    return 8 * b * dRh * (dCubes - m * dEb / (24 * s3 * std::expm1(-b / 2)));
}

void CorrectFriction(CPrepCurve& curve) {
    const CSpecimen& s = curve.m_specimen;
    double m = 0;
    std::string strFrom;
    if (s.HasBarrel()) {
        m = FrictionFactorFromBarrel(s, curve.m_strName);
        strFrom = "from the barrel h1=" + Num(s.m_dHeight1) + " dTop=" + Num(s.m_dDiameterTop) + " dMax=" + Num(s.m_dDiameterMax) + " mm";
    } else if (s.m_dFrictionM) {
        m = *s.m_dFrictionM;
        strFrom = "given";
    } else {
        return;
    }
    if (!(s.m_dHeight0 > 0) || !(s.m_dDiameter0 > 0))
        throw CInputError(curve.m_strName + ": the friction correction needs the specimen's height0 and diameter0 (mm)");
    const double dR0h0 = 0.5 * s.m_dDiameter0 / s.m_dHeight0;
    double dLargest = 1;
    for (std::size_t i = 0; i < curve.Size(); ++i) {
        const double dRh = dR0h0 * std::exp(1.5 * curve.m_aStrain[i]); // R0 e^(e/2) / (h0 e^-e)
        const double dRatio = BarrelPressureRatio(m, dRh);
        dLargest = std::max(dLargest, dRatio);
        curve.m_aStress[i] /= dRatio;
    }
    curve.m_aRecord.push_back("friction m=" + Num(m) + " (" + strFrom + "; Ebrahimi-Najafizadeh, h0=" +
                              Num(s.m_dHeight0) + " d0=" + Num(s.m_dDiameter0) + " mm; stress divided by up to " +
                              Num(dLargest, "%.4f") + ")");
}

double AdiabaticEfficiency(double dRate) {
    if (!(dRate > 0))
        return 0;
    return std::clamp((std::log10(dRate) + 3) / 4, 0.0, 1.0);
}

std::vector<double> TemperatureRise(const CPrepCurve& curve, double dEta, double dFraction, double dDensity,
                                    double dHeatCapacity) {
    std::vector<double> aRise(curve.Size(), 0.0);
    double dWork = 0; // MJ/m3
    for (std::size_t i = 1; i < curve.Size(); ++i) {
        dWork += 0.5 * (curve.m_aStress[i] + curve.m_aStress[i - 1]) * (curve.m_aStrain[i] - curve.m_aStrain[i - 1]);
        aRise[i] = dEta * dFraction * dWork * 1e6 / (dDensity * dHeatCapacity);
    }
    return aRise;
}

double MeanTemperature(const std::vector<double>& aTemp) {
    double dSum = 0;
    std::size_t n = 0;
    for (double d : aTemp)
        if (d >= kUnconnected) {
            dSum += d;
            ++n;
        }
    return n > 0 ? dSum / static_cast<double>(n) : std::numeric_limits<double>::quiet_NaN();
}

double MeasuredEfficiency(const CPrepCurve& curve, double dFraction, double dDensity, double dHeatCapacity) {
    const std::size_t n = curve.m_aTemp.size();
    const std::size_t w = std::max<std::size_t>(1, n / 50);
    const auto mean = [&](std::size_t nFrom) {
        return MeanTemperature(std::vector<double>(curve.m_aTemp.begin() + static_cast<std::ptrdiff_t>(nFrom),
                                                   curve.m_aTemp.begin() + static_cast<std::ptrdiff_t>(nFrom + w)));
    };
    const double dStart = n >= w ? mean(0) : std::numeric_limits<double>::quiet_NaN();
    const double dEnd = n >= w ? mean(n - w) : dStart;
    if (n < 2 || !std::isfinite(dStart) || !std::isfinite(dEnd))
        throw CInputError(curve.m_strName + ": adiabatic = measured needs a temperature column with readings "
                                            "(at or above -200 deg C) over the deformation");
    // The measured rise is taken between the means of the first and the last rows, so the
    // adiabatic rise is too.
    const std::vector<double> aFull = TemperatureRise(curve, 1.0, dFraction, dDensity, dHeatCapacity);
    const auto meanRise = [&](std::size_t nFrom) {
        double d = 0;
        for (std::size_t i = nFrom; i < nFrom + w; ++i)
            d += aFull[i];
        return d / static_cast<double>(w);
    };
    const double dFull = meanRise(n - w) - meanRise(0);
    return dFull > 0 ? std::clamp((dEnd - dStart) / dFull, 0.0, 1.0) : 0.0;
}

void CorrectAdiabatic(std::vector<CPrepCurve*>& aCurves, const std::vector<std::vector<double>>& aRises) {
    const std::size_t nCurves = aCurves.size();
    // The neighbours of each corrected curve at its rate: below and above, or two on one side.
    std::vector<std::pair<int, int>> aPairs(nCurves, {-1, -1});
    for (std::size_t i = 0; i < nCurves; ++i) {
        if (aRises[i].empty())
            continue;
        const CPrepCurve& curve = *aCurves[i];
        std::map<double, int> temps; // one curve per other temperature: the first met
        for (std::size_t j = 0; j < nCurves; ++j)
            if (j != i && SameCondition(aCurves[j]->m_dRate, curve.m_dRate) &&
                !SameCondition(aCurves[j]->m_dTemp, curve.m_dTemp) && aCurves[j]->Size() > 0)
                temps.emplace(aCurves[j]->m_dTemp, static_cast<int>(j));
        if (temps.empty())
            throw CInputError(curve.m_strName + " (t= " + Num(curve.m_dTemp) + " H= " + Num(curve.m_dRate) +
                              "): the adiabatic correction needs a curve at another temperature at the same strain "
                              "rate, from whose stresses the material's temperature sensitivity is taken");
        const auto above = temps.upper_bound(curve.m_dTemp);
        if (above != temps.end() && above != temps.begin())
            aPairs[i] = {std::prev(above)->second, above->second};
        else if (above == temps.end())
            aPairs[i] = {std::prev(above)->second, static_cast<int>(i)};
        else
            aPairs[i] = {static_cast<int>(i), above->second};
    }
    // The measured stresses; each round corrects them with k from the last round's curves.
    std::vector<std::vector<double>> aMeasured(nCurves);
    for (std::size_t i = 0; i < nCurves; ++i)
        aMeasured[i] = aCurves[i]->m_aStress;
    std::vector<CLogStress> aLog;
    aLog.reserve(nCurves);
    for (std::size_t j = 0; j < nCurves; ++j)
        aLog.emplace_back(*aCurves[j]);
    for (int nRound = 0; nRound < 5; ++nRound) {
        if (nRound > 0)
            for (std::size_t j = 0; j < nCurves; ++j)
                aLog[j].Update(*aCurves[j]);
        double dChange = 0;
        for (std::size_t i = 0; i < nCurves; ++i) {
            if (aRises[i].empty())
                continue;
            CPrepCurve& curve = *aCurves[i];
            const auto [a, b] = aPairs[i];
            const double dTa = aCurves[static_cast<std::size_t>(a)]->m_dTemp;
            const double dTb = aCurves[static_cast<std::size_t>(b)]->m_dTemp;
            for (std::size_t r = 0; r < curve.Size(); ++r) {
                const double e = curve.m_aStrain[r];
                const double k = (aLog[static_cast<std::size_t>(b)].At(e) - aLog[static_cast<std::size_t>(a)].At(e)) / (dTb - dTa);
                const double dNew = aMeasured[i][r] * std::exp(-k * aRises[i][r]);
                dChange = std::max(dChange, std::fabs(dNew - curve.m_aStress[r]) / std::max(1e-12, std::fabs(dNew)));
                curve.m_aStress[r] = dNew;
            }
        }
        if (dChange < 1e-6)
            break;
    }
}

std::string CRepeatScatter::Text() const {
    return "repeats t= " + Num(m_dTemp, "%g") + " H= " + Num(m_dRate, "%g") + ": " + std::to_string(m_nCurves) +
           " curves averaged on strain " + Num(m_dFromStrain) + ".." + Num(m_dToStrain) + "; scatter largest " +
           Num(m_dMax) + " MPa, RMS " + Num(m_dRms) + " MPa";
}

std::vector<CRepeatScatter> AverageRepeats(std::vector<CPrepCurve>& aCurves) {
    std::vector<CRepeatScatter> aScatter;
    std::vector<CPrepCurve> aOut;
    std::vector<bool> aTaken(aCurves.size(), false);
    for (std::size_t i = 0; i < aCurves.size(); ++i) {
        if (aTaken[i])
            continue;
        std::vector<std::size_t> aGroup{i};
        for (std::size_t j = i + 1; j < aCurves.size(); ++j)
            if (!aTaken[j] && SameCondition(aCurves[j].m_dTemp, aCurves[i].m_dTemp) &&
                SameCondition(aCurves[j].m_dRate, aCurves[i].m_dRate))
                aGroup.push_back(j);
        for (std::size_t j : aGroup)
            aTaken[j] = true;
        if (aGroup.size() == 1) {
            aOut.push_back(std::move(aCurves[i]));
            continue;
        }
        // The common strain range and the rows there.
        double dFrom = -std::numeric_limits<double>::infinity();
        double dTo = std::numeric_limits<double>::infinity();
        std::vector<std::vector<std::pair<double, double>>> aSorted;
        for (std::size_t j : aGroup) {
            const CPrepCurve& c = aCurves[j];
            if (c.Size() == 0)
                throw CInputError(c.m_strName + ": a repeated curve without points cannot be averaged");
            auto& a = aSorted.emplace_back();
            for (std::size_t r = 0; r < c.Size(); ++r)
                a.emplace_back(c.m_aStrain[r], c.m_aStress[r]);
            if (!std::is_sorted(a.begin(), a.end())) // a segmented record's rows are in order already
                std::sort(a.begin(), a.end());
            dFrom = std::max(dFrom, a.front().first);
            dTo = std::min(dTo, a.back().first);
        }
        if (!(dTo > dFrom))
            throw CInputError(aCurves[i].m_strName + " and its repeats at t= " + Num(aCurves[i].m_dTemp) +
                              " H= " + Num(aCurves[i].m_dRate) + " share no strain range to average on");
        std::size_t nPoints = 2;
        for (const auto& a : aSorted)
            nPoints = std::max<std::size_t>(
                nPoints, static_cast<std::size_t>(std::count_if(a.begin(), a.end(), [&](const auto& p) {
                    return p.first >= dFrom && p.first <= dTo;
                })));
        CPrepCurve mean;
        mean.m_dTemp = aCurves[i].m_dTemp;
        mean.m_dRate = aCurves[i].m_dRate;
        mean.m_specimen = aCurves[i].m_specimen;
        CRepeatScatter scatter;
        scatter.m_dTemp = mean.m_dTemp;
        scatter.m_dRate = mean.m_dRate;
        scatter.m_nCurves = static_cast<int>(aGroup.size());
        scatter.m_dFromStrain = dFrom;
        scatter.m_dToStrain = dTo;
        double dSquares = 0;
        std::vector<double> aValues(aGroup.size());
        std::vector<std::size_t> aAt(aGroup.size(), 0);
        for (std::size_t r = 0; r < nPoints; ++r) {
            const double e = dFrom + (dTo - dFrom) * static_cast<double>(r) / static_cast<double>(nPoints - 1);
            double dSum = 0;
            for (std::size_t k = 0; k < aSorted.size(); ++k)
                dSum += aValues[k] = StressAt(aSorted[k], e, aAt[k]);
            const double dMean = dSum / static_cast<double>(aSorted.size());
            for (double d : aValues) {
                scatter.m_dMax = std::max(scatter.m_dMax, std::fabs(d - dMean));
                dSquares += (d - dMean) * (d - dMean);
            }
            mean.m_aStrain.push_back(e);
            mean.m_aStress.push_back(dMean);
        }
        scatter.m_dRms = std::sqrt(dSquares / static_cast<double>(nPoints * aGroup.size()));
        std::string strNames;
        for (std::size_t j : aGroup)
            strNames += (strNames.empty() ? "" : " + ") + aCurves[j].m_strName;
        mean.m_strName = strNames;
        // The steps each repeat went through, then the averaging.
        mean.m_aRecord = aCurves[i].m_aRecord;
        mean.m_aRecord.push_back("average of " + strNames + " on strain " + Num(dFrom) + ".." + Num(dTo) + " (" +
                                 std::to_string(nPoints) + " points; scatter largest " + Num(scatter.m_dMax) +
                                 " MPa, RMS " + Num(scatter.m_dRms) + " MPa)");
        for (std::size_t j : aGroup)
            for (const std::string& strNote : aCurves[j].m_aNotes)
                mean.m_aNotes.push_back(strNote);
        aOut.push_back(std::move(mean));
        aScatter.push_back(scatter);
    }
    aCurves = std::move(aOut);
    return aScatter;
}
