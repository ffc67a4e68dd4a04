#pragma once
// How well the fitted law of a material meets its measured stresses: the engineer's view of a
// fit (root mean square, mean relative and largest deviation, per curve and over all curves),
// beside the two error values the engine reports.
//
// The deviations are d = Evaluate(E, t, H) - s at the measured points, so the report judges
// the law exactly as the plot, the surface and the exported subroutine use it. Stresses are
// in the units of the data files; relative errors in percent.

#include "vornel/document/Material.h" // FirstMeasuredPoint

#include <string>
#include <vector>

class CMaterial;

// A measured point of a curve beside the law's stress there.
struct CDeviationPoint {
    double m_dStrain = 0;
    double m_dFitted = 0;   // Evaluate(strain, t, H) of the current law
    double m_dMeasured = 0; // the measured stress
    double Deviation() const { return m_dFitted - m_dMeasured; }
};

// The measured points of curve nCurve (zero-based, from FirstMeasuredPoint on) with the
// current law's stress; what the report's deviations are taken over.
std::vector<CDeviationPoint> CurveDeviationPoints(const CMaterial& material, int nCurve);

// Deviations of one set of points.
struct CDeviationStats {
    int m_nPoints = 0;         // points taken
    double m_dRms = 0;         // sqrt(sum d^2 / points)
    double m_dMare = 0;        // mean of |d| / s over the points with s > 0, percent
    double m_dMaxAbs = 0;      // largest |d| (NaN when a deviation is not a number)
    double m_dStrainAtMax = 0; // strain of the point with the largest |d|
};

// The report of one curve: its conditions and its deviations.
struct CCurveFit {
    double m_dTemp = 0; // t, deg C
    double m_dRate = 0; // H, 1/s
    CDeviationStats m_stats;
};

struct CFitReport {
    bool m_bFitted = false;      // false: the material has no fitted law; nothing else is set
    CDeviationStats m_all;       // over the measured points of every curve fitted on (not left out)
    int m_nUsed = 0;             // curves fitted on
    std::vector<CCurveFit> m_aCurves; // curve order, the left-out curves too
};

// The report of the material's current law (m_nFunction with m_dCoef) over its measured
// points; not fitted when the material has no model or no coefficients.
CFitReport MakeFitReport(const CMaterial& material);

// Deviations of the current law over the measured points of curve nCurve (zero-based).
CDeviationStats CurveDeviations(const CMaterial& material, int nCurve);
