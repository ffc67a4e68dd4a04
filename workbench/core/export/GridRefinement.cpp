#include "vornel/export/GridRefinement.h"

#include "vornel/export/LawExport.h"
#include "vornel/model/ModelCatalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kRefineSteps = 8;  // an interval is checked at its 7 inner points of 8 steps
constexpr int kReportSteps = 16; // and reported from 15
constexpr std::size_t kMaxNodes = 2000;
constexpr double kFloorShare = 0.01; // of the largest |law|: the departure's smallest scale

enum EAxis { kStrain = 0, kRate = 1, kTemp = 2 };

// The law over the grid as it grows, and the departure of straight lines from it.
class CAxisCheck {
public:
    CAxisCheck(int nModel, const double* pCoef, CExportGrid& grid, ERateAxis eRates)
        : m_nModel(nModel), m_pCoef(pCoef), m_grid(grid), m_eRates(eRates) {
        double dLargest = 0;
        for (double t : grid.m_aTemps)
            for (double H : grid.m_aRates)
                for (double E : grid.m_aStrains)
                    if (const double s = std::fabs(Law(E, H, t)); std::isfinite(s))
                        dLargest = std::max(dLargest, s);
        m_dFloor = kFloorShare * dLargest;
    }

    std::vector<double>& Nodes(int nAxis) {
        return nAxis == kStrain ? m_grid.m_aStrains : nAxis == kRate ? m_grid.m_aRates : m_grid.m_aTemps;
    }

    // The largest departure between nodes a < b of axis nAxis, at every node of the others,
    // from nSteps - 1 inner points (and their log-spaced companions for rates).
    CInterpolationError Interval(int nAxis, double a, double b, int nSteps) {
        CInterpolationError worst;
        worst.m_szAxis = nAxis == kStrain ? "strains" : nAxis == kRate ? "strain rates" : "temperatures";
        const bool bRate = nAxis == kRate;
        const bool bLogPoints = bRate && a > 0;
        const bool bLinearLine = !bRate || m_eRates != ERateAxis::Log || !(a > 0);
        const bool bLogLine = bLogPoints && m_eRates != ERateAxis::AsGiven;
        std::vector<double> aInner;
        for (int k = 1; k < nSteps; ++k) {
            aInner.push_back(a + (b - a) * k / nSteps);
            if (bLogPoints)
                aInner.push_back(a * std::pow(b / a, static_cast<double>(k) / nSteps));
        }
        const int nFirst = nAxis == kStrain ? kRate : kStrain;
        const int nSecond = nAxis == kTemp ? kRate : kTemp;
        for (double u : Nodes(nFirst))
            for (double v : Nodes(nSecond)) {
                double adArg[3];
                adArg[nFirst] = u;
                adArg[nSecond] = v;
                const auto law = [&](double x) {
                    adArg[nAxis] = x;
                    return Law(adArg[kStrain], adArg[kRate], adArg[kTemp]);
                };
                const double fa = law(a);
                const double fb = law(b);
                if (!std::isfinite(fa) || !std::isfinite(fb))
                    continue; // a law that is not finite there is the law check's finding
                for (double x : aInner) {
                    const double f = law(x);
                    if (!std::isfinite(f))
                        continue;
                    const double dScale = std::max(std::fabs(f), m_dFloor);
                    double dWorst = 0;
                    if (bLinearLine)
                        dWorst = std::fabs(fa + (fb - fa) * (x - a) / (b - a) - f) / dScale;
                    if (bLogLine)
                        dWorst = std::max(dWorst,
                                          std::fabs(fa + (fb - fa) * std::log(x / a) / std::log(b / a) - f) / dScale);
                    if (dWorst > worst.m_dRelative) {
                        worst.m_dRelative = dWorst;
                        adArg[nAxis] = x;
                        worst.m_dStrain = adArg[kStrain];
                        worst.m_dRate = adArg[kRate];
                        worst.m_dTemp = adArg[kTemp];
                    }
                }
            }
        return worst;
    }

