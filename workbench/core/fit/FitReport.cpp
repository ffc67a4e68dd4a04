#include "vornel/fit/FitReport.h"

#include "vornel/document/Material.h"
#include "vornel/model/ModelCatalogue.h"

#include <cmath>
#include <limits>

namespace {

// Running sums of the deviations d = fitted - measured.
class CDeviationSum {
public:
    void Add(double dStrain, double dFitted, double dMeasured) {
        const double d = dFitted - dMeasured;
        ++m_nPoints;
        m_dSumSq += d * d;
        if (dMeasured > 0) {
            m_dSumRel += std::fabs(d) / dMeasured;
            ++m_nRelPoints;
        }
        if (std::isnan(d)) {
            if (!m_bNaN)
                m_dStrainAtMax = dStrain;
            m_bNaN = true;
        } else if (!m_bNaN && std::fabs(d) > m_dMaxAbs) {
            m_dMaxAbs = std::fabs(d);
            m_dStrainAtMax = dStrain;
        }
    }
    void Add(const CDeviationSum& other) {
        if (other.m_bNaN && !m_bNaN) {
            m_bNaN = true;
            m_dStrainAtMax = other.m_dStrainAtMax;
        } else if (!m_bNaN && other.m_dMaxAbs > m_dMaxAbs) {
            m_dMaxAbs = other.m_dMaxAbs;
            m_dStrainAtMax = other.m_dStrainAtMax;
        }
        m_nPoints += other.m_nPoints;
        m_nRelPoints += other.m_nRelPoints;
        m_dSumSq += other.m_dSumSq;
        m_dSumRel += other.m_dSumRel;
    }
    CDeviationStats Stats() const {
        CDeviationStats stats;
        stats.m_nPoints = m_nPoints;
        stats.m_dRms = m_nPoints > 0 ? std::sqrt(m_dSumSq / m_nPoints) : 0.0;
        stats.m_dMare = m_nRelPoints > 0 ? 100.0 * m_dSumRel / m_nRelPoints : 0.0;
        stats.m_dMaxAbs = m_bNaN ? std::numeric_limits<double>::quiet_NaN() : m_dMaxAbs;
        stats.m_dStrainAtMax = m_dStrainAtMax;
        return stats;
    }

private:
    int m_nPoints = 0;
    int m_nRelPoints = 0;
    double m_dSumSq = 0;
    double m_dSumRel = 0;
    double m_dMaxAbs = 0;
    double m_dStrainAtMax = 0;
    bool m_bNaN = false;
};

CDeviationSum CurveSum(const CMaterial& material, int nCurve) {
    CDeviationSum sum;
    for (const CDeviationPoint& point : CurveDeviationPoints(material, nCurve))
        sum.Add(point.m_dStrain, point.m_dFitted, point.m_dMeasured);
    return sum;
}

} // namespace

std::vector<CDeviationPoint> CurveDeviationPoints(const CMaterial& material, int nCurve) {
    const CCurve& curve = material.Curve(nCurve);
    std::vector<CDeviationPoint> aPoints;
    for (int j = FirstMeasuredPoint(material); j < curve.PointCount(); ++j) {
        const CCurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(j)];
        aPoints.push_back({p.m_dStrain, material.Evaluate(p.m_dStrain, p.m_dTemp, p.m_dRate), p.m_dStress});
    }
    return aPoints;
}

CDeviationStats CurveDeviations(const CMaterial& material, int nCurve) { return CurveSum(material, nCurve).Stats(); }

CFitReport MakeFitReport(const CMaterial& material) {
    CFitReport report;
    if (!FindModel(material.m_nFunction) || material.m_nCoef <= 0)
        return report;
    report.m_bFitted = true;
    CDeviationSum all;
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CDeviationSum sum = CurveSum(material, i);
        const CCurve& curve = material.Curve(i);
        if (!curve.m_bLeftOut) {
            all.Add(sum);
            ++report.m_nUsed;
        }
        report.m_aCurves.push_back({curve.m_dTemp, curve.m_dRate, sum.Stats()});
    }
    report.m_all = all.Stats();
    return report;
}
