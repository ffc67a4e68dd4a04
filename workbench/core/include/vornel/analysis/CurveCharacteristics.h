#pragma once
// What each flow curve says on its own about hot working: its peak stress and strain, its
// steady-state stress and its stress at chosen strains. Read-only on the material.
//
// The analyses take a curve's measured points as the fit report does (FitReport.h: from
// FirstMeasuredPoint on, so a prepared curve's first point, which the preparation makes from
// the second, is left out), ordered by strain; points whose strain or stress is not a finite
// number are left out. Stresses are in the units of the data files.
//
// Peak. Let k be the point of the largest stress (the first of equal ones). The curve has a
// peak when k is neither its first nor its last point and the stress after k falls to at
// most (1 - kPeakDrop) times the largest: a curve that hardens to its end, or levels off
// within that share, has "no peak". The peak's strain and stress are the vertex of the
// parabola through points k-1, k, k+1, held within their strains (the resampled curves'
// points lie a thirtieth of the strain range apart; the vertex finds a smooth peak between
// them), or point k itself when the three points are not curved downwards.
//
// Steady state. The window is the last kSteadyShare of the strain range after the peak (of
// the whole curve without a peak), at least the last kSteadyPoints points. A least-squares
// line through the window's points changes across the window by |slope| x (strain span);
// the curve has levelled off when that change is at most kSteadyChange times the mean stress
// of the window, and its steady-state stress is that mean. Otherwise the curve still hardens
// or softens at its end and has no steady state.
//
// Stress at a strain: linear between the two points around it; NaN beyond the curve's first
// and last measured strain.

#include <string>
#include <vector>

class CMaterial;

inline constexpr double kPeakDrop = 0.02;
inline constexpr double kSteadyShare = 0.25;
inline constexpr int kSteadyPoints = 3;
inline constexpr double kSteadyChange = 0.03;

// A curve's measured points as the analyses take them.
struct CFlowCurve {
    int m_nCurve = 0;               // zero-based slot in the material
    double m_dTemp = 0;             // t, deg C
    double m_dRate = 0;             // H, 1/s
    std::vector<double> m_aStrain;  // ascending
    std::vector<double> m_aStress;  // at those strains
};

// The used curves of the material, in curve order, each with its measured points (possibly
// none).
std::vector<CFlowCurve> FlowCurves(const CMaterial& material);

// Stress of the curve at dStrain, linear between its points; NaN outside its strains or for
// a curve without points.
double StressAtStrain(const CFlowCurve& curve, double dStrain);

struct CCurveCharacteristics {
    int m_nCurve = 0;              // zero-based slot in the material
    double m_dTemp = 0;            // t, deg C
    double m_dRate = 0;            // H, 1/s
    int m_nPoints = 0;             // measured points taken
    bool m_bPeak = false;          // false: "no peak"
    double m_dPeakStress = 0;      // with m_bPeak
    double m_dPeakStrain = 0;      // with m_bPeak
    double m_dMaxStress = 0;       // the largest measured stress (NaN without points)
    double m_dMaxStrain = 0;       // its strain
    bool m_bSteady = false;        // false: no steady state
    double m_dSteadyStress = 0;    // with m_bSteady
    std::vector<double> m_aStressAt; // at the chosen strains, in their order (NaN beyond the curve)
};

// The characteristics of one curve, with its stress at each of aStrains.
CCurveCharacteristics Characterise(const CFlowCurve& curve, const std::vector<double>& aStrains = {});

// The characteristics of every used curve of the material, in curve order.
std::vector<CCurveCharacteristics> CurveCharacteristics(const CMaterial& material,
                                                        const std::vector<double>& aStrains = {});

// The characteristics as comma-separated text: the header
// "curve,temperature_C,strain_rate_1/s,peak_stress,peak_strain,steady_stress" followed by
// "stress_at_<E>" per chosen strain, then a row per curve; numbers with 17 significant
// digits, empty fields for "no peak", no steady state and strains beyond the curve.
std::string CurveCharacteristicsCsv(const std::vector<CCurveCharacteristics>& aCurves, const std::vector<double>& aStrains);