    // Adds nodes to axis nAxis where an interval departs too far; returns how many.
    std::size_t Refine(int nAxis) {
        const std::vector<double> aOld = Nodes(nAxis);
        std::vector<double> aNew{aOld.front()};
        const double dRange = aOld.back() - aOld.front();
        for (std::size_t i = 0; i + 1 < aOld.size(); ++i)
            Split(nAxis, aOld[i], aOld[i + 1], dRange, aNew);
        Nodes(nAxis) = aNew;
        return aNew.size() - aOld.size();
    }

private:
    double Law(double E, double H, double t) const { return EvaluateLawStress(m_nModel, m_pCoef, E, t, H); }

    bool TooShort(int nAxis, double a, double b, double dRange) const {
        if (nAxis == kStrain)
            return b - a <= 1e-6 * dRange;
        if (nAxis == kTemp)
            return b - a <= 1e-6;
        return a > 0 ? b / a <= 1 + 1e-9 : b <= 1e-12;
    }

    // Appends the nodes after a up to b, halving [a, b] while it departs too far.
    void Split(int nAxis, double a, double b, double dRange, std::vector<double>& aNew) {
        const bool bKeep = m_eRates == ERateAxis::AsGiven && nAxis == kRate;
        if (bKeep || aNew.size() >= kMaxNodes || TooShort(nAxis, a, b, dRange) ||
            Interval(nAxis, a, b, kRefineSteps).m_dRelative <= kRefineTolerance) {
            aNew.push_back(b);
            return;
        }
        const double m = nAxis == kRate && a > 0 ? std::sqrt(a * b) : 0.5 * (a + b);
        Split(nAxis, a, m, dRange, aNew);
        Split(nAxis, m, b, dRange, aNew);
    }

    int m_nModel;
    const double* m_pCoef;
    CExportGrid& m_grid;
    ERateAxis m_eRates;
    double m_dFloor = 0;
};

// dKink as a node of aNodes when it lies strictly within them.
void AddKink(std::vector<double>& aNodes, double dKink) {
    if (aNodes.size() < 2 || !(aNodes.front() < dKink && dKink < aNodes.back()))
        return;
    if (std::find(aNodes.begin(), aNodes.end(), dKink) == aNodes.end()) {
        aNodes.push_back(dKink);
        std::sort(aNodes.begin(), aNodes.end());
    }
}

CInterpolationError Largest(CAxisCheck& check, ERateAxis eRates) {
    CInterpolationError worst;
    for (int nAxis : {kStrain, kTemp, kRate}) {
        if (nAxis == kRate && eRates == ERateAxis::AsGiven)
            continue;
        const std::vector<double> aNodes = check.Nodes(nAxis);
        for (std::size_t i = 0; i + 1 < aNodes.size(); ++i) {
            const CInterpolationError interval = check.Interval(nAxis, aNodes[i], aNodes[i + 1], kReportSteps);
            if (interval.m_dRelative > worst.m_dRelative)
                worst = interval;
        }
    }
    return worst;
}

} // namespace

std::string CInterpolationError::Describe() const {
    char szText[200];
    // Departures below 1e-9 are rounding: the law is linear along that axis.
    std::snprintf(szText, sizeof szText, "%.2g %% (between %s, at E=%g, H=%g, t=%g)",
                  m_dRelative < 1e-9 ? 0.0 : 100 * m_dRelative, m_szAxis, m_dStrain, m_dRate, m_dTemp);
    return szText;
}

CInterpolationError RefineGrid(int nModel, const double* pCoef, CExportGrid& grid, ERateAxis eRates) {
    AddKink(grid.m_aStrains, kEvaluateMinStrain);
    if (eRates != ERateAxis::AsGiven)
        AddKink(grid.m_aRates, kEvaluateMinRate);
    CAxisCheck check(nModel, pCoef, grid, eRates);
    for (int nPass = 0; nPass < 4; ++nPass) {
        std::size_t nAdded = 0;
        for (int nAxis : {kStrain, kTemp, kRate})
            nAdded += check.Refine(nAxis);
        if (nAdded == 0)
            break;
    }
    return Largest(check, eRates);
}

CInterpolationError InterpolationError(int nModel, const double* pCoef, const CExportGrid& grid, ERateAxis eRates) {
    CExportGrid copy = grid;
    CAxisCheck check(nModel, pCoef, copy, eRates);
    return Largest(check, eRates);
}
